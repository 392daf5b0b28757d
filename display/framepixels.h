// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"

#include <QRgb>

#include <cstddef>
#include <cstdint>

// The frame of the run loop: the cells of a lattice as byte codes, and the
// codes as one-pixel cells of a canvas. Plain loops over memory, kept apart
// from the widget so that they can be built for the processor at hand.

// Codes in a frame: 0 .. 4 for the states -1 .. 3, 5 for any other value.
constexpr int FrameCodes = StateCount + 1;

// codes[i] = the frame code of cells[i], for n cells.
void frameCodes(const Cell* cells, std::size_t n, std::uint8_t* codes);

// Writes the colour of every code of an x-major frame of cellsX x cellsY
// codes into the pixel at (x, y) of an image of pitch pixels a line.
void framePixels(const std::uint8_t* codes, int cellsX, int cellsY, QRgb* pixels, std::ptrdiff_t pitch,
                 const QRgb (&colours)[FrameCodes]);

// The same without vector instructions, which framePixels() falls back on
// where the processor lacks SSSE3.
void framePixelsPlain(const std::uint8_t* codes, int cellsX, int cellsY, QRgb* pixels, std::ptrdiff_t pitch,
                      const QRgb (&colours)[FrameCodes]);
