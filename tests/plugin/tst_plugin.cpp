// SPDX-License-Identifier: Apache-2.0
// The error trap's prompts, the error record and its log block, the entry object's
// members reached late-bound, and MainForm.Show up to the book list: the
// invalid-publication message, failing hosts, and the dialog it creates, loads and
// unloads, shown only for a valid publication.

#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "automation/Variant.h"
#include "dialog/frmMain.h"
#include "host/model/PublicationReader.h"
#include "host/model/PublicationTree.h"
#include "i18n/mdlLanguage.h"
#include "platform/ModuleFolder.h"
#include "platform/TextStream.h"
#include "plugin/ErrorObject.h"
#include "plugin/MainForm.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestSupport.h"
#include "trap/ErrorTrap.h"

#include <QApplication>
#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace Automation;
using Dialog::frmMain;
using Host::PublicationTree;
using Plugin::ErrorObject;
using Plugin::MainForm;
using Support::errorOf;
using Trap::ErrorTrap;

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

} // namespace

class tst_Plugin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // No language files near the test: the built-in tables are used.
        QVERIFY(m_folder.isValid());
        Platform::setModuleFolder(m_folder.path());
    }

    void trapPrompts()
    {
        MessageBoxRecorder boxes;
        int steps = 0;
        QVERIFY(ErrorTrap(QStringLiteral(".clsFields.Clear")).run([&] { ++steps; }));
        QCOMPARE(steps, 1);

        ErrorTrap show(QStringLiteral("MainForm.Show"));
        QVERIFY(!show.run([&] {
            show.at(5);
            raise(ObjectNotSet);
        }));
        ErrorTrap(QStringLiteral(".mdlFunctions.FillBooksList")).run([] { raise(MemberNotFound); });
        ErrorTrap file =
            ErrorTrap::withHead(QStringLiteral("(ZQTAL07.mdlLanguage.LoadLanguageFile)Error "));
        file.run([&] {
            file.at(6);
            raise(InvalidFileFormat, QStringLiteral("bad"));
        });
        ErrorTrap(QStringLiteral(".mdli18n.SystemFont")).run([] {
            throw std::runtime_error("no font");
        });
        QCOMPARE(boxes.prompts(),
                 QStringList({
                     "(OrvFieldsMainForm.Show) Error 91 : Object variable or With block variable "
                     "not set Line 5",
                     "(OrvFields.mdlFunctions.FillBooksList) Error 438 : Object doesn't support "
                     "this property or method Line 0",
                     "(ZQTAL07.mdlLanguage.LoadLanguageFile)Error 321 : bad Line 6",
                     "(OrvFields.mdli18n.SystemFont) Error -2147467259 : no font Line 0",
                 }));
        for (const RecordedBox &box : boxes.boxes)
            QCOMPARE(QString::number(box.style) + u' ' + box.title, QStringLiteral("0 OrvFields"));
    }

    void errorRecordAndItsLog()
    {
        // Empty, and read-only for clients, who cannot reach WriteLog either.
        MessageBoxRecorder boxes;
        ErrorObject record;
        QCOMPARE(get(&record, u"Number").toInt(), 0);
        QCOMPARE(get(&record, u"Description").toString(), QString());
        QCOMPARE(get(&record, DispId(0x68030000)).toString(), QString()); // Source
        QCOMPARE(errorOf([&] { put(&record, u"Number", 5); }), MemberNotFound);
        QCOMPARE(errorOf([&] { call(&record, u"WriteLog", {Variant::nothing()}); }),
                 MemberNotFound);

        record.WriteLog(nullptr); // nothing to write to: no output, no message
        record.setNumber(-1);
        record.setSource(QStringLiteral(".clsFields.GetDatas"));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        Platform::TextStream stream(&buffer);
        record.WriteLog(&stream);
        QCOMPARE(QString::fromUtf8(buffer.data()),
                 QStringLiteral("- Catch error -1 -\r\nDescription : \r\n"
                                "Position : .clsFields.GetDatas\r\n------------------\r\n"));
        QVERIFY(boxes.boxes.isEmpty());
    }

    void storedPropertiesRoundTrip()
    {
        MessageBoxRecorder boxes;
        MainForm form;
        QObject state, percent, tree, parent;

        put(&form, u"CreateLogFile", -1);
        put(&form, u"CreatorField", QStringLiteral("Orvane 5"));
        putRef(&form, u"PluginState", &state);
        putRef(&form, u"PluginPercent", &percent);
        putRef(&form, u"PluginObject", &tree);
        put(&form, u"PluginVariable", 12.5);
        putRef(&form, u"Parent", &parent);

        QCOMPARE(Variant::toLong(get(&form, DispId(0x40030004))), -1);
        QCOMPARE(get(&form, DispId(0x40030006)).toString(), QStringLiteral("Orvane 5"));
        QCOMPARE(Variant::toObject(get(&form, DispId(0x40030007))), &state);
        QCOMPARE(Variant::toObject(get(&form, DispId(0x40030008))), &percent);
        QCOMPARE(Variant::toObject(get(&form, DispId(0x40030009))), &tree);
        QCOMPARE(get(&form, DispId(0x4003000A)).toDouble(), 12.5);
        QCOMPARE(Variant::toObject(get(&form, DispId(0x4003000B))), &parent);

        // An object in the variant, and references the host destroys, read as Nothing.
        {
            QObject gone;
            putRef(&form, u"PluginVariable", &gone);
            QCOMPARE(Variant::toObject(get(&form, u"PluginVariable")), &gone);
            putRef(&form, u"PluginObject", &gone);
        }
        QVERIFY(Variant::isNothing(get(&form, u"PluginVariable")));
        QVERIFY(Variant::isNothing(get(&form, u"PluginObject")));

        // Fixed answers; the settings leave their argument alone; one error record.
        QCOMPARE(get(&form, DispId(0x68030003)).toString(), QStringLiteral("XML TREEVIEW"));
        QCOMPARE(Variant::toLong(get(&form, u"Reload")), 0);
        QVariantList name{QStringLiteral("Orvane")};
        invoke(&form, DispId(0x60030006), Invoke::Method, name);
        invoke(&form, DispId(0x60030007), Invoke::Method, name);
        QCOMPARE(name.first().toString(), QStringLiteral("Orvane"));
        QObject *record = Variant::toObject(get(&form, DispId(0x68030001)));
        QVERIFY(qobject_cast<ErrorObject *>(record));
        QCOMPARE(Variant::toObject(get(&form, u"LastError")), record);
        QVERIFY(boxes.boxes.isEmpty());
    }

    void languageSwitchesTheTexts_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("pluginName");
        QTest::newRow("1") << 1 << "PDF fields";
        QTest::newRow("2") << 2 << "PDF fields";
        QTest::newRow("-1") << -1 << "PDF fields";
        QTest::newRow("0") << 0 << "Champs PDF";
    }
    void languageSwitchesTheTexts()
    {
        QFETCH(int, value);
        QFETCH(QString, pluginName);
        MainForm form;
        put(&form, u"Language", 1 - value); // start from the other language
        put(&form, u"Language", value);
        QCOMPARE(get(&form, DispId(0x68030002)).toInt(), value);
        QCOMPARE(mdlLanguage::GetText(QStringLiteral("PluginName")), pluginName);

        // A new instance reloads the shared tables, in French; the first keeps its value.
        MainForm second;
        QCOMPARE(get(&second, u"Language").toInt(), 0);
        QCOMPARE(mdlLanguage::GetText(QStringLiteral("WinMainApply")), QStringLiteral("Appliquer"));
        QCOMPARE(get(&form, u"Language").toInt(), value);
    }

    void typeDescriptionListsTheInterfaceInSlotOrder()
    {
        const QString text = TypeInfo::of(&MainForm::staticMetaObject).describe();
        qsizetype at = 0;
        for (const char *name :
             {"CreateLogFile", "CreatorField", "PluginState", "PluginPercent", "PluginObject",
              "PluginVariable", "Parent", "InputNeed", "Language", "LastError", "Reload",
              "LoadSettings", "SaveSettings", "Show"}) {
            const qsizetype next =
                text.indexOf(QStringLiteral("  %1 ").arg(QLatin1String(name)), at);
            QVERIFY2(next > at, name);
            at = next;
        }
        QVERIFY(
            text.contains("0x4003000A  PluginVariable    property get, put, putref As Variant"));
        QVERIFY(text.contains("0x68030001  LastError         property get As _ErrorObject"));
        QVERIFY(text.contains(
            "0x60030006  LoadSettings      method (ByRef ApplicationName As String)"));
    }

    // ---- Show

    void invalidPublication_data()
    {
        QTest::addColumn<QByteArray>("xml"); // empty: no host object; "bare": one offering nothing
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("caption");

        const QString english = QStringLiteral("Define document fields");
        QTest::newRow("no host object")
            << QByteArray() << 1 << QStringList{InvalidEnglish} << english;
        QTest::newRow("no host object, French")
            << QByteArray() << 0
            << QStringList{"16 Champs PDF: Il n'y a aucune publication ouverte ou la publication "
                           "ne possède pas de livre. Ce complément ne peux travailler sans une "
                           "publication valide."}
            << QStringLiteral("Définir les champs du document");
        QTest::newRow("publication without books") << QByteArray(R"(<publication title="Empty"/>)")
                                                   << 1 << QStringList{InvalidEnglish} << english;
        // The validity check reports and lets the publication pass; the list filler then
        // reports its own failure and Show says nothing more.
        const QString failure = QStringLiteral(
            "0 OrvFields: (OrvFields.mdlFunctions.%1) Error 438 : Object doesn't support this "
            "property or method Line 2");
        QTest::newRow("host that offers nothing")
            << QByteArray("bare") << 1
            << QStringList{failure.arg("IsInvalidPublication"), failure.arg("FillBooksList")}
            << english;
    }

    void invalidPublication()
    {
        // While a box is up the dialog exists, loaded in the current language, but
        // unseen; afterwards it is gone. (A dialog that is shown is closed by the host's
        // user: tests of the host and of the dialog.)
        QFETCH(QByteArray, xml);
        QFETCH(int, language);
        QFETCH(QStringList, boxes);
        QFETCH(QString, caption);
        QObject bare;
        const auto host = xml.isEmpty() || xml == "bare" ? nullptr : hostFrom(xml);
        MainForm form;
        form.setLanguage(language);
        form.setPluginObject(xml == "bare" ? &bare : host.get());
        MessageBoxRecorder recorder;
        QStringList whileUp;
        recorder.onBox = [&](const RecordedBox &) {
            whileUp = dialogs();
        };
        // A dialog shown by mistake is closed as soon as it runs, so the test fails at once.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        closer.start(0);
        form.Show();
        QCOMPARE(recorder.take(), boxes);
        QCOMPARE(whileUp, QStringList{caption + " (hidden)"});
        QCOMPARE(dialogs(), QStringList());
        // Show runs again on the same entry object.
        form.Show();
        QCOMPARE(recorder.take(), boxes);
    }

private:
    QTemporaryDir m_folder;
};

QTEST_MAIN(tst_Plugin)
#include "tst_plugin.moc"
