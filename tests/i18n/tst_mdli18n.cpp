// SPDX-License-Identifier: Apache-2.0
// Code page and fonts: the locale table, the code page of the thread's locale, the
// system font faces and the fonts they give a text box. The locale and the system
// fonts are injected, and every question put to them is counted.

#include "i18n/mdli18n.h"
#include "platform/Locale.h"
#include "platform/StdFont.h"
#include "platform/SystemFonts.h"
#include "support/MessageBoxRecorder.h"

#include <QLineEdit>
#include <QTest>

using namespace Platform;

namespace {

// A system with a face of its own for every font kind, counting the questions.
struct FakeSystem
{
    Lcid lcid = 1033;
    QByteArray codePageText; // null: the table's answer
    int localeInfoCalls = 0;
    int fontCalls = 0;
    bool fontsGiven = true;
    FaceName caption = FaceNameOf(QStringLiteral("Caption Face"));

    ThreadLocaleHandler previousLocale = setThreadLocaleHandler([this] { return lcid; });
    LocaleInfoHandler previousInfo = setLocaleInfoHandler([this](Lcid id, int item) {
        ++localeInfoCalls;
        return codePageText.isNull() ? previousInfo(id, item) : codePageText;
    });
    SystemFontHandlers previousFonts = setSystemFontHandlers(
        {[this](NonClientMetrics &m) {
             ++fontCalls;
             m.lfCaptionFont.lfFaceName = caption;
             m.lfSmCaptionFont.lfFaceName = FaceNameOf(QStringLiteral("Small Caption Face"));
             m.lfMenuFont.lfFaceName = FaceNameOf(QStringLiteral("Menu Face"));
             m.lfStatusFont.lfFaceName = FaceNameOf(QStringLiteral("Status Face"));
             m.lfMessageFont.lfFaceName = FaceNameOf(QStringLiteral("Message Face"));
             return fontsGiven && m.cbSize == NonClientMetricsSize;
         },
         [this](LogFont &f) {
             ++fontCalls;
             f.lfFaceName = FaceNameOf(QStringLiteral("Icon Face"));
             return fontsGiven;
         }});

    ~FakeSystem()
    {
        setThreadLocaleHandler(previousLocale);
        setLocaleInfoHandler(previousInfo);
        setSystemFontHandlers(previousFonts);
    }
};

} // namespace

