#include "livebed.h"

#include "fastbed.h"
#include "musselbed.h"

#include <algorithm>
#include <cstddef>

namespace {

// The engines store their fields x-major; rows come out y-major. A transposing
// copy in tiles, so that both the reads and the writes of a tile stay in cache.
template <class Get>
void transposeInto(Cell* out, int width, int height, Get cellAt)
{
    constexpr int Tile = 32;
    for (int x0 = 0; x0 < width; x0 += Tile) {
        const int x1 = std::min(x0 + Tile, width);
        for (int y0 = 0; y0 < height; y0 += Tile) {
            const int y1 = std::min(y0 + Tile, height);
            for (int x = x0; x < x1; ++x)
                for (int y = y0; y < y1; ++y)
                    out[static_cast<std::size_t>(y) * width + x] = cellAt(x, y);
        }
    }
}

void copyLattice(const MusselBed& bed, const Lattice& lattice, Cell* out)
{
    const Cell* block = lattice.block();
    const std::size_t column = static_cast<std::size_t>(bed.cellsY);
    transposeInto(out, bed.cellsX, bed.cellsY, [&](int x, int y) { return block[x * column + y]; });
}

} // namespace

void copyCells(const MusselBed& bed, Cell* out)
{
    copyLattice(bed, bed.current(), out);
}

void copyCells(const FastBed& bed, Cell* out)
{
    transposeInto(out, bed.cellsX(), bed.cellsY(), [&](int x, int y) { return bed.cell(x, y); });
}

bool copyPreviousCells(const MusselBed& bed, Cell* out)
{
    copyLattice(bed, bed.previous(), out);
    return true;
}

bool copyPreviousCells(const FastBed&, Cell*)
{
    return false;
}
