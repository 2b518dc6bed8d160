// SPDX-License-Identifier: Apache-2.0
// A full disk for the suites of the POSIX build: the process's file size limit lowered for
// as long as the object lives, so a write past it fails (the signal that would end the
// process instead is ignored).
#pragma once

#include <csignal>
#include <cstdint>
#include <sys/resource.h>

namespace Support {

struct FileSizeLimit
{
    explicit FileSizeLimit(std::int64_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous);
        struct rlimit lowered = previous;
        lowered.rlim_cur = rlim_t(bytes);
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &previous); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    struct rlimit previous = {};
};

} // namespace Support
