// SPDX-License-Identifier: Apache-2.0
#include "TagoraError.h"

#include "automation/AutomationError.h"
#include "automation/Text.h"

#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFSystemError.hh>

namespace Tagora {

using Automation::utf16;

void raiseFileError(FileOperation operation, FileProblem problem, const std::u16string &systemText)
{
    const std::u16string system = u" (" + systemText + u")";
    switch (operation) {
    case FileOperation::CreateCopy:
        Automation::raise(problem == FileProblem::PermissionDenied
                              ? Automation::PermissionDenied
                              : Automation::PathFileAccessError,
                          u"a new copy of the file cannot be created beside it" + system);
    case FileOperation::ReplaceWithCopy:
        Automation::raise(Automation::DeviceIOError,
                          u"the new copy of the file cannot replace it" + system);
    default:
        break;
    }
    switch (problem) {
    case FileProblem::DiskFull:
        Automation::raise(Automation::DiskFull, u"the disk is full" + system);
    case FileProblem::PermissionDenied:
        Automation::raise(Automation::PermissionDenied, u"permission denied" + system);
    case FileProblem::Missing:
        Automation::raise(Automation::FileNotFound, u"the file does not exist");
    case FileProblem::Locked:
        Automation::raise(FileLocked, u"the file is opened by another application (locked)");
    case FileProblem::Other:
        break;
    }
    const char16_t *doing = operation == FileOperation::Examine ? u"the file cannot be examined"
                            : operation == FileOperation::Read  ? u"the file cannot be read"
                            : operation == FileOperation::OpenForWriting
                                ? u"the file cannot be opened for writing"
                                : u"the file cannot be written";
    Automation::raise(Automation::DeviceIOError, doing + system);
}

std::u16string warningText(const QPDFExc &warning, const std::u16string &file)
{
    const std::u16string detail = utf16(warning.getMessageDetail());
    std::string object = warning.getObject();
    // Some warnings name the file inside the object's description too; the job names it.
    const std::string named = Automation::utf8(file) + ", ";
    if (object.compare(0, named.size(), named) == 0)
        object.erase(0, named.size());
    return object.empty() ? detail : utf16(object) + u": " + detail;
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
            return AutomationError(PasswordProtected, u"the file is protected by a password");
        return AutomationError(Damaged, u"the file is damaged beyond repair (" +
                                            utf16(error.getMessageDetail()) + u")");
    } catch (const QPDFSystemError &error) {
        return AutomationError(Automation::DeviceIOError,
                               u"the file cannot be read (" + utf16(error.what()) + u")");
    } catch (const std::bad_alloc &) {
        return AutomationError(Automation::OutOfMemory, u"there is not enough memory");
    } catch (const std::exception &error) {
        return AutomationError(Damaged,
                               u"the file cannot be read as a PDF (" + utf16(error.what()) + u")");
    } catch (...) {
        return AutomationError(Automation::GeneralFailure);
    }
}

} // namespace Tagora
