// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"
#include "enginestate.h"
#include "fieldcsv.h"

#include <array>
#include <string>

// The field of one run on whichever engine its mode chooses (see makeBed):
// what a run needs of it, the same for both engines.
class Bed {
public:
    virtual ~Bed() = default;

    // One step of the configured update scheme.
    virtual void advance() = 0;
    // The cells in each state, in the order -1, 0, 1, 2, 3.
    virtual std::array<long, StateCount> counts() const = 0;
    virtual Cell cell(int x, int y) const = 0;
    virtual int cellsX() const = 0;
    virtual int cellsY() const = 0;

    // The engine's whole state, and the state put back (see restoreState):
    // the steps after it are those the saved bed would have taken.
    virtual EngineState state() const = 0;
    virtual bool restore(const EngineState& state, std::string* error) = 0;
};

// The current field of bed as a field file holds it.
inline std::string fieldCsv(const Bed& bed)
{
    return fieldCsvOf(bed, bed.cellsX(), bed.cellsY());
}
