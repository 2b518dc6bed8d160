// SPDX-License-Identifier: Apache-2.0
// PublicationTree: the host's open publication, as the host's tree object.
//
// This is the object a host hands to a plug-in (OrvFields.MainForm's PluginObject).
// Late-bound, through the interface IPublicationTree:
//   NodeItem(key)           the node with that key, or Nothing; the publication
//                           node's key is "Publication"
//   GetNodeParameters(key)  the parameter set of the node with that key (error 5 for
//                           a key the tree does not hold); a book's "BookPath" is the
//                           full path of its PDF, or "None" when it is not published
//   SelectedNode            (dispatch identifier 0x60030017) the node selected in the
//                           host's window, or Nothing
// Title and FileName describe the open publication. Without a publication the tree
// is empty: NodeItem("Publication") is Nothing.
//
// The tree owns its nodes; building a new publication lets go of the old nodes and
// the selection. The building functions hand out plain pointers to nodes the tree
// holds; clients get counted references.
#pragma once

#include "NodeParameters.h"
#include "PublicationNode.h"
#include "automation/Variant.h"

#include <functional>
#include <map>
#include <string>

namespace Host {

class PublicationTree : public Automation::Object
{
public:
    static constexpr char InterfaceName[] = "IPublicationTree";
    static constexpr char16_t PublicationKey[] = u"Publication";
    static constexpr char16_t PublicationTag[] = u"Publication";
    static constexpr char16_t BookTag[] = u"Book";
    static constexpr char16_t NodeTag[] = u"Node";
    static constexpr char16_t BookPathParameter[] = u"BookPath";
    static constexpr char16_t NotPublished[] = u"None";

    PublicationTree() = default;

    static const Automation::ClassInfo &staticClassInfo();
    const Automation::ClassInfo *classInfo() const override { return &staticClassInfo(); }

    std::u16string Title() const;
    std::u16string FileName() const { return m_fileName; }
    Automation::Ref<PublicationNode> NodeItem(const std::u16string &Key);
    Automation::Ref<NodeParameters> GetNodeParameters(const Automation::Variant &Key);
    Automation::Variant SelectedNode() const;

    // Building. createPublication replaces whatever the tree held.
    void clear();
    PublicationNode *createPublication(const std::u16string &title,
                                       const std::u16string &fileName = {});
    PublicationNode *addNode(PublicationNode *parent, const std::u16string &text,
                             const std::u16string &tag);
    // A book with its "BookPath": the PDF's path, or "None" for an empty path.
    PublicationNode *addBook(const std::u16string &text, const std::u16string &pdfPath);

    PublicationNode *publication() const { return m_publication.get(); }
    PublicationNode *selectedNode() const { return m_selected.get(); }
    void setSelectedNode(PublicationNode *node);
    // The node at a path of texts joined with "/" from the books down ("User guide/
    // Chapter 1"); the publication node for an empty path; nullptr when none matches.
    PublicationNode *nodeAt(const std::u16string &path) const;

    // Called after the selection changed, the tree's clearing included.
    std::function<void()> onSelectionChanged;

protected:
    ~PublicationTree() override;

private:
    Automation::Ref<PublicationNode> m_publication;
    std::map<std::u16string, PublicationNode *> m_byKey;
    Automation::Ref<PublicationNode> m_selected;
    std::u16string m_fileName;
    int m_lastKey = 0;
};

} // namespace Host
