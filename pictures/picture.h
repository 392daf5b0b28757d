// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imageformats.h"

#include <QByteArray>
#include <QImage>

class Bed;

// The current field in the program's colours, cellSize pixels per cell edge,
// x across and y down. An indexed picture: one byte a pixel.
QImage drawField(const Bed& bed, int cellSize);

// The picture encoded in the format. Throws BatchError when it cannot be.
QByteArray encodePicture(const QImage& picture, PictureFormat format);
