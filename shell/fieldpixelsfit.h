#pragma once

#include <cstdint>

// The largest field picture the field widget can hold. Its canvas is one image
// of cells x cell size pixels on each axis; an image may take at most 2^31
// bytes, which at 4 bytes a pixel is 2^29 pixels. The limits below stay well
// inside that and inside the edge length that paint engines handle reliably.
constexpr int maxFieldPixelEdge = 16384;
constexpr std::int64_t maxFieldPixels = std::int64_t{1} << 28;

// True when a field of x by y cells of zellgr pixels makes a picture within
// the limits above. Non-positive arguments never fit.
constexpr bool fieldPixelsFit(int x, int y, int zellgr)
{
    if (x < 1 || y < 1 || zellgr < 1)
        return false;
    const std::int64_t width = std::int64_t{x} * zellgr;
    const std::int64_t height = std::int64_t{y} * zellgr;
    return width <= maxFieldPixelEdge && height <= maxFieldPixelEdge && width * height <= maxFieldPixels;
}
