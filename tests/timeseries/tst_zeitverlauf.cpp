// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the time-series window Zeitverlauf.
//
// The picture is checked by reading pixels of the rendered canvas. All pixel
// coordinates in the tests are logical (578 x 322 at full size); the helper
// px() maps them onto images with a device pixel ratio above 1, so the same
// tests run on a high-DPI screen (QT_SCALE_FACTOR=2).
#include "zeitverlauf.h"

#include <QEvent>
#include <QMetaMethod>
#include <QPainter>
#include <QPixmap>
#include <QtTest>

#include <array>
#include <cmath>

namespace {

const QRgb black = qRgb(0, 0, 0);
const QRgb plotArea = qRgb(0, 25, 0);
const QRgb axis = qRgb(0, 80, 0);
const QRgb header = qRgb(128, 128, 0);
const std::array<QRgb, 5> curve = {
    qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(128, 128, 128), qRgb(0, 128, 0), qRgb(0, 90, 0),
};

// Shares delivered by getstats for the curve tests, and the heights in
// pixels above the bottom of the plot area at which they are drawn:
// trunc(256 x 0.1) = 25, trunc(256 x 0.4) = 102, trunc(256 x 0.6) = 153,
// trunc(256 x 0.8) = 204, trunc(256 x 0.95) = 243.
constexpr std::array<double, 5> shares = {0.01, 0.04, 0.6, 0.8, 0.95};
constexpr std::array<int, 5> heights = {25, 102, 153, 204, 243};

// Canvas row of a height above the bottom of the plot area.
int rowOf(int height)
{
    return 289 - height;
}

// Pixel of an image at a logical position (the centre of the physical block
// that the logical pixel covers).
QRgb px(const QImage& image, int x, int y)
{
    const qreal r = image.devicePixelRatio();
    const int px = int(std::floor((x + 0.5) * r));
    const int py = int(std::floor((y + 0.5) * r));
    return image.pixel(px, py) | 0xff000000u;
}

QString rgbText(QRgb c)
{
    return QStringLiteral("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

#define CHECK_PIXEL(image, x, y, expected)                                                  \
    do {                                                                                    \
        const QRgb actual_ = px((image), (x), (y));                                         \
        QVERIFY2(actual_ == (expected),                                                     \
                 qPrintable(QStringLiteral("pixel (%1, %2) is %3, expected %4")             \
                                .arg(x).arg(y).arg(rgbText(actual_), rgbText(expected)))); \
    } while (false)

// The picture at the device pixel ratio of the window's screen.
QImage pictureOf(const Zeitverlauf& z)
{
    return z.picture(z.devicePixelRatio());
}

// Number of physical pixels inside a logical rectangle that satisfy a test.
template <typename Test>
int countIf(const QImage& image, const QRect& logical, Test test)
{
    const qreal r = image.devicePixelRatio();
    const QRect physical(int(logical.x() * r), int(logical.y() * r), int(logical.width() * r),
                         int(logical.height() * r));
    int n = 0;
    for (int y = physical.top(); y <= physical.bottom(); ++y)
        for (int x = physical.left(); x <= physical.right(); ++x)
            if (test(image.pixel(x, y)))
                ++n;
    return n;
}

int countColour(const QImage& image, const QRect& logical, QRgb colour)
{
    return countIf(image, logical, [colour](QRgb c) { return (c | 0xff000000u) == colour; });
}

int countNonBlack(const QImage& image, const QRect& logical)
{
    return countIf(image, logical, [](QRgb c) { return (c | 0xff000000u) != black; });
}

void feed(Zeitverlauf& z, const std::array<double, 5>& s)
{
    z.getstats(s[0], s[1], s[2], s[3], s[4]);
}

// Records the steps from..to (inclusive) with the values last delivered.
void record(Zeitverlauf& z, int from, int to)
{
    for (int s = from; s <= to; ++s)
        z.getstep(s);
}

// Counts paint events of a widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class TestZeitverlauf : public QObject
{
    Q_OBJECT

private slots:
    void constructionState();
    void constructorName();
    void metaObject();
    void visibility();

    void stepMapping_data();
    void stepMapping();
    void stepSequence();
    void getstatsStoresScaledShares();
    void getstepStoresLatest();
    void flatWhileStatisticsOff();
    void exaggeratedShareAbovePlot();
    void negativeStepStaysInside();
    void repaintIsRequestedNotForced();

    void pictureBackground();
    void pictureGridAndAxes();
    void labels_data();
    void labels();
    void noCurveBeforeFirstStep();
    void firstStepIsVerticalSegment();
    void curveColours();
    void curveLength_data();
    void curveLength();
    void newPageStartsAtOldLevel();

    void fullSizeWindowShowsCanvas();
    void minimumSizeScalesWholePicture();
};

// ------------------------------------------------------------ state

void TestZeitverlauf::constructionState()
{
    Zeitverlauf z;
    QVERIFY(z.isHidden());
    QVERIFY(!z.isModal());
    QVERIFY(z.objectName().isEmpty());
    QCOMPARE(z.geometry(), QRect(300, 200, 578, 322));
    QCOMPARE(z.maximumSize(), QSize(578, 322));
    QCOMPARE(z.minimumSize(), QSize(478, 222));
    QCOMPARE(z.windowTitle(), QStringLiteral(" Time series (predators (blue & red) 10 times exaggerated) "));
    QVERIFY(z.testAttribute(Qt::WA_OpaquePaintEvent));
    QVERIFY(z.testAttribute(Qt::WA_NoSystemBackground));

    QCOMPARE(z.plotAreaHeight(), 256);
    QCOMPARE(z.plotAreaWidth(), 512);
    QCOMPARE(z.plotMargin(), 33);
    QCOMPARE(Zeitverlauf::pageLength, 512);
    QCOMPARE(z.logicalCanvasSize(), QSize(578, 322));
    QCOMPARE(z.canvasImage().deviceIndependentSize().toSize(), QSize(578, 322));

    QCOMPARE(z.currentPosition(), 0);
    QCOMPARE(z.currentTimeScale(), 512);
    QCOMPARE(z.currentPage(), 0);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(z.latestValues()[i], 0.0);
        QCOMPARE(z.startLevels()[i], 0);
        for (int q = 0; q < Zeitverlauf::pageLength; ++q)
            QCOMPARE(z.samples()[i][q], 0.0);
    }
}

void TestZeitverlauf::constructorName()
{
    QWidget parent;
    Zeitverlauf z(&parent, "zeit", true);
    QCOMPARE(z.objectName(), QStringLiteral("zeit"));
    QCOMPARE(z.parentWidget(), &parent);
    QVERIFY(z.isModal());
    QVERIFY(z.isWindow());
    QVERIFY(z.isHidden());
}

void TestZeitverlauf::metaObject()
{
    const QMetaObject* mo = &Zeitverlauf::staticMetaObject;
    QCOMPARE(mo->className(), "Zeitverlauf");
    QCOMPARE(mo->superClass(), &QDialog::staticMetaObject);

    QStringList slotList;
    for (int m = mo->methodOffset(); m < mo->methodCount(); ++m) {
        const QMetaMethod method = mo->method(m);
        QVERIFY2(method.methodType() != QMetaMethod::Signal, method.methodSignature().constData());
        if (method.methodType() == QMetaMethod::Slot) {
            QCOMPARE(method.access(), QMetaMethod::Public);
            slotList << QString::fromLatin1(method.methodSignature());
        }
    }
    QCOMPARE(slotList, (QStringList{QStringLiteral("visibility(bool)"),
                                 QStringLiteral("getstats(double,double,double,double,double)"),
                                 QStringLiteral("getstep(int)")}));
    QCOMPARE(mo->propertyCount(), mo->propertyOffset());
}

void TestZeitverlauf::visibility()
{
    Zeitverlauf z;
    z.visibility(true);
    QVERIFY(z.isVisible());
    z.visibility(false);
    QVERIFY(!z.isVisible());
    z.visibility(true);
    QVERIFY(z.isVisible());
}

// ------------------------------------------------------------ recording

void TestZeitverlauf::stepMapping_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("timeScale");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("page");

    QTest::newRow("0") << 0 << 64 << 0 << 0;
    QTest::newRow("1") << 1 << 64 << 1 << 0;
    QTest::newRow("64") << 64 << 64 << 64 << 0;
    QTest::newRow("65") << 65 << 128 << 65 << 0;
    QTest::newRow("128") << 128 << 128 << 128 << 0;
    QTest::newRow("129") << 129 << 256 << 129 << 0;
    QTest::newRow("256") << 256 << 256 << 256 << 0;
    QTest::newRow("257") << 257 << 512 << 257 << 0;
    QTest::newRow("511") << 511 << 512 << 511 << 0;
    QTest::newRow("512") << 512 << 512 << 0 << 1;
    QTest::newRow("1000") << 1000 << 512 << 488 << 1;
    QTest::newRow("1023") << 1023 << 512 << 511 << 1;
    QTest::newRow("1024") << 1024 << 512 << 0 << 2;
}

void TestZeitverlauf::stepMapping()
{
    QFETCH(int, step);
    QFETCH(int, timeScale);
    QFETCH(int, position);
    QFETCH(int, page);

    Zeitverlauf z;
    z.getstep(step);
    QCOMPARE(z.currentTimeScale(), timeScale);
    QCOMPARE(z.currentPosition(), position);
    QCOMPARE(z.currentPage(), page);
}

void TestZeitverlauf::stepSequence()
{
    // The table of scales, positions and pages, walked in order, with the start levels.
    Zeitverlauf z;
    const std::array<double, 5> atEnd = {0.01, 0.02, 0.25, 0.5, 0.125}; // stored at step 511
    const std::array<int, 5> endLevels = {25, 51, 64, 128, 32};
    const std::array<double, 5> later = {0.03, 0.0, 0.1, 0.2, 0.3};

    struct Row {
        int step;
        int timeScale, position, page;
        bool levelsFromEnd; // start levels taken from the samples of step 511
    };
    const Row rows[] = {
        {0, 64, 0, 0, false},     {1, 64, 1, 0, false},     {64, 64, 64, 0, false},
        {65, 128, 65, 0, false},  {128, 128, 128, 0, false}, {129, 256, 129, 0, false},
        {256, 256, 256, 0, false}, {257, 512, 257, 0, false}, {511, 512, 511, 0, false},
        {512, 512, 0, 1, true},   {1000, 512, 488, 1, true}, {0, 64, 0, 0, true},
    };

    for (const Row& row : rows) {
        const QByteArray where = "step " + QByteArray::number(row.step);
        if (row.step == 511)
            feed(z, atEnd);
        if (row.step == 512)
            feed(z, later);
        z.getstep(row.step);
        QVERIFY2(z.currentTimeScale() == row.timeScale, where.constData());
        QVERIFY2(z.currentPosition() == row.position, where.constData());
        QVERIFY2(z.currentPage() == row.page, where.constData());
        for (int i = 0; i < 5; ++i) {
            const int expected = row.levelsFromEnd ? endLevels[i] : 0;
            QVERIFY2(z.startLevels()[i] == expected, where.constData());
            QVERIFY2(z.samples()[i][row.position] == z.latestValues()[i], where.constData());
        }
    }

    // After the reset the sample of step 511 (index 511) is still in place,
    // and index 0 holds the values last delivered.
    for (int i = 0; i < 5; ++i) {
        const double factor = i < 2 ? 10.0 : 1.0;
        QCOMPARE(z.samples()[i][511], factor * atEnd[i]);
        QCOMPARE(z.samples()[i][0], factor * later[i]);
        QCOMPARE(z.samples()[i][488], factor * later[i]);
    }
}

void TestZeitverlauf::getstatsStoresScaledShares()
{
    Zeitverlauf z;
    z.getstep(7);
    z.getstats(0.01, 0.02, 0.3, 0.4, 0.27);
    QCOMPARE(z.latestValues()[0], 10 * 0.01);
    QCOMPARE(z.latestValues()[1], 10 * 0.02);
    QCOMPARE(z.latestValues()[2], 0.3);
    QCOMPARE(z.latestValues()[3], 0.4);
    QCOMPARE(z.latestValues()[4], 0.27);

    // getstats stores nothing else.
    QCOMPARE(z.currentPosition(), 7);
    QCOMPARE(z.currentTimeScale(), 64);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(z.samples()[i][7], 0.0);
        QCOMPARE(z.startLevels()[i], 0);
    }
}

