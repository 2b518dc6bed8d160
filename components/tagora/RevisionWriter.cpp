// SPDX-License-Identifier: Apache-2.0
#include "RevisionWriter.h"

#include <cerrno>
#include <unistd.h>

namespace Tagora {

namespace {

// 0 when every byte is written and synced, else errno.
int put(int fd, qint64 base, const QByteArray &bytes)
{
    // Cut first: until the new revision is complete the file reads as it was without it.
    if (::ftruncate(fd, base) != 0)
        return errno;
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(base + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += n;
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

} // namespace

RevisionWriter::Result RevisionWriter::replace(int fd, qint64 base, const QByteArray &revision,
                                               const QByteArray &previous)
{
    Result result;
    result.error = put(fd, base, revision);
    if (result.error == 0)
        return result;
    result.previousKept = put(fd, base, previous) == 0;
    if (!result.previousKept && ::ftruncate(fd, base) == 0)
        ::fsync(fd);
    return result;
}

} // namespace Tagora
