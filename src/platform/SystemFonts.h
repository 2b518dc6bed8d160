// SPDX-License-Identifier: Apache-2.0
// SystemFonts: the faces of the system's user-interface fonts, as the system hands
// them out: a face-name field of 32 bytes in the system's ANSI code page (the local
// 8-bit encoding), NUL-padded.
//
// The faces come from Qt's platform theme: the caption font is
// QFontDatabase::systemFont(TitleFont); the small caption, menu, status, message and
// icon title fonts are QApplication::font() of "QDockWidgetTitle", "QMenu",
// "QStatusBar", "QMessageBox" and "QAbstractItemView", the classes the theme fills
// from those system fonts. Without a GUI application there are no faces: both
// queries fail.
//
// Tests replace the answers through setSystemFontHandlers.
#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>

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
inline constexpr quint32 NonClientMetricsSize = 340;
struct NonClientMetrics
{
    quint32 cbSize = 0;
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

// A face as the system stores it: encoded, cut to at most 31 bytes at a character
// boundary, NUL-padded.
FaceName FaceNameOf(const QString &face);

// Handlers in place of the two queries, returning the ones they replace; an empty
// member restores the system's query.
struct SystemFontHandlers
{
    std::function<bool(NonClientMetrics &)> nonClientMetrics;
    std::function<bool(LogFont &)> iconTitleFont;
};
SystemFontHandlers setSystemFontHandlers(SystemFontHandlers handlers);

} // namespace Platform
