// Putting the grid back as it was when a paste fails on the way (TVevIvizudEvar::TPasteUndo).
//
// Before a paste changes anything it notes the row and column counts and the texts of every cell
// it may write (those of the columns it may add included, as the store keeps cells beyond the
// count); before it changes a cell's properties, their copy and, when the cell's graphic goes, the
// graphic itself; before it merges cells, the blocks there. The way back takes the cells'
// properties and graphics back (properties the paste made go), merges the blocks again, removes
// the rows the paste inserted, gives the column count back and then the texts. Nothing of it
// allocates beyond what the counts' own changes take.
#include "grid/AdvancedGrid.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace {

// The real columns from the display column's to the last one a paste of that many columns from it
// may write, columns it adds included (one past it).
std::pair<int, int> PastedRealColumns(const TVevIvizudEvar& grid, int col, qint64 cols) {
    if (col >= grid.ColCount() || cols <= 0) return {0, 0};
    const qint64 last = std::min<qint64>(col + cols - 1, grid.ColCount() - 1);
    const qint64 added = std::max<qint64>(col + cols - grid.ColCount(), 0);
    const qint64 end = std::max<qint64>(grid.DisplToRealCol(int(last)) + 1, grid.AllColCount() + added);
    return {grid.DisplToRealCol(col), int(std::min<qint64>(end, std::numeric_limits<int>::max()))};
}

} // namespace

TVevIvizudEvar::TPasteUndo::TPasteUndo(TVevIvizudEvar& grid, int col, int row, qint64 cols, qint64 rows)
    : grid_(grid), rows_(grid.RowCount()), cols_(grid.ColCount()), insertRow_(grid.RowCount()),
      texts_(grid.CellStore(), row, int(std::min<qint64>(grid.RowCount(), row + rows)),
             PastedRealColumns(grid, col, cols).first, PastedRealColumns(grid, col, cols).second) {}

void TVevIvizudEvar::TPasteUndo::NoteProperties(int realCol, int row, bool withGraphic) {
    TCellBefore& before = cells_.emplace_back();
    before.Col = realCol, before.Row = row;
    TCellProperties* p = grid_.CellProperties(realCol, row);
    if (!p) return;
    before.Properties = std::make_unique<TCellProperties>(nullptr, -1, -1);
    before.Properties->Assign(*p);
    before.Properties->SetBrushColorTo(p->BrushColorTo());
    before.CellObject = p->CellObject;
    if (!withGraphic) return;
    before.GraphicTaken = true;
    if (!p->CellGraphic) return;
    // Taken out of the cell whole, counted out of the nodes as its replacement would count it.
    if (p->CellGraphic->CellType == TCellType::ctNode && realCol == 0) --grid_.nodeCount_;
    if (!p->CellGraphic.Owned()) before.SharedGraphic = p->CellGraphic.get();
    before.Graphic = p->CellGraphic.Detach();
}

void TVevIvizudEvar::TPasteUndo::NoteBlocks(int realCol, int row, int cols, int rows) {
    if (!cutAreas_) cutAreas_ = grid_.cutAreas_;
    for (int r = std::max(row, 0); r < std::min(row + rows, grid_.RowCount()); ++r)
        for (int c = std::max(realCol, 0), end = grid_.HeldColumnsEnd(r, realCol + cols - 1); c < end; ++c) {
            if (!grid_.IsMergedCell(c, r)) continue;
            const TGridCoord base = grid_.BaseCell(c, r), span = grid_.CellSpan(c, r);
            const TBlock block{base.X, base.Y, span.X + 1, span.Y + 1};
            if (std::none_of(blocks_.begin(), blocks_.end(),
                             [&](const TBlock& b) { return b.Col == block.Col && b.Row == block.Row; }))
                blocks_.push_back(block);
        }
}

void TVevIvizudEvar::TPasteUndo::Undo() {
    for (auto it = cells_.rbegin(); it != cells_.rend(); ++it) {
        TCellBefore& before = *it;
        if (!before.Properties) {
            grid_.CellStore().SetObject(before.Col, before.Row, nullptr); // made by the paste
            continue;
        }
        TCellProperties* p = grid_.CellProperties(before.Col, before.Row);
        assert(p);
        p->Assign(*before.Properties);
        p->SetBrushColorTo(before.Properties->BrushColorTo());
        p->CellObject = before.CellObject;
        if (!before.GraphicTaken) continue;
        if (before.SharedGraphic)
            p->CellGraphic.Share(before.SharedGraphic);
        else
            p->CellGraphic = std::move(before.Graphic);
    }
    for (const TBlock& b : blocks_)
        if (b.Row + b.Rows <= grid_.RowCount() && b.Col + b.Cols <= grid_.AllColCount())
            grid_.SetMergedBlock(b.Col, b.Row, b.Cols, b.Rows);
    if (cutAreas_) grid_.cutAreas_ = std::move(*cutAreas_);
    if (grid_.RowCount() > rows_) grid_.EraseDisplayRows(insertRow_, grid_.RowCount() - rows_);
    if (grid_.ColCount() != cols_) grid_.SetColCount(cols_);
    texts_.PutBack(grid_.CellStore());
    grid_.nodeCount_ = grid_.CountNodes();
}
