// SPDX-License-Identifier: Apache-2.0
#include "TagoraError.h"

#include "automation/AutomationError.h"

#include <QFile>

#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFSystemError.hh>

#include <cerrno>
#include <cstring>

namespace Tagora {

void raiseFileError(int error, const QString &doing)
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
        Automation::raise(FileLocked,
                          QStringLiteral("the file is opened by another application (locked)"));
    default:
        Automation::raise(Automation::DeviceIOError, QStringLiteral("%1 (%2)").arg(doing, system));
    }
}

QString warningText(const QPDFExc &warning, const QString &file)
{
    const QString detail = QString::fromStdString(warning.getMessageDetail());
    std::string object = warning.getObject();
    // Some warnings name the file inside the object's description too; the job names it.
    const std::string named = QFile::encodeName(file).toStdString() + ", ";
    if (object.compare(0, named.size(), named) == 0)
        object.erase(0, named.size());
    return object.empty() ? detail : QString::fromStdString(object) + QStringLiteral(": ") + detail;
}

Automation::AutomationError failureOf(std::exception_ptr failure)
{
    using Automation::AutomationError;
    try {
        std::rethrow_exception(failure);
    } catch (const AutomationError &error) {
        return error;
    } catch (const QPDFExc &error) {
        if (error.getErrorCode() == qpdf_e_password)
            return AutomationError(PasswordProtected,
                                   QStringLiteral("the file is protected by a password"));
        return AutomationError(Damaged, QStringLiteral("the file is damaged beyond repair (%1)")
                                            .arg(QString::fromStdString(error.getMessageDetail())));
    } catch (const QPDFSystemError &error) {
        return AutomationError(Automation::DeviceIOError,
                               QStringLiteral("the file cannot be read (%1)")
                                   .arg(QString::fromLocal8Bit(error.what())));
    } catch (const std::bad_alloc &) {
        return AutomationError(Automation::OutOfMemory,
                               QStringLiteral("there is not enough memory"));
    } catch (const std::exception &error) {
        return AutomationError(Damaged, QStringLiteral("the file cannot be read as a PDF (%1)")
                                            .arg(QString::fromLocal8Bit(error.what())));
    } catch (...) {
        return AutomationError(Automation::GeneralFailure);
    }
}

} // namespace Tagora
