#include "db/sql/ResultColumnCopy.h"

#include "db/sql/DataQuery.h"
#include "db/sql/SelectPlan.h"

#include "db/engine/DataCursor.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/NumberUtils.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

namespace {

// A field a value is read from or written to in place: in the record, no auto-increment field, no
// computed one.
bool InPlace(const TFieldDescriptor& field) {
    return !field.IsAutoIncrement() && !field.Computed() && field.DataType() != dtBlob;
}

} // namespace

std::optional<TFieldBytesCopy> TFieldBytesCopy::Between(const TFieldDescriptor& from,
                                                        const TFieldDescriptor& to) {
    bool same =
        InPlace(from) && InPlace(to) && from.DataType() == to.DataType() &&
        from.PhysicalSize() == to.PhysicalSize() &&
        (to.DataType() != dtString || (from.DeclaredSize() == to.DeclaredSize() && to.CharCase() == 0)) &&
        (to.DataType() != dtBcd || from.Decimals() == to.Decimals());
    if (!same) return std::nullopt;
    TFieldBytesCopy copy;
    copy.from_ = from.Offset();
    copy.to_ = to.Offset();
    copy.size_ = to.PhysicalSize();
    copy.text_ = to.DeclaredSize();
    copy.kind_ = to.DataType() == dtString    ? TKind::String
                 : to.DataType() == dtBoolean ? TKind::Boolean
                                              : TKind::Bytes;
    return copy;
}

void TFieldBytesCopy::CopyValue(const uint8_t* from, uint8_t* to) const {
    if (kind_ == TKind::Boolean) {
        to[0] = 1;
        StoreNative<int16_t>(to + 1, NormalizeBoolean(LoadNative<int16_t>(from + 1)));
        return;
    }
    size_t length = strnlen(reinterpret_cast<const char*>(from + 1), text_);
    while (length > 0 && from[length] == ' ') --length;
    std::memset(to, 0, size_ + 1u);
    to[0] = 1;
    std::memcpy(to + 1, from + 1, length);
}

void TResultColumnCopy::Compile(TDataQuery& query) {
    direct_.clear();
    general_.clear();
    TDataCursor& result = *query.ResultCursor;
    defaults_ = false;
    for (uint16_t n = 1; n <= result.GetFieldCount(); ++n)
        if (FieldDescOf(query, result, n, false).HasDefaultValue()) defaults_ = true;
    for (auto& column : query.ResultFields) {
        if (column->IsExpression) continue;
        const TFieldDescriptor& to = FieldDescOf(query, result, column->ResultFieldNumber, false);
        std::optional<TFieldBytesCopy> copy;
        if (column->AggregateKind == akNone && !column->CountStar && column->BoundSource != nullptr)
            copy = TFieldBytesCopy::Between(
                FieldDescOf(query, *column->BoundSource->Cursor, column->SourceFieldNumber, true), to);
        if (copy)
            direct_.push_back({column->BoundSource, *copy});
        else
            general_.push_back(column.get());
    }
}

void TResultColumnCopy::Clear(TDataQuery& query, std::span<uint8_t> record) const {
    if (defaults_)
        query.ResultCursor->InitRecordBuffer(record);
    else
        std::fill(record.begin(), record.end(), uint8_t(0));
}

void TResultColumnCopy::Copy(TDataQuery& query, std::span<uint8_t> record) const {
    for (const TDirect& column : direct_)
        column.Copy.Apply(column.Source->Eof ? nullptr : column.Source->RecordBuffer.data(), record.data());
    for (TResultField* column : general_) CopySourceColumn(query, *column, record);
}

} // namespace vorsam
