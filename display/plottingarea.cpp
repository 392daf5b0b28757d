// SPDX-License-Identifier: GPL-3.0-or-later
#include "plottingarea.h"

#include "seeding.h"
#include "stepworker.h"

#include <QPushButton>
#include <QString>

#include <iostream>
#include <utility>

PlottingArea::PlottingArea(QWidget* parent, const char* name, QPushButton* startButton, int cellsX,
                           int cellsY, int cellSize)
    : QWidget(parent)
    , seedValue(seedFromClock())
    , model(cellsX, cellsY, seedValue)
    , startButton(startButton)
    , cellSize(cellSize)
{
    Q_ASSERT(fieldFits(cellsX, cellsY, cellSize, nullptr));
    if (name)
        setObjectName(QString::fromLatin1(name));
    globalHealth();
    const QSize pixels(cellsX * cellSize, cellsY * cellSize);
    setMinimumSize(pixels);
    setMaximumSize(pixels);
    // Every paint covers the whole widget with the canvas: no erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    canvas = QImage(pixels, QImage::Format_RGB32);
}

// Events arrive only between two steps, so the worker is idle here; its
// destructor joins its thread.
PlottingArea::~PlottingArea() = default;

bool PlottingArea::fieldFits(int x, int y, int zellgr, QString* why)
{
    auto refuse = [why](QString reason) {
        if (why)
            *why = std::move(reason);
        return false;
    };
    if (x < 1 || x > MusselBed::MaxCells || y < 1 || y > MusselBed::MaxCells)
        return refuse(QStringLiteral("a field of %1 x %2 cells is outside 1 .. %3 cells on an edge")
                          .arg(x)
                          .arg(y)
                          .arg(MusselBed::MaxCells));
    if (zellgr < 1)
        return refuse(QStringLiteral("a cell size of %1 pixels is below 1").arg(zellgr));
    const qint64 width = qint64{x} * zellgr;
    const qint64 height = qint64{y} * zellgr;
    if (width > MaxPixelEdge || height > MaxPixelEdge)
        return refuse(QStringLiteral("the picture would be %1 x %2 pixels, more than %3 on an edge")
                          .arg(width)
                          .arg(height)
                          .arg(MaxPixelEdge));
    if (width * height > MaxPixels)
        return refuse(QStringLiteral("the picture would have %1 pixels, more than %2")
                          .arg(width * height)
                          .arg(MaxPixels));
    return true;
}

void PlottingArea::setInfoHandler(std::function<void()> handler)
{
    infoHandler = std::move(handler);
}

void PlottingArea::setRunHandler(std::function<void(bool)> handler)
{
    runHandler = std::move(handler);
}

void PlottingArea::setPictureHandler(std::function<void(const QString&, const QString&)> handler)
{
    pictureHandler = std::move(handler);
}

void PlottingArea::globalHealth()
{
    startPattern(&MusselBed::globalHealth);
}

void PlottingArea::infectedLine()
{
    startPattern(&MusselBed::infectedLine);
}

// Stops a run (it ends after its pass in progress), lays down the pattern in
// both lattices and redraws the whole field.
void PlottingArea::startPattern(void (MusselBed::*pattern)())
{
    showRunning(false);
    (model.*pattern)();
    repaintAll = true;
    emit schrittzahlsenden(0);
    repaint();
}

void PlottingArea::showRunning(bool on)
{
    running = on;
    if (startButton)
        startButton->setText(on ? QStringLiteral(" &Stop ") : QStringLiteral(" &Start "));
    if (runHandler)
        runHandler(on);
}

void PlottingArea::setcolonization(int a2)
{
    model.setcolonization(a2);
    repaint();
}

void PlottingArea::setneighbourcoupling(int a0)
{
    model.setneighbourcoupling(a0);
    repaint();
}

void PlottingArea::setoceanforcing(int d0)
{
    model.setoceanforcing(d0);
    repaint();
}

void PlottingArea::setpredation(int a4)
{
    model.setpredation(a4);
    repaint();
}

void PlottingArea::setmaturing(int a3)
{
    model.setmaturing(a3);
    repaint();
}

void PlottingArea::setlongrange(bool longrange)
{
    model.setlongrange(longrange);
}

void PlottingArea::setjumpdistance(int jumpdistance)
{
    model.setjumpdistance(jumpdistance);
    repaint();
}

void PlottingArea::randbedingungaendern(bool periodisch)
{
    model.randbedingungaendern(periodisch);
}

// The picture is taken at once, also during a run: events arrive only
// between two steps, when the field is the one whose number the window shows.
void PlottingArea::bildspeichern()
{
    savePictureAs(QStringLiteral("tidmar%1.jpg").arg(model.step));
}

void PlottingArea::updatemethodeaendern(int method)
{
    repaintAll = true;
    model.updatemethodeaendern(method);
}

void PlottingArea::statistik()
{
    const auto shares = model.fractions();
    emit statistiksenden(shares[0], shares[1], shares[2], shares[3], shares[4]);
}

void PlottingArea::info()
{
    if (infoHandler)
        infoHandler();
}

// Rebuilds the field at the new size, all young. A size whose canvas cannot
// be made is refused before anything changes, so field, parameters and run
// state stay as they were.
void PlottingArea::changesize(int x, int y, int zellgr)
{
    QString why;
    if (!fieldFits(x, y, zellgr, &why)) {
        std::cerr << "Field size " << x << " x " << y << " cells of " << zellgr
                  << " pixels refused: " << why.toStdString() << std::endl;
        return;
    }
    QImage fresh(x * zellgr, y * zellgr, QImage::Format_RGB32);
    if (fresh.isNull()) {
        std::cerr << "Field size " << x << " x " << y << " cells of " << zellgr
                  << " pixels refused: no memory for a picture of " << x * zellgr << " x " << y * zellgr
                  << " pixels" << std::endl;
        return;
    }
    model.resize(x, y);
    cellSize = zellgr;
    setMinimumSize(fresh.size());
    setMaximumSize(fresh.size());
    canvas = std::move(fresh);
    globalHealth();
}

void PlottingArea::statistikanaus(bool stats)
{
    statsOn = stats;
}
