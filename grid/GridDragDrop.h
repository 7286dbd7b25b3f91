// The advanced grid's sides of drag and drop (vzgdd.h): the drop target that the grid registers
// while DragDropSettings.OleDropTarget is on (DropTarget.cpp), and the drop source of a drag of its
// cells or of a column (DragSource.cpp).
#pragma once

#include "grid/vzgdd.h"

class TVevIvizudEvar;

// Points are screen points; the grid turns them into the cell under them.
// - DragMouseMove: allowed on a cell. Dragged cells: over row 0 while the top row lies below the
//   fixed rows the grid scrolls up one row, over the row just below the shown ones down one row;
//   a fixed row refuses unless the grid has one row and FixedRowAlways. A dragged column: only a
//   fixed-row cell at or right of FixedCols. OnOleDragOver may refuse. The marker of cells points
//   at the target row's first cell (FixedCols with OleEntireRows, else the target column), 10
//   pixels left of it at its top; the two markers of a column stand at the target cell's left
//   edge, one 8 pixels above its top and one at its bottom. A refusal hides them, as leaving does.
// - DropText, DropRTF, DropCol, DropFiles: see DropTarget.cpp.
class TGridDropTarget : public TVzgDropTarget {
public:
    explicit TGridDropTarget(TVevIvizudEvar& grid) : grid_(grid) {}
    TVevIvizudEvar& Grid() const { return grid_; }

protected:
    void DropText(TPoint screen, const QString& text) override;
    void DropCol(TPoint screen, int column) override;
    void DropRTF(TPoint screen, const QString& richText) override;
    void DropFiles(TPoint screen, const QStringList& files) override;
    void DragMouseMove(TPoint screen, bool& allow, int formats) override;
    void DragMouseLeave() override;

private:
    TVevIvizudEvar& grid_;
};

// Keeps the last effect the drag had and moves the grid's drag image (shown during a column drag)
// to the pointer while the drag runs.
class TGridDropSource : public TVzgDropSource {
public:
    explicit TGridDropSource(TVevIvizudEvar& grid) : grid_(grid) {}
    TDragEffect LastEffect() const { return lastEffect_; }
    void CurrentEffect(TDragEffect effect) override;
    void QueryDrag() override;

private:
    TVevIvizudEvar& grid_;
    TDragEffect lastEffect_ = TDragEffect::deNone;
};
