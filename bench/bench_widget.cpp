// Steps per second of the field widget's run loop, with event processing and
// painting, against the engine's advance() alone, from the same start and
// with the same generator stream. Runs on the offscreen platform unless a
// -platform option is given.

#include "plottingarea.h"
#include "startvalues.h"

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
    setDesktopStartValues(field);
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
    setDesktopStartValues(bed);
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

    const Case cases[] = {
        {256, 256, 2, 50, 400},
        {1000, 1000, 1, 10, 40},
    };
    std::printf("Async. UC, A2 0.3, A0 0.75, D0 0, A3 0.1, A4 0.75, jump 10, long range, periodic;\n"
                "from the predated line; best of %d rounds\n\n",
                rounds);
    for (const Case& c : cases) {
        double widget = 0;
        double engine = 0;
        for (int r = 0; r < rounds; ++r) {
            engine = std::max(engine, engineRate(c));
            widget = std::max(widget, widgetRate(c));
        }
        std::printf("%4d x %4d cells of %d pixels, %d steps after %d warm-up steps\n", c.cellsX, c.cellsY,
                    c.cellSize, c.steps, c.warmUp);
        std::printf("  engine alone   %9.1f steps/s\n", engine);
        std::printf("  widget         %9.1f steps/s\n", widget);
        std::printf("  ratio          %9.2f\n\n", widget / engine);
    }
    return 0;
}
