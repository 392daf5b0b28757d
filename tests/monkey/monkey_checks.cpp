// SPDX-License-Identifier: GPL-3.0-or-later
// What must hold after every action, whatever the action was.

#include "monkey.h"
#include "scaledspinbox.h"

#include "helpview.h"
#include "plottingarea.h"
#include "sizewizard.h"
#include "windowstruct.h"
#include "zeitverlauf.h"

#include <QApplication>
#include <QLineEdit>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

void Monkey::checkAll()
{
    // A modal window may have opened under a button still held: the warning
    // about a size comes up while OK is pressed.
    if (!QApplication::activeModalWidget())
        require(QTestPrivate::qtestMouseButtons == Qt::NoButton, QStringLiteral("a mouse button is still held"));
    checkLattices();
    checkControls();
    checkWindows();
    checkResting();
    checkPassing();
}

// Both lattices hold cell states (the previous one also the redraw mark),
// the counts cover the field, and the step counter has counted exactly the
// steps announced since the last reset.
void Monkey::checkLattices()
{
    const MusselBed& bed = field->bed();
    require(bed.cellsX >= 1 && bed.cellsX <= MusselBed::MaxCells && bed.cellsY >= 1
                && bed.cellsY <= MusselBed::MaxCells,
            QStringLiteral("the field is %1 x %2 cells").arg(bed.cellsX).arg(bed.cellsY));
    const long cells = long{bed.cellsX} * bed.cellsY;
    const Cell* now = bed.current().block();
    const Cell* before = bed.previous().block();
    require(now != nullptr && before != nullptr && now != before, QStringLiteral("the two lattices are not two"));
    std::array<long, StateCount> own{};
    for (long i = 0; i < cells; ++i) {
        const Cell value = now[i];
        if (!isCellState(value))
            fail(QStringLiteral("cell (%1, %2) of the current lattice holds %3")
                     .arg(i / bed.cellsY)
                     .arg(i % bed.cellsY)
                     .arg(value));
        ++own[std::size_t(stateIndex(value))];
        const Cell old = before[i];
        if (!isCellState(old) && old != RedrawMark)
            fail(QStringLiteral("cell (%1, %2) of the previous lattice holds %3")
                     .arg(i / bed.cellsY)
                     .arg(i % bed.cellsY)
                     .arg(old));
    }
    require(bed.counts() == own, QStringLiteral("the counts do not match the lattice"));
    const std::array<double, StateCount> shares = bed.fractions();
    double sum = 0;
    for (std::size_t i = 0; i < shares.size(); ++i) {
        require(std::abs(shares[i] - double(own[i]) / double(cells)) < 1e-12,
                QStringLiteral("the share of state %1 is %2").arg(int(i) - 1).arg(shares[i]));
        sum += shares[i];
    }
    require(std::abs(sum - 1.0) < 1e-9, QStringLiteral("the shares add up to %1").arg(sum, 0, 'g', 17));
    require(bed.step >= 0 && bed.step == lastStep,
            QStringLiteral("the step counter stands at %1 after %2 steps announced since the last reset")
                .arg(bed.step)
                .arg(lastStep));
}

