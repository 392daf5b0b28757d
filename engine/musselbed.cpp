#include "musselbed.h"

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
    latticeA = matrix(0, cellsX - 1, 0, cellsY - 1);
    latticeB = matrix(0, cellsX - 1, 0, cellsY - 1);
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
    auto fail = [error](std::string message) {
        if (error)
            *error = std::move(message);
        return false;
    };
    if (width < 1 || width > MaxCells || height < 1 || height > MaxCells)
        return fail("field size " + std::to_string(width) + " x " + std::to_string(height)
                    + " is outside 1 .. " + std::to_string(MaxCells));
    if (codes.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return fail("field of " + std::to_string(width) + " x " + std::to_string(height) + " needs "
                    + std::to_string(width * height) + " codes, got " + std::to_string(codes.size()));
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (!isCellState(codes[i]))
            return fail("code " + std::to_string(codes[i]) + " at x = " + std::to_string(i % width)
                        + ", y = " + std::to_string(i / width) + " is not a cell state (-1 .. 3)");

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
