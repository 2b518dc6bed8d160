// The dialog's parts that stand alone: the number read from a generated field name,
// and the two outside controls (the label's colours, the bar's value).

#include "AutomationError.h"
#include "LeadingNumber.h"
#include "SystemColors.h"
#include "VrnLabel.h"
#include "VrnProgressBar.h"

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
        row("blank inside", QStringLiteral("Field 12"), 12);
        row("blanks, tabs and line feeds anywhere", QStringLiteral("Field 1\t2\n3"), 123);
        row("carriage return stops", QStringLiteral("Field1\r2"), 1);
        row("half below", QStringLiteral("Field2.5"), 2);
        row("half above", QStringLiteral("Field3.5"), 4);
        row("above half", QStringLiteral("Field2.51"), 3);
        row("point first", QStringLiteral("Field.5"), 0);
        row("point last", QStringLiteral("Field8."), 8);
        row("no number after the word", QStringLiteral("MyField"), 0);
        row("word not found, other case", QStringLiteral("field9"), 0);
        row("word twice", QStringLiteral("FieldField4"), 4);
        row("word in the middle", QStringLiteral("2Field5"), 25);
        row("letters stop the number", QStringLiteral("Field6b7"), 6);
        row("sign", QStringLiteral("Field-3"), -3);
        row("plus sign", QStringLiteral("Field+3"), 3);
        row("sign alone", QStringLiteral("Field-"), 0);
        row("exponent", QStringLiteral("Field1E2"), 100);
        row("small exponent letter", QStringLiteral("Field15e-1"), 2);
        row("exponent without digits", QStringLiteral("Field3E"), 3);
        row("exponent sign without digits", QStringLiteral("Field3e+x"), 3);
        row("hexadecimal", QStringLiteral("Field&H1F"), 31);
        row("hexadecimal, small letters", QStringLiteral("Field&hff"), 255);
        row("hexadecimal stops", QStringLiteral("Field&H1G2"), 1);
        row("octal", QStringLiteral("Field&O17"), 15);
        row("octal stops at 8", QStringLiteral("Field&O78"), 7);
        row("ampersand alone", QStringLiteral("Field&"), 0);
        row("prefix without digits", QStringLiteral("Field&H"), 0);
        row("largest", QStringLiteral("Field2147483647"), 2147483647);
        row("rounds to the largest", QStringLiteral("Field2147483647.4"), 2147483647);
        row("just past the largest", QStringLiteral("Field2147483647.5"), std::nullopt);
        row("eleven nines", QStringLiteral("Field99999999999"), std::nullopt);
        row("beyond a double", QStringLiteral("Field1E999"), std::nullopt);
        row("hexadecimal past 32 bits", QStringLiteral("Field&H80000000"), std::nullopt);
        row("smallest", QStringLiteral("Field-2147483648"), -2147483647 - 1);
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
        qint32 error = 0;
        try {
            read = Dialog::GeneratedNumber(name, word);
        } catch (const Automation::AutomationError &failure) {
            error = failure.number();
        }
        if (number) {
            QCOMPARE(error, 0);
            QCOMPARE(read, *number);
        } else {
            QCOMPARE(error, 6);
        }
    }

    void labelColours()
    {
        Controls::VrnLabel label;
        label.setCaption(QStringLiteral("Title"));
        QCOMPARE(label.text(), QStringLiteral("Title"));
        // Button text by default.
        QCOMPARE(label.ForeColor(), SystemColor(COLOR_BTNTEXT));
        QCOMPARE(label.palette().color(QPalette::Active, QPalette::WindowText),
                 GetSysColor(COLOR_BTNTEXT));

        // A plain colour stays; a disabled label draws grey text whatever its colour.
        label.setForeColor(0x0000C0);
        QCOMPARE(label.palette().color(QPalette::Active, QPalette::WindowText), QColor(192, 0, 0));
        label.setEnabled(false);
        QCOMPARE(label.palette().color(QPalette::Disabled, QPalette::WindowText),
                 GetSysColor(COLOR_GRAYTEXT));

        // A system colour follows a new application palette, also on a plain label;
        // a plain colour does not.
        Controls::VrnLabel follower;
        follower.setForeColor(SystemColor(COLOR_GRAYTEXT));
        QLabel plain;
        Controls::SetForeColor(&plain, SystemColor(COLOR_GRAYTEXT));
        const QPalette original = QApplication::palette();
        QPalette changed = original;
        changed.setColor(QPalette::Disabled, QPalette::Text, QColor(1, 2, 3));
        QApplication::setPalette(changed);
        auto text = [](const QLabel &label) {
            return label.palette().color(QPalette::Active, QPalette::WindowText);
        };
        const QColor followed = text(follower);
        const QColor followedPlain = text(plain);
        const QColor kept = text(label);
        QApplication::setPalette(original);
        QCOMPARE(followed, QColor(1, 2, 3));
        QCOMPARE(followedPlain, QColor(1, 2, 3));
        QCOMPARE(kept, QColor(192, 0, 0));
        QCOMPARE(text(follower), GetSysColor(COLOR_GRAYTEXT));
    }

    void progressValue()
    {
        Controls::VrnProgressBar bar;
        QCOMPARE(bar.Value(), qint16(0));
        QCOMPARE(bar.value(), 0);
        bar.setValue(37);
        QCOMPARE(bar.value(), 37);
        // Hidden, the bar keeps the value it is given.
        bar.hide();
        bar.setValue(80);
        QVERIFY(!bar.isVisible());
        QCOMPARE(bar.value(), 80);
        // Outside 0 to 100: read back as given, drawn at the nearest end.
        bar.setValue(150);
        QCOMPARE(bar.Value(), qint16(150));
        QCOMPARE(bar.value(), 100);
        bar.setValue(-5);
        QCOMPARE(bar.Value(), qint16(-5));
        QCOMPARE(bar.value(), 0);
    }
};

QTEST_MAIN(tst_DialogParts)
#include "tst_dialogparts.moc"
