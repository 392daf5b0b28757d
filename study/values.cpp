// SPDX-License-Identifier: GPL-3.0-or-later
#include "values.h"

#include "batcherror.h"
#include "fastbed.h"
#include "musselbed.h"
#include "numbers.h"
#include "printable.h"
#include "seeding.h"
#include "settings.h"
#include "stopcondition.h"

#include <charconv>
#include <cmath>

namespace {

// A double within this distance of a millionth is taken as that millionth.
constexpr double ProbabilityTolerance = 1e-9;

[[noreturn]] void refuse(const Value& value, const std::string& name, const std::string& expected)
{
    throw BatchError(name + ": " + quoted(value) + " is not " + expected);
}

const std::string* text(const Value& value)
{
    return std::get_if<std::string>(&value);
}

std::optional<std::int64_t> wholeOf(const Value& value, std::int64_t low, std::int64_t high)
{
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return *number >= low && *number <= high ? std::optional(*number) : std::nullopt;
    if (const auto* number = std::get_if<double>(&value)) {
        if (!(*number >= static_cast<double>(low) && *number <= static_cast<double>(high))
            || *number != std::floor(*number))
            return std::nullopt;
        return static_cast<std::int64_t>(*number);
    }
    if (const auto* digits = text(value))
        return parseInteger(*digits, low, high);
    return std::nullopt;
}

std::optional<int> millionthsIn(const Value& value)
{
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return *number == 0 || *number == 1 ? std::optional(static_cast<int>(*number) * 1000000) : std::nullopt;
    if (const auto* number = std::get_if<double>(&value)) {
        if (!(*number >= -ProbabilityTolerance && *number <= 1 + ProbabilityTolerance))
            return std::nullopt;
        const double millionths = std::round(*number * 1e6);
        if (std::fabs(*number - millionths / 1e6) > ProbabilityTolerance)
            return std::nullopt;
        return static_cast<int>(millionths);
    }
    if (const auto* digits = text(value))
        return parseMillionths(*digits);
    return std::nullopt;
}

} // namespace

std::string quoted(const Value& value)
{
    if (const auto* flag = std::get_if<bool>(&value))
        return inQuotes(*flag ? "true" : "false");
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return inQuotes(std::to_string(*number));
    if (const auto* number = std::get_if<double>(&value)) {
        // The shortest digits that read back alike, in exponent form only
        // for large and small values, as Python and R print them.
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, *number, std::chars_format::general).ptr;
        return inQuotes(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
    }
    return inQuotes(std::get<std::string>(value));
}

