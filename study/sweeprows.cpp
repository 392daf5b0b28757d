// SPDX-License-Identifier: GPL-3.0-or-later
#include "sweeprows.h"

#include "batcherror.h"
#include "numbers.h"
#include "patchsettings.h"
#include "sweep.h"
#include "sweepsettings.h"
#include "timeseriescsv.h"
#include "variation.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <set>
#include <thread>

namespace {

// A setting of the patches, numbers and texts as the command line's texts
// (a whole double as the integer it is). Returns false for a key of no such
// setting.
bool setPatchValue(RecordOptions& record, const std::string& key, const Value& value)
{
    std::string option = "--" + key;
    std::replace(option.begin(), option.end(), '_', '-');
    std::string text;
    if (const auto* whole = std::get_if<std::int64_t>(&value))
        text = std::to_string(*whole);
    else if (const auto* number = std::get_if<double>(&value))
        text = formatOptionNumber(*number);
    else if (const auto* words = std::get_if<std::string>(&value))
        text = *words;
    else if (option == "--patch-class" || option == "--patterns-every" || option == "--neighbourhood"
             || option == "--coarse-grain" || option == "--xmin" || option == "--min-tail")
        throw BatchError(key + ": expected a whole number or a string");
    return setPatchSetting(record, option, text, key);
}

} // namespace

SweepOptions readSweepKeywords(const std::vector<std::pair<std::string, Value>>& settings,
                               const std::vector<std::pair<std::string, std::vector<Value>>>& vary)
{
    SweepOptions options;
    std::set<std::string> given;
    for (const auto& [key, value] : settings) {
        if (const auto* path = std::get_if<std::string>(&value); key == "design" && path)
            options.designPath = *path;
        else if (!setModelValue(options.model, key, value, key) && !setSweepValue(options, key, value, key)
                 && !setPatchValue(options.record, key, value))
            throw UnknownSweepSetting(key);
        given.insert(key);
    }
    completePatchSettings(options.record);
    if (!options.designPath.empty() && !vary.empty())
        throw BatchError("design and vary are both given: a design's columns name every varied setting");
    for (const auto& [key, values] : vary)
        addVariation(options, readVariation(key, values, "vary"), keywordName);
    checkModelOptions(options.model, keywordName);
    checkSweepOptions(options, given, keywordName);
    return options;
}

std::string sweepRowsHeader(const SweepOptions& options)
{
    return sweepSummaryHeader(options.record, options.model.config.stopWhen.has_value());
}

SweepRows sweepSummaryRows(SweepOptions options, std::int64_t countsEvery,
                           const std::function<void(std::int64_t done, std::int64_t total)>& poll)
{
    SweepPlan plan = planSweep(options);
    const std::int64_t total = plan.runCount();  // refuses too many runs before any starts
    plan.recording.countsEvery = countsEvery;
    const int jobs = sweepJobs(options.jobs, plan.threadsPerRun, processEnvironment);
    refuseSweepBeyondMemory(plan, options.record, jobs);

    SweepRows rows;
    std::atomic<std::int64_t> runsDone{0};
    std::exception_ptr failure;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;

    std::thread runner([&] {
        try {
            runSweepPart(
                plan, TaskSplit{}, jobs,
                [&](const RunOutput& output) {
                    rows.summary.push_back(sweepSummaryRow(output, options.record));
                    if (countsEvery > 0)
                        rows.series.push_back(timeSeriesRows(output));
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
    try {
        for (std::unique_lock lock(mutex); !done;) {
            finished.wait_for(lock, std::chrono::milliseconds(10));
            lock.unlock();
            poll(runsDone.load(), total);
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
    poll(runsDone.load(), total);
    return rows;
}
