// SPDX-License-Identifier: Apache-2.0
// The error trap's prompts, the error record and its log block, and the entry
// object's members reached late-bound.

#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "automation/Variant.h"
#include "i18n/mdlLanguage.h"
#include "platform/ModuleFolder.h"
#include "platform/TextStream.h"
#include "plugin/ErrorObject.h"
#include "plugin/MainForm.h"
#include "support/MessageBoxRecorder.h"
#include "trap/ErrorTrap.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace Automation;
using Plugin::ErrorObject;
using Plugin::MainForm;
using Trap::ErrorTrap;

namespace {

// A device that accepts a fixed number of writes, then fails.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(int writesAllowed) : m_left(writesAllowed) { open(WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (m_left-- <= 0)
            return -1;
        written.append(data, size);
        return size;
    }

private:
    int m_left;
};

QString logOf(int number, const QString &description, const QString &source)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Platform::TextStream stream(&buffer);
    ErrorObject record;
    record.setNumber(number);
    record.setDescription(description);
    record.setSource(source);
    record.WriteLog(&stream);
    return QString::fromUtf8(buffer.data());
}

} // namespace

class tst_Plugin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // No language files near the test: the built-in tables are used.
        m_folder.reset(new QTemporaryDir);
        Platform::setModuleFolder(m_folder->path());
    }

    void trapPromptLayouts()
    {
        MessageBoxRecorder boxes;
        ErrorTrap show(QStringLiteral("MainForm.Show"));
        QVERIFY(!show.run([&] {
            show.at(5);
            raise(ObjectNotSet);
        }));
        ErrorTrap fill(QStringLiteral(".mdlFunctions.FillBooksList"));
        fill.run([] { raise(MemberNotFound); });
        ErrorTrap file =
            ErrorTrap::withHead(QStringLiteral("(ZQTAL07.mdlLanguage.LoadLanguageFile)Error "));
        file.run([&] {
            file.at(6);
            raise(InvalidFileFormat, QStringLiteral("bad"));
        });
        ErrorTrap font(QStringLiteral(".mdli18n.SystemFont"));
        font.run([] { throw std::runtime_error("no font"); });
        ErrorTrap fields(QStringLiteral(".clsFields.SaveDatas"));
        fields.run([] { raise(GeneralFailure, QStringLiteral("Automation error")); });

        QCOMPARE(boxes.prompts(),
                 QStringList({
                     "(OrvFieldsMainForm.Show) Error 91 : Object variable or With block variable "
                     "not set Line 5",
                     "(OrvFields.mdlFunctions.FillBooksList) Error 438 : Object doesn't support "
                     "this property or method Line 0",
                     "(ZQTAL07.mdlLanguage.LoadLanguageFile)Error 321 : bad Line 6",
                     "(OrvFields.mdli18n.SystemFont) Error -2147467259 : no font Line 0",
                     "(OrvFields.clsFields.SaveDatas) Error -2147467259 : Automation error Line 0",
                 }));
        for (const RecordedBox &box : boxes.boxes) {
            QCOMPARE(box.style, 0);
            QCOMPARE(box.title, QStringLiteral("OrvFields"));
        }
    }

    void trapLetsACompletedBodyThrough()
    {
        MessageBoxRecorder boxes;
        int steps = 0;
        ErrorTrap trap(QStringLiteral(".clsFields.Clear"));
        QVERIFY(trap.run([&] { ++steps; }));
        QCOMPARE(steps, 1);
        QVERIFY(boxes.boxes.isEmpty());
    }

    void writeLogBlock_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("header");
        QTest::newRow("91") << 91 << "Object variable"
                            << "- Catch error 91 -";
        QTest::newRow("-1") << -1 << "minus one"
                            << "- Catch error -1 -";
        QTest::newRow("0, empty description") << 0 << ""
                                              << "- Catch error 0 -";
    }

    void writeLogBlock()
    {
        QFETCH(int, number);
        QFETCH(QString, description);
        QFETCH(QString, header);
        const QString expected = header + "\r\nDescription : " + description +
                                 "\r\nPosition : .clsFields.GetDatas\r\n" +
                                 QString(header.size(), u'-') + "\r\n";
        QCOMPARE(logOf(number, description, QStringLiteral(".clsFields.GetDatas")), expected);
    }

    void writeLogEdges()
    {
        MessageBoxRecorder boxes;
        ErrorObject record;
        record.WriteLog(nullptr); // nothing to write to: no output, no message
        QVERIFY(boxes.boxes.isEmpty());

        // The stream fails on its third write: the two lines before stay written.
        FailingDevice device(2);
        Platform::TextStream stream(&device);
        record.setNumber(91);
        record.WriteLog(&stream);
        QCOMPARE(QString::fromUtf8(device.written),
                 QStringLiteral("- Catch error 91 -\r\nDescription : \r\n"));
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes.first().prompt.startsWith(
            QStringLiteral("(OrvFields.ErrorObject.WriteLog) Error 57 : ")));
        QVERIFY(boxes.boxes.first().prompt.endsWith(QStringLiteral(" Line 5")));
    }

    void errorRecordIsEmptyAndReadOnlyForClients()
    {
        ErrorObject record;
        QCOMPARE(get(&record, u"Number").toInt(), 0);
        QCOMPARE(get(&record, u"Description").toString(), QString());
        QCOMPARE(get(&record, DispId(0x68030000)).toString(), QString()); // Source
        try {
            put(&record, u"Number", 5);
            QFAIL("a client could set Number");
        } catch (const AutomationError &error) {
            QCOMPARE(error.number(), 438);
        }
        try {
            call(&record, u"WriteLog", {Variant::nothing()});
            QFAIL("WriteLog is reachable late-bound");
        } catch (const AutomationError &error) {
            QCOMPARE(error.number(), 438);
        }
    }

    void storedPropertiesRoundTrip()
    {
        MessageBoxRecorder boxes;
        MainForm form;
        QObject state, percent, tree, parent, held;

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
        QVERIFY(boxes.boxes.isEmpty());
    }

    void fixedAnswersAndSettings()
    {
        MainForm form;
        QCOMPARE(get(&form, DispId(0x68030003)).toString(), QStringLiteral("XML TREEVIEW"));
        QCOMPARE(Variant::toLong(get(&form, u"Reload")), 0);
        QVariantList name{QStringLiteral("Orvane")};
        invoke(&form, DispId(0x60030006), Invoke::Method, name);
        invoke(&form, DispId(0x60030007), Invoke::Method, name);
        QCOMPARE(name.first().toString(), QStringLiteral("Orvane"));

        QObject *record = Variant::toObject(get(&form, DispId(0x68030001)));
        QVERIFY(qobject_cast<ErrorObject *>(record));
        QCOMPARE(get(record, u"Number").toInt(), 0);
        QCOMPARE(Variant::toObject(get(&form, u"LastError")), record); // the same record each time
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
    }

    void newInstanceStartsInFrench()
    {
        MainForm first;
        put(&first, u"Language", 1);
        QCOMPARE(mdlLanguage::GetText(QStringLiteral("WinMainApply")), QStringLiteral("Apply"));
        MainForm second; // reloads the shared tables for every instance
        QCOMPARE(get(&second, u"Language").toInt(), 0);
        QCOMPARE(mdlLanguage::GetText(QStringLiteral("WinMainApply")), QStringLiteral("Appliquer"));
        QCOMPARE(get(&first, u"Language").toInt(), 1); // stored value, not the tables
    }

    void typeDescriptionListsTheInterfaceInSlotOrder()
    {
        const QString text = TypeInfo::of(&MainForm::staticMetaObject).describe();
        const QStringList order{
            "CreateLogFile",  "CreatorField", "PluginState",  "PluginPercent", "PluginObject",
            "PluginVariable", "Parent",       "InputNeed",    "Language",      "LastError",
            "Reload",         "LoadSettings", "SaveSettings", "Show"};
        qsizetype at = 0;
        for (const QString &name : order) {
            const qsizetype next = text.indexOf(QStringLiteral("  ") + name + u' ', at);
            QVERIFY2(next > at, qPrintable(name));
            at = next;
        }
        QVERIFY(
            text.contains("0x4003000A  PluginVariable    property get, put, putref As Variant"));
        QVERIFY(text.contains("0x68030001  LastError         property get As _ErrorObject"));
        QVERIFY(text.contains(
            "0x60030006  LoadSettings      method (ByRef ApplicationName As String)"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_folder;
};

QTEST_MAIN(tst_Plugin)
#include "tst_plugin.moc"
