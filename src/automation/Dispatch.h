// SPDX-License-Identifier: Apache-2.0
// Dispatch: late-bound calls on automation objects, by member name (letter case
// ignored) or by dispatch identifier, with Variant arguments and results.
//
// Errors (AutomationError):
//   91   the object is Nothing;
//   438  the object has no such member, or not for this kind of access
//        (a put on a read-only property, a putref on a value property ...);
//   450  wrong number of arguments;
//   13   an argument or value that cannot be converted;
// and whatever the member itself raises, unchanged.
#pragma once

#include "Object.h"
#include "Variant.h"

#include <string_view>
#include <vector>

namespace Automation {

Variant invoke(Object *object, DispId id, Invoke kind, std::vector<Variant> &args);
Variant invoke(Object *object, std::u16string_view name, Invoke kind, std::vector<Variant> &args);

// The dispatch identifier of a member name; 91 on Nothing, 438 when there is none.
DispId idOfName(const Object *object, std::u16string_view name);

// Shorthands; arguments by value. callRef shows values written back into
// by-reference parameters.
Variant get(Object *object, std::u16string_view name, std::vector<Variant> args = {});
Variant get(Object *object, DispId id, std::vector<Variant> args = {});
void put(Object *object, std::u16string_view name, const Variant &value);
void putRef(Object *object, std::u16string_view name, const Ref<Object> &value);
Variant call(Object *object, std::u16string_view name, std::vector<Variant> args = {});
Variant callRef(Object *object, std::u16string_view name, std::vector<Variant> &args);

template <class T>
Variant get(const Ref<T> &object, std::u16string_view name, std::vector<Variant> args = {})
{
    return get(object.get(), name, std::move(args));
}
template <class T>
Variant call(const Ref<T> &object, std::u16string_view name, std::vector<Variant> args = {})
{
    return call(object.get(), name, std::move(args));
}

// The object as one of its interfaces (Object::interfaceOf): the object itself when it
// offers the interface identifier, or for another program's object the interface it
// answers, which calls then go through; error 13 when it offers none; Nothing stays
// Nothing.
Ref<Object> queryInterface(const Ref<Object> &object, std::string_view iid);

} // namespace Automation
