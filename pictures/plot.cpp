// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot.h"

#include "batcherror.h"
#include "cellcolours.h"
#include "numbers.h"
#include "picture.h"

#include "chart.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace {

const char* const LineLabels[std::size(PlotLines)] = {
    "predator on adults (-1)", "predator on young (0)", "empty (1)", "young (2)", "adult (3)",
    "mussels (2, 3)", "predators (-1, 0)"};
const char* const ExaggeratedLabels[std::size(PlotLines)] = {
    "predator on adults x10", "predator on young x10", "", "", "", "", "predators x10"};

// A second varied parameter with more values than this makes lines, not panels.
constexpr std::size_t MaxPanels = 12;

// The predators' fractions are drawn ten times exaggerated, as the desktop's
// time series draws them, so that they do not lie along zero.
double scale(int line)
{
    const auto& states = PlotLines[static_cast<std::size_t>(line)].states;
    return states[2] || states[3] || states[4] ? 1.0 : 10.0;
}

QString lineLabel(int line)
{
    return scale(line) > 1 ? ExaggeratedLabels[line] : LineLabels[line];
}

// The lines to draw, adults first as the desktop draws them.
std::vector<int> linesOf(const PictureStyle& style)
{
    if (!style.plotLines.empty())
        return style.plotLines;
    std::vector<int> lines;
    for (int state = StateCount - 1; state >= 0; --state)
        lines.push_back(state);
    return lines;
}

// The line's share of fractions (or counts), one per state.
template <class Fractions>
double lineValue(int line, const Fractions& fractions)
{
    double sum = 0;
    for (std::size_t state = 0; state < StateCount; ++state)
        if (PlotLines[static_cast<std::size_t>(line)].states[state])
            sum += static_cast<double>(fractions[state]);
    return sum;
}

const Qt::PenStyle LineStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine};

QColor lineColour(int line, Palette palette)
{
    return QColor::fromRgba(PlotLines[static_cast<std::size_t>(line)].colours[static_cast<int>(palette)]);
}

// The parameters of a run with the values of the varied ones left out, for
// a title: "256 x 256, async-uc, a2 0.6, ...".
QString fixedParameters(const RunConfig& config, const std::vector<Variation>& varied)
{
    auto isVaried = [&](VaryName name) {
        return std::any_of(varied.begin(), varied.end(), [&](const Variation& v) { return v.name == name; });
    };
    QStringList parts;
    if (!isVaried(VaryName::Width) && !isVaried(VaryName::Height) && !isVaried(VaryName::Pattern))
        parts << QString("%1 x %2 cells").arg(config.width).arg(config.height);
    const std::pair<VaryName, QString> values[] = {
        {VaryName::Scheme, SchemeNames[config.scheme]},
        {VaryName::A2, "A2 " + QString::fromStdString(formatMillionths(config.a2))},
        {VaryName::A0, "A0 " + QString::fromStdString(formatMillionths(config.a0))},
        {VaryName::D0, "D0 " + QString::fromStdString(formatMillionths(config.d0))},
        {VaryName::A3, "A3 " + QString::fromStdString(formatMillionths(config.a3))},
        {VaryName::A4, "A4 " + QString::fromStdString(formatMillionths(config.a4))},
        {VaryName::Jump, config.longRange ? QString("jump %1").arg(config.jump) : QString("no jumps")},
        {VaryName::Boundary, config.periodic ? "periodic" : "closed"},
        {VaryName::Pattern, "from " + QString::fromStdString(patternName(config.pattern))},
        {VaryName::Steps, QString("%1 steps").arg(config.steps)}};
    for (const auto& [name, text] : values)
        if (!isVaried(name) && !(name == VaryName::Jump && isVaried(VaryName::LongRange)))
            parts << text;
    if (config.mode == EngineMode::Fast)
        parts << "fast mode";
    return parts.join(", ");
}

// A varied value as a number on the axis: probabilities as decimals.
double axisValue(VaryName name, int value)
{
    switch (name) {
    case VaryName::A2:
    case VaryName::A0:
    case VaryName::D0:
    case VaryName::A3:
    case VaryName::A4:
        return value / 1e6;
    default:
        return value;
    }
}

QString axisLabel(VaryName name)
{
    switch (name) {
    case VaryName::A2:
        return "A2, recolonisation";
    case VaryName::A0:
        return "A0, neighbour coupling";
    case VaryName::D0:
        return "D0, ocean forcing";
    case VaryName::A3:
        return "A3, maturing";
    case VaryName::A4:
        return "A4, predation";
    case VaryName::Jump:
        return "jumping range (cells)";
    case VaryName::Width:
        return "width (cells)";
    case VaryName::Height:
        return "height (cells)";
    case VaryName::Steps:
        return "steps";
    default:
        return QString::fromUtf8(varyNameText(name).data(), static_cast<qsizetype>(varyNameText(name).size()));
    }
}

} // namespace

