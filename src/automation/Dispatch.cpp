// SPDX-License-Identifier: Apache-2.0
#include "Dispatch.h"

#include "AutomationError.h"

namespace Automation {

namespace {

Object &existing(Object *object)
{
    if (!object)
        raise(ObjectNotSet);
    return *object;
}

} // namespace

Variant invoke(Object *object, DispId id, Invoke kind, std::vector<Variant> &args)
{
    // The caller's reference may be the last one; the call keeps the object alive.
    const Ref<Object> held(&existing(object));
    return held->invoke(id, kind, args);
}

Variant invoke(Object *object, std::u16string_view name, Invoke kind, std::vector<Variant> &args)
{
    const Ref<Object> held(&existing(object));
    return held->invoke(held->idOfName(name), kind, args);
}

DispId idOfName(const Object *object, std::u16string_view name)
{
    if (!object)
        raise(ObjectNotSet);
    return object->idOfName(name);
}

Variant get(Object *object, std::u16string_view name, std::vector<Variant> args)
{
    return invoke(object, name, Invoke::PropertyGet, args);
}

Variant get(Object *object, DispId id, std::vector<Variant> args)
{
    return invoke(object, id, Invoke::PropertyGet, args);
}

void put(Object *object, std::u16string_view name, const Variant &value)
{
    std::vector<Variant> args{value};
    invoke(object, name, Invoke::PropertyPut, args);
}

void putRef(Object *object, std::u16string_view name, const Ref<Object> &value)
{
    std::vector<Variant> args{Variant(value)};
    invoke(object, name, Invoke::PropertyPutRef, args);
}

Variant call(Object *object, std::u16string_view name, std::vector<Variant> args)
{
    return invoke(object, name, Invoke::Method, args);
}

Variant callRef(Object *object, std::u16string_view name, std::vector<Variant> &args)
{
    return invoke(object, name, Invoke::Method, args);
}

Ref<Object> queryInterface(const Ref<Object> &object, std::string_view iid)
{
    if (!object)
        return {};
    Ref<Object> offered = object->interfaceOf(iid);
    if (!offered)
        raise(TypeMismatch);
    return offered;
}

} // namespace Automation
