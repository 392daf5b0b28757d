// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>

class QWidget;

// The About text of the program.
QString aboutText();

// The version, the commit it was built from and the seed this start of the
// program drew from the clock, which repeats a run in tidmar-batch.
QString aboutDetails(std::int32_t seed);

// Shows the About box, modal over parent, and returns when it is closed.
void showAbout(QWidget* parent, std::int32_t seed);
