// SPDX-License-Identifier: Apache-2.0
#include "WidgetMessageBox.h"

#include "MessageBox.h"

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

int WidgetMessageBox(const QString &prompt, int style, const QString &title)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(prompt));
        return 1;
    }
    QWidget *parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    QMessageBox box(iconOf(style), title, prompt, QMessageBox::Ok, parent);
    box.exec();
    return 1;
}

} // namespace Platform
