// SPDX-License-Identifier: Apache-2.0
// dialogclient: the component used as a publishing application on Windows uses it. The
// client holds a publication (publication.xml and its books) in the host's tree model,
// hands it to OrvFields.MainForm, created by its programmatic identifier, calls Show,
// and a second thread works the dialog as a user does: window messages of clicks, keys
// and typed characters, the controls found by the names the component gives them, the
// message boxes read (text, title, icon) and answered.
//   dialogclient PUBLICATION.XML SCREENSHOT_FOLDER
// The host has a window of its own, active when it calls Show.
// 1. French, the host on "Release notes": the dialog shows the book (screenshot
//    dialog-win-fr.png) with the host's window disabled (how the form is modal is
//    tst_win32platform's); the book's Subject of 100 000 characters shows whole and
//    takes one more; with the PDF held open elsewhere, Apply gives the locked-file
//    message and the dialog stays; Cancel closes it. (What the dialog does alike on
//    every toolkit, captions, a Cancel that writes and says nothing, is the suite
//    tests/dialog's, also under wine.)
// 2. English, the host on "User guide": the user picks "Release notes" in the book list
//    (screenshot dialog-win-en.png), types an Author, adds a field, renames it, gives
//    it a value, and applies: the success message. dialog.sh reads the PDF back, its
//    long Subject as it was.
// After each, the host's window is enabled and active again.
// Prints each failed check, then "dialogclient: N checks, F failed"; exits with F.
#include "../Checks.h"
#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "automation/Text.h"
#include "host/model/Plugin.h"
#include "host/model/PublicationReader.h"
#include "host/model/PublicationTree.h"

#include "platform/win32/Win32Toolkit.h"

#include "host/win32/WindowCapture.h"

#include <ole2.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace Automation;

namespace {

using Checks::check;

std::string text8(const std::wstring &text)
{
    return utf8(std::u16string(text.begin(), text.end()));
}

// ---- the user's side: another thread, window messages only

DWORD uiThread = 0;
HWND host = nullptr;  // the host's own window
HWND probe = nullptr; // a window of the UI thread: the driver's barrier and camera
HANDLE probeDone = nullptr;
constexpr UINT ProbeSync = WM_APP;
constexpr UINT ProbeCapture = WM_APP + 1;

// The Subject dialog.sh gives the release notes: longer than an edit control takes
// from the keyboard by default, different everywhere.
std::wstring longSubject()
{
    std::wstring text;
    for (int i = 0; text.size() < 100000; ++i)
        text += std::to_wstring(i) + L' ';
    text.resize(100000);
    return text;
}

bool waitFor(const std::function<bool()> &condition, int milliseconds = 20000)
{
    for (int waited = 0; waited < milliseconds; waited += 20) {
        if (condition())
            return true;
        Sleep(20);
    }
    return condition();
}

// Everything posted to the UI thread before this has been taken from its queue.
void sync(UINT message = ProbeSync, LPARAM parameter = 0)
{
    ResetEvent(probeDone);
    PostMessageW(probe, message, 0, parameter);
    check(WaitForSingleObject(probeDone, 20000) == WAIT_OBJECT_0, "the UI thread answers");
}

BOOL CALLBACK collect(HWND window, LPARAM windows)
{
    reinterpret_cast<std::vector<HWND> *>(windows)->push_back(window);
    return TRUE;
}

// The UI thread's visible top-level windows, or the windows inside `parent`.
std::vector<HWND> windows(HWND parent = nullptr)
{
    std::vector<HWND> found;
    if (parent)
        EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&found));
    else
        EnumThreadWindows(uiThread, collect, reinterpret_cast<LPARAM>(&found));
    std::erase_if(found, [](HWND window) { return !IsWindowVisible(window); });
    return found;
}

HWND topWindow(const char *name)
{
    for (const HWND window : windows()) {
        if (Platform::nameOf(window) == name)
            return window;
    }
    return nullptr;
}

HWND messageBox()
{
    for (const HWND window : windows()) {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) == L"#32770")
            return window;
    }
    return nullptr;
}

HWND focused()
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(uiThread, &info);
    return info.hwndFocus;
}

void click(HWND window)
{
    RECT area{};
    GetClientRect(window, &area);
    const LPARAM at = MAKELPARAM(area.right / 2, area.bottom / 2);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
    sync();
}

