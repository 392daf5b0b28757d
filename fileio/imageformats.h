// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The pictures and plots an output's file name asks for, and their limits:
// what the readers of options check before anything is drawn.

enum class PictureFormat { Png, Jpeg };
enum class PlotFormat { Png, Svg };

constexpr int MaxCellSize = 50;       // pixels per cell edge
constexpr int MaxPictureSide = 16384;  // pixels per picture side

// Whether text ends in ending (lower case), in any case.
bool endsWithIgnoringCase(std::string_view text, std::string_view ending);

// The format named by the file's ending: .png, or .jpg / .jpeg, in any case.
std::optional<PictureFormat> pictureFormatFor(std::string_view path);

// The format named by the file's ending: .png or .svg, in any case.
std::optional<PlotFormat> plotFormatFor(std::string_view path);

// Refuses (BatchError) a picture of more than MaxPictureSide pixels a side.
void checkPictureSize(int cellsX, int cellsY, int cellSize, const std::string& option = "--picture");
