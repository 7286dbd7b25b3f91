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
        bool direct = column->AggregateKind == akNone && !column->CountStar && column->BoundSource != nullptr;
        const TFieldDescriptor* from = nullptr;
        if (direct) {
            from = &FieldDescOf(query, *column->BoundSource->Cursor, column->SourceFieldNumber, true);
            direct = InPlace(*from) && InPlace(to) && from->DataType() == to.DataType() &&
                     from->PhysicalSize() == to.PhysicalSize() &&
                     (to.DataType() != dtString ||
                      (from->DeclaredSize() == to.DeclaredSize() && to.CharCase() == 0)) &&
                     (to.DataType() != dtBcd || from->Decimals() == to.Decimals());
        }
        if (!direct) {
            general_.push_back(column.get());
            continue;
        }
        TKind kind = to.DataType() == dtString    ? TKind::String
                     : to.DataType() == dtBoolean ? TKind::Boolean
                                                  : TKind::Bytes;
        direct_.push_back(
            {column->BoundSource, from->Offset(), to.Offset(), to.PhysicalSize(), to.DeclaredSize(), kind});
    }
}

void TResultColumnCopy::Clear(TDataQuery& query, std::span<uint8_t> record) const {
    if (defaults_)
        query.ResultCursor->InitRecordBuffer(record);
    else
        std::fill(record.begin(), record.end(), uint8_t(0));
}

void TResultColumnCopy::Copy(TDataQuery& query, std::span<uint8_t> record) const {
    for (const TDirect& column : direct_) {
        uint8_t* to = record.data() + column.To;
        const uint8_t* from = column.Source->RecordBuffer.data() + column.From;
        if (column.Source->Eof || from[0] == 0) {
            std::memset(to, 0, column.Size + 1u);
            continue;
        }
        switch (column.Kind) {
        case TKind::Bytes:
            std::memcpy(to, from, column.Size + 1u);
            break;
        case TKind::String: {
            size_t length = strnlen(reinterpret_cast<const char*>(from + 1), column.Text);
            while (length > 0 && from[length] == ' ') --length;
            std::memset(to, 0, column.Size + 1u);
            to[0] = 1;
            std::memcpy(to + 1, from + 1, length);
            break;
        }
        case TKind::Boolean:
            to[0] = 1;
            StoreNative<int16_t>(to + 1, NormalizeBoolean(LoadNative<int16_t>(from + 1)));
            break;
        }
    }
    for (TResultField* column : general_) CopySourceColumn(query, *column, record);
}

} // namespace vorsam
