// SPDX-License-Identifier: Apache-2.0
// The text tables: built-in texts, language switching, the language-file search
// and the language-file format.

#include "automation/AutomationError.h"
#include "i18n/mdlLanguage.h"
#include "languagestore/LanguageStore.h"
#include "platform/ModuleFolder.h"
#include "support/MessageBoxRecorder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using TextStore::LanguageStore;

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray languageFile(const char *language, const char *pluginName)
{
    return QByteArray("OrvaneLanguage 1\nApplication = OrvFields\nLanguage = ") + language +
           "\n[Texts]\nPluginName = " + pluginName + "\n";
}

// Runs LoadLanguageFile on `folder` with the given naming and records what the
// store was handed, by the texts the files filed.
struct Search
{
    bool result;
    QString extension;
};

Search search(const QString &folder, bool shortNaming, QString extension, QString language,
              const QString &prefix = QString())
{
    mdlLanguage::Store()->Clear();
    const bool result = mdlLanguage::LoadLanguageFile(QStringLiteral("OrvFields"), prefix, folder,
                                                      shortNaming, extension, language);
    return {result, extension};
}

QString text(const char *language)
{
    return mdlLanguage::Store()->Entry(QStringLiteral("PluginName"), QStringLiteral("OrvFields"),
                                       QString::fromLatin1(language));
}

} // namespace

