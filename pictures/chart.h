// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QColor>
#include <QPointF>
#include <QString>

#include <vector>

// A line chart of fractions (0 to 1) against a number, drawn by QPainter
// into a PNG or an SVG.
struct ChartLine {
    QColor colour;
    Qt::PenStyle style = Qt::SolidLine;
    std::vector<QPointF> points;
    std::vector<double> errors;  // half-heights of error bars per point; empty: none
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

// width x height pixels (SVG: user units); svg chooses the format.
QByteArray renderChart(const Chart& chart, int width, int height, bool svg);
