// Walkers over condition trees: which correlation name an expression refers to (binding its column
// tokens to the block's sources on the way), whether a condition holds join comparisons, and the lookup
// of the source that holds a column.
#include "db/lib/DataTypes.h"
#include "db/lib/TextUtils.h"
#include "db/sql/DataQuery.h"

#include <strings.h>

namespace vorsam {

namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// A column token (or a string constant read as a column name) bound to the source found for it.
void BindToSource(TDataQuery& query, TExpToken& token, const std::string& columnName) {
    uint16_t fieldNumber = 0;
    TSourceTable* source = query.FindColumnSource(token.CorrelationName, columnName, fieldNumber);
    token.BoundSource = source;
    if (!source) return;
    token.CorrelationName = source->CorrelationName;
    token.FieldNumber = fieldNumber;
}

} // namespace

bool MergeCorrelationNames(const std::string& first, const std::string& second, std::string& name) {
    name.clear();
    if (!first.empty() && !second.empty()) {
        if (first != second) return true;
        name = first;
    } else {
        name = first.empty() ? second : first;
    }
    return false;
}

TSourceTable* TDataQuery::FindColumnSource(const std::string& correlationName, const std::string& columnName,
                                           uint16_t& fieldNumber) const {
    fieldNumber = 0;
    bool anyColumn = columnName.empty() || columnName == "*";
    for (const auto& source : SourceTables) {
        if (!correlationName.empty() && !SameNameIgnoringCase(source->CorrelationName, correlationName))
            continue;
        if (anyColumn) return source.get();
        fieldNumber = source->FieldNumber(columnName);
        if (fieldNumber != 0) return source.get();
    }
    return nullptr;
}

bool TDataQuery::ExpressionCorrelation(std::string& name, TExpToken& node) {
    name.clear();
    switch (node.Kind) {
    case nkUnary:
        return node.Left() && ExpressionCorrelation(name, *node.Left());
    case nkBinary: {
        std::string left, right;
        bool many = node.Left() && ExpressionCorrelation(left, *node.Left());
        many = (node.Right() && ExpressionCorrelation(right, *node.Right())) || many;
        return many || MergeCorrelationNames(left, right, name);
    }
    case nkColumn:
        BindToSource(*this, node, node.ColumnName);
        name = node.CorrelationName;
        return false;
    case nkConstant:
        if (node.DataType == dtString && !node.IsNull) {
            BindToSource(*this, node, std::string(node.StringValue()));
            name = node.CorrelationName;
        }
        return false;
    case nkFunction:
    case nkPredicate:
        for (size_t i = 0; i < node.ArgCount(); ++i) {
            TExpToken* argument = node.GetArg(i);
            if (!argument) continue;
            std::string argumentName, running = name;
            if (ExpressionCorrelation(argumentName, *argument)) return true;
            if (MergeCorrelationNames(running, argumentName, name)) return true;
        }
        return false;
    default:
        return false;
    }
}

namespace {

// The join comparisons of a condition, reached through NOT, AND and OR; `outerOnly` counts only those
// marked by a LEFT or RIGHT OUTER JOIN.
bool FindJoinComparison(TDataQuery& query, TExpToken& node, bool outerOnly) {
    if (node.Kind == nkUnary) return node.Left() && FindJoinComparison(query, *node.Left(), outerOnly);
    if (node.Kind != nkBinary || !node.Left() || !node.Right()) return false;
    if (node.Operator == opAnd || node.Operator == opOr) {
        bool left = FindJoinComparison(query, *node.Left(), outerOnly);
        return FindJoinComparison(query, *node.Right(), outerOnly) || left;
    }
    if (!IsComparisonOperator(node.Operator)) return false;
    std::string name;
    bool join = query.ExpressionCorrelation(name, node) && ExpTreeHasColumns(node.Left()) &&
                ExpTreeHasColumns(node.Right());
    if (outerOnly) join = join && (node.JoinKind == jkLeftOuter || node.JoinKind == jkRightOuter);
    return join;
}

} // namespace

bool TDataQuery::HasJoinComparison(TExpToken& tree) {
    return FindJoinComparison(*this, tree, false);
}

bool TDataQuery::HasOuterJoinComparison(TExpToken& tree) {
    return FindJoinComparison(*this, tree, true);
}

void TDataQuery::MarkJoinCondition(TExpToken& condition, uint8_t joinKind) {
    condition.FromOnClause = true;
    if (condition.Kind == nkUnary) {
        if (condition.Left()) MarkJoinCondition(*condition.Left(), joinKind);
    } else if (condition.Kind == nkBinary && (condition.Operator == opAnd || condition.Operator == opOr)) {
        if (condition.Left()) MarkJoinCondition(*condition.Left(), joinKind);
        if (condition.Right()) MarkJoinCondition(*condition.Right(), joinKind);
    } else if (condition.Kind == nkBinary && IsComparisonOperator(condition.Operator) &&
               ExpTreeHasColumns(condition.Left()) && ExpTreeHasColumns(condition.Right())) {
        condition.JoinKind = joinKind;
    }
}

} // namespace vorsam
