// SPDX-License-Identifier: GPL-3.0-or-later
// The run loop: steps the bed on the GUI thread, handing control to the event
// loop between steps. There is no timer; the loop runs as fast as stepping
// and painting allow.

#include "plottingarea.h"

#include <QCoreApplication>

void PlottingArea::run()
{
    if (running) {
        running = false;
        setStartText(" &Start ");
        return;
    }
    running = true;
    repaintAll = true;
    setStartText(" &Stop ");
    // A Start that arrives inside the event processing of a loop already
    // stopped but still on the stack lets that loop carry on: a second,
    // nested loop would leave the outer one to count a step it never made.
    if (!loopActive)
        runLoop();
}

// Each pass: one step, the pending events (user actions land between two
// steps), an immediate repaint, the count, the statistics, the step number.
// The pass in progress always completes, also when an event stopped the run.
void PlottingArea::runLoop()
{
    loopActive = true;
    while (running) {
        model.advance();
        QCoreApplication::processEvents();
        repaint();
        ++model.step;
        if (statsOn)
            statistik();
        emit schrittzahlsenden(model.step);
    }
    loopActive = false;
}

void PlottingArea::quitnow()
{
    repaintAll = false;
    running = false;
    QCoreApplication::quit();
}
