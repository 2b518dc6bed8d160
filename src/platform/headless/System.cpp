// SPDX-License-Identifier: Apache-2.0
// The system's answers without a window system, fixed so that the suites read the same
// on every machine (the Linux build; on Windows the system itself answers): a screen of
// 96 DPI, the colours of the classic Windows scheme, and Tahoma for every user-interface
// font.
#include "platform/SystemColors.h"
#include "platform/SystemFonts.h"
#include "platform/Twips.h"

namespace Platform {

namespace {

constexpr char16_t Face[] = u"Tahoma";

} // namespace

double ScreenDpiX()
{
    return 96;
}

double ScreenDpiY()
{
    return 96;
}

Rgb GetSysColor(int index)
{
    switch (index) {
    case COLOR_WINDOW:
    case COLOR_HIGHLIGHTTEXT:
        return MakeRgb(255, 255, 255);
    case COLOR_HIGHLIGHT:
    case COLOR_MENUHILIGHT:
        return MakeRgb(10, 36, 106);
    case COLOR_BTNFACE:
    case COLOR_3DLIGHT:
        return MakeRgb(212, 208, 200);
    case COLOR_GRAYTEXT:
        return MakeRgb(128, 128, 128);
    case COLOR_GRADIENTACTIVECAPTION:
        return MakeRgb(166, 202, 240);
    default:
        return 0; // window text, button text, and what the system does not know
    }
}

bool SystemNonClientMetrics(NonClientMetrics &metrics)
{
    if (metrics.cbSize != NonClientMetricsSize)
        return false;
    for (LogFont *font : {&metrics.lfCaptionFont, &metrics.lfSmCaptionFont, &metrics.lfMenuFont,
                          &metrics.lfStatusFont, &metrics.lfMessageFont})
        font->lfFaceName = FaceNameOf(Face);
    return true;
}

bool SystemIconTitleLogFont(LogFont &font)
{
    font.lfFaceName = FaceNameOf(Face);
    return true;
}

} // namespace Platform
