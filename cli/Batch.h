// SPDX-License-Identifier: Apache-2.0
// Batch: runs one job per file on a few threads and hands the outcomes over in the
// order of the files, each as soon as it and every one before it are done.
//
// Jobs share nothing: each builds its own library object and field set in the thread
// that runs it. With one thread (or one file) the jobs run in the caller's thread.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace Cli {

struct Outcome
{
    std::string out; // for standard output
    std::string err; // for standard error
    bool failed = false;
};

using Job = std::function<Outcome(std::size_t index, const std::u16string &file)>;
using Done = std::function<void(std::size_t index, const Outcome &outcome)>;

// Runs `job` on every file with up to `threads` threads; `done` is called in the
// caller's thread, in the order of the files.
void runBatch(const std::vector<std::u16string> &files, int threads, const Job &job,
              const Done &done);

} // namespace Cli
