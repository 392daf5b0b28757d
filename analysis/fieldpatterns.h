// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "patchclass.h"
#include "patchlabeller.h"
#include "sizefits.h"

#include <cstdint>
#include <optional>
#include <vector>

struct PatternSettings {
    bool periodic = true;
    int neighbourhood = 4; // 4 or 8
    int coarseGrain = 4;   // the block side of variance and skewness, >= 1
    FitSettings fit;
};

// The measures of one field and class.
struct FieldMeasures {
    double cover = 0;
    long patches = 0;
    std::optional<double> meanSize; // empty without patches
    long maxSize = 0;
    bool spans = false;
    std::optional<double> variance, skewness, moran;
};

// Analyses fields of one size, one class at a time: the codes are classified
// into a mask, whose patches are labelled and measured. Sized once; a field
// is stored in rows of cols codes (a field stored column by column gives the
// same results with rows and cols swapped).
class FieldAnalyser {
public:
    FieldAnalyser(int rows, int cols);
    // The bytes an analyser of rows x cols holds.
    static std::size_t bytesFor(int rows, int cols);

    template <typename Code>
    void classifyField(const Code* codes, const PatchClass& cls)
    {
        classify(codes, static_cast<long>(mask_.size()), cls, mask_.data());
    }
    // The same for rows that lie stride codes apart.
    template <typename Code>
    void classifyRows(const Code* codes, std::size_t stride, const PatchClass& cls)
    {
        const std::size_t cols = static_cast<std::size_t>(labeller_.cols());
        for (int r = 0; r < labeller_.rows(); ++r)
            classify(codes + r * stride, static_cast<long>(cols), cls, mask_.data() + r * cols);
    }
    // The mask of the class (rows x cols bytes, 0 or 1), to fill directly.
    std::uint8_t* mask() { return mask_.data(); }

    // Labels the mask and measures it; the sizes stay in sizes().
    FieldMeasures measure(const PatternSettings& settings);
    // Labels the mask only, for its sizes.
    void labelOnly(const PatternSettings& settings);
    const std::vector<long>& sizes() const { return labeller_.sizes(); }
    const PatchLabeller& labeller() const { return labeller_; }

private:
    std::vector<std::uint8_t> mask_;
    std::vector<std::uint32_t> columnOnes_; // the block moments' column sums
    PatchLabeller labeller_;
};
