// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"

#include <array>
#include <cstdint>

// The transition rule of the throughput engine as a lookup table. A cell's next
// state depends on its own state, on one neighbour count that matters to that
// state, and on one 32-bit uniform deviate u:
//
//     next = u < threshold ? fire : otherwise
//
// The events of one visit exclude each other (an empty cell can only be
// recolonised, a young mussel with a predator-on-young neighbour only taken,
// without one only mature, an adult only be taken), so one deviate suffices.
// A threshold is ceil(p * 2^32), making P(u < threshold) = p to within 2^-32;
// p <= 0 never fires and p >= 1 always does (threshold 0 with the fired state
// as the otherwise outcome).
namespace fastrule {

using Code = std::uint8_t;

// Each state contributes two codes to the 3 x 3 sums around a cell, which hold
// four 4-bit counts: the mussel code young mussels in bits 0-3 and mussels
// (young or adult) in bits 4-7, the predator code predators on young in bits 0-3
// and predators on adults in bits 4-7. A cell never counts towards the one
// count its own state reads, so the sums may include the centre.
constexpr Code musselCode(std::int8_t state)
{
    const Code young = static_cast<Code>(-static_cast<Code>(state == YoungMussel));
    const Code adult = static_cast<Code>(-static_cast<Code>(state == AdultMussel));
    return static_cast<Code>((young & 0x11) | (adult & 0x10));
}

constexpr Code predatorCode(std::int8_t state)
{
    const Code onYoung = static_cast<Code>(-static_cast<Code>(state == PredatorOnYoung));
    const Code onAdults = static_cast<Code>(-static_cast<Code>(state == PredatorOnAdults));
    return static_cast<Code>((onYoung & 0x01) | (onAdults & 0x10));
}

// The asynchronous steps hold one byte a cell, its cell code: one bit for
// each state that some state counts (young mussels 1, adults 2, predators on
// young 4, predators on adults 8), none for an empty cell, which nothing
// counts and which the closed boundary's halo is.
constexpr std::int8_t cellCode(std::int8_t state)
{
    return static_cast<std::int8_t>((state == YoungMussel) | (state == AdultMussel) << 1
                                    | (state == PredatorOnYoung) << 2 | (state == PredatorOnAdults) << 3);
}

// The state whose cell code is code: 1 plus the mussel bits' value less the
// predator bits' value shifted down.
constexpr std::int8_t stateOfCellCode(std::int8_t code)
{
    return static_cast<std::int8_t>(1 + (code & 3) - (code >> 2));
}

static_assert(stateOfCellCode(cellCode(PredatorOnAdults)) == PredatorOnAdults
              && stateOfCellCode(cellCode(PredatorOnYoung)) == PredatorOnYoung
              && stateOfCellCode(cellCode(Empty)) == Empty && stateOfCellCode(cellCode(YoungMussel)) == YoungMussel
              && stateOfCellCode(cellCode(AdultMussel)) == AdultMussel);

// The 3 x 3 block around a cell as one word, from the three 32-bit words of
// cell codes at rows y - 1 .. y + 2 of the columns x - 1, x and x + 1: the
// west column's codes in the low nibbles of bytes 0-3, the middle column's in
// the high nibbles, the east column's in bytes 4-7.
constexpr std::uint64_t blockOf(std::uint32_t west, std::uint32_t middle, std::uint32_t east)
{
    return west | static_cast<std::uint64_t>(middle) << 4 | static_cast<std::uint64_t>(east) << 32;
}

// The bits of a block that the cell with code code counts: the codes of the
// states it reads (see countFor() below) in the rows y - 1 .. y + 1 of each
// column. The cell's own code is never among them.
constexpr std::uint64_t countedBits(std::int8_t code)
{
    const std::uint64_t states = code == cellCode(PredatorOnYoung) ? 1u
                               : code == cellCode(Empty)            ? 3u
                               : code == cellCode(YoungMussel)      ? 4u
                               : code == cellCode(AdultMussel)      ? 8u
                                                                    : 0u;
    return (states | states << 4) * 0x010101u | (states * 0x010101u) << 32;
}

// The count the cell with code code reads in block.
inline unsigned countInBlock(std::uint64_t block, std::uint64_t counted)
{
    return static_cast<unsigned>(__builtin_popcountll(block & counted));
}

// The count a state reads out of the sums: young neighbours for a predator on
// young (whether it jumps), mussels for an empty cell, predators on young for a
// young mussel, predators on adults for an adult; 0 for a predator on adults.
// Selections by masks, without branches, so that a loop of them vectorises.
constexpr Code countFor(std::int8_t state, Code mussels, Code predators)
{
    const Code low = static_cast<Code>(-static_cast<Code>(state <= Empty));     // -1, 0, 1: the mussel sums
    const Code odd = static_cast<Code>(-static_cast<Code>((state & 1) != 0));  // 1, 3 (and -1): the high half
    const Code valid = static_cast<Code>(-static_cast<Code>(state >= 0));
    const Code sums = static_cast<Code>((mussels & low) | (predators & ~low));
    const Code count = static_cast<Code>(((sums >> 4) & odd) | (sums & 15 & ~odd));
    return static_cast<Code>(count & valid);
}

constexpr int CountsPerState = 16;
constexpr int TableSize = StateCount * CountsPerState;

// The table row of a state and its count.
constexpr unsigned indexOf(Cell state, unsigned count)
{
    return static_cast<unsigned>(stateIndex(state)) * CountsPerState + count;
}

struct Outcome {
    std::uint32_t threshold = 0;
    std::int8_t fire = Empty;
    std::int8_t otherwise = Empty;
    bool jumps = false;  // a predator on young that scans for a jump target with u
};

using Table = std::array<Outcome, TableSize>;

// The table as the synchronous sweep reads it, by outcome class: a state's
// outcome depends on its count only up to a cap (an empty cell's on up to 8
// mussels, the others' on whether the count is 0, a predator on adults' not
// at all), so the rows hold 16 outcomes. The class of state s with count n
// is classBase(s) + min(n, classCap(s)).
constexpr unsigned classCap(std::int8_t state)
{
    return state == Empty ? 8 : state < 0 ? 0 : 1;
}

constexpr unsigned classBase(std::int8_t state)
{
    unsigned base = 0;
    for (std::int8_t s = PredatorOnAdults; s < state; ++s)
        base += classCap(s) + 1;
    return base;
}

constexpr int ClassCount = static_cast<int>(classBase(AdultMussel) + classCap(AdultMussel) + 1);
static_assert(ClassCount == 16, "a class indexes a 16-entry byte shuffle");

constexpr unsigned classOf(std::int8_t state, unsigned count)
{
    return classBase(state) + (count < classCap(state) ? count : classCap(state));
}

// classOf() by masks, without branches, so that a loop of them vectorises.
constexpr Code classOfCount(std::int8_t state, Code count)
{
    const auto atLeast = [state](int s) { return static_cast<Code>(-static_cast<Code>(state >= s)); };
    const Code cap = static_cast<Code>((atLeast(0) & 1) + (static_cast<Code>(-static_cast<Code>(state == Empty)) & 7));
    const Code base = static_cast<Code>((atLeast(0) & 1) + (atLeast(1) & 2) + (atLeast(2) & 9) + (atLeast(3) & 2));
    return static_cast<Code>(base + (count < cap ? count : cap));
}

constexpr bool classesAgree()
{
    for (int state = PredatorOnAdults; state <= AdultMussel; ++state)
        for (unsigned count = 0; count < 16; ++count)
            if (classOfCount(static_cast<std::int8_t>(state), static_cast<Code>(count))
                != classOf(static_cast<std::int8_t>(state), count))
                return false;
    return true;
}
static_assert(classesAgree());

using ClassTable = std::array<Outcome, ClassCount>;

ClassTable makeClassTable(const Table& table);

// The table as the asynchronous steps read it, which hold cell codes only:
// the cell with code c and count n reads row codeRow(c, n), an 8-byte entry,
// and the counted bits of its code.
struct CodeOutcome {
    std::uint32_t threshold = 0;
    std::int8_t codes[2] = {};  // the cell codes of the fired state and the otherwise state
};

constexpr int CodeCount = 9;  // cell codes 0 .. 8
using CodeTable = std::array<CodeOutcome, CodeCount * CountsPerState>;

constexpr unsigned codeRow(std::int8_t code, unsigned count)
{
    return static_cast<unsigned>(code) * CountsPerState + count;
}

struct CodeRule {
    CodeTable rows{};
    std::array<std::uint64_t, CodeCount> counted{};  // countedBits() by code
};

CodeRule makeCodeRule(const Table& table);

struct Probabilities {
    double recolonization;     // A2
    double neighbourCoupling;  // A0
    double oceanForcing;       // D0
    double maturing;           // A3
    double predation;          // A4
    bool longRange;
};

// The threshold for probability p; sets *always when p >= 1 (or so close below
// 1 that the threshold would not fit in 32 bits).
std::uint32_t threshold(double p, bool* always);

Table makeTable(const Probabilities& p);

} // namespace fastrule
