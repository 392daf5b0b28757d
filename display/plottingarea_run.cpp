// SPDX-License-Identifier: GPL-3.0-or-later
// The run loop: steps the bed on a worker thread and paints on the GUI thread
// at the same time, handing control to the event loop between steps. There is
// no timer; the loop runs as fast as stepping allows.

#include "plottingarea.h"

#include "stepworker.h"

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

// Each pass: one step on the worker, meanwhile the field as it stood before
// the step is painted here; then, with the engine idle, the pending events
// (user actions land between two steps), the count, the statistics, the step
// number. The field after a step is painted during the next one, unless the
// run has stopped or a picture is to be saved: then at once, before the count.
// The pass in progress always completes, also when an event stopped the run.
void PlottingArea::runLoop()
{
    loopActive = true;
    if (!worker)
        worker = std::make_unique<StepWorker>();
    bool canvasBehind = false;  // the canvas shows the field before the last step
    while (running) {
        takeFrame();
        stepping = true;
        worker->start([this] { model.advance(); });
        paintFrame();
        worker->wait();
        stepping = false;
        QCoreApplication::processEvents();
        canvasBehind = running && !savePending;
        if (!canvasBehind)
            repaint();
        ++model.step;
        if (statsOn)
            statistik();
        emit schrittzahlsenden(model.step);
    }
    // Stopped by a receiver of the step number.
    if (canvasBehind)
        repaint();
    loopActive = false;
}

void PlottingArea::quitnow()
{
    repaintAll = false;
    running = false;
    QCoreApplication::quit();
}
