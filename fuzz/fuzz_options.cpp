// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the command line of both commands, parsed only. Nothing is
// run and no file is opened.
//
// The input is a list of arguments separated by NUL bytes or, when it holds
// none, by line ends (one final separator ends the last argument). Arguments
// SLURM_ARRAY_TASK_*=VALUE are taken out as the job array's environment. The
// single-run parser sees the arguments, the sweep parser sees them without a
// leading "sweep".
//
// Every input must be parsed or refused with a BatchError, and what is
// accepted must hold together:
//  - every value lies in its documented range;
//  - --threads comes only with --mode fast;
//  - the options written back in one canonical spelling parse the same;
//  - an output named on the command line is written somewhere;
//  - a sweep's plan has as many runs as the product of its lists and its
//    replicates, refusing only counts whose seeds would pass MaxSeed; its
//    task's part takes every count-th run; and for a few runs of the part,
//    the run takes the right value of each list, and its summary row, read
//    back as one-run options, gives the same configuration.

#include "batcherror.h"
#include "fastbed.h"
#include "numbers.h"
#include "options.h"
#include "imageformats.h"
#include "seeding.h"
#include "summary.h"
#include "sweepplan.h"
#include "variation.h"

#include "fuzzcheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A sweep's first seed as the clock gives one today, where --seed is left out.
constexpr std::int32_t ClockSeed = 1700000000;

// Runs of a part whose configuration is checked, from each end of it.
constexpr std::int64_t SampledRuns = 6;

struct Input {
    std::vector<std::string> arguments;
    std::map<std::string, std::string> environment;
};

Input splitInput(std::string_view bytes)
{
    const char separator = bytes.find('\0') != std::string_view::npos ? '\0' : '\n';
    Input input;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find(separator, start);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string argument(bytes.substr(start, end - start));
        const auto equals = argument.find('=');
        if (argument.rfind("SLURM_ARRAY_TASK_", 0) == 0 && equals != std::string::npos)
            input.environment[argument.substr(0, equals)] = argument.substr(equals + 1);
        else
            input.arguments.push_back(argument);
        start = end + 1;
    }
    return input;
}

// The refusal of a parse that must succeed, shown before the check aborts.
template <typename Parse>
auto mustParse(const std::vector<std::string>& arguments, Parse parse)
{
    try {
        return parse(arguments);
    } catch (const BatchError& error) {
        std::fprintf(stderr, "refused: %s\narguments:", error.what());
        for (const std::string& argument : arguments)
            std::fprintf(stderr, " [%s]", argument.c_str());
        std::fputc('\n', stderr);
        FUZZ_CHECK(!"a canonical command line is refused");
        throw;
    }
}

// The option names given, as the parser tokenizes an accepted command line.
std::multiset<std::string> givenNames(const std::vector<std::string>& arguments)
{
    std::multiset<std::string> names;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const auto equals = argument.find('=');
        names.insert(argument.substr(0, equals));
        if (equals == std::string::npos && argument != "--quiet" && argument != "--snapshot-pictures")
            ++i;
    }
    return names;
}

bool isProbability(int millionths)
{
    return millionths >= 0 && millionths <= 1000000 && parseMillionths(formatMillionths(millionths)) == millionths;
}

void checkConfig(const RunConfig& config)
{
    FUZZ_CHECK(config.width >= 1 && config.width <= FastBed::MaxCells);
    FUZZ_CHECK(config.height >= 1 && config.height <= FastBed::MaxCells);
    FUZZ_CHECK(config.scheme >= 0 && config.scheme <= 2);
    for (int millionths : {config.a2, config.a0, config.d0, config.a3, config.a4})
        FUZZ_CHECK(isProbability(millionths));
    FUZZ_CHECK(config.jump >= 0 && config.jump <= MaxJump);
    FUZZ_CHECK(config.seed >= 0 && config.seed <= MaxSeed);
    FUZZ_CHECK(config.steps >= 0 && config.steps <= 2147483647);
    if (config.pattern.kind == PatternKind::File)
        FUZZ_CHECK(!config.pattern.path.empty() && config.pattern.path != "young" && config.pattern.path != "line");
    else
        FUZZ_CHECK(config.pattern.path.empty());
    FUZZ_CHECK(!config.pattern.field);
    FUZZ_CHECK(config.mode == EngineMode::Exact || config.mode == EngineMode::Fast);
}

