// SPDX-License-Identifier: Apache-2.0
// The Linux platform where only it shows: the Qt toolkit's widgets (real key and mouse
// events, focus reasons, the activation taken by a message box, tooltips, accessibility,
// colours as the palette paints them, the modal loop and window ownership), the locale
// table, and the lock test of a file. What every toolkit does alike is proved by the
// suites on the headless toolkit (tests/fieldlist, tests/dialog).

#include "controls/VrnLabel.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/MessageBox.h"
#include "platform/SystemColors.h"
#include "platform/Toolkit.h"
#include "platform/qt/QtLocale.h"
#include "platform/qt/QtToolkit.h"
#include "support/TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHelpEvent>
#include <QLineEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWidget>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

using namespace Platform;
using Support::q;
using Support::u;
using Support::writeFile;

namespace {

// Run as a second process: holds a classic record lock (fcntl) on the file, as other
// programs do on a file they have open, until its input ends.
int holdRecordLock(const char *path)
{
    const int fd = ::open(path, O_RDWR);
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    if (fd < 0 || ::fcntl(fd, F_SETLK, &lock) != 0)
        return 1;
    std::puts("locked");
    std::fflush(stdout);
    while (std::getchar() != EOF)
        continue;
    return 0;
}

QColor colour(Rgb rgb)
{
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

bool locked(const QString &path)
{
    return FileLocked(u(path));
}

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

class tst_Platform : public QObject
{
    Q_OBJECT

private slots:
    void widgets()
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
            QCOMPARE(
                QAccessible::queryAccessibleInterface(widgetOf(*first))->text(QAccessible::Name),
                QStringLiteral("Title"));
            const auto labels = QAccessible::queryAccessibleInterface(widgetOf(*list))
                                    ->relations(QAccessible::Label);
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

    void labelColours()
    {
        auto text = [](Control &label, QPalette::ColorGroup group = QPalette::Active) {
            return widgetOf(label)->palette().color(group, QPalette::WindowText);
        };
        const auto form = createForm("form");
        // A plain colour stays; a disabled label draws grey text whatever its colour.
        Controls::VrnLabel label(*form, "label");
        QCOMPARE(text(label.control()), colour(GetSysColor(COLOR_BTNTEXT)));
        label.setForeColor(0x0000C0);
        label.setEnabled(false);
        QCOMPARE(text(label.control()), QColor(192, 0, 0));
        QCOMPARE(text(label.control(), QPalette::Disabled), colour(GetSysColor(COLOR_GRAYTEXT)));

        // A system colour follows a new application palette, also on a plain label.
        Controls::VrnLabel follower(*form, "follower");
        follower.setForeColor(SystemColor(COLOR_GRAYTEXT));
        const auto plain = createLabel(*form, "plain");
        plain->setForeColor(SystemColor(COLOR_GRAYTEXT));
        const QPalette original = QApplication::palette();
        QPalette changed = original;
        changed.setColor(QPalette::Disabled, QPalette::Text, QColor(1, 2, 3));
        QApplication::setPalette(changed);
        const QList<QColor> seen{text(follower.control()), text(*plain), text(label.control())};
        QApplication::setPalette(original);
        QCOMPARE(seen, (QList<QColor>{QColor(1, 2, 3), QColor(1, 2, 3), QColor(192, 0, 0)}));
        QCOMPARE(text(follower.control()), colour(GetSysColor(COLOR_GRAYTEXT)));
    }

    void localeTable()
    {
        QCOMPARE(LcidOf(QLocale(QLocale::English, QLocale::UnitedStates)), 1033u);
        QCOMPARE(LcidOf(QLocale(QLocale::Chinese, QLocale::Taiwan)), 1028u);
        QCOMPARE(LcidOf(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia)), 9242u);
        QCOMPARE(LcidOf(QLocale(QLocale::Serbian, QLocale::CyrillicScript, QLocale::Serbia)),
                 10266u);
        // A country the table lacks takes the language's main identifier.
        QCOMPARE(LcidOf(QLocale(QLocale::French, QLocale::Senegal)), 1036u);
        QCOMPARE(LcidOf(QLocale(QLocale::Hindi, QLocale::India)), 0u);
        QCOMPARE(LcidOf(QLocale::c()), 0u);
        QCOMPARE(SystemLocaleInfo(1036, 2), std::string()); // only the code page is known
    }

    void fileLockOnOrdinaryFiles()
    {
        const QString path =
            writeFile(m_folder.filePath(QStringLiteral("writable.pdf")), "%PDF-1.4\nbody\n%%EOF\n");
        // An old time, so that any write would show.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addDays(-3),
                                 QFileDevice::FileModificationTime));
        file.close();
        const QDateTime modified = QFileInfo(path).lastModified();
        QVERIFY(!locked(path));
        QCOMPARE(QFileInfo(path).lastModified(), modified);

        // No write bit: read-only, also for root, who could open it anyway.
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        QVERIFY(locked(path));
        QVERIFY(locked(m_folder.path()));
        QVERIFY(locked(m_folder.filePath(QStringLiteral("missing.pdf"))));
        QVERIFY(locked(QString()));
    }

    void fileLockHeldByAnotherProcess()
    {
        const QString path = writeFile(m_folder.filePath(QStringLiteral("shared.pdf")), "%PDF\n");
        QVERIFY(!locked(path));
        QProcess locker;
        locker.start(QCoreApplication::applicationFilePath(),
                     {path, QStringLiteral("--hold-record-lock")});
        while (!locker.canReadLine())
            QVERIFY2(locker.waitForReadyRead(10000), qPrintable(locker.errorString()));
        QCOMPARE(locker.readLine(), "locked\n");
        QVERIFY(locked(path));
        locker.closeWriteChannel();
        QVERIFY(locker.waitForFinished());
        QCOMPARE(locker.exitCode(), 0);
        QVERIFY(!locked(path));
    }

private:
    QTemporaryDir m_folder;
};

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[2], "--hold-record-lock") == 0)
        return holdRecordLock(argv[1]);
    QApplication app(argc, argv);
    tst_Platform test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_platform.moc"
