// SPDX-License-Identifier: Apache-2.0
// Widgets: what the Qt implementation's files share and no one else sees: texts both
// ways, the colours of a widget, and the key codes of a key event.
#pragma once

#include "platform/SystemColors.h"

#include <QColor>
#include <QString>

#include <string>
#include <string_view>

class QKeyEvent;
class QWidget;

namespace Platform {

inline QString qText(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
}

inline std::u16string uText(const QString &text)
{
    return text.toStdU16String();
}

inline QColor qColor(Rgb rgb)
{
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

// The widget's background (its Base and Window roles in every colour group). A system
// colour is kept by reference and painted again whenever the application palette
// changes; setting the colour the widget already has does nothing.
void SetBackColor(QWidget *widget, OleColor color);
OleColor BackColor(const QWidget *widget); // 0 when none was set
// The widget's text colour, by reference for a system colour as above; disabled, the
// widget draws its text in the system's grey text.
void SetForeColor(QWidget *widget, OleColor color);
OleColor ForeColor(const QWidget *widget); // button text when none was set

int KeyCodeOf(const QKeyEvent &event);
int ShiftOf(const QKeyEvent &event);

} // namespace Platform
