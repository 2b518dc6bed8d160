// SPDX-License-Identifier: Apache-2.0
#include "SystemFonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStringEncoder>

#include <algorithm>
#include <utility>

namespace Platform {

namespace {

bool haveFaces()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

bool systemMetrics(NonClientMetrics &metrics)
{
    if (metrics.cbSize != NonClientMetricsSize || !haveFaces())
        return false;
    metrics.lfCaptionFont.lfFaceName =
        FaceNameOf(QFontDatabase::systemFont(QFontDatabase::TitleFont).family());
    metrics.lfSmCaptionFont.lfFaceName =
        FaceNameOf(QApplication::font("QDockWidgetTitle").family());
    metrics.lfMenuFont.lfFaceName = FaceNameOf(QApplication::font("QMenu").family());
    metrics.lfStatusFont.lfFaceName = FaceNameOf(QApplication::font("QStatusBar").family());
    metrics.lfMessageFont.lfFaceName = FaceNameOf(QApplication::font("QMessageBox").family());
    return true;
}

bool systemIconTitle(LogFont &font)
{
    if (!haveFaces())
        return false;
    font.lfFaceName = FaceNameOf(QApplication::font("QAbstractItemView").family());
    return true;
}

SystemFontHandlers &handlers()
{
    static SystemFontHandlers current{systemMetrics, systemIconTitle};
    return current;
}

} // namespace

FaceName FaceNameOf(const QString &face)
{
    FaceName field{};
    QStringEncoder encode(QStringEncoder::System);
    std::size_t used = 0;
    // Whole characters only, leaving room for the terminating NUL.
    for (qsizetype i = 0; i < face.size();) {
        const qsizetype length = face.at(i).isHighSurrogate() && i + 1 < face.size() ? 2 : 1;
        const QByteArray bytes = encode(QStringView(face).mid(i, length));
        if (used + std::size_t(bytes.size()) > field.size() - 1)
            break;
        std::copy(bytes.begin(), bytes.end(), field.begin() + used);
        used += std::size_t(bytes.size());
        i += length;
    }
    return field;
}

bool GetNonClientMetrics(NonClientMetrics &metrics)
{
    return handlers().nonClientMetrics(metrics);
}

bool GetIconTitleLogFont(LogFont &font)
{
    return handlers().iconTitleFont(font);
}

SystemFontHandlers setSystemFontHandlers(SystemFontHandlers replacement)
{
    if (!replacement.nonClientMetrics)
        replacement.nonClientMetrics = systemMetrics;
    if (!replacement.iconTitleFont)
        replacement.iconTitleFont = systemIconTitle;
    return std::exchange(handlers(), std::move(replacement));
}

} // namespace Platform
