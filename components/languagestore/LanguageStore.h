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

#include <QHash>
#include <QObject>
#include <QString>

namespace TextStore {

class LanguageStore : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "LanguageStore.Store")
    Q_CLASSINFO("ClassID", "{2996EFD7-734B-4AED-A7EA-EC9931C92E8D}")
    Q_CLASSINFO("Interface", "_Store")
    Q_CLASSINFO("InterfaceID", "{89698346-9BAF-4FF4-AF23-9D55E3C893E4}")
    Q_CLASSINFO("DispId:Language", "0x68030000")
    Q_CLASSINFO("DispId:Initialize", "0x60030001")
    Q_CLASSINFO("DispId:Clear", "0x60030002")
    Q_CLASSINFO("DispId:AddEntry", "0x60030003")
    Q_CLASSINFO("DispId:Entry", "0x60030004")
    Q_CLASSINFO("DispId:SaveFile", "0x60030005")
    Q_CLASSINFO("DispId:LoadFile", "0x60030006")
    Q_PROPERTY(QString Language READ Language WRITE setLanguage)

public:
    static constexpr QLatin1StringView Signature{"OrvaneLanguage 1"};

    explicit LanguageStore(QObject *parent = nullptr);

    QString Language() const { return m_language; }
    void setLanguage(const QString &language) { m_language = language; }

    // Names the application whose texts the store holds and the current language.
    Q_INVOKABLE void Initialize(const QString &application, const QString &language);
    // Forgets every text.
    Q_INVOKABLE void Clear();
    // Files `text`; a later entry under the same three strings replaces the earlier.
    // An empty application stands for the initialised one, an empty language for
    // the current one.
    Q_INVOKABLE void AddEntry(const QString &key, const QString &application,
                              const QString &language, const QString &text);
    Q_INVOKABLE QString Entry(const QString &key, const QString &application,
                              const QString &language) const;
    // Writes the texts of one language of the initialised application as a
    // language file (keys sorted), a starting point for a translator.
    Q_INVOKABLE void SaveFile(const QString &path, const QString &language) const;
    // Reads one language file and files its texts. Errors: 53 when the file does not
    // exist, 75 when it cannot be read, 321 when it is not a valid language file;
    // the description names the file (and the line).
    Q_INVOKABLE void LoadFile(const QString &path);

    // True when the file can be read and does not begin with the signature: a file
    // of some other kind, which is no business of the store.
    static bool IsForeignFile(const QString &path);

private:
    QString fullKey(const QString &key, const QString &application, const QString &language) const;

    QString m_application;
    QString m_language;
    QHash<QString, QString> m_texts;
};

} // namespace TextStore
