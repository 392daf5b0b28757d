// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// How progress shows: not at all, as a bar redrawn in place on a terminal
// at most a few times a second, or as a line at most once a minute for a
// log (a cluster job's standard error), the first after a minute.
enum class ProgressStyle { None, Bar, Lines };

// --progress always|never|auto: auto draws the bar on a terminal and lines
// elsewhere, unless quiet; always does so even when quiet; never shows none.
enum class ProgressChoice { Auto, Always, Never };
ProgressStyle progressStyle(ProgressChoice choice, bool terminal, bool quiet);

class ProgressBar {
public:
    // unit names what is counted ("steps", "runs").
    ProgressBar(std::int64_t total, std::string unit, ProgressStyle style, std::FILE* stream = stderr);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::int64_t done);
    // Draws the final state and ends the line.
    void finish();

    // The bar's text for done of total after elapsed seconds.
    static std::string render(std::int64_t done, std::int64_t total, double elapsedSeconds, const std::string& unit);
    // The log line for the same.
    static std::string logLine(std::int64_t done, std::int64_t total, double elapsedSeconds, const std::string& unit);

private:
    using Clock = std::chrono::steady_clock;
    void draw(std::int64_t done);

    std::int64_t total;
    std::string unit;
    ProgressStyle style;
    bool drawn = false;
    std::FILE* stream;
    Clock::time_point start;
    Clock::time_point lastDraw;
};
