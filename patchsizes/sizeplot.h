// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sizefits.h"

#include <QWidget>

// The share of patches of size >= s against s, both axes logarithmic with
// labelled decades; the fitted power law dashed over its tail.
class SizePlot : public QWidget
{
public:
    explicit SizePlot(QWidget* parent);

    void setSizes(const SizeCounts& counts, const SizeFits& fits);
    QSize sizeHint() const override { return {440, 320}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SizeCounts counts;
    SizeFits fits;
    long total = 0;
};
