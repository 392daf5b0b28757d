// SPDX-License-Identifier: GPL-3.0-or-later
#include "merge.h"

#include "batcherror.h"
#include "commitunit.h"
#include "inputfile.h"
#include "journal.h"
#include "numbers.h"
#include "outputnames.h"
#include "printable.h"
#include "sweeprecord.h"
#include "usage.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string_view>
#include <unistd.h>

namespace {

constexpr std::int64_t MaxRecordBytes = 1 << 20;
constexpr std::size_t MaxLineBytes = 1 << 20;
constexpr std::size_t ShownMissing = 5;

struct MergeOptions {
    std::vector<std::string> parts;
    std::string summaryPath;
    bool allowMissing = false;
    bool help = false;
};

MergeOptions parseMergeOptions(const std::vector<std::string>& arguments)
{
    MergeOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& text = arguments[i];
        if (text == "--help" || text == "-h") {
            options.help = true;
        } else if (text == "--allow-missing") {
            options.allowMissing = true;
        } else if (text == "--summary" || text.rfind("--summary=", 0) == 0) {
            if (!options.summaryPath.empty())
                throw BatchError("--summary is given twice");
            if (text == "--summary" && i + 1 == arguments.size())
                throw BatchError("--summary needs a value");
            options.summaryPath = text == "--summary" ? arguments[++i] : text.substr(10);
            if (options.summaryPath.empty())
                throw BatchError("--summary: the file name is empty");
        } else if (text.rfind("--", 0) == 0 && text.size() > 2) {
            throw BatchError("unknown option " + inQuotes(text) + " for merge (see merge --help)");
        } else {
            options.parts.push_back(text);
        }
    }
    if (options.help)
        return options;
    if (options.parts.empty())
        throw BatchError("merge needs the summaries of the parts: tidmar-batch merge PART... --summary PATH|-");
    if (options.summaryPath.empty())
        throw BatchError("merge needs --summary PATH (or - for standard output)");
    return options;
}

// A part read line by line, so that parts of any length merge in little
// memory: its record, and its rows after the header with the run each
// belongs to, checked against the sweep's runs and the part's task.
class Part {
public:
    Part(std::string path, std::string record, std::int64_t runs)
        : path(std::move(path)), record(std::move(record)), runs(runs),
          file(openInput(this->path, std::numeric_limits<std::int64_t>::max(), inQuotes(this->path)))
    {
        const std::optional<std::string> header = recordValue(this->record, "header");
        if (!header)
            throw BatchError("the record of " + inQuotes(this->path) + " names no header");
        headerLine = *header + "\n";
        sizes = headerLine == "run,step,class,size,count\n";
        series = !sizes && headerLine.rfind("run,step,", 0) == 0;
        readSeriesSteps();
        const std::string task = recordValue(this->record, "task").value_or("");
        const auto slash = task.find('/');
        taskIndex = parseInteger(task.substr(0, slash), 0, runs);
        taskCount = slash == std::string::npos ? std::nullopt : parseInteger(task.substr(slash + 1), 1, runs + 1);
        rewind();
    }

    // Back to the first row, which becomes the current one.
    void rewind()
    {
        if (::lseek(file.get(), 0, SEEK_SET) != 0)
            throw BatchError(inQuotes(path) + ": a part must be a file that can be read twice");
        buffered.clear();
        start = 0;
        lineNumber = 0;
        finished = true;
        if (!readLine() || line != headerLine)
            throw BatchError(inQuotes(path) + " does not start with the header its record names");
        advance();
    }

    bool done() const { return finished; }
    std::int64_t run() const { return currentRun; }
    const std::string& text() const { return line; }
    const std::string& name() const { return path; }
    const std::string& header() const { return headerLine; }
    bool isSeries() const { return series; }
    bool isSizes() const { return sizes; }

