// SPDX-License-Identifier: Apache-2.0
// The whole use case on real widgets: the host window runs "PDF fields…", which
// creates OrvFields.MainForm through the registry and calls Show; the dialog opens
// on the host's selected book, is edited with the mouse and the keyboard, and Apply
// rewrites the PDF, which is then read back by the command line tool. The dialog is
// reached as a user reaches it, through its window and its controls' names. Message
// boxes are recorded; a test acts on the modal dialog once it has loaded its book, or
// at a chosen moment of a read.

#include "automation/Object.h"
#include "dialog/frmMain.h"
#include "host/HostWindow.h"
#include "platform/SystemColors.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestPdf.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <optional>
#include <tuple>

using Host::HostWindow;

extern "C" qint32 DllRegisterServer();

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

template <typename T = QWidget> T *the(const QWidget *dialog, const QString &name)
{
    T *found = dialog->findChild<T *>(name);
    if (!found)
        qFatal("the dialog has no %s", qPrintable(name));
    return found;
}

QLineEdit *txtField(const QWidget *dialog, int i)
{
    return the<QLineEdit>(dialog, QStringLiteral("txtField_%1").arg(i));
}

// The boxes of visual row i of the field list.
QLineEdit *nameBox(const QWidget *dialog, int i)
{
    return the<QLineEdit>(dialog, QStringLiteral("txtFieldName_%1").arg(i));
}
QLineEdit *valueBox(const QWidget *dialog, int i)
{
    return the<QLineEdit>(dialog, QStringLiteral("txtFieldValue_%1").arg(i));
}

// The system colour a widget shows now, by its index among those the dialog uses.
int colourIndex(const QColor &color)
{
    for (int index : {Platform::COLOR_WINDOW, Platform::COLOR_GRAYTEXT, Platform::COLOR_BTNTEXT,
                      Platform::COLOR_3DLIGHT}) {
        if (Platform::GetSysColor(index) ==
            Platform::MakeRgb(color.red(), color.green(), color.blue()))
            return index;
    }
    return -1;
}

// The enabled state of the controls that a load sets, with the colour of labels and
// boxes (the four of a row in one when they agree), then the parts of the panel shown.
QString look(const QWidget *dialog)
{
    QStringList names{"lblPerso", "cmdPersoAdd", "cmdPersoDel",
                      "cmdApply", "cmdCancel",   "cmbBooks"};
    for (int i = 0; i < 4; ++i)
        names << QStringLiteral("lblField_%1").arg(i) << QStringLiteral("txtField_%1").arg(i);
    QStringList parts;
    for (const QString &name : names) {
        const QWidget *widget = the(dialog, name);
        QString state = name.section(u'_', 0, 0) + (widget->isEnabled() ? ":on" : ":off");
        const QPalette &palette = widget->palette();
        if (name.startsWith(u"lbl"))
            state += u',' + QString::number(
                                colourIndex(palette.color(QPalette::Active, QPalette::WindowText)));
        else if (name.startsWith(u"txt"))
            state += u',' + QString::number(colourIndex(palette.color(QPalette::Base)));
        parts.append(state);
    }
    parts.removeDuplicates();
    // The list's own Enabled draws the boxes of its rows disabled.
    parts.append(
        QLatin1String(valueBox(dialog, 0)->isEnabled() ? "UserFields:on" : "UserFields:off"));
    for (const char *name : {"boxNoFile", "lblInfo", "lblInfoError", "progress"})
        if (the(dialog, name)->isVisible())
            parts.append(QLatin1String(name));
    return parts.join(u' ');
}

// The standard fields and the custom rows as the dialog shows them (all the tests'
// rows fit the list's six visual rows).
QStringList shown(const QWidget *dialog)
{
    QStringList lines;
    for (int i = 0; i < 4; ++i)
        lines.append(txtField(dialog, i)->text());
    for (int i = 0; i < 6 && !nameBox(dialog, i)->text().isEmpty(); ++i)
        lines.append(nameBox(dialog, i)->text() + u'=' + valueBox(dialog, i)->text());
    return lines;
}

