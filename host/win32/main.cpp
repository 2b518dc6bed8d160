// SPDX-License-Identifier: Apache-2.0
// orvfields-host.exe [PUBLICATION.xml] [--language en|fr] [--select PATH]
//                    [--screenshot FILE.png] [--host-screenshot FILE.png] [--help] [--version]

#include "DialogScreenshot.h"
#include "HostOptions.h"
#include "HostWindow.h"
#include "WindowCapture.h"

#include "win32base/Win32Base.h"

#include <ole2.h>
#include <shellapi.h>

#include <string>
#include <vector>

using Host::HostOptions;
using Host::HostWindow;

namespace {

// Text for the user, on the standard handle when there is one (a console, a pipe,
// wine's terminal) or on the console of the program that started this one. A program
// of the Windows subsystem started from Explorer has neither: then a message box,
// for what must be read (icon given), or nothing.
void tell(DWORD which, const std::wstring &text, UINT icon = 0)
{
    HANDLE handle = GetStdHandle(which);
    HANDLE opened = nullptr;
    if ((!handle || handle == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        opened = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
        handle = opened;
    }
    bool written = false;
    if (handle && handle != INVALID_HANDLE_VALUE) {
        DWORD mode = 0, count = 0;
        if (GetConsoleMode(handle, &mode)) {
            written = WriteConsoleW(handle, text.data(), DWORD(text.size()), &count, nullptr);
        } else {
            const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr,
                                                 0, nullptr, nullptr);
            std::string bytes(std::size_t(size > 0 ? size : 0), '\0');
            WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), size,
                                nullptr, nullptr);
            written = WriteFile(handle, bytes.data(), DWORD(bytes.size()), &count, nullptr);
        }
    }
    if (opened && opened != INVALID_HANDLE_VALUE)
        CloseHandle(opened);
    if (!written && icon)
        MessageBoxW(nullptr, text.c_str(), L"orvfields-host", MB_OK | icon);
}

std::wstring programFolder()
{
    const std::wstring path = Win32Base::modulePath(nullptr);
    return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring itemText(HWND view, HTREEITEM item)
{
    wchar_t text[512] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = 512;
    return item && SendMessageW(view, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data)) ? text
                                                                                        : L"";
}

std::wstring windowText(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// What the window shows, as the tree view holds it.
std::wstring shown(const HostWindow &window)
{
    const HWND view = window.treeView();
    const auto items = SendMessageW(view, TVM_GETCOUNT, 0, 0);
    const auto selected =
        reinterpret_cast<HTREEITEM>(SendMessageW(view, TVM_GETNEXTITEM, TVGN_CARET, 0));
    return L"the window \"" + windowText(window.window()) + L"\", " + std::to_wstring(items) +
           L" nodes in its tree, \"" + itemText(view, selected) + L"\" selected";
}

// The pictures of --host-screenshot and --screenshot; 0 when each was taken.
int takePictures(HostWindow &window, const HostOptions &options)
{
    // Whatever the window still has to draw, drawn.
    for (int i = 0; i < 25; ++i) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(20);
    }
    int status = 0;
    if (options.hostScreenshot) {
        if (Host::captureWindow(window.window(), *options.hostScreenshot,
                                Host::CaptureArea::Window)) {
            tell(STD_OUTPUT_HANDLE,
                 L"orvfields-host: " + *options.hostScreenshot + L": " + shown(window) + L"\n");
        } else {
            tell(STD_ERROR_HANDLE,
                 L"orvfields-host: cannot write " + *options.hostScreenshot + L"\n");
            status = 1;
        }
    }
    if (options.screenshot) {
        Host::DialogScreenshot shot(*options.screenshot);
        shot.start();
        window.runPlugin();
        shot.stop();
        if (!shot.error().empty())
            tell(STD_ERROR_HANDLE, L"orvfields-host: " + shot.error());
        if (shot.saved())
            tell(STD_OUTPUT_HANDLE,
                 L"orvfields-host: " + *options.screenshot + L": " + shot.shown() + L"\n");
        else
            status = 1;
    }
    return status;
}

int run(const HostOptions &options, int show)
{
    HostWindow window;
    const bool unattended = options.screenshot || options.hostScreenshot;
    if (unattended) {
        window.setNotifier([](const std::wstring &title, const std::wstring &text) {
            tell(STD_ERROR_HANDLE, L"orvfields-host: " + title + L": " + text + L"\n");
        });
    }
    if (options.language)
        window.setLanguage(*options.language);
    ShowWindow(window.window(), unattended ? SW_SHOWNORMAL : show);
    UpdateWindow(window.window());
    const std::wstring publication = options.publication.empty()
                                         ? HostOptions::samplePublication(programFolder())
                                         : options.publication;
    if (window.openPublication(publication) && options.select &&
        !window.selectPath(*options.select))
        tell(STD_ERROR_HANDLE,
             L"orvfields-host: the publication has no node \"" + *options.select + L"\"\n");
    if (unattended)
        return takePictures(window, options);

    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (window.translate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got < 0 ? 1 : int(message.wParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show)
{
    int count = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::vector<std::wstring> arguments(argv + (count > 0 ? 1 : 0), argv + count);
    LocalFree(argv);
    const HostOptions options = HostOptions::parse(arguments);
    if (!options.error.empty()) {
        tell(STD_ERROR_HANDLE, L"orvfields-host: " + options.error + L"\n\n" + HostOptions::usage(),
             MB_ICONERROR);
        return 2;
    }
    if (options.help || options.version) {
        tell(STD_OUTPUT_HANDLE, options.help ? HostOptions::usage() : HostOptions::versionText(),
             MB_ICONINFORMATION);
        return 0;
    }
    // The plug-in is an apartment-threaded object with windows: this thread is its
    // single-threaded apartment, and runs the message loop.
    if (FAILED(OleInitialize(nullptr))) {
        tell(STD_ERROR_HANDLE, L"orvfields-host: COM cannot start\n", MB_ICONERROR);
        return 1;
    }
    const int status = run(options, show);
    OleUninitialize();
    return status;
}
