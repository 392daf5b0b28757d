// SPDX-License-Identifier: GPL-3.0-or-later
// The frame of the run loop: codes from cells, pixels from codes, on fields
// whose sides are and are not multiples of the 16-cell blocks.

#include "framepixels.h"

#include <QtTest>

#include <climits>
#include <iterator>
#include <vector>

class TestFramePixels : public QObject
{
    Q_OBJECT

private slots:
    void codesOfStatesAndOtherValues();
    void pixelsOfEveryCellAndNoOthers_data();
    void pixelsOfEveryCellAndNoOthers();
};

void TestFramePixels::codesOfStatesAndOtherValues()
{
    const Cell values[] = {-1, 0, 1, 2, 3, 4, -2, INT_MIN, INT_MAX, 3, 2, 1, 0, -1, 7, 100, 2, 0, 1};
    const std::uint8_t valueCodes[] = {0, 1, 2, 3, 4, 5, 5, 5, 5, 4, 3, 2, 1, 0, 5, 5, 3, 1, 2};
    // Long enough for the vectorised loop and its remainder.
    std::vector<Cell> cells;
    std::vector<std::uint8_t> expected;
    for (int copy = 0; copy < 7; ++copy) {
        cells.insert(cells.end(), std::begin(values), std::end(values));
        expected.insert(expected.end(), std::begin(valueCodes), std::end(valueCodes));
    }
    std::vector<std::uint8_t> codes(cells.size());
    frameCodes(cells.data(), cells.size(), codes.data());
    QCOMPARE(codes, expected);
}

void TestFramePixels::pixelsOfEveryCellAndNoOthers_data()
{
    QTest::addColumn<int>("cellsX");
    QTest::addColumn<int>("cellsY");
    QTest::newRow("1 x 1") << 1 << 1;
    QTest::newRow("15 x 17") << 15 << 17;
    QTest::newRow("16 x 16") << 16 << 16;
    QTest::newRow("37 x 21") << 37 << 21;
    QTest::newRow("48 x 64") << 48 << 64;
}

void TestFramePixels::pixelsOfEveryCellAndNoOthers()
{
    QFETCH(int, cellsX);
    QFETCH(int, cellsY);
    const QRgb colours[FrameCodes] = {0xff0000ffu, 0xffff0000u, 0xff808080u, 0xff008000u, 0xff005a00u, 0xff123456u};
    std::vector<std::uint8_t> codes(std::size_t(cellsX) * cellsY);
    for (std::size_t i = 0; i < codes.size(); ++i)
        codes[i] = std::uint8_t((i * 7 + i / 5) % FrameCodes);
    // Lines longer than the field: the pixels right of it stay as they are.
    const int pitch = cellsX + 3;
    for (const auto paint : {framePixels, framePixelsPlain}) {
        std::vector<QRgb> pixels(std::size_t(pitch) * cellsY, 0xdeadbeefu);
        paint(codes.data(), cellsX, cellsY, pixels.data(), pitch, colours);
        for (int y = 0; y < cellsY; ++y)
            for (int x = 0; x < pitch; ++x) {
                const QRgb expected = x < cellsX ? colours[codes[std::size_t(x) * cellsY + y]] : 0xdeadbeefu;
                if (pixels[std::size_t(y) * pitch + x] != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
            }
    }
}

QTEST_APPLESS_MAIN(TestFramePixels)
#include "tst_framepixels.moc"
