// SPDX-License-Identifier: Apache-2.0
// SystemColors: OLE colour values and the system colours they may name.
//
// An OLE colour is either a plain RGB value 0x00BBGGRR or, with the high bit set,
// 0x80000000 plus a system colour index. GetSysColor is the platform's: the system's
// own colours on Windows; on Linux the application palette stands in for them:
//
//    5  window background        Base
//    8  window text              Text
//   13  selection                Highlight
//   14  selected text            HighlightedText
//   15  button face              Button
//   17  grey (disabled) text     Text of the Disabled group
//   18  button text              ButtonText
//   22  three-dimensional light  Midlight
//   27  active caption gradient  a light tint of Highlight (towards Base)
//   29  menu highlight           Highlight
//
// Any other index reads as black, as the system answers for an index it does not
// know. A control's colour set to a system colour is set by reference: it follows
// later changes of the system's colours (Control::setBackColor).
#pragma once

#include <cstdint>

namespace Platform {

using OleColor = std::uint32_t;
using Rgb = std::uint32_t; // 0x00BBGGRR

inline constexpr OleColor SystemColorFlag = 0x80000000u;

enum SystemColorIndex
{
    COLOR_WINDOW = 5,
    COLOR_WINDOWTEXT = 8,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_3DLIGHT = 22,
    COLOR_GRADIENTACTIVECAPTION = 27,
    COLOR_MENUHILIGHT = 29,
};

// The OLE colour that names a system colour.
constexpr OleColor SystemColor(int index)
{
    return SystemColorFlag | OleColor(index);
}

constexpr bool IsSystemColor(OleColor color)
{
    return (color & SystemColorFlag) != 0;
}

constexpr Rgb MakeRgb(int red, int green, int blue)
{
    return Rgb(red & 0xFF) | Rgb(green & 0xFF) << 8 | Rgb(blue & 0xFF) << 16;
}
constexpr int RedOf(Rgb rgb)
{
    return int(rgb & 0xFF);
}
constexpr int GreenOf(Rgb rgb)
{
    return int(rgb >> 8 & 0xFF);
}
constexpr int BlueOf(Rgb rgb)
{
    return int(rgb >> 16 & 0xFF);
}

// The RGB value of a system colour now. The platform's.
Rgb GetSysColor(int index);

// The colour an OLE colour stands for now.
inline Rgb FromOleColor(OleColor color)
{
    return IsSystemColor(color) ? GetSysColor(int(color & 0xFF)) : Rgb(color & 0x00FFFFFF);
}

} // namespace Platform
