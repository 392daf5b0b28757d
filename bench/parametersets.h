// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The two parameter sets the benchmarks measure. The lively set keeps every
// state present for as long as one cares to run and makes nearly every cell
// draw; with the desktop start values a field from the predated line turns
// almost all adult within about 50 steps and then barely changes.
//
// Both run with A3 0.1, A4 0.75, long range, jump 10 and periodic boundaries.
enum class ParameterSet { Lively, Desktop };

inline const char* describe(ParameterSet set)
{
    return set == ParameterSet::Lively ? "lively set (A2 0.6, A0 0.5, D0 0.02, A3 0.1, A4 0.75, jump 10)"
                                       : "desktop set (A2 0.3, A0 0.75, D0 0, A3 0.1, A4 0.75, jump 10)";
}

// Sets bed's parameters (not its scheme) in the order the desktop's controls
// send them. Works on both engines and on the field widget.
template <typename Bed>
void setParameters(Bed& bed, ParameterSet set)
{
    const bool lively = set == ParameterSet::Lively;
    bed.setmaturing(100);
    bed.setpredation(750);
    bed.setlongrange(true);
    bed.setjumpdistance(10);
    bed.setcolonization(lively ? 600 : 300);
    bed.setneighbourcoupling(lively ? 500 : 750);
    bed.randbedingungaendern(true);
    bed.setoceanforcing(lively ? 20 : 0);
}
