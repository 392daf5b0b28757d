// SPDX-License-Identifier: GPL-3.0-or-later
#include "merge.h"

#include "batcherror.h"
#include "inputfile.h"
#include "journal.h"
#include "numbers.h"
#include "printable.h"
#include "sweeprecord.h"
#include "usage.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string_view>

namespace {

constexpr std::int64_t MaxRecordBytes = 1 << 20;
constexpr std::size_t ShownMissing = 5;

struct Part {
    std::string path;
    std::string record;
    std::string text;
};

struct Row {
    std::int64_t run;
    std::string_view text;  // with its line end
    std::size_t part;
};

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

Part readPart(const std::string& path)
{
    Part part{path, {}, {}};
    const std::string recordPath = recordName(path);
    const Descriptor record = openInput(recordPath, MaxRecordBytes, inQuotes(recordPath));
    part.record = readAll(record.get(), MaxRecordBytes, inQuotes(recordPath));
    const Descriptor summary = openInput(path, std::numeric_limits<std::int64_t>::max(), inQuotes(path));
    part.text = readAll(summary.get(), std::numeric_limits<std::int64_t>::max(), inQuotes(path));
    return part;
}

// The part's rows, checked against its header and its task.
void collectRows(const Part& part, std::size_t index, std::int64_t runs, std::vector<Row>& rows)
{
    const std::string name = inQuotes(part.path);
    const std::string header = *recordValue(part.record, "header") + "\n";
    if (part.text.compare(0, header.size(), header) != 0)
        throw BatchError(name + " does not start with the header its record names");
    const std::string task = recordValue(part.record, "task").value_or("");
    const auto slash = task.find('/');
    const auto taskIndex = parseInteger(task.substr(0, slash), 0, runs);
    const auto taskCount = slash == std::string::npos ? std::nullopt : parseInteger(task.substr(slash + 1), 1, runs + 1);
    const bool series = header.rfind("run,step,", 0) == 0;
    std::string_view rest(part.text);
    rest.remove_prefix(header.size());
    for (long line = 2; !rest.empty(); ++line) {
        const auto end = rest.find('\n');
        if (end == std::string_view::npos)
            throw BatchError(name + ", line " + std::to_string(line) + ": the row is cut short (no line end)");
        const std::string_view row = rest.substr(0, end + 1);
        rest.remove_prefix(end + 1);
        const auto run = parseInteger(row.substr(0, row.find(',')), 0, runs - 1);
        if (!run)
            throw BatchError(name + ", line " + std::to_string(line) + ": " + inQuotes(row.substr(0, row.find(',')))
                             + " is not a run of the sweep's " + std::to_string(runs));
        if (taskIndex && taskCount && *run % *taskCount != *taskIndex)
            throw BatchError(name + ", line " + std::to_string(line) + ": run " + std::to_string(*run)
                             + " does not belong to its part " + task);
        // A time series has several lines per run, one after the other.
        if (series && !rows.empty() && rows.back().part == index && rows.back().run == *run) {
            rows.back().text = std::string_view(rows.back().text.data(), rows.back().text.size() + row.size());
            continue;
        }
        rows.push_back({*run, row, index});
    }
}

} // namespace

int runMergeCommand(const std::vector<std::string>& arguments)
{
    const MergeOptions options = parseMergeOptions(arguments);
    if (options.help) {
        std::fputs(mergeUsage().c_str(), stdout);
        return 0;
    }
    std::vector<Part> parts;
    for (const std::string& path : options.parts)
        parts.push_back(readPart(path));
    for (const Part& part : parts)
        if (const auto difference = recordDifference(parts.front().record, part.record, {"task"}))
            throw BatchError(inQuotes(part.path) + " is not a part of the sweep of " + inQuotes(parts.front().path)
                             + " (the " + *difference + " of their records differ)");
    const auto runs = parseInteger(recordValue(parts.front().record, "runs").value_or(""), 0,
                                   std::numeric_limits<std::int32_t>::max());
    if (!runs)
        throw BatchError("the record of " + inQuotes(parts.front().path) + " has no number of runs");

    std::vector<Row> rows;
    for (std::size_t i = 0; i < parts.size(); ++i)
        collectRows(parts[i], i, *runs, rows);
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.run < b.run; });
    std::vector<std::int64_t> missing;
    std::int64_t expected = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0 && rows[i].run == rows[i - 1].run)
            throw BatchError("run " + std::to_string(rows[i].run) + " is in " + inQuotes(parts[rows[i - 1].part].path)
                             + " and in " + inQuotes(parts[rows[i].part].path));
        for (; expected < rows[i].run; ++expected)
            missing.push_back(expected);
        expected = rows[i].run + 1;
    }
    for (; expected < *runs; ++expected)
        missing.push_back(expected);
    if (!missing.empty() && !options.allowMissing) {
        std::string shown;
        for (std::size_t i = 0; i < std::min(missing.size(), ShownMissing); ++i)
            shown += (i ? ", " : "") + std::to_string(missing[i]);
        if (missing.size() > ShownMissing)
            shown += ", ...";
        throw BatchError(std::to_string(missing.size()) + " of the sweep's " + std::to_string(*runs)
                         + " runs are missing (" + shown + "); give every part, or --allow-missing");
    }

    std::string task = "0/1";
    if (!missing.empty())
        task += ", " + std::to_string(missing.size()) + " runs missing";
    SweepJournal summary("--summary", options.summaryPath);
    const std::string header = *recordValue(parts.front().record, "header") + "\n";
    summary.start(header, withRecordValue(parts.front().record, "task", task));
    for (const Row& row : rows)
        summary.append(std::string(row.text));
    summary.commit();
    return 0;
}
