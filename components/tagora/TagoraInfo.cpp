// SPDX-License-Identifier: Apache-2.0
#include "TagoraInfo.h"

#include "FullRewrite.h"
#include "IncrementalUpdate.h"
#include "InfoDictionary.h"
#include "PdfInfoFile.h"
#include "PdfText.h"
#include "RevisionWriter.h"
#include "SaveProof.h"
#include "StandardEntries.h"
#include "TagoraError.h"
#include "XmpPacket.h"
#include "automation/AutomationError.h"
#include "platform/FileSystem.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tagora {

using namespace StandardEntries;

namespace {

// What tells that a file is still the one read: any write, even one that puts the size
// and the modification time back, moves the change time, which no program can set.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified = {};
    timespec changed = {};

    static FileIdentity of(const struct stat &st)
    {
        return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    }
    bool operator==(const FileIdentity &o) const
    {
        auto same = [](const timespec &a, const timespec &b) {
            return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
        };
        return device == o.device && inode == o.inode && size == o.size &&
               same(modified, o.modified) && same(changed, o.changed);
    }
};

FileIdentity identityOf(int fd)
{
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        raiseFileError(errno, QStringLiteral("the file cannot be examined"));
    return FileIdentity::of(st);
}

struct stat examined(const QString &target)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(target).constData(), &st) != 0)
        raiseFileError(errno, QStringLiteral("the file cannot be examined"));
    if (!S_ISREG(st.st_mode))
        Automation::raise(Automation::PathFileAccessError,
                          QStringLiteral("the path is not a regular file"));
    return st;
}

// A descriptor for reading, closed on leaving the scope.
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const QString &target)
        : m_fd(::open(QFile::encodeName(target).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY))
    {
        if (m_fd < 0)
            raiseFileError(errno, QStringLiteral("the file cannot be read"));
    }
    ~ReadOnlyFile() { ::close(m_fd); }
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;
    int handle() const { return m_fd; }

private:
    int m_fd;
};

// The file's last bytes (at most 1 KiB): they hold the end of its last revision.
QByteArray lastBytes(int fd, qint64 length)
{
    QByteArray bytes(int(std::min<qint64>(length, 1024)), Qt::Uninitialized);
    const ssize_t n = ::pread(fd, bytes.data(), size_t(bytes.size()), off_t(length - bytes.size()));
    return n == bytes.size() ? bytes : QByteArray();
}

// Whether a writer holds the file's exclusive lock right now.
bool writerHolds(int fd)
{
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    ::flock(fd, LOCK_UN);
    return false;
}

Automation::AutomationError namedFailure(const QString &path, std::exception_ptr failure)
{
    const Automation::AutomationError error = failureOf(failure);
    return Automation::AutomationError(error.number(),
                                       path + QStringLiteral(": ") + error.description());
}

// What the last ReadInfo of a file found: a save that begins while the file is still
// that one starts from it, without reading the file again.
// A document's XMP metadata, read from its stream on first use.
struct Metadata
{
    bool read = false;
    std::optional<PdfInfoFile::Metadata> stream; // none: the document has no metadata stream
    std::optional<XmpPacket> packet;             // none: it cannot be read, `problem` says why
    QString problem;

    // False when the document has no metadata stream.
    bool load(PdfInfoFile &pdf)
    {
        if (!read) {
            read = true;
            stream = pdf.metadata();
            if (stream && !stream->decoded)
                problem = QStringLiteral("its stream cannot be decoded");
            else if (stream)
                packet = XmpPacket::parse(stream->data, &problem);
        }
        return stream.has_value();
    }
};

// The metadata stream `stream` with `data` as its contents, in PDF syntax, unfiltered.
QByteArray metadataStream(QPDFObjectHandle stream, const QByteArray &data)
{
    QPDFObjectHandle dictionary = stream.getDict().shallowCopy();
    for (const char *key : {"/Filter", "/DecodeParms", "/DL", "/Length"})
        dictionary.removeKey(key);
    dictionary.replaceKey("/Length", QPDFObjectHandle::newInteger(data.size()));
    return QByteArray::fromStdString(dictionary.unparse()) + "\nstream\n" + data + "\nendstream";
}

