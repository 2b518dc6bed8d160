// SPDX-License-Identifier: Apache-2.0
#include "PublicationTree.h"

#include "automation/AutomationError.h"
#include "automation/ClassInfo.h"
#include "automation/Text.h"

#include <algorithm>

namespace Host {

const Automation::ClassInfo &PublicationTree::staticClassInfo()
{
    static const Automation::ClassInfo info =
        Automation::ClassBuilder<PublicationTree>(
            "PublicationTree", "", "{1B7E4C0A-93D5-4F26-A8B1-5E0C7D2F9A64}", InterfaceName,
            "{CDB0D6D1-249C-48DF-9ECD-A5E02F012A95}")
            .get("Title", 0x68030001, &PublicationTree::Title)
            .get("FileName", 0x68030002, &PublicationTree::FileName)
            .method("NodeItem", 0x60030010, &PublicationTree::NodeItem, {"Key"})
            .method("GetNodeParameters", 0x60030011, &PublicationTree::GetNodeParameters, {"Key"})
            .get("SelectedNode", 0x60030017, &PublicationTree::SelectedNode)
            .build();
    return info;
}

PublicationTree::~PublicationTree()
{
    if (m_publication)
        m_publication->detach();
}

std::u16string PublicationTree::Title() const
{
    return m_publication ? m_publication->Text() : std::u16string();
}

Automation::Ref<PublicationNode> PublicationTree::NodeItem(const std::u16string &Key)
{
    const auto it = m_byKey.find(Key);
    return it == m_byKey.end() ? nullptr : it->second;
}

Automation::Ref<NodeParameters> PublicationTree::GetNodeParameters(const Automation::Variant &Key)
{
    const std::u16string key = Key.toText();
    const auto it = m_byKey.find(key);
    if (it == m_byKey.end())
        Automation::raise(Automation::InvalidProcedureCall,
                          u"The publication has no node with the key '" + key + u"'");
    return &it->second->parameters();
}

Automation::Variant PublicationTree::SelectedNode() const
{
    return Automation::Variant(m_selected);
}

void PublicationTree::clear()
{
    if (!m_publication && m_fileName.empty())
        return;
    m_selected.reset();
    m_byKey.clear();
    if (m_publication)
        m_publication->detach();
    m_publication.reset();
    m_fileName.clear();
    m_lastKey = 0;
    if (onSelectionChanged)
        onSelectionChanged();
}

PublicationNode *PublicationTree::createPublication(const std::u16string &title,
                                                    const std::u16string &fileName)
{
    clear();
    m_publication = new PublicationNode(nullptr, PublicationKey, title, PublicationTag);
    m_byKey.emplace(m_publication->Key(), m_publication.get());
    m_fileName = fileName;
    return m_publication.get();
}

PublicationNode *PublicationTree::addNode(PublicationNode *parent, const std::u16string &text,
                                          const std::u16string &tag)
{
    // Keys are the host's own: stable while the publication is open, unrelated to
    // the texts, which need not be unique. The parent holds the new node.
    auto *node = new PublicationNode(parent, u"K" + Automation::decimal(++m_lastKey), text, tag);
    m_byKey.emplace(node->Key(), node);
    return node;
}

PublicationNode *PublicationTree::addBook(const std::u16string &text, const std::u16string &pdfPath)
{
    PublicationNode *book = addNode(m_publication.get(), text, BookTag);
    book->parameters().set(BookPathParameter, pdfPath.empty() ? NotPublished : pdfPath);
    return book;
}

void PublicationTree::setSelectedNode(PublicationNode *node)
{
    if (m_selected.get() == node)
        return;
    m_selected = node;
    if (onSelectionChanged)
        onSelectionChanged();
}

PublicationNode *PublicationTree::nodeAt(const std::u16string &path) const
{
    PublicationNode *node = m_publication.get();
    std::u16string_view rest(path);
    while (node && !rest.empty()) {
        const std::size_t slash = std::min(rest.find(u'/'), rest.size());
        const std::u16string_view text = rest.substr(0, slash);
        rest.remove_prefix(std::min(slash + 1, rest.size()));
        if (text.empty())
            continue;
        PublicationNode *match = nullptr;
        for (const Automation::Ref<PublicationNode> &child : node->children()) {
            if (child->Text() == text) {
                match = child.get();
                break;
            }
        }
        node = match;
    }
    return node;
}

} // namespace Host