// The controls and the field say the same: run state, step label, the five
// probabilities, the jump, the switches and the update scheme.
void Monkey::checkControls()
{
    const MusselBed& bed = field->bed();
    const bool running = field->isRunning();
    require(running == expectRunning,
            QStringLiteral("the run is %1, expected %2").arg(running ? "on" : "off", expectRunning ? "on" : "off"));
    require(inLoop || !running, QStringLiteral("the run is on with no run loop on the stack"));
    const QLatin1String startText(running ? " &Stop " : " &Start ");
    require(startButton->text() == startText, QStringLiteral("the Start/Stop button reads \"%1\" while the run is %2")
                                                  .arg(startButton->text(), running ? "on" : "off"));
    const QString label = stepAnnounced ? QString::number(lastStep) : QStringLiteral(" 0 ");
    require(stepLabel->text() == label,
            QStringLiteral("the step label reads \"%1\", expected \"%2\"").arg(stepLabel->text(), label));

    const double held[] = {bed.recolonization, bed.neighbourCoupling, bed.oceanForcing, bed.maturing, bed.predation};
    for (std::size_t i = 0; i < spinBoxes.size(); ++i) {
        const SpinBox& spin = spinBoxes[i];
        const int value = spin.box->value();
        require(value >= spin.box->minimum() && value <= spin.box->maximum(),
                QStringLiteral("%1 holds %2").arg(spin.name).arg(value));
        if (spin.thousandths)
            require(held[i] == value * 0.001, QStringLiteral("%1 shows %2 but the field holds %3")
                                                  .arg(spin.name)
                                                  .arg(value)
                                                  .arg(held[i], 0, 'g', 17));
        else
            require(bed.jumpDistance == value,
                    QStringLiteral("the jump range shows %1 but the field holds %2").arg(value).arg(bed.jumpDistance));
    }
    require(bed.periodic == periodicBox->isChecked(), QStringLiteral("the boundary does not follow its box"));
    require(bed.longRange == longRangeBox->isChecked(), QStringLiteral("long range does not follow its box"));
    require(
        spinBoxes.back().box->isEnabled() == longRangeBox->isChecked(),
        QStringLiteral("the jump range is %1 while long range is %2")
            .arg(spinBoxes.back().box->isEnabled() ? "enabled" : "disabled", longRangeBox->isChecked() ? "on" : "off"));
    require(bed.updateMethod == expectedMethod,
            QStringLiteral("the field updates by scheme %1, the last box pressed was %2")
                .arg(bed.updateMethod)
                .arg(expectedMethod));
}

// The field widget has exactly its cells' size, its canvas too, and the
// window holds it; the secondary windows are as the monkey left them.
void Monkey::checkWindows()
{
    const MusselBed& bed = field->bed();
    const int edge = field->cellPixels();
    require(edge >= 1, QStringLiteral("cells of %1 pixels").arg(edge));
    const QSize pixels(bed.cellsX * edge, bed.cellsY * edge);
    auto sizeText = [](QSize size) { return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()); };
    require(field->size() == pixels && field->minimumSize() == pixels && field->maximumSize() == pixels,
            QStringLiteral("the field widget is %1 (min %2, max %3) for %4 x %5 cells of %6 pixels")
                .arg(sizeText(field->size()), sizeText(field->minimumSize()), sizeText(field->maximumSize()))
                .arg(bed.cellsX)
                .arg(bed.cellsY)
                .arg(edge));
    require(field->canvasImage().size() == pixels, QStringLiteral("the canvas is %1 for a field of %2")
                                                       .arg(sizeText(field->canvasImage().size()), sizeText(pixels)));

    // The window refits through its layout, which the event loop runs a pass
    // or two after the field has changed size.
    const QRect fieldInWindow(field->mapTo(&window, QPoint(0, 0)), pixels);
    const bool refitted = window.minimumSize() == window.maximumSize() && window.size() == window.minimumSize()
                          && QRect(QPoint(0, 0), window.size()).contains(fieldInWindow)
                          && window.height() - pixels.height() == rowsHeight
                          && window.geometry().topLeft() == QPoint(300, 150);
    if (refitted) {
        windowLag = 0;
    } else {
        windowLagMost = std::max(windowLagMost, ++windowLag);
        require(windowLag <= 4,
                QStringLiteral("the window is %1 (min %2, max %3) at (%4, %5) around a field of %6 at (%7, %8)")
                    .arg(sizeText(window.size()), sizeText(window.minimumSize()), sizeText(window.maximumSize()))
                    .arg(window.x())
                    .arg(window.y())
                    .arg(sizeText(pixels))
                    .arg(fieldInWindow.x())
                    .arg(fieldInWindow.y()));
    }

    require(series->isVisible() == timeSeriesBox->isChecked(),
            QStringLiteral("the time-series window is %1 while its box is %2")
                .arg(series->isVisible() ? "open" : "closed", timeSeriesBox->isChecked() ? "ticked" : "unticked"));
    const int position = series->currentPosition();
    require(position >= 0 && position < Zeitverlauf::pageLength,
            QStringLiteral("the time series stands at %1").arg(position));
    require(series->currentPage() * Zeitverlauf::pageLength + position == lastStep,
            QStringLiteral("the time series stands at page %1, position %2 after step %3")
                .arg(series->currentPage())
                .arg(position)
                .arg(lastStep));
    for (int i = 0; i < Zeitverlauf::curveCount; ++i)
        require(series->samples()[std::size_t(i)][std::size_t(position)] == series->latestValues()[std::size_t(i)],
                QStringLiteral("the time series did not store its latest values"));

    require(help->isVisible() == expectHelpVisible,
            QStringLiteral("the help viewer is %1").arg(help->isVisible() ? "open" : "closed"));
    require(help->size() == QSize(640, 400), QStringLiteral("the help viewer is %1").arg(sizeText(help->size())));
    if (!QApplication::activeModalWidget())
        require(!wizard->isVisible(), QStringLiteral("the size dialog is open but not modal"));
}

