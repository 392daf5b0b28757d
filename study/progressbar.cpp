// SPDX-License-Identifier: GPL-3.0-or-later
#include "progressbar.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int BarWidth = 24;
constexpr auto RedrawInterval = std::chrono::milliseconds(200);
constexpr auto LineInterval = std::chrono::seconds(60);

std::string clockTime(double seconds)
{
    const long whole = std::lround(std::min(seconds, 359999.0));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

} // namespace

ProgressStyle progressStyle(ProgressChoice choice, bool terminal, bool quiet)
{
    if (choice == ProgressChoice::Never || (quiet && choice == ProgressChoice::Auto))
        return ProgressStyle::None;
    return terminal ? ProgressStyle::Bar : ProgressStyle::Lines;
}

ProgressBar::ProgressBar(std::int64_t total, std::string unit, ProgressStyle style, std::FILE* stream)
    : total(total), unit(std::move(unit)), style(style), stream(stream), start(Clock::now()), lastDraw(start)
{
}

ProgressBar::~ProgressBar()
{
    // Leaves the cursor on a fresh line when a run ends early.
    if (drawn && style == ProgressStyle::Bar)
        std::fputc('\n', stream);
}

std::string ProgressBar::logLine(std::int64_t done, std::int64_t total, double elapsedSeconds,
                                 const std::string& unit)
{
    std::string text = "progress: " + std::to_string(done) + "/" + std::to_string(total) + " " + unit + ", "
                       + clockTime(elapsedSeconds) + " elapsed";
    if (done > 0)
        text += ", " + clockTime(elapsedSeconds * static_cast<double>(total - done) / static_cast<double>(done))
                + " left";
    return text;
}

std::string ProgressBar::render(std::int64_t done, std::int64_t total, double elapsedSeconds,
                                const std::string& unit)
{
    const double share = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    const int filled = static_cast<int>(share * BarWidth);
    std::string text(1, '[');
    text.append(static_cast<std::size_t>(filled), '#');
    text.append(static_cast<std::size_t>(BarWidth - filled), '.');
    text += "] " + std::to_string(done) + "/" + std::to_string(total) + " " + unit;
    if (elapsedSeconds > 0 && done > 0) {
        const double rate = static_cast<double>(done) / elapsedSeconds;
        char rateText[32];
        std::snprintf(rateText, sizeof rateText, "  %.1f %s/s", rate, unit.c_str());
        text += rateText;
        text += "  " + clockTime(static_cast<double>(total - done) / rate) + " left";
    }
    return text;
}

void ProgressBar::draw(std::int64_t done)
{
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    if (style == ProgressStyle::Lines)
        std::fprintf(stream, "%s\n", logLine(done, total, elapsed, unit).c_str());
    else
        std::fprintf(stream, "\r%s\033[K", render(done, total, elapsed, unit).c_str());
    std::fflush(stream);
    drawn = true;
}

void ProgressBar::update(std::int64_t done)
{
    if (style == ProgressStyle::None)
        return;
    const Clock::time_point now = Clock::now();
    if (style == ProgressStyle::Lines ? now - lastDraw < LineInterval : drawn && now - lastDraw < RedrawInterval)
        return;
    lastDraw = now;
    draw(done);
}

void ProgressBar::finish()
{
    // A log that has shown progress gets the end too; a short run shows none.
    if (style == ProgressStyle::None || (style == ProgressStyle::Lines && !drawn))
        return;
    draw(total);
    if (style == ProgressStyle::Bar)
        std::fputc('\n', stream);
    drawn = false;
}
