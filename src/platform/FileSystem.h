// SPDX-License-Identifier: Apache-2.0
// FileSystem: the file questions the component asks. Paths are texts as the host
// gives them; each platform implements the three functions.
//
// A writer of a PDF holds the file under the platform's exclusive lock for the whole
// save (the PDF library's file layer). FileLocked tests for that lock and for every
// other reason a file cannot be opened for writing, so a file that a writer holds
// (ours, or another program's) reads as locked:
//  - POSIX: an exclusive flock() plus an exclusive record lock of the whole file on
//    the open file description (F_OFD_SETLK); a file without any write permission bit
//    is read-only also for root, who could open it anyway;
//  - Windows: the file opened with write access and share mode 0, as the component's
//    lock test has always done.
#pragma once

#include <string>
#include <vector>

namespace Platform {

// True for an existing regular file (a symbolic link to one counts).
bool FileExists(const std::u16string &path);

// True when the file cannot be opened for appending with write access and an
// exclusive share (missing, a folder, permissions, read-only, held by another
// program). Opens and closes the file without writing: content, length and times stay
// as they were.
bool FileLocked(const std::u16string &path);

// The names of the regular files in `folder`, without the folder, in the system's
// listing order; empty when the folder cannot be listed. Matching them against a
// pattern is the caller's business, the same on every platform.
std::vector<std::u16string> ListFiles(const std::u16string &folder);

// The separator of folders in a path: "/" or "\".
std::u16string PathSeparator();

} // namespace Platform