void TestZeitverlauf::getstepStoresLatest()
{
    Zeitverlauf z;
    feed(z, shares);
    z.getstep(300);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(z.samples()[i][300], z.latestValues()[i]);
        QCOMPARE(z.samples()[i][299], 0.0);
        QCOMPARE(z.samples()[i][301], 0.0);
    }
}

void TestZeitverlauf::flatWhileStatisticsOff()
{
    Zeitverlauf z;
    feed(z, shares);
    z.getstep(1);
    // Statistics switched off: only step numbers arrive.
    record(z, 2, 40);
    for (int i = 0; i < 5; ++i)
        for (int q = 1; q <= 40; ++q)
            QCOMPARE(z.samples()[i][q], z.latestValues()[i]);

    // The curves run flat: every drawn point of a curve is at the same row.
    const QImage image = pictureOf(z);
    for (int i = 0; i < 5; ++i)
        for (int x = 33 + 8; x <= 33 + 39 * 4; x += 3) // scale 64: 8 pixels per step
            CHECK_PIXEL(image, x, rowOf(heights[i]), curve[i]);
}

void TestZeitverlauf::exaggeratedShareAbovePlot()
{
    // A share of 0.15 for state -1 is stored as 1.5 and drawn at height 384.
    Zeitverlauf z;
    z.getstats(0.15, 0.0, 0.0, 0.0, 0.0);
    QCOMPARE(z.latestValues()[0], 1.5);
    z.getstep(511);
    z.getstats(0.0, 0.0, 0.0, 0.0, 0.0);
    z.getstep(512);
    QCOMPARE(z.startLevels()[0], 384);
    z.getstep(513);
    // The first segment runs from 384 down to 0: it enters the picture from
    // above the canvas and is not clamped to the plot area.
    const QImage image = pictureOf(z);
    CHECK_PIXEL(image, 33, 1, curve[0]);
    CHECK_PIXEL(image, 33, 20, curve[0]);
    CHECK_PIXEL(image, 33, 200, curve[0]);
}

