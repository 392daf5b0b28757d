#include "singlerun.h"

#include "batcherror.h"
#include "printable.h"
#include "csvformat.h"
#include "fieldcsv.h"
#include "outputfile.h"
#include "picture.h"
#include "progressbar.h"
#include "seeding.h"
#include "simulation.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

namespace {

std::filesystem::path normalised(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error)
        return std::filesystem::path(path).lexically_normal();
    std::filesystem::path result = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : result;
}

// Two outputs under one file name would overwrite each other; a device
// such as /dev/null may take several.
void refuseSharedNames(const RunOptions& options)
{
    const std::vector<std::pair<const char*, const std::string*>> outputs = {
        {"--counts", &options.countsPath}, {"--field", &options.fieldPath}, {"--picture", &options.picturePath}};
    for (std::size_t i = 0; i < outputs.size(); ++i)
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            const std::string& a = *outputs[i].second;
            const std::string& b = *outputs[j].second;
            std::error_code error;
            const auto type = std::filesystem::status(b, error).type();
            const bool device = type != std::filesystem::file_type::not_found
                                && type != std::filesystem::file_type::regular;
            if (!a.empty() && !b.empty() && a != "-" && !device && normalised(a) == normalised(b))
                throw BatchError(std::string(outputs[i].first) + " and " + outputs[j].first + " both name "
                                 + inQuotes(b));
        }
}

} // namespace

int runSingle(RunOptions options, bool progressToTerminal)
{
    loadPattern(options.model);
    RunConfig& config = options.model.config;
    std::optional<PictureFormat> pictureFormat;
    if (!options.picturePath.empty()) {
        pictureFormat = pictureFormatFor(options.picturePath);
        checkPictureSize(config.width, config.height, options.cellSize);
    }
    refuseSharedNames(options);

    std::optional<OutputFile> counts;
    std::optional<OutputFile> field;
    std::optional<OutputFile> picture;
    if (!options.countsPath.empty())
        counts.emplace("--counts", options.countsPath, true);
    if (!options.fieldPath.empty())
        field.emplace("--field", options.fieldPath, false);
    if (!options.picturePath.empty())
        picture.emplace("--picture", options.picturePath, false);

    if (!options.model.seedGiven) {
        config.seed = seedFromClock();
        if (!options.quiet)
            std::fprintf(stderr, "seed: %d\n", static_cast<int>(config.seed));
    }

    const std::unique_ptr<Bed> bed = makeBed(config, options.model.threads);
    ProgressBar progress(config.steps, "steps", progressToTerminal && !options.quiet);
    if (counts) {
        counts->write(countsHeader());
        counts->write(countsRow(0, bed->counts()));
    }
    for (std::int64_t step = 1; step <= config.steps; ++step) {
        bed->advance();
        if (counts)
            counts->write(countsRow(static_cast<long>(step), bed->counts()));
        progress.update(step);
    }
    progress.finish();

    if (field)
        field->write(fieldCsv(*bed));
    if (picture) {
        const QByteArray bytes = encodePicture(drawField(*bed, options.cellSize), *pictureFormat);
        picture->write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
    for (std::optional<OutputFile>* output : {&counts, &field, &picture})
        if (*output)
            (*output)->commit();
    return 0;
}
