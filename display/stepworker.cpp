// SPDX-License-Identifier: GPL-3.0-or-later
#include "stepworker.h"

#include <utility>

StepWorker::StepWorker() : thread([this] { serve(); }) {}

StepWorker::~StepWorker()
{
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return !pending; });
        ending = true;
    }
    changed.notify_all();
    thread.join();
}

void StepWorker::start(std::function<void()> work)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        job = std::move(work);
        pending = true;
    }
    changed.notify_all();
}

void StepWorker::wait()
{
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return !pending; });
}

// One condition serves both directions: the owner waits for pending to
// clear, this thread for a job or the end.
void StepWorker::serve()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return pending || ending; });
        if (ending)
            return;
        lock.unlock();
        job();
        lock.lock();
        job = nullptr;
        pending = false;
        changed.notify_all();
    }
}
