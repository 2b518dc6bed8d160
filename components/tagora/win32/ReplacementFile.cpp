// SPDX-License-Identifier: Apache-2.0
// The replacement of a whole file on Windows: a new file beside the target with its
// attributes and access rights, FlushFileBuffers, then one rename over the target.
//
// A rename replaces the target in one step of the file system, which journals it: the
// target's name leads to the old file or to the new one, whatever happens. ReplaceFileW
// is not that: it works in steps, and one of its failures (ERROR_UNABLE_TO_MOVE_REPLACEMENT
// without a backup name) leaves the target gone and the new file under its temporary
// name. What it would carry over besides (the attributes, the access rights) is carried
// over here when the new file is made.
//
// Windows renames nothing over a file that is open, unless the rename asks for POSIX
// semantics (Windows 10 1607 and later, NTFS): then the handles on the old file, the
// save's own and any reader's that shares deletion, stay valid, as on POSIX. Elsewhere
// (older systems, other file systems, wine) MoveFileExW(MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH) does it, with this process's handles on the target closed for
// the moment; another program's open handle makes it fail, and the target stays as it
// was, and the error names the program in the way where the Restart Manager can tell.
// It is not tried again: with this save's handles closed another writer may have come in.
//
// The new file is marked for deletion as soon as it is made, and unmarked just before the
// rename: a process killed before that leaves nothing. One killed between the two leaves
// "~NAME.XXXXXXXX.tmp", which the next save removes once no process holds it open.
#include "tagora/ReplacementFile.h"

#include "Win32File.h"
#include "automation/AutomationError.h"
#include "automation/Text.h"
#include "tagora/TagoraError.h"

#include <restartmanager.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cwctype>
#include <vector>

