// SPDX-License-Identifier: Apache-2.0
#include "mdlLanguage.h"

#include "automation/AutomationError.h"
#include "automation/Text.h"
#include "languagestore/LanguageStore.h"
#include "platform/FileSystem.h"
#include "platform/ModuleFolder.h"
#include "trap/ErrorTrap.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

using Automation::utf16;
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

const std::u16string &application()
{
    static const std::u16string name(ApplicationName);
    return name;
}

// Whether `name` matches `pattern`, in which "*" stands for any characters and every
// other character for itself; both case-folded by the caller.
bool matches(std::u16string_view name, std::u16string_view pattern)
{
    // The classic greedy walk with one backtracking point: the last "*" seen.
    std::size_t n = 0, p = 0;
    std::size_t star = std::u16string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace

LanguageStore *Store()
{
    return shared.get();
}

void LoadLanguage()
{
    ErrorTrap trap = ErrorTrap::withHead(u"(ZQTAL07.mdlLanguage.LoadLanguage) Error ");
    trap.run([&] {
        trap.at(1);
        shared = std::make_unique<LanguageStore>();
        trap.at(2);
        store().Initialize(application(), u"french");
        trap.at(3);
        const std::u16string folder = Platform::ModuleFolder();
        trap.at(4);
        bool shortNaming = true;
        std::u16string extension;
        std::u16string language;
        if (LoadLanguageFile(application(), {}, folder, shortNaming, extension, language))
            return;
        // Installed, the files stand in the shared data folder, not beside the library;
        // where the two are one (on Windows), a file that failed is not read twice.
        const std::u16string data = Platform::DataFolder();
        if (data != folder &&
            LoadLanguageFile(application(), {}, data, shortNaming, extension, language))
            return;
        trap.at(6);
        SetLanguage(u"english");
        for (const Text &text : BuiltIn)
            AddText(utf16(text.key), utf16(text.english));
        SetLanguage(u"french");
        for (const Text &text : BuiltIn)
            AddText(utf16(text.key), utf16(text.french));
    });
}

bool LoadLanguageFile(const std::u16string &applicationName, std::u16string prefix,
                      std::u16string folder, bool &shortNaming, std::u16string &extension,
                      std::u16string &language)
{
    bool loaded = false;
    ErrorTrap trap = ErrorTrap::withHead(u"(ZQTAL07.mdlLanguage.LoadLanguageFile)Error ");
    const bool completed = trap.run([&] {
        trap.at(1);
        if (prefix.empty())
            prefix = applicationName;
        trap.at(2);
        if (folder.empty())
            folder = Platform::ModuleFolder() + Platform::PathSeparator() + u"Language";
        trap.at(3);
        if (!extension.empty() && extension.front() == u'.')
            extension.erase(0, 1);

        trap.at(4);
        std::u16string pattern;
        const bool firstOnly = !language.empty();
        if (shortNaming) {
            pattern = prefix + u'.' + (firstOnly ? language.substr(0, 3) : u"*");
        } else {
            const std::u16string ext = extension.empty() ? u"lng" : extension;
            pattern = prefix + u'_' + (firstOnly ? language : u"*") + u'.' + ext;
        }

        trap.at(5);
        const std::u16string folded = Automation::foldCase(pattern);
        std::vector<std::u16string> names = Platform::ListFiles(folder);
        std::sort(names.begin(), names.end());
        const std::u16string separator = Platform::PathSeparator();
        const bool endsWithSeparator =
            !folder.empty() && (folder.back() == u'/' || folder.ends_with(separator));
        for (const std::u16string &name : names) {
            if (!matches(Automation::foldCase(name), folded))
                continue;
            const std::u16string path = folder + (endsWithSeparator ? u"" : separator) + name;
            if (LanguageStore::IsForeignFile(path))
                continue;
            trap.at(6);
            store().LoadFile(path);
            loaded = true;
            if (firstOnly)
                break;
        }
    });
    // A failure makes the result false, so the caller falls back on the built-in tables.
    return completed && loaded;
}

void SetLanguage(const std::u16string &name)
{
    store().setLanguage(name);
}

std::u16string CurrentLanguage()
{
    try {
        return store().Language();
    } catch (...) {
        return {};
    }
}

void AddText(const std::u16string &key, const std::u16string &text)
{
    store().AddEntry(key, application(), CurrentLanguage(), text);
}

std::u16string GetText(const std::u16string &key)
{
    try {
        return store().Entry(key, application(), {});
    } catch (...) {
        return {};
    }
}

} // namespace mdlLanguage
