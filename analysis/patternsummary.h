// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fieldpatterns.h"
#include "sizefits.h"

#include <array>
#include <string>
#include <variant>

// One value of the summary: empty, a whole number, a number, true/false or a
// name.
using PatternValue = std::variant<std::monostate, long, double, bool, std::string>;

// The summary's columns after file, class, width and height, in order.
inline constexpr std::array<const char*, 19> PatternColumns = {
    "cover",     "patches",   "mean_size", "max_size",  "spans",      "variance",  "skewness",
    "moran",     "xmin",      "n_tail",    "pl_alpha",  "pl_loglik",  "tpl_alpha", "tpl_lambda",
    "tpl_loglik", "exp_lambda", "exp_loglik", "best",    "plrange",
};

// The values of those columns for the measures and fits of one field.
std::array<PatternValue, PatternColumns.size()> patternValues(const FieldMeasures& field, const SizeFits& fits);

// Only the fits' columns, xmin .. plrange (for pooled sizes).
std::array<PatternValue, 11> fitValues(const SizeFits& fits);
