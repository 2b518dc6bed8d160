// SPDX-License-Identifier: Apache-2.0
// The whole use case on real widgets: the host window runs "PDF fields…", which
// creates OrvFields.MainForm through the registry and calls Show; the dialog opens
// on the host's selected book, is edited with the mouse and the keyboard, and Apply
// rewrites the PDF, which is then read back by the command line tool. Message boxes
// are recorded; a test acts on the modal dialog once it has loaded its book, or at a
// chosen moment of a read.

#include "dialog/frmMain.h"
#include "fieldlist/VrnFieldList.h"
#include "fields/clsFields.h"
#include "host/HostWindow.h"
#include "platform/FileSystem.h"
#include "platform/SystemColors.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestPdf.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>
#include <tuple>

using Fields::clsFields;
using Host::HostWindow;

extern "C" qint32 DllRegisterServer();

using Dialog::frmMain;
using FieldList::VrnFieldList;

namespace {

// Message boxes and display states, as boxes() and look() describe them.
const QString Success = QStringLiteral("64 PDF fields: Process complete with success.");
const QString NoPdf = QStringLiteral("lblPerso:off,17 cmdPersoAdd:off cmdPersoDel:off cmdApply:off "
                                     "cmdCancel:on cmbBooks:on lblField:off,17 txtField:off,22 "
                                     "UserFields:off boxNoFile lblInfoError");
const QString Ready = QStringLiteral("lblPerso:on,18 cmdPersoAdd:on cmdPersoDel:on cmdApply:on "
                                     "cmdCancel:on cmbBooks:on lblField:on,18 txtField:on,5 "
                                     "UserFields:on");

// The books, in tree order: one not published, two published, one whose PDF is gone.
constexpr int Draft = 0, Handbook = 1, Notes = 2, Lost = 3;

const QByteArray PublicationXml = R"(<publication title="Tests">
  <book name="Draft"><node name="Outline"/></book>
  <book name="Handbook" pdf="handbook.pdf"><node name="Part 1"><node name="Chapter 1"/></node></book>
  <book name="Notes" pdf="notes.pdf"/>
  <book name="Lost" pdf="lost.pdf"/>
</publication>)";

const TestPdf::Entries HandbookInfo = {
    {"Title", "Handbook"}, {"Author", "Ann Writer"}, {"Subject", "Testing"}, {"Keywords", "a, b"},
    {"Creator", "Tests"},  {"Field1", "one"},        {"Field4", "four"},     {"Source", "archive"},
};
const TestPdf::Entries NotesInfo = {
    {"Title", "Notes"},  {"Author", "Bob"},   {"Field10", "ten"},
    {"Field3", "three"}, {"Champs2", "deux"},
};
// The Handbook as the dialog shows it.
const QStringList HandbookShown{"Handbook",   "Ann Writer",  "Testing",       "a, b",
                                "Field1=one", "Field4=four", "Source=archive"};

template <typename T = QWidget> T *the(const frmMain *dialog, const QString &name)
{
    T *found = dialog->findChild<T *>(name);
    if (!found)
        qFatal("the dialog has no %s", qPrintable(name));
    return found;
}

QLineEdit *txtField(const frmMain *dialog, int i)
{
    return the<QLineEdit>(dialog, QStringLiteral("txtField_%1").arg(i));
}

VrnFieldList *userFields(const frmMain *dialog)
{
    return the<VrnFieldList>(dialog, QStringLiteral("UserFields"));
}

// The enabled state of the controls that a load sets, with the colour of labels and
// boxes (the four of a row in one when they agree), then the parts of the panel shown.
QString look(const frmMain *dialog)
{
    QStringList names{"lblPerso", "cmdPersoAdd", "cmdPersoDel",
                      "cmdApply", "cmdCancel",   "cmbBooks"};
    for (int i = 0; i < 4; ++i)
        names << QStringLiteral("lblField_%1").arg(i) << QStringLiteral("txtField_%1").arg(i);
    QStringList parts;
    for (const QString &name : names) {
        const QWidget *widget = the(dialog, name);
        QString state = name.section(u'_', 0, 0) + (widget->isEnabled() ? ":on" : ":off");
        if (name.startsWith(u"lbl"))
            state += u',' + QString::number(Platform::ForeColor(widget) & 0xFF);
        else if (name.startsWith(u"txt"))
            state += u',' + QString::number(Platform::BackColor(widget) & 0xFF);
        parts.append(state);
    }
    parts.removeDuplicates();
    parts.append(QLatin1String(userFields(dialog)->Enabled() ? "UserFields:on" : "UserFields:off"));
    for (const char *name : {"boxNoFile", "lblInfo", "lblInfoError", "progress"})
        if (the(dialog, name)->isVisible())
            parts.append(QLatin1String(name));
    return parts.join(u' ');
}

