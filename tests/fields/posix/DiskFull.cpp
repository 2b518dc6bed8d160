// SPDX-License-Identifier: Apache-2.0
// The field set's save on a full disk, which a POSIX system sets up with a file size
// limit: the file is as it was, the user is told. Part of tst_fields in the Linux build.
#include "fields/clsFields.h"
#include "support/Boxes.h"
#include "support/posix/FileSizeLimit.h"
#include "tagora/TagoraTest.h"

TEST_CASE("no room for the save's one write: the file is as it was, the user is told")
{
    const Support::TempFolder dir;
    Boxes boxes;
    const fs::path full = dir / "full.pdf";
    Pdf::make(full, {{"Title", "T"}});
    const std::string original = Support::readFile(full);
    Fields::clsFields set;
    set.AddField(u"Kept", u"v");
    {
        const Support::FileSizeLimit limit(std::int64_t(original.size()) + 10);
        set.SaveDatas(u16(full));
    }
    CHECK(Support::readFile(full) == original);
    const auto prompts = boxes.takePrompts();
    REQUIRE(prompts.size() == 1);
    const std::string prompt = utf8(prompts[0]);
    CAPTURE(prompt);
    CHECK(prompt.rfind("(OrvFields.clsFields.SaveDatas) Error 61 : " + utf8(full), 0) == 0);
    CHECK(prompt.substr(prompt.size() - 8) == " Line 10");
}
