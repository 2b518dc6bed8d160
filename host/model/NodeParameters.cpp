// SPDX-License-Identifier: Apache-2.0
#include "NodeParameters.h"

#include "automation/AutomationError.h"
#include "automation/ClassInfo.h"
#include "automation/Text.h"

namespace Host {

using Automation::ClassBuilder;
using Automation::ClassInfo;

const ClassInfo &NodeParameter::staticClassInfo()
{
    static const ClassInfo info =
        ClassBuilder<NodeParameter>("NodeParameter", "", "{5D337CAB-1E91-46C1-A3A7-D157AF8FB4F7}",
                                    InterfaceName, "{0E6B3C52-6C1D-4E47-9B8E-2B39A1D6F0C4}")
            .get("Name", 0x68030000, &NodeParameter::Name)
            .get("Contents", 0x68030001, &NodeParameter::Contents)
            .build();
    return info;
}

const ClassInfo &NodeParameters::staticClassInfo()
{
    static const ClassInfo info =
        ClassBuilder<NodeParameters>("NodeParameters", "", "{3F0A9D7E-51C4-4B8A-8E62-7C1D94B5A2E3}",
                                     InterfaceName, "{A4C2E6F1-0B7D-4D38-93F5-6E8A1C2B7D90}")
            .method("Item", 0x00000000, &NodeParameters::Item, {"Index"})
            .get("Count", 0x68030001, &NodeParameters::Count)
            .build();
    return info;
}

Automation::Ref<NodeParameter> NodeParameters::Item(const Automation::Variant &Index)
{
    if (Index.type() == Automation::Variant::Type::String) {
        if (NodeParameter *item = find(Index.toText()))
            return item;
        Automation::raise(Automation::InvalidProcedureCall);
    }
    const std::int32_t position = Index.toLong();
    if (position < 1 || position > Count())
        Automation::raise(Automation::InvalidProcedureCall);
    return m_items[std::size_t(position - 1)];
}

void NodeParameters::set(const std::u16string &name, const std::u16string &contents)
{
    if (NodeParameter *item = find(name))
        item->setContents(contents);
    else
        m_items.push_back(Automation::make<NodeParameter>(name, contents));
}

NodeParameter *NodeParameters::find(const std::u16string &name) const
{
    for (const Automation::Ref<NodeParameter> &item : m_items) {
        if (Automation::equalIgnoringCase(item->Name(), name))
            return item.get();
    }
    return nullptr;
}

} // namespace Host
