// SPDX-License-Identifier: GPL-3.0-or-later
// The synchronous step of the throughput engine: bands of columns on the
// worker threads, each cell decided by the rule table and its own counter-based
// deviate, then the jumps that outlive the sweep.

#include "fastbed.h"
#include "philoxavx2.h"

#include <algorithm>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TIDMAR_FASTSYNC_AVX2 1
#endif

using fastrule::Code;

namespace {

#ifdef TIDMAR_FASTSYNC_AVX2

// A 16-byte table in both 128-bit halves, for byte shuffles.
__attribute__((target("avx2"))) inline __m256i shuffleTable(const std::int8_t* table)
{
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table)));
}

// The outcomes of cells 0 .. count - 1 (count a multiple of 32) with outcome
// classes classes[], deviates u[]: next[y] = u[y] < threshold of the class ?
// fire : otherwise. The thresholds are put together from byte shuffles of
// their four bytes (thresholdBytes, 16 classes each); the states and flags
// come from byte shuffles of one register each. The cells of jumping
// predators (offset by first) go to jumpers; returns nonzero if a cell's
// class has a threshold (drawFlags -1), adds the jumpers to *jumping.
__attribute__((target("avx2"))) std::uint32_t decideAvx2(const std::int8_t* thresholdBytes, const std::int8_t* fire,
                                                         const std::int8_t* otherwise, const std::int8_t* jumpFlags,
                                                         const std::int8_t* drawFlags, const std::uint8_t* classes,
                                                         const std::uint32_t* u, std::int8_t* next, int count,
                                                         int first, std::uint16_t* jumpers, int* jumping)
{
    static_assert(fastrule::ClassCount == 16, "one register of each byte table");
    __m256i byteTables[4];
    for (int b = 0; b < 4; ++b)
        byteTables[b] = shuffleTable(thresholdBytes + 16 * b);
    const __m256i fires = shuffleTable(fire);
    const __m256i others = shuffleTable(otherwise);
    const __m256i jumps = shuffleTable(jumpFlags);
    const __m256i draws = shuffleTable(drawFlags);
    unsigned drawing = 0;
    int found = *jumping;
    for (int y = 0; y < count; y += 32) {
        const __m256i cellClasses = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(classes + y));
        __m256i bytes[4];
        for (int b = 0; b < 4; ++b)
            bytes[b] = _mm256_shuffle_epi8(byteTables[b], cellClasses);
        // The unpacks work within 128-bit halves: bytes 0, 1 (pair 0) and 2, 3
        // of cells 0-7 and 16-23 (half 0) or 8-15 and 24-31 (half 1) as words,
        // then group g of the thresholds, cells 4g .. 4g + 3 and those 16 on;
        // the deviates are loaded to match.
        __m256i words[2][2];
        for (int pair = 0; pair < 2; ++pair) {
            words[pair][0] = _mm256_unpacklo_epi8(bytes[2 * pair], bytes[2 * pair + 1]);
            words[pair][1] = _mm256_unpackhi_epi8(bytes[2 * pair], bytes[2 * pair + 1]);
        }
        __m256i stays[4];
        for (int g = 0; g < 4; ++g) {
            const __m256i threshold = g % 2 == 0 ? _mm256_unpacklo_epi16(words[0][g / 2], words[1][g / 2])
                                                 : _mm256_unpackhi_epi16(words[0][g / 2], words[1][g / 2]);
            const std::uint32_t* at = u + y + 4 * g;
            const __m256i deviate =
                _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at))),
                                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16)), 1);
            // u >= threshold, unsigned: the event does not fire.
            stays[g] = _mm256_cmpeq_epi32(_mm256_max_epu32(deviate, threshold), deviate);
        }
        // The packs undo the unpacks' order: the masks come out as bytes in
        // cell order.
        const __m256i mask = _mm256_packs_epi16(_mm256_packs_epi32(stays[0], stays[1]),
                                                _mm256_packs_epi32(stays[2], stays[3]));
        const __m256i chosen = _mm256_blendv_epi8(_mm256_shuffle_epi8(fires, cellClasses),
                                                  _mm256_shuffle_epi8(others, cellClasses), mask);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(next + y), chosen);
        drawing |= static_cast<unsigned>(_mm256_movemask_epi8(_mm256_shuffle_epi8(draws, cellClasses)));
        auto jumpMask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_shuffle_epi8(jumps, cellClasses)));
        while (jumpMask != 0) {
            jumpers[found++] = static_cast<std::uint16_t>(first + y + __builtin_ctz(jumpMask));
            jumpMask &= jumpMask - 1;
        }
    }
    *jumping = found;
    return drawing;
}

