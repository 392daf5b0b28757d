// SPDX-License-Identifier: GPL-3.0-or-later
#include "sizeplot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr int left = 56, right = 16, top = 14, bottom = 40;

// The text of decade k: 1 and 10 plainly, otherwise 10 with k raised.
void drawDecade(QPainter& painter, const QRect& box, int k, Qt::Alignment align)
{
    if (k == 0 || k == 1) {
        painter.drawText(box, align, k == 0 ? QStringLiteral("1") : QStringLiteral("10"));
        return;
    }
    const QFont base = painter.font();
    QFont small = base;
    small.setPointSizeF(base.pointSizeF() * 0.75);
    const QString power = QString::number(k);
    const int baseWidth = QFontMetrics(base).horizontalAdvance(QStringLiteral("10"));
    const int width = baseWidth + QFontMetrics(small).horizontalAdvance(power);
    int x = box.left();
    if (align & Qt::AlignHCenter)
        x = box.center().x() - width / 2;
    else if (align & Qt::AlignRight)
        x = box.right() - width;
    const int baseline = box.center().y() + QFontMetrics(base).ascent() / 2;
    painter.drawText(x, baseline, QStringLiteral("10"));
    painter.setFont(small);
    painter.drawText(x + baseWidth, baseline - QFontMetrics(base).ascent() / 2, power);
    painter.setFont(base);
}

}  // namespace

SizePlot::SizePlot(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(320, 240);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void SizePlot::setSizes(const SizeCounts& sizes, const SizeFits& fitted)
{
    counts = sizes;
    fits = fitted;
    total = 0;
    for (const auto& [size, number] : counts)
        total += number;
    update();
}

void SizePlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect area(left, top, width() - left - right, height() - top - bottom);
    const long largest = counts.empty() ? 10 : counts.back().first;
    const int xDecades = std::max(1, int(std::ceil(std::log10(double(largest)) - 1e-9)));
    const int yDecades = std::max(1, int(std::ceil(std::log10(double(std::max(total, 10L))) - 1e-9)));
    const auto xAt = [&](double s) { return area.left() + area.width() * std::log10(s) / xDecades; };
    const auto yAt = [&](double share) { return area.top() - area.height() * std::log10(share) / yDecades; };

    painter.setPen(palette().color(QPalette::Mid));
    for (int k = 0; k <= xDecades; ++k)
        painter.drawLine(QPointF(xAt(std::pow(10.0, k)), area.top()), QPointF(xAt(std::pow(10.0, k)), area.bottom()));
    for (int k = 0; k <= yDecades; ++k)
        painter.drawLine(QPointF(area.left(), yAt(std::pow(10.0, -k))), QPointF(area.right(), yAt(std::pow(10.0, -k))));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawRect(area);
    const int line = fontMetrics().height();
    for (int k = 0; k <= xDecades; ++k) {
        const int x = int(xAt(std::pow(10.0, k)));
        drawDecade(painter, QRect(x - 30, area.bottom() + 4, 60, line), k, Qt::AlignHCenter);
    }
    for (int k = 0; k <= yDecades; ++k) {
        const int y = int(yAt(std::pow(10.0, -k)));
        drawDecade(painter, QRect(0, y - line / 2, left - 6, line), -k, Qt::AlignRight);
    }
    painter.drawText(QRect(area.left(), area.bottom() + 4 + line, area.width(), line), Qt::AlignHCenter,
                     QStringLiteral("patch size s (cells)"));
    painter.save();
    painter.translate(12, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-area.height() / 2, -line / 2, area.height(), line), Qt::AlignHCenter,
                     QStringLiteral("share of patches \u2265 s"));
    painter.restore();
    if (total == 0) {
        painter.drawText(area, Qt::AlignCenter, QStringLiteral("No gap patches"));
        return;
    }

    painter.setClipRect(area.adjusted(-3, -3, 3, 3));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 70, 160));
    long atLeast = total;
    for (const auto& [size, number] : counts) {
        painter.drawEllipse(QPointF(xAt(double(size)), yAt(double(atLeast) / double(total))), 2.5, 2.5);
        atLeast -= number;
    }
    if (!fits.xmin || !fits.plAlpha || !fits.nTail)
        return;
    // The fit describes the tail: its survival times the tail's share.
    const double tailShare = double(*fits.nTail) / double(total);
    const double from = std::log10(double(*fits.xmin)), to = std::log10(double(largest));
    QPainterPath path;
    for (int i = 0; i <= 100; ++i) {
        const long s = std::lround(std::pow(10.0, from + (to - from) * i / 100));
        const double share = fittedSurvival(fits, "pl", s) * tailShare;
        if (!std::isfinite(share) || share <= 0)
            break;
        const QPointF point(xAt(double(s)), yAt(share));
        i == 0 ? path.moveTo(point) : path.lineTo(point);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(200, 30, 30), 1.5, Qt::DashLine));
    painter.drawPath(path);
}
