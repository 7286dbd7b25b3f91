#include "db/lib/Values.h"

#include "db/lib/Bcd.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/DateTimeValues.h"
#include "db/lib/TextUtils.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <strings.h>
#include <vector>

namespace vorsam {

namespace {

// A value taken out of its native form; the pivot of every conversion.
struct TScalar {
    enum TKind { Text, Integer, Float, Decimal, Boolean, Date, Time, TimeStamp, Bytes } Kind = Text;
    int64_t Int = 0; // Integer, Boolean, Date, Time
    double Real = 0; // Float, TimeStamp
    TDecimal Dec;    // Decimal
    std::string Raw; // Text, Bytes
};

std::optional<int64_t> ParseInteger(std::string_view text) {
    text = TrimBlanks(text);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> ParseFloat(std::string_view text) {
    text = TrimBlanks(text);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<bool> ParseBoolean(std::string_view text) {
    text = TrimBlanks(text);
    if (text.size() == 4 && strncasecmp(text.data(), "TRUE", 4) == 0) return true;
    if (text.size() == 5 && strncasecmp(text.data(), "FALSE", 5) == 0) return false;
    return std::nullopt;
}

std::string FormatFloat(double value) {
    char text[32];
    auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return std::string(text, end);
}

// ---- native form to scalar

TScalar MakeInteger(TScalar::TKind kind, int64_t value) {
    TScalar s;
    s.Kind = kind;
    s.Int = value;
    return s;
}

TScalar MakeReal(TScalar::TKind kind, double value) {
    TScalar s;
    s.Kind = kind;
    s.Real = value;
    return s;
}

TScalar MakeRaw(TScalar::TKind kind, std::string raw) {
    TScalar s;
    s.Kind = kind;
    s.Raw = std::move(raw);
    return s;
}

std::optional<TScalar> Decode(TValueKind kind, const uint8_t* value) {
    auto chars = reinterpret_cast<const char*>(value);
    switch (kind.DataType) {
    case dtString:
        return MakeRaw(TScalar::Text, std::string(chars, strnlen(chars, kind.Size + 1u)));
    case dtBoolean:
        return MakeInteger(TScalar::Boolean, LoadNative<int16_t>(value) != 0);
    case dtSmallInt:
        return MakeInteger(TScalar::Integer, LoadNative<int16_t>(value));
    case dtInteger:
        return MakeInteger(TScalar::Integer, LoadNative<int32_t>(value));
    case dtWord:
        return MakeInteger(TScalar::Integer, LoadNative<uint16_t>(value));
    case dtLargeInt:
        return MakeInteger(TScalar::Integer, LoadNative<int64_t>(value));
    case dtFloat:
        return MakeReal(TScalar::Float, LoadNative<double>(value));
    case dtTimeStamp:
        return MakeReal(TScalar::TimeStamp, LoadNative<double>(value));
    case dtDate: {
        int32_t day = LoadNative<int32_t>(value);
        if (day < 1 || day > MaxDayNumber) return std::nullopt;
        return MakeInteger(TScalar::Date, day);
    }
    case dtTime: {
        int32_t ms = LoadNative<int32_t>(value);
        if (ms < 0 || ms >= MillisecondsPerDay) return std::nullopt;
        return MakeInteger(TScalar::Time, ms);
    }
    case dtBcd: {
        std::optional<TDecimal> dec = DecodeBcd(value);
        if (!dec) return std::nullopt;
        TScalar s;
        s.Kind = TScalar::Decimal;
        s.Dec = *dec;
        return s;
    }
    default:
        return MakeRaw(TScalar::Bytes, std::string(chars, ValueBufferSize(kind)));
    }
}

std::optional<std::string> ScalarToText(const TScalar& s) {
    switch (s.Kind) {
    case TScalar::Text:
    case TScalar::Bytes:
        return s.Raw;
    case TScalar::Integer:
        return std::to_string(s.Int);
    case TScalar::Float:
        return FormatFloat(s.Real);
    case TScalar::Decimal:
        return FormatDecimal(s.Dec);
    case TScalar::Boolean:
        return std::string(s.Int ? "TRUE" : "FALSE");
    case TScalar::Date:
        return FormatDate(int32_t(s.Int));
    case TScalar::Time:
        return FormatTime(int32_t(s.Int));
    case TScalar::TimeStamp: {
        std::string text = FormatTimeStamp(s.Real);
        if (text.empty()) return std::nullopt;
        return text;
    }
    }
    return std::nullopt;
}

// ---- scalar to the value of a target type

std::optional<int64_t> ToInt64(const TScalar& s) {
    switch (s.Kind) {
    case TScalar::Integer:
    case TScalar::Boolean:
        return s.Int;
    case TScalar::Float: {
        double t = std::trunc(s.Real);
        if (!(t >= -9223372036854775808.0 && t < 9223372036854775808.0)) return std::nullopt;
        return int64_t(t);
    }
    case TScalar::Decimal: {
        int64_t v;
        if (!DecimalToInt64(s.Dec, v)) return std::nullopt;
        return v;
    }
    case TScalar::Text:
        return ParseInteger(s.Raw);
    default:
        return std::nullopt;
    }
}

std::optional<double> ToDouble(const TScalar& s) {
    switch (s.Kind) {
    case TScalar::Integer:
        return double(s.Int);
    case TScalar::Float:
        return s.Real;
    case TScalar::Decimal:
        return ParseFloat(FormatDecimal(s.Dec));
    case TScalar::Text:
        return ParseFloat(s.Raw);
    default:
        return std::nullopt;
    }
}

std::optional<TDecimal> ToDecimal(const TScalar& s) {
    switch (s.Kind) {
    case TScalar::Integer:
        return Int64ToDecimal(s.Int);
    case TScalar::Decimal:
        return s.Dec;
    case TScalar::Text:
        return ParseDecimal(s.Raw);
    case TScalar::Float: {
        if (!std::isfinite(s.Real)) return std::nullopt;
        char text[400];
        // The shortest decimal text that reads back as the double, then rounded half away from zero.
        auto [end, error] = std::to_chars(text, text + sizeof text, s.Real, std::chars_format::fixed);
        if (error != std::errc()) return std::nullopt;
        return ParseDecimal(std::string_view(text, size_t(end - text)));
    }
    default:
        return std::nullopt;
    }
}

bool StoreInteger(const TScalar& s, uint8_t type, uint8_t* destination) {
    std::optional<int64_t> v = ToInt64(s);
    if (!v) return false;
    auto fits = [&](int64_t lo, int64_t hi) { return *v >= lo && *v <= hi; };
    switch (type) {
    case dtSmallInt:
        return fits(INT16_MIN, INT16_MAX) && (StoreNative(destination, int16_t(*v)), true);
    case dtInteger:
        return fits(INT32_MIN, INT32_MAX) && (StoreNative(destination, int32_t(*v)), true);
    case dtWord:
        return fits(0, UINT16_MAX) && (StoreNative(destination, uint16_t(*v)), true);
    default:
        StoreNative(destination, *v);
        return true;
    }
}

bool StoreBoolean(const TScalar& s, uint8_t* destination) {
    std::optional<int64_t> v;
    if (s.Kind == TScalar::Integer || s.Kind == TScalar::Boolean) v = s.Int != 0;
    if (s.Kind == TScalar::Text) {
        if (auto b = ParseBoolean(s.Raw)) v = *b;
    }
    if (!v) return false;
    StoreNative(destination, int16_t(*v));
    return true;
}

bool StoreBcd(const TScalar& s, TValueKind kind, uint8_t* destination) {
    std::optional<TDecimal> dec = ToDecimal(s);
    if (!dec || kind.Scale > 63) return false;
    TDecimal rounded = RoundDecimal(*dec, kind.Scale);
    size_t limit = kind.Size == 0 ? MaxBcdDigits : kind.Size;
    bool zeroInteger = rounded.Digits.size() == size_t(rounded.Scale) + 1 && rounded.Digits[0] == '0';
    if (rounded.Digits.size() - (zeroInteger ? 1 : 0) > limit) return false;
    return EncodeBcd(rounded, destination);
}

std::optional<int32_t> ToDate(const TScalar& s) {
    int32_t day, ms;
    if (s.Kind == TScalar::Date) return int32_t(s.Int);
    if (s.Kind == TScalar::TimeStamp && SplitTimeStamp(s.Real, day, ms)) return day;
    if (s.Kind == TScalar::Text) return ParseDate(s.Raw);
    return std::nullopt;
}

std::optional<int32_t> ToTime(const TScalar& s) {
    int32_t day, ms;
    if (s.Kind == TScalar::Time) return int32_t(s.Int);
    if (s.Kind == TScalar::TimeStamp && SplitTimeStamp(s.Real, day, ms)) return ms;
    if (s.Kind == TScalar::Text) return ParseTime(s.Raw);
    return std::nullopt;
}

std::optional<double> ToTimeStamp(const TScalar& s) {
    int32_t day, ms;
    if (s.Kind == TScalar::TimeStamp && SplitTimeStamp(s.Real, day, ms)) return s.Real;
    if (s.Kind == TScalar::Date) return MakeTimeStamp(int32_t(s.Int), 0);
    if (s.Kind == TScalar::Text) return ParseTimeStamp(s.Raw);
    return std::nullopt;
}

template <typename T> bool StoreOptional(const std::optional<T>& v, uint8_t* destination) {
    if (v) StoreNative(destination, *v);
    return v.has_value();
}

bool StoreText(const std::optional<std::string>& text, size_t size, uint8_t* destination, bool terminated) {
    if (!text || text->size() > size) return false;
    std::memset(destination, 0, size + (terminated ? 1 : 0));
    std::memcpy(destination, text->data(), text->size());
    return true;
}

bool Encode(const TScalar& s, TValueKind kind, uint8_t* destination) {
    switch (kind.DataType) {
    case dtString:
        return StoreText(ScalarToText(s), kind.Size, destination, true);
    case dtSmallInt:
    case dtInteger:
    case dtWord:
    case dtLargeInt:
        return StoreInteger(s, kind.DataType, destination);
    case dtBoolean:
        return StoreBoolean(s, destination);
    case dtFloat:
        return StoreOptional(ToDouble(s), destination);
    case dtBcd:
        return StoreBcd(s, kind, destination);
    case dtDate:
        return StoreOptional(ToDate(s), destination);
    case dtTime:
        return StoreOptional(ToTime(s), destination);
    case dtTimeStamp:
        return StoreOptional(ToTimeStamp(s), destination);
    case dtBytes:
    case dtVarBytes:
        if (s.Kind != TScalar::Text && s.Kind != TScalar::Bytes) return false;
        return StoreText(s.Raw, kind.Size, destination, false);
    default:
        return false;
    }
}

} // namespace

size_t ValueBufferSize(TValueKind kind) {
    return PhysicalSizeOf(kind.DataType, kind.Size);
}

bool IsValidConstant(std::string_view text, uint8_t dataType) {
    if (text.empty()) return true;
    switch (dataType) {
    case dtString:
    case dtBlob:
    case dtBytes:
    case dtVarBytes:
        return true;
    case dtBcd: {
        std::optional<TDecimal> dec = ParseDecimal(text);
        return dec && dec->Digits.size() <= MaxBcdDigits;
    }
    default: {
        uint8_t scratch[16];
        return TextToValue(text, TValueKind{dataType, 0, 0}, scratch);
    }
    }
}

bool TextToValue(std::string_view text, TValueKind kind, uint8_t* destination) {
    return Encode(MakeRaw(TScalar::Text, std::string(text)), kind, destination);
}

std::string ValueToText(const uint8_t* value, TValueKind kind) {
    std::optional<TScalar> s = Decode(kind, value);
    if (!s) return {};
    return ScalarToText(*s).value_or(std::string());
}

bool TextToDateTimeValue(std::string_view text, uint8_t dataType, uint8_t* destination) {
    if (dataType != dtDate && dataType != dtTime && dataType != dtTimeStamp) return false;
    return TextToValue(text, TValueKind{dataType, 0, 0}, destination);
}

bool ConvertValue(TValueKind from, TValueKind to, uint8_t* buffer, size_t capacity) {
    if (capacity < ValueBufferSize(from) || capacity < ValueBufferSize(to)) return false;
    std::optional<TScalar> s = Decode(from, buffer);
    if (!s) return false;
    std::vector<uint8_t> converted(ValueBufferSize(to));
    if (!Encode(*s, to, converted.data())) return false;
    std::memcpy(buffer, converted.data(), converted.size());
    return true;
}

} // namespace vorsam
