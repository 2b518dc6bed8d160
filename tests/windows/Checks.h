// SPDX-License-Identifier: Apache-2.0
// The check counter of the Windows test programs: each failed check is printed at once
// (a program that hangs later still shows it), and the program ends with one summary
// line, "NAME: N checks, F failed", that its script requires, and the exit status F.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>

namespace Checks {

inline std::atomic<int> count = 0;
inline std::atomic<int> failures = 0;

inline void check(bool ok, const std::string &what)
{
    ++count;
    if (!ok) {
        ++failures;
        std::printf("FAIL: %s\n", what.c_str());
        std::fflush(stdout);
    }
}

// The summary line; the exit status.
inline int summary(const char *program)
{
    std::printf("%s: %d checks, %d failed\n", program, count.load(), failures.load());
    return failures.load();
}

// The ASCII of a wide text, "?" for the rest: for messages.
inline std::string narrow(const wchar_t *text)
{
    std::string out;
    for (; text && *text; ++text)
        out += *text < 0x80 ? char(*text) : '?';
    return out;
}

} // namespace Checks

// A check that names itself and its line.
#define CHECK(condition)                                                                           \
    Checks::check((condition), std::string(#condition) + " (line " + std::to_string(__LINE__) + ")")
