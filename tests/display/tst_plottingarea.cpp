// SPDX-License-Identifier: GPL-3.0-or-later
// The field widget's interface, painting, picture saving and rebuilding.

#include "fieldtestsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaMethod>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <random>

using namespace fieldtest;

class TestPlottingArea : public QObject
{
    Q_OBJECT

private slots:
    void interfaceInDeclaredOrder();
    void slotsReachTheModel();
    void startPatternsStopAndRedraw();
    void statistikEmitsFractionsInStateOrder();
    void infoCallsTheHandler();

    void cellsHaveStateColours_data();
    void cellsHaveStateColours();
    void onlyChangedCellsAreRedrawn();
    void widgetShowsCanvasSharply();

    void pictureWrittenAtOnce();
    void failedPictureIsReported_data();
    void failedPictureIsReported();

    void changesizeRebuildsField();
    void refusedSizeKeepsEverything_data();
    void refusedSizeKeepsEverything();
    void fieldFitsLimits_data();
    void fieldFitsLimits();
};

void TestPlottingArea::interfaceInDeclaredOrder()
{
    const QStringList expectedSlots = {
        "globalHealth()", "infectedLine()", "run()",
        "setcolonization(int a2)", "setneighbourcoupling(int a0)", "setoceanforcing(int d0)",
        "setpredation(int a4)", "setmaturing(int a3)", "setlongrange(bool longrange)",
        "setjumpdistance(int jumpdistance)", "randbedingungaendern(bool periodisch)", "bildspeichern()",
        "updatemethodeaendern(int )", "quitnow()", "statistik()", "info()",
        "changesize(int x,int y,int zellgr)", "statistikanaus(bool stats)",
    };
    const QStringList expectedSignals = {
        "schrittzahlsenden(int )",
        "statistiksenden(double ,double ,double ,double ,double )",
    };

    const QMetaObject& meta = PlottingArea::staticMetaObject;
    QCOMPARE(meta.className(), "PlottingArea");
    QCOMPARE(meta.superClass(), &QWidget::staticMetaObject);
    QStringList slotList;
    QStringList signalList;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        QStringList parameters;
        for (int p = 0; p < method.parameterCount(); ++p)
            parameters << QString::fromLatin1(method.parameterTypeName(p)) + ' '
                              + QString::fromLatin1(method.parameterNames().at(p));
        const QString text = QString::fromLatin1(method.name()) + '(' + parameters.join(',') + ')';
        if (method.methodType() == QMetaMethod::Slot) {
            QCOMPARE(method.access(), QMetaMethod::Public);
            slotList << text;
        } else if (method.methodType() == QMetaMethod::Signal) {
            signalList << text;
        }
    }
    QCOMPARE(slotList, expectedSlots);
    QCOMPARE(signalList, expectedSignals);
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
}

void TestPlottingArea::slotsReachTheModel()
{
    ShownField shown(8, 8, 2);
    PlottingArea& field = *shown.field;
    field.setcolonization(200);
    field.setneighbourcoupling(0);
    field.setoceanforcing(5);
    field.setpredation(750);
    field.setmaturing(1000);
    field.setjumpdistance(100);
    field.setlongrange(false);
    field.randbedingungaendern(false);
    field.updatemethodeaendern(2);

    const MusselBed& bed = field.bed();
    QCOMPARE(bed.recolonization, 0.2);
    QCOMPARE(bed.neighbourCoupling, 0.0);
    QCOMPARE(bed.oceanForcing, 0.005);
    QCOMPARE(bed.predation, 0.75);
    QCOMPARE(bed.maturing, 1.0);
    QCOMPARE(bed.jumpDistance, 100);
    QCOMPARE(bed.longRange, false);
    QCOMPARE(bed.periodic, false);
    QCOMPARE(bed.updateMethod, 2);
}

