// SPDX-License-Identifier: Apache-2.0
#include "PublicationReader.h"

#include "PublicationNode.h"
#include "PublicationTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

namespace Host::PublicationReader {

namespace {

// The element's name attribute, which books and nodes must have.
QString nameOf(QXmlStreamReader &xml)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    if (!attributes.hasAttribute(QLatin1String("name")))
        xml.raiseError(QStringLiteral("<%1> has no name attribute").arg(xml.name()));
    return attributes.value(QLatin1String("name")).toString();
}

QString pdfPathOf(QXmlStreamReader &xml, const QDir &folder)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    if (!attributes.hasAttribute(QLatin1String("pdf")))
        return QString();
    const QString pdf = attributes.value(QLatin1String("pdf")).toString();
    if (pdf.trimmed().isEmpty()) {
        xml.raiseError(QStringLiteral("the pdf attribute of a book is empty; leave it out "
                                      "for a book that is not published"));
        return QString();
    }
    return QDir::toNativeSeparators(QDir::cleanPath(folder.absoluteFilePath(pdf)));
}

void readElements(QXmlStreamReader &xml, const QDir &folder, const QString &fileName,
                  PublicationTree &tree)
{
    PublicationNode *current = nullptr; // the element being read; null outside the root
    while (!xml.atEnd() && !xml.hasError()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView element = xml.name();
            if (!current) {
                if (element != QLatin1String("publication")) {
                    xml.raiseError(
                        QStringLiteral("the document is a <%1>, not a <publication>").arg(element));
                    break;
                }
                current = tree.createPublication(
                    xml.attributes().value(QLatin1String("title")).toString(), fileName);
            } else if (current == tree.publication()) {
                if (element != QLatin1String("book")) {
                    xml.raiseError(QStringLiteral("<%1> in <publication>, where only <book> "
                                                  "elements belong")
                                       .arg(element));
                    break;
                }
                const QString name = nameOf(xml);
                const QString pdf = pdfPathOf(xml, folder);
                if (!xml.hasError())
                    current = tree.addBook(name, pdf);
            } else {
                if (element != QLatin1String("node")) {
                    xml.raiseError(QStringLiteral("<%1> in a book, where only <node> elements "
                                                  "belong")
                                       .arg(element));
                    break;
                }
                const QString name = nameOf(xml);
                if (!xml.hasError())
                    current = tree.addNode(current, name, QString::fromLatin1(tree.NodeTag));
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            current = current->Parent();
            break;
        case QXmlStreamReader::Characters:
            if (!xml.isWhitespace())
                xml.raiseError(
                    QStringLiteral("unexpected text \"%1\"").arg(xml.text().trimmed().left(40)));
            break;
        default:
            break; // declaration, comments, processing instructions
        }
    }
}

} // namespace

QString readFile(const QString &path, PublicationTree &tree)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        tree.clear();
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    }
    return read(&file, QFileInfo(path).absolutePath(), QFileInfo(path).absoluteFilePath(), tree);
}

QString read(QIODevice *device, const QString &folder, const QString &fileName,
             PublicationTree &tree)
{
    tree.clear();
    QXmlStreamReader xml(device);
    readElements(xml, QDir(folder), fileName, tree);
    if (!xml.hasError() && !tree.publication())
        xml.raiseError(QStringLiteral("the document has no <publication>"));
    if (!xml.hasError())
        return QString();
    const qint64 line = xml.lineNumber();
    tree.clear();
    return QStringLiteral("%1, line %2: %3")
        .arg(QDir::toNativeSeparators(fileName))
        .arg(line)
        .arg(xml.errorString());
}

} // namespace Host::PublicationReader