    // The next row becomes the current one; a run's rows must follow one
    // another, runs in rising order, a series' steps those its record names.
    void advance()
    {
        const std::int64_t previousRun = finished ? -1 : currentRun;
        const bool more = readLine();
        if (series && previousRun >= 0 && (!more || !line.starts_with(std::to_string(previousRun) + ",")))
            checkSeriesEnd(previousRun);
        if (!more) {
            finished = true;
            return;
        }
        const std::string where = inQuotes(path) + ", line " + std::to_string(lineNumber);
        const std::string_view view(line);
        const auto comma = view.find(',');
        const auto run = parseInteger(view.substr(0, comma), 0, runs - 1);
        if (!run)
            throw BatchError(where + ": " + inQuotes(view.substr(0, comma)) + " is not a run of the sweep's "
                             + std::to_string(runs));
        if (taskIndex && taskCount && *run % *taskCount != *taskIndex)
            throw BatchError(where + ": run " + std::to_string(*run) + " does not belong to its part "
                             + std::to_string(*taskIndex) + "/" + std::to_string(*taskCount));
        if (*run < previousRun || (*run == previousRun && !series && !sizes))
            throw BatchError(where + ": run " + std::to_string(*run) + " is out of run order or there twice");
        if (series) {
            const auto next = view.find(',', comma + 1);
            const auto step = parseInteger(view.substr(comma + 1, next - comma - 1), 0,
                                           std::numeric_limits<std::int32_t>::max());
            const bool first = *run != previousRun;
            if (!step || std::count(line.begin(), line.end(), ',') != 6 || !(first ? *step == 0 : nextStep(*step)))
                throw BatchError(where + ": the time series of run " + std::to_string(*run)
                                 + " is not whole (its steps must be those recorded, each line with seven values)");
            if (first)
                ended = steps == 0;
            previousStep = *step;
        } else if (sizes) {
            // Patch sizes: a line per class and size of each field analysed,
            // the steps in order; a field without patches has none.
            const auto next = view.find(',', comma + 1);
            const auto step = parseInteger(view.substr(comma + 1, next - comma - 1), 0,
                                           std::numeric_limits<std::int64_t>::max());
            const auto countAt = view.rfind(',', view.size() - 2);
            const auto sizeAt = countAt == std::string_view::npos ? countAt : view.rfind(',', countAt - 1);
            const bool first = *run != previousRun;
            if (!step || (!first && *step < previousStep) || sizeAt == std::string_view::npos || sizeAt <= next
                || !parseInteger(view.substr(sizeAt + 1, countAt - sizeAt - 1), 1,
                                 std::numeric_limits<std::int64_t>::max())
                || !parseInteger(view.substr(countAt + 1, view.size() - countAt - 2), 1,
                                 std::numeric_limits<std::int64_t>::max()))
                throw BatchError(where + ": the patch sizes of run " + std::to_string(*run)
                                 + " are not whole (steps in order, each line run,step,class,size,count)");
            previousStep = *step;
        }
        currentRun = *run;
        finished = false;
    }

private:
    // What the record's options say of a series' steps: recorded every
    // countsEvery steps and at the last, which is --steps unless steps vary
    // or a stop condition may end a run before.
    void readSeriesSteps()
    {
        std::istringstream words(recordValue(record, "options").value_or(""));
        std::string word;
        bool varied = false;
        while (words >> word) {
            auto valueOf = [&](const char* name) -> std::optional<std::int64_t> {
                const std::string prefix = std::string(name) + "=";
                if (word.rfind(prefix, 0) != 0)
                    return std::nullopt;
                return parseInteger(std::string_view(word).substr(prefix.size()), 0,
                                    std::numeric_limits<std::int32_t>::max());
            };
            if (const auto value = valueOf("--counts-every"))
                every = std::max<std::int64_t>(*value, 1);
            else if (const auto value = valueOf("--steps"))
                steps = *value;
            stops = stops || word.rfind("--stop-when=", 0) == 0;
            varied = varied || word.rfind("--vary=steps=", 0) == 0 || word.rfind("--design=", 0) == 0;
        }
        if (varied)
            steps.reset();
    }

    // Whether step may follow previousStep in a run's series: the next
    // recorded step, or a last step before it (the run's end or its stop).
    bool nextStep(std::int64_t step)
    {
        std::int64_t expected = (previousStep / every + 1) * every;
        if (steps)
            expected = std::min(expected, *steps);
        if (ended || step <= previousStep || step > expected)
            return false;
        if (step < expected && steps && !stops)
            return false;
        ended = step < expected || (steps && step == *steps);
        return true;
    }

    void checkSeriesEnd(std::int64_t run) const
    {
        if (steps && !stops && previousStep != *steps)
            throw BatchError(inQuotes(path) + ", line " + std::to_string(lineNumber)
                             + ": the time series of run " + std::to_string(run) + " ends at step "
                             + std::to_string(previousStep) + " of " + std::to_string(*steps)
                             + " (it is not whole)");
    }

    // The next line with its line end into line; false at the end.
    bool readLine()
    {
        line.clear();
        for (;;) {
            const auto end = buffered.find('\n', start);
            if (end != std::string::npos) {
                line.append(buffered, start, end + 1 - start);
                start = end + 1;
                ++lineNumber;
                return true;
            }
            line.append(buffered, start, std::string::npos);
            buffered.clear();
            start = 0;
            if (line.size() > MaxLineBytes)
                throw BatchError(inQuotes(path) + ", line " + std::to_string(lineNumber + 1)
                                 + ": the row is longer than any a sweep writes");
            buffered.resize(1 << 16);
            ssize_t got;
            do
                got = ::read(file.get(), buffered.data(), buffered.size());
            while (got < 0 && errno == EINTR);
            if (got < 0)
                throw BatchError("cannot read " + inQuotes(path) + ": " + std::strerror(errno));
            buffered.resize(static_cast<std::size_t>(got));
            if (got == 0) {
                if (!line.empty())
                    throw BatchError(inQuotes(path) + ", line " + std::to_string(lineNumber + 1)
                                     + ": the row is cut short (no line end)");
                return false;
            }
        }
    }

