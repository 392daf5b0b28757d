// SPDX-License-Identifier: GPL-3.0-or-later
// The run loop: steps, the Start/Stop toggle, resets and resizes during a
// run, pacing, single steps, quitting. User actions arrive as queued calls,
// which the loop's own event processing delivers between two steps, as a
// button press would be: queued at a step's number, an action lands on the
// field of that step.

#include "fieldtestsupport.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <map>

using namespace fieldtest;

namespace {

constexpr int seed = 4242;

// Runs queued actions when the field reports given step numbers, records
// every step number, and ends a run that goes past a limit so a fault cannot
// hang the test.
class StepScript : public QObject
{
public:
    StepScript(PlottingArea& field, const QPushButton& button, int limit = 200)
        : field(field), button(button), limit(limit)
    {
        connect(&field, &PlottingArea::schrittzahlsenden, this, [this](int step) { onStep(step); });
    }

    // At the n-th emission of a step number (counted, since numbers repeat
    // after a reset), queues the action for the loop's next event round.
    void at(int emission, std::function<void()> action) { actions.emplace(emission, std::move(action)); }

    QList<int> steps;
    QStringList buttonTexts;
    bool runaway = false;

private:
    void onStep(int step)
    {
        steps << step;
        buttonTexts << button.text();
        const auto [first, last] = actions.equal_range(int(steps.size()));
        for (auto it = first; it != last; ++it)
            QTimer::singleShot(0, &field, it->second);
        if (steps.size() > limit && !runaway) {
            runaway = true;
            field.quitnow();
        }
    }

    PlottingArea& field;
    const QPushButton& button;
    int limit;
    std::multimap<int, std::function<void()>> actions;
};

QList<int> upTo(int last)
{
    QList<int> numbers;
    for (int i = 1; i <= last; ++i)
        numbers << i;
    return numbers;
}

// The engine alone, from the same start, after `steps` steps.
std::vector<Cell> referenceAfter(int cellsX, int cellsY, int steps)
{
    MusselBed bed(cellsX, cellsY, seed);
    setDesktopStartValues(bed);
    bed.infectedLine();
    for (int i = 0; i < steps; ++i)
        bed.advance();
    return snapshot(bed, bed.current());
}

// True when the canvas shows every cell of the field in its state's colour.
bool showsField(const PlottingArea& field)
{
    const QRgb colours[] = {blue, red, darkGray, darkGreen, deepGreen};
    const MusselBed& bed = field.bed();
    for (int x = 0; x < bed.cellsX; ++x)
        for (int y = 0; y < bed.cellsY; ++y)
            if (!cellShows(field, x, y, colours[stateIndex(bed.cell(x, y))]))
                return false;
    return true;
}

}  // namespace

class TestRunLoop : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void stopIsHonouredAfterStepInProgress();
    void editBetweenStepsIsStepped();
    void statisticsComeBeforeStepNumber();
    void resetDuringRunEndsAtStepZero();
    void resizeDuringRunEndsRun();
    void refusedResizeDuringRunKeepsRunning();
    void startWhileStoppedLoopIsOnStackCarriesOn();
    void pacedRunStopsAtOnceAndStepsSingly();
    void quitEndsEventLoop_data();
    void quitEndsEventLoop();

private:
    std::unique_ptr<ShownField> shown;
    PlottingArea* field = nullptr;
};

void TestRunLoop::init()
{
    shown = std::make_unique<ShownField>(32, 24, 2);
    field = shown->field.get();
    QVERIFY(shown->exposed());
    setDesktopStartValues(field->bed());
    field->infectedLine();
    field->bed().seed(seed);
}

void TestRunLoop::cleanup()
{
    shown.reset();
    field = nullptr;
    // A quit leaves events behind that must not reach the next test's loop.
    QCoreApplication::processEvents();
}

void TestRunLoop::stopIsHonouredAfterStepInProgress()
{
    StepScript script(*field, shown->button);
    script.at(3, [this] { field->run(); });
    field->run();

    QCOMPARE(script.steps, upTo(3));
    QCOMPARE(field->bed().step, 3);
    QVERIFY(!field->isRunning());
    QCOMPARE(script.buttonTexts.first(), QStringLiteral(" &Stop "));
    QCOMPARE(shown->button.text(), QStringLiteral(" &Start "));
    QVERIFY(snapshot(field->bed(), field->bed().current()) == referenceAfter(32, 24, 3));
}

// A mouse edit during a run lands between two steps, as if the engine alone
// had been stepped, edited and stepped on; a run stopped straight from the step
// number leaves the canvas showing the field as it stands.
void TestRunLoop::editBetweenStepsIsStepped()
{
    const QPoint edited(5, 7);
    StepScript script(*field, shown->button);
    bool editShown = false;
    script.at(3, [this, edited, &editShown] {
        QTest::mousePress(field, Qt::LeftButton, Qt::NoModifier, edited * 2 + QPoint(1, 1));
        QTest::mouseRelease(field, Qt::LeftButton, Qt::NoModifier, edited * 2 + QPoint(1, 1));
        editShown = cellShows(*field, edited.x(), edited.y(), red);
    });
    connect(field, &PlottingArea::schrittzahlsenden, this, [this](int step) {
        if (step == 6)
            field->run();
    });
    field->run();

    MusselBed bed(32, 24, seed);
    setDesktopStartValues(bed);
    bed.infectedLine();
    for (int i = 0; i < 6; ++i) {
        bed.advance();
        if (i == 2)
            bed.editCell(edited.x(), edited.y(), PredatorOnYoung);
    }
    QCOMPARE(script.steps, upTo(6));
    QVERIFY(editShown);
    QVERIFY(snapshot(field->bed(), field->bed().current()) == snapshot(bed, bed.current()));
    QVERIFY(showsField(*field));
}

