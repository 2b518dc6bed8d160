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

#include <cstdint>
#include <exception>
#include <string>

class QPDFExc;

namespace Tagora {

// Failures of the PDF information library (interface-defined HRESULTs).
enum ErrorNumber : std::int32_t
{
    FileLocked = -2147213311,        // 0x80042001 another program holds the file
    Damaged = -2147213310,           // 0x80042002 qpdf cannot read it even by repairing it
    PasswordProtected = -2147213309, // 0x80042003 a user password other than the empty one
    ChangeNotAllowed = -2147213308,  // 0x80042004 the encryption's permissions forbid changes
    FileChanged = -2147213307,       // 0x80042005 not the file this object read or wrote
    RewriteRefused = -2147213306,    // 0x80042006 what a save wrote would not read back as meant
    TruncateRefused = -2147213305,   // 0x80042007 a later revision changed more than the Info
};

// What the file layer (File.h, ReplacementFile.h) was doing when the system refused.
enum class FileOperation
{
    Examine,         // "the file cannot be examined"
    Read,            // "the file cannot be read"
    OpenForWriting,  // "the file cannot be opened for writing"
    Write,           // "the file cannot be written"
    CreateCopy,      // a new copy beside the file
    ReplaceWithCopy, // the new copy renamed over the file
};

// What the system's error code means to a save; each platform sorts its own codes.
enum class FileProblem
{
    DiskFull,         // no room left (or the file would grow beyond its size limit)
    PermissionDenied, // permissions, a read-only file system
    Missing,          // no such file
    Locked,           // another program holds a lock on it
    Other,
};

// Throws the error for a refusal of the system: DiskFull, PermissionDenied,
// FileNotFound, FileLocked as `problem` says, DeviceIOError otherwise, the description
// saying what failed ("the file cannot be written (No space left on device)").
// `systemText` is the system's own message for its error code.
[[noreturn]] void raiseFileError(FileOperation operation, FileProblem problem,
                                 const std::u16string &systemText);

// What a warning of qpdf about `file` says, with the object it is about ("object 12 0 at
// offset 1398 -> dictionary key /Length: operation for integer attempted on object of
// type null: returning 0"), without the file's name.
std::u16string warningText(const QPDFExc &warning, const std::u16string &file);

// The error that a caught exception stands for: this library's errors as they are,
// qpdf's exceptions (a password, a damaged file, a system error), the standard ones.
Automation::AutomationError failureOf(std::exception_ptr failure);

} // namespace Tagora
