// SPDX-License-Identifier: Apache-2.0
// PublicationNode: one node of the host's publication tree.
//
// The publication node (tag "Publication", key "Publication") has the books as its
// children (tag "Book"); a book may have further nodes at any depth (tag "Node").
// Clients reach a node late-bound, by name or through the common tree-view node
// interface that the class also declares: Text, Key, Tag, Parent, Child, Next.
// Parent, Child and Next are Nothing where the tree ends. The tree owns its nodes.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

namespace Host {

class NodeParameters;
class PublicationTree;

class PublicationNode : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ClassID", "{7AB4BEE8-2BF8-4CDD-9761-C1F1920481A0}")
    Q_CLASSINFO("Interface", "IPublicationNode")
    Q_CLASSINFO("InterfaceID", "{9C22EB09-77FF-497B-8E8F-23B3E8DC8EE7}")
    Q_CLASSINFO("Implements", "{C74190B8-8589-11D1-B16A-00C0F0283628}")
    Q_CLASSINFO("DispId:Text", "0x68030000")
    Q_CLASSINFO("DispId:Key", "0x68030001")
    Q_CLASSINFO("DispId:Tag", "0x68030002")
    Q_CLASSINFO("DispId:Parent", "0x68030003")
    Q_CLASSINFO("DispId:Child", "0x68030004")
    Q_CLASSINFO("DispId:Next", "0x68030005")
    Q_PROPERTY(QString Text READ Text)
    Q_PROPERTY(QString Key READ Key)
    Q_PROPERTY(QVariant Tag READ Tag)
    Q_PROPERTY(Host::PublicationNode *Parent READ Parent)
    Q_PROPERTY(Host::PublicationNode *Child READ Child)
    Q_PROPERTY(Host::PublicationNode *Next READ Next)

public:
    QString Text() const { return m_text; }
    QString Key() const { return m_key; }
    QVariant Tag() const { return m_tag; }
    PublicationNode *Parent() const { return m_parent; }
    PublicationNode *Child() const { return m_children.value(0); }
    PublicationNode *Next() const;

    const QList<PublicationNode *> &children() const { return m_children; }
    // The node's position among its siblings.
    int row() const { return m_row; }
    // The texts from the book down to this node, joined with "/"; empty for the
    // publication node.
    QString path() const;
    NodeParameters *parameters() const { return m_parameters; }

private:
    friend class PublicationTree;
    PublicationNode(PublicationNode *parent, QString key, QString text, QString tag,
                    QObject *owner);

    PublicationNode *m_parent;
    QString m_key;
    QString m_text;
    QString m_tag;
    int m_row = 0;
    QList<PublicationNode *> m_children;
    NodeParameters *m_parameters;
};

} // namespace Host
