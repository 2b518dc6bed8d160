// SPDX-License-Identifier: Apache-2.0
#include "Report.h"

#include "automation/Text.h"
#include "fields/FieldSet.h"
#include "tagora/PdfText.h"
#include "tagora/RevisionHistory.h"
#include "tagora/StandardEntries.h"

#include <optional>

namespace Cli {

std::string utf8(std::u16string_view text)
{
    return Automation::utf8(text, U'?');
}

namespace Report {

namespace {

namespace Entries = Tagora::StandardEntries;
using Fields::FieldSet;

std::u16string standardField(const FieldSet &set, int entry)
{
    switch (entry) {
    case 0:
        return set.title();
    case 1:
        return set.author();
    case 2:
        return set.subject();
    default:
        return set.keywords();
    }
}

// The text of standard entry `entry` (0 to 7) as the report shows it; nothing when the
// file does not (or, after a dry run, would not) hold the entry.
std::optional<std::u16string> entryText(const FieldSet &set, const FieldSet &read, int entry)
{
    if (entry >= 4)
        return read.holds(entry) ? std::optional(read.keptText(entry)) : std::nullopt;
    std::u16string text = standardField(set, entry);
    // An empty field is no entry, unless the file holds it empty and it was left so.
    if (text.empty() && !(read.holds(entry) && standardField(read, entry).empty()))
        return std::nullopt;
    return text;
}

std::u16string_view nameOf(int entry)
{
    return entry < 4 ? Entries::Edited[size_t(entry)] : Entries::Kept[size_t(entry - 4)];
}

bool isDate(int entry)
{
    return entry == 6 || entry == 7;
}

// JSON written by hand: its keys keep the order the schema gives them.
class JsonWriter
{
public:
    explicit JsonWriter(std::u16string_view file)
    {
        m_out.reserve(1024);
        raw("{").key(u"schema").raw(std::to_string(SchemaVersion)).key(u"file").string(file);
    }
    JsonWriter &raw(std::string_view text)
    {
        m_out += text;
        return *this;
    }
    JsonWriter &key(std::u16string_view name)
    {
        if (!m_out.ends_with('{') && !m_out.ends_with('['))
            m_out += ',';
        m_out += '"';
        m_out += utf8(name);
        m_out += "\":";
        return *this;
    }
    JsonWriter &string(std::u16string_view text)
    {
        static constexpr char Hex[] = "0123456789abcdef";
        m_out += '"';
        for (const char c : utf8(text)) {
            switch (c) {
            case '"':
                m_out += "\\\"";
                break;
            case '\\':
                m_out += "\\\\";
                break;
            case '\n':
                m_out += "\\n";
                break;
            case '\r':
                m_out += "\\r";
                break;
            case '\t':
                m_out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    m_out += "\\u00";
                    m_out += Hex[c >> 4];
                    m_out += Hex[c & 0xF];
                } else {
                    m_out += c;
                }
            }
        }
        m_out += '"';
        return *this;
    }
    JsonWriter &optional(const std::optional<std::u16string> &text)
    {
        return text ? string(*text) : raw("null");
    }
    JsonWriter &strings(const std::vector<std::u16string> &texts)
    {
        raw("[");
        for (std::size_t i = 0; i < texts.size(); ++i)
            raw(i > 0 ? "," : "").string(texts[i]);
        return raw("]");
    }
    std::string line() { return m_out + "}\n"; }

private:
    std::string m_out;
};

// A value of a history line: quoted, so that an empty text and one with blanks at its
// ends show as what they are.
std::u16string quoted(const std::optional<std::u16string> &text)
{
    if (!text)
        return u"(none)";
    std::u16string out = u"\"";
    for (const char16_t c : oneLine(*text))
        out += c == u'"' ? std::u16string(u"\\\"") : std::u16string(1, c);
    return out + u'"';
}

} // namespace

std::string history(const std::vector<Tagora::Revision> &revisions)
{
    std::u16string out;
    for (std::size_t i = 0; i < revisions.size(); ++i) {
        const Tagora::Revision &revision = revisions[i];
        out += u"revision " + Automation::utf16(std::to_string(i + 1)) + u": ends at byte " +
               Automation::utf16(std::to_string(revision.end));
        for (const std::u16string_view name : {u"ModDate", u"Producer"})
            out +=
                u", " + std::u16string(name) + u' ' + oneLine(revision.text(name).value_or(u"-"));
        out += u'\n';
        for (const Tagora::EntryChange &change :
             Tagora::RevisionHistory::changes(i > 0 ? &revisions[i - 1] : nullptr, revision))
            out += u"  " + oneLine(change.name) + u": " + quoted(change.before) + u" -> " +
                   quoted(change.after) + u'\n';
        if (!revision.otherChanges.empty()) {
            out += u"  also changed: ";
            for (std::size_t c = 0; c < revision.otherChanges.size(); ++c)
                out += (c > 0 ? u", " : u"") + oneLine(revision.otherChanges[c]);
            out += u'\n';
        }
    }
    const std::vector<std::u16string> hidden = Tagora::RevisionHistory::hiddenValues(revisions);
    if (!hidden.empty())
        out += u"older revisions still hold values the current one no longer shows "
               u"(orvfields compact removes them):\n";
    for (const std::u16string &value : hidden)
        out += u"  " + oneLine(value) + u'\n';
    return utf8(out);
}

std::string historyJson(std::u16string_view file, const std::vector<Tagora::Revision> &revisions)
{
    JsonWriter writer(file);
    writer.key(u"revisions").raw("[");
    for (std::size_t i = 0; i < revisions.size(); ++i) {
        const Tagora::Revision &revision = revisions[i];
        writer.raw(i > 0 ? ",{" : "{").key(u"revision").raw(std::to_string(i + 1));
        writer.key(u"end").raw(std::to_string(revision.end));
        writer.key(u"modDate").optional(revision.text(u"ModDate"));
        writer.key(u"producer").optional(revision.text(u"Producer"));
        writer.key(u"changes").raw("[");
        bool first = true;
        for (const Tagora::EntryChange &change :
             Tagora::RevisionHistory::changes(i > 0 ? &revisions[i - 1] : nullptr, revision)) {
            writer.raw(first ? "{" : ",{").key(u"name").string(change.name);
            writer.key(u"old").optional(change.before).key(u"new").optional(change.after).raw("}");
            first = false;
        }
        writer.raw("]").key(u"otherChanges").strings(revision.otherChanges).raw("}");
    }
    writer.raw("]").key(u"hiddenValues").strings(Tagora::RevisionHistory::hiddenValues(revisions));
    return writer.line();
}

std::string text(const FieldSet &set, const FieldSet &read)
{
    std::u16string out;
    for (int entry = 0; entry < 4; ++entry)
        out += std::u16string(nameOf(entry)) + u": " +
               oneLine(entryText(set, read, entry).value_or(u"")) + u'\n';
    for (int i = 1; i <= set.count(); ++i)
        out += oneLine(set.field(i)->Name()) + u": " + oneLine(set.field(i)->Content()) + u'\n';
    out += u'\n';
    for (int entry = 4; entry < 8; ++entry) {
        const std::u16string value = entryText(set, read, entry).value_or(u"");
        out += std::u16string(nameOf(entry)) + u": " + oneLine(value);
        if (const auto iso = isDate(entry) ? Tagora::PdfText::isoDate(value) : std::nullopt)
            out += u" (" + *iso + u')';
        out += u'\n';
    }
    return utf8(out);
}

std::string json(std::u16string_view file, const FieldSet &set, const FieldSet &read)
{
    JsonWriter writer(file);
    for (int entry = 0; entry < 4; ++entry)
        writer.key(nameOf(entry)).optional(entryText(set, read, entry));
    writer.key(u"custom").raw("[");
    for (int i = 1; i <= set.count(); ++i) {
        writer.raw(i > 1 ? ",{" : "{").key(u"name").string(set.field(i)->Name());
        writer.key(u"value").string(set.field(i)->Content()).raw("}");
    }
    writer.raw("]");
    for (int entry = 4; entry < 8; ++entry) {
        const std::optional<std::u16string> value = entryText(set, read, entry);
        writer.key(nameOf(entry));
        if (!value || !isDate(entry)) {
            writer.optional(value);
            continue;
        }
        writer.raw("{").key(u"pdf").string(*value);
        writer.key(u"iso").optional(Tagora::PdfText::isoDate(*value)).raw("}");
    }
    return writer.line();
}

std::string jsonFailure(std::u16string_view file, int number, std::u16string_view message)
{
    JsonWriter writer(file);
    writer.key(u"error").raw("{").key(u"number").raw(std::to_string(number));
    return writer.key(u"message").string(message).raw("}").line();
}

std::u16string oneLine(std::u16string_view text)
{
    static constexpr char16_t Hex[] = u"0123456789abcdef";
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        switch (c) {
        case u'\\':
            out += u"\\\\";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\r':
            out += u"\\r";
            break;
        case u'\t':
            out += u"\\t";
            break;
        case u'\0':
            out += u"\\0";
            break;
        default:
            if (c < 0x20 || c == 0x7F || c == 0x85 || c == 0x2028 || c == 0x2029)
                out += {u'\\',       u'u', Hex[c >> 12], Hex[(c >> 8) & 0xF], Hex[(c >> 4) & 0xF],
                        Hex[c & 0xF]};
            else
                out += c;
        }
    }
    return out;
}

} // namespace Report

} // namespace Cli
