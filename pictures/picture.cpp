// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture.h"

#include "batcherror.h"
#include "bed.h"
#include "chart.h"

#include <QBuffer>
#include <QPainter>

#include <cstring>

namespace {

// The legend's rows: a swatch, the code and the state's name.
const char* const LegendLabels[StateCount] = {"-1  predator on adults", "0  predator on young", "1  empty",
                                              "2  young mussel", "3  adult mussel"};
constexpr int LegendWidth = 190;
constexpr int LegendRow = 22;
constexpr int LegendMargin = 8;

// The field picture with the legend to its right, on white.
QImage withLegend(const QImage& field, const QList<QRgb>& colours)
{
    ensureGuiApplication();
    const int height = std::max(field.height(), 2 * LegendMargin + StateCount * LegendRow);
    QImage picture(field.width() + LegendWidth, height, QImage::Format_RGB32);
    if (picture.isNull())
        throw BatchError("--picture: not enough memory for the picture");
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawImage(0, 0, field);
    QFont font("DejaVu Sans");
    font.setPixelSize(13);
    painter.setFont(font);
    for (int state = 0; state < StateCount; ++state) {
        const int top = LegendMargin + state * LegendRow;
        const QRect swatch(field.width() + LegendMargin, top + 3, 16, 16);
        painter.fillRect(swatch, QColor::fromRgb(colours[state]));
        painter.setPen(Qt::black);
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
        painter.drawText(QRect(swatch.right() + 8, top, LegendWidth - 40, LegendRow), Qt::AlignVCenter,
                         LegendLabels[state]);
    }
    return picture;
}

} // namespace

QImage drawField(const Bed& bed, int cellSize, const PictureStyle& style)
{
    QImage picture(bed.cellsX() * cellSize, bed.cellsY() * cellSize, QImage::Format_Indexed8);
    if (picture.isNull())
        throw BatchError("--picture: not enough memory for the picture");
    const auto& palette = paletteColours(style.palette);
    const QList<QRgb> colours(palette.begin(), palette.end());  // in the order of the codes -1 .. 3
    picture.setColorTable(colours);
    for (int y = 0; y < bed.cellsY(); ++y) {
        uchar* first = picture.scanLine(y * cellSize);
        for (int x = 0; x < bed.cellsX(); ++x) {
            const Cell code = bed.cell(x, y);
            const uchar index = isCellState(code) ? static_cast<uchar>(stateIndex(code)) : 0;
            std::memset(first + static_cast<std::size_t>(x) * cellSize, index, static_cast<std::size_t>(cellSize));
        }
        for (int row = 1; row < cellSize; ++row)
            std::memcpy(picture.scanLine(y * cellSize + row), first, static_cast<std::size_t>(picture.width()));
    }
    return style.legend ? withLegend(picture, colours) : picture;
}

QByteArray encodePicture(const QImage& picture, PictureFormat format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const char* name = format == PictureFormat::Png ? "PNG" : "JPEG";
    const int quality = format == PictureFormat::Png ? -1 : 95;
    if (!picture.save(&buffer, name, quality))
        throw BatchError(std::string("--picture: cannot encode the picture as ") + name);
    return bytes;
}
