// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imageformats.h"
#include "picturestyle.h"

#include <QByteArray>
#include <QImage>

class Bed;

// The current field in the style's palette, cellSize pixels per cell edge,
// x across and y down: an indexed picture, one byte a pixel; with the
// style's legend, the codes, colours and names to its right.
QImage drawField(const Bed& bed, int cellSize, const PictureStyle& style = {});

// The picture encoded in the format. Throws BatchError when it cannot be.
QByteArray encodePicture(const QImage& picture, PictureFormat format);
