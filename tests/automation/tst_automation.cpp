// SPDX-License-Identifier: Apache-2.0
// Late binding over meta-objects (member lookup, access kinds, conversions, errors),
// then registration and creation through the registry as a host does it: the
// component is reached only by its programmatic identifiers.

#include "automation/AutomationError.h"
#include "automation/ClassFactory.h"
#include "automation/Dispatch.h"
#include "automation/Registry.h"
#include "automation/TypeInfo.h"
#include "automation/Variant.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QLibrary>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

using namespace Automation;
using Support::errorOf;
using Support::writeFile;

namespace {

Support::Output regsvr(const QStringList &args)
{
    return Support::run(QStringLiteral(ORVFIELDS_REGSVR), args);
}

// "created", or the error creating the class raised; with `create` false, the class
// identifier the registry gives, or the error of that lookup.
QString createError(const QString &progId, bool create = true)
{
    try {
        return create ? (createObject(progId), QStringLiteral("created")) : classIdOf(progId);
    } catch (const AutomationError &error) {
        return QString::number(error.number()) + u' ' + error.description();
    }
}

} // namespace

class Sample : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "Test.Sample")
    Q_CLASSINFO("ClassID", "{00000000-0000-0000-0000-0000000000A1}")
    Q_CLASSINFO("Interface", "_Sample")
    Q_CLASSINFO("InterfaceID", "{00000000-0000-0000-0000-0000000000B1}")
    Q_CLASSINFO("Implements", "{00000000-0000-0000-0000-0000000000B2}")
    Q_CLASSINFO("DispId:Flag", "0x40030001")
    Q_CLASSINFO("DispId:Name", "0x40030002")
    Q_CLASSINFO("DispId:Child", "0x40030003")
    Q_CLASSINFO("DispId:Holder", "0x40030004")
    Q_CLASSINFO("DispId:Count", "0x68030000")
    Q_CLASSINFO("DispId:Small", "0x68030001")
    Q_CLASSINFO("DispId:Swap", "0x60030001")
    Q_CLASSINFO("DispId:Item", "0x60030002")
    Q_CLASSINFO("DispId:Fail", "0x60030003")
    Q_CLASSINFO("DispId:Adopt", "0x60030004")
    Q_PROPERTY(bool Flag MEMBER flag)
    Q_PROPERTY(QString Name MEMBER name)
    Q_PROPERTY(QObject *Child READ Child WRITE setChild)
    Q_PROPERTY(QVariant Holder MEMBER holder)
    Q_PROPERTY(int Count READ Count)
    Q_PROPERTY(short Small MEMBER small)

public:
    QObject *Child() const { return child; }
    void setChild(QObject *value) { child = value; }
    int Count() const { return 7; }

    Q_INVOKABLE void Swap(QString &text, int &number, int untouched)
    {
        text = text + QString::number(number);
        number = untouched * 2;
        untouched = 0;
    }
    Q_INVOKABLE QString Item(const QString &key, int index = 0)
    {
        return key + u':' + QString::number(index);
    }
    Q_INVOKABLE void Fail() { raise(InvalidProcedureCall, QStringLiteral("no good")); }
    Q_INVOKABLE bool Adopt(Sample *other) { return other != nullptr; }
    Q_INVOKABLE void Hidden() {}

    bool flag = false;
    QString name;
    QPointer<QObject> child;
    QVariant holder;
    short small = 0;
};

class Other : public QObject
{
    Q_OBJECT
};

