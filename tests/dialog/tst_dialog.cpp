// The whole use case on real widgets: the host window runs "PDF fields…", which
// creates OrvFields.MainForm through the registry and calls Show; the dialog opens
// on the host's selected book, is edited with the mouse and the keyboard, and Apply
// rewrites the PDF, which is then read back by the command line tool, pdfinfo and
// qpdf. Message boxes are recorded; a test acts on the modal dialog once it has
// loaded its book, or at a chosen moment of a read or a write.

#include "FileSystem.h"
#include "HostWindow.h"
#include "MessageBoxRecorder.h"
#include "PublicationTree.h"
#include "SystemColors.h"
#include "TestPdf.h"
#include "VrnFieldList.h"
#include "VrnLabel.h"
#include "VrnProgressBar.h"
#include "clsFields.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

extern "C" qint32 DllRegisterServer();

using Dialog::frmMain;
using FieldList::VrnFieldList;
using namespace Platform;

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

// The books, in tree order: one not published, two published, one whose PDF is gone.
constexpr int Draft = 0;
constexpr int Handbook = 1;
constexpr int Notes = 2;
constexpr int Lost = 3;

const QByteArray PublicationXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<publication title="Tests">
  <book name="Draft"><node name="Outline"/></book>
  <book name="Handbook" pdf="handbook.pdf">
    <node name="Part 1"><node name="Chapter 1"/></node>
  </book>
  <book name="Notes" pdf="notes.pdf"/>
  <book name="Lost" pdf="lost.pdf"/>
</publication>
)";

const TestPdf::Entries HandbookInfo = {
    {"Title", "Handbook"}, {"Author", "Ann Writer"}, {"Subject", "Testing"}, {"Keywords", "a, b"},
    {"Creator", "Tests"},  {"Field1", "one"},        {"Field4", "four"},     {"Source", "archive"},
};
const TestPdf::Entries NotesInfo = {
    {"Title", "Notes"},  {"Author", "Bob"},   {"Field10", "ten"},
    {"Field3", "three"}, {"Champs2", "deux"},
};

template <typename T> T *child(const QWidget *dialog, const QString &name)
{
    T *found = dialog->findChild<T *>(name);
    if (!found)
        qFatal("the dialog has no %s", qPrintable(name));
    return found;
}

QLineEdit *txtField(const frmMain *dialog, int i)
{
    return child<QLineEdit>(dialog, QStringLiteral("txtField_%1").arg(i));
}

Controls::VrnLabel *lblField(const frmMain *dialog, int i)
{
    return child<Controls::VrnLabel>(dialog, QStringLiteral("lblField_%1").arg(i));
}

QPushButton *button(const frmMain *dialog, const char *name)
{
    return child<QPushButton>(dialog, QLatin1String(name));
}

