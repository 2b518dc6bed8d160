// SPDX-License-Identifier: Apache-2.0
#include "NodeParameters.h"

#include "NodeParameter.h"
#include "automation/AutomationError.h"
#include "automation/Variant.h"

namespace Host {

NodeParameter *NodeParameters::Item(const QVariant &Index) const
{
    if (Index.metaType().id() == QMetaType::QString) {
        if (NodeParameter *item = find(Index.toString()))
            return item;
        Automation::raise(Automation::InvalidProcedureCall);
    }
    const qint32 position = Automation::Variant::toLong(Index);
    if (position < 1 || position > m_items.size())
        Automation::raise(Automation::InvalidProcedureCall);
    return m_items.at(position - 1);
}

void NodeParameters::set(const QString &name, const QString &contents)
{
    if (NodeParameter *item = find(name))
        item->setContents(contents);
    else
        m_items.append(new NodeParameter(name, contents, this));
}

NodeParameter *NodeParameters::find(const QString &name) const
{
    for (NodeParameter *item : m_items)
        if (item->Name().compare(name, Qt::CaseInsensitive) == 0)
            return item;
    return nullptr;
}

} // namespace Host