// Threads only with fast mode, 1 where not given.
void checkThreads(const ModelOptions& model)
{
    FUZZ_CHECK(model.threads >= 1 && model.threads <= MaxThreads);
    FUZZ_CHECK(!model.threadsGiven || model.config.mode == EngineMode::Fast);
    FUZZ_CHECK(model.threadsGiven || model.threads == 1);
}

bool sameConfig(const RunConfig& a, const RunConfig& b)
{
    return a.width == b.width && a.height == b.height && a.scheme == b.scheme && a.pattern.kind == b.pattern.kind
           && a.pattern.path == b.pattern.path && a.a2 == b.a2 && a.a0 == b.a0 && a.d0 == b.d0 && a.a3 == b.a3
           && a.a4 == b.a4 && a.jump == b.jump && a.longRange == b.longRange && a.periodic == b.periodic
           && a.seed == b.seed && a.steps == b.steps && a.mode == b.mode;
}

bool sameModel(const ModelOptions& a, const ModelOptions& b)
{
    return sameConfig(a.config, b.config) && a.widthGiven == b.widthGiven && a.heightGiven == b.heightGiven
           && a.seedGiven == b.seedGiven && a.threads == b.threads && a.threadsGiven == b.threadsGiven;
}

bool isVaried(const std::vector<Variation>& variations, VaryName name)
{
    return std::any_of(variations.begin(), variations.end(),
                       [&](const Variation& variation) { return variation.name == name; });
}

// The model options in "--name=value" form (a value may look like an
// option), leaving out sizes, seed and threads not given and the varied
// parameters.
std::vector<std::string> canonicalModel(const ModelOptions& model, const std::vector<Variation>& variations)
{
    const RunConfig& config = model.config;
    std::vector<std::string> arguments;
    if (model.widthGiven)
        arguments.push_back("--width=" + std::to_string(config.width));
    if (model.heightGiven)
        arguments.push_back("--height=" + std::to_string(config.height));
    if (model.seedGiven)
        arguments.push_back("--seed=" + std::to_string(config.seed));
    const std::pair<VaryName, int> values[] = {{VaryName::Scheme, config.scheme}, {VaryName::A2, config.a2},
                                               {VaryName::A0, config.a0},         {VaryName::D0, config.d0},
                                               {VaryName::A3, config.a3},         {VaryName::A4, config.a4},
                                               {VaryName::Jump, config.jump}};
    for (const auto& [name, value] : values)
        if (!isVaried(variations, name))
            arguments.push_back(varyOption(name) + "=" + valueText(Variation{name, {}, {}}, value));
    const std::pair<VaryName, std::string> named[] = {
        {VaryName::Pattern, patternName(config.pattern)},
        {VaryName::LongRange, config.longRange ? "on" : "off"},
        {VaryName::Boundary, config.periodic ? "periodic" : "closed"},
        {VaryName::Steps, std::to_string(config.steps)}};
    for (const auto& [name, value] : named)
        if (!isVaried(variations, name))
            arguments.push_back(varyOption(name) + "=" + value);
    arguments.push_back(std::string("--mode=") + modeName(config.mode));
    if (model.threadsGiven)
        arguments.push_back("--threads=" + std::to_string(model.threads));
    return arguments;
}

void checkRun(const std::vector<std::string>& arguments)
{
    RunOptions options;
    try {
        options = parseRunOptions(arguments);
    } catch (const BatchError&) {
        return;
    }
    if (options.help)
        return;
    checkConfig(options.model.config);
    checkThreads(options.model);
    FUZZ_CHECK(options.record.cellSize >= 1 && options.record.cellSize <= MaxCellSize);
    FUZZ_CHECK(options.picturePath.empty() || pictureFormatFor(options.picturePath));

    const std::multiset<std::string> names = givenNames(arguments);
    FUZZ_CHECK((names.count("--counts") > 0) == !options.record.countsPath.empty());
    FUZZ_CHECK((names.count("--field") > 0) == !options.fieldPath.empty());
    FUZZ_CHECK((names.count("--picture") > 0) == !options.picturePath.empty());

    std::vector<std::string> canonical = canonicalModel(options.model, {});
    if (options.quiet)
        canonical.push_back("--quiet");
    if (!options.record.countsPath.empty())
        canonical.push_back("--counts=" + options.record.countsPath);
    if (!options.fieldPath.empty())
        canonical.push_back("--field=" + options.fieldPath);
    if (!options.picturePath.empty())
        canonical.push_back("--picture=" + options.picturePath);
    canonical.push_back("--cell-size=" + std::to_string(options.record.cellSize));
    const RunOptions again = mustParse(canonical, parseRunOptions);
    FUZZ_CHECK(!again.help);
    FUZZ_CHECK(sameModel(again.model, options.model));
    FUZZ_CHECK(again.record.countsPath == options.record.countsPath && again.fieldPath == options.fieldPath
               && again.picturePath == options.picturePath);
    FUZZ_CHECK(again.record.cellSize == options.record.cellSize && again.quiet == options.quiet);
}

