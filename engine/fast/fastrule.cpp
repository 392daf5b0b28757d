// SPDX-License-Identifier: GPL-3.0-or-later
#include "fastrule.h"

#include <cmath>

namespace fastrule {

std::uint32_t threshold(double p, bool* always)
{
    *always = false;
    if (!(p > 0))
        return 0;
    const double scaled = std::ceil(p * 4294967296.0);
    if (p >= 1 || scaled >= 4294967296.0) {
        *always = true;
        return 0;
    }
    return static_cast<std::uint32_t>(scaled);
}

namespace {

Outcome event(double p, Cell fire, Cell otherwise)
{
    bool always = false;
    Outcome outcome;
    outcome.threshold = threshold(p, &always);
    outcome.fire = static_cast<std::int8_t>(fire);
    outcome.otherwise = static_cast<std::int8_t>(always ? fire : otherwise);
    return outcome;
}

} // namespace

Table makeTable(const Probabilities& p)
{
    Table table{};
    for (unsigned count = 0; count < CountsPerState; ++count) {
        table[indexOf(PredatorOnAdults, count)] = event(0, Empty, Empty);

        // A predator on young always leaves an empty cell; with no young mussel
        // beside it, it also scans for a jump target, starting where u points.
        Outcome& predator = table[indexOf(PredatorOnYoung, count)];
        predator = event(0, Empty, Empty);
        if (p.longRange && count == 0) {
            predator.jumps = true;
            predator.threshold = 1;  // asks for a deviate; both outcomes are Empty
        }

        const unsigned mussels = count < 8 ? count : 8;
        table[indexOf(Empty, count)] = event((mussels / 8.0) * p.recolonization, YoungMussel, Empty);

        table[indexOf(YoungMussel, count)] = count >= 1 ? event(p.predation, PredatorOnYoung, YoungMussel)
                                                        : event(p.maturing, AdultMussel, YoungMussel);

        const double taken = count >= 1 ? p.neighbourCoupling + p.oceanForcing : p.oceanForcing;
        table[indexOf(AdultMussel, count)] = event(taken, PredatorOnAdults, AdultMussel);
    }
    return table;
}

ClassTable makeClassTable(const Table& table)
{
    ClassTable classes{};
    for (Cell state = PredatorOnAdults; state <= AdultMussel; ++state) {
        const auto s = static_cast<std::int8_t>(state);
        for (unsigned count = 0; count <= classCap(s); ++count)
            classes[classOf(s, count)] = table[indexOf(state, count)];
    }
    return classes;
}

CodeRule makeCodeRule(const Table& table)
{
    CodeRule rule{};
    for (Cell state = PredatorOnAdults; state <= AdultMussel; ++state) {
        const std::int8_t code = cellCode(static_cast<std::int8_t>(state));
        rule.counted[code] = countedBits(code);
        for (unsigned count = 0; count < CountsPerState; ++count) {
            const Outcome& outcome = table[indexOf(state, count)];
            rule.rows[codeRow(code, count)] = {outcome.threshold, {cellCode(outcome.fire), cellCode(outcome.otherwise)}};
        }
    }
    return rule;
}

} // namespace fastrule
