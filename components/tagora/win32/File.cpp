// SPDX-License-Identifier: Apache-2.0
// The file layer on Windows: handles with share modes, LockFileEx, ReadFile and
// WriteFile at offsets, the allocation size, FlushFileBuffers.
#include "tagora/File.h"

#include "Win32File.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <vector>

namespace Tagora {

namespace Win32 {

namespace {

// The save's lock is one byte far beyond the end of any file. Windows enforces byte
// range locks on reads and writes through other handles, so a lock over the file's
// bytes would stop every reader (ours, and any viewer) for the whole save; the share
// modes already keep a second writer out, and the lock is what tells a reader that a
// writer is at work.
constexpr DWORD LockOffsetLow = 0xFFFFFFFE;
constexpr DWORD LockOffsetHigh = 0x7FFFFFFF;

OVERLAPPED at(std::uint64_t offset)
{
    OVERLAPPED overlapped = {};
    overlapped.Offset = DWORD(offset & 0xFFFFFFFF);
    overlapped.OffsetHigh = DWORD(offset >> 32);
    return overlapped;
}

OVERLAPPED lockRange()
{
    OVERLAPPED overlapped = {};
    overlapped.Offset = LockOffsetLow;
    overlapped.OffsetHigh = LockOffsetHigh;
    return overlapped;
}

std::int64_t quad(DWORD high, DWORD low)
{
    return std::int64_t(std::uint64_t(high) << 32 | low);
}

// The change time moves with every write and every change of the file's status, and
// only the file system sets it (some file systems, FAT, keep none: 0).
std::int64_t changeTime(HANDLE handle)
{
    FILE_BASIC_INFO basic = {};
    return GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)
               ? basic.ChangeTime.QuadPart
               : 0;
}

// Volume, file index, size, last write and change time; false (GetLastError) on failure.
bool identityOf(HANDLE handle, FileIdentity &identity, DWORD *attributes = nullptr)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    identity = {info.dwVolumeSerialNumber,
                std::uint64_t(quad(info.nFileIndexHigh, info.nFileIndexLow)),
                quad(info.nFileSizeHigh, info.nFileSizeLow),
                quad(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime),
                changeTime(handle)};
    if (attributes)
        *attributes = info.dwFileAttributes;
    return true;
}

// The same for a handle whose volume and index are known: only the size and the times
// are asked. The volume's serial number is the costly part (wine asks its mount manager,
// another process, each time), and an open handle never moves to another file.
bool stateOf(HANDLE handle, FileIdentity &identity)
{
    FILE_BASIC_INFO basic = {};
    FILE_STANDARD_INFO standard = {};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard))
        return false;
    identity.size = standard.EndOfFile.QuadPart;
    identity.modified = basic.LastWriteTime.QuadPart;
    identity.changed = basic.ChangeTime.QuadPart;
    return true;
}

// A handle that only reads the file's attributes: it takes no part in sharing, so it
// opens whoever holds the file. Symbolic links are followed; folders open too.
HANDLE openAttributes(const std::wstring &path)
{
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The volume and index of the file that `path` names now, or nothing.
bool namedFile(const std::wstring &path, FileIdentity &identity)
{
    const HANDLE handle = openAttributes(path);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool known = identityOf(handle, identity);
    CloseHandle(handle);
    return known;
}

bool sameFile(const FileIdentity &a, const FileIdentity &b)
{
    return a.volume == b.volume && a.file == b.file;
}

// Every Win32File of the process; I/O holds the mutex shared, a replacement that
// closes and opens handles holds it alone.
std::shared_mutex handles;
std::vector<Win32File *> files;

// ReadFile and WriteFile take a DWORD: larger requests go in pieces.
constexpr std::size_t Piece = 1 << 30;

} // namespace

bool lockExclusive(HANDLE handle)
{
    OVERLAPPED range = lockRange();
    return LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range);
}

