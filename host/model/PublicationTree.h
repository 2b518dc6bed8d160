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
// The tree owns its nodes; building a new publication drops the old nodes and the
// selection.
#pragma once

#include "NodeParameters.h"
#include "PublicationNode.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

namespace Host {

class PublicationTree : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ClassID", "{1B7E4C0A-93D5-4F26-A8B1-5E0C7D2F9A64}")
    Q_CLASSINFO("Interface", "IPublicationTree")
    Q_CLASSINFO("InterfaceID", "{CDB0D6D1-249C-48DF-9ECD-A5E02F012A95}")
    Q_CLASSINFO("DispId:Title", "0x68030001")
    Q_CLASSINFO("DispId:FileName", "0x68030002")
    Q_CLASSINFO("DispId:NodeItem", "0x60030010")
    Q_CLASSINFO("DispId:GetNodeParameters", "0x60030011")
    Q_CLASSINFO("DispId:SelectedNode", "0x60030017")
    Q_PROPERTY(QString Title READ Title)
    Q_PROPERTY(QString FileName READ FileName)
    Q_PROPERTY(QVariant SelectedNode READ SelectedNode)

public:
    static constexpr char PublicationKey[] = "Publication";
    static constexpr char PublicationTag[] = "Publication";
    static constexpr char BookTag[] = "Book";
    static constexpr char NodeTag[] = "Node";
    static constexpr char BookPathParameter[] = "BookPath";
    static constexpr char NotPublished[] = "None";

    explicit PublicationTree(QObject *parent = nullptr);
    ~PublicationTree() override;

    QString Title() const;
    QString FileName() const { return m_fileName; }
    Q_INVOKABLE Host::PublicationNode *NodeItem(const QString &Key) const;
    Q_INVOKABLE Host::NodeParameters *GetNodeParameters(const QVariant &Key) const;
    QVariant SelectedNode() const;

    // Building. createPublication replaces whatever the tree held.
    void clear();
    PublicationNode *createPublication(const QString &title, const QString &fileName = {});
    PublicationNode *addNode(PublicationNode *parent, const QString &text, const QString &tag);
    // A book with its "BookPath": the PDF's path, or "None" for an empty path.
    PublicationNode *addBook(const QString &text, const QString &pdfPath);

    PublicationNode *publication() const { return m_publication; }
    PublicationNode *selectedNode() const { return m_selected; }
    void setSelectedNode(PublicationNode *node);
    // The node at a path of texts joined with "/" from the books down ("User guide/
    // Chapter 1"); the publication node for an empty path; nullptr when none matches.
    PublicationNode *nodeAt(const QString &path) const;

signals:
    void selectionChanged();

private:
    PublicationNode *m_publication = nullptr;
    QHash<QString, PublicationNode *> m_byKey;
    QPointer<PublicationNode> m_selected;
    QString m_fileName;
    int m_lastKey = 0;
};

} // namespace Host
