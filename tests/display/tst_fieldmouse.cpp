// SPDX-License-Identifier: GPL-3.0-or-later
// Painting cells with the mouse.

#include "fieldtestsupport.h"

#include <QMouseEvent>
#include <QtTest>

using namespace fieldtest;

namespace {

// Delivers a move straight to the widget, wherever the position lies: the
// window system sends such moves to the pressed widget when a drag leaves it.
void sendMove(QWidget* widget, QPoint position, Qt::MouseButtons buttons)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(position), QPointF(widget->mapToGlobal(position)),
                     Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QPoint centreOf(int x, int y, int cellSize)
{
    return QPoint(x * cellSize + cellSize / 2, y * cellSize + cellSize / 2);
}

}  // namespace

class TestFieldMouse : public QObject
{
    Q_OBJECT

private slots:
    void pressPaintsCellAtOnce();
    void dragPaintsWithPressedButton_data();
    void dragPaintsWithPressedButton();
    void otherButtonPaintsNothing();
    void dragOutsideWritesNothing_data();
    void dragOutsideWritesNothing();
};

void TestFieldMouse::pressPaintsCellAtOnce()
{
    ShownField shown(32, 32, 2);
    PlottingArea& field = *shown.field;
    QVERIFY(shown.exposed());
    field.repaint();

    QTest::mousePress(&field, Qt::LeftButton, Qt::NoModifier, QPoint(7, 12));
    QCOMPARE(field.bed().current()[3][6], Cell{PredatorOnYoung});
    QCOMPARE(field.bed().previous()[3][6], Cell{RedrawMark});
    QCOMPARE(field.brush(), PlottingArea::BrushLeft);
    QVERIFY(squareIs(field.canvasImage(), QRect(6, 12, 2, 2), red));
    QVERIFY(cellShows(field, 4, 6, darkGreen));
    QVERIFY(cellShows(field, 3, 7, darkGreen));
    QTest::mouseRelease(&field, Qt::LeftButton, Qt::NoModifier, QPoint(7, 12));
}

void TestFieldMouse::dragPaintsWithPressedButton_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("brushCode");
    QTest::addColumn<QRgb>("colour");
    QTest::newRow("left") << Qt::LeftButton << int(PredatorOnYoung) << PlottingArea::BrushLeft << red;
    QTest::newRow("right") << Qt::RightButton << int(PredatorOnAdults) << PlottingArea::BrushRight << blue;
    QTest::newRow("middle") << Qt::MiddleButton << int(YoungMussel) << PlottingArea::BrushMiddle << darkGreen;
}

void TestFieldMouse::dragPaintsWithPressedButton()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, state);
    QFETCH(int, brushCode);
    QFETCH(QRgb, colour);
    const int edge = 3;
    ShownField shown(20, 20, edge);
    PlottingArea& field = *shown.field;
    QVERIFY(shown.exposed());
    fillBoth(field.bed(), Empty);
    field.updatemethodeaendern(1);
    field.repaint();

    const QList<QPoint> path = {{2, 2}, {3, 2}, {4, 2}, {4, 3}, {4, 4}};
    QTest::mousePress(&field, button, Qt::NoModifier, centreOf(2, 2, edge));
    for (const QPoint& cell : path.mid(1))
        QTest::mouseMove(&field, centreOf(cell.x(), cell.y(), edge));
    QTest::mouseRelease(&field, button, Qt::NoModifier, centreOf(4, 4, edge));

    const MusselBed& bed = field.bed();
    for (const QPoint& cell : path) {
        QCOMPARE(bed.current()[cell.x()][cell.y()], state);
        QCOMPARE(bed.previous()[cell.x()][cell.y()], Cell{RedrawMark});
    }
    QCOMPARE(bed.current()[5][2], Cell{Empty});
    QCOMPARE(bed.current()[3][3], Cell{Empty});
    QCOMPARE(field.brush(), brushCode);
    for (const QPoint& cell : path)
        QTRY_VERIFY(cellShows(field, cell.x(), cell.y(), colour));
    QVERIFY(cellShows(field, 3, 3, darkGray));
}

// A press with another button ends the brush of the press before it: the
// drag that follows edits nothing.
void TestFieldMouse::otherButtonPaintsNothing()
{
    ShownField shown(10, 10, 2);
    PlottingArea& field = *shown.field;
    QVERIFY(shown.exposed());
    QTest::mouseClick(&field, Qt::LeftButton, Qt::NoModifier, centreOf(1, 1, 2));
    QCOMPARE(field.brush(), PlottingArea::BrushLeft);
    const std::vector<Cell> now = snapshot(field.bed(), field.bed().current());
    const std::vector<Cell> before = snapshot(field.bed(), field.bed().previous());

    QTest::mousePress(&field, Qt::BackButton, Qt::NoModifier, centreOf(5, 5, 2));
    QCOMPARE(field.brush(), PlottingArea::NoBrush);
    sendMove(&field, centreOf(6, 5, 2), Qt::BackButton);
    sendMove(&field, centreOf(7, 5, 2), Qt::LeftButton);
    QTest::mouseRelease(&field, Qt::BackButton, Qt::NoModifier, centreOf(7, 5, 2));

    QVERIFY(snapshot(field.bed(), field.bed().current()) == now);
    QVERIFY(snapshot(field.bed(), field.bed().previous()) == before);
}

void TestFieldMouse::dragOutsideWritesNothing_data()
{
    QTest::addColumn<QPoint>("position");
    QTest::newRow("just left") << QPoint(-1, 9);
    QTest::newRow("just above") << QPoint(9, -1);
    QTest::newRow("above left") << QPoint(-1, -1);
    QTest::newRow("far left") << QPoint(-500, 9);
    QTest::newRow("at the width") << QPoint(40, 9);
    QTest::newRow("at the height") << QPoint(9, 30);
    QTest::newRow("far below right") << QPoint(100000, 100000);
}

// The field is 20 x 15 cells of 2 pixels: 40 x 30 pixels.
void TestFieldMouse::dragOutsideWritesNothing()
{
    QFETCH(QPoint, position);
    ShownField shown(20, 15, 2);
    PlottingArea& field = *shown.field;
    QVERIFY(shown.exposed());
    QTest::mousePress(&field, Qt::RightButton, Qt::NoModifier, QPoint(9, 9));
    const std::vector<Cell> now = snapshot(field.bed(), field.bed().current());
    const std::vector<Cell> before = snapshot(field.bed(), field.bed().previous());

    sendMove(&field, position, Qt::RightButton);
    QTest::mouseMove(&field, position);
    QVERIFY(snapshot(field.bed(), field.bed().current()) == now);
    QVERIFY(snapshot(field.bed(), field.bed().previous()) == before);

    sendMove(&field, QPoint(1, 1), Qt::RightButton);
    QCOMPARE(field.bed().current()[0][0], Cell{PredatorOnAdults});
    QTest::mouseRelease(&field, Qt::RightButton, Qt::NoModifier, QPoint(1, 1));
}

QTEST_MAIN(TestFieldMouse)
#include "tst_fieldmouse.moc"
