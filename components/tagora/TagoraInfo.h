// SPDX-License-Identifier: Apache-2.0
// TagoraInfo: reads and writes the document-information entries of a PDF file.
//
// Each of ReadInfo, RemoveInfoEntry, WriteStandardInfo and WriteInfoEntry runs as
// one job: it raises OnJobStart, then exactly one of OnJobDone or OnJobFail,
// synchronously, before it returns (to Events, an observer the caller hands in; what a
// listener throws stays with it). A job that fails raises OnJobError with its
// error number, then OnJobFail, and the call then throws an AutomationError whose
// description names the file and the reason ("/home/u/book.pdf: the file is opened
// by another application (locked)"). The events' InputData is the path as given and
// OutputData names the operation ("ReadInfo", "WriteInfoEntry Author" ...); the job
// reports what it did through OnLogMessage and OnJobPercentDone(100) before OnJobDone.
// OnPageNumber is never raised: no job looks at pages.
//
// One object, one save. The jobs that change a file (RemoveInfoEntry,
// WriteStandardInfo, WriteInfoEntry) change a pending dictionary in memory; the first
// of them takes the file's exclusive lock (File.h), and the object
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
// original length), its new objects encrypted as the file's own when the file is
// encrypted (see ObjectEncryption.h); or, for files qpdf reads only by repairing them,
// files with bytes after their last end of revision and encrypted files whose encryption
// dictionary leaves the key in doubt, the whole file written anew beside it and renamed
// over it (see FullRewrite.h), keeping its encryption. Either
// way the file holds its old bytes or its new ones, and what was written is read back
// before the save reports success (see SaveProof.h). A save that changes nothing writes
// nothing. An entry that a save removes and writes back with the text it read as keeps its
// original object (a name stays a name, 42 stays a number). A symbolic link is
// followed: its target is written and the link stays.
//
// XMP metadata. A save keeps the file's XMP packet in step with what it writes to Info
// (see XmpPacket.h), in the same revision; a packet it cannot read stays as it was, with
// a log message that starts with "warning:". A file without a packet gets one, as
// setXmpMode says: a new /Metadata stream (uncompressed; encrypted as the file's streams
// are, unless its encryption leaves metadata in clear) that the catalog, written anew in
// the same revision, names. The new packet holds the Info entries' equivalents: dc:title,
// dc:creator, dc:description, pdf:Keywords, pdf:Producer, xmp:CreatorTool,
// xmp:CreateDate, xmp:ModifyDate and xmp:MetadataDate (dates as Info's, in ISO 8601; the
// metadata date of the save when Info has no ModDate), xmpMM:DocumentID (from the first
// /ID element, so it is the same for every save of the file; new when the file has no
// /ID), a new xmpMM:InstanceID, and every other entry in the custom fields' array
// orvf:fields. Every later save updates that packet like any other, the custom fields'
// array with it, and gives it a new xmpMM:InstanceID.
//
// ReadInfo loads the entries of the file's Info dictionary in the order they stand
// in the file; InfoName and InfoValue answer from that load until the next ReadInfo.
// Values that are not strings read as their PDF text (see InfoDictionary.h).
//
// Error numbers: 53 missing file, 70 read-only file or permission denied, 61 disk
// full, 57 other input/output errors, 321 not a PDF, and Damaged, PasswordProtected,
// ChangeNotAllowed, FileLocked, FileChanged and RewriteRefused from TagoraError.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Tagora {

class InfoDictionary;
struct InfoEntry;

class TagoraInfo
{
public:
    // The job events. Every member does nothing by default; a caller overrides what it
    // follows and hands the object to the constructor or to setEvents.
    class Events
    {
    public:
        virtual ~Events() = default;
        virtual void OnJobStart(const std::u16string &InputData, const std::u16string &OutputData);
        virtual void OnJobDone(const std::u16string &InputData, const std::u16string &OutputData);
        virtual void OnJobFail(const std::u16string &InputData, const std::u16string &OutputData);
        virtual void OnJobError(std::int32_t nError);
        virtual void OnJobPercentDone(std::int32_t nPercentDone);
        virtual void OnLogMessage(const std::u16string &strMessage);
        virtual void OnPageNumber(std::int32_t nPageNumber);
    };

    // When a save makes an XMP packet for a file that has none.
    enum class XmpMode
    {
        Keep,   // never: an existing packet is kept in step, none is made
        Update, // for a PDF 2.0 file (its header or its catalog's /Version), whose readers
                // take the document's title, author, subject and keywords from XMP alone
        Create  // for every file
    };

