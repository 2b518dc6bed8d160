// SPDX-License-Identifier: Apache-2.0
#include "AutomationError.h"

#include "Text.h"

#include <map>

namespace Automation {

std::u16string standardDescription(std::int32_t number)
{
    static const std::map<std::int32_t, std::u16string> texts{
        {InvalidProcedureCall, u"Invalid procedure call or argument"},
        {Overflow, u"Overflow"},
        {OutOfMemory, u"Out of memory"},
        {SubscriptOutOfRange, u"Subscript out of range"},
        {TypeMismatch, u"Type mismatch"},
        {ErrorLoadingLibrary, u"Error in loading DLL"},
        {FileNotFound, u"File not found"},
        {BadFileMode, u"Bad file mode"},
        {DeviceIOError, u"Device I/O error"},
        {DiskFull, u"Disk full"},
        {PermissionDenied, u"Permission denied"},
        {PathFileAccessError, u"Path/File access error"},
        {PathNotFound, u"Path not found"},
        {InvalidFileFormat, u"Invalid file format"},
        {ObjectNotSet, u"Object variable or With block variable not set"},
        {ObjectRequired, u"Object required"},
        {CannotCreateObject, u"ActiveX component can't create object"},
        {MemberNotFound, u"Object doesn't support this property or method"},
        {AutomationFailure, u"Automation error"},
        {ArgumentNotOptional, u"Argument not optional"},
        {WrongArgumentCount, u"Wrong number of arguments or invalid property assignment"},
        {GeneralFailure, u"Unspecified error"},
        {InvalidClassString, u"Invalid class string"},
        {ClassNotRegistered, u"Class not registered"},
    };
    const auto found = texts.find(number);
    return found != texts.end() ? found->second : u"Application-defined or object-defined error";
}

AutomationError::AutomationError(std::int32_t number, std::u16string description)
    : m_number(number),
      m_description(description.empty() ? standardDescription(number) : std::move(description)),
      m_what("Error " + std::to_string(number) + " : " + utf8(m_description))
{}

void raise(std::int32_t number, std::u16string description)
{
    throw AutomationError(number, std::move(description));
}

} // namespace Automation
