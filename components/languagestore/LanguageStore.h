// SPDX-License-Identifier: Apache-2.0
// LanguageStore: a keyed text store, organised by application, language and key,
// that reads language files.
//
// Texts are filed under three strings: the key (exact), the application name and
// the language name (both compared ignoring letter case). The store has a current
// language; an Entry asked with an empty language answers from it, and an entry
// that is not filed answers the empty text.
//
// Language file format (UTF-8, one language per file):
//
//     OrvaneLanguage 1                  <- first line, exactly; identifies the format
//     # a comment                       <- lines starting with # and blank lines
//     Application = OrvFields
//     Language = french
//     [Texts]
//     PluginName = Champs PDF
//     ProcessFieldNameCantEmpty = Le nom ... vide.\r\nSi vous ...
//
// Above [Texts], the two header lines (both required); below it one "Key = Text" a
// line. Blanks around the key and the text are dropped; inside a text, \r, \n, \t,
// \s (a blank, for one at either end), and \\ stand for themselves.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace TextStore {

class LanguageStore
{
public:
    static constexpr std::u16string_view Signature{u"OrvaneLanguage 1"};

    const std::u16string &Language() const { return m_language; }
    void setLanguage(const std::u16string &language) { m_language = language; }

    // Names the application whose texts the store holds and the current language.
    void Initialize(const std::u16string &application, const std::u16string &language);
    // Forgets every text.
    void Clear();
    // Files `text`; a later entry under the same three strings replaces the earlier.
    // An empty application stands for the initialised one, an empty language for
    // the current one.
    void AddEntry(const std::u16string &key, const std::u16string &application,
                  const std::u16string &language, const std::u16string &text);
    std::u16string Entry(const std::u16string &key, const std::u16string &application,
                         const std::u16string &language) const;
    // Writes the texts of one language of the initialised application as a
    // language file (keys sorted), a starting point for a translator. The file is
    // written beside its place and renamed over it, so a failure leaves what was there.
    void SaveFile(const std::u16string &path, const std::u16string &language) const;
    // Reads one language file and files its texts. Errors: 53 when the file does not
    // exist, 75 when it cannot be read, 321 when it is not a valid language file;
    // the description names the file (and the line).
    void LoadFile(const std::u16string &path);

    // True when the file can be read and does not begin with the signature: a file
    // of some other kind, which is no business of the store.
    static bool IsForeignFile(const std::u16string &path);

private:
    std::u16string fullKey(const std::u16string &key, const std::u16string &application,
                           const std::u16string &language) const;

    std::u16string m_application;
    std::u16string m_language;
    std::unordered_map<std::u16string, std::u16string> m_texts;
};

} // namespace TextStore
