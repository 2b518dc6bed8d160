// SPDX-License-Identifier: Apache-2.0
#include "PublicationNode.h"

#include "automation/ClassInfo.h"

namespace Host {

const Automation::ClassInfo &PublicationNode::staticClassInfo()
{
    // The tree-view node interface is the one plug-ins walk any host's tree by.
    static const Automation::ClassInfo info =
        Automation::ClassBuilder<PublicationNode>(
            "PublicationNode", "", "{7AB4BEE8-2BF8-4CDD-9761-C1F1920481A0}", InterfaceName,
            "{9C22EB09-77FF-497B-8E8F-23B3E8DC8EE7}")
            .implements("{C74190B8-8589-11D1-B16A-00C0F0283628}")
            .get("Text", 0x68030000, &PublicationNode::Text)
            .get("Key", 0x68030001, &PublicationNode::Key)
            .get("Tag", 0x68030002, &PublicationNode::Tag)
            .get("Parent", 0x68030003, &PublicationNode::Parent)
            .get("Child", 0x68030004, &PublicationNode::Child)
            .get("Next", 0x68030005, &PublicationNode::Next)
            .build();
    return info;
}

PublicationNode::PublicationNode(PublicationNode *parent, std::u16string key, std::u16string text,
                                 std::u16string tag)
    : m_parent(parent), m_key(std::move(key)), m_text(std::move(text)), m_tag(std::move(tag)),
      m_parameters(Automation::make<NodeParameters>())
{
    if (m_parent) {
        m_row = int(m_parent->m_children.size());
        m_parent->m_children.emplace_back(this);
    }
}

Automation::Ref<PublicationNode> PublicationNode::Child() const
{
    return m_children.empty() ? nullptr : m_children.front();
}

Automation::Ref<PublicationNode> PublicationNode::Next() const
{
    if (!m_parent || std::size_t(m_row + 1) >= m_parent->m_children.size())
        return nullptr;
    return m_parent->m_children[std::size_t(m_row + 1)];
}

std::u16string PublicationNode::path() const
{
    std::u16string text;
    for (const PublicationNode *node = this; node->m_parent; node = node->m_parent)
        text = node->m_text + (text.empty() ? u"" : u"/") + text;
    return text;
}

void PublicationNode::detach()
{
    for (const Automation::Ref<PublicationNode> &child : m_children) {
        child->detach();
        child->m_parent = nullptr;
    }
    m_children.clear();
}

} // namespace Host
