// SPDX-License-Identifier: Apache-2.0
#include "TagoraInfo.h"

#include "FullRewrite.h"
#include "IncrementalUpdate.h"
#include "InfoDictionary.h"
#include "PdfInfoFile.h"
#include "PdfText.h"
#include "RevisionWriter.h"
#include "StandardEntries.h"
#include "TagoraError.h"
#include "automation/AutomationError.h"
#include "platform/FileSystem.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFSystemError.hh>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace Tagora {

using namespace StandardEntries;

namespace {

// What tells this object that a file is still the one it wrote.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified = {};

    static FileIdentity of(const struct stat &st)
    {
        return {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    }
    bool operator==(const FileIdentity &o) const
    {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

FileIdentity identityOf(int fd)
{
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        raiseFileError(errno, QStringLiteral("the file cannot be examined"));
    return FileIdentity::of(st);
}

// The path of the file itself, symbolic links resolved.
QString resolved(const QString &path)
{
    if (path.isEmpty())
        Automation::raise(Automation::FileNotFound, QStringLiteral("no file is named"));
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
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

// True when the file holds `bytes` at `offset`.
bool holds(int fd, qint64 offset, const QByteArray &bytes)
{
    QByteArray found(bytes.size(), Qt::Uninitialized);
    qint64 done = 0;
    while (done < found.size()) {
        const ssize_t n =
            ::pread(fd, found.data() + done, size_t(found.size() - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return found == bytes;
}

// The file's last bytes before `length` (at most 1 KiB): they hold the end of its
// last revision, so they tell whether that revision is still the last.
QByteArray lastBytes(int fd, qint64 length)
{
    QByteArray bytes(int(std::min<qint64>(length, 1024)), Qt::Uninitialized);
    const ssize_t n = ::pread(fd, bytes.data(), size_t(bytes.size()), off_t(length - bytes.size()));
    return n == bytes.size() ? bytes : QByteArray();
}

} // namespace

struct TagoraInfo::Provenance
{
    std::optional<InfoEntry> creator;
    std::optional<InfoEntry> producer;
    std::optional<InfoEntry> creationDate;

    static Provenance of(const InfoDictionary &info)
    {
        auto entry = [&](const QString &name) {
            const InfoEntry *found = info.find(name);
            return found ? std::optional<InfoEntry>(*found) : std::nullopt;
        };
        return {entry(Creator), entry(Producer), entry(CreationDate)};
    }
};

struct TagoraInfo::FileRecord
{
    enum class Written
    {
        Nothing,
        Appended,  // `revision` follows the file's own `base.length` bytes
        Rewritten, // the whole file is this object's; `order` is its entries' order
    };

    // What the last ReadInfo found, kept so that the first write job after it need not
    // parse the file again when the file is still the one read (same identity, same
    // last bytes).
    struct Reading
    {
        FileIdentity identity;
        RevisionBase base;
        InfoDictionary info;
        QByteArray tail;
    };

    Written written = Written::Nothing;
    std::optional<Reading> reading;
    FileIdentity identity;
    RevisionBase base;
    InfoDictionary info;
    QByteArray revision;
    QList<QString> order;
    std::optional<Provenance> provenance;

    // Whether the file open on `fd` is still as this object left it.
    bool unchanged(int fd) const
    {
        return written == Written::Nothing ||
               (identityOf(fd) == identity &&
                (written != Written::Appended || holds(fd, base.length, revision)));
    }
};

struct TagoraInfo::Private
{
    QList<InfoEntry> loaded;
    // By resolved path.
    QHash<QString, FileRecord> files;
};

TagoraInfo::TagoraInfo(QObject *parent) : QObject(parent), d(std::make_unique<Private>()) {}

TagoraInfo::~TagoraInfo() = default;

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
        failure = failureOf(std::current_exception());
    }
    // The file is closed and unlocked by now: handlers may yield safely.
    for (const QString &message : std::as_const(log))
        emit OnLogMessage(message);
    if (failure) {
        emit OnJobError(failure->number());
        emit OnJobFail(path, operation);
        Automation::raise(failure->number(), path + QStringLiteral(": ") + failure->description());
    }
    emit OnJobPercentDone(100);
    emit OnJobDone(path, operation);
    return result;
}

int TagoraInfo::ReadInfo(const QString &path)
{
    return job(path, QStringLiteral("ReadInfo"), [&](QStringList &log) {
        d->loaded.clear();
        const QString target = resolved(path);
        examined(target);
        ReadOnlyFile file(target);
        PdfInfoFile pdf(target, file.handle());
        InfoDictionary info = pdf.info();

        FileRecord &record = d->files[target];
        if (!record.unchanged(file.handle())) {
            // Changed by someone else: what this object wrote is now part of the file.
            record.written = FileRecord::Written::Nothing;
            log << QStringLiteral("the file changed since this object wrote it");
        }
        if (record.written == FileRecord::Written::Rewritten)
            info.reorder(record.order);
        record.provenance = Provenance::of(info);
        record.reading.reset();
        if (record.written == FileRecord::Written::Nothing && !pdf.encrypted() && !pdf.repaired())
            if (const std::optional<RevisionBase> base = pdf.revisionBase()) {
                QByteArray tail = lastBytes(file.handle(), base->length);
                if (!tail.isEmpty())
                    record.reading = FileRecord::Reading{identityOf(file.handle()), *base, info,
                                                         std::move(tail)};
            }
        d->loaded = info.entries();
        log << QStringLiteral("%1 entries read").arg(info.size());
        return info.size();
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

void TagoraInfo::WriteStandardInfo(const QString &path, const QString &title, const QString &author,
                                   const QString &subject, const QString &keywords,
                                   const QString &creator, const QString &producer)
{
    write(path, QStringLiteral("WriteStandardInfo"),
          [&](InfoDictionary &info, const Provenance &provenance) {
              const std::pair<QString, QString> fields[] = {
                  {Title, title},
                  {Author, author},
                  {Subject, subject},
                  {Keywords, keywords},
              };
              for (const auto &[name, text] : fields) {
                  if (text.isEmpty())
                      info.remove(name);
                  else
                      info.setText(name, text);
              }
              auto keep = [&](const QString &name, const QString &given,
                              const std::optional<InfoEntry> &own) {
                  if (!given.isEmpty())
                      info.setText(name, given);
                  else if (own)
                      info.set(*own);
              };
              keep(Creator, creator, provenance.creator);
              keep(Producer, producer, provenance.producer);
              keep(CreationDate, QString(), provenance.creationDate);
              info.setText(ModDate, PdfText::date(QDateTime::currentDateTime()));
              return 0;
          });
}

int TagoraInfo::WriteInfoEntry(const QString &path, const QString &name, const QString &value)
{
    return write(path, QStringLiteral("WriteInfoEntry ") + name,
                 [&](InfoDictionary &info, const Provenance &) {
                     info.setText(name, value);
                     return info.size();
                 });
}

int TagoraInfo::RemoveInfoEntry(const QString &path, const QString &name)
{
    return write(
        path, QStringLiteral("RemoveInfoEntry ") + name,
        [&](InfoDictionary &info, const Provenance &) { return info.remove(name) ? 1 : 0; });
}

int TagoraInfo::write(const QString &path, const QString &operation, const Change &change)
{
    return job(path, operation, [&](QStringList &log) {
        const QString target = resolved(path);
        const struct stat st = examined(target);
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            Automation::raise(Automation::PermissionDenied,
                              QStringLiteral("the file is read-only"));
        Platform::ExclusiveFile file;
        if (!file.open(target))
            raiseFileError(file.error(), QStringLiteral("the file cannot be opened for writing"));
        return writeLocked(target, file.handle(), change, log);
    });
}

int TagoraInfo::writeLocked(const QString &target, int fd, const Change &change, QStringList &log)
{
    FileRecord &record = d->files[target];
    if (!record.unchanged(fd))
        Automation::raise(Tagora::FileChanged,
                          QStringLiteral("the file was changed by another program since this "
                                         "object wrote it"));
    if (record.written == FileRecord::Written::Appended)
        return append(fd, record, record.base, record.info, change, log);
    if (const std::optional<FileRecord::Reading> reading = std::exchange(record.reading, {});
        reading && identityOf(fd) == reading->identity &&
        holds(fd, reading->base.length - reading->tail.size(), reading->tail))
        return append(fd, record, reading->base, reading->info, change, log);

    std::optional<RevisionBase> base;
    InfoDictionary info;
    {
        PdfInfoFile pdf(target, fd);
        info = pdf.info();
        if (record.written == FileRecord::Written::Rewritten)
            info.reorder(record.order);
        if (!record.provenance)
            record.provenance = Provenance::of(info);
        if (!pdf.changesAllowed())
            Automation::raise(Tagora::ChangeNotAllowed,
                              QStringLiteral("the file's permissions do not allow changing it"));
        base = pdf.revisionBase();
        const QString reason = pdf.encrypted()  ? QStringLiteral("it is encrypted")
                               : pdf.repaired() ? QStringLiteral("qpdf had to repair it")
                               : !base
                                   ? QStringLiteral("it does not end with a clean end of revision")
                                   : QString();
        if (!reason.isEmpty()) {
            InfoDictionary changed = info;
            const int result = change(changed, *record.provenance);
            if (changed == info) {
                log << QStringLiteral("nothing to change");
                return result;
            }
            FullRewrite::write(pdf.document(), changed, target);
            record.written = FileRecord::Written::Rewritten;
            record.identity = FileIdentity::of(examined(target));
            record.order = changed.names();
            log << QStringLiteral("the whole file was written anew, since %1").arg(reason);
            return result;
        }
    } // qpdf has let go of the file before a byte of it is written.
    return append(fd, record, *base, info, change, log);
}

int TagoraInfo::append(int fd, FileRecord &record, const RevisionBase &base,
                       const InfoDictionary &info, const Change &change, QStringList &log)
{
    InfoDictionary changed = info;
    const int result = change(changed, *record.provenance);
    if (changed == info) {
        log << QStringLiteral("nothing to change");
        return result;
    }
    const QByteArray revision = IncrementalUpdate::build(base, changed.syntax());
    const bool replacing = record.written == FileRecord::Written::Appended;
    const RevisionWriter::Result written = RevisionWriter::replace(
        fd, base.length, revision, replacing ? record.revision : QByteArray());
    if (written.error) {
        if (replacing && written.previousKept)
            record.identity = identityOf(fd);
        else if (replacing)
            record.written = FileRecord::Written::Nothing;
        raiseFileError(written.error, QStringLiteral("the file cannot be written"));
    }
    record.written = FileRecord::Written::Appended;
    record.base = base;
    record.info = changed;
    record.revision = revision;
    record.identity = identityOf(fd);
    log << (replacing ? QStringLiteral("replaced this object's revision by one of %1 bytes after "
                                       "byte %2")
                      : QStringLiteral("appended a revision of %1 bytes after byte %2"))
               .arg(revision.size())
               .arg(base.length);
    return result;
}

} // namespace Tagora