void TestZeitverlauf::negativeStepStaysInside()
{
    Zeitverlauf z;
    z.getstep(-5);
    QCOMPARE(z.currentPosition(), 0);
    QCOMPARE(z.currentPage(), 0);
    QCOMPARE(z.currentTimeScale(), 64);
}

void TestZeitverlauf::repaintIsRequestedNotForced()
{
    Zeitverlauf z;
    PaintCounter counter;
    z.installEventFilter(&counter);
    z.visibility(true);
    QVERIFY(QTest::qWaitForWindowExposed(&z));
    QCoreApplication::processEvents();
    counter.paints = 0;

    // getstats never repaints.
    feed(z, shares);
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, 0);

    // getstep only requests a repaint; repeated requests merge into one paint.
    record(z, 1, 20);
    QCOMPARE(counter.paints, 0);
    QTRY_VERIFY(counter.paints >= 1);
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, 1);

    // A hidden window is not painted.
    z.visibility(false);
    counter.paints = 0;
    record(z, 21, 30);
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, 0);
}

// ------------------------------------------------------------ picture

void TestZeitverlauf::pictureBackground()
{
    Zeitverlauf z;
    const QImage image = pictureOf(z);
    QCOMPARE(image.deviceIndependentSize().toSize(), QSize(578, 322));

    // Black outside the plot area.
    CHECK_PIXEL(image, 0, 0, black);
    CHECK_PIXEL(image, 577, 0, black);
    CHECK_PIXEL(image, 0, 321, black);
    CHECK_PIXEL(image, 577, 321, black);
    CHECK_PIXEL(image, 20, 60, black);
    CHECK_PIXEL(image, 32, 150, black);
    CHECK_PIXEL(image, 546, 150, black);
    CHECK_PIXEL(image, 560, 20, black);
    CHECK_PIXEL(image, 100, 289, black);
    CHECK_PIXEL(image, 100, 295, black);

    // The plot area (33, 33, 512, 256) in RGB (0, 25, 0).
    CHECK_PIXEL(image, 100, 34, plotArea);
    CHECK_PIXEL(image, 544, 34, plotArea);
    CHECK_PIXEL(image, 34, 287, plotArea);
    CHECK_PIXEL(image, 544, 287, plotArea);
    CHECK_PIXEL(image, 100, 100, plotArea);
    CHECK_PIXEL(image, 300, 250, plotArea);

    // At a device pixel ratio of 2 the logical picture is the same.
    const QImage sharp = z.picture(2.0);
    QCOMPARE(sharp.size(), QSize(1156, 644));
    QCOMPARE(sharp.devicePixelRatio(), 2.0);
    CHECK_PIXEL(sharp, 0, 0, black);
    CHECK_PIXEL(sharp, 32, 150, black);
    CHECK_PIXEL(sharp, 100, 34, plotArea);
    CHECK_PIXEL(sharp, 544, 287, plotArea);
    CHECK_PIXEL(sharp, 546, 150, black);
    CHECK_PIXEL(sharp, 300, 224, axis);
    CHECK_PIXEL(sharp, 161, 200, axis);
}

