// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A full set of control values, probabilities in thousandths as the desktop's
// spin boxes send them, and their application through the setters that the
// engines and the field widget share.
struct Controls {
    int a2, a0, d0, a3, a4;
    int jump;
    bool longRange, periodic;
    int scheme;
};

template <typename Bed>
void applyControls(Bed& bed, const Controls& c)
{
    bed.setcolonization(c.a2);
    bed.setneighbourcoupling(c.a0);
    bed.setoceanforcing(c.d0);
    bed.setmaturing(c.a3);
    bed.setpredation(c.a4);
    bed.setjumpdistance(c.jump);
    bed.setlongrange(c.longRange);
    bed.randbedingungaendern(c.periodic);
    bed.updatemethodeaendern(c.scheme);
}
