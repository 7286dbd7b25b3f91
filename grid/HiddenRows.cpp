// Rows hidden in the hidden-row store, and the filter that hides the rows that do not match, in
// TVevIvizudEvar. A hidden row leaves the grid with its cells (hidden columns included) and its
// height and comes back at its place when shown again.
#include "grid/AdvancedGrid.h"

#include "grid/FilterMatch.h"

#include <cmath>

namespace {

struct TShownRow {
    int Real = 0, Height = 0;
    TGridLine Cells;
    bool Selected = false;
};

} // namespace

// Takes the listed display rows (ascending) into the store and shows again the stored rows the
// test picks, in one pass over the grid: the rows keep their order by real row number, their
// heights and selection flags, and the current row stays on its row (or the next one shown).
void TVevIvizudEvar::ChangeHiddenRows(const std::vector<int>& hide,
                                      const std::function<bool(const TGridItem&)>& show) {
    BeginUpdate();
    struct TEnd {
        TVevIvizudEvar& Grid;
        ~TEnd() { Grid.EndUpdate(); }
    } end{*this};
    const int currentReal = DisplToRealRow(Row());
    std::vector<TShownRow> shown;
    std::vector<TGridItem> hidden;
    shown.reserve(size_t(RowCount()));
    size_t next = 0, stored = 0;
    int real = -1;
    for (int d = 0; d < RowCount(); ++d) {
        ++real;
        while (stored < hiddenRows_.size() && hiddenRows_[stored].Idx == real) ++real, ++stored;
        const bool selected = size_t(d) < rowSelect_.size() && rowSelect_[size_t(d)];
        if (next < hide.size() && hide[next] == d) {
            hidden.push_back({real, RowHeights(d), CellStore().TakeRow(d)});
            ++next;
        } else {
            shown.push_back({real, RowHeights(d), CellStore().TakeRow(d), selected});
        }
    }
    for (TGridItem& item : hiddenRows_) {
        if (show && show(item))
            shown.push_back({item.Idx, item.Height, std::move(item.Items), false});
        else
            hidden.push_back(std::move(item));
    }
    auto byReal = [](const auto& a, const auto& b) {
        if constexpr (std::is_same_v<std::decay_t<decltype(a)>, TGridItem>)
            return a.Idx < b.Idx;
        else
            return a.Real < b.Real;
    };
    std::stable_sort(shown.begin(), shown.end(), byReal);
    std::stable_sort(hidden.begin(), hidden.end(), byReal);
    hiddenRows_ = std::move(hidden);

    TBaseGrid::SetRowCount(std::max(int(shown.size()), 1));
    DisplTextRowLimit = RowCount();
    rowSelect_.assign(shown.size(), false);
    int newCurrent = -1;
    for (size_t i = 0; i < shown.size(); ++i) {
        CellStore().PutRow(int(i), std::move(shown[i].Cells));
        SetRowHeights(int(i), shown[i].Height);
        rowSelect_[i] = shown[i].Selected;
        if (newCurrent < 0 && shown[i].Real >= currentReal) newCurrent = int(i);
    }
    if (newCurrent < 0) newCurrent = RowCount() - 1;
    newCurrent = std::clamp(newCurrent, std::min(TBaseGrid::FixedRows(), RowCount() - 1), RowCount() - 1);
    if (newCurrent != Row()) SetSelection({Col(), newCurrent, Col(), newCurrent});
    RepaintFooter();
}

void TVevIvizudEvar::HideRows(int fromRow, int toRow) {
    if (toRow < fromRow) return;
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

void TVevIvizudEvar::HideRowList(const std::vector<int>& rows) {
    std::vector<int> display;
    for (int d : rows)
        if (d >= 0 && d < RowCount() && (display.empty() || d > display.back())) display.push_back(d);
    if (!display.empty()) ChangeHiddenRows(display, nullptr);
}

void TVevIvizudEvar::UnHideRows(int fromRow, int toRow) {
    ChangeHiddenRows({}, [=](const TGridItem& item) { return item.Idx >= fromRow && item.Idx <= toRow; });
}

void TVevIvizudEvar::UnHideRowsAll() {
    if (hiddenRows_.empty()) return;
    ChangeHiddenRows({}, [](const TGridItem&) { return true; });
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

void TVevIvizudEvar::SetFilterActive(bool on) {
    filterActive_ = on;
    if (on) {
        filterFixedRows_ = TBaseGrid::FixedRows();
        BeginUpdate();
        std::vector<int> rejected;
        const int first = TBaseGrid::FixedRows(), last = RowCount() - fixedFooters_ - 1;
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
        if (filterFixedRows_ < RowCount() && filterFixedRows_ != TBaseGrid::FixedRows())
            TBaseGrid::SetFixedRows(filterFixedRows_);
        if (selectionHidden_) UnHideSelection();
    }
    InvalidateGrid();
}