void TestZeitverlauf::pictureGridAndAxes()
{
    Zeitverlauf z;
    const QImage image = pictureOf(z);

    // Horizontal grid lines from x = 31 to x = 545.
    for (const int y : {288, 224, 160, 96, 32}) {
        for (const int x : {32, 40, 100, 300, 500, 544})
            CHECK_PIXEL(image, x, y, axis);
        CHECK_PIXEL(image, 100, y + 1, y == 288 ? black : plotArea);
        CHECK_PIXEL(image, 100, y - 1, y == 32 ? black : plotArea);
    }
    // Vertical lines from y = 289 up to y = 33.
    for (const int x : {33, 161, 289, 417, 545}) {
        for (const int y : {34, 100, 200, 287})
            CHECK_PIXEL(image, x, y, axis);
        if (x != 545)
            CHECK_PIXEL(image, x + 1, 200, plotArea);
        if (x != 33)
            CHECK_PIXEL(image, x - 1, 200, plotArea);
    }
}

void TestZeitverlauf::labels_data()
{
    QTest::addColumn<int>("lastStep"); // -1: no step recorded yet
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("stepLabels");

    QTest::newRow("before first step") << -1 << "0" << QStringList{"128", "256", "384", "512"};
    QTest::newRow("scale 64") << 1 << "1" << QStringList{"16", "32", "48", "64"};
    QTest::newRow("scale 128") << 100 << "100" << QStringList{"32", "64", "96", "128"};
    QTest::newRow("scale 256") << 200 << "200" << QStringList{"64", "128", "192", "256"};
    QTest::newRow("scale 512") << 300 << "300" << QStringList{"128", "256", "384", "512"};
    QTest::newRow("page 1") << 512 << "512" << QStringList{"640", "768", "896", "1024"};
    QTest::newRow("page 1, step 1000") << 1000 << "1000" << QStringList{"640", "768", "896", "1024"};
    QTest::newRow("page 2") << 1100 << "1100" << QStringList{"1152", "1280", "1408", "1536"};
}

