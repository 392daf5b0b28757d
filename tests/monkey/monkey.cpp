// SPDX-License-Identifier: GPL-3.0-or-later
// The driver: one action per pass of whichever event loop is running, the
// observers of the field's signals, failure and the closing report.

#include "monkey.h"

#include "helpview.h"
#include "plottingarea.h"
#include "sizewizard.h"
#include "windowstruct.h"
#include "zeitverlauf.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

template <typename T>
T* named(const QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

template <typename T>
T* byText(const QWidget* parent, const QString& text)
{
    for (T* candidate : parent->findChildren<T*>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

QAction* menuItem(const Windowstruct& window, const QString& menuTitle, const QString& text)
{
    for (QAction* entry : window.menuBar()->actions()) {
        if (entry->text() != menuTitle || !entry->menu())
            continue;
        for (QAction* item : entry->menu()->actions())
            if (item->text() == text)
                return item;
    }
    return nullptr;
}

}  // namespace

Monkey::Monkey(Windowstruct& window, const MonkeyOptions& options)
    : window(window)
    , options(options)
    , dice(options.seed)
{
    const QWidget* rows = window.centralWidget();
    require(rows != nullptr, QStringLiteral("the main window has no rows"));
    field = window.findChild<PlottingArea*>();
    startButton = named<QPushButton>(rows, "start");
    // The help viewer's Close button is also called "quit": look only among
    // the main window's own rows.
    quitButton = named<QPushButton>(rows, "quit");
    saveButton = named<QPushButton>(rows, "speichern");
    predatedLineButton = byText<QPushButton>(rows, QStringLiteral(" &Predated Line "));
    youngCoverButton = byText<QPushButton>(rows, QStringLiteral(" &Global young mussel cover "));
    periodicBox = byText<QCheckBox>(rows, QStringLiteral("Periodic B. C."));
    timeSeriesBox = named<QCheckBox>(rows, "zeit");
    longRangeBox = byText<QCheckBox>(rows, QStringLiteral("Long range displacement"));
    if (const auto* group = named<QGroupBox>(rows, "updatemethode"))
        schemes = group->findChild<QButtonGroup*>();
    stepLabel = named<QLabel>(rows, "steps");
    series = window.findChild<Zeitverlauf*>();
    help = window.findChild<Helpview*>();
    wizard = window.findChild<SizeWizard*>();
    dimensionsItem = menuItem(window, QStringLiteral("P&roperties"), QStringLiteral("Field Dimensions.."));
    helpItem = menuItem(window, QStringLiteral("&Info"), QStringLiteral("Help.."));
    aboutItem = menuItem(window, QStringLiteral("&Info"), QStringLiteral("About.."));
    savePictureItem = menuItem(window, QStringLiteral("&Program"), QStringLiteral("&Save Picture"));

    const struct {
        const char* name;
        const char* prefix;
        bool thousandths;
    } boxes[] = {
        {"recolonization", "A2 =   ", true}, {"neighbourcoupling", "A0 =   ", true}, {"oceanforcing", "D0 =   ", true},
        {"maturing", "A3 =   ", true},       {"predation", "A4 =   ", true},         {"jumping", "", false},
    };
    for (const auto& box : boxes) {
        auto* spin = named<QSpinBox>(rows, box.name);
        require(spin != nullptr, QStringLiteral("no spin box %1").arg(QLatin1String(box.name)));
        spinBoxes.push_back({spin, QString::fromLatin1(box.name), QString::fromLatin1(box.prefix), box.thousandths});
    }

    const QObject* const parts[] = {
        field,       startButton,   quitButton,     saveButton, predatedLineButton, youngCoverButton,
        periodicBox, timeSeriesBox, longRangeBox,   schemes,    stepLabel,          series,
        help,        wizard,        dimensionsItem, helpItem,   aboutItem,          savePictureItem};
    for (const QObject* part : parts)
        require(part != nullptr, QStringLiteral("a control of the main window is missing"));
    require(help->findChild<QPushButton*>(QStringLiteral("quit")) != nullptr,
            QStringLiteral("the help viewer has no Close button"));

    field->installEventFilter(this);
    connect(field, &PlottingArea::schrittzahlsenden, this, &Monkey::onStep);
    connect(field, &PlottingArea::statistiksenden, this, &Monkey::onStatistics);
    connect(wizard, &SizeWizard::setchangedsize, this, &Monkey::onSizeChosen);
}

void Monkey::start()
{
    // The bed's generators start from the run's seed: a seed replays the
    // field's own chances as well as the monkey's actions.
    field->bed().seed(static_cast<std::int32_t>(options.seed));
    rowsHeight = window.height() - field->height();
    log(QStringLiteral("start: window %1 x %2, field %3 x %4 cells of %5 pixels")
            .arg(window.width())
            .arg(window.height())
            .arg(field->bed().cellsX)
            .arg(field->bed().cellsY)
            .arg(field->cellPixels()));
    QTimer::singleShot(0, this, &Monkey::tick);
}

// Checks what the previous action left, then performs the next one. The next
// tick is queued before this action runs: a Start pressed at rest returns
// only when the run stops, and a menu item that opens a modal window returns
// only when it closes, so the queued tick then arrives from inside that loop,
// between two steps or while the modal window is open, as a user's next
// action would.
void Monkey::tick()
{
    checkAll();
    if (quitDone)
        return;
    if (done >= options.actions) {
        finish();
        return;
    }
    if (calm() && !dice.percent(15)) {
        // Watching a long run: a step passes without an action.
        ++stepsWatched;
        QTimer::singleShot(0, this, &Monkey::tick);
        noteField();
        return;
    }
    ++done;
    QTimer::singleShot(0, this, &Monkey::tick);
    if (QWidget* modal = QApplication::activeModalWidget()) {
        ++actionsInModal;
        actOnModal(modal);
    } else {
        if (inLoop)
            ++actionsInRun;
        actOnMainWindow();
    }
    noteField();
}

// The count is reached: close what is modal, then press the main window's
// Quit, wherever the run stands.
void Monkey::finish()
{
    if (QWidget* modal = QApplication::activeModalWidget()) {
        QTimer::singleShot(0, this, &Monkey::tick);
        if (auto* dialog = qobject_cast<SizeWizard*>(modal))
            finishSizeDialog(dialog, false);
        else if (auto* box = qobject_cast<QMessageBox*>(modal))
            messageBoxTick(box);
        else
            actOnModal(modal);
        return;
    }
    const bool byKey = dice.percent(20);
    log(QStringLiteral("Quit by %1").arg(byKey ? "space key" : "mouse"));
    quitDone = true;
    click(quitButton, byKey);
    expectRunning = false;
    require(!field->isRunning(), QStringLiteral("Quit left the run on"));
}

void Monkey::actOnMainWindow()
{
    // A big field has had its few steps: stop it, then ask for a small one.
    if (mustShrink) {
        if (expectRunning)
            pressStartStop(false);
        else
            sizeDialogAction();
        return;
    }
    // During a long run nothing stops it: no Start/Stop, start pattern, new
    // size or burst (which may hold any of them).
    const int stops = calm() ? 0 : 1;
    switch (dice.choose({8 * stops, 22, 9, 7, 5 * stops, 3, 22, 3 * stops, 3, 2, 2, 4 * stops, 2, 2})) {
    case 0:
        startStopAction();
        break;
    case 1:
        spinBoxAction();
        break;
    case 2:
        checkBoxAction();
        break;
    case 3:
        schemeAction();
        break;
    case 4:
        patternAction();
        break;
    case 5:
        saveAction();
        break;
    case 6:
        fieldMouseAction();
        break;
    case 7:
        sizeDialogAction();
        break;
    case 8:
        helpAction();
        break;
    case 9:
        aboutAction();
        break;
    case 10:
        timeSeriesFrameAction();
        break;
    case 11:
        burstAction();
        break;
    case 12:
        wrongButtonAction();
        break;
    default:
        exposeAction();
        break;
    }
}

void Monkey::actOnModal(QWidget* modal)
{
    if (auto* dialog = qobject_cast<SizeWizard*>(modal)) {
        sizeDialogTick(dialog);
        return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        messageBoxTick(box);
        return;
    }
    fail(QStringLiteral("an unexpected modal window is open: %1 '%2'")
             .arg(QLatin1String(modal->metaObject()->className()), modal->windowTitle()));
}

QString Monkey::where() const
{
    if (QApplication::activeModalWidget())
        return QStringLiteral("[modal]");
    if (inLoop)
        return expectRunning ? QStringLiteral("[run]") : QStringLiteral("[run ending]");
    return QStringLiteral("[rest]");
}

void Monkey::log(const QString& what)
{
    const QString line = QStringLiteral("#%1 %2 step %3: %4").arg(done).arg(where()).arg(lastStep).arg(what);
    recent.push_back(line);
    if (recent.size() > 40)
        recent.pop_front();
    if (options.verbose)
        std::printf("%s\n", qPrintable(line));
}

void Monkey::fail(const QString& what) const
{
    std::fflush(stdout);
    std::fprintf(stderr, "\nMONKEY FAILURE at action %ld of %ld (seed %u): %s\n", done, options.actions, options.seed,
                 qPrintable(what));
    std::fprintf(stderr, "The last actions, oldest first:\n");
    for (const QString& line : recent)
        std::fprintf(stderr, "  %s\n", qPrintable(line));
    std::fprintf(stderr, "Replay: tst_monkey --actions %ld --seed %u --verbose\n", options.actions, options.seed);
    std::fflush(stderr);
    std::_Exit(1);
}

void Monkey::fault(const QString& what) const
{
    fail(what);
}

// Counts the paints of the field; the paint itself follows at once.
bool Monkey::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == field && event->type() == QEvent::Paint)
        ++fieldPaints;
    return QObject::eventFilter(watched, event);
}