// The four edited standard entries and their XMP equivalents.
struct Equivalent
{
    QLatin1String name;
    std::optional<QString> (XmpPacket::*get)() const;
    void (XmpPacket::*set)(const QString &);
};
const Equivalent Equivalents[] = {
    {Title, &XmpPacket::title, &XmpPacket::setTitle},
    {Author, &XmpPacket::author, &XmpPacket::setAuthor},
    {Subject, &XmpPacket::description, &XmpPacket::setDescription},
    {Keywords, &XmpPacket::keywords, &XmpPacket::setKeywords},
};

// The entry a reader takes for `name` (as the field set reads: the last one whose lower
// case matches), or none.
const InfoEntry *readAs(const QList<InfoEntry> &entries, QLatin1String name)
{
    const QString lower = QString(name).toLower();
    const InfoEntry *found = nullptr;
    for (const InfoEntry &entry : entries) {
        if (entry.name.toLower() == lower)
            found = &entry;
    }
    return found;
}

// The entries a read lists: the Info dictionary's, then, for each of Title, Author,
// Subject and Keywords that it lacks, the XMP metadata's equivalent (the only place a
// PDF 2.0 file may keep them).
QList<InfoEntry> listed(const QString &target, const InfoDictionary &info, PdfInfoFile &pdf,
                        Metadata &metadata, QStringList &log)
{
    QList<InfoEntry> entries = info.entries();
    if (!metadata.load(pdf))
        return entries;
    // Which of the four Info holds, in one pass over its entries.
    bool held[std::size(Equivalents)] = {};
    for (const InfoEntry &entry : entries) {
        const QString lower = entry.name.toLower();
        for (size_t i = 0; i < std::size(Equivalents); ++i)
            held[i] = held[i] || lower.compare(Equivalents[i].name, Qt::CaseInsensitive) == 0;
    }
    for (size_t i = 0; i < std::size(Equivalents); ++i) {
        const Equivalent &equivalent = Equivalents[i];
        if (held[i])
            continue;
        if (!metadata.packet) {
            log << QStringLiteral("warning: the XMP metadata of %1 cannot be read (%2)")
                       .arg(target, metadata.problem);
            break;
        }
        if (const std::optional<QString> text = (*metadata.packet.*equivalent.get)())
            entries.append({PdfText::nameBytes(equivalent.name), equivalent.name,
                            PdfText::stringSyntax(PdfText::encodeText(*text)), *text});
    }
    return entries;
}

struct Reading
{
    FileIdentity identity;
    QByteArray tail;
    InfoDictionary info;
    std::shared_ptr<PdfInfoFile> pdf;
    std::shared_ptr<Metadata> metadata = std::make_shared<Metadata>();
};

} // namespace

// A save in progress on one file, under its lock.
struct TagoraInfo::Save
{
    Platform::ExclusiveFile file;
    QString target;
    FileIdentity identity;            // of the file when the save began
    std::shared_ptr<PdfInfoFile> pdf; // as read; the whole-file writer works from it
    std::optional<RevisionBase> base; // an appended revision; none: the file written anew
    QString rewriteReason;
    bool replaceInfo = false; // the Info object is the Info dictionary's own
    InfoDictionary original;  // as the file holds it
    InfoDictionary info;      // with the save's changes
    QSet<QString> written;    // the names its jobs wrote or removed
    std::shared_ptr<Metadata> metadata = std::make_shared<Metadata>();
};

struct TagoraInfo::Private
{
    QList<InfoEntry> loaded;
    QHash<QString, QString> targets; // paths as given, resolved
    QHash<QString, Reading> readings;
    // The order in which this object wrote a file anew, while the file is that one:
    // qpdf's writer sorts the keys, and the object reads its own order back.
    QHash<QString, std::pair<FileIdentity, QList<QString>>> rewritten;
    std::map<QString, std::unique_ptr<Save>> saves;

