// SPDX-License-Identifier: Apache-2.0
// Late binding over class tables (member lookup, access kinds, conversions, errors),
// then registration and creation through the registry as a host does it, with a
// small server of the test's own (TestServer.cpp) reached only by its programmatic
// identifiers.

#include "Sample.h"
#include "automation/ClassFactory.h"
#include "automation/Dispatch.h"
#include "automation/Registry.h"
#include "automation/System.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/stat.h>

using namespace Automation;
using Support::errorOf;
using Support::failure;
using Support::q;
using Support::u;
using Support::writeFile;
using Test::Sample;

namespace {

Support::Output regsvr(const QStringList &args)
{
    return Support::run(QStringLiteral(ORVFIELDS_REGSVR), args);
}

// "created", or the error creating the class raised.
QString createError(const QString &progId)
{
    const QString error = failure([&] { createObject(u(progId)); });
    return error.isEmpty() ? QStringLiteral("created") : error;
}

// A function the test server exports.
template <class F> F serverFunction(const char *name)
{
    std::u16string error;
    void *library = System::loadLibrary(u(QStringLiteral(TEST_SERVER)), error);
    return reinterpret_cast<F>(library ? System::symbolOf(library, name) : nullptr);
}

class Other : public Object
{
};

// A value's type, then its text, Long and Boolean, or the error each conversion raised.
QString described(const Variant &value)
{
    QString text = QString::number(int(value.type()));
    const auto add = [&](const std::function<QString()> &convert) {
        QString result;
        const QString error = failure([&] { result = convert(); });
        text += '|' + (error.isEmpty() ? result : error.section(u' ', 0, 0));
    };
    add([&] { return q(value.toText()); });
    add([&] { return QString::number(value.toLong()); });
    add([&] { return QString(value.toBoolean() ? "T" : "F"); });
    return text;
}

} // namespace

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
        const Ref<Sample> s = make<Sample>();
        put(s.get(), u"name", u"abc");
        QCOMPARE(get(s, u"NAME").toText(), u"abc");
        QCOMPARE(get(s.get(), DispId(0x40030002)).toText(), u"abc");
        QCOMPARE(idOfName(s.get(), u"count"), DispId(0x68030000));
        std::vector<Variant> args{u"k", 3};
        QCOMPARE(invoke(s.get(), DispId(0x60030002), Invoke::Method, args).toText(), u"k:3");
        // By-reference arguments are written back; by value the caller's copy stays.
        args = {u"n=", 5, 21};
        callRef(s.get(), u"Swap", args);
        QVERIFY(args == (std::vector<Variant>{u"n=5", 42, 21}));
        // A member's own error passes through, its text with it.
        QCOMPARE(failure([&] { call(s, u"Fail"); }), QStringLiteral("5 no good"));
    }

    void missingMembersAndAccessKinds()
    {
        const Ref<Sample> s = make<Sample>();
        Object *p = s.get();
        const Ref<Object> other = make<Other>();
        QCOMPARE(errorOf([&] { get(p, u"Nope"); }), MemberNotFound);
        QCOMPARE(errorOf([&] { get(p, DispId(0x12345)); }), MemberNotFound);
        QCOMPARE(errorOf([&] { call(p, u"Hidden"); }), MemberNotFound);        // not in the table
        QCOMPARE(errorOf([&] { get(other.get(), u"Name"); }), MemberNotFound); // no table
        QCOMPARE(errorOf([&] { get(nullptr, u"Name"); }), ObjectNotSet);

        QCOMPARE(errorOf([&] { put(p, u"Count", 3); }), MemberNotFound);       // read-only
        QCOMPARE(errorOf([&] { putRef(p, u"Name", other); }), MemberNotFound); // a value
        QCOMPARE(errorOf([&] { put(p, u"Child", 1); }), MemberNotFound);       // needs a reference
        putRef(p, u"Child", other);
        QVERIFY(get(p, u"Child").toObject() == other);
        putRef(p, u"Child", nullptr);
        QVERIFY(get(p, u"Child").isNothing());
        // A variant property takes both a value and a reference.
        put(p, u"Holder", 42);
        QCOMPARE(s->holder.toLong(), 42);
        putRef(p, u"Holder", other);
        QVERIFY(s->holder.toObject() == other);
        // A reference assignment wants an object.
        std::vector<Variant> five{5};
        QCOMPARE(errorOf([&] { invoke(p, u"Child", Invoke::PropertyPutRef, five); }), TypeMismatch);
    }

    void argumentCountsAndConversions()
    {
        const Ref<Sample> s = make<Sample>();
        Object *p = s.get();
        QCOMPARE(errorOf([&] { call(p, u"Item", {u"k"}); }), WrongArgumentCount);
        QCOMPARE(errorOf([&] { call(p, u"Item", {1, 2, 3}); }), WrongArgumentCount);
        QCOMPARE(errorOf([&] { get(p, u"Name", {1}); }), WrongArgumentCount);
        QCOMPARE(errorOf([&] { call(p, u"Item", {u"k", u"x"}); }), TypeMismatch);
        QCOMPARE(call(p, u"Item", {u"k", u" 12 "}).toText(), u"k:12");
        QCOMPARE(errorOf([&] { put(p, u"Small", 40000); }), Overflow);
        put(p, u"Small", u"&H7FFF");
        QCOMPARE(s->small, std::int16_t(32767));
        // An object parameter of a given class refuses objects of another.
        QCOMPARE(call(p, u"Adopt", {make<Sample>()}).toBoolean(), true);
        QCOMPARE(call(p, u"Adopt", {Variant::nothing()}).toBoolean(), false);
        QCOMPARE(errorOf([&] { call(p, u"Adopt", {make<Other>()}); }), TypeMismatch);
    }

    void conversions()
    {
        // Booleans cross as -1 and 0.
        const Ref<Sample> s = make<Sample>();
        const std::vector<std::pair<Variant, bool>> flags{
            {-1, true}, {0, false}, {2, true}, {u"False", false}};
        for (const auto &[value, set] : flags) {
            put(s.get(), u"Flag", value);
            QCOMPARE(s->flag, set);
        }
        QCOMPARE(fromBoolean(true), -1);

        // Each kind as VariantChangeType converts it in the invariant locale: halves to
        // even, Decimal exact, 13 for Null, Error, objects and arrays.
        using Type = Variant::Type;
        const Variant::Array bytes{
            Type::Byte, {{1, 2}}, {Variant::whole(Type::Byte, 1), Variant::whole(Type::Byte, 2)}};
        const std::pair<Variant, QString> kinds[] = {
            {Variant(), "0||0|F"},
            {Variant(true), "11|True|-1|T"},
            {Variant::whole(Type::Boolean, 1), "11|True|1|T"},
            {Variant(2.5), "5|2.5|2|T"},
            {Variant(3.5), "5|3.5|4|T"},
            {Variant(-2.5), "5|-2.5|-2|T"},
            {Variant(1e20), "5|1E+20|6|T"},
            {Variant(u"&O17"), "8|&O17|15|T"},
            {Variant::whole(Type::Byte, 200), "17|200|200|T"},
            {Variant::whole(Type::ULongLong, ~0ULL), "21|18446744073709551615|6|T"},
            {Variant::whole(Type::LongLong, -9007199254740993LL), "20|-9007199254740993|6|T"},
            {Variant::real(Type::Single, 1.0 / 3), "4|0.3333333|0|T"},
            {Variant::whole(Type::Currency, -15000), "6|-1.5|-2|T"},
            {Variant::real(Type::Date, 45306.4375), "7|01/15/2024 10:30:00|45306|T"},
            {Variant::real(Type::Date, 45306), "7|01/15/2024|45306|T"},
            {Variant::real(Type::Date, -1.5), "7|12/29/1899 12:00:00|-2|T"},
            {Variant::real(Type::Date, 0.4375), "7|10:30:00|0|T"},
            {Variant::decimal({0, 1234567, 3, true}), "14|-1234.567|-1235|T"},
            {Variant::decimal({1, 0, 28, false}), "14|0.0000000018446744073709551616|0|T"},
            {Variant::null(), "1|13|13|13"},
            {Variant::whole(Type::Error, 0x80020004), "10|13|13|13"},
            {Variant::unknown(s), "13|13|13|13"},
            {Variant::array(bytes), "8192|13|13|13"},
        };
        for (const auto &[value, expected] : kinds)
            QCOMPARE(described(value), expected);

        QCOMPARE(errorOf([] { Variant::whole(Type::Byte, 256); }), Overflow);
        QVERIFY(Variant::unknown(s).toObject() == s);
        Variant::Array other = bytes;
        other.values.pop_back();
        QCOMPARE(errorOf([&] { Variant::array(other); }), InvalidProcedureCall);
    }

    void interfaces()
    {
        const Ref<Object> s = make<Sample>();
        QVERIFY(queryInterface(s, "{00000000-0000-0000-0000-0000000000b2}") == s);
        QVERIFY(!queryInterface(nullptr, "{anything}"));
        QCOMPARE(errorOf([&] { queryInterface(s, "{00000000-0000-0000-0000-0000000000C3}"); }),
                 TypeMismatch);
    }

    // ---- the registry

    void registerCreateUnregister()
    {
        const QString server = QFileInfo(QStringLiteral(TEST_SERVER)).absoluteFilePath();
        ::umask(022);
        const Support::Output reg = regsvr({server});
        QCOMPARE(reg.text, "registered " + server + " in " + m_registry + '\n');
        QVERIFY(!QFile::exists(m_registry + ".lock"));
        QCOMPARE(QFileInfo(m_registry).permissions() & QFileDevice::ReadOther,
                 QFileDevice::ReadOther);

        RegistryFile registry(u(m_registry));
        registry.load(true);
        const std::u16string clsid = registry.value(u"Test.Sample/CLSID");
        QCOMPARE(clsid, u"{00000000-0000-0000-0000-0000000000A1}");
        QCOMPARE(registry.value(u"CLSID/" + clsid + u"/InprocServer32", u"ThreadingModel"),
                 u"Apartment");
        QCOMPARE(q(registry.value(u"CLSID/" + clsid + u"/InprocServer32")), server);
        QVERIFY(!registry.hasKey(u"CLSID/" + clsid + u"/Control"));
        QVERIFY(registry.hasKey(u"CLSID/{00000000-0000-0000-0000-0000000000A2}/Control"));
        const std::u16string typeLib = u"TypeLib/{00000000-0000-0000-0000-0000000000C1}";
        QCOMPARE(registry.value(typeLib + u"/1.2"), u"Test server");

        // The description comes from the class factories: no instance is made.
        const Support::Output description = regsvr({"--describe", "Test.Control"});
        for (const QString &line :
             {QStringLiteral("library Test 1.2 {00000000-0000-0000-0000-0000000000C1}\n"
                             "  helpstring \"Test server\"\n\ncoclass Sample\n"
                             "  ProgID     Test.Sample\n"),
              QStringLiteral("  implements {00000000-0000-0000-0000-0000000000B2}\n"
                             "    1  0x40030001  Flag              property get, put As Boolean\n"),
              QStringLiteral("    3  0x40030003  Child             property get, putref As Object\n"
                             "    4  0x40030004  Holder            property get, put, putref As "
                             "Variant\n"),
              QStringLiteral("    7  0x60030001  Swap              method (ByRef text As String, "
                             "ByRef number As Long, untouched As Long)\n"),
              QStringLiteral("   10  0x60030004  Adopt             method (other As _Sample) As "
                             "Boolean\n"),
              QStringLiteral("coclass Control (control)\n"),
              "  server     " + server + " (threading model Apartment)\n"})
            QVERIFY2(description.text.contains(line), qPrintable(description.text));
        QCOMPARE(description.exitCode, 0);
        QCOMPARE(q(describeTypeLibraryOf(u"Test.Sample")), description.text);
        const auto constructed = serverFunction<int (*)()>("SamplesConstructed");
        const auto canUnload = serverFunction<DllCanUnloadNowFn>("DllCanUnloadNow");
        QVERIFY(constructed && canUnload);
        QCOMPARE(constructed(), 0);

        // The module counts the objects it made while any reference holds them.
        {
            Ref<Object> sample = createObject(u"Test.Sample");
            QCOMPARE(get(sample, u"Count").toLong(), 7);
            QVERIFY(refAs<Sample>(sample));
            const Ref<Object> second = sample;
            QCOMPARE(canUnload(), Hr::False);
            sample.reset();
            QCOMPARE(canUnload(), Hr::False);
        }
        QCOMPARE(canUnload(), Hr::Ok);
        QCOMPARE(constructed(), 1);

        const Support::Output unreg = regsvr({"-u", server});
        QVERIFY2(unreg.exitCode == 0, qPrintable(unreg.text));
        QCOMPARE(createError("Test.Sample"),
                 "429 'Test.Sample' is not registered in " + m_registry);
        registry.load(true);
        QVERIFY(!registry.hasKey(u"CLSID/" + clsid));
        QVERIFY(!registry.hasKey(typeLib));
    }

    void creationFailuresNameTheirCause()
    {
        QVERIFY(createError("Test.Sample")
                    .startsWith("429 the registry file " + m_registry + " does not exist"));

        QDir().mkpath(m_dir->filePath("sub"));
        const QString damaged = "429 the registry file " + m_registry + " is damaged at line ";
        writeFile(m_registry, "[Test.Sample/CLSID]\n@={X}\n[broken\n");
        QCOMPARE(createError("Test.Sample"), damaged + "3: a key must read [name]");
        writeFile(m_registry, "; comment\r\nName=value\r\n");
        QCOMPARE(createError("Test.Sample"), damaged + "2: a value stands before the first [key]");

        const QString fake = writeFile(m_dir->filePath("fake.so"), "plain text");
        writeFile(m_registry, "[Test.Sample/CLSID]\n@={X}\n[CLSID/{X}/InprocServer32]\n@=" +
                                  fake.toLocal8Bit() + "\n");
        const QString cannotLoad = createError("Test.Sample");
        QVERIFY2(cannotLoad.startsWith("429 Test.Sample: cannot load " + fake +
                                       ": Cannot load library " + fake + ": ("),
                 qPrintable(cannotLoad));
        QCOMPARE(createError("Nobody.Here"),
                 "429 'Nobody.Here' is not registered in " + m_registry);

        // orvfields-regsvr: a usage error, a missing file, a file that is no library.
        QCOMPARE(regsvr({}).exitCode, 2);
        const Support::Output missing = regsvr({m_dir->filePath("none.so")});
        QVERIFY2(missing.exitCode == 1 && missing.text.contains("no such file"),
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
        const QString sysFile = q(systemRegistryPath());
        QCOMPARE(sysFile, system.isEmpty() ? m_dir->filePath("none/orvane/registry.ini") : bFile);
        found.replace(QStringLiteral("USER"), userFile).replace(QStringLiteral("SYS"), sysFile);
        QString clsid;
        const QString error = failure([&] { clsid = q(classIdOf(u"A.Class")); });
        QVERIFY2((clsid + error).startsWith(found), qPrintable(clsid + error));
    }

    // Registered for every user, found by a user with no registry of their own.
    void registeredForTheMachine()
    {
        setUpXdg(QStringLiteral("%1/a:%1/b"));
        const QString lib = QStringLiteral(TEST_SERVER);
        QCOMPARE(regsvr({"--system", lib}).exitCode, 0);
        QVERIFY(QFile::exists(m_dir->filePath("a/orvane/registry.ini")));
        QCOMPARE(createError("Test.Sample"), "created");
        QCOMPARE(regsvr({"-u", lib}).exitCode, 0); // the user's registration
        QCOMPARE(createError("Test.Sample"), "created");
        QCOMPARE(regsvr({"--system", "-u", lib}).exitCode, 0);
        QVERIFY(createError("Test.Sample").contains("is not registered"));
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
