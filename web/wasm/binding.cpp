// SPDX-License-Identifier: GPL-3.0-or-later
// The exact engine for the browser page: a few C functions over one
// MusselBed, called from JavaScript through the module's exports. Settings
// arrive as the desktop controls give them (thousandths, ids, flags) and go
// through the engine's own setters, in the order tidmar-batch calls them.

#include "cellcolours.h"
#include "musselbed.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <vector>

namespace {

struct WebBed {
    WebBed(int width, int height, std::int32_t seed) : bed(width, height, seed) { resizeBuffers(); }

    void resizeBuffers()
    {
        const std::size_t cells = static_cast<std::size_t>(bed.cellsX) * bed.cellsY;
        pixels.assign(cells, 0);
        codes.assign(cells, 0);
    }

    MusselBed bed;
    std::vector<std::uint32_t> pixels;  // RGBA bytes, row by row
    std::vector<std::int32_t> codes;    // field codes, row by row
    std::int32_t counts[StateCount] = {};
};

// 0xAARRGGBB as the bytes R, G, B, A of an ImageData pixel (little endian).
constexpr std::uint32_t rgbaOf(std::uint32_t argb)
{
    return (argb & 0xff00ff00u) | ((argb >> 16) & 0xffu) | ((argb & 0xffu) << 16);
}

constexpr std::array<std::uint32_t, StateCount> rgbaColours = [] {
    std::array<std::uint32_t, StateCount> c{};
    for (int i = 0; i < StateCount; ++i)
        c[i] = rgbaOf(stateColours[i]);
    return c;
}();

bool validSize(int width, int height)
{
    return width >= 1 && width <= MusselBed::MaxCells && height >= 1 && height <= MusselBed::MaxCells;
}

} // namespace

extern "C" {

// A bed of width x height cells laid with the young cover, seeded with seed;
// null for a size outside 1 .. 2048.
EMSCRIPTEN_KEEPALIVE WebBed* tidmar_create(int width, int height, std::int32_t seed)
{
    return validSize(width, height) ? new WebBed(width, height, seed) : nullptr;
}

EMSCRIPTEN_KEEPALIVE void tidmar_destroy(WebBed* web)
{
    delete web;
}

// The parameters as the controls hold them: probabilities in thousandths,
// scheme 0 sync, 1 async-uc, 2 async-nrs. From the next step on.
EMSCRIPTEN_KEEPALIVE void tidmar_set(WebBed* web, int a2, int a0, int d0, int a3, int a4, int jump, int longRange,
                                     int periodic, int scheme)
{
    MusselBed& bed = web->bed;
    bed.setmaturing(a3);
    bed.setpredation(a4);
    bed.setlongrange(longRange != 0);
    bed.setjumpdistance(jump);
    bed.setcolonization(a2);
    bed.setneighbourcoupling(a0);
    bed.setoceanforcing(d0);
    bed.randbedingungaendern(periodic != 0);
    bed.updatemethodeaendern(scheme);
}

EMSCRIPTEN_KEEPALIVE void tidmar_seed(WebBed* web, std::int32_t seed)
{
    web->bed.seed(seed);
}

// Lays down a start pattern at step 0: 1 the predated line, otherwise the
// young cover.
EMSCRIPTEN_KEEPALIVE void tidmar_pattern(WebBed* web, int line)
{
    if (line)
        web->bed.infectedLine();
    else
        web->bed.globalHealth();
}

// Rebuilds the field at a new size with the young cover; false (nothing
// changes) for a size outside 1 .. 2048.
EMSCRIPTEN_KEEPALIVE int tidmar_resize(WebBed* web, int width, int height)
{
    if (!web->bed.resize(width, height))
        return 0;
    web->resizeBuffers();
    return 1;
}

// n steps of the present scheme, counted.
EMSCRIPTEN_KEEPALIVE void tidmar_advance(WebBed* web, int n)
{
    for (int i = 0; i < n; ++i) {
        web->bed.advance();
        ++web->bed.step;
    }
}

EMSCRIPTEN_KEEPALIVE int tidmar_step(const WebBed* web)
{
    return web->bed.step;
}

EMSCRIPTEN_KEEPALIVE int tidmar_width(const WebBed* web)
{
    return web->bed.cellsX;
}

EMSCRIPTEN_KEEPALIVE int tidmar_height(const WebBed* web)
{
    return web->bed.cellsY;
}

// As the mouse paints: false for a position outside the field.
EMSCRIPTEN_KEEPALIVE int tidmar_edit(WebBed* web, int x, int y, int state)
{
    return isCellState(state) && web->bed.editCell(x, y, state);
}

// The counts of the states -1 .. 3, five numbers.
EMSCRIPTEN_KEEPALIVE const std::int32_t* tidmar_counts(WebBed* web)
{
    const std::array<long, StateCount> counts = web->bed.counts();
    for (int i = 0; i < StateCount; ++i)
        web->counts[i] = static_cast<std::int32_t>(counts[i]);
    return web->counts;
}

// The field as RGBA pixels, one a cell, row by row, in the desktop's colours.
EMSCRIPTEN_KEEPALIVE const std::uint32_t* tidmar_pixels(WebBed* web)
{
    const MusselBed& bed = web->bed;
    const int width = bed.cellsX;
    const int height = bed.cellsY;
    const Cell* block = bed.current().block();
    std::uint32_t* out = web->pixels.data();
    for (int x = 0; x < width; ++x) {
        const Cell* column = block + static_cast<long>(x) * height;
        for (int y = 0; y < height; ++y) {
            const Cell v = column[y];
            out[static_cast<long>(y) * width + x] = isCellState(v) ? rgbaColours[stateIndex(v)] : 0xffffffffu;
        }
    }
    return out;
}

// The field codes, row by row (as a field CSV lists them).
EMSCRIPTEN_KEEPALIVE const std::int32_t* tidmar_field(WebBed* web)
{
    const MusselBed& bed = web->bed;
    for (int y = 0; y < bed.cellsY; ++y)
        for (int x = 0; x < bed.cellsX; ++x)
            web->codes[static_cast<std::size_t>(y) * bed.cellsX + x] = bed.cell(x, y);
    return web->codes.data();
}

} // extern "C"
