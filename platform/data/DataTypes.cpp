#include "platform/data/DataTypes.h"

#include <array>

namespace platform::data {

std::string_view FieldTypeName(TFieldType type) {
    static constexpr std::array<std::string_view, ftFMTBcd + 1> names = {
        "Unknown",     "String",    "SmallInt",  "Integer",    "Word",     "Boolean",    "Float",
        "Currency",    "BCD",       "Date",      "Time",       "DateTime", "Bytes",      "VarBytes",
        "AutoInc",     "Blob",      "Memo",      "Graphic",    "FmtMemo",  "ParadoxOle", "DBaseOle",
        "TypedBinary", "Cursor",    "FixedChar", "WideString", "Largeint", "ADT",        "Array",
        "Reference",   "DataSet",   "OraBlob",   "OraClob",    "Variant",  "Interface",  "IDispatch",
        "Guid",        "TimeStamp", "FMTBcd"};
    return type >= ftUnknown && type <= ftFMTBcd ? names[type] : names[ftUnknown];
}

bool IsBlobType(TFieldType type) {
    return (type >= ftBlob && type <= ftTypedBinary) || type == ftOraBlob || type == ftOraClob;
}

} // namespace platform::data
