// SPDX-License-Identifier: Apache-2.0
#include "InfoDictionary.h"

#include "PdfText.h"

#include <set>

namespace Tagora {

QString InfoDictionary::textOf(QPDFObjectHandle value)
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

InfoDictionary InfoDictionary::fromObject(QPDFObjectHandle dictionary, const Order &order)
{
    InfoDictionary info;
    if (!dictionary.isDictionary())
        return info;
    // getKeys leaves out null values, which PDF treats as absent entries.
    const std::set<std::string> keys = dictionary.getKeys();
    Order ordered;
    std::set<std::string> taken;
    for (const auto &[key, bytes] : order) {
        if (keys.count(key) && taken.insert(key).second)
            ordered.push_back({key, bytes});
    }
    for (const std::string &key : keys) {
        if (taken.insert(key).second)
            ordered.push_back({key, {}});
    }
    for (const auto &[key, bytes] : ordered) {
        QPDFObjectHandle value = dictionary.getKey(key);
        if (value.isNull())
            continue;
        const std::string name = key.substr(1);
        info.append({QByteArray::fromStdString(name), PdfText::decodeName(name),
                     QByteArray::fromStdString(bytes.empty() ? value.unparse() : bytes),
                     textOf(value)});
    }
    return info;
}

QList<InfoEntry> InfoDictionary::entries() const
{
    QList<InfoEntry> entries;
    entries.reserve(size());
    for (const std::optional<InfoEntry> &slot : m_slots) {
        if (slot)
            entries.append(*slot);
    }
    return entries;
}

const InfoEntry *InfoDictionary::find(const QString &name) const
{
    const auto found = m_index.constFind(name);
    return found == m_index.cend() ? nullptr : &*m_slots[*found];
}

void InfoDictionary::append(const InfoEntry &entry)
{
    // Two names whose bytes differ but read as one text: the first stands.
    if (m_index.contains(entry.name))
        return;
    m_index.insert(entry.name, m_slots.size());
    m_slots.emplace_back(entry);
}

void InfoDictionary::setText(const QString &name, const QString &text)
{
    const InfoEntry *existing = find(name);
    if (existing && existing->text == text)
        return;
    // An entry that exists keeps the bytes of its name.
    set({existing ? existing->key : PdfText::nameBytes(name), name,
         PdfText::stringSyntax(PdfText::encodeText(text)), text});
}

void InfoDictionary::set(const InfoEntry &entry)
{
    const auto found = m_index.constFind(entry.name);
    if (found == m_index.cend())
        append(entry);
    else
        m_slots[*found] = entry;
}

std::optional<InfoEntry> InfoDictionary::remove(const QString &name)
{
    const auto found = m_index.constFind(name);
    if (found == m_index.cend())
        return std::nullopt;
    std::optional<InfoEntry> removed = std::exchange(m_slots[*found], std::nullopt);
    m_index.erase(found);
    // Rebuilt once the empty slots outnumber the entries, so walks stay linear.
    if (m_slots.size() > 64 && m_slots.size() > 2 * size_t(m_index.size())) {
        const QList<InfoEntry> kept = entries();
        m_slots.clear();
        m_index.clear();
        for (const InfoEntry &entry : kept)
            append(entry);
    }
    return removed;
}

void InfoDictionary::reorder(const QList<QString> &names)
{
    InfoDictionary ordered;
    for (const QString &name : names) {
        if (const InfoEntry *entry = find(name); entry && !ordered.find(name))
            ordered.append(*entry);
    }
    for (const InfoEntry &entry : entries()) {
        if (!ordered.find(entry.name))
            ordered.append(entry);
    }
    *this = std::move(ordered);
}

QList<QString> InfoDictionary::names() const
{
    QList<QString> names;
    for (const InfoEntry &entry : entries())
        names.append(entry.name);
    return names;
}

QByteArray InfoDictionary::syntax() const
{
    QByteArray out("<<");
    for (const std::optional<InfoEntry> &slot : m_slots) {
        if (slot)
            out.append(' ').append(PdfText::nameSyntax(slot->key)).append(' ').append(slot->value);
    }
    return out.append(" >>");
}

bool InfoDictionary::operator==(const InfoDictionary &other) const
{
    return entries() == other.entries();
}

} // namespace Tagora