void TestPlottingArea::startPatternsStopAndRedraw()
{
    ShownField shown(5, 4, 3);
    PlottingArea& field = *shown.field;
    QVERIFY(shown.exposed());
    QCOMPARE(shown.button.text(), QStringLiteral(" &Start "));
    field.statistikanaus(true);
    field.bed().step = 7;
    QSignalSpy steps(&field, &PlottingArea::schrittzahlsenden);
    QSignalSpy stats(&field, &PlottingArea::statistiksenden);

    field.infectedLine();
    QCOMPARE(steps.count(), 1);
    QCOMPARE(steps.at(0).at(0).toInt(), 0);
    QCOMPARE(stats.count(), 0);
    QCOMPARE(field.bed().step, 0);
    QVERIFY(!field.isRunning());
    for (int y = 0; y < 4; ++y) {
        QVERIFY(cellShows(field, 2, y, red));
        QVERIFY(cellShows(field, 1, y, darkGreen));
        QVERIFY(cellShows(field, 3, y, darkGreen));
    }

    field.globalHealth();
    QCOMPARE(steps.count(), 2);
    QCOMPARE(stats.count(), 0);
    for (int y = 0; y < 4; ++y)
        QVERIFY(cellShows(field, 2, y, darkGreen));
}

void TestPlottingArea::statistikEmitsFractionsInStateOrder()
{
    ShownField shown(10, 1, 1);
    PlottingArea& field = *shown.field;
    QVERIFY(field.bed().setField(10, 1, {-1, 0, 0, 1, 1, 1, 2, 2, 2, 2}, nullptr));
    QSignalSpy stats(&field, &PlottingArea::statistiksenden);
    field.statistik();
    QCOMPARE(stats.count(), 1);
    const QList<QVariant> shares = stats.at(0);
    const double expected[] = {0.1, 0.2, 0.3, 0.4, 0.0};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(shares.at(i).toDouble(), expected[i]);
}

void TestPlottingArea::infoCallsTheHandler()
{
    ShownField shown(4, 4, 1);
    int calls = 0;
    shown.field->info();
    shown.field->setInfoHandler([&calls] { ++calls; });
    shown.field->info();
    QCOMPARE(calls, 1);
}

void TestPlottingArea::cellsHaveStateColours_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QRgb>("colour");
    QTest::newRow("-1 predator on adults") << -1 << blue;
    QTest::newRow("0 predator on young") << 0 << red;
    QTest::newRow("1 empty") << 1 << darkGray;
    QTest::newRow("2 young mussel") << 2 << darkGreen;
    QTest::newRow("3 adult mussel") << 3 << deepGreen;
    QTest::newRow("4 not a state") << 4 << white;
    QTest::newRow("-2 not a state") << -2 << white;
    QTest::newRow("redraw mark") << int(RedrawMark) << white;
}

void TestPlottingArea::cellsHaveStateColours()
{
    QFETCH(int, value);
    QFETCH(QRgb, colour);
    ShownField shown(6, 5, 3);
    PlottingArea& field = *shown.field;
    QVERIFY(shown.exposed());
    fillBoth(field.bed(), Empty);
    field.updatemethodeaendern(1);
    field.bed().current()[4][3] = value;
    field.repaint();

    QVERIFY(cellShows(field, 4, 3, colour));
    QVERIFY(cellShows(field, 3, 3, darkGray));
    QVERIFY(cellShows(field, 4, 2, darkGray));
    QVERIFY(cellShows(field, 5, 4, darkGray));
}

// The canvas keeps what was drawn: a cell whose two lattices agree is drawn
// only by a full drawing, a cell that differs at every paint.
void TestPlottingArea::onlyChangedCellsAreRedrawn()
{
    ShownField shown(8, 8, 2);
    PlottingArea& field = *shown.field;
    QVERIFY(shown.exposed());
    field.repaint();
    QVERIFY(cellShows(field, 5, 5, darkGreen));

    field.bed().latticeA[5][5] = Empty;
    field.bed().latticeB[5][5] = Empty;
    field.repaint();
    QVERIFY(cellShows(field, 5, 5, darkGreen));

    field.updatemethodeaendern(0);
    QVERIFY(cellShows(field, 5, 5, darkGreen));
    field.repaint();
    QVERIFY(cellShows(field, 5, 5, darkGray));

    field.bed().editCell(2, 6, PredatorOnAdults);
    field.repaint();
    QVERIFY(cellShows(field, 2, 6, blue));
    field.bed().current()[2][6] = AdultMussel;
    field.repaint();
    QVERIFY(cellShows(field, 2, 6, deepGreen));
}

