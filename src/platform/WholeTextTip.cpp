// SPDX-License-Identifier: Apache-2.0
#include "WholeTextTip.h"

#include <QHelpEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>

namespace Platform {

namespace {

// QLineEdit's own blank between its contents rectangle and the text, each side.
constexpr int LineEditMargin = 2;

class TipFilter final : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip)
            return false;
        auto *box = static_cast<QLineEdit *>(watched);
        if (IsTextCutOff(box))
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), box->text(), box);
        else
            QToolTip::hideText();
        return true;
    }
};

} // namespace

void ShowWholeTextWhenCutOff(QLineEdit *box)
{
    box->installEventFilter(new TipFilter(box));
}

bool IsTextCutOff(const QLineEdit *box)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth =
        box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box) : 0;
    const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    const QMargins margins = box->textMargins();
    const int room = contents.width() - margins.left() - margins.right() - 2 * LineEditMargin;
    return box->fontMetrics().horizontalAdvance(box->text()) > room;
}

} // namespace Platform
