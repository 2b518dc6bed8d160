// SPDX-License-Identifier: Apache-2.0
#include "DialogScreenshot.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace Host {

namespace {

constexpr int PollMs = 50;

bool settled(const QWidget *dialog)
{
    const auto *panel = dialog->findChild<QWidget *>(QStringLiteral("boxNoFile"));
    const auto *notPublished = dialog->findChild<QWidget *>(QStringLiteral("lblInfoError"));
    const auto *title = dialog->findChild<QWidget *>(QStringLiteral("txtField_0"));
    if (panel && panel->isVisible())
        return notPublished && notPublished->isVisible();
    return title && dialog->focusWidget() == title;
}

QString textOf(const QWidget *window)
{
    QStringList lines;
    for (const QLabel *label : window->findChildren<QLabel *>())
        if (!label->text().isEmpty())
            lines.append(label->text());
    return lines.join(u'\n');
}

} // namespace

DialogScreenshot::DialogScreenshot(const QString &file, int timeLimitMs, QObject *parent)
    : QObject(parent), m_file(file), m_timeLimitMs(timeLimitMs)
{
    connect(&m_poll, &QTimer::timeout, this, &DialogScreenshot::look);
    m_poll.start(PollMs);
}

void DialogScreenshot::look()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (!modal->findChild<QWidget *>(QStringLiteral("cmbBooks"))) {
        m_error += QStringLiteral("%1: %2\n").arg(modal->windowTitle(), textOf(modal));
        modal->close();
        return;
    }
    if (m_done)
        return;
    m_waitedMs += PollMs;
    const bool ready = settled(modal);
    if (!ready && m_waitedMs < m_timeLimitMs)
        return;
    m_done = true;
    if (!ready)
        m_error += QStringLiteral("the dialog did not finish loading its book in %1 s\n")
                       .arg(m_timeLimitMs / 1000);
    if (!modal->grab().save(m_file))
        m_error += QStringLiteral("cannot write %1\n").arg(m_file);
    else
        m_saved = ready;
    modal->close();
}

} // namespace Host
