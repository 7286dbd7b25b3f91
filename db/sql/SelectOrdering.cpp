// ORDER BY, GROUP BY and DISTINCT of a SELECT block resolved against its result columns; the shortcuts
// that spare work (aggregate-only, COUNT(*) from the record count, an ORDER BY the grouping already gives);
// HAVING's aggregates bound to the result columns that hold them.
#include "db/sql/QueryBinding.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SqlErrors.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"

namespace vorsam {

namespace {

constexpr size_t MaxSortColumns = 1024;

template <typename Item> TResultField& ResolveItem(TDataQuery& query, Item& item, std::string_view clause) {
    std::string suffix = " specified in " + std::string(clause) + " clause";
    TResultField* column = nullptr;
    if (item.ColumnNumber != 0) {
        if (item.ColumnNumber > query.ResultFields.size())
            SqlError("Invalid column number '" + std::to_string(item.ColumnNumber) + "'" + suffix);
        column = query.ResultFields[item.ColumnNumber - 1].get();
    } else {
        column = FindResultColumn(query, false, item.ColumnName, item.TableName);
        if (!column)
            SqlError("Invalid column name '" + item.ColumnName + "' or table correlation name '" +
                     item.TableName + "'" + suffix);
    }
    if (column->ResultType == dtBlob) {
        if (item.ColumnNumber != 0 && clause == "ORDER BY")
            SqlError("Invalid column number '" + std::to_string(item.ColumnNumber) + "'" + suffix);
        SqlError("Invalid BLOB column '" + column->Alias + "'" + suffix);
    }
    item.ColumnNumber = column->ResultFieldNumber;
    return *column;
}

void CheckCount(size_t count, std::string_view clause) {
    if (count > MaxSortColumns)
        SqlError("Maximum number of columns (1024) in " + std::string(clause) + " clause exceeded");
}

void ReplaceHavingAggregates(TDataQuery& query, TExpToken& node) {
    if (node.Kind == nkFunction && IsAggregateOperator(node.Operator)) {
        TResultField* column =
            FindAggregateColumn(query, AggregateKindOfOperator(node.Operator), node.GetArg(0));
        if (!column) SqlError("Expression in HAVING clause not found in source columns");
        for (size_t i = 0; i < node.ArgCount(); ++i) node.TakeArg(i);
        node.Kind = nkColumn;
        node.Operator = opNone;
        node.Name = column->Alias;
        node.ColumnName = column->Alias;
        node.CorrelationName.clear();
        node.FieldNumber = column->ResultFieldNumber;
        node.BoundSource = &query; // result-bound already (see BindResultColumn)
        node.DataType = column->ResultType;
        node.SubType = column->ResultSubType;
        node.Size = column->ResultType == dtString || column->ResultType == dtBytes ? column->ResultSize : 0;
        node.Scale = column->ResultScale;
        return;
    }
    bool walk = node.Kind == nkUnary || node.Kind == nkBinary;
    if (!walk) return;
    if (node.Left()) ReplaceHavingAggregates(query, *node.Left());
    if (node.Right()) ReplaceHavingAggregates(query, *node.Right());
}

} // namespace

void ResolveOrderBy(TDataQuery& query) {
    CheckCount(query.OrderByItems.size(), "ORDER BY");
    for (auto& item : query.OrderByItems) ResolveItem(query, *item, "ORDER BY");
}

void ResolveGroupBy(TDataQuery& query) {
    CheckCount(query.GroupByItems.size(), "GROUP BY");
    for (auto& item : query.GroupByItems) ResolveItem(query, *item, "GROUP BY");
}

void CheckDistinct(TDataQuery& query) {
    CheckCount(query.ResultFields.size(), "DISTINCT");
    for (auto& column : query.ResultFields)
        if (column->ResultType == dtBlob)
            SqlError("Invalid BLOB column '" + column->Alias + "' specified in DISTINCT clause");
}

// Every column an aggregate or a constant expression, and at least one aggregate: one row of the whole.
bool IsAggregateOnly(const TDataQuery& query) {
    bool aggregate = false;
    for (const auto& column : query.ResultFields) {
        if (column->AggregateKind != akNone) {
            aggregate = true;
            continue;
        }
        if (!column->IsExpression || !column->Expression || ExpTreeHasColumns(column->Expression.get()))
            return false;
    }
    return aggregate;
}

bool IsCountStarOnly(const TDataQuery& query) {
    return query.SourceTables.size() == 1 && query.ResultFields.size() == 1 &&
           query.ResultFields.front()->AggregateKind == akCount &&
           query.ResultFields.front()->ColumnName == "*" && !query.HasGroupBy;
}

bool OrderBySatisfied(const TDataQuery& query) {
    if (!query.HasOrderBy || query.OrderByNoCase) return false;
    if (query.HasGroupBy) {
        if (query.OrderByItems.size() != query.GroupByItems.size()) return false;
        for (size_t i = 0; i < query.OrderByItems.size(); ++i)
            if (query.OrderByItems[i]->Descending ||
                query.OrderByItems[i]->ColumnNumber != query.GroupByItems[i]->ColumnNumber)
                return false;
        return true;
    }
    if (!query.Distinct || query.OrderByItems.size() != query.ResultFields.size()) return false;
    for (size_t i = 0; i < query.OrderByItems.size(); ++i)
        if (query.OrderByItems[i]->Descending || query.OrderByItems[i]->ColumnNumber != i + 1) return false;
    return true;
}

void ResolveHavingAggregates(TDataQuery& query) {
    if (query.HavingTree) ReplaceHavingAggregates(query, *query.HavingTree);
}

std::vector<TFieldDescriptor> SortFields(TDataQuery& query,
                                         const std::vector<std::pair<uint16_t, bool>>& columns) {
    std::vector<TFieldDescriptor> fields;
    for (const auto& [number, descending] : columns) {
        TFieldDescriptor field;
        query.ResultCursor->GetFieldDesc(number, field);
        field.SetSortDescending(descending);
        fields.push_back(field);
    }
    return fields;
}

} // namespace vorsam
