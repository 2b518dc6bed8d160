// SPDX-License-Identifier: Apache-2.0
#include "PdfInfoFile.h"

#include "CachedFileInput.h"
#include "PdfText.h"
#include "automation/AutomationError.h"
#include "automation/Text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <map>
#include <set>

#include <qpdf/BufferInputSource.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDFTokenizer.hh>
#include <qpdf/QUtil.hh>

namespace Tagora {

namespace {

// How far from each end of the file the header and the end of revision may stand.
constexpr size_t EndWindow = 1024;

} // namespace

PdfInfoFile::PdfInfoFile(const std::u16string &name, std::shared_ptr<File> file,
                         const std::string &password)
    : m_password(password)
{
    m_input = std::make_shared<CachedFileInput>(Automation::utf8(name), std::move(file));

    char head[EndWindow];
    m_input->seek(0, SEEK_SET);
    const size_t read = m_input->read(head, sizeof head);
    if (std::string_view(head, read).find("%PDF-") == std::string_view::npos)
        Automation::raise(Automation::InvalidFileFormat, u"the file is not a PDF");

    const auto open = [&] {
        m_pdf = std::make_unique<QPDF>();
        m_pdf->setSuppressWarnings(true);
        m_pdf->processInputSource(m_input, m_password.c_str());
    };
    try {
        open();
    } catch (const QPDFExc &error) {
        // Older encryption (RC4 and AES-128) takes its password in PDFDocEncoding, which
        // a text given in UTF-8 is not beyond ASCII: the same text in those bytes.
        std::string pdfDoc;
        if (error.getErrorCode() != qpdf_e_password ||
            !QUtil::utf8_to_pdf_doc(m_password, pdfDoc) || pdfDoc == m_password)
            throw;
        m_password = pdfDoc;
        open();
    }
    m_warningsAtOpen = m_pdf->numWarnings();
}

PdfInfoFile::~PdfInfoFile() = default;

InfoDictionary PdfInfoFile::info()
{
    QPDFObjectHandle info = m_pdf->getTrailer().getKey("/Info");
    // A damaged file's /Info that points at a part of the document holds no entries.
    if (info.isIndirect() && !infoStandsAlone())
        return {};
    const Keys &keys = scannedKeys();
    std::map<std::string, int> seen;
    if (keys) {
        for (const DictionaryScanner::Key &key : *keys)
            ++seen[key.name];
    }
    if (keys && !encrypted() && !repaired() && seen.size() == keys->size()) {
        InfoDictionary dictionary;
        for (const DictionaryScanner::Key &key : *keys) {
            if (const std::optional<InfoEntry> entry = entryOf(key))
                dictionary.set(*entry);
        }
        return dictionary;
    }
    if (!info.isDictionary())
        return {};
    // Encrypted bytes, repairs or a key that stands twice: qpdf's view, qpdf's syntax.
    // Resolving the dictionary may have repaired the cross-reference data that the scan
    // had to go by: the order is then scanned again.
    if (!keys && repaired())
        m_keys.reset();
    InfoDictionary::Order order;
    if (const Keys &scanned = scannedKeys()) {
        for (const DictionaryScanner::Key &key : *scanned)
            order.push_back({key.name, {}});
    }
    return InfoDictionary::fromObject(info, order);
}

std::optional<InfoEntry> PdfInfoFile::entryOf(const DictionaryScanner::Key &key)
{
    const std::string name = key.name.substr(1);
    InfoEntry entry{name, PdfText::decodeName(name), key.value, {}};
    const QPDFTokenizer::Token &token = key.first;
    switch (key.single ? token.getType() : QPDFTokenizer::tt_bad) {
    case QPDFTokenizer::tt_null:
        return std::nullopt;
    case QPDFTokenizer::tt_string:
        entry.text = PdfText::decodeText(token.getValue());
        return entry;
    case QPDFTokenizer::tt_name:
        entry.text = PdfText::decodeName(token.getValue().substr(1));
        return entry;
    default: {
        // qpdf parses a reference only inside another object.
        QPDFObjectHandle value =
            QPDFObjectHandle::parse(m_pdf.get(), "[" + key.value + "]").getArrayItem(0);
        if (value.isNull()) // a reference to nothing is no entry either
            return std::nullopt;
        entry.text = InfoDictionary::textOf(value);
        return entry;
    }
    }
}

bool PdfInfoFile::encrypted() const
{
    return m_pdf->isEncrypted();
}

bool PdfInfoFile::changesAllowed()
{
    return !m_pdf->isEncrypted() || m_pdf->allowModifyOther();
}

bool PdfInfoFile::repaired()
{
    return !warnings().empty();
}

const std::vector<QPDFExc> &PdfInfoFile::warnings()
{
    if (m_pdf->anyWarnings()) {
        const std::vector<QPDFExc> more = m_pdf->getWarnings();
        m_warnings.insert(m_warnings.end(), more.begin(), more.end());
    }
    return m_warnings;
}

const QPDFExc *PdfInfoFile::objectWarning()
{
    // qpdf tells of a repair in three warnings: "file is damaged", what made it repair
    // (an object not where the table says it is), "Attempting to reconstruct ...".
    const std::vector<QPDFExc> &all = warnings();
    for (size_t i = m_warningsAtOpen; i < all.size(); ++i) {
        const std::string &detail = all[i].getMessageDetail();
        if (detail == "file is damaged")
            ++i;
        else if (detail != "Attempting to reconstruct cross-reference table")
            return &all[i];
    }
    return nullptr;
}

std::optional<QPDFXRefEntry> PdfInfoFile::lookUp(QPDFObjGen object)
{
    try {
        return lookUpSections(object);
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

std::optional<QPDFXRefEntry> PdfInfoFile::lookUpSections(QPDFObjGen object)
{
    if (!tail().clean)
        return std::nullopt;
    DictionaryScanner scanner(m_input);
    std::set<qpdf_offset_t> seen;
    for (qpdf_offset_t section = tail().startxref; seen.insert(section).second;) {
        long long previous = -1;
        if (const auto table = scanner.tableEntry(section, object.getObj())) {
            if (const auto &entry = table->entry) {
                if (!entry->inUse || entry->generation != object.getGen())
                    return std::nullopt;
                return QPDFXRefEntry(1, entry->offset, entry->generation);
            }
            const auto trailer = scanner.keys(table->trailer);
            if (!trailer)
                return std::nullopt;
            for (const DictionaryScanner::Key &key : *trailer) {
                if (key.name == "/XRefStm")
                    return std::nullopt; // a hybrid: two sections in one
                if (key.name == "/Prev" && key.first.getType() == QPDFTokenizer::tt_integer)
                    previous = std::stoll(key.first.getValue());
            }
        } else {
            // A stream of rows of /W fields, which qpdf decodes.
            const auto header = scanner.objectAt(section);
            QPDFObjectHandle stream = header ? m_pdf->getObject(*header) : QPDFObjectHandle();
            if (!stream.isStream())
                return std::nullopt;
            QPDFObjectHandle dict = stream.getDict();
            QPDFObjectHandle w = dict.getKey("/W");
            QPDFObjectHandle index = dict.getKey("/Index");
            if (!dict.getKey("/Type").isNameAndEquals("/XRef") || !w.isArray() ||
                w.getArrayNItems() != 3)
                return std::nullopt;
            if (!index.isArray())
                index = QPDFObjectHandle::parse("[0 " + dict.getKey("/Size").unparse() + "]");
            size_t widths[3] = {};
            for (int i = 0; i < 3; ++i) {
                if (!w.getArrayItem(i).isInteger() || w.getArrayItem(i).getIntValue() < 0 ||
                    w.getArrayItem(i).getIntValue() > 8)
                    return std::nullopt;
                widths[i] = size_t(w.getArrayItem(i).getIntValue());
            }
            // The object's row: subsections of (first, count) in /Index, one after another.
            long long row = 0;
            bool listed = false;
            for (int i = 0; i + 1 < index.getArrayNItems() && !listed; i += 2) {
                QPDFObjectHandle first = index.getArrayItem(i);
                QPDFObjectHandle count = index.getArrayItem(i + 1);
                if (!first.isInteger() || !count.isInteger())
                    return std::nullopt;
                listed = object.getObj() >= first.getIntValue() &&
                         object.getObj() < first.getIntValue() + count.getIntValue();
                row += listed ? object.getObj() - first.getIntValue() : count.getIntValue();
            }
            if (listed) {
                const std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
                const size_t size = widths[0] + widths[1] + widths[2];
                if (row < 0 || (size_t(row) + 1) * size > data->getSize())
                    return std::nullopt;
                const unsigned char *bytes = data->getBuffer() + size_t(row) * size;
                std::uint64_t fields[3] = {widths[0] == 0 ? 1u : 0u, 0, 0};
                for (int i = 0; i < 3; ++i) {
                    for (size_t b = 0; b < widths[i]; ++b)
                        fields[i] = (fields[i] << 8) | *bytes++;
                }
                if (fields[1] > std::uint64_t(INT64_MAX) || fields[2] > std::uint64_t(INT_MAX))
                    return std::nullopt;
                if (fields[0] == 1 && fields[2] == std::uint64_t(object.getGen()))
                    return QPDFXRefEntry(1, qpdf_offset_t(fields[1]), int(fields[2]));
                if (fields[0] == 2 && object.getGen() == 0)
                    return QPDFXRefEntry(2, qpdf_offset_t(fields[1]), int(fields[2]));
                return std::nullopt;
            }
            if (dict.getKey("/Prev").isInteger())
                previous = dict.getKey("/Prev").getIntValue();
        }
        if (previous < 0)
            return std::nullopt;
        section = previous;
    }
    return std::nullopt;
}

std::optional<QPDFXRefEntry> PdfInfoFile::tableEntryOf(QPDFObjGen object)
{
    for (const auto &[listed, entry] : m_pdf->getXRefTable()) {
        if (listed == object)
            return entry;
    }
    return std::nullopt;
}

int PdfInfoFile::maxObject()
{
    if (!m_maxObject) {
        m_maxObject = 0;
        for (const auto &entry : m_pdf->getXRefTable())
            m_maxObject = std::max(*m_maxObject, entry.first.getObj());
    }
    return *m_maxObject;
}

const PdfInfoFile::Keys &PdfInfoFile::scannedKeys()
{
    if (!m_keys)
        m_keys = scanKeys();
    return *m_keys;
}

PdfInfoFile::Keys PdfInfoFile::scanKeys()
{
    // Any surprise in the bytes leaves the entries to qpdf.
    try {
        QPDFObjectHandle info = m_pdf->getTrailer().getKey("/Info");
        DictionaryScanner scanner(m_input);
        if (info.isIndirect()) {
            // Found by reading the file's own sections, or else in qpdf's table (also when
            // qpdf repaired the file, or what the sections lead to is not the object).
            const QPDFObjGen object = info.getObjGen();
            Keys keys;
            if (const auto entry = repaired() ? std::nullopt : lookUp(object))
                keys = keysOf(object, *entry);
            if (const auto entry = keys ? std::nullopt : tableEntryOf(object))
                keys = keysOf(object, *entry);
            return keys;
        }
        // A direct Info dictionary stands in the trailer of the last section.
        if (!tail().clean)
            return std::nullopt;
        const auto dictionary = scanner.trailerDictionary(tail().startxref);
        const auto trailerKeys = dictionary ? scanner.keys(*dictionary) : std::nullopt;
        if (!trailerKeys)
            return std::nullopt;
        for (const DictionaryScanner::Key &key : *trailerKeys) {
            if (key.name == "/Info")
                return scanner.keys(key.valueOffset);
        }
    } catch (const std::exception &) {
    }
    return std::nullopt;
}

PdfInfoFile::Keys PdfInfoFile::keysOf(QPDFObjGen object, const QPDFXRefEntry &entry)
{
    if (entry.getType() == 2)
        return keysInStream(object, entry);
    if (entry.getType() != 1)
        return std::nullopt;
    DictionaryScanner scanner(m_input);
    const auto body = scanner.objectBody(entry.getOffset(), object);
    return body ? scanner.keys(*body) : std::nullopt;
}

PdfInfoFile::Keys PdfInfoFile::keysInStream(QPDFObjGen object, const QPDFXRefEntry &entry)
{
    QPDFObjectHandle stream = m_pdf->getObject(entry.getObjStreamNumber(), 0);
    if (!stream.isStream())
        return std::nullopt;
    QPDFObjectHandle first = stream.getDict().getKey("/First");
    if (!first.isInteger())
        return std::nullopt;
    std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
    DictionaryScanner scanner(std::make_shared<BufferInputSource>("object stream", data.get()));
    const auto body =
        scanner.objectInStream(first.getIntValue(), entry.getObjStreamIndex(), object.getObj());
    return body ? scanner.keys(*body) : std::nullopt;
}

const PdfInfoFile::Tail &PdfInfoFile::tail()
{
    if (m_tail)
        return *m_tail;
    Tail tail;
    m_input->seek(0, SEEK_END);
    tail.length = m_input->tell();
    const std::int64_t start = std::max<std::int64_t>(0, tail.length - std::int64_t(EndWindow));
    std::string bytes(std::size_t(tail.length - start), '\0');
    m_input->seek(start, SEEK_SET);
    bytes.resize(m_input->read(bytes.data(), bytes.size()));

    tail.endsWithEol = !bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r');
    const std::size_t eof = bytes.rfind("%%EOF");
    const std::size_t startxref =
        eof == std::string::npos ? std::string::npos : bytes.rfind("startxref", eof);
    if (startxref != std::string::npos) {
        // Only end-of-line characters and blanks may follow the end of the revision.
        const auto blank = [](char c) {
            return c == '\r' || c == '\n' || c == ' ' || c == '\t';
        };
        const bool cleanEnd =
            std::all_of(bytes.begin() + std::ptrdiff_t(eof + 5), bytes.end(), blank);
        std::string_view offset =
            std::string_view(bytes).substr(startxref + 9, eof - startxref - 9);
        const auto space = [](char c) {
            return c == ' ' || (c >= '\t' && c <= '\r');
        };
        while (!offset.empty() && space(offset.front()))
            offset.remove_prefix(1);
        while (!offset.empty() && space(offset.back()))
            offset.remove_suffix(1);
        const bool digits =
            !offset.empty() &&
            std::all_of(offset.begin(), offset.end(), [](char c) { return c >= '0' && c <= '9'; });
        long long number = 0;
        const bool isNumber =
            digits &&
            std::from_chars(offset.data(), offset.data() + offset.size(), number).ec == std::errc();
        tail.startxref = isNumber ? number : 0;
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
    base.root = root.unparse();
    QPDFObjectHandle id = trailer.getKey("/ID");
    if (id.isArray())
        base.id = id.unparseResolved();
    QPDFObjectHandle encrypt = trailer.getKey("/Encrypt");
    if (!encrypt.isNull())
        base.encrypt = encrypt.isIndirect() ? encrypt.unparse() : encrypt.unparseResolved();
    QPDFObjectHandle size = trailer.getKey("/Size");
    base.size = std::max(size.isInteger() ? size.getIntValueAsInt() : 0, maxObject() + 1);
    QPDFObjectHandle info = trailer.getKey("/Info");
    if (infoStandsAlone()) {
        base.infoNumber = info.getObjGen().getObj();
        base.infoGeneration = info.getObjGen().getGen();
    }
    return base;
}

std::optional<PdfInfoFile::Metadata> PdfInfoFile::metadata()
{
    QPDFObjectHandle root = m_pdf->getTrailer().getKey("/Root");
    QPDFObjectHandle stream = root.isDictionary() ? root.getKey("/Metadata") : QPDFObjectHandle();
    if (!stream.isStream() || !stream.isIndirect())
        return std::nullopt;
    Metadata metadata{stream.getObjGen(), {}, false, stream};
    // A filter qpdf cannot undo leaves the stream as it is; that is not a warning about
    // the file, which keeps the stream's bytes.
    std::string data;
    Pl_String collect("metadata", nullptr, data);
    bool filtered = false;
    if (stream.pipeStreamData(&collect, &filtered, 0, qpdf_dl_all, true) && filtered) {
        metadata.data = std::move(data);
        metadata.decoded = true;
    }
    return metadata;
}

namespace {

// "2.0" as {2, 0}; {0, 0} for anything else.
std::pair<int, int> versionOf(std::string_view text)
{
    int major = 0, minor = 0;
    const char *const end = text.data() + text.size();
    const auto [dot, majorError] = std::from_chars(text.data(), end, major);
    if (majorError != std::errc() || dot == end || *dot != '.')
        return {0, 0};
    const auto [after, minorError] = std::from_chars(dot + 1, end, minor);
    if (minorError != std::errc() || after != end)
        return {0, 0};
    return {major, minor};
}

} // namespace

std::string PdfInfoFile::catalogRest()
{
    QPDFObjectHandle root = m_pdf->getTrailer().getKey("/Root");
    if (!root.isIndirect() || !root.isDictionary())
        return {};
    QPDFObjectHandle rest = root.shallowCopy();
    rest.removeKey("/Metadata");
    return rest.unparse();
}

std::pair<int, int> PdfInfoFile::version()
{
    std::pair<int, int> version = versionOf(m_pdf->getPDFVersion());
    QPDFObjectHandle root = m_pdf->getTrailer().getKey("/Root");
    QPDFObjectHandle declared = root.isDictionary() ? root.getKey("/Version") : root;
    // A catalog's /Version only ever raises the header's.
    if (declared.isName())
        version = std::max(version, versionOf(declared.getName().substr(1)));
    return version;
}

bool PdfInfoFile::infoStandsAlone()
{
    QPDFObjectHandle trailer = m_pdf->getTrailer();
    QPDFObjectHandle info = trailer.getKey("/Info");
    if (!info.isIndirect())
        return false;
    for (const char *key : {"/Root", "/Encrypt"}) {
        QPDFObjectHandle other = trailer.getKey(key);
        if (other.isIndirect() && other.getObjGen() == info.getObjGen())
            return false;
    }
    // What pages, page trees, catalogs and the other typed objects carry.
    const char *structure[] = {"/Parent", "/Kids", "/Pages", "/Contents", "/Resources"};
    if (const Keys &keys = scannedKeys()) {
        for (const DictionaryScanner::Key &key : *keys) {
            if (std::find(std::begin(structure), std::end(structure), key.name) !=
                std::end(structure))
                return false;
            if (key.name == "/Type" && key.value != "/Info")
                return false;
        }
        return true;
    }
    if (!info.isDictionary())
        return false;
    for (const char *key : structure) {
        if (info.hasKey(key))
            return false;
    }
    QPDFObjectHandle type = info.getKey("/Type");
    return type.isNull() || (type.isName() && type.getName() == "/Info");
}

} // namespace Tagora
