#include "sweep.h"

#include "batcherror.h"
#include "outputfile.h"
#include "progressbar.h"
#include "seeding.h"
#include "simulation.h"
#include "summary.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Hands out the runs of a part in order and collects their rows. A worker
// may run ahead of the oldest unwritten row by at most a window of runs, so
// that the rows waiting to be written stay few however long the sweep.
class RunQueue {
public:
    RunQueue(std::int64_t runs, std::int64_t window) : runs(runs), window(window) {}

    // The next run's position in the part, or -1 when there is none left.
    std::int64_t take()
    {
        std::unique_lock lock(mutex);
        spaceFree.wait(lock, [&] { return failure || next >= runs || next < written + window; });
        if (failure || next >= runs)
            return -1;
        return next++;
    }

    void finish(std::int64_t position, std::string row)
    {
        {
            std::lock_guard lock(mutex);
            finished.emplace(position, std::move(row));
        }
        rowReady.notify_one();
    }

    void fail(std::exception_ptr error)
    {
        {
            std::lock_guard lock(mutex);
            if (!failure)
                failure = error;
        }
        rowReady.notify_all();
        spaceFree.notify_all();
    }

    // Writes the rows that are ready, in order, outside the lock; waits up
    // to timeout for one. Returns the number of rows written so far.
    std::int64_t writeReady(const std::function<void(const std::string&)>& write,
                            std::chrono::milliseconds timeout)
    {
        std::vector<std::string> rows;
        std::int64_t total;
        {
            std::unique_lock lock(mutex);
            rowReady.wait_for(lock, timeout, [&] { return failure || finished.count(written) > 0; });
            if (failure)
                std::rethrow_exception(failure);
            for (auto row = finished.find(written); row != finished.end(); row = finished.find(written)) {
                rows.push_back(std::move(row->second));
                finished.erase(row);
                ++written;
            }
            total = written;
        }
        if (!rows.empty())
            spaceFree.notify_all();
        for (const std::string& row : rows)
            write(row);
        return total;
    }

    // Lets waiting workers return, e.g. when the writer fails.
    void stop() { fail(std::make_exception_ptr(BatchError("sweep stopped"))); }

private:
    std::mutex mutex;
    std::condition_variable rowReady;
    std::condition_variable spaceFree;
    std::map<std::int64_t, std::string> finished;
    std::exception_ptr failure;
    const std::int64_t runs;
    const std::int64_t window;
    std::int64_t next = 0;
    std::int64_t written = 0;
};

} // namespace

void runSweepPart(const SweepPlan& plan, const TaskSplit& split, int jobs,
                  const std::function<void(const std::string& row)>& write, ProgressBar* progress,
                  const std::atomic<bool>* stop)
{
    const std::int64_t runs = runsInPart(plan.runCount(), split);
    RunQueue queue(runs, 4 * static_cast<std::int64_t>(jobs) + 16);
    auto worker = [&] {
        try {
            for (std::int64_t position = queue.take(); position >= 0; position = queue.take()) {
                const std::int64_t run = nthRunOfPart(position, split);
                const RunConfig config = plan.configForRun(run);
                queue.finish(position, summaryRow(run, config, summarizeRun(config, plan.threadsPerRun, stop)));
            }
        } catch (...) {
            queue.fail(std::current_exception());
        }
    };

    std::vector<std::thread> threads;
    try {
        const std::int64_t threadCount = std::min<std::int64_t>(jobs, std::max<std::int64_t>(runs, 1));
        for (std::int64_t i = 0; i < threadCount; ++i)
            threads.emplace_back(worker);
        for (std::int64_t written = 0; written < runs;) {
            written = queue.writeReady(write, std::chrono::milliseconds(200));
            if (progress)
                progress->update(written);
        }
    } catch (...) {
        queue.stop();
        for (std::thread& thread : threads)
            thread.join();
        throw;
    }
    for (std::thread& thread : threads)
        thread.join();
}

SweepPlan planSweep(SweepOptions& options)
{
    loadPattern(options.model);
    if (!options.model.seedGiven)
        options.model.config.seed = seedFromClock();
    return {options.model.config, options.variations, options.replicates, options.model.threads};
}

int sweepJobs(std::optional<int> requested, int threadsPerRun)
{
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(requested.value_or(cores / threadsPerRun), 1, MaxJobs);
}

int runSweepCommand(SweepOptions options, const EnvironmentLookup& environment, bool progressToTerminal)
{
    const TaskSplit split = resolveTask(options.task, environment);
    if (split.count > 1 && !options.model.seedGiven)
        throw BatchError("a sweep split into parts needs --seed, so that every part gives its runs the "
                         "same seeds");
    const SweepPlan plan = planSweep(options);
    const std::int64_t runs = runsInPart(plan.runCount(), split);

    OutputFile summary("--summary", options.summaryPath, true);
    if (!options.model.seedGiven && !options.quiet)
        std::fprintf(stderr, "seed: %d\n", static_cast<int>(plan.base.seed));

    const int jobs = sweepJobs(options.jobs, plan.threadsPerRun);
    ProgressBar progress(runs, "runs", progressToTerminal && !options.quiet);
    summary.write(summaryHeader());
    runSweepPart(plan, split, jobs, [&](const std::string& row) { summary.write(row); }, &progress);
    progress.finish();
    summary.commit();
    return 0;
}
