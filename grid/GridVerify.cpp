// The consistency check of TVevIvizudEvar's structures, for tests and asserts.
#include "grid/AdvancedGrid.h"

#include <unordered_set>

// Beyond the base grid's checks (counts, merged blocks inside the grid and disjoint): hidden
// columns lie inside the grid; the hidden-row store is ascending and inside the real rows, and its
// cells are plain; every remembered block lies inside the grid, has a hidden row and shows as one
// block; node spans stay inside the real rows and the node count is right; every cell object
// belongs to this grid and to one cell, and only virtual check boxes share their graphic.
bool TVevIvizudEvar::Verify() const {
    if (structureBusy_ > 0) return TStringGrid::Verify(); // half way through a change
    if (!TBaseGrid::Verify() || !columns_.Verify() || !VerifyRowOrder()) return false;
    if (columns_.LastHidden() >= AllColCount()) return false;
    const int realRows = RealRowCount();
    for (size_t i = 0; i < hiddenRows_.size(); ++i) {
        const TGridItem& item = hiddenRows_[i];
        if (item.Idx < 0 || item.Idx >= realRows || (i > 0 && hiddenRows_[i - 1].Idx >= item.Idx))
            return false;
        for (const TGridCell& cell : item.Items)
            if (const auto* p = dynamic_cast<const TCellProperties*>(cell.Object.get());
                p && (p->CellSpanX != -1 || p->CellSpanY != -1 || !p->IsBaseCell))
                return false;
    }
    for (size_t i = 0; i < cutAreas_.size(); ++i) {
        const TMergedArea& a = cutAreas_[i];
        if (a.Row < 0 || a.Col < 0 || a.Bottom() >= realRows || a.Right() >= AllColCount() ||
            a.Rows * a.Cols < 2)
            return false;
        int hidden = 0;
        for (const TGridItem& item : hiddenRows_)
            hidden += item.Idx >= a.Row && item.Idx <= a.Bottom() ? 1 : 0;
        const int shown = a.Rows - hidden;
        if (hidden == 0) return false;
        if (shown > 0 && (a.Cols > 1 || shown > 1)) {
            const int first = RealToDisplRow(a.Row);
            const TCellProperties* b = CellProperties(a.Col, first);
            if (!b || !b->IsBaseCell || b->CellSpanX != a.Cols - 1 || b->CellSpanY != shown - 1) return false;
        }
        for (size_t j = 0; j < i; ++j) {
            const TMergedArea& o = cutAreas_[j];
            if (a.Col <= o.Right() && o.Col <= a.Right() && a.Row <= o.Bottom() && o.Row <= a.Bottom())
                return false;
        }
    }
    bool nodesInside = true;
    int nodes = 0;
    ForEachNode([&](int realRow, TCellGraphic& node) {
        ++nodes;
        if (node.CellIndex < 0 || realRow + node.CellIndex > realRows) nodesInside = false;
    });
    if (!nodesInside || nodes != nodeCount_) return false;

    std::unordered_set<const void*> seen;
    std::unordered_set<const TCellGraphic*> shared;
    bool owned = true;
    auto check = [&](const TCellObject* object) {
        if (!object) return;
        if (!seen.insert(object).second) owned = false;
        const auto* p = dynamic_cast<const TCellProperties*>(object);
        if (!p) return;
        if (p->Owner() != this) owned = false;
        if (!p->CellGraphic) return;
        if (!p->CellGraphic.Owned()) {
            if (p->CellGraphic->CellType != TCellType::ctVirtCheckBox) owned = false;
            shared.insert(p->CellGraphic.get());
        } else if (!seen.insert(p->CellGraphic.get()).second) {
            owned = false;
        }
    };
    for (int r = 0; r < RowCount(); ++r)
        for (int c = 0; c < AllColCount(); ++c) check(Objects(c, r));
    for (const TGridItem& item : hiddenRows_)
        for (const TGridCell& cell : item.Items) check(cell.Object.get());
    for (const TCellGraphic* graphic : shared)
        if (seen.count(graphic)) owned = false;
    return owned;
}
