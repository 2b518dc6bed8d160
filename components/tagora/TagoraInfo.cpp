// SPDX-License-Identifier: Apache-2.0
#include "TagoraInfo.h"

#include "File.h"
#include "FullRewrite.h"
#include "IncrementalUpdate.h"
#include "InfoDictionary.h"
#include "LocalTime.h"
#include "ObjectEncryption.h"
#include "PdfInfoFile.h"
#include "PdfText.h"
#include "ReplacementFile.h"
#include "RevisionHistory.h"
#include "RevisionWriter.h"
#include "SaveProof.h"
#include "StandardEntries.h"
#include "TagoraError.h"
#include "XmpPacket.h"
#include "automation/AutomationError.h"
#include "automation/Text.h"

#include <qpdf/QPDFCryptoProvider.hh>
#include <qpdf/QUtil.hh>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <thread>
#include <unordered_map>

namespace Tagora {

using namespace StandardEntries;
using Automation::decimal;

namespace {

FileStatus examined(const std::u16string &target)
{
    const FileStatus status = examine(target);
    if (!status.regular)
        Automation::raise(Automation::PathFileAccessError, u"the path is not a regular file");
    return status;
}

// The file's last bytes (at most 1 KiB): they hold the end of its last revision.
std::string lastBytes(File &file, std::int64_t length)
{
    std::string bytes(std::size_t(std::min<std::int64_t>(length, 1024)), '\0');
    const std::size_t read =
        file.readAt(length - std::int64_t(bytes.size()), bytes.data(), bytes.size());
    return read == bytes.size() ? bytes : std::string();
}

Automation::AutomationError namedFailure(const std::u16string &path, std::exception_ptr failure)
{
    const Automation::AutomationError error = failureOf(failure);
    return Automation::AutomationError(error.number(), path + u": " + error.description());
}

// Raises an event; what the listener throws stays with it.
template <typename Call> void notify(TagoraInfo::Events *events, Call call) noexcept
{
    if (!events)
        return;
    try {
        call(*events);
    } catch (...) {
    }
}

// A document's XMP metadata, read from its stream on first use.
struct Metadata
{
    bool read = false;
    std::optional<PdfInfoFile::Metadata> stream; // none: the document has no metadata stream
    std::optional<XmpPacket> packet;             // none: it cannot be read, `problem` says why
    std::u16string problem;

