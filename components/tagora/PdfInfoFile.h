// SPDX-License-Identifier: Apache-2.0
// PdfInfoFile: one PDF opened through qpdf for its document information.
//
// Opening reads the header, the cross-reference sections and the trailer; `info`
// resolves the Info dictionary and nothing else, so the cost depends on the size of
// the cross-reference data, never on the size of the pages. The file is read through
// a descriptor of the caller's (a write job reads through the one it holds locked).
//
// Failures are thrown as AutomationError with the reason in plain words and no path:
// 321 for a file that is not a PDF, PasswordProtected for a user password other
// than the empty one, Damaged when qpdf cannot make sense of the file even by
// repairing it.
#pragma once

#include "IncrementalUpdate.h"
#include "InfoDictionary.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFXRefEntry.hh>

#include <QString>

#include <memory>
#include <optional>

namespace Tagora {

class PdfInfoFile
{
public:
    // Reads the file open on `fd` (through its own duplicate of the descriptor);
    // `name` names it in qpdf's messages.
    PdfInfoFile(const QString &name, int fd);
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
    bool repaired() const;
    // How a revision appended to the file must be built; nothing when the file does not
    // end with a clean end of revision (trailing garbage, no startxref, a startxref
    // that points at no cross-reference section).
    std::optional<RevisionBase> revisionBase();

    QPDF &document() { return *m_pdf; }

private:
    struct Tail
    {
        qint64 length = 0;
        bool endsWithEol = false;
        bool clean = false;
        qint64 startxref = 0;
    };

    std::vector<std::string> keyOrder(QPDFObjectHandle trailer);
    std::vector<std::string> keysInStream(QPDFObjGen object, const QPDFXRefEntry &entry);
    void scanXref();
    const Tail &tail();

    std::shared_ptr<InputSource> m_input;
    std::unique_ptr<QPDF> m_pdf;
    std::optional<Tail> m_tail;
    bool m_xrefScanned = false;
    int m_maxObject = 0;
    std::optional<QPDFXRefEntry> m_infoEntry;
};

} // namespace Tagora
