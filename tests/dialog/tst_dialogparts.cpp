// SPDX-License-Identifier: Apache-2.0
// The dialog's part that stands alone: the number read from a generated field name.

#include "automation/AutomationError.h"
#include "dialog/LeadingNumber.h"
#include "support/TestSupport.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<qint32>)

class tst_DialogParts : public QObject
{
    Q_OBJECT

private slots:
    void generatedNumber_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("word");
        QTest::addColumn<std::optional<qint32>>("number"); // none: overflow

        auto row = [&](const char *tag, const QString &name, std::optional<qint32> number,
                       const QString &word = QStringLiteral("Field")) {
            QTest::newRow(tag) << name << word << number;
        };
        row("plain", QStringLiteral("Field7"), 7);
        row("blanks, tabs and line feeds anywhere", QStringLiteral("Field 1\t2\n3"), 123);
        row("half below", QStringLiteral("Field2.5"), 2);
        row("half above", QStringLiteral("Field3.5"), 4);
        row("no number after the word", QStringLiteral("MyField"), 0);
        row("word not found, other case", QStringLiteral("field9"), 0);
        row("word twice", QStringLiteral("FieldField4"), 4);
        row("word in the middle", QStringLiteral("2Field5"), 25);
        row("word made by a removal stays", QStringLiteral("FiFieldeld7"), 0);
        row("letters stop the number", QStringLiteral("Field6b7"), 6);
        row("sign", QStringLiteral("Field-3"), -3);
        row("sign alone", QStringLiteral("Field-"), 0);
        row("exponent", QStringLiteral("Field1E2"), 100);
        row("small exponent letter", QStringLiteral("Field15e-1"), 2);
        row("exponent without digits", QStringLiteral("Field3E"), 3);
        row("hexadecimal", QStringLiteral("Field&H1F"), 31);
        row("hexadecimal, small letters", QStringLiteral("Field&hff"), 255);
        row("octal", QStringLiteral("Field&O17"), 15);
        row("octal stops at 8", QStringLiteral("Field&O78"), 7);
        row("ampersand alone", QStringLiteral("Field&"), 0);
        row("largest", QStringLiteral("Field2147483647"), 2147483647);
        row("just past the largest", QStringLiteral("Field2147483647.5"), std::nullopt);
        row("beyond a double", QStringLiteral("Field1E999"), std::nullopt);
        row("beyond a double, digits alone", QStringLiteral("Field1") + QString(400, u'0'),
            std::nullopt);
        row("hexadecimal past 32 bits", QStringLiteral("Field&H80000000"), std::nullopt);
        row("tiny", QStringLiteral("Field1E-999"), 0);
        row("French word", QStringLiteral("Champs3"), 3, QStringLiteral("Champs"));
        row("English name, French word", QStringLiteral("Field4"), 0, QStringLiteral("Champs"));
    }

    void generatedNumber()
    {
        QFETCH(QString, name);
        QFETCH(QString, word);
        QFETCH(std::optional<qint32>, number);

        qint32 read = 0;
        const qint32 error = Support::errorOf(
            [&] { read = Dialog::GeneratedNumber(Support::u(name), Support::u(word)); });
        QCOMPARE(error, number ? 0 : 6);
        QCOMPARE(read, number.value_or(0));
    }
};

QTEST_MAIN(tst_DialogParts)
#include "tst_dialogparts.moc"
