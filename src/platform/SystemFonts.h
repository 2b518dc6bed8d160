// SPDX-License-Identifier: Apache-2.0
// SystemFonts: the faces of the system's user-interface fonts, as the system hands
// them out: a face-name field of 32 bytes in the system's ANSI code page, NUL-padded.
//
// On Windows these are SystemParametersInfoA's answers. On Linux the faces come from
// the toolkit's platform theme (the caption font is the title font; the small caption,
// menu, status, message and icon title fonts those the theme gives dock titles, menus,
// status bars, message boxes and item views), encoded in the local 8-bit encoding;
// without a graphical application there are no faces and both queries fail.
//
// Tests replace the answers through setSystemFontHandlers (portable).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace Platform {

inline constexpr int LF_FACESIZE = 32;
using FaceName = std::array<char, LF_FACESIZE>;

// A logical font; only its face-name field is used.
struct LogFont
{
    FaceName lfFaceName{};
};

// The fonts of the non-client metrics. cbSize must be set to NonClientMetricsSize
// before the query, as the system demands.
inline constexpr std::uint32_t NonClientMetricsSize = 340;
struct NonClientMetrics
{
    std::uint32_t cbSize = 0;
    LogFont lfCaptionFont;
    LogFont lfSmCaptionFont;
    LogFont lfMenuFont;
    LogFont lfStatusFont;
    LogFont lfMessageFont;
};

// Fills the metrics; false when the system gives none or cbSize is wrong.
bool GetNonClientMetrics(NonClientMetrics &metrics);
// Fills the icon title font; false when the system gives none.
bool GetIconTitleLogFont(LogFont &font);

// Text in the system's ANSI code page, both ways. The platform's.
std::string ToAnsi(std::u16string_view text);
std::u16string FromAnsi(std::string_view bytes);

// A face as the system stores it: encoded, cut to at most 31 bytes at a character
// boundary, NUL-padded.
FaceName FaceNameOf(std::u16string_view face);

// Handlers in place of the two queries, returning the ones they replace; an empty
// member restores the system's query.
struct SystemFontHandlers
{
    std::function<bool(NonClientMetrics &)> nonClientMetrics;
    std::function<bool(LogFont &)> iconTitleFont;
};
SystemFontHandlers setSystemFontHandlers(SystemFontHandlers handlers);

// The platform's own queries, under the handlers. Each build implements them.
bool SystemNonClientMetrics(NonClientMetrics &metrics);
bool SystemIconTitleLogFont(LogFont &font);

} // namespace Platform
