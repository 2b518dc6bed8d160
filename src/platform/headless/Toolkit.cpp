// SPDX-License-Identifier: Apache-2.0
// The toolkit's controls without a window system (Toolkit.h, HeadlessToolkit.h).
//
// Each control is a node that holds what a window would show: its text, selection,
// state, place, colours and font. Nothing is drawn. Events are raised as the Qt and the
// Win32 implementations raise them: a change of text, value or selected entry at once,
// by the program as by the user; the focus moving between two controls of the active
// window tells the one that loses it, then the one that gets it; a window getting the
// activation gives the focus back quietly to the control that had it (else to the first
// in keyboard order). The keyboard order is each container's children in creation order
// (changed by setTabOrder), a container's children right after it.
#include "HeadlessToolkit.h"
#include "Nodes.h"
#include "automation/AutomationError.h"
#include "automation/Text.h"
#include "platform/KeyCodes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace Platform::Headless {

namespace {

std::vector<Node *> &nodes()
{
    static std::vector<Node *> all;
    return all;
}

std::vector<Node *> &shownForms()
{
    static std::vector<Node *> forms;
    return forms;
}

// The font of a window that no form gave one.
const FontSpec DefaultFont{u"MS Shell Dlg", 8, DEFAULT_CHARSET};

template <typename Item> void eraseFrom(std::vector<Item *> &items, const Item *item)
{
    items.erase(std::remove(items.begin(), items.end(), item), items.end());
}

// Shown and enabled below its top-level window, and not inside `excluded`.
bool canTakeFocus(const Node *node, const Node *excluded)
{
    for (const Node *step = node; step && step->parent; step = step->parent) {
        if (step == excluded || !step->visible || !step->enabled)
            return false;
    }
    return true;
}

void collectOrder(const Node *container, std::vector<Node *> &order)
{
    for (Node *child : container->tabOrder) {
        order.push_back(child);
        collectOrder(child, order);
    }
}

bool isFocusableUserControl(Node *node)
{
    return node->isTabStop() && dynamic_cast<UserControl *>(&node->control());
}

// The control Tab (or Shift+Tab) moves the focus to from `from`, skipping what is
// inside `excluded`; null when there is none.
Node *nextFocus(Node *root, Node *from, bool backward, const Node *excluded)
{
    std::vector<Node *> order;
    collectOrder(root, order);
    const auto count = std::ptrdiff_t(order.size());
    const auto found = std::find(order.begin(), order.end(), from);
    std::ptrdiff_t index = found == order.end() ? (backward ? count : -1) : found - order.begin();
    for (std::ptrdiff_t step = 0; step < count; ++step) {
        index = ((backward ? index - 1 : index + 1) % count + count) % count;
        Node *candidate = order[std::size_t(index)];
        // Going backwards a user control is reached from its own first child: it passes
        // the focus on, as a control whose children take the focus does.
        if (candidate == from || (backward && isFocusableUserControl(candidate)))
            continue;
        if (candidate->isTabStop() && canTakeFocus(candidate, excluded))
            return candidate;
    }
    return nullptr;
}

// Before `node` is hidden or disabled: a focus inside it goes on to the next control,
// else to the window itself.
void leaveFocus(Node &node)
{
    Node *root = node.root();
    if (root == &node || root != activeWindow() || !root->focus || !node.contains(root->focus))
        return;
    if (Node *target = nextFocus(root, root->focus, false, &node))
        moveFocus(*target, true);
    else
        root->focus = nullptr;
}

// The window got the activation: the control that had the focus gets it back, or the
// first in keyboard order; neither hears of it, since no focus moved between controls.
void activate(Node &form)
{
    Node *target = form.focus;
    if (!target || !canTakeFocus(target, nullptr))
        target = nextFocus(&form, &form, false, nullptr);
    form.focus = target;
}

// ---- the controls

template <typename Interface> class Over : public Interface, public Node
{
public:
    Over(Node *parentNode, const std::string &controlName) : Node(parentNode, controlName) {}

    Control &control() override { return *this; }
    void setGeometry(const Rect &pixels) override { place = pixels; }
    Rect geometry() const override { return place; }
    void setVisible(bool show) override { Node::setVisible(show); }
    bool isVisible() const override { return shown(); }
    void setEnabled(bool enable) override { Node::setEnabled(enable); }
    bool isEnabled() const override { return enabledAll(); }
    void setBackColor(OleColor color) override { back = color; }
    OleColor backColor() const override { return back; }
    void setForeColor(OleColor color) override { fore = color; }
    OleColor foreColor() const override { return fore; }
    void setFocus() override { moveFocus(*this, false); }
    bool hasFocus() const override
    {
        const Node *top = root();
        return top == activeWindow() && top->focus == this;
    }
    void setAccessibleName(const std::u16string &text) override { accessibleName = text; }
    void raise() override
    {
        if (!parent)
            return;
        eraseFrom(parent->children, static_cast<Node *>(this));
        parent->children.push_back(this);
    }
    void repaint() override {} // nothing is drawn
};

template <typename Interface> class ContainerOver : public Over<Interface>
{
public:
    using Over<Interface>::Over;

    void setTabOrder(Control &first, Control &second) override
    {
        Node *after = nodeOf(first);
        Node *moved = nodeOf(second);
        std::vector<Node *> &order = this->tabOrder;
        const auto has = [&](Node *node) {
            return std::find(order.begin(), order.end(), node) != order.end();
        };
        if (!after || !moved || after == moved || !has(after) || !has(moved))
            return;
        eraseFrom(order, moved);
        order.insert(std::find(order.begin(), order.end(), after) + 1, moved);
    }
};

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
        m_minimum = minimum;
        m_maximum = std::max(minimum, maximum);
        moveTo(m_value);
    }
    int minimum() const override { return m_minimum; }
    int maximum() const override { return m_maximum; }
    void setSmallChange(int step) override { m_small = step; }
    int smallChange() const override { return m_small; }
    void setLargeChange(int step) override { m_large = step; }
    int largeChange() const override { return m_large; }
    void setValue(int value) override { moveTo(value); }
    int value() const override { return m_value; }

    bool isTabStop() const override { return true; }
    void keyDown(int key, int shift) override { fire(onKeyDown, key, shift); }
    void handleKey(int key, int) override
    {
        switch (key) {
        case vbKeyUp:
        case vbKeyDown:
            moveTo(m_value + (key == vbKeyDown ? m_small : -m_small));
            break;
        case vbKeyPageUp:
        case vbKeyPageDown:
            moveTo(m_value + (key == vbKeyPageDown ? m_large : -m_large));
            break;
        case vbKeyHome:
        case vbKeyEnd:
            moveTo(key == vbKeyHome ? m_minimum : m_maximum);
            break;
        default:
            break;
        }
    }

