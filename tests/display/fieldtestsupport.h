// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "startvalues.h"

// Helpers shared by the field widget's tests.

#include "plottingarea.h"

#include <QImage>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QtTest>

#include <array>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

namespace fieldtest {

// The colours of the states -1 .. 3, written out independently of the widget.
constexpr QRgb blue = qRgb(0, 0, 255);
constexpr QRgb red = qRgb(255, 0, 0);
constexpr QRgb darkGray = qRgb(128, 128, 128);
constexpr QRgb darkGreen = qRgb(0, 128, 0);
constexpr QRgb deepGreen = qRgb(0, 90, 0);
constexpr QRgb white = qRgb(255, 255, 255);

// Swaps a standard stream's buffer for a string while alive.
class StreamCapture {
public:
    explicit StreamCapture(std::ostream& stream) : stream(stream), saved(stream.rdbuf(buffer.rdbuf())) {}
    ~StreamCapture() { stream.rdbuf(saved); }
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;
    QString text() const { return QString::fromStdString(buffer.str()); }

private:
    std::ostream& stream;
    std::ostringstream buffer;
    std::streambuf* saved;
};

// True when every pixel of the rectangle has the colour.
inline bool squareIs(const QImage& image, const QRect& square, QRgb colour)
{
    for (int y = square.top(); y <= square.bottom(); ++y)
        for (int x = square.left(); x <= square.right(); ++x)
            if ((image.pixel(x, y) | 0xff000000u) != colour)
                return false;
    return true;
}

// The canvas square of cell (x, y).
inline QRect cellSquare(const PlottingArea& field, int x, int y)
{
    const int edge = field.cellPixels();
    return QRect(x * edge, y * edge, edge, edge);
}

inline bool cellShows(const PlottingArea& field, int x, int y, QRgb colour)
{
    return squareIs(field.canvasImage(), cellSquare(field, x, y), colour);
}

// Writes the same value into both lattices: a field that no paint sees as changed.
inline void fillBoth(MusselBed& bed, Cell value)
{
    for (int x = 0; x < bed.cellsX; ++x)
        for (int y = 0; y < bed.cellsY; ++y) {
            bed.latticeA[x][y] = value;
            bed.latticeB[x][y] = value;
        }
}

// The states a picture of a field shows, x-major like the lattices: each
// pixel is read as the state of the nearest colour, and a cell whose pixels
// disagree reads as RedrawMark (not recoverable).
inline std::vector<Cell> statesInPicture(const QImage& picture, int cellsX, int cellsY, int edge)
{
    const QRgb colours[] = {blue, red, darkGray, darkGreen, deepGreen};
    auto nearest = [&](QRgb pixel) {
        int best = 0;
        int bestDistance = 1 << 30;
        for (int i = 0; i < 5; ++i) {
            const int r = qRed(pixel) - qRed(colours[i]);
            const int g = qGreen(pixel) - qGreen(colours[i]);
            const int b = qBlue(pixel) - qBlue(colours[i]);
            if (r * r + g * g + b * b < bestDistance) {
                bestDistance = r * r + g * g + b * b;
                best = i;
            }
        }
        return Cell(best - 1);
    };
    std::vector<Cell> states(std::size_t(cellsX) * std::size_t(cellsY));
    for (int x = 0; x < cellsX; ++x)
        for (int y = 0; y < cellsY; ++y) {
            Cell& state = states[std::size_t(x) * std::size_t(cellsY) + std::size_t(y)];
            state = nearest(picture.pixel(x * edge, y * edge));
            for (int px = 0; px < edge; ++px)
                for (int py = 0; py < edge; ++py)
                    if (nearest(picture.pixel(x * edge + px, y * edge + py)) != state)
                        state = RedrawMark;
        }
    return states;
}

inline std::vector<Cell> snapshot(const MusselBed& bed, const Lattice& lattice)
{
    return std::vector<Cell>(lattice.block(), lattice.block() + bed.cellsX * bed.cellsY);
}

// A shown field with its own Start/Stop button.
struct ShownField {
    QPushButton button{QStringLiteral(" &Start")};
    std::unique_ptr<PlottingArea> field;

    ShownField(int cellsX, int cellsY, int cellSize)
        : field(std::make_unique<PlottingArea>(nullptr, nullptr, &button, cellsX, cellsY, cellSize))
    {
        field->show();
    }
    bool exposed() { return QTest::qWaitForWindowExposed(field.get()); }
};

}  // namespace fieldtest