    // The path of the file itself, symbolic links resolved.
    QString target(const QString &path)
    {
        if (path.isEmpty())
            Automation::raise(Automation::FileNotFound, QStringLiteral("no file is named"));
        auto found = targets.constFind(path);
        if (found != targets.cend())
            return *found;
        const QFileInfo info(path);
        const QString canonical = info.canonicalFilePath();
        return targets[path] = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    }

    Save *save(const QString &target)
    {
        const auto found = saves.find(target);
        return found == saves.end() ? nullptr : found->second.get();
    }

    InfoDictionary infoOf(PdfInfoFile &pdf, const QString &target, const FileIdentity &identity)
    {
        InfoDictionary info = pdf.info();
        const auto order = rewritten.constFind(target);
        if (order != rewritten.cend() && order->first == identity)
            info.reorder(order->second);
        return info;
    }
};

TagoraInfo::TagoraInfo(QObject *parent) : QObject(parent), d(std::make_unique<Private>()) {}

TagoraInfo::~TagoraInfo()
{
    if (d->saves.empty())
        return;
    try {
        Commit();
    } catch (const Automation::AutomationError &error) {
        emit OnLogMessage(error.description());
        emit OnJobError(error.number());
    } catch (...) {
    }
}

int TagoraInfo::job(const QString &path, const QString &operation,
                    const std::function<int(QStringList &)> &body)
{
    emit OnJobStart(path, operation);
    QStringList log;
    std::optional<Automation::AutomationError> failure;
    int result = 0;
    try {
        result = body(log);
    } catch (...) {
        failure = namedFailure(path, std::current_exception());
    }
    for (const QString &message : std::as_const(log))
        emit OnLogMessage(message);
    if (failure) {
        emit OnJobError(failure->number());
        emit OnJobFail(path, operation);
        throw *failure;
    }
    emit OnJobPercentDone(100);
    emit OnJobDone(path, operation);
    return result;
}

int TagoraInfo::ReadInfo(const QString &path)
{
    return job(path, QStringLiteral("ReadInfo"), [&](QStringList &log) {
        d->loaded.clear();
        const QString target = d->target(path);
        if (Save *save = d->save(target)) {
            d->loaded = listed(target, save->info, *save->pdf, *save->metadata, log);
            log << QStringLiteral("%1 entries of the save in progress").arg(d->loaded.size());
            return int(d->loaded.size());
        }
        examined(target);
        ReadOnlyFile file(target);
        // A file that does not end cleanly while a writer holds it is being written:
        // its end is read again once the writer is done (for two seconds at most).
        for (int attempt = 1;; ++attempt) {
            const bool mayWait = attempt < 100 && writerHolds(file.handle());
            std::shared_ptr<PdfInfoFile> pdf;
            try {
                pdf = std::make_shared<PdfInfoFile>(target, file.handle());
            } catch (...) {
                if (!mayWait)
                    throw;
            }
            if (!pdf || (!pdf->endsCleanly() && mayWait)) {
                QThread::msleep(20);
                continue;
            }
            const FileIdentity identity = identityOf(file.handle());
            Reading reading{identity, lastBytes(file.handle(), identity.size),
                            d->infoOf(*pdf, target, identity), std::move(pdf)};
            d->loaded = listed(target, reading.info, *reading.pdf, *reading.metadata, log);
            d->readings.insert(target, std::move(reading));
            break;
        }
        log << QStringLiteral("%1 entries read").arg(d->loaded.size());
        return int(d->loaded.size());
    });
}

const InfoEntry &TagoraInfo::loaded(int index) const
{
    if (index < 0 || index >= d->loaded.size())
        Automation::raise(Automation::SubscriptOutOfRange);
    return d->loaded[index];
}

QString TagoraInfo::InfoName(int index) const
{
    return loaded(index).name;
}

QString TagoraInfo::InfoValue(int index) const
{
    return loaded(index).text;
}

void TagoraInfo::LockFile(const QString &path, int wait)
{
    try {
        begin(path, wait);
    } catch (...) {
        throw namedFailure(path, std::current_exception());
    }
}

