// SPDX-License-Identifier: Apache-2.0
#include "RevisionHistory.h"

#include "File.h"
#include "PdfInfoFile.h"
#include "TagoraError.h"
#include "XmpPacket.h"
#include "automation/AutomationError.h"
#include "automation/Text.h"

#include <algorithm>
#include <map>
#include <set>

namespace Tagora {

namespace {

// The first `length` bytes of a file, as a file of that length: the file as it was when
// a revision ended. Read only.
class Prefix final : public File
{
public:
    Prefix(std::shared_ptr<File> file, std::int64_t length)
        : m_file(std::move(file)), m_length(length)
    {}

    FileIdentity identity() override
    {
        FileIdentity identity = m_file->identity();
        identity.size = m_length;
        return identity;
    }
    std::size_t readAt(std::int64_t offset, char *into, std::size_t length) override
    {
        if (offset >= m_length)
            return 0;
        return m_file->readAt(
            offset, into,
            std::size_t(std::min<std::int64_t>(std::int64_t(length), m_length - offset)));
    }
    bool writerHolds() override { return false; }
    void reserve(std::int64_t, std::int64_t) override { readOnly(); }
    void writeAt(std::int64_t, const char *, std::size_t) override { readOnly(); }
    void flush() override {}
    void truncate(std::int64_t) override { readOnly(); }

private:
    [[noreturn]] static void readOnly()
    {
        raiseFileError(FileOperation::Write, FileProblem::Other, u"a past revision is read only");
    }

    std::shared_ptr<File> m_file;
    std::int64_t m_length;
};

// The offsets just after each "%%EOF" and the end of line that follows it, in order.
std::vector<std::int64_t> revisionEnds(File &file, std::int64_t size)
{
    constexpr std::size_t Chunk = 1 << 20;
    constexpr std::string_view Marker = "%%EOF";
    std::vector<std::int64_t> ends;
    std::string bytes;
    for (std::int64_t at = 0; at < size;) {
        // Each chunk starts with the last bytes of the one before, so no marker is cut.
        const std::int64_t start = std::max<std::int64_t>(0, at - std::int64_t(Marker.size()) - 1);
        bytes.resize(std::size_t(std::min<std::int64_t>(Chunk, size - start)));
        bytes.resize(file.readAt(start, bytes.data(), bytes.size()));
        if (bytes.empty())
            break;
        for (std::size_t found = bytes.find(Marker); found != std::string::npos;
             found = bytes.find(Marker, found + 1)) {
            const std::int64_t marked = start + std::int64_t(found + Marker.size());
            if (marked <= at && at > 0)
                continue; // seen in the chunk before
            // Its end of line belongs to the revision: CR, LF or CR LF.
            char eol[2] = {};
            const std::size_t read = file.readAt(marked, eol, sizeof eol);
            std::size_t taken = read > 0 && eol[0] == '\r' ? 1 : 0;
            if (read > taken && eol[taken] == '\n')
                ++taken;
            const std::int64_t end = marked + std::int64_t(taken);
            ends.push_back(end);
        }
        at = start + std::int64_t(bytes.size());
    }
    // Blanks after the last marker are the last revision's.
    if (!ends.empty()) {
        std::string tail(std::size_t(size - ends.back()), '\0');
        tail.resize(file.readAt(ends.back(), tail.data(), tail.size()));
        if (tail.find_first_not_of(" \t\r\n") == std::string::npos)
            ends.back() = size;
    }
    return ends;
}

XmpFields fieldsOf(const std::string &packet);

// The revision that `pdf` reads, ending at `end`.
Revision revisionOf(PdfInfoFile &pdf, std::int64_t end)
{
    Revision revision;
    revision.end = end;
    revision.info = pdf.info().entries();
    if (const std::optional<PdfInfoFile::Metadata> metadata = pdf.metadata();
        metadata && metadata->decoded) {
        revision.xmp = metadata->data;
        revision.xmpFields = fieldsOf(metadata->data);
    }
    return revision;
}

XmpFields fieldsOf(const std::string &packet)
{
    std::u16string problem;
    const std::optional<XmpPacket> xmp = XmpPacket::parse(packet, &problem);
    if (!xmp)
        return {};
    return {xmp->title(), xmp->author(), xmp->description(), xmp->keywords()};
}

bool samePlace(const QPDFXRefEntry &a, const QPDFXRefEntry &b)
{
    if (a.getType() != b.getType())
        return false;
    if (a.getType() == 2)
        return a.getObjStreamNumber() == b.getObjStreamNumber() &&
               a.getObjStreamIndex() == b.getObjStreamIndex();
    return a.getType() != 1 || a.getOffset() == b.getOffset();
}

// The catalog of a revision as qpdf reads it, but for its /Metadata, which names the
// document information's XMP packet.
struct Catalog
{
    QPDFObjGen object;
    std::string rest; // its dictionary without /Metadata, in PDF syntax

