// SPDX-License-Identifier: Apache-2.0
// Programs run by CreateProcessW, their output and errors read by a thread each.
#include "support/Process.h"

#include "automation/Text.h"
#include "win32base/Win32Base.h"

#include <windows.h>

#include <thread>

namespace Support {

namespace {

// One argument as the C runtime's command-line parser reads it back.
std::wstring quoted(const std::wstring &arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring result = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        result.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        result += c;
    }
    result.append(2 * backslashes, L'\\');
    return result + L'"';
}

std::wstring wide(const std::string &utf8)
{
    return Win32Base::wide(Automation::utf16(utf8));
}

void readAll(HANDLE pipe, std::string &text)
{
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0)
        text.append(buffer, n);
}

} // namespace

Output run(const std::string &program, const std::vector<std::string> &args,
           const std::string &input, const std::string &folder)
{
    Output result;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE inRead, inWrite, outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&inRead, &inWrite, &inherited, 0))
        return result;
    CreatePipe(&outRead, &outWrite, &inherited, 0);
    CreatePipe(&errRead, &errWrite, &inherited, 0);
    for (HANDLE ours : {inWrite, outRead, errRead})
        SetHandleInformation(ours, HANDLE_FLAG_INHERIT, 0);
    std::wstring commandLine = quoted(wide(program));
    for (const std::string &arg : args)
        commandLine += L' ' + quoted(wide(arg));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(
        nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
        folder.empty() ? nullptr : wide(folder).c_str(), &startup, &process);
    for (HANDLE theirs : {inRead, outWrite, errWrite})
        CloseHandle(theirs);
    std::thread outReader(readAll, outRead, std::ref(result.out));
    std::thread errReader(readAll, errRead, std::ref(result.err));
    DWORD written = 0;
    if (started && !input.empty())
        WriteFile(inWrite, input.data(), DWORD(input.size()), &written, nullptr);
    CloseHandle(inWrite);
    if (started && WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    else if (started) {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        result.exitCode = int(code);
    }
    outReader.join();
    errReader.join();
    for (HANDLE handle : {outRead, errRead, process.hProcess, process.hThread})
        if (handle)
            CloseHandle(handle);
    return result;
}

bool otherReadersRun()
{
    return false;
}

} // namespace Support
