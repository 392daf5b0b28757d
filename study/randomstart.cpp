// SPDX-License-Identifier: GPL-3.0-or-later
#include "randomstart.h"

#include "batcherror.h"
#include "csvformat.h"
#include "numbers.h"
#include "printable.h"
#include "xoshiro.h"

#include <charconv>
#include <optional>
#include <string>

namespace {

// Separates the start field's stream from the throughput engine's xoshiro,
// which is seeded from the seed itself.
constexpr std::uint64_t StreamTag = 0x52616e646f6d5374u;

std::optional<int> stateByName(std::string_view name)
{
    for (int i = 0; i < StateCount; ++i)
        if (name == StateColumns[static_cast<std::size_t>(i)])
            return i;
    return std::nullopt;
}

} // namespace

RandomStart parseRandomStart(std::string_view text)
{
    const std::string names = "predator_on_adults, predator_on_young, empty, young, adult";
    RandomStart start;
    double total = 0;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find_first_of(",;", begin);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view item = text.substr(begin, end - begin);
        begin = end + 1;
        const std::size_t equals = item.find('=');
        const std::string_view name = item.substr(0, equals);
        const std::string_view value = equals == std::string_view::npos ? std::string_view() : item.substr(equals + 1);
        if (equals == std::string_view::npos)
            throw BatchError("random: " + inQuotes(item) + " is not STATE=FRACTION (states: " + names + ")");
        if (name == "rest") {
            const auto state = stateByName(value);
            if (!state)
                throw BatchError("random: rest=" + std::string(value) + " names no state (" + names + ")");
            start.rest = *state - 1;
            continue;
        }
        const auto state = stateByName(name);
        if (!state)
            throw BatchError("random: " + inQuotes(name) + " is not a state (" + names + ", or rest)");
        double fraction = -1;
        const auto [last, error] = std::from_chars(value.data(), value.data() + value.size(), fraction);
        if (error != std::errc() || last != value.data() + value.size() || !(fraction >= 0 && fraction <= 1))
            throw BatchError("random: " + std::string(name) + "=" + inQuotes(value) + " is not a fraction from 0 to 1");
        start.fractions[static_cast<std::size_t>(*state)] = fraction;
        total += fraction;
    }
    if (total > 1 + 1e-12)
        throw BatchError("random: the fractions add up to " + formatRoundTrip(total) + ", more than 1");
    return start;
}

std::vector<Cell> randomField(const RandomStart& start, int width, int height, std::int32_t seed)
{
    Xoshiro256 generator(static_cast<std::uint64_t>(static_cast<std::uint32_t>(seed)) ^ StreamTag);
    std::vector<Cell> codes(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (Cell& code : codes) {
        // 53 random bits as a deviate in [0, 1), against the running sums.
        const double u = static_cast<double>(generator.next() >> 11) * 0x1.0p-53;
        double below = 0;
        code = start.rest;
        for (int i = 0; i < StateCount; ++i) {
            below += start.fractions[static_cast<std::size_t>(i)];
            if (u < below) {
                code = i - 1;
                break;
            }
        }
    }
    return codes;
}
