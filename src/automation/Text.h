// SPDX-License-Identifier: Apache-2.0
// Text: the component's texts are 16-bit Unicode (std::u16string), as automation
// strings are; these are the few operations on them that the standard library lacks.
//
// Conversions to and from UTF-8 never fail: a lone surrogate or a byte sequence that is
// not UTF-8 becomes U+FFFD. Case mapping is Unicode's one-to-one mapping of the Basic
// Multilingual Plane (CaseTables.inc, made by scripts/make-case-tables.py), the same on
// every platform and in every locale, so that names equal ignoring case on one machine
// are equal on every other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Automation {

// A lone surrogate, which has no UTF-8 form, becomes `lone`.
std::string utf8(std::u16string_view text, char32_t lone = 0xFFFD);
std::u16string utf16(std::string_view utf8);

// Each character by its lower-case form ("Title" -> "title").
std::u16string lowerCase(std::u16string_view text);
// Each character by its case-folded form, for comparisons that ignore letter case.
std::u16string foldCase(std::u16string_view text);
bool equalIgnoringCase(std::u16string_view a, std::u16string_view b);

// Without blanks, tabs and line ends at either end.
std::u16string_view trimmed(std::u16string_view text);

// A whole number in decimal ("-91").
std::u16string decimal(std::int64_t number);

} // namespace Automation
