// SPDX-License-Identifier: GPL-3.0-or-later
// Zeitverlauf: the time-series window of Tidmar III.
//
// A non-modal dialog that records the five population fractions after every
// step and draws them as five curves over the step number, one page of at
// most 512 steps at a time, with a time axis that zooms (64, 128, 256, 512
// steps) while the step number is small.
#pragma once

#include <QDialog>
#include <QImage>

#include <array>

class QPaintEvent;
class QPainter;

class Zeitverlauf : public QDialog
{
    Q_OBJECT

public:
    // Capacity of each series, divisor of the page arithmetic and step of the
    // page labels. Independent of plotWidth, although both are 512.
    static constexpr int pageLength = 512;
    static constexpr int curveCount = 5;

    using Samples = std::array<double, curveCount>;
    using Series = std::array<std::array<double, pageLength>, curveCount>;
    using Levels = std::array<int, curveCount>;

    explicit Zeitverlauf(QWidget* parent = nullptr, const char* name = nullptr, bool modal = false);
    ~Zeitverlauf() override;

    // Read access to the recorded state.
    int currentPosition() const { return position; }
    const Samples& latestValues() const { return latest; }
    const Series& samples() const { return series; }
    const Levels& startLevels() const { return startLevel; }
    int currentTimeScale() const { return timeScale; }
    int currentPage() const { return page; }
    int plotAreaHeight() const { return plotHeight; }
    int plotAreaWidth() const { return plotWidth; }
    int plotMargin() const { return margin; }

    // Size of the logical picture: (plotWidth + 2 margin) x (plotHeight + 2 margin).
    QSize logicalCanvasSize() const;

    // The off-screen canvas as left by the most recent paint.
    const QImage& canvasImage() const { return canvas; }

    // Draws the whole picture (background, axes, labels and curves) in the
    // logical coordinates of the canvas, 578 x 322, through the given painter.
    // The caller chooses the device and any viewport mapping.
    void drawPicture(QPainter& painter) const;

    // A freshly drawn picture of the logical canvas size at one to one scale,
    // with the given device pixel ratio (physical size = logical size x ratio).
    QImage picture(qreal devicePixelRatio = 1.0) const;

public slots:
    void visibility(bool vis);
    void getstats(double, double, double, double, double);
    void getstep(int steps);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawAxes(QPainter& painter) const;
    void drawCurves(QPainter& painter) const;
    int heightOf(double value) const;
    static QImage makeCanvas(QSize logicalSize, qreal devicePixelRatio);

    int position;          // index in the current page of the newest sample (0 to 511)
    Samples latest;        // values of the last getstats; the first two already x 10
    QImage canvas;         // off-screen picture, logical size 578 x 322
    Series series;         // sample of step page * 512 + i at element i
    Levels startLevel;     // height at which each curve begins at the left edge
    int timeScale;         // steps spanned by the plot width: 64, 128, 256 or 512
    int page;              // whole pages of 512 steps before the current page
    int plotHeight;        // plot area height in pixels; stands for 100 %
    int plotWidth;         // plot area width in pixels
    int margin;            // margin around the plot area, on every side
};
