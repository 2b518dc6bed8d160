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

#include <string>

namespace TextStore {
class LanguageStore;
}

namespace mdlLanguage {

inline constexpr char16_t ApplicationName[] = u"OrvFields";

// Replaces the shared store by a new, filled one. Trapped with the fixed head
// "(ZQTAL07.mdlLanguage.LoadLanguage) Error ".
void LoadLanguage();

// Hands the language files of `folder` to the store; true when at least one was
// handed over. Arguments as the component's file search defines them:
//  - an empty prefix means the application name; an empty folder the module
//    folder followed by the path separator and "Language"; a leading point of the
//    extension is dropped (also in the caller's variable);
//  - short naming: prefix + ".*" (all files), or prefix + "." + the language's first
//    three letters (the first match only);
//  - long naming: prefix + "_*." + extension (all), or prefix + "_" + language + "."
//    + extension (the first match only); the extension defaults to "lng".
// Only "*" is a wildcard: every other character (brackets, question marks) stands for
// itself. Names match ignoring letter case; files are taken in name order (UTF-16
// code units). Files that are not language files (another format: the library itself,
// a readme) are passed over. Trapped with the fixed head
// "(ZQTAL07.mdlLanguage.LoadLanguageFile)Error ".
bool LoadLanguageFile(const std::u16string &applicationName, std::u16string prefix,
                      std::u16string folder, bool &shortNaming, std::u16string &extension,
                      std::u16string &language);

void SetLanguage(const std::u16string &name);
// The store's current language; empty when that fails.
std::u16string CurrentLanguage();
// Files `text` under `key` in the current language.
void AddText(const std::u16string &key, const std::u16string &text);
// The text of `key` in the current language; empty when there is none.
std::u16string GetText(const std::u16string &key);

// The shared store, or nullptr before the first LoadLanguage.
TextStore::LanguageStore *Store();

} // namespace mdlLanguage
