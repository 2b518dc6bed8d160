// SPDX-License-Identifier: Apache-2.0
#include "ReplacementFile.h"

#include "TagoraError.h"
#include "automation/AutomationError.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace Tagora {

namespace {

void syncFolder(const QString &folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

ReplacementFile::ReplacementFile(const QString &target, const struct stat &original)
    : m_target(target)
{
    const QFileInfo info(target);
    QByteArray name = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") +
                                        info.fileName() + QStringLiteral(".XXXXXX"));
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0) {
        const int error = errno;
        Automation::raise(error == EACCES || error == EPERM || error == EROFS
                              ? Automation::PermissionDenied
                              : Automation::PathFileAccessError,
                          QStringLiteral("a new copy of the file cannot be created beside it (%1)")
                              .arg(QString::fromLocal8Bit(std::strerror(error))));
    }
    m_path = QFile::decodeName(name);
    ::fchmod(m_fd, original.st_mode & 0777);
    // Only root can give a file away; a member of the group can still set the group.
    [[maybe_unused]] const bool owned = ::fchown(m_fd, original.st_uid, original.st_gid) == 0 ||
                                        ::fchown(m_fd, uid_t(-1), original.st_gid) == 0;
}

ReplacementFile::~ReplacementFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(QFile::encodeName(m_path).constData());
    }
}

void ReplacementFile::commit()
{
    if (::fsync(m_fd) != 0)
        raiseFileError(errno, QStringLiteral("the file cannot be written"));
    if (::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(m_target).constData()) !=
        0)
        Automation::raise(Automation::DeviceIOError,
                          QStringLiteral("the new copy of the file cannot replace it (%1)")
                              .arg(QString::fromLocal8Bit(std::strerror(errno))));
    ::close(m_fd);
    m_fd = -1;
    syncFolder(QFileInfo(m_target).absolutePath());
}

} // namespace Tagora