    bool operator==(const Catalog &) const = default;
};

std::optional<Catalog> catalogOf(PdfInfoFile &pdf)
{
    std::string rest = pdf.catalogRest();
    if (rest.empty())
        return std::nullopt;
    return Catalog{pdf.document().getTrailer().getKey("/Root").getObjGen(), std::move(rest)};
}

// What the revision read from `pdf` gave a new place to besides the document
// information, compared with the cross-reference entries `before` and the catalog
// `catalog` of the revision before: a catalog written anew only to name another XMP
// packet belongs to the document information.
std::vector<std::u16string> otherChanges(PdfInfoFile &pdf,
                                         const std::map<QPDFObjGen, QPDFXRefEntry> &before,
                                         const std::optional<Catalog> &catalog)
{
    QPDF &document = pdf.document();
    std::set<QPDFObjGen> information;
    QPDFObjectHandle info = document.getTrailer().getKey("/Info");
    if (info.isIndirect())
        information.insert(info.getObjGen());
    if (const std::optional<PdfInfoFile::Metadata> metadata = pdf.metadata())
        information.insert(metadata->object);
    if (const std::optional<Catalog> now = catalogOf(pdf); now && now == catalog)
        information.insert(now->object);
    std::vector<std::u16string> changes;
    for (const auto &[object, entry] : document.getXRefTable()) {
        const auto was = before.find(object);
        if (information.count(object) || (was != before.end() && samePlace(was->second, entry)))
            continue;
        QPDFObjectHandle value = document.getObjectByObjGen(object);
        QPDFObjectHandle dictionary = value.isStream() ? value.getDict() : value;
        QPDFObjectHandle type =
            dictionary.isDictionary() ? dictionary.getKey("/Type") : QPDFObjectHandle();
        // Sections the revision wrote to find its objects are not objects it changed.
        if (type.isNameAndEquals("/XRef"))
            continue;
        std::u16string text = u"object " + Automation::decimal(object.getObj()) + u' ' +
                              Automation::decimal(object.getGen());
        if (type.isName())
            text += u" (" + Automation::utf16(type.getName()) + u')';
        changes.push_back(text);
    }
    return changes;
}

} // namespace

std::vector<Revision> RevisionHistory::read(const std::u16string &path, const std::string &password)
{
    const std::shared_ptr<File> file = File::openForReading(path);
    const std::int64_t size = file->identity().size;
    std::vector<Revision> revisions;
    std::map<QPDFObjGen, QPDFXRefEntry> before;
    std::optional<Catalog> catalog;
    for (const std::int64_t end : revisionEnds(*file, size)) {
        try {
            PdfInfoFile pdf(path, std::make_shared<Prefix>(file, end), password);
            // A prefix qpdf reads only by repairing it ends no revision of the file's own.
            if (pdf.warningsAtOpen() > 0)
                continue;
            Revision revision = revisionOf(pdf, end);
            if (!revisions.empty())
                revision.otherChanges = otherChanges(pdf, before, catalog);
            before = pdf.document().getXRefTable();
            catalog = catalogOf(pdf);
            revisions.push_back(std::move(revision));
        } catch (const Automation::AutomationError &error) {
            // A password or a file that is not a PDF fails every prefix alike.
            if (error.number() == PasswordProtected ||
                error.number() == Automation::InvalidFileFormat)
                throw;
        } catch (const std::exception &) {
            // qpdf cannot make sense of this prefix: no revision ends there.
        }
    }
    if (revisions.empty()) {
        // No end of revision reads cleanly: the file as qpdf reads it (by repairing it),
        // or its reason, as a read gives it.
        PdfInfoFile pdf(path, file, password);
        revisions.push_back(revisionOf(pdf, size));
    }
    revisions.back().end = size;
    return revisions;
}

std::vector<EntryChange> RevisionHistory::changes(const Revision *before, const Revision &after)
{
    std::vector<EntryChange> changes;
    const Revision none;
    const Revision &old = before ? *before : none;
    for (const InfoEntry &entry : after.info) {
        const std::optional<std::u16string> was = old.text(entry.name);
        if (was != entry.text)
            changes.push_back({entry.name, was, entry.text});
    }
    for (const InfoEntry &entry : old.info) {
        if (!after.text(entry.name))
            changes.push_back({entry.name, entry.text, std::nullopt});
    }
    const XmpFields empty;
    const XmpFields &was = before ? before->xmpFields : empty;
    const std::pair<const char16_t *, std::optional<std::u16string> XmpFields::*> fields[] = {
        {u"XMP dc:title", &XmpFields::title},
        {u"XMP dc:creator", &XmpFields::author},
        {u"XMP dc:description", &XmpFields::description},
        {u"XMP pdf:Keywords", &XmpFields::keywords}};
    for (const auto &[name, field] : fields) {
        if (was.*field != after.xmpFields.*field)
            changes.push_back({name, was.*field, after.xmpFields.*field});
    }
    return changes;
}

std::vector<std::u16string> RevisionHistory::hiddenValues(const std::vector<Revision> &revisions)
{
    if (revisions.empty())
        return {};
    // What the last revision shows, as "Name: value" texts; not the stamp every save
    // replaces.
    const auto shown = [](const Revision &revision) {
        std::vector<std::u16string> texts;
        for (const InfoEntry &entry : revision.info) {
            if (entry.name != u"ModDate")
                texts.push_back(entry.name + u": " + entry.text);
        }
        for (const EntryChange &change : changes(nullptr, revision)) {
            if (change.name.starts_with(u"XMP ") && change.after)
                texts.push_back(change.name + u": " + *change.after);
        }
        return texts;
    };
    const std::vector<std::u16string> now = shown(revisions.back());
    std::vector<std::u16string> hidden;
    for (std::size_t i = 0; i + 1 < revisions.size(); ++i) {
        for (const std::u16string &text : shown(revisions[i])) {
            if (std::find(now.begin(), now.end(), text) == now.end() &&
                std::find(hidden.begin(), hidden.end(), text) == hidden.end())
                hidden.push_back(text);
        }
    }
    return hidden;
}

} // namespace Tagora
