// How merged blocks of TVevIvizudEvar live through structural changes.
//
// A block is kept in its cells' properties, in display rows, as the base grid keeps it. When rows
// are hidden, inserted, removed or moved, the blocks the change touches are first taken out as
// areas in real rows and real columns (their cells become plain), the change is made, the areas
// are moved with it (an area grows by rows inserted inside it and shrinks by rows removed from
// it), and each area is merged again over those of its rows that show. An area with hidden rows
// is remembered (cutAreas_) so that it comes back whole when its rows show again; while its first
// row is hidden its first shown row stands as the base. Cells of hidden rows are always plain.
// So a member never points at a cell outside its block, whatever the change.
#include "grid/AdvancedGrid.h"

#include <algorithm>

namespace {

// The number of hidden rows with a real number in lo..hi.
int HiddenIn(const std::vector<TGridItem>& hidden, int lo, int hi) {
    if (hi < lo) return 0;
    auto less = [](const TGridItem& item, int real) { return item.Idx < real; };
    const auto first = std::lower_bound(hidden.begin(), hidden.end(), lo, less);
    const auto last = std::lower_bound(hidden.begin(), hidden.end(), hi + 1, less);
    return int(last - first);
}

} // namespace

TVevIvizudEvar::TStructureChange::TStructureChange(TVevIvizudEvar& grid) : grid_(grid) {
    if (grid_.structureBusy_ == 0) grid_.CloseEditors();
    ++grid_.structureBusy_;
    grid_.BeginUpdate();
}

TVevIvizudEvar::TStructureChange::~TStructureChange() {
    --grid_.structureBusy_;
    grid_.EndUpdate();
}

void TVevIvizudEvar::CloseEditors() {
    if (editorActive_)
        HideInplaceEdit();
    else if (EditorMode())
        TBaseGrid::HideEditor();
}

int TVevIvizudEvar::RealInsertRow(int row) const {
    return row < RowCount() ? DisplToRealRow(row) : RealRowCount();
}

void TVevIvizudEvar::ResetLineMerges(TGridLine& line) {
    for (TGridCell& cell : line)
        if (auto* p = dynamic_cast<TCellProperties*>(cell.Object.get())) {
            p->IsBaseCell = true;
            p->CellSpanX = p->CellSpanY = -1;
        }
}

// Cells beyond a row's line hold nothing, so no block has a cell there: the scans below look at the
// cells the lines hold only, and a change of many rows or columns that are empty costs nothing per
// cell of them.
int TVevIvizudEvar::HeldColumnsEnd(int row, int lastCol) const {
    return row < 0 || row >= RowCount() ? 0 : std::min(lastCol + 1, CellStore().LineLength(row));
}

std::vector<TVevIvizudEvar::TMergedArea> TVevIvizudEvar::TakeMergedAreas(int firstRow, int lastRow,
                                                                         int firstCol, int lastCol) {
    std::vector<int> rows;
    for (int r = std::max(firstRow, 0); r <= std::min(lastRow, RowCount() - 1); ++r) rows.push_back(r);
    return TakeMergedAreas(rows, firstCol, lastCol);
}

