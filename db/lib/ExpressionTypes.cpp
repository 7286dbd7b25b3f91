#include "db/lib/ExpressionTypes.h"

#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionTree.h"
#include "db/lib/ExpressionValues.h"

#include <algorithm>
#include <string>

namespace vorsam {

namespace {

constexpr TExpType BooleanType{dtBoolean, 0, 0, 0};
constexpr TExpType IntegerType{dtInteger, 0, 0, 0};

bool ClassAccepts(TTypeClass wanted, const TExpToken& operand) {
    TTypeClass c = TypeClassOf(operand.DataType, operand.SubType);
    return c == tcUnknown || c == wanted;
}

bool IsDateClass(TTypeClass c) {
    return c == tcDateTime || c == tcTime;
}

class TTypeChecker {
public:
    TTypeChecker(const TColumnBinder& binder, std::string_view context, uint16_t errorCode)
        : binder_(binder), context_(context), errorCode_(errorCode) {}

    void Check(TExpToken& node);

private:
    [[noreturn]] void Raise(const std::string& text) const {
        RaiseEngineError(errorCode_, text.size() > 255 ? text.substr(0, 255) : text);
    }
    [[noreturn]] void RaiseExpected(std::string_view what, const TExpToken& found) const {
        Raise(std::string(what) + " expression expected, instead found '" + found.Name + "' in " + context_);
    }
    [[noreturn]] void RaiseInvalidColumn(const TExpToken& node) const {
        Raise("Invalid column name '" + node.ColumnName + "' or table correlation name '" +
              node.CorrelationName + "' specified in " + context_);
    }
    void Require(TTypeClass wanted, const TExpToken& operand) const {
        if (!ClassAccepts(wanted, operand)) RaiseExpected(TypeClassName(wanted), operand);
    }
    void CheckOperands(TExpToken& node) {
        for (TExpToken* operand : {node.Left(), node.Right()})
            if (operand) Check(*operand);
        for (size_t i = 0; i < node.ArgCount(); ++i)
            if (TExpToken* arg = node.GetArg(i)) Check(*arg);
    }
    void CheckColumn(TExpToken& node) const;
    void CheckSubSelect(TExpToken& node) const;
    void CheckUnary(TExpToken& node) const;
    void CheckBinary(TExpToken& node) const;
    void CheckPredicate(TExpToken& node) const;
    void CheckFunction(TExpToken& node) const;
    void CheckComparable(TExpToken& a, TExpToken& b) const;
    void ConvertDateConstant(const TExpToken& date, TExpToken& text) const;
    void CheckArithmetic(TExpToken& node) const;

