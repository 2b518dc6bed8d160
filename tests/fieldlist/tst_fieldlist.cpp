// The field list on real widgets: its rows and their events, its layout and colours,
// and editing with the mouse and the keyboard. Every event is recorded with its
// arguments and whole sequences are compared.

#include "AutomationError.h"
#include "Dispatch.h"
#include "MessageBoxRecorder.h"
#include "SystemColors.h"
#include "SystemFonts.h"
#include "Twips.h"
#include "VrnFieldList.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using FieldList::VrnFieldList;
using namespace Platform;

namespace {

QString text(const QString &value)
{
    return value;
}
QString text(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}
template <typename... Args> QString line(const char *event, const Args &...args)
{
    const QStringList parts{text(args)...};
    return parts.isEmpty() ? QString::fromLatin1(event)
                           : QStringLiteral("%1(%2)").arg(event, parts.join(u','));
}

// Records the list's events as "Event(arg,arg)" lines; the two Changing handlers can
// set Cancel or fail.
struct EventLog
{
    QStringList lines;
    bool cancelName = false;
    bool cancelValue = false;
    bool failInChanging = false;
    QObject context; // the connections end with the log

    explicit EventLog(VrnFieldList *list)
    {
        auto record = [this](const char *event) {
            return [this, event](const auto &...args) {
                lines.append(line(event, args...));
            };
        };
        using L = VrnFieldList;
        QObject::connect(list, &L::AddField, &context, record("AddField"));
        QObject::connect(list, &L::Change, &context, record("Change"));
        QObject::connect(list, &L::ChangeFieldName, &context, record("ChangeFieldName"));
        QObject::connect(list, &L::ChangeFieldValue, &context, record("ChangeFieldValue"));
        QObject::connect(list, &L::RemoveField, &context, record("RemoveField"));
        QObject::connect(list, &L::SelectedChange, &context, record("SelectedChange"));
        QObject::connect(list, &L::ChangingFieldName, &context,
                         [this](const QString &o, const QString &n, bool &cancel) {
                             lines.append(line("ChangingFieldName", o, n, cancel));
                             cancel = cancelName;
                             if (failInChanging)
                                 throw std::runtime_error("handler failed");
                         });
        QObject::connect(list, &L::ChangingFieldValue, &context,
                         [this](const QString &o, const QString &n, bool &cancel) {
                             lines.append(line("ChangingFieldValue", o, n, cancel));
                             cancel = cancelValue;
                         });
    }
    QStringList take() { return std::exchange(lines, {}); }
};

// A shown, active window holding a list of the given pixel size and a box outside it.
struct Window
{
    QWidget window;
    VrnFieldList *list;
    QLineEdit *other;

    explicit Window(int width = 329, int height = 109)
    {
        list = new VrnFieldList(&window);
        list->setGeometry(0, 0, width, height);
        other = new QLineEdit(&window);
        other->setObjectName(QStringLiteral("other"));
        other->setGeometry(0, 200, 100, 20);
        window.resize(400, 240);
        window.show();
    }
    bool active() { return QTest::qWaitForWindowActive(&window); }

