#include "db/lib/ExpressionValues.h"

#include "db/lib/Bcd.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"
#include "db/lib/DateTimeValues.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/Values.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

namespace {

constexpr int64_t CurrencyUnit = 10000;

template <typename T> int Sign(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// The native bytes of a fixed-size value, zero-padded when the buffer is short.
template <typename T> T LoadValue(const TExpToken& token) {
    uint8_t bytes[sizeof(T)] = {};
    std::memcpy(bytes, token.Value.data(), std::min(sizeof(T), token.Value.size()));
    return LoadNative<T>(bytes);
}

template <typename T> void StoreValue(TExpToken& token, T value) {
    token.Value.resize(sizeof(T));
    StoreNative(token.Value.data(), value);
}

std::string_view TypeName(uint8_t dataType) {
    switch (dataType) {
    case dtString:
        return "string";
    case dtDate:
        return "date";
    case dtBlob:
        return "BLOB";
    case dtBoolean:
        return "boolean";
    case dtSmallInt:
        return "smallint";
    case dtInteger:
        return "integer";
    case dtFloat:
        return "float";
    case dtBcd:
        return "BCD";
    case dtBytes:
    case dtVarBytes:
        return "bytes";
    case dtTime:
        return "time";
    case dtTimeStamp:
        return "timestamp";
    case dtWord:
        return "word";
    case dtLargeInt:
        return "largeint";
    default:
        return "unknown";
    }
}

[[noreturn]] void RaiseMismatch(const std::string& text) {
    RaiseEngineError(VORSAM_EXPTYPEMISMATCH, text);
}

} // namespace

TExpValue ExpStringAsTypeOf(const TExpValue& text, const TExpValue& other) {
    TExpToken token;
    TValueKind kind{other.DataType, 0, other.Scale};
    token.SetValueSize(std::max<size_t>(ValueBufferSize(kind), 1));
    if (!TextToValue(text.Text, kind, token.Value.data()))
        RaiseMismatch("'" + text.Text + "' is no " + std::string(TypeName(other.DataType)) + " value");
    token.DataType = other.DataType;
    token.SubType = other.SubType;
    token.Scale = other.Scale;
    token.IsNull = false;
    return ReadExpValue(token);
}

double ExpNumberAsReal(const TExpValue& v) {
    return v.DataType == dtFloat ? v.Real : ExpExactAsReal(v.Int, v.DataType == dtBcd);
}

double ExpExactAsReal(int64_t value, bool currency) {
    return currency ? double(value) / CurrencyUnit : double(value);
}

double ExpDateTimeAsReal(const TExpValue& v) {
    return v.DataType == dtDate ? MakeTimeStamp(int32_t(v.Int), 0) : v.Real;
}

int CompareCollationKeys(std::string_view a, std::string_view b, const TCollationRules& rules) {
    return LocaleCompareTexts(rules.LanguageId, rules.SortId, a, b);
}

namespace {

int CompareNumbers(const TExpValue& a, const TExpValue& b) {
    if (a.DataType == dtFloat || b.DataType == dtFloat) return Sign(ExpNumberAsReal(a), ExpNumberAsReal(b));
    auto scaled = [](const TExpValue& v) {
        return v.DataType == dtBcd ? __int128(v.Int) : __int128(v.Int) * CurrencyUnit;
    };
    if (a.DataType == dtBcd || b.DataType == dtBcd) return Sign(scaled(a), scaled(b));
    return Sign(a.Int, b.Int);
}

int CompareStrings(const TExpValue& a, const TExpValue& b, const TCollationRules& rules) {
    if (!rules.CaseInsensitive) return CompareCollationKeys(a.Text, b.Text, rules);
    return CompareCollationKeys(CollationKeyText(a.Text, rules), CollationKeyText(b.Text, rules), rules);
}

int CompareSameClass(TTypeClass typeClass, const TExpValue& a, const TExpValue& b,
                     const TCollationRules& rules) {
    switch (typeClass) {
    case tcNumeric:
        return CompareNumbers(a, b);
    case tcString:
        return CompareStrings(a, b, rules);
    case tcDateTime:
        if (a.DataType == dtDate && b.DataType == dtDate) return Sign(a.Int, b.Int);
        return Sign(ExpDateTimeAsReal(a), ExpDateTimeAsReal(b));
    case tcBoolean:
    case tcTime:
        return Sign(a.Int, b.Int);
    case tcBytes:
        return Sign(a.Text.compare(b.Text), 0);
    default:
        RaiseMismatch(std::string(TypeName(a.DataType)) + " values cannot be compared");
    }
}

} // namespace

TTypeClass TypeClassOf(uint8_t dataType, uint8_t subType) {
    switch (dataType) {
    case dtUnknown:
        return tcUnknown;
    case dtSmallInt:
    case dtInteger:
    case dtWord:
    case dtLargeInt:
    case dtFloat:
    case dtBcd:
        return tcNumeric;
    case dtString:
        return tcString;
    case dtBlob:
        return subType == stMemo || subType == stFmtMemo ? tcString : tcOther;
    case dtBoolean:
        return tcBoolean;
    case dtDate:
    case dtTimeStamp:
        return tcDateTime;
    case dtTime:
        return tcTime;
    case dtBytes:
    case dtVarBytes:
        return tcBytes;
    default:
        return tcOther;
    }
}

bool IsIntegerType(uint8_t dataType) {
    return dataType == dtSmallInt || dataType == dtInteger || dataType == dtWord || dataType == dtLargeInt;
}

std::string_view TypeClassName(TTypeClass typeClass) {
    switch (typeClass) {
    case tcNumeric:
        return "Numeric";
    case tcString:
        return "String";
    case tcBoolean:
        return "Boolean";
    case tcDateTime:
    case tcTime:
        return "Date, time, or timestamp";
    case tcBytes:
        return "Bytes";
    default:
        return "Comparable";
    }
}

TExpType ExpTypeOf(const TExpToken& token) {
    return {token.DataType, token.SubType, token.Size, token.Scale};
}

void SetExpType(TExpToken& token, const TExpType& type) {
    token.DataType = type.DataType;
    token.SubType = type.SubType;
    token.Size = type.Size;
    token.Scale = type.Scale;
}

TExpType ArithmeticResultType(uint8_t op, const TExpType& a, const TExpType& b) {
    bool unary = op == opNegate || op == opUnaryPlus;
    const TExpType& second = unary ? a : b;
    TTypeClass ca = TypeClassOf(a.DataType, a.SubType), cb = TypeClassOf(second.DataType, second.SubType);
    if ((ca != tcNumeric && ca != tcUnknown) || (cb != tcNumeric && cb != tcUnknown)) return {};
    if (ca == tcUnknown && cb == tcUnknown) return {};
    const TExpType& x = ca == tcUnknown ? second : a;
    const TExpType& y = cb == tcUnknown ? a : second;
    bool money =
        (x.DataType == dtFloat && x.SubType == stMoney) || (y.DataType == dtFloat && y.SubType == stMoney);
    if (op == opDivide || x.DataType == dtFloat || y.DataType == dtFloat)
        return {dtFloat, uint8_t(money ? stMoney : stNone), 0, 0};
    if (x.DataType == dtBcd || y.DataType == dtBcd) {
        uint8_t sx = x.DataType == dtBcd ? x.Scale : 0, sy = y.DataType == dtBcd ? y.Scale : 0;
        uint8_t scale = op == opMultiply ? uint8_t(std::min(sx + sy, int(CurrencyScale))) : std::max(sx, sy);
        if (unary) scale = x.Scale;
        return {dtBcd, 0, 0, scale};
    }
    if (x.DataType == dtLargeInt || y.DataType == dtLargeInt) return {dtLargeInt, 0, 0, 0};
    return {dtInteger, 0, 0, 0};
}

TExpValue MakeIntegerValue(uint8_t dataType, int64_t value) {
    TExpValue v;
    v.DataType = dataType;
    v.IsNull = false;
    v.Int = value;
    return v;
}

TExpValue MakeBooleanValue(std::optional<bool> value) {
    TExpValue v = MakeIntegerValue(dtBoolean, value.value_or(false));
    v.IsNull = !value.has_value();
    return v;
}

TExpValue MakeFloatValue(double value, uint8_t subType) {
    TExpValue v;
    v.DataType = dtFloat;
    v.SubType = subType;
    v.IsNull = false;
    v.Real = value;
    return v;
}

TExpValue ReadExpValue(const TExpToken& token) {
    TExpValue v;
    v.DataType = token.DataType;
    v.SubType = token.SubType;
    v.Scale = token.Scale;
    v.IsNull = token.IsNull;
    if (v.IsNull) return v;
    switch (token.DataType) {
    case dtString:
        v.Text = token.StringValue();
        break;
    case dtBlob:
        if (TypeClassOf(token.DataType, token.SubType) == tcString)
            v.Text = token.StringValue();
        else
            v.Text.assign(token.Value.begin(), token.Value.end());
        break;
    case dtBytes:
    case dtVarBytes:
        v.Text.assign(token.Value.begin(), token.Value.end());
        break;
    case dtBoolean:
        v.Int = LoadValue<int16_t>(token) != 0;
        break;
    case dtSmallInt:
        v.Int = LoadValue<int16_t>(token);
        break;
    case dtWord:
        v.Int = LoadValue<uint16_t>(token);
        break;
    case dtInteger:
    case dtDate:
    case dtTime:
        v.Int = LoadValue<int32_t>(token);
        break;
    case dtLargeInt:
        v.Int = LoadValue<int64_t>(token);
        break;
    case dtFloat:
    case dtTimeStamp:
        v.Real = LoadValue<double>(token);
        break;
    case dtBcd:
        if (token.Value.size() < BcdValueSize || !BcdToCurrencyValue(token.Value.data(), v.Int))
            RaiseEngineError(VORSAM_OUTOFRANGE, "BCD value beyond the currency range");
        v.Scale = token.Value[1] & 0x3F;
        break;
    default:
        v.Text.assign(token.Value.begin(), token.Value.end());
        break;
    }
    return v;
}

void WriteExpValue(TExpToken& token, const TExpValue& value) {
    token.DataType = value.DataType;
    token.SubType = value.SubType;
    token.Scale = value.Scale;
    token.Size = 0;
    token.IsNull = value.IsNull;
    if (value.IsNull) return token.Value.clear();
    switch (value.DataType) {
    case dtString:
        token.Value.assign(value.Text.begin(), value.Text.end());
        token.Value.push_back(0);
        token.Size = uint16_t(std::min<size_t>(value.Text.size(), UINT16_MAX));
        break;
    case dtBoolean:
    case dtSmallInt:
        StoreValue(token, int16_t(value.Int));
        break;
    case dtWord:
        StoreValue(token, uint16_t(value.Int));
        break;
    case dtInteger:
    case dtDate:
    case dtTime:
        StoreValue(token, int32_t(value.Int));
        break;
    case dtLargeInt:
        StoreValue(token, value.Int);
        break;
    case dtFloat:
    case dtTimeStamp:
        StoreValue(token, value.Real);
        break;
    case dtBcd:
        token.Value.assign(BcdValueSize, 0);
        if (!CurrencyToBcdValue(value.Int, value.Scale, token.Value.data()))
            RaiseEngineError(VORSAM_OUTOFRANGE, "BCD value");
        break;
    default:
        token.Value.assign(value.Text.begin(), value.Text.end());
        token.Size = uint16_t(std::min<size_t>(value.Text.size(), UINT16_MAX));
        break;
    }
}

std::string ExpValueText(const TExpValue& value) {
    if (value.IsNull) return "NULL";
    if (value.DataType == dtString) return value.Text;
    TExpToken token;
    WriteExpValue(token, value);
    return ValueToText(token.Value.data(), TValueKind{token.DataType, token.Size, token.Scale});
}

std::string CollationKeyText(std::string_view text, const TCollationRules& rules) {
    if (!rules.CaseInsensitive) return std::string(text);
    return LocaleUpperCase(rules.LanguageId, rules.SortId, text);
}

int CompareExpValues(const TExpValue& a, const TExpValue& b, const TCollationRules& rules) {
    TTypeClass ca = TypeClassOf(a.DataType, a.SubType), cb = TypeClassOf(b.DataType, b.SubType);
    if (ca == cb) return CompareSameClass(ca, a, b, rules);
    if (ca == tcString && cb != tcOther && cb != tcBytes)
        return CompareSameClass(cb, ExpStringAsTypeOf(a, b), b, rules);
    if (cb == tcString && ca != tcOther && ca != tcBytes)
        return CompareSameClass(ca, a, ExpStringAsTypeOf(b, a), rules);
    RaiseMismatch(std::string(TypeName(a.DataType)) + " and " + std::string(TypeName(b.DataType)) +
                  " values cannot be compared");
}

bool LikeMatches(std::string_view text, std::string_view pattern) {
    // Greedy matching with one backtrack point: the last '%' seen and the text position it stands for.
    size_t t = 0, p = 0, starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '%') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == '_' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '%') ++p;
    return p == pattern.size();
}

bool TextToDateTimeValue(TExpToken& token, uint8_t dataType) {
    if (token.IsNull || token.DataType != dtString) return false;
    uint8_t value[8];
    if (!TextToDateTimeValue(token.StringValue(), dataType, value)) return false;
    token.DataType = dataType;
    token.SubType = 0;
    token.Size = 0;
    token.Scale = 0;
    token.Value.assign(value, value + ValueBufferSize(TValueKind{dataType, 0, 0}));
    return true;
}

} // namespace vorsam
