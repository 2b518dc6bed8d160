// SPDX-License-Identifier: Apache-2.0
#include "RevisionWriter.h"

namespace Tagora::RevisionWriter {

void append(File &file, std::int64_t length, const std::string &revision)
{
    try {
        file.reserve(length, std::int64_t(revision.size()));
        // One write for the whole revision, as far as the system takes it at once.
        file.writeAt(length, revision.data(), revision.size());
        file.flush();
    } catch (...) {
        cutBack(file, length);
        throw;
    }
}

void cutBack(File &file, std::int64_t length) noexcept
{
    try {
        file.truncate(length);
        file.flush();
    } catch (...) {
    }
}

} // namespace Tagora::RevisionWriter
