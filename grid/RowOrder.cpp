// The order the rows of TVevIvizudEvar had before sorting, and RestoreRowOrder, which puts them
// back in it.
//
// UnsortedRowOrder holds, per real row, the row number the row there had before sorting: the rows
// hidden hold theirs as the rows shown do. It starts as 0, 1, 2, ... with the first sort (a grid
// filled afresh from a file, a stream or a workbook forgets it until the next sort); SwapRows
// exchanges the entries of the two rows; a moved row (MoveRow, goRowMoving) takes its entry along,
// and so do the rows a move carries or passes (RowOrderRotated); the structure operations report
// rows inserted or removed (a new row takes the place after the row above it); rows that come after
// the last data row, however they come (AddRow, RowCount, the loader, a paste that grows the grid),
// come after every earlier row but the footer rows.
#include "grid/AdvancedGrid.h"

#include "grid/RowSorter.h"

#include <algorithm>
#include <cassert>
#include <numeric>

using gridsort::ColumnMovedAlone;
using gridsort::KeepsFirstColumn;
using gridsort::PutColumnBack;

void TVevIvizudEvar::ResetRowOrder() {
    unsortedRowOrder_.resize(size_t(RealRowCount()));
    std::iota(unsortedRowOrder_.begin(), unsortedRowOrder_.end(), 0);
}

void TVevIvizudEvar::ForgetRowOrder() {
    unsortedRowOrder_.clear();
}

void TVevIvizudEvar::AlignRowOrder(int rows) {
    std::vector<int>& order = unsortedRowOrder_;
    const int have = int(order.size());
    rows = std::max(rows, 0);
    if (have < rows) {
        order.reserve(size_t(rows));
        for (int r = have; r < rows; ++r) order.push_back(r);
    } else if (have > rows) {
        std::vector<int> dropped;
        for (int r = rows; r < have; ++r) dropped.push_back(r);
        RowOrderRowsRemoved(dropped, false);
    }
}

// The new rows come right after the real row above them in the order before sorting; rows added
// after the last row come last, as rows that a larger row count adds do (and nothing has to make
// room for them, so that adding rows one by one stays linear); rows appended above footer rows
// come after every other row, whatever entries the footer rows hold (a row that became a footer
// row when the row count was cut keeps its own).
void TVevIvizudEvar::RowOrderRowsInserted(int realRow, int count, bool appended) {
    std::vector<int>& order = unsortedRowOrder_;
    if (order.empty() || count <= 0) return;
    AlignRowOrder(RealRowCount() - count);
    realRow = std::clamp(realRow, 0, int(order.size()));
    const int size = int(order.size());
    int first = realRow == size ? size : realRow > 0 ? order[size_t(realRow) - 1] + 1 : 0;
    if (appended && realRow < size) {
        // One past the largest entry of the rows above: the largest not held below (a few rows).
        first = size;
        while (first > 0 && std::find(order.begin() + realRow, order.end(), first - 1) != order.end())
            --first;
    }
    if (first < size)
        for (int& v : order)
            if (v >= first) v += count;
    std::vector<int> fresh(static_cast<size_t>(count));
    std::iota(fresh.begin(), fresh.end(), first);
    order.insert(order.begin() + realRow, fresh.begin(), fresh.end());
}

void TVevIvizudEvar::RowOrderRotated(int first, int middle, int last) {
    if (unsortedRowOrder_.empty() || first >= middle || middle >= last) return;
    AlignRowOrder(RealRowCount());
    assert(last <= int(unsortedRowOrder_.size()));
    std::rotate(unsortedRowOrder_.begin() + first, unsortedRowOrder_.begin() + middle,
                unsortedRowOrder_.begin() + last);
}

