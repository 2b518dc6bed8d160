// SPDX-License-Identifier: Apache-2.0
#include "Batch.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <sched.h>
#include <thread>
#include <vector>

namespace Cli {

void runBatch(const QStringList &files, int threads, const Job &job, const Done &done)
{
    const qsizetype count = files.size();
    const qsizetype workers = std::min<qsizetype>(threads, count);
    if (workers <= 1) {
        for (qsizetype i = 0; i < count; ++i)
            done(i, job(files[i]));
        return;
    }
    std::vector<Outcome> outcomes(static_cast<size_t>(count));
    std::vector<bool> finished(size_t(count), false);
    std::mutex mutex;
    std::condition_variable ready;
    qsizetype awaited = 0; // the outcome the caller's thread waits for
    std::atomic<qsizetype> next{0};
    std::vector<std::thread> pool;
    for (qsizetype w = 0; w < workers; ++w) {
        pool.emplace_back([&] {
            for (qsizetype i; (i = next++) < count;) {
                Outcome outcome = job(files[i]);
                const std::lock_guard lock(mutex);
                outcomes[size_t(i)] = std::move(outcome);
                finished[size_t(i)] = true;
                // Waking the caller for any other outcome would only put it back to sleep.
                if (i == awaited)
                    ready.notify_one();
            }
        });
    }
    for (qsizetype i = 0; i < count; ++i) {
        Outcome outcome;
        {
            std::unique_lock lock(mutex);
            awaited = i;
            ready.wait(lock, [&] { return finished[size_t(i)]; });
            outcome = std::move(outcomes[size_t(i)]);
        }
        done(i, outcome);
    }
    for (std::thread &thread : pool)
        thread.join();
}

int processorCount()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

} // namespace Cli
