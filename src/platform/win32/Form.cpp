// SPDX-License-Identifier: Apache-2.0
// The form on Win32: a top-level window of the component's own class, its icon and
// font, its placing, and its modal run.
#include "automation/Text.h"

#include "ControlWindow.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace Platform {

using namespace Win32;

namespace {

// Posted to a form after it is shown: its activation event.
constexpr UINT ActivateMessage = WM_APP + 0x4F1;

class Win32Form final : public ContainerOver<Form>
{
public:
    ~Win32Form() override
    {
        *m_alive = false;
        HoldInput(hwnd, false);
        enableOthers();
        destroyWindow();
        for (HICON icon : m_icons)
            DestroyIcon(icon);
        for (HFONT font : m_fonts)
            DeleteObject(font);
    }

    void setCaption(const std::u16string &caption) override
    {
        SetWindowTextW(hwnd, wide(caption).c_str());
    }

    // The module's icon resource of that name, in the system's two sizes.
    void setIcon(const std::string &name) override
    {
        const std::wstring resource = wide(Automation::utf16(name));
        const std::pair<WPARAM, int> sizes[] = {{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}};
        for (const auto &[which, metric] : sizes) {
            const int side = GetSystemMetrics(metric);
            const auto icon = static_cast<HICON>(
                LoadImageW(ThisModule(), resource.c_str(), IMAGE_ICON, side, side, 0));
            if (!icon)
                continue;
            m_icons.push_back(icon);
            SendMessageW(hwnd, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
        }
    }

    // The form and its controls, but those with a font of their own, take the font.
    void setFont(const std::u16string &faces, double points) override
    {
        const FontSpec wanted{firstInstalledFace(faces), points, DEFAULT_CHARSET};
        const HFONT made = makeFont(wanted);
        if (!made)
            return;
        m_fonts.push_back(made);
        fontSpec = wanted;
        hfont = made;
        for (HWND child : descendants(hwnd)) {
            WindowPart *part = partOf(child);
            if (!part)
                continue;
            part->fontSpec = wanted;
            part->hfont = made;
            if (!part->hasOwnFont()) {
                SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
                part->fontChanged();
            }
        }
    }

    void setClientSize(int width, int height) override
    {
        const RECT frame = frameOf(RECT{0, 0, width, height});
        SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // A form's geometry is its client area on the screen.
    void setGeometry(const Rect &pixels) override
    {
        const RECT frame = frameOf(
            RECT{pixels.left, pixels.top, pixels.left + pixels.width, pixels.top + pixels.height});
        SetWindowPos(hwnd, nullptr, frame.left, frame.top, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
        m_placed = true;
    }
    Rect geometry() const override
    {
        RECT client{};
        GetClientRect(hwnd, &client);
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        return Rect{origin.x, origin.y, client.right, client.bottom};
    }

    void setVisible(bool visible) override
    {
        if (visible) {
            if (!m_placed)
                placeOver(GetActiveWindow());
            ShowWindow(hwnd, SW_SHOW);
            return;
        }
        // The other windows are enabled first, so that the one that had the activation
        // can get it back, rather than another program.
        enableOthers();
        ShowWindow(hwnd, SW_HIDE);
    }

    // Modal for the thread: the form has no owner (the system hides an owned window
    // with its minimised owner, which would end the run), and every other enabled
    // top-level window of the thread is disabled while it shows. Only the form hiding or
    // going ends the run; afterwards exactly the windows it disabled are enabled again
    // and the window that was active gets the activation back.
    void showModal() override
    {
        if (!hwnd || m_modal)
            return;
        const HWND active = GetActiveWindow();
        SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, 0);
        if (!m_placed)
            placeOver(active);
        disableOthers();
        m_modal = true;
        const std::shared_ptr<bool> alive = m_alive;
        ShowWindow(hwnd, SW_SHOW);
        MSG message;
        while (*alive && IsWindowVisible(hwnd)) {
            // GetMessageW gives 0 for WM_QUIT: the program is ending, and its own loop gets
            // the quit message too.
            if (GetMessageW(&message, nullptr, 0, 0) == -1 || !DispatchTaken(message))
                break;
        }
        if (!*alive)
            return;
        m_modal = false;
        if (IsWindowVisible(hwnd))
            setVisible(false);
        enableOthers();
        if (active && active != hwnd && IsWindow(active))
            SetActiveWindow(active);
    }

    void setInputHeld(bool held) override { HoldInput(hwnd, held); }

    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result) override
    {
        if (ContainerOver::handle(message, wParam, lParam, result))
            return true;
        result = 0;
        switch (message) {
        case WM_CLOSE: {
            bool cancel = false;
            fire(onQueryUnload, cancel);
            if (!cancel)
                setVisible(false);
            return true;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE)
                return false;
            restoreFocus();
            return true;
        case WM_SHOWWINDOW:
            // Once per showing, after the show is handled; a window shown again with
            // its owner is not shown by the program.
            if (wParam && lParam == 0 && !m_activationQueued) {
                m_activationQueued = true;
                PostMessageW(hwnd, ActivateMessage, 0, 0);
            }
            return false;
        case ActivateMessage:
            m_activationQueued = false;
            if (IsWindowVisible(hwnd))
                fire(onActivate);
            return true;
        case WM_SYSCOLORCHANGE:
            for (HWND child : descendants(hwnd)) {
                SendMessageW(child, WM_SYSCOLORCHANGE, wParam, lParam);
                if (WindowPart *part = partOf(child))
                    part->coloursChanged();
            }
            RedrawWindow(hwnd, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
            return false;
        default:
            return handleOwnInput(message, wParam, lParam, result);
        }
    }

private:
    RECT frameOf(RECT client) const
    {
        AdjustWindowRectEx(&client, DWORD(GetWindowLongW(hwnd, GWL_STYLE)), FALSE,
                           DWORD(GetWindowLongW(hwnd, GWL_EXSTYLE)));
        return client;
    }

    // Centred over the owner (or the screen), inside the screen's work area.
    void placeOver(HWND owner)
    {
        if (owner && (!IsWindowVisible(owner) || IsIconic(owner)))
            owner = nullptr;
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(owner ? owner : hwnd, MONITOR_DEFAULTTOPRIMARY),
                        &monitor);
        const RECT area = monitor.rcWork;
        RECT over = area;
        if (owner)
            GetWindowRect(owner, &over);
        RECT frame{};
        GetWindowRect(hwnd, &frame);
        const LONG width = frame.right - frame.left;
        const LONG height = frame.bottom - frame.top;
        const LONG left = std::clamp((over.left + over.right - width) / 2, area.left,
                                     std::max(area.left, area.right - width));
        const LONG top = std::clamp((over.top + over.bottom - height) / 2, area.top,
                                    std::max(area.top, area.bottom - height));
        SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // The control that had the focus gets it back, or the first in keyboard order;
    // neither hears of it, since no focus moved between controls.
    void restoreFocus()
    {
        HWND target = lastFocus;
        if (!target || !IsChild(hwnd, target) || !canTakeFocus(target, hwnd, nullptr))
            target = nextFocus(hwnd, hwnd, false, nullptr);
        SetFocus(target ? target : hwnd);
    }

    static BOOL CALLBACK collectTopLevel(HWND window, LPARAM windows)
    {
        reinterpret_cast<std::vector<HWND> *>(windows)->push_back(window);
        return TRUE;
    }

    // The windows the form itself owns (its tooltip) stay as they are.
    void disableOthers()
    {
        std::vector<HWND> windows;
        EnumThreadWindows(GetCurrentThreadId(), collectTopLevel,
                          reinterpret_cast<LPARAM>(&windows));
        for (const HWND window : windows) {
            if (window == hwnd || GetWindow(window, GW_OWNER) == hwnd || !IsWindowEnabled(window))
                continue;
            EnableWindow(window, FALSE);
            m_disabled.push_back(window);
        }
    }

    void enableOthers()
    {
        for (const HWND window : std::exchange(m_disabled, {})) {
            if (IsWindow(window))
                EnableWindow(window, TRUE);
        }
    }

    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::vector<HWND> m_disabled; // by the modal run, to enable again
    bool m_modal = false;
    bool m_placed = false;
    bool m_activationQueued = false;
    std::vector<HICON> m_icons;
    std::vector<HFONT> m_fonts;
};

} // namespace

std::unique_ptr<Form> createForm(const std::string &name)
{
    registerClasses();
    auto form = std::make_unique<Win32Form>();
    WindowPart &part = *form;
    CreateWindowExW(WS_EX_CONTROLPARENT, FormClass, L"",
                    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, CW_USEDEFAULT,
                    CW_USEDEFAULT, 0, 0, nullptr, nullptr, ThisModule(), &part);
    part.setName(name);
    // A fixed dialog: its system menu only moves and closes it.
    if (const HMENU menu = GetSystemMenu(part.hwnd, FALSE)) {
        for (const int command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE})
            DeleteMenu(menu, UINT(command), MF_BYCOMMAND);
    }
    return form;
}

} // namespace Platform
