// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fieldpatterns.h"
#include "patternsummary.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// What a front end asks of one field: a class and the patterns' options.
struct PatternRequest {
    PatchClass cls;
    PatternSettings settings;
};

// How a front end names an option of the command line in its messages
// ("--coarse-grain" -> "coarse_grain"); nullptr keeps the option's own name.
using PatternOptionName = std::string (*)(const std::string& option);

// Reads a class (named classArgument in messages) and the options' texts,
// given as the command line's options and values ("--neighbourhood", "8").
// A refusal throws std::invalid_argument in the command line's words:
// "NAME: 'TEXT' is not EXPECTED".
PatternRequest readPatternRequest(const std::string& classArgument, const std::string& cls,
                                  const std::vector<std::pair<std::string, std::string>>& options,
                                  PatternOptionName nameOf);

// kept if it analyses fields of rows x cols, otherwise a new analyser put in
// its place: a series of fields of one size is analysed without sizing one
// for each.
FieldAnalyser& sizedAnalyser(std::unique_ptr<FieldAnalyser>& kept, int rows, int cols);

// Labels and measures the classified field in analyser and fits its sizes:
// the values of a row of the patterns' summary, after file, class, width
// and height.
std::array<PatternValue, PatternColumns.size()> analysePatterns(FieldAnalyser& analyser,
                                                               const PatternSettings& settings);