// The standard fields and the custom rows as the dialog shows them.
QStringList shown(const frmMain *dialog)
{
    QStringList lines;
    for (int i = 0; i < 4; ++i)
        lines.append(txtField(dialog, i)->text());
    const VrnFieldList *list = userFields(dialog);
    for (int row = 1; row <= list->Count(); ++row)
        lines.append(list->RowNames(row) + u'=' + list->RowValues(row));
    return lines;
}

// The same of the field set, custom fields in the set's order.
QStringList held(const clsFields *fields)
{
    QStringList lines{fields->Title(), fields->Author(), fields->Subject(), fields->Keywords()};
    for (int i = 1; i <= fields->Count(); ++i)
        lines.append(fields->Field(i)->Name() + u'=' + fields->Field(i)->Content());
    return lines;
}

// What a screen reader announces for the book list (by its label: on Linux a combo
// box's name is its current text), the four boxes and the first row.
QStringList accessibleNames(const frmMain *dialog)
{
    const auto labels = QAccessible::queryAccessibleInterface(the(dialog, "cmbBooks"))
                            ->relations(QAccessible::Label);
    QStringList names{labels.isEmpty() ? "no label" : labels[0].first->text(QAccessible::Name)};
    for (QWidget *box :
         {txtField(dialog, 0), txtField(dialog, 1), txtField(dialog, 2), txtField(dialog, 3),
          userFields(dialog)->txtFieldName(0), userFields(dialog)->txtFieldValue(0)})
        names.append(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name));
    return names;
}

// What `orvfields read --json` finds in a file, in the same form.
QStringList readBack(const QString &pdf)
{
    const Support::Output out =
        Support::run(QStringLiteral(ORVFIELDS_CLI), {QStringLiteral("read"), pdf, "--json"});
    const QJsonObject json = QJsonDocument::fromJson(out.text.toUtf8()).object();
    QStringList lines;
    for (const char *key : {"Title", "Author", "Subject", "Keywords"})
        lines.append(json.value(QLatin1String(key)).toString());
    for (const QJsonValue &field : json.value(QStringLiteral("custom")).toArray())
        lines.append(field[QStringLiteral("name")].toString() + u'=' +
                     field[QStringLiteral("value")].toString());
    return lines;
}

// Custom fields sorted: a rename moves a field to the end of the set, and so of the
// order in which it is written, while its row stays in place.
QStringList sortedCustom(QStringList lines)
{
    std::sort(lines.begin() + std::min<qsizetype>(4, lines.size()), lines.end());
    return lines;
}