HANDLE Win32File::open(const std::wstring &path, Access access)
{
    switch (access) {
    case Access::Read:
        return CreateFileW(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    case Access::Exclusive:
        // Readers may come, writers may not; the file may be renamed over (the save's
        // own replacement does).
        return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    case Access::Replacement:
        break;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
}

Win32File::Win32File(HANDLE handle, std::wstring path, Access access)
    : m_handle(handle), m_path(std::move(path)), m_access(access)
{
    m_placeKnown = identityOf(m_handle, m_place);
    if (m_access == Access::Replacement)
        return;
    const std::unique_lock lock(handles);
    files.push_back(this);
}

Win32File::~Win32File()
{
    if (m_access != Access::Replacement) {
        const std::unique_lock lock(handles);
        files.erase(std::find(files.begin(), files.end(), this));
    }
    close();
}

void Win32File::close()
{
    if (m_handle == INVALID_HANDLE_VALUE)
        return;
    // Let go of the lock at once: one left to the close goes when the system gets to it.
    if (m_access == Access::Exclusive) {
        OVERLAPPED range = lockRange();
        UnlockFileEx(m_handle, 0, 1, 0, &range);
    }
    CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

void Win32File::reopen()
{
    m_handle = open(m_path, m_access);
    m_placeKnown = m_handle != INVALID_HANDLE_VALUE && identityOf(m_handle, m_place);
    if (m_handle != INVALID_HANDLE_VALUE && m_access == Access::Exclusive &&
        !lockExclusive(m_handle)) {
        const DWORD error = GetLastError();
        CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        SetLastError(error);
    }
    m_lost = m_handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
}

HANDLE Win32File::handle(FileOperation operation) const
{
    if (m_handle == INVALID_HANDLE_VALUE)
        raiseError(operation, m_lost);
    return m_handle;
}

FileIdentity Win32File::identity()
{
    const std::shared_lock lock(handles);
    const HANDLE file = handle(FileOperation::Examine);
    FileIdentity identity = m_place;
    if (!(m_placeKnown ? stateOf(file, identity) : identityOf(file, identity)))
        raiseError(FileOperation::Examine, GetLastError());
    return identity;
}

std::size_t Win32File::readAt(std::int64_t offset, char *into, std::size_t length)
{
    const std::shared_lock lock(handles);
    const HANDLE file = handle(FileOperation::Read);
    std::size_t done = 0;
    while (done < length) {
        OVERLAPPED from = at(std::uint64_t(offset) + done);
        DWORD read = 0;
        if (!ReadFile(file, into + done, DWORD(std::min(length - done, Piece)), &read, &from)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF)
                break; // shortened meanwhile: what is left reads as the end
            raiseError(FileOperation::Read, error);
        }
        if (read == 0)
            break;
        done += read;
    }
    return done;
}

bool Win32File::writerHolds()
{
    const std::shared_lock lock(handles);
    const HANDLE file = handle(FileOperation::Read);
    OVERLAPPED range = lockRange();
    if (!LockFileEx(file, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range))
        return GetLastError() == ERROR_LOCK_VIOLATION;
    UnlockFileEx(file, 0, 1, 0, &range);
    return false;
}

void Win32File::reserve(std::int64_t offset, std::int64_t length)
{
    const std::shared_lock lock(handles);
    const HANDLE file = handle(FileOperation::Write);
    FILE_STANDARD_INFO standard = {};
    if (!GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard))
        raiseError(FileOperation::Write, GetLastError());
    // The allocation grows; the end of the file stays where it is.
    FILE_ALLOCATION_INFO allocation = {};
    allocation.AllocationSize.QuadPart = offset + length;
    if (allocation.AllocationSize.QuadPart <= standard.AllocationSize.QuadPart ||
        allocation.AllocationSize.QuadPart <= standard.EndOfFile.QuadPart)
        return;
    if (!SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation)) {
        const DWORD error = GetLastError();
        // A file system (or wine) that allocates no room ahead reports a full disk at
        // the write instead.
        if (error != ERROR_INVALID_FUNCTION && error != ERROR_NOT_SUPPORTED &&
            error != ERROR_INVALID_PARAMETER && error != ERROR_CALL_NOT_IMPLEMENTED)
            raiseError(FileOperation::Write, error);
    }
}