    explicit TagoraInfo(Events *events = nullptr);
    // Ends the save in progress as Commit does; a failure then is reported through
    // OnLogMessage and OnJobError only.
    ~TagoraInfo();
    TagoraInfo(const TagoraInfo &) = delete;
    TagoraInfo &operator=(const TagoraInfo &) = delete;

    // Where the events go from now on (nullptr: nowhere).
    void setEvents(Events *events);
    // The user password of the encrypted files this object reads and writes from now on
    // (UTF-8; empty, the default, opens only files whose user password is empty). The
    // same password proves what a save wrote.
    void setPassword(const std::string &password);
    // When the saves this object commits from now on make an XMP packet (by default
    // Update).
    void setXmpMode(XmpMode mode);

    // Writes Title, Author, Subject and Keywords (an empty text removes the entry),
    // and Creator and Producer when given. Empty Creator and Producer keep what the file
    // had when the save began, and so does CreationDate: entries removed meanwhile come
    // back. Stamps ModDate with the current time. Entries that exist keep their place;
    // new ones go last.
    void WriteStandardInfo(const std::u16string &path, const std::u16string &title,
                           const std::u16string &author, const std::u16string &subject,
                           const std::u16string &keywords, const std::u16string &creator,
                           const std::u16string &producer);
    // Sets one entry (adds it at the end when the dictionary does not hold it); an empty
    // value is written as an empty string. Returns the number of entries afterwards.
    std::int32_t WriteInfoEntry(const std::u16string &path, const std::u16string &name,
                                const std::u16string &value);
    // Removes one entry, named exactly. Returns 1 when it was there, else 0.
    std::int32_t RemoveInfoEntry(const std::u16string &path, const std::u16string &name);
    // Loads the entries; returns their number.
    std::int32_t ReadInfo(const std::u16string &path);
    // The name and value of a loaded entry, from 0; error 9 outside the loaded range.
    std::u16string InfoName(std::int32_t index) const;
    std::u16string InfoValue(std::int32_t index) const;

    // Gives the file back the Info entries and the XMP packet that its revision
    // `revision` left (1: the original, see RevisionHistory.h), in a new appended revision
    // at Commit, so the history stays. Error 9 for a revision the file does not have.
    // Returns the number of entries restored.
    std::int32_t RestoreRevision(const std::u16string &path, std::int32_t revision);
    // Cuts the file back to the end of its revision `revision`, at once, under its lock
    // (waiting up to `wait` milliseconds for it), when every later revision changed
    // nothing but the document information; else TruncateRefused, naming the first later
    // revision that changed more and what it changed. Error 9 for a revision the file
    // does not have. Not within a save in progress (FileLocked).
    void TruncateToRevision(const std::u16string &path, std::int32_t revision, std::int32_t wait);
    // The save in progress (or the one this begins) writes the whole file anew at Commit,
    // even when no entry changed, so that only its current state stays in it: the values
    // of earlier revisions are gone.
    void DropHistory(const std::u16string &path);

    // Ends the save in progress: writes what its jobs changed, in one piece, and lets
    // go of the lock. Throws AutomationError naming the file and the reason when the
    // bytes cannot be written; the file is then exactly as it was before the save.
    // Nothing to do when no job changed a file.
    void Commit();
    // Begins a save of `path` now: takes its exclusive lock, waiting up to `wait`
    // milliseconds for another program to let go of it, so that a ReadInfo that follows
    // reads what the save will change (a read-modify-write no other writer can come
    // between). Not a job: no events; throws AutomationError as a job would fail.
    void LockFile(const std::u16string &path, std::int32_t wait);

private:
    struct Private;
    struct Save;
    using Change = std::function<std::int32_t(Save &)>;

    std::int32_t job(const std::u16string &path, const std::u16string &operation,
                     const std::function<std::int32_t(std::vector<std::u16string> &)> &body);
    std::int32_t change(const std::u16string &path, const std::u16string &operation,
                        const Change &body);
    Save &begin(const std::u16string &path, std::int32_t wait);
    void commit(Save &save, std::vector<std::u16string> &log);
    // The save's XMP metadata brought in step with what it wrote to Info, or nothing when
    // the stream stays as it is.
    std::optional<std::string> updatedMetadata(Save &save, std::vector<std::u16string> &log);
    // A new packet in step with the save's Info, or nothing when exempi cannot be had.
    std::optional<std::string> createdMetadata(Save &save, std::vector<std::u16string> &log);
    void putText(Save &save, const std::u16string &name, const std::u16string &text);
    const InfoEntry &loaded(std::int32_t index) const;

    Events *m_events = nullptr;
    std::unique_ptr<Private> d;
};

} // namespace Tagora