// The widget shows the canvas cell for cell, scaled without smoothing on a
// high-DPI screen.
void TestPlottingArea::widgetShowsCanvasSharply()
{
    ShownField shown(16, 16, 2);
    PlottingArea& field = *shown.field;
    QVERIFY(shown.exposed());
    field.bed().editCell(10, 4, PredatorOnYoung);
    const QImage shot = field.grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    QCOMPARE(shot.size(), (QSizeF(32, 32) * ratio).toSize());
    const int edge = qRound(2 * ratio);
    QVERIFY(squareIs(shot, QRect(10 * edge, 4 * edge, edge, edge), red));
    QVERIFY(squareIs(shot, QRect(11 * edge, 4 * edge, edge, edge), darkGreen));
    QVERIFY(squareIs(shot, QRect(9 * edge, 4 * edge, edge, edge), darkGreen));
    QVERIFY(squareIs(shot, QRect(10 * edge, 5 * edge, edge, edge), darkGreen));
}

// Save Image writes at once, also while stopped, the field as it stands
// under its step number. The JPEG gives every cell back in its state's colour,
// even cells of one pixel amid a field of every state at random; a PNG is the
// canvas exactly.
void TestPlottingArea::pictureWrittenAtOnce()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(previousDir); });

    ShownField shown(64, 48, 1);
    PlottingArea& field = *shown.field;
    QVERIFY(shown.exposed());
    MusselBed& bed = field.bed();
    std::mt19937 dice(5);
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 48; ++y)
            bed.editCell(x, y, Cell(int(dice() % 5) - 1));
    bed.step = 12;
    QStringList reports;
    field.setPictureHandler([&](const QString& path, const QString& error) { reports << path + '|' + error; });
    {
        StreamCapture out(std::cout);
        field.bildspeichern();
        QCOMPARE(out.text(), QStringLiteral(" Bild gespeichert \n"));
    }
    QCOMPARE(reports, QStringList{"tidmar12.jpg|"});
    QImage picture;
    QVERIFY(picture.load("tidmar12.jpg", "JPEG"));
    QCOMPARE(picture.size(), QSize(64, 48));
    QVERIFY(statesInPicture(picture, 64, 48, 1) == snapshot(bed, bed.current()));

    StreamCapture out(std::cout);
    QVERIFY(field.savePictureAs("field.png"));
    QCOMPARE(QImage("field.png").convertToFormat(QImage::Format_RGB32), field.canvasImage());
    QCOMPARE(out.text(), QStringLiteral(" Bild gespeichert \n"));
}

// A picture that cannot be written names the file and the reason on standard
// error, prints nothing on standard output and is not retried: a directory in
// the way of the name, and a disk that fills up during the write (the name
// links to /dev/full, which refuses every write with "No space left on device").
void TestPlottingArea::failedPictureIsReported_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::newRow("directory in the way") << false;
    QTest::newRow("full disk") << true;
}

void TestPlottingArea::failedPictureIsReported()
{
    QFETCH(bool, fullDisk);
    if (fullDisk && !QFileInfo::exists("/dev/full"))
        QSKIP("no /dev/full on this system");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(previousDir); });
    QVERIFY(fullDisk ? QFile::link("/dev/full", "tidmar0.jpg") : QDir().mkdir("tidmar0.jpg"));

    ShownField shown(8, 8, 2);
    PlottingArea& field = *shown.field;
    QVERIFY(shown.exposed());
    {
        StreamCapture out(std::cout);
        StreamCapture err(std::cerr);
        field.bildspeichern();
        QCOMPARE(out.text(), QString());
        QVERIFY2(err.text().contains("tidmar0.jpg: "), qPrintable(err.text()));
        QVERIFY(err.text().endsWith('\n'));
        QCOMPARE(err.text().count('\n'), 1);
    }
    if (!fullDisk)
        QVERIFY(QFileInfo("tidmar0.jpg").isDir());

    StreamCapture err(std::cerr);
    field.repaint();
    QCOMPARE(err.text(), QString());
}

