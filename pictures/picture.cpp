// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture.h"

#include "batcherror.h"
#include "cellcolours.h"
#include "bed.h"

#include <QBuffer>

#include <cstring>

namespace {

// In the order of the codes -1, 0, 1, 2, 3.
QList<QRgb> cellColours()
{
    return QList<QRgb>(stateColours.begin(), stateColours.end());
}

} // namespace

QImage drawField(const Bed& bed, int cellSize)
{
    QImage picture(bed.cellsX() * cellSize, bed.cellsY() * cellSize, QImage::Format_Indexed8);
    if (picture.isNull())
        throw BatchError("--picture: not enough memory for the picture");
    picture.setColorTable(cellColours());
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
    return picture;
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
