// SPDX-License-Identifier: Apache-2.0
// Late binding over meta-objects: member lookup, access kinds, conversions, errors.

#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "automation/TypeInfo.h"
#include "automation/Variant.h"

#include <QPointer>
#include <QTest>

using namespace Automation;

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

    static void expectError(qint32 number, const std::function<void()> &call)
    {
        try {
            call();
        } catch (const AutomationError &error) {
            QCOMPARE(error.number(), number);
            return;
        }
        QFAIL(qPrintable(QStringLiteral("no error %1 was raised").arg(number)));
    }

private slots:
    void membersByNameIgnoreCaseAndById()
    {
        Sample s;
        put(&s, u"name", QStringLiteral("abc"));
        QCOMPARE(s.name, QStringLiteral("abc"));
        QCOMPARE(get(&s, u"NAME").toString(), QStringLiteral("abc"));
        QCOMPARE(get(&s, DispId(0x40030002)).toString(), QStringLiteral("abc"));
        QCOMPARE(idOfName(&s, u"count"), DispId(0x68030000));
        QCOMPARE(get(&s, DispId(0x68030000)).toInt(), 7);
        QVariantList args{QStringLiteral("k")};
        QCOMPARE(invoke(&s, DispId(0x60030002), Invoke::Method, args).toString(),
                 QStringLiteral("k:0"));
        QCOMPARE(call(&s, u"Item", {QStringLiteral("k"), 3}).toString(), QStringLiteral("k:3"));
    }

    void missingMembersAndNothing()
    {
        Sample s;
        expectError(MemberNotFound, [&] { get(&s, u"Nope"); });
        expectError(MemberNotFound, [&] { get(&s, DispId(0x12345)); });
        // Invokable and Qt's own members stay behind the interface.
        expectError(MemberNotFound, [&] { call(&s, u"Hidden"); });
        expectError(MemberNotFound, [&] { get(&s, u"objectName"); });
        expectError(ObjectNotSet, [&] { get(nullptr, u"Name"); });
        expectError(ObjectNotSet, [&] { call(nullptr, u"Item", {QString()}); });
    }

    void accessKindsFollowTheProperty()
    {
        Sample s;
        Other other;
        expectError(MemberNotFound, [&] { put(&s, u"Count", 3); });        // read-only
        expectError(MemberNotFound, [&] { putRef(&s, u"Name", &other); }); // value property
        expectError(MemberNotFound, [&] { put(&s, u"Child", 1); });        // needs a reference
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
        expectError(TypeMismatch, [&] { invoke(&s, u"Child", Invoke::PropertyPutRef, five); });
    }

    void byReferenceArgumentsAreWrittenBack()
    {
        Sample s;
        QVariantList args{QStringLiteral("n="), 5, 21};
        callRef(&s, u"Swap", args);
        QCOMPARE(args.at(0).toString(), QStringLiteral("n=5"));
        QCOMPARE(args.at(1).toInt(), 42);
        QCOMPARE(args.at(2).toInt(), 21); // by value: the caller's copy stays
    }

    void argumentCountsAndConversions()
    {
        Sample s;
        expectError(WrongArgumentCount, [&] { call(&s, u"Item"); });
        expectError(WrongArgumentCount, [&] { call(&s, u"Item", {1, 2, 3}); });
        expectError(WrongArgumentCount, [&] { get(&s, u"Name", {1}); });
        expectError(TypeMismatch, [&] {
            call(&s, u"Item", {QStringLiteral("k"), QStringLiteral("x")});
        });
        QCOMPARE(call(&s, u"Item", {QStringLiteral("k"), QStringLiteral(" 12 ")}).toString(),
                 QStringLiteral("k:12"));
        expectError(Overflow, [&] { put(&s, u"Small", 40000); });
        put(&s, u"Small", QStringLiteral("&H7FFF"));
        QCOMPARE(s.small, short(32767));
        // An object parameter of a given class refuses objects of another.
        Sample same;
        Other other;
        QCOMPARE(call(&s, u"Adopt", {Variant::fromObject(&same)}).toBool(), true);
        QCOMPARE(call(&s, u"Adopt", {Variant::nothing()}).toBool(), false);
        expectError(TypeMismatch, [&] { call(&s, u"Adopt", {Variant::fromObject(&other)}); });
    }

    void booleansCrossAsMinusOneAndZero()
    {
        Sample s;
        put(&s, u"Flag", -1);
        QVERIFY(s.flag);
        put(&s, u"Flag", 0);
        QVERIFY(!s.flag);
        put(&s, u"Flag", 2);
        QVERIFY(s.flag);
        put(&s, u"Flag", QStringLiteral("False"));
        QVERIFY(!s.flag);
        QCOMPARE(Variant::toLong(QVariant(true)), -1);
        QCOMPARE(Variant::toLong(QVariant(false)), 0);
        QCOMPARE(Variant::toText(QVariant(true)), QStringLiteral("True"));
        QCOMPARE(Variant::fromBoolean(true), -1);
    }

    void wholeNumbersRoundHalfToEven()
    {
        QCOMPARE(Variant::toLong(2.5), 2);
        QCOMPARE(Variant::toLong(3.5), 4);
        QCOMPARE(Variant::toLong(-2.5), -2);
        QCOMPARE(Variant::toLong(QStringLiteral("&O17")), 15);
        expectError(Overflow, [] { Variant::toLong(2147483648.0); });
        QCOMPARE(Variant::toLong(QVariant()), 0);
    }

    void errorsOfTheMemberPassThrough()
    {
        Sample s;
        try {
            call(&s, u"Fail");
            QFAIL("no error");
        } catch (const AutomationError &error) {
            QCOMPARE(error.number(), 5);
            QCOMPARE(error.description(), QStringLiteral("no good"));
        }
        QCOMPARE(AutomationError(438).description(),
                 QStringLiteral("Object doesn't support this property or method"));
        QCOMPARE(AutomationError(91).description(),
                 QStringLiteral("Object variable or With block variable not set"));
    }

    void interfacesAndDescription()
    {
        Sample s;
        QCOMPARE(queryInterface(&s, QStringLiteral("{00000000-0000-0000-0000-0000000000b2}")), &s);
        QCOMPARE(queryInterface(nullptr, QStringLiteral("{anything}")), nullptr);
        expectError(TypeMismatch, [&] {
            queryInterface(&s, QStringLiteral("{00000000-0000-0000-0000-0000000000C3}"));
        });

        const QString text = TypeInfo::of(&Sample::staticMetaObject).describe();
        QVERIFY(text.contains(QStringLiteral("ProgID     Test.Sample")));
        const QStringList order{
            QStringLiteral("0x40030001  Flag"), QStringLiteral("0x40030003  Child"),
            QStringLiteral("0x68030000  Count"), QStringLiteral("0x60030002  Item")};
        qsizetype at = 0;
        for (const QString &entry : order) {
            const qsizetype next = text.indexOf(entry, at);
            QVERIFY2(next > at, qPrintable(entry));
            at = next;
        }
        QVERIFY(text.contains(QStringLiteral("Child             property get, putref As Object")));
        QVERIFY(text.contains(QStringLiteral(
            "method (ByRef text As String, ByRef number As Long, untouched As Long)")));
    }
};

QTEST_GUILESS_MAIN(tst_Automation)
#include "tst_automation.moc"