    // False when the document has no metadata stream.
    bool load(PdfInfoFile &pdf)
    {
        if (!read) {
            read = true;
            stream = pdf.metadata();
            if (stream && !stream->decoded)
                problem = u"its stream cannot be decoded";
            else if (stream)
                packet = XmpPacket::parse(stream->data, &problem);
        }
        return stream.has_value();
    }
};

// The metadata stream `object` with the dictionary `dictionary` (a direct copy) and `data`
// as its contents, in PDF syntax, unfiltered; encrypted as the file's new objects are,
// when `encryption` is given.
std::string metadataStream(QPDFObjectHandle dictionary, QPDFObjGen object, const std::string &data,
                           const ObjectEncryption *encryption)
{
    const std::string bytes = encryption ? encryption->stream(data, object, true) : data;
    for (const char *key : {"/Filter", "/DecodeParms", "/DL", "/Length"})
        dictionary.removeKey(key);
    dictionary.replaceKey("/Length", QPDFObjectHandle::newInteger(std::int64_t(bytes.size())));
    return (encryption ? encryption->syntax(dictionary, object) : dictionary.unparse()) +
           "\nstream\n" + bytes + "\nendstream";
}

// The catalog `root` naming object `metadata` as its XMP packet, in PDF syntax, its
// strings encrypted for the catalog's object when `encryption` is given. Built key by key:
// qpdf leaves out of a dictionary a reference to an object it does not have yet.
std::string catalogNaming(QPDFObjectHandle root, QPDFObjGen metadata,
                          const ObjectEncryption *encryption)
{
    QPDFObjectHandle rest = root.shallowCopy();
    rest.removeKey("/Metadata");
    std::string out("<<");
    for (auto [key, value] : PdfText::writable(rest).ditems())
        out += ' ' + QPDFObjectHandle::newName(key).unparse() + ' ' +
               (encryption ? encryption->syntax(value, root.getObjGen()) : value.unparse());
    return out + " /Metadata " + metadata.unparse(' ') + " R >>";
}

// "uuid:" and 16 bytes in the 8-4-4-4-12 hexadecimal form.
std::string uuid(const unsigned char (&bytes)[16])
{
    static const char digits[] = "0123456789abcdef";
    std::string out("uuid:");
    for (std::size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += '-';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0F];
    }
    return out;
}

// A random UUID, version 4.
std::string newUuid()
{
    unsigned char bytes[16];
    QUtil::initializeWithRandomBytes(bytes, sizeof bytes);
    bytes[6] = (bytes[6] & 0x0F) | 0x40;
    bytes[8] = (bytes[8] & 0x3F) | 0x80;
    return uuid(bytes);
}

// The document's UUID: its first /ID element, which no save changes (its MD5 when it is
// not 16 bytes long); a new one when the file has none.
std::string documentUuid(QPDF &pdf)
{
    QPDFObjectHandle id = pdf.getTrailer().getKey("/ID");
    QPDFObjectHandle first = id.isArray() ? id.getArrayItem(0) : id;
    const std::string bytes = first.isString() ? first.getStringValue() : std::string();
    if (bytes.empty())
        return newUuid();
    QPDFCryptoImpl::MD5_Digest digest;
    if (bytes.size() == sizeof digest) {
        std::copy(bytes.begin(), bytes.end(), digest);
    } else {
        const std::shared_ptr<QPDFCryptoImpl> md5 = QPDFCryptoProvider::getImpl();
        md5->MD5_init();
        md5->MD5_update(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
        md5->MD5_finalize();
        md5->MD5_digest(digest);
    }
    return uuid(digest);
}

// The Info entries other than the standard eight, as custom fields, in order.
std::vector<XmpPacket::Field> customFields(const InfoDictionary &info)
{
    std::vector<XmpPacket::Field> fields;
    for (const InfoEntry &entry : info.entries()) {
        if (std::find(Edited.begin(), Edited.end(), entry.name) == Edited.end() &&
            std::find(Kept.begin(), Kept.end(), entry.name) == Kept.end())
            fields.push_back({entry.name, entry.text});
    }
    return fields;
}

// The four edited standard entries and their XMP equivalents.
struct Equivalent
{
    std::u16string_view name;
    std::optional<std::u16string> (XmpPacket::*get)() const;
    void (XmpPacket::*set)(const std::u16string &);
};
const Equivalent Equivalents[] = {
    {Title, &XmpPacket::title, &XmpPacket::setTitle},
    {Author, &XmpPacket::author, &XmpPacket::setAuthor},
    {Subject, &XmpPacket::description, &XmpPacket::setDescription},
    {Keywords, &XmpPacket::keywords, &XmpPacket::setKeywords},
};

// The entry a reader takes for `name` (as the field set reads: the last one whose lower
// case matches), or none.
const InfoEntry *readAs(const std::vector<InfoEntry> &entries, std::u16string_view name)
{
    const std::u16string lower = Automation::lowerCase(name);
    const InfoEntry *found = nullptr;
    for (const InfoEntry &entry : entries) {
        if (Automation::lowerCase(entry.name) == lower)
            found = &entry;
    }
    return found;
}

// The entries a read lists: the Info dictionary's, then, for each of Title, Author,
// Subject and Keywords that it lacks, the XMP metadata's equivalent (the only place a
// PDF 2.0 file may keep them).
std::vector<InfoEntry> listed(const std::u16string &target, const InfoDictionary &info,
                              PdfInfoFile &pdf, Metadata &metadata,
                              std::vector<std::u16string> &log)
{
    std::vector<InfoEntry> entries = info.entries();
    // Which of the four Info holds, in one pass over its entries. When it holds all four
    // the metadata is not read: its catalog may sit in an object stream of thousands of
    // objects, which qpdf would parse whole.
    bool held[std::size(Equivalents)] = {};
    for (const InfoEntry &entry : entries) {
        for (size_t i = 0; i < std::size(Equivalents); ++i)
            held[i] = held[i] || Automation::equalIgnoringCase(entry.name, Equivalents[i].name);
    }
    if (std::all_of(std::begin(held), std::end(held), [](bool h) { return h; }) ||
        !metadata.load(pdf))
        return entries;
    for (size_t i = 0; i < std::size(Equivalents); ++i) {
        const Equivalent &equivalent = Equivalents[i];
        if (held[i])
            continue;
        if (!metadata.packet) {
            log.push_back(u"warning: the XMP metadata of " + target + u" cannot be read (" +
                          metadata.problem + u")");
            break;
        }
        if (const std::optional<std::u16string> text = (*metadata.packet.*equivalent.get)())
            entries.push_back({PdfText::nameBytes(equivalent.name), std::u16string(equivalent.name),
                               PdfText::stringSyntax(PdfText::encodeText(*text)), *text});
    }
    return entries;
}

// Revision `number` of a file's revisions, 1 being the original.
const Revision &numbered(const std::vector<Revision> &revisions, std::int32_t number)
{
    if (number < 1 || std::size_t(number) > revisions.size())
        Automation::raise(Automation::SubscriptOutOfRange,
                          u"the file has no revision " + decimal(number) + u" (it has " +
                              decimal(std::int64_t(revisions.size())) + u")");
    return revisions[std::size_t(number - 1)];
}

// What the last ReadInfo of a file found: a save that begins while the file is still
// that one starts from it, without reading the file again.
struct Reading
{
    FileIdentity identity;
    std::string tail;
    InfoDictionary info;
    std::shared_ptr<PdfInfoFile> pdf;
    std::shared_ptr<Metadata> metadata = std::make_shared<Metadata>();
};

} // namespace

// A save in progress on one file, under its lock.
struct TagoraInfo::Save
{
    std::shared_ptr<File> file;
    std::u16string target;
    FileIdentity identity;                      // of the file when the save began
    std::shared_ptr<PdfInfoFile> pdf;           // as read; the whole-file writer works from it
    std::optional<RevisionBase> base;           // an appended revision; none: the file written anew
    std::optional<ObjectEncryption> encryption; // of an encrypted file's appended revision
    std::u16string rewriteReason;
    bool replaceInfo = false;               // the Info object is the Info dictionary's own
    InfoDictionary original;                // as the file holds it
    InfoDictionary info;                    // with the save's changes
    std::set<std::u16string> written;       // the names its jobs wrote or removed
    std::optional<std::string> restoredXmp; // a past revision's packet, written as it was
    bool dropHistory = false;               // written anew, whatever changed
    std::shared_ptr<Metadata> metadata = std::make_shared<Metadata>();
};

struct TagoraInfo::Private
{
    std::vector<InfoEntry> loaded;
    std::unordered_map<std::u16string, std::u16string> targets; // paths as given, resolved
    std::unordered_map<std::u16string, Reading> readings;
    // The order in which this object wrote a file anew, while the file is that one:
    // qpdf's writer sorts the keys, and the object reads its own order back.
    std::unordered_map<std::u16string, std::pair<FileIdentity, std::vector<std::u16string>>>
        rewritten;
    std::map<std::u16string, std::unique_ptr<Save>> saves;
    std::string password; // of the encrypted files read and written
    XmpMode xmpMode = XmpMode::Update;

