// SPDX-License-Identifier: Apache-2.0
// The Win32 platform on a real window system (wine under Xvfb, or Windows): a form with
// the component's kinds of controls, driven by the messages the system sends for
// keys, clicks, focus moves, text and selection changes, scrolling and the close box;
// a message box answered by another thread; the file questions on real files that the
// dialog's suite does not ask (a folder, a listing, a file another handle holds); the
// module folder and the system's locale, fonts and code page.
#include "../Checks.h"
#include "platform/DoEvents.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/MessageBox.h"
#include "platform/ModuleFolder.h"
#include "platform/SystemFonts.h"
#include "platform/Toolkit.h"

#include "platform/win32/Win32Toolkit.h"

#include <commctrl.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace Platform;

namespace {

// ---- files and the system's answers

std::wstring writeFile(const std::wstring &path)
{
    std::ofstream(std::filesystem::path(path)) << "%PDF";
    return path;
}

void files()
{
    const std::wstring folder = (std::filesystem::temp_directory_path() /
                                 ("orv-win32-" + std::to_string(GetCurrentProcessId())))
                                    .wstring();
    std::filesystem::create_directories(folder + L"\\sub.pdf");
    const std::wstring free = writeFile(folder + L"\\b.pdf");
    const std::wstring upper = writeFile(folder + L"\\A.pdf");
    const std::wstring hidden = writeFile(folder + L"\\h.pdf");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);

    const std::vector<std::u16string> listed{u"A.pdf", u"b.pdf"};
    CHECK(ListFiles(u16(folder)) == listed);
    CHECK(ListFiles(u16(folder + L"\\")) == listed);
    CHECK(ListFiles(u16(folder + L"\\missing")).empty());
    CHECK(!FileExists(u16(folder + L"\\sub.pdf")));

    // The lock test opens the file without touching it.
    const auto written = std::filesystem::last_write_time(free);
    Sleep(20);
    CHECK(!FileLocked(u16(free)));
    CHECK(std::filesystem::last_write_time(free) == written);
    // Another handle that shares no writing holds it.
    const HANDLE reader = CreateFileW(free.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(reader != INVALID_HANDLE_VALUE);
    CHECK(FileLocked(u16(free)));
    CloseHandle(reader);
    CHECK(!FileLocked(u16(free)));
    CHECK(FileLocked(u16(folder + L"\\sub.pdf")) && FileLocked(u16(folder + L"\\no.pdf")));
    CHECK(FileLocked(u""));

    std::filesystem::remove_all(folder);
}

void systemAnswers()
{
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::wstring path = program;
    CHECK(ModuleFolder() == u16(path.substr(0, path.find_last_of(L'\\'))));
    CHECK(DataFolder() == ModuleFolder());

    CHECK(SystemLocaleInfo(1033, 4100) == "1252");
    CHECK(SystemLocaleInfo(1049, 4100) == "1251");
    CHECK(SystemLocaleInfo(1041, 4100) == "932");
    CHECK(SystemThreadLocale() != 0);

    NonClientMetrics metrics;
    metrics.cbSize = NonClientMetricsSize;
    CHECK(SystemNonClientMetrics(metrics) && metrics.lfMessageFont.lfFaceName[0] != '\0' &&
          metrics.lfMenuFont.lfFaceName[0] != '\0');
    metrics.cbSize = NonClientMetricsSize + 4;
    CHECK(!SystemNonClientMetrics(metrics));
    LogFont icon;
    CHECK(SystemIconTitleLogFont(icon) && icon.lfFaceName[0] != '\0');

    // The suite runs under LC_ALL=C.UTF-8, which wine takes for code page 1252: another
    // code page means the conversions below were not tested, which must not pass.
    CHECK(GetACP() == 1252);
    CHECK(ToAnsi(u"Caf\u00e9 \u20ac") == "Caf\xe9 \x80");
    CHECK(FromAnsi("Caf\xe9 \x80") == u"Caf\u00e9 \u20ac");
}

// ---- the toolkit

// What the controls told, in order, as "name.event" words.
std::string events;
void told(const std::string &what)
{
    events += (events.empty() ? "" : " ") + what;
}
std::string take()
{
    return std::exchange(events, std::string());
}

void setShift(bool down)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

void key(HWND window, WPARAM code, bool shift = false)
{
    setShift(shift);
    SendMessageW(window, WM_KEYDOWN, code, 1);
    SendMessageW(window, WM_KEYUP, code, LPARAM(0xC0000001));
    setShift(false);
}

void tab(bool shift = false)
{
    key(GetFocus(), VK_TAB, shift);
}

void click(HWND window)
{
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

COLORREF brushColour(LRESULT brush)
{
    LOGBRUSH logical{};
    GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof logical, &logical);
    return logical.lbColor;
}

LOGFONTW fontOf(HWND window)
{
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

BOOL CALLBACK findTooltip(HWND window, LPARAM found)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (std::wstring(name) == TOOLTIPS_CLASSW)
        *reinterpret_cast<HWND *>(found) = window;
    return TRUE;
}

// The message box, found and answered from another thread, as a user would.
struct BoxWatcher
{
    std::atomic<bool> seen{false};
    std::wstring text;
    HWND owner = nullptr;
    std::thread thread;

