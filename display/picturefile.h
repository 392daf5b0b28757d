// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

// Writing the field's picture to a file: PNG for a name ending in .png, JPEG
// for .jpg and .jpeg. The JPEG keeps the full colour resolution (no chroma
// subsampling) at quality 100, so that every cell, also of one pixel, comes
// back in the colour nearest to its own.

// True when the name ends in a suffix writePicture knows, in any case.
bool isPictureName(const QString& path);

// Writes the image; an existing file is replaced. Returns the reason of a
// failure for the user, or an empty string. A failed write leaves no file.
QString writePicture(const QImage& image, const QString& path);