TagoraInfo::Save &TagoraInfo::begin(const QString &path, int wait)
{
    const QString target = d->target(path);
    if (Save *save = d->save(target))
        return *save;
    const struct stat st = examined(target);
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        Automation::raise(Automation::PermissionDenied, QStringLiteral("the file is read-only"));
    auto save = std::make_unique<Save>();
    save->target = target;
    if (!save->file.open(target, wait))
        raiseFileError(save->file.error(), QStringLiteral("the file cannot be opened for writing"));
    const int fd = save->file.handle();
    save->identity = identityOf(fd);

    if (const auto reading = d->readings.constFind(target); reading != d->readings.cend()) {
        // The save changes the file this object read, or nothing.
        if (!(reading->identity == save->identity) ||
            lastBytes(fd, save->identity.size) != reading->tail)
            Automation::raise(FileChanged, QStringLiteral("the file was changed by another "
                                                          "program since it was read"));
        save->pdf = reading->pdf;
        save->original = reading->info;
        save->metadata = reading->metadata;
    } else {
        save->pdf = std::make_shared<PdfInfoFile>(target, fd);
        save->original = d->infoOf(*save->pdf, target, save->identity);
    }
    PdfInfoFile &pdf = *save->pdf;
    if (!pdf.changesAllowed())
        Automation::raise(ChangeNotAllowed,
                          QStringLiteral("the file's permissions do not allow changing it"));
    if (pdf.encrypted())
        save->rewriteReason = QStringLiteral("it is encrypted");
    else if (pdf.repaired())
        save->rewriteReason = QStringLiteral("qpdf had to repair it");
    else if (!(save->base = pdf.revisionBase()))
        save->rewriteReason = QStringLiteral("it does not end with a clean end of revision");
    save->replaceInfo = pdf.infoStandsAlone();
    save->info = save->original;
    return *d->saves.emplace(target, std::move(save)).first->second;
}

int TagoraInfo::change(const QString &path, const QString &operation, const Change &body)
{
    return job(path, operation, [&](QStringList &) {
        Save &save = begin(path, 0);
        // Another program may write without asking for the lock; such a save is lost.
        if (!(identityOf(save.file.handle()) == save.identity)) {
            d->saves.erase(save.target);
            Automation::raise(FileChanged, QStringLiteral("the file was changed by another "
                                                          "program during the save"));
        }
        return body(save);
    });
}

void TagoraInfo::putText(Save &save, const QString &name, const QString &text)
{
    // Written back as it read, an entry keeps its original object and type.
    const InfoEntry *was = save.original.find(name);
    if (was && was->text == text)
        save.info.set(*was);
    else
        save.info.setText(name, text);
}

void TagoraInfo::WriteStandardInfo(const QString &path, const QString &title, const QString &author,
                                   const QString &subject, const QString &keywords,
                                   const QString &creator, const QString &producer)
{
    change(path, QStringLiteral("WriteStandardInfo"), [&](Save &save) {
        const std::pair<QLatin1String, QString> fields[] = {
            {Title, title}, {Author, author}, {Subject, subject}, {Keywords, keywords}};
        for (const auto &[name, text] : fields) {
            save.written.insert(name);
            if (text.isEmpty())
                save.info.remove(name);
            else
                putText(save, name, text);
        }
        // Where the document comes from stays as the file had it when the save began.
        const std::pair<QLatin1String, QString> kept[] = {
            {Creator, creator}, {Producer, producer}, {CreationDate, QString()}};
        for (const auto &[name, given] : kept) {
            if (!given.isEmpty())
                putText(save, name, given);
            else if (const InfoEntry *own = save.original.find(name))
                save.info.set(*own);
        }
        save.info.setText(ModDate, PdfText::date(QDateTime::currentDateTime()));
        return 0;
    });
}

int TagoraInfo::WriteInfoEntry(const QString &path, const QString &name, const QString &value)
{
    return change(path, QStringLiteral("WriteInfoEntry ") + name, [&](Save &save) {
        save.written.insert(name);
        putText(save, name, value);
        return save.info.size();
    });
}

