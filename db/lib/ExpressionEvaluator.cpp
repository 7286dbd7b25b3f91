#include "db/lib/ExpressionEvaluator.h"

#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionMembership.h"
#include "db/lib/ExpressionOperators.h"
#include "db/lib/Values.h"

#include <optional>

namespace vorsam {

namespace {

using TTruth = TExpTruth;

[[noreturn]] void RaiseMismatch(const std::string& text) {
    RaiseEngineError(VORSAM_EXPTYPEMISMATCH, text);
}

TExpValue NullOfType(const TExpType& type) {
    return NullExpValue(type);
}

class TEvaluator {
public:
    explicit TEvaluator(const TEvaluationContext& context)
        : context_(context), rules_{context.LanguageId, context.SortId,
                                    (context.Flags & efCaseInsensitive) != 0} {}

    TExpValue Evaluate(TExpToken& node);

private:
    TTruth Truth(TExpToken& node) { return ExpTruth(Evaluate(node)); }
    TTruth Compare(uint8_t op, const TExpValue& a, const TExpValue& b) const {
        return CompareExp(op, a, b, rules_);
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
    return ExpSign(node.Operator, Evaluate(*node.Left()));
}

TExpValue TEvaluator::Binary(TExpToken& node) {
    if (node.Operator == opAnd || node.Operator == opOr) return MakeBooleanValue(Logical(node));
    TExpValue a = Evaluate(*node.Left());
    TExpValue b = Evaluate(*node.Right());
    if (IsComparisonOperator(node.Operator)) return MakeBooleanValue(Compare(node.Operator, a, b));
    if (node.Operator == opConcat) return ExpConcatenate(a, b);
    return ExpArithmetic(node.Operator, a, b);
}

TTruth TEvaluator::Logical(TExpToken& node) {
    bool isAnd = node.Operator == opAnd;
    TTruth left = Truth(*node.Left());
    if (ExpLogicalDecided(isAnd, left)) return left; // FALSE AND x, TRUE OR x
    return ExpLogical(isAnd, left, Truth(*node.Right()));
}

TTruth TEvaluator::PrefixCompare(TExpToken& node) {
    TExpValue value = Evaluate(*node.Left());
    TExpValue prefix = Evaluate(*node.Right());
    return ExpPrefixCompare(node.Operator, value, prefix, node.PrefixLength, rules_);
}

TTruth TEvaluator::Like(TExpToken& node) {
    TExpValue value = Evaluate(*node.GetArg(0));
    TExpValue pattern = Evaluate(*node.GetArg(1));
    return ExpLike(value, pattern, rules_);
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
        if (item.Kind != nkSubSelect) {
            test(Evaluate(item));
            continue;
        }
        TExpSubQuery& subQuery = SubQueryOf(item);
        std::optional<TExpMembership> member;
        if (TExpMembershipCache* sets = subQuery.MembershipCache())
            member = sets->Find(value, rules_, [&](const std::function<bool(const TExpToken&)>& visit) {
                subQuery.ReadValues(context_, visit);
            });
        if (member) {
            found = member->Found;
            sawNull = sawNull || member->SawNull;
        } else {
            subQuery.ReadValues(context_, [&](const TExpToken& row) { return test(ReadExpValue(row)); });
        }
    }
    if (found) return true;
    return sawNull ? std::nullopt : TTruth(false);
}

TTruth TEvaluator::Between(TExpToken& node) {
    TExpValue value = Evaluate(*node.GetArg(0));
    TTruth low = Compare(opGreaterEqual, value, Evaluate(*node.GetArg(1)));
    TTruth high = Compare(opLessEqual, value, Evaluate(*node.GetArg(2)));
    return ExpBetween(low, high);
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
    return ExpTruth(EvaluateExpValue(tree, context)).value_or(false);
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
