// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "musselbed.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QElapsedTimer;
class QPushButton;
class QString;
class StepWorker;

// The field widget: holds the mussel bed and shows it, one square of
// cellSize pixels per cell, drawn into an off-screen canvas that keeps what
// was drawn. After a full drawing only the cells that differ between the
// current and the previous lattice are drawn again. The user paints cells with
// the mouse. The run loop advances the bed step by step on a worker thread
// and paints the field as it was before each step while that step is made;
// everything else, the events included, happens between two steps.
class PlottingArea : public QWidget
{
    Q_OBJECT

public:
    // Brush codes: which mouse button began the current edit.
    static constexpr int BrushMiddle = 0;
    static constexpr int BrushLeft = 1;
    static constexpr int BrushRight = 2;
    static constexpr int NoBrush = -33;

    // The field picture limits: at most 16384 pixels on an edge and 2^28
    // pixels in all (1 GiB of canvas).
    static constexpr int MaxPixelEdge = 16384;
    static constexpr qint64 MaxPixels = qint64{1} << 28;

    // startButton is the Start/Stop button whose text the widget sets; it
    // must outlive the widget. The field starts all young, stopped, step 0.
    PlottingArea(QWidget* parent, const char* name, QPushButton* startButton, int cellsX, int cellsY,
                 int cellSize);
    ~PlottingArea() override;

    // True when a field of x by y cells of zellgr pixels can be built. On
    // refusal why (when not null) receives the reason.
    static bool fieldFits(int x, int y, int zellgr, QString* why);

    // Called by info(); the main window sets it to show the About box.
    void setInfoHandler(std::function<void()> handler);
    // Told whenever the run starts or stops.
    void setRunHandler(std::function<void(bool running)> handler);
    // Told of every picture saved, or not: the file and the reason of a
    // failure (empty on success).
    void setPictureHandler(std::function<void(const QString& path, const QString& error)> handler);

    // Steps a second of a run; 0, the default, runs as fast as stepping allows.
    void setSpeed(int perSecond);
    int speed() const { return stepsPerSecond; }
    // One step while stopped, counted and announced as in a run; does nothing
    // during a run.
    void stepOnce();
    // Writes the field as it stands to path (PNG for .png, JPEG for .jpg or
    // .jpeg), says so on standard output (or why not on standard error) and
    // tells the picture handler. True on success.
    bool savePictureAs(const QString& path);

    // The seed this field's generators started from, drawn from the clock.
    std::int32_t clockSeed() const { return seedValue; }
    MusselBed& bed() { return model; }
    const MusselBed& bed() const { return model; }
    const QImage& canvasImage() const { return canvas; }
    int cellPixels() const { return cellSize; }
    int brush() const { return brushState; }
    bool isRunning() const { return running; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

public slots:
    void globalHealth();
    void infectedLine();
    void run();
    void setcolonization(int a2);
    void setneighbourcoupling(int a0);
    void setoceanforcing(int d0);
    void setpredation(int a4);
    void setmaturing(int a3);
    void setlongrange(bool longrange);
    void setjumpdistance(int jumpdistance);
    void randbedingungaendern(bool periodisch);
    void bildspeichern();
    void updatemethodeaendern(int);
    void quitnow();
    void statistik();
    void info();
    void changesize(int x, int y, int zellgr);
    void statistikanaus(bool stats);

signals:
    void schrittzahlsenden(int);
    void statistiksenden(double, double, double, double, double);

private:
    void startPattern(void (MusselBed::*pattern)());
    void showRunning(bool on);
    void runLoop();
    void countStep(bool show);
    void waitUntilDue(const QElapsedTimer& pass);

    void drawCells();
    void takeFrame();
    void paintFrame();

    std::optional<QPoint> cellAt(QPoint position) const;
    QRect cellRect(QPoint cell) const;
    std::optional<QRect> paintWithBrush(QPoint position);

    const std::int32_t seedValue;
    MusselBed model;
    QPushButton* startButton = nullptr;
    std::function<void()> infoHandler;
    std::function<void(bool)> runHandler;
    std::function<void(const QString&, const QString&)> pictureHandler;
    QImage canvas;
    int cellSize = 1;
    bool running = false;
    bool loopActive = false;  // runLoop is on the stack
    bool statsOn = false;
    bool repaintAll = true;
    int stepsPerSecond = 0;  // 0: as fast as possible
    int brushState = NoBrush;
    int pointerCellX = 0;
    int pointerCellY = 0;

    // The field as it stood before the step in progress, one code a cell
    // (frameCode), x-major like the lattices; painted during that step.
    std::vector<std::uint8_t> frame;
    int frameX = 0;
    int frameY = 0;
    bool stepping = false;  // the worker is advancing the bed: hands off it
    // Declared after the bed, so it is joined before the bed goes.
    std::unique_ptr<StepWorker> worker;
};
