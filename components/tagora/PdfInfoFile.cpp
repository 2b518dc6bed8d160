// SPDX-License-Identifier: Apache-2.0
#include "PdfInfoFile.h"

#include "CachedFileInput.h"
#include "DictionaryScanner.h"
#include "automation/AutomationError.h"

#include <QFile>

#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDFTokenizer.hh>

namespace Tagora {

namespace {

// How far from each end of the file the header and the end of revision may stand.
constexpr size_t EndWindow = 1024;

std::vector<std::string> names(const std::optional<std::vector<DictionaryScanner::Key>> &keys)
{
    std::vector<std::string> names;
    if (keys) {
        for (const DictionaryScanner::Key &key : *keys)
            names.push_back(key.name);
    }
    return names;
}

} // namespace

PdfInfoFile::PdfInfoFile(const QString &name, int fd)
{
    m_input = std::make_shared<CachedFileInput>(QFile::encodeName(name).toStdString(), fd);

    char head[EndWindow];
    m_input->seek(0, SEEK_SET);
    const size_t read = m_input->read(head, sizeof head);
    if (std::string_view(head, read).find("%PDF-") == std::string_view::npos)
        Automation::raise(Automation::InvalidFileFormat, QStringLiteral("the file is not a PDF"));

    m_pdf = std::make_unique<QPDF>();
    m_pdf->setSuppressWarnings(true);
    m_pdf->processInputSource(m_input);
}

PdfInfoFile::~PdfInfoFile() = default;

InfoDictionary PdfInfoFile::info()
{
    QPDFObjectHandle trailer = m_pdf->getTrailer();
    QPDFObjectHandle info = trailer.getKey("/Info");
    if (!info.isDictionary())
        return {};
    return InfoDictionary::fromObject(info, keyOrder(trailer));
}

bool PdfInfoFile::encrypted() const
{
    return m_pdf->isEncrypted();
}

bool PdfInfoFile::changesAllowed()
{
    return !m_pdf->isEncrypted() || m_pdf->allowModifyOther();
}

bool PdfInfoFile::repaired() const
{
    return m_pdf->anyWarnings();
}

void PdfInfoFile::scanXref()
{
    if (m_xrefScanned)
        return;
    m_xrefScanned = true;
    const QPDFObjectHandle info = m_pdf->getTrailer().getKey("/Info");
    for (const auto &[object, entry] : m_pdf->getXRefTable()) {
        m_maxObject = std::max(m_maxObject, object.getObj());
        if (info.isIndirect() && object == info.getObjGen())
            m_infoEntry = entry;
    }
}

std::vector<std::string> PdfInfoFile::keyOrder(QPDFObjectHandle trailer)
{
    // Any surprise in the bytes leaves the order to qpdf; the entries stay the same.
    try {
        QPDFObjectHandle info = trailer.getKey("/Info");
        DictionaryScanner scanner(m_input);
        if (info.isIndirect()) {
            scanXref();
            if (!m_infoEntry)
                return {};
            if (m_infoEntry->getType() == 2)
                return keysInStream(info.getObjGen(), *m_infoEntry);
            if (m_infoEntry->getType() != 1)
                return {};
            const auto body = scanner.objectBody(m_infoEntry->getOffset(), info.getObjGen());
            return body ? names(scanner.keys(*body)) : std::vector<std::string>{};
        }
        // A direct Info dictionary stands in the trailer of the last section.
        if (!tail().clean)
            return {};
        const auto dictionary = scanner.trailerDictionary(tail().startxref);
        const auto trailerKeys = dictionary ? scanner.keys(*dictionary) : std::nullopt;
        if (!trailerKeys)
            return {};
        for (const DictionaryScanner::Key &key : *trailerKeys) {
            if (key.name == "/Info")
                return names(scanner.keys(key.valueOffset));
        }
    } catch (const std::exception &) {
    }
    return {};
}

std::vector<std::string> PdfInfoFile::keysInStream(QPDFObjGen object, const QPDFXRefEntry &entry)
{
    QPDFObjectHandle stream = m_pdf->getObject(entry.getObjStreamNumber(), 0);
    if (!stream.isStream())
        return {};
    QPDFObjectHandle first = stream.getDict().getKey("/First");
    if (!first.isInteger())
        return {};
    std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
    DictionaryScanner scanner(std::make_shared<BufferInputSource>("object stream", data.get()));
    const auto body =
        scanner.objectInStream(first.getIntValue(), entry.getObjStreamIndex(), object.getObj());
    return body ? names(scanner.keys(*body)) : std::vector<std::string>{};
}

const PdfInfoFile::Tail &PdfInfoFile::tail()
{
    if (m_tail)
        return *m_tail;
    Tail tail;
    m_input->seek(0, SEEK_END);
    tail.length = m_input->tell();
    const qint64 start = std::max<qint64>(0, tail.length - qint64(EndWindow));
    QByteArray bytes(tail.length - start, Qt::Uninitialized);
    m_input->seek(start, SEEK_SET);
    bytes.truncate(qsizetype(m_input->read(bytes.data(), size_t(bytes.size()))));

    tail.endsWithEol = bytes.endsWith('\n') || bytes.endsWith('\r');
    const qsizetype eof = bytes.lastIndexOf("%%EOF");
    const qsizetype startxref = eof < 0 ? -1 : bytes.lastIndexOf("startxref", eof);
    if (startxref >= 0) {
        // Only end-of-line characters and blanks may follow the end of the revision.
        const QByteArray after = bytes.mid(eof + 5);
        const bool cleanEnd = std::all_of(after.begin(), after.end(), [](char c) {
            return c == '\r' || c == '\n' || c == ' ' || c == '\t';
        });
        const QByteArray offset = bytes.mid(startxref + 9, eof - startxref - 9).trimmed();
        bool isNumber = !offset.isEmpty() && std::all_of(offset.begin(), offset.end(), [](char c) {
            return c >= '0' && c <= '9';
        });
        tail.startxref = isNumber ? offset.toLongLong(&isNumber) : 0;
        tail.clean = cleanEnd && isNumber && tail.startxref < tail.length;
    }
    m_tail = tail;
    return *m_tail;
}

std::optional<RevisionBase> PdfInfoFile::revisionBase()
{
    const Tail &end = tail();
    if (!end.clean)
        return std::nullopt;
    RevisionBase base;
    base.length = end.length;
    base.endsWithEol = end.endsWithEol;
    base.startxref = end.startxref;

    QPDFTokenizer tokenizer;
    m_input->seek(end.startxref, SEEK_SET);
    const QPDFTokenizer::Token first = tokenizer.readToken(m_input, m_input->getName(), true);
    if (first.isWord("xref"))
        base.xref = RevisionBase::Xref::Table;
    else if (first.isInteger())
        base.xref = RevisionBase::Xref::Stream;
    else
        return std::nullopt;

    QPDFObjectHandle trailer = m_pdf->getTrailer();
    QPDFObjectHandle root = trailer.getKey("/Root");
    if (!root.isIndirect())
        return std::nullopt;
    base.root = QByteArray::fromStdString(root.unparse());
    QPDFObjectHandle id = trailer.getKey("/ID");
    if (id.isArray())
        base.id = QByteArray::fromStdString(id.unparseResolved());
    scanXref();
    QPDFObjectHandle size = trailer.getKey("/Size");
    base.size = std::max(size.isInteger() ? size.getIntValueAsInt() : 0, m_maxObject + 1);
    QPDFObjectHandle info = trailer.getKey("/Info");
    if (info.isIndirect()) {
        base.infoNumber = info.getObjGen().getObj();
        base.infoGeneration = info.getObjGen().getGen();
    }
    return base;
}

} // namespace Tagora