// Types any characters as key presses to the widget.
void type(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Edits a list box the way a user does: select the text, type over it, press Enter.
void typeInto(QLineEdit *box, const QString &text)
{
    box->setFocus(Qt::MouseFocusReason);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    type(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

void click(const frmMain *dialog, const char *button)
{
    QTest::mouseClick(the(dialog, QLatin1String(button)), Qt::LeftButton);
}

// The dialog has finished loading the selected book: the Title box got the focus,
// or the panel says the book is not published.
bool loaded(frmMain *dialog)
{
    if (dialog->Working())
        return false;
    if (the(dialog, "boxNoFile")->isVisible())
        return the(dialog, "lblInfoError")->isVisible();
    return dialog->focusWidget() == txtField(dialog, 0);
}

} // namespace

class tst_Dialog : public QObject
{
    Q_OBJECT

    using Script = std::function<void(frmMain *)>;
    using Moment = std::function<bool(frmMain *)>;

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QCOMPARE(DllRegisterServer(), 0);
    }

    void init()
    {
        // A fresh publication for each test: its PDFs are rewritten by Apply.
        m_base = m_folder.filePath(QString::fromLatin1(QTest::currentTestFunction()) +
                                   QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(m_base));
        TestPdf::make(pdf("handbook.pdf"), HandbookInfo);
        TestPdf::make(pdf("notes.pdf"), NotesInfo, true);
        m_boxes.emplace();
        m_window = std::make_unique<HostWindow>();
        m_window->setNotifier(
            [](const QString &, const QString &text) { QFAIL(qPrintable(text)); });
        m_window->setLanguage(HostWindow::Language::English);
        QVERIFY(
            m_window->openPublication(Support::writeFile(pdf("publication.xml"), PublicationXml)));
    }

    void cleanup()
    {
        m_window.reset();
        m_boxes.reset();
    }

    void booksWithAndWithoutPdf()
    {
        // Opens on the book of the host's selection, a node two levels below it, with
        // the whole Title selected.
        QVERIFY(run("Handbook/Part 1/Chapter 1", [&](frmMain *dialog) {
            auto *books = the<QComboBox>(dialog, "cmbBooks");
            QCOMPARE(books->currentIndex(), Handbook);
            QCOMPARE(look(dialog), Ready);
            QCOMPARE(shown(dialog), HandbookShown);
            QCOMPARE(txtField(dialog, 0)->selectedText(), QStringLiteral("Handbook"));
            QCOMPARE(accessibleNames(dialog),
                     (QStringList{"Book choice:", "Title", "Author", "Subject", "Keywords",
                                  "Name of Field1", "Value of Field1"}));

            // Not published, or its file gone: the Handbook's values and rows stay,
            // disabled; another book still loads, and the first one again.
            for (int book : {Draft, Lost}) {
                books->setCurrentIndex(book);
                QCOMPARE(look(dialog), NoPdf);
                QCOMPARE(shown(dialog), HandbookShown);
            }
            books->setCurrentIndex(Notes);
            QCOMPARE(look(dialog), Ready);
            QCOMPARE(shown(dialog), (QStringList{"Notes", "Bob", "", "", "Champs2=deux",
                                                 "Field10=ten", "Field3=three"}));
            QCOMPARE(dialog->FieldNumber(), 10);
            books->setCurrentIndex(Draft);
            books->setCurrentIndex(Handbook);
            QCOMPARE(look(dialog), Ready);
            QCOMPARE(shown(dialog), HandbookShown);
            QCOMPARE(held(dialog->vFields()), HandbookShown);
            // The close box, with nothing running: no message.
            QVERIFY(dialog->close());
        }));
        QCOMPARE(boxes(), QStringList());
    }

    void editing()
    {
        // Every edit reaches the field set at once, renames and values once checked;
        // Enter and Escape press nothing; Cancel writes nothing and says nothing.
        const QByteArray before = TestPdf::bytes(pdf("handbook.pdf"));
        QVERIFY(run("Handbook", [&](frmMain *dialog) {
            clsFields *fields = dialog->vFields();
            VrnFieldList *list = userFields(dialog);
            txtField(dialog, 1)->clear();
            type(txtField(dialog, 1), QStringLiteral("Zoë"));
            QCOMPARE(fields->Author(), QStringLiteral("Zoë"));
            // Add after Field1 and Field4 makes Field5; Remove takes the selected row
            // out; numbers are not handed out twice.
            click(dialog, "cmdPersoAdd");
            QCOMPARE(shown(dialog).last(), QStringLiteral("Field5=My value"));
            QCOMPARE(held(fields), shown(dialog));
            click(dialog, "cmdPersoDel");
            QCOMPARE(list->Count(), 3);
            QCOMPARE(held(fields), shown(dialog));
            click(dialog, "cmdPersoAdd");
            QCOMPARE(list->RowNames(4), QStringLiteral("Field6"));

            // Refused with a message, the box getting its text back: a name the set
            // finds (SOURCE for Source; Title, a name of the document), an empty name,
            // an empty value.
            const QStringList unchanged = sortedCustom(held(fields));
            QLineEdit *name = list->txtFieldName(2);
            const QString exists = QStringLiteral(
                "0 OrvFields: This field name exists, can not rename it with this name.");
            const QString empty = QStringLiteral(
                " can not be empty.\r\nIf you want delete this field, use the delete button.");
            const QList<std::tuple<QLineEdit *, QString, QString>> refused{
                {name, "SOURCE", exists},
                {name, "Title", exists},
                {name, "", "0 OrvFields: The field name" + empty},
                {list->txtFieldValue(2), "", "0 OrvFields: The field value" + empty}};
            for (const auto &[box, text, message] : refused) {
                const QString was = box->text();
                typeInto(box, text);
                QCOMPARE(boxes(), QStringList{message});
                QCOMPARE(box->text(), was);
                QCOMPARE(sortedCustom(held(fields)), unchanged);
            }
            // Taken without a message: its own name, an empty value that was empty already.
            typeInto(name, QStringLiteral("Source"));
            list->AddElem(QStringLiteral("Blank"), QString(), true);
            typeInto(list->txtFieldValue(4), QString());
            QCOMPARE(boxes(), QStringList());
            QCOMPARE(sortedCustom(held(fields)), sortedCustom(shown(dialog)));

            QTest::keyClick(txtField(dialog, 0), Qt::Key_Escape);
            the(dialog, "cmdApply")->setFocus();
            QTest::keyClick(the(dialog, "cmdApply"), Qt::Key_Return);
            QVERIFY(dialog->isVisible() && !dialog->Canceled());
            click(dialog, "cmdCancel");
        }));
        QCOMPARE(boxes(), QStringList());
        QCOMPARE(TestPdf::bytes(pdf("handbook.pdf")), before);
    }

    void applyWritesWhatIsShown()
    {
        const QString file = pdf("handbook.pdf");
        QStringList onScreen;
        QVERIFY(run("Handbook/Part 1", [&](frmMain *dialog) {
            txtField(dialog, 0)->setText(QStringLiteral("Handbook, second edition"));
            txtField(dialog, 2)->clear();
            type(txtField(dialog, 3), QStringLiteral("; Zoë — 日本語"));
            VrnFieldList *list = userFields(dialog);
            typeInto(list->txtFieldName(2), QStringLiteral("Origin"));
            typeInto(list->txtFieldValue(1), QStringLiteral("FOUR"));
            list->setSelectedIndex(1);
            click(dialog, "cmdPersoDel");
            click(dialog, "cmdPersoAdd");
            onScreen = shown(dialog);
            click(dialog, "cmdApply");
            QVERIFY(!dialog->isVisible() && dialog->result() && !dialog->Canceled());
        }));
        QCOMPARE(onScreen,
                 (QStringList{"Handbook, second edition", "Ann Writer", "", "a, b; Zoë — 日本語",
                              "Field4=FOUR", "Origin=archive", "Field5=My value"}));
        QCOMPARE(boxes(), QStringList{Success});

        QCOMPARE(sortedCustom(readBack(file)), sortedCustom(onScreen));
    }

    void applyOnALockedFile_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("held by another program") << false;
        QTest::newRow("read-only") << true;
    }

    void applyOnALockedFile()
    {
        QFETCH(bool, readOnly);
        const QString file = pdf("notes.pdf");
        const QByteArray before = TestPdf::bytes(file);
        QVERIFY(run("Notes", [&](frmMain *dialog) {
            txtField(dialog, 1)->setText(QStringLiteral("Carol"));
            Platform::ExclusiveFile other;
            QVERIFY(readOnly ? QFile::setPermissions(file, QFile::ReadOwner) : other.open(file));
            click(dialog, "cmdApply");
            QCOMPARE(boxes(), QStringList{"16 OrvFields: The PDF file is opened by another "
                                          "application or is read only, can not apply."});
            // Still open, ready, the edit in place, nothing written.
            QVERIFY(dialog->isVisible() && !dialog->Working());
            QCOMPARE(look(dialog), Ready);
            QCOMPARE(dialog->vFields()->Author(), QStringLiteral("Carol"));
            QCOMPARE(TestPdf::bytes(file), before);
            // Freed, a second Apply writes and closes.
            other.close();
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
            click(dialog, "cmdApply");
        }));
        QCOMPARE(boxes(), QStringList{Success});
        QCOMPARE(readBack(file).mid(0, 2), (QStringList{"Notes", "Carol"}));
    }

    void inputDuringTheWrite()
    {
        // While Apply writes: a second Apply, typing, Add, Cancel and the close box
        // change nothing, and Apply still reports.
        int writes = 0;
        int percents = 0;
        QVERIFY(run("Handbook", [&](frmMain *dialog) {
            QObject::connect(dialog->vFields(), &clsFields::WorkEnded, [&] { ++writes; });
            QObject::connect(dialog->vFields(), &clsFields::WorkPercent, [&] {
                if (++percents != 1)
                    return;
                QVERIFY(dialog->Working() && the(dialog, "progress")->isVisible());
                click(dialog, "cmdApply");
                QTest::keyClicks(txtField(dialog, 0), QStringLiteral("typed"));
                click(dialog, "cmdPersoAdd");
                click(dialog, "cmdCancel");
                QVERIFY(!dialog->close());
                QVERIFY(dialog->isVisible() && dialog->Canceled());
            });
            click(dialog, "cmdApply");
            QCOMPARE(shown(dialog), HandbookShown);
        }));
        QVERIFY(percents > 1);
        QCOMPARE(writes, 1);
        QCOMPARE(boxes(), QStringList{Success});
        QCOMPARE(sortedCustom(readBack(pdf("handbook.pdf"))), HandbookShown);
    }

    void closeDuringARead()
    {
        // A PDF with many fields, so that the read yields often; the dialog is closed
        // while it reads. The read is abandoned: no row reaches the closed dialog,
        // which is gone once Show returns.
        TestPdf::Entries many;
        for (int i = 1; i <= 400; ++i)
            many.append({QStringLiteral("Entry%1").arg(i), QStringLiteral("value %1").arg(i)});
        TestPdf::make(pdf("notes.pdf"), many);
        QPointer<frmMain> gone;
        int rowsAfterClose = 0;
        const Moment reading = [](frmMain *dialog) {
            return the(dialog, "boxNoFile")->isVisible() && the(dialog, "lblInfo")->isVisible();
        };
        QVERIFY(run(
            "Notes",
            [&](frmMain *dialog) {
                gone = dialog;
                QObject::connect(userFields(dialog), &VrnFieldList::AddField,
                                 [&] { ++rowsAfterClose; });
                QVERIFY(dialog->close());
                QVERIFY(!dialog->isVisible() && dialog->Canceled() && !dialog->result());
                QCOMPARE(dialog->vFields(), nullptr);
                QCOMPARE(dialog->PluginObject(), nullptr);
            },
            reading));
        QCOMPARE(rowsAfterClose, 0);
        QCOMPARE(boxes(), QStringList());
        QVERIFY(!gone);
    }

    void frenchAndGeneratedNames()
    {
        // In French the word is "Champs": Field10 read from the PDF does not count.
        m_window->setLanguage(HostWindow::Language::French);
        QVERIFY(run("Notes", [&](frmMain *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Définir les champs du document"));
            QCOMPARE(accessibleNames(dialog),
                     (QStringList{"Choix du livre :", "Titre", "Auteur", "Sujet", "Mots clés",
                                  "Nom du champ Champs2", "Valeur du champ Champs2"}));
            QCOMPARE(dialog->FieldNumber(), 2);
            click(dialog, "cmdPersoAdd");
            QCOMPARE(shown(dialog).last(), QStringLiteral("Champs3=Ma valeur"));
            click(dialog, "cmdApply");
        }));
        QCOMPARE(boxes(), QStringList{"64 Champs PDF: Le processus c'est terminé sans erreurs."});
        QVERIFY(readBack(pdf("notes.pdf")).contains(QStringLiteral("Champs3=Ma valeur")));
    }

    void numbersOutOfRange()
    {
        // A number past the 32-bit range stops the load in its trap, before any row
        // is listed; the close box still works. Opening on a book other than the
        // first loads it twice: as the host's selection is taken over, then again.
        TestPdf::make(pdf("notes.pdf"), {{"Field99999999999", "x"}});
        QVERIFY(run(
            "Notes",
            [&](frmMain *dialog) {
                QCOMPARE(userFields(dialog)->Count(), 0);
                QVERIFY(!the(dialog, "cmdPersoDel")->isEnabled());
                QVERIFY(dialog->close());
            },
            [&](frmMain *) { return m_boxes->boxes.size() == 2; }));
        const QString overflow = QStringLiteral(
            "0 OrvFields: (OrvFieldsfrmMain.cmbBooks_Click) Error 6 : Overflow Line 7");
        QCOMPARE(boxes(), (QStringList{overflow, overflow}));

        // The largest number loads; Add past it is refused in its trap, adding nothing.
        TestPdf::make(pdf("handbook.pdf"), {{"Field2147483647", "last"}});
        QVERIFY(run("Handbook", [&](frmMain *dialog) {
            QCOMPARE(dialog->FieldNumber(), 2147483647);
            click(dialog, "cmdPersoAdd");
            QCOMPARE(boxes(), QStringList{"0 OrvFields: (OrvFieldsfrmMain.cmdPersoAdd_Click) "
                                          "Error 6 : Overflow Line 1"});
            QCOMPARE(held(dialog->vFields()), shown(dialog));
            QCOMPARE(shown(dialog).size(), 5);
            // Apply still works, and ends with success when the file was deleted meanwhile.
            QVERIFY(QFile::remove(pdf("handbook.pdf")));
            click(dialog, "cmdApply");
        }));
        QCOMPARE(boxes(), QStringList{Success});
        QVERIFY(!QFile::exists(pdf("handbook.pdf")));
    }

    void screenshotThroughTheHost()
    {
        // orvfields-host --screenshot saves the dialog once it has loaded the book.
        // Whatever else the run shows (here the host's message about an unreadable
        // publication, then the plug-in's) is reported and closed: nothing waits.
        const QString host = QStringLiteral(ORVFIELDS_HOST);
        Support::Output out =
            Support::run(host, {pdf("publication.xml"), "--language", "fr", "--select", "Notes",
                                "--screenshot", pdf("dialog.png")});
        QVERIFY2(out.exitCode == 0, qPrintable(out.text));
        QCOMPARE(QImage(pdf("dialog.png")).size(), QSize(343, 281));

        const QString broken = Support::writeFile(pdf("broken.xml"), "<publication><book");
        out = Support::run(host, {broken, "--screenshot", pdf("none.png")});
        QCOMPARE(out.exitCode, 1);
        QVERIFY2(out.text.contains("Publication not opened") &&
                     out.text.contains("This plugin need an open and valid publication"),
                 qPrintable(out.text));
        QVERIFY(!QFile::exists(pdf("none.png")));
    }

private:
    QString pdf(const char *name) const { return m_base + u'/' + QLatin1String(name); }

    QStringList boxes() { return m_boxes->take(); }

    // Selects `path` in the host window, runs "PDF fields…" and, once `moment` comes
    // (by default: the book is loaded), runs `script` on the dialog. False when that
    // moment never came or the script left the dialog open; the dialog is then closed.
    bool run(const QString &path, const Script &script, const Moment &moment = loaded)
    {
        if (!m_window->selectPath(path))
            return false;
        bool started = false;
        bool leftOpen = false;
        QElapsedTimer clock;
        clock.start();
        QTimer poll;
        // At every pass of the message loop, also those of the dialog's yields.
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<frmMain *>(QApplication::activeModalWidget());
            if (started || !dialog)
                return;
            if (clock.elapsed() > 20000) {
                poll.stop();
                dialog->close();
            } else if (moment(dialog)) {
                started = true;
                poll.stop();
                script(dialog);
                leftOpen = dialog->isVisible();
                if (leftOpen)
                    dialog->close();
            }
        });
        poll.start();
        m_window->pluginAction()->trigger();
        poll.stop();
        return started && !leftOpen;
    }

    QTemporaryDir m_folder;
    QString m_base;
    std::optional<MessageBoxRecorder> m_boxes;
    std::unique_ptr<HostWindow> m_window;
};

QTEST_MAIN(tst_Dialog)
#include "tst_dialog.moc"
