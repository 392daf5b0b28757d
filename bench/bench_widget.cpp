// SPDX-License-Identifier: GPL-3.0-or-later
// Steps per second of the field widget's run loop, with event processing and
// painting, against the engine's advance() alone, from the same start and
// with the same generator stream. Runs on the offscreen platform unless a
// -platform option is given.

#include "parametersets.h"
#include "plottingarea.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::int32_t seed = 20050101;
constexpr int rounds = 3;

struct Case {
    int scheme;
    int cellsX;
    int cellsY;
    int cellSize;
    int warmUp;
    int steps;
};

// Runs the widget's own run loop for the given number of steps; stopping from
// the step signal ends the loop after exactly that pass.
void runSteps(PlottingArea& field, int steps)
{
    const int last = field.bed().step + steps;
    const auto stop = QObject::connect(&field, &PlottingArea::schrittzahlsenden, &field, [&field, last](int step) {
        if (step == last)
            field.run();
    });
    field.run();
    QObject::disconnect(stop);
}

double widgetRate(const Case& c)
{
    QPushButton button(QStringLiteral(" &Start"));
    PlottingArea field(nullptr, nullptr, &button, c.cellsX, c.cellsY, c.cellSize);
    setParameters(field, ParameterSet::Lively);
    field.updatemethodeaendern(c.scheme);
    field.infectedLine();
    field.bed().seed(seed);
    field.show();
    while (!field.windowHandle() || !field.windowHandle()->isExposed())
        QCoreApplication::processEvents();
    runSteps(field, c.warmUp);

    QElapsedTimer clock;
    clock.start();
    runSteps(field, c.steps);
    return c.steps / (clock.nsecsElapsed() * 1e-9);
}

double engineRate(const Case& c)
{
    MusselBed bed(c.cellsX, c.cellsY, seed);
    setParameters(bed, ParameterSet::Lively);
    bed.updatemethodeaendern(c.scheme);
    bed.infectedLine();
    for (int i = 0; i < c.warmUp; ++i)
        bed.advance();

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < c.steps; ++i)
        bed.advance();
    return c.steps / (clock.nsecsElapsed() * 1e-9);
}

// The toolkit's arguments with the offscreen platform added when none is named.
std::vector<char*> platformArguments(int argc, char** argv)
{
    static char platformOption[] = "-platform";
    static char offscreen[] = "offscreen";
    std::vector<char*> arguments(argv, argv + argc);
    const bool named = std::any_of(arguments.begin(), arguments.end(),
                                   [](const char* a) { return std::strcmp(a, "-platform") == 0; });
    if (!named) {
        arguments.push_back(platformOption);
        arguments.push_back(offscreen);
    }
    arguments.push_back(nullptr);
    return arguments;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<char*> arguments = platformArguments(argc, argv);
    int count = int(arguments.size()) - 1;
    QApplication app(count, arguments.data());

    // The lively set keeps the field changing, so that painting has work in
    // every step.
    const Case cases[] = {
        {MusselBed::AsyncUCMethod, 256, 256, 2, 50, 400},
        {MusselBed::SyncMethod, 1000, 1000, 1, 10, 40},
        {MusselBed::AsyncUCMethod, 1000, 1000, 1, 10, 40},
        {MusselBed::AsyncNRSMethod, 1000, 1000, 1, 10, 40},
    };
    const char* schemes[] = {"Sync.", "Async. UC", "Async. NRS"};
    std::printf("%s, long range, periodic;\nfrom the predated line; best of %d rounds, engine and widget alternating\n\n",
                describe(ParameterSet::Lively), rounds);
    for (const Case& c : cases) {
        double widget = 0;
        double engine = 0;
        for (int r = 0; r < rounds; ++r) {
            engine = std::max(engine, engineRate(c));
            widget = std::max(widget, widgetRate(c));
        }
        std::printf("%-10s %4d x %4d cells of %d pixels, %d steps after %d warm-up steps\n", schemes[c.scheme],
                    c.cellsX, c.cellsY, c.cellSize, c.steps, c.warmUp);
        std::printf("  engine alone   %9.1f steps/s\n", engine);
        std::printf("  widget         %9.1f steps/s\n", widget);
        std::printf("  ratio          %9.2f (target >= 0.9)\n\n", widget / engine);
    }
    return 0;
}