// The fields of one CSV row (with its line end), quotes undone.
std::vector<std::string> csvFields(std::string_view row)
{
    FUZZ_CHECK(!row.empty() && row.back() == '\n');
    row.remove_suffix(1);
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < row.size(); ++i) {
        const char c = row[i];
        if (quoted) {
            if (c != '"')
                fields.back() += c;
            else if (i + 1 < row.size() && row[i + 1] == '"')
                fields.back() += row[++i];
            else
                quoted = false;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '"' && fields.back().empty()) {
            quoted = true;
        } else {
            FUZZ_CHECK(c != '"' && c != '\n' && c != '\r');
            fields.back() += c;
        }
    }
    FUZZ_CHECK(!quoted);
    return fields;
}

// A summary row's run repeated alone: its seed and parameters as one-run
// options give its configuration.
void checkSummaryRow(std::int64_t run, const RunConfig& config)
{
    static const std::vector<std::string> header = csvFields(summaryHeader());
    const std::vector<std::string> row = csvFields(summaryRow(run, config, RunSummary{}));
    FUZZ_CHECK(row.size() == header.size());
    FUZZ_CHECK(header[0] == "run" && row[0] == std::to_string(run));
    const std::pair<std::string_view, std::string_view> columns[] = {
        {"seed", "--seed"},     {"width", "--width"}, {"height", "--height"},         {"scheme", "--scheme"},
        {"a2", "--a2"},         {"a0", "--a0"},       {"d0", "--d0"},                 {"a3", "--a3"},
        {"a4", "--a4"},         {"jump", "--jump"},   {"long_range", "--long-range"}, {"boundary", "--boundary"},
        {"steps", "--steps"},   {"pattern", "--pattern"}, {"mode", "--mode"}};
    std::vector<std::string> arguments;
    for (const auto& [column, option] : columns) {
        const auto found = std::find(header.begin(), header.end(), column);
        FUZZ_CHECK(found != header.end());
        arguments.push_back(std::string(option) + "=" + row[static_cast<std::size_t>(found - header.begin())]);
    }
    const RunOptions alone = mustParse(arguments, parseRunOptions);
    FUZZ_CHECK(sameConfig(alone.model.config, config));
}

void checkPlan(const SweepOptions& options, const std::map<std::string, std::string>& environment)
{
    TaskSplit split;
    try {
        split = resolveTask(options.task, [&](const char* name) -> std::optional<std::string> {
            const auto found = environment.find(name);
            if (found == environment.end())
                return std::nullopt;
            return found->second;
        });
    } catch (const BatchError&) {
        FUZZ_CHECK(!options.task);
        return;
    }
    FUZZ_CHECK(split.count >= 1 && split.index >= 0 && split.index < split.count);

    SweepPlan plan{options.model.config, options.variations, options.replicates, 1, {}, {}};
    if (!options.model.seedGiven)
        plan.base.seed = ClockSeed;
    FUZZ_CHECK(plan.base.seed >= 1);

    // The run count without overflow: lists hold at most a million values.
    const std::int64_t limit = static_cast<std::int64_t>(MaxSeed) - plan.base.seed + 1;
    __int128 product = plan.replicates;
    for (const Variation& variation : plan.variations)
        product = std::min<__int128>(product * static_cast<__int128>(variation.values.size()), __int128(1) << 62);
    std::int64_t runs = 0;
    try {
        runs = plan.runCount();
    } catch (const BatchError&) {
        FUZZ_CHECK(product > limit);
        return;
    }
    FUZZ_CHECK(product <= limit && runs == product && runs >= 1);

    const std::int64_t part = runsInPart(runs, split);
    FUZZ_CHECK(part >= 0 && part <= runs);
    FUZZ_CHECK(part == 0 || nthRunOfPart(part - 1, split) < runs);
    FUZZ_CHECK(nthRunOfPart(part, split) >= runs);

    std::set<std::int64_t> positions;
    for (std::int64_t n = 0; n < SampledRuns && n < part; ++n) {
        positions.insert(n);
        positions.insert(part - 1 - n);
    }
    for (const std::int64_t position : positions) {
        const std::int64_t run = nthRunOfPart(position, split);
        const RunConfig config = plan.configForRun(run);
        checkConfig(config);
        FUZZ_CHECK(config.seed == plan.base.seed + run);
        // The first list varies slowest, the replicates fastest.
        std::int64_t combination = run / plan.replicates;
        std::int64_t below = 1;
        for (std::size_t i = plan.variations.size(); i-- > 0;) {
            const Variation& variation = plan.variations[i];
            const auto size = static_cast<std::int64_t>(variation.values.size());
            const int expected = variation.values[static_cast<std::size_t>(combination / below % size)];
            RunConfig applied = config;
            applyVariation(applied, variation, expected);
            FUZZ_CHECK(sameConfig(applied, config));
            below *= size;
        }
        FUZZ_CHECK(combination / below == 0);
        checkSummaryRow(run, config);
    }
}

