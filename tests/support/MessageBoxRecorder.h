// SPDX-License-Identifier: Apache-2.0
// Records message boxes instead of showing them, for as long as it lives.
#pragma once

#include "platform/MessageBox.h"
#include "support/TestSupport.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

struct RecordedBox
{
    QString prompt;
    int style;
    QString title;
};

class MessageBoxRecorder
{
public:
    MessageBoxRecorder()
    {
        m_previous = Platform::setMessageBoxHandler(
            [this](const std::u16string &prompt, int style, const std::u16string &title) {
                boxes.append({Support::q(prompt), style, Support::q(title)});
                if (onBox)
                    onBox(boxes.last());
                return 1;
            });
    }
    ~MessageBoxRecorder() { Platform::setMessageBoxHandler(std::move(m_previous)); }
    MessageBoxRecorder(const MessageBoxRecorder &) = delete;
    MessageBoxRecorder &operator=(const MessageBoxRecorder &) = delete;

    // The prompts of the boxes shown since the last take.
    QStringList takePrompts()
    {
        QStringList result;
        for (const RecordedBox &box : std::exchange(boxes, {}))
            result.append(box.prompt);
        return result;
    }

    // The boxes shown since the last take, as "style title: prompt".
    QStringList take()
    {
        QStringList lines;
        for (const RecordedBox &box : std::exchange(boxes, {}))
            lines.append(QStringLiteral("%1 %2: %3").arg(box.style).arg(box.title, box.prompt));
        return lines;
    }

    QList<RecordedBox> boxes;
    std::function<void(const RecordedBox &)> onBox; // runs while the "box" is up

private:
    Platform::MessageBoxHandler m_previous;
};
