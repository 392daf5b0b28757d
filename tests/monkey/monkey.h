// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The monkey: drives the real main window with a seeded stream of random user
// actions and checks after every action that the field, the run and the
// window still hang together.

#include "musselbed.h"

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QTest>

#include <array>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <random>
#include <vector>

class Helpview;
class PlottingArea;
class QAbstractButton;
class QAction;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QMessageBox;
class QPushButton;
class QSpinBox;
class QWidget;
class SizeWizard;
class Windowstruct;
class Zeitverlauf;

struct MonkeyOptions {
    long actions = 2000;
    std::uint32_t seed = 1;
    bool verbose = false;
};

// Every random decision of a run comes from here. The words of the generator
// are mapped to choices by hand, not by the standard distributions, whose
// results differ between standard libraries: a seed replays the same actions
// wherever it runs.
class Dice
{
public:
    explicit Dice(std::uint32_t seed)
        : engine(seed)
    {
    }
    // 0 .. n - 1, for n >= 1.
    int below(int n) { return int((std::uint64_t(engine()) * std::uint64_t(n)) >> 32); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool percent(int p) { return below(100) < p; }
    template <typename T>
    const T& pick(const std::vector<T>& values)
    {
        return values[std::size_t(below(int(values.size())))];
    }
    // An index into weights, each chosen in proportion to its weight.
    int choose(std::initializer_list<int> weights)
    {
        int total = 0;
        for (const int weight : weights)
            total += weight;
        int roll = below(total);
        int index = 0;
        for (const int weight : weights) {
            if (roll < weight)
                return index;
            roll -= weight;
            ++index;
        }
        return index - 1;
    }

private:
    std::mt19937 engine;
};

class Monkey : public QObject
{
    Q_OBJECT

public:
    Monkey(Windowstruct& window, const MonkeyOptions& options);

    // Schedules the first action; the actions then run from the event loop
    // (and from the loops nested in it) until the last one presses Quit.
    void start();

    // Called for every line the program writes to standard output or error.
    void programSaid(bool onError, const QString& line);

    // Ends the run as failed, with the recent actions and how to replay them.
    [[noreturn]] void fault(const QString& what) const;

    // Checks that hold once the event loop has returned.
    void checkAfterQuit();
    QString report() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One of the six spin boxes of the main window.
    struct SpinBox {
        QSpinBox* box = nullptr;
        QString name;
        QString prefix;  // in front of the number; empty for the jump range
        bool thousandths = true;
    };

    // What the monkey means to do with the field-dimensions dialog while it
    // is open: dial these values, then confirm or cancel.
    struct SizePlan {
        long opening = -1;  // which opening of the dialog the plan belongs to
        int x = 0;
        int y = 0;
        int zellgr = 0;
        bool confirm = true;
        int ticks = 0;
        QString what;
    };

    // The field as it was when the monkey last saw it at rest: no run loop
    // on the stack and the run stopped. Until the next action nothing may
    // change it.
    struct Resting {
        bool valid = false;
        std::uint64_t hash = 0;
        int step = 0;
        int cellsX = 0;
        int cellsY = 0;
    };

    // The field as the monkey last saw it during a run. The next pass of the
    // run loop makes one step, which leaves this in the previous lattice.
    struct Passing {
        bool valid = false;
        bool beforeStart = false;
        int step = 0;
        long paints = 0;  // paints of the field so far
        std::vector<Cell> current;
    };

    // --- the driver (monkey.cpp)
    void tick();
    void finish();
    void actOnMainWindow();
    void actOnModal(QWidget* modal);
    void log(const QString& what);
    QString where() const;
    [[noreturn]] void fail(const QString& what) const;
    void require(bool ok, const QString& what) const
    {
        if (!ok)
            fail(what);
    }
    void onStep(int step);
    void onStatistics(double a, double b, double c, double d, double e);
    void onSizeChosen(int x, int y, int zellgr);
    bool fieldIsBig() const;
    bool calm() const;

