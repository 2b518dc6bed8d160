// Code page and fonts: the locale table, the code page of the thread's locale, the
// system font faces and the fonts they give a text box. The locale and the system
// fonts are injected, and every question put to them is counted.

#include "Locale.h"
#include "MessageBoxRecorder.h"
#include "StdFont.h"
#include "SystemFonts.h"
#include "mdli18n.h"

#include <QLineEdit>
#include <QTest>

using namespace Platform;

namespace {

// A system with a face of its own for every font kind, counting the questions.
struct FakeSystem
{
    Lcid lcid = 1033;
    QByteArray codePageText; // empty: the table's answer
    int localeInfoCalls = 0;
    int fontCalls = 0;
    bool fontsGiven = true;
    QByteArray captionBytes = "Caption Face";

    FakeSystem()
    {
        m_locale = setThreadLocaleHandler([this] { return lcid; });
        m_info = setLocaleInfoHandler([this](Lcid id, int item) {
            ++localeInfoCalls;
            return codePageText.isNull() ? m_info(id, item) : codePageText;
        });
        SystemFontHandlers fonts;
        fonts.nonClientMetrics = [this](NonClientMetrics &m) {
            ++fontCalls;
            if (!fontsGiven || m.cbSize != NonClientMetricsSize)
                return false;
            std::copy_n(captionBytes.constData(), std::min<qsizetype>(captionBytes.size(), 32),
                        m.lfCaptionFont.lfFaceName.begin());
            m.lfSmCaptionFont.lfFaceName = FaceNameOf(QStringLiteral("Small Caption Face"));
            m.lfMenuFont.lfFaceName = FaceNameOf(QStringLiteral("Menu Face"));
            m.lfStatusFont.lfFaceName = FaceNameOf(QStringLiteral("Status Face"));
            m.lfMessageFont.lfFaceName = FaceNameOf(QStringLiteral("Message Face"));
            return true;
        };
        fonts.iconTitleFont = [this](LogFont &f) {
            ++fontCalls;
            f.lfFaceName = FaceNameOf(QStringLiteral("Icon Face"));
            return fontsGiven;
        };
        m_fonts = setSystemFontHandlers(fonts);
    }
    ~FakeSystem()
    {
        setThreadLocaleHandler(m_locale);
        setLocaleInfoHandler(m_info);
        setSystemFontHandlers(m_fonts);
    }

private:
    ThreadLocaleHandler m_locale;
    LocaleInfoHandler m_info;
    SystemFontHandlers m_fonts;
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
        QCOMPARE(LcidOf(QLocale(QLocale::French, QLocale::France)), 1036u);
        QCOMPARE(LcidOf(QLocale(QLocale::Chinese, QLocale::Taiwan)), 1028u);
        QCOMPARE(LcidOf(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia)), 9242u);
        QCOMPARE(LcidOf(QLocale(QLocale::Serbian, QLocale::CyrillicScript, QLocale::Serbia)),
                 10266u);
        // A country the table lacks takes the language's main identifier.
        QCOMPARE(LcidOf(QLocale(QLocale::French, QLocale::Senegal)), 1036u);
        QCOMPARE(LcidOf(QLocale(QLocale::Hindi, QLocale::India)), 0u);
        QCOMPARE(LcidOf(QLocale::c()), 0u);

