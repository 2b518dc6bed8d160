// SPDX-License-Identifier: Apache-2.0
// Nodes: what the files of the headless toolkit share and no one else sees: the part
// every control has (its place among the others, the state it holds), the windows
// shown, the focus, and the session that stands in for the user.
#pragma once

#include "platform/Toolkit.h"

#include <string>
#include <vector>

namespace Platform::Headless {

struct FontSpec
{
    std::u16string face;
    double points = 0;
    int charset = DEFAULT_CHARSET;
};

// The part of every control: its parent and children, and what it holds.
class Node
{
public:
    Node(Node *parent, std::string name);
    virtual ~Node();
    Node(const Node &) = delete;
    Node &operator=(const Node &) = delete;

    virtual Control &control() = 0;
    // Reached by Tab: boxes, lists, buttons, scroll bars, a focusable user control.
    virtual bool isTabStop() const { return false; }
    // The control's own handling of the focus and of the user's input, after (for keys:
    // before) the toolkit moved the focus; each raises the events of its kind.
    virtual void gotFocus() {}
    virtual void lostFocus() {}
    virtual void focusedByKeyboard() {}
    virtual void keyDown(int, int) {}
    virtual void handleKey(int, int) {}
    virtual void click() {}

    // The top-level window: a form, or a user control made without a parent.
    Node *root() const;
    bool contains(const Node *other) const; // itself or inside it
    // This control and every container above it are visible, or enabled.
    bool shown() const;
    bool enabledAll() const;
    // The top-level window holds its input (Form::setInputHeld).
    bool held() const { return root()->inputHeld; }
    void setVisible(bool show);
    void setEnabled(bool enable);

    const std::string name;
    Node *parent;
    std::vector<Node *> children; // in stacking order, the last on top
    std::vector<Node *> tabOrder; // the children in keyboard order
    Rect place;
    bool visible = true;
    bool enabled = true;
    OleColor back = 0;
    OleColor fore = SystemColor(COLOR_BTNTEXT);
    std::u16string accessibleName;
    FontSpec font;
    bool ownFont = false;
    // Top-level windows: the control that has the focus, or takes it at the next
    // activation; whether their input is held.
    Node *focus = nullptr;
    bool inputHeld = false;
};

Node *nodeOf(const Control &control);
bool isAlive(const Node *node);
const std::vector<Node *> &allNodes();

// The form shown last and still shown, which has the activation; null when none is.
Node *activeWindow();
// Form shown or hidden: the activation moves to it, or back to the one shown before.
void formShown(Node &form, bool shown);

// Moves the focus of the control's window to it: the owner before loses it, then the
// control gets it, both told when the window is active (else it takes the focus at the
// next activation, quietly). By the keyboard a text box selects its whole text.
void moveFocus(Node &to, bool byKeyboard);
// Tab or Shift+Tab from `from`, along the keyboard order.
void tab(Node &from, bool backward);
// A character typed into a text box, over its selection.
void typeCharacter(Control &control, char16_t typed);

// A session step of the user (User.cpp): the next session, run in a modal form's run;
// and the moment a busy component yields, right after it moves a progress bar.
void runSession(Form &form);
void workYields();
// What must not happen in a test's session: said to the failure handler.
void failure(const std::string &what);

} // namespace Platform::Headless
