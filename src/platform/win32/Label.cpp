// SPDX-License-Identifier: Apache-2.0
// The label on Win32: a STATIC the label draws itself, on its parent's background.
#include "ControlWindow.h"

#include <string>

namespace Platform {

using namespace Win32;

namespace {

class Win32Label final : public Over<Label>
{
public:
    void setCaption(const std::u16string &caption) override
    {
        SetWindowTextW(hwnd, wide(caption).c_str());
    }
    std::u16string caption() const override { return u16(WindowText(hwnd)); }
    void setAlignment(Alignment alignment) override
    {
        m_alignment = alignment;
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    void setWordWrap(bool wrap) override
    {
        m_wrap = wrap;
        InvalidateRect(hwnd, nullptr, TRUE);
    }

    // Drawn by the label itself (an owner-drawn STATIC): on its parent's background
    // unless given one, left-aligned text centred vertically, centred text from the top.
    void draw(const DRAWITEMSTRUCT &item) override
    {
        const HDC dc = item.hDC;
        RECT area = item.rcItem;
        const WindowPart *parent = containerOf(hwnd);
        const COLORREF paper = hasBack  ? FromOleColor(back)
                               : parent ? parent->background()
                                        : ::GetSysColor(COLOR_BTNFACE);
        FillRect(dc, &area, brush(paper));
        SetTextColor(dc, !IsWindowEnabled(hwnd) ? ::GetSysColor(COLOR_GRAYTEXT)
                         : hasFore              ? FromOleColor(fore)
                                                : ::GetSysColor(COLOR_BTNTEXT));
        SetBkMode(dc, TRANSPARENT);
        const HGDIOBJ previous = SelectObject(dc, hfont);
        const std::wstring shown = WindowText(hwnd);
        UINT format = DT_NOPREFIX | DT_EXPANDTABS | (m_wrap ? DT_WORDBREAK : 0u);
        if (m_alignment == Alignment::Centre) {
            format |= DT_CENTER | DT_TOP;
        } else {
            RECT needed = area;
            DrawTextW(dc, shown.c_str(), int(shown.size()), &needed, format | DT_CALCRECT);
            const LONG height = needed.bottom - needed.top;
            area.top += (area.bottom - area.top - height) / 2;
            area.bottom = area.top + height;
        }
        DrawTextW(dc, shown.c_str(), int(shown.size()), &area, format);
        SelectObject(dc, previous);
    }

private:
    Alignment m_alignment = Alignment::Left;
    bool m_wrap = false;
};

} // namespace

std::unique_ptr<Label> createLabel(Container &parent, const std::string &name)
{
    return child<Win32Label>(parent, name, L"STATIC", SS_OWNERDRAW);
}

} // namespace Platform
