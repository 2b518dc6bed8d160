// SPDX-License-Identifier: Apache-2.0
// Win32: what the files of the Win32 implementation share and no one else sees: texts
// both ways, the module the code is linked into, and the input a form holds back.
//
// Include it after the portable headers of the platform: <windows.h> defines macros
// (COLOR_WINDOW, ANSI_CHARSET, LF_FACESIZE, GetLocaleInfo ...) that spell names those
// headers declare themselves. Below it, a system colour or character set is the macro.
#pragma once

// The wide functions, also where a macro names one (IDC_ARROW, TOOLTIPS_CLASS ...).
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include "win32base/Win32Base.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace Platform {

using Win32Base::u16;
using Win32Base::wide;

// The text of a window (a caption, a text box's contents).
std::wstring WindowText(HWND window);

// The module (the component's library, or a program) this code is linked into: its
// resources hold the icons, its window classes are registered for it.
HMODULE ThisModule();

// While a form holds its input (Form::setInputHeld), mouse and keyboard messages aimed
// at the windows inside it are dropped by every message loop of the component (the
// form's modal loop and DoEvents).
void HoldInput(HWND form, bool held);
bool IsHeldInput(const MSG &message);
// One message taken from the queue, as the form's modal loop and DoEvents take them:
// WM_QUIT is posted again for the program's own loop and ends the caller's (false); held
// input is dropped; the rest is translated and dispatched.
bool DispatchTaken(const MSG &message);

} // namespace Platform
