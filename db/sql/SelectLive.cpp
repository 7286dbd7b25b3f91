// Live results: a SELECT of every column of one table (SELECT *, or the columns listed in the table's
// order), without grouping, DISTINCT, TOP or INTO, whose ORDER BY (if any) an index of the table gives, is
// answered by a cursor on the table itself (opened writable when a live result was requested, so that the
// caller can edit through it) with the WHERE as engine filters; no rows are copied. (A cursor showing only
// some columns could no longer filter on the others: such a SELECT gets a result table.)
#include "db/sql/QueryBinding.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/SelectPlan.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"

namespace vorsam {

namespace {

constexpr size_t MaxOrderFields = 16;

struct TOrderField {
    uint16_t Field = 0; // in the source table
    bool Descending = false;
};

// The ORDER BY as fields of the single source; empty when an item is no plain column of it.
std::vector<TOrderField> OrderFields(TDataQuery& query) {
    std::vector<TOrderField> fields;
    TSourceTable& source = *query.SourceTables.front();
    for (const auto& item : query.OrderByItems) {
        TResultField* column = nullptr;
        if (item->ColumnNumber != 0)
            column = item->ColumnNumber <= query.ResultFields.size()
                         ? query.ResultFields[item->ColumnNumber - 1].get()
                         : nullptr;
        else
            column = FindResultColumn(query, true, item->ColumnName, item->TableName);
        if (!column || column->IsExpression || column->AggregateKind != akNone) return {};
        uint16_t number = source.FieldNumber(column->ColumnName);
        if (number == 0 || fields.size() == MaxOrderFields) return {};
        fields.push_back({number, item->Descending});
    }
    return fields;
}

bool IndexServesOrder(const TDataQuery& query, const TDataCursor& cursor, const TIndexDescriptor& index,
                      const std::vector<TOrderField>& order) {
    if (index.FieldCount() < order.size()) return false;
    bool strings = false;
    for (size_t i = 0; i < order.size(); ++i) {
        TFieldDescriptor field;
        cursor.GetTableFieldDesc(order[i].Field, field);
        strings = strings || field.DataType() == dtString;
        bool descending = index.Descending() != index.FieldDescending(i);
        if (index.FieldNumber(i) != order[i].Field || descending != order[i].Descending) return false;
    }
    return !strings || index.CaseInsensitive() == query.OrderByNoCase;
}

// Chooses the index that gives the ORDER BY of a live result.
void MatchOrderByIndex(TDataQuery& query) {
    query.OrderByIndexed = false;
    query.OrderByIndexNumber = NoOrderByIndex;
    if (!query.HasOrderBy || query.Distinct || query.SourceTables.size() != 1 || query.HasGroupBy ||
        query.HasHaving || !query.ResultTableName.empty())
        return;
    std::vector<TOrderField> order = OrderFields(query);
    if (order.empty()) return;
    TDataCursor& cursor = *query.SourceTables.front()->Cursor;
    for (uint8_t n = cursor.IsDefaultPrimaryIndex() ? 1 : 0; n <= cursor.GetIndexCount(); ++n) {
        if (IndexServesOrder(query, cursor, cursor.GetIndexDesc(n), order)) {
            query.OrderByIndexed = true;
            query.OrderByIndexNumber = n;
            return;
        }
    }
}

// The result columns are the table's fields, in order, under their own names.
bool ShowsEveryField(const TDataQuery& query, const TDataCursor& cursor) {
    if (query.ResultFields.size() != cursor.GetFieldCount()) return false;
    for (size_t i = 0; i < query.ResultFields.size(); ++i) {
        const TResultField& column = *query.ResultFields[i];
        TFieldDescriptor field;
        cursor.GetTableFieldDesc(uint16_t(i + 1), field);
        if (column.IsExpression || column.SourceFieldNumber != i + 1 || column.Alias != field.Name())
            return false;
    }
    return true;
}

} // namespace

bool PrepareLiveResult(TDataQuery& query) {
    if (!query.RequestLive) return false;
    MatchOrderByIndex(query);
    bool alone =
        query.IsMaster() ? query.Statement->Queries.size() == 1 : !query.HasUnion && !query.UnionPart;
    bool live = alone && query.ResultTableName.empty() && !query.Distinct && query.SourceTables.size() == 1 &&
                !query.HasGroupBy && !query.AggregateOnly && !query.HasHaving &&
                (!query.HasOrderBy || query.OrderByIndexed) && !query.HasExpressionColumns &&
                query.TopCount < 0;
    for (const auto& column : query.ResultFields)
        if (column->CountStar || column->AggregateKind != akNone) live = false;
    if (query.WhereTree)
        ForEachExpNode(*query.WhereTree,
                       [&](const TExpToken& node) { live = live && node.Kind != nkSubSelect; });
    if (!live || !ShowsEveryField(query, *query.SourceTables.front()->Cursor)) return false;
    query.LiveResult = true;
    query.CursorResult = true;
    if (query.WhereTree) ExtractJoinsFromWhere(query);
    SortSourcesByLevel(query);
    TSourceTable& source = *query.SourceTables.front();
    query.TargetTable = &source;
    TDataCursor& cursor = *source.Cursor;
    cursor.SetIndexNumber(query.OrderByIndexed ? query.OrderByIndexNumber : NoOrderByIndex);
    query.ResultCursor = &cursor;
    return true;
}

void ExecuteLiveSelect(TDataQuery& query) {
    if (query.WhereTree) OptimizeWhere(query, false);
    TDataCursor& result = *query.ResultCursor;
    result.SetToBegin();
    // Counting through filters reads the table: only the statement's own result is counted (an INSERT's
    // source select is read whole by the INSERT, which counts its rows).
    query.RowsAffected = query.IsMaster() ? int32_t(result.GetRecordCount()) : 0;
    query.Executed = true;
}

} // namespace vorsam
