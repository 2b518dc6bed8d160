// SPDX-License-Identifier: Apache-2.0
// Report: what orvfields prints of one file, as text or as a JSON object of its
// schema (version SchemaVersion; the README documents it), and of a failure.
//
// A report shows `set`, the fields the file holds or, after a dry run, would hold.
// `read` is the set as it was read: a standard entry that `set` leaves empty is shown
// as absent (JSON null) unless the file held it empty and it was left so. The four
// entries the set never edits (Creator, Producer, CreationDate, ModDate) come from
// the read, the dates also in ISO 8601.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace Fields {
class FieldSet;
}

namespace Cli::Report {

inline constexpr int SchemaVersion = 1;

// "Name: value" lines: the four standard fields, the custom fields, a blank line, the
// four kept entries.
QByteArray text(const Fields::FieldSet &set, const Fields::FieldSet &read);
// One line: {"schema":1,"file":…,"Title":…,"Author":…,"Subject":…,"Keywords":…,
// "custom":[{"name":…,"value":…}…],"Creator":…,"Producer":…,"CreationDate":…,"ModDate":…}
QByteArray json(const QString &file, const Fields::FieldSet &set, const Fields::FieldSet &read);
// One line: {"schema":1,"file":…,"error":{"number":…,"message":…}}
QByteArray jsonFailure(const QString &file, int number, const QString &message);

// A text on one line: control characters, line and paragraph separators and the
// backslash written as escapes (\n, \t, \0, \\, \uXXXX), so that a field never looks
// like two.
QString oneLine(const QString &text);

} // namespace Cli::Report