void TestZeitverlauf::labels()
{
    QFETCH(int, lastStep);
    QFETCH(QString, current);
    QFETCH(QStringList, stepLabels);

    Zeitverlauf z;
    if (lastStep >= 0)
        z.getstep(lastStep);
    const QImage image = pictureOf(z);

    // The same texts drawn the same way (default font, same baselines) on black.
    QImage expected(image.size(), QImage::Format_RGB32);
    expected.setDevicePixelRatio(image.devicePixelRatio());
    expected.fill(Qt::black);
    {
        QPainter p(&expected);
        p.setPen(QColor(header));
        p.drawText(10, 14, QStringLiteral(" Current step : ") + current);
        p.setPen(QColor(axis));
        p.drawText(1, 293, QStringLiteral(" 0 %"));
        p.drawText(1, 229, QStringLiteral(" 25 %"));
        p.drawText(1, 165, QStringLiteral(" 50 %"));
        p.drawText(1, 101, QStringLiteral(" 75 %"));
        p.drawText(1, 37, QStringLiteral("100 % "));
        p.drawText(6, 304, QStringLiteral("Schritt Nr."));
        const int xs[] = {153, 281, 409, 537};
        for (int k = 0; k < 4; ++k)
            p.drawText(xs[k], 301, stepLabels[k]);
    }

    // Everything outside the plot area and its lines is text on black.
    const qreal r = image.devicePixelRatio();
    const QRect plotWithLines(int(31 * r), int(32 * r), int(515 * r), int(258 * r));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (plotWithLines.contains(x, y))
                continue;
            if (image.pixel(x, y) != expected.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("physical pixel (%1, %2) is %3, the reference text has %4")
                                     .arg(x).arg(y)
                                     .arg(rgbText(image.pixel(x, y)), rgbText(expected.pixel(x, y)))));
        }

    // The texts are really there (a font is available): each label box has ink.
    QVERIFY(countNonBlack(image, QRect(10, 0, 200, 18)) > 0);  // header
    QVERIFY(countNonBlack(image, QRect(0, 290, 30, 32)) > 0);  // "Schritt Nr."
    for (const int x : {153, 281, 409, 537})
        QVERIFY(countNonBlack(image, QRect(x, 290, 40, 14)) > 0);
    // The header is in RGB (128, 128, 0), the labels in RGB (0, 80, 0) and its shades.
    QVERIFY(countColour(image, QRect(0, 0, 578, 20), axis) == 0);
    QVERIFY(countColour(image, QRect(0, 290, 578, 32), header) == 0);
}

