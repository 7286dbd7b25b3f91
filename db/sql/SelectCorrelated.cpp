// Correlated sub-selects: a sub-select whose WHERE names columns of an enclosing block (bound there by
// BindSourceColumn) is run again whenever its values are read, for the enclosing block's current row. At
// each run its WHERE is a copy of the WHERE as written with every such column replaced by a constant of
// the column's current value, so that the sub-select's own predicates still become engine filters (and
// index ranges) of its sources. A predicate of the enclosing block that holds such a sub-select is
// tested on each joined row, never handed to an engine filter (which would read the sub-select for a
// record other than the current row).
#include "db/sql/QueryBinding.h"
#include "db/sql/SelectPlan.h"

namespace vorsam {

namespace {

bool IsOuterColumn(const TDataQuery& query, const TExpToken& node) {
    if (node.Kind != nkColumn || !node.BoundSource) return false;
    return static_cast<const TSourceTable*>(node.BoundSource)->Query != &query;
}

// Replaces the outer columns by their values; true when there was one.
bool FillOuterColumns(const TDataQuery& query, TExpToken& node) {
    if (IsOuterColumn(query, node)) {
        SourceColumnValue(node);
        node.Kind = nkConstant;
        node.Name = node.IsNull ? "NULL" : ExpValueText(ReadExpValue(node));
        node.BoundSource = nullptr;
        return true;
    }
    bool any = false;
    node.ForEachOperand([&](TExpToken& operand) { any = FillOuterColumns(query, operand) || any; });
    return any;
}

bool HasOuterColumns(const TDataQuery& query, const TExpToken& tree) {
    bool any = false;
    ForEachExpNode(tree, [&](const TExpToken& node) { any = any || IsOuterColumn(query, node); });
    return any;
}

} // namespace

bool IsCorrelated(const TDataQuery& query) {
    return query.Extension && static_cast<const TSelectState&>(*query.Extension).Correlated;
}

void CompileRunWhere(TDataQuery& query) {
    TSelectState& state = SelectState(query);
    if (state.CorrelatedWhere) query.WhereTree = CopyExpTree(state.CorrelatedWhere.get());
    if (!query.WhereTree) return;
    CompileWhere(query);
    if (!query.SubSelect || !HasOuterColumns(query, *query.WhereTree)) return;
    state.Correlated = true;
    if (!state.CorrelatedWhere) state.CorrelatedWhere = CopyExpTree(query.WhereTree.get());
    FillOuterColumns(query, *query.WhereTree);
}

bool HasCorrelatedSubSelect(const TExpToken& tree) {
    bool any = false;
    ForEachExpNode(tree, [&](const TExpToken& node) {
        if (node.Kind == nkSubSelect && node.SubQuery)
            any = any || IsCorrelated(*static_cast<const TDataQuery*>(node.SubQuery));
    });
    return any;
}

} // namespace vorsam
