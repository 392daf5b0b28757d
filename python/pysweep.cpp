// SPDX-License-Identifier: GPL-3.0-or-later
// _tidmar.sweep: tidmar-batch's sweep with its rows kept in memory.
#include "module.h"

#include "interrupt.h"

#include "patchsettings.h"
#include "batcherror.h"
#include "summary.h"
#include "sweep.h"
#include "sweepsettings.h"
#include "timeseriescsv.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <variant>

namespace py = pybind11;

namespace {

// A varied setting's values: a list, or a text as --vary takes it.
using VariedValues = std::variant<std::string, std::vector<Value>>;

// A setting of the patches (patch_class, patterns_every, neighbourhood,
// coarse_grain, xmin, min_tail), whole numbers and texts as the command line's
// texts.
bool setPatchValue(RecordOptions& record, const std::string& key, const Value& value)
{
    std::string option = "--" + key;
    std::replace(option.begin(), option.end(), '_', '-');
    std::string text;
    if (const auto* whole = std::get_if<std::int64_t>(&value))
        text = std::to_string(*whole);
    else if (const auto* words = std::get_if<std::string>(&value))
        text = *words;
    else if (option == "--patch-class" || option == "--patterns-every" || option == "--neighbourhood"
             || option == "--coarse-grain" || option == "--xmin" || option == "--min-tail")
        throw py::type_error(key + ": expected a whole number or a string");
    return setPatchSetting(record, option, text, key);
}

// The options of the sweep the settings (the model's and replicates, jobs,
// burn_in) and variations describe, read and checked as tidmar-batch reads
// its options, in the Python argument's words.
SweepOptions sweepOptions(const Settings& settings, const std::vector<std::pair<std::string, VariedValues>>& vary)
{
    SweepOptions options;
    std::set<std::string> given;
    for (const auto& [key, value] : settings) {
        if (const auto* path = std::get_if<std::string>(&value); key == "design" && path)
            options.designPath = *path;
        else if (!setModelValue(options.model, key, value, key) && !setSweepValue(options, key, value, key)
                 && !setPatchValue(options.record, key, value))
            throw py::type_error("sweep() got an unexpected keyword argument '" + key + "'");
        given.insert(key);
    }
    completePatchSettings(options.record);
    if (!options.designPath.empty() && !vary.empty())
        throw BatchError("design and vary are both given: a design's columns name every varied setting");
    for (const auto& [key, values] : vary) {
        if (const auto* text = std::get_if<std::string>(&values))
            addVariation(options, readVariation(key, {*text}, "vary"), keywordName);
        else
            addVariation(options, readVariation(key, std::get<std::vector<Value>>(values), "vary"), keywordName);
    }
    checkModelOptions(options.model, keywordName);
    checkSweepOptions(options, given, keywordName);
    return options;
}

// The summary rows of the sweep, in run order, as tidmar-batch writes them,
// and with countsEvery > 0 the rows of its time series as --counts writes
// them (each run's as one text). The runs go on without the GIL; Ctrl+C
// stops every run within a step. progress, unless None, is called with the
// runs done and all runs whenever more are done.
std::pair<std::vector<std::string>, std::vector<std::string>> sweepRows(
    const Settings& settings, const std::vector<std::pair<std::string, VariedValues>>& vary, std::int64_t countsEvery,
    py::object progress)
{
    SweepOptions options = sweepOptions(settings, vary);
    SweepPlan plan = planSweep(options);
    const std::int64_t total = plan.runCount();  // refuses too many runs before any starts
    plan.recording.countsEvery = countsEvery;
    const int jobs = sweepJobs(options.jobs, plan.threadsPerRun, processEnvironment);
    refuseSweepBeyondMemory(plan, options.record, jobs);

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
                    rows.push_back(sweepSummaryRow(output, options.record));
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

// The header of the rows of sweepRows for the same settings.
std::string sweepHeader(const Settings& settings, const std::vector<std::pair<std::string, VariedValues>>& vary)
{
    const SweepOptions options = sweepOptions(settings, vary);
    return sweepSummaryHeader(options.record, options.model.config.stopWhen.has_value());
}

} // namespace

void bindSweep(py::module_& module)
{
    module.def("sweep_header", &sweepHeader, py::arg("settings"), py::arg("vary"),
               "The header of tidmar-batch sweep's summary with these settings.");
    module.def("sweep_rows", &sweepRows, py::arg("settings"), py::arg("vary"), py::arg("counts_every") = 0,
               py::arg("progress") = py::none(),
               "The summary rows of tidmar-batch sweep with these settings, in run order, and the time series' "
               "rows (each run's, as one text) with counts_every > 0.");
    module.def("time_series_header", &timeSeriesHeader, "The header line of tidmar-batch's sweep time series.");
    module.def("default_jobs",
               [](int threadsPerRun) {
                   if (threadsPerRun < 1)
                       throw py::value_error("threads: " + std::to_string(threadsPerRun)
                                             + " is not a number of threads (1 or more)");
                   return sweepJobs(std::nullopt, threadsPerRun, processEnvironment);
               },
               py::arg("threads_per_run") = 1, "The sweep's default number of jobs, as tidmar-batch chooses it.");
}
