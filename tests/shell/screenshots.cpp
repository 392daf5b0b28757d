// Takes the documentation's screenshots with the real main window: the window
// as it starts, and the time-series window after a run of about a second from
// the predated line. scripts/screenshot.sh runs it on a virtual X display.
//
// Usage: tidmar-screenshots <folder>

#include "plottingarea.h"
#include "windowstruct.h"
#include "zeitverlauf.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
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
    if (!save(&window, folder.filePath(QStringLiteral("screenshot-main.png"))))
        return 1;

    auto* timeSeriesBox = window.findChild<QCheckBox*>(QStringLiteral("zeit"));
    auto* timeSeries = window.findChild<Zeitverlauf*>();
    QPushButton* start = buttonWithText(window, QStringLiteral(" &Start "));
    QPushButton* predatedLine = buttonWithText(window, QStringLiteral(" &Predated Line "));
    if (!timeSeriesBox || !timeSeries || !start || !predatedLine)
        return 1;
    QTest::mouseClick(timeSeriesBox, Qt::LeftButton);
    QTest::mouseClick(predatedLine, Qt::LeftButton);
    if (!QTest::qWaitForWindowExposed(timeSeries))
        return 1;

    // The click starts the run loop, which returns once the timer's click
    // has stopped it.
    QTimer::singleShot(1000, start, [start] { QTest::mouseClick(start, Qt::LeftButton); });
    QTest::mouseClick(start, Qt::LeftButton);
    QTest::qWait(200);
    return save(timeSeries, folder.filePath(QStringLiteral("screenshot-timeseries.png"))) ? 0 : 1;
}
