// SPDX-License-Identifier: Apache-2.0
// The console on POSIX: arguments are bytes, which must be UTF-8; output through stdio.
#include "cli/Console.h"

#include "automation/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace Cli::Console {

namespace {

// Strictly UTF-8 (no overlong forms, no surrogates, nothing beyond U+10FFFF): only then
// does the runtime's conversion give the bytes back.
bool isUtf8(std::string_view bytes)
{
    return Automation::utf8(Automation::utf16(bytes)) == bytes;
}

FILE *fileOf(Stream stream)
{
    return stream == Stream::Out ? stdout : stderr;
}

} // namespace

void write(Stream stream, std::string_view utf8)
{
    std::fwrite(utf8.data(), 1, utf8.size(), fileOf(stream));
}

bool flushOut()
{
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

bool isTerminal(Stream stream)
{
    return ::isatty(stream == Stream::Out ? STDOUT_FILENO : STDERR_FILENO);
}

std::string erasure(std::size_t)
{
    return "\r\033[K";
}

int processorCount()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

bool readAll(const std::u16string &path, std::string &bytes, std::string &reason)
{
    const int descriptor =
        path == u"-" ? STDIN_FILENO : ::open(Automation::utf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status = {};
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        reason = "file to open is a directory";
        ::close(descriptor);
        return false;
    }
    char buffer[65536];
    ssize_t got = 0;
    while ((got = ::read(descriptor, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
        bytes.append(buffer, size_t(std::max<ssize_t>(got, 0)));
    const int error = errno;
    if (descriptor != STDIN_FILENO)
        ::close(descriptor);
    if (got < 0)
        reason = std::strerror(error);
    return got == 0;
}

std::u16string systemPath(const std::u16string &path)
{
    return path;
}

} // namespace Cli::Console

int main(int argc, char **argv)
{
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) {
        if (!Cli::Console::isUtf8(argv[i]))
            return Cli::usageError("argument " + std::to_string(i) + " is not valid UTF-8");
        arguments.push_back(Automation::utf16(argv[i]));
    }
    return Cli::orvfields(arguments);
}
