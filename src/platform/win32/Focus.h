// SPDX-License-Identifier: Apache-2.0
// Focus: the toolkit's own keyboard and focus manager, as the controls call it: the
// keyboard order, where Tab moves the focus, and the keys, presses and focus changes
// every control's window handles first.
#pragma once

#include "platform/KeyCodes.h"

#include "WindowPart.h"

namespace Platform::Win32 {

// The shift state of the keyboard now (KeyCodes.h).
int shiftState();
// Shown and enabled, below its top-level window, and not inside `excluded`.
bool canTakeFocus(HWND window, HWND root, HWND excluded);
bool isTabStop(HWND window);
// A user control that takes the focus itself.
bool isFocusableUserControl(HWND window);
// The control that Tab (or Shift+Tab) moves the focus to from `from`, skipping what is
// inside `excluded`; null when there is none.
HWND nextFocus(HWND root, HWND from, bool backward, HWND excluded);
void moveFocus(HWND from, bool backward);
// Before `window` is hidden or disabled: a focus inside it goes on to the next control,
// else to the top-level window itself.
void leaveFocus(HWND window);
// Between two controls of one top-level window, not from or to another window.
bool movesBetweenControls(HWND window, HWND other);
// The control its top-level window gives the focus back to.
void remember(HWND window);

// Keys, left presses and focus changes of a control's window, before the window's own
// handling (`standard`, called here when the event must follow it). True when the
// message is handled, with its result.
template <typename Standard>
bool handleInput(WindowPart &part, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                 LRESULT &result, Standard standard)
{
    result = 0;
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        const int key = int(wParam & 0xFF);
        const int shift = shiftState();
        part.keyDown(key, shift);
        if (!IsWindow(window))
            return true; // the handler took the control away
        if (message == WM_KEYDOWN && key == VK_TAB && (shift & (vbCtrlMask | vbAltMask)) == 0) {
            moveFocus(window, (shift & vbShiftMask) != 0);
            return true;
        }
        return false;
    }
    case WM_CHAR:
        // Tab, Enter and Escape type nothing (a text box outside a dialog beeps).
        return wParam == L'\t' || wParam == L'\r' || wParam == L'\n' || wParam == 0x1B;
    case WM_LBUTTONDOWN:
        if (!part.clickTakesFocus())
            return false;
        // As in the other toolkit, the focus moves before the press is told.
        if (GetFocus() != window)
            SetFocus(window);
        if (IsWindow(window))
            part.click();
        return !IsWindow(window);
    case WM_SETFOCUS:
        remember(window);
        result = standard();
        if (movesBetweenControls(window, reinterpret_cast<HWND>(wParam)))
            part.gotFocus();
        return true;
    case WM_KILLFOCUS:
        if (movesBetweenControls(window, reinterpret_cast<HWND>(wParam)))
            part.lostFocus();
        return false;
    case WM_GETDLGCODE: {
        // Inside a host's dialog too, Enter and Escape reach the control.
        result = standard();
        const auto *key = reinterpret_cast<const MSG *>(lParam);
        if (key && key->message == WM_KEYDOWN &&
            (key->wParam == VK_RETURN || key->wParam == VK_ESCAPE))
            result |= DLGC_WANTMESSAGE;
        return true;
    }
    default:
        return false;
    }
}

} // namespace Platform::Win32
