// FileError: the error number and plain-words reason for a failed system call on a file.
#pragma once

#include <QString>

namespace FileError {

// Throws AutomationError for `error` (an errno value): 61 when the disk is full (or the
// file would grow beyond its size limit), 70 for permissions and read-only file systems,
// 53 for a missing file, PdfFileLocked when another program holds a lock, 57 otherwise.
// `doing` says what failed, e.g. "the file cannot be written".
[[noreturn]] void raise(int error, const QString &doing);

} // namespace FileError