    QLineEdit *name(int i) const { return list->txtFieldName(i); }
    QLineEdit *value(int i) const { return list->txtFieldValue(i); }
    // Rows "n1".."nN" with values "v1".."vN"; the log starts empty afterwards.
    void fill(int rows, bool editable = true)
    {
        for (int k = 1; k <= rows; ++k)
            list->AddElem(QStringLiteral("n%1").arg(k), QStringLiteral("v%1").arg(k), editable);
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

QRgb back(const QLineEdit *box)
{
    return box->palette().color(QPalette::Base).rgb();
}

} // namespace

class tst_FieldList : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_boxes.reset(new MessageBoxRecorder); }
    void cleanup()
    {
        QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->prompts().join('\n')));
        m_boxes.reset();
    }

    // ---- rows and their events

    void addElemSelectsFocusesAndRaisesInOrder()
    {
        // A face of its own for the message font, so its use is visible.
        SystemFontHandlers faces;
        faces.nonClientMetrics = [](NonClientMetrics &m) {
            m.lfMessageFont.lfFaceName = FaceNameOf(QStringLiteral("Message Face"));
            return true;
        };
        const SystemFontHandlers previous = setSystemFontHandlers(faces);
        Window w;
        QVERIFY(w.active());
        EventLog log(w.list);
        w.list->AddElem(QStringLiteral("Name"), QStringLiteral("Value"), true);
        setSystemFontHandlers(previous);

        QCOMPARE(log.take(), (QStringList{"Change", "AddField(Name,Value)", "SelectedChange",
                                          "SelectedChange"}));
        QCOMPARE(w.list->Count(), 1);
        QCOMPARE(w.list->SelectedIndex(), 1);
        QCOMPARE(QApplication::focusWidget(), w.name(0));
        QCOMPARE(w.name(0)->selectedText(), QStringLiteral("Name"));
        QCOMPARE(w.name(0)->font().family(), QStringLiteral("Message Face"));
        QCOMPARE(w.value(0)->font().family(), QStringLiteral("Message Face"));
        QVERIFY(w.name(1)->font().family() != QStringLiteral("Message Face"));

        // Already selected by number: the setter is silent, the final event stays.
        w.list->AddElem(QStringLiteral("b"), QStringLiteral("2"), false);
        w.list->setSelectedIndex(3);
        log.take();
        w.list->AddElem(QStringLiteral("c"), QStringLiteral("3"), false);
        QCOMPARE(log.take(), (QStringList{"Change", "AddField(c,3)", "SelectedChange"}));
        QCOMPARE(w.list->SelectedIndex(), 3);
        QCOMPARE(w.shownNames(), (QStringList{"Name", "b", "c", "", "", ""}));
    }

    void addElemThatCannotTakeTheFocusKeepsItsRow()
    {
        VrnFieldList hidden;
        hidden.setLinesCount(6);
        hidden.AddElem(QStringLiteral("a"), QStringLiteral("1"), true);
        QCOMPARE(m_boxes->prompts(),
                 QStringList{"(OrvFields.VrnFieldList.AddElem) Error 5 : Invalid procedure call "
                             "or argument Line 8"});
        m_boxes->boxes.clear();
        QCOMPARE(hidden.Count(), 1);
        QCOMPARE(hidden.SelectedIndex(), 1);
        QCOMPARE(hidden.txtFieldName(0)->text(), QStringLiteral("a"));
    }

    void removeElem_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("selectedAfter");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("shown");
        const QStringList none;
        QTest::newRow("index 0") << 3 << 3 << 0 << 3 << none << QStringList{"n1", "n2", "n3"};
        QTest::newRow("index -1") << 3 << 3 << -1 << 3 << none << QStringList{"n1", "n2", "n3"};
        QTest::newRow("index Count+1") << 3 << 3 << 4 << 3 << none << QStringList{"n1", "n2", "n3"};
        QTest::newRow("selected last row")
            << 3 << 3 << 3 << 2 << QStringList{"SelectedChange", "Change", "RemoveField(n3,v3)"}
            << QStringList{"n1", "n2", ""};
        QTest::newRow("row above the selection")
            << 3 << 3 << 1 << 2 << QStringList{"Change", "RemoveField(n1,v1)"}
            << QStringList{"n2", "n3", ""};
        QTest::newRow("selected middle row")
            << 3 << 2 << 2 << 2 << QStringList{"SelectedChange", "Change", "RemoveField(n2,v2)"}
            << QStringList{"n1", "n3", ""};
        QTest::newRow("only row") << 1 << 1 << 1 << 0
                                  << QStringList{"SelectedChange", "Change", "RemoveField(n1,v1)"}
                                  << QStringList{"", "", ""};
    }
    void removeElem()
    {
        QFETCH(int, rows);
        QFETCH(int, selected);
        QFETCH(int, index);
        QFETCH(int, selectedAfter);
        QFETCH(QStringList, events);
        QFETCH(QStringList, shown);
        Window w;
        QVERIFY(w.active());
        w.fill(rows, false);
        w.list->setSelectedIndex(selected);
        EventLog log(w.list);
        w.list->RemoveElem(index);
        QCOMPARE(log.take(), events);
        QCOMPARE(w.list->SelectedIndex(), selectedAfter);
        QCOMPARE(w.shownNames().mid(0, 3), shown);
        QCOMPARE(w.list->Count(), rows - (events.isEmpty() ? 0 : 1));
    }

    void removeElemPullsAScrolledWindowBack_data()
    {
        QTest::addColumn<int>("index");
        for (int index : {1, 5, 10})
            QTest::addRow("row %d", index) << index;
    }
    void removeElemPullsAScrolledWindowBack()
    {
        QFETCH(int, index);
        Window w;
        QVERIFY(w.active());
        w.fill(10, false);
        w.list->VScroll1()->setValue(1);
        w.list->VScroll1()->setValue(5); // the user drags the scroll bar
        QCOMPARE(w.list->FirstVisible(), 5);
        w.list->RemoveElem(index);
        QCOMPARE(w.list->FirstVisible(), 4);
        QCOMPARE(w.name(0)->text(), w.list->RowNames(4));
        QCOMPARE(w.name(5)->text(), w.list->RowNames(9));
        QCOMPARE(w.list->VScroll1()->maximum(), 4);
        QCOMPARE(w.list->VScroll1()->value(), 4);
    }

    void clearKeepsTheSelectionNumberAndResetsTheWindow()
    {
        Window w;
        QVERIFY(w.active());
        EventLog log(w.list);
        w.list->Clear();
        QCOMPARE(log.take(), QStringList{"Change"});

        w.fill(10, false);
        w.list->VScroll1()->setValue(3);
        w.list->setSelectedIndex(4);
        log.take();
        w.list->Clear();
        QCOMPARE(log.take(), QStringList{"Change"});
        QCOMPARE(w.list->Count(), 0);
        QCOMPARE(w.list->SelectedIndex(), 4);
        QCOMPARE(w.list->FirstVisible(), 1);
        QVERIFY(!w.list->VScroll1()->isEnabled());
        w.list->AddElem(QStringLiteral("x"), QStringLiteral("y"), false);
        QCOMPARE(w.name(0)->text(), QStringLiteral("x"));
        QCOMPARE(w.list->SelectedIndex(), 1);
    }

    void propertiesChangeOnlyOnADifferentValue()
    {
        Window w;
        QVERIFY(w.active());
        w.fill(2, false);
        EventLog log(w.list);
        const QSize size = w.list->size();
        w.list->setListEnabled(true);
        w.list->setSelectedIndex(2);
        w.list->setLinesCount(6);
        QCOMPARE(log.take(), QStringList());
        QCOMPARE(w.list->size(), size);
        QVERIFY(w.name(0)->isEnabled());

        w.list->setSelectedIndex(1);
        QCOMPARE(log.take(), QStringList{"SelectedChange"});
        w.list->setListEnabled(false);
        QVERIFY(!w.name(0)->isEnabled());
        QVERIFY(w.list->isEnabled()); // the widget itself is not disabled
        QCOMPARE(log.take(), QStringList());

        // The same through late binding, where the property is "Enabled".
        Automation::put(w.list, u"Enabled", -1);
        QVERIFY(w.name(0)->isEnabled());
        Automation::call(w.list, u"AddElem", {QStringLiteral("c"), QStringLiteral("3"), 0});
        QCOMPARE(Automation::get(w.list, u"Count").toInt(), 3);
        QCOMPARE(Automation::get(w.list, u"SelectedIndex").toInt(), 3);
        QVERIFY_THROWS_EXCEPTION(Automation::AutomationError, w.list->setLinesCount(-1));
    }

    // ---- layout and drawing

    void layoutFromTwips()
    {
        setTwipsPerPixel(15, 15);
        Window w(TwipsToPixelsX(4935), TwipsToPixelsY(1635));
        setTwipsPerPixel(0, 0);
        QVERIFY(w.active());
        QCOMPARE(w.list->size(), QSize(329, 109));
        QCOMPARE(w.list->VScroll1()->width(), 17);
        QCOMPARE(w.list->LinesCount(), 6);
        QCOMPARE(w.list->RowsCreated(), 6);
        QCOMPARE(w.list->NameWidth(), 125);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(w.name(i)->geometry(), QRect(0, i * 18, 126, 19));
            QCOMPARE(w.value(i)->geometry(), QRect(125, i * 18, 187, 19));
        }
        QCOMPARE(w.list->VScroll1()->geometry(), QRect(312, 0, 17, 109));
        QVERIFY(!w.list->findChild<QLineEdit *>(QStringLiteral("txtFieldName_6")));

        // One pixel more: a seventh, partly visible row gets a new pair.
        w.list->resize(329, 110);
        QCOMPARE(w.list->LinesCount(), 7);
        QCOMPARE(w.list->RowsCreated(), 7);
        QLineEdit *name6 = w.list->findChild<QLineEdit *>(QStringLiteral("txtFieldName_6"));
        QLineEdit *value6 = w.list->findChild<QLineEdit *>(QStringLiteral("txtFieldValue_6"));
        QVERIFY(name6 && value6);
        QCOMPARE(name6->geometry(), QRect(0, 108, 126, 19));
        QCOMPARE(value6->geometry(), QRect(125, 108, 187, 19));
        QVERIFY(name6->isVisible());
        QVERIFY(!name6->isEnabled()); // blank
        QCOMPARE(w.list->VScroll1()->height(), 110);
    }

    void linesCountSetsTheHeight()
    {
        Window w;
        QVERIFY(w.active());
        w.list->setLinesCount(10);
        QCOMPARE(w.list->height(), 181);
        QCOMPARE(w.list->LinesCount(), 10);
        QCOMPARE(w.list->RowsCreated(), 10);
        for (int i = 6; i < 10; ++i) {
            QCOMPARE(w.name(i)->y(), 108 + (i - 6) * 18);
            QCOMPARE(w.value(i)->geometry(), QRect(125, 108 + (i - 6) * 18, 187, 19));
        }
        // Smaller again: the boxes stay, below the visible area.
        w.list->setLinesCount(6);
        QCOMPARE(w.list->height(), 109);
        QCOMPARE(w.list->RowsCreated(), 10);
        QCOMPARE(w.name(9)->y(), 162);

        // A hidden list lays out at once too.
        VrnFieldList hidden;
        hidden.setLinesCount(8);
        QCOMPARE(hidden.LinesCount(), 8);
        QCOMPARE(hidden.RowsCreated(), 8);
    }

    void scrollBarFollowsTheRows()
    {
        Window w;
        QVERIFY(w.active());
        w.fill(3, false);
        for (int v = 3; v < 6; ++v) {
            QVERIFY(!w.name(v)->isEnabled());
            QVERIFY(!w.value(v)->isEnabled());
            QCOMPARE(w.value(v)->text(), QString());
            QCOMPARE(BackColor(w.name(v)), SystemColor(COLOR_3DLIGHT));
        }
        QVERIFY(!w.list->VScroll1()->isEnabled());
        w.fill(3, false);
        QVERIFY(!w.list->VScroll1()->isEnabled());
        w.list->AddElem(QStringLiteral("n7"), QStringLiteral("v7"), false);
        const QScrollBar *bar = w.list->VScroll1();
        QVERIFY(bar->isEnabled());
        QCOMPARE(bar->minimum(), 1);
        QCOMPARE(bar->maximum(), 2);
        QCOMPARE(bar->pageStep(), 6);
        QCOMPARE(bar->singleStep(), 1);
        QCOMPARE(bar->value(), 2); // the new row scrolled into view
        QCOMPARE(w.name(5)->text(), QStringLiteral("n7"));
    }

    void ensureVisible()
    {
        Window w;
        QVERIFY(w.active());
        w.fill(10, false);
        w.list->VScroll1()->setValue(1);
        QCOMPARE(w.list->FirstVisible(), 1);
        w.list->EnsureVisible(7);
        QCOMPARE(w.list->FirstVisible(), 5);
        QCOMPARE(w.shownNames(), (QStringList{"n5", "n6", "n7", "n8", "n9", "n10"}));
        w.list->EnsureVisible(3);
        QCOMPARE(w.list->FirstVisible(), 3);
        w.list->EnsureVisible(4);
        QCOMPARE(w.list->FirstVisible(), 3);
        QCOMPARE(w.list->VScroll1()->value(), 3);

        w.fill(10, false); // twenty rows
        w.list->VScroll1()->setValue(1);
        w.list->EnsureVisible(7);
        QCOMPARE(w.list->FirstVisible(), 7);
        QCOMPARE(w.name(0)->text(), QStringLiteral("n7"));
    }

    void scrollBarLimitEndsTheRedrawInItsTrap()
    {
        Window w;
        QVERIFY(w.active());
        w.fill(32766 + 6, false); // the most the 16-bit scroll bar takes
        QCOMPARE(w.list->VScroll1()->maximum(), 32767);
        QVERIFY(m_boxes->boxes.isEmpty());
        w.list->AddElem(QStringLiteral("last"), QString(), false);
        QVERIFY(!m_boxes->boxes.isEmpty());
        QCOMPARE(m_boxes->boxes.first().prompt,
                 QStringLiteral("(OrvFields.VrnFieldList.IRefresh) Error 6 : Overflow Line 4"));
        m_boxes->boxes.clear();
        // The rows were drawn before the scroll bar failed, and redraws still run.
        QCOMPARE(w.name(5)->text(), QStringLiteral("last"));
        w.list->RemoveElem(1);
        QVERIFY(m_boxes->boxes.isEmpty());
        QCOMPARE(w.list->VScroll1()->maximum(), 32767);
        QCOMPARE(w.list->VScroll1()->value(), 32767);
    }

    void sevenColourStatesFollowThePalette()
    {
        const QPalette original = QGuiApplication::palette();
        QPalette palette = original;
        palette.setColor(QPalette::Base, QColor(250, 250, 240));
        palette.setColor(QPalette::Midlight, QColor(200, 200, 200));
        palette.setColor(QPalette::Highlight, QColor(0, 80, 160));
        QApplication::setPalette(palette);

        Window w;
        QVERIFY(w.active());
        w.list->AddElem(QStringLiteral("editable"), QString(), true);
        w.list->AddElem(QStringLiteral("fixed"), QString(), false);
        w.list->AddElem(QStringLiteral("other"), QString(), false);
        w.list->AddElem(QStringLiteral("last"), QString(), true);
        const QRgb window = GetSysColor(COLOR_WINDOW).rgb();
        const QRgb light = GetSysColor(COLOR_3DLIGHT).rgb();
        const QRgb caption = GetSysColor(COLOR_GRADIENTACTIVECAPTION).rgb();
        const QRgb menu = GetSysColor(COLOR_MENUHILIGHT).rgb();
        QCOMPARE(window, qRgb(250, 250, 240));
        QCOMPARE(light, qRgb(200, 200, 200));
        QCOMPARE(menu, qRgb(0, 80, 160));
        QCOMPARE(QSet<QRgb>({window, light, caption, menu}).size(), 4);

        struct State
        {
            QRgb color;
            bool enabled;
            bool readOnly;
            bool operator==(const State &) const = default;
        };
        auto state = [](const QLineEdit *box) {
            return State{back(box), box->isEnabled(), box->isReadOnly()};
        };
        // Name boxes: editable, editable selected, fixed, fixed selected, no row; with
        // the four colours distinct, so are the five states.
        w.list->setSelectedIndex(2);
        const State fixedSelected = state(w.name(1));
        const State valueSelected = state(w.value(1));
        w.list->setSelectedIndex(1);
        const QList<State> names{state(w.name(3)), state(w.name(0)), state(w.name(2)),
                                 fixedSelected, state(w.name(4))};
        QCOMPARE(names[0], (State{window, true, false}));
        QCOMPARE(names[1], (State{caption, true, false}));
        QCOMPARE(names[2], (State{light, true, true}));
        QCOMPARE(names[3], (State{menu, true, true}));
        QCOMPARE(names[4], (State{light, false, names[4].readOnly}));
        QCOMPARE(state(w.value(3)), (State{window, true, false}));
        QCOMPARE(valueSelected, (State{caption, true, false}));
        QCOMPARE(state(w.value(4)), (State{light, false, false}));
        QCOMPARE(state(w.value(1)), (State{window, true, false})); // fixed name, value editable

        // The list disabled: every box grey and disabled, texts kept.
        w.list->setListEnabled(false);
        for (int v = 0; v < 6; ++v) {
            QCOMPARE(state(w.value(v)).color, light);
            QVERIFY(!w.name(v)->isEnabled() && !w.value(v)->isEnabled());
        }
        QCOMPARE(w.name(2)->text(), QStringLiteral("other"));
        w.list->setListEnabled(true);

        // A palette change: colours by reference follow at once, colours read at the
        // redraw follow with the next one.
        palette.setColor(QPalette::Base, QColor(255, 255, 255));
        palette.setColor(QPalette::Midlight, QColor(220, 220, 220));
        palette.setColor(QPalette::Highlight, QColor(160, 0, 0));
        QApplication::setPalette(palette);
        QCOMPARE(back(w.name(3)), qRgb(255, 255, 255));
        QCOMPARE(back(w.name(2)), qRgb(220, 220, 220));
        QCOMPARE(back(w.name(4)), qRgb(220, 220, 220));
        QCOMPARE(back(w.name(0)), caption);
        w.list->setSelectedIndex(2);
        QCOMPARE(back(w.name(1)), qRgb(160, 0, 0));
        QCOMPARE(back(w.value(1)), GetSysColor(COLOR_GRADIENTACTIVECAPTION).rgb());
        QVERIFY(back(w.value(1)) != caption);
        QApplication::setPalette(original);
    }

    // ---- editing and keyboard

    void typingANameThenClickingTheValue()
    {
        Window w;
        QVERIFY(w.active());
        w.fill(2);
        EventLog log(w.list);
        // The focus comes to row 1 without a click: the row is not selected yet.
        w.name(0)->setFocus();
        QCOMPARE(log.take(),
                 (QStringList{"ChangingFieldName(n2,n2,false)", "ChangeFieldName(n2,n2)"}));
        QTest::keyClicks(w.name(0), QStringLiteral("x"));
        QTest::mouseClick(w.value(0), Qt::LeftButton);
        QCOMPARE(log.take(), (QStringList{"ChangingFieldName(n1,n1x,false)",
                                          "ChangeFieldName(n1,n1x)", "SelectedChange"}));
        QCOMPARE(w.list->RowNames(1), QStringLiteral("n1x"));
        QCOMPARE(w.list->SelectedIndex(), 1);

        // Back into the selected row: a commit of the value, no selection event.
        QTest::mouseClick(w.name(0), Qt::LeftButton);
        QCOMPARE(log.take(),
                 (QStringList{"ChangingFieldValue(v1,v1,false)", "ChangeFieldValue(n1x,v1)"}));
        // Leaving without typing still commits, old equal to new.
        w.other->setFocus();
        QCOMPARE(log.take(),
                 (QStringList{"ChangingFieldName(n1x,n1x,false)", "ChangeFieldName(n1x,n1x)"}));
    }

    void cancelledOrFailingChangesPutTheOldTextBack()
    {
        Window w;
        QVERIFY(w.active());
        w.fill(1);
        EventLog log(w.list);
        log.cancelName = true;
        w.name(0)->end(false);
        QTest::keyClicks(w.name(0), QStringLiteral("zz"));
        w.other->setFocus();
        QCOMPARE(log.take(), QStringList{"ChangingFieldName(n1,n1zz,false)"});
        QCOMPARE(w.name(0)->text(), QStringLiteral("n1"));
        QCOMPARE(w.list->RowNames(1), QStringLiteral("n1"));

        log.cancelValue = true;
        w.value(0)->setFocus();
        QTest::keyClicks(w.value(0), QStringLiteral("!"));
        w.other->setFocus();
        QCOMPARE(log.take(), QStringList{"ChangingFieldValue(v1,v1!,false)"});
        QCOMPARE(w.value(0)->text(), QStringLiteral("v1"));
        QCOMPARE(w.list->RowValues(1), QStringLiteral("v1"));

        // A handler that fails after cancelling: the list goes on, cancelled, silently.
        log.failInChanging = true;
        w.name(0)->setFocus();
        QTest::keyClicks(w.name(0), QStringLiteral("q"));
        w.other->setFocus();
        QCOMPARE(log.take(), QStringList{"ChangingFieldName(n1,n1q,false)"});
        QCOMPARE(w.name(0)->text(), QStringLiteral("n1"));
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
        Window w;
        QVERIFY(w.active());
        w.fill(2);
        w.list->setLockOnEnter(lockOnEnter);
        w.name(0)->setFocus();
        EventLog log(w.list);
        log.cancelName = cancel;
        QTest::keyClicks(w.name(0), QStringLiteral("x"));
        press(Qt::Key_Return);
        QStringList expected{"ChangingFieldName(n1,n1x,false)"};
        if (!cancel)
            expected.append("ChangeFieldName(n1,n1x)");
        QCOMPARE(log.take(), expected);
        QCOMPARE(w.list->RowNames(1), cancel ? QStringLiteral("n1") : QStringLiteral("n1x"));
        QCOMPARE(w.list->RowEditable(1), !lockOnEnter);
        QCOMPARE(w.name(0)->isReadOnly(), lockOnEnter);
        QCOMPARE(BackColor(w.name(0)),
                 lockOnEnter ? SystemColor(COLOR_3DLIGHT) : SystemColor(COLOR_WINDOW));
        QCOMPARE(QApplication::focusWidget(), w.name(0));
        QVERIFY(w.list->RowEditable(2));

        // Enter in a value box commits the value only, whatever LockOnEnter says.
        w.value(1)->setFocus();
        log.take();
        QTest::keyClicks(w.value(1), QStringLiteral("y"));
        press(Qt::Key_Enter);
        QCOMPARE(log.take(),
                 (QStringList{"ChangingFieldValue(v2,v2y,false)", "ChangeFieldValue(n2,v2y)"}));
        QVERIFY(w.list->RowEditable(2));
    }

    void enterInsideADialogPressesNoButton()
    {
        QDialog dialog;
        auto *list = new VrnFieldList(&dialog);
        auto *button = new QPushButton(QStringLiteral("OK"), &dialog);
        button->setGeometry(0, 120, 80, 24);
        QSignalSpy clicked(button, &QPushButton::clicked);
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        list->AddElem(QStringLiteral("a"), QStringLiteral("1"), true);
        press(Qt::Key_Return);
        list->txtFieldValue(0)->setFocus();
        press(Qt::Key_Return);
        QCOMPARE(clicked.size(), 0);
        QCOMPARE(finished.size(), 0);
        QVERIFY(dialog.isVisible());
        QVERIFY(!list->RowEditable(1));
    }

    void upAndDownWhereTheyCannotMove()
    {
        Window w;
        QVERIFY(w.active());
        EventLog log(w.list);
        w.list->setFocus(); // an empty list
        press(Qt::Key_Down);
        press(Qt::Key_Up);
        w.fill(3);
        w.list->setSelectedIndex(3);
        w.name(2)->setFocus();
        log.take();
        press(Qt::Key_Down); // on the last row
        w.list->setSelectedIndex(1);
        w.name(0)->setFocus();
        log.take();
        press(Qt::Key_Up); // on row 1
        w.list->setSelectedIndex(0);
        log.take();
        press(Qt::Key_Down); // no selection
        press(Qt::Key_Up);
        for (int key : {Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Home, Qt::Key_End, Qt::Key_Insert,
                        Qt::Key_Delete, Qt::Key_Escape})
            press(key);
        QCOMPARE(log.take(), QStringList());
        QCOMPARE(QApplication::focusWidget(), w.name(0));
    }

    void downAndUpMoveTheSelection_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::newRow("plain") << int(Qt::NoModifier);
        QTest::newRow("shift") << int(Qt::ShiftModifier);
        QTest::newRow("ctrl") << int(Qt::ControlModifier);
    }
    void downAndUpMoveTheSelection()
    {
        QFETCH(int, modifiers);
        Window w;
        QVERIFY(w.active());
        w.fill(3);
        w.list->setSelectedIndex(1);
        w.value(0)->setFocus();
        QTest::keyClicks(w.value(0), QStringLiteral("typed"));
        EventLog log(w.list);
        press(Qt::Key_Down, Qt::KeyboardModifiers(modifiers));
        // The name, then the value typed in the box, are committed before the move;
        // the box commits once more, unchanged, when it loses the focus.
        QCOMPARE(
            log.take(),
            (QStringList{"ChangingFieldName(n1,n1,false)", "ChangeFieldName(n1,n1)",
                         "ChangingFieldValue(v1,v1typed,false)", "ChangeFieldValue(n1,v1typed)",
                         "SelectedChange", "ChangingFieldValue(v1typed,v1typed,false)",
                         "ChangeFieldValue(n1,v1typed)"}));
        QCOMPARE(w.list->RowValues(1), QStringLiteral("v1typed"));
        QCOMPARE(w.list->SelectedIndex(), 2);
        QCOMPARE(QApplication::focusWidget(), w.value(1));
        QCOMPARE(w.value(1)->selectedText(), QStringLiteral("v2"));
        press(Qt::Key_Up, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(w.list->SelectedIndex(), 1);
        QCOMPARE(QApplication::focusWidget(), w.value(0));
    }

    void downAtTheBottomOfTheWindowScrolls()
    {
        Window w;
        QVERIFY(w.active());
        w.fill(10);
        w.list->VScroll1()->setValue(1);
        w.list->setSelectedIndex(6);
        w.name(5)->setFocus();
        EventLog log(w.list);
        press(Qt::Key_Down);
        QCOMPARE(log.take(),
                 (QStringList{"ChangingFieldName(n6,n6,false)", "ChangeFieldName(n6,n6)",
                              "SelectedChange", "ChangingFieldName(n10,n10,false)",
                              "ChangeFieldName(n10,n10)"}));
        QCOMPARE(w.list->SelectedIndex(), 7);
        QCOMPARE(w.list->FirstVisible(), 5);
        QCOMPARE(w.shownNames(), (QStringList{"n5", "n6", "n7", "n8", "n9", "n10"}));
        QCOMPARE(QApplication::focusWidget(), w.name(2));
        QCOMPARE(w.name(2)->selectedText(), QStringLiteral("n7"));

        // Twenty rows: the new row becomes the top row.
        w.fill(10);
        w.list->VScroll1()->setValue(1);
        w.list->setSelectedIndex(6);
        w.name(5)->setFocus();
        press(Qt::Key_Down);
        QCOMPARE(w.list->FirstVisible(), 7);
        QCOMPARE(QApplication::focusWidget(), w.name(0));
    }

    void downOnTheScrollBarMovesTheSelectionOnly()
    {
        Window w;
        QVERIFY(w.active());
        w.fill(10);
        w.list->VScroll1()->setValue(1);
        w.list->setSelectedIndex(2);
        w.list->VScroll1()->setFocus();
        EventLog log(w.list);
        press(Qt::Key_Down);
        QCOMPARE(log.take(), (QStringList{"ChangingFieldName(n2,n2,false)",
                                          "ChangeFieldName(n2,n2)", "SelectedChange"}));
        QCOMPARE(w.list->SelectedIndex(), 3);
        QCOMPARE(QApplication::focusWidget(), w.list->VScroll1());
        // The scroll bar still gets the key and steps by one row.
        QCOMPARE(w.list->FirstVisible(), 2);
    }

    void focusArrivingOnTheList()
    {
        Window w;
        QVERIFY(w.active());
        w.fill(10);
        w.list->setSelectedIndex(2); // out of view: rows 5 to 10 are shown
        w.other->setFocus();
        EventLog log(w.list);
        w.list->setFocus(Qt::TabFocusReason);
        QCOMPARE(w.list->FirstVisible(), 2);
        QCOMPARE(QApplication::focusWidget(), w.value(0));
        QCOMPARE(log.take(), QStringList());

        // Disabled, the value box cannot take the focus: silently kept on the list.
        w.other->setFocus();
        w.list->setListEnabled(false);
        w.list->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), w.list);
        w.list->setListEnabled(true);

        // No selection: nothing moves.
        w.other->setFocus();
        w.list->setSelectedIndex(0);
        w.list->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), w.list);

        // Backwards out of the first box the focus passes the list by, even with a
        // selection that would draw it back in.
        w.list->setSelectedIndex(3);
        w.name(0)->setFocus();
        press(Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), w.other);
    }

private:
    std::unique_ptr<MessageBoxRecorder> m_boxes;
};

QTEST_MAIN(tst_FieldList)
#include "tst_fieldlist.moc"
