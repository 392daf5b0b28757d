// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include "batcherror.h"
#include "printable.h"
#include "numbers.h"
#include "patchsettings.h"
#include "imageformats.h"
#include "seeding.h"
#include "sweepsettings.h"
#include "values.h"

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

constexpr std::array<OptionSpec, 49> Options = {{
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
    {"--stop-when", true, OptionGroup::Model},
    {"--quiet", false, OptionGroup::Model},
    {"--counts", true, OptionGroup::Record},
    {"--counts-every", true, OptionGroup::Record},
    {"--snapshots", true, OptionGroup::Record},
    {"--snapshot-every", true, OptionGroup::Record},
    {"--snapshot-pictures", false, OptionGroup::Record},
    {"--cell-size", true, OptionGroup::Record},
    {"--plot", true, OptionGroup::Record},
    {"--plot-states", true, OptionGroup::Record},
    {"--legend", false, OptionGroup::RunOutput},
    {"--palette", true, OptionGroup::Record},
    {"--patterns", true, OptionGroup::Record},
    {"--plot-patches", true, OptionGroup::Record},
    {"--patterns-every", true, OptionGroup::Record},
    {"--patch-class", true, OptionGroup::Record},
    {"--neighbourhood", true, OptionGroup::Record},
    {"--coarse-grain", true, OptionGroup::Record},
    {"--xmin", true, OptionGroup::Record},
    {"--min-tail", true, OptionGroup::Record},
    {"--progress", true, OptionGroup::Record},
    {"--field", true, OptionGroup::RunOutput},
    {"--picture", true, OptionGroup::RunOutput},
    {"--save-state", true, OptionGroup::RunOutput},
    {"--from-state", true, OptionGroup::RunOutput},
    {"--vary", true, OptionGroup::Sweep},
    {"--design", true, OptionGroup::Sweep},
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

// The keyword name of an option: --long-range -> long_range.
std::string keyOf(const std::string& option)
{
    std::string key = option.substr(2);
    std::replace(key.begin(), key.end(), '-', '_');
    return key;
}

std::int64_t wholeNumber(const Argument& argument, std::int64_t low, std::int64_t high)
{
    return readWhole(argument.value, low, high, argument.name);
}

// An output's file name. An empty one is refused rather than taken as the
// output not asked for, which would silently write nothing.
std::string outputPath(const Argument& argument)
{
    if (argument.value.empty())
        throw BatchError(argument.name + ": the file name is empty");
    return argument.value;
}

// Applies a model option; false when the option is not one of them.
bool applyModelOption(const Argument& argument, ModelOptions& model)
{
    return setModelValue(model, keyOf(argument.name), argument.value, argument.name);
}

// Applies an option of the patches; false when it is not one of them.
bool applyPatchOption(const Argument& argument, RecordOptions& record)
{
    const std::string& name = argument.name;
    if (name == "--patterns") {
        record.patternsPath = outputPath(argument);
    } else if (name == "--plot-patches") {
        record.patchPlotPath = outputPath(argument);
        if (!plotFormatFor(record.patchPlotPath))
            throw BatchError("--plot-patches: " + inQuotes(record.patchPlotPath)
                             + " does not end in .png or .svg, which choose the plot's format");
    } else {
        return setPatchSetting(record, name, argument.value, name);
    }
    return true;
}

ProgressChoice progressChoice(const Argument& argument)
{
    return static_cast<ProgressChoice>(readChoice(argument.value, {"auto", "always", "never"}, argument.name));
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
    else if (name == "--plot-states")
        record.style.plotLines = parsePlotLines(argument.value, name);
    else if (name == "--palette")
        record.style.palette = static_cast<Palette>(readChoice(argument.value, {PaletteNames[0], PaletteNames[1]}, name));
    else if (name == "--progress")
        record.progress = progressChoice(argument);
    else if (applyPatchOption(argument, record))
        record.patches = true;
    else
        return false;
    return true;
}

// What the record options refuse together, once all are read; picture: a
// run's --picture is given.
void checkRecordOptions(RecordOptions& record, const std::set<std::string>& given, bool picture = false)
{
    auto needs = [&](const char* option, const char* needed, bool present) {
        if (given.count(option) && !present)
            throw BatchError(std::string(option) + " needs " + needed);
    };
    needs("--counts-every", "--counts PATH", !record.countsPath.empty());
    needs("--snapshot-every", "--snapshots DIR", !record.snapshotsDir.empty());
    needs("--snapshot-pictures", "--snapshots DIR", !record.snapshotsDir.empty());
    needs("--plot-states", "--plot PATH", !record.plotPath.empty());
    const bool pictures = picture || record.snapshotPictures;
    needs("--legend", "a field picture (--picture or --snapshot-pictures)", pictures);
    needs("--palette", "a picture or a plot to colour", pictures || !record.plotPath.empty());
    completePatchSettings(record);
    if (!record.plotPath.empty() && !plotFormatFor(record.plotPath))
        throw BatchError("--plot: " + inQuotes(record.plotPath)
                         + " does not end in .png or .svg, which choose the plot's format");
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
        else if (name == "--legend")
            options.record.style.legend = true;
        else if (name == "--save-state")
            options.saveStatePath = outputPath(argument);
        else if (name == "--from-state")
            options.fromStatePath = outputPath(argument);
    }
    if (!options.fromStatePath.empty())
        for (const char* option : {"--width", "--height", "--pattern", "--seed", "--mode"})
            if (given.count(option))
                throw BatchError(std::string(option) + " comes from the state file of --from-state; leave it out");
    options.given = given;
    checkModelOptions(options.model, optionName);
    checkRecordOptions(options.record, given, !options.picturePath.empty());
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
        if (setSweepValue(options, keyOf(name), argument.value, name))
            continue;
        if (name == "--quiet") {
            options.quiet = true;
        } else if (name == "--vary") {
            addVariation(options, parseVariation(argument.value), optionName);
        } else if (name == "--design") {
            options.designPath = outputPath(argument);
        } else if (name == "--task") {
            options.task = parseTask(argument.value, "--task");
        } else if (name == "--summary") {
            options.summaryPath = outputPath(argument);
        } else if (name == "--resume") {
            options.resume = true;
        }
    }
    checkModelOptions(options.model, optionName);
    checkRecordOptions(options.record, given);
    if (given.count("--cell-size") && !options.record.snapshotPictures)
        throw BatchError("--cell-size sizes the pictures of --snapshot-pictures, which is not given");
    std::set<std::string> keys;
    for (const std::string& name : given)
        keys.insert(keyOf(name));
    checkSweepOptions(options, keys, optionName);
    if (options.summaryPath.empty())
        throw BatchError("a sweep needs --summary PATH (or - for standard output)");
    if (!options.designPath.empty() && !options.variations.empty())
        throw BatchError("--design and --vary are both given: a design's columns name every varied setting");
    if (!options.designPath.empty() && !options.record.plotPath.empty())
        throw BatchError("--plot draws the grid of --vary; draw a design's runs from its summary");
    return options;
}
