#pragma once
// Variant: the dynamically typed value of fields (Value), parameters and key lists of Locate and
// Lookup. It holds null, a boolean, an integer, a double, a Currency, a date-time, a string (bytes),
// a byte array, or an array of variants.

#include "platform/data/Currency.h"
#include "platform/data/DataTypes.h"
#include "platform/data/DateTime.h"

#include <concepts>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace platform::data {

enum TVarType {
    varNull,
    varBoolean,
    varInteger,
    varDouble,
    varCurrency,
    varDate,
    varString,
    varBytes,
    varArray
};

class Variant {
public:
    Variant() = default; // null
    Variant(bool value) : fValue(value) {}
    template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>) Variant(T value)
        : fValue(static_cast<std::int64_t>(value)) {}
    Variant(double value) : fValue(value) {}
    Variant(Currency value) : fValue(value) {}
    Variant(const char* value) : fValue(std::string(value)) {}
    Variant(std::string value) : fValue(std::move(value)) {}
    Variant(std::string_view value) : fValue(std::string(value)) {}
    Variant(TBytes value) : fValue(std::move(value)) {}
    static Variant FromDateTime(TDateTime value);
    static Variant Array(std::vector<Variant> elements);

    TVarType VarType() const { return static_cast<TVarType>(fValue.index()); }
    bool IsNull() const { return VarType() == varNull; }
    bool IsArray() const { return VarType() == varArray; }
    const std::vector<Variant>& Elements() const; // EConvertError unless an array

    // Conversions; null converts to "" as text and raises EConvertError otherwise, as does text that
    // does not parse or a value out of range.
    std::string ToString() const;
    std::int64_t ToInt64() const;
    double ToDouble() const;
    bool ToBoolean() const;
    TDateTime ToDateTime() const;
    Currency ToCurrency() const;
    TBytes ToBytes() const;

    // Same type and same value.
    bool operator==(const Variant&) const = default;

private:
    struct DateValue {
        TDateTime Value = 0;
        bool operator==(const DateValue&) const = default;
    };
    [[noreturn]] void CastError(const char* target) const;

    std::variant<std::monostate, bool, std::int64_t, double, Currency, DateValue, std::string, TBytes,
                 std::vector<Variant>>
        fValue;
};

// VarArrayOf: an array of the given elements.
Variant VarArrayOf(std::vector<Variant> elements);

} // namespace platform::data
