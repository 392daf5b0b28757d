// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The transition rule of the exact engine as a table of decisions, one for
// every cell state and neighbour count, found afresh whenever the parameters
// change. A cell draws four words from ran1 (see Ran1::nextWord); its decision
// names the one word that matters to it and a threshold: below it the cell
// becomes `fire`, otherwise `otherwise`.
//
// The rule compares deviates with probabilities; the table compares the words
// behind the deviates with thresholds, which keeps floating point off the hot
// path and gives the same outcomes: a deviate never decreases as its word
// grows, so each comparison with a fixed probability splits the words at one
// place, which bisection with that very comparison finds.

#include "cellstate.h"
#include "modelparameters.h"

#include <array>
#include <cstdint>

namespace rule {

struct Decision {
    std::int32_t threshold = 0;  // words are at least 1, so 0 never fires
    Cell otherwise = Empty;
    Cell change = 0;             // the outcome that fires, xor otherwise
    std::uint8_t draw = 0;       // which of the four words: 0 .. 3
    std::uint8_t special = 0;    // Jumps or Keeps; 0 for every usual cell
};

constexpr std::uint8_t Jumps = 1;  // a predator on young that scans for a jump with a fifth draw
constexpr std::uint8_t Keeps = 2;  // not a cell state: draws its four words, is left as it is

// The random events of the rule, each the comparison of a deviate r with the
// parameters.
inline bool recolonizes(double recolonization, int count, float r)
{
    return (count / 8.0) * recolonization > r;
}
inline bool preyedOn(double predation, float r)
{
    return r < predation;
}
inline bool matures(double maturing, float r)
{
    return r < maturing;
}
inline bool taken(double risk, float r)
{
    return risk > r;
}

class Decisions {
public:
    static constexpr int CountsPerState = 16;
    static constexpr int Rows = StateCount * CountsPerState;
    static constexpr int ForeignRow = Rows;  // the row of a value that is no cell state

    // The row of a cell state with count neighbours of the kind it reads, for
    // counts up to CountsPerState - 1 (all a radius of 1 gives).
    static constexpr int rowOf(Cell state, int count) { return stateIndex(state) * CountsPerState + count; }

    // Finds the table for p unless it already holds p's.
    void update(const ModelParameters& p);

    const Decision* table() const { return rows.data(); }

    // The decision of a cell state with any count: from the table, or worked
    // out for counts beyond it.
    Decision of(Cell state, int count) const
    {
        return count < CountsPerState ? rows[rowOf(state, count)] : decide(state, count);
    }

private:
    Decision decide(Cell state, int count) const;

    std::array<Decision, Rows + 1> rows{};
    // The parameters the table was found for: NaN at first, so that the first
    // update finds it.
    double found[5] = {__builtin_nan(""), 0, 0, 0, 0};
    bool foundLongRange = false;
    // The thresholds of the events whose probability does not depend on the count.
    std::int32_t predation = 0;
    std::int32_t maturing = 0;
    std::int32_t taken[2] = {};  // an adult with no (0) or some (1) predators on adults around it
    bool longRange = false;
    double recolonization = 0;
};

} // namespace rule
