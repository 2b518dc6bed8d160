// SPDX-License-Identifier: Apache-2.0
// The text box on Win32: an EDIT, its font (StdFont), the text and selection the
// program sets, and the tooltip that shows a text the box cuts off.
#include "automation/AutomationError.h"

#include "ControlWindow.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

namespace Platform {

using namespace Win32;

namespace {

// StdFont over the box's own font: every change makes the box a font of its own, from
// the one it had, and shows at once.
class BoxFont final : public Font
{
public:
    explicit BoxFont(WindowPart &box) : m_box(box) {}
    ~BoxFont() override
    {
        if (m_font)
            DeleteObject(m_font);
    }
    BoxFont(const BoxFont &) = delete;
    BoxFont &operator=(const BoxFont &) = delete;

    bool isOwn() const { return m_font != nullptr; }

    std::u16string name() const override { return current().face; }
    void setName(const std::u16string &face) override
    {
        FontSpec wanted = current();
        wanted.face = face;
        apply(wanted);
    }
    double size() const override { return std::nearbyint(current().points * 10000) / 10000; }
    void setSize(double points) override
    {
        if (!(points > 0))
            Automation::raise(Automation::InvalidProcedureCall);
        FontSpec wanted = current();
        wanted.points = std::nearbyint(points * 10000) / 10000;
        apply(wanted);
    }
    int charset() const override { return current().charset; }
    void setCharset(int charset) override
    {
        FontSpec wanted = current();
        wanted.charset = charset;
        apply(wanted);
    }

private:
    FontSpec current() const { return m_font ? m_spec : m_box.fontSpec; }

    void apply(const FontSpec &wanted)
    {
        if (m_font && wanted == m_spec)
            return;
        const HFONT made = makeFont(wanted);
        if (!made)
            return;
        SendMessageW(m_box.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
        if (m_font)
            DeleteObject(m_font);
        m_font = made;
        m_spec = wanted;
    }

    WindowPart &m_box;
    FontSpec m_spec;
    HFONT m_font = nullptr;
};

class Win32TextBox final : public Over<TextBox>
{
public:
    Win32TextBox() : m_font(*this) {}
    // The window goes before its font.
    ~Win32TextBox() override { destroyWindow(); }

    // A text and a selection the program sets are told at once (the change event, the
    // text read back) and reach the window at its next message, at the latest the paint
    // they ask for: a list that scrolls row by row rewrites every box at each step, and
    // the system's edit control takes its time over each text it is given (under wine a
    // few round trips to its server), where only the last one is ever seen.
    std::u16string text() const override
    {
        return m_pendingText ? *m_pendingText : u16(WindowText(hwnd));
    }
    // The same text again changes nothing (and so raises no change). A new text puts
    // the cursor before its first character, as the system's control does.
    void setText(const std::u16string &text) override
    {
        if (!hwnd || this->text() == text)
            return;
        m_pendingText = text;
        m_pendingSelection.reset();
        invalidate(RDW_INVALIDATE | RDW_ERASE);
        fire(onChange);
    }
    void flush() override
    {
        // The messages the flush itself sends come back here.
        if (m_flushing)
            return;
        m_flushing = true;
        if (m_pendingText) {
            const std::wstring shown = wide(*m_pendingText);
            m_pendingText.reset();
            SetWindowTextW(hwnd, shown.c_str());
        }
        if (const std::optional<std::pair<int, int>> selection =
                std::exchange(m_pendingSelection, {})) {
            SendMessageW(hwnd, EM_SETSEL, WPARAM(selection->first), LPARAM(selection->second));
            SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
        }
        m_flushing = false;
    }
    void setReadOnly(bool readOnly) override
    {
        if (readOnly != isReadOnly())
            SendMessageW(hwnd, EM_SETREADONLY, readOnly, 0);
    }
    bool isReadOnly() const override
    {
        return (GetWindowLongW(hwnd, GWL_STYLE) & ES_READONLY) != 0;
    }
    void setSelection(int start, int length) override
    {
        if (!hwnd)
            return;
        const int size = int(text().size());
        const int from = std::clamp(start, 0, size);
        const int to = from + std::clamp(length, 0, size - from);
        m_pendingSelection = {from, to};
        invalidate(RDW_INVALIDATE);
    }
    Font &font() override { return m_font; }

