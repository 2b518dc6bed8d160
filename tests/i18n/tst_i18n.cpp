// SPDX-License-Identifier: Apache-2.0
// The text tables (built-in texts, the language-file search and the language-file format),
// then code page and fonts: the code page of the thread's locale, the system font faces and
// the fonts they give a text box. The locale and the system fonts are injected, and every
// question put to them is counted.

#include "i18n/mdlLanguage.h"
#include "i18n/mdli18n.h"
#include "languagestore/LanguageStore.h"
#include "platform/Locale.h"
#include "platform/ModuleFolder.h"
#include "platform/SystemFonts.h"
#include "platform/Toolkit.h"
#include "support/Boxes.h"
#include "support/Doctest.h"
#include "support/Files.h"
#include "support/Platform.h"

#include <algorithm>
#include <optional>

using namespace Platform;
using Support::u16;
using Support::utf8;
using TextStore::LanguageStore;

namespace {

std::string languageFile(const std::string &language, const std::string &pluginName)
{
    return "OrvaneLanguage 1\nApplication = OrvFields\nLanguage = " + language +
           "\n[Texts]\nPluginName = " + pluginName + "\n";
}

// The module folder of the component, where its language files are; no message box is
// left unchecked.
struct ModuleFolder
{
    ModuleFolder() { setModuleFolder(path(dir.path())); }
    ~ModuleFolder()
    {
        setModuleFolder({});
        CHECK(boxes.take() == std::vector<std::string>());
    }
    static std::u16string path(const Support::fs::path &file) { return file.u16string(); }

