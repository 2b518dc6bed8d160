// SPDX-License-Identifier: Apache-2.0
// The text tables (built-in texts, language switching, the language-file search and
// the language-file format), then code page and fonts: the code page of the thread's
// locale, the system font faces and the fonts they give a text box.
// The locale and the system fonts are injected, and every question put to them is
// counted.

#include "automation/AutomationError.h"
#include "i18n/mdlLanguage.h"
#include "i18n/mdli18n.h"
#include "languagestore/LanguageStore.h"
#include "platform/Locale.h"
#include "platform/ModuleFolder.h"
#include "platform/SystemFonts.h"
#include "platform/Toolkit.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Platform;
using Support::q;
using Support::u;
using Support::writeFile;
using TextStore::LanguageStore;

namespace {

QByteArray languageFile(const char *language, const char *pluginName)
{
    return QByteArray("OrvaneLanguage 1\nApplication = OrvFields\nLanguage = ") + language +
           "\n[Texts]\nPluginName = " + pluginName + "\n";
}

// A system with a face of its own for every font kind, counting the questions.
struct FakeSystem
{
    Lcid lcid = 1033;
    std::optional<std::string> codePageText; // none: the table's answer
    int localeInfoCalls = 0;
    int fontCalls = 0;
    bool fontsGiven = true;
    FaceName caption = FaceNameOf(u"Caption Face");

    ThreadLocaleHandler previousLocale = setThreadLocaleHandler([this] { return lcid; });
    LocaleInfoHandler previousInfo = setLocaleInfoHandler([this](Lcid id, int item) {
        ++localeInfoCalls;
        return codePageText ? *codePageText : SystemLocaleInfo(id, item);
    });
    SystemFontHandlers previousFonts =
        setSystemFontHandlers({[this](NonClientMetrics &m) {
                                   ++fontCalls;
                                   m.lfCaptionFont.lfFaceName = caption;
                                   m.lfSmCaptionFont.lfFaceName = FaceNameOf(u"Small Caption Face");
                                   m.lfMenuFont.lfFaceName = FaceNameOf(u"Menu Face");
                                   m.lfStatusFont.lfFaceName = FaceNameOf(u"Status Face");
                                   m.lfMessageFont.lfFaceName = FaceNameOf(u"Message Face");
                                   return fontsGiven && m.cbSize == NonClientMetricsSize;
                               },
                               [this](LogFont &f) {
                                   ++fontCalls;
                                   f.lfFaceName = FaceNameOf(u"Icon Face");
                                   return fontsGiven;
                               }});

    ~FakeSystem()
    {
        setThreadLocaleHandler(previousLocale);
        setLocaleInfoHandler(previousInfo);
        setSystemFontHandlers(previousFonts);
    }
};

// A text box's font as the toolkit keeps it: what was set reads back.
struct BoxFont : Font
{
    std::u16string face;
    double points = 8.25;
    int set = DEFAULT_CHARSET;

    std::u16string name() const override { return face; }
    void setName(const std::u16string &value) override { face = value; }
    double size() const override { return points; }
    void setSize(double value) override { points = value; }
    int charset() const override { return set; }
    void setCharset(int value) override { set = value; }
};

} // namespace

