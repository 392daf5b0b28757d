// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageformats.h"

#include "batcherror.h"

#include <algorithm>
#include <cctype>

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

std::optional<PlotFormat> plotFormatFor(std::string_view path)
{
    if (endsWithIgnoringCase(path, ".png"))
        return PlotFormat::Png;
    if (endsWithIgnoringCase(path, ".svg"))
        return PlotFormat::Svg;
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
