// SPDX-License-Identifier: Apache-2.0
// PdfText: conversions between Unicode texts and the bytes of PDF text strings and
// names, and the PDF syntax that writes them.
//
// A text string is read from PDFDocEncoding, from UTF-16BE after the byte order mark
// FE FF (UTF-16LE after FF FE, which many readers accept), or from UTF-8 after the mark
// EF BB BF; language escapes (ESC ... ESC) inside UTF-16 are dropped. A text is written
// in PDFDocEncoding when that encoding holds it exactly, else in UTF-16BE with its mark.
//
// A name is a sequence of bytes; this library reads them as UTF-8 (PDFDocEncoding when
// they are not valid UTF-8) and writes UTF-8, with #xx escapes for every byte the name
// syntax does not allow plainly.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <string>

namespace Tagora::PdfText {

// The text a string object's bytes stand for.
QString decodeText(const std::string &bytes);

// The bytes of a string object holding `text`.
QByteArray encodeText(const QString &text);

// A string object in PDF syntax: a literal string "( ... )" with escapes for the bytes
// that are not plain printable ASCII, or a hexadecimal string for UTF-16 bytes.
QByteArray stringSyntax(const QByteArray &bytes);

// The text of a name given without its "/" and with its escapes resolved.
QString decodeName(const std::string &bytes);

// The bytes of the name of a text (UTF-8).
QByteArray nameBytes(const QString &text);

// A name in PDF syntax: "/" and the bytes, escaped where needed.
QByteArray nameSyntax(const QByteArray &bytes);

// A date in PDF form, "D:YYYYMMDDHHmmSS+HH'mm'", at the offset from UTC of `moment`.
QString date(const QDateTime &moment);

// The ISO 8601 form of a date in PDF form, as XMP and JSON write dates:
// D:20261206052400+01'00' gives 2026-12-06T05:24:00+01:00, D:20261206052400Z gives
// 2026-12-06T05:24:00Z. The "D:" and every part after the year may be missing, as in PDF,
// the apostrophes too; the result has the same precision (a time without seconds gives
// hh:mm, an hour alone hh:00), and an offset without a time is dropped. Nothing when the
// text is not such a date or a part is out of range.
std::optional<QString> isoDate(const QString &pdfDate);

} // namespace Tagora::PdfText
