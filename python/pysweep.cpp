// SPDX-License-Identifier: GPL-3.0-or-later
// _tidmar.sweep: tidmar-batch's sweep with its rows kept in memory.
#include "module.h"

#include "interrupt.h"

#include "options.h"
#include "summary.h"
#include "sweep.h"
#include "timeseriescsv.h"

#include <pybind11/stl.h>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace py = pybind11;

namespace {

// The summary rows of the sweep the arguments describe (the sweep command's
// options without --summary), in run order, as tidmar-batch writes them, and
// with countsEvery > 0 the rows of its time series as --counts writes them.
// The runs go on without the GIL; Ctrl+C stops every run within a step.
// progress, unless None, is called with the runs done and all runs whenever
// more are done.
std::pair<std::vector<std::string>, std::vector<std::string>> sweepRows(Arguments arguments, std::int64_t countsEvery,
                                                                        py::object progress)
{
    arguments.insert(arguments.end(), {"--summary", "-"});
    SweepOptions options = parseSweepOptions(arguments);
    SweepPlan plan = planSweep(options);
    plan.runCount();  // refuses too many runs before any starts
    plan.recording.countsEvery = countsEvery;
    const int jobs = sweepJobs(options.jobs, plan.threadsPerRun, processEnvironment);

    const std::int64_t total = plan.runCount();
    std::vector<std::string> rows;
    std::vector<std::string> series;
    std::atomic<std::int64_t> runsDone{0};
    std::int64_t reported = -1;
    auto report = [&] {
        const std::int64_t done = runsDone.load();
        if (progress.is_none() || done == reported)
            return;
        reported = done;
        py::gil_scoped_acquire gil;
        progress(done, total);
    };
    std::exception_ptr failure;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;

    py::gil_scoped_release release;
    std::thread runner([&] {
        try {
            runSweepPart(
                plan, TaskSplit{}, jobs,
                [&](const RunOutput& output) {
                    rows.push_back(summaryRow(output.run, output.config, output.summary));
                    if (countsEvery > 0)
                        series.push_back(timeSeriesRows(output));
                    ++runsDone;
                },
                nullptr, 0, &stop, StopRuns::Abandon);
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(mutex);
        done = true;
        finished.notify_all();
    });
    InterruptCheck interrupt;
    try {
        for (std::unique_lock lock(mutex); !done;) {
            finished.wait_for(lock, std::chrono::milliseconds(10));
            lock.unlock();
            interrupt.poll();
            report();
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
    report();
    return {rows, series};
}

} // namespace

void bindSweep(py::module_& module)
{
    module.def("sweep_rows", &sweepRows, py::arg("arguments"), py::arg("counts_every") = 0,
               py::arg("progress") = py::none(),
               "The summary rows of tidmar-batch sweep with these options, in run order, and the time series' "
               "rows (each run's, as one text) with counts_every > 0.");
    module.def("time_series_header", &timeSeriesHeader, "The header line of tidmar-batch's sweep time series.");
    module.def("default_jobs",
               [](int threadsPerRun) { return sweepJobs(std::nullopt, threadsPerRun, processEnvironment); },
               py::arg("threads_per_run") = 1, "The sweep's default number of jobs, as tidmar-batch chooses it.");
}
