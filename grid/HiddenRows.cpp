// Rows hidden in the hidden-row store, and the filter that hides the rows that do not match, in
// TVevIvizudEvar. A hidden row leaves the grid with its cells (hidden columns included) and its
// height and comes back at its place when shown again.
#include "grid/AdvancedGrid.h"

#include "grid/FilterMatch.h"

#include <algorithm>
#include <cmath>

namespace {

struct TShownRow {
    int Real = 0, Height = 0;
    TGridLine Cells;
    bool Selected = false, Returned = false;
};

} // namespace

// Takes the listed display rows (ascending) into the store and shows again the stored rows the
// test picks: the rows keep their order by real row number, their heights and selection flags, and
// the current row stays on its row (or the next one shown). Merged blocks are cut to the rows that
// show and come back whole (see MergedAreas.cpp). A change that would leave the grid without a row
// changes nothing. A change of a few rows moves only them (each costs about the square root of the
// rows' count, see TTieredVector); a change of many rows rebuilds the rows in one pass.
void TVevIvizudEvar::ChangeHiddenRows(const std::vector<int>& hide,
                                      const std::function<bool(const TGridItem&)>& show) {
    std::vector<bool> back(hiddenRows_.size(), false);
    size_t returning = 0;
    if (show)
        for (size_t k = 0; k < hiddenRows_.size(); ++k)
            if (show(hiddenRows_[k])) back[k] = true, ++returning;
    if (size_t(RowCount()) - hide.size() + returning == 0) return;
    TStructureChange change(*this);
    // Blocks change only where rows leave them or come back into them: the rows hidden, and the
    // two shown rows around the place each returning row comes back to (the k-th stored row
    // returns before display row Idx - k).
    std::vector<int> touched = hide;
    for (size_t k = 0; k < hiddenRows_.size(); ++k)
        if (back[k]) {
            const int before = hiddenRows_[k].Idx - int(k);
            touched.push_back(before - 1);
            touched.push_back(before);
        }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    std::vector<TMergedArea> areas = TakeMergedAreas(touched, 0, AllColCount() - 1);
    const bool keepFlags = MouseActions.RowSelectPersistent; // kept by real row: nothing moves
    const int currentReal = DisplToRealRow(Row());
    const size_t changed = hide.size() + returning;
    const std::vector<int> returned = changed <= kFewHiddenRows || changed * 512 <= size_t(RowCount())
                                          ? MoveFewHiddenRows(hide, back, keepFlags)
                                          : RebuildHiddenRows(hide, back, keepFlags);
    PutMergedAreas(std::move(areas));
    // A control in column 1 of a row shown again goes back onto its cell.
    for (int d : returned)
        if (QWidget* control = !IsHiddenColumn(1) ? CellControl(1, d) : nullptr) {
            control->setGeometry(ToQRect(CellRectEx(RealToDisplCol(1), d)));
            control->show();
        }
    int newCurrent = std::min(RealToDisplRow(currentReal), RowCount() - 1);
    newCurrent = std::clamp(newCurrent, std::min(TBaseGrid::FixedRows(), RowCount() - 1), RowCount() - 1);
    if (newCurrent != Row()) SetSelection({Col(), newCurrent, Col(), newCurrent});
    RepaintFooter();
}