    void command(WORD code) override
    {
        if (code == EN_CHANGE && !m_flushing)
            fire(onChange);
    }
    void keyDown(int key, int shift) override { fire(onKeyDown, key, shift); }
    bool clickTakesFocus() const override { return true; }
    void click() override { fire(onClick); }
    void gotFocus() override { fire(onGotFocus); }
    void lostFocus() override { fire(onLostFocus); }
    bool selectsAllOnTab() const override { return true; }
    bool hasOwnFont() const override { return m_font.isOwn(); }

    // The tooltip sees the pointer through the box's own subclass.
    void mouseInput(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        const WindowPart *root = partOf(GetAncestor(hwnd, GA_ROOT));
        if (!root || !root->tooltip)
            return;
        const DWORD at = GetMessagePos();
        const MSG relayed{hwnd,
                          message,
                          wParam,
                          lParam,
                          DWORD(GetMessageTime()),
                          {short(LOWORD(at)), short(HIWORD(at))}};
        SendMessageW(root->tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }

    // A read-only box keeps the background of a box one types in.
    bool defaultBack(UINT message, COLORREF &colour) const override
    {
        if (message != WM_CTLCOLORSTATIC || !IsWindowEnabled(hwnd))
            return false;
        colour = ::GetSysColor(COLOR_WINDOW);
        return true;
    }

    // The whole text when the box cuts it off, else nothing (no tooltip shows).
    wchar_t *tooltipText() override
    {
        m_tip = wide(text());
        if (!isCutOff(m_tip))
            m_tip.clear();
        return m_tip.data();
    }

    void addTooltip()
    {
        WindowPart *root = partOf(GetAncestor(hwnd, GA_ROOT));
        if (!root)
            return;
        if (!root->tooltip)
            root->tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                            WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, root->hwnd,
                                            nullptr, ThisModule(), nullptr);
        TTTOOLINFOW tool = toolInfo();
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(root->tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }

protected:
    void gone() override
    {
        const WindowPart *root = partOf(GetAncestor(hwnd, GA_ROOT));
        if (root && root->tooltip && IsWindow(root->tooltip)) {
            TTTOOLINFOW tool = toolInfo();
            SendMessageW(root->tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }

private:
    TTTOOLINFOW toolInfo() const
    {
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = GetAncestor(hwnd, GA_PARENT);
        tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
        return tool;
    }

    bool isCutOff(const std::wstring &shown) const
    {
        if (shown.empty())
            return false;
        RECT client{};
        GetClientRect(hwnd, &client);
        const auto margins = DWORD(SendMessageW(hwnd, EM_GETMARGINS, 0, 0));
        const LONG room = client.right - client.left - LOWORD(margins) - HIWORD(margins);
        const HDC dc = GetDC(hwnd);
        const HGDIOBJ previous =
            SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
        SIZE extent{};
        GetTextExtentPoint32W(dc, shown.c_str(), int(shown.size()), &extent);
        SelectObject(dc, previous);
        ReleaseDC(hwnd, dc);
        return extent.cx > room;
    }

    BoxFont m_font;
    std::wstring m_tip;
    std::optional<std::u16string> m_pendingText;
    std::optional<std::pair<int, int>> m_pendingSelection;
    bool m_flushing = false;
};

} // namespace

std::unique_ptr<TextBox> createTextBox(Container &parent, const std::string &name)
{
    auto box = child<Win32TextBox>(parent, name, L"EDIT", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
                                   WS_EX_CLIENTEDGE);
    // The system's limit of what a user may type, 32 767 characters, would refuse any
    // key in a longer value: the largest limit there is.
    SendMessageW(windowOf(*box), EM_SETLIMITTEXT, 0, 0);
    box->addTooltip();
    return box;
}

} // namespace Platform
