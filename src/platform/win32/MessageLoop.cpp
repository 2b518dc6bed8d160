// SPDX-License-Identifier: Apache-2.0
// The yield, the input a form holds back, and the message box on Win32.
#include "platform/DoEvents.h"
#include "platform/MessageBox.h"

#include "Win32Toolkit.h"

#include <algorithm>
#include <vector>

namespace Platform {

namespace {

std::vector<HWND> &heldForms()
{
    static std::vector<HWND> forms;
    return forms;
}

bool isInput(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

// A message queue can be fed as fast as it is emptied (a message that posts itself
// again): one yield handles at most this many.
constexpr int MessagesPerYield = 10000;

} // namespace

std::wstring WindowText(HWND window)
{
    std::wstring text(std::size_t(std::max(GetWindowTextLengthW(window), 0)) + 1, L'\0');
    text.resize(std::size_t(std::max(GetWindowTextW(window, text.data(), int(text.size())), 0)));
    return text;
}

void HoldInput(HWND form, bool held)
{
    std::vector<HWND> &forms = heldForms();
    forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
    if (held)
        forms.push_back(form);
}

// The form itself still takes its input (its frame, the close box), as a window whose
// controls are busy does.
bool IsHeldInput(const MSG &message)
{
    if (!isInput(message.message) || !message.hwnd)
        return false;
    const std::vector<HWND> &forms = heldForms();
    return std::any_of(forms.begin(), forms.end(),
                       [&](HWND form) { return IsChild(form, message.hwnd) != FALSE; });
}

void DoEvents()
{
    MSG message;
    for (int handled = 0;
         handled < MessagesPerYield && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
         ++handled) {
        if (!DispatchTaken(message))
            return;
    }
}

bool DispatchTaken(const MSG &message)
{
    if (message.message == WM_QUIT) {
        // The program's own loop ends on it: leave it there.
        PostQuitMessage(int(message.wParam));
        return false;
    }
    if (!IsHeldInput(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

int Win32MessageBox(const std::u16string &prompt, int style, const std::u16string &title)
{
    // The style's icon bits are MessageBoxW's own: 16 MB_ICONHAND ... 64 MB_ICONASTERISK.
    const HWND owner = GetActiveWindow();
    UINT flags = MB_OK | (UINT(style) & 0x70u);
    if (!owner)
        flags |= MB_TASKMODAL;
    MessageBoxW(owner, wide(prompt).c_str(), wide(title).c_str(), flags);
    return 1;
}

void installWin32MessageBox()
{
    setDefaultMessageBox(Win32MessageBox);
}

} // namespace Platform
