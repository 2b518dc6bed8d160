// SPDX-License-Identifier: Apache-2.0
// Registration and creation through the registry, as a host does it: the component
// is reached only by its programmatic identifiers.

#include "automation/AutomationError.h"
#include "automation/ClassFactory.h"
#include "automation/Dispatch.h"
#include "automation/Registry.h"
#include "automation/Variant.h"
#include "support/MessageBoxRecorder.h"

#include <QFile>
#include <QLibrary>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Automation;

namespace {

struct Run
{
    int exitCode;
    QString output;
};

Run regsvr(const QStringList &args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(ORVFIELDS_REGSVR), args);
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromLocal8Bit(process.readAll())};
}

// How creating a class ends, or with `create` false, the lookup of its identifier.
QString createError(const QString &progId, bool create = true)
{
    try {
        return create ? (createObject(progId), QStringLiteral("created")) : classIdOf(progId);
    } catch (const AutomationError &error) {
        return QString::number(error.number()) + u' ' + error.description();
    }
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class tst_Registry : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        m_registry = m_dir->filePath(QStringLiteral("sub/registry.ini"));
        qputenv("ORVFIELDS_REGISTRY", m_registry.toLocal8Bit());
    }

    void registerCreateUnregister()
    {
        MessageBoxRecorder boxes;
        const Run reg = regsvr({QStringLiteral(ORVFIELDS_LIBRARY)});
        QVERIFY2(reg.exitCode == 0, qPrintable(reg.output));

        RegistryFile registry(m_registry);
        registry.load(true);
        const QString clsid = registry.value(QStringLiteral("OrvFields.MainForm/CLSID"));
        QCOMPARE(clsid, QStringLiteral("{DF1F9393-7797-4F8A-8277-02B50C3F1C8F}"));
        QCOMPARE(registry.value("CLSID/" + clsid + "/InprocServer32", "ThreadingModel"),
                 QStringLiteral("Apartment"));
        QCOMPARE(registry.value("CLSID/" + clsid + "/InprocServer32"),
                 QStringLiteral(ORVFIELDS_LIBRARY));
        QCOMPARE(registry.value("TypeLib/{34C7F194-98F5-436D-AD9E-C5666118E35D}/1.0"),
                 QStringLiteral("Plugin Orvane for PDF fields management"));
        QVERIFY(!registry.value(QStringLiteral("OrvFields.ErrorObject/CLSID")).isEmpty());

        {
            std::unique_ptr<QObject> form = createObject(QStringLiteral("OrvFields.MainForm"));
            QCOMPARE(get(form.get(), u"InputNeed").toString(), QStringLiteral("XML TREEVIEW"));
            put(form.get(), u"Language", 1);
            QCOMPARE(get(form.get(), DispId(0x68030002)).toInt(), 1);
            QObject *record = Variant::toObject(get(form.get(), u"LastError"));
            QCOMPARE(get(record, u"Number").toInt(), 0);

            QLibrary library(QStringLiteral(ORVFIELDS_LIBRARY));
            auto canUnload =
                reinterpret_cast<DllCanUnloadNowFn>(library.resolve("DllCanUnloadNow"));
            QVERIFY(canUnload);
            QCOMPARE(canUnload(), Hr::False); // an instance is alive
            form.reset();
            QCOMPARE(canUnload(), Hr::Ok);
        }
        std::unique_ptr<QObject> record = createObject(QStringLiteral("OrvFields.ErrorObject"));
        QCOMPARE(get(record.get(), u"Description").toString(), QString());

        // The field list is registered as a control and created as a widget.
        const QString listClsid = registry.value(QStringLiteral("OrvFields.VrnFieldList/CLSID"));
        QCOMPARE(listClsid, QStringLiteral("{C3FC5ABC-D82F-4149-8A9D-E65B3B534642}"));
        QVERIFY(registry.hasKey("CLSID/" + listClsid + "/Control"));
        {
            std::unique_ptr<QObject> list = createObject(QStringLiteral("OrvFields.VrnFieldList"));
            QVERIFY(list->isWidgetType());
            QCOMPARE(get(list.get(), u"Count").toInt(), 0);
        }

        const QString description = describeTypeLibraryOf(QStringLiteral("OrvFields.MainForm"));
        QVERIFY(
            description.contains("library OrvFields 1.0 {34C7F194-98F5-436D-AD9E-C5666118E35D}"));
        QVERIFY(description.contains("helpstring \"Plugin Orvane for PDF fields management\""));
        QVERIFY(description.contains("coclass MainForm"));
        QVERIFY(description.contains("coclass ErrorObject"));
        QVERIFY(description.contains("0x60030008  Show"));
        QVERIFY(description.contains("threading model Apartment"));

        const Run unreg = regsvr({QStringLiteral("-u"), QStringLiteral(ORVFIELDS_LIBRARY)});
        QVERIFY2(unreg.exitCode == 0, qPrintable(unreg.output));
        QCOMPARE(createError(QStringLiteral("OrvFields.MainForm")),
                 QStringLiteral("429 'OrvFields.MainForm' is not registered in ") + m_registry);
        registry.load(true);
        QVERIFY(!registry.hasKey("CLSID/" + clsid));
        QVERIFY(!registry.hasKey(QStringLiteral("TypeLib/{34C7F194-98F5-436D-AD9E-C5666118E35D}")));
        QVERIFY(boxes.boxes.isEmpty());
    }

    void creationFailuresNameTheirCause()
    {
        QVERIFY(createError(QStringLiteral("OrvFields.MainForm"))
                    .startsWith(QStringLiteral("429 the registry file ") + m_registry +
                                " does not exist"));

        QDir().mkpath(m_dir->filePath(QStringLiteral("sub")));
        writeFile(m_registry, "[OrvFields.MainForm/CLSID]\n@={X}\n[broken\n");
        QCOMPARE(
            createError(QStringLiteral("OrvFields.MainForm")),
            QStringLiteral("429 the registry file %1 is damaged at line 3: a key must read [name]")
                .arg(m_registry));

        const QString fake = m_dir->filePath(QStringLiteral("notalibrary.so"));
        writeFile(fake, "plain text");
        writeFile(m_registry, "[OrvFields.MainForm/CLSID]\n@={X}\n[CLSID/{X}/InprocServer32]\n@=" +
                                  fake.toLocal8Bit() + "\n");
        const QString cannotLoad = createError(QStringLiteral("OrvFields.MainForm"));
        QVERIFY2(cannotLoad.startsWith("429 OrvFields.MainForm: cannot load " + fake),
                 qPrintable(cannotLoad));
        QCOMPARE(createError(QStringLiteral("Nobody.Here")),
                 QStringLiteral("429 'Nobody.Here' is not registered in ") + m_registry);
    }

    // Without ORVFIELDS_REGISTRY a host reads the machine's file with the user's over it.
    void userKeysHideTheMachines_data()
    {
        QTest::addColumn<QByteArray>("system");
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QString>("found"); // A.Class's identifier, or the error's start
        const QByteArray sys = "[A.Class/CLSID]\n@={S}\n", user = "[a.class/clsid]\n@={U}\n";
        QTest::newRow("user over system") << sys << user << "{U}";
        QTest::newRow("system alone") << sys << QByteArray() << "{S}";
        QTest::newRow("user alone") << QByteArray() << user << "{U}";
        QTest::newRow("a key hides whole") << sys << QByteArray("[A.Class/CLSID]\nNote=x\n")
                                           << "429 'A.Class' is not registered in USER or SYS";
        QTest::newRow("neither") << QByteArray() << QByteArray() << "429 neither USER nor SYS";
    }
    void userKeysHideTheMachines()
    {
        QFETCH(QByteArray, system);
        QFETCH(QByteArray, user);
        QFETCH(QString, found);
        // Read from the first folder of the list that holds a registry, relative ones
        // ignored; without one, the first folder's is named.
        setUpXdg(QStringLiteral("relative:%1/none:%1/b"));
        const QString userFile = m_dir->filePath(QStringLiteral("home/orvane/registry.ini"));
        const QString bFile = m_dir->filePath(QStringLiteral("b/orvane/registry.ini"));
        for (const auto &[path, content] : {std::pair(bFile, system), std::pair(userFile, user)}) {
            QDir().mkpath(QFileInfo(path).path());
            if (!content.isEmpty())
                writeFile(path, content);
        }
        const QString sysFile = systemRegistryPath();
        QCOMPARE(sysFile, system.isEmpty() ? m_dir->filePath("none/orvane/registry.ini") : bFile);
        found.replace(QStringLiteral("USER"), userFile).replace(QStringLiteral("SYS"), sysFile);
        const QString clsid = createError(QStringLiteral("A.Class"), false);
        QVERIFY2(clsid.startsWith(found), qPrintable(clsid));
    }

    // Registered for every user, found by a user with no registry of their own.
    void registeredForTheMachine()
    {
        setUpXdg(QStringLiteral("%1/a:%1/b"));
        const QString lib = QStringLiteral(ORVFIELDS_LIBRARY), system = QStringLiteral("--system");
        QCOMPARE(regsvr({system, lib}).exitCode, 0);
        QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("a/orvane/registry.ini"))));
        QCOMPARE(createError(QStringLiteral("OrvFields.MainForm")), QStringLiteral("created"));
        QCOMPARE(regsvr({QStringLiteral("-u"), lib}).exitCode, 0); // the user's registration
        QCOMPARE(createError(QStringLiteral("OrvFields.MainForm")), QStringLiteral("created"));
        QCOMPARE(regsvr({system, QStringLiteral("-u"), lib}).exitCode, 0);
        QVERIFY(createError(QStringLiteral("OrvFields.MainForm")).contains("is not registered"));
    }

    void regsvrRefusesBadInput()
    {
        QCOMPARE(regsvr({}).exitCode, 2);
        const Run missing = regsvr({m_dir->filePath(QStringLiteral("none.so"))});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.output.contains(QStringLiteral("no such file")));
        const QString fake = m_dir->filePath(QStringLiteral("fake.so"));
        writeFile(fake, "text");
        const Run notLibrary = regsvr({fake});
        QCOMPARE(notLibrary.exitCode, 1);
        QVERIFY2(notLibrary.output.contains(QStringLiteral("cannot load ") + fake),
                 qPrintable(notLibrary.output));
    }

private:
    // The user's and the machine's registries in the test's folder, and no other.
    void setUpXdg(const QString &dirs)
    {
        qunsetenv("ORVFIELDS_REGISTRY");
        qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("home")).toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", dirs.arg(m_dir->path()).toLocal8Bit());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_registry;
};

QTEST_MAIN(tst_Registry)
#include "tst_registry.moc"
