// SPDX-License-Identifier: GPL-3.0-or-later
#include "singlerun.h"

#include "batcherror.h"
#include "printable.h"
#include "csvformat.h"
#include "fieldcsv.h"
#include "commitunit.h"
#include "outputfile.h"
#include "outputnames.h"
#include "patterncsv.h"
#include "datapackage.h"
#include "imageformats.h"
#include "interruption.h"
#include "picturesink.h"
#include "progressbar.h"
#include "randomseed.h"
#include "seeding.h"
#include "livebed.h"
#include "memoryneed.h"
#include "simulation.h"
#include "snapshots.h"
#include "stopcondition.h"
#include "statefile.h"
#include "summary.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>


int runSingle(RunOptions options, bool progressToTerminal, const Invocation& invocation,
              const PictureSink& pictures)
{
    loadPattern(options.model);
    RunConfig& config = options.model.config;
    std::optional<SavedRun> saved;
    std::string savedHash;
    if (!options.fromStatePath.empty()) {
        saved = readStateFile(options.fromStatePath, &savedHash);
        config.width = saved->engine.width;
        config.height = saved->engine.height;
        options.model.seedGiven = true;
    }
    const RecordOptions& record = options.record;
    std::optional<PictureFormat> pictureFormat;
    if (!options.picturePath.empty()) {
        pictureFormat = pictureFormatFor(options.picturePath);
        checkPictureSize(config.width, config.height, record.cellSize);
    }
    if (record.snapshotPictures)
        checkPictureSize(config.width, config.height, record.cellSize, "--snapshot-pictures");
    refuseBeyondMemory(runBytes(config, options.model.threads, &record, pictureFormat.has_value(),
                                !options.fieldPath.empty() || !options.saveStatePath.empty()),
                       "a run of " + std::to_string(config.width) + " x " + std::to_string(config.height) + " cells");
    refuseSharedNames({{"--counts", &record.countsPath},
                       {"--field", &options.fieldPath},
                       {"--picture", &options.picturePath},
                       {"--plot", &record.plotPath},
                       {"--patterns", &record.patternsPath},
                       {"--plot-patches", &record.patchPlotPath},
                       {"--save-state", &options.saveStatePath}});
    refuseToolNames({{"--counts", &record.countsPath},
                     {"--field", &options.fieldPath},
                     {"--picture", &options.picturePath},
                     {"--plot", &record.plotPath},
                     {"--patterns", &record.patternsPath},
                     {"--plot-patches", &record.patchPlotPath},
                     {"--save-state", &options.saveStatePath}},
                    {});

    // Finishes a commit of these outputs that a kill stopped.
    for (const std::string* path : {&record.countsPath, static_cast<const std::string*>(&options.fieldPath),
                                    static_cast<const std::string*>(&options.picturePath), &record.plotPath,
                                    &record.patternsPath, &record.patchPlotPath,
                                    static_cast<const std::string*>(&options.saveStatePath)})
        if (!path->empty() && *path != "-") {
            const OutputPlace place = resolveOutput("--counts", *path);
            rollForwardCommits(place.directory.get(), place.name);
        }
    std::optional<OutputFile> counts;
    std::optional<OutputFile> field;
    std::optional<OutputFile> picture;
    std::optional<OutputFile> plot;
    std::optional<OutputFile> state;
    if (!record.countsPath.empty())
        counts.emplace("--counts", record.countsPath, true);
    if (!options.fieldPath.empty())
        field.emplace("--field", options.fieldPath, false);
    if (!options.picturePath.empty())
        picture.emplace("--picture", options.picturePath, false);
    if (!record.plotPath.empty())
        plot.emplace("--plot", record.plotPath, false);
    std::optional<OutputFile> patches;
    std::optional<OutputFile> patchPlot;
    if (!record.patternsPath.empty())
        patches.emplace("--patterns", record.patternsPath, true);
    if (!record.patchPlotPath.empty())
        patchPlot.emplace("--plot-patches", record.patchPlotPath, false);
    PatternRecording patternRecording;
    if (record.patches) {
        patternRecording.classes = record.patchClasses;
        patternRecording.settings = record.patternSettings;
        patternRecording.every = record.patternsEvery > 0 ? record.patternsEvery : record.countsEvery;
        patternRecording.series = patches.has_value();
    }
    if (!options.saveStatePath.empty())
        state.emplace("--save-state", options.saveStatePath, false);
    std::optional<SnapshotWriter> snapshots;
    if (!record.snapshotsDir.empty())
        snapshots.emplace(record.snapshotsDir, record.snapshotPictures ? &pictures : nullptr, record.cellSize, true);

    if (!options.model.seedGiven) {
        config.seed = drawSeed();
        if (!options.quiet)
            std::fprintf(stderr, "seed: %d\n", static_cast<int>(config.seed));
    }
    const std::unique_ptr<Bed> bed = saved ? continueBed(*saved, config, options.given, options.model.threads)
                                           : makeBed(config, options.model.threads);
    // A continued run counts its steps on from the saved one's.
    const std::int64_t first = saved ? saved->step : 0;
    const std::int64_t last = first + config.steps;
    RunConfig whole = config;
    whole.steps = last;
    if (const auto step = generatorPeriodPassedAt(whole); step && !options.quiet)
        std::fprintf(stderr, "%s\n", generatorPeriodWarning(whole, *step, 1).c_str());

    ProgressBar progress(config.steps, "steps", progressStyle(record.progress, progressToTerminal, options.quiet));
    // The plot takes at most about 2000 points of the run.
    const std::int64_t plotEvery = std::max<std::int64_t>(1, config.steps / 2000);
    std::vector<CountsAt> plotted;
    // The patches: the series as it grows, the window's sizes for the plot.
    std::optional<PatternRecorder> patterns;
    RunOutput patchOutput;
    if (record.patches)
        patterns.emplace(patternRecording, config.width, config.height, config.periodic);
    const std::int64_t firstInWindow = config.steps == 0 ? first : first + effectiveBurnIn(std::nullopt, config.steps) + 1;
    auto recorded = [&](std::int64_t step, std::int64_t every) {
        return step == first || isRecordedStep(step, every, last);
    };
    // Records the field after step; true when --stop-when ends the run there,
    // which makes it the last step recorded.
    auto atStep = [&](std::int64_t step) {
        const bool stopping = config.stopWhen && step < last && ExtinctionSteps::holds(*config.stopWhen, bed->counts());
        if (patterns && (stopping || step == first || patterns->samples(step, last))) {
            patchOutput.patchSeries.clear();
            patterns->record(step, *bed, step >= firstInWindow, patchOutput.patchSeries);
            if (patches) {
                if (step == first)
                    patches->write(patchSeriesHeader(false));
                patches->write(patchSeriesRows(patchOutput, record.patchClasses, false));
            }
        }
        if (counts && (stopping || recorded(step, record.countsEvery))) {
            if (step == first)
                counts->write(countsHeader());
            counts->write(countsRow(static_cast<long>(step), bed->counts()));
        }
        if (plot && (stopping || recorded(step, plotEvery)))
            plotted.push_back({step, bed->counts()});
        if (snapshots && (stopping || recorded(step, record.snapshotEvery)))
            snapshots->write(0, step, *bed);
        return stopping;
    };
    // A signal stops the run between two steps; the temporaries go with
    // the outputs that are not put in place.
    const SignalStop stopOnSignal;
    std::int64_t ended = last;
    if (atStep(first))
        ended = first;
    else
        for (std::int64_t step = first + 1; step <= last; ++step) {
            if (stopOnSignal.flag()->load(std::memory_order_relaxed)) {
                progress.finish();
                std::fprintf(stderr, "tidmar-batch: stopped by %s after step %lld of %lld: no output put in place\n",
                             signalName(stopOnSignal.received()), static_cast<long long>(step - 1),
                             static_cast<long long>(last));
                return statusForSignal(stopOnSignal.received());
            }
            bed->advance();
            progress.update(step - first);
            if (atStep(step)) {
                ended = step;
                break;
            }
        }
    progress.finish();

    if (field)
        field->write(fieldCsv(*bed));
    if (picture)
        picture->write(pictures.field(*bed, record.cellSize, *pictureFormat));
    if (plot)
        plot->write(pictures.runPlot(plotted, config, *plotFormatFor(record.plotPath)));
    if (patchPlot) {
        std::vector<PatchCurve> curves;
        for (std::size_t i = 0; i < record.patchClasses.size(); ++i) {
            const SizeCounts& pooled = patterns->window()[i].pooled;
            curves.push_back({record.patchClasses[i].name, pooled, fitSizes(pooled, record.patternSettings.fit)});
        }
        patchPlot->write(pictures.patchPlot(curves, "Patch sizes in the measurement window",
                                            *plotFormatFor(record.patchPlotPath)));
    }
    if (state)
        state->write(encodeState({bed->state(), ended, config.seed}));

    CommitUnit unit;
    if (counts)
        counts->stage(unit, OutputKind::Counts);
    if (field)
        field->stage(unit, OutputKind::Field, config.width);
    if (picture)
        picture->stage(unit, OutputKind::FieldPicture);
    if (plot)
        plot->stage(unit, OutputKind::Plot);
    if (patches) {
        WrittenFile sizes{patches->path(), OutputKind::PatchSeries};
        sizes.perRun = false;
        patches->stage(unit, sizes);
    }
    if (patchPlot)
        patchPlot->stage(unit, OutputKind::Plot);
    if (snapshots)
        snapshots->stage(unit);
    if (state)
        state->stage(unit, OutputKind::State);
    Provenance provenance{invocation, config.seed, {}};
    if (saved)
        provenance.inputs.push_back({options.fromStatePath, savedHash});
    if (config.pattern.kind == PatternKind::File)
        provenance.inputs.push_back({config.pattern.path, config.pattern.field->sha256});
    unit.commit(provenance);
    return 0;
}
