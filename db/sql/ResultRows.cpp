#include "db/sql/ResultRows.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"
#include "db/lib/Values.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vorsam {

namespace {

std::string FieldText(TDataCursor& cursor, uint16_t number, std::span<uint8_t> record) {
    TFieldDescriptor field;
    cursor.GetFieldDesc(number, field);
    std::vector<uint8_t> value(std::max<size_t>(field.PhysicalSize(), 8) + 1, 0);
    bool isNull = true;
    cursor.GetField(number, record, isNull, value.data());
    if (isNull) return "NULL";
    switch (field.DataType()) {
    case dtFloat: {
        double d;
        std::memcpy(&d, value.data(), sizeof d);
        return CanonicalFloatText(d);
    }
    case dtBoolean:
        return value[0] ? "1" : "0";
    case dtBcd:
        return CanonicalFloatText(std::stod(ValueToText(value.data(), {dtBcd, 0, field.Decimals()})));
    case dtBlob: {
        uint32_t size = 0;
        uint16_t code = cursor.OpenBlob(number, record, TBlobOpenMode::Read, &size);
        if (code != 0) cursor.RaiseErrorWithText(code, "");
        cursor.FreeBlob(number, record);
        return std::string("<").append(std::to_string(size)).append(" bytes>");
    }
    default:
        return ValueToText(value.data(), {field.DataType(), field.DeclaredSize(), field.Decimals()});
    }
}

} // namespace

std::string CanonicalFloatText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", value);
    return std::strcmp(text, "-0") == 0 ? "0" : text;
}

std::vector<std::string> CanonicalRows(TDataCursor& cursor, uint16_t columns) {
    if (columns == 0) columns = cursor.GetFieldCount();
    std::vector<uint8_t> record(cursor.GetRecordSize());
    std::vector<std::string> rows;
    cursor.SetToBegin();
    while (cursor.GetNextRecord(record) == 0) {
        std::string row;
        for (uint16_t n = 1; n <= columns; ++n) {
            if (n > 1) row += '|';
            row += FieldText(cursor, n, record);
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace vorsam