// Each hidden row leaves the cells, the heights and the flags where it is, and each returning row
// goes back in at its place; the counts of cells and heights stay the grid's row count throughout
// (the rows at the end make up), and the count changes once. The display rows of the rows shown
// again.
std::vector<int> TVevIvizudEvar::MoveFewHiddenRows(const std::vector<int>& hide,
                                                   const std::vector<bool>& back, bool keepFlags) {
    TCellStore& store = CellStore();
    const int oldCount = RowCount();
    std::vector<TGridItem> leaving(hide.size());
    for (size_t k = 0; k < hide.size(); ++k) leaving[k] = {DisplToRealRow(hide[k]), RowHeights(hide[k]), {}};
    for (size_t k = hide.size(); k-- > 0;) {
        const int d = hide[k];
        leaving[k].Items = store.TakeRow(d);
        ResetLineMerges(leaving[k].Items);
        store.EraseRows(d, 1);
        store.InsertRows(oldCount - 1, 1);
        EraseLineSizes(false, d, 1);
        if (!keepFlags && size_t(d) < rowSelect_.size()) rowSelect_.erase(rowSelect_.begin() + d);
    }
    std::vector<TGridItem> stay, returning;
    for (size_t k = 0; k < hiddenRows_.size(); ++k)
        (back[k] ? returning : stay).push_back(std::move(hiddenRows_[k]));
    hiddenRows_.clear();
    std::merge(std::make_move_iterator(stay.begin()), std::make_move_iterator(stay.end()),
               std::make_move_iterator(leaving.begin()), std::make_move_iterator(leaving.end()),
               std::back_inserter(hiddenRows_),
               [](const TGridItem& a, const TGridItem& b) { return a.Idx < b.Idx; });
    const int newCount = oldCount - int(hide.size()) + int(returning.size());
    if (newCount > oldCount) TBaseGrid::SetRowCount(newCount);
    std::vector<int> returned;
    for (TGridItem& item : returning) {
        const int d = RealToDisplRow(item.Idx); // the rows before it are in place already
        store.InsertRows(d, 1);
        store.PutRow(d, std::move(item.Items));
        store.EraseRows(store.RowCount() - 1, 1);
        InsertLineSizes(false, d, 1, item.Height);
        if (!keepFlags && size_t(d) <= rowSelect_.size()) rowSelect_.insert(rowSelect_.begin() + d, false);
        returned.push_back(d);
    }
    if (newCount < oldCount) TBaseGrid::SetRowCount(newCount);
    DisplTextRowLimit = RowCount();
    return returned;
}

// Every row once: the shown rows and the returning ones put in order by real row.
std::vector<int> TVevIvizudEvar::RebuildHiddenRows(const std::vector<int>& hide,
                                                   const std::vector<bool>& back, bool keepFlags) {
    const std::vector<int> oldHeights = LineSizes(false);
    std::vector<TShownRow> shown;
    std::vector<TGridItem> hidden;
    shown.reserve(size_t(RowCount()));
    size_t next = 0, stored = 0;
    int real = -1;
    for (int d = 0; d < RowCount(); ++d) {
        ++real;
        while (stored < hiddenRows_.size() && hiddenRows_[stored].Idx == real) ++real, ++stored;
        const bool selected = !keepFlags && size_t(d) < rowSelect_.size() && rowSelect_[size_t(d)];
        if (next < hide.size() && hide[next] == d) {
            TGridLine line = CellStore().TakeRow(d);
            ResetLineMerges(line);
            hidden.push_back({real, oldHeights[size_t(d)], std::move(line)});
            ++next;
        } else {
            shown.push_back({real, oldHeights[size_t(d)], CellStore().TakeRow(d), selected});
        }
    }
    for (size_t k = 0; k < hiddenRows_.size(); ++k) {
        TGridItem& item = hiddenRows_[k];
        if (back[k])
            shown.push_back({item.Idx, item.Height, std::move(item.Items), false, true});
        else
            hidden.push_back(std::move(item));
    }
    std::stable_sort(shown.begin(), shown.end(),
                     [](const auto& a, const auto& b) { return a.Real < b.Real; });
    std::stable_sort(hidden.begin(), hidden.end(),
                     [](const auto& a, const auto& b) { return a.Idx < b.Idx; });
    hiddenRows_ = std::move(hidden);

    TBaseGrid::SetRowCount(int(shown.size()));
    DisplTextRowLimit = RowCount();
    if (!keepFlags) rowSelect_.assign(shown.size(), false);
    std::vector<int> heights(shown.size()), returned;
    for (size_t i = 0; i < shown.size(); ++i) {
        CellStore().PutRow(int(i), std::move(shown[i].Cells));
        heights[i] = shown[i].Height;
        if (!keepFlags) rowSelect_[i] = shown[i].Selected;
        if (shown[i].Returned) returned.push_back(int(i));
    }
    SetLineSizes(false, heights);
    return returned;
}

void TVevIvizudEvar::RotateRealRows(int first, int middle, int last) {
    if (first >= middle || middle >= last) return;
    GiveUpCutAreasInRealRows(first, last - 1);
    auto at = [&](int real) {
        return std::lower_bound(hiddenRows_.begin(), hiddenRows_.end(), real,
                                [](const TGridItem& item, int r) { return item.Idx < r; });
    };
    const auto begin = at(first), mid = at(middle), end = at(last);
    for (auto it = begin; it != end; ++it) it->Idx += it < mid ? last - middle : first - middle;
    std::rotate(begin, mid, end);
    if (MouseActions.RowSelectPersistent && size_t(first) < rowSelect_.size()) {
        if (rowSelect_.size() < size_t(last)) rowSelect_.resize(size_t(last), false);
        std::rotate(rowSelect_.begin() + first, rowSelect_.begin() + middle, rowSelect_.begin() + last);
    }
    RowOrderRotated(first, middle, last);
}

