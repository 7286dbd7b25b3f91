// Row nodes of TVevIvizudEvar: collapsible groups of rows. A node row holds a ctNode graphic in
// column 0 whose CellIndex is the node's span in real rows (the node row and its children; 0:
// up to the next node row) and whose CellBoolean is true while it is contracted. A contracted
// node's child rows sit in the hidden-row store; a node inside them stays expanded, so that all
// its rows come back together with its parent's.
#include "grid/AdvancedGrid.h"

#include "grid/GridError.h"

#include <algorithm>

namespace {

TCellGraphic* NodeOf(const TGridLine& line) {
    if (line.empty()) return nullptr;
    const auto* p = dynamic_cast<const TCellProperties*>(line[0].Object.get());
    return p && p->CellGraphic && p->CellGraphic->CellType == TCellType::ctNode ? p->CellGraphic.get()
                                                                                : nullptr;
}

} // namespace

void TVevIvizudEvar::ForEachNode(const std::function<void(int realRow, TCellGraphic& node)>& visit) const {
    size_t stored = 0;
    int real = 0;
    auto visitStored = [&](const TGridItem& item) {
        if (TCellGraphic* node = NodeOf(item.Items)) visit(item.Idx, *node);
    };
    for (int d = 0; d < RowCount(); ++d, ++real) {
        while (stored < hiddenRows_.size() && hiddenRows_[stored].Idx == real)
            visitStored(hiddenRows_[stored++]), ++real;
        const TCellProperties* p = CellProperties(0, d);
        if (p && p->CellGraphic && p->CellGraphic->CellType == TCellType::ctNode)
            visit(real, *p->CellGraphic.get());
    }
    for (; stored < hiddenRows_.size(); ++stored) visitStored(hiddenRows_[stored]);
}

// After rows changed places (a move, a sort): a node of the real rows first..last-1 spans no row
// past the last one.
void TVevIvizudEvar::KeepNodeSpansInside(int first, int last) {
    if (nodeCount_ == 0) return;
    const int rows = RealRowCount();
    auto keep = [&](int realRow, TCellGraphic& node) {
        node.CellIndex = std::min(node.CellIndex, rows - realRow);
    };
    for (int d = RealToDisplRow(first); d < RowCount() && DisplToRealRow(d) < last; ++d)
        if (IsNode(d)) keep(DisplToRealRow(d), *GetCellGraphic(0, d));
    auto item = std::lower_bound(hiddenRows_.begin(), hiddenRows_.end(), first,
                                 [](const TGridItem& i, int real) { return i.Idx < real; });
    for (; item != hiddenRows_.end() && item->Idx < last; ++item)
        if (TCellGraphic* node = NodeOf(item->Items)) keep(item->Idx, *node);
}

int TVevIvizudEvar::CountNodes() const {
    int count = 0;
    ForEachNode([&](int, TCellGraphic&) { ++count; });
    return count;
}

void TVevIvizudEvar::AddNode(int row, int span, int level) {
    if (row < 0 || row >= RowCount()) throw EVozAvozError("Invalid row accessed");
    // A node graphic this replaces is given up (and uncounted) by CreateCellGraphic.
    TCellGraphic* node = CreateCellGraphic(0, row);
    node->CellType = TCellType::ctNode;
    node->CellIndex = std::max(span, 0);
    node->CellBoolean = false;
    ++nodeCount_;
    const int end = RealToDisplRow(NodeEnd(row));
    level = std::clamp(level, 0, TCellProperties::kMaxNodeLevel);
    for (int r = row; r < std::min(end, RowCount()); ++r) GetCellProperties(0, r)->NodeLevel = level;
    InvalidateGrid();
}

bool TVevIvizudEvar::IsNode(int row) const {
    return row >= 0 && row < RowCount() && GetCellType(0, row) == TCellType::ctNode;
}

bool TVevIvizudEvar::IsSummaryRow(int row) const {
    return row >= 0 && row < RowCount() && GetCellType(0, row) == TCellType::ctSummary;
}

bool TVevIvizudEvar::GetNodeState(int row) const {
    return IsNode(row) && GetCellGraphic(0, row)->CellBoolean;
}

int TVevIvizudEvar::GetNodeLevel(int row) const {
    return IsNode(row) ? CellProperties(0, row)->Level() : -1;
}

int TVevIvizudEvar::GetNodeSpan(int row) const {
    return IsNode(row) ? GetCellGraphic(0, row)->CellIndex : -1;
}

