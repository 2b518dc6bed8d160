// SPDX-License-Identifier: Apache-2.0
// The saves of the PDF information library in what only a POSIX system sets up: a full
// disk and a file size limit, another program's flock, the leftovers of killed saves by
// their names, a writer killed at any moment, a file reached through a symbolic link.
// Part of tst_tagorafailures in the Linux build; the Windows drills are tests/windows/tagora.
#include "../TagoraTest.h"
#include "support/posix/FileSizeLimit.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <set>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

Lines filesIn(const fs::path &folder)
{
    Lines names;
    for (const auto &file : fs::directory_iterator(folder))
        names.push_back(file.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Saves `path` round after round until the process is killed: each save sets every entry
// to the number of its round (with `rewrite`, after bytes after its end, so that each save
// writes the file anew).
[[noreturn]] void saveLoop(const fs::path &path, bool rewrite)
{
    for (int round = 1;; ++round) {
        const std::string value = std::to_string(round);
        Entries fields;
        for (int i = 0; i < 20; ++i)
            fields.emplace_back("Field " + std::to_string(i), value);
        if (rewrite)
            trail(path);
        try {
            TagoraInfo info;
            saveLikeTheFieldSet(info, path, fields, u16(value), u16(value), u"");
        } catch (...) {
        }
    }
}

} // namespace

TEST_CASE("leaves the file as it was when the disk is full")
{
    // With bytes after its end an encrypted file is written anew, else a revision appended.
    for (const bool encrypted : {false, true}) {
        for (const bool tmpfs : {false, true}) {
            CAPTURE(encrypted);
            CAPTURE(tmpfs);
            const Support::TempFolder scratch, folder;
            const std::string mountPoint = folder.path().string();
            if (tmpfs && (::geteuid() != 0 ||
                          ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0)) {
                MESSAGE("mounting a small tmpfs needs root");
                continue;
            }
            const std::shared_ptr<void> unmount(nullptr, [&](void *) {
                if (tmpfs)
                    ::umount(mountPoint.c_str());
            });
            const fs::path path = folder / "full.pdf", plain = scratch / "plain.pdf";
            const PdfMaker maker{.contentBytes = 100000};
            REQUIRE(maker.write(encrypted ? plain : path));
            if (encrypted) {
                REQUIRE(PdfMaker::encrypt(plain, path, "", "owner", true, PdfMaker::Crypt::Aes256));
                trail(path);
            }
            const std::string original = Support::readFile(path);
            TagoraInfo info;
            info.WriteInfoEntry(u16(path), u"Title", std::u16string(4000, u'x'));
            std::optional<Support::FileSizeLimit> limit;
            if (tmpfs) {
                // Fill the disk to within a few bytes of the end.
                std::ofstream filler(folder / "filler", std::ios::binary);
                const std::string block(4096, 'f');
                while (filler.write(block.data(), std::streamsize(block.size())).flush())
                    ;
            } else {
                limit.emplace(std::int64_t(original.size()) + 20);
            }
            const std::string error = Support::failure([&] { info.Commit(); });
            CAPTURE(error);
            CHECK(error.rfind(std::to_string(Automation::DiskFull) + ' ' + utf8(path) + ": ", 0) ==
                  0);
            limit.reset();
            CHECK(Support::readFile(path) == original);
            fs::remove(folder / "filler");
            CHECK(filesIn(folder.path()) == Lines{"full.pdf"});
            // With room again a new save goes through.
            info.WriteInfoEntry(u16(path), u"Title", u"Fits");
            info.Commit();
            CHECK(Oracle::qpdf(path).info["Title"] == "Fits");
            CHECK(Pdf::problems(path) == "");
        }
    }
}

TEST_CASE(
    "another program's flock keeps saves out; a save removes only the leftovers of killed saves")
{
    // Beside the book: a copy a killed save left, one a live writer holds (locked), and
    // files of other programs with names like ours. The save removes the first alone.
    const Support::TempFolder folder;
    const fs::path path = folder / "book.pdf";
    REQUIRE(PdfMaker().write(path));
    const Lines kept{".book.pdf.Ab3dE9",
                     ".book.pdf.orvfields-AbC12",
                     ".book.pdf.orvfields-AbC1234",
                     ".book.pdf.orvfields-Live01",
                     ".other.pdf.orvfields-AbC123",
                     "book.pdf",
                     "book.pdf~"};
    for (const std::string &name : kept)
        if (name != "book.pdf")
            Support::writeFile(folder / name, "%PDF-1.4\n");
    Support::writeFile(folder / ".book.pdf.orvfields-dead01", "%PDF-1.4\n");
    const int live = ::open((folder / ".book.pdf.orvfields-Live01").c_str(), O_RDONLY);
    const int book = ::open(path.c_str(), O_RDONLY);
    REQUIRE(::flock(live, LOCK_EX) == 0);
    REQUIRE(::flock(book, LOCK_EX) == 0);
    TagoraInfo info;
    for (const Job &job : writeJobs)
        expectFailure(info, path, Tagora::FileLocked, job);
    ::close(book);
    info.WriteInfoEntry(u16(path), u"Title", u"Saved");
    info.Commit();
    ::close(live);
    CHECK(Oracle::qpdf(path).info["Title"] == "Saved");
    CHECK(filesIn(folder.path()) == kept);
}

TEST_CASE("a killed save leaves the file as it was or with the whole save")
{
    // A child saves the file round after round until it is killed at a random moment;
    // every entry must then hold the same round, or the file its old entries. The
    // benchmarks run many more trials: ORVFIELDS_KILL_TRIALS.
    const char *many = std::getenv("ORVFIELDS_KILL_TRIALS");
    std::mt19937 random{std::random_device()()};
    const struct
    {
        bool encrypted, rewrite;
        int trials;
    } rows[] = {{false, false, 40}, {true, false, 20}, {true, true, 10}};
    for (const auto &[encrypted, rewrite, defaultTrials] : rows) {
        CAPTURE(encrypted);
        CAPTURE(rewrite);
        const Support::TempFolder folder, scratch;
        const fs::path path = folder / "killed.pdf", plain = scratch / "plain.pdf";
        REQUIRE(PdfMaker().write(plain));
        const int trials = many && std::atoi(many) > 0 ? std::atoi(many) : defaultTrials;
        int saved = 0, leftBeside = 0;
        for (int trial = 0; trial < trials; ++trial) {
            fs::remove(path);
            REQUIRE(
                (encrypted ? PdfMaker::encrypt(plain, path, "", "owner") : PdfMaker().write(path)));
            const Entries old = readEntries(path);
            const pid_t child = ::fork();
            if (child == 0)
                saveLoop(path, rewrite);
            REQUIRE(child > 0);
            std::this_thread::sleep_for(std::chrono::microseconds(20000 + random() % 130000));
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);

            const Entries entries = readEntries(path);
            std::set<std::string> values;
            for (const auto &[name, value] : entries)
                if (name != "ModDate")
                    values.insert(value);
            CAPTURE(joined(entries));
            CHECK((entries == old || (entries.size() == 23 && values.size() == 1)));
            saved += entries != old;
            CHECK(Pdf::problems(path) == "");
            // Nothing beside the file; what a save killed at its last step leaves, the next
            // save removes.
            if (filesIn(folder.path()) != Lines{"killed.pdf"}) {
                ++leftBeside;
                TagoraInfo next;
                next.WriteInfoEntry(u16(path), u"Next", u"save");
                next.Commit();
                CHECK(filesIn(folder.path()) == Lines{"killed.pdf"});
            }
        }
        MESSAGE(saved << " of " << trials << " trials saved a round, " << leftBeside
                      << " left a file beside the book until the next save");
        // A drill in which no save ever got through proves nothing.
        CHECK(saved > 0);
    }
}

TEST_CASE("writes through a symbolic link, keeping the file's mode")
{
    // Written anew (encrypted, bytes after its end): the target takes the new bytes, the
    // link stays, nothing is left beside them.
    const Support::TempFolder folder;
    const fs::path target = folder / "target.pdf", link = folder / "link.pdf";
    REQUIRE(PdfMaker().write(folder / "plain.pdf"));
    REQUIRE(PdfMaker::encrypt(folder / "plain.pdf", target, "", "o"));
    trail(target);
    fs::remove(folder / "plain.pdf");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, mode);
    fs::create_symlink("target.pdf", link);
    TagoraInfo info;
    info.WriteInfoEntry(u16(link), u"Title", u"Through the link");
    info.Commit();
    CHECK(fs::read_symlink(link) == "target.pdf");
    CHECK(Pdf::problems(target) == "");
    CHECK(Oracle::qpdf(target).info["Title"] == "Through the link");
    CHECK(fs::status(target).permissions() == mode);
    CHECK(filesIn(folder.path()) == Lines{"link.pdf", "target.pdf"});
}
