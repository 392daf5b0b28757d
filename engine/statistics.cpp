// SPDX-License-Identifier: GPL-3.0-or-later
#include "musselbed.h"

std::array<long, StateCount> MusselBed::counts() const
{
    std::array<long, StateCount> count{};
    const Cell* cells = current().block();
    const long total = static_cast<long>(cellsX) * cellsY;
    for (long i = 0; i < total; ++i) {
        const unsigned index = static_cast<unsigned>(cells[i] - PredatorOnAdults);
        if (index < StateCount)
            ++count[index];
    }
    return count;
}

std::array<double, StateCount> MusselBed::fractions() const
{
    const std::array<long, StateCount> count = counts();
    const double total = static_cast<double>(cellsX * cellsY);
    std::array<double, StateCount> share{};
    for (int i = 0; i < StateCount; ++i)
        share[i] = count[i] / total;
    return share;
}
