// SPDX-License-Identifier: Apache-2.0
#include "PublicationTree.h"

#include "NodeParameters.h"
#include "PublicationNode.h"
#include "automation/AutomationError.h"
#include "automation/Variant.h"

namespace Host {

PublicationTree::PublicationTree(QObject *parent) : QObject(parent) {}

PublicationTree::~PublicationTree() = default;

QString PublicationTree::Title() const
{
    return m_publication ? m_publication->Text() : QString();
}

PublicationNode *PublicationTree::NodeItem(const QString &Key) const
{
    return m_byKey.value(Key);
}

NodeParameters *PublicationTree::GetNodeParameters(const QVariant &Key) const
{
    const PublicationNode *node = m_byKey.value(Automation::Variant::toText(Key));
    if (!node)
        Automation::raise(Automation::InvalidProcedureCall,
                          QStringLiteral("The publication has no node with the key '%1'")
                              .arg(Automation::Variant::toText(Key)));
    return node->parameters();
}

QVariant PublicationTree::SelectedNode() const
{
    return Automation::Variant::fromObject(m_selected.data());
}

void PublicationTree::clear()
{
    if (!m_publication && m_fileName.isEmpty())
        return;
    m_selected.clear();
    m_byKey.clear();
    delete m_publication; // its nodes with it
    m_publication = nullptr;
    m_fileName.clear();
    m_lastKey = 0;
    emit selectionChanged();
}

PublicationNode *PublicationTree::createPublication(const QString &title, const QString &fileName)
{
    clear();
    m_publication = new PublicationNode(nullptr, QString::fromLatin1(PublicationKey), title,
                                        QString::fromLatin1(PublicationTag), this);
    m_byKey.insert(m_publication->Key(), m_publication);
    m_fileName = fileName;
    return m_publication;
}

PublicationNode *PublicationTree::addNode(PublicationNode *parent, const QString &text,
                                          const QString &tag)
{
    Q_ASSERT(parent);
    // Keys are the host's own: stable while the publication is open, unrelated to
    // the texts, which need not be unique.
    auto *node =
        new PublicationNode(parent, QStringLiteral("K%1").arg(++m_lastKey), text, tag, parent);
    m_byKey.insert(node->Key(), node);
    return node;
}

PublicationNode *PublicationTree::addBook(const QString &text, const QString &pdfPath)
{
    Q_ASSERT(m_publication);
    PublicationNode *book = addNode(m_publication, text, QString::fromLatin1(BookTag));
    book->parameters()->set(QString::fromLatin1(BookPathParameter),
                            pdfPath.isEmpty() ? QString::fromLatin1(NotPublished) : pdfPath);
    return book;
}

void PublicationTree::setSelectedNode(PublicationNode *node)
{
    if (m_selected == node)
        return;
    m_selected = node;
    emit selectionChanged();
}

PublicationNode *PublicationTree::nodeAt(const QString &path) const
{
    PublicationNode *node = m_publication;
    for (const QString &text : path.split(u'/', Qt::SkipEmptyParts)) {
        if (!node)
            return nullptr;
        PublicationNode *match = nullptr;
        for (PublicationNode *child : node->children()) {
            if (child->Text() == text) {
                match = child;
                break;
            }
        }
        node = match;
    }
    return node;
}

} // namespace Host
