// SPDX-License-Identifier: Apache-2.0
// The screen's logical DPI, and the system's user-interface fonts from Qt's platform
// theme: the caption font is the title font; the small caption, menu, status, message
// and icon title fonts are those the theme gives dock titles, menus, status bars,
// message boxes and item views.
#include "Widgets.h"
#include "platform/SystemFonts.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QFontDatabase>
#include <QScreen>

namespace Platform {

namespace {

double screenDpi(bool horizontal)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96; // no display: the toolkit's own default
    return horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
}

bool haveFaces()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

FaceName faceOf(const QFont &font)
{
    return FaceNameOf(uText(font.family()));
}

} // namespace

double ScreenDpiX()
{
    return screenDpi(true);
}

double ScreenDpiY()
{
    return screenDpi(false);
}

bool SystemNonClientMetrics(NonClientMetrics &metrics)
{
    if (metrics.cbSize != NonClientMetricsSize || !haveFaces())
        return false;
    metrics.lfCaptionFont.lfFaceName = faceOf(QFontDatabase::systemFont(QFontDatabase::TitleFont));
    metrics.lfSmCaptionFont.lfFaceName = faceOf(QApplication::font("QDockWidgetTitle"));
    metrics.lfMenuFont.lfFaceName = faceOf(QApplication::font("QMenu"));
    metrics.lfStatusFont.lfFaceName = faceOf(QApplication::font("QStatusBar"));
    metrics.lfMessageFont.lfFaceName = faceOf(QApplication::font("QMessageBox"));
    return true;
}

bool SystemIconTitleLogFont(LogFont &font)
{
    if (!haveFaces())
        return false;
    font.lfFaceName = faceOf(QApplication::font("QAbstractItemView"));
    return true;
}

} // namespace Platform
