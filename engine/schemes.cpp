// The three update schemes: whole steps of the automaton built from the rule.

#include "musselbed.h"

void MusselBed::advance()
{
    stepByMethod(*this);
}

void MusselBed::copyLattice(const Lattice& from, const Lattice& to) const
{
    for (int x = 0; x < cellsX; ++x)
        for (int y = 0; y < cellsY; ++y)
            to[x][y] = from[x][y];
}

// Every cell from the previous generation into the other lattice, which then
// becomes current.
void MusselBed::stepSync()
{
    const Lattice source = parity ? latticeA : latticeB;
    const Lattice destination = parity ? latticeB : latticeA;
    parity = !parity;
    for (int x = 0; x < cellsX; ++x)
        for (int y = 0; y < cellsY; ++y)
            updateCell(source, destination, x, y);
}

// As many single-cell updates in place as there are cells, each at a uniformly
// drawn cell (with replacement).
void MusselBed::stepAsyncUC()
{
    const Lattice now = current();
    copyLattice(now, previous());
    const long visits = static_cast<long>(cellsX) * cellsY;
    for (long i = 0; i < visits; ++i) {
        const int x = static_cast<int>(static_cast<double>(random.ran1()) * cellsX);
        const int y = static_cast<int>(static_cast<double>(random.ran1()) * cellsY);
        updateCell(now, now, x, y);
    }
}

namespace {

// 2n swaps of two positions drawn from the 15-bit generator.
void shuffle(int* order, int n, Rand15& generator)
{
    for (int i = 0; i < n; ++i)
        order[i] = i;
    for (int swap = 0; swap < 2 * n; ++swap) {
        const int i1 = (generator.next() * n) >> 15;
        const int i2 = (generator.next() * n) >> 15;
        const int kept = order[i1];
        order[i1] = order[i2];
        order[i2] = kept;
    }
}

} // namespace

// Every cell once, in place: columns in one shuffled order and, within each
// column, rows in another.
void MusselBed::stepAsyncNRS()
{
    const Lattice now = current();
    copyLattice(now, previous());
    int rowOrder[MaxCells];
    int columnOrder[MaxCells];
    shuffle(rowOrder, cellsX, shuffleRandom);
    shuffle(columnOrder, cellsY, shuffleRandom);
    for (int a = 0; a < cellsX; ++a)
        for (int b = 0; b < cellsY; ++b)
            updateCell(now, now, rowOrder[a], columnOrder[b]);
}