    // --- actions on the main window (monkey_actions.cpp)
    void startStopAction();
    void pressStartStop(bool byKey);
    void spinBoxAction();
    void spinBoxGesture(const SpinBox& spin, int gesture);
    void checkBoxAction();
    void toggle(QCheckBox* box);
    void schemeAction();
    void patternAction();
    void pressPattern(QPushButton* button, bool line, bool byKey);
    void saveAction();
    void fieldMouseAction();
    void fieldMouse(QTest::MouseAction action, Qt::MouseButton button, QPoint at);
    QPoint fieldPoint();
    void sizeDialogAction();
    void helpAction();
    void aboutAction();
    void timeSeriesFrameAction();
    void exposeAction();
    void burstAction();
    void wrongButtonAction();
    void click(QAbstractButton* button, bool byKey);
    void typeText(QWidget* widget, const QString& text);
    QString spinText(const SpinBox& spin);

    // --- the modal windows (monkey_modal.cpp)
    void sizeDialogTick(SizeWizard* dialog);
    void newSizePlan();
    void dialBox(QSpinBox* box, int target);
    void finishSizeDialog(SizeWizard* dialog, bool confirm);
    void messageBoxTick(QMessageBox* box);

    // --- the invariants (monkey_checks.cpp)
    void checkAll();
    void checkLattices();
    void checkControls();
    void checkWindows();
    void checkResting();
    void checkPassing();
    void checkCanvas(const Cell* cells, const QString& when);
    long canvasDifferences(const Cell* cells, QPoint* first = nullptr) const;
    void noteField();
    void notePassing(bool beforeStart);
    std::uint64_t fieldHash() const;
    bool spinTextAcceptable(const SpinBox& spin) const;
    int textValue(const SpinBox& spin) const;
    QString canonicalText(const SpinBox& spin) const;

    Windowstruct& window;
    const MonkeyOptions options;
    Dice dice;

    // The widgets, looked up once.
    PlottingArea* field = nullptr;
    QPushButton* startButton = nullptr;
    QPushButton* quitButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* predatedLineButton = nullptr;
    QPushButton* youngCoverButton = nullptr;
    QCheckBox* periodicBox = nullptr;
    QCheckBox* timeSeriesBox = nullptr;
    QCheckBox* longRangeBox = nullptr;
    QButtonGroup* schemes = nullptr;
    QLabel* stepLabel = nullptr;
    std::vector<SpinBox> spinBoxes;
    Zeitverlauf* series = nullptr;
    Helpview* help = nullptr;
    SizeWizard* wizard = nullptr;
    QAction* dimensionsItem = nullptr;
    QAction* helpItem = nullptr;
    QAction* aboutItem = nullptr;
    QAction* savePictureItem = nullptr;

    // What the monkey expects, kept from what it did and what it saw.
    long done = 0;
    bool quitDone = false;
    bool inLoop = false;  // a Start pressed at rest has not returned yet
    bool expectRunning = false;
    int expectedMethod = MusselBed::AsyncUCMethod;
    bool expectHelpVisible = false;
    bool stepAnnounced = false;  // the step label has shown a number
    int lastStep = 0;
    int statisticsThisStep = 0;
    int windowLag = 0;  // checks in a row at which the window had not yet refit
    int rowsHeight = 0;  // the window's height less the field's, fixed by the rows
    Resting resting;
    Passing passing;

    // The field-dimensions dialog and the message boxes.
    long sizeDialogOpenings = 0;
    SizePlan plan;
    bool sizeChosen = false;
    std::array<int, 3> chosenSize{};
    bool warningSeen = false;
    bool rangeWarningSeen = false;
    bool aboutSeen = false;
    int bigStepsLeft = 0;
    bool mustShrink = false;
    int calmUntil = 0;  // a long run: no Stop, reset or resize before this step

    // Tallies for the report.
    long actionsInRun = 0;
    long actionsInModal = 0;
    long stepsTaken = 0;
    long stepsWatched = 0;
    long stepsCompared = 0;  // steps whose previous lattice was compared with the field before them
    long canvasChecks = 0;
    long fieldPaints = 0;
    int windowLagMost = 0;
    long longestRun = 0;
    long runsStarted = 0;
    long resets = 0;
    long resizes = 0;
    long refusals = 0;
    long bigFields = 0;
    long cellsPainted = 0;
    long savesRequested = 0;
    long picturesWritten = 0;
    long statisticsSeen = 0;
    std::deque<QString> recent;  // the last actions, for a failure report
};
