// SPDX-License-Identifier: GPL-3.0-or-later
#include "resume.h"

#include "batcherror.h"
#include "inputfile.h"
#include "numbers.h"
#include "interruption.h"
#include "printable.h"
#include "seeding.h"
#include "summary.h"
#include "sweeprecord.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

constexpr std::int64_t MaxRecordBytes = 1 << 20;
constexpr std::size_t MaxRowBytes = 1 << 20;

std::optional<std::string> ownFileText(int directory, const std::string& name)
{
    const Descriptor file = openOwnFile(directory, name, O_RDONLY);
    if (!file)
        return std::nullopt;
    try {
        return readAll(file.get(), MaxRecordBytes, inQuotes(name));
    } catch (const BatchError&) {
        return std::nullopt;
    }
}

// Whether a complete line (with its line end) may follow the lines before
// it; kept counts the complete units (rows, runs) accepted.
using LineCheck = std::function<bool(const std::string& line, std::int64_t& kept)>;

// The bytes of the header and of the lines up to the last complete unit at
// the start of fd, and the number of units.
std::pair<std::int64_t, std::int64_t> keptPrefix(int fd, const std::string& header, const LineCheck& check)
{
    std::int64_t bytes = 0;
    std::int64_t boundary = 0;
    std::int64_t kept = 0;
    bool headerSeen = false;
    std::string line;
    auto accept = [&]() -> bool {
        for (char c : line)
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F)
                return false;
        const std::int64_t before = kept;
        const bool isHeader = !headerSeen;
        if (!(isHeader ? line == header : check(line, kept)))
            return false;
        headerSeen = true;
        bytes += static_cast<std::int64_t>(line.size());
        // Only the header or a complete unit ends what is kept.
        if (isHeader || kept != before)
            boundary = bytes;
        return true;
    };
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        for (ssize_t i = 0; i < got; ++i) {
            line.push_back(buffer[i]);
            if (buffer[i] == '\n') {
                if (!accept())
                    return {boundary, kept};
                line.clear();
            } else if (line.size() > MaxRowBytes) {
                return {boundary, kept};
            }
        }
    }
    return {boundary, kept};
}

// Run run of the plan with the seed the kept record names.
RunConfig keptRun(const SweepPlan& plan, std::int64_t seed, std::int64_t run)
{
    RunConfig config = plan.configForRun(run);
    config.seed = static_cast<std::int32_t>(seed + run);
    return config;
}

// Summary rows: row k is the part's k-th run with its seed and parameters,
// followed by as many values as the header has columns after them; no more
// rows than the part's runs.
LineCheck summaryRows(const SweepPlan& plan, std::int64_t seed, const TaskSplit& split, std::int64_t runs,
                      const std::string& header)
{
    // The columns before the values: run .. mode.
    constexpr long Parameters = 16;
    const long values = static_cast<long>(std::count(header.begin(), header.end(), ',')) + 1 - Parameters;
    return [&plan, seed, split, runs, values](const std::string& line, std::int64_t& kept) {
        if (kept >= runs)
            return false;
        const std::int64_t run = nthRunOfPart(kept, split);
        const RunConfig config = keptRun(plan, seed, run);
        // The values of a row of this run's own: counts, means, spreads,
        // burn-in, pattern hash, period and the extinction steps.
        const std::string own = summaryHeader(config.stopWhen.has_value());
        const long ownValues = static_cast<long>(std::count(own.begin(), own.end(), ',')) + 1 - Parameters;
        const std::string expected = summaryRow(run, config, RunSummary{});
        std::size_t cut = expected.size();
        for (long comma = 0; comma < ownValues && cut != std::string::npos; ++comma)
            cut = expected.rfind(',', cut - 1);
        if (cut == std::string::npos || line.compare(0, cut + 1, expected, 0, cut + 1) != 0
            || std::count(line.begin() + static_cast<std::ptrdiff_t>(cut) + 1, line.end(), ',') != values - 1)
            return false;
        ++kept;
        return true;
    };
}

// The counts at the end of a time-series line "run,step,c1,...".
std::optional<std::array<long, StateCount>> lineCounts(const std::string& line)
{
    std::array<long, StateCount> counts{};
    std::size_t at = line.find(',', line.find(',') + 1);
    for (long& count : counts) {
        const std::size_t end = std::min(line.find(',', at + 1), line.size() - 1);
        const std::optional<std::int64_t> value = parseInteger(line.substr(at + 1, end - at - 1), 0, LONG_MAX);
        if (!value)
            return std::nullopt;
        count = static_cast<long>(*value);
        at = end;
    }
    return counts;
}