#endif

// The mussel and predator codes of cells first .. end - 1 of a padded column.
inline void columnCodes(const std::int8_t* column, int first, int end, Code* mussels, Code* predators)
{
    for (int k = first; k < end; ++k) {
        mussels[k] = fastrule::musselCode(column[k]);
        predators[k] = fastrule::predatorCode(column[k]);
    }
}

// For field cells first .. end - 1 of the column the sums of their own codes
// and those of the cells above and below.
inline void verticalSums(int first, int end, const Code* mussels, const Code* predators, Code* musselSums,
                         Code* predatorSums)
{
    for (int y = first; y < end; ++y) {
        musselSums[y] = static_cast<Code>(mussels[y] + mussels[y + 1] + mussels[y + 2]);
        predatorSums[y] = static_cast<Code>(predators[y] + predators[y + 1] + predators[y + 2]);
    }
}

// The codes of a padded column of stride cells, then for each of its height
// field cells the vertical sums.
inline void sumColumn(const std::int8_t* column, int stride, int height, Code* mussels, Code* predators,
                      Code* musselSums, Code* predatorSums)
{
    columnCodes(column, 0, stride, mussels, predators);
    verticalSums(0, height, mussels, predators, musselSums, predatorSums);
}

// The outcome classes of a column's cells from their states and the column
// sums of the columns west, at and east of it (mussel sums m, predator sums p).
inline void tableRows(const std::int8_t* states, int height, const Code* const (&m)[3], const Code* const (&p)[3],
                      std::uint8_t* rows)
{
    const Code* __restrict mw = m[0];
    const Code* __restrict mm = m[1];
    const Code* __restrict me = m[2];
    const Code* __restrict pw = p[0];
    const Code* __restrict pm = p[1];
    const Code* __restrict pe = p[2];
    std::uint8_t* __restrict out = rows;
    for (int y = 0; y < height; ++y) {
        const std::int8_t state = states[y];
        const Code count = fastrule::countFor(state, static_cast<Code>(mw[y] + mm[y] + me[y]),
                                              static_cast<Code>(pw[y] + pm[y] + pe[y]));
        out[y] = fastrule::classOfCount(state, count);
    }
}

// Both as written, for processors without AVX2.
void sumColumnBaseline(const std::int8_t* column, int stride, int height, Code* mussels, Code* predators,
                       Code* musselSums, Code* predatorSums)
{
    sumColumn(column, stride, height, mussels, predators, musselSums, predatorSums);
}

void tableRowsBaseline(const std::int8_t* states, int height, const Code* const (&m)[3], const Code* const (&p)[3],
                       std::uint8_t* rows)
{
    tableRows(states, height, m, p, rows);
}

#ifdef TIDMAR_FASTSYNC_AVX2

// A state's entry of a 16-byte table, by byte shuffle on state + 1.
template <typename Entry>
constexpr std::array<std::int8_t, 16> byState(Entry entry)
{
    std::array<std::int8_t, 16> table{};
    for (int state = PredatorOnAdults; state <= AdultMussel; ++state)
        table[state + 1] = static_cast<std::int8_t>(entry(static_cast<std::int8_t>(state)));
    return table;
}