// What a screen reader announces for the book list (by its label: on Linux a combo
// box's name is its current text), the four boxes and the first row.
QStringList accessibleNames(const QWidget *dialog)
{
    const auto labels = QAccessible::queryAccessibleInterface(the(dialog, "cmbBooks"))
                            ->relations(QAccessible::Label);
    QStringList names{labels.isEmpty() ? "no label" : labels[0].first->text(QAccessible::Name)};
    for (QWidget *box : {txtField(dialog, 0), txtField(dialog, 1), txtField(dialog, 2),
                         txtField(dialog, 3), nameBox(dialog, 0), valueBox(dialog, 0)})
        names.append(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name));
    return names;
}

// What readers that are not ours find in a file, in the same form: pdfinfo's entries
// (the custom ones by name), once qpdf has checked the file.
QStringList readBack(const QString &pdf)
{
    const Support::Output check = TestPdf::check(pdf);
    if (check.exitCode != 0)
        return {"qpdf --check: " + QString::fromStdString(check.out + check.err)};
    const QMap<QString, QString> shown = TestPdf::pdfinfo(pdf);
    const QStringList standard{"Title", "Author", "Subject", "Keywords"};
    QStringList lines;
    for (const QString &key : standard)
        lines.append(shown.value(key));
    const QStringList kept{"Creator", "Producer", "CreationDate", "ModDate", "Trapped"};
    for (auto entry = shown.begin(); entry != shown.end(); ++entry) {
        if (!standard.contains(entry.key()) && !kept.contains(entry.key()))
            lines.append(entry.key() + u'=' + entry.value());
    }
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

void click(const QWidget *dialog, const char *button)
{
    QTest::mouseClick(the(dialog, QLatin1String(button)), Qt::LeftButton);
}

// The dialog has finished loading the selected book: the Title box got the focus,
// or the panel says the book is not published.
bool loaded(QWidget *dialog)
{
    if (the(dialog, "boxNoFile")->isVisible())
        return the(dialog, "lblInfoError")->isVisible();
    return QApplication::focusWidget() == txtField(dialog, 0);
}

// A host object that tells when it is let go.
struct Publication : Automation::Object
{
    explicit Publication(bool &gone) : released(gone) {}
    ~Publication() override { released = true; }
    bool &released;
};

} // namespace

class tst_Dialog : public QObject
{
    Q_OBJECT

    using Script = std::function<void(QWidget *)>;
    using Moment = std::function<bool(QWidget *)>;

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

    void unloadLetsGoOfTheSetAndThePublication()
    {
        bool released = false;
        Dialog::frmMain dialog;
        dialog.Load();
        dialog.setPluginObject(Automation::make<Publication>(released));
        QVERIFY(dialog.vFields() && !released);
        QVERIFY(dialog.Unload());
        QVERIFY(released && !dialog.vFields() && dialog.Canceled());
    }

