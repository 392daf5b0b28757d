// SPDX-License-Identifier: GPL-3.0-or-later
#include "patternrecorder.h"

#include "bed.h"
#include "livebed.h"
#include "runoutput.h"

void WindowPatterns::add(const FieldMeasures& field, const SizeCounts& sizes)
{
    ++fields;
    cover += field.cover;
    patches += static_cast<double>(field.patches);
    maxSize += static_cast<double>(field.maxSize);
    spans += field.spans ? 1 : 0;
    const std::optional<double> optional[] = {field.meanSize, field.variance, field.skewness, field.moran};
    for (std::size_t i = 0; i < sums.size(); ++i) {
        if (optional[i]) {
            sums[i] += *optional[i];
            ++defined[i];
        }
    }
    addSizeCounts(pooled, sizes);
}

std::array<PatternValue, PatternColumns.size()> WindowPatterns::values(const FitSettings& fit) const
{
    std::array<PatternValue, PatternColumns.size()> result;
    if (fields == 0)
        return result;
    const double n = static_cast<double>(fields);
    auto mean = [&](std::size_t i) -> PatternValue {
        if (defined[i] == 0)
            return {};
        return sums[i] / static_cast<double>(defined[i]);
    };
    result = {cover / n, patches / n, mean(0), maxSize / n, spans / n, mean(1), mean(2), mean(3)};
    const auto fitted = fitValues(fitSizes(pooled, fit));
    std::copy(fitted.begin(), fitted.end(), result.begin() + 8);
    return result;
}

PatternRecorder::PatternRecorder(const PatternRecording& recording, int width, int height, bool periodic)
    : recording_(recording), settings_(recording.settings),
      analyser_(width, height),
      window_(recording.classes.size())
{
    settings_.periodic = periodic;
}

std::size_t PatternRecorder::bytesFor(int width, int height)
{
    return FieldAnalyser::bytesFor(width, height);
}

bool PatternRecorder::samples(std::int64_t step, std::int64_t steps) const
{
    return !recording_.classes.empty() && isRecordedStep(step, recording_.every, steps);
}

void PatternRecorder::record(std::int64_t step, const Bed& bed, bool inWindow, std::vector<PatchSizesAt>& series)
{
    // Column by column, as the engines store the field: read where the
    // engine keeps it, or copied once.
    const auto* live = dynamic_cast<const LiveBed*>(&bed);
    const LiveBed::StoredField stored = live ? live->storedField() : LiveBed::StoredField{};
    if (!stored.bytes && !stored.ints) {
        cells_.resize(static_cast<std::size_t>(bed.cellsX()) * bed.cellsY());
        Cell* out = cells_.data();
        for (int x = 0; x < bed.cellsX(); ++x)
            for (int y = 0; y < bed.cellsY(); ++y)
                *out++ = bed.cell(x, y);
    }
    for (std::size_t i = 0; i < recording_.classes.size(); ++i) {
        const PatchClass& cls = recording_.classes[i];
        if (stored.bytes)
            analyser_.classifyRows(stored.bytes, stored.stride, cls);
        else if (stored.ints)
            analyser_.classifyRows(stored.ints, stored.stride, cls);
        else
            analyser_.classifyField(cells_.data(), cls);
        FieldMeasures measures;
        if (inWindow)
            measures = analyser_.measure(settings_);
        else
            analyser_.labelOnly(settings_);
        SizeCounts counts = countSizes(analyser_.sizes());
        if (inWindow)
            window_[i].add(measures, counts);
        if (recording_.series)
            series.push_back({step, i, std::move(counts)});
    }
}
