// SPDX-License-Identifier: Apache-2.0
#include "RevisionWriter.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace Tagora::RevisionWriter {

namespace {

// 0 when every byte is written and synced, else errno.
int put(int fd, qint64 length, const QByteArray &revision)
{
    // The room first, without changing the file's length: a full disk shows here. File
    // systems that cannot reserve room (EOPNOTSUPP) report it at the write instead.
    int reserved;
    do {
        reserved = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, off_t(length), off_t(revision.size()));
    } while (reserved != 0 && errno == EINTR);
    if (reserved != 0 && errno != EOPNOTSUPP && errno != ENOSYS)
        return errno;
    // One system call for the whole revision, as far as the system takes it at once.
    qint64 done = 0;
    while (done < revision.size()) {
        const ssize_t n = ::pwrite(fd, revision.constData() + done, size_t(revision.size() - done),
                                   off_t(length + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += n;
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

} // namespace

int append(int fd, qint64 length, const QByteArray &revision)
{
    const int error = put(fd, length, revision);
    if (error != 0)
        cutBack(fd, length);
    return error;
}

int cutBack(int fd, qint64 length)
{
    if (::ftruncate(fd, off_t(length)) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
}

} // namespace Tagora::RevisionWriter