void TestRunLoop::statisticsComeBeforeStepNumber()
{
    QStringList order;
    connect(field, &PlottingArea::statistiksenden, this,
            [&order](double a, double b, double c, double d, double e) {
                order << "stats";
                QVERIFY(std::abs(a + b + c + d + e - 1.0) < 1e-12);
            });
    connect(field, &PlottingArea::schrittzahlsenden, this,
            [&order](int step) { order << QString::number(step); });
    StepScript script(*field, shown->button);
    script.at(1, [this] { field->statistikanaus(true); });
    script.at(3, [this] { field->run(); });
    field->run();

    QCOMPARE(order, QStringList({"1", "stats", "2", "stats", "3"}));
}

// The reset stops the run at step 0: the fresh pattern is not counted.
void TestRunLoop::resetDuringRunEndsAtStepZero()
{
    StepScript script(*field, shown->button);
    script.at(2, [this] { field->globalHealth(); });
    field->run();

    QCOMPARE(script.steps, QList<int>({1, 2, 0}));
    QVERIFY(!field->isRunning());
    QCOMPARE(shown->button.text(), QStringLiteral(" &Start "));
    const MusselBed& bed = field->bed();
    QCOMPARE(bed.step, 0);
    QVERIFY(snapshot(bed, bed.current()) == std::vector<Cell>(32 * 24, YoungMussel));
    QVERIFY(snapshot(bed, bed.previous()) == std::vector<Cell>(32 * 24, YoungMussel));
}

void TestRunLoop::resizeDuringRunEndsRun()
{
    StepScript script(*field, shown->button);
    script.at(2, [this] { field->changesize(20, 10, 3); });
    field->run();

    QCOMPARE(script.steps, QList<int>({1, 2, 0}));
    QCOMPARE(field->bed().step, 0);
    QVERIFY(!field->isRunning());
    QCOMPARE(field->bed().cellsX, 20);
    QCOMPARE(field->bed().cellsY, 10);
    QVERIFY(snapshot(field->bed(), field->bed().current()) == std::vector<Cell>(20 * 10, YoungMussel));
    QTRY_COMPARE(field->size(), QSize(60, 30));
}

void TestRunLoop::refusedResizeDuringRunKeepsRunning()
{
    StepScript script(*field, shown->button);
    script.at(2, [this] {
        StreamCapture err(std::cerr);
        field->changesize(1000, 1000, 50);
    });
    script.at(4, [this] { field->run(); });
    field->run();

    QCOMPARE(script.steps, upTo(4));
    QCOMPARE(field->bed().cellsX, 32);
    QVERIFY(snapshot(field->bed(), field->bed().current()) == referenceAfter(32, 24, 4));
}

// Stop and Start in one event round: the loop on the stack carries on, and
// every step number stands for one step.
void TestRunLoop::startWhileStoppedLoopIsOnStackCarriesOn()
{
    StepScript script(*field, shown->button);
    script.at(3, [this] { field->run(); });
    script.at(3, [this] { field->run(); });
    script.at(6, [this] { field->run(); });
    field->run();

    QCOMPARE(script.steps, upTo(6));
    QCOMPARE(script.buttonTexts.at(4), QStringLiteral(" &Stop "));
    QCOMPARE(shown->button.text(), QStringLiteral(" &Start "));
    QVERIFY(!field->isRunning());
    QVERIFY(snapshot(field->bed(), field->bed().current()) == referenceAfter(32, 24, 6));
}

// A paced run shows each step as it counts it, and a Stop that comes while it
// waits for the next step ends it there, before another step. Step, ignored
// during a run, makes one step while stopped, counted and shown as in a run.
void TestRunLoop::pacedRunStopsAtOnceAndStepsSingly()
{
    field->setSpeed(3);
    StepScript script(*field, shown->button);
    QList<bool> shownWhenCounted;
    connect(field, &PlottingArea::schrittzahlsenden, this,
            [&](int) { shownWhenCounted << showsField(*field); });
    script.at(1, [this] { field->stepOnce(); });
    script.at(2, [this] { QTimer::singleShot(50, field, &PlottingArea::run); });
    field->run();

    QCOMPARE(script.steps, upTo(2));
    QCOMPARE(shownWhenCounted, QList<bool>({true, true}));
    QVERIFY(snapshot(field->bed(), field->bed().current()) == referenceAfter(32, 24, 2));

    field->stepOnce();
    QCOMPARE(script.steps, upTo(3));
    QCOMPARE(shownWhenCounted.last(), true);
    QVERIFY(!field->isRunning());
    QVERIFY(snapshot(field->bed(), field->bed().current()) == referenceAfter(32, 24, 3));
}

void TestRunLoop::quitEndsEventLoop_data()
{
    QTest::addColumn<bool>("runFirst");
    QTest::addColumn<QList<int>>("expectedSteps");
    QTest::newRow("idle") << false << QList<int>();
    QTest::newRow("running") << true << upTo(3);
}

// quitnow() while idle ends the event loop at once; during a run, after the
// pass in progress. Either way with status 0.
void TestRunLoop::quitEndsEventLoop()
{
    QFETCH(bool, runFirst);
    QFETCH(QList<int>, expectedSteps);
    StepScript script(*field, shown->button);
    if (runFirst) {
        QTimer::singleShot(0, field, &PlottingArea::run);
        script.at(3, [this] { field->quitnow(); });
    } else {
        QTimer::singleShot(0, field, &PlottingArea::quitnow);
    }

    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!script.runaway);
    QCOMPARE(script.steps, expectedSteps);
    QVERIFY(!field->isRunning());
}

QTEST_MAIN(TestRunLoop)
#include "tst_runloop.moc"
