// SPDX-License-Identifier: Apache-2.0
// The classes of the test's own in-process server (TestServer.cpp), which the test
// also uses directly: every kind of member, by-reference parameters, a member that
// raises, one invisible to late binding, and a control.
#pragma once

#include "automation/AutomationError.h"
#include "automation/ClassInfo.h"
#include "automation/Text.h"

namespace Test {

using namespace Automation;

class Sample : public Object
{
public:
    static constexpr char InterfaceName[] = "_Sample";

    static const ClassInfo &staticClassInfo()
    {
        static const ClassInfo info =
            ClassBuilder<Sample>("Sample", "Test.Sample", "{00000000-0000-0000-0000-0000000000A1}",
                                 InterfaceName, "{00000000-0000-0000-0000-0000000000B1}")
                .implements("{00000000-0000-0000-0000-0000000000B2}")
                .get("Flag", 0x40030001, &Sample::Flag)
                .put("Flag", 0x40030001, &Sample::setFlag)
                .get("Name", 0x40030002, &Sample::Name)
                .put("Name", 0x40030002, &Sample::setName)
                .get("Child", 0x40030003, &Sample::Child)
                .putRef("Child", 0x40030003, &Sample::setChild)
                .get("Holder", 0x40030004, &Sample::Holder)
                .put("Holder", 0x40030004, &Sample::setHolder)
                .get("Count", 0x68030000, &Sample::Count)
                .get("Small", 0x68030001, &Sample::Small)
                .put("Small", 0x68030001, &Sample::setSmall)
                .method("Swap", 0x60030001, &Sample::Swap, {"text", "number", "untouched"})
                .method("Item", 0x60030002, &Sample::Item, {"key", "index"})
                .method("Fail", 0x60030003, &Sample::Fail)
                .method("Adopt", 0x60030004, &Sample::Adopt, {"other"})
                .build();
        return info;
    }
    const ClassInfo *classInfo() const override { return &staticClassInfo(); }

    bool Flag() const { return flag; }
    void setFlag(bool value) { flag = value; }
    std::u16string Name() const { return name; }
    void setName(const std::u16string &value) { name = value; }
    Ref<Object> Child() const { return child; }
    void setChild(const Ref<Object> &value) { child = value; }
    Variant Holder() const { return holder; }
    void setHolder(const Variant &value) { holder = value; }
    std::int32_t Count() const { return 7; }
    std::int16_t Small() const { return small; }
    void setSmall(std::int16_t value) { small = value; }

    void Swap(std::u16string &text, std::int32_t &number, std::int32_t untouched)
    {
        text += decimal(number);
        number = untouched * 2;
    }
    std::u16string Item(const std::u16string &key, std::int32_t index)
    {
        return key + u':' + decimal(index);
    }
    void Fail() { raise(InvalidProcedureCall, u"no good"); }
    bool Adopt(const Ref<Sample> &other) { return bool(other); }
    void Hidden() {}

    bool flag = false;
    std::u16string name;
    Ref<Object> child;
    Variant holder;
    std::int16_t small = 0;
};

// A control with no members of its own.
class Control : public Object
{
public:
    static const ClassInfo &staticClassInfo()
    {
        static const ClassInfo info =
            ClassBuilder<Control>("Control", "Test.Control",
                                  "{00000000-0000-0000-0000-0000000000A2}", "_Control",
                                  "{00000000-0000-0000-0000-0000000000B3}")
                .control()
                .build();
        return info;
    }
    const ClassInfo *classInfo() const override { return &staticClassInfo(); }
};

} // namespace Test
