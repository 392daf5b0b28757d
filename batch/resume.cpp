#include "resume.h"

#include "batcherror.h"
#include "inputfile.h"
#include "interruption.h"
#include "printable.h"
#include "sweeprecord.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
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

// The bytes of the header and of the complete, expected rows at the start
// of fd, and their number of rows.
std::pair<std::int64_t, std::int64_t> keptPrefix(int fd, const std::string& header, std::int64_t seed,
                                                 const TaskSplit& split)
{
    std::int64_t bytes = 0;
    std::int64_t rows = -1;  // the header first
    std::string line;
    auto expected = [&] {
        const std::int64_t run = nthRunOfPart(rows, split);
        return std::to_string(run) + "," + std::to_string(seed + run) + ",";
    };
    auto accept = [&]() -> bool {
        if (rows < 0 ? line != header : line.rfind(expected(), 0) != 0)
            return false;
        for (char c : line)
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F)
                return false;
        bytes += static_cast<std::int64_t>(line.size());
        ++rows;
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
                    return {bytes, std::max<std::int64_t>(rows, 0)};
                line.clear();
            } else if (line.size() > MaxRowBytes) {
                return {bytes, std::max<std::int64_t>(rows, 0)};
            }
        }
    }
    return {bytes, std::max<std::int64_t>(rows, 0)};
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

std::optional<KeptSweep> findKeptSweep(const OutputPlace& place, const std::string& record, bool seedGiven,
                                       const TaskSplit& split, const std::string& option)
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
        const Descriptor summary = openOwnFile(directory, temporaryName(place.name, token, ".tmp"), O_RDONLY);
        const std::optional<std::string> seed = recordValue(*kept, "seed");
        const std::optional<std::string> header = recordValue(*kept, "header");
        if (!summary || !seed || !header)
            continue;
        const auto [bytes, rows] = keptPrefix(summary.get(), *header + "\n", std::stoll(*seed), split);
        if (bytes > 0 && (!best || rows > best->rows))
            best = KeptSweep{token, *kept, rows, bytes};
    }
    if (!best && otherDifference)
        throw BatchError("--resume: what an interrupted sweep kept beside " + option + " " + inQuotes(place.name)
                         + " comes from another sweep (" + differenceText(*otherDifference)
                         + "); give the same options as then, or leave --resume out to start again");
    return best;
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
