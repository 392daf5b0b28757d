// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Patch sizes counted: (size, number of patches of that size), by size.
using SizeCounts = std::vector<std::pair<long, long>>;

SizeCounts countSizes(const std::vector<long>& sizes);
// Adds more into counts (pooling the sizes of several fields).
void addSizeCounts(SizeCounts& counts, const SizeCounts& more);

struct FitSettings {
    long xmin = 0; // 0: estimated by the Kolmogorov-Smirnov distance
    long minTail = 10;
};

// Maximum-likelihood fits of the sizes >= xmin: the discrete power law (pl),
// the power law with an exponential cut-off (tpl) and the discrete
// exponential (exp). Empty values where there is nothing to fit.
struct SizeFits {
    std::optional<long> xmin;
    std::optional<long> nTail;
    std::optional<double> plAlpha, plLoglik;
    std::optional<double> tplAlpha, tplLambda, tplLoglik;
    std::optional<double> expLambda, expLoglik;
    std::string best; // pl, tpl or exp by the smallest BIC; empty without fits
    std::optional<double> plrange;
};

SizeFits fitSizes(const SizeCounts& counts, const FitSettings& settings);

// The fitted models' P(S >= s) for s >= xmin, for drawing them; model is
// "pl", "tpl" or "exp". NaN where the fits are empty.
double fittedSurvival(const SizeFits& fits, const std::string& model, long s);