std::vector<TVevIvizudEvar::TMergedArea> TVevIvizudEvar::TakeMergedAreas(const std::vector<int>& rows,
                                                                         int firstCol, int lastCol) {
    std::vector<TMergedArea> areas;
    std::vector<TMergedArea> cut = std::move(cutAreas_);
    cutAreas_.clear();
    std::vector<bool> matched(cut.size(), false);
    firstCol = std::max(firstCol, 0), lastCol = std::min(lastCol, AllColCount() - 1);
    for (int r : rows)
        for (int c = firstCol, end = HeldColumnsEnd(r, lastCol); c < end; ++c) {
            if (!IsMergedCell(c, r)) continue;
            const TGridCoord base = BaseCell(c, r);
            const TCellProperties* b = CellProperties(base.X, base.Y);
            if (!b || !b->IsBaseCell || b->CellSpanX < 0 || b->CellSpanY < 0) continue;
            const int top = DisplToRealRow(base.Y);
            const int bottom = DisplToRealRow(std::min(base.Y + b->CellSpanY, RowCount() - 1));
            TMergedArea area{base.X, top, b->CellSpanX + 1, bottom - top + 1};
            for (size_t i = 0; i < cut.size(); ++i)
                if (!matched[i] && cut[i].Col == area.Col && cut[i].Cols == area.Cols && cut[i].Row <= top &&
                    bottom <= cut[i].Bottom()) {
                    matched[i] = true;
                    area = cut[i];
                    break;
                }
            ClearMergedBlock(base.X, base.Y);
            areas.push_back(area);
        }
    // The remembered areas the scan did not reach: their shown part is made plain as well.
    for (size_t i = 0; i < cut.size(); ++i) {
        if (matched[i]) continue;
        const TMergedArea& area = cut[i];
        const int shown = area.Rows - HiddenIn(hiddenRows_, area.Row, area.Bottom());
        const int first = RealToDisplRow(area.Row);
        if (shown > 0 && first < RowCount() && area.Col < AllColCount() && IsMergedCell(area.Col, first) &&
            IsBaseCellAt(area.Col, first))
            ClearMergedBlock(area.Col, first);
        areas.push_back(area);
    }
    return areas;
}

void TVevIvizudEvar::PutMergedAreas(std::vector<TMergedArea> areas) {
    std::vector<TMergedArea> placed;
    const int realRows = RealRowCount(), cols = AllColCount();
    auto overlaps = [](const TMergedArea& a, const TMergedArea& b) {
        return a.Col <= b.Right() && b.Col <= a.Right() && a.Row <= b.Bottom() && b.Row <= a.Bottom();
    };
    for (TMergedArea area : areas) {
        if (area.Row < 0 || area.Col < 0 || area.Row >= realRows || area.Col >= cols) continue;
        area.Rows = std::min(area.Rows, realRows - area.Row);
        area.Cols = std::min(area.Cols, cols - area.Col);
        if (area.Rows < 1 || area.Cols < 1 || (area.Rows == 1 && area.Cols == 1)) continue;
        if (std::any_of(placed.begin(), placed.end(),
                        [&](const TMergedArea& p) { return overlaps(p, area); }))
            continue;
        const int hidden = HiddenIn(hiddenRows_, area.Row, area.Bottom());
        const int shown = area.Rows - hidden;
        const int first = RealToDisplRow(area.Row);
        if (shown > 0) {
            bool free = true;
            for (int r = first; r < first + shown && free; ++r)
                for (int c = area.Col; c <= area.Right() && free; ++c)
                    if (const TCellProperties* p = CellProperties(c, r); p && p->CellSpanX != -1)
                        free = false;
            if (!free) continue; // a block the change did not touch holds the place
            if (area.Cols > 1 || shown > 1) SetMergedBlock(area.Col, first, area.Cols, shown);
        }
        if (hidden > 0) cutAreas_.push_back(area);
        placed.push_back(area);
    }
}

