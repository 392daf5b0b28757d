#include "sweep.h"

#include "batcherror.h"
#include "cpus.h"
#include "interruption.h"
#include "journal.h"
#include "printable.h"
#include "resume.h"
#include "sweeprecord.h"
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
    RunQueue(std::int64_t first, std::int64_t runs, std::int64_t window)
        : runs(runs), window(window), next(first), written(first)
    {
    }

    // The next run's position in the part, or -1 when there is none left.
    std::int64_t take()
    {
        std::unique_lock lock(mutex);
        spaceFree.wait(lock, [&] { return failure || halted || next >= runs || next < written + window; });
        if (failure || halted || next >= runs)
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

    // Hands out no more runs; those taken still finish.
    void halt()
    {
        {
            std::lock_guard lock(mutex);
            halted = true;
        }
        spaceFree.notify_all();
    }

    // Where the rows end: the end of the part, or after the last run taken
    // once halted.
    std::int64_t end()
    {
        std::lock_guard lock(mutex);
        return halted ? next : runs;
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
    std::int64_t next;
    std::int64_t written;
    bool halted = false;
};

} // namespace

std::int64_t runSweepPart(const SweepPlan& plan, const TaskSplit& split, int jobs,
                          const std::function<void(const std::string& row)>& write, ProgressBar* progress,
                          std::int64_t first, const std::atomic<bool>* stop)
{
    const std::int64_t runs = runsInPart(plan.runCount(), split);
    first = std::clamp<std::int64_t>(first, 0, runs);
    RunQueue queue(first, runs, 4 * static_cast<std::int64_t>(jobs) + 16);
    auto worker = [&] {
        try {
            for (std::int64_t position = queue.take(); position >= 0; position = queue.take()) {
                const std::int64_t run = nthRunOfPart(position, split);
                const RunConfig config = plan.configForRun(run);
                queue.finish(position, summaryRow(run, config, summarizeRun(config, plan.threadsPerRun)));
            }
        } catch (...) {
            queue.fail(std::current_exception());
        }
    };

    std::vector<std::thread> threads;
    try {
        const std::int64_t threadCount = std::min<std::int64_t>(jobs, std::max<std::int64_t>(runs - first, 1));
        for (std::int64_t i = 0; i < threadCount; ++i)
            threads.emplace_back(worker);
        while (first < queue.end()) {
            if (stop && stop->load())
                queue.halt();
            first = queue.writeReady(write, std::chrono::milliseconds(200));
            if (progress)
                progress->update(first);
        }
    } catch (...) {
        queue.stop();
        for (std::thread& thread : threads)
            thread.join();
        throw;
    }
    for (std::thread& thread : threads)
        thread.join();
    return first;
}

int runSweepCommand(SweepOptions options, const EnvironmentLookup& environment, bool progressToTerminal)
{
    const TaskSplit split = resolveTask(options.task, environment);
    if (split.count > 1 && !options.model.seedGiven)
        throw BatchError("a sweep split into parts needs --seed, so that every part gives its runs the "
                         "same seeds");
    loadPattern(options.model);
    const bool clockSeed = !options.model.seedGiven;
    if (clockSeed)
        options.model.config.seed = seedFromClock();

    SweepPlan plan{options.model.config, std::move(options.variations), options.replicates, options.model.threads};
    const std::string header = summaryHeader();
    plan.runCount();
    SweepJournal summary("--summary", options.summaryPath);
    std::optional<KeptSweep> kept;
    if (options.resume) {
        if (!summary.toFile())
            throw BatchError("--resume needs --summary PATH: a sweep to standard output or to a device keeps "
                             "nothing to resume");
        const std::string record = sweepRecord(options, plan, split, header);
        kept = findKeptSweep(summary.place(), record, !clockSeed, split, "--summary");
        if (kept && clockSeed)
            plan.base.seed = static_cast<std::int32_t>(std::stol(*recordValue(kept->record, "seed")));
        if (!kept && sweepAlreadyDone(summary.place(), record, !clockSeed)) {
            if (!options.quiet)
                std::fprintf(stderr, "nothing to resume: %s is complete\n", inQuotes(options.summaryPath).c_str());
            return 0;
        }
    }
    const std::int64_t runs = runsInPart(plan.runCount(), split);
    if (clockSeed && !options.quiet)
        std::fprintf(stderr, "seed: %d\n", static_cast<int>(plan.base.seed));

    // By default as many threads as CPUs this process may use: each run of
    // fast mode brings its own --threads.
    int jobs = options.jobs.value_or(availableCpus(environment) / plan.threadsPerRun);
    jobs = std::clamp(jobs, 1, MaxJobs);

    const SignalStop signals;
    if (kept)
        summary.adopt(kept->token, kept->bytes);
    else
        summary.start(header, sweepRecord(options, plan, split, header));
    ProgressBar progress(runs, "runs", progressToTerminal && !options.quiet);
    const std::int64_t done = runSweepPart(plan, split, jobs, [&](const std::string& row) { summary.append(row); },
                                           &progress, kept ? kept->rows : 0, signals.flag());
    progress.finish();
    if (done < runs) {
        summary.keep();
        reportInterruption(signals.received(), done, runs, summary.toFile(), options.arguments);
        return statusForSignal(signals.received());
    }
    summary.commit();
    return 0;
}
