// SPDX-License-Identifier: Apache-2.0
// PdfInfoFile: one PDF opened through qpdf for its document information.
//
// Opening reads the header, the cross-reference sections and the trailer; `info`
// reads the Info dictionary and nothing else, so the cost depends on the size of the
// cross-reference data, never on the size of the pages. The entries of a file that is
// neither encrypted nor repaired come straight from the dictionary's tokens, which
// keeps their order and the syntax of their values; qpdf resolves only the values that
// refer to other objects. The file is read through a File of the caller's (a write job
// reads through the one it holds locked).
//
// Failures are thrown as AutomationError with the reason in plain words and no path:
// 321 for a file that is not a PDF, PasswordProtected for a user password other
// than the one given (empty by default), Damaged when qpdf cannot make sense of the file even by
// repairing it.
#pragma once

#include "DictionaryScanner.h"
#include "File.h"
#include "IncrementalUpdate.h"
#include "InfoDictionary.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFXRefEntry.hh>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Tagora {

class PdfInfoFile
{
public:
    // The Info keys in the order of the file's tokens ("/Name", as qpdf spells them),
    // each with the bytes of its value as the file holds them.
    using Order = InfoDictionary::Order;

    // Reads `file`, which it keeps open as long as it lives; `name` names it in qpdf's
    // messages; `password` opens an encrypted file whose user password is not empty.
    PdfInfoFile(const std::u16string &name, std::shared_ptr<File> file,
                const std::string &password = {});
    ~PdfInfoFile();
    PdfInfoFile(const PdfInfoFile &) = delete;
    PdfInfoFile &operator=(const PdfInfoFile &) = delete;

    // The Info entries in the order of the file's own tokens.
    InfoDictionary info();

    bool encrypted() const;
    // Whether the encryption's permissions allow changing the document (always for
    // files that are not encrypted). qpdf reports them; it does not enforce them.
    bool changesAllowed();
    // Whether qpdf had to repair the file to read what was read so far.
    bool repaired();
    // How many warnings qpdf gave while it opened the file (its cross-reference data
    // and trailer, repaired or not), before any object was read.
    size_t warningsAtOpen() const { return m_warningsAtOpen; }
    // Every warning qpdf gave so far, in order.
    const std::vector<QPDFExc> &warnings();
    // The first warning since the file was opened about an object that qpdf could not
    // read as the file has it, or nothing. A late repair of the cross-reference data
    // (qpdf finds an object elsewhere than it was told) is no such warning.
    const QPDFExc *objectWarning();
    // How a revision appended to the file must be built; nothing when the file does not
    // end with a clean end of revision (trailing garbage, no startxref, a startxref
    // that points at no cross-reference section).
    std::optional<RevisionBase> revisionBase();
    // Whether the file ends with a clean end of revision (only blanks after the last
    // "%%EOF", a startxref before it that stays within the file).
    bool endsCleanly() { return tail().clean; }
    // The document's XMP metadata: the catalog's /Metadata stream, its object, its
    // decoded data (empty when its filters cannot be decoded) and its dictionary; nothing
    // when the document has no such stream.
    struct Metadata
    {
        QPDFObjGen object;
        std::string data;
        bool decoded = false;
        QPDFObjectHandle stream;
    };
    std::optional<Metadata> metadata();

    // The catalog dictionary but for its /Metadata, in qpdf's syntax (strings decrypted):
    // what a revision that only names another XMP packet leaves as it was. Empty when the
    // catalog is not an indirect dictionary.
    std::string catalogRest();

    // The PDF version the document declares, major and minor ({1, 7}): the later of its
    // header's and its catalog's /Version; {0, 0} when neither reads as one.
    std::pair<int, int> version();

    // Whether the trailer's /Info is an indirect dictionary of its own, which a new Info
    // dictionary may replace under the same number. Not when it points at the catalog,
    // at a page or page-tree node, at a stream or at anything with another /Type: a
    // damaged file's Info must never overwrite a part of its document, nor lend its
    // entries to the Info that replaces it.
    bool infoStandsAlone();

    QPDF &document() { return *m_pdf; }
    const std::string &password() const { return m_password; }

private:
    struct Tail
    {
        std::int64_t length = 0;
        bool endsWithEol = false;
        bool clean = false;
        std::int64_t startxref = 0;
    };

    using Keys = std::optional<std::vector<DictionaryScanner::Key>>;
    // The Info dictionary's keys as its tokens give them; nothing when they cannot be
    // read that way (then qpdf's view is the only one).
    const Keys &scannedKeys();
    Keys scanKeys();
    Keys keysInStream(QPDFObjGen object, const QPDFXRefEntry &entry);
    // The entry for a scanned key, its value resolved by qpdf only when it refers to
    // other objects; nothing for a null value.
    std::optional<InfoEntry> entryOf(const DictionaryScanner::Key &key);
    Keys keysOf(QPDFObjGen object, const QPDFXRefEntry &entry);
    // An object's cross-reference entry, read from the file's sections, newest first:
    // only the subsection headers and the one entry of a table, the one stream of a
    // section that is a stream. Nothing when a section is not as expected (or a hybrid);
    // then tableEntryOf answers, from qpdf's whole table, which costs a copy of every
    // entry.
    std::optional<QPDFXRefEntry> lookUp(QPDFObjGen object);
    std::optional<QPDFXRefEntry> lookUpSections(QPDFObjGen object);
    std::optional<QPDFXRefEntry> tableEntryOf(QPDFObjGen object);
    // The highest object number the cross-reference data lists.
    int maxObject();
    const Tail &tail();

    std::string m_password;
    std::shared_ptr<InputSource> m_input;
    std::unique_ptr<QPDF> m_pdf;
    std::optional<Tail> m_tail;
    std::optional<int> m_maxObject;
    std::optional<Keys> m_keys;
    size_t m_warningsAtOpen = 0;
    std::vector<QPDFExc> m_warnings; // taken out of qpdf's list, which only gives them once
};

} // namespace Tagora