int TVevIvizudEvar::MovedRowsEnd(int row) const {
    const int real = DisplToRealRow(row);
    if (!GetNodeState(row)) return real + 1;
    return std::min(NodeEnd(row), row + 1 < RowCount() ? DisplToRealRow(row + 1) : RealRowCount());
}

void TVevIvizudEvar::HideRows(int fromRow, int toRow) {
    if (toRow < fromRow || fromRow < 0) return;
    std::vector<int> display;
    for (int r = fromRow; r <= toRow; ++r) {
        if (IsHiddenRow(r)) return; // a row of the range is hidden already: nothing happens
        const int d = RealToDisplRow(r);
        if (d < 0 || d >= RowCount()) return;
        display.push_back(d);
    }
    if (QWidget* control = CellControl(1, display.front())) control->hide();
    ChangeHiddenRows(display, nullptr);
}

// The listed rows are display rows; the store keeps each under its real number, so rows hidden
// while others are hidden already (a filter over contracted nodes) come back where they were.
void TVevIvizudEvar::HideRowList(const std::vector<int>& rows) {
    std::vector<int> display;
    for (int d : rows)
        if (d >= 0 && d < RowCount() && (display.empty() || d > display.back())) display.push_back(d);
    if (!display.empty()) ChangeHiddenRows(display, nullptr);
}

void TVevIvizudEvar::UnHideRows(int fromRow, int toRow) {
    if (toRow < fromRow) return;
    ChangeHiddenRows({}, [=](const TGridItem& item) { return item.Idx >= fromRow && item.Idx <= toRow; });
}

// With every row shown no node can stay contracted.
void TVevIvizudEvar::UnHideRowsAll() {
    if (!hiddenRows_.empty()) ChangeHiddenRows({}, [](const TGridItem&) { return true; });
    if (nodeCount_ > 0)
        for (int r = 0; r < RowCount(); ++r)
            if (IsNode(r)) GetCellGraphic(0, r)->CellBoolean = false;
}

bool TVevIvizudEvar::MatchesFilter(int row) {
    bool result = true;
    bool first = true;
    for (const TFilterData& condition : Filter) {
        QString text = GetGridCells(condition.Column, row);
        if (!condition.Prefix.isEmpty() && text.startsWith(condition.Prefix))
            text.remove(0, condition.Prefix.size());
        if (!condition.Suffix.isEmpty() && text.endsWith(condition.Suffix))
            text.chop(condition.Suffix.size());
        const bool match = MatchFilter(condition.Condition, text, condition.CaseSensitive);
        if (first || condition.Operation == TFilterOperation::foNONE) {
            result = match;
            if (!result) return false;
        } else if (condition.Operation == TFilterOperation::foAND) {
            result = result && match;
        } else if (condition.Operation == TFilterOperation::foXOR) {
            result = result != match;
        } else {
            result = result || match;
        }
        first = false;
    }
    return result;
}

// The rows kept are those that match; the fixed-row count the filter started with comes back with
// the rows (hiding every data row leaves the heading as the only, unfixed row).
void TVevIvizudEvar::SetFilterActive(bool on) {
    const bool wasActive = filterActive_;
    if (on && !wasActive) filterFixedRows_ = TBaseGrid::FixedRows();
    filterActive_ = on;
    if (on) {
        BeginUpdate();
        std::vector<int> rejected;
        const int first = TBaseGrid::FixedRows(), last = DataRowEnd() - 1;
        const int total = last - first + 1;
        for (int r = first; r <= last; ++r) {
            if (!MatchesFilter(r)) rejected.push_back(r);
            FilterProgress(int(std::lround(100.0 * (r - first + 1) / total)));
        }
        if (total > 0) FilterProgress(100);
        HideRowList(rejected);
        EndUpdate();
    } else {
        UnHideRowsAll();
        if (wasActive && filterFixedRows_ < RowCount() && filterFixedRows_ != TBaseGrid::FixedRows())
            TBaseGrid::SetFixedRows(filterFixedRows_);
        if (selectionHidden_) UnHideSelection();
    }
    InvalidateGrid();
}
