// SPDX-License-Identifier: Apache-2.0
// WidgetMessageBox: the message box as a window: a QMessageBox with the style's
// icon and one OK button, modal over the active window. Without a widget
// application it writes the message to standard error instead.
#pragma once

#include <QString>

namespace Platform {

int WidgetMessageBox(const QString &prompt, int style, const QString &title);

} // namespace Platform
