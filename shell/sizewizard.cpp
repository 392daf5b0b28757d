// SPDX-License-Identifier: GPL-3.0-or-later
#include "sizewizard.h"

#include "plottingarea.h"

#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QString>

namespace {

QSpinBox* makeSpinBox(const char* name, int maxValue, int step, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
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

    QSpinBox* xBox = makeSpinBox("XBox", 1000, 10, this);
    QSpinBox* yBox = makeSpinBox("Ybox", 1000, 10, this);
    QSpinBox* zellBox = makeSpinBox("ZellBox", 50, 1, this);
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

void SizeWizard::accept()
{
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
