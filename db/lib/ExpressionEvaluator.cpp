#include "db/lib/ExpressionEvaluator.h"

#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/Values.h"

#include <cmath>
#include <optional>

namespace vorsam {

namespace {

using TTruth = std::optional<bool>; // nullopt is NULL

constexpr int64_t CurrencyUnit = 10000;

[[noreturn]] void RaiseOverflow(std::string_view what) {
    RaiseEngineError(VORSAM_OUTOFRANGE, std::string(what));
}

[[noreturn]] void RaiseMismatch(const std::string& text) {
    RaiseEngineError(VORSAM_EXPTYPEMISMATCH, text);
}

TExpValue NullOfType(const TExpType& type) {
    TExpValue v;
    v.DataType = type.DataType;
    v.SubType = type.SubType;
    v.Scale = type.Scale;
    return v;
}

TExpType TypeOfValue(const TExpValue& v) {
    return {v.DataType, v.SubType, 0, v.Scale};
}

TTruth TruthOf(const TExpValue& v) {
    if (v.IsNull) return std::nullopt;
    if (v.DataType != dtBoolean) RaiseMismatch("boolean value expected");
    return v.Int != 0;
}

bool CompareResult(uint8_t op, int c) {
    switch (op) {
    case opEqual:
        return c == 0;
    case opNotEqual:
        return c != 0;
    case opLess:
        return c < 0;
    case opGreater:
        return c > 0;
    case opLessEqual:
        return c <= 0;
    default:
        return c >= 0;
    }
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

TExpValue Arithmetic(uint8_t op, const TExpValue& a, const TExpValue& b) {
    TExpType type = ArithmeticResultType(op, TypeOfValue(a), TypeOfValue(b));
    if (a.IsNull || b.IsNull) return NullOfType(type);
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

TExpValue Sign(uint8_t op, const TExpValue& a) {
    TExpType type = ArithmeticResultType(op, TypeOfValue(a), TypeOfValue(a));
    if (a.IsNull) return NullOfType(type);
    if (type.DataType == dtUnknown)
        RaiseMismatch("numeric value expected for " + std::string(OperatorText(op)));
    bool negate = op == opNegate;
    if (type.DataType == dtFloat) return FloatResult(negate ? -a.Real : a.Real, type.SubType);
    if (negate && a.Int == INT64_MIN) RaiseOverflow("integer overflow");
    TExpValue r = IntegerResult(type, negate ? -a.Int : a.Int);
    r.Scale = type.Scale;
    return r;
}

TExpValue Concatenate(const TExpValue& a, const TExpValue& b) {
    bool strings =
        TypeClassOf(a.DataType, a.SubType) == tcString && TypeClassOf(b.DataType, b.SubType) == tcString;
    if (!a.IsNull && !b.IsNull && !strings) RaiseMismatch("string values expected for ||");
    TExpValue r;
    r.DataType = dtString;
    r.IsNull = a.IsNull || b.IsNull;
    if (!r.IsNull) r.Text = a.Text + b.Text;
    return r;
}

class TEvaluator {
public:
    explicit TEvaluator(const TEvaluationContext& context)
        : context_(context), rules_{context.LanguageId, context.SortId,
                                    (context.Flags & efCaseInsensitive) != 0} {}

    TExpValue Evaluate(TExpToken& node);

private:
    TTruth Truth(TExpToken& node) { return TruthOf(Evaluate(node)); }
    TTruth Compare(uint8_t op, const TExpValue& a, const TExpValue& b) const {
        if (a.IsNull || b.IsNull) return std::nullopt;
        return CompareResult(op, CompareExpValues(a, b, rules_));
    }
    TExpValue Column(TExpToken& node);
    TExpValue Function(TExpToken& node);
    TExpValue ScalarSubSelect(TExpToken& node);
    TExpValue Unary(TExpToken& node);
    TExpValue Binary(TExpToken& node);
    TTruth Logical(TExpToken& node);
    TTruth PrefixCompare(TExpToken& node);
    TTruth Like(TExpToken& node);
    TTruth In(TExpToken& node);
    TTruth Between(TExpToken& node);

    const TEvaluationContext& context_;
    TCollationRules rules_;
};

TExpValue TEvaluator::Evaluate(TExpToken& node) {
    switch (node.Kind) {
    case nkConstant:
        return ReadExpValue(node);
    case nkColumn:
        return Column(node);
    case nkSubSelect:
        return ScalarSubSelect(node);
    case nkUnary:
        return Unary(node);
    case nkBinary:
        return Binary(node);
    case nkPrefixCompare:
        return MakeBooleanValue(PrefixCompare(node));
    case nkPredicate:
        return MakeBooleanValue(node.Operator == opLike ? Like(node)
                                : node.Operator == opIn ? In(node)
                                                        : Between(node));
    case nkFunction:
        return Function(node);
    default:
        RaiseMismatch("node of kind " + std::to_string(node.Kind) + " cannot be evaluated");
    }
}

// The value a callback fills into the node (a column or a function-source call).
TExpValue CalledBackValue(const std::function<bool(TExpToken&)>& callback, TExpToken& node,
                          const std::string& name) {
    if (!callback || !callback(node)) {
        TErrorContext error;
        error.Field = name;
        RaiseEngineError(VORSAM_NOCOLUMNVALUE, error);
    }
    return ReadExpValue(node);
}

TExpValue TEvaluator::Column(TExpToken& node) {
    return CalledBackValue(context_.ColumnValue, node, node.ColumnName);
}

TExpValue TEvaluator::Function(TExpToken& node) {
    TExpToken* arg = node.GetArg(0);
    if (node.Operator == opCount) {
        bool counted = !arg || !Evaluate(*arg).IsNull;
        return counted ? MakeIntegerValue(dtInteger, 1) : NullOfType({dtInteger, 0, 0, 0});
    }
    if (IsAggregateOperator(node.Operator)) return arg ? Evaluate(*arg) : TExpValue{};
    return CalledBackValue(context_.FunctionValue, node, node.Name);
}

TExpSubQuery& SubQueryOf(const TExpToken& node) {
    if (!node.SubQuery) RaiseMismatch("sub-select without its query block");
    return *node.SubQuery;
}

TExpValue TEvaluator::ScalarSubSelect(TExpToken& node) {
    TExpValue result = NullOfType(ExpTypeOf(node));
    unsigned rows = 0;
    SubQueryOf(node).ReadValues(context_, [&](const TExpToken& value) {
        if (++rows == 1) result = ReadExpValue(value);
        return rows < 2;
    });
    if (rows > 1) RaiseEngineError(VORSAM_SQLPARSE, "Sub-select returned more than one row");
    return result;
}

TExpValue TEvaluator::Unary(TExpToken& node) {
    if (node.Operator == opIsNull) return MakeBooleanValue(Evaluate(*node.Left()).IsNull);
    if (node.Operator == opNot) {
        TTruth t = Truth(*node.Left());
        return MakeBooleanValue(t ? TTruth(!*t) : std::nullopt);
    }
    return Sign(node.Operator, Evaluate(*node.Left()));
}

TExpValue TEvaluator::Binary(TExpToken& node) {
    if (node.Operator == opAnd || node.Operator == opOr) return MakeBooleanValue(Logical(node));
    TExpValue a = Evaluate(*node.Left());
    TExpValue b = Evaluate(*node.Right());
    if (IsComparisonOperator(node.Operator)) return MakeBooleanValue(Compare(node.Operator, a, b));
    if (node.Operator == opConcat) return Concatenate(a, b);
    return Arithmetic(node.Operator, a, b);
}

TTruth TEvaluator::Logical(TExpToken& node) {
    bool isAnd = node.Operator == opAnd;
    TTruth left = Truth(*node.Left());
    if (left && *left != isAnd) return left; // FALSE AND x, TRUE OR x
    TTruth right = Truth(*node.Right());
    if (right && *right != isAnd) return right;
    if (!left || !right) return std::nullopt;
    return isAnd;
}

TTruth TEvaluator::PrefixCompare(TExpToken& node) {
    TExpValue value = Evaluate(*node.Left());
    TExpValue prefix = Evaluate(*node.Right());
    if (value.IsNull || prefix.IsNull) return std::nullopt;
    std::string head = CollationKeyText(std::string_view(value.Text).substr(0, node.PrefixLength), rules_);
    bool equal = head == CollationKeyText(prefix.Text, rules_);
    return node.Operator == opNotEqual ? !equal : equal;
}

TTruth TEvaluator::Like(TExpToken& node) {
    TExpValue value = Evaluate(*node.GetArg(0));
    TExpValue pattern = Evaluate(*node.GetArg(1));
    if (value.IsNull || pattern.IsNull) return std::nullopt;
    return LikeMatches(CollationKeyText(value.Text, rules_), CollationKeyText(pattern.Text, rules_));
}

TTruth TEvaluator::In(TExpToken& node) {
    TExpValue value = Evaluate(*node.GetArg(0));
    if (value.IsNull) return std::nullopt;
    bool sawNull = false, found = false;
    auto test = [&](const TExpValue& item) {
        TTruth equal = Compare(opEqual, value, item);
        found = equal.value_or(false);
        sawNull = sawNull || !equal;
        return !found;
    };
    for (size_t i = 1; i < node.ArgCount() && !found; ++i) {
        TExpToken& item = *node.GetArg(i);
        if (item.Kind == nkSubSelect)
            SubQueryOf(item).ReadValues(context_,
                                        [&](const TExpToken& row) { return test(ReadExpValue(row)); });
        else
            test(Evaluate(item));
    }
    if (found) return true;
    return sawNull ? std::nullopt : TTruth(false);
}

TTruth TEvaluator::Between(TExpToken& node) {
    TExpValue value = Evaluate(*node.GetArg(0));
    TTruth low = Compare(opGreaterEqual, value, Evaluate(*node.GetArg(1)));
    TTruth high = Compare(opLessEqual, value, Evaluate(*node.GetArg(2)));
    if ((low && !*low) || (high && !*high)) return false;
    if (!low || !high) return std::nullopt;
    return true;
}

} // namespace

TExpValue EvaluateExpValue(TExpToken& tree, const TEvaluationContext& context) {
    return TEvaluator(context).Evaluate(tree);
}

TExpTree EvaluateExpTree(TExpToken& tree, const TEvaluationContext& context) {
    TExpValue value = EvaluateExpValue(tree, context);
    TExpTree result = NewExpToken();
    result->Kind = nkConstant;
    WriteExpValue(*result, value);
    return result;
}

bool EvaluatePredicate(TExpToken& tree, const TEvaluationContext& context) {
    return TruthOf(EvaluateExpValue(tree, context)).value_or(false);
}

TExpTree EvaluateConstantAsType(TExpToken& tree, const TEvaluationContext& context,
                                const TExpToken& typeNode) {
    TExpTree result = EvaluateExpTree(tree, context);
    if (result->IsNull || result->DataType == dtString || result->DataType == typeNode.DataType)
        return result;
    TValueKind from{result->DataType, result->Size, result->Scale};
    uint16_t size = typeNode.DataType == dtString && typeNode.Size == 0 ? MaxDeclaredSize : typeNode.Size;
    TValueKind to{typeNode.DataType, size, typeNode.Scale};
    std::vector<uint8_t> buffer(std::max(ValueBufferSize(from), ValueBufferSize(to)));
    std::copy_n(result->Value.begin(), std::min(result->Value.size(), buffer.size()), buffer.begin());
    if (!ConvertValue(from, to, buffer.data(), buffer.size()))
        RaiseMismatch("'" + ExpValueText(ReadExpValue(*result)) +
                      "' cannot be converted to the compared type");
    buffer.resize(ValueBufferSize(to));
    result->Value = std::move(buffer);
    result->DataType = to.DataType;
    result->SubType = typeNode.SubType;
    result->Size = to.Size;
    result->Scale = to.Scale;
    return result;
}

} // namespace vorsam
