// SPDX-License-Identifier: Apache-2.0
// mdli18n: fonts that can show the user's script.
//
// The ANSI code page of the thread's locale picks a character set and, for the
// Chinese, Japanese and Korean code pages, a face that carries those scripts; every
// other code page takes the face of one of the system's user-interface fonts. The
// field list uses SetProperFont for the row boxes it creates and SystemFont for the
// boxes of a row it adds.
//
// Each operation is trapped (".mdli18n.LocalCodePage", ".mdli18n.SetProperFont",
// ".mdli18n.SystemFont"): after the message LocalCodePage answers 0, SystemFont the
// empty text, and SetProperFont leaves the font as far as it got.
#pragma once

#include <cstdint>
#include <string>

namespace Platform {
class Font;
}

namespace mdli18n {

// The ANSI code page of the thread's locale, or 0. The thirteen English locales are
// 1252 without asking the system.
std::int32_t LocalCodePage();

// Sets the character set of `codePage` (0: LocalCodePage()) on `font`, then its face:
// the fixed face for 932, 936, 949 and 950 (with at least 9 points), else
// SystemFont(fontKind), whose size is left alone.
void SetProperFont(Platform::Font &font, std::int32_t codePage, std::int32_t fontKind);

// The face of a system font: 1 caption, 2 message, 3 and 6 menu, 4 icon title,
// 5 status, 7 small caption, any other kind the caption. Empty when the system gives
// none.
std::u16string SystemFont(std::int32_t fontKind);

} // namespace mdli18n