// A block shows whole or not at all: one across a hidden column is not merged.
void TVevIvizudEvar::MergeCells(int col, int row, int numCols, int numRows) {
    if (numCols < 1 || numRows < 1) return;
    for (int c = std::max(col, 0); c < col + numCols && c < AllColCount(); ++c)
        if (IsHiddenColumn(c) && numCols > 1) return;
    TStructureChange change(*this);
    // Remembered areas the new block covers (in real rows) give way to it.
    const int top = std::clamp(row, 0, RowCount() - 1);
    const int bottom = std::clamp(row + numRows - 1, 0, RowCount() - 1);
    const int realTop = DisplToRealRow(top), realBottom = DisplToRealRow(bottom);
    std::erase_if(cutAreas_, [&](const TMergedArea& a) {
        const bool hit =
            a.Col <= col + numCols - 1 && col <= a.Right() && a.Row <= realBottom && realTop <= a.Bottom();
        if (hit) {
            const int first = RealToDisplRow(a.Row);
            if (first < RowCount() && IsMergedCell(a.Col, first) && IsBaseCellAt(a.Col, first))
                ClearMergedBlock(a.Col, first);
        }
        return hit;
    });
    TBaseGrid::MergeCells(col, row, numCols, numRows);
    // A block merged over hidden rows takes them in when they show again.
    const int baseCol = std::max(col, 0), baseRow = std::max(row, 0);
    const TCellProperties* b = CellProperties(baseCol, baseRow);
    if (!b || !b->IsBaseCell || b->CellSpanY < 0) return;
    const int blockTop = DisplToRealRow(baseRow), blockBottom = DisplToRealRow(baseRow + b->CellSpanY);
    if (HiddenIn(hiddenRows_, blockTop, blockBottom) > 0)
        cutAreas_.push_back({baseCol, blockTop, b->CellSpanX + 1, blockBottom - blockTop + 1});
}

void TVevIvizudEvar::SplitCells(int col, int row) {
    if (IsMergedCell(col, row)) {
        const TGridCoord base = BaseCell(col, row);
        const TGridCoord span = CellSpan(col, row);
        const int top = DisplToRealRow(base.Y), bottom = DisplToRealRow(base.Y + span.Y);
        std::erase_if(cutAreas_, [&](const TMergedArea& a) {
            return a.Col == base.X && a.Cols == span.X + 1 && a.Row <= top && bottom <= a.Bottom();
        });
    }
    TBaseGrid::SplitCells(col, row);
}

// Before rows (columns) lo..hi move by one with one row (column) taken from `moved` to the other
// end: a block that lies across the edge of that range or holds the moved row would be torn, so
// it is split; blocks wholly inside move along with their rows. Remembered areas across the range
// are given up.
void TVevIvizudEvar::DissolveCrossingBlocks(int lo, int hi, int moved, bool columns) {
    const int rows = RowCount(), cols = AllColCount();
    const int r0 = columns ? 0 : lo, r1 = columns ? rows - 1 : hi;
    const int c0 = columns ? lo : 0, c1 = columns ? hi : cols - 1;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0, end = HeldColumnsEnd(r, c1); c < end; ++c) {
            if (!IsMergedCell(c, r)) continue;
            const TGridCoord base = BaseCell(c, r);
            const TGridCoord span = CellSpan(c, r);
            const int first = columns ? base.X : base.Y, last = first + (columns ? span.X : span.Y);
            if (first < lo || last > hi || (first <= moved && moved <= last)) SplitCells(base.X, base.Y);
        }
    if (!columns) GiveUpCutAreas(lo, hi);
}

// The remembered areas across the display rows lo..hi (the real rows realLo..realHi) are forgotten,
// their shown cells plain.
void TVevIvizudEvar::GiveUpCutAreas(int lo, int hi) {
    if (!cutAreas_.empty()) GiveUpCutAreasInRealRows(DisplToRealRow(lo), DisplToRealRow(hi));
}

void TVevIvizudEvar::GiveUpCutAreasInRealRows(int realLo, int realHi) {
    if (cutAreas_.empty()) return;
    std::erase_if(cutAreas_, [&](const TMergedArea& a) {
        const bool hit = a.Row <= realHi && realLo <= a.Bottom();
        const int first = RealToDisplRow(a.Row);
        if (hit && first < RowCount() && IsMergedCell(a.Col, first) && IsBaseCellAt(a.Col, first))
            ClearMergedBlock(a.Col, first);
        return hit;
    });
}