        QCOMPARE(GetLocaleInfo(1049, LOCALE_IDEFAULTANSICODEPAGE), QByteArray("1251"));
        QCOMPARE(GetLocaleInfo(0, LOCALE_IDEFAULTANSICODEPAGE), QByteArray("0"));
        QCOMPARE(GetLocaleInfo(1036, 2), QByteArray());
    }

    void localCodePage_data()
    {
        QTest::addColumn<uint>("lcid");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<int>("tableCalls");
        QTest::newRow("English, United States") << 1033u << 1252 << 0;
        QTest::newRow("English, Philippines") << 13321u << 1252 << 0;
        QTest::newRow("French") << 1036u << 1252 << 1;
        QTest::newRow("Russian") << 1049u << 1251 << 1;
        QTest::newRow("Japanese") << 1041u << 932 << 1;
        QTest::newRow("Thai") << 1054u << 874 << 1;
        QTest::newRow("none") << 0u << 0 << 1;
    }
    void localCodePage()
    {
        QFETCH(uint, lcid);
        QFETCH(int, codePage);
        QFETCH(int, tableCalls);
        FakeSystem system;
        system.lcid = lcid;
        QCOMPARE(mdli18n::LocalCodePage(), codePage);
        QCOMPARE(system.localeInfoCalls, tableCalls);
    }

    void codePageThatIsNoNumber()
    {
        FakeSystem system;
        system.lcid = 1036;
        QLineEdit box;
        StdFont font(&box);
        for (const QByteArray &text : {QByteArray(""), QByteArray("ansi")}) {
            system.codePageText = text;
            m_boxes->boxes.clear();
            QCOMPARE(mdli18n::LocalCodePage(), 0);
            QCOMPARE(m_boxes->prompts(), QStringList{"(OrvFields.mdli18n.LocalCodePage) Error 13 "
                                                     ": Type mismatch Line 3"});
            QCOMPARE(m_boxes->boxes.first().style, 0);
            // The font then takes code page 0.
            font.setCharset(ANSI_CHARSET);
            mdli18n::SetProperFont(font, 0, 1);
            QCOMPARE(font.Charset(), int(DEFAULT_CHARSET));
            QCOMPARE(font.Name(), QStringLiteral("Caption Face"));
        }
        m_boxes->boxes.clear();
        // An answer longer than the buffer is no answer at all.
        system.codePageText = QByteArray(16, '7');
        QCOMPARE(mdli18n::LocalCodePage(), 0);
        QCOMPARE(m_boxes->boxes.size(), 1);
        m_boxes->boxes.clear();
    }

    void setProperFont_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<int>("charset");
        QTest::addColumn<QString>("face");
        const QString caption = QStringLiteral("Caption Face");
        QTest::newRow("1250") << 1250 << 238 << caption;
        QTest::newRow("1251") << 1251 << 204 << caption;
        QTest::newRow("1252") << 1252 << 0 << caption;
        QTest::newRow("1253") << 1253 << 161 << caption;
        QTest::newRow("1254") << 1254 << 162 << caption;
        QTest::newRow("1255") << 1255 << 177 << caption;
        QTest::newRow("1256") << 1256 << 178 << caption;
        QTest::newRow("1257") << 1257 << 186 << caption;
        QTest::newRow("874") << 874 << 1 << caption;
        QTest::newRow("1258") << 1258 << 1 << caption;
        QTest::newRow("932") << 932 << 128 << QStringLiteral("ＭＳ Ｐゴシック");
        QTest::newRow("936") << 936 << 134 << QStringLiteral("宋体");
        QTest::newRow("949") << 949 << 129 << QStringLiteral("굴림");
        QTest::newRow("950") << 950 << 136 << QStringLiteral("新細明體");
    }
    void setProperFont()
    {
        QFETCH(int, codePage);
        QFETCH(int, charset);
        QFETCH(QString, face);
        FakeSystem system;
        const bool cjk = charset >= 128 && charset <= 136;
        for (double size : {8.25, 12.0}) {
            QLineEdit box;
            StdFont font(&box);
            font.setSize(size);
            system.fontCalls = 0;
            mdli18n::SetProperFont(font, codePage, 1);
            QCOMPARE(font.Charset(), charset);
            QCOMPARE(font.Name(), face);
            QCOMPARE(system.fontCalls, cjk ? 0 : 1);
            // 9 points is a floor for the CJK faces; other sizes stay.
            QCOMPARE(font.Size(), cjk ? std::max(size, 9.0) : size);
        }
        QCOMPARE(system.localeInfoCalls, 0);
    }

    void setProperFontAsksTheLocaleForCodePage0()
    {
        FakeSystem system;
        system.lcid = 1041;
        QLineEdit box;
        StdFont font(&box);
        mdli18n::SetProperFont(font, 0, 1);
        QCOMPARE(font.Charset(), int(SHIFTJIS_CHARSET));
        QCOMPARE(system.localeInfoCalls, 1);
        QCOMPARE(system.fontCalls, 0);
        system.lcid = 1033;
        mdli18n::SetProperFont(font, 0, 3);
        QCOMPARE(font.Charset(), int(ANSI_CHARSET));
        QCOMPARE(font.Name(), QStringLiteral("Menu Face"));
    }

    void systemFontKinds()
    {
        FakeSystem system;
        QCOMPARE(mdli18n::SystemFont(1), QStringLiteral("Caption Face"));
        QCOMPARE(mdli18n::SystemFont(2), QStringLiteral("Message Face"));
        QCOMPARE(mdli18n::SystemFont(3), QStringLiteral("Menu Face"));
        QCOMPARE(mdli18n::SystemFont(4), QStringLiteral("Icon Face"));
        QCOMPARE(mdli18n::SystemFont(5), QStringLiteral("Status Face"));
        QCOMPARE(mdli18n::SystemFont(6), mdli18n::SystemFont(3));
        QCOMPARE(mdli18n::SystemFont(7), QStringLiteral("Small Caption Face"));
        QCOMPARE(mdli18n::SystemFont(0), mdli18n::SystemFont(1));
        QCOMPARE(mdli18n::SystemFont(9), mdli18n::SystemFont(1));
        QCOMPARE(mdli18n::SystemFont(-1), mdli18n::SystemFont(1));

        // A face filling the whole field, without its NUL, comes back whole.
        system.captionBytes = QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
        QCOMPARE(mdli18n::SystemFont(1), QString::fromLatin1(system.captionBytes));

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
        const QString long40 = QString(40, u'x');
        FaceName field = FaceNameOf(long40);
        QCOMPARE(QByteArray(field.data(), 32), QByteArray(31, 'x') + '\0');
        // A character that does not fit whole is left out, not cut.
        const QString accented = QString(30, u'a') + QStringLiteral("é");
        field = FaceNameOf(accented);
        QCOMPARE(QByteArray(field.data()), QByteArray(30, 'a'));
        QCOMPARE(QByteArray(FaceNameOf(QStringLiteral("Tahoma é")).data()), QByteArray("Tahoma é"));
    }

private:
    std::unique_ptr<MessageBoxRecorder> m_boxes;
};

QTEST_MAIN(tst_mdli18n)
#include "tst_mdli18n.moc"