void TestZeitverlauf::noCurveBeforeFirstStep()
{
    Zeitverlauf z;
    feed(z, shares);
    const QImage image = pictureOf(z);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(countColour(image, QRect(0, 0, 578, 322), curve[i]), 0);
}

void TestZeitverlauf::firstStepIsVerticalSegment()
{
    Zeitverlauf z;
    feed(z, shares);
    z.getstep(0);
    z.getstep(1);
    const QImage image = pictureOf(z);

    // Only the vertical first segment at x = 0 (canvas column 33), from the
    // start level 0 to the sample of step 0; the curves are drawn in order, so
    // above the top of curve 3 only curve 4 is visible.
    CHECK_PIXEL(image, 33, rowOf(220), curve[4]);
    CHECK_PIXEL(image, 33, rowOf(243), curve[4]);
    CHECK_PIXEL(image, 33, rowOf(244), axis); // the vertical line at the left end
    CHECK_PIXEL(image, 34, rowOf(243), plotArea);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(countColour(image, QRect(34, 0, 544, 322), curve[i]), 0);
        QCOMPARE(countColour(image, QRect(0, 0, 33, 322), curve[i]), 0);
    }
}

void TestZeitverlauf::curveColours()
{
    Zeitverlauf z;
    feed(z, shares);
    record(z, 0, 10); // scale 64: 8 pixels per step, points at x = 0, 8, ..., 72
    const QImage image = pictureOf(z);

    for (int i = 0; i < 5; ++i) {
        // Middle of the segment between the samples of steps 1 and 2.
        CHECK_PIXEL(image, 33 + 12, rowOf(heights[i]), curve[i]);
        CHECK_PIXEL(image, 33 + 12, rowOf(heights[i]) - 1, plotArea);
        CHECK_PIXEL(image, 33 + 12, rowOf(heights[i]) + 1, plotArea);
        // Last drawn point (index 9), and nothing for the newest sample (index 10).
        CHECK_PIXEL(image, 33 + 72, rowOf(heights[i]), curve[i]);
        CHECK_PIXEL(image, 33 + 76, rowOf(heights[i]), plotArea);
    }
}

void TestZeitverlauf::curveLength_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("pixelsPerStep");

    QTest::newRow("scale 64") << 10 << 8;
    QTest::newRow("scale 128") << 70 << 4;
    QTest::newRow("scale 256") << 200 << 2;
    QTest::newRow("scale 512") << 300 << 1;
}

void TestZeitverlauf::curveLength()
{
    QFETCH(int, steps);
    QFETCH(int, pixelsPerStep);

    Zeitverlauf z;
    feed(z, shares);
    record(z, 0, steps);
    const QImage image = pictureOf(z);

    // The samples recorded so far are redrawn at the current scale: the
    // curves end at the point of index steps - 1.
    const int endX = 33 + (steps - 1) * pixelsPerStep;
    for (int i = 0; i < 5; ++i) {
        CHECK_PIXEL(image, endX, rowOf(heights[i]), curve[i]);
        CHECK_PIXEL(image, endX - 1, rowOf(heights[i]), curve[i]);
        CHECK_PIXEL(image, endX + 2, rowOf(heights[i]), plotArea);
    }
}