// What countFor() and classOfCount() select by state, as byte masks and
// values: the mussel sums, their high half, the class's base and cap.
constexpr std::array<std::int8_t, 16> ReadsMussels = byState([](std::int8_t s) { return s <= Empty ? -1 : 0; });
constexpr std::array<std::int8_t, 16> ReadsHighHalf = byState([](std::int8_t s) { return (s & 1) != 0 ? -1 : 0; });
constexpr std::array<std::int8_t, 16> ClassBases = byState([](std::int8_t s) { return fastrule::classBase(s); });
constexpr std::array<std::int8_t, 16> ClassCaps = byState([](std::int8_t s) { return fastrule::classCap(s); });

__attribute__((target("avx2"))) inline __m256i load(const void* from)
{
    return _mm256_loadu_si256(static_cast<const __m256i*>(from));
}

constexpr std::array<std::int8_t, 16> MusselCodes = byState(fastrule::musselCode);
constexpr std::array<std::int8_t, 16> PredatorCodes = byState(fastrule::predatorCode);

// sumColumn() 32 cells at a time, the codes by byte shuffles; the rest of
// the column as there.
__attribute__((target("avx2"))) void sumColumnAvx2(const std::int8_t* column, int stride, int height, Code* mussels,
                                                   Code* predators, Code* musselSums, Code* predatorSums)
{
    const __m256i musselCodes = shuffleTable(MusselCodes.data());
    const __m256i predatorCodes = shuffleTable(PredatorCodes.data());
    const __m256i one = _mm256_set1_epi8(1);
    const int vectorCodes = stride & ~31;
    for (int k = 0; k < vectorCodes; k += 32) {
        const __m256i state = _mm256_add_epi8(load(column + k), one);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(mussels + k), _mm256_shuffle_epi8(musselCodes, state));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(predators + k), _mm256_shuffle_epi8(predatorCodes, state));
    }
    columnCodes(column, vectorCodes, stride, mussels, predators);
    // The sums of the vector part read codes up to y + 33 < stride.
    const int vectorSums = height & ~31;
    for (int y = 0; y < vectorSums; y += 32) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(musselSums + y),
                            _mm256_add_epi8(_mm256_add_epi8(load(mussels + y), load(mussels + y + 1)), load(mussels + y + 2)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(predatorSums + y),
                            _mm256_add_epi8(_mm256_add_epi8(load(predators + y), load(predators + y + 1)),
                                            load(predators + y + 2)));
    }
    verticalSums(vectorSums, height, mussels, predators, musselSums, predatorSums);
}

// tableRows() 32 cells at a time, the selections by state as byte shuffles;
// the rest of the column as there.
__attribute__((target("avx2"))) void tableRowsAvx2(const std::int8_t* states, int height, const Code* const (&m)[3],
                                                   const Code* const (&p)[3], std::uint8_t* rows)
{
    const __m256i readsMussels = shuffleTable(ReadsMussels.data());
    const __m256i readsHighHalf = shuffleTable(ReadsHighHalf.data());
    const __m256i bases = shuffleTable(ClassBases.data());
    const __m256i caps = shuffleTable(ClassCaps.data());
    const __m256i nibble = _mm256_set1_epi8(15);
    const __m256i one = _mm256_set1_epi8(1);
    const int vectorCells = height & ~31;
    for (int y = 0; y < vectorCells; y += 32) {
        const __m256i state = _mm256_add_epi8(load(states + y), one);
        const __m256i mussels = _mm256_add_epi8(_mm256_add_epi8(load(m[0] + y), load(m[1] + y)), load(m[2] + y));
        const __m256i predators = _mm256_add_epi8(_mm256_add_epi8(load(p[0] + y), load(p[1] + y)), load(p[2] + y));
        const __m256i sums = _mm256_blendv_epi8(predators, mussels, _mm256_shuffle_epi8(readsMussels, state));
        const __m256i count = _mm256_blendv_epi8(_mm256_and_si256(sums, nibble),
                                                 _mm256_and_si256(_mm256_srli_epi16(sums, 4), nibble),
                                                 _mm256_shuffle_epi8(readsHighHalf, state));
        const __m256i cls = _mm256_add_epi8(_mm256_shuffle_epi8(bases, state),
                                            _mm256_min_epu8(count, _mm256_shuffle_epi8(caps, state)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(rows + y), cls);
    }
    const Code* const restM[3] = {m[0] + vectorCells, m[1] + vectorCells, m[2] + vectorCells};
    const Code* const restP[3] = {p[0] + vectorCells, p[1] + vectorCells, p[2] + vectorCells};
    tableRows(states + vectorCells, height - vectorCells, restM, restP, rows + vectorCells);
}
#endif

} // namespace

