// SPDX-License-Identifier: Apache-2.0
// Win32Toolkit: the Win32 implementation of the toolkit, as Windows-only code reaches
// it (the component's entry points, the tests). Portable code never includes this
// header. Include the portable headers you need before it (see Win32.h).
//
// Every control is one window. The standard controls are the system's classes: a Label
// is a STATIC drawn by its parent, a TextBox an EDIT, a DropDownList a COMBOBOX, a
// Button a BUTTON, a ScrollBar a vertical SCROLLBAR; a Form, a Panel, a UserControl
// and a ProgressBar are windows of the component's own classes. Each window carries the
// name its control was created with.
#pragma once

#include "platform/Toolkit.h"

#include "Win32.h"

#include <string>

namespace Platform {

// The window of a control made by the create functions of Toolkit.h; null once the
// window is gone (destroyed with its parent).
HWND windowOf(const Control &control);

// The name a window was created with ("txtField_0"), empty for a window that is not a
// control's. Any module of the process reads it: a client finds the component's
// windows with these two functions of its own copy of the toolkit.
std::string nameOf(HWND window);

// The window named `name` among `root` and the windows inside it; null if none is.
HWND findWindow(HWND root, const std::string &name);

// The accessible name last given to the control. It is also given to screen readers
// (IAccPropServices) when COM is running on the thread.
std::u16string accessibleNameOf(const Control &control);

// The real message box: MessageBoxW with the style's icon and one OK button, modal
// over the thread's active window. The component installs it when it loads.
int Win32MessageBox(const std::u16string &prompt, int style, const std::u16string &title);
void installWin32MessageBox();

} // namespace Platform
