// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

// How the main window fits on its screen. When the window that the layout
// asks for around the whole field is larger than the room the screen offers,
// the field is shown in a scroll area instead, just large enough that the
// window fills the room; the field itself keeps its pixel size.
struct WindowFit {
    bool scrolled = false;
    QSize viewport;  // the scroll area's size, when scrolled
};

// window: the window's size with the whole field in it (frame excluded);
// field: the field's size; room: the screen's available size less the window
// frame; scrollBar: the width of a scroll bar.
WindowFit fitWindow(QSize window, QSize field, QSize room, int scrollBar);

// The window's position (frame excluded): preferred, moved just far enough
// that the window with its frame lies inside available where it can.
QPoint placeWindow(QPoint preferred, QSize window, QMargins frame, QRect available);
