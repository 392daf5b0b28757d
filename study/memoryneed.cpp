// SPDX-License-Identifier: GPL-3.0-or-later
#include "memoryneed.h"

#include "batcherror.h"
#include "fastbed.h"
#include "patternrecorder.h"
#include "settings.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// A "Name:   N kB" line of a /proc file, in bytes.
std::optional<std::uint64_t> procValue(const char* path, const std::string& name)
{
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        if (line.compare(0, name.size() + 1, name + ":") != 0)
            continue;
        try {
            return std::stoull(line.substr(name.size() + 1)) * 1024;
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// The room a limit leaves beside what the process already uses (the
// proc status line of that use); nothing without a limit.
std::optional<std::uint64_t> limitRoom(int resource, const char* used)
{
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::nullopt;
    const std::uint64_t taken = procValue("/proc/self/status", used).value_or(0);
    return limit.rlim_cur > taken ? limit.rlim_cur - taken : 0;
}

std::string gigabytes(std::uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
    return text;
}

} // namespace

std::uint64_t runBytes(const RunConfig& config, int threads, const RecordOptions* record, bool picture,
                       bool fieldText)
{
    const std::uint64_t cells = static_cast<std::uint64_t>(config.width) * static_cast<std::uint64_t>(config.height);
    // The exact engine: two lattices of ints and its column buffers.
    std::uint64_t bytes = config.mode == EngineMode::Fast ? FastBed::bytesFor(config.width, config.height, threads)
                                                          : 8 * cells + (std::uint64_t{1} << 20);
    if (fieldText)
        bytes += 3 * cells;  // a code and its comma or line end a cell
    if (!record)
        return bytes;
    if (record->patches)
        bytes += PatternRecorder::bytesFor(config.width, config.height);
    if (!record->snapshotsDir.empty())
        bytes += 3 * cells;
    if (picture || record->snapshotPictures) {
        // The picture and its encoded bytes, at most as many again.
        const std::uint64_t side = static_cast<std::uint64_t>(record->cellSize);
        bytes += 2 * cells * side * side;
    }
    return bytes;
}

std::optional<std::uint64_t> memoryOffered()
{
    std::optional<std::uint64_t> offered = procValue("/proc/meminfo", "MemAvailable");
    if (!offered) {
        const long pages = ::sysconf(_SC_AVPHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        if (pages > 0 && pageSize > 0)
            offered = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    }
    for (const auto room : {limitRoom(RLIMIT_AS, "VmSize"), limitRoom(RLIMIT_DATA, "VmData")})
        if (room)
            offered = offered ? std::min(*offered, *room) : *room;
    return offered;
}

void refuseBeyondMemory(std::uint64_t bytes, const std::string& what)
{
    const std::optional<std::uint64_t> offered = memoryOffered();
    if (offered && bytes > *offered)
        throw BatchError(what + " needs about " + gigabytes(bytes) + " of memory; the machine offers "
                         + gigabytes(*offered));
}

std::string bedSize(const RunConfig& config)
{
    return "a bed of " + std::to_string(config.width) + " x " + std::to_string(config.height) + " cells";
}