bool Monkey::calm() const
{
    return inLoop && expectRunning && lastStep < calmUntil && !mustShrink && !QApplication::activeModalWidget();
}

bool Monkey::fieldIsBig() const
{
    const MusselBed& bed = field->bed();
    const qint64 cells = qint64{bed.cellsX} * bed.cellsY;
    const qint64 edge = field->cellPixels();
    return cells > 250000 || cells * edge * edge > 4200000;
}

// Every emission of the step number: 0 from a reset, and then 1, 2, 3 ...
// from the passes of a run loop, which only a Start of the monkey's can have
// put on the stack and which a modal window holds.
void Monkey::onStep(int step)
{
    if (step == 0) {
        lastStep = 0;
        statisticsThisStep = 0;
        stepAnnounced = true;
        ++resets;
        return;
    }
    require(inLoop, QStringLiteral("step %1 announced with no run loop on the stack").arg(step));
    require(QApplication::activeModalWidget() == nullptr,
            QStringLiteral("step %1 taken while a modal window was open").arg(step));
    require(step == lastStep + 1, QStringLiteral("step %1 announced after step %2").arg(step).arg(lastStep));
    const int expected = timeSeriesBox->isChecked() ? 1 : 0;
    require(
        statisticsThisStep == expected,
        QStringLiteral("step %1 came with %2 statistics, expected %3").arg(step).arg(statisticsThisStep).arg(expected));
    statisticsThisStep = 0;
    lastStep = step;
    stepAnnounced = true;
    ++stepsTaken;
    if (fieldIsBig() && --bigStepsLeft <= 0)
        mustShrink = true;
}