void Win32File::writeAt(std::int64_t offset, const char *bytes, std::size_t length)
{
    const std::shared_lock lock(handles);
    const HANDLE file = handle(FileOperation::Write);
    std::size_t done = 0;
    while (done < length) {
        OVERLAPPED to = at(std::uint64_t(offset) + done);
        DWORD written = 0;
        if (!WriteFile(file, bytes + done, DWORD(std::min(length - done, Piece)), &written, &to))
            raiseError(FileOperation::Write, GetLastError());
        if (written == 0)
            raiseError(FileOperation::Write, ERROR_WRITE_FAULT);
        done += written;
    }
}

void Win32File::flush()
{
    const std::shared_lock lock(handles);
    if (!FlushFileBuffers(handle(FileOperation::Write)))
        raiseError(FileOperation::Write, GetLastError());
}

void Win32File::truncate(std::int64_t length)
{
    const std::shared_lock lock(handles);
    const HANDLE file = handle(FileOperation::Write);
    LARGE_INTEGER end = {};
    end.QuadPart = length;
    if (!SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file))
        raiseError(FileOperation::Write, GetLastError());
}

void withHandlesClosed(const std::wstring &target, const std::function<void()> &replace)
{
    const std::unique_lock lock(handles);
    FileIdentity named;
    std::vector<Win32File *> closed;
    if (namedFile(target, named)) {
        for (Win32File *file : files) {
            FileIdentity open;
            if (file->m_handle != INVALID_HANDLE_VALUE && identityOf(file->m_handle, open) &&
                sameFile(open, named)) {
                file->close();
                closed.push_back(file);
            }
        }
    }
    replace();
    for (Win32File *file : closed)
        file->reopen();
}

} // namespace Win32

using Win32::Win32File;

FileStatus examine(const std::u16string &path)
{
    const HANDLE handle = Win32::openAttributes(Win32::wide(path));
    if (handle == INVALID_HANDLE_VALUE)
        Win32::raiseError(FileOperation::Examine, GetLastError());
    FileStatus status;
    DWORD attributes = 0;
    const bool known = Win32::identityOf(handle, status.identity, &attributes);
    const DWORD error = GetLastError();
    const bool disk = GetFileType(handle) == FILE_TYPE_DISK;
    CloseHandle(handle);
    if (!known)
        Win32::raiseError(FileOperation::Examine, error);
    status.regular = disk && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
    status.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    return status;
}

std::shared_ptr<File> File::openForReading(const std::u16string &path)
{
    std::wstring name = Win32::wide(path);
    // A reader shares everything; what shares less is the system's own moment of a rename
    // over the file (a save of ours replacing it): a reader waits it out.
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; handle == INVALID_HANDLE_VALUE; ++attempt) {
        handle = Win32File::open(name, Win32File::Access::Read);
        if (handle != INVALID_HANDLE_VALUE)
            break;
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION || attempt == 100)
            Win32::raiseError(FileOperation::Read, error);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::make_shared<Win32File>(handle, std::move(name), Win32File::Access::Read);
}

std::shared_ptr<File> File::openExclusive(const std::u16string &path, std::int32_t wait)
{
    using Clock = std::chrono::steady_clock;
    const std::wstring name = Win32::wide(path);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(wait, 0));
    for (;;) {
        DWORD error = ERROR_SUCCESS;
        const HANDLE handle = Win32File::open(name, Win32File::Access::Exclusive);
        if (handle == INVALID_HANDLE_VALUE) {
            error = GetLastError(); // a sharing violation: another writer has it open
        } else {
            auto file = std::make_shared<Win32File>(handle, name, Win32File::Access::Exclusive);
            if (Win32::lockExclusive(handle)) {
                // Locked: is it still the file that the path names?
                FileIdentity named;
                if (Win32::namedFile(name, named) && Win32::sameFile(file->identity(), named))
                    return file;
                continue;
            }
            error = GetLastError();
        }
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        const Clock::time_point now = Clock::now();
        if (!held || now >= deadline)
            Win32::raiseError(FileOperation::OpenForWriting, error);
        std::this_thread::sleep_for(std::clamp<Clock::duration>(
            deadline - now, std::chrono::milliseconds(1), std::chrono::milliseconds(20)));
    }
}

} // namespace Tagora
