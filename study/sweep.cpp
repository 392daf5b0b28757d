// SPDX-License-Identifier: GPL-3.0-or-later
#include "sweep.h"

#include "patterncsv.h"

#include "batcherror.h"
#include "cpus.h"
#include "design.h"
#include "interruption.h"
#include "journal.h"
#include "memoryneed.h"
#include "printable.h"
#include "resume.h"
#include "runspool.h"
#include "sweeprecord.h"
#include "commitunit.h"
#include "datapackage.h"
#include "outputfile.h"
#include "outputnames.h"
#include "imageformats.h"
#include "picturesink.h"
#include "progressbar.h"
#include "randomseed.h"
#include "seeding.h"
#include "simulation.h"
#include "snapshots.h"
#include "runoutput.h"
#include "summary.h"
#include "timeseriescsv.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <map>
#include <optional>
#include <mutex>
#include <thread>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

// Hands out the runs of a part in order and collects their outputs. A worker
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

    void finish(std::int64_t position, RunOutput output)
    {
        {
            std::lock_guard lock(mutex);
            finished.emplace(position, std::move(output));
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

    // Writes the outputs that are ready, in order, outside the lock; waits up
    // to timeout for one. Returns the number of runs written so far.
    std::int64_t writeReady(const std::function<void(const RunOutput&)>& write,
                            std::chrono::milliseconds timeout)
    {
        std::vector<RunOutput> rows;
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
        for (const RunOutput& row : rows)
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
    std::map<std::int64_t, RunOutput> finished;
    std::exception_ptr failure;
    const std::int64_t runs;
    const std::int64_t window;
    std::int64_t next;
    std::int64_t written;
    bool halted = false;
};

} // namespace

std::int64_t runSweepPart(const SweepPlan& plan, const TaskSplit& split, int jobs,
                          const std::function<void(const RunOutput& output)>& write, ProgressBar* progress,
                          std::int64_t first, const std::atomic<bool>* stop, StopRuns how)
{
    const std::int64_t runs = runsInPart(plan.runCount(), split);
    first = std::clamp<std::int64_t>(first, 0, runs);
    RunQueue queue(first, runs, 4 * static_cast<std::int64_t>(jobs) + 16);
    auto worker = [&] {
        try {
            for (std::int64_t position = queue.take(); position >= 0; position = queue.take()) {
                const std::int64_t run = nthRunOfPart(position, split);
                queue.finish(position, performRun(run, plan.configForRun(run), plan.recording, plan.threadsPerRun,
                                                  how == StopRuns::Abandon ? stop : nullptr));
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

namespace {

// The widest and highest field of the plan's runs.
std::pair<int, int> largestField(const SweepPlan& plan)
{
    int width = plan.base.width;
    int height = plan.base.height;
    for (const Variation& variation : plan.variations) {
        for (int value : variation.values) {
            RunConfig config = plan.base;
            applyVariation(config, variation, value);
            width = std::max(width, config.width);
            height = std::max(height, config.height);
        }
    }
    return {width, height};
}

} // namespace

SweepPlan planSweep(SweepOptions& options)
{
    std::optional<std::string> design;
    if (!options.designPath.empty()) {
        design.emplace();
        options.variations = readDesign(options.designPath, &*design);
        for (const Variation& column : options.variations)
            for (const auto& [name, value] : options.given)
                if (name == varyOption(column.name))
                    throw BatchError(name + " and the design's column " + std::string(varyNameText(column.name))
                                     + " are both given; keep one");
    }
    loadPatterns(options.model, options.variations);
    if (!options.model.seedGiven)
        options.model.config.seed = drawSeed();
    SweepPlan plan{options.model.config, std::move(options.variations), options.replicates, options.model.threads, {},
                   std::move(design)};
    if (plan.base.mode == EngineMode::Exact) {
        const auto [width, height] = largestField(plan);
        if (const std::string refusal = exactSizeRefusal(width, height); !refusal.empty())
            throw BatchError("a run of " + std::to_string(width) + " x " + std::to_string(height) + " cells: "
                             + refusal);
    }
    plan.recording.burnIn = options.burnIn;
    const RecordOptions& record = options.record;
    if (record.patches) {
        plan.recording.patterns.classes = record.patchClasses;
        plan.recording.patterns.settings = record.patternSettings;
        plan.recording.patterns.every = record.patternsEvery > 0 ? record.patternsEvery : record.countsEvery;
        plan.recording.patterns.series = !record.patternsPath.empty();
    }
    return plan;
}

std::string sweepSummaryHeader(const RecordOptions& record, bool extinction)
{
    const std::string header = summaryHeader(extinction);
    return record.patches ? withPatternColumns(header, patternSummaryHeader(record.patchClasses)) : header;
}

std::string sweepSummaryRow(const RunOutput& output, const RecordOptions& record)
{
    const std::string row = summaryRow(output.run, output.config, output.summary);
    return record.patches ? withPatternColumns(row, patternSummaryCells(output, record.patternSettings.fit)) : row;
}

void refuseSweepBeyondMemory(const SweepPlan& plan, const RecordOptions& record, int jobs)
{
    RunConfig largest = plan.base;
    std::tie(largest.width, largest.height) = largestField(plan);
    const std::int64_t together = std::min<std::int64_t>(jobs, plan.runCount());
    const std::string size = std::to_string(largest.width) + " x " + std::to_string(largest.height) + " cells";
    refuseBeyondMemory(runBytes(largest, plan.threadsPerRun, &record) * static_cast<std::uint64_t>(together),
                       together == 1 ? "a run of " + size
                                     : "running " + std::to_string(together) + " runs of up to " + size + " at once");
}

int sweepJobs(std::optional<int> requested, int threadsPerRun, const EnvironmentLookup& environment)
{
    return std::clamp(requested.value_or(availableCpus(environment) / threadsPerRun), 1, MaxJobs);
}

namespace {

// Warns once for the exact runs of the part that pass the generator's period.
void warnOfGeneratorPeriod(const SweepPlan& plan, const TaskSplit& split, std::int64_t runs)
{
    std::int64_t passing = 0;
    std::optional<std::pair<RunConfig, std::int64_t>> first;
    for (std::int64_t n = 0; n < runs; ++n) {
        const RunConfig config = plan.configForRun(nthRunOfPart(n, split));
        if (const auto step = generatorPeriodPassedAt(config)) {
            ++passing;
            if (!first)
                first.emplace(config, *step);
        }
    }
    if (first)
        std::fprintf(stderr, "%s\n", generatorPeriodWarning(first->first, first->second, passing).c_str());
}

} // namespace

namespace {

// Whether every snapshot the part's runs take is in folder.
bool snapshotsInPlace(int folder, const SweepPlan& plan, const TaskSplit& split, std::int64_t runs,
                      const RecordOptions& record)
{
    for (std::int64_t n = 0; n < runs; ++n) {
        const std::int64_t run = nthRunOfPart(n, split);
        const std::int64_t steps = plan.configForRun(run).steps;
        const std::int64_t every = record.snapshotEvery > 0 ? record.snapshotEvery : steps;
        for (std::int64_t step = 0;; step = std::min(steps, (step / std::max<std::int64_t>(every, 1) + 1) * every)) {
            const std::string stem = "run" + std::to_string(run) + "-step" + std::to_string(step);
            struct stat status {};
            for (const char* suffix : {".csv", ".png"})
                if ((suffix[1] == 'c' || record.snapshotPictures)
                    && ::fstatat(folder, (stem + suffix).c_str(), &status, 0) != 0)
                    return false;
            if (step >= steps)
                break;
        }
    }
    return true;
}

bool fileInPlace(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// Finishes a commit of the summary's that a kill stopped.
void finishCommit(const std::string& summaryPath)
{
    const OutputPlace place = resolveOutput("--summary", summaryPath);
    rollForwardCommits(place.directory.get(), place.name);
}

} // namespace

int runSweepCommand(SweepOptions options, const EnvironmentLookup& environment, bool progressToTerminal,
                    const Invocation& invocation, const PictureSink& pictures)
{
    const TaskSplit split = resolveTask(options.task, environment);
    if (split.count > 1 && !options.model.seedGiven)
        throw BatchError("a sweep split into parts needs --seed, so that every part gives its runs the "
                         "same seeds");
    const bool clockSeed = !options.model.seedGiven;
    SweepPlan plan = planSweep(options);

    const RecordOptions& record = options.record;
    if (!record.countsPath.empty())
        plan.recording.countsEvery = record.countsEvery;
    plan.recording.snapshotEvery = record.snapshotEvery;
    if (record.snapshotPictures) {
        const auto [width, height] = largestField(plan);
        checkPictureSize(width, height, record.cellSize, "--snapshot-pictures");
    }
    if (!record.plotPath.empty()
        && std::none_of(plan.variations.begin(), plan.variations.end(),
                        [](const Variation& variation) { return isNumeric(variation.name); }))
        throw BatchError("--plot: a sweep's plot needs a --vary of a number (a2, a0, d0, a3, a4, jump, width, "
                         "height or steps) for its axis");
    refuseSharedNames({{"--summary", &options.summaryPath}, {"--counts", &record.countsPath},
                       {"--plot", &record.plotPath}, {"--patterns", &record.patternsPath},
                       {"--plot-patches", &record.patchPlotPath}});
    refuseToolNames({{"--summary", &options.summaryPath}, {"--counts", &record.countsPath},
                     {"--plot", &record.plotPath}, {"--patterns", &record.patternsPath},
                     {"--plot-patches", &record.patchPlotPath}},
                    {{"--summary", &options.summaryPath}, {"--counts", &record.countsPath},
                     {"--patterns", &record.patternsPath}});
    const std::int64_t runs = runsInPart(plan.runCount(), split);
    // A sweep with a plot or snapshots runs whole: a resume starts it again.
    const bool runsWhole = !record.plotPath.empty() || !record.patchPlotPath.empty() || !record.snapshotsDir.empty();
    const int jobs = sweepJobs(options.jobs, plan.threadsPerRun, environment);
    refuseSweepBeyondMemory(plan, record, jobs);

    // Before anything else, so that an old commit never lands on this one.
    if (options.summaryPath != "-")
        finishCommit(options.summaryPath);
    SweepJournal summary("--summary", options.summaryPath);
    std::optional<SweepJournal> counts;
    if (!record.countsPath.empty())
        counts.emplace("--counts", record.countsPath);
    std::optional<SweepJournal> patches;
    if (!record.patternsPath.empty())
        patches.emplace("--patterns", record.patternsPath);
    std::optional<SnapshotWriter> snapshots;
    if (!record.snapshotsDir.empty())
        snapshots.emplace(record.snapshotsDir, record.snapshotPictures ? &pictures : nullptr, record.cellSize, false);
    const std::string header = sweepSummaryHeader(record, options.model.config.stopWhen.has_value());
    const std::string seriesHeader = timeSeriesHeader();
    const std::string patchesHeader = patchSeriesHeader(true);
    std::optional<KeptSweep> kept;
    std::optional<KeptSweep> keptCounts;
    std::optional<KeptSweep> keptPatches;
    if (options.resume) {
        if (!summary.toFile() || (counts && !counts->toFile()) || (patches && !patches->toFile()))
            throw BatchError("--resume needs files for --summary, --counts and --patterns: a sweep to standard "
                             "output or to a device keeps nothing to resume");
        kept = findKeptSweep(summary.place(), sweepRecord(options, plan, split, header), !clockSeed, plan, split, runs,
                             "--summary");
        if (kept && clockSeed) {
            plan.base.seed = static_cast<std::int32_t>(*recordSeed(kept->record));
            plan.runCount();
        }
        if (kept && counts) {
            // Every kept row needs its run's whole series: the summary is cut
            // back to the runs whose series are complete.
            keptCounts = findKeptSeries(counts->place(), sweepRecord(options, plan, split, seriesHeader), true,
                                        plan, split, kept->rows, "--counts");
            if (keptCounts && keptCounts->rows < kept->rows)
                kept = findKeptSweep(summary.place(), kept->record, true, plan, split, keptCounts->rows, "--summary");
        }
        // The patch sizes of the runs kept, which were synced before their rows.
        if (kept && patches)
            keptPatches = findKeptPatches(patches->place(), sweepRecord(options, plan, split, patchesHeader), split,
                                          kept->rows, "--patterns");
        if (kept && (runsWhole || (counts && !keptCounts) || (patches && !keptPatches))) {
            for (const std::string& token : {kept->token, keptCounts ? keptCounts->token : kept->token,
                                             keptPatches ? keptPatches->token : kept->token}) {
                removeTemporaries(summary.place().directory.get(), token);
                if (counts)
                    removeTemporaries(counts->place().directory.get(), token);
                if (patches)
                    removeTemporaries(patches->place().directory.get(), token);
                if (snapshots)
                    removeTemporaries(snapshots->folder(), token);
            }
            kept.reset();
            keptCounts.reset();
            keptPatches.reset();
            if (clockSeed)
                plan.base.seed = drawSeed();
        }
        if (!kept) {
            const OutputState done =
                finishedOutput(summary.place(), sweepRecord(options, plan, split, header), !clockSeed);
            const OutputState countsDone =
                counts ? finishedOutput(counts->place(), sweepRecord(options, plan, split, seriesHeader), !clockSeed)
                       : OutputState::Matches;
            const OutputState patchesDone =
                patches
                    ? finishedOutput(patches->place(), sweepRecord(options, plan, split, patchesHeader), !clockSeed)
                    : OutputState::Matches;
            const std::pair<OutputState, const std::string*> outputs[] = {{done, &options.summaryPath},
                                                                          {countsDone, &record.countsPath},
                                                                          {patchesDone, &record.patternsPath}};
            for (const auto& [state, path] : outputs)
                if (state == OutputState::Other)
                    throw BatchError("--resume: " + inQuotes(*path)
                                     + " is the complete output of another sweep; give its options, or leave "
                                       "--resume out to replace it");
            if (done == OutputState::Matches && countsDone == OutputState::Matches
                && patchesDone == OutputState::Matches && (record.plotPath.empty() || fileInPlace(record.plotPath))
                && (record.patchPlotPath.empty() || fileInPlace(record.patchPlotPath))
                && (!snapshots || snapshotsInPlace(snapshots->folder(), plan, split, runs, record))) {
                if (!options.quiet)
                    std::fprintf(stderr, "nothing to resume: %s is complete\n", inQuotes(options.summaryPath).c_str());
                return 0;
            }
        }
    }

    if (clockSeed && !options.quiet && !kept)
        std::fprintf(stderr, "seed: %d\n", static_cast<int>(plan.base.seed));
    if (!options.quiet)
        warnOfGeneratorPeriod(plan, split, runs);

    const SignalStop stopOnSignal;
    if (kept)
        summary.adopt(kept->token, kept->bytes);
    else
        summary.start(header, sweepRecord(options, plan, split, header));
    const std::string token = summary.token();
    if (counts) {
        if (keptCounts)
            counts->adopt(keptCounts->token, keptCounts->bytes);
        else
            counts->start(seriesHeader, sweepRecord(options, plan, split, seriesHeader), token);
        summary.syncAfter(*counts);
    }
    if (patches) {
        if (keptPatches)
            patches->adopt(keptPatches->token, keptPatches->bytes);
        else
            patches->start(patchesHeader, sweepRecord(options, plan, split, patchesHeader), token);
        summary.syncAfter(*patches);
    }
    if (kept) {
        // A commit killed before it was decided left its descriptors.
        const std::string descriptor = temporaryName("datapackage.json", token, ".tmp");
        ::unlinkat(summary.place().directory.get(), descriptor.c_str(), 0);
        if (counts)
            ::unlinkat(counts->place().directory.get(), descriptor.c_str(), 0);
        if (patches)
            ::unlinkat(patches->place().directory.get(), descriptor.c_str(), 0);
    }
    std::optional<OutputFile> plot;
    if (!record.plotPath.empty())
        plot.emplace("--plot", record.plotPath, false, token);
    std::optional<OutputFile> patchPlot;
    if (!record.patchPlotPath.empty())
        patchPlot.emplace("--plot-patches", record.patchPlotPath, false, token);
    // The first class's pooled sizes by the value of the first varied parameter.
    std::map<std::size_t, SizeCounts> pooledByValue;
    // A file series streams through per-run files (see RunSpool).
    std::optional<RunSpool> spool;
    if (counts && counts->toFile()) {
        spool.emplace(counts->place().directory.get(), counts->place().name, token, "--counts");
        plan.recording.seriesSink = [&spool](std::int64_t run) { return spool->open(run); };
    }
    std::optional<RunSpool> patchSpool;
    if (patches && patches->toFile()) {
        patchSpool.emplace(patches->place().directory.get(), patches->place().name, token, "--patterns");
        plan.recording.patchSink = [&patchSpool](std::int64_t run) { return patchSpool->open(run); };
    }
    if (snapshots) {
        snapshots->useToken(token);
        plan.recording.onSnapshot = [&snapshots](std::int64_t run, std::int64_t step, const Bed& bed) {
            snapshots->write(run, step, bed);
        };
    }
    ProgressBar progress(runs, "runs", progressStyle(record.progress, progressToTerminal, options.quiet));
    std::vector<RunOutput> plotted;
    const std::int64_t done = runSweepPart(
        plan, split, jobs,
        [&](const RunOutput& output) {
            if (spool)
                spool->appendTo(output.run, *counts);
            else if (counts)
                counts->append(timeSeriesRows(output));
            if (patchSpool)
                patchSpool->appendTo(output.run, *patches);
            else if (patches)
                patches->append(patchSeriesRows(output, record.patchClasses, true));
            summary.append(sweepSummaryRow(output, record));
            if (plot)
                plotted.push_back({output.run, output.config, output.summary, {}});
            if (patchPlot)
                addSizeCounts(pooledByValue[plan.variations.empty() ? 0 : plan.valueIndex(output.run, 0)],
                              output.patterns.front().pooled);
        },
        &progress, kept ? kept->rows : 0, stopOnSignal.flag());
    progress.finish();
    if (done < runs) {
        if (counts)
            counts->keep();
        if (patches)
            patches->keep();
        summary.keep();
        reportInterruption(stopOnSignal.received(), done, runs, summary.toFile(), options.arguments);
        return statusForSignal(stopOnSignal.received());
    }
    if (plot)
        plot->write(pictures.sweepPlot(plotted, plan, *plotFormatFor(record.plotPath)));
    if (patchPlot) {
        std::vector<PatchCurve> curves;
        for (const auto& [value, pooled] : pooledByValue) {
            std::string label = record.patchClasses.front().name;
            if (!plan.variations.empty())
                label = std::string(varyNameText(plan.variations.front().name)) + " = "
                        + valueText(plan.variations.front(), plan.variations.front().values[value]);
            curves.push_back({label, pooled, fitSizes(pooled, record.patternSettings.fit)});
        }
        patchPlot->write(pictures.patchPlot(curves, "Sizes of " + record.patchClasses.front().name
                                                        + " patches in the measurement window",
                                            *plotFormatFor(record.patchPlotPath)));
    }

    CommitUnit unit;
    WrittenFile summaryFile{summary.path(), OutputKind::Summary};
    for (const PatchClass& cls : record.patchClasses)
        summaryFile.patchClasses.push_back(cls.name);
    summary.stage(unit, summaryFile);
    if (counts)
        counts->stage(unit, OutputKind::TimeSeries);
    if (patches)
        patches->stage(unit, OutputKind::PatchSeries);
    if (plot)
        plot->stage(unit, OutputKind::Plot);
    if (patchPlot)
        patchPlot->stage(unit, OutputKind::Plot);
    if (snapshots)
        snapshots->stage(unit);
    Provenance provenance{invocation, plan.base.seed, {}};
    if (plan.base.pattern.kind == PatternKind::File)
        provenance.inputs.push_back({plan.base.pattern.path, plan.base.pattern.field->sha256});
    for (const Variation& variation : plan.variations)
        for (const Pattern& pattern : variation.patterns)
            if (pattern.kind == PatternKind::File)
                provenance.inputs.push_back({pattern.path, pattern.field->sha256});
    if (plan.design)
        provenance.inputs.push_back({options.designPath, *plan.design});
    unit.commit(provenance, token);
    return 0;
}
