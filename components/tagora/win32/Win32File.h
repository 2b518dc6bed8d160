// SPDX-License-Identifier: Apache-2.0
// Win32File: a File over a Windows file handle, which it closes (and so lets go of its
// lock) when it goes; and what the file layer's sources share on Windows.
//
// Windows renames no file over one that is open, and a save that writes its file anew
// holds that file open (its lock, and the reading that the save continues). So every
// Win32File of the process is known, and a replacement closes the ones open on its
// target for the moment of the rename, then opens them again (withHandlesClosed).
#pragma once

#include "win32base/Win32Base.h"

#include "tagora/File.h"
#include "tagora/TagoraError.h"

#include <windows.h>

#include <functional>
#include <string>

namespace Tagora::Win32 {

// The path as Windows takes it: both are UTF-16.
using Win32Base::wide;

// Throws the error for `error` (a GetLastError value) met while doing `operation`,
// with the system's message for it.
[[noreturn]] void raiseError(FileOperation operation, DWORD error);

class Win32File final : public File
{
public:
    enum class Access
    {
        Read,        // readers share everything, so a writer can still come
        Exclusive,   // the save's: no second writer, and the lock
        Replacement, // the new file of a ReplacementFile, never closed before its time
    };

    Win32File(HANDLE handle, std::wstring path, Access access);
    ~Win32File() override;
    Win32File(const Win32File &) = delete;
    Win32File &operator=(const Win32File &) = delete;

    FileIdentity identity() override;
    std::size_t readAt(std::int64_t offset, char *into, std::size_t length) override;
    bool writerHolds() override;
    void reserve(std::int64_t offset, std::int64_t length) override;
    void writeAt(std::int64_t offset, const char *bytes, std::size_t length) override;
    void flush() override;
    void truncate(std::int64_t length) override;

    // Opens `path` as `access` asks; INVALID_HANDLE_VALUE and GetLastError() on failure.
    static HANDLE open(const std::wstring &path, Access access);

private:
    friend void withHandlesClosed(const std::wstring &, const std::function<void()> &);

    // The handle, or the error that cost it (a handle that could not be opened again
    // after a replacement).
    HANDLE handle(FileOperation operation) const;
    void close();
    void reopen();

    HANDLE m_handle;
    DWORD m_lost = ERROR_SUCCESS;
    // The volume and index of the file the handle is open on, read when it was opened.
    FileIdentity m_place;
    bool m_placeKnown = false;
    const std::wstring m_path;
    const Access m_access;
};

// Takes the save's exclusive lock on `handle` without waiting; false and GetLastError()
// (ERROR_LOCK_VIOLATION) when another handle holds it.
bool lockExclusive(HANDLE handle);

// Runs `replace`, which renames a file over `target`, with every handle that this
// process holds on the file `target` names closed, then opens them again on whatever
// the path names afterwards (the new file, or the old one when the rename failed), the
// exclusive ones with their lock. A handle that cannot be had again stays lost: its
// operations fail with the error that lost it.
void withHandlesClosed(const std::wstring &target, const std::function<void()> &replace);

} // namespace Tagora::Win32
