// SPDX-License-Identifier: Apache-2.0
// The file questions on Windows (FileSystem.h).
#include "platform/FileSystem.h"

#include "Win32.h"

#include <algorithm>

namespace Platform {

bool FileExists(const std::u16string &path)
{
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// Opened to append with write access and no sharing, then closed at once: any other
// handle open on the file (a writer's, a reader's that shares no writing), a read-only
// file, a folder or a missing file makes the open fail. The read-only attribute is
// also read first: wine keeps it as the file's permission bits, which root passes.
bool FileLocked(const std::u16string &path)
{
    if (path.empty())
        return true;
    const std::wstring name = wide(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return true;
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE | FILE_APPEND_DATA, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return true;
    return !CloseHandle(file);
}

// Folders, devices, hidden and system files are left out (a folder listing by pattern
// shows none of them); the names come sorted, as on Linux.
std::vector<std::u16string> ListFiles(const std::u16string &folder)
{
    std::vector<std::u16string> names;
    std::wstring pattern = folder.empty() ? std::wstring(L".") : wide(folder);
    if (pattern.back() != L'\\' && pattern.back() != L'/')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                         FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    constexpr DWORD LeftOut = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE |
                              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    do {
        if ((entry.dwFileAttributes & LeftOut) == 0)
            names.push_back(u16(entry.cFileName));
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::u16string PathSeparator()
{
    return u"\\";
}

} // namespace Platform