void FastBed::stepSync()
{
    prepareStep();
    for (int b = 0; b < pool.size(); ++b)
        shares[b].next.store(shares[b].firstX, std::memory_order_relaxed);
    stuckCount.store(0, std::memory_order_relaxed);
    pool.run(*this);
    // A target that precedes its predator keeps the predator on young, as it
    // does in the exact sweep; every write is the same value, so the order of
    // the bands does not matter.
    std::int8_t* next = lattice[1 - now].data();
    const std::size_t stuck = stuckCount.load(std::memory_order_relaxed);
    for (std::size_t i = 0; i < stuck; ++i)
        next[stuckJumps[i]] = PredatorOnYoung;
    now = 1 - now;
    ++syncStepCount;
}

// One thread's part of a step: runs of its own share of the columns, then
// of the others' until none is left.
void FastBed::runBand(int index)
{
    Band& band = bands[index];
    band.drawing = false;
    const int count = pool.size();
    for (int k = 0; k < count; ++k) {
        Share& share = shares[(index + k) % count];
        for (;;) {
            const int firstX = share.next.fetch_add(columnSpan, std::memory_order_relaxed);
            if (firstX >= share.endX)
                break;
            sweepColumns(band, firstX, std::min(firstX + columnSpan, share.endX));
        }
    }
}

// Columns firstX .. endX - 1, west to east. The vertical 3-sums of three
// neighbouring columns are kept in rotating slots, so each column's codes are
// summed once.
void FastBed::sweepColumns(Band& band, int firstX, int endX)
{
    band.stuckCount = 0;
    columnSums(band, firstX - 1, 0);
    columnSums(band, firstX, 1);
    for (int x = firstX; x < endX; ++x) {
        const int k = x - firstX;
        columnSums(band, x + 1, (k + 2) % 3);
        sweepColumn(band, x, k % 3);
    }
    if (band.stuckCount != 0) {
        const std::size_t at = stuckCount.fetch_add(band.stuckCount, std::memory_order_relaxed);
        std::copy_n(band.stuck.data(), band.stuckCount, stuckJumps.data() + at);
    }
}

// The codes of padded column x (-1 .. cellsX), then for each of its field
// cells the sums of its own codes and those of the cells above and below, into
// the given slot.
void FastBed::columnSums(Band& band, int x, int slot) const
{
    const std::int8_t* column = lattice[now].data() + layout.index(x, -1);
    auto* sum = &sumColumnBaseline;
#ifdef TIDMAR_FASTSYNC_AVX2
    if (avx2)
        sum = &sumColumnAvx2;
#endif
    sum(column, layout.stride, layout.cellsY, band.codes[0].data(), band.codes[1].data(), band.sums[0][slot].data(),
        band.sums[1][slot].data());
}

// The outcome class of every cell of column x from its 3 x 3 sums (the column sums
// of x - 1, x and x + 1 lie in westSlot and the two slots after it), then the
// decisions, chunk by chunk.
void FastBed::sweepColumn(Band& band, int x, int westSlot)
{
    const Code* const musselSums[3] = {band.sums[0][westSlot].data(), band.sums[0][(westSlot + 1) % 3].data(),
                                       band.sums[0][(westSlot + 2) % 3].data()};
    const Code* const predatorSums[3] = {band.sums[1][westSlot].data(), band.sums[1][(westSlot + 1) % 3].data(),
                                         band.sums[1][(westSlot + 2) % 3].data()};
    auto* rows = &tableRowsBaseline;
#ifdef TIDMAR_FASTSYNC_AVX2
    if (avx2)
        rows = &tableRowsAvx2;
#endif
    rows(lattice[now].data() + layout.index(x, 0), layout.cellsY, musselSums, predatorSums, band.rows.data());
    const int height = layout.cellsY;
    for (int y0 = 0; y0 < height; y0 += ChunkCells) {
        if (band.drawing) {
            decideDrawn(band, x, y0, height);
            return;
        }
        decideChunk(band, x, y0, std::min(y0 + ChunkCells, height));
    }
}

