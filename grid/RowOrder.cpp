// The order the rows of TVevIvizudEvar had before sorting, and RestoreRowOrder, which puts them
// back in it.
//
// UnsortedRowOrder holds, per real row, the row number the row there had before sorting. It starts
// as 0, 1, 2, ... with the first sort; SwapRows exchanges the entries of the two rows; a moved row
// (MoveRow, goRowMoving) takes its entry along; the structure operations report rows inserted or
// removed (a new row takes the place after the row above it); rows added at the end through
// RowCount join it at its end, for RestoreRowOrder, but a sort after RowCount changed takes the
// order afresh (its rows may hold other data by then). Hidden rows keep their entries while they
// are out of the grid.
// Entries are kept by real row: rows hidden and shown again keep theirs, and an exchange of two
// shown rows exchanges the entries of their real rows.
#include "grid/AdvancedGrid.h"

#include "grid/RowSorter.h"

#include <algorithm>
#include <cassert>
#include <numeric>

using gridsort::ColumnMovedAlone;
using gridsort::KeepsFirstColumn;
using gridsort::PutColumnBack;

void TVevIvizudEvar::ResetRowOrder() {
    rowCountDrift_ = 0;
    unsortedRowOrder_.resize(size_t(RealRowCount()));
    std::iota(unsortedRowOrder_.begin(), unsortedRowOrder_.end(), 0);
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
// come after every data row, before the footer rows' entries.
void TVevIvizudEvar::RowOrderRowsInserted(int realRow, int count, bool appended) {
    std::vector<int>& order = unsortedRowOrder_;
    if (order.empty() || count <= 0) return;
    AlignRowOrder(RealRowCount() - count);
    realRow = std::clamp(realRow, 0, int(order.size()));
    const int size = int(order.size());
    int first = realRow == size ? size : realRow > 0 ? order[size_t(realRow) - 1] + 1 : 0;
    if (appended && realRow < size) first = *std::min_element(order.begin() + realRow, order.end());
    if (first < size)
        for (int& v : order)
            if (v >= first) v += count;
    std::vector<int> fresh(static_cast<size_t>(count));
    std::iota(fresh.begin(), fresh.end(), first);
    order.insert(order.begin() + realRow, fresh.begin(), fresh.end());
}

void TVevIvizudEvar::RowOrderRowMoved(int from, int to) {
    if (unsortedRowOrder_.empty() || from == to) return;
    AlignRowOrder(RealRowCount());
    MoveAtDisplayRows(unsortedRowOrder_, from, to);
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

// Every shown row goes back to its place, fixed and footer rows included (their entries are their
// own row numbers unless rows were inserted among them). Hidden rows stay where they are: the shown
// rows take the order of their entries among themselves.
void TVevIvizudEvar::RestoreRowOrder() {
    EndPendingChange();
    AlignRowOrder(RealRowCount());
    if (!VerifyRowOrder()) {
        assert(!"UnsortedRowOrder is not a permutation");
        ResetRowOrder();
        return;
    }
    // byEntry[k]: the row shown that goes to k.
    const int rows = RowCount();
    std::vector<int> byEntry(static_cast<size_t>(rows));
    std::iota(byEntry.begin(), byEntry.end(), 0);
    std::vector<int> entry(static_cast<size_t>(rows));
    for (int d = 0; d < rows; ++d) entry[size_t(d)] = unsortedRowOrder_[size_t(DisplToRealRow(d))];
    std::sort(byEntry.begin(), byEntry.end(),
              [&](int a, int b) { return entry[size_t(a)] < entry[size_t(b)]; });

    SplitBlocksRowOrderTears(0, rows - 1, ColumnMovedAlone(*this));
    BeginUpdate();
    struct TEnd {
        TVevIvizudEvar& Grid;
        ~TEnd() { Grid.EndUpdate(); }
    } end{*this};
    PermuteRows(0, byEntry);
    if (KeepsFirstColumn(*this)) PutColumnBack(*this, 0, 0, byEntry);
}
