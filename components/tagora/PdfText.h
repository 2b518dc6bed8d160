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

#include "LocalTime.h"

#include <qpdf/QPDFObjectHandle.hh>

#include <optional>
#include <string>
#include <string_view>

namespace Tagora::PdfText {

// The text a string object's bytes stand for.
std::u16string decodeText(const std::string &bytes);

// The bytes of a string object holding `text`.
std::string encodeText(const std::u16string &text);

// A string object in PDF syntax: a literal string "( ... )" with escapes for the bytes
// that are not plain printable ASCII, or a hexadecimal string for UTF-16 bytes.
std::string stringSyntax(const std::string &bytes);

// The text of a name given without its "/" and with its escapes resolved.
std::u16string decodeName(const std::string &bytes);

// The bytes of the name of a text (UTF-8).
std::string nameBytes(std::u16string_view text);

// A name in PDF syntax: "/" and the bytes, escaped where needed.
std::string nameSyntax(const std::string &bytes);

// `value` (a direct object; references in it stay) with every name in it, keys included,
// as qpdf must be given it to write it right. Some versions of qpdf write a "#" inside a
// name as it is, which readers then take for the start of an escape ("x#41y" would read
// "xAy"); given as "#23" it reads back as itself.
QPDFObjectHandle writable(QPDFObjectHandle value);
// A name ("/x#y") so given.
std::string writableName(const std::string &name);

// A date in PDF form, "D:YYYYMMDDHHmmSS+HH'mm'", at the offset from UTC of `moment`;
// PdfText::date(localTimeNow()) is now.
std::u16string date(const LocalTime &moment);

// The ISO 8601 form of a date in PDF form ("D:YYYYMMDDHHmmSSOHH'mm'"; the "D:", any tail
// of it and the apostrophes may be left out, the parts left out read as PDF reads them:
// month and day 01, the rest 0): "YYYY-MM-DDTHH:mm:SS", with Z or ±HH:mm when the date
// has an offset. D:20261206052400+01'00' gives 2026-12-06T05:24:00+01:00. Nothing when
// the text is not such a date (no such day, a part out of range, text after it).
std::optional<std::u16string> isoDate(std::u16string_view pdfDate);

} // namespace Tagora::PdfText
