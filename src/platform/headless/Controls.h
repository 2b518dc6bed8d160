// SPDX-License-Identifier: Apache-2.0
// Controls: what every control of the headless toolkit is over its node: the interface
// of Toolkit.h answered from the node's state (Nodes.h).
#pragma once

#include "Nodes.h"

#include <algorithm>
#include <vector>

namespace Platform::Headless {

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
        std::erase(parent->children, static_cast<Node *>(this));
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
        std::erase(order, moved);
        order.insert(std::find(order.begin(), order.end(), after) + 1, moved);
    }
};

} // namespace Platform::Headless
