// SPDX-License-Identifier: Apache-2.0
#include "DialogScreenshot.h"

// The portable headers before <windows.h>, whose macros spell some of their names.
#include "platform/Toolkit.h"
#include "platform/win32/Win32Toolkit.h"

#include "WindowCapture.h"

#include <vector>

namespace Host {

namespace {

constexpr UINT PollMs = 50;

// One watcher at a time: a thread timer's procedure gets no pointer of its own.
DialogScreenshot *watching = nullptr;

std::wstring textOf(HWND window)
{
    std::wstring text(std::size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

BOOL CALLBACK collect(HWND window, LPARAM found)
{
    if (IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND> *>(found)->push_back(window);
    return TRUE;
}

bool isMessageBox(HWND window)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return std::wstring(name) == L"#32770";
}

bool visible(HWND window)
{
    return window && IsWindowVisible(window);
}

} // namespace

DialogScreenshot::DialogScreenshot(std::wstring file, int timeLimitMs)
    : m_file(std::move(file)), m_timeLimitMs(timeLimitMs)
{}

DialogScreenshot::~DialogScreenshot()
{
    stop();
}

struct DialogScreenshotTimer
{
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (watching)
            watching->look();
    }
};

void DialogScreenshot::start()
{
    watching = this;
    m_timer = SetTimer(nullptr, 0, PollMs, DialogScreenshotTimer::tick);
}

void DialogScreenshot::stop()
{
    if (m_timer)
        KillTimer(nullptr, m_timer);
    m_timer = 0;
    if (watching == this)
        watching = nullptr;
}

void DialogScreenshot::look()
{
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), collect, reinterpret_cast<LPARAM>(&windows));
    HWND form = nullptr;
    for (const HWND window : windows) {
        if (isMessageBox(window)) {
            m_error += textOf(window) + L": " + textOf(GetDlgItem(window, 0xFFFF)) + L"\n";
            PostMessageW(window, WM_COMMAND, IDOK, 0);
        } else if (Platform::nameOf(window) == "frmMain") {
            form = window;
        }
    }
    if (!form || m_done)
        return;
    m_waitedMs += int(PollMs);
    const HWND apply = Platform::findWindow(form, "cmdApply");
    const HWND title = Platform::findWindow(form, "txtField_0");
    const HWND notice = Platform::findWindow(form, "lblInfoError");
    const bool read = visible(apply) && IsWindowEnabled(apply) && GetFocus() == title;
    const bool unreadable = visible(Platform::findWindow(form, "boxNoFile")) && visible(notice);
    if (!read && !unreadable && m_waitedMs < m_timeLimitMs)
        return;
    m_done = true;
    if (!read && !unreadable)
        m_error += L"the dialog did not finish loading its book in " +
                   std::to_wstring(m_timeLimitMs / 1000) + L" s\n";
    if (!captureWindow(form, m_file)) {
        m_error += L"cannot write " + m_file + L"\n";
    } else {
        m_saved = read || unreadable;
        m_shown = L"the dialog \"" + textOf(form) + L"\" on the book \"" +
                  textOf(Platform::findWindow(form, "cmbBooks")) + L"\": " +
                  (read ? L"Title \"" + textOf(title) + L"\"" : textOf(notice));
    }
    PostMessageW(form, WM_CLOSE, 0, 0);
}

} // namespace Host
