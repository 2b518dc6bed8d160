// SPDX-License-Identifier: Apache-2.0
#include "QtToolkit.h"
#include "Widgets.h"
#include "automation/Text.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace Platform {

namespace {

QMessageBox::Icon iconOf(int style)
{
    switch (style & 0x70) {
    case vbCritical:
        return QMessageBox::Critical;
    case vbQuestion:
        return QMessageBox::Question;
    case vbExclamation:
        return QMessageBox::Warning;
    case vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int WidgetMessageBox(const std::u16string &prompt, int style, const std::u16string &title)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s: %s\n", Automation::utf8(title).c_str(),
                     Automation::utf8(prompt).c_str());
        return 1;
    }
    QWidget *parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    QMessageBox box(iconOf(style), qText(title), qText(prompt), QMessageBox::Ok, parent);
    box.exec();
    return 1;
}

} // namespace Platform
