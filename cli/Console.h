// SPDX-License-Identifier: Apache-2.0
// Console: where orvfields meets its system, one file a platform (posix/, win32/). The
// entry point takes the arguments as the system gives them (bytes on POSIX, UTF-16 on
// Windows), refuses one that is not valid text, since it would be changed silently, and
// hands the rest to `orvfields`. Everything the program prints is UTF-8 and goes
// through `write`.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Cli {

// The program (orvfields.cpp): the arguments after the program's name; the exit status.
int orvfields(const std::vector<std::u16string> &arguments);
// Prints a usage error and the usage lines (empty: those of read and write); the exit
// status of a usage error.
int usageError(std::string_view message, std::string_view usage = {});

namespace Console {

enum class Stream
{
    Out,
    Err
};

void write(Stream stream, std::string_view utf8);
// Writes what is buffered for standard output; false when it cannot be written.
bool flushOut();
bool isTerminal(Stream stream);
// The text that takes a progress line of `width` characters off the terminal again.
std::string erasure(std::size_t width);

// The processors this process may run on.
int processorCount();

// The whole of a file, or of standard input for "-"; false and the system's reason in
// `reason` when it cannot be read.
bool readAll(const std::u16string &path, std::string &bytes, std::string &reason);

// A file's name as the PDF library is to open it: as given, except where the system
// needs another form (a long path on Windows).
std::u16string systemPath(const std::u16string &path);

} // namespace Console

} // namespace Cli
