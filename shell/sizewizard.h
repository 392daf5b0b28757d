// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <array>
#include <functional>

class CheckedSpinBox;

// The dialog in which the user dials the field's width and height in cells and
// the edge of a cell in pixels. OK emits the three numbers in setchangedsize;
// Cancel closes without emitting and keeps the dialled values for next time.
//
// A typed value counts when the user presses Enter or leaves its box; one
// beyond a box's range is turned back with a note, and OK then warns and
// stays open.
//
// A request for a field larger than the field widget can hold is refused in
// the dialog: it shows a warning naming the limit, stays open and emits
// nothing. The limit is the field widget's own, PlottingArea::fieldFits.
class SizeWizard : public QDialog
{
    Q_OBJECT

public:
    // Decides whether a field of x by y cells of zellgr pixels may be built.
    // On refusal it returns false and, when why is not null, puts the message
    // for the user there.
    using SizeCheck = std::function<bool(int x, int y, int zellgr, QString* why)>;

    explicit SizeWizard(QWidget* parent = nullptr, const char* name = nullptr);

    // Replaces the size check; an empty function restores PlottingArea::fieldFits.
    void setSizeCheck(SizeCheck check);

public slots:
    void accept() override;
    void keepchangedX(int);
    void keepchangedY(int);
    void keepchangedZellgr(int);

signals:
    void setchangedsize(int x, int y, int zellgr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void forgetRefusals();

    int changedX = 256;
    int changedY = 256;
    int changedZellgr = 2;
    SizeCheck sizeCheck;
    std::array<CheckedSpinBox*, 3> boxes{};  // width, height, cell size
};