private:
    void moveTo(int value)
    {
        const int next = std::clamp(value, m_minimum, m_maximum);
        if (next == m_value)
            return;
        m_value = next;
        fire(onChange);
    }

    // The toolkit's defaults for a scroll bar: 0 to 32767 in steps of 1.
    int m_minimum = 0;
    int m_maximum = 32767;
    int m_small = 1;
    int m_large = 1;
    int m_value = 0;
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

// ---- the nodes

Node::Node(Node *parentNode, std::string controlName)
    : name(std::move(controlName)), parent(parentNode),
      font(parentNode ? parentNode->font : DefaultFont)
{
    nodes().push_back(this);
    if (parent) {
        parent->children.push_back(this);
        parent->tabOrder.push_back(this);
    }
}

// The focus leaves quietly: no control is told of a focus that moves because one goes.
Node::~Node()
{
    Node *top = root();
    if (top->focus && contains(top->focus))
        top->focus = nullptr;
    // The controls inside have owners of their own, who destroy them later.
    for (Node *child : children) {
        child->parent = nullptr;
        child->visible = false;
    }
    if (parent) {
        eraseFrom(parent->children, this);
        eraseFrom(parent->tabOrder, this);
    }
    if (std::find(shownForms().begin(), shownForms().end(), this) != shownForms().end())
        formShown(*this, false);
    eraseFrom(nodes(), this);
}

Node *Node::root() const
{
    const Node *step = this;
    while (step->parent)
        step = step->parent;
    return const_cast<Node *>(step);
}

bool Node::contains(const Node *other) const
{
    for (const Node *step = other; step; step = step->parent) {
        if (step == this)
            return true;
    }
    return false;
}

bool Node::shown() const
{
    for (const Node *step = this; step; step = step->parent) {
        if (!step->visible)
            return false;
    }
    return true;
}

bool Node::enabledAll() const
{
    for (const Node *step = this; step; step = step->parent) {
        if (!step->enabled)
            return false;
    }
    return true;
}

void Node::setVisible(bool show)
{
    if (!show && visible)
        leaveFocus(*this);
    visible = show;
}

void Node::setEnabled(bool enable)
{
    if (!enable && enabled)
        leaveFocus(*this);
    enabled = enable;
}

Node *nodeOf(const Control &control)
{
    return dynamic_cast<Node *>(const_cast<Control *>(&control));
}

bool isAlive(const Node *node)
{
    return std::find(nodes().begin(), nodes().end(), node) != nodes().end();
}

const std::vector<Node *> &allNodes()
{
    return nodes();
}

Node *activeWindow()
{
    return shownForms().empty() ? nullptr : shownForms().back();
}

void formShown(Node &form, bool shown)
{
    std::vector<Node *> &forms = shownForms();
    const bool wasActive = activeWindow() == &form;
    eraseFrom(forms, &form);
    if (shown)
        forms.push_back(&form);
    if ((shown || wasActive) && !forms.empty())
        activate(*forms.back());
}

void moveFocus(Node &to, bool byKeyboard)
{
    Node *root = to.root();
    Node *from = root->focus;
    if (from == &to)
        return;
    root->focus = &to;
    if (root != activeWindow())
        return;
    if (from)
        from->lostFocus();
    if (!isAlive(&to) || root->focus != &to)
        return; // the handler moved it on
    if (byKeyboard)
        to.focusedByKeyboard();
    if (from)
        to.gotFocus();
}

void tab(Node &from, bool backward)
{
    if (Node *target = nextFocus(from.root(), &from, backward, nullptr))
        moveFocus(*target, true);
}

// ---- what tests read

Control *find(const Control &inside, const std::string &name)
{
    const Node *top = nodeOf(inside);
    for (Node *node : allNodes()) {
        if (node->name == name && top && top->contains(node))
            return &node->control();
    }
    return nullptr;
}

Form *activeForm()
{
    Node *form = activeWindow();
    return form ? dynamic_cast<Form *>(&form->control()) : nullptr;
}

std::u16string selectedText(const TextBox &box)
{
    const auto *headless = dynamic_cast<const HeadlessTextBox *>(&box);
    return headless ? headless->selected() : std::u16string();
}

std::u16string accessibleName(const Control &control)
{
    const Node *node = nodeOf(control);
    return node ? node->accessibleName : std::u16string();
}

void typeCharacter(Control &control, char16_t typed)
{
    if (auto *box = dynamic_cast<HeadlessTextBox *>(&control))
        box->character(typed);
}

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

std::unique_ptr<TextBox> createTextBox(Container &parent, const std::string &name)
{
    return child<HeadlessTextBox>(parent, name);
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
