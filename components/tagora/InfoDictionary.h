// SPDX-License-Identifier: Apache-2.0
// InfoDictionary: the entries of a document-information dictionary, in order.
//
// Each entry keeps the name's bytes as they stand in the file, its text, the value in
// PDF syntax (exactly what goes into a written dictionary, references included) and the
// value's text. Entries are found by the text of their name, compared exactly, so a
// name read from the file is found again whatever its bytes were.
//
// The text of a value that is not a string: a number as written ("12", "3.5"), a name
// without "/" and with its escapes resolved, a boolean as "true" or "false", an array
// or a dictionary in its PDF syntax ("[1 2 (x)]"). A reference reads as the text of the
// object it points to. A null value, or a reference to no object, stands for no entry
// at all in PDF, and such entries are not listed.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <qpdf/QPDFObjectHandle.hh>

#include <string>
#include <vector>

namespace Tagora {

struct InfoEntry
{
    QByteArray key;   // the name's bytes, without "/"
    QString name;     // the name's text
    QByteArray value; // the value in PDF syntax
    QString text;     // the value's text
};

class InfoDictionary
{
public:
    // The entries of `dictionary`, taking their order from `order` (keys as qpdf spells
    // them, "/Name"); keys that `order` lacks follow in qpdf's order.
    static InfoDictionary fromObject(QPDFObjectHandle dictionary,
                                     const std::vector<std::string> &order);

    const QList<InfoEntry> &entries() const { return m_entries; }
    int size() const { return int(m_entries.size()); }
    // Position of the entry named `name` exactly, or -1.
    int indexOf(const QString &name) const;
    const InfoEntry *find(const QString &name) const;

    // Gives the entry named `name` the text `text` (a string); a new entry goes last.
    // Returns the entry's position.
    int setText(const QString &name, const QString &text);
    // Puts `entry` in place of the entry of the same name, or last.
    void set(const InfoEntry &entry);
    // False when there is no such entry.
    bool remove(const QString &name);
    // Puts the entries named in `names` first, in that order; the others follow.
    void reorder(const QList<QString> &names);
    QList<QString> names() const;

    // The dictionary in PDF syntax, "<< /Name value ... >>".
    QByteArray syntax() const;

    bool operator==(const InfoDictionary &other) const;

private:
    QList<InfoEntry> m_entries;
};

} // namespace Tagora
