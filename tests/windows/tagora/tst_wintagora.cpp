// SPDX-License-Identifier: Apache-2.0
// The PDF library on the Windows file layer (wine, or Windows), in what the core suites
// (tests/tagora, run under wine too) cannot set up: the local time's bias in ModDate, a
// writer waiting for another, an encrypted file written anew beside itself while other
// handles hold it, leftovers by their Windows names, killed saves. `tst_wintagora FOLDER`:
// FOLDER holds user-guide.pdf, release-notes.pdf, annual-report.pdf and encrypted.pdf
// (AES-128); the files it writes stay there for run.sh to read back with the Linux tools.
#include "../../support/Errors.h"
#include "../Checks.h"
#include "automation/AutomationError.h"
#include "automation/Text.h"
#include "tagora/ReplacementFile.h"
#include "tagora/RevisionHistory.h"
#include "tagora/TagoraError.h"
#include "tagora/TagoraInfo.h"
#include "win32base/Win32Base.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>

using Support::errorOf;
using Tagora::TagoraInfo;
using Win32Base::u16;

namespace {

std::wstring folder;

std::wstring in(const std::wstring &name)
{
    return folder + L"\\" + name;
}

std::string bytesOf(const std::wstring &path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// A new file holding `bytes`, made with `attributes` (wine keeps the hidden attribute
// only when a file is created with it).
void writeFile(const std::wstring &path, const std::string &bytes,
               DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    DWORD written = 0;
    CHECK(WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
          written == bytes.size());
    CloseHandle(file);
}

std::wstring copyOf(const wchar_t *sample, const std::wstring &name,
                    DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    const std::wstring path = in(name);
    writeFile(path, bytesOf(in(sample)), attributes);
    return path;
}

std::map<std::u16string, std::u16string> entriesOf(const std::wstring &path)
{
    TagoraInfo reader;
    std::map<std::u16string, std::u16string> entries;
    const std::int32_t count = reader.ReadInfo(u16(path));
    for (std::int32_t i = 0; i < count; ++i)
        entries[reader.InfoName(i)] = reader.InfoValue(i);
    return entries;
}

// Files in the folder whose name starts with `prefix`.
int filesStartingWith(const std::wstring &prefix)
{
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileW(in(prefix + L"*").c_str(), &entry);
    int count = 0;
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &entry))
        ++count;
    FindClose(find);
    return count;
}

// The standard fields of a book with XMP metadata stamp ModDate in the local time, which
// run.sh sets to a zone of half hours, and reads back with what each case wrote.
void localTime()
{
    const std::wstring annual = copyOf(L"annual-report.pdf", L"annual.pdf");
    TagoraInfo writer;
    writer.WriteStandardInfo(u16(annual), u"Annual report 2024", u"Board of editors", u"Figures",
                             u"", u"", u"");
    writer.Commit();
}

// A second writer waits as long as it is told to while the first holds the file (that it
// is kept out, and the file left alone, is tst_tagorafailures'); when the first one lets
// go, the waiting one gets in.
void secondWriter()
{
    const std::wstring notes = copyOf(L"release-notes.pdf", L"notes.pdf");
    const std::u16string path = u16(notes);
    TagoraInfo first;
    first.WriteInfoEntry(path, u"Status", u"draft");
    TagoraInfo second;
    const auto started = std::chrono::steady_clock::now();
    CHECK(errorOf([&] { second.LockFile(path, 300); }) == Tagora::FileLocked);
    CHECK(std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(250));

    // The second writer waits for the first to let go, then builds on what it wrote: two
    // revisions, the draft's and the final one.
    std::thread letGo([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        first.Commit();
    });
    const auto waiting = std::chrono::steady_clock::now();
    CHECK(errorOf([&] { second.LockFile(path, 5000); }) == 0);
    CHECK(std::chrono::steady_clock::now() - waiting >= std::chrono::milliseconds(150));
    letGo.join();
    CHECK(errorOf([&] { second.WriteInfoEntry(path, u"Status", u"final"); }) == 0);
    second.Commit();
    const std::vector<Tagora::Revision> revisions = Tagora::RevisionHistory::read(path);
    CHECK(revisions.size() == 3 &&
          Tagora::RevisionHistory::changes(&revisions[0], revisions[1]).front().after == u"draft");
}

