// SPDX-License-Identifier: GPL-3.0-or-later
// The patch size window, opened from the main window's menu: what it shows
// agrees with the analysis library on the same field, and follows the run.

#include "fieldpatterns.h"
#include "patchsizewindow.h"
#include "plottingarea.h"
#include "windowstruct.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QtTest>

#include <random>

namespace {

// The gap patches and fits of codes given row by row, as the batch tool
// analyses a field.
SizeFits expectedFits(int width, int height, const std::vector<Cell>& codes, bool periodic, long* patches)
{
    PatchClass gaps;
    parsePatchClass("gap", gaps, nullptr);
    FieldAnalyser analyser(height, width);
    analyser.classifyField(codes.data(), gaps);
    PatternSettings settings;
    settings.periodic = periodic;
    analyser.labelOnly(settings);
    *patches = static_cast<long>(analyser.sizes().size());
    return fitSizes(countSizes(analyser.sizes()), settings.fit);
}

std::vector<Cell> currentCodes(const MusselBed& bed)
{
    std::vector<Cell> codes(std::size_t(bed.cellsX) * std::size_t(bed.cellsY));
    for (int y = 0; y < bed.cellsY; ++y)
        for (int x = 0; x < bed.cellsX; ++x)
            codes[std::size_t(y) * std::size_t(bed.cellsX) + std::size_t(x)] = bed.cell(x, y);
    return codes;
}

}  // namespace

class TestPatchSizeWindow : public QObject
{
    Q_OBJECT

private slots:
    void showsTheFieldsGapsAndFollowsTheRun();
};

void TestPatchSizeWindow::showsTheFieldsGapsAndFollowsTheRun()
{
    Windowstruct window;
    window.show();
    auto* field = window.findChild<PlottingArea*>();
    QVERIFY(field);
    // A field wider than high, so that rows and columns cannot be mixed up
    // unnoticed: scattered gaps of many sizes.
    const int width = 90, height = 50;
    std::mt19937 random(7);
    std::vector<Cell> codes(width * height);
    for (Cell& code : codes)
        code = static_cast<Cell>(random() % 5) - 1;
    for (int x = 0; x < width; ++x)
        codes[x] = Empty;  // a gap along the top edge, joined to the bottom row's gaps when periodic
    std::string error;
    QVERIFY(field->bed().setField(width, height, codes, &error));
    QCheckBox* periodic = nullptr;
    for (QCheckBox* box : window.findChildren<QCheckBox*>())
        if (box->text() == QStringLiteral("Periodic B. C."))
            periodic = box;
    QVERIFY(periodic && periodic->isChecked());
    periodic->setChecked(false);

    QAction* item = nullptr;
    for (QAction* action : window.menuBar()->findChildren<QAction*>())
        if (action->text() == QStringLiteral("&Patch Sizes..."))
            item = action;
    QVERIFY(item);
    auto* sizes = window.findChild<PatchSizeWindow*>();
    QVERIFY(sizes && !sizes->isVisible());
    item->trigger();
    QVERIFY(sizes->isVisible());

    long patches = 0;
    SizeFits fits = expectedFits(width, height, codes, false, &patches);
    QVERIFY(fits.plAlpha);
    QCOMPARE(sizes->patchCount(), patches);
    QCOMPARE(*sizes->sizeFits().plAlpha, *fits.plAlpha);
    QCOMPARE(*sizes->sizeFits().nTail, *fits.nTail);
    const QString text = sizes->findChild<QLabel*>(QStringLiteral("summary"))->text();
    QVERIFY2(text.contains(QString::number(patches) + QStringLiteral(" gap patches")), qPrintable(text));
    QVERIFY2(text.contains(QString::number(*fits.plAlpha, 'f', 3)), qPrintable(text));

    // A step is counted again within a few tenths of a second.
    QSignalSpy steps(field, &PlottingArea::schrittzahlsenden);
    field->stepOnce();
    QCOMPARE(steps.count(), 1);
    QTRY_COMPARE(sizes->countedStep(), 1);
    fits = expectedFits(width, height, currentCodes(field->bed()), false, &patches);
    QCOMPARE(sizes->patchCount(), patches);

    // So is the boundary: the periodic box wraps the patches.
    const long open = patches;
    periodic->setChecked(true);
    fits = expectedFits(width, height, currentCodes(field->bed()), true, &patches);
    QVERIFY(patches <= open);  // wrapping only joins patches
    QTRY_COMPARE(sizes->patchCount(), patches);

    // Hidden, the window leaves the run alone.
    sizes->hide();
    field->stepOnce();
    QTest::qWait(2 * PatchSizeWindow::refreshMilliseconds);
    QCOMPARE(sizes->countedStep(), 1);
}

QTEST_MAIN(TestPatchSizeWindow)
#include "tst_patchsizewindow.moc"
