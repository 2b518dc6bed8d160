// SPDX-License-Identifier: Apache-2.0
// mdlLanguage: the component's texts, by key, in the current language.
//
// One LanguageStore per user-interface thread holds the texts of the application
// "OrvFields" in "english" and "french". LoadLanguage (run at every creation of the
// entry object) makes a new store and fills it from the language files found in the
// component's folder, else in the installed data folder (Platform::DataFolder), else
// from the built-in tables; French is current afterwards. GetText is the lookup every
// caption and message goes through.
#pragma once

#include <QString>

namespace TextStore {
class LanguageStore;
}

namespace mdlLanguage {

inline constexpr char ApplicationName[] = "OrvFields";

// Replaces the shared store by a new, filled one. Trapped with the fixed head
// "(ZQTAL07.mdlLanguage.LoadLanguage) Error ".
void LoadLanguage();

// Hands the language files of `folder` to the store; true when at least one was
// handed over. Arguments as the component's file search defines them:
//  - an empty prefix means the application name; an empty folder the module
//    folder followed by "/Language"; a leading point of the extension is dropped
//    (also in the caller's variable);
//  - short naming: prefix + ".*" (all files), or prefix + "." + the language's first
//    three letters (the first match only);
//  - long naming: prefix + "_*." + extension (all), or prefix + "_" + language + "."
//    + extension (the first match only); the extension defaults to "lng".
// Names match ignoring letter case; files are taken in name order. Files that are
// not language files (another format: the library itself, a readme) are passed
// over. Trapped with the fixed head "(ZQTAL07.mdlLanguage.LoadLanguageFile)Error ".
bool LoadLanguageFile(const QString &applicationName, QString prefix, QString folder,
                      bool &shortNaming, QString &extension, QString &language);

void SetLanguage(const QString &name);
// The store's current language; empty when that fails.
QString CurrentLanguage();
// Files `text` under `key` in the current language.
void AddText(const QString &key, const QString &text);
// The text of `key` in the current language; empty when there is none.
QString GetText(const QString &key);

// The shared store, or nullptr before the first LoadLanguage.
TextStore::LanguageStore *Store();

} // namespace mdlLanguage
