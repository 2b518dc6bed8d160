// SPDX-License-Identifier: Apache-2.0
// The windows of the Win32 toolkit: a window's part, the window procedures (the
// subclass of the standard controls, the component's own classes) and the registration
// of those classes, a control's child window, and the names others find windows by.
#include "Focus.h"
#include "WindowPart.h"

#include <commctrl.h>

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace Platform {

namespace Win32 {

namespace {

BOOL CALLBACK collectWindow(HWND window, LPARAM windows)
{
    reinterpret_cast<std::vector<HWND> *>(windows)->push_back(window);
    return TRUE;
}

// The standard controls' own window procedures, which the subclass below hands every
// message on to. Kept apart from the parts: a control's window outlives its part for
// the last messages of its destruction. A window procedure replaced by hand, not by the
// common controls' SetWindowSubclass, which looks its data up in a window property at
// every message (a round trip to wine's server each).
std::unordered_map<HWND, WNDPROC> &standardProcedures()
{
    static std::unordered_map<HWND, WNDPROC> procedures;
    return procedures;
}

bool isMouseInput(UINT message)
{
    return message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP ||
           message == WM_RBUTTONDOWN || message == WM_RBUTTONUP || message == WM_MBUTTONDOWN ||
           message == WM_MBUTTONUP;
}

// The subclass of the standard controls.
LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto found = standardProcedures().find(window);
    const WNDPROC standard = found != standardProcedures().end() ? found->second : DefWindowProcW;
    try {
        WindowPart *part = partOf(window);
        if (message == WM_NCDESTROY) {
            if (part)
                part->windowGone();
            standardProcedures().erase(window);
            return CallWindowProcW(standard, window, message, wParam, lParam);
        }
        if (part) {
            part->flush();
            if (message == WM_PAINT)
                part->repaintPending = false;
            if (isMouseInput(message))
                part->mouseInput(message, wParam, lParam);
            LRESULT result = 0;
            if (handleInput(*part, window, message, wParam, lParam, result, [&] {
                    return CallWindowProcW(standard, window, message, wParam, lParam);
                }))
                return result;
        }
    } catch (...) {
    }
    return CallWindowProcW(standard, window, message, wParam, lParam);
}

void subclass(HWND window)
{
    standardProcedures()[window] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc)));
}

// The window procedure of the component's own classes.
LRESULT CALLBACK containerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        if (message == WM_NCCREATE) {
            auto *part = static_cast<WindowPart *>(
                reinterpret_cast<const CREATESTRUCTW *>(lParam)->lpCreateParams);
            part->hwnd = window;
            attach(window, part);
        }
        WindowPart *part = partOf(window);
        if (message == WM_NCDESTROY) {
            if (part)
                part->windowGone();
        } else if (part) {
            LRESULT result = 0;
            if (part->handle(message, wParam, lParam, result))
                return result;
        }
    } catch (...) {
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

// A window reaches its part through its user data, which the process reads without
// asking the window server (a property costs a round trip to it under wine, and every
// message asks). Only windows this module made carry one of its parts: a host's windows
// made by another copy of this code are not ours.
WindowPart *partOf(HWND window)
{
    if (!window ||
        GetWindowLongPtrW(window, GWLP_HINSTANCE) != reinterpret_cast<LONG_PTR>(ThisModule()))
        return nullptr;
    return reinterpret_cast<WindowPart *>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void attach(HWND window, WindowPart *part)
{
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(part));
}

WindowPart *containerOf(HWND window)
{
    return partOf(GetAncestor(window, GA_PARENT));
}

COLORREF WindowPart::background() const
{
    if (hasBack)
        return FromOleColor(back);
    if (inheritsBackground()) {
        if (const WindowPart *parent = containerOf(hwnd))
            return parent->background();
    }
    return ::GetSysColor(COLOR_BTNFACE);
}

void WindowPart::windowGone()
{
    if (!hwnd)
        return;
    gone();
    if (annotated)
        clearAnnotation(hwnd);
    attach(hwnd, nullptr);
    RemovePropW(hwnd, NameProperty);
    if (WindowPart *parent = containerOf(hwnd)) {
        std::vector<HWND> &order = parent->tabOrder;
        order.erase(std::remove(order.begin(), order.end(), hwnd), order.end());
    }
    if (WindowPart *root = partOf(GetAncestor(hwnd, GA_ROOT)); root && root->lastFocus == hwnd)
        root->lastFocus = nullptr;
    hwnd = nullptr;
}

std::vector<HWND> descendants(HWND root)
{
    std::vector<HWND> windows;
    if (root)
        EnumChildWindows(root, collectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

void registerClasses()
{
    static bool registered = false;
    if (registered)
        return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    for (const wchar_t *name : {FormClass, PanelClass, UserControlClass, ProgressBarClass}) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = containerProc;
        windowClass.hInstance = ThisModule();
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = name;
        // Classes of a library stay registered after it is unloaded: a library loaded
        // again replaces them.
        if (!RegisterClassExW(&windowClass) && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
            UnregisterClassW(name, ThisModule());
            RegisterClassExW(&windowClass);
        }
    }
    registered = true;
}

void createChild(WindowPart &part, Container &parent, const std::string &name,
                 const wchar_t *windowClass, DWORD style, DWORD exStyle, bool subclassed)
{
    static int nextId = 1000; // above the ids a dialog manager would act on
    registerClasses();
    auto *container = dynamic_cast<WindowPart *>(&parent);
    const HWND parentWindow = container ? container->hwnd : nullptr;
    if (!parentWindow)
        return;
    const HWND window = CreateWindowExW(
        exStyle, windowClass, L"", style | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
        parentWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)), ThisModule(), &part);
    if (!window)
        return;
    part.hwnd = window;
    part.setName(name);
    attach(window, &part);
    if (subclassed)
        subclass(window);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    container->tabOrder.push_back(window);
    part.fontSpec = container->fontSpec;
    part.hfont = container->hfont;
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(part.hfont), FALSE);
}

} // namespace Win32

HWND windowOf(const Control &control)
{
    const auto *part = dynamic_cast<const Win32::WindowPart *>(&control);
    return part ? part->hwnd : nullptr;
}

std::string nameOf(HWND window)
{
    const auto *name =
        window ? static_cast<const char *>(GetPropW(window, Win32::NameProperty)) : nullptr;
    return name ? std::string(name) : std::string();
}

HWND findWindow(HWND root, const std::string &name)
{
    if (nameOf(root) == name)
        return root;
    for (HWND window : Win32::descendants(root)) {
        if (nameOf(window) == name)
            return window;
    }
    return nullptr;
}

} // namespace Platform
