// The advanced grid's sides of drag and drop (vzgdd.h): the drop target that the grid registers
// while DragDropSettings.OleDropTarget is on (DropTarget.cpp), and the drop source of a drag of its
// cells or of a column (DragSource.cpp).
#pragma once

#include "grid/vzgdd.h"

class TVevIvizudEvar;

// Points are screen points; the grid turns them into the cell under them.
// - DragMouseEnter: weighs once what a drop would take of the object: its text (when the drop
//   pastes it: no column, and no rich text taken instead) as the lines and cells it fills, unless
//   it comes from another program (it is read only at the drop: see vzgdd.h), one file whose name
//   holds ".CSV" or ".XLS", rich text, a column. A drop that nothing of it would reach (no such
//   file, rich text or column, and text the grid takes nowhere: no pasting, or too many cells from
//   any column) is refused at once.
// - DragMouseMove: allowed on a cell. Dragged cells: over row 0 while the top row lies below the
//   fixed rows the grid scrolls up one row, over the row just below the shown ones down one row;
//   a fixed row refuses unless the grid has one row and FixedRowAlways. A dragged column: only a
//   fixed-row cell at or right of FixedCols. OnOleDragOver may refuse. The marker of cells points
//   at the target row's first cell (FixedCols with OleEntireRows, else the target column), 10
//   pixels left of it at its top; the two markers of a column stand at the target cell's left
//   edge, one 8 pixels above its top and one at its bottom. A refusal hides them, as leaving does.
//   What a drop at the cell would refuse is refused: text too large to be pasted there, or of
//   which no cell would be written there (fixed, footer, read-only and merged member cells are not
//   pasted into), without rich text or a file to take instead. A drop of text that would leave
//   part of it out (beyond the grid's rows or columns where they do not grow, or in a cell that is
//   not pasted into) is not a move there, nor is one of text not weighed yet.
// - DropText, DropRTF, DropCol, DropFiles: see DropTarget.cpp.
class TGridDropTarget : public TVzgDropTarget {
public:
    explicit TGridDropTarget(TVevIvizudEvar& grid) : grid_(grid) {}
    TVevIvizudEvar& Grid() const { return grid_; }

protected:
    void DragMouseEnter(const TEnumFormats& found, bool& allow) override;
    void DropText(TPoint screen, const QString& text) override;
    void DropCol(TPoint screen, int column) override;
    void DropRTF(TPoint screen, const QString& richText) override;
    void DropFiles(TPoint screen, const QStringList& files) override;
    void DragMouseMove(TPoint screen, bool& allow, int formats) override;
    void DragMouseLeave() override;

private:
    // Whether a drop at the cell writes any of the text dragged over, and whether it writes all of it.
    bool TextTakenAt(TGridCoord cell, bool& whole) const;

    TVevIvizudEvar& grid_;
    // What a drop would take of the object dragged over (DragMouseEnter).
    struct TDragged {
        bool Text = false, RichText = false, File = false, Column = false;
        bool Measured = false;        // the text was weighed (another program's is, at the drop)
        qint64 Lines = 0, Widest = 0; // of the text
    } dragged_;
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