void Monkey::onStatistics(double a, double b, double c, double d, double e)
{
    require(inLoop, QStringLiteral("statistics sent with no run loop on the stack"));
    require(timeSeriesBox->isChecked(), QStringLiteral("statistics sent while the time series is switched off"));
    const MusselBed& bed = field->bed();
    std::array<long, StateCount> own{};
    const Cell* cells = bed.current().block();
    const long total = long{bed.cellsX} * bed.cellsY;
    for (long i = 0; i < total; ++i)
        if (isCellState(cells[i]))
            ++own[std::size_t(stateIndex(cells[i]))];
    const std::array<double, StateCount> sent{a, b, c, d, e};
    double sum = 0;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const double share = double(own[i]) / double(total);
        require(std::abs(sent[i] - share) < 1e-12, QStringLiteral("statistics send %1 for state %2, the field holds %3")
                                                       .arg(sent[i])
                                                       .arg(int(i) - 1)
                                                       .arg(share));
        sum += sent[i];
    }
    require(std::abs(sum - 1.0) < 1e-9, QStringLiteral("the statistics add up to %1").arg(sum, 0, 'g', 17));
    ++statisticsThisStep;
    ++statisticsSeen;
}

// The dialog's OK: the field and then the window have been rebuilt when this
// runs (the monkey's connection is the last one).
void Monkey::onSizeChosen(int x, int y, int zellgr)
{
    require(PlottingArea::fieldFits(x, y, zellgr, nullptr),
            QStringLiteral("the dialog sent %1 x %2 x %3, which the field cannot hold").arg(x).arg(y).arg(zellgr));
    const MusselBed& bed = field->bed();
    require(bed.cellsX == x && bed.cellsY == y && field->cellPixels() == zellgr,
            QStringLiteral("the dialog sent %1 x %2 x %3 but the field is %4 x %5 x %6")
                .arg(x)
                .arg(y)
                .arg(zellgr)
                .arg(bed.cellsX)
                .arg(bed.cellsY)
                .arg(field->cellPixels()));
    require(bed.step == 0 && lastStep == 0, QStringLiteral("a rebuilt field starts at step %1").arg(bed.step));
    require(!field->isRunning(), QStringLiteral("a rebuilt field is still running"));
    require(bed.counts()[std::size_t(stateIndex(YoungMussel))] == long{x} * y,
            QStringLiteral("a rebuilt field is not all young mussels"));
    require(window.geometry().topLeft() == QPoint(300, 150),
            QStringLiteral("the refitted window stands at (%1, %2)").arg(window.x()).arg(window.y()));
    expectRunning = false;
    sizeChosen = true;
    chosenSize = {x, y, zellgr};
    ++resizes;
    if (fieldIsBig()) {
        ++bigFields;
        bigStepsLeft = 2;
    } else {
        mustShrink = false;
    }
}

