// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

// Lets Ctrl+C reach long work that runs without the GIL. poll(), called
// between steps, takes the GIL at most every few milliseconds to run the
// interpreter's signal handlers; a KeyboardInterrupt (or whatever a handler
// raises) comes out as pybind11::error_already_set.
class InterruptCheck {
public:
    void poll();

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds Interval{20};
    Clock::time_point last = Clock::now();
};
