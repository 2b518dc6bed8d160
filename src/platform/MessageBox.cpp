// SPDX-License-Identifier: Apache-2.0
#include "MessageBox.h"

#include "automation/Text.h"

#include <cstdio>
#include <utility>

namespace Platform {

namespace {

MessageBoxHandler &handler()
{
    static MessageBoxHandler current;
    return current;
}

MessageBoxHandler &defaultBox()
{
    static MessageBoxHandler box;
    return box;
}

} // namespace

int MsgBox(const std::u16string &prompt, int style, const std::u16string &title)
{
    const std::u16string shownTitle = title.empty() ? std::u16string(ApplicationTitle) : title;
    if (handler())
        return handler()(prompt, style, shownTitle);
    if (defaultBox())
        return defaultBox()(prompt, style, shownTitle);
    std::fprintf(stderr, "%s: %s\n", Automation::utf8(shownTitle).c_str(),
                 Automation::utf8(prompt).c_str());
    return 1;
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler replacement)
{
    return std::exchange(handler(), std::move(replacement));
}

void setDefaultMessageBox(MessageBoxHandler box)
{
    defaultBox() = std::move(box);
}

} // namespace Platform
