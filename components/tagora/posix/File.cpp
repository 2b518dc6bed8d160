// SPDX-License-Identifier: Apache-2.0
// The file layer on POSIX (Linux): descriptors, flock() with the record lock of an open
// file description, pread/pwrite, fallocate, fsync.
#include "tagora/File.h"

#include "Descriptor.h"
#include "SystemError.h"
#include "automation/Text.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace Tagora {

namespace {

using Posix::raiseErrno;

std::int64_t nanoseconds(const timespec &time)
{
    return std::int64_t(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileIdentity identityOf(const struct stat &st)
{
    return {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), std::int64_t(st.st_size),
            nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
}

} // namespace

namespace Posix {

Descriptor::~Descriptor()
{
    ::close(m_fd);
}

FileIdentity Descriptor::identity()
{
    struct stat st = {};
    if (::fstat(m_fd, &st) != 0)
        raiseErrno(FileOperation::Examine, errno);
    return identityOf(st);
}

std::size_t Descriptor::readAt(std::int64_t offset, char *into, std::size_t length)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(m_fd, into + done, length - done, off_t(offset) + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            raiseErrno(FileOperation::Read, errno);
        if (n == 0)
            break; // shortened meanwhile: what is left reads as the end
        done += std::size_t(n);
    }
    return done;
}

bool Descriptor::writerHolds()
{
    if (::flock(m_fd, LOCK_SH | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    ::flock(m_fd, LOCK_UN);
    return false;
}

void Descriptor::reserve(std::int64_t offset, std::int64_t length)
{
    int reserved;
    do {
        reserved = ::fallocate(m_fd, FALLOC_FL_KEEP_SIZE, off_t(offset), off_t(length));
    } while (reserved != 0 && errno == EINTR);
    if (reserved != 0 && errno != EOPNOTSUPP && errno != ENOSYS)
        raiseErrno(FileOperation::Write, errno);
}

void Descriptor::writeAt(std::int64_t offset, const char *bytes, std::size_t length)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(m_fd, bytes + done, length - done, off_t(offset) + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            raiseErrno(FileOperation::Write, n < 0 ? errno : EIO);
        done += std::size_t(n);
    }
}

void Descriptor::flush()
{
    if (::fsync(m_fd) != 0)
        raiseErrno(FileOperation::Write, errno);
}

void Descriptor::truncate(std::int64_t length)
{
    if (::ftruncate(m_fd, off_t(length)) != 0)
        raiseErrno(FileOperation::Write, errno);
}

} // namespace Posix

FileStatus examine(const std::u16string &path)
{
    struct stat st = {};
    if (::stat(Automation::utf8(path).c_str(), &st) != 0)
        raiseErrno(FileOperation::Examine, errno);
    return {S_ISREG(st.st_mode), (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0, identityOf(st)};
}

std::shared_ptr<File> File::openForReading(const std::u16string &path)
{
    const int fd = ::open(Automation::utf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        raiseErrno(FileOperation::Read, errno);
    return std::make_shared<Posix::Descriptor>(fd);
}

std::shared_ptr<File> File::openExclusive(const std::u16string &path, std::int32_t wait)
{
    using Clock = std::chrono::steady_clock;
    const std::string name = Automation::utf8(path);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(wait, 0));
    for (;;) {
        const int fd = ::open(name.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            raiseErrno(FileOperation::OpenForWriting, errno);
        auto file = std::make_shared<Posix::Descriptor>(fd);
        struct flock lock = {};
        lock.l_type = F_WRLCK; // the whole file: from 0, to the end whatever it becomes
        lock.l_whence = SEEK_SET;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fcntl(fd, F_OFD_SETLK, &lock) == 0) {
            // Locked: is it still the file that the path names?
            struct stat held = {};
            struct stat named = {};
            if (::fstat(fd, &held) == 0 && ::stat(name.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino)
                return file;
            continue;
        }
        // A conflicting record lock may also read EACCES; both mean "held by another".
        const int error = errno == EAGAIN || errno == EACCES ? EWOULDBLOCK : errno;
        const Clock::time_point now = Clock::now();
        if (error != EWOULDBLOCK || now >= deadline)
            raiseErrno(FileOperation::OpenForWriting, error);
        file.reset();
        std::this_thread::sleep_for(std::clamp<Clock::duration>(
            deadline - now, std::chrono::milliseconds(1), std::chrono::milliseconds(20)));
    }
}

} // namespace Tagora
