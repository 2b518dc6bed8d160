// SPDX-License-Identifier: Apache-2.0
// MessageBox: the one way the component shows a message to the user.
//
// Styles are the automation message-box styles: 0 OK only with no icon, 16 critical,
// 32 question, 48 warning, 64 information; the box has one OK button. A box without
// a title of its own carries the component's title, "OrvFields".
//
// The real box is the platform's (a window, modal, on the thread's active window),
// installed with setDefaultMessageBox when the component loads; this dispatcher is
// portable. Tests and command-line tools replace the box with a handler of their own
// (a recorder, a printer) through setMessageBoxHandler; nothing may block on a box
// there. With neither, the message goes to standard error.
#pragma once

#include <functional>
#include <string>

namespace Platform {

enum MessageBoxStyle
{
    vbOKOnly = 0,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};

inline constexpr char16_t ApplicationTitle[] = u"OrvFields";

// Shows the box and waits for the user; returns 1, the OK button.
int MsgBox(const std::u16string &prompt, int style = vbOKOnly, const std::u16string &title = {});

// Receives the prompt, the style and the title after the default title is applied.
using MessageBoxHandler =
    std::function<int(const std::u16string &prompt, int style, const std::u16string &title)>;

// Installs `handler` in place of the real box and returns the one it replaces; an
// empty handler restores the real box.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// Sets the real box, shown when no handler replaces it.
void setDefaultMessageBox(MessageBoxHandler box);

} // namespace Platform
