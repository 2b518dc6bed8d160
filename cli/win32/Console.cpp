// SPDX-License-Identifier: Apache-2.0
// The console on Windows. Arguments come as UTF-16 (wmain) and go to the library as
// they are; one with a lone surrogate has no UTF-8 form and is refused. Output is UTF-8
// to a file or a pipe, in binary mode ("\n", as on every other system), and UTF-16
// through WriteConsoleW to a console, which then shows every character its font has,
// whatever its code page: nothing of the console's state is changed.
#include "cli/Console.h"

#include "automation/Text.h"
#include "win32base/Win32Base.h"

#include <windows.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <thread>

namespace Cli::Console {

namespace {

// The longest full path that opens without the "\\?\" form, with room for a file of
// a slightly longer name beside it (the library's replacement file).
constexpr std::size_t Longest = MAX_PATH - 1 - 16;

HANDLE handleOf(Stream stream)
{
    return GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

bool consoleFailed = false;

using Win32Base::u16;
using Win32Base::wide;

// The system's message for `error`, in one line.
std::string messageOf(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::wstring message = length > 0 ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    if (message.empty())
        return "system error " + std::to_string(error);
    return Automation::utf8(u16(message));
}

} // namespace

void write(Stream stream, std::string_view utf8)
{
    const HANDLE handle = handleOf(stream);
    if (!isConsole(handle)) {
        std::fwrite(utf8.data(), 1, utf8.size(), stream == Stream::Out ? stdout : stderr);
        return;
    }
    const std::u16string text = Automation::utf16(utf8);
    // In pieces the console takes at once; a piece never ends between a surrogate pair.
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = std::min<std::size_t>(text.size() - at, 8192);
        if (at + length < text.size() && text[at + length - 1] >= 0xD800 &&
            text[at + length - 1] < 0xDC00)
            --length;
        DWORD written = 0;
        if (!WriteConsoleW(handle, text.data() + at, DWORD(length), &written, nullptr) ||
            written == 0) {
            consoleFailed = consoleFailed || stream == Stream::Out;
            return;
        }
        at += written;
    }
}

bool flushOut()
{
    return std::fflush(stdout) == 0 && !std::ferror(stdout) && !consoleFailed;
}

bool isTerminal(Stream stream)
{
    return isConsole(handleOf(stream));
}

std::string erasure(std::size_t width)
{
    // A console interprets no escape sequence unless asked to, which would change its
    // mode for every program after this one: the line is written over with blanks.
    return '\r' + std::string(width, ' ') + '\r';
}

int processorCount()
{
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0)
        return std::popcount(process);
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

bool readAll(const std::u16string &path, std::string &bytes, std::string &reason)
{
    const bool input = path == u"-";
    const std::wstring name = wide(systemPath(path));
    if (!input) {
        const DWORD attributes = GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            reason = "file to open is a directory";
            return false;
        }
    }
    const HANDLE handle =
        input ? GetStdHandle(STD_INPUT_HANDLE)
              : CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        reason = messageOf(GetLastError());
        return false;
    }
    char buffer[65536];
    DWORD got = 0;
    bool read = false;
    while ((read = ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) && got > 0)
        bytes.append(buffer, got);
    // The end of a pipe is an error to ReadFile.
    const DWORD error = GetLastError();
    if (!input)
        CloseHandle(handle);
    if (!read && error != ERROR_BROKEN_PIPE) {
        reason = messageOf(error);
        return false;
    }
    return true;
}

std::u16string systemPath(const std::u16string &path)
{
    if (path.starts_with(u"\\\\?\\") || path.starts_with(u"\\\\.\\"))
        return path;
    const std::wstring name = wide(path);
    std::wstring full(std::size_t(GetFullPathNameW(name.c_str(), 0, nullptr, nullptr)), L'\0');
    if (full.empty())
        return path;
    full.resize(GetFullPathNameW(name.c_str(), DWORD(full.size()), full.data(), nullptr));
    if (full.size() <= Longest)
        return path;
    // "\\server\share\..." becomes "\\?\UNC\server\share\...".
    if (full.starts_with(L"\\\\"))
        return u"\\\\?\\UNC\\" + u16(full.substr(2));
    return u"\\\\?\\" + u16(full);
}

} // namespace Cli::Console

int wmain(int argc, wchar_t **argv)
{
    // No dialog for a drive without its medium: the open fails and says so.
    SetErrorMode(SEM_FAILCRITICALERRORS);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) {
        const std::u16string argument = Cli::Console::u16(argv[i]);
        if (Automation::utf16(Automation::utf8(argument)) != argument)
            return Cli::usageError("argument " + std::to_string(i) + " is not valid UTF-16");
        arguments.push_back(argument);
    }
    return Cli::orvfields(arguments);
}
