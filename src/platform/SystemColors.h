// SPDX-License-Identifier: Apache-2.0
// SystemColors: OLE colour values and the system colours they may name, over the
// application palette.
//
// An OLE colour is either a plain RGB value 0x00BBGGRR or, with the high bit set,
// 0x80000000 plus a system colour index. The indices the component uses map onto the
// application palette (QGuiApplication::palette()):
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
// Any other index reads as black, as the system answers for an index it does not know.
//
// A widget's background or text colour set to a system colour is set by reference: it
// follows later changes of the application palette. A background read with GetSysColor and set as
// RGB stays as it was read.
#pragma once

#include <QColor>
#include <QtGlobal>

class QWidget;

namespace Platform {

using OleColor = quint32;

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

// The RGB value of a system colour now.
QColor GetSysColor(int index);

// The colour an OLE colour stands for now.
QColor FromOleColor(OleColor color);
// The plain RGB OLE colour of a colour.
OleColor ToOleColor(const QColor &color);

// Sets the widget's background (its Base and Window roles in every colour group).
// A system colour is kept by reference and re-applied whenever the application
// palette changes; setting the colour the widget already has does nothing.
void SetBackColor(QWidget *widget, OleColor color);
// The OLE colour last set with SetBackColor; 0 (black) when none was.
OleColor BackColor(const QWidget *widget);

// Sets the widget's text colour (its WindowText role), by reference for a system
// colour as above; disabled, the widget draws its text in the system's grey text.
void SetForeColor(QWidget *widget, OleColor color);
// The OLE colour last set with SetForeColor; button text when none was.
OleColor ForeColor(const QWidget *widget);

} // namespace Platform