    Support::TempFolder dir;
    Boxes boxes;
};

// A system with a face of its own for every font kind, counting the questions.
struct FakeSystem
{
    Lcid lcid = 1033;
    std::optional<std::string> codePageText; // none: the platform's answer
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

} // namespace

// The files a search files, by the plug-in names they hold, in a folder with files of
// both namings, of other applications and one in the Language folder.
TEST_CASE_FIXTURE(ModuleFolder, "the language-file search")
{
    const struct
    {
        const char *name;
        bool shortNaming;
        std::u16string extension, language, prefix;
        std::string filed; // "" when the search fails
        bool inLanguageFolder = false;
    } rows[] = {
        {"short, any language", true, u"", u"", u"", "english=Fields (file) french=Champs"},
        {"short, one language", true, u"", u"french", u"", "french=Champs"},
        {"short, first three letters", true, u"", u"en", u"", ""},
        {"short, brackets stand for themselves", true, u"", u"", u"Orv[1]", "french=brackets"},
        {"long, any language", false, u"", u"", u"", "french=lng german=Felder"},
        {"long, own extension", false, u".txt", u"", u"", "english=txt"},
        {"long, one language", false, u"lng", u"french", u"", "french=lng"},
        {"long, no file", false, u"", u"english", u"", ""},
        {"no folder: the Language folder", true, u"", u"", u"", "french=sous-dossier", true},
    };
    mdlLanguage::LoadLanguage();
    Support::fs::create_directory(dir / "Language");
    for (const auto &[name, content] :
         {std::pair("OrvFields.fre", languageFile("french", "Champs")),
          {"ORVFIELDS.ENG", languageFile("english", "Fields (file)")},
          {"Other.fre", languageFile("french", "other")},
          {"Orv1.fre", languageFile("french", "digit")},
          {"Orv[1].fre", languageFile("french", "brackets")},
          {"OrvFields_german.lng", languageFile("german", "Felder")},
          {"OrvFields_french.lng", languageFile("french", "lng")},
          {"OrvFields_english.txt", languageFile("english", "txt")},
          {"Language/OrvFields.fre", languageFile("french", "sous-dossier")}})
        Support::writeFile(dir / name, content);
    for (const auto &row : rows) {
        CAPTURE(row.name);
        mdlLanguage::Store()->Clear();
        bool shortNaming = row.shortNaming;
        std::u16string extension = row.extension, language = row.language;
        const bool found = mdlLanguage::LoadLanguageFile(
            u"OrvFields", row.prefix, row.inLanguageFolder ? u"" : path(dir.path()), shortNaming,
            extension, language);
        std::string texts;
        for (const char16_t *name : {u"english", u"french", u"german"}) {
            const std::u16string text =
                mdlLanguage::Store()->Entry(u"PluginName", u"OrvFields", name);
            if (!text.empty())
                texts += (texts.empty() ? "" : " ") + utf8(name) + '=' + utf8(text);
        }
        CHECK((found ? texts : "") == row.filed);
        CHECK(found == !row.filed.empty());
        CHECK(!extension.starts_with(u'.')); // the caller's variable loses the point
    }
}

TEST_CASE_FIXTURE(ModuleFolder, "a language file replaces the built-in tables; a damaged one "
                                "falls back on them")
{
    // Files of other kinds named alike are passed over, without a message.
    Support::writeFile(dir / "OrvFields.dll", std::string("MZ\x90\0\3\0\0\0", 8));
    Support::writeFile(dir / "OrvFields.readme", "Some notes\n");
    Support::writeFile(dir / "OrvFields.fre", languageFile("french", "Champs du fichier"));
    mdlLanguage::LoadLanguage();
    CHECK(mdlLanguage::GetText(u"PluginName") == u"Champs du fichier");
    CHECK(mdlLanguage::GetText(u"WinMainApply") == u""); // not in the file

    const std::string damaged = utf8(path(Support::writeFile(
        dir / "OrvFields.eng", languageFile("english", "Broken") + "this line has no equals\n")));
    mdlLanguage::LoadLanguage();
    const std::vector<std::u16string> prompts = boxes.takePrompts();
    REQUIRE(prompts.size() == 1);
    const std::string prompt = utf8(prompts[0]);
    CHECK(prompt.starts_with("(ZQTAL07.mdlLanguage.LoadLanguageFile)Error 321 : "));
    CHECK(prompt.find(damaged + ", line 6: expected Key = Text") != std::string::npos);
    CHECK(prompt.ends_with(" Line 6"));
    mdlLanguage::SetLanguage(u"english");
    CHECK(mdlLanguage::GetText(u"PluginName") == u"PDF fields");
}

TEST_CASE_FIXTURE(ModuleFolder, "the translation files hold the built-in texts")
{
    // Both stores write the same sorted file when they hold the same texts.
    const auto saved = [&](const LanguageStore &store, const std::u16string &language) {
        store.SaveFile(path(dir / "saved"), language);
        return Support::readFile(dir / "saved");
    };
    mdlLanguage::LoadLanguage();
    for (const std::string language : {"english", "french"}) {
        CAPTURE(language);
        const std::string builtIn = saved(*mdlLanguage::Store(), u16(language));
        // The texts and the two header lines.
        CHECK(std::count(builtIn.begin(), builtIn.end(), '=') == 23 + 2);
        LanguageStore fromFile;
        fromFile.Initialize(u"OrvFields", u16(language));
        fromFile.LoadFile(
            path(Support::fs::u8path(TRANSLATIONS_DIR "/OrvFields." + language.substr(0, 3))));
        CHECK(saved(fromFile, u16(language)) == builtIn);
    }
}

TEST_CASE_FIXTURE(ModuleFolder, "the language-file format")
{
    LanguageStore store;
    store.Initialize(u"OrvFields", u"french");
    store.LoadFile(path(Support::writeFile(
        dir / "texts", "\xEF\xBB\xBFOrvaneLanguage 1\r\n# comment\r\nApplication = OrvFields\r\n"
                       "Language = English\r\n\r\n[Texts]\r\n"
                       "Two = first\\r\\nsecond\r\nPadded = \\sboth ends\\s\r\n"
                       "Slash = a\\\\b = c\r\nAccent = Définir\r\n")));
    store.setLanguage(u"english"); // language names ignore letter case
    const std::u16string keys[] = {u"Two", u"Padded", u"Slash", u"Accent"};
    const std::u16string texts[] = {u"first\r\nsecond", u" both ends ", u"a\\b = c", u"Définir"};
    // What SaveFile writes reads back the same.
    store.SaveFile(path(dir / "copy"), u"english");
    LanguageStore again;
    again.Initialize(u"OrvFields", u"english");
    again.LoadFile(path(dir / "copy"));
    for (int i = 0; i < 4; ++i) {
        CHECK(store.Entry(keys[i], u"OrvFields", {}) == texts[i]);
        CHECK(again.Entry(keys[i], u"OrvFields", {}) == texts[i]);
    }

    const std::pair<std::string, std::string> errors[] = {
        {"[Texts]\nA = b\n", "line 1: the first line"},
        {"OrvaneLanguage 1\n[Texts]\n", "line 2: [Texts] comes before"},
        {"OrvaneLanguage 1\nApplication=A\nLanguage=b\n[Texts]\nK = \\q\n",
         "line 5: unknown escape \\q"},
        {"OrvaneLanguage 1\nApplication=A\nLanguage=b\n", "the file has no [Texts] section"},
        {"OrvaneLanguage 1\nApplication=A\nLanguage=\xE9\n[Texts]\n", "not UTF-8"},
    };
    for (const auto &[content, reason] : errors) {
        CAPTURE(reason);
        const std::u16string bad = path(Support::writeFile(dir / "bad", content));
        const std::string error = Support::failure([&] { store.LoadFile(bad); });
        CHECK(error.starts_with("321 "));
        CHECK(error.find(utf8(bad)) != std::string::npos);
        CHECK(error.find(reason) != std::string::npos);
    }
    CHECK(Support::errorOf([&] { store.LoadFile(path(dir / "missing")); }) == 53);
}

// The thread's locale (code page 0) or the code page given: the character set, the face,
// the 9-point floor of the CJK faces, and the questions put to the system.
TEST_CASE_FIXTURE(ModuleFolder, "the code page gives a text box its character set and face")
{
    const std::u16string caption = u"Caption Face";
    // The code page of the tests' locale is 1252 under wine.
    const int zero = Support::codePageOfLocaleZero();
    REQUIRE((zero == 0 || zero == 1252));
    const struct
    {
        Lcid lcid;
        std::optional<std::string> answer; // the system's code page text; none: the platform's
        int codePage, localCodePage, tableCalls, charset;
        std::u16string face;
    } rows[] = {
        {1033, {}, 0, 1252, 0, 0, caption},  // English, United States
        {13321, {}, 0, 1252, 0, 0, caption}, // English, Philippines
        {1036, {}, 0, 1252, 1, 0, caption},  // French
        {1049, {}, 0, 1251, 1, 204, caption},
        {1041, {}, 0, 932, 1, 128, u"ＭＳ Ｐゴシック"},
        {1054, {}, 0, 874, 1, 1, caption},          // Thai
        {1066, {}, 0, 1258, 1, 1, caption},         // Vietnamese
        {0, {}, 0, zero, 1, zero ? 0 : 1, caption}, // no locale
        // No number: an empty answer, and one too long for the buffer, which stays empty.
        {1036, "", 0, 0, 1, 1, caption},
        {1036, std::string(16, '7'), 0, 0, 1, 1, caption},
        {1033, {}, 1250, 1252, 0, 238, caption},
        {1033, {}, 1253, 1252, 0, 161, caption},
        {1033, {}, 1254, 1252, 0, 162, caption},
        {1033, {}, 1255, 1252, 0, 177, caption},
        {1033, {}, 1256, 1252, 0, 178, caption},
        {1033, {}, 1257, 1252, 0, 186, caption},
        {1033, {}, 936, 1252, 0, 134, u"宋体"},
        {1033, {}, 949, 1252, 0, 129, u"굴림"},
        {1033, {}, 950, 1252, 0, 136, u"新細明體"},
    };
    const auto form = createForm("form"); // the fonts of a headless text box
    const auto box = createTextBox(*form, "box");
    Font &font = box->font();
    for (const auto &row : rows) {
        CAPTURE(row.lcid);
        CAPTURE(row.codePage);
        FakeSystem system;
        system.lcid = row.lcid;
        system.codePageText = row.answer;
        CHECK(mdli18n::LocalCodePage() == row.localCodePage);
        CHECK(system.localeInfoCalls == row.tableCalls);
        const bool cjk = row.charset >= 128 && row.charset <= 136;
        for (double size : {8.25, 12.0}) {
            font.setSize(size);
            font.setCharset(2); // none of the table's
            system.fontCalls = 0;
            mdli18n::SetProperFont(font, row.codePage, 1);
            CHECK(font.charset() == row.charset);
            CHECK(font.name() == row.face);
            CHECK(system.fontCalls == (cjk ? 0 : 1));
            CHECK(font.size() == (cjk ? std::max(size, 9.0) : size));
        }
        // A failing conversion is reported each time the code page is asked for.
        CHECK(boxes.takePrompts() ==
              std::vector<std::u16string>(row.answer ? 3 : 0, u"(OrvFields.mdli18n.LocalCodePage) "
                                                              u"Error 13 : Type mismatch Line 3"));
    }
}

TEST_CASE("the system's font faces, as the system stores them")
{
    Boxes boxes;
    FakeSystem system;
    const std::u16string faces[] = {u"Caption Face",      u"Message Face", u"Menu Face",
                                    u"Icon Face",         u"Status Face",  u"Menu Face",
                                    u"Small Caption Face"};
    for (int kind = 1; kind <= 7; ++kind)
        CHECK(mdli18n::SystemFont(kind) == faces[kind - 1]);
    for (int kind : {0, 9, -1})
        CHECK(mdli18n::SystemFont(kind) == u"Caption Face");

    // A face filling the whole field, without its NUL, comes back whole.
    const char *whole = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    std::copy_n(whole, 32, system.caption.begin());
    CHECK(utf8(mdli18n::SystemFont(1)) == whole);

    // No answer from the system is no face, and no error.
    system.fontsGiven = false;
    CHECK(mdli18n::SystemFont(1) == u"");
    CHECK(mdli18n::SystemFont(4) == u"");
    const auto form = createForm("form");
    const auto box = createTextBox(*form, "box");
    mdli18n::SetProperFont(box->font(), 1251, 1);
    CHECK(box->font().charset() == RUSSIAN_CHARSET);
    CHECK(boxes.shown.empty());

    // In the system's code page, at most 31 bytes and a NUL; a character that does not fit
    // whole is left out, not cut.
    const auto stored = [](std::u16string_view face) {
        return std::string(FaceNameOf(face).data());
    };
    CHECK(std::string(FaceNameOf(std::u16string(40, u'x')).data(), 32) ==
          std::string(31, 'x') + '\0');
    const std::size_t accent = ToAnsi(u"é").size();
    CHECK(stored(std::u16string(32 - accent, u'a') + u"é") == std::string(32 - accent, 'a'));
    CHECK(stored(u"Tahoma é") == ToAnsi(u"Tahoma é"));
}
