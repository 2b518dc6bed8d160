// SPDX-License-Identifier: Apache-2.0
// TagoraError: the PDF library's own error numbers, and the one place where the
// failures of the system and of qpdf become errors of this library.
//
// Every failure of a job is an Automation::AutomationError carrying either a classic
// automation number (53 missing file, 57 input/output error, 61 disk full, 70
// permission denied, 321 not a PDF, 7 out of memory) or one of the numbers below,
// with a description in plain words and without the file's path (the job adds it).
#pragma once

#include "automation/AutomationError.h"

#include <QString>

#include <exception>

class QPDFExc;

namespace Tagora {

// Failures of the PDF information library (interface-defined HRESULTs).
enum ErrorNumber : qint32
{
    FileLocked = -2147213311,        // 0x80042001 another program holds the file
    Damaged = -2147213310,           // 0x80042002 qpdf cannot read it even by repairing it
    PasswordProtected = -2147213309, // 0x80042003 a user password other than the empty one
    ChangeNotAllowed = -2147213308,  // 0x80042004 the encryption's permissions forbid changes
    FileChanged = -2147213307,       // 0x80042005 not the file this object read or wrote
    RewriteRefused = -2147213306,    // 0x80042006 what a save wrote would not read back as meant
};

// Throws the error for `error` (an errno value): DiskFull when the disk is full (or the
// file would grow beyond its size limit), PermissionDenied for permissions and read-only
// file systems, FileNotFound for a missing file, FileLocked when another program holds
// a lock, DeviceIOError otherwise. `doing` says what failed ("the file cannot be written").
[[noreturn]] void raiseFileError(int error, const QString &doing);

// What a warning of qpdf about `file` says, with the object it is about ("object 12 0 at
// offset 1398 -> dictionary key /Length: operation for integer attempted on object of
// type null: returning 0"), without the file's name.
QString warningText(const QPDFExc &warning, const QString &file);

// The error that a caught exception stands for: this library's errors as they are,
// qpdf's exceptions (a password, a damaged file, a system error), the standard ones.
Automation::AutomationError failureOf(std::exception_ptr failure);

} // namespace Tagora
