// SPDX-License-Identifier: GPL-3.0-or-later
#include "sweeprecord.h"

#include "printable.h"

#include <algorithm>
#include <sstream>
#include <vector>

namespace {

constexpr const char* FirstLine = "tidmar-batch sweep record 1";

// Options that change where rows go or how fast they come, never a row.
bool changesNoRow(const std::string& name)
{
    for (const char* other : {"--task", "--summary", "--jobs", "--quiet", "--resume", "--threads", "--counts",
                              "--plot", "--snapshots", "--snapshot-every", "--snapshot-pictures", "--cell-size",
                              "--patterns", "--plot-patches", "--plot-states", "--legend", "--palette",
                              "--progress"})
        if (name == other)
            return true;
    return false;
}

std::string hashOf(const FieldData& field)
{
    // FNV-1a over the size and the codes.
    std::uint64_t hash = 14695981039346656037ull;
    auto add = [&](std::int64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash ^= static_cast<std::uint64_t>(value >> (8 * i)) & 0xFFu;
            hash *= 1099511628211ull;
        }
    };
    add(field.width);
    add(field.height);
    for (Cell code : field.codes)
        add(code);
    std::ostringstream text;
    text << std::hex << hash;
    return text.str();
}

std::vector<std::pair<std::string, std::string>> linesOf(const std::string& record)
{
    std::vector<std::pair<std::string, std::string>> lines;
    std::istringstream stream(record);
    std::string line;
    if (!std::getline(stream, line) || line != FirstLine)
        return {};
    while (std::getline(stream, line)) {
        const auto colon = line.find(": ");
        if (colon == std::string::npos)
            return {};
        lines.emplace_back(line.substr(0, colon), line.substr(colon + 2));
    }
    return lines;
}

} // namespace

std::string sweepRecord(const SweepOptions& options, const SweepPlan& plan, const TaskSplit& split,
                        const std::string& header)
{
    std::string given;
    for (const auto& [name, value] : options.given) {
        if (changesNoRow(name))
            continue;
        if (!given.empty())
            given += ' ';
        given += printable(value.empty() ? name : name + "=" + value);
    }
    const Pattern& pattern = plan.base.pattern;
    std::string record = std::string(FirstLine) + "\n";
    record += "options: " + given + "\n";
    record += "seed: " + std::to_string(plan.base.seed) + "\n";
    record += "pattern: " + (pattern.field ? hashOf(*pattern.field) : std::string("-")) + "\n";
    // Every other file read, by the SHA-256 of its bytes, one line each in
    // the order given: a changed file is another sweep.
    for (const Variation& variation : plan.variations)
        for (const Pattern& varied : variation.patterns)
            if (varied.kind == PatternKind::File)
                record += "input: --vary pattern " + varied.field->sha256 + "\n";
    if (plan.design)
        record += "input: --design " + *plan.design + "\n";
    record += "runs: " + std::to_string(plan.runCount()) + "\n";
    record += "task: " + std::to_string(split.index) + "/" + std::to_string(split.count) + "\n";
    std::string firstLine = header.substr(0, header.find('\n'));
    record += "header: " + printable(firstLine) + "\n";
    return record;
}

std::optional<std::string> recordValue(const std::string& record, const std::string& key)
{
    for (const auto& [name, value] : linesOf(record))
        if (name == key)
            return value;
    return std::nullopt;
}

std::string withRecordValue(const std::string& record, const std::string& key, const std::string& value)
{
    const std::string start = "\n" + key + ": ";
    const auto at = record.find(start);
    if (at == std::string::npos)
        return record;
    const auto end = record.find('\n', at + 1);
    return record.substr(0, at) + start + value + record.substr(end);
}

std::optional<std::string> recordDifference(const std::string& a, const std::string& b,
                                            std::initializer_list<const char*> ignoring)
{
    auto kept = [&](const std::string& record) {
        auto lines = linesOf(record);
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [&](const auto& line) {
                                       return std::find(ignoring.begin(), ignoring.end(), line.first)
                                              != ignoring.end();
                                   }),
                    lines.end());
        return lines;
    };
    const auto left = kept(a);
    const auto right = kept(b);
    if (left.empty() || right.empty())
        return std::string("format");
    for (std::size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        if (i >= left.size() || i >= right.size())
            return i < left.size() ? left[i].first : right[i].first;
        if (left[i] != right[i])
            return left[i].first;
    }
    return std::nullopt;
}
