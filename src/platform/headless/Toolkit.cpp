// SPDX-License-Identifier: Apache-2.0
// The toolkit's controls without a window system (Toolkit.h, HeadlessToolkit.h).
//
// Each control is a node (Nodes.h) that holds what a window would show: its text,
// selection, state, place, colours and font. Nothing is drawn. Events are raised as the
// Qt and the Win32 implementations raise them: a change of text, value or selected entry
// at once, by the program as by the user; the focus moves and the user's input are the
// nodes' (Nodes.cpp, User.cpp).
#include "Controls.h"
#include "HeadlessToolkit.h"
#include "automation/Text.h"
#include "platform/KeyCodes.h"
#include "platform/ScrollRange.h"

#include <algorithm>
#include <cstddef>

namespace Platform::Headless {

namespace {

// ---- the controls

class HeadlessLabel final : public Over<Label>
{
public:
    using Over::Over;

    void setCaption(const std::u16string &caption) override { m_caption = caption; }
    std::u16string caption() const override { return m_caption; }
    void setAlignment(Alignment alignment) override { m_alignment = alignment; }
    void setWordWrap(bool wrap) override { m_wrap = wrap; }

private:
    std::u16string m_caption;
    Alignment m_alignment = Alignment::Left;
    bool m_wrap = false;
};

// The first entry of an empty list is selected; onClick for every change of the
// selected position, whoever made it.
class HeadlessDropDownList final : public Over<DropDownList>
{
public:
    using Over::Over;

    void clear() override
    {
        m_items.clear();
        select(-1);
    }
    void addItem(const std::u16string &text) override
    {
        m_items.push_back(text);
        if (m_items.size() == 1)
            select(0);
    }
    int count() const override { return int(m_items.size()); }
    std::u16string itemText(int index) const override
    {
        return index >= 0 && index < count() ? m_items[std::size_t(index)] : std::u16string();
    }
    int selectedIndex() const override { return m_selected; }
    void setSelectedIndex(int index) override
    {
        select(index >= 0 && index < count() ? index : -1);
    }

    bool isTabStop() const override { return true; }
    void handleKey(int key, int) override
    {
        if (count() > 0 && (key == vbKeyDown || key == vbKeyUp))
            select(std::clamp(m_selected + (key == vbKeyDown ? 1 : -1), 0, count() - 1));
    }

private:
    void select(int index)
    {
        if (index == m_selected)
            return;
        m_selected = index;
        fire(onClick);
    }

    std::vector<std::u16string> m_items;
    int m_selected = -1;
};

// Never a default button: Enter and Escape press nothing; Space presses it.
class HeadlessButton final : public Over<Button>
{
public:
    using Over::Over;

    void setCaption(const std::u16string &caption) override { m_caption = caption; }
    std::u16string caption() const override { return m_caption; }

    bool isTabStop() const override { return true; }
    void click() override { fire(onClick); }
    void handleKey(int key, int) override
    {
        if (key == vbKeySpace)
            fire(onClick);
    }

private:
    std::u16string m_caption;
};

// The toolkit's scrolling: a line is the small change, a page the large one.
class HeadlessScrollBar final : public Over<ScrollBar>
{
public:
    using Over::Over;

    void setRange(int minimum, int maximum) override
    {
        changed(m_range.setRange(minimum, maximum));
    }
    int minimum() const override { return m_range.minimum(); }
    int maximum() const override { return m_range.maximum(); }
    void setSmallChange(int step) override { m_range.setSmallChange(step); }
    int smallChange() const override { return m_range.smallChange(); }
    void setLargeChange(int step) override { m_range.setLargeChange(step); }
    int largeChange() const override { return m_range.largeChange(); }
    void setValue(int value) override { changed(m_range.moveTo(value)); }
    int value() const override { return m_range.value(); }

    bool isTabStop() const override { return true; }
    void keyDown(int key, int shift) override { fire(onKeyDown, key, shift); }
    void handleKey(int key, int) override
    {
        switch (key) {
        case vbKeyUp:
        case vbKeyDown:
            changed(m_range.lines(key == vbKeyDown ? 1 : -1));
            break;
        case vbKeyPageUp:
        case vbKeyPageDown:
            changed(m_range.pages(key == vbKeyPageDown ? 1 : -1));
            break;
        case vbKeyHome:
        case vbKeyEnd:
            changed(m_range.moveTo(key == vbKeyHome ? m_range.minimum() : m_range.maximum()));
            break;
        default:
            break;
        }
    }

private:
    void changed(bool moved)
    {
        if (moved)
            fire(onChange);
    }

