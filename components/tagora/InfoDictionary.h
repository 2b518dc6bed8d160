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
//
// Finding, setting and removing an entry cost the same however many entries there are,
// so a save that touches every entry of a large dictionary stays linear.
#pragma once

#include <qpdf/QPDFObjectHandle.hh>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace Tagora {

struct InfoEntry
{
    std::string key;     // the name's bytes, without "/"
    std::u16string name; // the name's text
    std::string value;   // the value in PDF syntax
    std::u16string text; // the value's text

    bool operator==(const InfoEntry &other) const
    {
        return key == other.key && value == other.value;
    }
};

class InfoDictionary
{
public:
    // Keys as qpdf spells them ("/Name"), each with the bytes its value stands in in the
    // file ("/True", "<4142>", "[1 2]"), or no bytes to let qpdf write the value.
    using Order = std::vector<std::pair<std::string, std::string>>;

    // The entries of `dictionary`, taking their order and the syntax of their values
    // from `order`; keys that `order` lacks follow in qpdf's order, written by qpdf.
    static InfoDictionary fromObject(QPDFObjectHandle dictionary, const Order &order);

    // The text of a value, as the comment above says.
    static std::u16string textOf(QPDFObjectHandle value);

    // The entries in order.
    std::vector<InfoEntry> entries() const;
    std::int32_t size() const { return std::int32_t(m_index.size()); }
    const InfoEntry *find(const std::u16string &name) const;

    // Gives the entry named `name` the text `text` (a string); a new entry goes last.
    // An entry that reads as `text` already is left exactly as it is, whatever its type.
    void setText(const std::u16string &name, const std::u16string &text);
    // Puts `entry` in place of the entry of the same name, or last.
    void set(const InfoEntry &entry);
    // The entry that was removed, or nothing when there was no such entry.
    std::optional<InfoEntry> remove(const std::u16string &name);
    // Puts the entries named in `names` first, in that order; the others follow.
    void reorder(const std::vector<std::u16string> &names);
    std::vector<std::u16string> names() const;

    // The dictionary in PDF syntax, "<< /Name value ... >>"; `value`, when given, turns
    // each value's syntax into what is written (its strings encrypted, say).
    std::string syntax(const std::function<std::string(const std::string &)> &value = {}) const;

    bool operator==(const InfoDictionary &other) const;

private:
    void append(const InfoEntry &entry);

    // Slots in order; a removed entry leaves an empty slot until the list is rebuilt.
    std::vector<std::optional<InfoEntry>> m_slots;
    std::unordered_map<std::u16string, size_t> m_index; // by name, into m_slots
};

} // namespace Tagora
