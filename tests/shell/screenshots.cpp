// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the documentation's screenshots with the real main window: the main
// window and the time-series window after a run of a second and a half from
// the predated line, with a little ocean forcing (D0 0.005) so that
// disturbances open gaps in the bed. scripts/screenshot.sh runs it on a virtual X display.
//
// Usage: tidmar-screenshots <folder>

#include "plottingarea.h"
#include "windowstruct.h"
#include "zeitverlauf.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <iostream>

namespace {

bool save(QWidget* widget, const QString& path)
{
    if (!widget->grab().save(path)) {
        std::cerr << "Could not write " << path.toStdString() << std::endl;
        return false;
    }
    std::cout << path.toStdString() << std::endl;
    return true;
}

QPushButton* buttonWithText(const QWidget& window, const QString& text)
{
    for (QPushButton* button : window.findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs"));

    Windowstruct window;
    window.setWindowTitle(QStringLiteral("Tidmar III"));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QTest::qWait(200);

    auto* timeSeriesBox = window.findChild<QCheckBox*>(QStringLiteral("zeit"));
    auto* timeSeries = window.findChild<Zeitverlauf*>();
    QPushButton* start = buttonWithText(window, QStringLiteral(" &Start "));
    QPushButton* predatedLine = buttonWithText(window, QStringLiteral(" &Predated Line "));
    auto* oceanForcing = window.findChild<QSpinBox*>(QStringLiteral("oceanforcing"));
    if (!timeSeriesBox || !timeSeries || !start || !predatedLine || !oceanForcing)
        return 1;
    oceanForcing->setValue(5);
    QTest::mouseClick(timeSeriesBox, Qt::LeftButton);
    QTest::mouseClick(predatedLine, Qt::LeftButton);
    if (!QTest::qWaitForWindowExposed(timeSeries))
        return 1;

    // The click starts the run loop, which returns once the timer's click
    // has stopped it.
    QTimer::singleShot(1500, start, [start] { QTest::mouseClick(start, Qt::LeftButton); });
    QTest::mouseClick(start, Qt::LeftButton);
    QTest::qWait(200);
    return save(&window, folder.filePath(QStringLiteral("screenshot-main.png")))
                   && save(timeSeries, folder.filePath(QStringLiteral("screenshot-timeseries.png")))
               ? 0
               : 1;
}
