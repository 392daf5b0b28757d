// SPDX-License-Identifier: GPL-3.0-or-later
#include "sweepsettings.h"

#include "batcherror.h"

#include <algorithm>

bool setSweepValue(SweepOptions& options, std::string_view key, const Value& value, const std::string& name)
{
    if (key == "replicates")
        options.replicates = readWhole(value, 1, 2147483647, name);
    else if (key == "jobs")
        options.jobs = static_cast<int>(readWhole(value, 1, MaxJobs, name));
    else if (key == "burn_in")
        options.burnIn = readWhole(value, 0, 2147483647, name);
    else
        return false;
    return true;
}

void addVariation(SweepOptions& options, Variation variation, SettingName nameOf)
{
    for (const Variation& earlier : options.variations)
        if (earlier.name == variation.name)
            throw BatchError(nameOf("vary") + " " + std::string(varyNameText(variation.name)) + " is given twice");
    options.variations.push_back(std::move(variation));
}

void checkSweepOptions(const SweepOptions& options, const std::set<std::string>& given, SettingName nameOf)
{
    if (options.burnIn)
        for (std::int64_t steps : stepCounts(options.model.config, options.variations))
            if (*options.burnIn >= steps)
                throw BatchError(nameOf("burn_in") + " " + std::to_string(*options.burnIn)
                                 + " leaves no step to measure in a run of " + std::to_string(steps)
                                 + " steps: the window is the steps after the burn-in");
    for (const Variation& variation : options.variations) {
        std::string key(varyNameText(variation.name));
        std::replace(key.begin(), key.end(), '-', '_');
        if (given.count(key))
            throw BatchError(nameOf(key) + " and " + nameOf("vary") + " " + std::string(varyNameText(variation.name))
                             + " are both given; keep one");
    }
}
