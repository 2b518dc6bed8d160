// SPDX-License-Identifier: Apache-2.0
#include "PublicationNode.h"

#include "NodeParameters.h"

namespace Host {

PublicationNode::PublicationNode(PublicationNode *parent, QString key, QString text, QString tag,
                                 QObject *owner)
    : QObject(owner), m_parent(parent), m_key(std::move(key)), m_text(std::move(text)),
      m_tag(std::move(tag)), m_parameters(new NodeParameters(this))
{
    if (m_parent) {
        m_row = int(m_parent->m_children.size());
        m_parent->m_children.append(this);
    }
}

PublicationNode *PublicationNode::Next() const
{
    return m_parent ? m_parent->m_children.value(m_row + 1) : nullptr;
}

QString PublicationNode::path() const
{
    QStringList texts;
    for (const PublicationNode *node = this; node->m_parent; node = node->m_parent)
        texts.prepend(node->m_text);
    return texts.join(u'/');
}

} // namespace Host
