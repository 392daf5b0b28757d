// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpus.h"

#include "numbers.h"

#include <algorithm>
#include <fstream>
#include <sched.h>
#include <sstream>
#include <vector>

namespace {

int affinityCount()
{
    // Sets larger than the default cpu_set_t for machines with more CPUs.
    for (int size = CPU_SETSIZE; size <= 1 << 16; size *= 2) {
        cpu_set_t* set = CPU_ALLOC(size);
        const std::size_t bytes = CPU_ALLOC_SIZE(size);
        const bool got = ::sched_getaffinity(0, bytes, set) == 0;
        const int count = got ? CPU_COUNT_S(bytes, set) : 0;
        CPU_FREE(set);
        if (got)
            return std::max(count, 1);
    }
    return 1;
}

std::optional<std::string> fileText(const std::string& path)
{
    std::ifstream file(path);
    if (!file)
        return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::optional<std::int64_t> number(const std::string& text)
{
    std::string trimmed = text;
    while (!trimmed.empty() && (trimmed.back() == '\n' || trimmed.back() == ' '))
        trimmed.pop_back();
    return parseInteger(trimmed, -1, INT64_MAX / 2);
}

int ceilDivide(std::int64_t quota, std::int64_t period)
{
    return static_cast<int>(std::clamp<std::int64_t>((quota + period - 1) / period, 1, 1 << 20));
}

// The lowest quota on the way from this process's cgroup to the root.
std::optional<int> cgroupLimit()
{
    const std::optional<std::string> membership = fileText("/proc/self/cgroup");
    if (!membership)
        return std::nullopt;
    std::optional<int> lowest;
    auto lower = [&](std::optional<int> limit) {
        if (limit && (!lowest || *limit < *lowest))
            lowest = limit;
    };
    std::istringstream lines(*membership);
    for (std::string line; std::getline(lines, line);) {
        // "ID:CONTROLLERS:PATH"; v2 has ID 0 and no controllers.
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        std::string path = line.substr(second + 1);
        if (controllers.empty()) {
            for (;;) {
                if (const auto text = fileText("/sys/fs/cgroup" + path + "/cpu.max"))
                    lower(cpuMaxLimit(*text));
                if (path.empty() || path == "/")
                    break;
                path = path.substr(0, path.rfind('/'));
            }
        } else if (("," + controllers + ",").find(",cpu,") != std::string::npos) {
            for (const char* mount : {"/sys/fs/cgroup/cpu", "/sys/fs/cgroup/cpu,cpuacct"}) {
                const std::string group = std::string(mount) + (path == "/" ? "" : path);
                const auto quota = fileText(group + "/cpu.cfs_quota_us");
                const auto period = fileText(group + "/cpu.cfs_period_us");
                if (!quota || !period)
                    continue;
                const auto q = number(*quota);
                const auto p = number(*period);
                if (q && p && *q > 0 && *p > 0)
                    lower(ceilDivide(*q, *p));
                break;
            }
        }
    }
    return lowest;
}

} // namespace

std::optional<int> cpuMaxLimit(const std::string& text)
{
    std::istringstream words(text);
    std::string quota, period;
    if (!(words >> quota >> period) || quota == "max")
        return std::nullopt;
    const auto q = number(quota);
    const auto p = number(period);
    if (!q || !p || *q <= 0 || *p <= 0)
        return std::nullopt;
    return ceilDivide(*q, *p);
}

int availableCpus(const EnvironmentLookup& environment)
{
    int cpus = affinityCount();
    if (const std::optional<int> quota = cgroupLimit())
        cpus = std::min(cpus, *quota);
    if (const std::optional<std::string> text = environment("SLURM_CPUS_PER_TASK"))
        if (const auto slurm = parseInteger(*text, 1, 1 << 20))
            cpus = std::min<int>(cpus, static_cast<int>(*slurm));
    return std::max(cpus, 1);
}
