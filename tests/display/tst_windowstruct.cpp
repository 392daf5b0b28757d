// The main window frame: the field in it, the Start/Stop and Quit buttons, the
// fixed size that follows the field, and ending the program during a run.

#include "fieldtestsupport.h"
#include "windowstruct.h"

#include <QCoreApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace fieldtest;

namespace {

QPushButton* button(const Windowstruct& window, const char* name)
{
    return window.findChild<QPushButton*>(QString::fromLatin1(name));
}

}  // namespace

class TestWindowstruct : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void frameHoldsTheDesktopField();
    void sizeIsFixedAndFollowsField();
    void startButtonStartsAndStops();
    void endingDuringRunExitsWithZero_data();
    void endingDuringRunExitsWithZero();
};

void TestWindowstruct::cleanup()
{
    // A quit leaves events behind that must not reach the next test's loop.
    QCoreApplication::processEvents();
}

void TestWindowstruct::frameHoldsTheDesktopField()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QPushButton* start = button(window, "start");
    QVERIFY(start);
    QCOMPARE(start->text(), QStringLiteral(" &Start "));
    QVERIFY(button(window, "quit"));
    QCOMPARE(button(window, "quit")->text(), QStringLiteral(" &Quit "));

    auto* field = window.findChild<PlottingArea*>();
    QVERIFY(field);
    QCOMPARE(field->size(), QSize(512, 512));
    QCOMPARE(field->cellPixels(), 2);
    const MusselBed& bed = field->bed();
    QCOMPARE(bed.cellsX, 256);
    QCOMPARE(bed.cellsY, 256);
    QVERIFY(snapshot(bed, bed.current()) == std::vector<Cell>(256 * 256, YoungMussel));
    QCOMPARE(bed.recolonization, 0.3);
    QCOMPARE(bed.neighbourCoupling, 0.75);
    QCOMPARE(bed.oceanForcing, 0.0);
    QCOMPARE(bed.maturing, 0.1);
    QCOMPARE(bed.predation, 0.75);
    QCOMPARE(bed.jumpDistance, 10);
    QVERIFY(bed.longRange);
    QVERIFY(bed.periodic);
    QCOMPARE(bed.updateMethod, int(MusselBed::AsyncUCMethod));
    QVERIFY(!field->isRunning());

    QTRY_VERIFY(field->mapTo(&window, QPoint(0, 0)).y() >= 3);
    QCOMPARE(window.geometry().topLeft(), QPoint(300, 150));
}

void TestWindowstruct::sizeIsFixedAndFollowsField()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.size(), window.minimumSize());
    const QSize around = window.size() - QSize(512, 512);

    auto* field = window.findChild<PlottingArea*>();
    field->changesize(300, 200, 3);
    window.changesize(300, 200, 3);
    QTRY_COMPARE(window.size(), QSize(900, 600) + around);
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(field->size(), QSize(900, 600));
    QCOMPARE(window.geometry().topLeft(), QPoint(300, 150));
    QVERIFY(window.rect().contains(QRect(field->mapTo(&window, QPoint(0, 0)), field->size())));
}

void TestWindowstruct::startButtonStartsAndStops()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* field = window.findChild<PlottingArea*>();
    QPushButton* start = button(window, "start");
    QStringList texts;
    QList<int> steps;
    connect(field, &PlottingArea::schrittzahlsenden, this, [&](int step) {
        steps << step;
        texts << start->text();
        if (step == 2)
            QTimer::singleShot(0, start, [start] { QTest::mouseClick(start, Qt::LeftButton); });
        if (step > 100)
            field->quitnow();
    });

    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(steps, QList<int>({1, 2, 3}));
    QCOMPARE(texts.first(), QStringLiteral(" &Stop "));
    QCOMPARE(start->text(), QStringLiteral(" &Start "));
    QCOMPARE(window.findChild<QLabel*>("steps")->text(), QStringLiteral("3"));
}

void TestWindowstruct::endingDuringRunExitsWithZero_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close the window") << "close";
    QTest::newRow("Quit button") << "quit";
}

// Closing the window or pressing Quit during a run lets the run finish its
// pass and the event loop return 0.
void TestWindowstruct::endingDuringRunExitsWithZero()
{
    QFETCH(QString, how);
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* field = window.findChild<PlottingArea*>();
    QPushButton* quit = button(window, "quit");
    QList<int> steps;
    bool runaway = false;
    connect(field, &PlottingArea::schrittzahlsenden, this, [&](int step) {
        steps << step;
        if (step == 2) {
            if (how == "close")
                QTimer::singleShot(0, &window, &QWidget::close);
            else
                QTimer::singleShot(0, quit, [quit] { QTest::mouseClick(quit, Qt::LeftButton); });
        }
        if (step > 100 && !runaway) {
            runaway = true;
            field->quitnow();
        }
    });
    QTimer::singleShot(0, button(window, "start"), &QPushButton::click);

    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!runaway);
    QCOMPARE(steps, QList<int>({1, 2, 3}));
    QVERIFY(!field->isRunning());
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(TestWindowstruct)
#include "tst_windowstruct.moc"
