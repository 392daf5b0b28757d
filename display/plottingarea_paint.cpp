// SPDX-License-Identifier: GPL-3.0-or-later
// Painting: the changed cells into the canvas, the canvas onto the widget and
// into picture files.

#include "plottingarea.h"

#include "cellcolours.h"
#include "framepixels.h"
#include "picturefile.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <iostream>

namespace {

// Fills the square of cell (x, y), edge pixels wide, in an image of pitch
// pixels a line.
void fillCell(QRgb* pixels, qsizetype pitch, int edge, int x, int y, QRgb colour)
{
    QRgb* corner = pixels + qsizetype{y} * edge * pitch + qsizetype{x} * edge;
    if (edge == 1) {
        *corner = colour;
        return;
    }
    for (int row = 0; row < edge; ++row)
        std::fill_n(corner + row * pitch, edge, colour);
}

// Calls visit(x, y, at) for every cell of a field, at being the cell's index
// in an x-major lattice. The lattice runs down the columns, the canvas along
// the lines, so the field goes in bands of a few columns, line by line within
// a band: each line of a band fills a cache line of the canvas, and the
// band's columns are read sequentially. After a step of a large field
// hundreds of thousands of cells change, so the pixels are written directly.
template <typename Visit>
void inCanvasOrder(int cellsX, int cellsY, Visit visit)
{
    constexpr int Band = 16;
    for (int x0 = 0; x0 < cellsX; x0 += Band) {
        const int x1 = std::min(x0 + Band, cellsX);
        for (int y = 0; y < cellsY; ++y)
            for (int x = x0; x < x1; ++x)
                visit(x, y, qsizetype{x} * cellsY + y);
    }
}

constexpr QRgb frameColours[FrameCodes] = {stateColours[0], stateColours[1], stateColours[2],
                                           stateColours[3], stateColours[4], otherColour};

}  // namespace

// While the worker steps, the canvas is shown as it is: paintFrame() has
// drawn it.
void PlottingArea::paintEvent(QPaintEvent*)
{
    if (!stepping)
        drawCells();
    QPainter painter(this);
    // The canvas is in field pixels; on a high-DPI screen it is scaled up
    // without smoothing so the cells keep sharp edges.
    painter.drawImage(rect(), canvas);
    repaintAll = false;
}

// Draws every cell that differs between the current and the previous lattice,
// or every cell when repaintAll is set. Only while the engine is idle.
void PlottingArea::drawCells()
{
    Q_ASSERT(!stepping);
    const Cell* now = model.current().block();
    const Cell* before = model.previous().block();
    QRgb* const pixels = reinterpret_cast<QRgb*>(canvas.bits());
    const qsizetype pitch = canvas.bytesPerLine() / qsizetype{sizeof(QRgb)};
    const int edge = cellSize;
    const bool all = repaintAll;
    inCanvasOrder(model.cellsX, model.cellsY, [&](int x, int y, qsizetype at) {
        const Cell value = now[at];
        if (all || value != before[at])
            fillCell(pixels, pitch, edge, x, y, colourOf(value));
    });
}

// Keeps the current lattice as the frame to paint while the next step is
// made. Codes of a byte rather than cells: a quarter of the memory to write
// here and to read while painting.
void PlottingArea::takeFrame()
{
    frameX = model.cellsX;
    frameY = model.cellsY;
    const std::size_t cells = std::size_t(frameX) * std::size_t(frameY);
    frame.resize(cells);
    frameCodes(model.current().block(), cells, frame.data());
}

// Paints the frame into the canvas and shows it, with the worker stepping the
// bed: touches neither lattice. The canvas itself tells which cells to draw
// (those whose corner pixel has another colour), since events between two
// steps may have drawn some cells of the frame already. Cells of one pixel are
// all written: that is as cheap as reading them.
void PlottingArea::paintFrame()
{
    QRgb* const pixels = reinterpret_cast<QRgb*>(canvas.bits());
    const qsizetype pitch = canvas.bytesPerLine() / qsizetype{sizeof(QRgb)};
    const int edge = cellSize;
    const std::uint8_t* codes = frame.data();
    if (edge == 1) {
        framePixels(codes, frameX, frameY, pixels, pitch, frameColours);
    } else {
        const bool all = repaintAll;
        inCanvasOrder(frameX, frameY, [&](int x, int y, qsizetype at) {
            const QRgb colour = frameColours[codes[at]];
            if (all || pixels[qsizetype{y} * edge * pitch + qsizetype{x} * edge] != colour)
                fillCell(pixels, pitch, edge, x, y, colour);
        });
    }
    repaintAll = false;
    repaint();
}

// Draws the field as it stands into the canvas and writes the canvas out.
bool PlottingArea::savePictureAs(const QString& path)
{
    Q_ASSERT(!stepping);
    drawCells();
    update();
    const QString reason = writePicture(canvas, path);
    if (reason.isEmpty())
        std::cout << " Bild gespeichert " << std::endl;
    else
        std::cerr << "Could not save the picture " << path.toStdString() << ": " << reason.toStdString()
                  << std::endl;
    if (pictureHandler)
        pictureHandler(path, reason);
    return reason.isEmpty();
}