    explicit BoxWatcher(const wchar_t *title)
    {
        thread = std::thread([this, title] {
            for (int i = 0; i < 500 && !seen; ++i) {
                Sleep(20);
                const HWND box = FindWindowW(L"#32770", title);
                if (!box || !IsWindowVisible(box))
                    continue;
                text = WindowText(GetDlgItem(box, 0xFFFF));
                owner = GetWindow(box, GW_OWNER);
                seen = true;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
        });
    }
    ~BoxWatcher() { thread.join(); }
};

void toolkit()
{
    // The host's windows: the active one, another, and one it has disabled itself.
    const auto topLevel = [](const wchar_t *title) {
        return CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 500,
                               400, nullptr, nullptr, nullptr, nullptr);
    };
    const HWND host = topLevel(L"host"), another = topLevel(L"another"),
               closed = topLevel(L"closed");
    EnableWindow(closed, FALSE);
    SetActiveWindow(host);
    DoEvents();

    auto form = createForm("frmTest");
    form->setCaption(u"Win32 test");
    form->setIcon("frmMain");
    form->setFont(u"No Such Face;Tahoma;DejaVu Sans Condensed", 8.25);
    form->setClientSize(420, 300);
    auto list = createDropDownList(*form, "cmbBooks");
    auto first = createTextBox(*form, "txtField_0");
    auto second = createTextBox(*form, "txtField_1");
    auto panel = createPanel(*form, "boxNoFile");
    auto progress = createProgressBar(*panel, "prgWork");
    auto fields = createUserControl(form.get(), "UserFields");
    auto inner = createTextBox(*fields, "txtFieldName_0");
    auto bar = createScrollBar(*fields, "VScroll1");
    auto apply = createButton(*form, "cmdApply");
    list->setGeometry({10, 10, 200, 25});
    first->setGeometry({10, 40, 200, 21});
    second->setGeometry({10, 70, 200, 21});
    panel->setGeometry({220, 10, 190, 60});
    progress->setGeometry({10, 10, 170, 16});
    fields->setFocusable(true);
    fields->setGeometry({10, 100, 300, 100});
    inner->setGeometry({0, 0, 40, 21});
    bar->setGeometry({280, 0, 17, 100});
    apply->setGeometry({320, 260, 90, 25});
    form->setTabOrder(*first, *apply);

    const HWND window = windowOf(*form);
    const HWND hFirst = windowOf(*first);
    const HWND hSecond = windowOf(*second);
    const HWND hFields = windowOf(*fields);
    const HWND hInner = windowOf(*inner);
    const HWND hBar = windowOf(*bar);
    for (auto [box, name] :
         {std::pair{first.get(), "first"}, {second.get(), "second"}, {inner.get(), "inner"}}) {
        const std::string who = name;
        box->onChange = [who] {
            told(who + ".change");
        };
        box->onClick = [who] {
            told(who + ".click");
        };
        box->onGotFocus = [who] {
            told(who + ".got");
        };
        box->onLostFocus = [who] {
            told(who + ".lost");
        };
        box->onKeyDown = [who](int code, int shift) {
            told(who + ".key" + std::to_string(code) + "/" + std::to_string(shift));
        };
    }
    list->onClick = [] {
        told("list.click");
    };
    apply->onClick = [] {
        told("apply.click");
    };
    bar->onChange = [] {
        told("bar.change");
    };
    bar->onKeyDown = [](int code, int) {
        told("bar.key" + std::to_string(code));
    };
    fields->onGotFocus = [] {
        told("fields.got");
    };
    fields->onKeyDown = [](int code, int) {
        told("fields.key" + std::to_string(code));
    };
    fields->onResize = [] {
        told("fields.resize");
    };
    int activations = 0;
    bool cancelClose = true;
    form->onQueryUnload = [&](bool &cancel) {
        told("unload");
        cancel = cancelClose;
    };

