// SPDX-License-Identifier: GPL-3.0-or-later
#include "patchplot.h"

#include "chart.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor PointColour(0x40, 0x40, 0x40);
const QColor Palette[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e), QColor(0x2c, 0xa0, 0x2c),
                          QColor(0xd6, 0x27, 0x28), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                          QColor(0xe3, 0x77, 0xc2), QColor(0x7f, 0x7f, 0x7f), QColor(0xbc, 0xbd, 0x22),
                          QColor(0x17, 0xbe, 0xcf)};

struct Model {
    const char* name;
    const char* label;
    QColor colour;
};
const Model Models[] = {{"pl", "power law", PowerLawColour},
                        {"tpl", "power law with cut-off", CutOffColour},
                        {"exp", "exponential", ExponentialColour}};

// A decade's label: 1, 10, 100, 1000, then 10^k.
QString decade(int power)
{
    if (power >= 0 && power <= 3)
        return QString::number(static_cast<int>(std::lround(std::pow(10.0, power))));
    return QStringLiteral("1e%1").arg(power);
}

std::vector<QPointF> survivalPoints(const SizeCounts& counts)
{
    long total = 0;
    for (const auto& [size, count] : counts)
        total += count;
    std::vector<QPointF> points;
    long atLeast = total;
    for (const auto& [size, count] : counts) {
        points.emplace_back(std::log10(static_cast<double>(size)), std::log10(static_cast<double>(atLeast) / total));
        atLeast -= count;
    }
    return points;
}

// The model's P(S >= s) over the tail, scaled to the share of the tail in
// the sample, at about a hundred sizes spread evenly on the log axis.
std::vector<QPointF> fitPoints(const PatchCurve& curve, const char* model)
{
    std::vector<QPointF> points;
    if (!curve.fits.xmin || !curve.fits.nTail || curve.counts.empty())
        return points;
    long total = 0;
    for (const auto& [size, count] : curve.counts)
        total += count;
    const double share = static_cast<double>(*curve.fits.nTail) / static_cast<double>(total);
    const double low = std::log10(static_cast<double>(*curve.fits.xmin));
    const double high = std::log10(static_cast<double>(curve.counts.back().first));
    long last = 0;
    for (int i = 0; i <= 100; ++i) {
        const long s = std::lround(std::pow(10.0, low + (high - low) * i / 100));
        if (s <= last)
            continue;
        last = s;
        const double y = share * fittedSurvival(curve.fits, model, s);
        if (y > 0 && std::isfinite(y))
            points.emplace_back(std::log10(static_cast<double>(s)), std::log10(y));
    }
    return points;
}

// The fitted parameters of a model, for the legend.
QString parameters(const SizeFits& fits, const std::string& model)
{
    if (model == "pl" && fits.plAlpha)
        return QStringLiteral("alpha %1").arg(*fits.plAlpha, 0, 'g', 3);
    if (model == "tpl" && fits.tplAlpha)
        return QStringLiteral("alpha %1, lambda %2").arg(*fits.tplAlpha, 0, 'g', 3).arg(*fits.tplLambda, 0, 'g', 3);
    if (model == "exp" && fits.expLambda)
        return QStringLiteral("lambda %1").arg(*fits.expLambda, 0, 'g', 3);
    return {};
}

struct Frame {
    QRectF area;
    double xHigh, yLow;
    QPointF at(QPointF logPoint) const
    {
        return {area.left() + logPoint.x() / xHigh * area.width(), area.top() + logPoint.y() / yLow * area.height()};
    }
};

