// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QColor>
#include <QPointF>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

// A line chart of fractions (0 to 1) against a number, drawn by QPainter
// into a PNG or an SVG.
struct ChartLine {
    QColor colour;
    Qt::PenStyle style = Qt::SolidLine;
    std::vector<QPointF> points;
    std::vector<double> errors;  // half-heights of error bars per point; empty: none
    std::vector<QPointF> replicates;  // single values, faint points beside the line's
};

struct LegendEntry {
    QString label;
    QColor colour;
    Qt::PenStyle style = Qt::SolidLine;
};

struct Chart {
    QString title;  // may hold a line break
    QString xLabel;
    QString yLabel;
    std::vector<ChartLine> lines;
    std::vector<LegendEntry> legend;
};

// Text needs the font database, which needs a QGuiApplication: makes one on
// the offscreen platform, without a display, unless there is one. Call from
// the main thread.
void ensureGuiApplication();

// width x height pixels (SVG: user units); svg chooses the format.
QByteArray renderChart(const Chart& chart, int width, int height, bool svg);

// What draw paints on a width x height surface, as a PNG or an SVG
// (whose title is title); text works without a display.
QByteArray renderDrawing(int width, int height, bool svg, const QString& title,
                         const std::function<void(QPainter&)>& draw);

// Small multiples: the panels side by side, up to three a row, each
// width x height, under a title band with title.
QByteArray renderPanels(const std::vector<Chart>& panels, const QString& title, int width, int height, bool svg);
