// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfit.h"

#include <algorithm>

WindowFit fitWindow(QSize window, QSize field, QSize room, int scrollBar)
{
    if (window.width() <= room.width() && window.height() <= room.height())
        return {};

    // A scroll bar in one direction takes room in the other; two passes
    // settle which bars are needed.
    bool across = window.width() > room.width();
    bool down = window.height() > room.height();
    for (int pass = 0; pass < 2; ++pass) {
        across = across || (down && window.width() + scrollBar > room.width());
        down = down || (across && window.height() + scrollBar > room.height());
    }
    // A viewport never smaller than a few cells' worth of pixels.
    constexpr int smallest = 64;
    const int width = across ? field.width() - (window.width() - room.width()) : field.width() + (down ? scrollBar : 0);
    const int height =
        down ? field.height() - (window.height() - room.height()) : field.height() + (across ? scrollBar : 0);
    return {true, QSize(std::max(width, smallest), std::max(height, smallest))};
}

QPoint placeWindow(QPoint preferred, QSize window, QMargins frame, QRect available)
{
    const QRect outer = QRect(preferred, window).marginsAdded(frame);
    QPoint shift;
    if (outer.right() > available.right())
        shift.rx() = available.right() - outer.right();
    if (outer.bottom() > available.bottom())
        shift.ry() = available.bottom() - outer.bottom();
    // The top left corner wins when the window is larger than the room.
    shift.rx() = std::max(shift.x(), available.left() - outer.left());
    shift.ry() = std::max(shift.y(), available.top() - outer.top());
    return preferred + shift;
}
