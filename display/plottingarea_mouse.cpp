// SPDX-License-Identifier: GPL-3.0-or-later
// Mouse editing: a press picks the brush by its button and paints the cell
// under the pointer; a drag keeps painting with that brush. Left paints
// predators on young mussels, right predators on adults, middle young mussels.

#include "plottingarea.h"

#include <QMouseEvent>

namespace {

Cell stateOfBrush(int brush)
{
    switch (brush) {
    case PlottingArea::BrushLeft:
        return PredatorOnYoung;
    case PlottingArea::BrushRight:
        return PredatorOnAdults;
    default:
        return YoungMussel;
    }
}

}  // namespace

void PlottingArea::mousePressEvent(QMouseEvent* event)
{
    switch (event->button()) {
    case Qt::LeftButton:
        brushState = BrushLeft;
        break;
    case Qt::RightButton:
        brushState = BrushRight;
        break;
    case Qt::MiddleButton:
        brushState = BrushMiddle;
        break;
    default:
        brushState = NoBrush;
        break;
    }
    if (const auto square = paintWithBrush(event->position().toPoint()))
        repaint(*square);
}

// Only the brush chosen by the press counts, not the buttons the move carries.
void PlottingArea::mouseMoveEvent(QMouseEvent* event)
{
    if (const auto square = paintWithBrush(event->position().toPoint()))
        update(*square);
}

// Releasing a button ends nothing: the brush stays until the next press.
void PlottingArea::mouseReleaseEvent(QMouseEvent*)
{
}

// The cell under a widget position, or nothing when the position lies outside
// the field (a drag may leave the widget on any side).
std::optional<QPoint> PlottingArea::cellAt(QPoint position) const
{
    if (position.x() < 0 || position.y() < 0)
        return std::nullopt;
    const QPoint cell(position.x() / cellSize, position.y() / cellSize);
    if (!model.contains(cell.x(), cell.y()))
        return std::nullopt;
    return cell;
}

QRect PlottingArea::cellRect(QPoint cell) const
{
    return QRect(cell.x() * cellSize, cell.y() * cellSize, cellSize, cellSize);
}

// Paints the brush's state into the cell at the position and marks the cell
// for redrawing. Returns the square to repaint, or nothing when no cell was
// painted (no brush, or a position outside the field).
std::optional<QRect> PlottingArea::paintWithBrush(QPoint position)
{
    const auto cell = cellAt(position);
    if (!cell)
        return std::nullopt;
    pointerCellX = cell->x();
    pointerCellY = cell->y();
    if (brushState == NoBrush)
        return std::nullopt;
    model.editCell(cell->x(), cell->y(), stateOfBrush(brushState));
    return cellRect(*cell);
}