// Time-series lines of the part's first runs runs, each run's recorded steps
// in order up to its last (its steps, or the step its stop condition held);
// kept counts the runs complete.
LineCheck seriesLines(const SweepPlan& plan, const TaskSplit& split, std::int64_t runs)
{
    // The step the next line must have (or, when the run stops, any step
    // after the last line's and before it).
    auto next = std::make_shared<std::pair<std::int64_t, std::int64_t>>(0, -1);  // step, last line's
    return [&plan, split, runs, next](const std::string& line, std::int64_t& kept) {
        if (kept >= runs || std::count(line.begin(), line.end(), ',') != StateCount + 1)
            return false;
        const std::int64_t run = nthRunOfPart(kept, split);
        const RunConfig config = plan.configForRun(run);
        const std::string start = std::to_string(run) + ",";
        const std::size_t stepEnd = line.find(',', start.size());
        const auto step = parseInteger(line.substr(start.size(), stepEnd - start.size()), 0, config.steps);
        const auto counts = lineCounts(line);
        if (line.compare(0, start.size(), start) != 0 || !step || !counts)
            return false;
        auto& [expected, previous] = *next;
        const bool stops = config.stopWhen && ExtinctionSteps::holds(*config.stopWhen, *counts);
        if (*step != expected && !(stops && *step > previous && *step < expected))
            return false;
        if (*step >= config.steps || stops) {
            expected = 0;
            previous = -1;
            ++kept;
        } else {
            const std::int64_t every = std::max<std::int64_t>(plan.recording.countsEvery, 1);
            previous = *step;
            expected = std::min(config.steps, (*step / every + 1) * every);
        }
        return true;
    };
}

// Patch-size lines "run,step,class,size,count" of the part's first runs
// runs, in run order and each run's steps in order; kept counts the lines.
// A run's sizes are written before its summary row, and the summary is
// synced after them: the kept summary rows say which runs are whole.
LineCheck patchLines(const TaskSplit& split, std::int64_t runs)
{
    auto position = std::make_shared<std::pair<std::int64_t, std::int64_t>>(0, 0);  // run of the part, step
    return [split, runs, position](const std::string& line, std::int64_t& kept) {
        if (std::count(line.begin(), line.end(), ',') < 4)
            return false;
        const std::size_t first = line.find(',');
        const std::size_t second = line.find(',', first + 1);
        const auto run = parseInteger(line.substr(0, first), 0, INT64_MAX);
        const auto step = parseInteger(line.substr(first + 1, second - first - 1), 0, INT64_MAX);
        const std::size_t countAt = line.rfind(',', line.size() - 2);
        const std::size_t sizeAt = line.rfind(',', countAt - 1);
        if (!run || !step || sizeAt <= second || !parseInteger(line.substr(sizeAt + 1, countAt - sizeAt - 1), 1, INT64_MAX)
            || !parseInteger(line.substr(countAt + 1, line.size() - countAt - 2), 1, INT64_MAX))
            return false;
        auto& [n, lastStep] = *position;
        for (std::int64_t next = n; next < runs; ++next)
            if (nthRunOfPart(next, split) == *run) {
                if (next == n && *step < lastStep)
                    return false;
                if (next != n)
                    lastStep = 0;
                n = next;
                lastStep = *step;
                ++kept;
                return true;
            } else if (nthRunOfPart(next, split) > *run) {
                break;
            }
        return false;
    };
}

bool matches(const std::string& kept, const std::string& record, bool seedGiven)
{
    return seedGiven ? !recordDifference(kept, record, {}) : !recordDifference(kept, record, {"seed"});
}

std::string differenceText(const std::string& key)
{
    if (key == "options")
        return "other options";
    if (key == "pattern")
        return "another pattern file";
    if (key == "input")
        return "another input file";
    if (key == "task")
        return "another part";
    if (key == "header")
        return "other columns";
    return "another " + printable(key);
}

std::string shellWord(const std::string& word)
{
    const bool plain = !word.empty() && word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                               "0123456789_-+=./:,@%")
                                            == std::string::npos;
    if (plain)
        return word;
    std::string text = "'";
    for (char c : word)
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

} // namespace

