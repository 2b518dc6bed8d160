// SPDX-License-Identifier: Apache-2.0
// The user of the headless toolkit (HeadlessToolkit.h): clicks, keys and typing aimed
// at the active window, the close box, and the sessions that modal runs play.
#include "HeadlessToolkit.h"
#include "Nodes.h"
#include "platform/KeyCodes.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <utility>

namespace Platform::Headless {

namespace {

std::deque<std::function<void(Form &)>> &sessions()
{
    static std::deque<std::function<void(Form &)>> queued;
    return queued;
}

std::function<void()> &workStep()
{
    static std::function<void()> step;
    return step;
}

std::function<void(const std::string &)> &failureHandler()
{
    static std::function<void(const std::string &)> handler;
    return handler;
}

// The control the user's input reaches: in the active window, which does not hold it.
bool reachable(const Node *node)
{
    return node && node->root() == activeWindow() && !node->held() && node->shown() &&
           node->enabledAll();
}

// The key that types `typed`, with its shift state.
std::pair<int, int> keyOf(char16_t typed)
{
    if (typed >= u'a' && typed <= u'z')
        return {typed - u'a' + 'A', 0};
    if (typed >= u'A' && typed <= u'Z')
        return {typed, vbShiftMask};
    if ((typed >= u'0' && typed <= u'9') || typed == u' ')
        return {typed, 0};
    return {0, 0};
}

} // namespace

void click(Control &control)
{
    Node *node = nodeOf(control);
    if (!reachable(node))
        return;
    // The focus moves before the press is told, as in both real toolkits.
    if (node->isTabStop())
        moveFocus(*node, false);
    if (isAlive(node))
        node->click();
}

void choose(DropDownList &list, int index)
{
    if (!reachable(nodeOf(list)))
        return;
    click(list);
    list.setSelectedIndex(index);
}

void press(int keyCode, int shift)
{
    Node *window = activeWindow();
    Node *target = window && !window->inputHeld ? window->focus : nullptr;
    if (!target)
        return;
    const bool tabs = keyCode == vbKeyTab && (shift & (vbCtrlMask | vbAltMask)) == 0;
    // Tab moves the focus on before a user control sees it; other controls hear of it.
    if (!tabs || !dynamic_cast<UserControl *>(&target->control()))
        target->keyDown(keyCode, shift);
    if (!isAlive(target))
        return;
    if (tabs)
        tab(*target, (shift & vbShiftMask) != 0);
    else
        target->handleKey(keyCode, shift);
}

void type(const std::u16string &text)
{
    for (const char16_t typed : text) {
        Node *window = activeWindow();
        Node *target = window && !window->inputHeld ? window->focus : nullptr;
        if (!target)
            return;
        const auto [key, shift] = keyOf(typed);
        target->keyDown(key, shift);
        if (isAlive(target))
            typeCharacter(target->control(), typed);
    }
}

void closeBox(Form &form)
{
    bool cancel = false;
    fire(form.onQueryUnload, cancel);
    if (!cancel)
        form.hide();
}

void session(std::function<void(Form &)> steps)
{
    sessions().push_back(std::move(steps));
}

int sessionsLeft()
{
    return int(sessions().size());
}

void setWorkStep(std::function<void()> step)
{
    workStep() = std::move(step);
}

void setFailureHandler(std::function<void(const std::string &)> handler)
{
    failureHandler() = std::move(handler);
}

void runSession(Form &form)
{
    if (sessions().empty()) {
        failure("the form \"" + nodeOf(form)->name + "\" was shown modally without a session");
        return;
    }
    const std::function<void(Form &)> steps = std::move(sessions().front());
    sessions().pop_front();
    try {
        steps(form);
    } catch (...) {
        failure("a session of the form \"" + nodeOf(form)->name + "\" ended by an exception");
    }
}

void workYields()
{
    // The step's own clicks may move a bar again: it does not run inside itself.
    static bool running = false;
    if (running || !workStep())
        return;
    running = true;
    const std::function<void()> step = workStep();
    try {
        step();
    } catch (...) {
        failure("a step during the work ended by an exception");
    }
    running = false;
}

void failure(const std::string &what)
{
    if (failureHandler()) {
        const std::function<void(const std::string &)> handler = failureHandler();
        handler(what);
        return;
    }
    std::fprintf(stderr, "headless toolkit: %s\n", what.c_str());
    std::abort();
}

} // namespace Platform::Headless
