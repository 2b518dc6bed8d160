// SPDX-License-Identifier: Apache-2.0
// RevisionWriter: puts a revision at the end of a file, in place of the one this
// library appended before, and never leaves a partly written tail behind.
#pragma once

#include <QByteArray>

namespace Tagora {

class RevisionWriter
{
public:
    struct Result
    {
        int error = 0;            // errno of the failure, 0 on success
        bool previousKept = true; // after a failure: the file holds `previous` again
    };

    // The file open on `fd` holds `base` bytes of its own, then `previous` (this
    // library's earlier revision, possibly empty). Cuts it back to `base`, appends
    // `revision` and syncs it to the disk. On failure the file is cut back to `base` and
    // `previous` is written again; when even that fails the file ends at `base`, as it
    // was before this library wrote anything.
    static Result replace(int fd, qint64 base, const QByteArray &revision,
                          const QByteArray &previous);
};

} // namespace Tagora
