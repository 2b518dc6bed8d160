#include "FileError.h"

#include "AutomationError.h"

#include <cerrno>
#include <cstring>

namespace FileError {

void raise(int error, const QString &doing)
{
    const QString system = QString::fromLocal8Bit(std::strerror(error));
    switch (error) {
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        Automation::raise(Automation::DiskFull,
                          QStringLiteral("the disk is full (%1)").arg(system));
    case EACCES:
    case EPERM:
    case EROFS:
        Automation::raise(Automation::PermissionDenied,
                          QStringLiteral("permission denied (%1)").arg(system));
    case ENOENT:
        Automation::raise(Automation::FileNotFound, QStringLiteral("the file does not exist"));
    case EWOULDBLOCK:
        Automation::raise(Automation::PdfFileLocked,
                          QStringLiteral("the file is opened by another application (locked)"));
    default:
        Automation::raise(Automation::DeviceIOError, QStringLiteral("%1 (%2)").arg(doing, system));
    }
}

} // namespace FileError
