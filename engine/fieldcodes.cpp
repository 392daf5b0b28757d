// SPDX-License-Identifier: GPL-3.0-or-later
#include "fieldcodes.h"

bool checkFieldCodes(int width, int height, const std::vector<Cell>& codes, int maxCells, std::string* error)
{
    auto fail = [error](std::string message) {
        if (error)
            *error = std::move(message);
        return false;
    };
    if (width < 1 || width > maxCells || height < 1 || height > maxCells)
        return fail("field size " + std::to_string(width) + " x " + std::to_string(height) + " is outside 1 .. "
                    + std::to_string(maxCells));
    if (codes.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return fail("field of " + std::to_string(width) + " x " + std::to_string(height) + " needs "
                    + std::to_string(width * height) + " codes, got " + std::to_string(codes.size()));
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (!isCellState(codes[i]))
            return fail("code " + std::to_string(codes[i]) + " at x = " + std::to_string(i % width) + ", y = "
                        + std::to_string(i / width) + " is not a cell state (-1 .. 3)");
    return true;
}
