// SPDX-License-Identifier: Apache-2.0
// The nodes of the headless toolkit (Nodes.h): the tree of controls, the windows shown
// and their activation, and the focus. A window getting the activation gives the focus
// back quietly to the control that had it (else to the first in keyboard order); the
// focus moving between two controls of the active window tells the one that loses it,
// then the one that gets it. The keyboard order is each container's children in
// creation order (changed by setTabOrder), a container's children right after it.
#include "Nodes.h"
#include "HeadlessToolkit.h"

#include <algorithm>
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
        std::erase(parent->children, this);
        std::erase(parent->tabOrder, this);
    }
    if (std::find(shownForms().begin(), shownForms().end(), this) != shownForms().end())
        formShown(*this, false);
    std::erase(nodes(), this);
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
    std::erase(forms, &form);
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

std::u16string accessibleName(const Control &control)
{
    const Node *node = nodeOf(control);
    return node ? node->accessibleName : std::u16string();
}

} // namespace Platform::Headless
