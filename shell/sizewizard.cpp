// SPDX-License-Identifier: GPL-3.0-or-later
#include "sizewizard.h"

#include "checkedspinbox.h"
#include "plottingarea.h"

#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QString>

#include <algorithm>

namespace {

CheckedSpinBox* makeSpinBox(const char* name, const QString& label, int maxValue, int step, QWidget* parent)
{
    auto* box = new CheckedSpinBox(parent, label);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(1, maxValue);
    box->setSingleStep(step);
    return box;
}

} // namespace

SizeWizard::SizeWizard(QWidget* parent, const char* name)
    : QDialog(parent)
    , sizeCheck(&PlottingArea::fieldFits)
{
    if (name != nullptr)
        setObjectName(QString::fromLatin1(name));

    boxes[0] = makeSpinBox("XBox", QStringLiteral("Width"), 1000, 10, this);
    boxes[1] = makeSpinBox("Ybox", QStringLiteral("Height"), 1000, 10, this);
    boxes[2] = makeSpinBox("ZellBox", QStringLiteral("Cell size"), 50, 1, this);
    CheckedSpinBox* const xBox = boxes[0];
    CheckedSpinBox* const yBox = boxes[1];
    CheckedSpinBox* const zellBox = boxes[2];
    auto* widthLabel = new QLabel(QStringLiteral("           X [#cells] :  "), this);
    auto* heightLabel = new QLabel(QStringLiteral("           Y [#cells]:  "), this);
    auto* cellSizeLabel = new QLabel(QStringLiteral("         Cell Size [pixel] :  "), this);
    auto* okButton = new QPushButton(QStringLiteral(" &OK"), this);
    auto* cancelButton = new QPushButton(QStringLiteral(" &Cancel"), this);

    // Both buttons act as soon as they go down, not on release.
    connect(okButton, &QPushButton::pressed, this, &SizeWizard::accept);
    connect(cancelButton, &QPushButton::pressed, this, &SizeWizard::reject);
    connect(xBox, &QSpinBox::valueChanged, this, &SizeWizard::keepchangedX);
    connect(yBox, &QSpinBox::valueChanged, this, &SizeWizard::keepchangedY);
    connect(zellBox, &QSpinBox::valueChanged, this, &SizeWizard::keepchangedZellgr);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(3, 3, 3, 3);
    grid->setSpacing(3);
    grid->addWidget(xBox, 0, 1);
    grid->addWidget(yBox, 1, 1);
    grid->addWidget(zellBox, 2, 1);
    grid->addWidget(widthLabel, 0, 0);
    grid->addWidget(heightLabel, 1, 0);
    grid->addWidget(cellSizeLabel, 2, 0);
    grid->addWidget(okButton, 3, 1);
    grid->addWidget(cancelButton, 3, 0);

    // The boxes start at 1; these changes pass through the connections above
    // and store the same start values again.
    xBox->setValue(changedX);
    yBox->setValue(changedY);
    zellBox->setValue(changedZellgr);

    setGeometry(400, 250, 300, 200);
}

void SizeWizard::setSizeCheck(SizeCheck check)
{
    sizeCheck = check ? std::move(check) : SizeCheck(&PlottingArea::fieldFits);
}

// A typed value that a box has just turned back keeps the dialog open with a
// warning, so that a width of 2000 never passes as the 256 shown again.
void SizeWizard::accept()
{
    const bool turnedBack =
        std::any_of(boxes.begin(), boxes.end(), [](const CheckedSpinBox* box) { return box->hasRefusal(); });
    forgetRefusals();
    if (turnedBack) {
        QMessageBox::warning(this, QStringLiteral("Value out of range"),
                             QStringLiteral("A typed value was beyond its range and was not taken:\n"
                                            "the width and height run from 1 to 1000 cells, the cell size from 1 "
                                            "to 50 pixels.\nThe box shows the value that stays."));
        return;
    }
    QString why;
    if (!sizeCheck(changedX, changedY, changedZellgr, &why)) {
        QString message = QStringLiteral("A field of %1 x %2 cells of %3 pixels cannot be built")
                              .arg(changedX)
                              .arg(changedY)
                              .arg(changedZellgr);
        message += why.isEmpty() ? QStringLiteral(".") : QStringLiteral(":\n%1.").arg(why);
        message += QStringLiteral("\nPlease choose fewer cells or a smaller cell size.");
        QMessageBox::warning(this, QStringLiteral("Field too large"), message);
        return;
    }
    emit setchangedsize(changedX, changedY, changedZellgr);
    QDialog::accept();
}

// Each opening starts afresh.
void SizeWizard::showEvent(QShowEvent* event)
{
    forgetRefusals();
    QDialog::showEvent(event);
}

void SizeWizard::forgetRefusals()
{
    for (CheckedSpinBox* box : boxes)
        box->forgetRefusal();
}

void SizeWizard::keepchangedX(int x)
{
    changedX = x;
}

void SizeWizard::keepchangedY(int y)
{
    changedY = y;
}

void SizeWizard::keepchangedZellgr(int zellgr)
{
    changedZellgr = zellgr;
}
