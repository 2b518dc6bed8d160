// SPDX-License-Identifier: Apache-2.0
// The headless text box: a text, a selection, a cursor and a font (Toolkit.h,
// HeadlessToolkit.h).
#include "Controls.h"
#include "HeadlessToolkit.h"
#include "automation/AutomationError.h"
#include "platform/KeyCodes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace Platform::Headless {

namespace {

double rounded(double points)
{
    return std::nearbyint(points * 10000) / 10000;
}

// StdFont over the box's font: any change makes it the box's own, which a form's new
// font leaves alone.
class BoxFont final : public Font
{
public:
    explicit BoxFont(Node &box) : m_box(box) {}

    std::u16string name() const override { return m_box.font.face; }
    void setName(const std::u16string &face) override { own().face = face; }
    double size() const override { return rounded(m_box.font.points); }
    void setSize(double points) override
    {
        if (!(points > 0))
            Automation::raise(Automation::InvalidProcedureCall);
        own().points = rounded(points);
    }
    int charset() const override { return m_box.font.charset; }
    void setCharset(int charset) override { own().charset = charset; }

private:
    FontSpec &own()
    {
        m_box.ownFont = true;
        return m_box.font;
    }

    Node &m_box;
};

// A text, a selection and a cursor at the selection's end. A new text puts the cursor
// after its last character.
class HeadlessTextBox final : public Over<TextBox>
{
public:
    HeadlessTextBox(Node *parentNode, const std::string &controlName)
        : Over(parentNode, controlName), m_font(*this)
    {}

    std::u16string text() const override { return m_text; }
    // The same text again changes nothing, and so raises nothing.
    void setText(const std::u16string &text) override
    {
        if (text == m_text)
            return;
        m_text = text;
        m_start = int(m_text.size());
        m_length = 0;
        fire(onChange);
    }
    void setReadOnly(bool readOnly) override { m_readOnly = readOnly; }
    bool isReadOnly() const override { return m_readOnly; }
    void setSelection(int start, int length) override
    {
        const int size = int(m_text.size());
        m_start = std::clamp(start, 0, size);
        m_length = std::clamp(length, 0, size - m_start);
    }
    Font &font() override { return m_font; }

    std::u16string selected() const
    {
        return m_text.substr(std::size_t(m_start), std::size_t(m_length));
    }

    bool isTabStop() const override { return true; }
    void gotFocus() override { fire(onGotFocus); }
    // The selection goes with the focus; the cursor stays at its end.
    void lostFocus() override
    {
        fire(onLostFocus);
        setSelection(m_start + m_length, 0);
    }
    void focusedByKeyboard() override { setSelection(0, int(m_text.size())); }
    void keyDown(int key, int shift) override { fire(onKeyDown, key, shift); }
    // Without a place to click at, the cursor goes after the last character.
    void click() override
    {
        fire(onClick);
        setSelection(int(m_text.size()), 0);
    }

    // Typed over the selection, at the cursor.
    void character(char16_t typed) { edit(m_start, m_length, std::u16string(1, typed)); }

    void handleKey(int key, int) override
    {
        const int size = int(m_text.size());
        const int cursor = m_start + m_length;
        switch (key) {
        case vbKeyHome:
        case vbKeyEnd:
        case vbKeyLeft:
        case vbKeyRight: {
            const int to = key == vbKeyHome   ? 0
                           : key == vbKeyEnd  ? size
                           : key == vbKeyLeft ? (m_length ? m_start : cursor - 1)
                                              : cursor + (m_length ? 0 : 1);
            setSelection(to, 0);
            break;
        }
        case vbKeyBack:
        case vbKeyDelete:
            if (m_length)
                edit(m_start, m_length, {});
            else if (key == vbKeyBack && cursor > 0)
                edit(cursor - 1, 1, {});
            else if (key == vbKeyDelete && cursor < size)
                edit(cursor, 1, {});
            break;
        default:
            break; // Enter and Escape press nothing
        }
    }

private:
    void edit(int from, int length, const std::u16string &typed)
    {
        if (m_readOnly)
            return;
        m_text.replace(std::size_t(from), std::size_t(length), typed);
        setSelection(from + int(typed.size()), 0);
        fire(onChange);
    }

    std::u16string m_text;
    int m_start = 0;
    int m_length = 0;
    bool m_readOnly = false;
    BoxFont m_font;
};

} // namespace

std::u16string selectedText(const TextBox &box)
{
    const auto *headless = dynamic_cast<const HeadlessTextBox *>(&box);
    return headless ? headless->selected() : std::u16string();
}

void typeCharacter(Control &control, char16_t typed)
{
    if (auto *box = dynamic_cast<HeadlessTextBox *>(&control))
        box->character(typed);
}

} // namespace Platform::Headless

namespace Platform {

std::unique_ptr<TextBox> createTextBox(Container &parent, const std::string &name)
{
    return std::make_unique<Headless::HeadlessTextBox>(Headless::nodeOf(parent), name);
}

} // namespace Platform
