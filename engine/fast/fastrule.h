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

// Both codes in one 16-bit word (mussel code low), so that one sum of words
// adds both without carries: young mussels in bits 0-3, mussels 4-7, predators
// on young 8-11, predators on adults 12-15.
constexpr std::uint16_t pairCode(std::int8_t state)
{
    return static_cast<std::uint16_t>(musselCode(state) | predatorCode(state) << 8);
}

// The pair codes of the states -1 .. 3, by stateIndex.
inline constexpr std::array<std::uint16_t, StateCount> PairCodes = {
    pairCode(PredatorOnAdults), pairCode(PredatorOnYoung), pairCode(Empty), pairCode(YoungMussel),
    pairCode(AdultMussel)};

// The count a state reads out of a sum of pair codes: state s >= 0 reads the
// count in bits 4 s .. 4 s + 3. Equals countFor() below.
constexpr unsigned countInPairSum(std::int8_t state, unsigned sum)
{
    return state < 0 ? 0 : (sum >> (4 * state)) & 15u;
}

// The state whose pair code is code: 1 + 2 (mussel bit) - (young bit)
// - (predator-on-young bit) - 2 (predator-on-adults bit).
constexpr std::int8_t stateOfPairCode(std::uint16_t code)
{
    const int young = code & 1;
    const int mussel = (code >> 4) & 1;
    const int onYoung = (code >> 8) & 1;
    const int onAdults = (code >> 12) & 1;
    return static_cast<std::int8_t>(1 + 2 * mussel - young - onYoung - 2 * onAdults);
}

// A sum of pair codes in bits 32 .. 47 of a word (as the asynchronous steps
// compute it): the bit where the count starts that the state with pair code
// code reads, as countInPairSum() reads it. That is 32 + 4 s for state s >= 0
// and 48 for a predator on adults, whose outcome does not depend on the count
// it finds there. One multiplication and shift instead of a decoding of the
// state; the constants were found by search, the assertions below check them.
constexpr unsigned countOffset(std::uint16_t code)
{
    return (code * 0xF1F321F6u + 0x90D8F6F8u) >> 26;
}

static_assert(countOffset(pairCode(PredatorOnAdults)) == 48 && countOffset(pairCode(PredatorOnYoung)) == 32
              && countOffset(pairCode(Empty)) == 36 && countOffset(pairCode(YoungMussel)) == 40
              && countOffset(pairCode(AdultMussel)) == 44);
static_assert(stateOfPairCode(pairCode(PredatorOnAdults)) == PredatorOnAdults
              && stateOfPairCode(pairCode(PredatorOnYoung)) == PredatorOnYoung
              && stateOfPairCode(pairCode(Empty)) == Empty && stateOfPairCode(pairCode(YoungMussel)) == YoungMussel
              && stateOfPairCode(pairCode(AdultMussel)) == AdultMussel);

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
    std::uint16_t fireCode = 0;  // the pair codes of the two states
    std::uint16_t otherwiseCode = 0;
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

// The table as the asynchronous steps read it, which hold pair codes only. A
// cell with pair code c and the word sums (its pair sum in bits 32 .. 47)
// reads row codeRow(c, sums): the rows of state s >= 0 by count from 16 s on,
// then 16 copies of the one row of a predator on adults. A visit reads one
// 8-byte entry.
struct CodeOutcome {
    std::uint32_t threshold = 0;
    std::uint16_t codes[2] = {};  // the pair codes of the fired state and the otherwise state
};

using CodeTable = std::array<CodeOutcome, TableSize>;

constexpr unsigned codeRow(std::uint16_t code, std::uint64_t sums)
{
    const unsigned offset = countOffset(code);
    return 4 * offset - 128 + static_cast<unsigned>((sums >> offset) & 15u);
}

CodeTable makeCodeTable(const Table& table);

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