    void booksWithAndWithoutPdf()
    {
        // Opens on the book of the host's selection, a node two levels below it, with
        // the whole Title selected.
        const QByteArray before = TestPdf::bytes(pdf("handbook.pdf"));
        QVERIFY(run("Handbook/Part 1/Chapter 1", [&](QWidget *dialog) {
            // Modal for the application and owned by no window: the host minimised and
            // restored leaves it on screen.
            QVERIFY(!dialog->parentWidget() && dialog->windowModality() == Qt::ApplicationModal);
            m_window->showMinimized();
            QCoreApplication::processEvents();
            m_window->showNormal();
            QCoreApplication::processEvents();
            QVERIFY(dialog->isVisible());

            auto *books = the<QComboBox>(dialog, "cmbBooks");
            QCOMPARE(books->currentIndex(), Handbook);
            QCOMPARE(look(dialog), Ready);
            QCOMPARE(shown(dialog), HandbookShown);
            QCOMPARE(txtField(dialog, 0)->selectedText(), QStringLiteral("Handbook"));
            QCOMPARE(accessibleNames(dialog),
                     (QStringList{"Book choice:", "Title", "Author", "Subject", "Keywords",
                                  "Name of Field1", "Value of Field1"}));

            // Not published, or its file gone: the Handbook's values and rows stay,
            // disabled; another book still loads, Add numbering past its highest field,
            // and the first one again, without that edit.
            for (int book : {Draft, Lost}) {
                books->setCurrentIndex(book);
                QCOMPARE(look(dialog), NoPdf);
                QCOMPARE(shown(dialog), HandbookShown);
            }
            books->setCurrentIndex(Notes);
            QCOMPARE(look(dialog), Ready);
            click(dialog, "cmdPersoAdd");
            QCOMPARE(shown(dialog),
                     (QStringList{"Notes", "Bob", "", "", "Champs2=deux", "Field10=ten",
                                  "Field3=three", "Field11=My value"}));
            books->setCurrentIndex(Draft);
            books->setCurrentIndex(Handbook);
            QCOMPARE(look(dialog), Ready);
            QCOMPARE(shown(dialog), HandbookShown);
            // Cancel after an edit: nothing written, nothing said.
            txtField(dialog, 1)->setText(QStringLiteral("Someone else"));
            click(dialog, "cmdCancel");
            QVERIFY(!dialog->isVisible());
        }));
        QCOMPARE(boxes(), QStringList());
        QCOMPARE(TestPdf::bytes(pdf("handbook.pdf")), before);
        QCOMPARE(QApplication::activeWindow(), m_window.get());
    }

