// SPDX-License-Identifier: Apache-2.0
// The field list on the Qt toolkit's widgets: its rows and their events, its layout and
// colours, and editing with the mouse and the keyboard. Every event is recorded with its
// arguments and whole sequences are compared.

#include "automation/AutomationError.h"
#include "automation/ClassInfo.h"
#include "automation/Dispatch.h"
#include "fieldlist/VrnFieldList.h"
#include "platform/SystemColors.h"
#include "platform/SystemFonts.h"
#include "platform/qt/QtToolkit.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

using FieldList::VrnFieldList;
using Support::q;
using Support::u;
using namespace Platform;

namespace {

// Records the list's events as "Event(arg,arg)" lines; the Changing handlers set Cancel
// as told, and can fail after that.
struct EventLog : VrnFieldList::Events
{
    using Text = std::u16string;
    QStringList lines;
    bool cancel = false;
    bool fail = false;
    VrnFieldList &list;

    explicit EventLog(VrnFieldList &observed) : list(observed) { list.setEvents(this); }
    ~EventLog() override { list.setEvents(nullptr); }

    void add(const char *event, QStringList args = {})
    {
        lines.append(args.isEmpty() ? QString::fromLatin1(event)
                                    : QStringLiteral("%1(%2)").arg(event, args.join(u',')));
    }
    void changing(const char *event, const Text &o, const Text &n, bool &c)
    {
        add(event, {q(o), q(n), c ? QStringLiteral("true") : QStringLiteral("false")});
        c = cancel;
        if (fail)
            throw std::runtime_error("handler failed");
    }
    void AddField(const Text &n, const Text &v) override { add("AddField", {q(n), q(v)}); }
    void Change() override { add("Change"); }
    void ChangingFieldName(const Text &o, const Text &n, bool &c) override
    {
        changing("ChangingFieldName", o, n, c);
    }
    void ChangingFieldValue(const Text &o, const Text &n, bool &c) override
    {
        changing("ChangingFieldValue", o, n, c);
    }
    void ChangeFieldName(const Text &o, const Text &n) override
    {
        add("ChangeFieldName", {q(o), q(n)});
    }
    void ChangeFieldValue(const Text &n, const Text &v) override
    {
        add("ChangeFieldValue", {q(n), q(v)});
    }
    void RemoveField(const Text &n, const Text &v) override { add("RemoveField", {q(n), q(v)}); }
    void SelectedChange() override { add("SelectedChange"); }

    QStringList take() { return std::exchange(lines, {}); }
};

// The two events of a name committed unchanged.
QStringList sameName(const QString &name)
{
    return {QStringLiteral("ChangingFieldName(%1,%1,false)").arg(name),
            QStringLiteral("ChangeFieldName(%1,%1)").arg(name)};
}

QLineEdit *box(TextBox &control)
{
    return qobject_cast<QLineEdit *>(widgetOf(control));
}

// A shown dialog holding a list of its design size (329 x 109 pixels, six rows), a
// default button and a box outside the list. The list is made as a host makes one, a
// window of its own, then placed in the dialog.
struct Window
{
    QDialog window;
    Automation::Ref<VrnFieldList> list = VrnFieldList::create(nullptr, "UserFields");
    QWidget *control = widgetOf(list->control());
    QScrollBar *bar = qobject_cast<QScrollBar *>(widgetOf(list->VScroll1()));
    QPushButton *ok = new QPushButton(QStringLiteral("OK"), &window);
    QLineEdit *other = new QLineEdit(&window);

    Window()
    {
        control->setParent(&window);
        control->show();
        ok->setGeometry(200, 200, 80, 24);
        ok->setDefault(true);
        other->setGeometry(0, 200, 100, 20);
        window.resize(400, 240);
        window.show();
    }

