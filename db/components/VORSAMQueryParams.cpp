#include "db/components/VORSAMQueryParams.h"

#include "db/components/VORSAMTypeMapping.h"
#include "db/lib/DataTypes.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DateTime.h"
#include "platform/data/Errors.h"
#include "platform/data/Params.h"

#include <cstring>

namespace vorsam {

using namespace platform::data;

namespace {

bool IsTextParam(const TParam& param) {
    TFieldType type = param.DataType();
    return type == ftString || type == ftFixedChar || type == ftMemo || type == ftWideString;
}

bool IsBlankText(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

void SetBlobValue(const TParam& param, TStatementParam& value) {
    TBytes data;
    std::vector<uint8_t> reference(ParamDataSize(param));
    GetParamData(param, reference.data(), data);
    value.Value.assign(data.begin(), data.end());
    uint8_t subType = EngineFieldType(param.DataType()).SubType;
    value.SubType = IsTextParam(param) ? uint8_t(stMemo) : subType;
    if (value.SubType == stMemo) value.Value.push_back(0);
    value.Size = 0;
}

void SetPlainValue(const TParam& param, TStatementParam& value) {
    value.Value.assign(ParamDataSize(param), 0);
    TBytes unused;
    GetParamData(param, value.Value.data(), unused);
    value.SubType = EngineFieldType(param.DataType()).SubType;
    if (value.DataType == dtString)
        value.Size = uint16_t(strnlen(reinterpret_cast<const char*>(value.Value.data()), value.Value.size()));
    if (value.DataType == dtBytes || value.DataType == dtVarBytes) value.Size = uint16_t(value.Value.size());
    if (value.DataType == dtBcd) value.Scale = value.Value[1] & 0x3F;
    if (value.DataType == dtTimeStamp) {
        double stamp = 0;
        std::memcpy(&stamp, value.Value.data(), sizeof stamp);
        stamp -= MSecsPerDay; // the framework counts from the day before 0001-01-01
        std::memcpy(value.Value.data(), &stamp, sizeof stamp);
    }
}

} // namespace

TStatementParam QueryParamValue(const TParam& param) {
    TStatementParam value;
    value.DataType = ParamEngineType(param);
    if (value.DataType == dtUnknown) DatabaseErrorFmt(SNoParameterValue, {param.Name()});
    value.IsNull = param.IsNull() || (IsTextParam(param) && IsBlankText(param.AsString()));
    if (value.IsNull) return value;
    if (value.DataType == dtBlob)
        SetBlobValue(param, value);
    else
        SetPlainValue(param, value);
    return value;
}

} // namespace vorsam