    void editing()
    {
        // Every edit reaches the field set at once, renames and values once checked;
        // Enter and Escape press nothing; Apply writes what is on screen.
        QStringList onScreen;
        QVERIFY(run("Handbook", [&](QWidget *dialog) {
            txtField(dialog, 1)->clear();
            type(txtField(dialog, 1), QStringLiteral("Zoë"));
            // Add after Field1 and Field4 makes Field5; Remove takes the selected row
            // out; numbers are not handed out twice.
            click(dialog, "cmdPersoAdd");
            QCOMPARE(shown(dialog).last(), QStringLiteral("Field5=My value"));
            click(dialog, "cmdPersoDel");
            QCOMPARE(shown(dialog).size(), 7);
            click(dialog, "cmdPersoAdd");
            QCOMPARE(shown(dialog).last(), QStringLiteral("Field6=My value"));

            // Refused with a message, the box getting its text back: a name the set
            // finds (SOURCE for Source; Title, a name of the document), an empty name,
            // an empty value.
            QLineEdit *name = nameBox(dialog, 2);
            const QString exists = QStringLiteral(
                "0 OrvFields: This field name exists, can not rename it with this name.");
            const QString empty = QStringLiteral(
                " can not be empty.\r\nIf you want delete this field, use the delete button.");
            const QList<std::tuple<QLineEdit *, QString, QString>> refused{
                {name, "SOURCE", exists},
                {name, "Title", exists},
                {name, "", "0 OrvFields: The field name" + empty},
                {valueBox(dialog, 2), "", "0 OrvFields: The field value" + empty}};
            for (const auto &[box, text, message] : refused) {
                const QString was = box->text();
                typeInto(box, text);
                QCOMPARE(boxes(), QStringList{message});
                QCOMPARE(box->text(), was);
            }
            // Taken without a message: its own name.
            typeInto(name, QStringLiteral("Source"));
            QCOMPARE(boxes(), QStringList());

            QTest::keyClick(txtField(dialog, 0), Qt::Key_Escape);
            the(dialog, "cmdApply")->setFocus();
            QTest::keyClick(the(dialog, "cmdApply"), Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            onScreen = shown(dialog);
            click(dialog, "cmdApply");
        }));
        QCOMPARE(boxes(), QStringList{Success});
        QCOMPARE(onScreen, (QStringList{"Handbook", "Zoë", "Testing", "a, b", "Field1=one",
                                        "Field4=four", "Source=archive", "Field6=My value"}));
        QCOMPARE(sortedCustom(readBack(pdf("handbook.pdf"))), sortedCustom(onScreen));
    }

    void applyWritesWhatIsShown()
    {
        const QString file = pdf("handbook.pdf");
        QStringList onScreen;
        QVERIFY(run("Handbook/Part 1", [&](QWidget *dialog) {
            txtField(dialog, 0)->setText(QStringLiteral("Handbook, second edition"));
            txtField(dialog, 2)->clear();
            type(txtField(dialog, 3), QStringLiteral("; Zoë — 日本語"));
            typeInto(nameBox(dialog, 2), QStringLiteral("Origin"));
            typeInto(valueBox(dialog, 1), QStringLiteral("FOUR"));
            QTest::mouseClick(nameBox(dialog, 0), Qt::LeftButton);
            click(dialog, "cmdPersoDel");
            click(dialog, "cmdPersoAdd");
            onScreen = shown(dialog);
            click(dialog, "cmdApply");
            QVERIFY(!dialog->isVisible());
        }));
        QCOMPARE(onScreen,
                 (QStringList{"Handbook, second edition", "Ann Writer", "", "a, b; Zoë — 日本語",
                              "Field4=FOUR", "Origin=archive", "Field5=My value"}));
        QCOMPARE(boxes(), QStringList{Success});

        QCOMPARE(sortedCustom(readBack(file)), sortedCustom(onScreen));
    }

    void longValuesAreKeptWhole()
    {
        // Longer than a line edit keeps by default (32 767 characters), and different
        // everywhere, so that a cut anywhere shows.
        QString longText;
        for (int i = 0; longText.size() < 100000; ++i)
            longText += QString::number(i) + u' ';
        longText.truncate(100000);
        TestPdf::make(pdf("notes.pdf"),
                      {{"Title", "Notes"}, {"Subject", longText}, {"Long", longText}});
        QVERIFY(run("Notes", [&](QWidget *dialog) {
            QCOMPARE(txtField(dialog, 2)->text(), longText);
            txtField(dialog, 0)->setText(QStringLiteral("Notes, revised"));
            QLineEdit *value = valueBox(dialog, 0);
            value->setFocus(Qt::MouseFocusReason);
            value->end(false);
            type(value, QStringLiteral("!"));
            QTest::keyClick(value, Qt::Key_Return);
            click(dialog, "cmdApply");
        }));
        QCOMPARE(boxes(), QStringList{Success});
        const QMap<QString, QString> info = TestPdf::pdfinfo(pdf("notes.pdf"));
        QCOMPARE(info.value("Title"), QStringLiteral("Notes, revised"));
        QVERIFY(info.value("Subject") == longText);
        QVERIFY(info.value("Long") == longText + u'!');
    }

    void applyOnALockedFile()
    {
        // A read-only file stands for any the lock test refuses (tests/platform).
        const QString file = pdf("notes.pdf");
        const QByteArray before = TestPdf::bytes(file);
        QVERIFY(run("Notes", [&](QWidget *dialog) {
            txtField(dialog, 1)->setText(QStringLiteral("Carol"));
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
            click(dialog, "cmdApply");
            QCOMPARE(boxes(), QStringList{"16 OrvFields: The PDF file is opened by another "
                                          "application or is read only, can not apply."});
            // Still open, ready, the edit in place, nothing written.
            QVERIFY(dialog->isVisible());
            QCOMPARE(look(dialog), Ready);
            QCOMPARE(TestPdf::bytes(file), before);
            // Freed, a second Apply writes and closes.
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
            click(dialog, "cmdApply");
        }));
        QCOMPARE(boxes(), QStringList{Success});
        QCOMPARE(readBack(file).mid(0, 2), (QStringList{"Notes", "Carol"}));
    }

    void inputDuringTheWrite()
    {
        // While Apply writes: a second Apply, typing, Add, Cancel and the close box
        // change nothing, and Apply still reports. The progress only ever grows: one
        // write.
        QList<int> progress;
        QVERIFY(run("Handbook", [&](QWidget *dialog) {
            auto *bar = the<QProgressBar>(dialog, "progress");
            QTimer during;
            during.setInterval(0);
            QObject::connect(&during, &QTimer::timeout, [&] {
                if (!bar->isVisible())
                    return;
                progress.append(bar->value());
                if (progress.size() != 1)
                    return;
                click(dialog, "cmdApply");
                QTest::keyClicks(txtField(dialog, 0), QStringLiteral("typed"));
                click(dialog, "cmdPersoAdd");
                click(dialog, "cmdCancel");
                QVERIFY(!dialog->close());
                QVERIFY(dialog->isVisible());
            });
            during.start();
            click(dialog, "cmdApply");
            QCOMPARE(shown(dialog), HandbookShown);
        }));
        QVERIFY(progress.size() > 1);
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));
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
        QPointer<QWidget> gone;
        int rowsAfterClose = 0;
        const Moment reading = [](QWidget *dialog) {
            return the(dialog, "boxNoFile")->isVisible() && the(dialog, "lblInfo")->isVisible();
        };
        QVERIFY(run(
            "Notes",
            [&](QWidget *dialog) {
                gone = dialog;
                QObject::connect(nameBox(dialog, 0), &QLineEdit::textChanged,
                                 [&] { ++rowsAfterClose; });
                QVERIFY(dialog->close());
                QVERIFY(!dialog->isVisible());
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
        QVERIFY(run("Notes", [&](QWidget *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Définir les champs du document"));
            QCOMPARE(accessibleNames(dialog),
                     (QStringList{"Choix du livre :", "Titre", "Auteur", "Sujet", "Mots clés",
                                  "Nom du champ Champs2", "Valeur du champ Champs2"}));
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
        // is listed; the close box still works, and says nothing. Opening on a book
        // other than the first loads it twice: as the host's selection is taken over,
        // then again.
        TestPdf::make(pdf("notes.pdf"), {{"Field99999999999", "x"}});
        QVERIFY(run(
            "Notes",
            [&](QWidget *dialog) {
                QCOMPARE(shown(dialog).size(), 4);
                QVERIFY(!the(dialog, "cmdPersoDel")->isEnabled());
                QVERIFY(dialog->close());
            },
            [&](QWidget *) { return m_boxes->boxes.size() == 2; }));
        const QString overflow = QStringLiteral(
            "0 OrvFields: (OrvFieldsfrmMain.cmbBooks_Click) Error 6 : Overflow Line 7");
        QCOMPARE(boxes(), (QStringList{overflow, overflow}));

        // The largest number loads; Add past it is refused in its trap, adding nothing.
        TestPdf::make(pdf("handbook.pdf"), {{"Field2147483647", "last"}});
        QVERIFY(run("Handbook", [&](QWidget *dialog) {
            click(dialog, "cmdPersoAdd");
            QCOMPARE(boxes(), QStringList{"0 OrvFields: (OrvFieldsfrmMain.cmdPersoAdd_Click) "
                                          "Error 6 : Overflow Line 1"});
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
        QVERIFY2(out.exitCode == 0, out.err.c_str());
        QCOMPARE(QImage(pdf("dialog.png")).size(), QSize(343, 281));

        const QString broken = Support::writeFile(pdf("broken.xml"), "<publication><book");
        out = Support::run(host, {broken, "--screenshot", pdf("none.png")});
        QCOMPARE(out.exitCode, 1);
        const QString text = QString::fromStdString(out.out + out.err);
        QVERIFY2(text.contains("Publication not opened") &&
                     text.contains("This plugin need an open and valid publication"),
                 qPrintable(text));
        QVERIFY(!QFile::exists(pdf("none.png")));
    }

private:
    QString pdf(const char *name) const { return m_base + u'/' + QLatin1String(name); }

    QStringList boxes() { return m_boxes->take(); }

    // Selects `path` in the host window, runs "PDF fields…" and, once `moment` comes
    // (by default: the book is loaded), runs `script` on the dialog's window. False
    // when that moment never came or the script left the dialog open; the dialog is
    // then closed.
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
            QWidget *dialog = QApplication::activeModalWidget();
            if (started || !dialog || dialog->objectName() != u"frmMain")
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
