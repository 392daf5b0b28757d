// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"
#include "drawbuffer.h"
#include "fastrule.h"
#include "jumpscan.h"
#include "musselbed.h"
#include "paddedlayout.h"
#include "philox.h"
#include "workerpool.h"
#include "xoshiro.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The mussel-bed automaton in throughput mode, for large parameter sweeps. The
// model is MusselBed's: the same transition probabilities for every state and
// neighbourhood, the same three update schemes, boundaries and jump. What
// differs is the randomness: one 32-bit deviate u per cell visit from a modern
// generator, where MusselBed draws four or five from its one ran1 chain. The
// events of a visit exclude each other, so u serves whichever the cell's state
// and neighbourhood call for (u < ceil(p 2^32) fires); a predator on young that
// jumps takes its start direction from u.
//
// - Synchronous steps: the deviate of cell (x, y) in synchronous step t is word
//   y mod 4 of Philox4x32-10 keyed by the seed (low word, high word) at counter
//   (y / 4, x, t mod 2^32, t / 2^32), t counting the synchronous steps since
//   seeding. Bands of columns run on the threads; the result does not depend
//   on their number.
// - Jumps in a synchronous step: every cell's own next state is computed from
//   the previous generation first; then each jump whose target precedes its
//   predator in x-major order (x * cellsY + y) puts a predator on young into
//   the target. A jump to a later target is overwritten by that target's own
//   transition, as in the exact sweep, and leaves only the empty cell the
//   predator leaves anyway. This is the exact engine's outcome for the same
//   deviates.
// - Asynchronous steps run on the calling thread, in place, on xoshiro256**
//   seeded by splitmix64 from the seed: per visit one 64-bit output whose top
//   32 bits are u; the uniformly drawn scheme also draws one output per visit
//   for the position (x from the top 32 bits, y from the bottom 32, each by
//   multiply and shift), 16 visits ahead of the visit itself; the shuffled
//   scheme shuffles its two orders as the exact engine does, by 2 n exchanges,
//   with one output per exchange.
//
// Cells are stored as bytes in lattices with a halo; an asynchronous step works
// on the cells' one-hot cell codes instead and rewrites the bytes at its end.
// The field before a step is not kept. No step allocates.
class FastBed : public ModelParameters, private BandTask {
public:
    // Larger than the exact engine's: the counter-based generators have no
    // period that a large field would pass.
    static constexpr int MaxCells = 16384;
    // The bytes a bed of width x height on threads threads holds.
    static std::size_t bytesFor(int width, int height, int threads);

    // A field of cellsX x cellsY (each clamped into 1 .. MaxCells) of young
    // mussels. The synchronous scheme splits its work over threads (at least
    // 1), started here and kept until destruction; for small fields one thread
    // is fastest, as handing out a step costs microseconds.
    FastBed(int cellsX, int cellsY, std::uint64_t seedValue = 1, int threads = 1);
    ~FastBed();
    FastBed(const FastBed&) = delete;
    FastBed& operator=(const FastBed&) = delete;

    // Restarts both generators from value and the synchronous step count at 0.
    void seed(std::uint64_t value);

    // Caps the vector instructions the steps use at bits (512, 256, or 0
    // for none), to compare the paths; by default the processor's widest.
    void limitVectors(int bits);

    // --- start patterns ---
    void globalHealth();  // every cell YoungMussel
    void infectedLine();  // column cellsX / 2 PredatorOnYoung, the rest YoungMussel

    // Replaces the field by codes given row by row: codes[y * width + x].
    // Reallocates when the size differs. Rejects sizes outside 1..MaxCells and
    // codes outside -1..3 with a message in *error, changing nothing.
    bool setField(int width, int height, const std::vector<Cell>& codes, std::string* error);

    // Takes over the parameters, boundary, jump, update scheme and current field
    // of an exact engine (not its generators).
    void copyFrom(const MusselBed& exact);

    // --- update schemes ---
    // One step by updateMethod; any other value does nothing.
    void advance();
    void stepSync();
    void stepAsyncUC();
    void stepAsyncNRS();

    // --- field access and statistics, in the order -1, 0, 1, 2, 3 ---
    int cellsX() const { return layout.cellsX; }
    int cellsY() const { return layout.cellsY; }
    int threads() const { return pool.size(); }
    std::uint64_t syncSteps() const { return syncStepCount; }  // since seeding: the Philox counter's t