    const TColumnBinder& binder_;
    std::string context_;
    uint16_t errorCode_;
};

void TTypeChecker::Check(TExpToken& node) {
    CheckOperands(node);
    switch (node.Kind) {
    case nkColumn:
        return CheckColumn(node);
    case nkSubSelect:
        return CheckSubSelect(node);
    case nkUnary:
        return CheckUnary(node);
    case nkBinary:
        return CheckBinary(node);
    case nkPrefixCompare:
        if (node.Left()) Require(tcString, *node.Left());
        return SetExpType(node, BooleanType);
    case nkPredicate:
        return CheckPredicate(node);
    case nkFunction:
        return CheckFunction(node);
    default:
        return;
    }
}

void TTypeChecker::CheckColumn(TExpToken& node) const {
    if (!binder_ || !binder_(node)) RaiseInvalidColumn(node);
}

void TTypeChecker::CheckSubSelect(TExpToken& node) const {
    if (!node.SubQuery) RaiseInvalidColumn(node);
    if (node.SubQuery->ResultColumnCount() > 1)
        Raise("More than 1 column for sub-select  specified in " + context_);
    if (!node.SubQuery->BindColumn(node)) RaiseInvalidColumn(node);
}

void TTypeChecker::CheckUnary(TExpToken& node) const {
    if (node.Operator == opNot) Require(tcBoolean, *node.Left());
    if (node.Operator == opNot || node.Operator == opIsNull) return SetExpType(node, BooleanType);
    CheckArithmetic(node);
}

void TTypeChecker::CheckBinary(TExpToken& node) const {
    TExpToken& left = *node.Left();
    TExpToken& right = *node.Right();
    if (node.Operator == opAnd || node.Operator == opOr) {
        Require(tcBoolean, left);
        Require(tcBoolean, right);
        return SetExpType(node, BooleanType);
    }
    if (IsComparisonOperator(node.Operator)) {
        CheckComparable(left, right);
        return SetExpType(node, BooleanType);
    }
    if (node.Operator == opConcat) {
        Require(tcString, left);
        Require(tcString, right);
        uint16_t size = uint16_t(std::min<int>(left.Size + right.Size, MaxDeclaredSize));
        return SetExpType(node, TExpType{dtString, 0, size, 0});
    }
    CheckArithmetic(node);
}

void TTypeChecker::CheckArithmetic(TExpToken& node) const {
    TExpToken& left = *node.Left();
    TExpToken* right = node.Right();
    TExpType result =
        ArithmeticResultType(node.Operator, ExpTypeOf(left), right ? ExpTypeOf(*right) : TExpType{});
    if (result.DataType == dtUnknown) {
        bool leftBad = !ClassAccepts(tcNumeric, left);
        if (!leftBad && !right) return SetExpType(node, result); // a sign over a value of no type yet
        if (!leftBad && right && ClassAccepts(tcNumeric, *right)) return SetExpType(node, result);
        RaiseExpected("Numeric", leftBad ? left : *right);
    }
    SetExpType(node, result);
}

void TTypeChecker::CheckComparable(TExpToken& a, TExpToken& b) const {
    if (!OperatorAcceptsTypes(opEqual, a.DataType, a.SubType, b.DataType, b.SubType))
        RaiseExpected(TypeClassName(TypeClassOf(a.DataType, a.SubType)), b);
    ConvertDateConstant(a, b);
    ConvertDateConstant(b, a);
}

// A string constant compared with a date, time or timestamp becomes a value of that type (other strings
// are converted when evaluated).
void TTypeChecker::ConvertDateConstant(const TExpToken& date, TExpToken& text) const {
    if (!IsDateClass(TypeClassOf(date.DataType, date.SubType)) || text.Kind != nkConstant || text.IsNull ||
        text.DataType != dtString)
        return;
    if (!TextToDateTimeValue(text, date.DataType))
        Raise("Date, time, or timestamp expression expected, instead found '" +
              std::string(text.StringValue()) + "' in " + context_);
}

void TTypeChecker::CheckPredicate(TExpToken& node) const {
    TExpToken* value = node.GetArg(0);
    if (node.Operator == opLike) {
        Require(tcString, *value);
        Require(tcString, *node.GetArg(1));
    } else {
        for (size_t i = 1; i < node.ArgCount(); ++i) CheckComparable(*value, *node.GetArg(i));
    }
    SetExpType(node, BooleanType);
}

void TTypeChecker::CheckFunction(TExpToken& node) const {
    TExpToken* arg = node.GetArg(0);
    if (!IsAggregateOperator(node.Operator) || node.Operator == opCount) return SetExpType(node, IntegerType);
    if (!arg) return SetExpType(node, IntegerType);
    bool summed = node.Operator == opSum || node.Operator == opRunSum || node.Operator == opAvg;
    TTypeClass c = TypeClassOf(arg->DataType, arg->SubType);
    if (summed && c != tcNumeric && c != tcUnknown && !IsDateClass(c)) RaiseExpected("Numeric", *arg);
    SetExpType(node, ExpTypeOf(*arg));
}

} // namespace

void CheckExpTypes(TExpToken& tree, const TColumnBinder& binder, std::string_view context,
                   uint16_t errorCode) {
    TTypeChecker(binder, context, errorCode).Check(tree);
}

bool OperatorAcceptsTypes(uint8_t op, uint8_t type1, uint8_t subType1, uint8_t type2, uint8_t subType2) {
    TTypeClass c1 = TypeClassOf(type1, subType1), c2 = TypeClassOf(type2, subType2);
    if (c1 == tcUnknown || c2 == tcUnknown) return true;
    switch (op) {
    case opAnd:
    case opOr:
    case opNot:
        return c1 == tcBoolean && c2 == tcBoolean;
    case opConcat:
    case opLike:
        return c1 == tcString && c2 == tcString;
    case opAdd:
    case opSubtract:
    case opMultiply:
    case opDivide:
        return c1 == tcNumeric && c2 == tcNumeric;
    case opIsNull:
        return true;
    default:
        if (c1 == c2) return c1 != tcOther;
        return (c1 == tcString && IsDateClass(c2)) || (c2 == tcString && IsDateClass(c1));
    }
}

} // namespace vorsam