std::int64_t readWhole(const Value& value, std::int64_t low, std::int64_t high, const std::string& name)
{
    if (const auto whole = wholeOf(value, low, high))
        return *whole;
    refuse(value, name, "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
}

int readProbability(const Value& value, const std::string& name)
{
    if (const auto millionths = millionthsIn(value))
        return *millionths;
    refuse(value, name, ProbabilityExpected);
}

int readChoice(const Value& value, std::initializer_list<std::string_view> names, const std::string& name)
{
    // "on or off" for two names, "one of sync, async-uc, async-nrs" for more.
    int index = 0;
    std::string expected = names.size() > 2 ? "one of " : "";
    for (std::string_view choice : names) {
        if (const auto* given = text(value); given && *given == choice)
            return index;
        expected += (index == 0 ? "" : names.size() > 2 ? ", " : " or ") + std::string(choice);
        ++index;
    }
    refuse(value, name, expected);
}

bool readOnOff(const Value& value, const std::string& name)
{
    if (const auto* flag = std::get_if<bool>(&value))
        return *flag;
    return readChoice(value, {"on", "off"}, name) == 0;
}

std::int32_t readSeed(const Value& value, const std::string& name)
{
    // Seeds 0 and 1 start the generator alike (it cannot start from 0), so
    // runs from seeds 0 and 1 would not be independent.
    if (wholeOf(value, 0, 0))
        throw BatchError(name + ": seeds start at 1 or above (0 draws the same numbers as 1)");
    if (const auto seed = wholeOf(value, 1, MaxSeed))
        return static_cast<std::int32_t>(*seed);
    refuse(value, name, "a whole number from 1 to " + std::to_string(MaxSeed)
                            + " (2147483647 is the generator's modulus)");
}

Pattern readPattern(const Value& value, const std::string& name)
{
    const auto* given = text(value);
    if (!given || given->empty())
        refuse(value, name, "young, line, random:STATE=FRACTION,... or the name of a CSV file");
    try {
        return parsePattern(*given);
    } catch (const BatchError& error) {
        throw BatchError(name + ": " + error.what());
    }
}

bool setModelValue(ModelOptions& model, std::string_view key, const Value& value, const std::string& name)
{
    RunConfig& config = model.config;
    if (key == "width") {
        config.width = static_cast<int>(readWhole(value, 1, FastBed::MaxCells, name));
        model.widthGiven = true;
    } else if (key == "height") {
        config.height = static_cast<int>(readWhole(value, 1, FastBed::MaxCells, name));
        model.heightGiven = true;
    } else if (key == "scheme") {
        config.scheme = readChoice(value, {SchemeNames[0], SchemeNames[1], SchemeNames[2]}, name);
    } else if (key == "pattern") {
        config.pattern = readPattern(value, name);
    } else if (key == "a2") {
        config.a2 = readProbability(value, name);
    } else if (key == "a0") {
        config.a0 = readProbability(value, name);
    } else if (key == "d0") {
        config.d0 = readProbability(value, name);
    } else if (key == "a3") {
        config.a3 = readProbability(value, name);
    } else if (key == "a4") {
        config.a4 = readProbability(value, name);
    } else if (key == "jump") {
        config.jump = static_cast<int>(readWhole(value, 0, MaxJump, name));
    } else if (key == "long_range") {
        config.longRange = readOnOff(value, name);
    } else if (key == "boundary") {
        config.periodic = readChoice(value, {"periodic", "closed"}, name) == 0;
    } else if (key == "seed") {
        config.seed = readSeed(value, name);
        model.seedGiven = true;
    } else if (key == "steps") {
        config.steps = readWhole(value, 0, 2147483647, name);
    } else if (key == "mode") {
        config.mode = readChoice(value, {"exact", "fast"}, name) == 0 ? EngineMode::Exact : EngineMode::Fast;
    } else if (key == "stop_when") {
        const auto* given = text(value);
        const auto condition = given ? stopConditionIndex(*given) : std::nullopt;
        if (!condition)
            refuse(value, name, "one of " + stopConditionNames());
        config.stopWhen = *condition;
    } else if (key == "threads") {
        model.threads = static_cast<int>(readWhole(value, 1, MaxThreads, name));
        model.threadsGiven = true;
    } else {
        return false;
    }
    return true;
}

std::string optionName(std::string_view key)
{
    std::string name = "--" + std::string(key);
    for (char& c : name)
        if (c == '_')
            c = '-';
    return name;
}

std::string keywordName(std::string_view key)
{
    return std::string(key);
}

int maxCells(EngineMode mode)
{
    return mode == EngineMode::Exact ? MusselBed::MaxCells : FastBed::MaxCells;
}

std::string exactSizeRefusal(int width, int height)
{
    if (width <= MusselBed::MaxCells && height <= MusselBed::MaxCells)
        return {};
    return "the exact engine takes fields of at most " + std::to_string(MusselBed::MaxCells)
           + " cells a side (a larger one would soon pass its generator's period); fast mode takes up to "
           + std::to_string(FastBed::MaxCells);
}

void checkModelOptions(const ModelOptions& model, SettingName nameOf)
{
    const RunConfig& config = model.config;
    if (config.mode == EngineMode::Exact) {
        const bool wide = config.width > MusselBed::MaxCells;
        if (const std::string refusal = exactSizeRefusal(config.width, config.height); !refusal.empty())
            throw BatchError(nameOf(wide ? "width" : "height") + " "
                             + std::to_string(wide ? config.width : config.height) + ": " + refusal);
    }
    if (model.threadsGiven && model.config.mode == EngineMode::Exact)
        throw BatchError(nameOf("threads") + " is for " + nameOf("mode")
                         + " fast: the exact engine performs every step on one thread");
}
