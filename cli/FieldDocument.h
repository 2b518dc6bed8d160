// SPDX-License-Identifier: Apache-2.0
// FieldDocument: a JSON object of the schema that `orvfields read --json` prints, as
// `orvfields write --from-json` gives it to a file.
//
// Title, Author, Subject, Keywords: a text sets the field; null or "" empties it (the
// file's entry is removed); a key left out leaves the field as it is. "custom", when
// given, is the whole list of custom fields, in order: the file ends with exactly
// these, and its other custom fields are removed. "schema" (1 when left out) must be
// a version this program reads; "file" and the read-only Creator, Producer,
// CreationDate and ModDate are ignored. Any other key, an object reporting a failed
// read ("error"), or a field the dialog's rules refuse makes the document invalid, so
// that a mistake never reaches a file. A key given twice counts with its last value.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Fields {
class FieldSet;
}

namespace Cli {

class FieldDocument
{
public:
    // Reads a document (UTF-8); throws UsageError naming what is wrong.
    static FieldDocument parse(std::string_view json);
    void applyTo(Fields::FieldSet &set) const;

private:
    std::array<std::optional<std::u16string>, 4> m_standard;
    std::optional<std::vector<std::pair<std::u16string, std::u16string>>> m_custom;
};

} // namespace Cli
