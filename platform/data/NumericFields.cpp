#include "platform/data/NumericFields.h"

#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"
#include "platform/data/NumberText.h"
#include "platform/os/FormatSettings.h"

#include <cmath>
#include <limits>

namespace platform::data {

// ---- integer kinds ----

int TIntegerField::DataSize() const {
    switch (DataType()) {
    case ftSmallint:
    case ftWord:
        return 2;
    case ftLargeint:
        return 8;
    default:
        return 4;
    }
}

std::int64_t TIntegerField::MinValue() const {
    switch (DataType()) {
    case ftSmallint:
        return std::numeric_limits<std::int16_t>::min();
    case ftWord:
        return 0;
    case ftLargeint:
        return std::numeric_limits<std::int64_t>::min();
    default:
        return std::numeric_limits<std::int32_t>::min();
    }
}

std::int64_t TIntegerField::MaxValue() const {
    switch (DataType()) {
    case ftSmallint:
        return std::numeric_limits<std::int16_t>::max();
    case ftWord:
        return std::numeric_limits<std::uint16_t>::max();
    case ftLargeint:
        return std::numeric_limits<std::int64_t>::max();
    default:
        return std::numeric_limits<std::int32_t>::max();
    }
}

std::optional<std::int64_t> TIntegerField::ReadValue() const {
    switch (DataType()) {
    case ftSmallint:
        return ReadNative<std::int16_t>();
    case ftWord:
        return ReadNative<std::uint16_t>();
    case ftLargeint:
        return ReadNative<std::int64_t>();
    default:
        return ReadNative<std::int32_t>();
    }
}

void TIntegerField::SetAsLargeInt(std::int64_t value) {
    if (value < MinValue() || value > MaxValue())
        RangeError(std::to_string(value), std::to_string(MinValue()), std::to_string(MaxValue()));
    switch (DataType()) {
    case ftSmallint:
        return WriteNative(static_cast<std::int16_t>(value));
    case ftWord:
        return WriteNative(static_cast<std::uint16_t>(value));
    case ftLargeint:
        return WriteNative(value);
    default:
        return WriteNative(static_cast<std::int32_t>(value));
    }
}

std::int32_t TIntegerField::AsInteger() const {
    return ToInt32(AsLargeInt());
}

std::string TIntegerField::AsString() const {
    const auto value = ReadValue();
    return value ? std::to_string(*value) : std::string();
}

void TIntegerField::SetAsString(std::string_view value) {
    if (value.empty()) return Clear();
    SetAsLargeInt(Parsed(TryStrToInt64(value), SInvalidIntegerValue, value));
}

void TIntegerField::SetAsFloat(double value) {
    const double rounded = std::round(value);
    if (!(rounded >= static_cast<double>(MinValue()) && rounded < static_cast<double>(MaxValue()) + 1.0))
        RangeError(FloatToStr(value), std::to_string(MinValue()), std::to_string(MaxValue()));
    SetAsLargeInt(static_cast<std::int64_t>(rounded));
}

Variant TIntegerField::GetAsVariant() const {
    const auto value = ReadValue();
    return value ? Variant(*value) : Variant();
}

// ---- floating-point kinds ----

std::string TFloatField::AsString() const {
    const auto value = ReadNative<double>();
    return value ? FloatToStr(*value) : std::string();
}

void TFloatField::SetAsString(std::string_view value) {
    if (value.empty()) return Clear();
    SetAsFloat(Parsed(TryStrToFloat(value), SInvalidFloatValue, value));
}

std::int32_t TFloatField::AsInteger() const {
    return ToInt32(AsFloat());
}

void TFloatField::GetText(std::string& text, bool displayText) const {
    const auto value = ReadNative<double>();
    if (!value)
        text.clear();
    else if (!fCurrency)
        text = FloatToStr(*value);
    else if (displayText)
        text = FloatToStrCurrency(*value);
    else
        text = FloatToStrFixed(*value, FormatSettings().CurrencyDecimals);
}

Variant TFloatField::GetAsVariant() const {
    const auto value = ReadNative<double>();
    return value ? Variant(*value) : Variant();
}

// ---- BCD ----

TBCDField::TBCDField(std::string fieldName, int size, int precision)
    : TField(ftBCD, std::move(fieldName), size), fPrecision(precision) {
    CheckTypeSize(size);
    if (precision < 0 || precision > 32 || (precision != 0 && precision < size))
        DatabaseError(SInvalidFieldSize);
}

void TBCDField::CheckTypeSize(int size) const {
    if (size < 0 || size > 32) DatabaseError(SInvalidFieldSize);
}

Currency TBCDField::AsCurrency() const {
    const auto value = ReadNative<TBcd>();
    return value ? BCDToCurr(*value) : Currency();
}

void TBCDField::SetAsCurrency(Currency value) {
    TBcd bcd;
    try {
        bcd = CurrToBCD(value, Precision(), Size());
    } catch (const EConvertError&) {
        InvalidValue(SInvalidFloatValue, CurrToStr(value));
    }
    SetData(&bcd);
}

std::string TBCDField::AsString() const {
    return IsNull() ? std::string() : CurrToStr(AsCurrency());
}

void TBCDField::SetAsString(std::string_view value) {
    if (value.empty()) return Clear();
    if (const auto amount = TryStrToCurr(value)) return SetAsCurrency(*amount);
    const auto number = TryStrToFloat(value);
    if (!number || std::fabs(*number) >= 9.2e14) InvalidValue(SInvalidFloatValue, value);
    SetAsCurrency(Currency::FromDouble(*number));
}

std::int32_t TBCDField::AsInteger() const {
    return ToInt32(AsCurrency().Round());
}

void TBCDField::SetAsInteger(std::int32_t value) {
    SetAsCurrency(Currency::FromScaled(std::int64_t{value} * Currency::Scale));
}

Variant TBCDField::GetAsVariant() const {
    return IsNull() ? Variant() : Variant(AsCurrency());
}

} // namespace platform::data