class tst_Automation : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        m_registry = m_dir->filePath(QStringLiteral("sub/registry.ini"));
        qputenv("ORVFIELDS_REGISTRY", m_registry.toLocal8Bit());
    }

    // ---- late binding

    void membersByNameOrId()
    {
        Sample s;
        put(&s, u"name", QStringLiteral("abc"));
        QCOMPARE(get(&s, u"NAME").toString(), QStringLiteral("abc"));
        QCOMPARE(get(&s, DispId(0x40030002)).toString(), QStringLiteral("abc"));
        QCOMPARE(idOfName(&s, u"count"), DispId(0x68030000));
        QVariantList args{QStringLiteral("k")};
        QCOMPARE(invoke(&s, DispId(0x60030002), Invoke::Method, args).toString(),
                 QStringLiteral("k:0"));
        QCOMPARE(call(&s, u"Item", {QStringLiteral("k"), 3}).toString(), QStringLiteral("k:3"));
        // By reference arguments are written back; by value the caller's copy stays.
        args = {QStringLiteral("n="), 5, 21};
        callRef(&s, u"Swap", args);
        QCOMPARE(args, (QVariantList{QStringLiteral("n=5"), 42, 21}));
        // A member's own error passes through, its text with it.
        try {
            call(&s, u"Fail");
            QFAIL("no error");
        } catch (const AutomationError &error) {
            QCOMPARE(error.number(), 5);
            QCOMPARE(error.description(), QStringLiteral("no good"));
        }
    }

    void missingMembersAndAccessKinds()
    {
        Sample s;
        Other other;
        QCOMPARE(errorOf([&] { get(&s, u"Nope"); }), MemberNotFound);
        QCOMPARE(errorOf([&] { get(&s, DispId(0x12345)); }), MemberNotFound);
        // Invokable and Qt's own members stay behind the interface.
        QCOMPARE(errorOf([&] { call(&s, u"Hidden"); }), MemberNotFound);
        QCOMPARE(errorOf([&] { get(&s, u"objectName"); }), MemberNotFound);
        QCOMPARE(errorOf([&] { get(nullptr, u"Name"); }), ObjectNotSet);

        QCOMPARE(errorOf([&] { put(&s, u"Count", 3); }), MemberNotFound);        // read-only
        QCOMPARE(errorOf([&] { putRef(&s, u"Name", &other); }), MemberNotFound); // a value
        QCOMPARE(errorOf([&] { put(&s, u"Child", 1); }), MemberNotFound); // needs a reference
        putRef(&s, u"Child", &other);
        QCOMPARE(Variant::toObject(get(&s, u"Child")), &other);
        putRef(&s, u"Child", nullptr);
        QVERIFY(Variant::isNothing(get(&s, u"Child")));
        // A variant property takes both a value and a reference.
        put(&s, u"Holder", 42);
        QCOMPARE(s.holder.toInt(), 42);
        putRef(&s, u"Holder", &other);
        QCOMPARE(Variant::toObject(s.holder), &other);
        // A reference assignment wants an object.
        QVariantList five{5};
        QCOMPARE(errorOf([&] { invoke(&s, u"Child", Invoke::PropertyPutRef, five); }),
                 TypeMismatch);
    }

    void argumentCountsAndConversions()
    {
        Sample s;
        QCOMPARE(errorOf([&] { call(&s, u"Item"); }), WrongArgumentCount);
        QCOMPARE(errorOf([&] { call(&s, u"Item", {1, 2, 3}); }), WrongArgumentCount);
        QCOMPARE(errorOf([&] { get(&s, u"Name", {1}); }), WrongArgumentCount);
        QCOMPARE(errorOf([&] {
                     call(&s, u"Item", {QStringLiteral("k"), QStringLiteral("x")});
                 }),
                 TypeMismatch);
        QCOMPARE(call(&s, u"Item", {QStringLiteral("k"), QStringLiteral(" 12 ")}).toString(),
                 QStringLiteral("k:12"));
        QCOMPARE(errorOf([&] { put(&s, u"Small", 40000); }), Overflow);
        put(&s, u"Small", QStringLiteral("&H7FFF"));
        QCOMPARE(s.small, short(32767));
        // An object parameter of a given class refuses objects of another.
        Sample same;
        Other other;
        QCOMPARE(call(&s, u"Adopt", {Variant::fromObject(&same)}).toBool(), true);
        QCOMPARE(call(&s, u"Adopt", {Variant::nothing()}).toBool(), false);
        QCOMPARE(errorOf([&] { call(&s, u"Adopt", {Variant::fromObject(&other)}); }), TypeMismatch);
    }

    void booleansAndWholeNumbers()
    {
        // Booleans cross as -1 and 0; whole numbers round half to even.
        Sample s;
        const QList<std::pair<QVariant, bool>> flags{
            {-1, true}, {0, false}, {2, true}, {QStringLiteral("False"), false}};
        for (const auto &[value, set] : flags) {
            put(&s, u"Flag", value);
            QCOMPARE(s.flag, set);
        }
        QCOMPARE(Variant::toLong(QVariant(true)), -1);
        QCOMPARE(Variant::toText(QVariant(true)), QStringLiteral("True"));
        QCOMPARE(Variant::fromBoolean(true), -1);

        QCOMPARE(Variant::toLong(2.5), 2);
        QCOMPARE(Variant::toLong(3.5), 4);
        QCOMPARE(Variant::toLong(-2.5), -2);
        QCOMPARE(Variant::toLong(QStringLiteral("&O17")), 15);
        QCOMPARE(errorOf([] { Variant::toLong(2147483648.0); }), Overflow);
        QCOMPARE(Variant::toLong(QVariant()), 0);
    }

    void interfacesAndDescription()
    {
        Sample s;
        QCOMPARE(queryInterface(&s, QStringLiteral("{00000000-0000-0000-0000-0000000000b2}")), &s);
        QCOMPARE(queryInterface(nullptr, QStringLiteral("{anything}")), nullptr);
        QCOMPARE(errorOf([&] {
                     queryInterface(&s, QStringLiteral("{00000000-0000-0000-0000-0000000000C3}"));
                 }),
                 TypeMismatch);

        const QString text = TypeInfo::of(&Sample::staticMetaObject).describe();
        QVERIFY(text.contains(QStringLiteral("ProgID     Test.Sample")));
        QVERIFY(text.contains(QStringLiteral("Child             property get, putref As Object")));
        QVERIFY(text.contains(QStringLiteral(
            "method (ByRef text As String, ByRef number As Long, untouched As Long)")));
    }

    // ---- the registry

    void registerCreateUnregister()
    {
        MessageBoxRecorder boxes;
        const QString library = QStringLiteral(ORVFIELDS_LIBRARY);
        const Support::Output reg = regsvr({library});
        QVERIFY2(reg.exitCode == 0, qPrintable(reg.text));

        RegistryFile registry(m_registry);
        registry.load(true);
        const QString clsid = registry.value(QStringLiteral("OrvFields.MainForm/CLSID"));
        const QString typeLib = QStringLiteral("TypeLib/{34C7F194-98F5-436D-AD9E-C5666118E35D}");
        QCOMPARE(clsid, QStringLiteral("{DF1F9393-7797-4F8A-8277-02B50C3F1C8F}"));
        QCOMPARE(registry.value("CLSID/" + clsid + "/InprocServer32", "ThreadingModel"),
                 QStringLiteral("Apartment"));
        QCOMPARE(registry.value("CLSID/" + clsid + "/InprocServer32"), library);
        QCOMPARE(registry.value(typeLib + "/1.0"),
                 QStringLiteral("Plugin Orvane for PDF fields management"));

        {
            std::unique_ptr<QObject> form = createObject(QStringLiteral("OrvFields.MainForm"));
            QCOMPARE(get(form.get(), u"InputNeed").toString(), QStringLiteral("XML TREEVIEW"));
            auto canUnload =
                reinterpret_cast<DllCanUnloadNowFn>(QLibrary(library).resolve("DllCanUnloadNow"));
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
        QVERIFY(createObject(QStringLiteral("OrvFields.VrnFieldList"))->isWidgetType());

        const QString description = describeTypeLibraryOf(QStringLiteral("OrvFields.MainForm"));
        for (const char *line :
             {"library OrvFields 1.0 {34C7F194-98F5-436D-AD9E-C5666118E35D}",
              "helpstring \"Plugin Orvane for PDF fields management\"", "coclass MainForm",
              "coclass ErrorObject", "0x60030008  Show", "threading model Apartment"})
            QVERIFY2(description.contains(QLatin1String(line)), line);

        const Support::Output unreg = regsvr({QStringLiteral("-u"), library});
        QVERIFY2(unreg.exitCode == 0, qPrintable(unreg.text));
        QCOMPARE(createError(QStringLiteral("OrvFields.MainForm")),
                 QStringLiteral("429 'OrvFields.MainForm' is not registered in ") + m_registry);
        registry.load(true);
        QVERIFY(!registry.hasKey("CLSID/" + clsid));
        QVERIFY(!registry.hasKey(typeLib));
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

        const QString fake = writeFile(m_dir->filePath(QStringLiteral("fake.so")), "plain text");
        writeFile(m_registry, "[OrvFields.MainForm/CLSID]\n@={X}\n[CLSID/{X}/InprocServer32]\n@=" +
                                  fake.toLocal8Bit() + "\n");
        const QString cannotLoad = createError(QStringLiteral("OrvFields.MainForm"));
        QVERIFY2(cannotLoad.startsWith("429 OrvFields.MainForm: cannot load " + fake),
                 qPrintable(cannotLoad));
        QCOMPARE(createError(QStringLiteral("Nobody.Here")),
                 QStringLiteral("429 'Nobody.Here' is not registered in ") + m_registry);

        // orvfields-regsvr: a usage error, a missing file, a file that is no library.
        QCOMPARE(regsvr({}).exitCode, 2);
        const Support::Output missing = regsvr({m_dir->filePath(QStringLiteral("none.so"))});
        QVERIFY2(missing.exitCode == 1 && missing.text.contains(QStringLiteral("no such file")),
                 qPrintable(missing.text));
        const Support::Output notLibrary = regsvr({fake});
        QVERIFY2(notLibrary.exitCode == 1 && notLibrary.text.contains("cannot load " + fake),
                 qPrintable(notLibrary.text));
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

QTEST_MAIN(tst_Automation)
#include "tst_automation.moc"