// Cells y0 .. y1 - 1 of column x after a chunk that needed no deviate. Most
// cells of a quiet field need none (an adult with no predator on adults
// beside it and no ocean forcing, say), most cells of a lively one do: a
// first pass writes every cell's outcome without a deviate and goes on only
// if some cell has a threshold.
void FastBed::decideChunk(Band& band, int x, int y0, int y1)
{
    const std::uint8_t* rows = band.rows.data();
    std::int8_t* next = lattice[1 - now].data() + layout.index(x, 0);
    std::uint32_t needed = 0;
    for (int y = y0; y < y1; ++y) {
        const fastrule::Outcome& outcome = classes[rows[y]];
        needed |= outcome.threshold;
        next[y] = outcome.otherwise;
    }
    if (needed != 0)
        decideDrawn(band, x, y0, y1);
}

// Cells y0 .. y1 - 1 of column x (y0 a multiple of ChunkCells) with their
// deviates: the Philox blocks of the cells' chunks (all of them, also past
// the column's end) first, then the decisions, in one pass over the run, so
// that a lively column takes one. Each cell gets the outcome of its own
// deviate, whichever way it comes here.
void FastBed::decideDrawn(Band& band, int x, int y0, int y1)
{
    const std::uint8_t* rows = band.rows.data();
    std::int8_t* next = lattice[1 - now].data() + layout.index(x, 0);
    std::uint32_t* u = band.deviates.data();
    const auto step = static_cast<std::uint32_t>(syncStepCount);
    const auto stepHigh = static_cast<std::uint32_t>(syncStepCount >> 32);
    for (int c = y0; c < y1; c += ChunkCells) {
        const auto first = static_cast<std::uint32_t>(c / 4);
        std::uint32_t* chunk = u + (c - y0);
        if (avx2)
            philox::generateRun16Avx2(key, first, static_cast<std::uint32_t>(x), step, stepHigh, chunk);
        else
            philox::generateRun<ChunkCells / 4>(key, first, static_cast<std::uint32_t>(x), step, stepHigh, chunk);
    }
    // Jumps are rare and their scans long: the loop only notes the predators,
    // without a branch, and the scans follow.
    std::uint16_t* jumpers = band.jumpers.data();
    int jumping = 0;
    std::uint32_t needed = 0;
    int y = y0;
#ifdef TIDMAR_FASTSYNC_AVX2
    if (avx2) {
        const int vectorCells = (y1 - y0) & ~31;
        needed = decideAvx2(thresholdBytes.data(), fireStates.data(), otherwiseStates.data(), jumpFlags.data(),
                            drawFlags.data(), rows + y0, u, next + y0, vectorCells, y0, jumpers, &jumping);
        y += vectorCells;
    }
#endif
    for (; y < y1; ++y) {
        const fastrule::Outcome& outcome = classes[rows[y]];
        needed |= outcome.threshold;
        next[y] = u[y - y0] < outcome.threshold ? outcome.fire : outcome.otherwise;
        jumpers[jumping] = static_cast<std::uint16_t>(y);
        jumping += outcome.jumps;
    }
    band.drawing = needed != 0;
    const std::int8_t* source = lattice[now].data();
    for (int i = 0; i < jumping; ++i) {
        const int y = jumpers[i];
        const JumpScan::Target target =
            jumps.find(source, static_cast<std::int8_t>(YoungMussel), layout, x, y, u[y - y0], periodic);
        const int at = layout.index(target.x, target.y);
        if (target.x >= 0 && at < layout.index(x, y))
            band.stuck[band.stuckCount++] = at;
    }
}