    form->onActivate = [&] {
        ++activations;
        CHECK(take().empty()); // the focus given at the activation raised nothing
        CHECK(GetFocus() == windowOf(*list));
        CHECK(GetWindow(window, GW_OWNER) == nullptr && !IsWindowEnabled(host) &&
              !IsWindowEnabled(another) && !IsWindowEnabled(closed));
        CHECK(findWindow(window, "txtFieldName_0") == hInner && nameOf(hBar) == "VScroll1");
        CHECK(form->geometry().width == 420 && form->geometry().height == 300);
        CHECK(list->geometry() == (Rect{10, 10, 200, 25}));
        CHECK(SendMessageW(window, WM_GETICON, ICON_SMALL, 0) != 0);
        const LOGFONTW font = fontOf(hInner);
        CHECK(font.lfHeight == -11 && std::wstring(font.lfFaceName) != L"No Such Face");

        // Tab follows the keyboard order, skipping what cannot take the focus; a user
        // control takes it itself going forwards only.
        second->setEnabled(false);
        tab();
        tab();
        tab();
        CHECK(GetFocus() == hFields);
        CHECK(take() == "first.got first.key9/0 first.lost fields.got");
        second->setEnabled(true);
        tab();
        tab();
        tab();
        CHECK(GetFocus() == windowOf(*list));
        tab(true);
        CHECK(GetFocus() == hBar);
        tab(true);
        tab(true);
        CHECK(GetFocus() == hSecond);
        CHECK(take() == "inner.got inner.key9/0 inner.lost bar.key9 bar.key9 inner.got "
                        "inner.key9/1 inner.lost second.got");

        // Focus moves, clicks (the focus first), keys before the control, Enter and
        // Escape pressing nothing.
        SetFocus(hFirst);
        click(hSecond);
        key(hSecond, VK_RETURN);
        key(hSecond, VK_ESCAPE);
        key(hSecond, 'A', true);
        key(windowOf(*apply), VK_RETURN);
        CHECK(take() == "second.lost first.got first.lost second.got second.click second.key13/0 "
                        "second.key27/0 second.key65/1");
        CHECK(IsWindowVisible(window));

        // A control hidden, disabled or taken away with the focus.
        second->hide();
        CHECK(GetFocus() == hFields);
        second->show();
        SetFocus(hSecond);
        second->setEnabled(false);
        CHECK(GetFocus() == hFields);
        CHECK(take() == "second.lost fields.got second.got second.lost fields.got");
        second->setEnabled(true);
        {
            auto extra = createTextBox(*fields, "extra");
            SetFocus(windowOf(*extra));
            take();
        }
        CHECK(take().empty() && GetFocus() == window);

        // Changes of text, by the user or the program, once per change.
        SetWindowTextW(hFirst, L"typed");
        first->setText(u"typed");
        first->setText(u"set");
        CHECK(take() == "first.change first.change");

        // The selected entry of a list, by the user or the program.
        list->addItem(u"Book 1");
        list->addItem(u"Book 2");
        CHECK(list->selectedIndex() == 0 && take() == "list.click");
        SendMessageW(windowOf(*list), CB_SETCURSEL, 1, 0);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(windowOf(*list)), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(windowOf(*list)));
        CHECK(list->selectedIndex() == 1 && take() == "list.click");
        list->setSelectedIndex(1);
        CHECK(take().empty());
        list->clear();
        CHECK(list->selectedIndex() == -1 && take() == "list.click");

        // Scrolling: lines, pages, the thumb, the ends, the keyboard; every new value.
        bar->setRange(0, 10);
        bar->setLargeChange(3);
        const auto scroll = [&](WORD code, WORD position = 0) {
            SendMessageW(hFields, WM_VSCROLL, MAKEWPARAM(code, position),
                         reinterpret_cast<LPARAM>(hBar));
        };
        scroll(SB_LINEDOWN);
        CHECK(bar->value() == 1);
        scroll(SB_PAGEDOWN);
        CHECK(bar->value() == 4);
        scroll(SB_THUMBTRACK, 9);
        CHECK(bar->value() == 9);
        scroll(SB_BOTTOM);
        scroll(SB_PAGEDOWN);
        CHECK(bar->value() == 10 && GetScrollPos(hBar, SB_CTL) == 10);
        bar->setRange(0, 1);
        CHECK(bar->value() == 1);
        bar->setValue(0);
        SetFocus(hBar);
        take();
        key(hBar, VK_DOWN);
        CHECK(bar->value() == 1);
        CHECK(take() == "bar.key40 bar.change");

        // The user control's own keys and sizes.
        SetFocus(hFields);
        key(hFields, VK_DOWN);
        fields->setGeometry({20, 100, 300, 100});
        fields->setGeometry({20, 100, 300, 120});
        CHECK(take() == "fields.got fields.key40 fields.resize");

