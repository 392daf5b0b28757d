// SPDX-License-Identifier: GPL-3.0-or-later
#include "livesession.h"

#include "batcherror.h"
#include "fieldcodes.h"
#include "memoryneed.h"
#include "fastbed.h"
#include "values.h"
#include "modelparameters.h"
#include "musselbed.h"
#include "randomseed.h"
#include "settings.h"
#include "simulation.h"
#include "statefile.h"
#include "summary.h"

#include <algorithm>
#include <atomic>

namespace {

// A drawn seed, never the one drawn for the session made just before.
std::int32_t newSeed()
{
    static std::atomic<std::int32_t> last{0};
    const std::int32_t seed = drawSeed(last.load());
    last = seed;
    return seed;
}

} // namespace

LiveSession::LiveSession(const ModelOptions& options)
    : config_(options.config), threads_(options.threads)
{
    if (!options.seedGiven)
        config_.seed = newSeed();
    refuseBeyondMemory(runBytes(config_, threads_), bedSize(config_));
    bed_ = makeLiveBed(config_, threads_);
}

LiveSession::LiveSession(const SavedRun& saved, int threads)
    : threads_(threads)
{
    bed_ = continueBed(saved, config_, {}, threads_);
    stepCount = saved.step;
    // The draws since seeding, as far as the step count tells them.
    drawsSinceSeed = saved.step * leastDrawsPerStep(config_.scheme, bed_->cellsX(), bed_->cellsY());
    periodPassed = config_.mode == EngineMode::Exact && drawsSinceSeed > GeneratorPeriod;
}

std::string LiveSession::state() const
{
    return encodeState({bed_->state(), stepCount, config_.seed});
}

void LiveSession::advance()
{
    bed_->advance();
    ++stepCount;
    // The fast engine's generators have no period to pass.
    if (config_.mode != EngineMode::Exact || periodPassed)
        return;
    drawsSinceSeed += leastDrawsPerStep(config_.scheme, bed_->cellsX(), bed_->cellsY());
    periodPassed = drawsSinceSeed > GeneratorPeriod;
}

void LiveSession::edit(std::int64_t x, std::int64_t y, std::int64_t state, int origin)
{
    if (state < -1 || state > 3)
        throw BatchError("state: " + std::to_string(state) + " is not a cell state (-1, 0, 1, 2 or 3)");
    const int width = bed_->cellsX(), height = bed_->cellsY();
    if (x < origin || y < origin || x - origin >= width || y - origin >= height)
        throw BatchError("(" + std::to_string(x) + ", " + std::to_string(y) + ") lies outside the "
                         + std::to_string(width) + " x " + std::to_string(height) + " field");
    bed_->edit(static_cast<int>(x - origin), static_cast<int>(y - origin), static_cast<Cell>(state));
}

void LiveSession::reset(const Value& pattern, const std::optional<Value>& seed)
{
    const Pattern start = readPattern(pattern, "pattern");
    if (start.kind == PatternKind::File)
        throw BatchError("pattern: " + quoted(pattern) + " is not young or line (give a field as an array)");
    layDown(start, seed);
}

void LiveSession::resetField(std::int64_t width, std::int64_t height, std::vector<Cell> codes,
                             const std::optional<Value>& seed)
{
    auto field = std::make_shared<FieldData>();
    field->width = static_cast<int>(std::clamp<std::int64_t>(width, 0, FastBed::MaxCells + 1));
    field->height = static_cast<int>(std::clamp<std::int64_t>(height, 0, FastBed::MaxCells + 1));
    if (field->width == width && field->height == height)
        field->codes = std::move(codes);
    std::string error;
    if (!checkFieldCodes(field->width, field->height, field->codes, maxCells(config_.mode), &error))
        throw BatchError("field: " + error);
    layDown({PatternKind::File, {}, std::move(field), {}}, seed);
}

void LiveSession::set(const std::string& key, const Value& given)
{
    ModelOptions options;
    if (key == "width" || key == "height" || key == "seed" || key == "mode" || key == "threads"
        || key == "pattern" || key == "steps" || !setModelValue(options, key, given, key))
        throw BatchError(key + " cannot change on a bed");
    const RunConfig& value = options.config;
    ModelParameters& parameters = bed_->parameters();
    if (key == "a2") {
        parameters.recolonization = probabilityFromMillionths(config_.a2 = value.a2);
    } else if (key == "a0") {
        parameters.neighbourCoupling = probabilityFromMillionths(config_.a0 = value.a0);
    } else if (key == "d0") {
        parameters.oceanForcing = probabilityFromMillionths(config_.d0 = value.d0);
    } else if (key == "a3") {
        parameters.maturing = probabilityFromMillionths(config_.a3 = value.a3);
    } else if (key == "a4") {
        parameters.predation = probabilityFromMillionths(config_.a4 = value.a4);
    } else if (key == "jump") {
        parameters.setjumpdistance(config_.jump = value.jump);
    } else if (key == "long_range") {
        parameters.setlongrange(config_.longRange = value.longRange);
    } else if (key == "boundary") {
        parameters.randbedingungaendern(config_.periodic = value.periodic);
    } else if (key == "scheme") {
        parameters.updatemethodeaendern(config_.scheme = value.scheme);
    }
}

void LiveSession::layDown(const Pattern& pattern, const std::optional<Value>& seed)
{
    if (seed) {
        const std::int32_t start = readSeed(*seed, "seed");
        bed_->reseed(start);
        config_.seed = start;
        drawsSinceSeed = 0;
    }
    bed_->layDown(pattern);
    config_.width = bed_->cellsX();
    config_.height = bed_->cellsY();
    stepCount = 0;
}
