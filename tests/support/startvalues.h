// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "musselbed.h"

// The desktop program's start values, in the order its controls send them:
// A3 0.100, A4 0.750, long range, jump 10, A2 0.300, A0 0.750, periodic; D0
// stays 0 and the scheme Async. UC. Works on the engines and on the field
// widget, which have the same setters.
template <typename Bed>
void setDesktopStartValues(Bed& bed)
{
    bed.setmaturing(100);
    bed.setpredation(750);
    bed.setlongrange(true);
    bed.setjumpdistance(10);
    bed.setcolonization(300);
    bed.setneighbourcoupling(750);
    bed.randbedingungaendern(true);
    bed.setoceanforcing(0);
    bed.updatemethodeaendern(MusselBed::AsyncUCMethod);
}
