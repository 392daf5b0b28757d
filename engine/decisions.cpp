// SPDX-License-Identifier: GPL-3.0-or-later
#include "decisions.h"

#include "ran1.h"

#include <initializer_list>

namespace rule {

namespace {

// The smallest word whose deviate does not fire, Ran1::IM when every word
// fires; fires() holds for every word below some place and for none from
// there on.
template <typename Fires>
std::int32_t firstSilentWord(Fires fires)
{
    std::int32_t low = 1;          // every word below low fires
    std::int32_t high = Ran1::IM;  // no word from high on fires
    while (low < high) {
        const std::int32_t middle = low + (high - low) / 2;
        if (fires(Ran1::deviate(middle)))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

Decision event(std::int32_t threshold, int draw, Cell fire, Cell otherwise)
{
    Decision d;
    d.threshold = threshold;
    d.draw = static_cast<std::uint8_t>(draw);
    d.otherwise = otherwise;
    d.change = fire ^ otherwise;
    return d;
}

} // namespace

// The rule. The four words are, in order: recolonisation of an empty cell,
// predation on a young mussel, the taking of an adult, maturing of a young
// mussel. Predators always leave empty rock; a predator on young with no young
// mussel beside it also jumps.
Decision Decisions::decide(Cell state, int count) const
{
    const bool besideAny = count >= 1;
    switch (state) {
    case PredatorOnYoung: {
        Decision d = event(0, 0, Empty, Empty);
        d.special = longRange && count == 0 ? Jumps : 0;
        return d;
    }
    case Empty: {
        const double share = recolonization;
        return event(firstSilentWord([&](float r) { return recolonizes(share, count, r); }), 0, YoungMussel, Empty);
    }
    case YoungMussel:
        return besideAny ? event(predation, 1, PredatorOnYoung, YoungMussel)
                         : event(maturing, 3, AdultMussel, YoungMussel);
    case AdultMussel:
        return event(taken[besideAny], 2, PredatorOnAdults, AdultMussel);
    default:  // PredatorOnAdults
        return event(0, 0, Empty, Empty);
    }
}

void Decisions::update(const ModelParameters& p)
{
    const double wanted[5] = {p.recolonization, p.neighbourCoupling, p.oceanForcing, p.maturing, p.predation};
    bool same = foundLongRange == p.longRange;
    for (int i = 0; i < 5; ++i)
        same = same && wanted[i] == found[i];
    if (same)
        return;
    recolonization = p.recolonization;
    longRange = p.longRange;
    predation = firstSilentWord([&](float r) { return preyedOn(p.predation, r); });
    maturing = firstSilentWord([&](float r) { return matures(p.maturing, r); });
    for (const bool besideAny : {false, true}) {
        const double risk = besideAny ? p.neighbourCoupling + p.oceanForcing : p.oceanForcing;
        taken[besideAny] = firstSilentWord([&](float r) { return rule::taken(risk, r); });
    }
    for (Cell state = PredatorOnAdults; state <= AdultMussel; ++state)
        for (int count = 0; count < CountsPerState; ++count)
            rows[rowOf(state, count)] = decide(state, count);
    rows[ForeignRow] = Decision{};
    rows[ForeignRow].special = Keeps;
    for (int i = 0; i < 5; ++i)
        found[i] = wanted[i];
    foundLongRange = p.longRange;
}

} // namespace rule
