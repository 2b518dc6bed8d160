// SPDX-License-Identifier: Apache-2.0
#include "AutomationError.h"

#include <QHash>

namespace Automation {

namespace {

const QHash<qint32, QString> &table()
{
    static const QHash<qint32, QString> texts{
        {InvalidProcedureCall, QStringLiteral("Invalid procedure call or argument")},
        {Overflow, QStringLiteral("Overflow")},
        {OutOfMemory, QStringLiteral("Out of memory")},
        {SubscriptOutOfRange, QStringLiteral("Subscript out of range")},
        {TypeMismatch, QStringLiteral("Type mismatch")},
        {ErrorLoadingLibrary, QStringLiteral("Error in loading DLL")},
        {FileNotFound, QStringLiteral("File not found")},
        {BadFileMode, QStringLiteral("Bad file mode")},
        {DeviceIOError, QStringLiteral("Device I/O error")},
        {DiskFull, QStringLiteral("Disk full")},
        {PermissionDenied, QStringLiteral("Permission denied")},
        {PathFileAccessError, QStringLiteral("Path/File access error")},
        {PathNotFound, QStringLiteral("Path not found")},
        {InvalidFileFormat, QStringLiteral("Invalid file format")},
        {ObjectNotSet, QStringLiteral("Object variable or With block variable not set")},
        {ObjectRequired, QStringLiteral("Object required")},
        {CannotCreateObject, QStringLiteral("ActiveX component can't create object")},
        {MemberNotFound, QStringLiteral("Object doesn't support this property or method")},
        {AutomationFailure, QStringLiteral("Automation error")},
        {ArgumentNotOptional, QStringLiteral("Argument not optional")},
        {WrongArgumentCount,
         QStringLiteral("Wrong number of arguments or invalid property assignment")},
        {GeneralFailure, QStringLiteral("Unspecified error")},
        {InvalidClassString, QStringLiteral("Invalid class string")},
        {ClassNotRegistered, QStringLiteral("Class not registered")},
    };
    return texts;
}

} // namespace

QString standardDescription(qint32 number)
{
    return table().value(number, QStringLiteral("Application-defined or object-defined error"));
}

AutomationError::AutomationError(qint32 number, const QString &description)
    : m_number(number),
      m_description(description.isEmpty() ? standardDescription(number) : description),
      m_what(QStringLiteral("Error %1 : %2").arg(number).arg(m_description).toStdString())
{}

void raise(qint32 number, const QString &description)
{
    throw AutomationError(number, description);
}

} // namespace Automation
