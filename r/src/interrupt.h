// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <Rcpp.h>

#include <chrono>

// Lets the user's interrupt (Esc, Ctrl+C) reach long work on R's thread:
// poll(), called between steps, asks R at most every few milliseconds and
// throws Rcpp's interruption, which reaches R as an interrupt condition.
class InterruptCheck {
public:
    void poll()
    {
        const Clock::time_point now = Clock::now();
        if (now - last < Interval)
            return;
        last = now;
        Rcpp::checkUserInterrupt();
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds Interval{20};
    Clock::time_point last = Clock::now();
};
