// SPDX-License-Identifier: Apache-2.0
// The error trap's catch-all, the error record and its log block, the entry object's
// members reached late-bound and what it keeps and releases, and
// MainForm.Show up to the book list: the invalid-publication message, failing hosts,
// and the dialog it creates, loads and unloads, shown only for a valid publication.

#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "automation/Variant.h"
#include "host/model/PublicationTree.h"
#include "i18n/mdlLanguage.h"
#include "platform/ModuleFolder.h"
#include "platform/TextStream.h"
#include "plugin/ErrorObject.h"
#include "plugin/MainForm.h"
#include "support/Boxes.h"
#include "support/TestSupport.h"
#include "trap/ErrorTrap.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <stdexcept>
#include <string>
#include <vector>

using namespace Automation;
using Plugin::ErrorObject;
using Plugin::MainForm;
using Support::q;
using Support::u;

namespace {

// Message boxes as "style title: prompt".
using Lines = std::vector<std::string>;

const std::string InvalidEnglish =
    "16 PDF fields: There is no publication or the publication have no book. "
    "This plugin need an open and valid publication.";

// An object of the host's that notes when it goes.
struct HostObject : Object
{
    HostObject(QStringList &gone, const char *named) : released(gone), name(named) {}
    ~HostObject() override { released.append(QString::fromLatin1(name)); }
    QStringList &released;
    const char *name;
};

// What a text stream receives.
struct Stream : Platform::TextStream
{
    void Write(const std::u16string &text) override { written += q(text); }
    void WriteLine(const std::u16string &text) override { written += q(text) + "\r\n"; }
    QString written;
};

// The field editor dialogs that exist, as "caption (shown)" or "caption (hidden)".
QStringList dialogs()
{
    QStringList found;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("frmMain"))
            found.append(widget->windowTitle() + (widget->isVisible() ? " (shown)" : " (hidden)"));
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
        Platform::setModuleFolder(u(m_folder.path()));
    }

    void trapReportsForeignFailures()
    {
        Boxes boxes;
        Trap::ErrorTrap(u".mdli18n.SystemFont").run([] { throw std::runtime_error("no font"); });
        Trap::ErrorTrap(u"MainForm.Show").run([] { throw 42; });
        QCOMPARE(boxes.take(),
                 Lines({"0 OrvFields: (OrvFields.mdli18n.SystemFont) Error -2147467259 : no "
                        "font Line 0",
                        "0 OrvFields: (OrvFieldsMainForm.Show) Error -2147467259 : "
                        "Unspecified error Line 0"}));
    }

    void errorRecordAndItsLog()
    {
        // Clients reach the three getters only (their table: the type library's test).
        Boxes boxes;
        const auto record = make<ErrorObject>();
        QCOMPARE(get(record.get(), DispId(0x68030000)).toText(), u""); // Source, empty at first
        record->WriteLog(nullptr); // nothing to write to: no output, no message
        record->setNumber(-1);
        record->setSource(u".clsFields.GetDatas");
        Stream stream;
        record->WriteLog(&stream);
        QCOMPARE(stream.written, QStringLiteral("- Catch error -1 -\r\nDescription : \r\n"
                                                "Position : .clsFields.GetDatas\r\n"
                                                "------------------\r\n"));
        QVERIFY(boxes.shown.empty());
    }

    void storedPropertiesAreKeptAndReleasedInOrder()
    {
        Boxes boxes;
        QStringList released;
        auto form = make<MainForm>();
        const auto host = [&](const char *name) {
            return Ref<Object>(make<HostObject>(released, name));
        };
        Ref<Object> state = host("PluginState");
        putRef(form.get(), u"PluginState", state);
        const Object *kept = state.get();
        state.reset(); // the form's reference alone keeps it from here on
        putRef(form.get(), u"PluginPercent", host("PluginPercent"));
        putRef(form.get(), u"PluginObject", host("PluginObject"));
        putRef(form.get(), u"Parent", host("Parent"));
        put(form.get(), u"CreateLogFile", -1);
        put(form.get(), u"CreatorField", u"Orvane 5");
        put(form.get(), u"PluginVariable", 12.5);
        QCOMPARE(get(form.get(), DispId(0x4003000A)).toDouble(), 12.5);
        putRef(form.get(), u"PluginVariable", host("PluginVariable"));

        QCOMPARE(get(form.get(), DispId(0x40030004)).toLong(), -1);
        QCOMPARE(get(form.get(), DispId(0x40030006)).toText(), u"Orvane 5");
        QVERIFY(get(form.get(), DispId(0x40030007)).toObject().get() == kept);
        QStringList held;
        for (DispId id : {0x40030008, 0x40030009, 0x4003000A, 0x4003000B})
            held.append(get(form.get(), id).toObject() ? "object" : "nothing");
        QCOMPARE(held, QStringList(4, "object"));
        QVERIFY(released.isEmpty());

        // Fixed answers; the settings leave their argument alone; one error record.
        QCOMPARE(get(form.get(), DispId(0x68030003)).toText(), u"XML TREEVIEW");
        QCOMPARE(get(form.get(), u"Reload").toLong(), 0);
        std::vector<Variant> name{u"Orvane"};
        invoke(form.get(), DispId(0x60030006), Invoke::Method, name);
        invoke(form.get(), DispId(0x60030007), Invoke::Method, name);
        QCOMPARE(name.front().toText(), u"Orvane");
        const Ref<Object> record = get(form.get(), DispId(0x68030001)).toObject();
        QVERIFY(refAs<ErrorObject>(record));
        QCOMPARE(get(form.get(), u"LastError").toObject(), record);

        form.reset();
        QCOMPARE(released, QStringList({"PluginState", "PluginPercent", "PluginObject",
                                        "PluginVariable", "Parent"}));
        QVERIFY(boxes.shown.empty());
    }

    void languageSwitchesTheTexts_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("pluginName");
        QTest::newRow("2") << 2 << "PDF fields";
        QTest::newRow("-1") << -1 << "PDF fields";
        QTest::newRow("0") << 0 << "Champs PDF";
    }
    void languageSwitchesTheTexts()
    {
        QFETCH(int, value);
        QFETCH(QString, pluginName);
        const auto form = make<MainForm>();
        put(form.get(), u"Language", 1 - value); // start from the other language
        put(form.get(), u"Language", value);
        QCOMPARE(get(form.get(), DispId(0x68030002)).toLong(), value);
        QCOMPARE(q(mdlLanguage::GetText(u"PluginName")), pluginName);

        // A new instance reloads the shared tables, in French; the first keeps its value.
        const auto second = make<MainForm>();
        QCOMPARE(get(second, u"Language").toLong(), 0);
        QCOMPARE(mdlLanguage::GetText(u"WinMainApply"), u"Appliquer");
        QCOMPARE(get(form, u"Language").toLong(), value);
    }

    // ---- Show

    void invalidPublication_data()
    {
        QTest::addColumn<QString>("host"); // "none", "bare" (offering nothing), "no books"
        QTest::addColumn<int>("language");
        QTest::addColumn<Lines>("boxes");
        QTest::addColumn<QString>("caption");

        const QString english = QStringLiteral("Define document fields");
        QTest::newRow("no host object") << "none" << 1 << Lines{InvalidEnglish} << english;
        QTest::newRow("no host object, French")
            << "none" << 0
            << Lines{"16 Champs PDF: Il n'y a aucune publication ouverte ou la publication "
                     "ne possède pas de livre. Ce complément ne peux travailler sans une "
                     "publication valide."}
            << QStringLiteral("Définir les champs du document");
        QTest::newRow("publication without books")
            << "no books" << 1 << Lines{InvalidEnglish} << english;
        // The validity check reports and lets the publication pass; the list filler then
        // reports its own failure and Show says nothing more.
        const auto failure = [](const std::string &procedure) {
            return "0 OrvFields: (OrvFields.mdlFunctions." + procedure +
                   ") Error 438 : Object doesn't support this property or method Line 2";
        };
        QTest::newRow("host that offers nothing")
            << "bare" << 1 << Lines{failure("IsInvalidPublication"), failure("FillBooksList")}
            << english;
    }

    void invalidPublication()
    {
        // While a box is up the dialog exists, loaded in the current language, but
        // unseen; afterwards it is gone. (A dialog that is shown is closed by the host's
        // user: tests of the host and of the dialog.)
        QFETCH(QString, host);
        QFETCH(int, language);
        QFETCH(Lines, boxes);
        QFETCH(QString, caption);
        class Bare : public Object
        {
        };
        const auto form = make<MainForm>();
        form->setLanguage(language);
        if (host == "bare")
            form->setPluginObject(make<Bare>());
        if (host == "no books") {
            const auto tree = make<Host::PublicationTree>();
            tree->createPublication(u"Empty");
            form->setPluginObject(tree);
        }
        Boxes recorder;
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
        form->Show();
        QCOMPARE(recorder.take(), boxes);
        QCOMPARE(whileUp, QStringList{caption + " (hidden)"});
        QCOMPARE(dialogs(), QStringList());
        // Show runs again on the same entry object.
        form->Show();
        QCOMPARE(recorder.take(), boxes);
    }

private:
    QTemporaryDir m_folder;
};

QTEST_MAIN(tst_Plugin)
#include "tst_plugin.moc"