void Monkey::programSaid(bool onError, const QString& line)
{
    if (onError)
        fail(QStringLiteral("the program wrote to standard error: %1").arg(line));
    if (line != QLatin1String(" Bild gespeichert "))
        fail(QStringLiteral("the program wrote to standard output: %1").arg(line));
    ++picturesWritten;
    require(picturesWritten <= savesRequested,
            QStringLiteral("%1 pictures written for %2 requests").arg(picturesWritten).arg(savesRequested));
}

QString Monkey::report() const
{
    return QStringLiteral("%1 actions (%2 during a run, %3 in modal windows), seed %4: %5 runs, %6 steps "
                          "(%15 without an action, %17 compared with the field before, the longest run %16), %18 "
                          "pictures on screen compared with the field, the window refitted within %19 actions, %7 "
                          "resets, %8 field sizes (%9 big), %10 oversized requests refused, %11 cells painted, "
                          "%12 pictures written for %13 requests, %14 statistics")
        .arg(done)
        .arg(actionsInRun)
        .arg(actionsInModal)
        .arg(options.seed)
        .arg(runsStarted)
        .arg(stepsTaken)
        .arg(resets)
        .arg(resizes)
        .arg(bigFields)
        .arg(refusals)
        .arg(cellsPainted)
        .arg(picturesWritten)
        .arg(savesRequested)
        .arg(statisticsSeen)
        .arg(stepsWatched)
        .arg(longestRun)
        .arg(stepsCompared)
        .arg(canvasChecks)
        .arg(windowLagMost);
}