    // Whether a save of `pdf`, which has no XMP packet, makes one.
    bool makesXmp(PdfInfoFile &pdf) const
    {
        return xmpMode == XmpMode::Create ||
               (xmpMode == XmpMode::Update && pdf.version() >= std::pair{2, 0});
    }

    // The path of the file itself, symbolic links resolved.
    const std::u16string &target(const std::u16string &path)
    {
        if (path.empty())
            Automation::raise(Automation::FileNotFound, u"no file is named");
        const auto found = targets.find(path);
        if (found != targets.end())
            return found->second;
        std::u16string resolved = path;
        // A UNC name ("\\server\share\...") or one in the system's own form ("\\?\...")
        // is whole as it stands; the Windows toolchain's std::filesystem would read its
        // server as a folder of the current drive.
        if (path.starts_with(u"\\\\"))
            return targets[path] = resolved;
        try {
            namespace fs = std::filesystem;
            std::error_code error;
            const fs::path given(path);
            fs::path file = fs::canonical(given, error);
            if (error)
                file = fs::absolute(given).lexically_normal();
            resolved = file.u16string();
        } catch (const std::exception &) {
            // A name the system cannot spell stays as it was given, and fails as such.
        }
        return targets[path] = resolved;
    }

    Save *save(const std::u16string &target)
    {
        const auto found = saves.find(target);
        return found == saves.end() ? nullptr : found->second.get();
    }