void key(HWND window, UINT code)
{
    const auto scan = LPARAM(MapVirtualKeyW(code, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(window, WM_KEYDOWN, code, scan | 1);
    PostMessageW(window, WM_KEYUP, code, scan | LPARAM(0xC0000001));
    sync();
}

void type(HWND window, const std::wstring &text)
{
    for (const wchar_t unit : text)
        PostMessageW(window, WM_CHAR, unit, 1);
    sync();
}

struct Box
{
    std::wstring text, title;
    int icon = -1; // the style's icon: 0, 16, 32, 48 or 64
};

// The message box now up, read and answered with its OK button.
Box answerBox()
{
    Box seen;
    HWND box = nullptr;
    if (!waitFor([&] { return (box = messageBox()) != nullptr; })) {
        check(false, "a message box appears");
        return seen;
    }
    seen.text = Platform::WindowText(GetDlgItem(box, 0xFFFF));
    seen.title = Platform::WindowText(box);
    seen.icon = 0;
    const std::pair<LPCWSTR, int> icons[] = {
        {IDI_HAND, 16}, {IDI_QUESTION, 32}, {IDI_EXCLAMATION, 48}, {IDI_ASTERISK, 64}};
    for (const HWND child : windows(box)) {
        const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        for (const auto &[id, style] : icons) {
            if (icon && icon == LoadIconW(nullptr, id))
                seen.icon = style;
        }
    }
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    check(waitFor([&] { return !IsWindow(box); }), "OK closes the message box");
    return seen;
}

void checkBox(const Box &box, const std::wstring &text, const std::wstring &title, int icon)
{
    check(box.text == text && box.title == title && box.icon == icon,
          "message box \"" + text8(box.title) + "\" (icon " + std::to_string(box.icon) +
              "): " + text8(box.text));
}

// The dialog's boxes and rows, as the user reads them.
struct Dialog
{
    HWND form = nullptr;
    HWND find(const std::string &name) const { return Platform::findWindow(form, name); }
    std::wstring field(int i) const
    {
        return Platform::WindowText(find("txtField_" + std::to_string(i)));
    }
    // The book read and on screen: the panel of the reading gone.
    bool loaded(const std::wstring &title) const
    {
        return field(0) == title && !IsWindowVisible(find("boxNoFile"));
    }
    std::string rows() const
    {
        std::string text;
        for (int i = 0; HWND name = find("txtFieldName_" + std::to_string(i)); ++i) {
            if (!Platform::WindowText(name).empty())
                text += text8(Platform::WindowText(name)) + "=" +
                        text8(Platform::WindowText(find("txtFieldValue_" + std::to_string(i)))) +
                        ";";
        }
        return text;
    }
    HWND row(const std::wstring &name) const
    {
        for (int i = 0; HWND box = find("txtFieldName_" + std::to_string(i)); ++i) {
            if (Platform::WindowText(box) == name)
                return box;
        }
        return nullptr;
    }
};

Dialog shownDialog(const std::wstring &title)
{
    Dialog dialog;
    // The first window of a new wine prefix takes its time.
    check(waitFor([&] { return (dialog.form = topWindow("frmMain")) != nullptr; }, 60000),
          "the dialog appears");
    check(waitFor([&] { return dialog.form && dialog.loaded(title); }),
          "the dialog shows the book \"" + text8(title) + "\"");
    return dialog;
}

void screenshot(const std::wstring &path)
{
    sync(ProbeCapture, reinterpret_cast<LPARAM>(&path));
}

// ---- the UI thread: the probe window, the camera

LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == ProbeCapture)
        check(Host::captureWindow(topWindow("frmMain"),
                                  *reinterpret_cast<const std::wstring *>(lParam)),
              "the dialog's picture is written");
    if (message == ProbeSync || message == ProbeCapture) {
        SetEvent(probeDone);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// One showing of the dialog: the host's tree and its selected node, the language, Show on this
// thread while `user` works the dialog from another.
void session(const std::u16string &publication, const std::u16string &selected,
             Host::PluginLanguage language, const std::function<void()> &user)
{
    const Ref<Host::PublicationTree> tree = make<Host::PublicationTree>();
    check(Host::PublicationReader::readFile(publication, *tree).empty(), "publication read");
    tree->setSelectedNode(tree->nodeAt(selected));
    const Ref<Object> form = Host::createPlugin(tree, language);

    std::atomic<bool> returned = false;
    std::atomic<bool> strayed = false;
    const HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread driver([&] {
        user();
        // Show returns within moments of the user's last step. If it does not, the session
        // left a box or the dialog open, which fails it; they are closed so the suite goes on.
        for (int i = 0; i < 100 && !returned; ++i, Sleep(100)) {
            if (i < 20)
                continue;
            strayed = true;
            if (const HWND box = messageBox())
                PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
            else if (const HWND dialog = topWindow("frmMain"))
                PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
        SetEvent(finished);
    });
    SetActiveWindow(host);
    try {
        call(form, u"Show");
    } catch (const AutomationError &error) {
        check(false, "Show: error " + std::to_string(error.number()));
    }
    returned = true;
    // The user's last steps may still wait for this thread's messages.
    while (MsgWaitForMultipleObjects(1, &finished, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    CloseHandle(finished);
    driver.join();
    check(!strayed, "Show returned after the user's last step, no box or dialog left open");
    check(IsWindowEnabled(host) && GetActiveWindow() == host,
          "the host's window is enabled and active again");
    const Ref<Object> error = get(form, u"LastError").toObject();
    check(error && get(error, u"Number").toLong() == 0, "LastError.Number is 0 after Show");
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: dialogclient PUBLICATION.XML SCREENSHOT_FOLDER\n");
        return 2;
    }
    OleInitialize(nullptr);
    uiThread = GetCurrentThreadId();
    probeDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    WNDCLASSW probeClass{};
    probeClass.lpfnWndProc = probeProc;
    probeClass.lpszClassName = L"dialogclient.probe";
    RegisterClassW(&probeClass);
    probe = CreateWindowExW(0, probeClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            nullptr, nullptr);
    host = CreateWindowExW(0, L"STATIC", L"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 600,
                           400, nullptr, nullptr, nullptr, nullptr);

    const std::wstring publicationPath = argv[1], shots = argv[2];
    const std::u16string publication(publicationPath.begin(), publicationPath.end());
    const std::wstring folder = publicationPath.substr(0, publicationPath.find_last_of(L"\\/"));
    const std::wstring releaseNotes = folder + L"\\books\\release-notes.pdf";

    try {
        session(publication, u"Release notes/Version 2.4", Host::PluginLanguage::French, [&] {
            const Dialog dialog = shownDialog(L"Release notes");
            screenshot(shots + L"\\dialog-win-fr.png");
            check(!IsWindowEnabled(host), "modal: the host's window disabled");
            const HWND subject = dialog.find("txtField_2");
            check(dialog.field(2) == longSubject(), "the long Subject shows whole");
            click(subject);
            key(subject, VK_END);
            type(subject, L"!");
            check(dialog.field(2) == longSubject() + L"!", "the long Subject takes one more");
            click(dialog.find("txtField_0"));
            key(focused(), VK_TAB);
            type(focused(), L"Personne");
            const HANDLE other = CreateFileW(releaseNotes.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr);
            check(other != INVALID_HANDLE_VALUE, "another program opens the book");
            click(dialog.find("cmdApply"));
            checkBox(answerBox(),
                     L"Le fichier est ouvert par une autre application ou est en lecture seule, "
                     L"impossible d'appliquer.",
                     L"OrvFields", 16);
            sync();
            check(IsWindowVisible(dialog.form) && IsWindowEnabled(dialog.find("cmdApply")) &&
                      dialog.field(1) == L"Personne",
                  "the dialog stays open with the edit");
            CloseHandle(other);
            click(dialog.find("cmdCancel"));
            check(waitFor([&] { return !IsWindowVisible(dialog.form); }),
                  "Cancel closes the dialog");
        });

        session(publication, u"User guide/Chapter 1", Host::PluginLanguage::English, [&] {
            const Dialog dialog = shownDialog(L"User guide");
            const HWND books = dialog.find("cmbBooks");
            click(books);
            key(books, VK_DOWN);
            key(books, VK_RETURN);
            check(waitFor([&] { return dialog.loaded(L"Release notes"); }),
                  "picking \"Release notes\" loads it: " + text8(dialog.field(0)));
            check(waitFor([&] { return !SendMessageW(books, CB_GETDROPPEDSTATE, 0, 0); }),
                  "the book list closes");
            check(dialog.rows() == "Field10=tenth generated field;Field3=third generated "
                                   "field;Version=2.4;",
                  "the book's own fields: " + dialog.rows());
            check(focused() == dialog.find("txtField_0"), "the Title box has the focus");
            screenshot(shots + L"\\dialog-win-en.png");

            key(focused(), VK_TAB);
            check(focused() == dialog.find("txtField_1"), "Tab goes to Author");
            type(focused(), L"Ingrid \u00c5berg \u2713");
            click(dialog.find("cmdPersoAdd"));
            const HWND added = dialog.row(L"Field11");
            check(added && focused() == added, "Add makes Field11, its name box focused");
            type(focused(), L"Reviewer");
            key(focused(), VK_TAB);
            type(focused(), L"\u00c5se \u00d8deg\u00e5rd");
            key(focused(), VK_TAB);
            check(dialog.rows() == "Field10=tenth generated field;Field3=third generated "
                                   "field;Version=2.4;Reviewer=Åse Ødegård;",
                  "the renamed field and its value: " + dialog.rows());
            click(dialog.find("cmdApply"));
            checkBox(answerBox(), L"Process complete with success.", L"PDF fields", 64);
        });

    } catch (const AutomationError &error) {
        check(false, "error " + std::to_string(error.number()) + ": " + utf8(error.description()));
    }

    const int failures = Checks::summary("dialogclient");
    std::fflush(stdout);
    DestroyWindow(host);
    DestroyWindow(probe);
    OleUninitialize();
    return failures;
}
