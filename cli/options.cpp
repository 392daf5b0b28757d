// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include "batcherror.h"
#include "printable.h"
#include "numbers.h"
#include "imageformats.h"
#include "seeding.h"

#include "musselbed.h"

#include <algorithm>
#include <array>
#include <set>

namespace {

struct Argument {
    std::string name;  // with the leading "--"
    std::string value;
};

enum class OptionGroup { Model, Record, RunOutput, Sweep };

struct OptionSpec {
    std::string_view name;
    bool takesValue;
    OptionGroup group;
};

constexpr std::array<OptionSpec, 33> Options = {{
    {"--width", true, OptionGroup::Model},
    {"--height", true, OptionGroup::Model},
    {"--scheme", true, OptionGroup::Model},
    {"--pattern", true, OptionGroup::Model},
    {"--a2", true, OptionGroup::Model},
    {"--a0", true, OptionGroup::Model},
    {"--d0", true, OptionGroup::Model},
    {"--a3", true, OptionGroup::Model},
    {"--a4", true, OptionGroup::Model},
    {"--jump", true, OptionGroup::Model},
    {"--long-range", true, OptionGroup::Model},
    {"--boundary", true, OptionGroup::Model},
    {"--seed", true, OptionGroup::Model},
    {"--steps", true, OptionGroup::Model},
    {"--mode", true, OptionGroup::Model},
    {"--threads", true, OptionGroup::Model},
    {"--quiet", false, OptionGroup::Model},
    {"--counts", true, OptionGroup::Record},
    {"--counts-every", true, OptionGroup::Record},
    {"--snapshots", true, OptionGroup::Record},
    {"--snapshot-every", true, OptionGroup::Record},
    {"--snapshot-pictures", false, OptionGroup::Record},
    {"--cell-size", true, OptionGroup::Record},
    {"--plot", true, OptionGroup::Record},
    {"--field", true, OptionGroup::RunOutput},
    {"--picture", true, OptionGroup::RunOutput},
    {"--vary", true, OptionGroup::Sweep},
    {"--replicates", true, OptionGroup::Sweep},
    {"--jobs", true, OptionGroup::Sweep},
    {"--task", true, OptionGroup::Sweep},
    {"--summary", true, OptionGroup::Sweep},
    {"--resume", false, OptionGroup::Sweep},
    {"--burn-in", true, OptionGroup::Sweep},
}};

const OptionSpec* findOption(std::string_view name)
{
    for (const OptionSpec& entry : Options)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

bool wantsHelp(const std::vector<std::string>& arguments)
{
    return std::any_of(arguments.begin(), arguments.end(),
                       [](const std::string& argument) { return argument == "--help" || argument == "-h"; });
}

// Splits the arguments into options with their values, refusing unknown
// options, options of the other command, missing values and repeats.
std::vector<Argument> tokenize(const std::vector<std::string>& arguments, bool sweep)
{
    std::vector<Argument> result;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& text = arguments[i];
        if (text.rfind("--", 0) != 0) {
            if (text == "sweep")
                throw BatchError("'sweep' must come first: tidmar-batch sweep [options]");
            if (text.size() > 1 && text[0] == '-')
                throw BatchError("unknown option " + inQuotes(text) + " (see --help)");
            throw BatchError("unexpected argument " + inQuotes(text) + " (options start with --; see --help)");
        }
        const auto equals = text.find('=');
        Argument argument{text.substr(0, equals), {}};
        const OptionSpec* entry = findOption(argument.name);
        if (!entry)
            throw BatchError("unknown option " + inQuotes(argument.name) + " (see --help)");
        if (entry->group == OptionGroup::Sweep && !sweep)
            throw BatchError(argument.name + " belongs to sweeps: tidmar-batch sweep ... " + argument.name
                             + " ...");
        if (entry->group == OptionGroup::RunOutput && sweep)
            throw BatchError(argument.name + " is for single runs; a sweep writes --summary (and --counts, "
                             "--snapshots), and any of its runs can be repeated alone with its seed and parameters");
        if (entry->takesValue) {
            if (equals != std::string::npos)
                argument.value = text.substr(equals + 1);
            else if (i + 1 < arguments.size())
                argument.value = arguments[++i];
            else
                throw BatchError(argument.name + " needs a value");
        } else if (equals != std::string::npos) {
            throw BatchError(argument.name + " takes no value");
        }
        if (argument.name != "--vary" && !seen.insert(argument.name).second)
            throw BatchError(argument.name + " is given twice");
        result.push_back(std::move(argument));
    }
    return result;
}

[[noreturn]] void refuse(const Argument& argument, const std::string& expected)
{
    throw BatchError(argument.name + ": " + inQuotes(argument.value) + " is not " + expected);
}

std::int64_t wholeNumber(const Argument& argument, std::int64_t low, std::int64_t high)
{
    if (const auto value = parseInteger(argument.value, low, high))
        return *value;
    refuse(argument, "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
}

int probability(const Argument& argument)
{
    if (const auto value = parseThousandths(argument.value))
        return *value;
    refuse(argument, "a probability from 0 to 1 with at most three decimals");
}

// An output's file name. An empty one is refused rather than taken as the
// output not asked for, which would silently write nothing.
std::string outputPath(const Argument& argument)
{
    if (argument.value.empty())
        throw BatchError(argument.name + ": the file name is empty");
    return argument.value;
}

bool choice(const Argument& argument, std::string_view yes, std::string_view no)
{
    if (argument.value == yes)
        return true;
    if (argument.value == no)
        return false;
    refuse(argument, std::string(yes) + " or " + std::string(no));
}

// Applies a model option; false when the option is not one of them.
bool applyModelOption(const Argument& argument, ModelOptions& model)
{
    RunConfig& config = model.config;
    const std::string& name = argument.name;
    if (name == "--width") {
        config.width = static_cast<int>(wholeNumber(argument, 1, MusselBed::MaxCells));
        model.widthGiven = true;
    } else if (name == "--height") {
        config.height = static_cast<int>(wholeNumber(argument, 1, MusselBed::MaxCells));
        model.heightGiven = true;
    } else if (name == "--scheme") {
        const auto found = std::find(std::begin(SchemeNames), std::end(SchemeNames), argument.value);
        if (found == std::end(SchemeNames))
            refuse(argument, "one of sync, async-uc, async-nrs");
        config.scheme = static_cast<int>(found - std::begin(SchemeNames));
    } else if (name == "--pattern") {
        if (argument.value == "young") {
            config.pattern = {PatternKind::Young, {}, {}};
        } else if (argument.value == "line") {
            config.pattern = {PatternKind::Line, {}, {}};
        } else if (argument.value.empty()) {
            refuse(argument, "young, line or the name of a CSV file");
        } else {
            config.pattern = {PatternKind::File, argument.value, {}};
        }
    } else if (name == "--a2") {
        config.a2 = probability(argument);
    } else if (name == "--a0") {
        config.a0 = probability(argument);
    } else if (name == "--d0") {
        config.d0 = probability(argument);
    } else if (name == "--a3") {
        config.a3 = probability(argument);
    } else if (name == "--a4") {
        config.a4 = probability(argument);
    } else if (name == "--jump") {
        config.jump = static_cast<int>(wholeNumber(argument, 0, MaxJump));
    } else if (name == "--long-range") {
        config.longRange = choice(argument, "on", "off");
    } else if (name == "--boundary") {
        config.periodic = choice(argument, "periodic", "closed");
    } else if (name == "--seed") {
        const auto seed = parseInteger(argument.value, 0, MaxSeed);
        if (!seed)
            refuse(argument, "a whole number from 0 to " + std::to_string(MaxSeed)
                                 + " (2147483647 is the generator's modulus)");
        config.seed = static_cast<std::int32_t>(*seed);
        model.seedGiven = true;
    } else if (name == "--steps") {
        config.steps = wholeNumber(argument, 0, 2147483647);
    } else if (name == "--mode") {
        config.mode = choice(argument, "exact", "fast") ? EngineMode::Exact : EngineMode::Fast;
    } else if (name == "--threads") {
        model.threads = static_cast<int>(wholeNumber(argument, 1, MaxThreads));
        model.threadsGiven = true;
    } else {
        return false;
    }
    return true;
}

// Applies an option of what runs record; false when it is not one of them.
bool applyRecordOption(const Argument& argument, RecordOptions& record)
{
    const std::string& name = argument.name;
    if (name == "--counts")
        record.countsPath = outputPath(argument);
    else if (name == "--counts-every")
        record.countsEvery = wholeNumber(argument, 1, 2147483647);
    else if (name == "--snapshots")
        record.snapshotsDir = outputPath(argument);
    else if (name == "--snapshot-every")
        record.snapshotEvery = wholeNumber(argument, 1, 2147483647);
    else if (name == "--snapshot-pictures")
        record.snapshotPictures = true;
    else if (name == "--cell-size")
        record.cellSize = static_cast<int>(wholeNumber(argument, 1, MaxCellSize));
    else if (name == "--plot")
        record.plotPath = outputPath(argument);
    else
        return false;
    return true;
}

// What the record options refuse together, once all are read.
void checkRecordOptions(const RecordOptions& record, const std::set<std::string>& given)
{
    auto needs = [&](const char* option, const char* needed, bool present) {
        if (given.count(option) && !present)
            throw BatchError(std::string(option) + " needs " + needed);
    };
    needs("--counts-every", "--counts PATH", !record.countsPath.empty());
    needs("--snapshot-every", "--snapshots DIR", !record.snapshotsDir.empty());
    needs("--snapshot-pictures", "--snapshots DIR", !record.snapshotsDir.empty());
    if (!record.plotPath.empty() && !plotFormatFor(record.plotPath))
        throw BatchError("--plot: '" + record.plotPath + "' does not end in .png or .svg, which choose the plot's format");
}

// What the model options refuse together, once all are read.
void checkModelOptions(const ModelOptions& model)
{
    if (model.threadsGiven && model.config.mode == EngineMode::Exact)
        throw BatchError("--threads is for --mode fast: the exact engine performs every step on one thread");
}

} // namespace

TaskSplit parseTask(std::string_view text, const std::string& option)
{
    const auto slash = text.find('/');
    std::optional<std::int64_t> count;
    std::optional<std::int64_t> index;
    if (slash != std::string_view::npos) {
        count = parseInteger(text.substr(slash + 1), 1, 2147483647);
        index = parseInteger(text.substr(0, slash), 0, count ? *count - 1 : 0);
    }
    if (!count || !index)
        throw BatchError(option + ": " + inQuotes(text) + " is not I/K (part I of K parts, 0 <= I < K)");
    return {*index, *count};
}

RunOptions parseRunOptions(const std::vector<std::string>& arguments)
{
    RunOptions options;
    if (wantsHelp(arguments)) {
        options.help = true;
        return options;
    }
    std::set<std::string> given;
    for (const Argument& argument : tokenize(arguments, false)) {
        given.insert(argument.name);
        if (applyModelOption(argument, options.model) || applyRecordOption(argument, options.record))
            continue;
        const std::string& name = argument.name;
        if (name == "--quiet")
            options.quiet = true;
        else if (name == "--field")
            options.fieldPath = outputPath(argument);
        else if (name == "--picture")
            options.picturePath = outputPath(argument);
    }
    checkModelOptions(options.model);
    checkRecordOptions(options.record, given);
    if (!options.picturePath.empty() && !pictureFormatFor(options.picturePath))
        throw BatchError("--picture: " + inQuotes(options.picturePath)
                         + " does not end in .png, .jpg or .jpeg, which choose the picture's format");
    return options;
}

SweepOptions parseSweepOptions(const std::vector<std::string>& arguments)
{
    SweepOptions options;
    if (wantsHelp(arguments)) {
        options.help = true;
        return options;
    }
    options.arguments = arguments;
    std::set<std::string> given;
    for (const Argument& argument : tokenize(arguments, true)) {
        given.insert(argument.name);
        options.given.emplace_back(argument.name, argument.value);
        if (applyModelOption(argument, options.model) || applyRecordOption(argument, options.record))
            continue;
        const std::string& name = argument.name;
        if (name == "--quiet") {
            options.quiet = true;
        } else if (name == "--vary") {
            Variation variation = parseVariation(argument.value);
            for (const Variation& earlier : options.variations)
                if (earlier.name == variation.name)
                    throw BatchError("--vary " + std::string(varyNameText(variation.name)) + " is given twice");
            options.variations.push_back(std::move(variation));
        } else if (name == "--replicates") {
            options.replicates = wholeNumber(argument, 1, 2147483647);
        } else if (name == "--jobs") {
            options.jobs = static_cast<int>(wholeNumber(argument, 1, MaxJobs));
        } else if (name == "--task") {
            options.task = parseTask(argument.value, "--task");
        } else if (name == "--summary") {
            options.summaryPath = outputPath(argument);
        } else if (name == "--resume") {
            options.resume = true;
        } else if (name == "--burn-in") {
            options.burnIn = wholeNumber(argument, 0, 2147483647);
        }
    }
    checkModelOptions(options.model);
    checkRecordOptions(options.record, given);
    if (given.count("--cell-size") && !options.record.snapshotPictures)
        throw BatchError("--cell-size sizes the pictures of --snapshot-pictures, which is not given");
    if (options.burnIn)
        for (std::int64_t steps : stepCounts(options.model.config, options.variations))
            if (*options.burnIn >= steps)
                throw BatchError("--burn-in " + std::to_string(*options.burnIn) + " leaves no step to measure in a run of "
                                 + std::to_string(steps) + " steps: the window is the steps after the burn-in");
    for (const Variation& variation : options.variations)
        if (given.count(varyOption(variation.name)))
            throw BatchError(varyOption(variation.name) + " and --vary " + std::string(varyNameText(variation.name))
                             + " are both given; keep one");
    // Seeds 0 and 1 start the generator alike (it cannot start from 0), so
    // runs 0 and 1 of a sweep from seed 0 would not be independent.
    if (options.model.seedGiven && options.model.config.seed == 0)
        throw BatchError("--seed: a sweep's seeds start at 1 or above (0 draws the same numbers as 1)");
    if (options.summaryPath.empty())
        throw BatchError("a sweep needs --summary PATH (or - for standard output)");
    return options;
}
