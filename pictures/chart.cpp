// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart.h"

#include "batcherror.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <memory>

void ensureGuiApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 3;
    static char name[] = "tidmar-batch";
    static char option[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    // Qt's notes on the platform (no runtime folder and the like) are no
    // business of this tool's standard error.
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static const std::unique_ptr<QGuiApplication> application = std::make_unique<QGuiApplication>(argc, argv);
    qInstallMessageHandler(previous);
}

namespace {

// Tick positions at a round spacing (1, 2 or 5 times a power of ten) giving
// about five to ten ticks over [low, high].
std::vector<double> ticks(double low, double high)
{
    const double span = high - low;
    const double raw = span / 6;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power;
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (raw <= factor * power) {
            step = factor * power;
            break;
        }
    std::vector<double> result;
    for (double tick = std::ceil(low / step - 1e-9) * step; tick <= high + step * 1e-9; tick += step)
        result.push_back(std::abs(tick) < step * 1e-9 ? 0.0 : tick);
    return result;
}

void draw(QPainter& painter, const Chart& chart, int width, int height)
{
    const QFontMetrics metrics(painter.font());

    double xLow = 0, xHigh = 1;
    bool first = true;
    for (const ChartLine& line : chart.lines)
        for (const QPointF& point : line.points) {
            xLow = first ? point.x() : std::min(xLow, point.x());
            xHigh = first ? point.x() : std::max(xHigh, point.x());
            first = false;
        }
    if (xHigh <= xLow) {
        xLow -= 0.5;
        xHigh += 0.5;
    }
    const int titleLines = static_cast<int>(chart.title.count('\n')) + 1;
    const QRectF area(80, 20 + titleLines * metrics.height() + 10, width - 80 - 220, 0);
    const QRectF plot(area.left(), area.top(), area.width(), height - area.top() - 70);
    auto toX = [&](double x) { return plot.left() + (x - xLow) / (xHigh - xLow) * plot.width(); };
    auto toY = [&](double y) { return plot.bottom() - y * plot.height(); };

    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, 10, width, titleLines * metrics.height() + 4), Qt::AlignHCenter | Qt::AlignTop,
                     chart.title);

    // Axes, ticks, grid and labels.
    const QPen grid(QColor(225, 225, 225), 1);
    for (double y = 0; y <= 1.0001; y += 0.1) {
        painter.setPen(grid);
        painter.drawLine(QPointF(plot.left(), toY(y)), QPointF(plot.right(), toY(y)));
        painter.setPen(Qt::black);
        painter.drawLine(QPointF(plot.left() - 5, toY(y)), QPointF(plot.left(), toY(y)));
        painter.drawText(QRectF(plot.left() - 60, toY(y) - 10, 50, 20), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(y, 'f', 1));
    }
    for (double x : ticks(xLow, xHigh)) {
        painter.setPen(grid);
        painter.drawLine(QPointF(toX(x), plot.top()), QPointF(toX(x), plot.bottom()));
        painter.setPen(Qt::black);
        painter.drawLine(QPointF(toX(x), plot.bottom()), QPointF(toX(x), plot.bottom() + 5));
        painter.drawText(QRectF(toX(x) - 50, plot.bottom() + 7, 100, 20), Qt::AlignHCenter | Qt::AlignTop,
                         QString::number(x, 'g', 6));
    }
    painter.setPen(QPen(Qt::black, 1.5));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.drawText(QRectF(plot.left(), plot.bottom() + 30, plot.width(), 24), Qt::AlignHCenter, chart.xLabel);
    painter.save();
    painter.translate(20, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, -12, plot.height(), 24), Qt::AlignCenter, chart.yLabel);
    painter.restore();

    // The lines, clipped to the plot, with their error bars and points.
    painter.save();
    painter.setClipRect(plot.adjusted(-4, -4, 4, 4));
    for (const ChartLine& line : chart.lines) {
        QPainterPath path;
        for (std::size_t i = 0; i < line.points.size(); ++i) {
            const QPointF at(toX(line.points[i].x()), toY(line.points[i].y()));
            i == 0 ? path.moveTo(at) : path.lineTo(at);
        }
        painter.setPen(QPen(line.colour, 2, line.style, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        if (line.errors.empty())
            continue;
        painter.setPen(QPen(line.colour, 1.5));
        painter.setBrush(line.colour);
        for (std::size_t i = 0; i < line.points.size(); ++i) {
            const double x = toX(line.points[i].x());
            const double y = line.points[i].y();
            const double error = line.errors[i];
            painter.drawLine(QPointF(x, toY(y - error)), QPointF(x, toY(y + error)));
            painter.drawLine(QPointF(x - 4, toY(y - error)), QPointF(x + 4, toY(y - error)));
            painter.drawLine(QPointF(x - 4, toY(y + error)), QPointF(x + 4, toY(y + error)));
            painter.drawEllipse(QPointF(x, toY(y)), 3, 3);
        }
    }
    // Every replicate, faint and a little to the right of its mean.
    for (const ChartLine& line : chart.lines) {
        QColor faint = line.colour;
        faint.setAlpha(90);
        painter.setPen(Qt::NoPen);
        painter.setBrush(faint);
        for (const QPointF& point : line.replicates)
            painter.drawEllipse(QPointF(toX(point.x()) + 7, toY(point.y())), 2.5, 2.5);
    }
    painter.restore();

    // The legend to the right of the plot.
    double y = plot.top() + 10;
    for (const LegendEntry& entry : chart.legend) {
        const double x = plot.right() + 20;
        if (entry.colour.isValid()) {
            painter.setPen(QPen(entry.colour, 3, entry.style));
            painter.drawLine(QPointF(x, y), QPointF(x + 30, y));
        }
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x + 38, y - 10, 180, 20), Qt::AlignLeft | Qt::AlignVCenter, entry.label);
        y += 22;
    }
}

} // namespace