namespace Tagora {

namespace {

using Win32::Win32File;

// The target's access rights, where they can be read and set (the owner stays ours:
// only an administrator may give a file away).
void copyAccessRights(const std::wstring &from, const std::wstring &to)
{
    DWORD size = 0;
    GetFileSecurityW(from.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    if (size == 0)
        return;
    std::vector<unsigned char> descriptor(size);
    if (GetFileSecurityW(from.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size, &size))
        SetFileSecurityW(to.c_str(), DACL_SECURITY_INFORMATION, descriptor.data());
}

// Renames `file` over `target`, open or not; false (GetLastError) where the system
// cannot rename over an open file.
bool renameOverOpenFile(HANDLE file, const std::wstring &target)
{
    // FILE_RENAME_INFO as FileRenameInfoEx reads it: flags instead of a Boolean.
    struct RenameInfo
    {
        DWORD flags;
        HANDLE root;
        DWORD length;
        WCHAR name[1];
    };
    constexpr DWORD ReplaceIfExists = 0x1;
    constexpr DWORD PosixSemantics = 0x2;
    constexpr auto FileRenameInfoEx = FILE_INFO_BY_HANDLE_CLASS(22);
    std::vector<std::max_align_t> buffer(
        (offsetof(RenameInfo, name) + (target.size() + 1) * sizeof(WCHAR)) /
            sizeof(std::max_align_t) +
        1);
    auto *info = reinterpret_cast<RenameInfo *>(buffer.data());
    info->flags = ReplaceIfExists | PosixSemantics;
    info->root = nullptr;
    info->length = DWORD(target.size() * sizeof(WCHAR));
    target.copy(info->name, target.size());
    info->name[target.size()] = L'\0';
    return SetFileInformationByHandle(file, FileRenameInfoEx, info,
                                      DWORD(buffer.size() * sizeof(std::max_align_t)));
}

// Puts the folder's new entry on the disk, where the system lets a folder be flushed.
void flushFolderOf(const std::wstring &path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"." : path.substr(0, slash + 1);
    const HANDLE handle = CreateFileW(folder.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        FlushFileBuffers(handle);
        CloseHandle(handle);
    }
}

// Whether the new file goes when its last handle closes.
bool markForDeletion(HANDLE file, bool deletion)
{
    FILE_DISPOSITION_INFO info = {};
    info.DeleteFile = deletion;
    return SetFileInformationByHandle(file, FileDispositionInfo, &info, sizeof info);
}

// "~book.pdf." and ".tmp" around the eight hexadecimal digits of a new file's name.
std::pair<std::wstring, std::wstring> nameAround(const std::wstring &target)
{
    const std::size_t slash = target.find_last_of(L"\\/:");
    const std::size_t start = slash == std::wstring::npos ? 0 : slash + 1;
    return {target.substr(0, start) + L"~" + target.substr(start) + L".", L".tmp"};
}

// The programs whose handles on `path` the Restart Manager knows of, as "NAME (process
// N)", joined by ", "; empty when it names none.
std::u16string programsHolding(const std::wstring &path)
{
    const HMODULE library = LoadLibraryW(L"rstrtmgr.dll");
    if (!library)
        return {};
    const auto start = reinterpret_cast<decltype(&RmStartSession)>(
        reinterpret_cast<void *>(GetProcAddress(library, "RmStartSession")));
    const auto add = reinterpret_cast<decltype(&RmRegisterResources)>(
        reinterpret_cast<void *>(GetProcAddress(library, "RmRegisterResources")));
    const auto list = reinterpret_cast<decltype(&RmGetList)>(
        reinterpret_cast<void *>(GetProcAddress(library, "RmGetList")));
    const auto end = reinterpret_cast<decltype(&RmEndSession)>(
        reinterpret_cast<void *>(GetProcAddress(library, "RmEndSession")));
    std::u16string names;
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (start && add && list && end && start(&session, 0, key) == ERROR_SUCCESS) {
        LPCWSTR files[] = {path.c_str()};
        UINT needed = 0, count = 8;
        RM_PROCESS_INFO processes[8] = {};
        DWORD reasons = 0;
        if (add(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS &&
            list(session, &needed, &count, processes, &reasons) == ERROR_SUCCESS) {
            for (UINT i = 0; i < count; ++i) {
                const std::wstring name(processes[i].strAppName);
                names += (names.empty() ? u"" : u", ") + std::u16string(name.begin(), name.end()) +
                         u" (process " +
                         Automation::utf16(std::to_string(processes[i].Process.dwProcessId)) + u")";
            }
        }
        end(session);
    }
    FreeLibrary(library);
    return names;
}

class Win32Replacement final : public ReplacementFile
{
public:
    explicit Win32Replacement(const std::u16string &target) : m_target(Win32::wide(target))
    {
        WIN32_FILE_ATTRIBUTE_DATA original = {};
        if (!GetFileAttributesExW(m_target.c_str(), GetFileExInfoStandard, &original))
            Win32::raiseError(FileOperation::Read, GetLastError());
        // What the file is to the shell stays; read-only it cannot be while it is written.
        DWORD attributes = original.dwFileAttributes &
                           (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        if (attributes == 0)
            attributes = FILE_ATTRIBUTE_NORMAL;
        // "~book.pdf.1a2b3c4d.tmp" beside "book.pdf": a name of our own, made with
        // CREATE_NEW, so no other file is ever taken for it.
        static std::atomic<unsigned> made{0};
        const auto [before, after] = nameAround(m_target);
        HANDLE handle = INVALID_HANDLE_VALUE;
        for (int attempt = 0; handle == INVALID_HANDLE_VALUE; ++attempt) {
            wchar_t unique[16];
            std::swprintf(unique, 16, L"%08lx",
                          (GetCurrentProcessId() * 2654435761UL) ^ GetTickCount() ^ ++made);
            m_path = before + unique + after;
            handle = CreateFileW(m_path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                 FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 attributes, nullptr);
            if (handle == INVALID_HANDLE_VALUE &&
                (GetLastError() != ERROR_FILE_EXISTS || attempt == 100))
                Win32::raiseError(FileOperation::CreateCopy, GetLastError());
        }
        m_handle = handle;
        m_file = std::make_shared<Win32File>(handle, m_path, Win32File::Access::Replacement);
        markForDeletion(handle, true);
        copyAccessRights(m_target, m_path);
    }

    ~Win32Replacement() override
    {
        if (m_committed)
            return;
        // Still open elsewhere, it goes when the last handle closes (it shares deletion).
        m_file.reset();
        DeleteFileW(m_path.c_str());
    }
    Win32Replacement(const Win32Replacement &) = delete;
    Win32Replacement &operator=(const Win32Replacement &) = delete;

    const std::shared_ptr<File> &file() const override { return m_file; }

    void commit(const FileIdentity &held) override
    {
        m_file->flush();
        if (!stillNamed(std::u16string(m_target.begin(), m_target.end()), held))
            Automation::raise(FileChanged,
                              u"another program wrote the file while its new copy was made");
        // Kept when it cannot be unmarked: it would go with its last handle, renamed or not.
        if (!markForDeletion(m_handle, false))
            Win32::raiseError(FileOperation::ReplaceWithCopy, GetLastError());
        if (renameOverOpenFile(m_handle, m_target)) {
            m_committed = true;
            flushFolderOf(m_target);
            return;
        }
        // The save that commits holds the target open (its lock, its reading). Tried once:
        // with its handles closed another writer may come in, and a second attempt could
        // put this copy over what that writer wrote.
        bool moved = false;
        DWORD error = ERROR_SUCCESS;
        Win32::withHandlesClosed(m_target, [&] {
            moved = MoveFileExW(m_path.c_str(), m_target.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
            error = GetLastError();
        });
        if (moved) {
            m_committed = true;
            return;
        }
        markForDeletion(m_handle, true);
        const std::u16string holders = programsHolding(m_target);
        if (!holders.empty())
            raiseFileError(FileOperation::ReplaceWithCopy, FileProblem::Other,
                           u"the file is in use by " + holders);
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            raiseFileError(FileOperation::ReplaceWithCopy, FileProblem::Other,
                           u"the file is in use by another program");
        Win32::raiseError(FileOperation::ReplaceWithCopy, error);
    }

private:
    std::wstring m_target;
    std::wstring m_path;
    HANDLE m_handle = INVALID_HANDLE_VALUE; // the new file's, which m_file closes
    std::shared_ptr<File> m_file;
    bool m_committed = false;
};

} // namespace

std::unique_ptr<ReplacementFile> ReplacementFile::beside(const std::u16string &target)
{
    return std::make_unique<Win32Replacement>(target);
}

void ReplacementFile::removeLeftovers(const std::u16string &target) noexcept
{
    try {
        const auto [before, after] = nameAround(Win32::wide(target));
        const std::size_t slash = before.find_last_of(L"\\/:");
        const std::wstring folder = slash == std::wstring::npos ? L"" : before.substr(0, slash + 1);
        const std::wstring prefix = before.substr(folder.size());
        WIN32_FIND_DATAW found = {};
        const HANDLE search = FindFirstFileW((before + L"*" + after).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return;
        do {
            const std::wstring name = found.cFileName;
            const bool ours = name.size() == prefix.size() + 8 + after.size() &&
                              name.starts_with(prefix) && name.ends_with(after) &&
                              std::all_of(name.begin() + std::ptrdiff_t(prefix.size()),
                                          name.end() - std::ptrdiff_t(after.size()),
                                          [](wchar_t c) { return std::iswxdigit(c); });
            if (!ours || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
            // Opened by nobody else, it goes when this handle closes; a live writer's is
            // open, and sharing nothing this open fails.
            const HANDLE leftover =
                CreateFileW((folder + name).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            if (leftover != INVALID_HANDLE_VALUE)
                CloseHandle(leftover);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    } catch (...) {
    }
}

} // namespace Tagora