// The removed rows' entries leave; the others close up.
void TVevIvizudEvar::RowOrderRowsRemoved(const std::vector<int>& realRows, bool align) {
    std::vector<int>& order = unsortedRowOrder_;
    if (order.empty() || realRows.empty()) return;
    if (align) AlignRowOrder(RealRowCount() + int(realRows.size()));
    std::vector<char> gone(order.size(), 0);
    std::vector<int> below(order.size() + 1, 0); // below[v]: removed entries smaller than v
    for (int r : realRows)
        if (r >= 0 && size_t(r) < order.size() && !gone[size_t(r)]) {
            gone[size_t(r)] = 1;
            below[size_t(order[size_t(r)]) + 1] = 1;
        }
    std::partial_sum(below.begin(), below.end(), below.begin());
    size_t kept = 0;
    for (size_t r = 0; r < order.size(); ++r)
        if (!gone[r]) order[kept++] = order[r] - below[size_t(order[r])];
    order.resize(kept);
}

bool TVevIvizudEvar::VerifyRowOrder() const {
    std::vector<bool> seen(unsortedRowOrder_.size(), false);
    for (int v : unsortedRowOrder_) {
        if (v < 0 || size_t(v) >= seen.size() || seen[size_t(v)]) return false;
        seen[size_t(v)] = true;
    }
    return true;
}

// Every row but the footer rows goes back to its place, fixed rows included (their entries are their
// own row numbers unless rows were inserted among them), and so do the hidden rows, which stay
// hidden: the rows take the places of the rows that move (the footer rows stay last) in the order
// of their entries, so that the rows shown later stand in the order before sorting too. The
// entries go with their rows.
void TVevIvizudEvar::RestoreRowOrder() {
    EndPendingChange();
    if (unsortedRowOrder_.empty()) return; // no sort has taken the order: the rows stand in it
    AlignRowOrder(RealRowCount());
    if (!VerifyRowOrder()) {
        assert(!"UnsortedRowOrder is not a permutation");
        ResetRowOrder();
        return;
    }
    std::vector<int>& order = unsortedRowOrder_;
    const int total = RealRowCount(), dataEnd = DataRowEnd();
    // The rows in the order of their entries (a permutation: no sort needed) take the places of
    // the rows that move, ascending; the footer rows keep theirs. newReal[r]: where real row r
    // goes; origin[k]: the shown row that goes to display row k.
    std::vector<int> atEntry(static_cast<size_t>(total)), displayOf(static_cast<size_t>(total), -1);
    for (int r = 0; r < total; ++r) atEntry[size_t(order[size_t(r)])] = r;
    for (int d = 0; d < RowCount(); ++d) displayOf[size_t(DisplToRealRow(d))] = d;
    std::vector<int> newReal(static_cast<size_t>(total)), origin;
    origin.reserve(size_t(dataEnd));
    for (int e = 0, place = 0; e < total; ++e) {
        const int r = atEntry[size_t(e)], d = displayOf[size_t(r)];
        if (d >= dataEnd) {
            newReal[size_t(r)] = r;
            continue;
        }
        while (displayOf[size_t(place)] >= dataEnd) ++place;
        newReal[size_t(r)] = place++;
        if (d >= 0) origin.push_back(d);
    }
    std::vector<int> newOrder(static_cast<size_t>(total));
    for (int r = 0; r < total; ++r) newOrder[size_t(newReal[size_t(r)])] = order[size_t(r)];

    SplitBlocksRowOrderTears(0, dataEnd - 1, ColumnMovedAlone(*this));
    BeginUpdate();
    struct TEnd {
        TVevIvizudEvar& Grid;
        ~TEnd() { Grid.EndUpdate(); }
    } end{*this};
    PermuteRows(0, origin);
    if (KeepsFirstColumn(*this)) PutColumnBack(*this, 0, 0, origin);
    if (!hiddenRows_.empty()) {
        GiveUpCutAreasInRealRows(0, total - 1);
        for (TGridItem& item : hiddenRows_) item.Idx = newReal[size_t(item.Idx)];
        std::sort(hiddenRows_.begin(), hiddenRows_.end(),
                  [](const TGridItem& a, const TGridItem& b) { return a.Idx < b.Idx; });
    }
    order = std::move(newOrder);
    KeepNodeSpansInside();
}