QByteArray renderDrawing(int width, int height, bool svg, const QString& title,
                         const std::function<void(QPainter&)>& draw)
{
    ensureGuiApplication();
    // A white page and the plots' font.
    auto prepare = [width, height](QPainter& painter) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(QRect(0, 0, width, height), Qt::white);
        QFont font("DejaVu Sans");
        font.setPixelSize(14);
        painter.setFont(font);
    };
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(QSize(width, height));
        generator.setViewBox(QRect(0, 0, width, height));
        generator.setTitle(title);
        QPainter painter(&generator);
        prepare(painter);
        draw(painter);
        painter.end();
        return bytes;
    }
    QImage image(width, height, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        prepare(painter);
        draw(painter);
    }
    if (!image.save(&buffer, "PNG"))
        throw BatchError("--plot: cannot encode the plot as PNG");
    return bytes;
}

QByteArray renderChart(const Chart& chart, int width, int height, bool svg)
{
    return renderDrawing(width, height, svg, chart.title,
                         [&](QPainter& painter) { draw(painter, chart, width, height); });
}

QByteArray renderPanels(const std::vector<Chart>& panels, const QString& title, int width, int height, bool svg)
{
    const int count = static_cast<int>(panels.size());
    const int columns = std::min(count, 3);
    const int rows = (count + columns - 1) / columns;
    const int band = 30 + 18 * static_cast<int>(title.count('\n') + 1);
    return renderDrawing(columns * width, band + rows * height, svg, title, [&](QPainter& painter) {
        painter.fillRect(QRect(0, 0, columns * width, band + rows * height), Qt::white);
        QFont font("DejaVu Sans");
        font.setPixelSize(16);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, 10, columns * width, band - 10), Qt::AlignHCenter | Qt::AlignTop, title);
        for (int i = 0; i < count; ++i) {
            painter.save();
            painter.translate((i % columns) * width, band + (i / columns) * height);
            draw(painter, panels[static_cast<std::size_t>(i)], width, height);
            painter.restore();
        }
    });
}
