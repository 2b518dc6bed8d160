// SPDX-License-Identifier: Apache-2.0
#include "mdlLanguage.h"

#include "automation/AutomationError.h"
#include "languagestore/LanguageStore.h"
#include "platform/ModuleFolder.h"
#include "trap/ErrorTrap.h"

#include <QDir>
#include <QRegularExpression>

#include <memory>

using TextStore::LanguageStore;

namespace mdlLanguage {

namespace {

using Trap::ErrorTrap;

struct Text
{
    const char *key;
    const char *english;
    const char *french;
};

// The built-in tables, in the order the texts are added.
constexpr Text BuiltIn[] = {
    {"PluginName", "PDF fields", "Champs PDF"},
    {"WinMainTitle", "Define document fields", "Définir les champs du document"},
    {"WinMainBookChoice", "Book choice:", "Choix du livre :"},
    {"WinMainFieldTitle", "Title", "Titre"},
    {"WinMainFieldAuthor", "Author", "Auteur"},
    {"WinMainFieldSubject", "Subject", "Sujet"},
    {"WinMainFieldKeywords", "Keywords", "Mots clés"},
    {"WinMainPersoFields", "User fields:", "Champs personnalisés :"},
    {"WinMainFieldAdd", "Add", "Ajouter"},
    {"WinMainFieldRemove", "Delete", "Supprimer"},
    {"WinMainCancel", "Cancel", "Annuler"},
    {"WinMainApply", "Apply", "Appliquer"},
    {"WinMainField", "Field", "Champs"},
    {"WinMainMyValue", "My value", "Ma valeur"},
    {"ProcessError", "Process failed.", "Le processus à échoué."},
    {"ProcessSuccess", "Process complete with success.",
     "Le processus c'est terminé sans erreurs."},
    {"ProcessInvalidPublication",
     "There is no publication or the publication have no book. This plugin need an open and "
     "valid publication.",
     "Il n'y a aucune publication ouverte ou la publication ne possède pas de livre. Ce "
     "complément ne peux travailler sans une publication valide."},
    {"ProcessFileLocked",
     "The PDF file is opened by another application or is read only, can not apply.",
     "Le fichier est ouvert par une autre application ou est en lecture seule, impossible "
     "d'appliquer."},
    {"ProcessBookNotPublished",
     "The selected book is not published, can not get or set informations fields.",
     "Le livre sélectionné n'est pas publié, impossible de récupérer ou de définir les champs "
     "d'information."},
    {"ProcessGet", "Getting datas...", "Récupération des données ..."},
    {"ProcessFieldNameCantEmpty",
     "The field name can not be empty.\r\nIf you want delete this field, use the delete button.",
     "Le nom du champs ne peux pas être vide.\r\nSi vous voulez supprimer le champs, utilisez le "
     "bouton supprimer."},
    {"ProcessFieldNameExist", "This field name exists, can not rename it with this name.",
     "Ce nom de champs existe déjà, impossible de le renommer."},
    {"ProcessFieldValueCantEmpty",
     "The field value can not be empty.\r\nIf you want delete this field, use the delete "
     "button.",
     "La valeur d'un champs ne peux pas être vide.\r\nSi vous voulez supprimer le champs, "
     "utilisez le bouton supprimer."},
};

thread_local std::unique_ptr<LanguageStore> shared;

LanguageStore &store()
{
    if (!shared)
        Automation::raise(Automation::ObjectNotSet);
    return *shared;
}

QString application()
{
    return QString::fromLatin1(ApplicationName);
}

// A file-name pattern in which "*" stands for any characters and every other character
// for itself (brackets and question marks included), letter case ignored.
QRegularExpression wildcard(const QString &pattern)
{
    QStringList parts = pattern.split(u'*');
    for (QString &part : parts)
        part = QRegularExpression::escape(part);
    return QRegularExpression(QRegularExpression::anchoredPattern(parts.join(QStringLiteral(".*"))),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

LanguageStore *Store()
{
    return shared.get();
}

void LoadLanguage()
{
    ErrorTrap trap =
        ErrorTrap::withHead(QStringLiteral("(ZQTAL07.mdlLanguage.LoadLanguage) Error "));
    trap.run([&] {
        trap.at(1);
        shared = std::make_unique<LanguageStore>();
        trap.at(2);
        store().Initialize(application(), QStringLiteral("french"));
        trap.at(3);
        const QString folder = Platform::ModuleFolder();
        trap.at(4);
        bool shortNaming = true;
        QString extension;
        QString language;
        if (LoadLanguageFile(application(), QString(), folder, shortNaming, extension, language))
            return;
        // Installed, the files stand in the shared data folder, not beside the library.
        if (LoadLanguageFile(application(), QString(), Platform::DataFolder(), shortNaming,
                             extension, language))
            return;
        trap.at(6);
        SetLanguage(QStringLiteral("english"));
        for (const Text &text : BuiltIn)
            AddText(QString::fromUtf8(text.key), QString::fromUtf8(text.english));
        SetLanguage(QStringLiteral("french"));
        for (const Text &text : BuiltIn)
            AddText(QString::fromUtf8(text.key), QString::fromUtf8(text.french));
    });
}

bool LoadLanguageFile(const QString &applicationName, QString prefix, QString folder,
                      bool &shortNaming, QString &extension, QString &language)
{
    bool loaded = false;
    ErrorTrap trap =
        ErrorTrap::withHead(QStringLiteral("(ZQTAL07.mdlLanguage.LoadLanguageFile)Error "));
    const bool completed = trap.run([&] {
        trap.at(1);
        if (prefix.isEmpty())
            prefix = applicationName;
        trap.at(2);
        if (folder.isEmpty())
            folder = Platform::ModuleFolder() + QDir::separator() + QStringLiteral("Language");
        trap.at(3);
        if (extension.startsWith(u'.'))
            extension.remove(0, 1);

        trap.at(4);
        QString pattern;
        bool firstOnly = !language.isEmpty();
        if (shortNaming) {
            pattern = prefix + u'.' + (firstOnly ? language.left(3) : QStringLiteral("*"));
        } else {
            const QString ext = extension.isEmpty() ? QStringLiteral("lng") : extension;
            pattern = prefix + u'_' + (firstOnly ? language : QStringLiteral("*")) + u'.' + ext;
        }

        trap.at(5);
        const QDir dir(folder);
        // Without QDir::Hidden and QDir::System, hidden and special files are left out.
        const QRegularExpression matching = wildcard(pattern);
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
            if (!matching.match(name).hasMatch())
                continue;
            const QString path = dir.filePath(name);
            if (LanguageStore::IsForeignFile(path))
                continue;
            trap.at(6);
            store().LoadFile(QDir::toNativeSeparators(path));
            loaded = true;
            if (firstOnly)
                break;
        }
    });
    // A failure makes the result false, so the caller falls back on the built-in tables.
    return completed && loaded;
}

void SetLanguage(const QString &name)
{
    store().setLanguage(name);
}

QString CurrentLanguage()
{
    try {
        return store().Language();
    } catch (...) {
        return QString();
    }
}

void AddText(const QString &key, const QString &text)
{
    store().AddEntry(key, application(), CurrentLanguage(), text);
}

QString GetText(const QString &key)
{
    try {
        return store().Entry(key, application(), QString());
    } catch (...) {
        return QString();
    }
}

} // namespace mdlLanguage
