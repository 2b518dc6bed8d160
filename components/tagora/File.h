// SPDX-License-Identifier: Apache-2.0
// File: what the PDF library asks of the system about one file.
//
// A save is a transaction on its file, and everything it needs from the system is here:
// the exclusive lock held from the save's first change to its end, reads at an offset,
// the identity that tells whether the file is still the one read, and the steps that
// append a revision so that it is there whole or not at all (reserve the room, write,
// flush), with the cut back that undoes them. Each platform implements this header once
// (posix/, win32/); the library above it is the same everywhere. Paths are texts as the
// host gives them.
//
// The exclusive lock is the one Platform::FileLocked tests, so a file under a save reads
// as locked to the component and to other programs. POSIX: an exclusive flock() plus an
// exclusive record lock of the whole file on the open file description (F_OFD_SETLK);
// Windows: a share mode that lets no second writer open the file, and LockFileEx of a
// byte beyond any file's end (Windows enforces a lock over the file's bytes on readers).
// Closing the file lets go of it.
//
// Every failure throws Automation::AutomationError through raiseFileError (TagoraError.h):
// its number says what went wrong (disk full, permissions, missing, locked), its
// description what was being done, in the system's words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Tagora {

// What tells that a file is still the one read: any write, even one that puts the size
// and the modification time back, moves the change time, which no program can set.
struct FileIdentity
{
    std::uint64_t volume = 0; // the device or volume that holds the file
    std::uint64_t file = 0;   // the file's number there (inode, file index)
    std::int64_t size = -1;
    std::int64_t modified = 0; // in the system's own units: only compared
    std::int64_t changed = 0;  // the last change of the file or of its status

    bool operator==(const FileIdentity &other) const
    {
        return volume == other.volume && file == other.file && size == other.size &&
               modified == other.modified && changed == other.changed;
    }
};

// What a path names, symbolic links followed.
struct FileStatus
{
    bool regular = false;  // a file, not a folder or a device
    bool readOnly = false; // no write permission for anybody (the read-only attribute)
    FileIdentity identity;
};

// Throws (Examine) when the path names nothing.
FileStatus examine(const std::u16string &path);

// Whether `path` still names the file `held` describes, at the size it had: no other save
// has put another file under the name or appended to it since.
inline bool stillNamed(const std::u16string &path, const FileIdentity &held)
{
    const FileIdentity named = examine(path).identity;
    return named.volume == held.volume && named.file == held.file && named.size == held.size;
}

class File
{
public:
    // Opens the file for reading (Read).
    static std::shared_ptr<File> openForReading(const std::u16string &path);
    // Opens the file for reading and writing under the exclusive lock, waiting up to
    // `wait` milliseconds for another holder to let go (OpenForWriting; FileLocked when
    // it still holds it). The file locked is the one the path names once the lock is
    // held: a file replaced meanwhile (renamed over) is opened again.
    static std::shared_ptr<File> openExclusive(const std::u16string &path, std::int32_t wait);

    virtual ~File() = default;

    // Now (Examine).
    virtual FileIdentity identity() = 0;
    // Reads `length` bytes at `offset`, fewer only at the end of the file: a file that
    // another program shortened meanwhile reads short, it does not fail (Read).
    virtual std::size_t readAt(std::int64_t offset, char *into, std::size_t length) = 0;
    // Whether a writer holds the exclusive lock of the file right now.
    virtual bool writerHolds() = 0;

    // Reserves the room for `length` bytes at `offset` without changing the file's
    // length, so that a full disk fails here, before any byte changes. A file system that
    // cannot reserve room reports a full disk at the write instead (Write).
    virtual void reserve(std::int64_t offset, std::int64_t length) = 0;
    // Writes every byte at `offset`, in as few system calls as the system takes (Write).
    virtual void writeAt(std::int64_t offset, const char *bytes, std::size_t length) = 0;
    // Puts what was written on the disk (Write).
    virtual void flush() = 0;
    // Cuts the file to its first `length` bytes (Write).
    virtual void truncate(std::int64_t length) = 0;
};

} // namespace Tagora
