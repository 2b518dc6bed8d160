// SPDX-License-Identifier: Apache-2.0
// The Qt toolkit where only its widgets show it: real key and mouse events, focus
// reasons, the activation taken by a message box, tooltips, accessibility, colours as the
// palette paints them, the modal loop and window ownership. What every toolkit does
// alike is proved by the suites on the headless toolkit (tests/fieldlist, tests/dialog).
#include "platform/MessageBox.h"
#include "platform/Toolkit.h"
#include "platform/qt/QtToolkit.h"
#include "support/TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QToolTip>

using namespace Platform;
using Support::q;

namespace {

// What the controls told, in order, as "name.event" words.
QStringList events;
void told(const QString &what)
{
    events.append(what);
}
QString take()
{
    return std::exchange(events, {}).join(u' ');
}
std::function<void()> tell(const QString &what)
{
    return [what] {
        told(what);
    };
}

QColor base(Control &box)
{
    return widgetOf(box)->palette().color(QPalette::Base);
}

} // namespace

class tst_QtToolkit : public QObject
{
    Q_OBJECT

private slots:
    void widgets();
};

void tst_QtToolkit::widgets()
{
    QWidget host; // the host's window, active when the form is shown
    host.show();
    QVERIFY(QTest::qWaitForWindowActive(&host));
    auto form = createForm("form");
    form->setClientSize(400, 300);
    auto label = createLabel(*form, "label");
    label->setCaption(u"Book choice:");
    auto list = createDropDownList(*form, "list");
    list->setAccessibleName(u"Book choice:");
    auto first = createTextBox(*form, "first");
    first->setAccessibleName(u"Title");
    auto fields = createUserControl(form.get(), "fields");
    fields->setFocusable(true);
    auto inner = createTextBox(*fields, "inner");
    auto apply = createButton(*form, "apply");
    fields->setGeometry({10, 100, 300, 100});
    inner->setGeometry({0, 0, 40, 21});
    for (auto [box, name] : {std::pair{first.get(), "first"}, {inner.get(), "inner"}}) {
        const QString who = QLatin1String(name);
        box->onClick = tell(who + ".click");
        box->onGotFocus = tell(who + ".got");
        box->onLostFocus = tell(who + ".lost");
        box->onKeyDown = [who](int code, int shift) {
            told(QStringLiteral("%1.key%2/%3").arg(who).arg(code).arg(shift));
        };
    }
    apply->onClick = tell("apply.click");
    fields->onGotFocus = tell("fields.got");
    bool cancelClose = true;
    form->onQueryUnload = [&](bool &cancel) {
        told("unload");
        cancel = cancelClose;
    };
    int activations = 0;
    QWidget *window = widgetOf(*form);
    form->onActivate = [&] {
        ++activations;
        // Closed at the end, also after a failed check.
        const auto end = qScopeGuard([&] {
            cancelClose = false;
            window->close();
        });
        // Modal for the application and owned by no window: the host minimised and
        // restored leaves it on screen.
        QVERIFY(!window->parentWidget() && window->windowModality() == Qt::ApplicationModal);
        host.showMinimized();
        QCoreApplication::processEvents();
        host.showNormal();
        QCoreApplication::processEvents();
        QVERIFY(window->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(window));
        // Screen readers: a box by its name, the list by the label beside it.
        QCOMPARE(QAccessible::queryAccessibleInterface(widgetOf(*first))->text(QAccessible::Name),
                 QStringLiteral("Title"));
        const auto labels =
            QAccessible::queryAccessibleInterface(widgetOf(*list))->relations(QAccessible::Label);
        QVERIFY(!labels.isEmpty() &&
                labels[0].first->text(QAccessible::Name) == QStringLiteral("Book choice:"));

        // A click moves the focus first; keys reach the box before it handles them;
        // Enter and Escape press nothing, and close nothing.
        QTest::mouseClick(widgetOf(*first), Qt::LeftButton);
        QTest::keyClick(widgetOf(*first), Qt::Key_A);
        QTest::mouseClick(widgetOf(*inner), Qt::LeftButton);
        QTest::keyClick(widgetOf(*inner), Qt::Key_Return);
        QTest::keyClick(widgetOf(*inner), Qt::Key_Escape);
        QCOMPARE(take(), QStringLiteral("first.got first.click first.key65/0 first.lost "
                                        "inner.got inner.click inner.key13/0 inner.key27/0"));
        QCOMPARE(first->text(), u"a");
        QVERIFY(window->isVisible());
        // Shift+Tab out of the user control's first child passes the control by; Tab
        // onto it gives it the focus itself.
        QTest::keyClick(widgetOf(*inner), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), widgetOf(*first));
        QTest::keyClick(widgetOf(*first), Qt::Key_Tab);
        QCOMPARE(take(),
                 QStringLiteral("inner.key16/1 inner.key9/1 inner.lost first.got first.key9/0 "
                                "first.lost fields.got"));
        first->setFocus();
        take();

        // A message box takes the activation a while: no focus moves between controls.
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        WidgetMessageBox(u"Nothing to save", vbInformation, u"OrvFields");
        window->activateWindow(); // the offscreen platform gives it back to no window
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(take(), QString());
        QVERIFY(first->hasFocus());

        // A text cut off by its box shows whole in a tooltip; one that fits, none. A
        // box keeps more than a line edit's default 32 767 characters.
        const auto tip = [&](const std::u16string &text) {
            inner->setText(text);
            QWidget *box = widgetOf(*inner);
            QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), box->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(box, &help);
            return QToolTip::text();
        };
        QCOMPARE(tip(u"A"), QString());
        QCOMPARE(tip(u"A title far too long for the box"),
                 QStringLiteral("A title far too long for the box"));
        const std::u16string longText(100000, u'x');
        first->setText(longText);
        QVERIFY(first->text() == longText);

        // A system colour given by reference follows the palette; a plain one stays.
        first->setBackColor(SystemColor(COLOR_WINDOW));
        inner->setBackColor(MakeRgb(1, 2, 3));
        const QPalette original = QApplication::palette();
        QPalette changed = original;
        changed.setColor(QPalette::Base, QColor(250, 250, 240));
        QApplication::setPalette(changed);
        const QList<QColor> seen{base(*first), base(*inner)};
        QApplication::setPalette(original);
        QCOMPARE(seen, (QList<QColor>{QColor(250, 250, 240), QColor(1, 2, 3)}));

        // The close box asks first; a refused close keeps the form.
        QVERIFY(!window->close());
        QCOMPARE(take(), QStringLiteral("unload"));
    };
    form->showModal();
    QCOMPARE(activations, 1);
    QCOMPARE(take(), QStringLiteral("unload"));
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(tst_QtToolkit)
#include "tst_qttoolkit.moc"
