// The whole use case on real widgets: the host window runs "PDF fields…", which
// creates OrvFields.MainForm through the registry and calls Show; the dialog opens
// on the host's selected book, is edited with the mouse and the keyboard, and Apply
// rewrites the PDF, which is then read back by the command line tool, pdfinfo and
// qpdf. Message boxes are recorded; a test acts on the modal dialog once it has
// loaded its book, or at a chosen moment of a read.

#include "FileSystem.h"
#include "HostWindow.h"
#include "MessageBoxRecorder.h"
#include "TestPdf.h"
#include "VrnFieldList.h"
#include "VrnLabel.h"
#include "clsFields.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

extern "C" qint32 DllRegisterServer();

using Dialog::frmMain;
using FieldList::VrnFieldList;

namespace {

const QString Success = QStringLiteral("Process complete with success.");
const QString LockedMessage =
    QStringLiteral("The PDF file is opened by another application or is read only, can not apply.");
const QString NameExists =
    QStringLiteral("This field name exists, can not rename it with this name.");
const QString NameEmpty = QStringLiteral(
    "The field name can not be empty.\r\nIf you want delete this field, use the delete button.");
const QString ValueEmpty = QStringLiteral(
    "The field value can not be empty.\r\nIf you want delete this field, use the delete button.");

// Display states, as look() describes them.
const QString NoPdf = QStringLiteral(
    "lblField:off,17 txtField:off,22 lblPerso:off,17 cmdPersoAdd:off cmdPersoDel:off "
    "UserFields:off boxNoFile:lblInfoError progress:hidden cmdApply:off cmdCancel:on cmbBooks:on");
const QString Ready = QStringLiteral(
    "lblField:on,18 txtField:on,5 lblPerso:on,18 cmdPersoAdd:on cmdPersoDel:%1 UserFields:on "
    "boxNoFile:hidden progress:hidden cmdApply:on cmdCancel:on cmbBooks:on");

// The books, in tree order: one not published, two published, one whose PDF is gone.
enum Book
{
    Draft,
    Handbook,
    Notes,
    Lost
};

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

// The enabled state, colours and visibility of the controls that a load sets.
QString look(const frmMain *dialog)
{
    auto on = [](bool enabled) {
        return QLatin1String(enabled ? "on" : "off");
    };
    auto fours = [&](const char *name, auto state) {
        QStringList each;
        for (int i = 0; i < 4; ++i)
            each.append(state(the(dialog, QStringLiteral("%1_%2").arg(name).arg(i))));
        each.removeDuplicates();
        return QStringLiteral("%1:%2").arg(name, each.join(u'|'));
    };
    auto label = [&](QWidget *w) {
        return QStringLiteral("%1,%2")
            .arg(on(w->isEnabled()))
            .arg(Platform::ForeColor(static_cast<QLabel *>(w)) & 0xFF);
    };
    auto box = [&](QWidget *w) {
        return QStringLiteral("%1,%2").arg(on(w->isEnabled())).arg(Platform::BackColor(w) & 0xFF);
    };
    auto state = [&](const char *name) {
        return QStringLiteral("%1:%2").arg(name, on(the(dialog, name)->isEnabled()));
    };
    QString panel = QStringLiteral("hidden");
    if (the(dialog, QStringLiteral("boxNoFile"))->isVisible())
        panel = the(dialog, QStringLiteral("lblInfo"))->isVisible() ? "lblInfo" : "lblInfoError";
    return QStringList{fours("lblField", label),
                       fours("txtField", box),
                       QStringLiteral("lblPerso:") + label(the(dialog, "lblPerso")),
                       state("cmdPersoAdd"),
                       state("cmdPersoDel"),
                       QStringLiteral("UserFields:") + on(userFields(dialog)->Enabled()),
                       QStringLiteral("boxNoFile:") + panel,
                       QStringLiteral("progress:") +
                           (the(dialog, "progress")->isVisible() ? "shown" : "hidden"),
                       state("cmdApply"),
                       state("cmdCancel"),
                       state("cmbBooks")}
        .join(u' ');
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

// What `orvfields read --json` finds in a file, in the same form.
QStringList readBack(const QString &pdf)
{
    const TestPdf::Output out =
        TestPdf::run(QStringLiteral(ORVFIELDS_CLI), {QStringLiteral("read"), pdf, "--json"});
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

bool reading(frmMain *dialog)
{
    return the(dialog, "boxNoFile")->isVisible() && the(dialog, "lblInfo")->isVisible();
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
        QFile xml(pdf("publication.xml"));
        QVERIFY(xml.open(QIODevice::WriteOnly) && xml.write(PublicationXml) > 0);
        xml.close();
        m_window = std::make_unique<HostWindow>();
        m_window->setNotifier(
            [](const QString &, const QString &text) { QFAIL(qPrintable(text)); });
        m_window->setLanguage(HostWindow::Language::English);
        QVERIFY(m_window->openPublication(xml.fileName()));
    }

    void cleanup() { m_window.reset(); }

    void booksWithAndWithoutPdf()
    {
        // Opens on the book of the host's selection, a node two levels below it.
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook/Part 1/Chapter 1")));
        MessageBoxRecorder boxes;
        QVERIFY(run([&](frmMain *dialog) {
            auto *books = the<QComboBox>(dialog, "cmbBooks");
            QCOMPARE(books->currentIndex(), int(Handbook));
            QCOMPARE(look(dialog), Ready.arg("on"));
            const QStringList handbook = shown(dialog);
            QCOMPARE(handbook, (QStringList{"Handbook", "Ann Writer", "Testing", "a, b",
                                            "Field1=one", "Field4=four", "Source=archive"}));
            QCOMPARE(held(dialog->vFields()), handbook);
            QCOMPARE(dialog->FieldNumber(), 4);
            // The Title box has the focus with its whole text selected.
            QCOMPARE(QApplication::focusWidget(), txtField(dialog, 0));
            QCOMPARE(txtField(dialog, 0)->selectedText(), QStringLiteral("Handbook"));

            // Not published, or its file gone: the Handbook's values and rows stay,
            // disabled; another book still loads, and the first one again.
            for (Book book : {Draft, Lost}) {
                books->setCurrentIndex(book);
                QCOMPARE(look(dialog), NoPdf);
                QCOMPARE(shown(dialog), handbook);
            }
            books->setCurrentIndex(Notes);
            QCOMPARE(look(dialog), Ready.arg("on"));
            QCOMPARE(shown(dialog), (QStringList{"Notes", "Bob", "", "", "Champs2=deux",
                                                 "Field10=ten", "Field3=three"}));
            QCOMPARE(dialog->FieldNumber(), 10);
            books->setCurrentIndex(Draft);
            books->setCurrentIndex(Handbook);
            QCOMPARE(look(dialog), Ready.arg("on"));
            QCOMPARE(shown(dialog), handbook);
            QCOMPARE(held(dialog->vFields()), handbook);
            // The close box, with nothing running: no message.
            QVERIFY(dialog->close());
        }));
        QVERIFY(boxes.boxes.isEmpty());
    }

    void editsReachTheFieldSet()
    {
        MessageBoxRecorder boxes;
        const QByteArray before = TestPdf::bytes(pdf("handbook.pdf"));
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
            // Each keystroke in the Author box is in the set at once.
            QLineEdit *author = txtField(dialog, 1);
            author->clear();
            const QString typed = QStringLiteral("Zoë");
            for (qsizetype n = 1; n <= typed.size(); ++n) {
                type(author, typed.mid(n - 1, 1));
                QCOMPARE(dialog->vFields()->Author(), typed.left(n));
            }
            // Add after Field1 and Field4 makes Field5, in the list and in the set.
            VrnFieldList *list = userFields(dialog);
            click(dialog, "cmdPersoAdd");
            QCOMPARE(list->Count(), 4);
            QCOMPARE(shown(dialog).last(), QStringLiteral("Field5=My value"));
            QCOMPARE(held(dialog->vFields()).last(), QStringLiteral("Field5=My value"));
            // Remove takes the selected row out of both; numbers are not handed out twice.
            click(dialog, "cmdPersoDel");
            QCOMPARE(held(dialog->vFields()), shown(dialog));
            QCOMPARE(list->Count(), 3);
            click(dialog, "cmdPersoAdd");
            QCOMPARE(list->RowNames(4), QStringLiteral("Field6"));
            // Cancel writes nothing and says nothing.
            click(dialog, "cmdCancel");
        }));
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(TestPdf::bytes(pdf("handbook.pdf")), before);
    }

    void renamesAndValuesAreChecked()
    {
        MessageBoxRecorder boxes;
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
            VrnFieldList *list = userFields(dialog);
            clsFields *fields = dialog->vFields();
            const QStringList before = held(fields);
            QLineEdit *name = list->txtFieldName(2); // Source
            // SOURCE: the set finds Source under it; Title is a name of the document.
            const QList<std::pair<QString, QString>> refused{
                {"SOURCE", NameExists}, {"", NameEmpty}, {"Title", NameExists}};
            for (const auto &[typed, message] : refused) {
                boxes.boxes.clear();
                typeInto(name, typed);
                QCOMPARE(boxes.prompts(), QStringList{message});
                QCOMPARE(boxes.boxes.first().style, 0);
                QCOMPARE(boxes.boxes.first().title, QStringLiteral("OrvFields"));
                QCOMPARE(name->text(), QStringLiteral("Source"));
                QCOMPARE(held(fields), before);
            }
            // Its own name: no message. A new name: the field moves to the end of the
            // set with its value.
            boxes.boxes.clear();
            typeInto(name, QStringLiteral("Source"));
            typeInto(list->txtFieldName(0), QStringLiteral("Origin"));
            QVERIFY(boxes.boxes.isEmpty());
            QCOMPARE(held(fields).last(), QStringLiteral("Origin=one"));
            QVERIFY(!fields->Field(QStringLiteral("Field1")));
            // An empty value is refused, another one taken.
            QLineEdit *value = list->txtFieldValue(2);
            typeInto(value, QString());
            QCOMPARE(boxes.prompts(), QStringList{ValueEmpty});
            QCOMPARE(value->text(), QStringLiteral("archive"));
            boxes.boxes.clear();
            typeInto(value, QStringLiteral("library"));
            QCOMPARE(fields->Field(QStringLiteral("Source"))->Content(), QStringLiteral("library"));
            // A value that is empty already may stay empty.
            list->AddElem(QStringLiteral("Blank"), QString(), true);
            typeInto(list->txtFieldValue(3), QString());
            QVERIFY(boxes.boxes.isEmpty());
            QCOMPARE(sortedCustom(held(fields)), sortedCustom(shown(dialog)));
            click(dialog, "cmdCancel");
        }));
    }

    void applyWritesWhatIsShown()
    {
        MessageBoxRecorder boxes;
        const QString file = pdf("handbook.pdf");
        QStringList onScreen;
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook/Part 1")));
        QVERIFY(run([&](frmMain *dialog) {
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
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().prompt, Success);
        QCOMPARE(boxes.boxes.first().style, 64);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("PDF fields"));

        // Read back by our tool and by independent readers.
        QCOMPARE(sortedCustom(readBack(file)), sortedCustom(onScreen));
        const QMap<QString, QString> info = TestPdf::pdfinfo(file);
        QCOMPARE(info.value("Keywords"), QStringLiteral("a, b; Zoë — 日本語"));
        QCOMPARE(info.value("Origin"), QStringLiteral("archive"));
        QVERIFY(!info.contains("Source") && !info.contains("Field1"));
        const TestPdf::Output check = TestPdf::check(file);
        QVERIFY2(check.exitCode == 0, qPrintable(check.text));
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
        MessageBoxRecorder boxes;
        const QString file = pdf("notes.pdf");
        const QByteArray before = TestPdf::bytes(file);
        QVERIFY(m_window->selectPath(QStringLiteral("Notes")));
        QVERIFY(run([&](frmMain *dialog) {
            txtField(dialog, 1)->setText(QStringLiteral("Carol"));
            Platform::ExclusiveFile other;
            QVERIFY(readOnly ? QFile::setPermissions(file, QFile::ReadOwner) : other.open(file));
            click(dialog, "cmdApply");
            QCOMPARE(boxes.prompts(), QStringList{LockedMessage});
            QCOMPARE(boxes.boxes.first().style, 16);
            // Still open, ready, the edit in place, nothing written.
            QVERIFY(dialog->isVisible() && !dialog->Working());
            QCOMPARE(look(dialog), Ready.arg("on"));
            QCOMPARE(dialog->vFields()->Author(), QStringLiteral("Carol"));
            QCOMPARE(TestPdf::bytes(file), before);
            // Freed, a second Apply writes and closes.
            other.close();
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
            boxes.boxes.clear();
            click(dialog, "cmdApply");
        }));
        QCOMPARE(boxes.prompts(), QStringList{Success});
        QCOMPARE(readBack(file).mid(0, 2), (QStringList{"Notes", "Carol"}));
    }

    void applyAfterTheFileWentAway()
    {
        MessageBoxRecorder boxes;
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
            QVERIFY(QFile::remove(pdf("handbook.pdf")));
            click(dialog, "cmdApply");
        }));
        QCOMPARE(boxes.prompts(), QStringList{Success});
        QVERIFY(!QFile::exists(pdf("handbook.pdf")));
    }

    void inputDuringTheWrite()
    {
        // While Apply writes: a second Apply, typing, Add, Cancel and the close box
        // change nothing, and Apply still reports.
        MessageBoxRecorder boxes;
        int writes = 0;
        int percents = 0;
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
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
            QCOMPARE(txtField(dialog, 0)->text(), QStringLiteral("Handbook"));
            QCOMPARE(userFields(dialog)->Count(), 3);
        }));
        QVERIFY(percents > 1);
        QCOMPARE(writes, 1);
        QCOMPARE(boxes.prompts(), QStringList{Success});
        QCOMPARE(sortedCustom(readBack(pdf("handbook.pdf"))),
                 (QStringList{"Handbook", "Ann Writer", "Testing", "a, b", "Field1=one",
                              "Field4=four", "Source=archive"}));
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
        MessageBoxRecorder boxes;
        QPointer<frmMain> gone;
        int rowsAfterClose = 0;
        QVERIFY(m_window->selectPath(QStringLiteral("Notes")));
        QVERIFY(run(
            [&](frmMain *dialog) {
                gone = dialog;
                QObject::connect(userFields(dialog), &VrnFieldList::AddField,
                                 [&] { ++rowsAfterClose; });
                QVERIFY(dialog->close());
                QVERIFY(!dialog->isVisible() && dialog->Canceled());
                QCOMPARE(dialog->vFields(), nullptr);
            },
            reading));
        QCOMPARE(rowsAfterClose, 0);
        QVERIFY(boxes.boxes.isEmpty());
        QVERIFY(!gone);
    }

    void frenchAndGeneratedNames()
    {
        // In French the word is "Champs": Field10 read from the PDF does not count.
        m_window->setLanguage(HostWindow::Language::French);
        MessageBoxRecorder boxes;
        QVERIFY(m_window->selectPath(QStringLiteral("Notes")));
        QVERIFY(run([&](frmMain *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Définir les champs du document"));
            QCOMPARE(the<QLabel>(dialog, "lblField_0")->text(), QStringLiteral("Titre"));
            QCOMPARE(the<QPushButton>(dialog, "cmdApply")->text(), QStringLiteral("Appliquer"));
            QCOMPARE(dialog->FieldNumber(), 2);
            click(dialog, "cmdPersoAdd");
            QCOMPARE(shown(dialog).last(), QStringLiteral("Champs3=Ma valeur"));
            click(dialog, "cmdApply");
        }));
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().prompt,
                 QStringLiteral("Le processus c'est terminé sans erreurs."));
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Champs PDF"));
        QVERIFY(readBack(pdf("notes.pdf")).contains(QStringLiteral("Champs3=Ma valeur")));
    }

    void numbersOutOfRange()
    {
        // A number past the 32-bit range stops the load in its trap, before any row
        // is listed; the close box still works. Opening on a book other than the
        // first loads it twice: as the host's selection is taken over, then again.
        TestPdf::make(pdf("notes.pdf"), {{"Field99999999999", "x"}});
        MessageBoxRecorder boxes;
        QVERIFY(m_window->selectPath(QStringLiteral("Notes")));
        QVERIFY(run(
            [&](frmMain *dialog) {
                QCOMPARE(userFields(dialog)->Count(), 0);
                QVERIFY(!the(dialog, "cmdPersoDel")->isEnabled());
                QVERIFY(dialog->close());
            },
            [&](frmMain *) { return boxes.boxes.size() == 2; }));
        const QString overflow =
            QStringLiteral("(OrvFieldsfrmMain.cmbBooks_Click) Error 6 : Overflow Line 7");
        QCOMPARE(boxes.prompts(), (QStringList{overflow, overflow}));

        // The largest number loads; Add past it is refused in its trap, adding nothing.
        TestPdf::make(pdf("handbook.pdf"), {{"Field2147483647", "last"}});
        boxes.boxes.clear();
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
            QCOMPARE(dialog->FieldNumber(), 2147483647);
            click(dialog, "cmdPersoAdd");
            QCOMPARE(boxes.prompts(),
                     QStringList{"(OrvFieldsfrmMain.cmdPersoAdd_Click) Error 6 : Overflow Line 1"});
            QCOMPARE(shown(dialog).size(), 5);
            QCOMPARE(held(dialog->vFields()), shown(dialog));
            click(dialog, "cmdCancel");
        }));
    }

    void windowAndKeys()
    {
        MessageBoxRecorder boxes;
        const QByteArray before = TestPdf::bytes(pdf("handbook.pdf"));
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
            // 5145 x 4215 twips at 15 twips per pixel; the list at the size it is
            // drawn for; the icon at three sizes.
            QCOMPARE(dialog->size(), QSize(343, 281));
            QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
            QCOMPARE(userFields(dialog)->geometry(), QRect(8, 136, 329, 109));
            QCOMPARE(dialog->windowIcon().availableSizes(),
                     (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
            // The tab order of the dialog's own controls, the list's boxes between the
            // field buttons and Apply.
            QStringList chain;
            QWidget *widget = the(dialog, "cmbBooks");
            do {
                if (widget->focusPolicy() & Qt::TabFocus && widget->window() == dialog)
                    chain.append(userFields(dialog)->isAncestorOf(widget) ? "UserFields"
                                                                          : widget->objectName());
                widget = widget->nextInFocusChain();
            } while (widget != the(dialog, "cmbBooks"));
            chain.removeDuplicates();
            QCOMPARE(chain, (QStringList{"cmbBooks", "txtField_0", "txtField_1", "txtField_2",
                                         "txtField_3", "cmdPersoAdd", "cmdPersoDel", "UserFields",
                                         "cmdApply", "cmdCancel"}));
            // Enter and Escape press nothing, not even on a focused button.
            QTest::keyClick(txtField(dialog, 0), Qt::Key_Return);
            QTest::keyClick(txtField(dialog, 0), Qt::Key_Escape);
            the(dialog, "cmdApply")->setFocus();
            QTest::keyClick(the(dialog, "cmdApply"), Qt::Key_Return);
            QVERIFY(dialog->isVisible() && !dialog->Canceled());
            click(dialog, "cmdCancel");
        }));
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(TestPdf::bytes(pdf("handbook.pdf")), before);
    }

    void screenshotThroughTheHost()
    {
        // orvfields-host --screenshot saves the dialog once it has loaded the book.
        // Whatever else the run shows (here the host's message about an unreadable
        // publication, then the plug-in's) is reported and closed: nothing waits.
        const QString host = QStringLiteral(ORVFIELDS_HOST);
        const QString shot = pdf("dialog.png");
        TestPdf::Output out = TestPdf::run(host, {pdf("publication.xml"), "--language", "fr",
                                                  "--select", "Notes", "--screenshot", shot});
        QVERIFY2(out.exitCode == 0, qPrintable(out.text));
        QCOMPARE(QImage(shot).size(), QSize(343, 281));

        QFile broken(pdf("broken.xml"));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("<publication><book") > 0);
        broken.close();
        out = TestPdf::run(host, {broken.fileName(), "--screenshot", pdf("none.png")});
        QCOMPARE(out.exitCode, 1);
        QVERIFY2(out.text.contains("Publication not opened") &&
                     out.text.contains("This plugin need an open and valid publication"),
                 qPrintable(out.text));
        QVERIFY(!QFile::exists(pdf("none.png")));
    }

private:
    QString pdf(const char *name) const { return m_base + u'/' + QLatin1String(name); }

    // Runs "PDF fields…" from the host window and, once `moment` comes (by default:
    // the book is loaded), runs `script` on the dialog. False when that moment never
    // came or the script left the dialog open; the dialog is then closed.
    bool run(const Script &script, const Moment &moment = loaded)
    {
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
    std::unique_ptr<HostWindow> m_window;
};

QTEST_MAIN(tst_Dialog)
#include "tst_dialog.moc"
