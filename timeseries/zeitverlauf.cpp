// SPDX-License-Identifier: GPL-3.0-or-later
#include "zeitverlauf.h"

#include "cellcolours.h"

#include <QColor>
#include <QPaintDevice>
#include <QPainter>
#include <QPaintEvent>
#include <QPoint>
#include <QString>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

// Curve colours, in curve order: the colours of the cell states -1, 0, 1, 2, 3.
const std::array<QColor, Zeitverlauf::curveCount> curveColours = {
    QColor::fromRgb(stateColours[0]), QColor::fromRgb(stateColours[1]), QColor::fromRgb(stateColours[2]),
    QColor::fromRgb(stateColours[3]), QColor::fromRgb(stateColours[4]),
};

const QColor headerColour(128, 128, 0);
const QColor plotAreaColour(0, 25, 0);
const QColor axisColour(0, 80, 0);

// Factor applied to the two predator shares.
constexpr double predatorExaggeration = 10.0;

// Puts lines where they are on a screen of device pixel ratio 1. There the
// toolkit draws a one-pixel line at the integer coordinate x into the pixel
// column x. With a ratio above 1 the pen is wider than one device pixel and
// is centred on x, covering half a logical pixel either side; shifting it by
// half a logical pixel makes it cover the logical pixel x (x to x + 1) again.
void alignLines(QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    if (device != nullptr && device->devicePixelRatio() > 1.0)
        painter.translate(0.5, 0.5);
}

} // namespace

Zeitverlauf::Zeitverlauf(QWidget* parent, const char* name, bool modal)
    : QDialog(parent, Qt::WindowFlags())
    , position(0)
    , latest{}
    , series{}
    , startLevel{}
    , timeScale(pageLength)
    , page(0)
    , plotHeight(256)
    , plotWidth(512)
    , margin(33)
{
    if (name != nullptr)
        setObjectName(QString::fromLatin1(name));
    setModal(modal);

    const QSize full = logicalCanvasSize();
    setGeometry(300, 200, full.width(), full.height());
    setMaximumSize(full);
    setMinimumSize(full.width() - 100, full.height() - 100);
    setWindowTitle(QStringLiteral(" Time series (predators (blue & red) 10 times exaggerated) "));

    // Every paint covers the whole window: the toolkit never erases it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);

    canvas = makeCanvas(size(), devicePixelRatio());
    canvas.fill(Qt::black);
}

Zeitverlauf::~Zeitverlauf() = default;

QSize Zeitverlauf::logicalCanvasSize() const
{
    return {plotWidth + 2 * margin, plotHeight + 2 * margin};
}

