// SPDX-License-Identifier: GPL-3.0-or-later
#include "musselbed.h"

#include "fieldcodes.h"

MusselBed::MusselBed(int cellsX, int cellsY, std::int32_t seedValue)
    : cellsX(cellsX), cellsY(cellsY)
{
    allocate();
    globalHealth();
    seed(seedValue);
}

MusselBed::~MusselBed()
{
    release();
}

void MusselBed::seed(std::int32_t t)
{
    random = Ran1(t == INT32_MIN ? INT32_MAX : -t);
    shuffleRandom = Rand15(static_cast<std::uint32_t>(t));
}

void MusselBed::allocate()
{
    try {
        latticeA = matrix(0, cellsX - 1, 0, cellsY - 1);
        latticeB = matrix(0, cellsX - 1, 0, cellsY - 1);
        columnScratch.assign(10 * static_cast<std::size_t>(cellsY), 0);
    } catch (...) {
        release();  // nothing of a failed allocation is kept
        throw;
    }
}

void MusselBed::release()
{
    freeLattice(latticeA);
    freeLattice(latticeB);
}

void MusselBed::fill(Cell (*pattern)(int x, int y, int cellsX))
{
    for (int x = 0; x < cellsX; ++x)
        for (int y = 0; y < cellsY; ++y) {
            latticeA[x][y] = pattern(x, y, cellsX);
            latticeB[x][y] = latticeA[x][y];
        }
    parity = true;
    step = 0;
}

void MusselBed::globalHealth()
{
    fill([](int, int, int) -> Cell { return YoungMussel; });
}

void MusselBed::infectedLine()
{
    fill([](int x, int, int width) -> Cell { return x == width / 2 ? PredatorOnYoung : YoungMussel; });
}

bool MusselBed::resize(int width, int height)
{
    if (width < 1 || width > MaxCells || height < 1 || height > MaxCells)
        return false;
    release();
    cellsY = height;
    cellsX = width;
    allocate();
    globalHealth();
    return true;
}

bool MusselBed::setField(int width, int height, const std::vector<Cell>& codes, std::string* error)
{
    if (!checkFieldCodes(width, height, codes, MaxCells, error))
        return false;

    if (width != cellsX || height != cellsY)
        resize(width, height);
    for (int x = 0; x < cellsX; ++x)
        for (int y = 0; y < cellsY; ++y) {
            latticeA[x][y] = codes[static_cast<std::size_t>(y) * width + x];
            latticeB[x][y] = latticeA[x][y];
        }
    parity = true;
    step = 0;
    return true;
}

bool MusselBed::editCell(int x, int y, Cell state)
{
    if (!contains(x, y))
        return false;
    Lattice now = current();
    Lattice before = previous();
    now[x][y] = state;
    before[x][y] = RedrawMark;
    return true;
}