// The real row after the last row of the node shown at the display row.
int TVevIvizudEvar::NodeEnd(int row) const {
    const int span = GetNodeSpan(row);
    if (span >= 1) return DisplToRealRow(row) + span;
    for (int d = row + 1; d < RowCount(); ++d)
        if (IsNode(d)) return DisplToRealRow(d);
    return RealRowCount();
}

// The last row before the fixed footer rows ends every branch.
int TVevIvizudEvar::GetTreeLineKind(int row) const {
    if (IsNode(row)) return 0;
    if (row >= DataRowEnd() - 1) return 1;
    const TCellProperties* own = CellProperties(0, row);
    const TCellProperties* next = CellProperties(0, row + 1);
    if (!next || next->Level() < (own ? own->Level() : 0)) return 1;
    return 2;
}

bool TVevIvizudEvar::IsNodeButtonHit(int row, int x) const {
    const int level = GetNodeLevel(row);
    return CellNode.NodeIndent() * (level - 1) < x && x < CellNode.NodeIndent() * level;
}

// Shows the rows the node hides. With CellNode.ExpandOne every other expanded node (one that does
// not hold this one) is contracted first.
void TVevIvizudEvar::ExpandNode(int realRow) {
    if (realRow < 0 || realRow >= RealRowCount()) return;
    if (CellNode.ExpandOne) {
        std::vector<int> others;
        for (int d = TBaseGrid::FixedRows(); d < RowCount(); ++d) {
            if (!IsNode(d) || GetNodeState(d)) continue;
            const int real = DisplToRealRow(d);
            if (real != realRow && !(real < realRow && realRow < NodeEnd(d))) others.push_back(real);
        }
        for (auto it = others.rbegin(); it != others.rend(); ++it) ContractNode(*it);
    }
    if (IsHiddenRow(realRow)) return;
    const int d = RealToDisplRow(realRow);
    if (!IsNode(d) || !GetNodeState(d)) return;
    TCellGraphic* node = GetCellGraphic(0, d);
    node->CellBoolean = false;
    // The hidden rows between the node row and the next row that shows, within the node's span.
    int last = (d + 1 < RowCount() ? DisplToRealRow(d + 1) : RealRowCount()) - 1;
    if (node->CellIndex >= 1) last = std::min(last, realRow + node->CellIndex - 1);
    if (last > realRow) UnHideRows(realRow + 1, last);
    RepaintCell(0, d);
}

// Hides the node's child rows that show; a contracted node among them becomes expanded, since its
// rows now come back with this node's.
void TVevIvizudEvar::ContractNode(int realRow) {
    CloseEditors();
    if (realRow < 0 || realRow >= RealRowCount() || IsHiddenRow(realRow)) return;
    const int d = RealToDisplRow(realRow);
    if (!IsNode(d) || GetNodeState(d)) return;
    const int end = NodeEnd(d);
    std::vector<int> rows;
    for (int r = d + 1; r < RowCount() && DisplToRealRow(r) < end; ++r) {
        if (IsNode(r) && GetNodeState(r)) {
            GetCellGraphic(0, r)->CellBoolean = false;
            if (QWidget* control = CellControl(1, r)) control->hide();
        }
        rows.push_back(r);
    }
    GetCellGraphic(0, d)->CellBoolean = true;
    HideRowList(rows);
    RepaintCell(0, d);
}

void TVevIvizudEvar::ExpandAll() {
    UnHideRowsAll();
}

void TVevIvizudEvar::ContractAll() {
    BeginUpdate();
    ExpandAll();
    std::vector<int> rows;
    // A node glyph in a header row only switches all nodes (NodeAllExpandContract).
    for (int d = TBaseGrid::FixedRows(); d < RowCount(); ++d) {
        if (!IsNode(d)) continue;
        GetCellGraphic(0, d)->CellBoolean = true;
        const int end = std::min(NodeEnd(d), RowCount()); // every row shows: real = display
        for (int r = d + 1; r < end; ++r) rows.push_back(r);
        d = std::max(d, end - 1);
    }
    HideRowList(rows);
    EndUpdate();
}

void TVevIvizudEvar::RemoveAllNodes() {
    BeginUpdate();
    ExpandAll();
    for (int d = 0; d < RowCount(); ++d) {
        TCellProperties* p = CellProperties(0, d);
        if (!p) continue;
        if (IsNode(d)) RemoveCellGraphic(0, d);
        p->NodeLevel = 0;
    }
    nodeCount_ = 0;
    EndUpdate();
}
