// SPDX-License-Identifier: Apache-2.0
#include "FileSystem.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
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

bool ExclusiveFile::open(const QString &path, int wait)
{
    close();
    QDeadlineTimer deadline(std::max(wait, 0));
    for (;;) {
        const int fd = ::open(encoded(path).constData(), O_RDWR | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            m_error = errno;
            return false;
        }
        struct flock lock = wholeFile(F_WRLCK);
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fcntl(fd, F_OFD_SETLK, &lock) == 0) {
            // Locked: is it still the file that the path names?
            struct stat held
            {
            };
            struct stat named
            {
            };
            if (::fstat(fd, &held) == 0 && ::stat(encoded(path).constData(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                m_fd = fd;
                m_error = 0;
                return true;
            }
            ::close(fd);
            continue;
        }
        // A conflicting record lock may also read EACCES; both mean "held by another".
        m_error = errno == EAGAIN || errno == EACCES ? EWOULDBLOCK : errno;
        ::close(fd);
        if (m_error != EWOULDBLOCK || deadline.hasExpired())
            return false;
        QThread::msleep(
            static_cast<unsigned long>(std::clamp<qint64>(deadline.remainingTime(), 1, 20)));
    }
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
