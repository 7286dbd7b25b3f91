// Hiding and showing columns of TVevIvizudEvar. A hidden column keeps its cells where they are
// (the cell store is addressed by real column); only the display loses the column, and its width
// is kept until it shows again. A block merged across columns is split when one of its columns
// hides, since a block shows only whole; a block within the column hides and shows with it.
#include "grid/AdvancedGrid.h"

#include "grid/GridError.h"

void TVevIvizudEvar::HideColumn(int realCol) {
    if (realCol < 0 || realCol >= AllColCount()) throw EVozAvozError("Invalid column accessed");
    if (IsHiddenColumn(realCol) || ColCount() == 1) return;
    TStructureChange change(*this);
    for (int r = 0; r < RowCount(); ++r)
        if (IsHorzMerged(realCol, r)) SplitCells(realCol, r);
    std::erase_if(cutAreas_, [&](const TMergedArea& a) {
        return a.Cols > 1 && a.Col <= realCol && realCol <= a.Right();
    });
    const int display = RealToDisplCol(realCol);
    const int current = Col();
    std::vector<int> widths = LineSizes(true);
    columns_.SetHidden(realCol, true, widths[size_t(display)]);
    widths.erase(widths.begin() + display);
    if (size_t(display) < colSelect_.size()) colSelect_.erase(colSelect_.begin() + display);
    TBaseGrid::SetColCount(ColCount() - 1);
    SetLineSizes(true, widths);
    // The current cell stays on its column (or the next one, when its own hides).
    if (current > display && Col() == current) SetSelection({current - 1, Row(), current - 1, Row()});
}

void TVevIvizudEvar::UnHideColumn(int realCol) {
    if (realCol < 0 || realCol >= AllColCount()) throw EVozAvozError("Invalid column accessed");
    if (!IsHiddenColumn(realCol)) return;
    TStructureChange change(*this);
    const int width = columns_.HiddenWidth(realCol);
    const int current = Col();
    columns_.SetHidden(realCol, false);
    const int display = RealToDisplCol(realCol);
    std::vector<int> widths = LineSizes(true);
    widths.insert(widths.begin() + display, width);
    if (size_t(display) < colSelect_.size()) colSelect_.insert(colSelect_.begin() + display, false);
    TBaseGrid::SetColCount(ColCount() + 1);
    SetLineSizes(true, widths);
    if (current >= display) SetSelection({current + 1, Row(), current + 1, Row()});
}
