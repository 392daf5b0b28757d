// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings.h"
#include "values.h"

#include <set>
#include <string>
#include <string_view>

// Sets a sweep's own setting key (replicates, jobs, burn_in) as the model's
// are set by setModelValue. Returns false for any other key.
bool setSweepValue(SweepOptions& options, std::string_view key, const Value& value, const std::string& name);

// Adds a variation, refusing a second one of the same parameter.
void addVariation(SweepOptions& options, Variation variation, SettingName nameOf);

// What a sweep's settings refuse together once all are read, besides the
// model's own (checkModelOptions): a burn-in that leaves no step, a setting
// both fixed and varied. given holds the keys of the settings given.
void checkSweepOptions(const SweepOptions& options, const std::set<std::string>& given, SettingName nameOf);