// Before rows lo..hi are put in another order: a block with rows there spans rows that part, and a
// block across columns that holds aloneCol (a column whose cells move, or stay, apart from the rest
// of their row; -1 for none) loses that column, so both are split. Blocks of one row that move
// whole with it stay. Remembered areas across the rows are given up.
bool TVevIvizudEvar::SplitBlocksRowOrderTears(int lo, int hi, int aloneCol, bool rowsHoldObjects) {
    lo = std::max(lo, 0), hi = std::min(hi, RowCount() - 1);
    if (lo >= hi) return false;
    const int cols = AllColCount();
    bool split = false;
    for (int r = lo; r <= hi && rowsHoldObjects; ++r) {
        const TGridLine* line = CellStore().Line(r);
        for (int c = 0, end = HeldColumnsEnd(r, cols - 1); c < end; ++c) {
            if (!(*line)[size_t(c)].Object || !IsMergedCell(c, r)) continue; // a block's cells have objects
            const TGridCoord base = BaseCell(c, r);
            const TGridCoord span = CellSpan(c, r);
            if (span.Y > 0 || (base.X <= aloneCol && aloneCol <= base.X + span.X)) {
                SplitCells(base.X, base.Y);
                split = true;
            }
        }
    }
    GiveUpCutAreas(lo, hi);
    return split;
}

// The moved row's mark and its entry of the order before sorting go with it. A hidden row keeps its
// place among the rows around it: the moved row (with the rows it hides when it is a contracted
// node) leaves its place and comes in right before the shown row that follows it at its new place,
// or after every row, so that no row comes between a contracted node and the rows it hides.
void TVevIvizudEvar::RowMoved(int from, int to) {
    ++structureBusy_;
    DissolveCrossingBlocks(std::min(from, to), std::max(from, to), from, false);
    if (!MouseActions.RowSelectPersistent && size_t(std::max(from, to)) < rowSelect_.size()) {
        const bool flag = rowSelect_[size_t(from)];
        rowSelect_.erase(rowSelect_.begin() + from);
        rowSelect_.insert(rowSelect_.begin() + to, flag);
    }
    const int first = DisplToRealRow(from), end = MovedRowsEnd(from);
    const int lo = from < to ? first : DisplToRealRow(to);
    const int hi = from < to ? (to + 1 < RowCount() ? DisplToRealRow(to + 1) : RealRowCount()) : end;
    if (from < to)
        RotateRealRows(first, end, hi);
    else
        RotateRealRows(lo, first, end);
    --structureBusy_;
    TBaseGrid::RowMoved(from, to);
    KeepNodeSpansInside(lo, hi);
}

// The moved display columns are real columns in the cell store: the cells and the hidden-column
// flags move by their real numbers, hidden columns between them shifting with the rest.
void TVevIvizudEvar::ColumnMoved(int from, int to) {
    const int realFrom = DisplToRealCol(from), realTo = DisplToRealCol(to);
    ++structureBusy_;
    DissolveCrossingBlocks(std::min(realFrom, realTo), std::max(realFrom, realTo), realFrom, true);
    CellStore().MoveColumn(realFrom, realTo);
    for (TGridItem& item : hiddenRows_) {
        if (int(item.Items.size()) <= std::min(realFrom, realTo)) continue;
        if (int(item.Items.size()) <= std::max(realFrom, realTo))
            item.Items.resize(size_t(std::max(realFrom, realTo)) + 1);
        TGridCell cell = std::move(item.Items[size_t(realFrom)]);
        item.Items.erase(item.Items.begin() + realFrom);
        item.Items.insert(item.Items.begin() + realTo, std::move(cell));
    }
    columns_.Move(realFrom, realTo);
    if (size_t(std::max(from, to)) < colSelect_.size()) {
        const bool flag = colSelect_[size_t(from)];
        colSelect_.erase(colSelect_.begin() + from);
        colSelect_.insert(colSelect_.begin() + to, flag);
    }
    --structureBusy_;
    TDrawGrid::ColumnMoved(from, to);
}