QImage Zeitverlauf::makeCanvas(QSize logicalSize, qreal devicePixelRatio)
{
    const QSize physical(qCeil(logicalSize.width() * devicePixelRatio),
                         qCeil(logicalSize.height() * devicePixelRatio));
    QImage image(physical, QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

// ---------------------------------------------------------------- slots

void Zeitverlauf::visibility(bool vis)
{
    setVisible(vis);
}

void Zeitverlauf::getstats(double a, double b, double c, double d, double e)
{
    latest = {predatorExaggeration * a, predatorExaggeration * b, c, d, e};
}

void Zeitverlauf::getstep(int steps)
{
    // Step numbers are never negative (the field widget counts from 0); a
    // negative one is read as 0 so that no index can leave the series.
    const int s = std::max(steps, 0);

    if (s <= 64) {
        timeScale = 64;
        position = s;
        page = 0;
    } else if (s <= 128) {
        timeScale = 128;
        position = s;
    } else if (s <= 256) {
        timeScale = 256;
        position = s;
    } else {
        timeScale = pageLength;
        // The new page's curves begin where the old page's curves ended.
        for (int i = 0; i < curveCount; ++i)
            startLevel[i] = heightOf(series[i][pageLength - 1]);
        position = s % pageLength;
        page = s / pageLength;
    }

    for (int i = 0; i < curveCount; ++i)
        series[i][position] = latest[i];

    update();
}

// ---------------------------------------------------------------- painting

int Zeitverlauf::heightOf(double value) const
{
    // trunc(plotHeight * value). Values are shares (at most 10 after the
    // factor); the clamp only keeps the conversion defined for absurd input
    // and lies far outside the canvas, so it never changes the picture.
    const double h = plotHeight * value;
    if (std::isnan(h))
        return 0;
    constexpr double limit = 1.0e6;
    return static_cast<int>(std::clamp(h, -limit, limit));
}

void Zeitverlauf::drawAxes(QPainter& painter) const
{
    const QSize full = logicalCanvasSize();
    painter.fillRect(QRect(QPoint(0, 0), full), Qt::black);

    painter.setPen(headerColour);
    painter.drawText(10, 14, QStringLiteral(" Current step : ") + QString::number(page * pageLength + position));

    // The plot area covers exactly plotWidth x plotHeight pixels.
    painter.fillRect(margin, margin, plotWidth, plotHeight, plotAreaColour);

    painter.setPen(axisColour);

    struct Level {
        const char* label;
        int y; // the level's row: label baseline at y + 4, grid line at y - 1
    };
    const Level levels[] = {
        {" 0 %", margin + plotHeight},
        {" 25 %", margin + 3 * plotHeight / 4},
        {" 50 %", margin + plotHeight / 2},
        {" 75 %", margin + plotHeight / 4},
        {"100 % ", margin},
    };
    for (const Level& level : levels)
        painter.drawText(1, level.y + 4, QString::fromLatin1(level.label));
    painter.drawText(6, margin + plotHeight + 15, QStringLiteral("Schritt Nr."));

    painter.save();
    alignLines(painter);
    for (const Level& level : levels)
        painter.drawLine(margin - 2, level.y - 1, margin + plotWidth, level.y - 1);

    const int verticals[] = {
        margin + plotWidth,
        margin,
        margin + plotWidth / 4,
        margin + plotWidth / 2,
        margin + 3 * plotWidth / 4,
    };
    for (const int x : verticals)
        painter.drawLine(x, margin + plotHeight, x, margin);
    painter.restore();

    // Step labels at the quarter, half, three-quarter and right-end lines.
    const int labelY = margin + plotHeight + 12;
    for (int k = 1; k <= 4; ++k) {
        const int value = timeScale < pageLength ? k * timeScale / 4
                                                 : page * pageLength + k * pageLength / 4;
        const int x = margin + k * plotWidth / 4 - 8;
        painter.drawText(x, labelY, QString::number(value));
    }
}

void Zeitverlauf::drawCurves(QPainter& painter) const
{
    // The newest sample (index position) joins its curve only with the next
    // step: with position 0 there is no segment to draw yet.
    if (position == 0)
        return;

    painter.save();
    // Heights grow upwards from the bottom of the plot area: a curve point
    // (x, y) lands on the canvas at (margin + x, margin + plotHeight - y).
    alignLines(painter);
    painter.translate(margin, margin + plotHeight);
    painter.scale(1.0, -1.0);

    const int dx = plotWidth / timeScale;
    std::array<QPoint, pageLength + 1> points;
    for (int i = 0; i < curveCount; ++i) {
        points[0] = QPoint(0, startLevel[i]);
        for (int q = 0; q < position; ++q)
            points[q + 1] = QPoint(q * dx, heightOf(series[i][q]));
        painter.setPen(curveColours[i]);
        painter.drawPolyline(points.data(), position + 1);
    }
    painter.restore();
}

void Zeitverlauf::drawPicture(QPainter& painter) const
{
    drawAxes(painter);
    drawCurves(painter);
}

QImage Zeitverlauf::picture(qreal devicePixelRatio) const
{
    QImage image = makeCanvas(logicalCanvasSize(), devicePixelRatio);
    QPainter painter(&image);
    drawPicture(painter);
    return image;
}

void Zeitverlauf::paintEvent(QPaintEvent*)
{
    // The canvas follows the device pixel ratio of the screen the window is
    // on; it is rebuilt only when that ratio changes (e.g. after moving the
    // window to another screen), never during a step.
    const qreal ratio = devicePixelRatio();
    if (canvas.devicePixelRatio() != ratio)
        canvas = makeCanvas(logicalCanvasSize(), ratio);

    {
        QPainter painter(&canvas);
        // Map the logical canvas onto the window's current size: one to one at
        // full size, scaled down when the user shrinks the window.
        painter.setViewport(rect());
        painter.setWindow(QRect(QPoint(0, 0), logicalCanvasSize()));
        drawPicture(painter);
    }

    QPainter window(this);
    window.drawImage(0, 0, canvas);
}
