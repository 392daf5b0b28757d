// SPDX-License-Identifier: GPL-3.0-or-later
#include "runoutput.h"

#include "bed.h"
#include "csvformat.h"
#include "patterncsv.h"
#include "simulation.h"

#include <algorithm>
#include <cmath>

bool isRecordedStep(std::int64_t step, std::int64_t every, std::int64_t steps)
{
    return step == 0 || step == steps || (every > 0 && step % every == 0);
}

RunOutput performRun(std::int64_t run, const RunConfig& config, const Recording& recording, int threads,
                     const std::atomic<bool>* stop)
{
    RunOutput output;
    output.run = run;
    output.config = config;
    RunSummary& summary = output.summary;
    summary.burnIn = effectiveBurnIn(recording.burnIn, config.steps);
    summary.periodPassed = generatorPeriodPassedAt(config).has_value();

    const std::unique_ptr<Bed> bed = makeBed(config, threads);
    const std::unique_ptr<SeriesSink> series =
        recording.countsEvery > 0 && recording.seriesSink ? recording.seriesSink(run) : nullptr;
    const std::unique_ptr<SeriesSink> patchSink =
        recording.patterns.series && recording.patchSink ? recording.patchSink(run) : nullptr;
    std::vector<PatchSizesAt> patchSizes;
    const std::string runPrefix = std::to_string(run) + ',';
    const std::int64_t firstCounted = config.steps == 0 ? 0 : summary.burnIn + 1;
    const double cells = static_cast<double>(config.width) * config.height;
    // Integer sums give the means exactly as before; the spread comes from
    // Welford's running sums of the fractions.
    std::array<std::int64_t, StateCount> sums{};
    std::array<double, StateCount> runningMean{};
    std::array<double, StateCount> squares{};
    std::int64_t fields = 0;
    std::optional<PatternRecorder> patterns;
    if (!recording.patterns.classes.empty())
        patterns.emplace(recording.patterns, bed->cellsX(), bed->cellsY(), config.periodic);

    // With a stop condition every field is counted, for the extinction steps.
    const bool tracking = config.stopWhen.has_value();
    auto addToWindow = [&](const std::array<long, StateCount>& counts) {
        ++fields;
        for (int i = 0; i < StateCount; ++i) {
            sums[i] += counts[i];
            const double fraction = static_cast<double>(counts[i]) / cells;
            const double delta = fraction - runningMean[i];
            runningMean[i] += delta / static_cast<double>(fields);
            squares[i] += delta * (fraction - runningMean[i]);
        }
    };
    // Records the field after step; true when the run stops there.
    auto atStep = [&](std::int64_t step) {
        const bool inWindow = step >= firstCounted;
        bool inSeries = recording.countsEvery > 0 && isRecordedStep(step, recording.countsEvery, config.steps);
        bool stopping = false;
        if (inWindow || inSeries || tracking) {
            const std::array<long, StateCount> counts = bed->counts();
            if (tracking) {
                summary.extinction.note(step, counts);
                stopping = step < config.steps && ExtinctionSteps::holds(*config.stopWhen, counts);
                inSeries = inSeries || (stopping && recording.countsEvery > 0);
            }
            if (inWindow)
                addToWindow(counts);
            if (inSeries && series)
                series->add(runPrefix + countsRow(static_cast<long>(step), counts));
            else if (inSeries)
                output.timeSeries.push_back({step, counts});
        }
        if (patterns && patterns->samples(step, config.steps)) {
            if (patchSink) {
                patchSizes.clear();
                patterns->record(step, *bed, inWindow, patchSizes);
                patchSink->add(patchSizesRows(runPrefix, patchSizes, recording.patterns.classes));
            } else {
                patterns->record(step, *bed, inWindow, output.patchSeries);
            }
        }
        if (recording.onSnapshot && (stopping || isRecordedStep(step, recording.snapshotEvery, config.steps)))
            recording.onSnapshot(run, step, *bed);
        return stopping;
    };

    summary.endedAt = config.steps;
    if (atStep(0))
        summary.endedAt = 0;
    else
        for (std::int64_t step = 1; step <= config.steps; ++step) {
            if (stop && stop->load(std::memory_order_relaxed))
                throw RunStopped();
            bed->advance();
            if (atStep(step)) {
                summary.endedAt = step;
                break;
            }
        }

    if (series)
        series->finish();
    if (patchSink)
        patchSink->finish();
    summary.finalCounts = bed->counts();
    // A run stopped before its window measures its final field.
    if (fields == 0)
        addToWindow(summary.finalCounts);
    for (int i = 0; i < StateCount; ++i) {
        summary.meanFractions[i] = static_cast<double>(sums[i]) / (static_cast<double>(fields) * cells);
        summary.sdFractions[i] = std::sqrt(std::max(0.0, squares[i] / static_cast<double>(fields)));
    }
    if (patterns)
        output.patterns = patterns->window();
    return output;
}
