// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// A thread that runs one job at a time for the thread that owns it: start()
// hands over a job and returns at once, wait() returns when that job is done.
// Between the two the owner must leave alone whatever the job works on.
// The run loop steps the bed with it while it paints the frame before.
class StepWorker
{
public:
    StepWorker();
    // Finishes a job in progress, then ends and joins the thread.
    ~StepWorker();
    StepWorker(const StepWorker&) = delete;
    StepWorker& operator=(const StepWorker&) = delete;

    // Only when no job is in progress (wait() came after the last start()).
    void start(std::function<void()> job);
    void wait();

private:
    void serve();

    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> job;
    bool pending = false;  // a job is handed over and not yet done
    bool ending = false;
    std::thread thread;    // last: starts once the members above exist
};
