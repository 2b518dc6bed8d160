// SPDX-License-Identifier: Apache-2.0
// The scroll bar on Win32: a vertical SCROLLBAR, with the toolkit's range, steps and
// value kept by the control.
#include "ControlWindow.h"

#include <algorithm>

namespace Platform {

using namespace Win32;

namespace {

class Win32ScrollBar final : public Over<ScrollBar>
{
public:
    void setRange(int minimum, int maximum) override
    {
        m_minimum = minimum;
        m_maximum = std::max(minimum, maximum);
        moveTo(m_value);
    }
    int minimum() const override { return m_minimum; }
    int maximum() const override { return m_maximum; }
    void setSmallChange(int step) override { m_small = step; }
    int smallChange() const override { return m_small; }
    void setLargeChange(int step) override
    {
        m_large = step;
        update();
    }
    int largeChange() const override { return m_large; }
    void setValue(int value) override { moveTo(value); }
    int value() const override { return m_value; }

    // The toolkit's scrolling: a line is the small change, a page the large one; the
    // thumb's 16-bit position while it is dragged.
    void verticalScroll(WORD code, int position) override
    {
        switch (code) {
        case SB_LINEUP:
            moveTo(m_value - m_small);
            break;
        case SB_LINEDOWN:
            moveTo(m_value + m_small);
            break;
        case SB_PAGEUP:
            moveTo(m_value - m_large);
            break;
        case SB_PAGEDOWN:
            moveTo(m_value + m_large);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            moveTo(position);
            break;
        case SB_TOP:
            moveTo(m_minimum);
            break;
        case SB_BOTTOM:
            moveTo(m_maximum);
            break;
        default:
            break;
        }
    }
    void keyDown(int key, int shift) override { fire(onKeyDown, key, shift); }

    // The thumb's length shows the large change against the range, as the other
    // toolkit's does; the bar reaches its maximum.
    void update()
    {
        const int page = std::max(m_large, 1);
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMin = m_minimum;
        info.nMax = m_maximum + page - 1;
        info.nPage = UINT(page);
        info.nPos = m_value;
        if (m_shown.cbSize && info.nMin == m_shown.nMin && info.nMax == m_shown.nMax &&
            info.nPage == m_shown.nPage && info.nPos == m_shown.nPos)
            return;
        m_shown = info;
        // Painted with the next paint, not at once: a list sets range, page and position
        // one after the other at every redraw, and the system draws a bar anew at each.
        SetScrollInfo(hwnd, SB_CTL, &info, FALSE);
        invalidate(RDW_INVALIDATE);
    }

private:
    void moveTo(int value)
    {
        const int next = std::clamp(value, m_minimum, m_maximum);
        const bool moved = next != m_value;
        m_value = next;
        update();
        if (moved)
            fire(onChange);
    }

    // The toolkit's defaults for a scroll bar: 0 to 32767 in steps of 1.
    int m_minimum = 0;
    int m_maximum = 32767;
    int m_small = 1;
    int m_large = 1;
    int m_value = 0;
    SCROLLINFO m_shown{};
};

} // namespace

std::unique_ptr<ScrollBar> createScrollBar(Container &parent, const std::string &name)
{
    auto bar = child<Win32ScrollBar>(parent, name, L"SCROLLBAR", WS_TABSTOP | SBS_VERT);
    bar->update();
    return bar;
}

} // namespace Platform
