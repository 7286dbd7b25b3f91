#include "db/lib/ExpressionOperators.h"

#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionTree.h"

#include <cmath>
#include <string>

namespace vorsam {

namespace {

constexpr int64_t CurrencyUnit = 10000;

[[noreturn]] void RaiseOverflow(std::string_view what) {
    RaiseEngineError(VORSAM_OUTOFRANGE, std::string(what));
}

[[noreturn]] void RaiseMismatch(const std::string& text) {
    RaiseEngineError(VORSAM_EXPTYPEMISMATCH, text);
}

double AsDouble(const TExpValue& v) {
    if (v.DataType == dtFloat) return v.Real;
    return v.DataType == dtBcd ? double(v.Int) / CurrencyUnit : double(v.Int);
}

int64_t AsCurrency(const TExpValue& v) {
    int64_t result;
    if (v.DataType == dtBcd) return v.Int;
    if (__builtin_mul_overflow(v.Int, CurrencyUnit, &result)) RaiseOverflow("BCD overflow");
    return result;
}

int64_t CheckedIntegerOp(uint8_t op, int64_t a, int64_t b) {
    int64_t r = 0;
    bool overflow = op == opAdd        ? __builtin_add_overflow(a, b, &r)
                    : op == opSubtract ? __builtin_sub_overflow(a, b, &r)
                                       : __builtin_mul_overflow(a, b, &r);
    if (overflow) RaiseOverflow("integer overflow");
    return r;
}

int64_t CurrencyProduct(int64_t a, int64_t b) {
    __int128 product = __int128(a) * b;
    __int128 rounded = (product + (product < 0 ? -CurrencyUnit / 2 : CurrencyUnit / 2)) / CurrencyUnit;
    if (rounded > INT64_MAX || rounded < INT64_MIN) RaiseOverflow("BCD overflow");
    return int64_t(rounded);
}

TExpValue FloatResult(double value, uint8_t subType) {
    if (!std::isfinite(value)) RaiseOverflow("float overflow");
    return MakeFloatValue(value, subType);
}

TExpValue IntegerResult(const TExpType& type, int64_t value) {
    if (type.DataType == dtInteger && (value < INT32_MIN || value > INT32_MAX))
        RaiseOverflow("integer overflow");
    return MakeIntegerValue(type.DataType, value);
}

} // namespace

TExpValue NullExpValue(const TExpType& type) {
    TExpValue v;
    v.DataType = type.DataType;
    v.SubType = type.SubType;
    v.Scale = type.Scale;
    return v;
}

TExpType ExpTypeOfValue(const TExpValue& v) {
    return {v.DataType, v.SubType, 0, v.Scale};
}

TExpTruth ExpTruth(const TExpValue& v) {
    if (v.IsNull) return std::nullopt;
    if (v.DataType != dtBoolean) RaiseMismatch("boolean value expected");
    return v.Int != 0;
}

TExpValue ExpArithmetic(uint8_t op, const TExpValue& a, const TExpValue& b) {
    TExpType type = ArithmeticResultType(op, ExpTypeOfValue(a), ExpTypeOfValue(b));
    if (a.IsNull || b.IsNull) return NullExpValue(type);
    if (type.DataType == dtUnknown)
        RaiseMismatch("numeric values expected for " + std::string(OperatorText(op)));
    if (type.DataType == dtFloat) {
        double x = AsDouble(a), y = AsDouble(b);
        if (op == opDivide && y == 0) RaiseEngineError(VORSAM_DIVBYZERO);
        double r = op == opAdd ? x + y : op == opSubtract ? x - y : op == opMultiply ? x * y : x / y;
        return FloatResult(r, type.SubType);
    }
    if (type.DataType == dtBcd) {
        int64_t x = AsCurrency(a), y = AsCurrency(b);
        TExpValue r =
            MakeIntegerValue(dtBcd, op == opMultiply ? CurrencyProduct(x, y) : CheckedIntegerOp(op, x, y));
        r.Scale = type.Scale;
        return r;
    }
    return IntegerResult(type, CheckedIntegerOp(op, a.Int, b.Int));
}

TExpValue ExpSign(uint8_t op, const TExpValue& a) {
    TExpType type = ArithmeticResultType(op, ExpTypeOfValue(a), ExpTypeOfValue(a));
    if (a.IsNull) return NullExpValue(type);
    if (type.DataType == dtUnknown)
        RaiseMismatch("numeric value expected for " + std::string(OperatorText(op)));
    bool negate = op == opNegate;
    if (type.DataType == dtFloat) return FloatResult(negate ? -a.Real : a.Real, type.SubType);
    if (negate && a.Int == INT64_MIN) RaiseOverflow("integer overflow");
    TExpValue r = IntegerResult(type, negate ? -a.Int : a.Int);
    r.Scale = type.Scale;
    return r;
}

TExpValue ExpConcatenate(const TExpValue& a, const TExpValue& b) {
    bool strings =
        TypeClassOf(a.DataType, a.SubType) == tcString && TypeClassOf(b.DataType, b.SubType) == tcString;
    if (!a.IsNull && !b.IsNull && !strings) RaiseMismatch("string values expected for ||");
    TExpValue r;
    r.DataType = dtString;
    r.IsNull = a.IsNull || b.IsNull;
    if (!r.IsNull) r.Text = a.Text + b.Text;
    return r;
}

TExpTruth CompareExp(uint8_t op, const TExpValue& a, const TExpValue& b, const TCollationRules& rules) {
    if (a.IsNull || b.IsNull) return std::nullopt;
    return ExpComparisonHolds(op, CompareExpValues(a, b, rules));
}

TExpTruth ExpLogical(bool isAnd, TExpTruth left, TExpTruth right) {
    if (ExpLogicalDecided(isAnd, left)) return left;
    if (right && *right != isAnd) return right;
    if (!left || !right) return std::nullopt;
    return isAnd;
}

TExpTruth ExpPrefixCompare(uint8_t op, const TExpValue& value, const TExpValue& prefix, uint16_t length,
                           const TCollationRules& rules) {
    if (value.IsNull || prefix.IsNull) return std::nullopt;
    std::string head = CollationKeyText(std::string_view(value.Text).substr(0, length), rules);
    bool equal = head == CollationKeyText(prefix.Text, rules);
    return op == opNotEqual ? !equal : equal;
}

TExpTruth ExpLike(const TExpValue& value, const TExpValue& pattern, const TCollationRules& rules) {
    if (value.IsNull || pattern.IsNull) return std::nullopt;
    return LikeMatches(CollationKeyText(value.Text, rules), CollationKeyText(pattern.Text, rules));
}

TExpTruth ExpBetween(TExpTruth notBelowLow, TExpTruth notAboveHigh) {
    if ((notBelowLow && !*notBelowLow) || (notAboveHigh && !*notAboveHigh)) return false;
    if (!notBelowLow || !notAboveHigh) return std::nullopt;
    return true;
}

} // namespace vorsam
