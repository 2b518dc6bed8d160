// SPDX-License-Identifier: Apache-2.0
// MainForm.Show up to the book list: the invalid-publication message, failing hosts,
// and the dialog it creates, loads and unloads, shown only for a valid publication.

#include "dialog/frmMain.h"
#include "host/model/PublicationReader.h"
#include "host/model/PublicationTree.h"
#include "platform/ModuleFolder.h"
#include "plugin/MainForm.h"
#include "support/MessageBoxRecorder.h"

#include <QApplication>
#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using Dialog::frmMain;
using Host::PublicationTree;
using Plugin::MainForm;

namespace {

const QString InvalidEnglish =
    QStringLiteral("16 PDF fields: There is no publication or the publication have no book. "
                   "This plugin need an open and valid publication.");

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

// The field editor dialogs that exist, as "caption (shown)" or "caption (hidden)".
QStringList dialogs()
{
    QStringList found;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<frmMain *>(widget))
            found.append(dialog->windowTitle() + (dialog->isVisible() ? " (shown)" : " (hidden)"));
    return found;
}

// The boxes shown, as "style title: prompt".
QStringList seen(const MessageBoxRecorder &boxes)
{
    QStringList lines;
    for (const RecordedBox &box : boxes.boxes)
        lines.append(QStringLiteral("%1 %2: %3").arg(box.style).arg(box.title, box.prompt));
    return lines;
}

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
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("caption");

        const QString english = QStringLiteral("Define document fields");
        QTest::newRow("no host object") << QByteArray() << 1 << InvalidEnglish << english;
        QTest::newRow("no host object, French")
            << QByteArray() << 0
            << QStringLiteral("16 Champs PDF: Il n'y a aucune publication ouverte ou la "
                              "publication ne possède pas de livre. Ce complément ne peux "
                              "travailler sans une publication valide.")
            << QStringLiteral("Définir les champs du document");
        QTest::newRow("publication without books")
            << QByteArray(R"(<publication title="Empty"/>)") << 1 << InvalidEnglish << english;
    }

    void invalidPublication()
    {
        // While the box is up the dialog exists, loaded in the current language, but
        // unseen; afterwards it is gone.
        QFETCH(QByteArray, xml);
        QFETCH(int, language);
        QFETCH(QString, box);
        QFETCH(QString, caption);
        auto host = xml.isEmpty() ? nullptr : hostFrom(xml);
        MainForm form;
        form.setLanguage(language);
        form.setPluginObject(host.get());
        MessageBoxRecorder boxes;
        QStringList whileUp;
        boxes.onBox = [&](const RecordedBox &) {
            whileUp = dialogs();
        };
        form.Show();
        QCOMPARE(seen(boxes), QStringList{box});
        QCOMPARE(whileUp, QStringList{caption + " (hidden)"});
        QCOMPARE(dialogs(), QStringList());
    }

    void failingHost()
    {
        // The validity check reports and lets the publication pass; the list filler
        // then reports its own failure and Show says nothing more.
        QObject bare; // offers nothing at all
        MainForm form;
        form.setLanguage(1);
        form.setPluginObject(&bare);
        MessageBoxRecorder boxes;
        form.Show();
        const QString failure = QStringLiteral(
            "0 OrvFields: (OrvFields.mdlFunctions.%1) Error 438 : Object doesn't support this "
            "property or method Line 2");
        QCOMPARE(seen(boxes),
                 (QStringList{failure.arg("IsInvalidPublication"), failure.arg("FillBooksList")}));
        QCOMPARE(dialogs(), QStringList());
    }

    void validPublicationThenNone()
    {
        // Closing the dialog ends Show without a message and without a dialog left
        // behind; Show runs again on the same entry object.
        auto host = hostFrom(R"(<publication><book name="A"/><book name="B"/></publication>)");
        host->setSelectedNode(host->nodeAt(QStringLiteral("B")));
        MainForm form;
        form.setLanguage(1);
        form.setPluginObject(host.get());
        MessageBoxRecorder boxes;
        QStringList whileShown;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                whileShown = dialogs();
                modal->close();
            }
        });
        closer.start(20);
        form.Show();
        closer.stop();
        QCOMPARE(whileShown, QStringList{"Define document fields (shown)"});
        QCOMPARE(seen(boxes), QStringList());
        QCOMPARE(dialogs(), QStringList());
        form.setPluginObject(nullptr);
        form.Show();
        QCOMPARE(seen(boxes), QStringList{InvalidEnglish});
        QCOMPARE(dialogs(), QStringList());
    }

private:
    QTemporaryDir m_folder;
};

QTEST_MAIN(tst_Show)
#include "tst_show.moc"
