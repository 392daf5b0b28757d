// SPDX-License-Identifier: GPL-3.0-or-later
#include "singlerun.h"

#include "batcherror.h"
#include "printable.h"
#include "csvformat.h"
#include "fieldcsv.h"
#include "outputfile.h"
#include "outputnames.h"
#include "datapackage.h"
#include "imageformats.h"
#include "picturesink.h"
#include "progressbar.h"
#include "randomseed.h"
#include "seeding.h"
#include "simulation.h"
#include "snapshots.h"
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
    const RecordOptions& record = options.record;
    std::optional<PictureFormat> pictureFormat;
    if (!options.picturePath.empty()) {
        pictureFormat = pictureFormatFor(options.picturePath);
        checkPictureSize(config.width, config.height, record.cellSize);
    }
    if (record.snapshotPictures)
        checkPictureSize(config.width, config.height, record.cellSize, "--snapshot-pictures");
    refuseSharedNames({{"--counts", &record.countsPath},
                       {"--field", &options.fieldPath},
                       {"--picture", &options.picturePath},
                       {"--plot", &record.plotPath}});

    std::optional<OutputFile> counts;
    std::optional<OutputFile> field;
    std::optional<OutputFile> picture;
    std::optional<OutputFile> plot;
    if (!record.countsPath.empty())
        counts.emplace("--counts", record.countsPath, true);
    if (!options.fieldPath.empty())
        field.emplace("--field", options.fieldPath, false);
    if (!options.picturePath.empty())
        picture.emplace("--picture", options.picturePath, false);
    if (!record.plotPath.empty())
        plot.emplace("--plot", record.plotPath, false);
    std::optional<SnapshotWriter> snapshots;
    if (!record.snapshotsDir.empty())
        snapshots.emplace(record.snapshotsDir, record.snapshotPictures ? &pictures : nullptr, record.cellSize, true);

    if (!options.model.seedGiven) {
        config.seed = drawSeed();
        if (!options.quiet)
            std::fprintf(stderr, "seed: %d\n", static_cast<int>(config.seed));
    }
    if (const auto step = generatorPeriodPassedAt(config); step && !options.quiet)
        std::fprintf(stderr, "%s\n", generatorPeriodWarning(config, *step, 1).c_str());

    const std::unique_ptr<Bed> bed = makeBed(config, options.model.threads);
    ProgressBar progress(config.steps, "steps", progressToTerminal && !options.quiet);
    // The plot takes at most about 2000 points of the run.
    const std::int64_t plotEvery = std::max<std::int64_t>(1, config.steps / 2000);
    std::vector<CountsAt> plotted;
    auto atStep = [&](std::int64_t step) {
        if (counts && isRecordedStep(step, record.countsEvery, config.steps)) {
            if (step == 0)
                counts->write(countsHeader());
            counts->write(countsRow(static_cast<long>(step), bed->counts()));
        }
        if (plot && isRecordedStep(step, plotEvery, config.steps))
            plotted.push_back({step, bed->counts()});
        if (snapshots && isRecordedStep(step, record.snapshotEvery, config.steps))
            snapshots->write(0, step, *bed);
    };
    atStep(0);
    for (std::int64_t step = 1; step <= config.steps; ++step) {
        bed->advance();
        atStep(step);
        progress.update(step);
    }
    progress.finish();

    if (field)
        field->write(fieldCsv(*bed));
    if (picture)
        picture->write(pictures.field(*bed, record.cellSize, *pictureFormat));
    if (plot)
        plot->write(pictures.runPlot(plotted, config, *plotFormatFor(record.plotPath)));
    for (std::optional<OutputFile>* output : {&counts, &field, &picture, &plot})
        if (*output)
            (*output)->commit();

    std::vector<WrittenFile> written;
    if (counts)
        written.push_back({counts->path(), OutputKind::Counts});
    if (field)
        written.push_back({field->path(), OutputKind::Field, config.width});
    if (picture)
        written.push_back({picture->path(), OutputKind::FieldPicture});
    if (plot)
        written.push_back({plot->path(), OutputKind::Plot});
    if (snapshots) {
        snapshots->keep();
        for (const std::string& path : snapshots->written())
            written.push_back({path, path.size() > 4 && path.substr(path.size() - 4) == ".png"
                                         ? OutputKind::FieldPicture : OutputKind::Field, config.width});
    }
    Provenance provenance{invocation, config.seed, {}};
    if (config.pattern.kind == PatternKind::File)
        provenance.inputs.push_back({config.pattern.path, config.pattern.field->sha256});
    writeDataPackages(written, provenance);
    return 0;
}