void checkSweep(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment)
{
    SweepOptions options;
    try {
        options = parseSweepOptions(arguments);
    } catch (const BatchError&) {
        return;
    }
    if (options.help)
        return;
    checkConfig(options.model.config);
    checkThreads(options.model);
    FUZZ_CHECK(!options.model.seedGiven || options.model.config.seed >= 1);
    FUZZ_CHECK(options.replicates >= 1 && options.replicates <= 2147483647);
    FUZZ_CHECK(!options.jobs || (*options.jobs >= 1 && *options.jobs <= MaxJobs));
    FUZZ_CHECK(!options.task || (options.task->index >= 0 && options.task->index < options.task->count));
    std::set<VaryName> varied;
    for (const Variation& variation : options.variations) {
        FUZZ_CHECK(varied.insert(variation.name).second);
        FUZZ_CHECK(!variation.values.empty() && variation.values.size() <= 1000000);
        for (int value : variation.values) {
            RunConfig config;
            applyVariation(config, variation, value);
            checkConfig(config);
        }
    }
    const std::multiset<std::string> names = givenNames(arguments);
    FUZZ_CHECK(names.count("--summary") == 1 && !options.summaryPath.empty());

    std::vector<std::string> canonical = canonicalModel(options.model, options.variations);
    if (options.quiet)
        canonical.push_back("--quiet");
    for (const Variation& variation : options.variations) {
        std::string list;
        for (int value : variation.values) {
            if (!list.empty())
                list += ',';
            list += valueText(variation, value);
        }
        canonical.push_back("--vary=" + std::string(varyNameText(variation.name)) + "=" + list);
    }
    canonical.push_back("--replicates=" + std::to_string(options.replicates));
    if (options.jobs)
        canonical.push_back("--jobs=" + std::to_string(*options.jobs));
    if (options.task)
        canonical.push_back("--task=" + std::to_string(options.task->index) + "/"
                            + std::to_string(options.task->count));
    canonical.push_back("--summary=" + options.summaryPath);
    const SweepOptions again = mustParse(canonical, parseSweepOptions);
    FUZZ_CHECK(!again.help);
    FUZZ_CHECK(sameModel(again.model, options.model));
    FUZZ_CHECK(again.variations.size() == options.variations.size());
    for (std::size_t i = 0; i < options.variations.size(); ++i)
        FUZZ_CHECK(again.variations[i].name == options.variations[i].name
                   && again.variations[i].values == options.variations[i].values);
    FUZZ_CHECK(again.replicates == options.replicates && again.jobs == options.jobs);
    FUZZ_CHECK(again.task.has_value() == options.task.has_value());
    FUZZ_CHECK(!options.task || (again.task->index == options.task->index && again.task->count == options.task->count));
    FUZZ_CHECK(again.summaryPath == options.summaryPath && again.quiet == options.quiet);

    checkPlan(options, environment);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Input input = splitInput(std::string_view(reinterpret_cast<const char*>(data), size));
    checkRun(input.arguments);
    std::vector<std::string> sweepArguments = input.arguments;
    if (!sweepArguments.empty() && sweepArguments.front() == "sweep")
        sweepArguments.erase(sweepArguments.begin());
    checkSweep(sweepArguments, input.environment);
    return 0;
}