void drawPlot(QPainter& painter, const std::vector<PatchCurve>& curves, const std::string& title, int width,
              int height)
{
    const QFontMetrics metrics(painter.font());

    double xHigh = 1, yLow = -1;
    std::vector<std::vector<QPointF>> points;
    for (const PatchCurve& curve : curves) {
        points.push_back(survivalPoints(curve.counts));
        for (const QPointF& point : points.back()) {
            xHigh = std::max(xHigh, std::ceil(point.x() - 1e-9));
            yLow = std::min(yLow, std::floor(point.y() + 1e-9));
        }
    }
    const int left = metrics.horizontalAdvance("1e-10") + 40;
    const Frame frame{QRectF(left, 50, width - left - 30, height - 50 - 3 * metrics.height() - 20), xHigh, yLow};

    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, 10, width, 30), Qt::AlignHCenter, QString::fromStdString(title));
    painter.drawRect(frame.area);
    for (int power = 0; power <= static_cast<int>(xHigh); ++power) {
        const QPointF at = frame.at({static_cast<double>(power), 0});
        const double x = at.x();
        painter.setPen(QColor(0xe0, 0xe0, 0xe0));
        painter.drawLine(QPointF(x, frame.area.top()), QPointF(x, frame.area.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x - 40, frame.area.bottom() + 4, 80, metrics.height()), Qt::AlignHCenter,
                         decade(power));
    }
    for (int power = 0; power >= static_cast<int>(yLow); --power) {
        const double y = frame.at({0, static_cast<double>(power)}).y();
        painter.setPen(QColor(0xe0, 0xe0, 0xe0));
        painter.drawLine(QPointF(frame.area.left(), y), QPointF(frame.area.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, y - metrics.height() / 2.0, left - 8, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, decade(power));
    }
    painter.drawText(QRectF(frame.area.left(), frame.area.bottom() + metrics.height() + 6, frame.area.width(),
                            metrics.height()),
                     Qt::AlignHCenter, "patch size s (cells)");
    painter.save();
    painter.translate(14, frame.area.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-200, -10, 400, metrics.height()), Qt::AlignHCenter, "share of patches of size >= s");
    painter.restore();

    struct Entry {
        QString label;
        QColor colour;
        bool points;
        double width;
    };
    std::vector<Entry> legend;
    painter.setClipRect(frame.area);
    const bool single = curves.size() == 1;
    for (std::size_t i = 0; i < curves.size(); ++i) {
        const PatchCurve& curve = curves[i];
        const QColor colour = single ? PointColour : Palette[i % std::size(Palette)];
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        for (const QPointF& point : points[i])
            painter.drawEllipse(frame.at(point), 3.0, 3.0);
        painter.setBrush(Qt::NoBrush);
        QString label = QString::fromStdString(curve.label.empty() ? std::string("patch sizes") : curve.label);
        if (!single && !curve.fits.best.empty())
            label += QStringLiteral(" (best %1: %2)")
                         .arg(QString::fromStdString(curve.fits.best), parameters(curve.fits, curve.fits.best));
        legend.push_back({label, colour, true, 0});
        for (const Model& model : Models) {
            const bool best = curve.fits.best == model.name;
            if (!single && !best)
                continue;
            const std::vector<QPointF> fitted = fitPoints(curve, model.name);
            if (fitted.size() < 2)
                continue;
            QPainterPath path(frame.at(fitted.front()));
            for (std::size_t k = 1; k < fitted.size(); ++k)
                path.lineTo(frame.at(fitted[k]));
            const double penWidth = best ? 3.5 : 1.8;
            painter.setPen(QPen(single ? model.colour : colour, penWidth, best || !single ? Qt::SolidLine : Qt::DashLine));
            painter.drawPath(path);
            if (single) {
                QString text = QString::fromLatin1(model.label) + ", " + parameters(curve.fits, model.name);
                if (best)
                    text += " (best)";
                legend.push_back({text, model.colour, false, penWidth});
            }
        }
    }
    painter.setClipping(false);
    // The legend in the lower left corner, which falling curves leave free.
    double legendWidth = 0;
    for (const Entry& entry : legend)
        legendWidth = std::max<double>(legendWidth, metrics.horizontalAdvance(entry.label));
    const double legendHeight = static_cast<double>(legend.size()) * (metrics.height() + 4) + 8;
    const QRectF box(frame.area.left() + 10, frame.area.bottom() - legendHeight - 10, legendWidth + 50, legendHeight);
    painter.setPen(QColor(0xa0, 0xa0, 0xa0));
    painter.setBrush(Qt::white);
    painter.drawRect(box);
    for (std::size_t i = 0; i < legend.size(); ++i) {
        const Entry& entry = legend[i];
        const double y = box.top() + 6 + i * (metrics.height() + 4) + metrics.height() / 2.0;
        if (entry.points) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(entry.colour);
            painter.drawEllipse(QPointF(box.left() + 20, y), 3.5, 3.5);
        } else {
            painter.setPen(QPen(entry.colour, entry.width));
            painter.drawLine(QPointF(box.left() + 8, y), QPointF(box.left() + 32, y));
        }
        painter.setPen(Qt::black);
        painter.drawText(QRectF(box.left() + 40, y - metrics.height() / 2.0, legendWidth + 10, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, entry.label);
    }
}

} // namespace

QByteArray plotPatches(const std::vector<PatchCurve>& curves, const std::string& title, PlotFormat format)
{
    return renderDrawing(PlotWidth, PlotHeight, format == PlotFormat::Svg, QString::fromStdString(title),
                         [&](QPainter& painter) { drawPlot(painter, curves, title, PlotWidth, PlotHeight); });
}