        // Colours are looked up at each paint: a system colour follows the system's.
        first->setBackColor(SystemColor(COLOR_WINDOW));
        first->setForeColor(RGB(192, 0, 0));
        const HDC dc = GetDC(hFirst);
        const auto colours = [&](UINT message) {
            return SendMessageW(window, message, reinterpret_cast<WPARAM>(dc),
                                reinterpret_cast<LPARAM>(hFirst));
        };
        CHECK(brushColour(colours(WM_CTLCOLOREDIT)) == ::GetSysColor(COLOR_WINDOW));
        CHECK(GetTextColor(dc) == RGB(192, 0, 0));
        const int element = COLOR_WINDOW;
        const COLORREF window0 = ::GetSysColor(COLOR_WINDOW);
        const COLORREF changed = RGB(1, 2, 3);
        SetSysColors(1, &element, &changed);
        CHECK(brushColour(colours(WM_CTLCOLOREDIT)) == changed);
        SetSysColors(1, &element, &window0);
        first->setEnabled(false);
        colours(WM_CTLCOLORSTATIC);
        CHECK(GetTextColor(dc) == ::GetSysColor(COLOR_GRAYTEXT));
        first->setEnabled(true);
        ReleaseDC(hFirst, dc);
        second->setReadOnly(true);
        const HDC other = GetDC(hSecond);
        CHECK(brushColour(SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(other),
                                       reinterpret_cast<LPARAM>(hSecond))) ==
              ::GetSysColor(COLOR_WINDOW));
        ReleaseDC(hSecond, other);

        // The whole text in a tooltip, only when the box cuts it off.
        HWND tooltip = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), findTooltip, reinterpret_cast<LPARAM>(&tooltip));
        CHECK(tooltip && SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0) == 3);
        const auto tip = [&](const std::u16string &text) {
            inner->setText(text);
            NMTTDISPINFOW info{};
            info.hdr.hwndFrom = tooltip;
            info.hdr.idFrom = reinterpret_cast<UINT_PTR>(hInner);
            info.hdr.code = TTN_GETDISPINFOW;
            info.uFlags = TTF_IDISHWND;
            SendMessageW(hFields, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
            return info.lpszText ? u16(info.lpszText) : u"(none)";
        };
        CHECK(tip(u"A title far too long for the box") == u"A title far too long for the box");
        CHECK(tip(u"A").empty());
        take();

        progress->setValue(150);
        CHECK(progress->value() == 150 &&
              SendMessageW(windowOf(*progress), PBM_GETPOS, 0, 0) == 100);
        progress->setValue(-5);
        CHECK(SendMessageW(windowOf(*progress), PBM_GETPOS, 0, 0) == 0);

        // Held input never reaches the controls; it does again once released.
        form->setInputHeld(true);
        PostMessageW(hFirst, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        PostMessageW(hFirst, WM_KEYDOWN, VK_F2, 1);
        DoEvents();
        CHECK(take().empty());
        form->setInputHeld(false);
        PostMessageW(hFirst, WM_KEYDOWN, VK_F2, 1);
        DoEvents();
        CHECK(take() == "first.key113/0");

        // A message box over the form takes the activation, and moves no focus.
        SetFocus(hFirst);
        take();
        {
            BoxWatcher watcher(L"OrvFields");
            CHECK(MsgBox(u"Nothing to save", vbInformation) == 1);
            CHECK(watcher.seen && watcher.text == L"Nothing to save" && watcher.owner == window);
        }
        DoEvents();
        CHECK(take().empty());
        CHECK(GetFocus() == hFirst);

        // Modal for the thread and owned by no window: the host minimised and restored
        // leaves it on screen.
        ShowWindow(host, SW_SHOWMINNOACTIVE);
        DoEvents();
        ShowWindow(host, SW_SHOWNOACTIVATE);
        DoEvents();
        CHECK(IsWindowVisible(window) && !IsWindowEnabled(host));

        // The close box asks first; a cancelled close keeps the form.
        SendMessageW(window, WM_CLOSE, 0, 0);
        CHECK(IsWindowVisible(window) && take() == "unload");
        cancelClose = false;
        PostMessageW(window, WM_CLOSE, 0, 0);
    };
    form->showModal();
    CHECK(activations == 1 && !IsWindowVisible(window) && take() == "unload");
    CHECK(IsWindowEnabled(host) && IsWindowEnabled(another) && !IsWindowEnabled(closed) &&
          GetActiveWindow() == host);

    // Shown again: activated once more, the focus back where it was; hidden from a
    // posted callback, the modal run ends.
    form->onActivate = [&] {
        ++activations;
        CHECK(GetFocus() == hFirst && take().empty());
        form->hide();
    };
    form->showModal();
    CHECK(activations == 2 && !IsWindowVisible(window));
    for (const HWND top : {host, another, closed})
        DestroyWindow(top);
}

} // namespace

int main()
{
    CoInitialize(nullptr);
    installWin32MessageBox();
    files();
    systemAnswers();
    toolkit();
    const int failures = Checks::summary("tst_win32platform");
    CoUninitialize();
    return failures ? 1 : 0;
}
