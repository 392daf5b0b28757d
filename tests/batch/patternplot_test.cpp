// SPDX-License-Identifier: GPL-3.0-or-later
// The patch plot of tidmar-batch patterns, made by the executable.

#include "patchplot.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace fs = std::filesystem;

// One distribution: a readable PNG of the plot's size, holding the pure
// colours of all three fitted curves.
TEST(PatternPlot, IsAnImageWithTheFitColours)
{
    std::string pattern = (fs::temp_directory_path() / "tidmar-plot-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    const std::string tool = TIDMAR_BATCH_EXE;
    const std::string field = (dir / "field.csv").string();
    const std::string plot = (dir / "patches.png").string();
    ASSERT_EQ(std::system((tool + " --quiet --width 200 --height 200 --seed 4 --scheme sync --steps 150 --a2 0.6 --a0 0.5"
                                  " --d0 0.02 --field '" + field + "'").c_str()), 0);
    ASSERT_EQ(std::system((tool + " patterns '" + field + "' --class young --plot '" + plot + "'").c_str()), 0);
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(plot), "PNG"));
    EXPECT_EQ(image.size(), QSize(PlotWidth, PlotHeight));
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) & 0xffffff);
    for (const QColor& fit : {PowerLawColour, CutOffColour, ExponentialColour})
        EXPECT_TRUE(colours.count(fit.rgb() & 0xffffff)) << fit.name().toStdString();
    fs::remove_all(dir);
}