void TestZeitverlauf::newPageStartsAtOldLevel()
{
    Zeitverlauf z;
    feed(z, shares);
    record(z, 0, 511);
    z.getstats(0.02, shares[1], shares[2], shares[3], shares[4]); // curve 0 moves to 51
    z.getstep(512);
    QCOMPARE(z.startLevels()[0], 25);

    // Step 512: page 1, nothing drawn yet.
    QImage image = pictureOf(z);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(countColour(image, QRect(0, 0, 578, 322), curve[i]), 0);

    // Step 515: the blue curve rises at x = 0 from the old level 25 to 51.
    record(z, 513, 515);
    image = pictureOf(z);
    CHECK_PIXEL(image, 33, rowOf(38), curve[0]);
    CHECK_PIXEL(image, 33, rowOf(50), curve[0]);
    CHECK_PIXEL(image, 34, rowOf(51), curve[0]);
    CHECK_PIXEL(image, 35, rowOf(51), curve[0]);
    CHECK_PIXEL(image, 36, rowOf(51), plotArea);
    CHECK_PIXEL(image, 35, rowOf(25), plotArea);
}

// ------------------------------------------------------------ window

void TestZeitverlauf::fullSizeWindowShowsCanvas()
{
    Zeitverlauf z;
    feed(z, shares);
    record(z, 0, 100);
    z.visibility(true);
    QVERIFY(QTest::qWaitForWindowExposed(&z));
    QCOMPARE(z.size(), QSize(578, 322));

    const QImage shot = z.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = z.devicePixelRatio();
    const QImage expected = z.picture(ratio);
    QCOMPARE(shot.size(), expected.size());
    QVERIFY(shot == expected);
    // The off-screen canvas holds the same picture.
    QVERIFY(z.canvasImage() == expected);
    QCOMPARE(z.canvasImage().devicePixelRatio(), ratio);
}

void TestZeitverlauf::minimumSizeScalesWholePicture()
{
    Zeitverlauf z;
    feed(z, shares);
    record(z, 0, 300);
    z.visibility(true);
    QVERIFY(QTest::qWaitForWindowExposed(&z));
    z.resize(100, 100); // clamped to the minimum size
    QCOMPARE(z.size(), QSize(478, 222));
    QCoreApplication::processEvents();

    const QImage shot = z.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = z.devicePixelRatio();
    QCOMPARE(shot.size(), QSize(qRound(478 * ratio), qRound(222 * ratio)));

    // The whole picture is scaled by 478/578 across and 222/322 down. At full
    // scale the plot area would reach x = 544 and y = 288; scaled it ends
    // near x = 450 and y = 199, with black beyond.
    CHECK_PIXEL(shot, 470, 100, black);
    CHECK_PIXEL(shot, 470, 215, black);
    CHECK_PIXEL(shot, 300, 205, black);
    CHECK_PIXEL(shot, 83, 69, plotArea);  // logical (100, 100)
    CHECK_PIXEL(shot, 440, 190, plotArea); // logical (532, 276)
    // The right-hand vertical line (x = 545) lands near x = 451. Scaled below
    // one pixel, lines are blended with what lies under them.
    const auto lineGreen = [](QRgb c) { return qRed(c) == 0 && qBlue(c) == 0 && qGreen(c) >= 40; };
    QVERIFY(countIf(shot, QRect(447, 60, 8, 1), lineGreen) > 0);
    QCOMPARE(countIf(shot, QRect(456, 0, 22, 198), lineGreen), 0);
    QCOMPARE(countColour(shot, QRect(456, 0, 22, 222), plotArea), 0);
    // The labels under the axis, up to the right end label "512", are inside
    // the window.
    QVERIFY(countNonBlack(shot, QRect(0, 201, 60, 21)) > 0);    // "Schritt Nr."
    QVERIFY(countNonBlack(shot, QRect(440, 201, 38, 21)) > 0);  // "512"
    QVERIFY(countNonBlack(shot, QRect(0, 0, 200, 14)) > 0);     // header
    // The blue curve at height 25 (canvas row 264) lands near row 182.
    const auto blueish = [](QRgb c) { return qRed(c) == 0 && qBlue(c) >= 150; };
    QVERIFY(countIf(shot, QRect(100, 178, 1, 8), blueish) > 0);

    // Pixel for pixel, the window shows the logical picture drawn through the
    // viewport of the window's size.
    QImage expected(QSize(qRound(578 * ratio), qRound(322 * ratio)), QImage::Format_RGB32);
    expected.setDevicePixelRatio(ratio);
    {
        QPainter p(&expected);
        p.setViewport(0, 0, 478, 222);
        p.setWindow(0, 0, 578, 322);
        z.drawPicture(p);
    }
    QVERIFY(shot == expected.copy(0, 0, shot.width(), shot.height()));
}

QTEST_MAIN(TestZeitverlauf)
#include "tst_zeitverlauf.moc"