QByteArray plotRun(const std::vector<CountsAt>& series, const RunConfig& config, const PictureStyle& style,
                   PlotFormat format)
{
    Chart chart;
    chart.title = "Fractions of the field over the run\n" + fixedParameters(config, {})
                  + QString(", seed %1").arg(config.seed);
    chart.xLabel = "step";
    chart.yLabel = "fraction of cells";
    const double cells = static_cast<double>(config.width) * config.height;
    for (const int index : linesOf(style)) {
        ChartLine line{lineColour(index, style.palette), Qt::SolidLine, {}, {}, {}};
        for (const CountsAt& entry : series)
            line.points.emplace_back(static_cast<double>(entry.step), lineValue(index, entry.counts) / cells);
        chart.lines.push_back(std::move(line));
        chart.legend.push_back({LineLabels[index], lineColour(index, style.palette), Qt::SolidLine});
    }
    return renderChart(chart, PlotWidth, PlotHeight, format == PlotFormat::Svg);
}

QByteArray plotSweep(const std::vector<RunOutput>& runs, const SweepPlan& plan, const PictureStyle& style,
                     PlotFormat format)
{
    const auto axis = std::find_if(plan.variations.begin(), plan.variations.end(),
                                   [](const Variation& variation) { return isNumeric(variation.name); });
    if (axis == plan.variations.end())
        throw BatchError("--plot: a sweep's plot needs a --vary of a number for its axis");
    const auto axisIndex = static_cast<std::size_t>(axis - plan.variations.begin());
    // The first other varied parameter with few enough values gives a panel
    // to each value; the rest tell lines apart by their dashes.
    std::optional<std::size_t> panelIndex;
    for (std::size_t v = 0; v < plan.variations.size() && !panelIndex; ++v)
        if (v != axisIndex && plan.variations[v].values.size() <= MaxPanels)
            panelIndex = v;
    auto inLines = [&](std::size_t v) { return v != axisIndex && v != panelIndex; };

    // Runs by panel, by the values of the parameters that make lines, then by
    // the axis value.
    using Points = std::map<double, std::vector<const RunSummary*>>;
    std::map<std::size_t, std::map<std::vector<std::size_t>, Points>> panels;
    for (const RunOutput& output : runs) {
        std::vector<std::size_t> key;
        for (std::size_t v = 0; v < plan.variations.size(); ++v)
            if (inLines(v))
                key.push_back(plan.valueIndex(output.run, v));
        const int value = axis->values[plan.valueIndex(output.run, axisIndex)];
        const std::size_t panel = panelIndex ? plan.valueIndex(output.run, *panelIndex) : 0;
        panels[panel][key][axisValue(axis->name, value)].push_back(&output.summary);
    }

    QString title = "Mean fraction of each state after the burn-in, against " + axisLabel(axis->name)
                    + QString(" (error bars: one standard deviation over %1 replicates, faint points: each "
                              "replicate; predators 10 times exaggerated)\n").arg(plan.replicates)
                    + fixedParameters(plan.base, plan.variations);
    if (plan.recording.burnIn)
        title += QString(", burn-in %1 steps").arg(*plan.recording.burnIn);

    std::vector<Chart> charts;
    for (const auto& [panel, groups] : panels) {
        Chart chart;
        if (panelIndex) {
            const Variation& variation = plan.variations[*panelIndex];
            chart.title = QString::fromUtf8(varyNameText(variation.name).data(),
                                            static_cast<qsizetype>(varyNameText(variation.name).size()))
                          + " " + QString::fromStdString(valueText(variation, variation.values[panel]));
        } else {
            chart.title = title;
        }
        chart.xLabel = axisLabel(axis->name);
        chart.yLabel = "mean fraction of cells";
        for (const int index : linesOf(style))
            chart.legend.push_back({lineLabel(index), lineColour(index, style.palette), Qt::SolidLine});
        std::size_t lineIndex = 0;
        for (const auto& [key, points] : groups) {
            const Qt::PenStyle dashes = LineStyles[lineIndex % std::size(LineStyles)];
            for (const int index : linesOf(style)) {
                ChartLine line{lineColour(index, style.palette), dashes, {}, {}, {}};
                for (const auto& [x, summaries] : points) {
                    double sum = 0;
                    for (const RunSummary* summary : summaries) {
                        const double value = scale(index) * lineValue(index, summary->meanFractions);
                        sum += value;
                        line.replicates.emplace_back(x, value);
                    }
                    const double mean = sum / static_cast<double>(summaries.size());
                    double squares = 0;
                    for (const RunSummary* summary : summaries) {
                        const double value = scale(index) * lineValue(index, summary->meanFractions);
                        squares += (value - mean) * (value - mean);
                    }
                    const double sd = summaries.size() > 1 ? std::sqrt(squares / static_cast<double>(summaries.size() - 1)) : 0;
                    line.points.emplace_back(x, mean);
                    line.errors.push_back(sd);
                }
                chart.lines.push_back(std::move(line));
            }
            if (groups.size() > 1) {
                QStringList label;
                std::size_t k = 0;
                for (std::size_t v = 0; v < plan.variations.size(); ++v)
                    if (inLines(v)) {
                        const Variation& variation = plan.variations[v];
                        label << QString::fromUtf8(varyNameText(variation.name).data(),
                                                   static_cast<qsizetype>(varyNameText(variation.name).size()))
                                     + " " + QString::fromStdString(valueText(variation, variation.values[key[k++]]));
                    }
                chart.legend.push_back({label.join(", "), Qt::black, dashes});
            }
            ++lineIndex;
        }
        charts.push_back(std::move(chart));
    }
    if (!panelIndex)
        return renderChart(charts.front(), PlotWidth, PlotHeight, format == PlotFormat::Svg);
    return renderPanels(charts, title, PlotWidth, PlotHeight, format == PlotFormat::Svg);
}
