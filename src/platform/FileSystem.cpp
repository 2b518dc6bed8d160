// SPDX-License-Identifier: Apache-2.0
#include "FileSystem.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// An exclusive record lock over the whole file, owned by the open file description.
struct flock wholeFile(short type)
{
    struct flock lock
    {
    };
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    lock.l_pid = 0;
    return lock;
}

} // namespace

bool FileExists(const QString &path)
{
    struct stat st
    {
    };
    return !path.isEmpty() && ::stat(encoded(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FileLocked(const QString &path)
{
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(encoded(path).constData(), &st) != 0)
        return true;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    const int fd = ::open(encoded(path).constData(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return true;
    bool locked = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        locked = true;
    } else {
        ::flock(fd, LOCK_UN);
        struct flock probe = wholeFile(F_WRLCK);
        locked = ::fcntl(fd, F_OFD_GETLK, &probe) != 0 || probe.l_type != F_UNLCK;
    }
    if (::close(fd) != 0)
        locked = true;
    return locked;
}

ExclusiveFile::~ExclusiveFile()
{
    close();
}

bool ExclusiveFile::open(const QString &path)
{
    close();
    const int fd = ::open(encoded(path).constData(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        m_error = errno;
        return false;
    }
    struct flock lock = wholeFile(F_WRLCK);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        m_error = errno;
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_error = 0;
    return true;
}

void ExclusiveFile::close()
{
    if (m_fd >= 0) {
        // Closing the descriptor releases both locks.
        ::close(m_fd);
        m_fd = -1;
    }
}

QString ExclusiveFile::errorString() const
{
    return QString::fromLocal8Bit(std::strerror(m_error));
}

} // namespace Platform
