// The columns of TVevIvizudEvar merged by equal contents (MergedColumns): every change of the list
// merges them again, and a header sort merges them again after sorting.
#include "grid/AdvancedGrid.h"

void TVevIvizudEvar::ApplyColumnMerges() {
    TStructureChange change(*this);
    for (int col = 0; col < AllColCount(); ++col) SplitColumnMerges(col);
    MergeListedColumns();
}

// A column the grid does not have (the list may be filled before the columns) is passed over.
void TVevIvizudEvar::MergeListedColumns() {
    bool first = true;
    for (int i = 0; i < MergedColumns.Count(); ++i) {
        const int col = MergedColumns.Item(i);
        if (col < 0 || col >= AllColCount()) continue;
        MergeEqualCells(col, first);
        first = false;
    }
}
