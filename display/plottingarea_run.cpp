// SPDX-License-Identifier: GPL-3.0-or-later
// The run loop: steps the bed on a worker thread and paints on the GUI thread
// at the same time, handing control to the event loop between steps. As fast
// as stepping allows, or paced to a number of steps a second; single steps
// while stopped.

#include "plottingarea.h"

#include "stepworker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

void PlottingArea::run()
{
    if (running) {
        showRunning(false);
        return;
    }
    repaintAll = true;
    showRunning(true);
    // A Start that arrives inside the event processing of a loop already
    // stopped but still on the stack lets that loop carry on: a second,
    // nested loop would leave the outer one to count a step it never made.
    if (!loopActive)
        runLoop();
}

void PlottingArea::setSpeed(int perSecond)
{
    stepsPerSecond = perSecond > 0 ? perSecond : 0;
}

// One step of a stopped field, counted, shown and announced as a pass of the
// run loop would; on the GUI thread, as nothing else needs it meanwhile.
void PlottingArea::stepOnce()
{
    if (running || loopActive)
        return;
    model.advance();
    countStep(true);
}

// Each pass: one step on the worker, meanwhile the field as it stood before
// the step is painted here; then, with the engine idle, the step is counted
// and announced, and the pending events are handled (user actions land
// between two steps, on the field whose number the window shows). The field
// after a step is painted during the next one, unless the run is paced or has
// stopped: then at once. A reset among the events stops the run at step 0.
void PlottingArea::runLoop()
{
    loopActive = true;
    if (!worker)
        worker = std::make_unique<StepWorker>();
    QElapsedTimer pass;
    while (running) {
        pass.start();
        takeFrame();
        stepping = true;
        worker->start([this] { model.advance(); });
        paintFrame();
        worker->wait();
        stepping = false;
        countStep(stepsPerSecond > 0);
        QCoreApplication::processEvents();
        waitUntilDue(pass);
    }
    repaint();
    loopActive = false;
}

// The bookkeeping of a step just made: the count, the picture when asked
// for, the statistics, the step number.
void PlottingArea::countStep(bool show)
{
    ++model.step;
    if (show)
        repaint();
    if (statsOn)
        statistik();
    emit schrittzahlsenden(model.step);
}

// A paced run waits, handling events as they come, until its pass has lasted
// a step's share of a second. Stop, Quit, a reset or a faster speed end the
// wait at once; every control works during it.
void PlottingArea::waitUntilDue(const QElapsedTimer& pass)
{
    if (!running || stepsPerSecond <= 0)
        return;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (running && stepsPerSecond > 0) {
        const qint64 left = 1'000'000'000 / stepsPerSecond - pass.nsecsElapsed();
        if (left <= 0)
            return;
        wake.start(int((left + 999'999) / 1'000'000));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void PlottingArea::quitnow()
{
    repaintAll = false;
    running = false;
    QCoreApplication::quit();
}