class tst_mdli18n : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_boxes.reset(new MessageBoxRecorder); }
    void cleanup()
    {
        QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->prompts().join('\n')));
        m_boxes.reset();
    }

    void localeTable()
    {
        QCOMPARE(LcidOf(QLocale(QLocale::English, QLocale::UnitedStates)), 1033u);
        QCOMPARE(LcidOf(QLocale(QLocale::Chinese, QLocale::Taiwan)), 1028u);
        QCOMPARE(LcidOf(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia)), 9242u);
        QCOMPARE(LcidOf(QLocale(QLocale::Serbian, QLocale::CyrillicScript, QLocale::Serbia)),
                 10266u);
        // A country the table lacks takes the language's main identifier.
        QCOMPARE(LcidOf(QLocale(QLocale::French, QLocale::Senegal)), 1036u);
        QCOMPARE(LcidOf(QLocale(QLocale::Hindi, QLocale::India)), 0u);
        QCOMPARE(LcidOf(QLocale::c()), 0u);
        QCOMPARE(GetLocaleInfo(1036, 2), QByteArray()); // only the code page is known
    }

    // The thread's locale (code page 0) or the code page given: the character set, the
    // face, the 9-point floor of the CJK faces, and the questions put to the system.
    void setProperFont_data()
    {
        QTest::addColumn<uint>("lcid");
        QTest::addColumn<QByteArray>("answer"); // the system's code page text; null: the table's
        QTest::addColumn<int>("codePage");
        QTest::addColumn<int>("localCodePage");
        QTest::addColumn<int>("tableCalls");
        QTest::addColumn<int>("charset");
        QTest::addColumn<QString>("face");
        const QString caption = QStringLiteral("Caption Face");
        const auto locale = [&](const char *name, uint lcid, const QByteArray &answer, int local,
                                int calls, int charset, const QString &face) {
            QTest::newRow(name) << lcid << answer << 0 << local << calls << charset << face;
        };
        locale("English, United States", 1033, {}, 1252, 0, 0, caption);
        locale("English, Philippines", 13321, {}, 1252, 0, 0, caption);
        locale("French", 1036, {}, 1252, 1, 0, caption);
        locale("Russian", 1049, {}, 1251, 1, 204, caption);
        locale("Japanese", 1041, {}, 932, 1, 128, QStringLiteral("ＭＳ Ｐゴシック"));
        locale("Thai", 1054, {}, 874, 1, 1, caption);
        locale("Vietnamese", 1066, {}, 1258, 1, 1, caption);
        locale("no locale", 0, {}, 0, 1, 1, caption);
        // Answers that are no number, one too long for the buffer, which stays empty.
        locale("empty answer", 1036, "", 0, 1, 1, caption);
        locale("answer not a number", 1036, "ansi", 0, 1, 1, caption);
        locale("answer too long", 1036, QByteArray(16, '7'), 0, 1, 1, caption);
        const QList<std::tuple<int, int, QString>> given{
            {1250, 238, caption}, {1253, 161, caption}, {1254, 162, caption},
            {1255, 177, caption}, {1256, 178, caption}, {1257, 186, caption},
            {936, 134, "宋体"},   {949, 129, "굴림"},   {950, 136, "新細明體"}};
        for (const auto &[codePage, charset, face] : given)
            QTest::addRow("code page %d", codePage)
                << 1033u << QByteArray() << codePage << 1252 << 0 << charset << face;
    }
    void setProperFont()
    {
        QFETCH(uint, lcid);
        QFETCH(QByteArray, answer);
        QFETCH(int, codePage);
        QFETCH(int, localCodePage);
        QFETCH(int, tableCalls);
        QFETCH(int, charset);
        QFETCH(QString, face);
        FakeSystem system;
        system.lcid = lcid;
        system.codePageText = answer;
        QCOMPARE(mdli18n::LocalCodePage(), localCodePage);
        QCOMPARE(system.localeInfoCalls, tableCalls);
        const bool cjk = charset >= 128 && charset <= 136;
        for (double size : {8.25, 12.0}) {
            QLineEdit box;
            StdFont font(&box);
            font.setSize(size);
            font.setCharset(2); // none of the table's
            system.fontCalls = 0;
            mdli18n::SetProperFont(font, codePage, 1);
            QCOMPARE(font.Charset(), charset);
            QCOMPARE(font.Name(), face);
            QCOMPARE(system.fontCalls, cjk ? 0 : 1);
            QCOMPARE(font.Size(), cjk ? std::max(size, 9.0) : size);
        }
        // A failing conversion is reported each time the code page is asked for.
        const QString trap =
            QStringLiteral("(OrvFields.mdli18n.LocalCodePage) Error 13 : Type mismatch Line 3");
        QCOMPARE(m_boxes->prompts(), QStringList(answer.isNull() ? 0 : 3, trap));
        m_boxes->boxes.clear();
    }

    void systemFontKinds()
    {
        FakeSystem system;
        const QStringList faces{"Caption Face", "Message Face", "Menu Face",         "Icon Face",
                                "Status Face",  "Menu Face",    "Small Caption Face"};
        for (int kind = 1; kind <= 7; ++kind)
            QCOMPARE(mdli18n::SystemFont(kind), faces[kind - 1]);
        for (int kind : {0, 9, -1})
            QCOMPARE(mdli18n::SystemFont(kind), QStringLiteral("Caption Face"));

        // A face filling the whole field, without its NUL, comes back whole.
        const char *whole = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
        std::copy_n(whole, 32, system.caption.begin());
        QCOMPARE(mdli18n::SystemFont(1), QString::fromLatin1(whole));

        // No answer from the system is no face, and no error.
        system.fontsGiven = false;
        QCOMPARE(mdli18n::SystemFont(1), QString());
        QCOMPARE(mdli18n::SystemFont(4), QString());
        QLineEdit box;
        StdFont font(&box);
        mdli18n::SetProperFont(font, 1251, 1);
        QCOMPARE(font.Charset(), int(RUSSIAN_CHARSET));
    }

    void faceNamesAreStoredAsTheSystemStoresThem()
    {
        // The local 8-bit encoding of the tests is UTF-8 (LC_ALL=C.UTF-8).
        QCOMPARE(QByteArray(FaceNameOf(QString(40, u'x')).data(), 32), QByteArray(31, 'x') + '\0');
        // A character that does not fit whole is left out, not cut.
        const QString accented = QString(30, u'a') + QStringLiteral("é");
        QCOMPARE(QByteArray(FaceNameOf(accented).data()), QByteArray(30, 'a'));
        QCOMPARE(QByteArray(FaceNameOf(QStringLiteral("Tahoma é")).data()), QByteArray("Tahoma é"));
    }

private:
    std::unique_ptr<MessageBoxRecorder> m_boxes;
};

QTEST_MAIN(tst_mdli18n)
#include "tst_mdli18n.moc"
