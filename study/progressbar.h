// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// A one-line progress bar with the rate and the time left, redrawn in place
// on a terminal at most a few times a second. A disabled bar prints nothing.
class ProgressBar {
public:
    // unit names what is counted ("steps", "runs").
    ProgressBar(std::int64_t total, std::string unit, bool enabled, std::FILE* stream = stderr);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::int64_t done);
    // Draws the final state and ends the line.
    void finish();

    // The bar's text for done of total after elapsed seconds.
    static std::string render(std::int64_t done, std::int64_t total, double elapsedSeconds, const std::string& unit);

private:
    using Clock = std::chrono::steady_clock;
    void draw(std::int64_t done);

    std::int64_t total;
    std::string unit;
    bool enabled;
    bool drawn = false;
    std::FILE* stream;
    Clock::time_point start;
    Clock::time_point lastDraw;
};
