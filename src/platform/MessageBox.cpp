// SPDX-License-Identifier: Apache-2.0
#include "MessageBox.h"

#include <cstdio>

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

int MsgBox(const QString &prompt, int style, const QString &title)
{
    const QString shownTitle = title.isEmpty() ? QString::fromLatin1(ApplicationTitle) : title;
    if (handler())
        return handler()(prompt, style, shownTitle);
    if (defaultBox())
        return defaultBox()(prompt, style, shownTitle);
    std::fprintf(stderr, "%s: %s\n", qPrintable(shownTitle), qPrintable(prompt));
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
