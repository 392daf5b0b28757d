// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sweepplan.h"

#include <optional>
#include <string>

// The number of CPUs this process may use: the CPUs it may run on
// (sched_getaffinity), lowered to its cgroup's CPU quota (cgroup v2 cpu.max
// of its group and every group above it, or v1 cpu.cfs_quota_us), rounded
// up, and to SLURM_CPUS_PER_TASK when that is set. At least 1.
int availableCpus(const EnvironmentLookup& environment);

// The quota in "cpu.max" form ("max 100000" or "QUOTA PERIOD") as CPUs,
// rounded up; nothing for no limit or text not of that form.
std::optional<int> cpuMaxLimit(const std::string& text);
