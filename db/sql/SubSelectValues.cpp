#include "db/sql/SubSelectValues.h"

#include "db/sql/QueryStatement.h"
#include "db/sql/SelectPlan.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionValues.h"
#include "db/lib/FieldDescriptor.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace vorsam {

bool GathersValues(TDataQuery& query) {
    const TDataQuery* master = query.Statement->MasterQuery;
    if (!query.SubSelect || &query == master || (master && master->InsertSourceQuery == &query) ||
        query.UnionPart || query.HasUnion || query.LiveResult || !query.ResultCursor || IsCorrelated(query))
        return false;
    if (query.Distinct || query.HasGroupBy || query.AggregateOnly || query.HasHaving || query.HasOrderBy ||
        query.TopCount >= 0 || query.MaxRowCount >= 0 || !query.ResultTableName.empty() ||
        query.SourceTables.size() != 1 || query.ResultFields.size() != 1)
        return false;
    const TResultField& column = *query.ResultFields.front();
    if (column.IsExpression || column.AggregateKind != akNone || column.CountStar || !column.BoundSource ||
        !column.BoundSource->Cursor)
        return false;
    const TFieldDescriptor& stored = FieldDescOf(query, *query.ResultCursor, column.ResultFieldNumber, false);
    const TFieldDescriptor& read =
        FieldDescOf(query, *column.BoundSource->Cursor, column.SourceFieldNumber, true);
    return stored.DataType() != dtBlob && stored.DataType() == read.DataType() &&
           stored.PhysicalSize() == read.PhysicalSize();
}

void TGatheredValues::Start(const TFieldDescriptor& field, uint16_t resultNumber) {
    active_ = true;
    dataType_ = field.DataType();
    subType_ = field.SubType();
    declaredSize_ = field.DeclaredSize();
    decimals_ = field.Decimals();
    resultNumber_ = resultNumber;
    size_ = field.PhysicalSize();
    stride_ = 1 + size_;
    bytes_.clear();
}

void TGatheredValues::Add(const TDataCursor& source, std::span<const uint8_t> record, uint16_t sourceNumber,
                          bool atEnd) {
    assert(active_);
    size_t at = bytes_.size();
    bytes_.resize(at + stride_);
    bool isNull = true;
    if (!atEnd) source.GetTableField(sourceNumber, record, isNull, &bytes_[at + 1]);
    bytes_[at] = isNull ? 1 : 0;
}

void TGatheredValues::Read(const std::function<bool(const TExpToken&)>& visit) const {
    TExpToken value;
    value.Kind = nkConstant;
    value.FieldNumber = resultNumber_;
    bool sized = dataType_ == dtString || dataType_ == dtBytes || dataType_ == dtVarBytes;
    SetExpType(value, {dataType_, subType_, uint16_t(sized ? declaredSize_ : 0), decimals_});
    for (size_t at = 0; at < bytes_.size(); at += stride_) {
        // As a column read from a record gives it: the field's bytes, a string up to its zero.
        value.SetValueSize(size_);
        std::memcpy(value.Value.data(), &bytes_[at + 1], size_);
        value.IsNull = bytes_[at] != 0;
        if (!value.IsNull && dataType_ == dtString) {
            value.Value.resize(strnlen(reinterpret_cast<const char*>(value.Value.data()), size_) + 1);
            value.Value.back() = 0;
        }
        if (!visit(value)) return;
    }
}

} // namespace vorsam