    ScrollRange m_range;
};

class HeadlessPanel final : public ContainerOver<Panel>
{
public:
    using ContainerOver::ContainerOver;
};

// A busy component yields to the user right after it moves its bar (workYields).
class HeadlessProgressBar final : public Over<ProgressBar>
{
public:
    using Over::Over;

    void setValue(int percent) override
    {
        m_value = percent;
        workYields();
    }
    int value() const override { return m_value; }

private:
    int m_value = 0;
};

class HeadlessUserControl final : public ContainerOver<UserControl>
{
public:
    using ContainerOver::ContainerOver;

    void setFocusable(bool focusable) override { m_focusable = focusable; }
    void setGeometry(const Rect &pixels) override
    {
        const bool resized = pixels.width != place.width || pixels.height != place.height;
        place = pixels;
        if (resized)
            fire(onResize);
    }

    bool isTabStop() const override { return m_focusable; }
    void gotFocus() override { fire(onGotFocus); }
    void keyDown(int key, int shift) override { fire(onKeyDown, key, shift); }

private:
    bool m_focusable = false;
};

// Shown, it takes the activation; hidden, the form shown before gets it back.
class HeadlessForm final : public ContainerOver<Form>
{
public:
    explicit HeadlessForm(const std::string &controlName) : ContainerOver(nullptr, controlName)
    {
        visible = false;
    }

    void setCaption(const std::u16string &caption) override { m_caption = caption; }
    void setIcon(const std::string &icon) override { m_icon = icon; }
    // The first face of the list: every face is there.
    void setFont(const std::u16string &faces, double points) override
    {
        const std::u16string first(Automation::trimmed(faces.substr(0, faces.find(u';'))));
        font = FontSpec{first, points, DEFAULT_CHARSET};
        for (Node *node : allNodes()) {
            if (node != this && contains(node) && !node->ownFont)
                node->font = font;
        }
    }
    void setClientSize(int width, int height) override
    {
        place.width = width;
        place.height = height;
    }
    void setVisible(bool show) override
    {
        if (show == visible)
            return;
        visible = show;
        formShown(*this, show);
        // Once per showing, after the show.
        if (show)
            fire(onActivate);
    }
    // The run is the user's session: the form must be hidden at its end.
    void showModal() override
    {
        if (m_modal)
            return;
        m_modal = true;
        setVisible(true);
        if (visible)
            runSession(*this);
        if (visible) {
            failure("the form \"" + name + "\" is still shown after its session");
            setVisible(false);
        }
        m_modal = false;
    }
    void setInputHeld(bool held) override { inputHeld = held; }

private:
    std::u16string m_caption;
    std::string m_icon;
    bool m_modal = false;
};

template <typename Made> std::unique_ptr<Made> child(Container &parent, const std::string &name)
{
    return std::make_unique<Made>(nodeOf(parent), name);
}

} // namespace

} // namespace Platform::Headless

namespace Platform {

using namespace Headless;

std::unique_ptr<Form> createForm(const std::string &name)
{
    return std::make_unique<HeadlessForm>(name);
}

std::unique_ptr<Label> createLabel(Container &parent, const std::string &name)
{
    return child<HeadlessLabel>(parent, name);
}

std::unique_ptr<DropDownList> createDropDownList(Container &parent, const std::string &name)
{
    return child<HeadlessDropDownList>(parent, name);
}

std::unique_ptr<Button> createButton(Container &parent, const std::string &name)
{
    return child<HeadlessButton>(parent, name);
}

std::unique_ptr<ScrollBar> createScrollBar(Container &parent, const std::string &name)
{
    return child<HeadlessScrollBar>(parent, name);
}

std::unique_ptr<Panel> createPanel(Container &parent, const std::string &name)
{
    return child<HeadlessPanel>(parent, name);
}

std::unique_ptr<ProgressBar> createProgressBar(Container &parent, const std::string &name)
{
    return child<HeadlessProgressBar>(parent, name);
}

// Without a parent, a window of its own, not shown.
std::unique_ptr<UserControl> createUserControl(Container *parent, const std::string &name)
{
    auto control = std::make_unique<HeadlessUserControl>(parent ? nodeOf(*parent) : nullptr, name);
    if (!parent)
        control->visible = false;
    return control;
}

} // namespace Platform
