// SPDX-License-Identifier: Apache-2.0
// ControlWindow: the interfaces of Toolkit.h over one window (Over), and over a window
// that holds others and hands them their notifications (ContainerOver). Each control's
// file derives its control from one of them.
#pragma once

#include "platform/KeyCodes.h"
#include "platform/Toolkit.h"

#include "Focus.h"
#include "WindowPart.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace Platform::Win32 {

// A control over its window.
template <typename Interface> class Over : public Interface, public WindowPart
{
public:
    Over() = default;
    ~Over() override { destroyWindow(); }

    void setGeometry(const Rect &pixels) override
    {
        SetWindowPos(hwnd, nullptr, pixels.left, pixels.top, pixels.width, pixels.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Rect geometry() const override
    {
        RECT frame{};
        GetWindowRect(hwnd, &frame);
        MapWindowPoints(HWND_DESKTOP, GetAncestor(hwnd, GA_PARENT),
                        reinterpret_cast<POINT *>(&frame), 2);
        return Rect{frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top};
    }
    void setVisible(bool visible) override
    {
        if (!visible)
            leaveFocus(hwnd);
        ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
    }
    bool isVisible() const override { return hwnd && IsWindowVisible(hwnd); }
    void setEnabled(bool enabled) override
    {
        // A window already disabled holds no focus: nothing to ask the system.
        if (!enabled && IsWindowEnabled(hwnd))
            leaveFocus(hwnd);
        EnableWindow(hwnd, enabled);
    }
    // A control's top-level window is left out: a message box disables it a while.
    bool isEnabled() const override
    {
        if (!hwnd)
            return false;
        const HWND root = GetAncestor(hwnd, GA_ROOT);
        if (root == hwnd)
            return IsWindowEnabled(hwnd) != FALSE;
        for (HWND step = hwnd; step && step != root; step = GetAncestor(step, GA_PARENT)) {
            if (!IsWindowEnabled(step))
                return false;
        }
        return true;
    }
    void setBackColor(OleColor color) override
    {
        if (hasBack && back == color)
            return;
        back = color;
        hasBack = true;
        coloursChanged();
        if (isContainer)
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        else
            invalidate(RDW_INVALIDATE | RDW_ERASE);
    }
    OleColor backColor() const override { return hasBack ? back : 0; }
    void setForeColor(OleColor color) override
    {
        fore = color;
        hasFore = true;
        coloursChanged();
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
    }
    OleColor foreColor() const override { return fore; }
    // In a window that is not active the control takes the focus when the window gets
    // the activation back, as the other toolkit does.
    void setFocus() override
    {
        if (!hwnd)
            return;
        const HWND root = GetAncestor(hwnd, GA_ROOT);
        if (root != hwnd && GetActiveWindow() != root) {
            if (WindowPart *top = partOf(root))
                top->lastFocus = hwnd;
            return;
        }
        SetFocus(hwnd);
    }
    bool hasFocus() const override { return hwnd && GetFocus() == hwnd; }
    // Lists name their rows again at every refresh: an unchanged name is not sent again.
    void setAccessibleName(const std::u16string &name) override
    {
        if (annotated && name == accessibleText)
            return;
        accessibleText = name;
        if (annotate(hwnd, name))
            annotated = true;
    }
    void raise() override
    {
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    void repaint() override
    {
        RedrawWindow(hwnd, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

protected:
    // The focus leaves quietly first: no control is told of a focus that moves because
    // one goes away.
    void destroyWindow()
    {
        const HWND window = hwnd;
        if (!window)
            return;
        const HWND root = GetAncestor(window, GA_ROOT);
        const HWND focus = GetFocus();
        windowGone();
        if (root != window && focus && (focus == window || IsChild(window, focus)))
            SetFocus(root);
        DestroyWindow(window);
    }
};

template <typename Interface> class ContainerOver : public Over<Interface>
{
public:
    ContainerOver() { this->isContainer = true; }

    void setTabOrder(Control &first, Control &second) override
    {
        const HWND after = windowOf(first);
        const HWND moved = windowOf(second);
        std::vector<HWND> &order = this->tabOrder;
        if (!after || !moved || after == moved ||
            std::find(order.begin(), order.end(), after) == order.end() ||
            std::find(order.begin(), order.end(), moved) == order.end())
            return;
        order.erase(std::find(order.begin(), order.end(), moved));
        order.insert(std::find(order.begin(), order.end(), after) + 1, moved);
    }

    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result) override
    {
        result = 0;
        switch (message) {
        case WM_COMMAND:
            if (WindowPart *child = partOf(reinterpret_cast<HWND>(lParam))) {
                child->command(HIWORD(wParam));
                return true;
            }
            return false;
        case WM_VSCROLL:
            if (WindowPart *child = partOf(reinterpret_cast<HWND>(lParam))) {
                child->verticalScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
                return true;
            }
            return false;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSCROLLBAR:
            result = childColours(message, wParam, lParam);
            return true;
        case WM_DRAWITEM: {
            const auto &item = *reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
            if (WindowPart *child = partOf(item.hwndItem)) {
                child->draw(item);
                result = TRUE;
                return true;
            }
            return false;
        }
        case WM_NOTIFY: {
            auto &header = *reinterpret_cast<NMHDR *>(lParam);
            auto &tip = *reinterpret_cast<NMTTDISPINFOW *>(lParam);
            if (header.code != TTN_GETDISPINFOW || (tip.uFlags & TTF_IDISHWND) == 0)
                return false;
            WindowPart *child = partOf(reinterpret_cast<HWND>(header.idFrom));
            if (!child)
                return false;
            tip.lpszText = child->tooltipText();
            tip.hinst = nullptr;
            return true;
        }
        case WM_ERASEBKGND: {
            RECT area{};
            GetClientRect(this->hwnd, &area);
            const auto dc = reinterpret_cast<HDC>(wParam);
            FillRect(dc, &area, this->brush(this->background()));
            decorate(dc, area);
            result = 1;
            return true;
        }
        case WM_SETFONT:
            this->hfont = reinterpret_cast<HFONT>(wParam);
            return true;
        case WM_GETFONT:
            result = reinterpret_cast<LRESULT>(this->hfont);
            return true;
        default:
            return false;
        }
    }

protected:
    virtual void decorate(HDC, const RECT &) {}

    // Input to the container's own window.
    bool handleOwnInput(UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result)
    {
        const HWND window = this->hwnd;
        return handleInput(*this, window, message, wParam, lParam, result,
                           [&] { return DefWindowProcW(window, message, wParam, lParam); });
    }

private:
    // A child's colours, looked up at every paint: a system colour follows the system's.
    // A disabled control draws its text grey whatever its colour.
    LRESULT childColours(UINT message, WPARAM wParam, LPARAM lParam)
    {
        const LRESULT standard = DefWindowProcW(this->hwnd, message, wParam, lParam);
        const auto child = reinterpret_cast<HWND>(lParam);
        WindowPart *part = partOf(child);
        if (!part)
            return standard;
        const auto dc = reinterpret_cast<HDC>(wParam);
        if (!IsWindowEnabled(child))
            SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
        else if (part->hasFore)
            SetTextColor(dc, FromOleColor(part->fore));
        COLORREF paper = 0;
        if (part->hasBack)
            paper = FromOleColor(part->back);
        else if (!part->defaultBack(message, paper))
            return standard;
        SetBkColor(dc, paper);
        return reinterpret_cast<LRESULT>(part->brush(paper));
    }
};

} // namespace Platform::Win32