int TagoraInfo::RemoveInfoEntry(const QString &path, const QString &name)
{
    return change(path, QStringLiteral("RemoveInfoEntry ") + name, [&](Save &save) {
        save.written.insert(name);
        return save.info.remove(name) ? 1 : 0;
    });
}

void TagoraInfo::Commit()
{
    QStringList log;
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
    for (const QString &message : std::as_const(log))
        emit OnLogMessage(message);
    if (failure)
        throw *failure;
}

std::optional<QByteArray> TagoraInfo::updatedMetadata(Save &save, QStringList &log)
{
    if (!save.metadata->load(*save.pdf))
        return std::nullopt; // a document without XMP gets none
    if (!save.metadata->packet) {
        log << QStringLiteral("warning: the XMP metadata of %1 cannot be read (%2); it was "
                              "left as it was")
                   .arg(save.target, save.metadata->problem);
        return std::nullopt;
    }
    XmpPacket &packet = *save.metadata->packet;
    const QList<InfoEntry> entries = save.info.entries();
    bool changed = false;
    auto wrote = [&](const QString &name) {
        for (const QString &written : std::as_const(save.written))
            if (written.toLower() == name.toLower())
                return true;
        return false;
    };
    // What the save wrote to Info, its XMP equivalent follows; an entry gone removes it.
    for (const Equivalent &equivalent : Equivalents) {
        if (!wrote(equivalent.name))
            continue;
        const InfoEntry *entry = readAs(entries, equivalent.name);
        const QString text = entry ? entry->text : QString();
        if ((packet.*equivalent.get)().value_or(QString()) != text) {
            (packet.*equivalent.set)(text);
            changed = true;
        }
    }
    for (const QString &name : std::as_const(save.written)) {
        const InfoEntry *entry = save.info.find(name);
        const QString text = entry ? entry->text : QString();
        if (packet.pdfx(name).value_or(text) != text)
            changed = packet.setPdfx(name, text) || changed;
    }
    const InfoEntry *modified = save.info.find(ModDate);
    const InfoEntry *was = save.original.find(ModDate);
    if (modified && (!was || was->text != modified->text))
        changed = packet.setModifyDate(modified->text) || changed;
    // Untouched, the packet stays byte for byte as it was.
    if (!changed)
        return std::nullopt;
    return packet.serialize();
}

void TagoraInfo::commit(Save &save, QStringList &log)
{
    // Whatever happens now, the file is no longer the one read.
    d->readings.remove(save.target);
    if (save.info == save.original) {
        log << QStringLiteral("%1: nothing to change").arg(save.target);
        return;
    }
    const int fd = save.file.handle();
    if (!(identityOf(fd) == save.identity))
        Automation::raise(
            FileChanged, QStringLiteral("the file was changed by another program during the save"));
    const std::optional<QByteArray> metadata = updatedMetadata(save, log);
    if (save.base) {
        QList<IncrementalUpdate::Object> others;
        if (metadata) {
            const PdfInfoFile::Metadata &stream = *save.metadata->stream;
            others.append({stream.object.getObj(), stream.object.getGen(),
                           metadataStream(stream.stream, *metadata)});
        }
        const QByteArray revision =
            IncrementalUpdate::build(*save.base, save.info.syntax(), others);
        if (const int error = RevisionWriter::append(fd, save.base->length, revision))
            raiseFileError(error, QStringLiteral("the file cannot be written"));
        try {
            SaveProof::checkInfo(save.target, fd, save.info);
        } catch (...) {
            RevisionWriter::cutBack(fd, save.base->length);
            throw;
        }
        log << QStringLiteral("%1: appended a revision of %2 bytes after byte %3")
                   .arg(save.target)
                   .arg(revision.size())
                   .arg(save.base->length);
        return;
    }
    FullRewrite::write(*save.pdf, save.info, save.replaceInfo, save.target, metadata);
    d->rewritten.insert(save.target, {FileIdentity::of(examined(save.target)), save.info.names()});
    log << QStringLiteral("%1: the whole file was written anew, since %2")
               .arg(save.target, save.rewriteReason);
}

} // namespace Tagora
