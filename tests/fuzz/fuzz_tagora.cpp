// SPDX-License-Identifier: Apache-2.0
// fuzz_tagora: a libFuzzer target over the PDF library. Any bytes are read as a PDF; when
// they read, a save adds and removes entries. Whatever the bytes: no crash, no leak, no
// undefined behaviour, failures only as the library's errors, and a save that succeeds
// reads back. Built by scripts/fuzz.sh, which runs it for a bounded time.

#include "automation/AutomationError.h"
#include "tagora/TagoraInfo.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

// The one file every input is written to.
QString scratch()
{
    char name[] = "/tmp/fuzz_tagora-XXXXXX.pdf";
    const int fd = ::mkstemps(name, 4);
    if (fd < 0)
        std::abort();
    ::close(fd);
    return QString::fromLocal8Bit(name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QString path = scratch();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    const QString value = QStringLiteral("fuzzed ✓ (value)");
    try {
        Tagora::TagoraInfo reader;
        const int count = reader.ReadInfo(path);
        for (int i = 0; i < count; ++i)
            (void)(reader.InfoName(i) + reader.InfoValue(i));

        Tagora::TagoraInfo writer;
        writer.WriteInfoEntry(path, QStringLiteral("Fuzz#1 name"), value);
        writer.RemoveInfoEntry(path, QStringLiteral("Title"));
        writer.WriteStandardInfo(path, QString(), QStringLiteral("Author"), QString(), QString(),
                                 QString(), QString());
        writer.Commit();
    } catch (const Automation::AutomationError &) {
        return 0; // refused with a reason: fine
    }
    // The save went through: it must read back.
    Tagora::TagoraInfo again;
    const int count = again.ReadInfo(path);
    for (int i = 0; i < count; ++i) {
        if (again.InfoName(i) == QStringLiteral("Fuzz#1 name") && again.InfoValue(i) == value)
            return 0;
    }
    std::abort();
}
