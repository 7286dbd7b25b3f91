#include "db/sql/ColumnPut.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionTree.h"
#include "db/lib/Values.h"
#include "db/sql/QueryItems.h"
#include "db/sql/SqlErrors.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vorsam {

namespace {

bool IsText(uint8_t dataType, uint8_t subType) {
    return dataType == dtString || (dataType == dtBlob && subType == stMemo);
}

// The bytes a BLOB column receives: a text without its terminator (and what may follow it).
std::span<const uint8_t> BlobBytes(const TExpToken& value) {
    std::span<const uint8_t> bytes(value.Value);
    if (!IsText(value.DataType, value.SubType)) return bytes;
    auto end = std::find(bytes.begin(), bytes.end(), uint8_t(0));
    return bytes.first(size_t(end - bytes.begin()));
}

void PutBlobValue(TDataCursor& cursor, std::span<uint8_t> image, uint16_t number, const TExpToken& value) {
    std::span<const uint8_t> bytes = BlobBytes(value);
    auto check = [&](uint16_t code) {
        if (code != 0) {
            TErrorContext context;
            context.Table = cursor.TableName();
            RaiseEngineError(code, context);
        }
    };
    check(cursor.OpenBlob(number, image));
    check(cursor.TruncateBlob(number, image, 0));
    check(cursor.PutBlob(number, image, 0, uint32_t(bytes.size()), bytes.data()));
}

bool NeedsConversion(const TExpToken& value, const TUpdateField& column) {
    return value.DataType != column.DataType || (column.DataType == dtBcd && value.Scale != column.Scale);
}

// The column's name as the table stores it.
const std::string& ColumnNameOf(const TUpdateField& column) {
    return column.Alias.empty() ? column.ColumnName : column.Alias;
}

} // namespace

void PutColumnValue(TDataCursor& cursor, std::span<uint8_t> image, const TUpdateField& column,
                    const TExpToken& value, std::string_view valueText, std::string_view statementKind) {
    if (value.IsNull) {
        cursor.PutField(column.FieldNumber, image, nullptr);
        return;
    }
    if (column.DataType == dtBlob) {
        PutBlobValue(cursor, image, column.FieldNumber, value);
        return;
    }
    bool convert = NeedsConversion(value, column);
    bool whole = column.DataType == dtString
                     ? std::memchr(value.Value.data(), 0, value.Value.size()) != nullptr
                     : value.Value.size() >= PhysicalSizeOf(column.DataType, column.Size);
    if (!convert && whole) {
        // The value as it is: a string up to its terminator (the field keeps at most its size of it, which is
        // below the longest value), any other type its own bytes.
        cursor.PutField(column.FieldNumber, image, value.Value.data());
        return;
    }
    // Room for the longest value and its terminator, and for any fixed-size form it converts to.
    std::array<uint8_t, MaxColumnValueBytes + 6> work{};
    std::copy_n(value.Value.begin(), std::min(value.Value.size(), MaxColumnValueBytes), work.begin());
    uint16_t size =
        value.DataType == dtString ? std::min<uint16_t>(value.Size, MaxColumnValueBytes) : value.Size;
    if (convert && !ConvertValue({value.DataType, size, value.Scale},
                                 {column.DataType, column.Size, column.Scale}, work.data(), work.size()))
        SqlError("Type mismatch between column " + ColumnNameOf(column) + " and constant value " +
                 std::string(valueText) + " in " + std::string(statementKind) + " statement");
    cursor.PutField(column.FieldNumber, image, work.data());
}

} // namespace vorsam
