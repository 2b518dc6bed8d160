// SPDX-License-Identifier: Apache-2.0
#include "InfoDictionary.h"

#include "PdfText.h"

#include <set>

namespace Tagora {

namespace {

QString textOf(QPDFObjectHandle value)
{
    if (value.isString())
        return PdfText::decodeText(value.getStringValue());
    if (value.isName())
        return PdfText::decodeName(value.getName().substr(1));
    if (value.isBool())
        return value.getBoolValue() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isStream())
        return QString::fromStdString(value.unparse());
    return QString::fromStdString(value.unparseResolved());
}

} // namespace

InfoDictionary InfoDictionary::fromObject(QPDFObjectHandle dictionary,
                                          const std::vector<std::string> &order)
{
    InfoDictionary info;
    if (!dictionary.isDictionary())
        return info;
    // getKeys leaves out null values, which PDF treats as absent entries.
    const std::set<std::string> keys = dictionary.getKeys();
    std::vector<std::string> ordered;
    std::set<std::string> taken;
    for (const std::string &key : order) {
        if (keys.count(key) && taken.insert(key).second)
            ordered.push_back(key);
    }
    for (const std::string &key : keys) {
        if (taken.insert(key).second)
            ordered.push_back(key);
    }
    for (const std::string &key : ordered) {
        QPDFObjectHandle value = dictionary.getKey(key);
        if (value.isNull())
            continue;
        const std::string bytes = key.substr(1);
        info.m_entries.append({QByteArray::fromStdString(bytes), PdfText::decodeName(bytes),
                               QByteArray::fromStdString(value.unparse()), textOf(value)});
    }
    return info;
}

int InfoDictionary::indexOf(const QString &name) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].name == name)
            return i;
    }
    return -1;
}

const InfoEntry *InfoDictionary::find(const QString &name) const
{
    const int i = indexOf(name);
    return i < 0 ? nullptr : &m_entries[i];
}

int InfoDictionary::setText(const QString &name, const QString &text)
{
    const int i = indexOf(name);
    // An entry that exists keeps the bytes of its name.
    InfoEntry entry{i < 0 ? PdfText::nameBytes(name) : m_entries[i].key, name,
                    PdfText::stringSyntax(PdfText::encodeText(text)), text};
    if (i < 0) {
        m_entries.append(entry);
        return int(m_entries.size()) - 1;
    }
    m_entries[i] = entry;
    return i;
}

void InfoDictionary::set(const InfoEntry &entry)
{
    const int i = indexOf(entry.name);
    if (i < 0)
        m_entries.append(entry);
    else
        m_entries[i] = entry;
}

bool InfoDictionary::remove(const QString &name)
{
    const int i = indexOf(name);
    if (i < 0)
        return false;
    m_entries.removeAt(i);
    return true;
}

void InfoDictionary::reorder(const QList<QString> &names)
{
    QList<InfoEntry> ordered;
    for (const QString &name : names) {
        const int i = indexOf(name);
        if (i >= 0) {
            ordered.append(m_entries.takeAt(i));
        }
    }
    m_entries = ordered + m_entries;
}

QList<QString> InfoDictionary::names() const
{
    QList<QString> names;
    for (const InfoEntry &entry : m_entries)
        names.append(entry.name);
    return names;
}

QByteArray InfoDictionary::syntax() const
{
    QByteArray out("<<");
    for (const InfoEntry &entry : m_entries)
        out.append(' ').append(PdfText::nameSyntax(entry.key)).append(' ').append(entry.value);
    return out.append(" >>");
}

bool InfoDictionary::operator==(const InfoDictionary &other) const
{
    if (m_entries.size() != other.m_entries.size())
        return false;
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].key != other.m_entries[i].key ||
            m_entries[i].value != other.m_entries[i].value)
            return false;
    }
    return true;
}

} // namespace Tagora
