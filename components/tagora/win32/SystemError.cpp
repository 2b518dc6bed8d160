// SPDX-License-Identifier: Apache-2.0
// A Windows error code as the PDF library's file layer reports it.
#include "Win32File.h"

#include "automation/Text.h"

#include <string>

namespace Tagora::Win32 {

namespace {

constexpr DWORD DiskQuotaExceeded = 1295; // ERROR_DISK_QUOTA_EXCEEDED, which mingw-w64 lacks

// The system's message for `error` in the user's language, without the full stop and
// line end that it ends with (as strerror's would read).
std::u16string messageOf(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::u16string message(text, text + length);
    LocalFree(text);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' ||
                                message.back() == u' ' || message.back() == u'.'))
        message.pop_back();
    if (message.empty())
        message = u"error " + Automation::utf16(std::to_string(error));
    return message;
}

} // namespace

void raiseError(FileOperation operation, DWORD error)
{
    FileProblem problem = FileProblem::Other;
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case DiskQuotaExceeded:
    case ERROR_FILE_TOO_LARGE: // beyond what the file system holds in one file
        problem = FileProblem::DiskFull;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_READ_ONLY:
        problem = FileProblem::PermissionDenied;
        break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        problem = FileProblem::Missing;
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        problem = FileProblem::Locked;
        break;
    default:
        break;
    }
    raiseFileError(operation, problem, messageOf(error));
}

} // namespace Tagora::Win32
