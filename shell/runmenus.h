// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class PlottingArea;
class QMenu;
class QWidget;

// The menu items that pace and step the run and save the picture under a
// chosen name; the main window puts them into its menus.

// The "&Speed" submenu: as fast as possible (checked, the default) or a
// fixed number of steps a second.
QMenu* makeSpeedMenu(PlottingArea* field, QWidget* parent);

// Asks for a file name, tidmar<step>.png in the working directory to begin
// with, and saves the field's picture there, as PNG or JPEG.
void savePictureWithDialog(PlottingArea* field, QWidget* parent);
