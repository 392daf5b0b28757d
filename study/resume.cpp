// SPDX-License-Identifier: GPL-3.0-or-later
#include "resume.h"

#include "batcherror.h"
#include "inputfile.h"
#include "numbers.h"
#include "interruption.h"
#include "printable.h"
#include "sweeprecord.h"

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
// it; kept counts what was accepted.
using LineCheck = std::function<bool(const std::string& line, std::int64_t& kept)>;

// The bytes of the header and of the accepted lines at the start of fd, and
// the count the check keeps.
std::pair<std::int64_t, std::int64_t> keptPrefix(int fd, const std::string& header, const LineCheck& check)
{
    std::int64_t bytes = 0;
    std::int64_t kept = 0;
    bool headerSeen = false;
    std::string line;
    auto accept = [&]() -> bool {
        for (char c : line)
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F)
                return false;
        if (!(headerSeen ? check(line, kept) : line == header))
            return false;
        headerSeen = true;
        bytes += static_cast<std::int64_t>(line.size());
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
                    return {bytes, kept};
                line.clear();
            } else if (line.size() > MaxRowBytes) {
                return {bytes, kept};
            }
        }
    }
    return {bytes, kept};
}

// Summary rows: row k is the part's k-th run with its seed.
LineCheck summaryRows(std::int64_t seed, const TaskSplit& split)
{
    return [seed, split](const std::string& line, std::int64_t& kept) {
        const std::int64_t run = nthRunOfPart(kept, split);
        if (line.rfind(std::to_string(run) + "," + std::to_string(seed + run) + ",", 0) != 0)
            return false;
        ++kept;
        return true;
    };
}

// Time-series lines of the part's first runs runs, each run's together;
// kept counts the runs begun.
LineCheck seriesLines(const TaskSplit& split, std::int64_t runs)
{
    return [split, runs](const std::string& line, std::int64_t& kept) {
        const auto comma = line.find(',');
        const auto run = parseInteger(std::string_view(line).substr(0, comma), 0, INT64_MAX / 2);
        if (comma == std::string::npos || !run || (*run - split.index) % split.count != 0)
            return false;
        const std::int64_t position = (*run - split.index) / split.count;
        if (position >= runs || (position != kept - 1 && position != kept))
            return false;
        kept = position + 1;
        return true;
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
    if (key == "task")
        return "another part";
    if (key == "header")
        return "other columns";
    return "another " + key;
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
    std::unique_ptr<DIR, int (*)(DIR*)> entries(::fdopendir(::dup(directory)), ::closedir);
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
        if (!file || !header || !recordValue(*kept, "seed"))
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
                                       const TaskSplit& split, const std::string& option)
{
    return findKept(place, record, seedGiven, option, [&](const std::string& kept) {
        return summaryRows(std::stoll(*recordValue(kept, "seed")), split);
    });
}

std::optional<KeptSweep> findKeptSeries(const OutputPlace& place, const std::string& record, bool seedGiven,
                                        const TaskSplit& split, std::int64_t runs, const std::string& option)
{
    std::optional<KeptSweep> kept =
        findKept(place, record, seedGiven, option, [&](const std::string&) { return seriesLines(split, runs); });
    if (kept && kept->rows != runs)
        return std::nullopt;
    return kept;
}

bool sweepAlreadyDone(const OutputPlace& place, const std::string& record, bool seedGiven)
{
    const std::optional<std::string> kept = ownFileText(place.directory.get(), recordName(place.name));
    return place.exists && kept && matches(*kept, record, seedGiven);
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