    QLineEdit *name(int i) const { return box(list->txtFieldName(i)); }
    QLineEdit *value(int i) const { return box(list->txtFieldValue(i)); }
    // "name i", "value i" or "bar".
    QWidget *widget(const QString &where) const
    {
        const QStringList parts = where.split(u' ');
        if (parts.size() == 1)
            return bar;
        return parts[0] == u"name" ? name(parts[1].toInt()) : value(parts[1].toInt());
    }
    // Appends rows "nK" with values "vK", numbered on from the rows there are.
    void fill(int rows, bool editable = true)
    {
        for (int k = list->Count() + 1, last = list->Count() + rows; k <= last; ++k)
            list->AddElem(u(QStringLiteral("n%1").arg(k)), u(QStringLiteral("v%1").arg(k)),
                          editable);
    }
    QStringList shownNames() const
    {
        QStringList names;
        for (int i = 0; i < list->LinesCount(); ++i)
            names.append(name(i)->text());
        return names;
    }
};

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
}

// A key pressed where the focus is, and what follows.
struct KeyCase
{
    int rows;
    int selected;
    QString focus; // as Window::widget takes it
    QString typed;
    int key; // with its modifiers
    QStringList events;
    int selectedAfter;
    int firstVisibleAfter;
    QString focusAfter;
};

} // namespace

Q_DECLARE_METATYPE(KeyCase)

