// SPDX-License-Identifier: GPL-3.0-or-later
#include "workerpool.h"

#include <chrono>

namespace {

constexpr auto SpinTime = std::chrono::microseconds(50);

inline void relax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Spins until done() holds or SpinTime has passed; tells which.
template <typename Done>
bool spinUntil(Done done)
{
    const auto end = std::chrono::steady_clock::now() + SpinTime;
    for (int i = 0;; ++i) {
        if (done())
            return true;
        relax();
        if (i % 64 == 63 && std::chrono::steady_clock::now() > end)
            return false;
    }
}

} // namespace

WorkerPool::WorkerPool(int threads)
{
    for (int band = 1; band < threads; ++band)
        workers.emplace_back([this, band] { serve(band); });
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        round.fetch_add(1);
    }
    wake.notify_all();
    for (std::thread& worker : workers)
        worker.join();
}

void WorkerPool::run(BandTask& task)
{
    if (workers.empty()) {
        task.runBand(0);
        return;
    }
    {
        // Under the lock, so that a worker deciding to sleep cannot miss it.
        std::lock_guard<std::mutex> lock(mutex);
        current = &task;
        busy.store(static_cast<int>(workers.size()));
        round.fetch_add(1);
    }
    wake.notify_all();
    task.runBand(0);
    if (spinUntil([this] { return busy.load() == 0; }))
        return;
    std::unique_lock<std::mutex> lock(mutex);
    finished.wait(lock, [this] { return busy.load() == 0; });
}

void WorkerPool::serve(int band)
{
    std::uint64_t done = 0;
    for (;;) {
        if (!spinUntil([this, done] { return round.load() != done; })) {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [this, done] { return round.load() != done; });
        }
        BandTask* task = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping)
                return;
            done = round.load();
            task = current;
        }
        task->runBand(band);
        if (busy.fetch_sub(1) == 1) {
            std::lock_guard<std::mutex> lock(mutex);
            finished.notify_one();
        }
    }
}
