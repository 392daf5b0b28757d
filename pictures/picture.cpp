// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture.h"

#include "batcherror.h"
#include "cellcolours.h"
#include "bed.h"

#include <QBuffer>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// In the order of the codes -1, 0, 1, 2, 3.
QList<QRgb> cellColours()
{
    return QList<QRgb>(stateColours.begin(), stateColours.end());
}

} // namespace

bool endsWithIgnoringCase(std::string_view text, std::string_view ending)
{
    if (text.size() < ending.size())
        return false;
    return std::equal(ending.begin(), ending.end(), text.end() - static_cast<long>(ending.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

std::optional<PictureFormat> pictureFormatFor(std::string_view path)
{
    if (endsWithIgnoringCase(path, ".png"))
        return PictureFormat::Png;
    if (endsWithIgnoringCase(path, ".jpg") || endsWithIgnoringCase(path, ".jpeg"))
        return PictureFormat::Jpeg;
    return std::nullopt;
}

void checkPictureSize(int cellsX, int cellsY, int cellSize, const std::string& option)
{
    const long width = static_cast<long>(cellsX) * cellSize;
    const long height = static_cast<long>(cellsY) * cellSize;
    if (width > MaxPictureSide || height > MaxPictureSide)
        throw BatchError(option + ": " + std::to_string(cellsX) + " x " + std::to_string(cellsY)
                         + " cells of " + std::to_string(cellSize) + " pixels make a picture of "
                         + std::to_string(width) + " x " + std::to_string(height)
                         + " pixels; at most " + std::to_string(MaxPictureSide)
                         + " a side: choose a smaller --cell-size");
}

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