namespace {

// The kept file beside place whose record matches and whose check keeps the
// most; see findKeptSweep.
std::optional<KeptSweep> findKept(const OutputPlace& place, const std::string& record, bool seedGiven,
                                  const std::string& option,
                                  const std::function<LineCheck(const std::string& kept)>& checkFor)
{
    const int directory = place.directory.get();
    std::unique_ptr<DIR, int (*)(DIR*)> entries(::fdopendir(::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)), ::closedir);
    if (!entries)
        return std::nullopt;
    const std::string prefix = "." + place.name + ".";
    const std::string suffix = ".plan";
    std::optional<KeptSweep> best;
    std::optional<std::string> otherDifference;
    while (const dirent* entry = ::readdir(entries.get())) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0
            || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string token = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        if (!isToken(token))
            continue;
        const std::optional<std::string> kept = ownFileText(directory, name);
        if (!kept)
            continue;
        if (!matches(*kept, record, seedGiven)) {
            if (!otherDifference)
                otherDifference = seedGiven ? recordDifference(*kept, record, {})
                                            : recordDifference(*kept, record, {"seed"});
            continue;
        }
        const Descriptor file = openOwnFile(directory, temporaryName(place.name, token, ".tmp"), O_RDONLY);
        const std::optional<std::string> header = recordValue(*kept, "header");
        if (!file || !header || !recordSeed(*kept))
            continue;
        const auto [bytes, count] = keptPrefix(file.get(), *header + "\n", checkFor(*kept));
        if (bytes > 0 && (!best || count > best->rows))
            best = KeptSweep{token, *kept, count, bytes};
    }
    if (!best && otherDifference)
        throw BatchError("--resume: what an interrupted sweep kept beside " + option + " " + inQuotes(place.name)
                         + " comes from another sweep (" + differenceText(*otherDifference)
                         + "); give the same options as then, or leave --resume out to start again");
    return best;
}

} // namespace

std::optional<KeptSweep> findKeptSweep(const OutputPlace& place, const std::string& record, bool seedGiven,
                                       const SweepPlan& plan, const TaskSplit& split, std::int64_t runs,
                                       const std::string& option)
{
    return findKept(place, record, seedGiven, option, [&](const std::string& kept) {
        return summaryRows(plan, *recordSeed(kept), split, runs, recordValue(kept, "header").value_or(""));
    });
}

std::optional<KeptSweep> findKeptSeries(const OutputPlace& place, const std::string& record, bool seedGiven,
                                        const SweepPlan& plan, const TaskSplit& split, std::int64_t runs,
                                        const std::string& option)
{
    return findKept(place, record, seedGiven, option,
                    [&](const std::string&) { return seriesLines(plan, split, runs); });
}

std::optional<KeptSweep> findKeptPatches(const OutputPlace& place, const std::string& record, const TaskSplit& split,
                                         std::int64_t runs, const std::string& option)
{
    return findKept(place, record, true, option, [&](const std::string&) { return patchLines(split, runs); });
}

OutputState finishedOutput(const OutputPlace& place, const std::string& record, bool seedGiven)
{
    if (!place.exists)
        return OutputState::Missing;
    const std::optional<std::string> kept = ownFileText(place.directory.get(), recordName(place.name));
    if (!kept)
        return OutputState::Missing;
    return matches(*kept, record, seedGiven) ? OutputState::Matches : OutputState::Other;
}

std::optional<std::int64_t> recordSeed(const std::string& record)
{
    return parseInteger(recordValue(record, "seed").value_or(""), 1, MaxSeed);
}

std::string resumeCommand(const std::vector<std::string>& arguments)
{
    std::string command = "tidmar-batch sweep";
    bool resumes = false;
    for (const std::string& argument : arguments) {
        command += ' ';
        command += shellWord(argument);
        resumes = resumes || argument == "--resume";
    }
    return printable(resumes ? command : command + " --resume");
}

void reportInterruption(int signal, std::int64_t done, std::int64_t runs, bool toFile,
                        const std::vector<std::string>& arguments)
{
    const std::string counts = std::to_string(done) + " of " + std::to_string(runs) + " runs";
    const std::string line = toFile ? counts + " kept; to resume: " + resumeCommand(arguments)
                                    : counts + " written; a sweep to standard output or a device cannot be "
                                               "resumed (give --summary PATH for that)";
    std::fprintf(stderr, "tidmar-batch: stopped by %s: %s\n", signalName(signal), line.c_str());
}
