// SPDX-License-Identifier: Apache-2.0
// Report: what orvfields prints of one file, as text or as a JSON object of its
// schema (version SchemaVersion; the README documents it), and of a failure. All of it
// UTF-8.
//
// A report shows `set`, the fields the file holds or, after a dry run, would hold.
// `read` is the set as it was read: a standard entry that `set` leaves empty is shown
// as absent (JSON null) unless the file held it empty and it was left so. The four
// entries the set never edits (Creator, Producer, CreationDate, ModDate) come from
// the read, the dates also in ISO 8601.
//
// A history report lists a file's revisions, oldest first, and the values each changed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Fields {
class FieldSet;
}
namespace Tagora {
struct Revision;
}

namespace Cli {

// A text as orvfields prints it: UTF-8, a lone surrogate (which a PDF's UTF-16 may hold)
// as "?".
std::string utf8(std::u16string_view text);

namespace Report {

inline constexpr int SchemaVersion = 1;

// "Name: value" lines: the four standard fields, the custom fields, a blank line, the
// four kept entries.
std::string text(const Fields::FieldSet &set, const Fields::FieldSet &read);
// One line: {"schema":1,"file":…,"Title":…,"Author":…,"Subject":…,"Keywords":…,
// "custom":[{"name":…,"value":…}…],"Creator":…,"Producer":…,"CreationDate":…,"ModDate":…}
std::string json(std::u16string_view file, const Fields::FieldSet &set,
                 const Fields::FieldSet &read);
// For each revision "revision N: ends at byte END, ModDate D, Producer P" ("-": none),
// then '  Title: "old" -> "new"' for each value it changed ((none): absent) and
// "  also changed: …"; then the values older revisions still hold and the last one hides.
std::string history(const std::vector<Tagora::Revision> &revisions);
// One line: {"schema":1,"file":…,"revisions":[{"revision":1,"end":…,"modDate":…,
// "producer":…,"changes":[{"name":…,"old":…,"new":…}…],"otherChanges":[…]}…],
// "hiddenValues":[…]}
std::string historyJson(std::u16string_view file, const std::vector<Tagora::Revision> &revisions);
// One line: {"schema":1,"file":…,"error":{"number":…,"message":…}}
std::string jsonFailure(std::u16string_view file, int number, std::u16string_view message);

// A text on one line: control characters, line and paragraph separators and the
// backslash written as escapes (\n, \t, \0, \\, \uXXXX), so that a field never looks
// like two.
std::u16string oneLine(std::u16string_view text);

} // namespace Report

} // namespace Cli
