// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// A piece of work split into bands, one band per thread of a WorkerPool.
class BandTask {
public:
    virtual void runBand(int band) = 0;

protected:
    ~BandTask() = default;
};

// A fixed set of threads, started once and kept for the pool's life: run()
// hands every worker its band of a task, does band 0 on the calling thread and
// returns when all bands are done. Handing out work allocates nothing.
//
// Tasks follow each other closely (one per step), so a thread that waits first
// spins for a short while and only then sleeps: waking a sleeping thread costs
// tens of microseconds, as much as a fair share of a step.
class WorkerPool {
public:
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int size() const { return static_cast<int>(workers.size()) + 1; }
    void run(BandTask& task);

private:
    void serve(int band);

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable finished;
    BandTask* current = nullptr;
    std::atomic<std::uint64_t> round{0};  // counts the tasks handed out
    std::atomic<int> busy{0};             // workers still on the current task
    bool stopping = false;
    std::vector<std::thread> workers;
};