    std::string path;
    std::string record;
    std::int64_t runs;
    Descriptor file;
    std::string headerLine;
    bool series = false;
    bool sizes = false;
    std::optional<std::int64_t> taskIndex;
    std::optional<std::int64_t> taskCount;
    std::string buffered;
    std::size_t start = 0;
    long lineNumber = 0;
    std::string line;
    std::int64_t currentRun = -1;
    std::int64_t previousStep = 0;
    std::int64_t every = 1;
    std::optional<std::int64_t> steps;
    bool stops = false;
    bool ended = false;
    bool finished = true;
};

std::string readRecord(const std::string& path)
{
    const std::string recordPath = recordName(path);
    const Descriptor record = openInput(recordPath, MaxRecordBytes, inQuotes(recordPath));
    return readAll(record.get(), MaxRecordBytes, inQuotes(recordPath));
}

// What one pass over the parts found missing.
struct Missing {
    std::int64_t count = 0;
    std::vector<std::int64_t> first;  // the first few

    void add(std::int64_t from, std::int64_t to)
    {
        for (std::int64_t run = from; run < to && first.size() < ShownMissing; ++run)
            first.push_back(run);
        count += to - from;
    }
};

// Goes through the parts' rows in run order, handing each row to write (may
// be empty), and counts the runs missing. Throws BatchError for a run in two
// parts or a part out of order.
Missing mergePass(std::vector<std::unique_ptr<Part>>& parts, std::int64_t runs,
                  const std::function<void(const std::string& row)>& write)
{
    Missing missing;
    std::int64_t expected = 0;
    for (auto& part : parts)
        part->rewind();
    for (;;) {
        Part* next = nullptr;
        for (auto& part : parts) {
            if (part->done())
                continue;
            if (next && part->run() == next->run())
                throw BatchError("run " + std::to_string(part->run()) + " is in " + inQuotes(next->name())
                                 + " and in " + inQuotes(part->name()));
            if (!next || part->run() < next->run())
                next = part.get();
        }
        if (!next)
            break;
        const std::int64_t run = next->run();
        for (auto& part : parts)
            if (part.get() != next && !part->done() && part->run() == run)
                throw BatchError("run " + std::to_string(run) + " is in " + inQuotes(next->name()) + " and in "
                                 + inQuotes(part->name()));
        missing.add(expected, run);
        expected = run + 1;
        while (!next->done() && next->run() == run) {
            if (write)
                write(next->text());
            next->advance();
        }
    }
    missing.add(expected, runs);
    return missing;
}

} // namespace

int runMergeCommand(const std::vector<std::string>& arguments, const Invocation& invocation)
{
    const MergeOptions options = parseMergeOptions(arguments);
    if (options.help) {
        std::fputs(mergeUsage().c_str(), stdout);
        return 0;
    }
    refuseToolNames({{"--summary", &options.summaryPath}}, {});
    std::vector<std::string> records;
    for (const std::string& path : options.parts)
        records.push_back(readRecord(path));
    for (std::size_t i = 0; i < records.size(); ++i)
        if (const auto difference = recordDifference(records.front(), records[i], {"task"}))
            throw BatchError(inQuotes(options.parts[i]) + " is not a part of the sweep of "
                             + inQuotes(options.parts.front()) + " (the " + printable(*difference)
                             + " of their records differ)");
    const auto runs = parseInteger(recordValue(records.front(), "runs").value_or(""), 0,
                                   std::numeric_limits<std::int32_t>::max());
    if (!runs)
        throw BatchError("the record of " + inQuotes(options.parts.front()) + " has no number of runs");
    std::vector<std::unique_ptr<Part>> parts;
    for (std::size_t i = 0; i < records.size(); ++i)
        parts.push_back(std::make_unique<Part>(options.parts[i], records[i], *runs));

    // A first pass checks every row, so that nothing is written of a merge
    // that is refused.
    const Missing missing = mergePass(parts, *runs, {});
    if (missing.count > 0 && !options.allowMissing) {
        std::string shown;
        for (std::size_t i = 0; i < missing.first.size(); ++i)
            shown += (i ? ", " : "") + std::to_string(missing.first[i]);
        if (missing.count > static_cast<std::int64_t>(missing.first.size()))
            shown += ", ...";
        throw BatchError(std::to_string(missing.count) + " of the sweep's " + std::to_string(*runs)
                         + " runs are missing (" + shown + "); give every part, or --allow-missing");
    }

    std::string task = "0/1";
    if (missing.count > 0)
        task += ", " + std::to_string(missing.count) + " runs missing";
    SweepJournal summary("--summary", options.summaryPath);
    summary.start(parts.front()->header(), withRecordValue(records.front(), "task", task));
    mergePass(parts, *runs, [&](const std::string& row) { summary.append(row); });
    CommitUnit unit;
    summary.stage(unit, parts.front()->isSeries()  ? OutputKind::TimeSeries
                        : parts.front()->isSizes() ? OutputKind::PatchSeries
                                                   : OutputKind::Summary);
    const auto seed = parseInteger(recordValue(records.front(), "seed").value_or(""), 1,
                                   std::numeric_limits<std::int32_t>::max());
    unit.commit(Provenance{invocation, static_cast<std::int32_t>(seed.value_or(0)), {}});
    return 0;
}
