// The synchronous step of the throughput engine: bands of columns on the
// worker threads, each cell decided by the rule table and its own counter-based
// deviate, then the jumps that outlive the sweep.

#include "fastbed.h"
#include "philoxavx2.h"

#include <algorithm>

using fastrule::Code;

void FastBed::stepSync()
{
    prepareStep();
    pool.run(*this);
    // A target that precedes its predator keeps the predator on young, as it
    // does in the exact sweep; every write is the same value, so the order of
    // the bands does not matter.
    std::int8_t* next = lattice[1 - now].data();
    for (const Band& band : bands)
        for (std::size_t i = 0; i < band.stuckCount; ++i)
            next[band.stuckJumps[i]] = PredatorOnYoung;
    now = 1 - now;
    ++syncStepCount;
}

// The columns of one band, west to east. The vertical 3-sums of three
// neighbouring columns are kept in rotating slots, so each column's codes are
// summed once.
void FastBed::runBand(int index)
{
    Band& band = bands[index];
    band.stuckCount = 0;
    band.drawing = false;
    if (band.firstX >= band.endX)
        return;
    columnSums(band, band.firstX - 1, 0);
    columnSums(band, band.firstX, 1);
    for (int x = band.firstX; x < band.endX; ++x) {
        const int k = x - band.firstX;
        columnSums(band, x + 1, (k + 2) % 3);
        sweepColumn(band, x, k % 3);
    }
}

// The codes of padded column x (-1 .. cellsX), then for each of its field
// cells the sums of its own codes and those of the cells above and below, into
// the given slot.
void FastBed::columnSums(Band& band, int x, int slot) const
{
    const std::int8_t* column = lattice[now].data() + layout.index(x, -1);
    Code* mussels = band.codes[0].data();
    Code* predators = band.codes[1].data();
    const int stride = layout.stride;
    for (int k = 0; k < stride; ++k) {
        mussels[k] = fastrule::musselCode(column[k]);
        predators[k] = fastrule::predatorCode(column[k]);
    }
    Code* musselSums = band.sums[0][slot].data();
    Code* predatorSums = band.sums[1][slot].data();
    const int height = layout.cellsY;
    for (int y = 0; y < height; ++y) {
        musselSums[y] = static_cast<Code>(mussels[y] + mussels[y + 1] + mussels[y + 2]);
        predatorSums[y] = static_cast<Code>(predators[y] + predators[y + 1] + predators[y + 2]);
    }
}

// The table row of every cell of column x from its 3 x 3 sums (the column sums
// of x - 1, x and x + 1 lie in westSlot and the two slots after it), then the
// decisions, chunk by chunk.
void FastBed::sweepColumn(Band& band, int x, int westSlot)
{
    const Code* mw = band.sums[0][westSlot].data();
    const Code* mm = band.sums[0][(westSlot + 1) % 3].data();
    const Code* me = band.sums[0][(westSlot + 2) % 3].data();
    const Code* pw = band.sums[1][westSlot].data();
    const Code* pm = band.sums[1][(westSlot + 1) % 3].data();
    const Code* pe = band.sums[1][(westSlot + 2) % 3].data();
    const std::int8_t* states = lattice[now].data() + layout.index(x, 0);
    std::uint8_t* rows = band.rows.data();
    const int height = layout.cellsY;
    for (int y = 0; y < height; ++y) {
        const std::int8_t state = states[y];
        const Code count = fastrule::countFor(state, static_cast<Code>(mw[y] + mm[y] + me[y]),
                                              static_cast<Code>(pw[y] + pm[y] + pe[y]));
        rows[y] = static_cast<std::uint8_t>((state + 1) * fastrule::CountsPerState + count);
    }
    for (int y0 = 0; y0 < height; y0 += ChunkCells)
        decideChunk(band, x, y0, std::min(y0 + ChunkCells, height));
}

// Cells y0 .. y1 - 1 of column x. Most cells of a quiet field need no deviate
// (an adult with no predator on adults beside it and no ocean forcing, say),
// most cells of a lively one do. After a chunk that needed none, a first pass
// writes every cell's outcome without a deviate and goes on only if some cell
// has a threshold; after a chunk that needed deviates, the chunk's Philox
// blocks (all of them, also past the column's end) are computed at once.
// Either way each cell gets the outcome of its own deviate.
void FastBed::decideChunk(Band& band, int x, int y0, int y1)
{
    const std::uint8_t* rows = band.rows.data();
    std::int8_t* next = lattice[1 - now].data() + layout.index(x, 0);
    if (!band.drawing) {
        std::uint32_t needed = 0;
        for (int y = y0; y < y1; ++y) {
            const fastrule::Outcome& outcome = table[rows[y]];
            needed |= outcome.threshold;
            next[y] = outcome.otherwise;
        }
        if (needed == 0)
            return;
    }

    std::uint32_t* u = band.deviates.data();
    const std::uint32_t first = static_cast<std::uint32_t>(y0 / 4);
    const auto step = static_cast<std::uint32_t>(syncStepCount);
    const auto stepHigh = static_cast<std::uint32_t>(syncStepCount >> 32);
    if (avx2)
        philox::generateRun16Avx2(key, first, static_cast<std::uint32_t>(x), step, stepHigh, u);
    else
        philox::generateRun<ChunkCells / 4>(key, first, static_cast<std::uint32_t>(x), step, stepHigh, u);
    // Jumps are rare and their scans long: the loop only notes the predators,
    // without a branch, and the scans follow.
    std::uint16_t* jumpers = band.jumpers.data();
    int jumping = 0;
    std::uint32_t needed = 0;
    for (int y = y0; y < y1; ++y) {
        const fastrule::Outcome& outcome = table[rows[y]];
        needed |= outcome.threshold;
        next[y] = u[y - y0] < outcome.threshold ? outcome.fire : outcome.otherwise;
        jumpers[jumping] = static_cast<std::uint16_t>(y);
        jumping += outcome.jumps;
    }
    band.drawing = needed != 0;
    const std::int8_t* source = lattice[now].data();
    for (int i = 0; i < jumping; ++i) {
        const int y = jumpers[i];
        const JumpScan::Target target = jumps.find(source, layout, x, y, u[y - y0], periodic);
        const int at = layout.index(target.x, target.y);
        if (target.x >= 0 && at < layout.index(x, y))
            band.stuckJumps[band.stuckCount++] = at;
    }
}
