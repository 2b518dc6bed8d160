// SPDX-License-Identifier: Apache-2.0
// HeadlessToolkit: the toolkit without a window system, for the suites of both builds.
// Its controls hold what a window would show (text, selection, focus, state, place,
// colours, font) and raise the events of Toolkit.h in the order the real toolkits
// raise them; nothing is drawn. A test acts as the user does through the functions
// below. Portable code never includes this header.
//
// What the user does reaches only the active window (the form shown last and still
// shown), through its focus; while a form holds its input (Form::setInputHeld), clicks,
// keys and typing aimed at it are dropped. The close box is not: it asks the form.
//
// Form::showModal does not block. It shows the form (which raises onActivate), runs
// the next session queued with `session`, then returns; a form still shown then, or
// shown modally without a session, is a failure: it is reported to the failure handler
// and the form is hidden.
#pragma once

#include "platform/Toolkit.h"

#include <functional>
#include <string>

namespace Platform::Headless {

// The control named `name`: `inside` itself or one inside it; null when none is.
Control *find(const Control &inside, const std::string &name);
// The form that has the activation; null when no form is shown.
Form *activeForm();
// What the box has selected, and what a screen reader announces for a control.
std::u16string selectedText(const TextBox &box);
std::u16string accessibleName(const Control &control);

// A left click: a control that takes the focus (a box, a list, a button, a scroll bar,
// a focusable user control) gets it first, then hears of the click; a box then has its
// cursor after its last character. Nothing for a control that is hidden or disabled.
// (A box keeps no selection when it loses the focus; Tab into it selects the whole
// text.)
void click(Control &control);
// The user opens the list and picks entry `index`.
void choose(DropDownList &list, int index);
// A key pressed where the focus is: the control's onKeyDown, then its own handling
// (Tab and Shift+Tab move the focus along the keyboard order; a box moves its cursor
// with Home, End, Left and Right, and deletes with Back and Delete; a scroll bar moves
// with Up, Down, Page Up, Page Down, Home and End; a list with Up and Down; Space
// presses a button). Enter and Escape press nothing.
void press(int keyCode, int shift = 0);
// Typed where the focus is, one character at a time: its key (letters and digits,
// shifted for a capital; 0 for a character without a key) then, in a text box that is
// not read-only, the character over the selection.
void type(const std::u16string &text);
// The close box: onQueryUnload, then the form hides unless the handler cancels.
void closeBox(Form &form);

// What the user does in the next modal run, while the form is shown.
void session(std::function<void(Form &)> steps);
// Sessions queued and not run yet.
int sessionsLeft();
// A busy component yields to the message loop right after it gives its progress bar a
// value: where the user's clicks and keys reach it while it works. `step` runs at each
// value any progress bar is given, until replaced; an empty one ends it.
void setWorkStep(std::function<void()> step);
// Receives what went wrong in a session (a form left shown, no session, a session ended
// by an exception); by default it is written to standard error and the program aborts.
void setFailureHandler(std::function<void(const std::string &)> handler);

} // namespace Platform::Headless
