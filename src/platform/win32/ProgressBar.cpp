// SPDX-License-Identifier: Apache-2.0
// The progress bar on Win32: a window of the component's own class, drawn by itself.
#include "ControlWindow.h"

#include <algorithm>

namespace Platform {

using namespace Win32;

namespace {

// A bar of the component's own: a sunken field, filled from the left in the bar's
// colour (the system's highlight unless given one) on its background (the face of
// buttons unless given one). The common controls' bar would serve as well, but wine
// draws it in 7 to 9 ms, which a save of many entries pays at every step. It answers the
// position messages of the system's bar, so that a reader asks it as it would that one.
class Win32ProgressBar final : public Over<ProgressBar>
{
public:
    void setValue(int percent) override
    {
        m_value = percent;
        show(std::clamp(percent, 0, 100));
    }
    int value() const override { return m_value; }

    void coloursChanged() override { InvalidateRect(hwnd, nullptr, FALSE); }

    bool handle(UINT message, WPARAM wParam, LPARAM, LRESULT &result) override
    {
        switch (message) {
        case PBM_GETPOS:
            result = m_shown;
            return true;
        case PBM_SETPOS:
            result = m_shown;
            show(std::clamp(int(wParam), 0, 100));
            return true;
        case WM_ERASEBKGND:
            result = 1; // the paint covers every pixel
            return true;
        case WM_PAINT:
            paint();
            return true;
        default:
            return false;
        }
    }

private:
    // Drawn again only when it moves (a save of many entries reports its progress far
    // more often than the bar has steps), and at once, on the window's device context:
    // a paint through the message loop costs wine about eight round trips to its server
    // (update region, caret, visible region), and a save moves the bar a hundred times.
    void show(int percent)
    {
        if (percent == m_shown)
            return;
        m_shown = percent;
        if (!IsWindowVisible(hwnd))
            return;
        const HDC dc = GetDC(hwnd);
        drawBar(dc);
        ReleaseDC(hwnd, dc);
    }

    void paint()
    {
        PAINTSTRUCT painting{};
        drawBar(BeginPaint(hwnd, &painting));
        EndPaint(hwnd, &painting);
    }

    void drawBar(HDC dc)
    {
        RECT field{};
        GetClientRect(hwnd, &field);
        DrawEdge(dc, &field, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
        RECT bar = field;
        bar.right = bar.left + (field.right - field.left) * m_shown / 100;
        RECT rest = field;
        rest.left = bar.right;
        const COLORREF paper = hasBack ? FromOleColor(back) : ::GetSysColor(COLOR_BTNFACE);
        const COLORREF ink = hasFore ? FromOleColor(fore) : ::GetSysColor(COLOR_HIGHLIGHT);
        FillRect(dc, &rest, brush(paper));
        FillRect(dc, &bar, brush(ink));
    }

    int m_value = 0;
    int m_shown = 0;
};

} // namespace

std::unique_ptr<ProgressBar> createProgressBar(Container &parent, const std::string &name)
{
    return child<Win32ProgressBar>(parent, name, ProgressBarClass, 0, 0, false);
}

} // namespace Platform
