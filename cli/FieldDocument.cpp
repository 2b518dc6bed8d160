// SPDX-License-Identifier: Apache-2.0
#include "FieldDocument.h"

#include "Options.h"
#include "Report.h"
#include "automation/Text.h"
#include "fields/FieldSet.h"
#include "tagora/StandardEntries.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>

namespace Cli {

namespace {

namespace Entries = Tagora::StandardEntries;
using Json = nlohmann::json;

[[noreturn]] void invalid(const std::string &why)
{
    throw UsageError{"the JSON document " + why};
}

// The parser's reason without its preamble ("[json.exception.parse_error.101] parse
// error at line 1, column 2: ") and without the bytes it read last, which need not be
// text.
std::string reasonOf(const Json::parse_error &error)
{
    std::string reason = error.what();
    const std::size_t colon = reason.find(": ", reason.find("parse error"));
    if (colon != std::string::npos)
        reason.erase(0, colon + 2);
    const std::size_t read = reason.find("; last read: '");
    if (read != std::string::npos) {
        const std::size_t expected = reason.find("'; expected ", read);
        reason.erase(read, expected == std::string::npos ? std::string::npos : expected + 1 - read);
    }
    return reason;
}

std::u16string textOf(const Json &value)
{
    return value.is_string() ? Automation::utf16(value.get_ref<const std::string &>())
                             : std::u16string();
}

} // namespace

FieldDocument FieldDocument::parse(std::string_view json)
{
    Json object;
    try {
        object = Json::parse(json);
    } catch (const Json::parse_error &error) {
        // The offset counted from 0, where the parser stopped.
        invalid("cannot be read at byte " + std::to_string(error.byte > 0 ? error.byte - 1 : 0) +
                ": " + reasonOf(error));
    }
    if (!object.is_object())
        invalid("is not an object");

    FieldDocument result;
    for (const auto &[utf8Key, value] : object.items()) {
        const std::u16string key = Automation::utf16(utf8Key);
        const auto standard = std::find(Entries::Edited.begin(), Entries::Edited.end(), key);
        if (key == u"schema") {
            if (!value.is_number() || value.get<double>() != Report::SchemaVersion)
                invalid("is of a schema this orvfields does not know (it reads schema " +
                        std::to_string(Report::SchemaVersion) + ")");
        } else if (standard != Entries::Edited.end()) {
            if (!value.is_string() && !value.is_null())
                invalid("gives " + utf8Key + " something other than a text or null");
            result.m_standard[size_t(standard - Entries::Edited.begin())] = textOf(value);
        } else if (key == u"custom") {
            if (!value.is_array())
                invalid("gives custom something other than a list");
            std::vector<std::pair<std::u16string, std::u16string>> fields;
            std::set<std::u16string> keys;
            for (const Json &field : value) {
                if (!field.is_object() || field.size() != 2 || !field.contains("name") ||
                    !field.contains("value") || !field["name"].is_string() ||
                    !field["value"].is_string())
                    invalid("has a custom field that is not {\"name\": text, \"value\": text}");
                // The dialog's rules, and the field set's keys.
                const std::u16string name = textOf(field["name"]);
                const std::u16string text = textOf(field["value"]);
                if (name.empty() || text.empty())
                    invalid("has a custom field with an empty name or value");
                if (!Fields::FieldSet::isValidName(name))
                    invalid("has a custom field named " + utf8(name) + ", a standard field");
                if (!keys.insert(Automation::foldCase(name)).second)
                    invalid("has two custom fields named " + utf8(name) + " (letter case ignored)");
                fields.emplace_back(name, text);
            }
            result.m_custom = std::move(fields);
        } else if (key == u"error") {
            const bool message = value.is_object() && value.contains("message");
            invalid("reports a failed read: " + utf8(message ? textOf(value["message"]) : u""));
        } else if (key != u"file" && std::find(Entries::Kept.begin(), Entries::Kept.end(), key) ==
                                         Entries::Kept.end()) {
            invalid("has an unknown key " + utf8Key);
        }
    }
    return result;
}

void FieldDocument::applyTo(Fields::FieldSet &set) const
{
    // In the order of Entries::Edited. Plain calls: GCC 12's undefined-behaviour sanitizer
    // miscompiles indexing an array of member-function pointers.
    if (m_standard[0])
        set.setTitle(*m_standard[0]);
    if (m_standard[1])
        set.setAuthor(*m_standard[1]);
    if (m_standard[2])
        set.setSubject(*m_standard[2]);
    if (m_standard[3])
        set.setKeywords(*m_standard[3]);
    if (!m_custom)
        return;
    set.clear();
    for (const auto &[name, value] : *m_custom)
        set.add(name, value);
}

} // namespace Cli
