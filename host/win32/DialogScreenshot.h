// SPDX-License-Identifier: Apache-2.0
// DialogScreenshot: saves a picture of the plug-in's dialog for --screenshot, as
// host/DialogScreenshot.h does on Linux.
//
// While it watches (from start() to stop()), a timer of the thread looks at the
// thread's windows; its messages arrive through whatever message loop runs, the
// dialog's own included. The plug-in's dialog (the window the component names
// "frmMain") is saved once it has loaded its book, that is once Apply is enabled and
// the Title box has the focus, or once the panel says the book cannot be read; it is
// then closed as with its close box, which ends Show without a message. Any other
// message box (the plug-in's or the host's) is noted and answered. A dialog that does
// not settle within the time limit is saved as it is, and the shot counts as failed.
#pragma once

#include <cstdint>
#include <string>

namespace Host {

class DialogScreenshot
{
public:
    explicit DialogScreenshot(std::wstring file, int timeLimitMs = 30000);
    ~DialogScreenshot();
    DialogScreenshot(const DialogScreenshot &) = delete;
    DialogScreenshot &operator=(const DialogScreenshot &) = delete;

    void start();
    void stop();

    // True once the settled dialog was saved to the file.
    bool saved() const { return m_saved; }
    // What the picture shows (the dialog's caption, its book, the book's Title or the
    // notice), once saved.
    const std::wstring &shown() const { return m_shown; }
    // What went wrong, for the user; empty after a good shot.
    const std::wstring &error() const { return m_error; }

private:
    friend struct DialogScreenshotTimer;
    void look();

    std::wstring m_file;
    int m_timeLimitMs;
    int m_waitedMs = 0;
    std::uintptr_t m_timer = 0;
    bool m_saved = false;
    bool m_done = false;
    std::wstring m_shown;
    std::wstring m_error;
};

} // namespace Host
