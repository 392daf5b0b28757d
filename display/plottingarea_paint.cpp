// SPDX-License-Identifier: GPL-3.0-or-later
// Painting: the changed cells into the canvas, a pending picture to disk, the
// canvas onto the widget.

#include "plottingarea.h"

#include "cellcolours.h"

#include <QFile>
#include <QImageWriter>
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

}  // namespace

void PlottingArea::paintEvent(QPaintEvent*)
{
    drawCells();
    if (savePending)
        savePicture();
    QPainter painter(this);
    // The canvas is in field pixels; on a high-DPI screen it is scaled up
    // without smoothing so the cells keep sharp edges.
    painter.drawImage(rect(), canvas);
    repaintAll = false;
}

// Draws every cell that differs between the current and the previous lattice,
// or every cell when repaintAll is set. The pixels are written directly:
// after a step of a large field hundreds of thousands of cells change. The
// lattice runs down the columns, the canvas along the lines, so the field is
// drawn in bands of a few columns, line by line within a band: each line of a
// band fills a cache line of the canvas, and the band's columns are read
// sequentially.
void PlottingArea::drawCells()
{
    constexpr int Band = 16;
    const Cell* now = model.current().block();
    const Cell* before = model.previous().block();
    const int cellsX = model.cellsX;
    const int cellsY = model.cellsY;
    QRgb* const pixels = reinterpret_cast<QRgb*>(canvas.bits());
    const qsizetype pitch = canvas.bytesPerLine() / qsizetype{sizeof(QRgb)};
    const int edge = cellSize;
    const bool all = repaintAll;
    for (int x0 = 0; x0 < cellsX; x0 += Band) {
        const int x1 = std::min(x0 + Band, cellsX);
        for (int y = 0; y < cellsY; ++y)
            for (int x = x0; x < x1; ++x) {
                const qsizetype at = qsizetype{x} * cellsY + y;
                const Cell value = now[at];
                if (all || value != before[at])
                    fillCell(pixels, pitch, edge, x, y, colourOf(value));
            }
    }
}

// Writes the canvas as tidmar<step>.jpg into the working directory. A failure
// is reported on standard error with the file and the reason; either way the
// request is spent.
void PlottingArea::savePicture()
{
    savePending = false;
    const QString name = QStringLiteral("tidmar%1.jpg").arg(model.step);
    QFile file(name);
    QString reason;
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
    } else {
        QImageWriter writer(&file, "JPEG");
        writer.setQuality(-1);
        if (!writer.write(canvas))
            reason = writer.errorString();
        else if (!file.flush())
            reason = file.errorString();
        file.close();
        if (!reason.isEmpty())
            file.remove();
    }
    if (reason.isEmpty()) {
        std::cout << " Bild gespeichert " << std::endl;
        return;
    }
    std::cerr << "Could not save the picture " << name.toStdString() << ": " << reason.toStdString() << std::endl;
}