class tst_FieldList : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_boxes.reset(new MessageBoxRecorder);
        m_window.reset(new Window);
        QVERIFY(QTest::qWaitForWindowActive(&m_window->window));
    }
    void cleanup()
    {
        m_window.reset();
        QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->takePrompts().join('\n')));
        m_boxes.reset();
    }

    // ---- the automation class and its events

    void classTable()
    {
        // Members and events as a type library states them, in slot order.
        const std::string described = m_window->list->classInfo()->describe();
        for (const char *line :
             {"(OrvFields.VrnFieldList)\n  ClassID {C3FC5ABC-D82F-4149-8A9D-E65B3B534642}\n"
              "  interface _VrnFieldList {01039751-D21B-4409-8B1A-9EB0805FE20C}\n  control\n"
              "  0x68030000 get Count As Long\n  0x68030001 get Enabled As Boolean\n",
              "  0x60030003 method RemoveElem(Index As Long)\n  events __VrnFieldList",
              "  0x00000003 event ChangingFieldName(OldName As String, NewName As String, ByRef "
              "Cancel As Boolean)\n",
              "  0x00000008 event SelectedChange()\n"})
            QVERIFY2(described.find(line) != std::string::npos, described.c_str());
        // Late bound, Enabled is the list's own property, not the control's state.
        Window &w = *m_window;
        w.fill(1, false);
        Automation::put(w.list.get(), u"Enabled", false);
        QVERIFY(!w.name(0)->isEnabled() && w.control->isEnabled());
        QCOMPARE(Automation::call(w.list.get(), u"Count").toLong(), 1);
        Automation::put(w.list.get(), u"Enabled", -1);
        QVERIFY(w.name(0)->isEnabled());
    }

    // ---- rows and their events

    void addElem()
    {
        // A face of its own for the message font, so its use is visible.
        SystemFontHandlers faces;
        faces.nonClientMetrics = [](NonClientMetrics &m) {
            m.lfMessageFont.lfFaceName = FaceNameOf(u"Message Face");
            return true;
        };
        const SystemFontHandlers previous = setSystemFontHandlers(faces);
        Window &w = *m_window;
        EventLog log(*w.list);
        w.list->AddElem(u"Name", u"Value", true);
        setSystemFontHandlers(previous);
        QCOMPARE(log.take(), (QStringList{"Change", "AddField(Name,Value)", "SelectedChange",
                                          "SelectedChange"}));
        QCOMPARE(w.list->SelectedIndex(), 1);
        QCOMPARE(QApplication::focusWidget(), w.name(0));
        QCOMPARE(w.name(0)->selectedText(), QStringLiteral("Name"));
        QCOMPARE(w.name(0)->font().family(), QStringLiteral("Message Face"));
        QCOMPARE(w.value(0)->font().family(), QStringLiteral("Message Face"));
        QVERIFY(w.name(1)->font().family() != QStringLiteral("Message Face"));

        // Already selected by number: the setter is silent, the final event stays.
        w.list->AddElem(u"b", u"2", false);
        w.list->setSelectedIndex(3);
        log.take();
        w.list->AddElem(u"c", u"3", false);
        QCOMPARE(log.take(), (QStringList{"Change", "AddField(c,3)", "SelectedChange"}));
        QCOMPARE(w.list->SelectedIndex(), 3);
        QCOMPARE(w.shownNames(), (QStringList{"Name", "b", "c", "", "", ""}));

        // A hidden list lays out at once, and keeps a row whose box cannot take the focus.
        const Automation::Ref<VrnFieldList> hidden = VrnFieldList::create(nullptr, "hidden");
        hidden->setLinesCount(8);
        QCOMPARE(hidden->RowsCreated(), 8);
        hidden->AddElem(u"a", u"1", true);
        QCOMPARE(m_boxes->takePrompts(),
                 QStringList{"(OrvFields.VrnFieldList.AddElem) Error 5 : Invalid procedure call "
                             "or argument Line 8"});
        QCOMPARE(box(hidden->txtFieldName(0))->text(), QStringLiteral("a"));
    }

    void removeElem_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("selectedAfter");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("firstVisible"); // scrolled there before the removal
        QTest::addColumn<QStringList>("shown");
        const QStringList none;
        const QStringList abc{"n1", "n2", "n3"};
        QTest::newRow("index 0") << 3 << 3 << 0 << 3 << none << 1 << abc;
        QTest::newRow("index Count+1") << 3 << 3 << 4 << 3 << none << 1 << abc;
        QTest::newRow("selected last row")
            << 3 << 3 << 3 << 2 << QStringList{"SelectedChange", "Change", "RemoveField(n3,v3)"}
            << 1 << QStringList{"n1", "n2", ""};
        QTest::newRow("row above the selection")
            << 3 << 3 << 1 << 2 << QStringList{"Change", "RemoveField(n1,v1)"} << 1
            << QStringList{"n2", "n3", ""};
        QTest::newRow("selected middle row")
            << 3 << 2 << 2 << 2 << QStringList{"SelectedChange", "Change", "RemoveField(n2,v2)"}
            << 1 << QStringList{"n1", "n3", ""};
        QTest::newRow("only row") << 1 << 1 << 1 << 0
                                  << QStringList{"SelectedChange", "Change", "RemoveField(n1,v1)"}
                                  << 1 << QStringList{"", "", ""};
        // Ten rows scrolled to 5: the window moves back to show rows 4 to 9.
        QTest::newRow("scrolled") << 10 << 0 << 5 << 0
                                  << QStringList{"Change", "RemoveField(n5,v5)"} << 5
                                  << QStringList{"n4", "n6", "n7"};
    }
    void removeElem()
    {
        QFETCH(int, rows);
        QFETCH(int, selected);
        QFETCH(int, index);
        QFETCH(int, selectedAfter);
        QFETCH(QStringList, events);
        QFETCH(int, firstVisible);
        QFETCH(QStringList, shown);
        Window &w = *m_window;
        w.fill(rows, false);
        w.list->setSelectedIndex(selected);
        w.bar->setValue(firstVisible);
        QCOMPARE(w.list->FirstVisible(), firstVisible);
        EventLog log(*w.list);
        w.list->RemoveElem(index);
        QCOMPARE(log.take(), events);
        QCOMPARE(w.list->SelectedIndex(), selectedAfter);
        QCOMPARE(w.list->Count(), rows - (events.isEmpty() ? 0 : 1));
        QCOMPARE(w.shownNames().mid(0, 3), shown);
    }

    void clearKeepsTheSelectionNumberAndResetsTheWindow()
    {
        Window &w = *m_window;
        EventLog log(*w.list);
        w.list->Clear(); // also when there was nothing to clear
        QCOMPARE(log.take(), QStringList{"Change"});
        w.fill(10, false);
        w.bar->setValue(3);
        w.list->setSelectedIndex(4);
        log.take();
        w.list->Clear();
        QCOMPARE(log.take(), QStringList{"Change"});
        QCOMPARE(w.list->SelectedIndex(), 4);
        QVERIFY(!w.bar->isEnabled());
        w.list->AddElem(u"x", u"y", false);
        QCOMPARE(w.name(0)->text(), QStringLiteral("x"));
        QCOMPARE(w.list->SelectedIndex(), 1);
    }

    // ---- layout and drawing

    void layout()
    {
        Window &w = *m_window;
        QCOMPARE((QList<int>{w.list->LinesCount(), w.list->RowsCreated(), w.list->NameWidth()}),
                 (QList<int>{6, 6, 125}));
        QCOMPARE(w.bar->geometry(), QRect(312, 0, 17, 109));

        // One pixel more: a seventh, partly visible row gets a new pair, blank.
        w.control->resize(329, 110);
        QCOMPARE(w.list->LinesCount(), 7);
        QCOMPARE(w.list->RowsCreated(), 7);
        QVERIFY(w.name(6)->isVisible() && !w.name(6)->isEnabled());

        w.list->setLinesCount(10);
        QCOMPARE(w.control->height(), 181);
        QCOMPARE(w.bar->height(), 181);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(w.name(i)->geometry(), QRect(0, i * 18, 126, 19));
            QCOMPARE(w.value(i)->geometry(), QRect(125, i * 18, 187, 19));
        }
        // Smaller again: the boxes stay, below the visible area. The same count again
        // leaves a height that is not the count's alone; a negative one is refused.
        w.list->setLinesCount(6);
        QCOMPARE(w.control->height(), 109);
        QCOMPARE(w.list->RowsCreated(), 10);
        w.control->resize(329, 115);
        w.list->setLinesCount(7);
        QCOMPARE(w.control->height(), 115);
        QCOMPARE(Support::errorOf([&] { w.list->setLinesCount(-1); }), 5);
    }

    void scrollBarAndEnsureVisible()
    {
        Window &w = *m_window;
        const QScrollBar *bar = w.bar;
        w.fill(6, false);
        QVERIFY(!bar->isEnabled());
        w.fill(1, false);
        QVERIFY(bar->isEnabled());
        QCOMPARE((QList<int>{bar->minimum(), bar->maximum(), bar->pageStep(), bar->singleStep()}),
                 (QList<int>{1, 2, 6, 1}));
        QCOMPARE(bar->value(), 2); // the new row scrolled into view

        w.fill(3, false); // ten rows, the last six shown
        QCOMPARE(w.shownNames(), (QStringList{"n5", "n6", "n7", "n8", "n9", "n10"}));
        w.list->EnsureVisible(3);
        QCOMPARE(w.list->FirstVisible(), 3);
        w.list->EnsureVisible(4);
        QCOMPARE(w.list->FirstVisible(), 3);
        QCOMPARE(bar->value(), 3);
    }

    void screenReaderNamesAndTips()
    {
        // Boxes are named after their row, also as rows scroll through the pool and
        // after a rename; a blank row's boxes are "Name" and "Value".
        Window &w = *m_window;
        auto names = [&](int i) {
            QStringList both;
            for (QLineEdit *edit : {w.name(i), w.value(i)})
                both.append(QAccessible::queryAccessibleInterface(edit)->text(QAccessible::Name));
            return both.join(u'|');
        };
        w.fill(1);
        QCOMPARE(names(0) + u'|' + names(1), QStringLiteral("Name of n1|Value of n1|Name|Value"));
        w.fill(9);
        w.bar->setValue(4);
        QCOMPARE(names(0), QStringLiteral("Name of n4|Value of n4"));
        w.name(0)->setFocus();
        w.name(0)->setText(QStringLiteral("renamed"));
        w.other->setFocus();
        QCOMPARE(names(0), QStringLiteral("Name of renamed|Value of renamed"));

        // A value cut off by its box shows whole in a tooltip; one that fits, none.
        auto tip = [](QLineEdit *edit) {
            QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), edit->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(edit, &help);
            return QToolTip::text();
        };
        QCOMPARE(tip(w.value(0)), QString());
        const QString longValue =
            QStringLiteral("a value longer than its box can show").repeated(2);
        w.value(0)->setText(longValue);
        QCOMPARE(tip(w.value(0)), longValue);
    }

    void scrollBarLimitEndsTheRedrawInItsTrap()
    {
        Window &w = *m_window;
        w.fill(32766 + 6, false); // the most the 16-bit scroll bar takes
        QCOMPARE(w.bar->maximum(), 32767);
        QVERIFY(m_boxes->boxes.isEmpty());
        w.list->AddElem(u"last", {}, false);
        QCOMPARE(m_boxes->takePrompts().value(0),
                 QStringLiteral("(OrvFields.VrnFieldList.IRefresh) Error 6 : Overflow Line 4"));
        // The rows were drawn before the scroll bar failed, and redraws still run.
        QCOMPARE(w.name(5)->text(), QStringLiteral("last"));
        w.list->RemoveElem(1);
        QVERIFY(m_boxes->boxes.isEmpty());
        QCOMPARE(w.bar->value(), 32767);
    }

    void sevenColourStatesFollowThePalette()
    {
        const QPalette original = QGuiApplication::palette();
        const auto restore = qScopeGuard([&] { QApplication::setPalette(original); });
        Window &w = *m_window;
        w.list->AddElem(u"editable", {}, true);
        w.list->AddElem(u"fixed", {}, false);
        // The boxes of the two rows and of a visual row without a row, each as the system
        // colour it shows now (the four told apart) and its state.
        const auto states = [&] {
            const QHash<Rgb, QString> colours{{GetSysColor(COLOR_WINDOW), "window"},
                                              {GetSysColor(COLOR_3DLIGHT), "light"},
                                              {GetSysColor(COLOR_GRADIENTACTIVECAPTION), "caption"},
                                              {GetSysColor(COLOR_MENUHILIGHT), "menu"}};
            if (colours.size() != 4)
                return QStringList{"colours not distinct"};
            QStringList found;
            for (int v = 0; v < 3; ++v) {
                for (const QLineEdit *edit : {w.name(v), w.value(v)}) {
                    const QColor base = edit->palette().color(QPalette::Base);
                    const Rgb rgb = MakeRgb(base.red(), base.green(), base.blue());
                    found << colours.value(rgb, "other") + (!edit->isEnabled()   ? " disabled"
                                                            : edit->isReadOnly() ? " read-only"
                                                                                 : "");
                }
            }
            return found;
        };
        w.list->setSelectedIndex(1);
        const QStringList editableSelected{"caption", "caption",        "light read-only",
                                           "window",  "light disabled", "light disabled"};
        QCOMPARE(states(), editableSelected);
        w.list->setSelectedIndex(2);
        QCOMPARE(states(), (QStringList{"window", "window", "menu read-only", "caption",
                                        "light disabled", "light disabled"}));

        // The list disabled: every box grey and disabled, texts kept.
        w.list->setListEnabled(false);
        QCOMPARE(states(), QStringList(6, QStringLiteral("light disabled")));
        QCOMPARE(w.name(1)->text(), QStringLiteral("fixed"));
        w.list->setListEnabled(true);

        // A palette change: colours by reference follow at once, colours read at the
        // redraw follow with the next one.
        QPalette palette = original;
        palette.setColor(QPalette::Base, QColor(250, 250, 240));
        palette.setColor(QPalette::Midlight, QColor(200, 200, 200));
        palette.setColor(QPalette::Highlight, QColor(160, 0, 0));
        QApplication::setPalette(palette);
        QCOMPARE(states(), (QStringList{"window", "window", "other read-only", "other",
                                        "light disabled", "light disabled"}));
        w.list->setSelectedIndex(1);
        QCOMPARE(states(), editableSelected);
    }

    // ---- editing and keyboard

    void typingANameThenClickingTheValue()
    {
        Window &w = *m_window;
        w.fill(2);
        EventLog log(*w.list);
        // The focus comes to row 1 without a click: the row is not selected yet.
        w.name(0)->setFocus();
        QCOMPARE(log.take(), sameName("n2"));
        QTest::keyClicks(w.name(0), QStringLiteral("x"));
        QTest::mouseClick(w.value(0), Qt::LeftButton);
        QCOMPARE(log.take(), (QStringList{"ChangingFieldName(n1,n1x,false)",
                                          "ChangeFieldName(n1,n1x)", "SelectedChange"}));
        QCOMPARE(w.list->RowNames(1), u"n1x");
        QCOMPARE(w.list->SelectedIndex(), 1);

        // Back into the selected row: a commit of the value, no selection event.
        QTest::mouseClick(w.name(0), Qt::LeftButton);
        QCOMPARE(log.take(),
                 (QStringList{"ChangingFieldValue(v1,v1,false)", "ChangeFieldValue(n1x,v1)"}));
        // Leaving without typing still commits, old equal to new.
        w.other->setFocus();
        QCOMPARE(log.take(), sameName("n1x"));
    }

    void cancelledOrFailingChangesPutTheOldTextBack()
    {
        Window &w = *m_window;
        w.fill(1);
        EventLog log(*w.list);
        const auto edit = [&](QLineEdit *target, const QString &typed) {
            target->setFocus();
            target->end(false);
            QTest::keyClicks(target, typed);
            w.other->setFocus();
            return log.take();
        };
        // A handler that fails after cancelling: the list goes on, cancelled, silently.
        log.cancel = true;
        log.fail = true;
        QCOMPARE(edit(w.name(0), "q"), QStringList{"ChangingFieldName(n1,n1q,false)"});
        QCOMPARE(w.name(0)->text(), QStringLiteral("n1"));
        QCOMPARE(w.list->RowNames(1), u"n1");
        log.fail = false;
        QCOMPARE(edit(w.value(0), "!"), QStringList{"ChangingFieldValue(v1,v1!,false)"});
        QCOMPARE(w.value(0)->text(), QStringLiteral("v1"));
        QCOMPARE(w.list->RowValues(1), u"v1");
    }

    void enterCommitsAndLocks_data()
    {
        QTest::addColumn<bool>("lockOnEnter");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("lock") << true << false;
        QTest::newRow("lock, rename cancelled") << true << true;
        QTest::newRow("no lock") << false << false;
    }
    void enterCommitsAndLocks()
    {
        QFETCH(bool, lockOnEnter);
        QFETCH(bool, cancel);
        Window &w = *m_window;
        w.fill(2);
        w.list->setLockOnEnter(lockOnEnter);
        QSignalSpy clicked(w.ok, &QPushButton::clicked);
        w.name(0)->setFocus();
        EventLog log(*w.list);
        log.cancel = cancel;
        QTest::keyClicks(w.name(0), QStringLiteral("x"));
        press(Qt::Key_Return);
        QStringList expected{"ChangingFieldName(n1,n1x,false)"};
        if (!cancel)
            expected.append("ChangeFieldName(n1,n1x)");
        QCOMPARE(log.take(), expected);
        QCOMPARE(w.list->RowNames(1), cancel ? u"n1" : u"n1x");
        QCOMPARE(w.list->RowEditable(1), !lockOnEnter);
        QCOMPARE(w.name(0)->isReadOnly(), lockOnEnter); // redrawn
        QCOMPARE(QApplication::focusWidget(), w.name(0));

        // Enter in a value box commits the value only, whatever LockOnEnter says.
        w.value(1)->setFocus();
        log.cancel = false;
        log.take();
        QTest::keyClicks(w.value(1), QStringLiteral("y"));
        press(Qt::Key_Enter);
        QCOMPARE(log.take(),
                 (QStringList{"ChangingFieldValue(v2,v2y,false)", "ChangeFieldValue(n2,v2y)"}));
        QVERIFY(w.list->RowEditable(2));
        // The key stays with the list: the dialog's default button is not pressed.
        QCOMPARE(clicked.size(), 0);
        QVERIFY(w.window.isVisible());
    }

    void arrowKeys_data()
    {
        QTest::addColumn<KeyCase>("c");
        // The name, then the value typed in the box, are committed before the move; the
        // box commits once more, unchanged, when it loses the focus.
        const QStringList select{"SelectedChange"};
        const QStringList typedValue =
            sameName("n1") + QStringList{"ChangingFieldValue(v1,v1typed,false)",
                                         "ChangeFieldValue(n1,v1typed)", "SelectedChange",
                                         "ChangingFieldValue(v1typed,v1typed,false)",
                                         "ChangeFieldValue(n1,v1typed)"};
        const int down = Qt::Key_Down;
        const int up = Qt::Key_Up;
        const int modifiedDown = down | Qt::ShiftModifier | Qt::ControlModifier;
        QTest::newRow("Shift+Ctrl+Down in a value box")
            << KeyCase{3, 1, "value 0", "typed", modifiedDown, typedValue, 2, 1, "value 1"};
        QTest::newRow("Up in a name box") << KeyCase{
            3, 2, "name 1", "", up, sameName("n2") + select + sameName("n2"), 1, 1, "name 0"};
        QTest::newRow("Down out of the window, ten rows") << KeyCase{
            10, 6, "name 5", "", down, sameName("n6") + select + sameName("n10"), 7, 5, "name 2"};
        QTest::newRow("Down out of the window, twenty rows") << KeyCase{
            20, 6, "name 5", "", down, sameName("n6") + select + sameName("n12"), 7, 7, "name 0"};
        // The scroll bar still gets the key and steps by one row.
        QTest::newRow("Down on the scroll bar")
            << KeyCase{10, 2, "bar", "", down, sameName("n2") + select, 3, 2, "bar"};
        QTest::newRow("Down on the last row")
            << KeyCase{3, 3, "name 2", "", down, {}, 3, 1, "name 2"};
        QTest::newRow("Up on row 1") << KeyCase{3, 1, "name 0", "", up, {}, 1, 1, "name 0"};
        QTest::newRow("Down without a selection")
            << KeyCase{3, 0, "name 0", "", down, {}, 0, 1, "name 0"};
        QTest::newRow("Page Down")
            << KeyCase{3, 2, "name 1", "", Qt::Key_PageDown, {}, 2, 1, "name 1"};
    }
    void arrowKeys()
    {
        QFETCH(KeyCase, c);
        Window &w = *m_window;
        w.fill(c.rows);
        w.bar->setValue(1);
        w.list->setSelectedIndex(c.selected);
        w.widget(c.focus)->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), c.typed);
        EventLog log(*w.list);
        press(c.key & ~int(Qt::KeyboardModifierMask),
              Qt::KeyboardModifiers(c.key & int(Qt::KeyboardModifierMask)));
        QCOMPARE(log.lines, c.events);
        QCOMPARE(w.list->SelectedIndex(), c.selectedAfter);
        QCOMPARE(w.list->FirstVisible(), c.firstVisibleAfter);
        QCOMPARE(QApplication::focusWidget(), w.widget(c.focusAfter));
        auto *edit = qobject_cast<QLineEdit *>(w.widget(c.focusAfter));
        if (edit && c.selectedAfter != c.selected)
            QCOMPARE(edit->selectedText(), edit->text());
    }

    void focusArrivingOnTheList()
    {
        Window &w = *m_window;
        w.fill(10);
        w.list->setSelectedIndex(2); // out of view: rows 5 to 10 are shown
        w.other->setFocus();
        w.control->setFocus(Qt::TabFocusReason);
        QCOMPARE(w.list->FirstVisible(), 2);
        QCOMPARE(QApplication::focusWidget(), w.value(0));

        // Disabled, the value box cannot take the focus: silently kept on the list.
        w.other->setFocus();
        w.list->setListEnabled(false);
        w.control->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), w.control);
        // No selection: nothing moves.
        w.list->setListEnabled(true);
        w.other->setFocus();
        w.list->setSelectedIndex(0);
        w.control->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), w.control);

        // Backwards out of the first box the focus passes the list by, even with a
        // selection that would draw it back in.
        w.list->setSelectedIndex(3);
        w.name(0)->setFocus();
        press(Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), w.other);
    }

private:
    std::unique_ptr<MessageBoxRecorder> m_boxes;
    std::unique_ptr<Window> m_window; // shown and active for every test
};

QTEST_MAIN(tst_FieldList)
#include "tst_fieldlist.moc"
