// SPDX-License-Identifier: Apache-2.0
// NodeParameters: the parameter set of one publication node, as the host hands it
// out from GetNodeParameters. Item takes a parameter's name (letter case ignored) or
// its position from 1; a name or position it does not hold raises error 5. The set
// holds its parameters and hands them out as counted references.
#pragma once

#include "NodeParameter.h"
#include "automation/Variant.h"

#include <cstdint>
#include <vector>

namespace Host {

class NodeParameters : public Automation::Object
{
public:
    static constexpr char InterfaceName[] = "INodeParameters";

    static const Automation::ClassInfo &staticClassInfo();
    const Automation::ClassInfo *classInfo() const override { return &staticClassInfo(); }

    Automation::Ref<NodeParameter> Item(const Automation::Variant &Index);
    std::int32_t Count() const { return std::int32_t(m_items.size()); }

    // Sets a parameter, adding it when the set does not hold it yet.
    void set(const std::u16string &name, const std::u16string &contents);
    NodeParameter *find(const std::u16string &name) const;

private:
    std::vector<Automation::Ref<NodeParameter>> m_items;
};

} // namespace Host
