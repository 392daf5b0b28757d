// SPDX-License-Identifier: GPL-3.0-or-later
#include "patchsizewindow.h"

#include "plottingarea.h"
#include "sizeplot.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

PatchSizeWindow::PatchSizeWindow(PlottingArea* field, QWidget* parent)
    : QDialog(parent), field(field), pacing(new QTimer(this)), plot(new SizePlot(this)), summary(new QLabel(this))
{
    setObjectName(QStringLiteral("patchsizes"));
    setWindowTitle(QStringLiteral("Patch Sizes"));
    setModal(false);
    field->installEventFilter(this);
    parsePatchClass("gap", gaps, nullptr);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(plot, 1);
    layout->addWidget(summary);
    // A run announces every step; the window counts at most a few times a
    // second, and only while it is shown, so that the run keeps its speed.
    pacing->setSingleShot(true);
    connect(pacing, &QTimer::timeout, this, &PatchSizeWindow::recount);
}

PatchSizeWindow::~PatchSizeWindow() = default;

bool PatchSizeWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == field && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove))
        fieldChanged();
    return QDialog::eventFilter(watched, event);
}

void PatchSizeWindow::fieldChanged()
{
    if (isVisible() && !pacing->isActive())
        pacing->start();
}

// First shown beside the main window, when the screen has room, so that the
// field stays in sight.
void PatchSizeWindow::setVisible(bool visible)
{
    if (visible && !placed && parentWidget()) {
        placed = true;
        const QRect main = parentWidget()->window()->frameGeometry();
        const QRect screen = parentWidget()->screen()->availableGeometry();
        const QPoint beside(main.right() + 8, main.top());
        if (beside.x() + sizeHint().width() + 16 <= screen.right())
            move(beside);
    }
    QDialog::setVisible(visible);
}

void PatchSizeWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    recount();
}

// Gaps are empty cells and predators, joined through their 4 nearest
// neighbours, across the edges when the field's boundary is periodic.
void PatchSizeWindow::recount()
{
    pacing->stop();
    // A count paced before the window was hidden is not made.
    if (!isVisible())
        return;
    QElapsedTimer spent;
    spent.start();
    const MusselBed& bed = field->bed();
    // The lattice is x-major: cellsX rows of cellsY codes.
    if (!analyser || analyser->labeller().rows() != bed.cellsX || analyser->labeller().cols() != bed.cellsY)
        analyser = std::make_unique<FieldAnalyser>(bed.cellsX, bed.cellsY);
    PatternSettings settings;
    settings.periodic = bed.periodic;
    analyser->classifyField(bed.current().block(), gaps);
    analyser->labelOnly(settings);
    patches = static_cast<long>(analyser->sizes().size());
    counts = countSizes(analyser->sizes());
    fits = fitSizes(counts, settings.fit);
    step = bed.step;
    plot->setSizes(counts, fits);

    QString text = QStringLiteral("Step %1: %2 gap patches").arg(step).arg(patches);
    if (fits.plAlpha)
        text += QStringLiteral(";  power law \u03b1 = %1 from s \u2265 %2, n_tail = %3")
                    .arg(*fits.plAlpha, 0, 'f', 3)
                    .arg(*fits.xmin)
                    .arg(*fits.nTail);
    else
        text += QStringLiteral(";  too few patches for a power law");
    summary->setText(text);
    // Counting takes at most a twentieth of a run's time, also on large fields.
    pacing->setInterval(std::max(refreshMilliseconds, int(20 * spent.elapsed())));
}
