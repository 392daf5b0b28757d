// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"
#include "lattice.h"
#include "modelparameters.h"
#include "ran1.h"
#include "rand15.h"
#include "decisions.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class StatesAhead;

// The mussel-bed automaton: two lattices of cell states, the five probability
// parameters, the jump, the boundary, the update scheme, the generators and the
// step counter. Plain C++: the desktop widget and the headless tool both own one.
//
// Member names follow the model's own vocabulary. Parameters are public data,
// as they are read afresh at every step; use the setters to change them from
// control values.
class MusselBed : public ModelParameters {
public:
    static constexpr int MaxCells = 2048;  // largest width or height

    // Allocates both lattices and lays down the all-young pattern. The
    // generators start from seedValue (see seed()).
    MusselBed(int cellsX, int cellsY, std::int32_t seedValue = 1);
    ~MusselBed();
    MusselBed(const MusselBed&) = delete;
    MusselBed& operator=(const MusselBed&) = delete;

    // --- generators ---
    // The ran1 state word starts as -t, the 15-bit generator's state as t.
    // t is taken as given (any int32); the generator never ends up with a
    // state word of 0.
    void seed(std::int32_t t);

    // --- start patterns: both lattices equal, parity true, step 0 ---
    void globalHealth();  // every cell YoungMussel
    void infectedLine();  // column cellsX / 2 PredatorOnYoung, the rest YoungMussel

    // Replaces the field by codes given row by row: codes[y * width + x].
    // Reallocates when the size differs. Rejects sizes outside 1..MaxCells and
    // codes outside -1..3 with a message in *error, changing nothing.
    bool setField(int width, int height, const std::vector<Cell>& codes, std::string* error);

    // Rebuilds both lattices at the new size and lays down globalHealth().
    // Sizes outside 1..MaxCells are refused (returns false, nothing changes).
    bool resize(int width, int height);

    // --- the rule of the automaton (rule.h, rule.cpp) ---
    int countNeighbours(const Lattice& lattice, int x, int y, Cell state) const;
    // The neighbours a cell in state reads (rule::readsOf), with boundaries.
    int countReads(const Lattice& lattice, int x, int y, Cell state) const;
    void updateCell(const Lattice& source, const Lattice& destination, int x, int y);

    // The update of single cells from source into destination, with what it
    // reads held in its own members: a cell store may alias any int, so the
    // bed's members would be read again after every cell written. Valid until
    // the bed's parameters, size or lattices change.
    struct CellUpdate {
        MusselBed& bed;  // the border count and the jump, off the hot path
        const Lattice& source;
        const Lattice& destination;
        const Cell* from;
        Cell* to;
        int height;
        // Interior cells, 1 <= x < 1 + innerWidth and 1 <= y < 1 + innerHeight,
        // count their eight neighbours by offsets; none when the radius is not 1.
        unsigned innerWidth;
        unsigned innerHeight;
        const rule::Decision* table;

        // Draws the cell's four words, then decides it.
        template <typename Draws>
        void operator()(Draws& draws, int x, int y) const;
        // Decides the cell from the four words already drawn; a jump draws
        // its fifth from draws, and then the call returns true.
        template <typename Draws>
        bool decide(const std::int32_t* words, Draws& draws, int x, int y) const;
    };
    // For the present decisions (see Decisions::update).
    CellUpdate cellUpdate(const Lattice& source, const Lattice& destination);

    // --- update schemes (schemes.cpp) ---
    // One step by updateMethod; any other value does nothing. Does not touch
    // the step counter: the run loop counts.
    void advance();
    void stepSync();
    void stepAsyncUC();
    void stepAsyncNRS();
    void copyLattice(const Lattice& from, const Lattice& to) const;

    // --- field access ---
    const Lattice& current() const { return parity ? latticeA : latticeB; }
    const Lattice& previous() const { return parity ? latticeB : latticeA; }
    Cell cell(int x, int y) const { return current()[x][y]; }
    bool contains(int x, int y) const { return x >= 0 && x < cellsX && y >= 0 && y < cellsY; }

    // Mouse editing: writes state into the current lattice and RedrawMark into
    // the previous one. Positions outside the field are ignored (returns false).
    bool editCell(int x, int y, Cell state);

    // --- statistics of the current lattice, in the order -1, 0, 1, 2, 3 ---
    std::array<long, StateCount> counts() const;
    std::array<double, StateCount> fractions() const;

    // --- model members ---
    int cellsX;
    int cellsY;
    int radius = 1;
    bool parity = true;  // true: latticeA is current
    int step = 0;        // steps since the last reset; counted by the run loop
    Lattice latticeA;
    Lattice latticeB;
    Ran1 random;         // ran1, every random decision but the shuffles
    Rand15 shuffleRandom;  // the 15-bit generator of stepAsyncNRS

private:
    void allocate();
    void release();
    void fill(Cell (*pattern)(int x, int y, int cellsX));
    void jump(const Lattice& source, const Lattice& destination, int x, int y, float r5);
    void prepareJumpOffsets();
    int borderRow(const Lattice& lattice, int x, int y) const;
    void decideColumn(Ran1& draws, StatesAhead& states, const Lattice& source, const Lattice& destination, int x,
                      const std::uint8_t* rows);

    // Jump targets by direction index 0..539, for jumpOffsetsDistance.
    std::array<std::int32_t, 540> jumpDx{};
    std::array<std::int32_t, 540> jumpDy{};
    int jumpOffsetsDistance = -1;
    // The same targets as steps through a block of columns of jumpStepsHeight cells.
    std::array<std::int32_t, 540> jumpSteps{};
    int jumpStepsHeight = -1;
    rule::Decisions decisions;  // for the parameters of the last step
    // Room for a synchronous step: the codes of three columns and the
    // decision rows of one (see neighbourrows.h).
    std::vector<std::uint8_t> columnScratch;
};

#include "rule.h"