void Monkey::checkResting()
{
    if (inLoop) {
        resting.valid = false;
        return;
    }
    if (!resting.valid)
        return;
    const MusselBed& bed = field->bed();
    require(bed.cellsX == resting.cellsX && bed.cellsY == resting.cellsY && bed.step == resting.step
                && fieldHash() == resting.hash,
            QStringLiteral("the field changed while it rested"));
}

// Steps are taken only by a run loop, one per pass: between two actions at
// rest nothing changes, and between two actions of a run the field has made
// at most one step, whose previous lattice is the field as it was before.
void Monkey::checkPassing()
{
    if (!passing.valid)
        return;
    passing.valid = false;
    const MusselBed& bed = field->bed();
    const long cells = long{bed.cellsX} * bed.cellsY;
    if (!inLoop || cells != long(passing.current.size()))
        return;
    if (bed.step == passing.step) {
        require(std::equal(passing.current.begin(), passing.current.end(), bed.current().block()),
                QStringLiteral("the field changed between two actions without a step"));
        return;
    }
    require(bed.step == passing.step + 1,
            QStringLiteral(
                "the run went from step %1 to %2 between two actions: a pass did not hand over to the event loop")
                .arg(passing.step)
                .arg(bed.step));
    require(std::equal(passing.current.begin(), passing.current.end(), bed.previous().block()),
            QStringLiteral("after step %1 the previous lattice is not the field before it").arg(bed.step));
    ++stepsCompared;

    // The pass painted the field before it stepped, and any paint shows the
    // whole field as it stands then. A paint may also come after the step (a
    // deferred one from the event queue), so the canvas shows the field
    // either as it was before the step or as it is now, and nothing else.
    const long paints = fieldPaints - passing.paints;
    if (paints == 0) {
        require(passing.beforeStart,
                QStringLiteral("the run loop did not paint the field before step %1").arg(bed.step));
        return;
    }
    const long before = canvasDifferences(passing.current.data());
    if (before == 0) {
        ++canvasChecks;
        return;
    }
    checkCanvas(
        bed.current().block(),
        QStringLiteral("with step %1 taken (%2 cells differ from the field before it)").arg(bed.step).arg(before));
}

namespace {

// The colours of the states -1 .. 3.
const QRgb stateColours[StateCount] = {qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(128, 128, 128), qRgb(0, 128, 0),
                                       qRgb(0, 90, 0)};

}  // namespace

// How many cells the canvas shows otherwise than in the colour of their state
// in cells (x-major, as the lattices hold them).
long Monkey::canvasDifferences(const Cell* cells, QPoint* first) const
{
    const MusselBed& bed = field->bed();
    const QImage& canvas = field->canvasImage();
    const int edge = field->cellPixels();
    long differences = 0;
    for (int x = 0; x < bed.cellsX; ++x)
        for (int y = 0; y < bed.cellsY; ++y) {
            const Cell value = cells[std::size_t(x) * std::size_t(bed.cellsY) + std::size_t(y)];
            if (!isCellState(value))
                continue;
            if ((canvas.pixel(x * edge, y * edge) | 0xff000000u) != stateColours[stateIndex(value)]) {
                if (differences == 0 && first)
                    *first = QPoint(x, y);
                ++differences;
            }
        }
    return differences;
}

void Monkey::checkCanvas(const Cell* cells, const QString& when)
{
    QPoint first;
    const long differences = canvasDifferences(cells, &first);
    if (differences > 0) {
        const MusselBed& bed = field->bed();
        const QRgb shown = field->canvasImage().pixel(first.x() * field->cellPixels(), first.y() * field->cellPixels());
        fail(QStringLiteral("%1 the canvas shows %2 cells otherwise than the field, the first (%3, %4) as #%5 for %6")
                 .arg(when)
                 .arg(differences)
                 .arg(first.x())
                 .arg(first.y())
                 .arg(shown & 0xffffffu, 6, 16, QChar(u'0'))
                 .arg(cells[std::size_t(first.x()) * std::size_t(bed.cellsY) + std::size_t(first.y())]));
    }
    ++canvasChecks;
}

