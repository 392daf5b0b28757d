// SPDX-License-Identifier: GPL-3.0-or-later
#include "livesession.h"

#include "batcherror.h"
#include "fieldcodes.h"
#include "modelparameters.h"
#include "musselbed.h"
#include "numbers.h"
#include "options.h"
#include "seeding.h"

#include <algorithm>

namespace {

// The model options as the command line reads them (throws BatchError).
ModelOptions readOptions(const Arguments& arguments)
{
    return parseRunOptions(arguments).model;
}

} // namespace

std::int64_t readSteps(const std::string& text)
{
    return readOptions({"--steps", text}).config.steps;
}

std::int64_t readInterval(const std::string& name, const std::string& text)
{
    const auto every = parseInteger(text, 1, 2147483647);
    if (!every)
        throw BatchError(name + ": '" + text + "' is not a whole number from 1 to 2147483647");
    return *every;
}

LiveSession::LiveSession(const Arguments& arguments)
{
    const ModelOptions options = readOptions(arguments);
    config_ = options.config;
    if (!options.seedGiven)
        config_.seed = seedFromClock();
    threads_ = options.threads;
    bed_ = makeLiveBed(config_, threads_);
}

void LiveSession::edit(std::int64_t x, std::int64_t y, std::int64_t state, int origin)
{
    if (state < -1 || state > 3)
        throw BatchError("state: " + std::to_string(state) + " is not a cell state (-1, 0, 1, 2 or 3)");
    const int width = bed_->cellsX(), height = bed_->cellsY();
    x -= origin;
    y -= origin;
    if (x < 0 || y < 0 || x >= width || y >= height)
        throw BatchError("(" + std::to_string(x + origin) + ", " + std::to_string(y + origin) + ") lies outside the "
                         + std::to_string(width) + " x " + std::to_string(height) + " field");
    bed_->edit(static_cast<int>(x), static_cast<int>(y), static_cast<Cell>(state));
}

void LiveSession::reset(const std::string& pattern, const std::optional<std::string>& seed)
{
    Arguments arguments{"--pattern", pattern};
    if (seed)
        arguments.insert(arguments.end(), {"--seed", *seed});
    const ModelOptions options = readOptions(arguments);
    if (options.config.pattern.kind == PatternKind::File)
        throw BatchError("--pattern: '" + pattern + "' is not young or line (give a field as an array)");
    layDown(options.config.pattern, options);
}

void LiveSession::resetField(std::int64_t width, std::int64_t height, std::vector<Cell> codes,
                             const std::optional<std::string>& seed)
{
    auto field = std::make_shared<FieldData>();
    field->width = static_cast<int>(std::clamp<std::int64_t>(width, 0, MusselBed::MaxCells + 1));
    field->height = static_cast<int>(std::clamp<std::int64_t>(height, 0, MusselBed::MaxCells + 1));
    if (field->width == width && field->height == height)
        field->codes = std::move(codes);
    std::string error;
    if (!checkFieldCodes(field->width, field->height, field->codes, MusselBed::MaxCells, &error))
        throw BatchError("field: " + error);
    const ModelOptions options = readOptions(seed ? Arguments{"--seed", *seed} : Arguments{});
    layDown({PatternKind::File, {}, std::move(field)}, options);
}

void LiveSession::set(const std::string& option, const std::string& text)
{
    const RunConfig value = readOptions({option, text}).config;
    ModelParameters& parameters = bed_->parameters();
    if (option == "--a2") {
        parameters.setcolonization(config_.a2 = value.a2);
    } else if (option == "--a0") {
        parameters.setneighbourcoupling(config_.a0 = value.a0);
    } else if (option == "--d0") {
        parameters.setoceanforcing(config_.d0 = value.d0);
    } else if (option == "--a3") {
        parameters.setmaturing(config_.a3 = value.a3);
    } else if (option == "--a4") {
        parameters.setpredation(config_.a4 = value.a4);
    } else if (option == "--jump") {
        parameters.setjumpdistance(config_.jump = value.jump);
    } else if (option == "--long-range") {
        parameters.setlongrange(config_.longRange = value.longRange);
    } else if (option == "--boundary") {
        parameters.randbedingungaendern(config_.periodic = value.periodic);
    } else if (option == "--scheme") {
        parameters.updatemethodeaendern(config_.scheme = value.scheme);
    } else {
        throw BatchError(option + " cannot change on a bed");
    }
}

void LiveSession::layDown(const Pattern& pattern, const ModelOptions& options)
{
    if (options.seedGiven) {
        bed_->reseed(options.config.seed);
        config_.seed = options.config.seed;
    }
    bed_->layDown(pattern);
    config_.width = bed_->cellsX();
    config_.height = bed_->cellsY();
    stepCount = 0;
}
