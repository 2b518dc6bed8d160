// SPDX-License-Identifier: Apache-2.0
#include "Batch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace Cli {

void runBatch(const std::vector<std::u16string> &files, int threads, const Job &job,
              const Done &done)
{
    const std::size_t count = files.size();
    const std::size_t workers = std::min(std::size_t(std::max(threads, 1)), count);
    if (workers <= 1) {
        for (std::size_t i = 0; i < count; ++i)
            done(i, job(i, files[i]));
        return;
    }
    std::vector<Outcome> outcomes(count);
    std::vector<bool> finished(count, false);
    std::mutex mutex;
    std::condition_variable ready;
    std::size_t awaited = 0; // the outcome the caller's thread waits for
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> pool;
    for (std::size_t w = 0; w < workers; ++w) {
        pool.emplace_back([&] {
            for (std::size_t i; (i = next++) < count;) {
                Outcome outcome = job(i, files[i]);
                const std::lock_guard lock(mutex);
                outcomes[i] = std::move(outcome);
                finished[i] = true;
                // Waking the caller for any other outcome would only put it back to sleep.
                if (i == awaited)
                    ready.notify_one();
            }
        });
    }
    for (std::size_t i = 0; i < count; ++i) {
        Outcome outcome;
        {
            std::unique_lock lock(mutex);
            awaited = i;
            ready.wait(lock, [&] { return finished[i]; });
            outcome = std::move(outcomes[i]);
        }
        done(i, outcome);
    }
    for (std::thread &thread : pool)
        thread.join();
}

} // namespace Cli