void Monkey::noteField()
{
    resting.valid = false;
    passing.valid = false;
    const MusselBed& bed = field->bed();
    if (!inLoop && !field->isRunning())
        resting = Resting{true, fieldHash(), bed.step, bed.cellsX, bed.cellsY};
    else if (inLoop && field->isRunning() && !QApplication::activeModalWidget())
        notePassing(false);
}

// A pass counts its step before it hands over to the events, so the field
// noted now, before a Start or between two passes, is the one the next pass
// starts from and leaves in the previous lattice at the next step number.
void Monkey::notePassing(bool beforeStart)
{
    const MusselBed& bed = field->bed();
    passing.valid = true;
    passing.beforeStart = beforeStart;
    passing.paints = fieldPaints;
    passing.step = bed.step;
    passing.current.assign(bed.current().block(), bed.current().block() + long{bed.cellsX} * bed.cellsY);
}

// FNV-1a over both lattices.
std::uint64_t Monkey::fieldHash() const
{
    const MusselBed& bed = field->bed();
    const long cells = long{bed.cellsX} * bed.cellsY;
    std::uint64_t hash = 14695981039346656037ull;
    for (const Cell* block : {bed.current().block(), bed.previous().block()})
        for (long i = 0; i < cells; ++i) {
            hash ^= std::uint32_t(block[i]);
            hash *= 1099511628211ull;
        }
    return hash;
}

bool Monkey::spinTextAcceptable(const SpinBox& spin) const
{
    QString text = spin.box->text();
    int position = 0;
    return static_cast<const QAbstractSpinBox*>(spin.box)->validate(text, position) == QValidator::Acceptable;
}

// The value a box's text reads as while it reads as one, else the box's value.
// Typed text counts only on Enter or on leaving the box, but a step of the
// arrows or the wheel starts from it; a probe box of the same kind reads it.
int Monkey::textValue(const SpinBox& spin) const
{
    if (!spinTextAcceptable(spin))
        return spin.box->value();
    const QByteArray prefix = spin.prefix.toUtf8();
    ScaledSpinBox scaled(prefix.constData(), spin.box->minimum(), spin.box->maximum(), 1);
    CheckedSpinBox plain;
    plain.setRange(spin.box->minimum(), spin.box->maximum());
    QSpinBox& probe = spin.thousandths ? static_cast<QSpinBox&>(scaled) : plain;
    probe.findChild<QLineEdit*>()->setText(spin.box->text());
    probe.interpretText();
    return probe.value();
}

// The text a box shows for its value once it has read what was typed.
QString Monkey::canonicalText(const SpinBox& spin) const
{
    const int value = spin.box->value();
    if (!spin.thousandths)
        return QString::number(value);
    return QStringLiteral("%1%2.%3").arg(spin.prefix).arg(value / 1000).arg(value % 1000, 3, 10, QChar(u'0'));
}

void Monkey::checkAfterQuit()
{
    require(quitDone, QStringLiteral("the event loop ended before Quit was pressed"));
    require(!field->isRunning() && !inLoop, QStringLiteral("the run is still on after Quit"));
    require(QTestPrivate::qtestMouseButtons == Qt::NoButton, QStringLiteral("a mouse button is still held"));
    checkLattices();
    // Every picture is a JPEG of some field; there are no more of them than
    // the program said it wrote.
    const QFileInfoList pictures = QDir::current().entryInfoList({QStringLiteral("tidmar*.jpg")}, QDir::Files);
    require(pictures.size() <= picturesWritten,
            QStringLiteral("%1 pictures on disk, %2 written").arg(pictures.size()).arg(picturesWritten));
    for (const QFileInfo& picture : pictures) {
        QImageReader reader(picture.filePath());
        const QSize size = reader.size();
        require(reader.format() == "jpeg" && size.width() >= 1 && size.height() >= 1
                    && size.width() <= PlottingArea::MaxPixelEdge && size.height() <= PlottingArea::MaxPixelEdge,
                QStringLiteral("%1 is not a field picture").arg(picture.fileName()));
    }
}
