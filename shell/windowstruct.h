// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>

class CheckedSpinBox;
class Helpview;
class PlottingArea;
class QButtonGroup;
class QCheckBox;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QWidget;
class ScaledSpinBox;
class SizeWizard;
class Zeitverlauf;
class PatchSizeWindow;

// The main window: the field at the top, six rows of controls below it, a
// menu bar, a status bar for notes, and the hidden time-series window, field-dimensions dialog and
// help viewer. Its size is fixed by its layout and follows the field's
// dimensions; a field too large for the screen is shown in a scroll area.
// Everything after construction runs through the connections made here; the
// start values reach the field through them too.
class Windowstruct : public QMainWindow
{
    Q_OBJECT

public:
    explicit Windowstruct(QWidget* parent = nullptr, const char* name = nullptr);

protected:
    // Closing the window ends the program as Quit does, also during a run.
    void closeEvent(QCloseEvent* event) override;

public slots:
    void changesize(int x, int y, int Zellgr);

private:
    // Shows the field whole, or scrolled when the window around it would not
    // fit the screen; moves the window onto the screen where needed.
    void fitToScreen();

private:
    // The widgets the constructor's steps hand to each other; kept only
    // while the constructor runs.
    struct Controls {
        // Row 1: options, Start/Stop, step number.
        QWidget* topGrid = nullptr;
        QCheckBox* periodicBox = nullptr;
        QCheckBox* timeSeriesBox = nullptr;
        QPushButton* startButton = nullptr;
        QLabel* stepCounter = nullptr;
        // Row 4: the update scheme.
        QGroupBox* updateGroup = nullptr;
        QButtonGroup* updateButtons = nullptr;
        QCheckBox* asyncUcBox = nullptr;
        // Row 2: A2, A0, D0.
        QGroupBox* paramsBox = nullptr;
        ScaledSpinBox* a2Box = nullptr;
        ScaledSpinBox* a0Box = nullptr;
        ScaledSpinBox* d0Box = nullptr;
        // Row 3: A3, A4, the jump.
        QGroupBox* longDistanceBox = nullptr;
        ScaledSpinBox* a3Box = nullptr;
        ScaledSpinBox* a4Box = nullptr;
        CheckedSpinBox* jumpBox = nullptr;
        QCheckBox* longRangeBox = nullptr;
        // Rows 5 and 6: start patterns, save and quit.
        QWidget* lineGrid = nullptr;
        QPushButton* predatedLineButton = nullptr;
        QPushButton* youngCoverButton = nullptr;
        QWidget* fileGrid = nullptr;
        QPushButton* saveButton = nullptr;
        QPushButton* quitButton = nullptr;
        // Row 0 and the windows of their own.
        PlottingArea* field = nullptr;
        Zeitverlauf* timeSeries = nullptr;
        PatchSizeWindow* patchSizes = nullptr;
        SizeWizard* sizeWizard = nullptr;
        Helpview* helpView = nullptr;
    };

    Controls createControls();
    void createTopRow(Controls& controls);
    static void keepWidthsSteady(const Controls& controls);
    void createUpdateGroup(Controls& controls);
    void createParameterBoxes(Controls& controls);
    void createButtonRows(Controls& controls);
    void createSecondaryWindows(Controls& controls);
    void connectAll(const Controls& controls);
    static void setStartValues(const Controls& controls);
    void createMenus(const Controls& controls);
    void layOut(const Controls& controls);
    void orderTabsByRows(const Controls& controls);
};
