// SPDX-License-Identifier: GPL-3.0-or-later
#include "fastbed.h"

#include "fieldcodes.h"

#include "philoxavx2.h"

#include <algorithm>
#include <cstring>

namespace {

int clampSize(int n)
{
    return std::clamp(n, 1, FastBed::MaxCells);
}

bool popcntAvailable()
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    return __builtin_cpu_supports("popcnt");
#else
    return false;
#endif
}

} // namespace

FastBed::FastBed(int cellsX, int cellsY, std::uint64_t seedValue, int threads)
    : avx2(philox::avx2Available()), popcnt(popcntAvailable()), pool(std::max(threads, 1))
{
    allocate(clampSize(cellsX), clampSize(cellsY));
    globalHealth();
    seed(seedValue);
}

FastBed::~FastBed() = default;

void FastBed::limitVectors(int bits)
{
    avx2 = philox::avx2Available() && bits >= 256;
    popcnt = popcntAvailable() && bits >= 256;
    draws.useLanes(bits >= 512 ? 8 : bits >= 256 ? 4 : 1);
}

void FastBed::seed(std::uint64_t value)
{
    key = {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
    random.reseed(value);
    syncStepCount = 0;
}

FastBed::Generators FastBed::generators() const
{
    return {key, syncStepCount, {random.state[0], random.state[1], random.state[2], random.state[3]}};
}

void FastBed::restore(const Generators& saved)
{
    key = saved.key;
    syncStepCount = saved.syncSteps;
    for (int w = 0; w < 4; ++w)
        random.state[w] = saved.xoshiro[w];
}

// Storage for a field of width x height: both lattices, the visiting orders and
// every band's working storage, sized for the worst case of a step.
std::size_t FastBed::bytesFor(int width, int height, int threads)
{
    // As allocate() sizes its buffers: two byte lattices and the codes, the
    // stuck jumps of the field and of each band's run of columns, and each
    // band's columns.
    const std::size_t cells = PaddedLayout(width, height).size();
    const std::size_t span = threads == 1 ? static_cast<std::size_t>(width)
                                          : static_cast<std::size_t>(std::max(8, width / (16 * threads)));
    const std::size_t h = static_cast<std::size_t>(height);
    return 3 * cells + 4 * h * static_cast<std::size_t>(width) + static_cast<std::size_t>(threads) * (4 * span * h + 32 * h)
           + 4 * static_cast<std::size_t>(width + height) + (std::size_t{1} << 20);
}

void FastBed::allocate(int width, int height)
{
    layout = PaddedLayout(width, height);
    for (std::vector<std::int8_t>& cells : lattice)
        cells.assign(layout.size(), Empty);
    cellCodes.assign(layout.size() + 3, 0);
    xOrder.assign(width, 0);
    yOrder.assign(height, 0);
    // Each band's buffers get a cache line of slack at the end, so that no line
    // the band writes holds bytes another thread writes.
    constexpr int Slack = 64;
    const int count = pool.size();
    bands.resize(count);
    // One run for one thread; else about sixteen runs per thread, of at least
    // eight columns (each run sums two columns more).
    columnSpan = count == 1 ? width : std::max(8, width / (16 * count));
    shares = std::make_unique<Share[]>(count);
    for (int b = 0; b < count; ++b) {
        shares[b].firstX = static_cast<int>(static_cast<long>(width) * b / count);
        shares[b].endX = static_cast<int>(static_cast<long>(width) * (b + 1) / count);
    }
    stuckJumps.assign(static_cast<std::size_t>(width) * height, 0);
    for (int b = 0; b < count; ++b) {
        Band& band = bands[b];
        for (int plane = 0; plane < 2; ++plane) {
            band.codes[plane].assign(layout.stride + Slack, 0);
            for (std::vector<fastrule::Code>& sums : band.sums[plane])
                sums.assign(height + Slack, 0);
        }
        band.rows.assign(height + Slack, 0);
        // Deviates for whole chunks: the last one runs past the column's end.
        band.deviates.assign((height + ChunkCells - 1) / ChunkCells * ChunkCells + Slack, 0);
        band.jumpers.assign(height + Slack, 0);
        band.stuck.assign(static_cast<std::size_t>(columnSpan) * height + Slack, 0);
    }
}

void FastBed::fill(Cell (*pattern)(int x, int y, int width))
{
    for (int x = 0; x < layout.cellsX; ++x)
        for (int y = 0; y < layout.cellsY; ++y)
            lattice[now][layout.index(x, y)] = static_cast<std::int8_t>(pattern(x, y, layout.cellsX));
}

void FastBed::globalHealth()
{
    fill([](int, int, int) -> Cell { return YoungMussel; });
}

void FastBed::infectedLine()
{
    fill([](int x, int, int width) -> Cell { return x == width / 2 ? PredatorOnYoung : YoungMussel; });
}

bool FastBed::setField(int width, int height, const std::vector<Cell>& codes, std::string* error)
{
    if (!checkFieldCodes(width, height, codes, MaxCells, error))
        return false;

    if (width != layout.cellsX || height != layout.cellsY)
        allocate(width, height);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            lattice[now][layout.index(x, y)] = static_cast<std::int8_t>(codes[static_cast<std::size_t>(y) * width + x]);
    return true;
}

void FastBed::copyFrom(const MusselBed& exact)
{
    static_cast<ModelParameters&>(*this) = exact;
    std::vector<Cell> codes(static_cast<std::size_t>(exact.cellsX) * exact.cellsY);
    for (int x = 0; x < exact.cellsX; ++x)
        for (int y = 0; y < exact.cellsY; ++y)
            codes[static_cast<std::size_t>(y) * exact.cellsX + x] = exact.cell(x, y);
    setField(exact.cellsX, exact.cellsY, codes, nullptr);
}

bool FastBed::editCell(int x, int y, Cell state)
{
    if (!contains(x, y))
        return false;
    lattice[now][layout.index(x, y)] = static_cast<std::int8_t>(state);
    return true;
}

void FastBed::advance()
{
    stepByMethod(*this);
}

// What every step needs first: the halo of the current field, the rule table
// for the present parameters and the jump directions for the present range.
void FastBed::prepareStep()
{
    refreshHalo(lattice[now].data());
    table = fastrule::makeTable({recolonization, neighbourCoupling, oceanForcing, maturing, predation, longRange});
    classes = fastrule::makeClassTable(table);
    for (int k = 0; k < fastrule::ClassCount; ++k) {
        const fastrule::Outcome& outcome = classes[k];
        for (int b = 0; b < 4; ++b)
            thresholdBytes[b * fastrule::ClassCount + k] = static_cast<std::int8_t>(outcome.threshold >> (8 * b));
        fireStates[k] = outcome.fire;
        otherwiseStates[k] = outcome.otherwise;
        jumpFlags[k] = static_cast<std::int8_t>(outcome.jumps ? -1 : 0);
        drawFlags[k] = static_cast<std::int8_t>(outcome.threshold != 0 ? -1 : 0);
    }
    if (longRange)
        jumps.prepare(jumpDistance, layout.stride);
}

// Periodic: every halo cell copies the field cell it stands for, wrapped on
// each axis. Closed: the halo is empty rock, which no neighbour count counts.
void FastBed::refreshHalo(std::int8_t* cells) const
{
    const int width = layout.cellsX;
    const int height = layout.cellsY;
    const int stride = layout.stride;
    if (periodic) {
        for (int x = 0; x < width; ++x) {
            std::int8_t* column = cells + layout.index(x, -1);
            column[0] = column[height];
            column[height + 1] = column[1];
        }
        std::memcpy(cells + layout.index(-1, -1), cells + layout.index(width - 1, -1), stride);
        std::memcpy(cells + layout.index(width, -1), cells + layout.index(0, -1), stride);
        return;
    }
    for (int x = 0; x < width; ++x) {
        cells[layout.index(x, -1)] = Empty;
        cells[layout.index(x, height)] = Empty;
    }
    std::memset(cells + layout.index(-1, -1), Empty, stride);
    std::memset(cells + layout.index(width, -1), Empty, stride);
}

std::array<long, StateCount> FastBed::counts() const
{
    std::array<long, StateCount> count{};
    for (int x = 0; x < layout.cellsX; ++x) {
        const std::int8_t* column = lattice[now].data() + layout.index(x, 0);
        for (int y = 0; y < layout.cellsY; ++y)
            ++count[stateIndex(column[y])];
    }
    return count;
}

std::array<double, StateCount> FastBed::fractions() const
{
    const std::array<long, StateCount> count = counts();
    const double total = static_cast<double>(layout.cellsX) * layout.cellsY;
    std::array<double, StateCount> share{};
    for (int i = 0; i < StateCount; ++i)
        share[i] = count[i] / total;
    return share;
}
