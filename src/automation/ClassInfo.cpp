// SPDX-License-Identifier: Apache-2.0
#include "ClassInfo.h"

#include "Text.h"

#include <algorithm>
#include <cstdio>
#include <utility>

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

namespace {

std::string parameterList(const std::vector<Parameter> &parameters)
{
    std::string text;
    for (const Parameter &p : parameters) {
        if (!text.empty())
            text += ", ";
        text +=
            (p.byReference ? "ByRef " : "") + p.name + " As " + typeName(p.type, p.interfaceName);
    }
    return "(" + text + ")";
}

// One line of the member table: "  12  0x60030006  LoadSettings      method (...)".
std::string slotLine(int slot, DispId id, const std::string &name, const std::string &kind)
{
    char number[16];
    std::snprintf(number, sizeof number, "%3d", slot);
    std::string padded = name;
    if (padded.size() < 16)
        padded.resize(16, ' ');
    return "  " + std::string(number) + "  " + formatDispId(id) + "  " + padded + "  " + kind +
           "\n";
}

} // namespace

std::string ClassInfo::describe() const
{
    std::string text = "coclass " + className + (control ? " (control)" : "") + "\n";
    text += "  ProgID     " + progId + "\n  CLSID      " + classId + "\n";
    text +=
        "  interface  " + interfaceName + " " + interfaceId + " (dual, derived from IDispatch)\n";
    for (const std::string &iid : implemented)
        text += "  implements " + iid + "\n";
    // A property's accessors share one slot line, as in a type library viewer; a
    // Variant property that takes values takes references too.
    std::vector<std::string> done;
    int slot = 0;
    for (const Member &member : members) {
        if (std::find(done.begin(), done.end(), member.name) != done.end())
            continue;
        done.push_back(member.name);
        std::string kind;
        std::string type;
        if (member.access == Access::Method) {
            kind = "method " + parameterList(member.parameters);
            type = typeName(member.type, member.interfaceName);
        } else {
            bool get = false, put = false, putRef = false;
            for (const Member &accessor : members) {
                if (accessor.name != member.name)
                    continue;
                get = get || accessor.access == Access::Get;
                put = put || accessor.access == Access::Put;
                putRef = putRef || accessor.access == Access::PutRef ||
                         (accessor.access == Access::Put && accessor.type == ValueType::Variant);
                if (type.empty())
                    type = typeName(accessor.type, accessor.interfaceName);
            }
            kind = "property";
            for (const auto &[has, word] :
                 {std::pair(get, " get"), std::pair(put, " put"), std::pair(putRef, " putref")}) {
                if (has)
                    kind += (kind == "property" ? "" : ",") + std::string(word);
            }
        }
        text +=
            slotLine(++slot, member.id, member.name, kind + (type.empty() ? "" : " As " + type));
    }
    if (!events.empty()) {
        text += "  events     " + eventInterfaceName + " " + eventInterfaceId + "\n";
        slot = 0;
        for (const Event &event : events)
            text +=
                slotLine(++slot, event.id, event.name, "event " + parameterList(event.parameters));
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

} // namespace Automation
