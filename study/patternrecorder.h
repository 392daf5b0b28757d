// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fieldpatterns.h"
#include "patternsummary.h"
#include "sizefits.h"

#include "cellstate.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class Bed;

// What a run records of its patches (--patch-class, --patterns).
struct PatternRecording {
    std::vector<PatchClass> classes; // empty: no patches recorded
    PatternSettings settings;        // periodic is taken from each run's boundary
    std::int64_t every = 1;          // fields at steps 0, every, 2 every, ... and the last
    bool series = false;             // keep the sizes of each such field (--patterns)
};

// The sizes of one class's patches in the field after step.
struct PatchSizesAt {
    std::int64_t step = 0;
    std::size_t classIndex = 0;
    SizeCounts counts;
};

// One class over the fields sampled in the measurement window: the means of
// the measures (spans as the share of fields with a spanning patch) and the
// pooled sizes.
struct WindowPatterns {
    long fields = 0;
    double cover = 0, patches = 0, maxSize = 0, spans = 0;
    std::array<double, 4> sums{};   // mean_size, variance, skewness, moran
    std::array<long, 4> defined{};  // the fields where each is not empty
    SizeCounts pooled;

    void add(const FieldMeasures& field, const SizeCounts& sizes);
    // The 19 values of the class's summary columns, the fits on the pooled sizes.
    std::array<PatternValue, PatternColumns.size()> values(const FitSettings& fit) const;
};

// Analyses a run's fields at its sampled steps: sized once for the run.
class PatternRecorder {
public:
    PatternRecorder(const PatternRecording& recording, int width, int height, bool periodic);
    // The bytes a recorder for fields of width x height holds.
    static std::size_t bytesFor(int width, int height);

    bool samples(std::int64_t step, std::int64_t steps) const;
    // The field after step: into the window's means when inWindow, into the
    // series when the recording keeps one.
    void record(std::int64_t step, const Bed& bed, bool inWindow, std::vector<PatchSizesAt>& series);
    const std::vector<WindowPatterns>& window() const { return window_; }

private:
    const PatternRecording& recording_;
    PatternSettings settings_;
    std::vector<Cell> cells_; // a copy of the field, for a bed that is not a LiveBed
    FieldAnalyser analyser_;
    std::vector<WindowPatterns> window_;
};