class tst_Language : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        Platform::setModuleFolder(m_dir->path());
    }

    void builtInTables()
    {
        MessageBoxRecorder boxes;
        mdlLanguage::LoadLanguage();
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(mdlLanguage::CurrentLanguage(), QStringLiteral("french"));
        QCOMPARE(mdlLanguage::GetText("PluginName"), QStringLiteral("Champs PDF"));
        QCOMPARE(mdlLanguage::GetText("WinMainFieldKeywords"), QStringLiteral("Mots clés"));
        QCOMPARE(mdlLanguage::GetText("ProcessError"), QStringLiteral("Le processus à échoué."));
        QCOMPARE(mdlLanguage::GetText("NoSuchKey"), QString());

        mdlLanguage::SetLanguage(QStringLiteral("english"));
        QCOMPARE(mdlLanguage::GetText("PluginName"), QStringLiteral("PDF fields"));
        QCOMPARE(mdlLanguage::GetText("ProcessFieldNameCantEmpty"),
                 QStringLiteral("The field name can not be empty.\r\n"
                                "If you want delete this field, use the delete button."));
        QCOMPARE(mdlLanguage::GetText("ProcessGet"), QStringLiteral("Getting datas..."));
    }

    void shortNamingSearch()
    {
        mdlLanguage::LoadLanguage();
        const QString folder = m_dir->path();
        writeFile(folder + "/OrvFields.fre", languageFile("french", "Champs (fichier)"));
        writeFile(folder + "/ORVFIELDS.ENG", languageFile("english", "Fields (file)"));
        writeFile(folder + "/OrvFields_german.lng", languageFile("german", "Felder"));
        writeFile(folder + "/Other.fre", languageFile("french", "autre"));

        Search all = search(folder, true, QString(), QString());
        QVERIFY(all.result);
        QCOMPARE(text("french"), QStringLiteral("Champs (fichier)"));
        QCOMPARE(text("english"), QStringLiteral("Fields (file)")); // letter case ignored
        QCOMPARE(text("german"), QString());

        QVERIFY(search(folder, true, QString(), QStringLiteral("french")).result);
        QCOMPARE(text("french"), QStringLiteral("Champs (fichier)"));
        QCOMPARE(text("english"), QString()); // only OrvFields.fre
        QVERIFY(!search(folder, true, QString(), QStringLiteral("en")).result); // OrvFields.en
        QVERIFY(!search(folder, true, QString(), QStringLiteral("spanish")).result);

        // Only "*" is a wildcard: brackets stand for themselves.
        writeFile(folder + "/Orv1.fre", languageFile("french", "digit"));
        writeFile(folder + "/Orv[1].fre", languageFile("french", "brackets"));
        QVERIFY(search(folder, true, QString(), QString(), QStringLiteral("Orv[1]")).result);
        QCOMPARE(text("french"), QStringLiteral("brackets"));
    }

    void longNamingSearchAndExtension()
    {
        mdlLanguage::LoadLanguage();
        const QString folder = m_dir->path();
        writeFile(folder + "/OrvFields_french.lng", languageFile("french", "lng"));
        writeFile(folder + "/OrvFields_english.txt", languageFile("english", "txt"));

        Search lng = search(folder, false, QString(), QString());
        QVERIFY(lng.result);
        QCOMPARE(text("french"), QStringLiteral("lng"));
        QCOMPARE(text("english"), QString());

        Search txt = search(folder, false, QStringLiteral(".txt"), QString());
        QVERIFY(txt.result);
        QCOMPARE(txt.extension, QStringLiteral("txt")); // the caller's variable loses the point
        QCOMPARE(text("english"), QStringLiteral("txt"));

        QVERIFY(search(folder, false, QStringLiteral("lng"), QStringLiteral("french")).result);
        QVERIFY(!search(folder, false, QString(), QStringLiteral("english")).result);
    }

    void emptyFolderMeansTheLanguageFolder()
    {
        mdlLanguage::LoadLanguage();
        QDir(m_dir->path()).mkdir(QStringLiteral("Language"));
        writeFile(m_dir->filePath("Language/OrvFields.fre"),
                  languageFile("french", "sous-dossier"));
        writeFile(m_dir->filePath("OrvFields.fre"), languageFile("french", "dossier"));
        QVERIFY(search(QString(), true, QString(), QString()).result);
        QCOMPARE(text("french"), QStringLiteral("sous-dossier"));
    }

    void filesOfOtherKindsArePassedOver()
    {
        MessageBoxRecorder boxes;
        writeFile(m_dir->filePath("OrvFields.so"), QByteArray("\x7f"
                                                              "ELF\x02\x01\x01",
                                                              7));
        writeFile(m_dir->filePath("OrvFields.readme"), "Some notes\n");
        mdlLanguage::LoadLanguage();
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(mdlLanguage::GetText("PluginName"), QStringLiteral("Champs PDF")); // built in
    }

    void languageFilesReplaceTheBuiltInTables()
    {
        writeFile(m_dir->filePath("OrvFields.fre"), languageFile("french", "Champs du fichier"));
        mdlLanguage::LoadLanguage();
        QCOMPARE(mdlLanguage::GetText("PluginName"), QStringLiteral("Champs du fichier"));
        QCOMPARE(mdlLanguage::GetText("WinMainApply"), QString()); // not in the file
    }

    void aDamagedFileFallsBackOnTheBuiltInTables()
    {
        MessageBoxRecorder boxes;
        writeFile(m_dir->filePath("OrvFields.eng"),
                  "OrvaneLanguage 1\nApplication = OrvFields\nLanguage = english\n[Texts]\n"
                  "PluginName = Broken\nthis line has no equals sign\n");
        mdlLanguage::LoadLanguage();
        QCOMPARE(boxes.boxes.size(), 1);
        const QString prompt = boxes.boxes.first().prompt;
        QVERIFY2(prompt.startsWith("(ZQTAL07.mdlLanguage.LoadLanguageFile)Error 321 : "),
                 qPrintable(prompt));
        QVERIFY2(
            prompt.contains(m_dir->filePath("OrvFields.eng") + ", line 6: expected Key = Text"),
            qPrintable(prompt));
        QVERIFY(prompt.endsWith(" Line 6"));
        mdlLanguage::SetLanguage("english");
        QCOMPARE(mdlLanguage::GetText("PluginName"), QStringLiteral("PDF fields"));
    }

    void translationFilesMatchTheBuiltInTables_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("file");
        QTest::newRow("english") << "english"
                                 << "OrvFields.eng";
        QTest::newRow("french") << "french"
                                << "OrvFields.fre";
    }

    void translationFilesMatchTheBuiltInTables()
    {
        QFETCH(QString, language);
        QFETCH(QString, file);
        // Both stores write the same sorted file when they hold the same texts.
        auto saved = [&](const LanguageStore &store) {
            const QString path = m_dir->filePath("saved");
            store.SaveFile(path, language);
            QFile written(path);
            return written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
        };
        mdlLanguage::LoadLanguage();
        const QByteArray builtIn = saved(*mdlLanguage::Store());
        QCOMPARE(builtIn.count(" = "), 23 + 2); // the texts and the two header lines

        LanguageStore fromFile;
        fromFile.Initialize("OrvFields", language);
        fromFile.LoadFile(QStringLiteral(TRANSLATIONS_DIR "/") + file);
        QCOMPARE(saved(fromFile), builtIn);
    }

    void fileFormat()
    {
        LanguageStore store;
        store.Initialize("OrvFields", "french");
        const QString path = m_dir->filePath("texts");
        writeFile(path, "\xEF\xBB\xBFOrvaneLanguage 1\r\n# comment\r\nApplication = OrvFields\r\n"
                        "Language = English\r\n\r\n[Texts]\r\n"
                        "Two = first\\r\\nsecond\r\nPadded = \\sboth ends\\s\r\n"
                        "Slash = a\\\\b = c\r\nAccent = Définir\r\n");
        store.LoadFile(path);
        store.setLanguage("english"); // language names ignore letter case
        QCOMPARE(store.Entry("Two", "OrvFields", QString()), QStringLiteral("first\r\nsecond"));
        QCOMPARE(store.Entry("Padded", "OrvFields", QString()), QStringLiteral(" both ends "));
        QCOMPARE(store.Entry("Slash", "OrvFields", QString()), QStringLiteral("a\\b = c"));
        QCOMPARE(store.Entry("Accent", "OrvFields", QString()), QStringLiteral("Définir"));

        // What SaveFile writes reads back the same.
        const QString copy = m_dir->filePath("copy");
        store.SaveFile(copy, "english");
        LanguageStore again;
        again.Initialize("OrvFields", "english");
        again.LoadFile(copy);
        for (const char *key : {"Two", "Padded", "Slash", "Accent"})
            QCOMPARE(again.Entry(key, "OrvFields", QString()),
                     store.Entry(key, "OrvFields", QString()));
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
        const QString path = m_dir->filePath("bad");
        writeFile(path, content);
        LanguageStore store;
        try {
            store.LoadFile(path);
            QFAIL("accepted");
        } catch (const Automation::AutomationError &error) {
            QCOMPARE(error.number(), 321);
            QVERIFY2(error.description().contains(path) && error.description().contains(reason),
                     qPrintable(error.description()));
        }
        try {
            store.LoadFile(m_dir->filePath("missing"));
            QFAIL("accepted");
        } catch (const Automation::AutomationError &error) {
            QCOMPARE(error.number(), 53);
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(tst_Language)
#include "tst_language.moc"
