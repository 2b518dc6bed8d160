// SPDX-License-Identifier: Apache-2.0
// fuzz_tagora: a libFuzzer target over the PDF library. Any bytes are read as a PDF; when
// they read, a save adds and removes entries. Whatever the bytes: no crash, no leak, no
// undefined behaviour, failures only as the library's errors, and a save that succeeds
// reads back. Built by scripts/fuzz.sh, which runs it for a bounded time.

#include "automation/AutomationError.h"
#include "automation/Text.h"
#include "tagora/TagoraInfo.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// The one file every input is written to.
std::string scratch()
{
    char name[] = "/tmp/fuzz_tagora-XXXXXX.pdf";
    const int fd = ::mkstemps(name, 4);
    if (fd < 0)
        std::abort();
    ::close(fd);
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::string file = scratch();
    static const std::u16string path = Automation::utf16(file);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        if (!out.write(reinterpret_cast<const char *>(data), std::streamsize(size)))
            std::abort();
    }
    const std::u16string name = u"Fuzz#1 name";
    const std::u16string value = u"fuzzed ✓ (value)";
    try {
        Tagora::TagoraInfo reader;
        const std::int32_t count = reader.ReadInfo(path);
        for (std::int32_t i = 0; i < count; ++i)
            (void)(reader.InfoName(i) + reader.InfoValue(i));

        Tagora::TagoraInfo writer;
        writer.WriteInfoEntry(path, name, value);
        writer.RemoveInfoEntry(path, u"Title");
        writer.WriteStandardInfo(path, u"", u"Author", u"", u"", u"", u"");
        writer.Commit();
    } catch (const Automation::AutomationError &) {
        return 0; // refused with a reason: fine
    }
    // The save went through: it must read back.
    Tagora::TagoraInfo again;
    const std::int32_t count = again.ReadInfo(path);
    for (std::int32_t i = 0; i < count; ++i) {
        if (again.InfoName(i) == name && again.InfoValue(i) == value)
            return 0;
    }
    std::abort();
}
