// MainForm.Show up to the book list: the invalid-publication message, failing
// hosts, and the dialog it creates, loads and unloads without ever showing it here.

#include "MainForm.h"
#include "MessageBoxRecorder.h"
#include "ModuleFolder.h"
#include "PublicationReader.h"
#include "PublicationTree.h"
#include "frmMain.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using Dialog::frmMain;
using Host::PublicationTree;
using Plugin::MainForm;

namespace {

const QString InvalidEnglish =
    QStringLiteral("There is no publication or the publication have no book. This plugin need "
                   "an open and valid publication.");
const QString InvalidFrench = QStringLiteral(
    "Il n'y a aucune publication ouverte ou la publication ne possède pas de livre. Ce "
    "complément ne peux travailler sans une publication valide.");

std::unique_ptr<PublicationTree> hostFrom(const QByteArray &xml)
{
    auto tree = std::make_unique<PublicationTree>();
    QBuffer buffer;
    buffer.setData(xml);
    buffer.open(QIODevice::ReadOnly);
    const QString error =
        Host::PublicationReader::read(&buffer, QDir::tempPath(), QStringLiteral("show.xml"), *tree);
    if (!error.isEmpty())
        qFatal("test publication: %s", qPrintable(error));
    return tree;
}

QList<frmMain *> dialogs()
{
    QList<frmMain *> found;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<frmMain *>(widget))
            found.append(dialog);
    return found;
}

int visibleDialogs()
{
    int count = 0;
    for (frmMain *dialog : dialogs())
        count += dialog->isVisible() ? 1 : 0;
    return count;
}

// A host that offers nothing at all.
class BareHost : public QObject
{
    Q_OBJECT
};

} // namespace

class tst_Show : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // No language files: the built-in tables.
        QVERIFY(m_folder.isValid());
        Platform::setModuleFolder(m_folder.path());
    }

    void invalidPublication_data()
    {
        QTest::addColumn<QByteArray>("xml"); // empty: no host object at all
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("caption");

        const QString english = QStringLiteral("Define document fields");
        QTest::newRow("no host object")
            << QByteArray() << 1 << InvalidEnglish << "PDF fields" << english;
        QTest::newRow("no host object, French")
            << QByteArray() << 0 << InvalidFrench << "Champs PDF"
            << QStringLiteral("Définir les champs du document");
        QTest::newRow("publication without books")
            << QByteArray(R"(<publication title="Empty"/>)") << 1 << InvalidEnglish << "PDF fields"
            << english;
    }

    void invalidPublication()
    {
        QFETCH(QByteArray, xml);
        QFETCH(int, language);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(QString, caption);

        auto host = xml.isEmpty() ? nullptr : hostFrom(xml);
        MainForm form;
        form.setLanguage(language);
        form.setPluginObject(host.get());

        MessageBoxRecorder boxes;
        int loadedWhileUp = 0;
        int visibleWhileUp = -1;
        QString captionWhileUp;
        boxes.onBox = [&](const RecordedBox &) {
            loadedWhileUp = int(dialogs().size());
            visibleWhileUp = visibleDialogs();
            if (loadedWhileUp == 1)
                captionWhileUp = dialogs().first()->windowTitle();
        };
        form.Show();

        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().prompt, text);
        QCOMPARE(boxes.boxes.first().style, 16);
        QCOMPARE(boxes.boxes.first().title, title);
        // The dialog was created and loaded, in the current language, but never shown;
        // afterwards it is gone.
        QCOMPARE(loadedWhileUp, 1);
        QCOMPARE(visibleWhileUp, 0);
        QCOMPARE(captionWhileUp, caption);
        QVERIFY(dialogs().isEmpty());
    }

    void failingHost()
    {
        // The validity check reports and lets the publication pass; the list filler
        // then reports its own failure and Show says nothing more.
        BareHost bare;
        MainForm form;
        form.setLanguage(1);
        form.setPluginObject(&bare);
        MessageBoxRecorder boxes;
        form.Show();
        const QString noMember = QStringLiteral("Object doesn't support this property or method");
        QCOMPARE(
            boxes.prompts(),
            (QStringList{
                "(OrvFields.mdlFunctions.IsInvalidPublication) Error 438 : " + noMember + " Line 2",
                "(OrvFields.mdlFunctions.FillBooksList) Error 438 : " + noMember + " Line 2"}));
        for (const RecordedBox &box : boxes.boxes) {
            QCOMPARE(box.style, 0);
            QCOMPARE(box.title, QStringLiteral("OrvFields"));
        }
        QVERIFY(dialogs().isEmpty());
    }

    void validPublication()
    {
        // Whatever the dialog does once it is shown, closing it ends Show without a
        // message and without a dialog left behind.
        auto host = hostFrom(R"(<publication><book name="A"/><book name="B"/></publication>)");
        host->setSelectedNode(host->nodeAt(QStringLiteral("B")));
        MainForm form;
        form.setLanguage(1);
        form.setPluginObject(host.get());
        MessageBoxRecorder boxes;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        closer.start(20);
        form.Show();
        closer.stop();
        QVERIFY(boxes.boxes.isEmpty());
        QVERIFY(dialogs().isEmpty());
        // Show can run again on the same entry object.
        form.setPluginObject(nullptr);
        form.Show();
        QCOMPARE(boxes.prompts(), QStringList{InvalidEnglish});
        QVERIFY(dialogs().isEmpty());
    }

    void dialogCloseBox()
    {
        MainForm languageOwner; // loads the text tables
        MessageBoxRecorder boxes;
        // Shown, the dialog loads the selected book: here one without a PDF.
        auto host = hostFrom(R"(<publication><book name="A"/></publication>)");
        frmMain dialog;
        QVERIFY(dialog.findChild<QComboBox *>(QStringLiteral("cmbBooks")));
        dialog.Load();
        dialog.setPluginObject(host.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        // Escape does not close the dialog past its close request.
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.Canceled());

        // The close box: a close request that cancels, then the unload.
        QVERIFY(dialog.close());
        QVERIFY(!dialog.isVisible());
        QVERIFY(dialog.Canceled());
        QVERIFY(!dialog.result());
        QCOMPARE(dialog.PluginObject(), nullptr);
        QVERIFY(boxes.boxes.isEmpty());
    }

private:
    QTemporaryDir m_folder;
};

QTEST_MAIN(tst_Show)
#include "tst_show.moc"
