// SPDX-License-Identifier: Apache-2.0
// QtToolkit: the Qt implementation of the toolkit, as Linux-only code reaches it (the
// tests, the host's screenshots, the library's entry points). Portable code never
// includes this header.
//
// Every control is one widget, whose object name is the name the control was created
// with: a Form is a QDialog, a Label a QLabel, a TextBox a QLineEdit, a DropDownList a
// QComboBox, a Button a QPushButton, a ScrollBar a vertical QScrollBar, a Panel a
// QFrame, a ProgressBar a QProgressBar and a UserControl a plain QWidget.
#pragma once

#include <string>

class QWidget;

namespace Platform {

class Control;

// The widget of a control made by the create functions of Toolkit.h.
QWidget *widgetOf(const Control &control);

// The real message box, a QMessageBox with the style's icon and one OK button, modal
// over the active window; without a widget application the message goes to standard
// error. The component's library installs it when it loads:
// setDefaultMessageBox(WidgetMessageBox).
int WidgetMessageBox(const std::u16string &prompt, int style, const std::u16string &title);

} // namespace Platform
