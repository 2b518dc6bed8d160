// SPDX-License-Identifier: Apache-2.0
#include "InfoDictionary.h"

#include "PdfText.h"
#include "automation/Text.h"

#include <set>
#include <utility>

namespace Tagora {

std::u16string InfoDictionary::textOf(QPDFObjectHandle value)
{
    if (value.isString())
        return PdfText::decodeText(value.getStringValue());
    if (value.isName())
        return PdfText::decodeName(value.getName().substr(1));
    if (value.isBool())
        return value.getBoolValue() ? u"true" : u"false";
    if (value.isStream())
        return Automation::utf16(value.unparse());
    return Automation::utf16(value.unparseResolved());
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
        info.append({name, PdfText::decodeName(name), bytes.empty() ? value.unparse() : bytes,
                     textOf(value)});
    }
    return info;
}

std::vector<InfoEntry> InfoDictionary::entries() const
{
    std::vector<InfoEntry> entries;
    entries.reserve(m_index.size());
    for (const std::optional<InfoEntry> &slot : m_slots) {
        if (slot)
            entries.push_back(*slot);
    }
    return entries;
}

const InfoEntry *InfoDictionary::find(const std::u16string &name) const
{
    const auto found = m_index.find(name);
    return found == m_index.end() ? nullptr : &*m_slots[found->second];
}

void InfoDictionary::append(const InfoEntry &entry)
{
    // Two names whose bytes differ but read as one text: the first stands.
    if (m_index.emplace(entry.name, m_slots.size()).second)
        m_slots.emplace_back(entry);
}

void InfoDictionary::setText(const std::u16string &name, const std::u16string &text)
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
    const auto found = m_index.find(entry.name);
    if (found == m_index.end())
        append(entry);
    else
        m_slots[found->second] = entry;
}

std::optional<InfoEntry> InfoDictionary::remove(const std::u16string &name)
{
    const auto found = m_index.find(name);
    if (found == m_index.end())
        return std::nullopt;
    std::optional<InfoEntry> removed = std::exchange(m_slots[found->second], std::nullopt);
    m_index.erase(found);
    // Rebuilt once the empty slots outnumber the entries, so walks stay linear.
    if (m_slots.size() > 64 && m_slots.size() > 2 * m_index.size()) {
        const std::vector<InfoEntry> kept = entries();
        m_slots.clear();
        m_index.clear();
        for (const InfoEntry &entry : kept)
            append(entry);
    }
    return removed;
}

void InfoDictionary::reorder(const std::vector<std::u16string> &names)
{
    InfoDictionary ordered;
    for (const std::u16string &name : names) {
        if (const InfoEntry *entry = find(name); entry && !ordered.find(name))
            ordered.append(*entry);
    }
    for (const InfoEntry &entry : entries()) {
        if (!ordered.find(entry.name))
            ordered.append(entry);
    }
    *this = std::move(ordered);
}

std::vector<std::u16string> InfoDictionary::names() const
{
    std::vector<std::u16string> names;
    names.reserve(m_index.size());
    for (const std::optional<InfoEntry> &slot : m_slots) {
        if (slot)
            names.push_back(slot->name);
    }
    return names;
}

std::string
InfoDictionary::syntax(const std::function<std::string(const std::string &)> &value) const
{
    std::string out("<<");
    for (const std::optional<InfoEntry> &slot : m_slots) {
        if (slot)
            out += ' ' + PdfText::nameSyntax(slot->key) + ' ' +
                   (value ? value(slot->value) : slot->value);
    }
    return out + " >>";
}

bool InfoDictionary::operator==(const InfoDictionary &other) const
{
    return entries() == other.entries();
}

} // namespace Tagora
