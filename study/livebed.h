// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bed.h"
#include "runconfig.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct ModelParameters;

// A field that is driven interactively, as the desktop program drives its
// own: its parameters changed between steps through the control setters, its
// cells edited as the mouse edits them, its start pattern laid down again.
class LiveBed : public Bed {
public:
    // The parameter block the engine reads afresh at every step.
    virtual ModelParameters& parameters() = 0;
    // Restarts the generators from seed (1 .. MaxSeed); the field stays.
    virtual void reseed(std::int32_t seed) = 0;
    // Lays down a start pattern; a file pattern's field must have been read
    // (and its codes checked). A field of another size resizes the bed.
    virtual void layDown(const Pattern& pattern) = 0;
    // Writes state (a cell state) into the current field; false outside it.
    virtual bool edit(int x, int y, Cell state) = 0;
    // The current field column by column, as the engines store it:
    // out[x * cellsY() + y].
    virtual void copyField(Cell* out) const = 0;
    // The field before the last step likewise, where the engine keeps it
    // (the exact engine, with RedrawMark at edited cells); false otherwise.
    virtual bool copyPrevious(Cell* out) const = 0;

    // The current field where the engine keeps it: column x's cellsY()
    // codes from x * stride on, in bytes (the fast engine) or ints (the
    // exact one), for reading it without a copy.
    struct StoredField {
        const std::int8_t* bytes = nullptr;
        const Cell* ints = nullptr;
        std::size_t stride = 0;
    };
    virtual StoredField storedField() const = 0;
};

// A bed set up as makeBed sets one up; a fast bed keeps all threads for
// its synchronous steps whatever its scheme, since the scheme may change.
std::unique_ptr<LiveBed> makeLiveBed(const RunConfig& config, int threads = 1);

class MusselBed;
class FastBed;

// The engine-specific parts of a LiveBed.
void copyCells(const MusselBed& bed, Cell* out);
void copyCells(const FastBed& bed, Cell* out);
bool copyPreviousCells(const MusselBed& bed, Cell* out);
bool copyPreviousCells(const FastBed& bed, Cell* out);
LiveBed::StoredField storedCells(const MusselBed& bed);
LiveBed::StoredField storedCells(const FastBed& bed);
