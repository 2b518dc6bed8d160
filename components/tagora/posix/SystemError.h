// SPDX-License-Identifier: Apache-2.0
// SystemError: an errno value as the PDF library's file layer reports it.
#pragma once

#include "automation/Text.h"
#include "tagora/TagoraError.h"

#include <cerrno>
#include <cstring>

namespace Tagora::Posix {

// Throws the error for `error` (an errno value) met while doing `operation`.
[[noreturn]] inline void raiseErrno(FileOperation operation, int error)
{
    FileProblem problem = FileProblem::Other;
    switch (error) {
    case ENOSPC:
    case EFBIG: // beyond the process's file size limit
    case EDQUOT:
        problem = FileProblem::DiskFull;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        problem = FileProblem::PermissionDenied;
        break;
    case ENOENT:
        problem = FileProblem::Missing;
        break;
    case EWOULDBLOCK:
        problem = FileProblem::Locked;
        break;
    default:
        break;
    }
    raiseFileError(operation, problem, Automation::utf16(std::strerror(error)));
}

} // namespace Tagora::Posix
