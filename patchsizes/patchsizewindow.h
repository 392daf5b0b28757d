// SPDX-License-Identifier: GPL-3.0-or-later
// The patch size window: a non-modal dialog that shows the inverse cumulative
// size distribution of the gap patches (empty cells and predators) of the
// field as it stands, with the power law fitted to its tail.
#pragma once

#include "fieldpatterns.h"
#include "sizefits.h"

#include <QDialog>

#include <memory>

class PlottingArea;
class QLabel;
class QTimer;
class SizePlot;

class PatchSizeWindow : public QDialog
{
    Q_OBJECT

public:
    // The least time between two recounts while the field changes; longer
    // when counting takes more than a twentieth of it.
    static constexpr int refreshMilliseconds = 250;

    PatchSizeWindow(PlottingArea* field, QWidget* parent);
    ~PatchSizeWindow() override;

    // The counts and fits of the latest recount.
    long patchCount() const { return patches; }
    const SizeCounts& sizeCounts() const { return counts; }
    const SizeFits& sizeFits() const { return fits; }
    int countedStep() const { return step; }

public slots:
    // The field has changed: recounts it soon, while the window is shown.
    void fieldChanged();
    // Counts the field now.
    void recount();

public:
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    // Painting on the field (a press or a drag) changes it too.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PlottingArea* field;
    QTimer* pacing;
    SizePlot* plot;
    QLabel* summary;
    std::unique_ptr<FieldAnalyser> analyser;
    PatchClass gaps;
    SizeCounts counts;
    SizeFits fits;
    long patches = 0;
    int step = -1;
    bool placed = false;
};
