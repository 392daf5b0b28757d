// SPDX-License-Identifier: GPL-3.0-or-later
#include "sweeprows.h"

#include "summary.h"
#include "sweep.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

std::vector<std::string> sweepSummaryRows(SweepOptions options, const std::function<void()>& poll)
{
    const SweepPlan plan = planSweep(options);
    plan.runCount();  // refuses too many runs before any starts
    const int jobs = sweepJobs(options.jobs, plan.threadsPerRun, processEnvironment);
    refuseSweepBeyondMemory(plan, options.record, jobs);

    std::vector<std::string> rows;
    std::exception_ptr failure;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;

    std::thread runner([&] {
        try {
            runSweepPart(
                plan, TaskSplit{}, jobs,
                [&](const RunOutput& output) { rows.push_back(summaryRow(output.run, output.config, output.summary)); },
                nullptr, 0, &stop, StopRuns::Abandon);
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(mutex);
        done = true;
        finished.notify_all();
    });
    try {
        for (std::unique_lock lock(mutex); !done;) {
            finished.wait_for(lock, std::chrono::milliseconds(10));
            lock.unlock();
            poll();
            lock.lock();
        }
    } catch (...) {
        stop = true;
        runner.join();
        throw;
    }
    runner.join();
    if (failure)
        std::rethrow_exception(failure);
    return rows;
}
