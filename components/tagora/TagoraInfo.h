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
// reports what it did through OnLogMessage and OnJobPercentDone(100) before OnJobDone.
// OnPageNumber is never raised: no job looks at pages.
//
// One object, one save. The jobs that change a file (RemoveInfoEntry,
// WriteStandardInfo, WriteInfoEntry) change a pending dictionary in memory; the first
// of them takes the file's exclusive lock (Platform::ExclusiveFile), and the object
// holds it until the save ends: at Commit, or when the object is destroyed. Only then
// are bytes written, once for the whole save, so other readers and a process killed
// at any moment see the file either as it was or with the whole save. Everything a
// job can know fails that job: a missing file, not a PDF, locked by another program,
// read-only, encryption that forbids changes, or a file that is no longer the one
// this object read (another program changed or replaced it since). ReadInfo takes no
// lock, so a read-only file reads; during a save it answers with the pending entries.
//
// The bytes: an incremental update appended after the file's original bytes (room
// reserved first, then written and synced; a failure cuts the file back to its
// original length), or, for encrypted files, files qpdf reads only by repairing them
// and files with bytes after their last end of revision, the whole file written anew
// beside it and renamed over it (see FullRewrite.h), keeping its encryption. Either
// way the file holds its old bytes or its new ones, and what was written is read back
// before the save reports success (see SaveProof.h). A save that changes nothing writes
// nothing. An entry that a save removes and writes back with the text it read as keeps its
// original object (a name stays a name, 42 stays a number). A symbolic link is
// followed: its target is written and the link stays.
//
// ReadInfo loads the entries of the file's Info dictionary in the order they stand
// in the file; InfoName and InfoValue answer from that load until the next ReadInfo.
// Values that are not strings read as their PDF text (see InfoDictionary.h).
//
// Error numbers: 53 missing file, 70 read-only file or permission denied, 61 disk
// full, 57 other input/output errors, 321 not a PDF, and Damaged, PasswordProtected,
// ChangeNotAllowed, FileLocked, FileChanged and RewriteRefused from TagoraError.h.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace Tagora {

class InfoDictionary;
struct InfoEntry;

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
    Q_CLASSINFO("DispId:Commit", "0x60030006")
    Q_CLASSINFO("DispId:LockFile", "0x60030007")

public:
    explicit TagoraInfo(QObject *parent = nullptr);
    // Ends the save in progress as Commit does; a failure then is reported through
    // OnLogMessage and OnJobError only.
    ~TagoraInfo() override;

    // Writes Title, Author, Subject and Keywords (an empty text removes the entry),
    // and Creator and Producer when given. Empty Creator and Producer keep what the file
    // had when the save began, and so does CreationDate: entries removed meanwhile come
    // back. Stamps ModDate with the current time. Entries that exist keep their place;
    // new ones go last.
    Q_INVOKABLE void WriteStandardInfo(const QString &path, const QString &title,
                                       const QString &author, const QString &subject,
                                       const QString &keywords, const QString &creator,
                                       const QString &producer);
    // Sets one entry (adds it at the end when the dictionary does not hold it); an empty
    // value is written as an empty string. Returns the number of entries afterwards.
    Q_INVOKABLE int WriteInfoEntry(const QString &path, const QString &name, const QString &value);
    // Removes one entry, named exactly. Returns 1 when it was there, else 0.
    Q_INVOKABLE int RemoveInfoEntry(const QString &path, const QString &name);
    // Loads the entries; returns their number.
    Q_INVOKABLE int ReadInfo(const QString &path);
    // The name and value of a loaded entry, from 0; error 9 outside the loaded range.
    Q_INVOKABLE QString InfoName(int index) const;
    Q_INVOKABLE QString InfoValue(int index) const;

    // Ends the save in progress: writes what its jobs changed, in one piece, and lets
    // go of the lock. Throws AutomationError naming the file and the reason when the
    // bytes cannot be written; the file is then exactly as it was before the save.
    // Nothing to do when no job changed a file.
    Q_INVOKABLE void Commit();
    // Begins a save of `path` now: takes its exclusive lock, waiting up to `wait`
    // milliseconds for another program to let go of it, so that a ReadInfo that follows
    // reads what the save will change (a read-modify-write no other writer can come
    // between). Not a job: no events; throws AutomationError as a job would fail.
    Q_INVOKABLE void LockFile(const QString &path, int wait);

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
    struct Save;
    using Change = std::function<int(Save &)>;

    int job(const QString &path, const QString &operation,
            const std::function<int(QStringList &)> &body);
    int change(const QString &path, const QString &operation, const Change &body);
    Save &begin(const QString &path, int wait);
    void commit(Save &save, QStringList &log);
    // The save's XMP metadata brought in step with what it wrote to Info, or nothing when
    // the stream stays as it is.
    std::optional<QByteArray> updatedMetadata(Save &save, QStringList &log);
    void putText(Save &save, const QString &name, const QString &text);
    const InfoEntry &loaded(int index) const;

    std::unique_ptr<Private> d;
};

} // namespace Tagora