    // Everything the next draws depend on: the Philox key and step counter
    // and the xoshiro state, for saving a run and continuing it.
    struct Generators {
        philox::Key key;
        std::uint64_t syncSteps;
        std::array<std::uint64_t, 4> xoshiro;
    };
    Generators generators() const;
    void restore(const Generators& saved);
    Cell cell(int x, int y) const { return lattice[now][layout.index(x, y)]; }
    // The current field's storage, halo included, for reading it in bulk:
    // cell (x, y) at cellLayout().index(x, y).
    const std::int8_t* currentCells() const { return lattice[now].data(); }
    const PaddedLayout& cellLayout() const { return layout; }
    bool contains(int x, int y) const { return x >= 0 && x < layout.cellsX && y >= 0 && y < layout.cellsY; }

    // Mouse editing: writes state (a cell state) into the current field, the
    // next step reads it. Positions outside the field are ignored (returns false).
    bool editCell(int x, int y, Cell state);
    std::array<long, StateCount> counts() const;
    std::array<double, StateCount> fractions() const;

private:
    // Cells a synchronous band decides together after cells that needed no
    // deviate: their deviates come from one run of 16 Philox blocks, computed
    // only when one of them needs a deviate.
    static constexpr int ChunkCells = 64;

    // The working storage of one thread of a synchronous step, on cache lines
    // of its own: the threads write their flags and deviates all the time.
    struct alignas(64) Band {
        std::vector<fastrule::Code> codes[2];    // mussel and predator codes of a padded column
        std::vector<fastrule::Code> sums[2][3];  // their vertical 3-sums for three columns
        std::vector<std::uint8_t> rows;          // outcome classes of the column's cells
        std::vector<std::uint32_t> deviates;  // of a run of a column's chunks
        std::vector<std::uint16_t> jumpers;   // rows of a run's jumping predators
        std::vector<std::int32_t> stuck;  // the stuck jumps of the present run of columns
        std::size_t stuckCount = 0;
        bool drawing = false;  // the last chunk needed deviates
    };

    void allocate(int width, int height);
    void fill(Cell (*pattern)(int x, int y, int width));
    void prepareStep();
    void refreshHalo(std::int8_t* cells) const;

    // fastsync.cpp
    void runBand(int band) override;
    void sweepColumns(Band& band, int firstX, int endX);
    void columnSums(Band& band, int x, int slot) const;
    void sweepColumn(Band& band, int x, int westSlot);
    void decideChunk(Band& band, int x, int y0, int y1);
    void decideDrawn(Band& band, int x, int y0, int y1);

    // fastasync.cpp
    void prepareAsyncStep();
    void finishAsyncStep();
    void shuffle(std::vector<int>& order, int n);

    PaddedLayout layout;
    std::vector<std::int8_t> lattice[2];
    int now = 0;  // which lattice holds the current field
    // The cell code of every cell of the current field, in asynchronous
    // steps; the last cell's block reads one code past the halo.
    std::vector<std::int8_t> cellCodes;
    philox::Key key{};
    bool avx2 = false;    // Philox runs with AVX2 instructions
    bool popcnt = false;  // the asynchronous visits count with POPCNT
    std::uint64_t syncStepCount = 0;
    Xoshiro256 random;
    DrawBuffer draws;  // the outputs of random for a uniformly drawn step
    std::vector<int> xOrder;
    std::vector<int> yOrder;  // in a shuffled step, with the sign bit set on the border rows
    fastrule::Table table{};
    fastrule::CodeRule codeRule{};
    unsigned jumpRow = 0;  // the row of codeRule whose predators jump; past its end when none do
    // The synchronous sweep's rule, by outcome class, and its columns for the
    // vector sweep; thresholdBytes holds byte b of each class's threshold at
    // b * ClassCount + class, jumpFlags -1 where the predator jumps, drawFlags
    // where the class has a threshold.
    fastrule::ClassTable classes{};
    std::array<std::int8_t, 4 * fastrule::ClassCount> thresholdBytes{};
    std::array<std::int8_t, fastrule::ClassCount> fireStates{};
    std::array<std::int8_t, fastrule::ClassCount> otherwiseStates{};
    std::array<std::int8_t, fastrule::ClassCount> jumpFlags{};
    std::array<std::int8_t, fastrule::ClassCount> drawFlags{};
    JumpScan jumps;
    std::vector<Band> bands;
    // Each band owns an equal share of the columns and takes them in runs of
    // columnSpan; a band done with its own takes the others' remaining runs, so
    // that a thread that is held up does not hold up the step, while most
    // columns stay with the thread (and cache) that had them the step before.
    struct alignas(64) Share {
        std::atomic<int> next{0};
        int firstX = 0;
        int endX = 0;
    };
    int columnSpan = 1;
    std::unique_ptr<Share[]> shares;
    std::vector<std::int32_t> stuckJumps;  // lattice indices of jump targets that stay
    std::atomic<std::size_t> stuckCount{0};
    WorkerPool pool;  // last: its threads stop before the storage they use goes
};