class tst_I18n : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        Platform::setModuleFolder(u(m_dir->path()));
        m_boxes.reset(new MessageBoxRecorder);
    }
    void cleanup()
    {
        QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->takePrompts().join('\n')));
        m_boxes.reset();
    }

    // ---- text tables and language files

    // The files a search files, by the plug-in names they hold, in a folder with
    // files of both namings, of other applications and one in the Language folder.
    void search_data()
    {
        QTest::addColumn<QString>("folder"); // below the module folder
        QTest::addColumn<bool>("shortNaming");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("filed"); // "" when the search fails
        const auto row = [](const char *tag, bool shortNaming, const char *extension,
                            const char *language, const char *prefix, const char *filed,
                            const char *folder = ".") {
            QTest::newRow(tag) << QString::fromLatin1(folder) << shortNaming
                               << QString::fromLatin1(extension) << QString::fromLatin1(language)
                               << QString::fromLatin1(prefix) << QString::fromUtf8(filed);
        };
        row("short, any language", true, "", "", "", "english=Fields (file) french=Champs");
        row("short, one language", true, "", "french", "", "french=Champs");
        row("short, first three letters", true, "", "en", "", "");
        row("short, brackets stand for themselves", true, "", "", "Orv[1]", "french=brackets");
        row("long, any language", false, "", "", "", "french=lng german=Felder");
        row("long, own extension", false, ".txt", "", "", "english=txt");
        row("long, one language", false, "lng", "french", "", "french=lng");
        row("long, no file", false, "", "english", "", "");
        row("no folder: the Language folder", true, "", "", "", "french=sous-dossier", "");
    }
    void search()
    {
        QFETCH(QString, folder);
        QFETCH(bool, shortNaming);
        QFETCH(QString, extension);
        QFETCH(QString, language);
        QFETCH(QString, prefix);
        QFETCH(QString, filed);
        mdlLanguage::LoadLanguage();
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Language")));
        const std::pair<const char *, QByteArray> files[]{
            {"OrvFields.fre", languageFile("french", "Champs")},
            {"ORVFIELDS.ENG", languageFile("english", "Fields (file)")},
            {"Other.fre", languageFile("french", "other")},
            {"Orv1.fre", languageFile("french", "digit")},
            {"Orv[1].fre", languageFile("french", "brackets")},
            {"OrvFields_german.lng", languageFile("german", "Felder")},
            {"OrvFields_french.lng", languageFile("french", "lng")},
            {"OrvFields_english.txt", languageFile("english", "txt")},
            {"Language/OrvFields.fre", languageFile("french", "sous-dossier")}};
        for (const auto &[name, content] : files)
            writeFile(m_dir->filePath(QLatin1String(name)), content);

        mdlLanguage::Store()->Clear();
        std::u16string ext = u(extension), lang = u(language);
        const bool found = mdlLanguage::LoadLanguageFile(
            u"OrvFields", u(prefix), u(folder.isEmpty() ? folder : m_dir->path()), shortNaming, ext,
            lang);
        QStringList texts;
        for (const char *name : {"english", "french", "german"}) {
            const std::u16string text =
                mdlLanguage::Store()->Entry(u"PluginName", u"OrvFields", u(name));
            if (!text.empty())
                texts.append(name + QStringLiteral("=") + q(text));
        }
        QCOMPARE(found ? texts.join(u' ') : QString(), filed);
        QCOMPARE(found, !filed.isEmpty());
        QVERIFY(!ext.starts_with(u'.')); // the caller's variable loses the point
    }

    void languageFilesReplaceTheBuiltInTables()
    {
        // Files of other kinds named alike are passed over, without a message.
        writeFile(m_dir->filePath("OrvFields.so"), QByteArray("\177ELF\2\1\1", 7));
        writeFile(m_dir->filePath("OrvFields.readme"), "Some notes\n");
        writeFile(m_dir->filePath("OrvFields.fre"), languageFile("french", "Champs du fichier"));
        mdlLanguage::LoadLanguage();
        QCOMPARE(mdlLanguage::GetText(u"PluginName"), u"Champs du fichier");
        QCOMPARE(mdlLanguage::GetText(u"WinMainApply"), u""); // not in the file
    }

    void aDamagedFileFallsBackOnTheBuiltInTables()
    {
        const QString path =
            writeFile(m_dir->filePath("OrvFields.eng"),
                      "OrvaneLanguage 1\nApplication = OrvFields\nLanguage = english\n[Texts]\n"
                      "PluginName = Broken\nthis line has no equals sign\n");
        mdlLanguage::LoadLanguage();
        const QStringList prompts = m_boxes->takePrompts();
        QCOMPARE(prompts.size(), 1);
        QVERIFY2(prompts[0].startsWith("(ZQTAL07.mdlLanguage.LoadLanguageFile)Error 321 : ") &&
                     prompts[0].contains(path + ", line 6: expected Key = Text") &&
                     prompts[0].endsWith(" Line 6"),
                 qPrintable(prompts[0]));
        mdlLanguage::SetLanguage(u"english");
        QCOMPARE(mdlLanguage::GetText(u"PluginName"), u"PDF fields");
    }

    void translationFilesMatchTheBuiltInTables_data()
    {
        QTest::addColumn<QString>("language"); // its file: OrvFields.eng, OrvFields.fre
        QTest::newRow("english") << QStringLiteral("english");
        QTest::newRow("french") << QStringLiteral("french");
    }
    void translationFilesMatchTheBuiltInTables()
    {
        QFETCH(QString, language);
        const QString file = "OrvFields." + language.left(3);
        // Both stores write the same sorted file when they hold the same texts.
        auto saved = [&](const LanguageStore &store) {
            const QString path = m_dir->filePath("saved");
            store.SaveFile(u(path), u(language));
            return Support::bytes(path);
        };
        mdlLanguage::LoadLanguage();
        const QByteArray builtIn = saved(*mdlLanguage::Store());
        QCOMPARE(builtIn.count(" = "), 23 + 2); // the texts and the two header lines

        LanguageStore fromFile;
        fromFile.Initialize(u"OrvFields", u(language));
        fromFile.LoadFile(u(TRANSLATIONS_DIR "/" + file));
        QCOMPARE(saved(fromFile), builtIn);
    }

    void fileFormat()
    {
        LanguageStore store;
        store.Initialize(u"OrvFields", u"french");
        store.LoadFile(
            u(writeFile(m_dir->filePath("texts"),
                        "\xEF\xBB\xBFOrvaneLanguage 1\r\n# comment\r\nApplication = OrvFields\r\n"
                        "Language = English\r\n\r\n[Texts]\r\n"
                        "Two = first\\r\\nsecond\r\nPadded = \\sboth ends\\s\r\n"
                        "Slash = a\\\\b = c\r\nAccent = Définir\r\n")));
        store.setLanguage(u"english"); // language names ignore letter case
        const QStringList keys{"Two", "Padded", "Slash", "Accent"};
        QStringList texts;
        for (const QString &key : keys)
            texts.append(q(store.Entry(u(key), u"OrvFields", {})));
        QCOMPARE(texts, (QStringList{"first\r\nsecond", " both ends ", "a\\b = c", "Définir"}));

        // What SaveFile writes reads back the same.
        const std::u16string copy = u(m_dir->filePath("copy"));
        store.SaveFile(copy, u"english");
        LanguageStore again;
        again.Initialize(u"OrvFields", u"english");
        again.LoadFile(copy);
        for (const QString &key : keys)
            QCOMPARE(again.Entry(u(key), u"OrvFields", {}), store.Entry(u(key), u"OrvFields", {}));
    }

    void fileFormatErrors_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("signature") << QByteArray("[Texts]\nA = b\n") << "line 1: the first line";
        QTest::newRow("no header")
            << QByteArray("OrvaneLanguage 1\n[Texts]\n") << "line 2: [Texts] comes before";
        QTest::newRow("escape")
            << QByteArray("OrvaneLanguage 1\nApplication=A\nLanguage=b\n[Texts]\nK = \\q\n")
            << "line 5: unknown escape \\q";
        QTest::newRow("no texts") << QByteArray("OrvaneLanguage 1\nApplication=A\nLanguage=b\n")
                                  << "the file has no [Texts] section";
        QTest::newRow("not utf-8")
            << QByteArray("OrvaneLanguage 1\nApplication=A\nLanguage=\xE9\n[Texts]\n")
            << "not UTF-8";
    }
    void fileFormatErrors()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const QString path = writeFile(m_dir->filePath("bad"), content);
        LanguageStore store;
        const QString error = Support::failure([&] { store.LoadFile(u(path)); });
        QVERIFY2(error.startsWith("321 ") && error.contains(path) && error.contains(reason),
                 qPrintable(error));
        QCOMPARE(Support::errorOf([&] { store.LoadFile(u(m_dir->filePath("missing"))); }), 53);
    }

    // ---- code page and fonts

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
        // No number: an empty answer, and one too long for the buffer, which stays empty.
        locale("empty answer", 1036, "", 0, 1, 1, caption);
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
        if (!answer.isNull())
            system.codePageText = answer.toStdString();
        QCOMPARE(mdli18n::LocalCodePage(), localCodePage);
        QCOMPARE(system.localeInfoCalls, tableCalls);
        const bool cjk = charset >= 128 && charset <= 136;
        for (double size : {8.25, 12.0}) {
            BoxFont font;
            font.points = size;
            font.set = 2; // none of the table's
            system.fontCalls = 0;
            mdli18n::SetProperFont(font, codePage, 1);
            QCOMPARE(font.set, charset);
            QCOMPARE(q(font.face), face);
            QCOMPARE(system.fontCalls, cjk ? 0 : 1);
            QCOMPARE(font.points, cjk ? std::max(size, 9.0) : size);
        }
        // A failing conversion is reported each time the code page is asked for.
        const QString trap =
            QStringLiteral("(OrvFields.mdli18n.LocalCodePage) Error 13 : Type mismatch Line 3");
        QCOMPARE(m_boxes->takePrompts(), QStringList(answer.isNull() ? 0 : 3, trap));
    }

    void systemFontKinds()
    {
        FakeSystem system;
        const QStringList faces{"Caption Face", "Message Face", "Menu Face",         "Icon Face",
                                "Status Face",  "Menu Face",    "Small Caption Face"};
        for (int kind = 1; kind <= 7; ++kind)
            QCOMPARE(q(mdli18n::SystemFont(kind)), faces[kind - 1]);
        for (int kind : {0, 9, -1})
            QCOMPARE(mdli18n::SystemFont(kind), u"Caption Face");

        // A face filling the whole field, without its NUL, comes back whole.
        const char *whole = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
        std::copy_n(whole, 32, system.caption.begin());
        QCOMPARE(q(mdli18n::SystemFont(1)), QString::fromLatin1(whole));

        // No answer from the system is no face, and no error.
        system.fontsGiven = false;
        QCOMPARE(mdli18n::SystemFont(1), u"");
        QCOMPARE(mdli18n::SystemFont(4), u"");
        BoxFont font;
        mdli18n::SetProperFont(font, 1251, 1);
        QCOMPARE(font.set, int(RUSSIAN_CHARSET));
    }

    void faceNamesAreStoredAsTheSystemStoresThem()
    {
        // The local 8-bit encoding of the tests is UTF-8 (LC_ALL=C.UTF-8).
        QCOMPARE(QByteArray(FaceNameOf(std::u16string(40, u'x')).data(), 32),
                 QByteArray(31, 'x') + '\0');
        // A character that does not fit whole is left out, not cut.
        QCOMPARE(QByteArray(FaceNameOf(std::u16string(30, u'a') + u"é").data()),
                 QByteArray(30, 'a'));
        QCOMPARE(QByteArray(FaceNameOf(u"Tahoma é").data()), QByteArray("Tahoma é"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
};

QTEST_MAIN(tst_I18n)
#include "tst_i18n.moc"