void TestPlottingArea::changesizeRebuildsField()
{
    ShownField shown(16, 16, 2);
    PlottingArea& field = *shown.field;
    QVERIFY(shown.exposed());
    field.setpredation(750);
    field.infectedLine();
    field.bed().step = 9;
    QSignalSpy steps(&field, &PlottingArea::schrittzahlsenden);

    field.changesize(300, 200, 3);
    QCOMPARE(field.minimumSize(), QSize(900, 600));
    QCOMPARE(field.maximumSize(), QSize(900, 600));
    QTRY_COMPARE(field.size(), QSize(900, 600));
    QCOMPARE(field.canvasImage().size(), QSize(900, 600));
    QCOMPARE(field.cellPixels(), 3);
    const MusselBed& bed = field.bed();
    QCOMPARE(bed.cellsX, 300);
    QCOMPARE(bed.cellsY, 200);
    for (int x = 0; x < 300; ++x)
        for (int y = 0; y < 200; ++y)
            QVERIFY(bed.latticeA[x][y] == YoungMussel && bed.latticeB[x][y] == YoungMussel);
    QCOMPARE(bed.step, 0);
    QCOMPARE(bed.predation, 0.75);
    QVERIFY(!field.isRunning());
    QCOMPARE(steps.count(), 1);
    QCOMPARE(steps.at(0).at(0).toInt(), 0);

    field.repaint();
    QVERIFY(squareIs(field.canvasImage(), QRect(0, 0, 900, 600), darkGreen));
}

void TestPlottingArea::refusedSizeKeepsEverything_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("zellgr");
    QTest::newRow("1000 x 1000 of 50 pixels") << 1000 << 1000 << 50;
    QTest::newRow("edge over 16384 pixels") << 10 << 1000 << 17;
    QTest::newRow("too many cells") << 3000 << 10 << 1;
    QTest::newRow("no cells") << 0 << 10 << 2;
    QTest::newRow("negative cells") << 10 << -5 << 2;
    QTest::newRow("no cell size") << 10 << 10 << 0;
}

void TestPlottingArea::refusedSizeKeepsEverything()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, zellgr);
    ShownField shown(16, 12, 2);
    PlottingArea& field = *shown.field;
    QVERIFY(shown.exposed());
    field.infectedLine();
    field.bed().step = 5;
    const std::vector<Cell> before = snapshot(field.bed(), field.bed().current());
    QSignalSpy steps(&field, &PlottingArea::schrittzahlsenden);

    StreamCapture err(std::cerr);
    field.changesize(x, y, zellgr);
    QVERIFY2(err.text().contains("refused"), qPrintable(err.text()));

    QCOMPARE(field.bed().cellsX, 16);
    QCOMPARE(field.bed().cellsY, 12);
    QCOMPARE(field.cellPixels(), 2);
    QCOMPARE(field.size(), QSize(32, 24));
    QCOMPARE(field.canvasImage().size(), QSize(32, 24));
    QCOMPARE(field.bed().step, 5);
    QVERIFY(snapshot(field.bed(), field.bed().current()) == before);
    QCOMPARE(steps.count(), 0);
}

void TestPlottingArea::fieldFitsLimits_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("zellgr");
    QTest::addColumn<bool>("fits");
    QTest::newRow("desktop field") << 256 << 256 << 2 << true;
    QTest::newRow("largest field of 1 pixel") << 2048 << 2048 << 1 << true;
    QTest::newRow("edge of 16384 pixels") << 2048 << 1 << 8 << true;
    QTest::newRow("2^28 pixels") << 2048 << 2048 << 8 << true;
    QTest::newRow("1000 x 1000 of 16 pixels") << 1000 << 1000 << 16 << true;
    QTest::newRow("1000 x 1000 of 17 pixels") << 1000 << 1000 << 17 << false;
    QTest::newRow("1000 x 1000 of 50 pixels") << 1000 << 1000 << 50 << false;
    QTest::newRow("2049 cells") << 2049 << 1 << 1 << false;
    QTest::newRow("zero cells down") << 1 << 0 << 1 << false;
    QTest::newRow("zero pixels") << 1 << 1 << 0 << false;
    QTest::newRow("huge cell size") << 1 << 1 << 2000000000 << false;
}

void TestPlottingArea::fieldFitsLimits()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, zellgr);
    QFETCH(bool, fits);
    QString why;
    QCOMPARE(PlottingArea::fieldFits(x, y, zellgr, &why), fits);
    QCOMPARE(why.isEmpty(), fits);
    QCOMPARE(PlottingArea::fieldFits(x, y, zellgr, nullptr), fits);
}

QTEST_MAIN(TestPlottingArea)
#include "tst_plottingarea.moc"