// An encrypted file with bytes after its end is written anew beside itself and renamed
// over it, while the saving object and another reader hold it open; it keeps its
// attributes, leaves no new file behind, and the other reader's next save sees that the
// file changed. The next save appends an encrypted revision.
void encryptedRewrite()
{
    const std::wstring secret = copyOf(L"encrypted.pdf", L"secret.pdf", FILE_ATTRIBUTE_HIDDEN);
    const std::u16string path = u16(secret);
    TagoraInfo other;
    other.ReadInfo(path);
    {
        TagoraInfo writer;
        writer.ReadInfo(path);
        writer.WriteInfoEntry(path, u"Title", u"Encrypted \u2713");
        writer.Commit();
    }
    CHECK(filesStartingWith(L"~") == 0);
    CHECK(GetFileAttributesW(secret.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    CHECK(errorOf([&] { other.WriteInfoEntry(path, u"Title", u"Stale"); }) == Tagora::FileChanged);
    // A program holding the file open without sharing deletion stops the rename: the file
    // stays as it was, and the new copy goes. The save in progress of this process, whose
    // handle is set aside for the attempt, has its lock again afterwards.
    TagoraInfo later;
    later.WriteInfoEntry(path, u"Title", u"Encrypted again \u2713");
    const std::string before = bytesOf(secret);
    const HANDLE holder =
        CreateFileW(secret.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::u16string why;
    CHECK(errorOf(
              [&] {
                  const auto copy = Tagora::ReplacementFile::beside(path);
                  copy->file()->writeAt(0, "%PDF-1.4\n", 9);
                  copy->commit(Tagora::examine(path).identity);
              },
              &why) == Automation::DeviceIOError);
    CHECK(why.find(u"cannot replace it (") != std::u16string::npos && why.back() == u')' &&
          why.size() > 40);
    CloseHandle(holder);
    CHECK(bytesOf(secret) == before);
    CHECK(filesStartingWith(L"~") == 0);
    TagoraInfo third;
    CHECK(errorOf([&] { third.LockFile(path, 0); }) == Tagora::FileLocked);
    later.Commit();
}

// Beside the book: a copy a killed save left, one a live writer holds open, and files
// with names like ours that are not. A save removes the first alone.
void leftovers()
{
    const std::wstring book = copyOf(L"user-guide.pdf", L"left.pdf");
    const wchar_t *kept[] = {L"~left.pdf.1badf00d.tmp", L"~left.pdf.notmine1.tmp",
                             L"~left.pdf.0badf00d.tmp.bak", L"~other.pdf.0badf00d.tmp"};
    for (const wchar_t *name : kept)
        writeFile(in(name), "%PDF-1.4\n");
    writeFile(in(L"~left.pdf.0badf00d.tmp"), "%PDF-1.4\n");
    const HANDLE live =
        CreateFileW(in(kept[0]).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(live != INVALID_HANDLE_VALUE);
    TagoraInfo writer;
    writer.WriteInfoEntry(u16(book), u"Title", u"Saved");
    writer.Commit();
    CloseHandle(live);
    CHECK(GetFileAttributesW(in(L"~left.pdf.0badf00d.tmp").c_str()) == INVALID_FILE_ATTRIBUTES);
    for (const wchar_t *name : kept)
        CHECK(DeleteFileW(in(name).c_str()));
}

// Saves of `path` round after round, each setting Title and Author to the round's number
// (and, with `trail`, bytes after the end first, so that each save writes the file anew),
// until the process is ended.
[[noreturn]] void saveLoop(const std::wstring &path, bool trail)
{
    for (int round = 1;; ++round) {
        if (trail) {
            const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                            nullptr, OPEN_EXISTING, 0, nullptr);
            DWORD written = 0;
            WriteFile(file, "\n% tail\n", 8, &written, nullptr);
            CloseHandle(file);
        }
        const std::u16string value = Automation::utf16(std::to_string(round));
        TagoraInfo writer;
        errorOf([&] {
            writer.WriteInfoEntry(u16(path), u"Title", value);
            writer.WriteInfoEntry(u16(path), u"Author", value);
            writer.Commit();
        });
    }
}

// Encrypted saves ended by TerminateProcess at random moments, appended and written
// anew: the file holds its old entries or a whole round, and nothing stays beside it
// once the next save has run.
void killedSaves()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    int saved = 0;
    for (int trial = 0; trial < 16; ++trial) {
        const bool trail = trial % 2 == 1;
        const std::wstring path = in(L"killed.pdf");
        DeleteFileW(path.c_str());
        copyOf(L"encrypted.pdf", L"killed.pdf");
        const std::string original = bytesOf(path);
        std::wstring command = L"\"" + std::wstring(self) + L"\" --save-loop \"" + path + L"\" " +
                               (trail ? L"trail" : L"append");
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        CHECK(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
        // Once the loop has begun to write, at a random moment of its next rounds.
        for (int wait = 0; wait < 500 && bytesOf(path) == original; ++wait)
            Sleep(10);
        Sleep(DWORD(GetTickCount() * 7919u % 60u));
        TerminateProcess(process.hProcess, 9);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        const auto entries = entriesOf(path);
        const std::u16string title = entries.count(u"Title") ? entries.at(u"Title") : u"";
        const std::u16string author = entries.count(u"Author") ? entries.at(u"Author") : u"";
        CHECK(title == author || (title == u"User guide" && author == u"Zo\u00eb Lambert"));
        saved += title == author ? 1 : 0;
        TagoraInfo next;
        next.WriteInfoEntry(u16(path), u"Next", u"save");
        next.Commit();
        CHECK(filesStartingWith(L"~killed") == 0);
    }
    CHECK(saved > 0);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc == 4 && std::wstring(argv[1]) == L"--save-loop")
        saveLoop(argv[2], std::wstring(argv[3]) == L"trail");
    if (argc != 2) {
        std::printf("usage: tst_wintagora FOLDER\n");
        return 2;
    }
    folder = argv[1];
    const std::pair<const char *, void (*)()> cases[] = {{"localTime", localTime},
                                                         {"secondWriter", secondWriter},
                                                         {"encryptedRewrite", encryptedRewrite},
                                                         {"leftovers", leftovers},
                                                         {"killedSaves", killedSaves}};
    for (const auto &[name, run] : cases) {
        std::u16string why;
        const std::int32_t error = errorOf(run, &why);
        Checks::check(error == 0, name + (" raised error " + std::to_string(error)) + ": " +
                                      Automation::utf8(why));
    }
    return Checks::summary("tst_wintagora") == 0 ? 0 : 1;
}
