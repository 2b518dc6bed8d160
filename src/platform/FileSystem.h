// SPDX-License-Identifier: Apache-2.0
// FileSystem: the file questions the component asks, and the exclusive lock under
// which files are written.
//
// One lock is used everywhere: an exclusive flock() plus an exclusive record lock of
// the whole file on the open file description (F_OFD_SETLK). FileLocked tests for it,
// and for the other reasons a file cannot be opened for writing, so a file that a
// writer holds (ours, or another program using either kind of advisory lock) reads as
// locked.
#pragma once

#include <QString>

namespace Platform {

// True for an existing regular file (a symbolic link to one counts).
bool FileExists(const QString &path);

// True when the file cannot be opened for appending with write access (missing, a
// folder, permissions, read-only or immutable), when it has no write permission bit
// at all (read-only also for root, who could open it anyway), or when another open
// file holds an advisory lock on it. Opens and closes the file without writing:
// content, length and times stay as they were.
bool FileLocked(const QString &path);

// A file opened for reading and writing under the exclusive lock; closed and
// unlocked by the destructor.
class ExclusiveFile
{
public:
    ExclusiveFile() = default;
    ~ExclusiveFile();
    ExclusiveFile(const ExclusiveFile &) = delete;
    ExclusiveFile &operator=(const ExclusiveFile &) = delete;

    // Opens and locks, waiting up to `wait` milliseconds for another holder to let go.
    // The file locked is the one the path names once the lock is held: a file replaced
    // meanwhile (renamed over) is opened again. On failure returns false and keeps
    // errno's value and text: EWOULDBLOCK/EAGAIN when someone else holds a lock, EACCES
    // or EROFS for permissions, ENOENT for a missing file.
    bool open(const QString &path, int wait = 0);
    void close();

    bool isOpen() const { return m_fd >= 0; }
    int handle() const { return m_fd; }
    int error() const { return m_error; }
    QString errorString() const;

private:
    int m_fd = -1;
    int m_error = 0;
};

} // namespace Platform
