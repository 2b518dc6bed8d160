// SPDX-License-Identifier: Apache-2.0
// The scroll bar on Win32: a vertical SCROLLBAR, with the toolkit's range, steps and
// value kept by the control (ScrollRange.h).
#include "ControlWindow.h"
#include "platform/ScrollRange.h"

#include <algorithm>

namespace Platform {

using namespace Win32;

namespace {

class Win32ScrollBar final : public Over<ScrollBar>
{
public:
    void setRange(int minimum, int maximum) override
    {
        changed(m_range.setRange(minimum, maximum));
    }
    int minimum() const override { return m_range.minimum(); }
    int maximum() const override { return m_range.maximum(); }
    void setSmallChange(int step) override { m_range.setSmallChange(step); }
    int smallChange() const override { return m_range.smallChange(); }
    void setLargeChange(int step) override
    {
        m_range.setLargeChange(step);
        update();
    }
    int largeChange() const override { return m_range.largeChange(); }
    void setValue(int value) override { changed(m_range.moveTo(value)); }
    int value() const override { return m_range.value(); }

    // The toolkit's scrolling: a line is the small change, a page the large one; the
    // thumb's 16-bit position while it is dragged.
    void verticalScroll(WORD code, int position) override
    {
        switch (code) {
        case SB_LINEUP:
        case SB_LINEDOWN:
            changed(m_range.lines(code == SB_LINEDOWN ? 1 : -1));
            break;
        case SB_PAGEUP:
        case SB_PAGEDOWN:
            changed(m_range.pages(code == SB_PAGEDOWN ? 1 : -1));
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            changed(m_range.moveTo(position));
            break;
        case SB_TOP:
        case SB_BOTTOM:
            changed(m_range.moveTo(code == SB_TOP ? m_range.minimum() : m_range.maximum()));
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
        const int page = std::max(m_range.largeChange(), 1);
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMin = m_range.minimum();
        info.nMax = m_range.maximum() + page - 1;
        info.nPage = UINT(page);
        info.nPos = m_range.value();
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
    // The bar drawn as the range now stands; Change when the value moved.
    void changed(bool moved)
    {
        update();
        if (moved)
            fire(onChange);
    }

    ScrollRange m_range;
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
