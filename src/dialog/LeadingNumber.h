// SPDX-License-Identifier: Apache-2.0
// LeadingNumber: the number a custom field's name carries after the word the dialog
// uses for generated names ("Field" in English: Field1, Field2 ...), so that the Add
// button numbers past the highest one already in the PDF.
#pragma once

#include <cstdint>
#include <string>

namespace Dialog {

// The number that `text` begins with, as the automation runtime reads one: spaces,
// tabs and line feeds are removed everywhere first; then the longest leading number
// is read: an optional sign, digits, an optional decimal point and digits, an
// optional exponent (E, then an optional sign and digits), or "&H" / "&O" (either
// case) and hexadecimal or octal digits. Reading stops at the first character that
// cannot continue the number; a text that does not begin with one reads 0. A number
// too large for a double reads as infinity, one too small as 0.
double LeadingNumber(std::u16string text);

// 0 when `fieldName` does not contain `word` (exact, case-sensitive); otherwise
// every occurrence of `word` is removed and the leading number of the rest is
// rounded to a 32-bit whole number, halves to even. A number outside the 32-bit
// range is error 6 (overflow).
std::int32_t GeneratedNumber(const std::u16string &fieldName, const std::u16string &word);

} // namespace Dialog
