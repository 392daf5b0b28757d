// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>
#include <string>
#include <string_view>

class Bed;

enum class PictureFormat { Png, Jpeg };

constexpr int MaxCellSize = 50;       // pixels per cell edge
constexpr int MaxPictureSide = 16384;  // pixels per picture side

// Whether text ends in ending (lower case), in any case.
bool endsWithIgnoringCase(std::string_view text, std::string_view ending);

// The format named by the file's ending: .png, or .jpg / .jpeg, in any case.
std::optional<PictureFormat> pictureFormatFor(std::string_view path);

// Refuses (BatchError) a picture of more than MaxPictureSide pixels a side.
void checkPictureSize(int cellsX, int cellsY, int cellSize, const std::string& option = "--picture");

// The current field in the program's colours, cellSize pixels per cell edge,
// x across and y down. An indexed picture: one byte a pixel.
QImage drawField(const Bed& bed, int cellSize);

// The picture encoded in the format. Throws BatchError when it cannot be.
QByteArray encodePicture(const QImage& picture, PictureFormat format);
