// GROUP BY folded while the rows are read (TGroupFold, SelectPlan.h).
#include "db/sql/QueryBinding.h"
#include "db/sql/SelectPlan.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"

#include <algorithm>

namespace vorsam {

namespace {

// True when two values of the field are equal for the sort exactly when their bytes are.
bool BytesDecideEquality(const TDataQuery& query, const TFieldDescriptor& field) {
    return ValueEqualityOf(field.DataType(), query.LanguageId == 0) == veBytes;
}

} // namespace

bool TGroupFold::Compile(TDataQuery& query) {
    // A table INTO keeps is written as the grouping sort writes it.
    if (!query.HasGroupBy || query.AggregateOnly || query.Distinct || query.HasExpressionColumns ||
        query.HasBlobColumns || !query.ResultTableName.empty() || !fold_.Compile(query, true))
        return false;
    TDataCursor& result = *query.ResultCursor;
    copies_.clear();
    keyFields_.clear();
    for (const auto& column : query.ResultFields) {
        if (column->AggregateKind != akNone) continue;
        if (!column->BoundSource) return false;
        auto copy = TFieldBytesCopy::Between(
            FieldDescOf(query, *column->BoundSource->Cursor, column->SourceFieldNumber, true),
            FieldDescOf(query, result, column->ResultFieldNumber, false));
        if (!copy) return false;
        copies_.emplace_back(column->BoundSource, *copy);
    }
    for (const auto& item : query.GroupByItems) {
        const TFieldDescriptor& field = FieldDescOf(query, result, item->ColumnNumber, false);
        auto plain =
            std::find_if(query.ResultFields.begin(), query.ResultFields.end(), [&](const auto& column) {
                return column->ResultFieldNumber == item->ColumnNumber && column->AggregateKind == akNone;
            });
        if (plain == query.ResultFields.end() || !BytesDecideEquality(query, field)) return false;
        keyFields_.emplace_back(field.Offset(), uint16_t(field.PhysicalSize() + 1));
    }
    recordSize_ = result.GetRecordSize();
    row_.assign(recordSize_, 0);
    groups_ = {};
    records_.clear();
    totals_.clear();
    return true;
}

void TGroupFold::Row(TDataQuery& query) {
    SelectState(query).ColumnCopy.Clear(query, row_);
    for (const auto& [source, copy] : copies_)
        copy.Apply(source->Eof ? nullptr : source->RecordBuffer.data(), row_.data());
    key_.clear();
    for (auto [offset, size] : keyFields_)
        key_.append(reinterpret_cast<const char*>(row_.data() + offset), size);
    bool added = false;
    uint32_t group = groups_.Find(key_, added);
    size_t columns = fold_.ColumnCount();
    if (added) {
        records_.insert(records_.end(), row_.begin(), row_.end());
        totals_.resize(totals_.size() + columns);
    }
    fold_.Row(query, std::span(totals_).subspan(size_t(group) * columns, columns), added);
}

void TGroupFold::AppendTo(TDataQuery& query) {
    TDataCursor& result = *query.ResultCursor;
    size_t columns = fold_.ColumnCount();
    for (size_t group = 0; group < groups_.Count(); ++group) {
        std::span<uint8_t> record(records_.data() + group * recordSize_, recordSize_);
        fold_.Finish(query, std::span(totals_).subspan(group * columns, columns), false, record);
        FinishGroup(query, record);
        if (query.HasHaving && !TestHaving(query, record)) continue;
        result.AppendRecord(record);
    }
}

} // namespace vorsam
