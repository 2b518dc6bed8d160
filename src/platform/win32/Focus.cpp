// SPDX-License-Identifier: Apache-2.0
// The keyboard and focus manager of the Win32 toolkit (Focus.h): the keyboard order of
// each container's children, Tab and Shift+Tab, the focus leaving a control that is
// hidden or disabled.
//
// There is no dialog manager: IsDialogMessage would press a default button on Enter
// and cancel on Escape. Tab and Shift+Tab are handled by the controls themselves,
// along the keyboard order of each container's children (creation order, changed by
// setTabOrder), containers' children right after the container.
//
// Focus: the focus moving between two controls of one top-level window raises lost
// and got focus; the window losing or getting back the activation (a message box,
// another program) raises neither, and the form gives the focus back to the control
// that had it, as the other toolkit does.
#include "platform/KeyCodes.h"

#include "Focus.h"

#include <algorithm>
#include <vector>

namespace Platform::Win32 {

namespace {

// The keyboard order of the windows inside `container`.
void collectTabOrder(HWND container, std::vector<HWND> &order)
{
    const WindowPart *part = partOf(container);
    if (!part)
        return;
    for (HWND child : part->tabOrder) {
        order.push_back(child);
        const WindowPart *inside = partOf(child);
        if (inside && inside->isContainer)
            collectTabOrder(child, order);
    }
}

void focusByKeyboard(HWND window)
{
    SetFocus(window);
    const WindowPart *part = partOf(window);
    if (part && part->selectsAllOnTab())
        SendMessageW(window, EM_SETSEL, 0, -1);
}

} // namespace

int shiftState()
{
    int shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= vbShiftMask;
    if (GetKeyState(VK_CONTROL) < 0)
        shift |= vbCtrlMask;
    if (GetKeyState(VK_MENU) < 0)
        shift |= vbAltMask;
    return shift;
}

bool canTakeFocus(HWND window, HWND root, HWND excluded)
{
    for (HWND step = window; step && step != root; step = GetAncestor(step, GA_PARENT)) {
        const LONG style = GetWindowLongW(step, GWL_STYLE);
        if (step == excluded || (style & WS_VISIBLE) == 0 || (style & WS_DISABLED) != 0)
            return false;
    }
    return true;
}

bool isTabStop(HWND window)
{
    return (GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP) != 0;
}

HWND nextFocus(HWND root, HWND from, bool backward, HWND excluded)
{
    std::vector<HWND> order;
    collectTabOrder(root, order);
    const auto count = std::ptrdiff_t(order.size());
    if (count == 0)
        return nullptr;
    const auto found = std::find(order.begin(), order.end(), from);
    std::ptrdiff_t index = found == order.end() ? (backward ? count : -1) : found - order.begin();
    for (std::ptrdiff_t step = 0; step < count; ++step) {
        index = ((backward ? index - 1 : index + 1) % count + count) % count;
        const HWND candidate = order[std::size_t(index)];
        // Going backwards a user control is reached from its own first child: it
        // passes the focus on, as a control whose children take the focus does.
        if (candidate == from || (backward && isFocusableUserControl(candidate)))
            continue;
        if (isTabStop(candidate) && canTakeFocus(candidate, root, excluded))
            return candidate;
    }
    return nullptr;
}

void moveFocus(HWND from, bool backward)
{
    const HWND root = GetAncestor(from, GA_ROOT);
    if (const HWND target = nextFocus(root, from, backward, nullptr))
        focusByKeyboard(target);
}

void leaveFocus(HWND window)
{
    const HWND focus = GetFocus();
    const HWND root = GetAncestor(window, GA_ROOT);
    if (!focus || root == window || (focus != window && !IsChild(window, focus)))
        return;
    if (const HWND target = nextFocus(root, focus, false, window))
        focusByKeyboard(target);
    else
        SetFocus(root);
}

bool movesBetweenControls(HWND window, HWND other)
{
    const HWND root = GetAncestor(window, GA_ROOT);
    return other && other != root && GetAncestor(other, GA_ROOT) == root;
}

void remember(HWND window)
{
    if (WindowPart *root = partOf(GetAncestor(window, GA_ROOT)))
        root->lastFocus = window;
}

} // namespace Platform::Win32