    InfoDictionary infoOf(PdfInfoFile &pdf, const std::u16string &target,
                          const FileIdentity &identity)
    {
        InfoDictionary info = pdf.info();
        const auto order = rewritten.find(target);
        if (order != rewritten.end() && order->second.first == identity)
            info.reorder(order->second.second);
        return info;
    }
};

void TagoraInfo::Events::OnJobStart(const std::u16string &, const std::u16string &) {}
void TagoraInfo::Events::OnJobDone(const std::u16string &, const std::u16string &) {}
void TagoraInfo::Events::OnJobFail(const std::u16string &, const std::u16string &) {}
void TagoraInfo::Events::OnJobError(std::int32_t) {}
void TagoraInfo::Events::OnJobPercentDone(std::int32_t) {}
void TagoraInfo::Events::OnLogMessage(const std::u16string &) {}
void TagoraInfo::Events::OnPageNumber(std::int32_t) {}

TagoraInfo::TagoraInfo(Events *events) : m_events(events), d(std::make_unique<Private>()) {}

TagoraInfo::~TagoraInfo()
{
    if (d->saves.empty())
        return;
    try {
        Commit();
    } catch (const Automation::AutomationError &error) {
        notify(m_events, [&](Events &e) { e.OnLogMessage(error.description()); });
        notify(m_events, [&](Events &e) { e.OnJobError(error.number()); });
    } catch (...) {
    }
}

void TagoraInfo::setEvents(Events *events)
{
    m_events = events;
}

void TagoraInfo::setPassword(const std::string &password)
{
    d->password = password;
}

void TagoraInfo::setXmpMode(XmpMode mode)
{
    d->xmpMode = mode;
}

std::int32_t TagoraInfo::job(const std::u16string &path, const std::u16string &operation,
                             const std::function<std::int32_t(std::vector<std::u16string> &)> &body)
{
    notify(m_events, [&](Events &e) { e.OnJobStart(path, operation); });
    std::vector<std::u16string> log;
    std::optional<Automation::AutomationError> failure;
    std::int32_t result = 0;
    try {
        result = body(log);
    } catch (...) {
        failure = namedFailure(path, std::current_exception());
    }
    for (const std::u16string &message : log)
        notify(m_events, [&](Events &e) { e.OnLogMessage(message); });
    if (failure) {
        notify(m_events, [&](Events &e) { e.OnJobError(failure->number()); });
        notify(m_events, [&](Events &e) { e.OnJobFail(path, operation); });
        throw *failure;
    }
    notify(m_events, [&](Events &e) { e.OnJobPercentDone(100); });
    notify(m_events, [&](Events &e) { e.OnJobDone(path, operation); });
    return result;
}

std::int32_t TagoraInfo::ReadInfo(const std::u16string &path)
{
    return job(path, u"ReadInfo", [&](std::vector<std::u16string> &log) {
        d->loaded.clear();
        const std::u16string target = d->target(path);
        if (Save *save = d->save(target)) {
            d->loaded = listed(target, save->info, *save->pdf, *save->metadata, log);
            log.push_back(decimal(std::int64_t(d->loaded.size())) +
                          u" entries of the save in progress");
            return std::int32_t(d->loaded.size());
        }
        examined(target);
        const std::shared_ptr<File> file = File::openForReading(target);
        // A file that does not end cleanly while a writer holds it is being written:
        // its end is read again once the writer is done (for two seconds at most).
        for (int attempt = 1;; ++attempt) {
            const bool mayWait = attempt < 100 && file->writerHolds();
            std::shared_ptr<PdfInfoFile> pdf;
            try {
                pdf = std::make_shared<PdfInfoFile>(target, file, d->password);
            } catch (...) {
                if (!mayWait)
                    throw;
            }
            if (!pdf || (!pdf->endsCleanly() && mayWait)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            const FileIdentity identity = file->identity();
            Reading reading{identity, lastBytes(*file, identity.size),
                            d->infoOf(*pdf, target, identity), std::move(pdf)};
            d->loaded = listed(target, reading.info, *reading.pdf, *reading.metadata, log);
            d->readings.insert_or_assign(target, std::move(reading));
            break;
        }
        log.push_back(decimal(std::int64_t(d->loaded.size())) + u" entries read");
        return std::int32_t(d->loaded.size());
    });
}

const InfoEntry &TagoraInfo::loaded(std::int32_t index) const
{
    if (index < 0 || std::size_t(index) >= d->loaded.size())
        Automation::raise(Automation::SubscriptOutOfRange);
    return d->loaded[std::size_t(index)];
}

std::u16string TagoraInfo::InfoName(std::int32_t index) const
{
    return loaded(index).name;
}

std::u16string TagoraInfo::InfoValue(std::int32_t index) const
{
    return loaded(index).text;
}

void TagoraInfo::LockFile(const std::u16string &path, std::int32_t wait)
{
    try {
        begin(path, wait);
    } catch (...) {
        throw namedFailure(path, std::current_exception());
    }
}

TagoraInfo::Save &TagoraInfo::begin(const std::u16string &path, std::int32_t wait)
{
    const std::u16string target = d->target(path);
    if (Save *save = d->save(target))
        return *save;
    if (examined(target).readOnly)
        Automation::raise(Automation::PermissionDenied, u"the file is read-only");
    auto save = std::make_unique<Save>();
    save->target = target;
    save->file = File::openExclusive(target, wait);
    save->identity = save->file->identity();

    if (const auto reading = d->readings.find(target); reading != d->readings.end()) {
        // The save changes the file this object read, or nothing.
        if (!(reading->second.identity == save->identity) ||
            lastBytes(*save->file, save->identity.size) != reading->second.tail)
            Automation::raise(FileChanged,
                              u"the file was changed by another program since it was read");
        save->pdf = reading->second.pdf;
        save->original = reading->second.info;
        save->metadata = reading->second.metadata;
    } else {
        save->pdf = std::make_shared<PdfInfoFile>(target, save->file, d->password);
        save->original = d->infoOf(*save->pdf, target, save->identity);
    }
    PdfInfoFile &pdf = *save->pdf;
    if (!pdf.changesAllowed())
        Automation::raise(ChangeNotAllowed, u"the file's permissions do not allow changing it");
    std::u16string doubt;
    if (pdf.repaired())
        save->rewriteReason = u"qpdf had to repair it";
    else if (!(save->base = pdf.revisionBase()))
        save->rewriteReason = u"it does not end with a clean end of revision";
    else if (pdf.encrypted() &&
             !(save->encryption = ObjectEncryption::of(pdf.document(), &doubt))) {
        save->base.reset();
        save->rewriteReason = u"its encryption dictionary " + doubt;
    }
    save->replaceInfo = pdf.infoStandsAlone();
    save->info = save->original;
    return *d->saves.emplace(target, std::move(save)).first->second;
}

std::int32_t TagoraInfo::change(const std::u16string &path, const std::u16string &operation,
                                const Change &body)
{
    return job(path, operation, [&](std::vector<std::u16string> &) {
        Save &save = begin(path, 0);
        // Another program may write without asking for the lock; such a save is lost.
        if (!(save.file->identity() == save.identity)) {
            d->saves.erase(save.target);
            Automation::raise(FileChanged,
                              u"the file was changed by another program during the save");
        }
        return body(save);
    });
}

void TagoraInfo::putText(Save &save, const std::u16string &name, const std::u16string &text)
{
    // Written back as it read, an entry keeps its original object and type.
    const InfoEntry *was = save.original.find(name);
    if (was && was->text == text)
        save.info.set(*was);
    else
        save.info.setText(name, text);
}

void TagoraInfo::WriteStandardInfo(const std::u16string &path, const std::u16string &title,
                                   const std::u16string &author, const std::u16string &subject,
                                   const std::u16string &keywords, const std::u16string &creator,
                                   const std::u16string &producer)
{
    change(path, u"WriteStandardInfo", [&](Save &save) {
        const std::pair<std::u16string, const std::u16string &> fields[] = {
            {std::u16string(Title), title},
            {std::u16string(Author), author},
            {std::u16string(Subject), subject},
            {std::u16string(Keywords), keywords}};
        for (const auto &[name, text] : fields) {
            save.written.insert(name);
            if (text.empty())
                save.info.remove(name);
            else
                putText(save, name, text);
        }
        // Where the document comes from stays as the file had it when the save began.
        const std::u16string none;
        const std::pair<std::u16string, const std::u16string &> kept[] = {
            {std::u16string(Creator), creator},
            {std::u16string(Producer), producer},
            {std::u16string(CreationDate), none}};
        for (const auto &[name, given] : kept) {
            if (!given.empty())
                putText(save, name, given);
            else if (const InfoEntry *own = save.original.find(name))
                save.info.set(*own);
        }
        save.info.setText(std::u16string(ModDate), PdfText::date(localTimeNow()));
        return 0;
    });
}

std::int32_t TagoraInfo::WriteInfoEntry(const std::u16string &path, const std::u16string &name,
                                        const std::u16string &value)
{
    return change(path, u"WriteInfoEntry " + name, [&](Save &save) {
        save.written.insert(name);
        putText(save, name, value);
        return save.info.size();
    });
}

std::int32_t TagoraInfo::RemoveInfoEntry(const std::u16string &path, const std::u16string &name)
{
    return change(path, u"RemoveInfoEntry " + name, [&](Save &save) {
        save.written.insert(name);
        return save.info.remove(name) ? 1 : 0;
    });
}

std::int32_t TagoraInfo::RestoreRevision(const std::u16string &path, std::int32_t revision)
{
    return change(path, u"RestoreRevision " + decimal(revision), [&](Save &save) {
        const std::vector<Revision> revisions = RevisionHistory::read(save.target, d->password);
        const Revision &past = numbered(revisions, revision);
        InfoDictionary restored;
        for (const InfoEntry &entry : past.info)
            restored.set(entry);
        // Every name either side has counts as written, so XMP follows where the past
        // revision's own packet cannot be put back.
        for (const std::u16string &name : save.info.names())
            save.written.insert(name);
        for (const std::u16string &name : restored.names())
            save.written.insert(name);
        save.info = restored;
        save.restoredXmp = past.xmp;
        return restored.size();
    });
}

void TagoraInfo::TruncateToRevision(const std::u16string &path, std::int32_t revision,
                                    std::int32_t wait)
{
    job(path, u"TruncateToRevision " + decimal(revision), [&](std::vector<std::u16string> &log) {
        const std::u16string target = d->target(path);
        if (d->save(target))
            Automation::raise(FileLocked, u"a save of the file is in progress");
        const std::shared_ptr<File> file = File::openExclusive(target, wait);
        // Read under the lock: no save of ours comes between the reading and the cut.
        const std::vector<Revision> revisions = RevisionHistory::read(target, d->password);
        const std::int64_t end = numbered(revisions, revision).end;
        for (std::size_t later = std::size_t(revision); later < revisions.size(); ++later) {
            const std::vector<std::u16string> &other = revisions[later].otherChanges;
            if (other.empty())
                continue;
            std::u16string what;
            for (const std::u16string &text : other)
                what += (what.empty() ? u"" : u", ") + text;
            Automation::raise(TruncateRefused,
                              u"revision " + decimal(std::int64_t(later + 1)) +
                                  u" changed more than the document information (" + what +
                                  u"); the file was left as it was");
        }
        d->readings.erase(target);
        if (end < file->identity().size) {
            file->truncate(end);
            file->flush();
        }
        log.push_back(target + u": cut back to revision " + decimal(revision) + u", " +
                      decimal(end) + u" bytes");
        return 0;
    });
}

void TagoraInfo::DropHistory(const std::u16string &path)
{
    change(path, u"DropHistory", [&](Save &save) {
        save.dropHistory = true;
        save.base.reset();
        save.rewriteReason = u"its history was to be dropped";
        return 0;
    });
}

void TagoraInfo::Commit()
{
    std::vector<std::u16string> log;
    std::optional<Automation::AutomationError> failure;
    while (!d->saves.empty()) {
        // Taken out first: the lock goes with it, whatever happens.
        const std::unique_ptr<Save> save = std::move(d->saves.begin()->second);
        d->saves.erase(d->saves.begin());
        try {
            commit(*save, log);
        } catch (...) {
            if (!failure)
                failure = namedFailure(save->target, std::current_exception());
        }
    }
    for (const std::u16string &message : log)
        notify(m_events, [&](Events &e) { e.OnLogMessage(message); });
    if (failure)
        throw *failure;
}

std::optional<std::string> TagoraInfo::updatedMetadata(Save &save, std::vector<std::u16string> &log)
{
    if (!save.metadata->load(*save.pdf))
        return std::nullopt; // a document without XMP gets none
    if (!save.metadata->packet) {
        log.push_back(u"warning: the XMP metadata of " + save.target + u" cannot be read (" +
                      save.metadata->problem + u"); it was left as it was");
        return std::nullopt;
    }
    XmpPacket &packet = *save.metadata->packet;
    const std::vector<InfoEntry> entries = save.info.entries();
    bool changed = false;
    auto wrote = [&](std::u16string_view name) {
        const std::u16string lower = Automation::lowerCase(name);
        for (const std::u16string &written : save.written)
            if (Automation::lowerCase(written) == lower)
                return true;
        return false;
    };
    // What the save wrote to Info, its XMP equivalent follows; an entry gone removes it.
    for (const Equivalent &equivalent : Equivalents) {
        if (!wrote(equivalent.name))
            continue;
        const InfoEntry *entry = readAs(entries, equivalent.name);
        const std::u16string text = entry ? entry->text : std::u16string();
        if ((packet.*equivalent.get)().value_or(std::u16string()) != text) {
            (packet.*equivalent.set)(text);
            changed = true;
        }
    }
    for (const std::u16string &name : save.written) {
        const InfoEntry *entry = save.info.find(name);
        const std::u16string text = entry ? entry->text : std::u16string();
        if (packet.pdfx(name).value_or(text) != text)
            changed = packet.setPdfx(name, text) || changed;
    }
    // The custom fields' array, where the packet has one, holds every custom entry.
    const std::vector<XmpPacket::Field> fields = customFields(save.info);
    if (const auto held = packet.customFields(); held && *held != fields) {
        packet.setCustomFields(fields);
        changed = true;
    }
    const InfoEntry *modified = save.info.find(std::u16string(ModDate));
    const InfoEntry *was = save.original.find(std::u16string(ModDate));
    if (modified && (!was || was->text != modified->text))
        changed = packet.setModifyDate(modified->text) || changed;
    // Untouched, the packet stays byte for byte as it was.
    if (!changed)
        return std::nullopt;
    if (packet.hasInstanceId())
        packet.setInstanceId(newUuid());
    return packet.serialize();
}

std::optional<std::string> TagoraInfo::createdMetadata(Save &save, std::vector<std::u16string> &log)
{
    std::u16string problem;
    std::optional<XmpPacket> packet = XmpPacket::create(&problem);
    if (!packet) {
        log.push_back(u"warning: no XMP metadata could be made for " + save.target + u" (" +
                      problem + u")");
        return std::nullopt;
    }
    const std::vector<InfoEntry> entries = save.info.entries();
    for (const Equivalent &equivalent : Equivalents) {
        if (const InfoEntry *entry = readAs(entries, equivalent.name))
            (*packet.*equivalent.set)(entry->text);
    }
    const auto text = [&](std::u16string_view name) {
        const InfoEntry *entry = save.info.find(std::u16string(name));
        return entry ? entry->text : std::u16string();
    };
    packet->setProducer(text(Producer));
    packet->setCreatorTool(text(Creator));
    packet->setCreateDate(text(CreationDate));
    if (!packet->setModifyDate(text(ModDate)))
        packet->setMetadataDate(PdfText::date(localTimeNow()));
    packet->setDocumentId(documentUuid(save.pdf->document()));
    packet->setInstanceId(newUuid());
    packet->setCustomFields(customFields(save.info));
    log.push_back(save.target + u": XMP metadata made for it");
    return packet->serialize();
}

void TagoraInfo::commit(Save &save, std::vector<std::u16string> &log)
{
    // Whatever happens now, the file is no longer the one read.
    d->readings.erase(save.target);
    if (save.info == save.original && !save.dropHistory &&
        (!save.restoredXmp || !save.metadata->load(*save.pdf) ||
         *save.restoredXmp == save.metadata->stream->data)) {
        log.push_back(save.target + u": nothing to change");
        return;
    }
    if (!(save.file->identity() == save.identity))
        Automation::raise(FileChanged, u"the file was changed by another program during the save");
    // Under the lock no other save of ours is writing a copy of this file.
    ReplacementFile::removeLeftovers(save.target);
    // A past revision's packet goes back as it was, where the file still has a stream; a
    // file without one may get a new one.
    const bool hasXmp = save.metadata->load(*save.pdf);
    const bool restoresXmp = save.restoredXmp && hasXmp;
    const std::optional<std::string> metadata =
        !hasXmp        ? (d->makesXmp(*save.pdf) ? createdMetadata(save, log) : std::nullopt)
        : !restoresXmp ? updatedMetadata(save, log)
        : *save.restoredXmp != save.metadata->stream->data ? save.restoredXmp
                                                           : std::nullopt;
    if (save.base) {
        const ObjectEncryption *encryption = save.encryption ? &*save.encryption : nullptr;
        std::vector<IncrementalUpdate::Object> others;
        std::optional<std::string> catalog; // as the proof must read it back, /Metadata aside
        if (metadata && hasXmp) {
            const PdfInfoFile::Metadata &stream = *save.metadata->stream;
            others.push_back(
                {stream.object.getObj(), stream.object.getGen(),
                 metadataStream(QPDFObjectHandle(stream.stream).getDict().shallowCopy(),
                                stream.object, *metadata, encryption)});
        } else if (metadata) {
            // A new stream, and the catalog anew to name it.
            QPDFObjectHandle root = save.pdf->document().getRoot();
            const QPDFObjGen object(IncrementalUpdate::freeNumber(*save.base), 0);
            others.push_back(
                {object.getObj(), 0,
                 metadataStream(QPDFObjectHandle::parse("<< /Type /Metadata /Subtype /XML >>"),
                                object, *metadata, encryption)});
            others.push_back({root.getObjectID(), root.getGeneration(),
                              catalogNaming(root, object, encryption)});
            catalog = save.pdf->catalogRest();
        }
        std::string info = save.info.syntax();
        if (encryption) {
            const auto [number, generation] = IncrementalUpdate::infoObject(*save.base);
            QPDF &pdf = save.pdf->document();
            info = save.info.syntax([&](const std::string &value) {
                // qpdf parses a reference only inside another object.
                return encryption->syntax(
                    QPDFObjectHandle::parse(&pdf, "[" + value + "]").getArrayItem(0),
                    QPDFObjGen(number, generation));
            });
        }
        const std::string revision = IncrementalUpdate::build(*save.base, info, others);
        RevisionWriter::append(*save.file, save.base->length, revision);
        try {
            SaveProof::checkRevision(save.target, save.file, save.info,
                                     metadata ? &*metadata : nullptr, catalog ? &*catalog : nullptr,
                                     d->password);
        } catch (...) {
            RevisionWriter::cutBack(*save.file, save.base->length);
            throw;
        }
        // On Windows a rename over the file (another save writing it anew) may have put
        // another file under its name while this save held the old one: what was appended
        // went where no reader looks.
        if (!stillNamed(save.target, save.file->identity()))
            Automation::raise(FileChanged,
                              u"the file was replaced by another program during the save");
        log.push_back(save.target + u": appended a revision of " +
                      decimal(std::int64_t(revision.size())) + u" bytes after byte " +
                      decimal(save.base->length));
        return;
    }
    FullRewrite::write(*save.pdf, save.info, save.replaceInfo, save.target, metadata,
                       save.file->identity());
    d->rewritten.insert_or_assign(save.target,
                                  std::pair{examined(save.target).identity, save.info.names()});
    log.push_back(save.target + u": the whole file was written anew, since " + save.rewriteReason);
}

} // namespace Tagora
