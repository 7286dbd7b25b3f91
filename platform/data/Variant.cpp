#include "platform/data/Variant.h"

#include "platform/data/Errors.h"
#include "platform/data/NumberText.h"
#include "platform/data/TextUtil.h"

#include <cmath>

namespace platform::data {
namespace {

const char* TypeName(TVarType type) {
    static constexpr const char* names[] = {"Null", "Boolean", "Int64", "Double", "Currency",
                                            "Date", "String",  "Bytes", "Array"};
    return names[type];
}

std::int64_t RoundToInt64(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18)
        throw EConvertError("Integer value out of range");
    return std::llround(value);
}

} // namespace

Variant Variant::FromDateTime(TDateTime value) {
    Variant result;
    result.fValue = DateValue{value};
    return result;
}

Variant Variant::Array(std::vector<Variant> elements) {
    Variant result;
    result.fValue = std::move(elements);
    return result;
}

Variant VarArrayOf(std::vector<Variant> elements) {
    return Variant::Array(std::move(elements));
}

const std::vector<Variant>& Variant::Elements() const {
    if (!IsArray()) CastError("Array");
    return std::get<std::vector<Variant>>(fValue);
}

void Variant::CastError(const char* target) const {
    throw EConvertError(
        Format("Could not convert variant of type (%s) into type (%s)", {TypeName(VarType()), target}));
}

std::string Variant::ToString() const {
    switch (VarType()) {
    case varNull:
        return {};
    case varBoolean:
        return std::get<bool>(fValue) ? "True" : "False";
    case varInteger:
        return std::to_string(std::get<std::int64_t>(fValue));
    case varDouble:
        return FloatToStr(std::get<double>(fValue));
    case varCurrency:
        return CurrToStr(std::get<Currency>(fValue));
    case varDate:
        return DateTimeToStr(std::get<DateValue>(fValue).Value);
    case varString:
        return std::get<std::string>(fValue);
    case varBytes: {
        const TBytes& bytes = std::get<TBytes>(fValue);
        return std::string(bytes.begin(), bytes.end());
    }
    case varArray:
        break;
    }
    CastError("String");
}

std::int64_t Variant::ToInt64() const {
    switch (VarType()) {
    case varBoolean:
        return std::get<bool>(fValue) ? 1 : 0;
    case varInteger:
        return std::get<std::int64_t>(fValue);
    case varDouble:
        return RoundToInt64(std::get<double>(fValue));
    case varCurrency:
        return std::get<Currency>(fValue).Round();
    case varDate:
        return RoundToInt64(std::get<DateValue>(fValue).Value);
    case varString:
        if (const auto value = TryStrToInt64(std::get<std::string>(fValue))) return *value;
        break;
    default:
        break;
    }
    CastError("Int64");
}

double Variant::ToDouble() const {
    switch (VarType()) {
    case varBoolean:
        return std::get<bool>(fValue) ? 1 : 0;
    case varInteger:
        return static_cast<double>(std::get<std::int64_t>(fValue));
    case varDouble:
        return std::get<double>(fValue);
    case varCurrency:
        return std::get<Currency>(fValue).ToDouble();
    case varDate:
        return std::get<DateValue>(fValue).Value;
    case varString:
        if (const auto value = TryStrToFloat(std::get<std::string>(fValue))) return *value;
        break;
    default:
        break;
    }
    CastError("Double");
}

bool Variant::ToBoolean() const {
    switch (VarType()) {
    case varBoolean:
        return std::get<bool>(fValue);
    case varInteger:
    case varDouble:
    case varCurrency:
        return ToDouble() != 0;
    case varString: {
        const std::string& text = std::get<std::string>(fValue);
        if (SameText(Trim(text), "True")) return true;
        if (SameText(Trim(text), "False")) return false;
        if (const auto value = TryStrToFloat(text)) return *value != 0;
        break;
    }
    default:
        break;
    }
    CastError("Boolean");
}

TDateTime Variant::ToDateTime() const {
    switch (VarType()) {
    case varInteger:
    case varDouble:
    case varCurrency:
    case varDate:
        return ToDouble();
    case varString:
        if (const auto value = TryStrToDateTime(std::get<std::string>(fValue))) return *value;
        break;
    default:
        break;
    }
    CastError("Date");
}

Currency Variant::ToCurrency() const {
    switch (VarType()) {
    case varBoolean:
    case varInteger:
        return Currency::FromScaled(ToInt64() * Currency::Scale);
    case varDouble:
    case varDate:
        return Currency::FromDouble(ToDouble());
    case varCurrency:
        return std::get<Currency>(fValue);
    case varString:
        if (const auto value = TryStrToCurr(std::get<std::string>(fValue))) return *value;
        if (const auto value = TryStrToFloat(std::get<std::string>(fValue)))
            return Currency::FromDouble(*value);
        break;
    default:
        break;
    }
    CastError("Currency");
}

TBytes Variant::ToBytes() const {
    switch (VarType()) {
    case varBytes:
        return std::get<TBytes>(fValue);
    case varString: {
        const std::string& text = std::get<std::string>(fValue);
        return TBytes(text.begin(), text.end());
    }
    default:
        break;
    }
    CastError("Bytes");
}

} // namespace platform::data
