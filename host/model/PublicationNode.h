// SPDX-License-Identifier: Apache-2.0
// PublicationNode: one node of the host's publication tree.
//
// The publication node (tag "Publication", key "Publication") has the books as its
// children (tag "Book"); a book may have further nodes at any depth (tag "Node").
// Clients reach a node late-bound, by name or through the common tree-view node
// interface that the class also implements: Text, Key, Tag, Parent, Child, Next.
// Parent, Child and Next are Nothing where the tree ends.
//
// The tree owns its nodes: each node holds its children, and knows its parent without
// holding it. A node a client still holds when the tree lets go of it keeps its text,
// key, tag and parameters, but has no parent, children or siblings any more.
#pragma once

#include "NodeParameters.h"
#include "automation/Object.h"
#include "automation/Variant.h"

#include <string>
#include <vector>

namespace Host {

class PublicationTree;

class PublicationNode : public Automation::Object
{
public:
    static constexpr char InterfaceName[] = "IPublicationNode";

    static const Automation::ClassInfo &staticClassInfo();
    const Automation::ClassInfo *classInfo() const override { return &staticClassInfo(); }

    std::u16string Text() const { return m_text; }
    std::u16string Key() const { return m_key; }
    Automation::Variant Tag() const { return m_tag; }
    Automation::Ref<PublicationNode> Parent() const { return m_parent; }
    Automation::Ref<PublicationNode> Child() const;
    Automation::Ref<PublicationNode> Next() const;

    const std::vector<Automation::Ref<PublicationNode>> &children() const { return m_children; }
    PublicationNode *parent() const { return m_parent; }
    const std::u16string &tag() const { return m_tag; }
    // The node's position among its siblings.
    int row() const { return m_row; }
    // The texts from the book down to this node, joined with "/"; empty for the
    // publication node.
    std::u16string path() const;
    NodeParameters &parameters() const { return *m_parameters; }

private:
    friend class PublicationTree;
    PublicationNode(PublicationNode *parent, std::u16string key, std::u16string text,
                    std::u16string tag);
    // Lets go of the children, and they of theirs, all cut from the tree.
    void detach();

    PublicationNode *m_parent;
    std::u16string m_key;
    std::u16string m_text;
    std::u16string m_tag;
    int m_row = 0;
    std::vector<Automation::Ref<PublicationNode>> m_children;
    Automation::Ref<NodeParameters> m_parameters;
};

} // namespace Host