VrnFieldList *userFields(const frmMain *dialog)
{
    return child<VrnFieldList>(dialog, QStringLiteral("UserFields"));
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

// Types text, any characters, as key presses to the widget.
void type(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Edits a custom field's name or value box the way a user does: select the text,
// type over it, press Enter.
void typeInto(QLineEdit *box, const QString &text)
{
    box->setFocus(Qt::MouseFocusReason);
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        type(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

void click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton);
}

// The dialog has finished loading the selected book: the Title box got the focus,
// or the panel says the book is not published.
bool loaded(frmMain *dialog)
{
    if (dialog->Working())
        return false;
    if (child<QFrame>(dialog, QStringLiteral("boxNoFile"))->isVisible())
        return child<QLabel>(dialog, QStringLiteral("lblInfoError"))->isVisible();
    return dialog->focusWidget() == txtField(dialog, 0);
}

bool reading(frmMain *dialog)
{
    return child<QFrame>(dialog, QStringLiteral("boxNoFile"))->isVisible() &&
           child<QLabel>(dialog, QStringLiteral("lblInfo"))->isVisible();
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
        TestPdf::make(pdf(QStringLiteral("handbook.pdf")), HandbookInfo);
        TestPdf::make(pdf(QStringLiteral("notes.pdf")), NotesInfo, true);
        QFile xml(pdf(QStringLiteral("publication.xml")));
        QVERIFY(xml.open(QIODevice::WriteOnly));
        xml.write(PublicationXml);
        xml.close();
        m_window = std::make_unique<HostWindow>();
        m_window->setNotifier([](const QString &title, const QString &text) {
            QFAIL(qPrintable(title + QStringLiteral(": ") + text));
        });
        m_window->setLanguage(HostWindow::Language::English);
        QVERIFY(m_window->openPublication(xml.fileName()));
    }

    void cleanup() { m_window.reset(); }

    void opensOnTheHostsBook()
    {
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook/Part 1/Chapter 1")));
        MessageBoxRecorder boxes;
        QStringList onScreen;
        QStringList inSet;
        QVERIFY(run([&](frmMain *dialog) {
            auto *books = child<QComboBox>(dialog, QStringLiteral("cmbBooks"));
            QCOMPARE(books->count(), 4);
            QCOMPARE(books->currentIndex(), Handbook);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Define document fields"));
            onScreen = shown(dialog);
            inSet = held(dialog->vFields());
            QCOMPARE(dialog->FieldNumber(), 4);
            // The Title box has the focus with its whole text selected.
            QLineEdit *title = txtField(dialog, 0);
            QCOMPARE(title->selectedText(), QStringLiteral("Handbook"));
            QCOMPARE(QApplication::focusWidget(), title);
            QVERIFY(button(dialog, "cmdPersoDel")->isEnabled());
            QVERIFY(child<QWidget>(dialog, QStringLiteral("progress"))->isHidden());
            click(button(dialog, "cmdCancel"));
        }));
        QCOMPARE(onScreen, (QStringList{"Handbook", "Ann Writer", "Testing", "a, b", "Field1=one",
                                        "Field4=four", "Source=archive"}));
        QCOMPARE(inSet, onScreen);
        QVERIFY(boxes.boxes.isEmpty());
    }

    void booksWithAndWithoutPdf()
    {
        QVERIFY(m_window->selectPath(QStringLiteral("Draft/Outline")));
        MessageBoxRecorder boxes;
        QVERIFY(run([&](frmMain *dialog) {
            auto *books = child<QComboBox>(dialog, QStringLiteral("cmbBooks"));
            QCOMPARE(books->currentIndex(), Draft);
            checkNoPdfState(dialog);
            QCOMPARE(shown(dialog), (QStringList{"", "", "", ""}));

            // The other book still loads, and every control is ready again.
            books->setCurrentIndex(Handbook);
            checkReadyState(dialog);
            QCOMPARE(txtField(dialog, 1)->text(), QStringLiteral("Ann Writer"));
            const QStringList handbook = shown(dialog);

            // A missing file: the Handbook's values stay, disabled.
            books->setCurrentIndex(Lost);
            checkNoPdfState(dialog);
            QCOMPARE(shown(dialog), handbook);

            // On to another book and back: its own values, in the ready state.
            books->setCurrentIndex(Notes);
            checkReadyState(dialog);
            QCOMPARE(shown(dialog), (QStringList{"Notes", "Bob", "", "", "Champs2=deux",
                                                 "Field10=ten", "Field3=three"}));
            QCOMPARE(dialog->FieldNumber(), 10);
            books->setCurrentIndex(Draft);
            checkNoPdfState(dialog);
            books->setCurrentIndex(Handbook);
            checkReadyState(dialog);
            QCOMPARE(shown(dialog), handbook);
            QCOMPARE(dialog->FieldNumber(), 4);
            dialog->close();
        }));
        QVERIFY(boxes.boxes.isEmpty());
    }

    void editsReachTheFieldSet()
    {
        MessageBoxRecorder boxes;
        const QByteArray before = TestPdf::bytes(pdf(QStringLiteral("handbook.pdf")));
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
            // Each keystroke in the Author box is in the set at once.
            QLineEdit *author = txtField(dialog, 1);
            author->clear();
            QCOMPARE(dialog->vFields()->Author(), QString());
            const QString typed = QStringLiteral("Zoë");
            for (qsizetype n = 1; n <= typed.size(); ++n) {
                type(author, typed.mid(n - 1, 1));
                QCOMPARE(dialog->vFields()->Author(), typed.left(n));
            }
            QTest::keyClicks(txtField(dialog, 3), QStringLiteral(", c"));
            QCOMPARE(dialog->vFields()->Keywords(), QStringLiteral("a, b, c"));

            // Add after Field1 and Field4 makes Field5, in the list and in the set.
            VrnFieldList *list = userFields(dialog);
            click(button(dialog, "cmdPersoAdd"));
            QCOMPARE(list->Count(), 4);
            QCOMPARE(list->RowNames(4), QStringLiteral("Field5"));
            QCOMPARE(list->RowValues(4), QStringLiteral("My value"));
            QCOMPARE(dialog->vFields()->Field(QStringLiteral("field5"))->Content(),
                     QStringLiteral("My value"));
            QCOMPARE(list->SelectedIndex(), 4);
            QVERIFY(button(dialog, "cmdPersoDel")->isEnabled());

            // Remove takes the selected row out of both.
            click(button(dialog, "cmdPersoDel"));
            QCOMPARE(list->Count(), 3);
            QVERIFY(!dialog->vFields()->Field(QStringLiteral("Field5")));
            QCOMPARE(held(dialog->vFields()), shown(dialog));
            // The next one is Field6: numbers are not handed out twice.
            click(button(dialog, "cmdPersoAdd"));
            QCOMPARE(list->RowNames(4), QStringLiteral("Field6"));
            // Removing every row leaves nothing to remove.
            while (list->Count() > 0) {
                list->setSelectedIndex(1);
                click(button(dialog, "cmdPersoDel"));
            }
            QCOMPARE(dialog->vFields()->Count(), 0);
            QVERIFY(!button(dialog, "cmdPersoDel")->isEnabled());
            click(button(dialog, "cmdCancel"));
        }));
        // Cancel writes nothing and says nothing.
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(TestPdf::bytes(pdf(QStringLiteral("handbook.pdf"))), before);
    }

    void renamesAndValuesAreChecked()
    {
        MessageBoxRecorder boxes;
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
            VrnFieldList *list = userFields(dialog);
            clsFields *fields = dialog->vFields();
            const QStringList before = held(fields);
            // Row 3 shows Source.
            QLineEdit *name = list->txtFieldName(2);
            QLineEdit *value = list->txtFieldValue(2);
            QCOMPARE(name->text(), QStringLiteral("Source"));

            struct Refusal
            {
                QString typed;
                QString message;
            };
            const QList<Refusal> refused{
                {QStringLiteral("SOURCE"), NameExists}, // the set finds Source under it
                {QStringLiteral("field1"), NameExists},
                {QString(), NameEmpty},
                {QStringLiteral("Title"), NameExists}, // a reserved name
            };
            for (const Refusal &refusal : refused) {
                boxes.boxes.clear();
                typeInto(name, refusal.typed);
                QCOMPARE(boxes.prompts(), QStringList{refusal.message});
                QCOMPARE(boxes.boxes.first().style, 0);
                QCOMPARE(boxes.boxes.first().title, QStringLiteral("OrvFields"));
                QCOMPARE(name->text(), QStringLiteral("Source"));
                QCOMPARE(list->RowNames(3), QStringLiteral("Source"));
                QCOMPARE(held(fields), before);
            }

            // Its own name again: no message. A new name: the field moves to the end
            // of the set, keeping its value.
            boxes.boxes.clear();
            typeInto(name, QStringLiteral("Source"));
            typeInto(list->txtFieldName(0), QStringLiteral("Origin"));
            QVERIFY(boxes.boxes.isEmpty());
            QCOMPARE(list->RowNames(1), QStringLiteral("Origin"));
            QCOMPARE(fields->Field(fields->Count())->Name(), QStringLiteral("Origin"));
            QCOMPARE(fields->Field(QStringLiteral("Origin"))->Content(), QStringLiteral("one"));
            QVERIFY(!fields->Field(QStringLiteral("Field1")));

            // An empty value is refused; a new one is taken.
            typeInto(value, QString());
            QCOMPARE(boxes.prompts(), QStringList{ValueEmpty});
            QCOMPARE(value->text(), QStringLiteral("archive"));
            QCOMPARE(fields->Field(QStringLiteral("Source"))->Content(), QStringLiteral("archive"));
            boxes.boxes.clear();
            typeInto(value, QStringLiteral("library"));
            QCOMPARE(fields->Field(QStringLiteral("Source"))->Content(), QStringLiteral("library"));

            // A value that is empty already may stay empty.
            list->AddElem(QStringLiteral("Blank"), QString(), true);
            QCOMPARE(fields->Field(QStringLiteral("Blank"))->Content(), QString());
            typeInto(list->txtFieldValue(3), QString());
            QVERIFY(boxes.boxes.isEmpty());
            QCOMPARE(held(fields).size(), shown(dialog).size());
            click(button(dialog, "cmdCancel"));
        }));
        QVERIFY(boxes.boxes.isEmpty());
    }

    void applyWritesWhatIsShown()
    {
        MessageBoxRecorder boxes;
        const QString file = pdf(QStringLiteral("handbook.pdf"));
        QStringList onScreen;
        int ended = 0;
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook/Part 1")));
        QVERIFY(run([&](frmMain *dialog) {
            txtField(dialog, 0)->setText(QStringLiteral("Handbook, second edition"));
            txtField(dialog, 2)->clear();
            type(txtField(dialog, 3), QStringLiteral("; Zoë — 日本語"));
            VrnFieldList *list = userFields(dialog);
            typeInto(list->txtFieldName(2), QStringLiteral("Origin"));
            typeInto(list->txtFieldValue(1), QStringLiteral("FOUR"));
            list->setSelectedIndex(1);
            click(button(dialog, "cmdPersoDel"));
            click(button(dialog, "cmdPersoAdd"));
            onScreen = shown(dialog);
            QObject::connect(dialog->vFields(), &clsFields::WorkEnded, [&] { ++ended; });
            click(button(dialog, "cmdApply"));
            QVERIFY(!dialog->isVisible());
            QVERIFY(dialog->result());
            QVERIFY(!dialog->Canceled());
        }));
        QCOMPARE(onScreen,
                 (QStringList{"Handbook, second edition", "Ann Writer", "", "a, b; Zoë — 日本語",
                              "Field4=FOUR", "Origin=archive", "Field5=My value"}));
        QCOMPARE(ended, 1);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().prompt, Success);
        QCOMPARE(boxes.boxes.first().style, 64);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("PDF fields"));

        // Read back by our tool and by independent readers.
        QCOMPARE(sortedCustom(readBack(file)), sortedCustom(onScreen));
        const QMap<QString, QString> info = TestPdf::pdfinfo(file);
        QCOMPARE(info.value(QStringLiteral("Title")), QStringLiteral("Handbook, second edition"));
        QCOMPARE(info.value(QStringLiteral("Keywords")), QStringLiteral("a, b; Zoë — 日本語"));
        QCOMPARE(info.value(QStringLiteral("Origin")), QStringLiteral("archive"));
        QCOMPARE(info.value(QStringLiteral("Field5")), QStringLiteral("My value"));
        QVERIFY(!info.contains(QStringLiteral("Source")));
        QVERIFY(!info.contains(QStringLiteral("Field1")));
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
        const QString file = pdf(QStringLiteral("notes.pdf"));
        const QByteArray before = TestPdf::bytes(file);
        QVERIFY(m_window->selectPath(QStringLiteral("Notes")));
        QVERIFY(run([&](frmMain *dialog) {
            txtField(dialog, 1)->setText(QStringLiteral("Carol"));
            Platform::ExclusiveFile other;
            if (readOnly)
                QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup));
            else
                QVERIFY(other.open(file));
            click(button(dialog, "cmdApply"));
            QCOMPARE(boxes.prompts(), QStringList{LockedMessage});
            QCOMPARE(boxes.boxes.first().style, 16);
            QCOMPARE(boxes.boxes.first().title, QStringLiteral("OrvFields"));
            // Still open, ready, the edit in place.
            QVERIFY(dialog->isVisible());
            QVERIFY(!dialog->Working());
            checkReadyState(dialog);
            QCOMPARE(dialog->vFields()->Author(), QStringLiteral("Carol"));
            QCOMPARE(TestPdf::bytes(file), before);

            // Freed, a second Apply writes and closes.
            other.close();
            QVERIFY(QFile::setPermissions(file,
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
            boxes.boxes.clear();
            click(button(dialog, "cmdApply"));
            QVERIFY(!dialog->isVisible());
        }));
        QCOMPARE(boxes.prompts(), QStringList{Success});
        QCOMPARE(readBack(file).mid(0, 2), (QStringList{"Notes", "Carol"}));
    }

    void applyAfterTheFileWentAway()
    {
        MessageBoxRecorder boxes;
        const QString file = pdf(QStringLiteral("handbook.pdf"));
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
            QVERIFY(QFile::remove(file));
            click(button(dialog, "cmdApply"));
        }));
        QCOMPARE(boxes.prompts(), QStringList{Success});
        QVERIFY(!QFile::exists(file));
    }

    void inputDuringTheWrite()
    {
        // While Apply writes: a second Apply, typing, Add, Cancel and the close box
        // change nothing, and Apply still reports.
        MessageBoxRecorder boxes;
        const QString file = pdf(QStringLiteral("handbook.pdf"));
        int writes = 0;
        int percents = 0;
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
            QObject::connect(dialog->vFields(), &clsFields::WorkEnded, [&] { ++writes; });
            QObject::connect(dialog->vFields(), &clsFields::WorkPercent, [&] {
                if (++percents != 1)
                    return;
                QVERIFY(dialog->Working());
                QVERIFY(child<QWidget>(dialog, QStringLiteral("progress"))->isVisible());
                click(button(dialog, "cmdApply"));
                QTest::keyClicks(txtField(dialog, 0), QStringLiteral("typed"));
                click(button(dialog, "cmdPersoAdd"));
                click(button(dialog, "cmdCancel"));
                QVERIFY(!dialog->close());
                QVERIFY(dialog->isVisible());
                QVERIFY(dialog->Canceled());
            });
            click(button(dialog, "cmdApply"));
            QCOMPARE(txtField(dialog, 0)->text(), QStringLiteral("Handbook"));
            QCOMPARE(userFields(dialog)->Count(), 3);
        }));
        QVERIFY(percents > 1);
        QCOMPARE(writes, 1);
        QCOMPARE(boxes.prompts(), QStringList{Success});
        QCOMPARE(sortedCustom(readBack(file)),
                 (QStringList{"Handbook", "Ann Writer", "Testing", "a, b", "Field1=one",
                              "Field4=four", "Source=archive"}));
    }

    void closingWithoutApply_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel") << false;
        QTest::newRow("close box") << true;
    }

    void closingWithoutApply()
    {
        QFETCH(bool, closeBox);
        MessageBoxRecorder boxes;
        const QString file = pdf(QStringLiteral("handbook.pdf"));
        const QByteArray before = TestPdf::bytes(file);
        QPointer<frmMain> gone;
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
            gone = dialog;
            txtField(dialog, 0)->setText(QStringLiteral("Not kept"));
            // Enter and Escape press nothing, not even on a focused button.
            QTest::keyClick(txtField(dialog, 0), Qt::Key_Return);
            QTest::keyClick(txtField(dialog, 0), Qt::Key_Escape);
            button(dialog, "cmdApply")->setFocus();
            QTest::keyClick(button(dialog, "cmdApply"), Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            QVERIFY(!dialog->Canceled());
            if (closeBox)
                QVERIFY(dialog->close());
            else
                click(button(dialog, "cmdCancel"));
            QVERIFY(dialog->Canceled());
        }));
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(TestPdf::bytes(file), before);
        QVERIFY(!gone);
    }

    void closeDuringARead()
    {
        // A PDF with many fields, so that the read yields often; the dialog is closed
        // while it reads. The read is abandoned: no row reaches the closed dialog.
        TestPdf::Entries many;
        for (int i = 1; i <= 400; ++i)
            many.append({QStringLiteral("Entry%1").arg(i), QStringLiteral("value %1").arg(i)});
        TestPdf::make(pdf(QStringLiteral("notes.pdf")), many);
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
                QVERIFY(!dialog->isVisible());
                QVERIFY(dialog->Canceled());
                QCOMPARE(dialog->vFields(), nullptr);
            },
            reading));
        QCOMPARE(rowsAfterClose, 0);
        QVERIFY(boxes.boxes.isEmpty());
        QVERIFY(!gone);
    }

    void generatedNumbers()
    {
        // In French the word is "Champs": Field10 read from the PDF does not count.
        m_window->setLanguage(HostWindow::Language::French);
        MessageBoxRecorder boxes;
        const QString file = pdf(QStringLiteral("notes.pdf"));
        QVERIFY(m_window->selectPath(QStringLiteral("Notes")));
        QVERIFY(run([&](frmMain *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Définir les champs du document"));
            QCOMPARE(lblField(dialog, 0)->text(), QStringLiteral("Titre"));
            QCOMPARE(button(dialog, "cmdApply")->text(), QStringLiteral("Appliquer"));
            QCOMPARE(dialog->FieldNumber(), 2);
            click(button(dialog, "cmdPersoAdd"));
            VrnFieldList *list = userFields(dialog);
            QCOMPARE(list->RowNames(list->Count()), QStringLiteral("Champs3"));
            QCOMPARE(list->RowValues(list->Count()), QStringLiteral("Ma valeur"));
            click(button(dialog, "cmdApply"));
        }));
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().prompt,
                 QStringLiteral("Le processus c'est terminé sans erreurs."));
        QCOMPARE(boxes.boxes.first().style, 64);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Champs PDF"));
        QVERIFY(readBack(file).contains(QStringLiteral("Champs3=Ma valeur")));
    }

    void numbersOutOfRange()
    {
        // A number past the 32-bit range stops the load in its trap, after the
        // controls were enabled and before any row was listed; the close box still
        // works. Opening on a book other than the first loads it twice: once as the
        // host's selection is taken over, once more explicitly.
        TestPdf::make(pdf(QStringLiteral("notes.pdf")), {{"Field99999999999", "x"}});
        MessageBoxRecorder boxes;
        QVERIFY(m_window->selectPath(QStringLiteral("Notes")));
        QVERIFY(run(
            [&](frmMain *dialog) {
                QCOMPARE(userFields(dialog)->Count(), 0);
                QCOMPARE(dialog->vFields()->Count(), 1);
                QVERIFY(!button(dialog, "cmdPersoDel")->isEnabled());
                QVERIFY(dialog->close());
            },
            [&](frmMain *) { return boxes.boxes.size() == 2; }));
        const QString overflow =
            QStringLiteral("(OrvFieldsfrmMain.cmbBooks_Click) Error 6 : Overflow Line 7");
        QCOMPARE(boxes.prompts(), (QStringList{overflow, overflow}));
        QCOMPARE(boxes.boxes.first().style, 0);

        // The largest number loads; Add past it is refused in its trap, adding nothing.
        TestPdf::make(pdf(QStringLiteral("handbook.pdf")), {{"Field2147483647", "last"}});
        boxes.boxes.clear();
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
            QVERIFY(boxes.boxes.isEmpty());
            QCOMPARE(dialog->FieldNumber(), 2147483647);
            click(button(dialog, "cmdPersoAdd"));
            QCOMPARE(boxes.prompts(),
                     QStringList{"(OrvFieldsfrmMain.cmdPersoAdd_Click) Error 6 : Overflow Line 1"});
            QCOMPARE(userFields(dialog)->Count(), 1);
            QCOMPARE(dialog->vFields()->Count(), 1);
            click(button(dialog, "cmdCancel"));
        }));
    }

    void windowAndControls()
    {
        MessageBoxRecorder boxes;
        QVERIFY(m_window->selectPath(QStringLiteral("Handbook")));
        QVERIFY(run([&](frmMain *dialog) {
            // 5145 x 4215 twips at 15 twips per pixel; the list gets the size it is
            // drawn for, six rows.
            QCOMPARE(dialog->size(), QSize(343, 281));
            QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
            QCOMPARE(userFields(dialog)->geometry(), QRect(8, 136, 329, 109));
            QVERIFY(!(dialog->windowFlags() & Qt::WindowMinMaxButtonsHint));
            const QList<QSize> sizes = dialog->windowIcon().availableSizes();
            for (int side : {16, 32, 48})
                QVERIFY(sizes.contains(QSize(side, side)));
            // The panel lies above the controls it overlaps.
            const QObjectList order = dialog->children();
            QCOMPARE(order.last()->objectName(), QStringLiteral("boxNoFile"));

            // The tab order of the dialog's own controls; the list's boxes come
            // between the field buttons and Apply.
            QStringList chain;
            QWidget *start = child<QWidget>(dialog, QStringLiteral("cmbBooks"));
            QWidget *widget = start;
            do {
                if ((widget->focusPolicy() & Qt::TabFocus) && widget->window() == dialog)
                    chain.append(userFields(dialog)->isAncestorOf(widget)
                                     ? QStringLiteral("UserFields")
                                     : widget->objectName());
                widget = widget->nextInFocusChain();
            } while (widget != start);
            chain.removeDuplicates();
            QCOMPARE(chain, (QStringList{"cmbBooks", "txtField_0", "txtField_1", "txtField_2",
                                         "txtField_3", "cmdPersoAdd", "cmdPersoDel", "UserFields",
                                         "cmdApply", "cmdCancel"}));
            click(button(dialog, "cmdCancel"));
        }));
    }

    void screenshotThroughTheHost()
    {
        // orvfields-host --screenshot: the dialog as the host's user opens it, saved
        // once it has loaded the selected book. Whatever else the run shows (here the
        // host's own message about an unreadable publication, then the plug-in's) is
        // reported and closed, so that nothing waits for a user.
        const QString host = QStringLiteral(ORVFIELDS_HOST);
        const QString shot = pdf(QStringLiteral("dialog.png"));
        TestPdf::Output out =
            TestPdf::run(host, {pdf(QStringLiteral("publication.xml")), "--language", "fr",
                                "--select", "Notes", "--screenshot", shot});
        QVERIFY2(out.exitCode == 0, qPrintable(out.text));
        const QImage image(shot);
        QCOMPARE(image.size(), QSize(343, 281));

        QFile broken(pdf(QStringLiteral("broken.xml")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("<publication><book");
        broken.close();
        out = TestPdf::run(host, {broken.fileName(), "--screenshot", shot + ".2.png"});
        QCOMPARE(out.exitCode, 1);
        QVERIFY2(out.text.contains(QStringLiteral("Publication not opened")), qPrintable(out.text));
        QVERIFY2(
            out.text.contains(QStringLiteral("This plugin need an open and valid publication")),
            qPrintable(out.text));
        QVERIFY(!QFile::exists(shot + ".2.png"));
    }

private:
    QString pdf(const QString &name) const { return m_base + u'/' + name; }

    // Runs "PDF fields…" from the host window and, once `moment` comes (by default:
    // the book is loaded), runs `script` on the dialog. False when that moment never
    // came or the script left the dialog open; the dialog is then closed.
    bool run(const Script &script, const Moment &moment = loaded)
    {
        bool started = false;
        bool leftOpen = false;
        QPointer<frmMain> seen;
        QElapsedTimer clock;
        clock.start();
        QTimer poll;
        // At every pass of the message loop, also those of the dialog's yields.
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<frmMain *>(QApplication::activeModalWidget());
            if (started || !dialog)
                return;
            seen = dialog;
            if (clock.elapsed() > 20000) {
                poll.stop();
                dialog->close();
                return;
            }
            if (!moment(dialog))
                return;
            started = true;
            poll.stop();
            script(dialog);
            if (dialog->isVisible()) {
                leftOpen = true;
                dialog->close();
            }
        });
        poll.start();
        m_window->pluginAction()->trigger();
        poll.stop();
        if (!started)
            qWarning("the dialog %s", seen ? "never reached the moment" : "never opened");
        if (leftOpen)
            qWarning("the script left the dialog open");
        return started && !leftOpen;
    }

    static void checkNoPdfState(frmMain *dialog)
    {
        for (int i = 0; i < 4; ++i) {
            QVERIFY(!lblField(dialog, i)->isEnabled());
            QCOMPARE(lblField(dialog, i)->ForeColor(), SystemColor(COLOR_GRAYTEXT));
            QVERIFY(!txtField(dialog, i)->isEnabled());
            QCOMPARE(BackColor(txtField(dialog, i)), SystemColor(COLOR_3DLIGHT));
        }
        QVERIFY(!child<QLabel>(dialog, QStringLiteral("lblPerso"))->isEnabled());
        QCOMPARE(Controls::ForeColor(child<QLabel>(dialog, QStringLiteral("lblPerso"))),
                 SystemColor(COLOR_GRAYTEXT));
        QVERIFY(!button(dialog, "cmdPersoAdd")->isEnabled());
        QVERIFY(!button(dialog, "cmdPersoDel")->isEnabled());
        QVERIFY(!userFields(dialog)->Enabled());
        QVERIFY(child<QFrame>(dialog, QStringLiteral("boxNoFile"))->isVisible());
        QVERIFY(child<QLabel>(dialog, QStringLiteral("lblInfoError"))->isVisible());
        QVERIFY(!child<QLabel>(dialog, QStringLiteral("lblInfo"))->isVisible());
        QVERIFY(!child<QWidget>(dialog, QStringLiteral("progress"))->isVisible());
        QVERIFY(!button(dialog, "cmdApply")->isEnabled());
        QVERIFY(button(dialog, "cmdCancel")->isEnabled());
        QVERIFY(child<QComboBox>(dialog, QStringLiteral("cmbBooks"))->isEnabled());
    }

    static void checkReadyState(frmMain *dialog)
    {
        for (int i = 0; i < 4; ++i) {
            QVERIFY(lblField(dialog, i)->isEnabled());
            QCOMPARE(lblField(dialog, i)->ForeColor(), SystemColor(COLOR_BTNTEXT));
            QVERIFY(txtField(dialog, i)->isEnabled());
            QCOMPARE(BackColor(txtField(dialog, i)), SystemColor(COLOR_WINDOW));
        }
        QVERIFY(child<QLabel>(dialog, QStringLiteral("lblPerso"))->isEnabled());
        QCOMPARE(Controls::ForeColor(child<QLabel>(dialog, QStringLiteral("lblPerso"))),
                 SystemColor(COLOR_BTNTEXT));
        QVERIFY(button(dialog, "cmdPersoAdd")->isEnabled());
        QCOMPARE(button(dialog, "cmdPersoDel")->isEnabled(), dialog->vFields()->Count() >= 1);
        QVERIFY(userFields(dialog)->Enabled());
        QVERIFY(!child<QFrame>(dialog, QStringLiteral("boxNoFile"))->isVisible());
        QVERIFY(!child<QWidget>(dialog, QStringLiteral("progress"))->isVisible());
        QVERIFY(button(dialog, "cmdApply")->isEnabled());
        QVERIFY(button(dialog, "cmdCancel")->isEnabled());
        QVERIFY(child<QComboBox>(dialog, QStringLiteral("cmbBooks"))->isEnabled());
        QCOMPARE(held(dialog->vFields()), shown(dialog));
    }

    QTemporaryDir m_folder;
    QString m_base;
    std::unique_ptr<HostWindow> m_window;
};

QTEST_MAIN(tst_Dialog)
#include "tst_dialog.moc"
