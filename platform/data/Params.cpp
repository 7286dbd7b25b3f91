#include "platform/data/Params.h"

#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"
#include "platform/data/Field.h"
#include "platform/data/TextUtil.h"

#include <cstring>
#include <limits>

namespace platform::data {
namespace {

TFieldType TypeOfValue(const Variant& value) {
    switch (value.VarType()) {
    case varBoolean:
        return ftBoolean;
    case varInteger: {
        const std::int64_t number = value.ToInt64();
        const bool small = number >= std::numeric_limits<std::int32_t>::min() &&
                           number <= std::numeric_limits<std::int32_t>::max();
        return small ? ftInteger : ftLargeint;
    }
    case varDouble:
        return ftFloat;
    case varCurrency:
        return ftBCD;
    case varDate:
        return ftDateTime;
    case varString:
        return ftString;
    case varBytes:
        return ftBytes;
    default:
        return ftUnknown;
    }
}

template <class T> void Put(void* buffer, T value) {
    std::memcpy(buffer, &value, sizeof value);
}

// Types whose data is the text and a terminating zero byte.
bool IsTextType(TFieldType type) {
    return type == ftString || type == ftFixedChar || type == ftWideString || type == ftGuid ||
           type == ftMemo;
}

} // namespace

void TParam::Set(TFieldType type, Variant value) {
    fDataType = type;
    fValue = std::move(value);
    fBound = true;
}

void TParam::SetValue(const Variant& value) {
    if (fDataType == ftUnknown) fDataType = TypeOfValue(value);
    fValue = value;
    fBound = true;
}

std::int32_t TParam::AsInteger() const {
    const std::int64_t value = fValue.ToInt64();
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw EConvertError("Integer value out of range");
    return static_cast<std::int32_t>(value);
}

void TParam::AssignField(const TField& field) {
    fName = field.FieldName();
    AssignFieldValue(field, field.Value());
}

void TParam::AssignFieldValue(const TField& field, const Variant& value) {
    fDataType = field.DataType();
    fValue = value;
    fBound = true;
}

std::int64_t TParam::GetDataSize() const {
    if (IsTextType(fDataType)) return static_cast<std::int64_t>(AsString().size()) + 1;
    switch (fDataType) {
    case ftUnknown:
        DatabaseErrorFmt(SUnknownFieldType, {fName});
    case ftSmallint:
    case ftWord:
    case ftBoolean:
        return 2;
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime:
        return 4;
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftDateTime:
        return 8;
    case ftBCD:
        return sizeof(TBcd);
    default:
        if (fDataType == ftBytes || fDataType == ftVarBytes || IsBlobType(fDataType))
            return static_cast<std::int64_t>(fValue.IsNull() ? 0 : fValue.ToBytes().size());
        return 0;
    }
}

void TParam::GetData(void* buffer) const {
    if (IsTextType(fDataType)) {
        const std::string text = AsString();
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        return;
    }
    switch (fDataType) {
    case ftUnknown:
        DatabaseErrorFmt(SUnknownFieldType, {fName});
    case ftSmallint:
        Put(buffer, static_cast<std::int16_t>(AsInteger()));
        break;
    case ftWord:
        Put(buffer, static_cast<std::uint16_t>(AsInteger()));
        break;
    case ftBoolean:
        Put(buffer, static_cast<std::int16_t>(AsBoolean() ? 1 : 0));
        break;
    case ftInteger:
    case ftAutoInc:
        Put(buffer, AsInteger());
        break;
    case ftLargeint:
        Put(buffer, fValue.ToInt64());
        break;
    case ftDate:
        Put(buffer, DateTimeToTimeStamp(AsDateTime()).Date);
        break;
    case ftTime:
        Put(buffer, DateTimeToTimeStamp(AsDateTime()).Time);
        break;
    case ftDateTime:
        Put(buffer, TimeStampToMSecs(DateTimeToTimeStamp(AsDateTime())));
        break;
    case ftFloat:
    case ftCurrency:
        Put(buffer, AsFloat());
        break;
    case ftBCD:
        Put(buffer, CurrToBCD(AsCurrency()));
        break;
    default:
        if (GetDataSize() > 0) {
            const TBytes bytes = fValue.ToBytes();
            std::memcpy(buffer, bytes.data(), bytes.size());
        }
    }
}

TParam& TParams::CreateParam(TFieldType dataType, std::string name, TParamType paramType) {
    return fItems.emplace_back(std::move(name), dataType, paramType);
}

TParam* TParams::FindParam(std::string_view name) {
    for (TParam& param : fItems)
        if (SameText(param.Name(), name)) return &param;
    return nullptr;
}

TParam& TParams::ParamByName(std::string_view name) {
    TParam* param = FindParam(name);
    if (param == nullptr) DatabaseErrorFmt(SParameterNotFound, {name});
    return *param;
}

void TParams::AssignValues(const TParams& other) {
    for (const TParam& source : other.fItems)
        if (TParam* target = FindParam(source.Name())) *target = source;
}

} // namespace platform::data
