// SPDX-License-Identifier: Apache-2.0
#include "ClassInfo.h"

#include "Text.h"

#include <cstdio>

namespace Automation {

std::string typeName(ValueType type, const std::string &interfaceName)
{
    switch (type) {
    case ValueType::None:
        return {};
    case ValueType::Boolean:
        return "Boolean";
    case ValueType::Integer:
        return "Integer";
    case ValueType::Long:
        return "Long";
    case ValueType::Double:
        return "Double";
    case ValueType::String:
        return "String";
    case ValueType::Variant:
        return "Variant";
    case ValueType::Object:
        return interfaceName.empty() ? "Object" : interfaceName;
    }
    return {};
}

std::string formatDispId(DispId id)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(id));
    return text;
}

std::optional<DispId> ClassInfo::idOf(std::u16string_view name) const
{
    for (const Member &member : members) {
        if (equalIgnoringCase(utf16(member.name), name))
            return member.id;
    }
    return std::nullopt;
}

const Member *ClassInfo::find(DispId id, Access access) const
{
    for (const Member &member : members) {
        if (member.id == id && member.access == access)
            return &member;
    }
    return nullptr;
}

bool ClassInfo::supports(std::string_view iid) const
{
    auto same = [&](const std::string &known) {
        return equalIgnoringCase(utf16(known), utf16(iid));
    };
    if (same(interfaceId))
        return true;
    for (const std::string &other : implemented) {
        if (same(other))
            return true;
    }
    return false;
}

Variant ClassInfo::invoke(Object &object, DispId id, Invoke kind, std::vector<Variant> &args) const
{
    const Member *member = nullptr;
    switch (kind) {
    case Invoke::Method:
    case Invoke::PropertyGet:
        // A call of a property reads it; a read of a method calls it.
        member = find(id, kind == Invoke::Method ? Access::Method : Access::Get);
        if (!member)
            member = find(id, kind == Invoke::Method ? Access::Get : Access::Method);
        break;
    case Invoke::PropertyPut:
        member = find(id, Access::Put);
        break;
    case Invoke::PropertyPutRef:
        member = find(id, Access::PutRef);
        // A variant property takes a reference through its value setter too.
        if (!member) {
            const Member *value = find(id, Access::Put);
            if (value && value->type == ValueType::Variant)
                member = value;
        }
        break;
    }
    if (!member) {
        // The member exists, but not for this kind of access: still 438.
        raise(MemberNotFound);
    }
    return member->call(object, args);
}

std::string ClassInfo::describe() const
{
    std::string text = "class " + className;
    if (!progId.empty())
        text += " (" + progId + ")";
    text += "\n  ClassID " + classId + "\n  interface " + interfaceName + " " + interfaceId + "\n";
    if (control)
        text += "  control\n";
    for (const Member &member : members) {
        static const char *const kinds[] = {"get", "put", "putref", "method"};
        text +=
            "  " + formatDispId(member.id) + " " + kinds[int(member.access)] + " " + member.name;
        if (member.access == Access::Method) {
            text += "(";
            for (std::size_t i = 0; i < member.parameters.size(); ++i) {
                const Parameter &p = member.parameters[i];
                text += (i ? ", " : "") + std::string(p.byReference ? "ByRef " : "") + p.name +
                        " As " + typeName(p.type, p.interfaceName);
            }
            text += ")";
        }
        if (member.type != ValueType::None)
            text += " As " + typeName(member.type, member.interfaceName);
        text += "\n";
    }
    if (!events.empty()) {
        text += "  events " + eventInterfaceName + " " + eventInterfaceId + "\n";
        for (const Event &event : events) {
            text += "  " + formatDispId(event.id) + " event " + event.name + "(";
            for (std::size_t i = 0; i < event.parameters.size(); ++i) {
                const Parameter &p = event.parameters[i];
                text += (i ? ", " : "") + std::string(p.byReference ? "ByRef " : "") + p.name +
                        " As " + typeName(p.type, p.interfaceName);
            }
            text += ")\n";
        }
    }
    return text;
}

DispId Object::idOfName(std::u16string_view name) const
{
    if (const ClassInfo *info = classInfo()) {
        if (const std::optional<DispId> id = info->idOf(name))
            return *id;
    }
    raise(MemberNotFound);
}

Variant Object::invoke(DispId id, Invoke kind, std::vector<Variant> &args)
{
    const ClassInfo *info = classInfo();
    if (!info)
        raise(MemberNotFound);
    return info->invoke(*this, id, kind, args);
}

bool Object::supports(std::string_view iid) const
{
    const ClassInfo *info = classInfo();
    return info && info->supports(iid);
}

Ref<Object> Object::interfaceOf(std::string_view iid)
{
    return supports(iid) ? Ref<Object>(this) : Ref<Object>();
}

} // namespace Automation
