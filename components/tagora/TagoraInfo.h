// SPDX-License-Identifier: Apache-2.0
// TagoraInfo: reads and writes the document-information entries of a PDF file.
//
// Each of ReadInfo, RemoveInfoEntry, WriteStandardInfo and WriteInfoEntry runs as
// one job: it raises OnJobStart, then exactly one of OnJobDone or OnJobFail,
// synchronously, before it returns. A job that fails raises OnJobError with its
// error number, then OnJobFail, and the call then throws an AutomationError whose
// description names the file and the reason ("/home/u/book.pdf: the file is opened
// by another application (locked)"). The events' InputData is the path as given and
// OutputData names the operation ("ReadInfo", "WriteInfoEntry Author" ...); the job
// reports what it did through OnLogMessage, raised after the file is closed and
// unlocked, and OnJobPercentDone(100) before OnJobDone. OnPageNumber is never raised:
// no job looks at pages.
//
// ReadInfo loads the entries of the file's Info dictionary in the order they stand
// in the file; InfoName and InfoValue answer from that load until the next ReadInfo,
// whatever the write jobs change afterwards. Values that are not strings read as
// their PDF text (see InfoDictionary.h).
//
// Write jobs append one incremental update after the file's original bytes; within
// one object, each write job on a file replaces the update that this object appended
// before, so a sequence of writes adds exactly one revision to the file. A job never
// removes a byte this object did not write: when the file changed since this object
// wrote it (length, modification time, or the bytes of its update), the job fails
// without touching it. A ReadInfo that finds such a change takes the file as it now
// is, and later writes append after it. Encrypted files, files qpdf reads only by
// repairing them and files with bytes after their last end of revision are written
// whole instead (see FullRewrite.h), keeping their encryption. Writes hold the
// exclusive lock of Platform::ExclusiveFile and refuse a file without any write
// permission bit, as Platform::FileLocked does. A symbolic link is followed: its
// target is written and the link stays.
//
// Error numbers: 53 missing file, 70 read-only file or permission denied, 61 disk
// full, 57 other input/output errors, 321 not a PDF, and Damaged,
// PasswordProtected, ChangeNotAllowed, FileLocked and FileChanged from
// TagoraError.h.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace Tagora {

class InfoDictionary;
struct InfoEntry;
struct RevisionBase;

class TagoraInfo : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "VrTagoraLib.TagoraInfo")
    Q_CLASSINFO("ClassID", "{A2350CC8-1C58-4347-8A31-4C3A23A76E63}")
    Q_CLASSINFO("Interface", "_TagoraInfo")
    Q_CLASSINFO("InterfaceID", "{85AA50FC-486D-4C8D-A9E7-CF7A0BD9758A}")
    Q_CLASSINFO("DispId:WriteStandardInfo", "0x60030000")
    Q_CLASSINFO("DispId:WriteInfoEntry", "0x60030001")
    Q_CLASSINFO("DispId:RemoveInfoEntry", "0x60030002")
    Q_CLASSINFO("DispId:ReadInfo", "0x60030003")
    Q_CLASSINFO("DispId:InfoName", "0x60030004")
    Q_CLASSINFO("DispId:InfoValue", "0x60030005")

public:
    explicit TagoraInfo(QObject *parent = nullptr);
    ~TagoraInfo() override;

    // Writes Title, Author, Subject and Keywords (an empty text removes the entry),
    // and Creator and Producer when given. Empty Creator and Producer keep what the file
    // had when this object last read it (or, without such a read, when this object
    // first wrote it), and so does CreationDate: entries removed meanwhile come back.
    // Stamps ModDate with the current time. Entries that exist keep their place; new
    // ones go last.
    Q_INVOKABLE void WriteStandardInfo(const QString &path, const QString &title,
                                       const QString &author, const QString &subject,
                                       const QString &keywords, const QString &creator,
                                       const QString &producer);
    // Sets one entry (adds it at the end when the dictionary does not hold it); an empty
    // value is written as an empty string. Returns the number of entries afterwards.
    Q_INVOKABLE int WriteInfoEntry(const QString &path, const QString &name, const QString &value);
    // Removes one entry, named exactly. Returns 1 when it was there, else 0 (and the
    // file is left as it is).
    Q_INVOKABLE int RemoveInfoEntry(const QString &path, const QString &name);
    // Loads the entries; returns their number.
    Q_INVOKABLE int ReadInfo(const QString &path);
    // The name and value of a loaded entry, from 0; error 9 outside the loaded range.
    Q_INVOKABLE QString InfoName(int index) const;
    Q_INVOKABLE QString InfoValue(int index) const;

signals:
    void OnJobStart(const QString &InputData, const QString &OutputData);
    void OnJobDone(const QString &InputData, const QString &OutputData);
    void OnJobFail(const QString &InputData, const QString &OutputData);
    void OnJobError(int nError);
    void OnJobPercentDone(int nPercentDone);
    void OnLogMessage(const QString &strMessage);
    void OnPageNumber(int nPageNumber);

private:
    struct Private;
    struct FileRecord;
    struct Provenance;
    using Change = std::function<int(InfoDictionary &, const Provenance &)>;

    int job(const QString &path, const QString &operation,
            const std::function<int(QStringList &)> &body);
    int write(const QString &path, const QString &operation, const Change &change);
    int writeLocked(const QString &target, int fd, const Change &change, QStringList &log);
    int append(int fd, FileRecord &record, const RevisionBase &base, const InfoDictionary &info,
               const Change &change, QStringList &log);
    const InfoEntry &loaded(int index) const;

    std::unique_ptr<Private> d;
};

} // namespace Tagora
