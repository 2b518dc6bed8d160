// SPDX-License-Identifier: Apache-2.0
// Every way a save of the PDF information library can fail: the job reports it (an
// error number, then the failure event) or the commit does, the call throws an error
// that names the file, and the file keeps every byte it had. What only POSIX systems
// can set up (a full disk, another program's flock, killed writers) is in posix/.
#include "TagoraTest.h"
#include "support/Platform.h"

#include <optional>

TEST_CASE_FIXTURE(Folder, "fails on files it cannot read")
{
    const std::string pdf = PdfMaker().bytes();
    const fs::path password = dir / "password.pdf";
    REQUIRE(PdfMaker::encrypt(make("plain.pdf", pdf), password, "user", "owner", true,
                              PdfMaker::Crypt::Aes256));
    const struct
    {
        std::optional<std::string> bytes; // none: missing
        int number;
    } rows[] = {
        {std::nullopt, Automation::FileNotFound},
        {"Dear reader,\nthis is a letter.\n", Automation::InvalidFileFormat},
        {"", Automation::InvalidFileFormat},
        {pdf.substr(0, pdf.size() * 6 / 10), Tagora::Damaged},
        {"%PDF-1.7\n%garbage\n", Tagora::Damaged},
        {Support::readFile(password), Tagora::PasswordProtected},
    };
    for (const auto &[bytes, number] : rows) {
        CAPTURE(number);
        const fs::path good = make("good.pdf");
        const fs::path path = bytes ? make("bad.pdf", *bytes) : dir / "missing.pdf";
        TagoraInfo info;
        CHECK(info.ReadInfo(u16(good)) == 2);
        expectFailure(info, path, number,
                      [](TagoraInfo &t, const std::u16string &p) { t.ReadInfo(p); });
        // A failed read leaves nothing loaded.
        CHECK_THROWS_AS(info.InfoName(0), Automation::AutomationError);
        for (const Job &job : writeJobs)
            expectFailure(info, path, number, job);
        if (!bytes)
            expectFailure(info, fs::path(), number, writeJobs.front());
    }
}

TEST_CASE_FIXTURE(Folder, "refuses files it must not change")
{
    for (const int number :
         {int(Automation::PermissionDenied), int(ChangeNotAllowed), int(FileLocked)}) {
        CAPTURE(number);
        fs::path path = make("refused.pdf");
        std::optional<TagoraInfo> holder;
        if (number == Automation::PermissionDenied) {
            fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
        } else if (number == Tagora::ChangeNotAllowed) {
            const fs::path plain = std::exchange(path, dir / "forbidden.pdf");
            REQUIRE(PdfMaker::encrypt(plain, path, "", "owner", false));
        } else {
            holder.emplace().LockFile(u16(path), 0);
        }
        TagoraInfo info;
        CHECK(info.ReadInfo(u16(path)) == 2);
        for (const Job &job : writeJobs)
            expectFailure(info, path, number, job);
        if (number == Automation::PermissionDenied)
            fs::permissions(path, fs::perms::owner_all); // so that the folder can go
        if (holder) {
            // Let go, the file takes the same object's write.
            holder.reset();
            info.WriteInfoEntry(u16(path), u"Title", u"Unlocked");
            info.Commit();
            CHECK(Oracle::qpdf(path).info["Title"] == "Unlocked");
        }
    }
}

TEST_CASE_FIXTURE(Folder, "refuses a file changed by another program")
{
    // A save never overwrites what another program wrote since this object read the file:
    // another save, a change that neither size nor time shows, and (where nothing keeps
    // other programs out: POSIX) a copy renamed over the file, which only its identity
    // tells, or either change during the save. The job that would fails; the file keeps
    // the other program's bytes.
    std::vector<std::pair<std::string, bool>> rows{{"another save", false}, {"altered", false}};
    if (Support::othersMayReplaceAnOpenFile())
        rows.insert(rows.end(), {{"replaced", false}, {"altered", true}, {"replaced", true}});
    for (const auto &[change, duringTheSave] : rows) {
        CAPTURE(change);
        CAPTURE(duringTheSave);
        const fs::path path = make("changed.pdf");
        TagoraInfo info;
        info.ReadInfo(u16(path));
        if (duringTheSave)
            info.WriteInfoEntry(u16(path), u"Title", u"Mine");
        if (change == "another save")
            TagoraInfo().WriteInfoEntry(u16(path), u"Other", u"theirs");
        else if (change == "altered")
            alter(path, "(A title)", "(B title)");
        else
            fs::rename(make("copy.pdf", Support::readFile(path)), path);
        const std::string changed = Support::readFile(path);
        for (const Job &job : writeJobs)
            expectFailure(info, path, Tagora::FileChanged, job);
        info.Commit();
        CHECK(Support::readFile(path) == changed);
        // Once the object has read the file as it now is, it saves after every byte of it.
        info.ReadInfo(u16(path));
        info.WriteInfoEntry(u16(path), u"Title", u"Again");
        info.Commit();
        CHECK(Oracle::appendedRevisionProblems(changed, path) == "");
        CHECK(Oracle::qpdf(path).info["Title"] == "Again");
    }
}

TEST_CASE("refuses a whole rewrite that would damage the file")
{
    // Encryption dictionaries that qpdf reads without a word but writes wrongly: every
    // stream encrypted with a key of length 0, or through a crypt filter the dictionary
    // does not define. Found by saving mutated encrypted files.
    for (const auto &[from, to] :
         {std::pair{"/Length 128", "/LenGth 128"}, std::pair{"/StmF /StdCF", "/StmF /StdCG"}}) {
        CAPTURE(to);
        const Support::TempFolder folder;
        const fs::path plain = folder / "plain.pdf", path = folder / "damaged.pdf";
        REQUIRE(PdfMaker().write(plain));
        REQUIRE(PdfMaker::encrypt(plain, path, "", "owner"));
        fs::remove(plain);
        alter(path, from, to);
        const std::string original = Support::readFile(path);
        TagoraInfo info;
        CHECK(info.ReadInfo(u16(path)) == 2);
        info.WriteInfoEntry(u16(path), u"Title", u"New");
        const std::string error = Support::failure([&] { info.Commit(); });
        CAPTURE(error);
        CHECK(error.rfind(std::to_string(RewriteRefused) + ' ' + utf8(path) + ": qpdf warned", 0) ==
              0);
        CHECK(Support::readFile(path) == original);
        CHECK(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()) == 1);
    }
}
