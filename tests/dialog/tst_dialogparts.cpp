// SPDX-License-Identifier: Apache-2.0
// The dialog's parts that stand alone: the number read from a generated field name,
// and the label's colours.

#include "automation/AutomationError.h"
#include "controls/VrnLabel.h"
#include "dialog/LeadingNumber.h"
#include "platform/SystemColors.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QTest>

#include <optional>

using namespace Platform;

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

    void labelColours()
    {
        auto text = [](const QLabel &label, QPalette::ColorGroup group = QPalette::Active) {
            return label.palette().color(group, QPalette::WindowText);
        };
        // A plain colour stays; a disabled label draws grey text whatever its colour.
        Controls::VrnLabel label;
        QCOMPARE(text(label), GetSysColor(COLOR_BTNTEXT));
        label.setForeColor(0x0000C0);
        label.setEnabled(false);
        QCOMPARE(text(label), QColor(192, 0, 0));
        QCOMPARE(text(label, QPalette::Disabled), GetSysColor(COLOR_GRAYTEXT));

        // A system colour follows a new application palette, also on a plain label.
        Controls::VrnLabel follower;
        follower.setForeColor(SystemColor(COLOR_GRAYTEXT));
        QLabel plain;
        Platform::SetForeColor(&plain, SystemColor(COLOR_GRAYTEXT));
        const QPalette original = QApplication::palette();
        QPalette changed = original;
        changed.setColor(QPalette::Disabled, QPalette::Text, QColor(1, 2, 3));
        QApplication::setPalette(changed);
        const QList<QColor> seen{text(follower), text(plain), text(label)};
        QApplication::setPalette(original);
        QCOMPARE(seen, (QList<QColor>{QColor(1, 2, 3), QColor(1, 2, 3), QColor(192, 0, 0)}));
        QCOMPARE(text(follower), GetSysColor(COLOR_GRAYTEXT));
    }
};

QTEST_MAIN(tst_DialogParts)
#include "tst_dialogparts.moc"
