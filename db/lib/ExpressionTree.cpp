#include "db/lib/ExpressionTree.h"

#include "db/lib/DataTypes.h"

#include <cassert>
#include <cstring>
#include <iterator>
#include <strings.h>

namespace vorsam {

namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool SameNode(const TExpToken& a, const TExpToken& b) {
    if (a.Kind != b.Kind || a.Operator != b.Operator || a.IsParameter != b.IsParameter) return false;
    switch (a.Kind) {
    case nkColumn:
        return SameNameIgnoringCase(a.ColumnName, b.ColumnName) &&
               SameNameIgnoringCase(a.CorrelationName, b.CorrelationName);
    case nkConstant:
        if (a.IsParameter) return a.Name == b.Name;
        return a.DataType == b.DataType && a.IsNull == b.IsNull && (a.IsNull || a.Value == b.Value);
    case nkPrefixCompare:
        return a.PrefixLength == b.PrefixLength;
    case nkSubSelect:
        return a.SubQuery == b.SubQuery;
    default:
        return true;
    }
}

template <typename Node> Node* FindFirstColumn(Node* tree) {
    if (!tree) return nullptr;
    if (tree->Kind == nkColumn) return tree;
    if (Node* found = FindFirstColumn<Node>(tree->Left())) return found;
    if (Node* found = FindFirstColumn<Node>(tree->Right())) return found;
    for (size_t i = 0; i < tree->ArgCount(); ++i)
        if (Node* found = FindFirstColumn<Node>(tree->GetArg(i))) return found;
    return nullptr;
}

bool AnyNode(const TExpToken* tree, bool (*test)(const TExpToken&)) {
    if (!tree) return false;
    if (test(*tree)) return true;
    bool found = false;
    tree->ForEachOperand([&](const TExpToken& operand) { found = found || AnyNode(&operand, test); });
    return found;
}

bool IsConstantNode(const TExpToken* node) {
    return node && node->Kind == nkConstant;
}

void AddBetweenComparisons(const TExpToken& node, std::vector<TColumnComparison>& result) {
    const TExpToken* value = node.GetArg(0);
    const TExpToken* low = node.GetArg(1);
    const TExpToken* high = node.GetArg(2);
    if (!value || value->Kind != nkColumn || !IsConstantNode(low) || !IsConstantNode(high)) return;
    result.push_back({&node, value, low, opGreaterEqual, false, 0});
    result.push_back({&node, value, high, opLessEqual, false, 0});
}

void CollectConjuncts(const TExpToken& node, std::vector<TColumnComparison>& result) {
    if (node.Kind == nkBinary && node.Operator == opAnd) {
        if (node.Left()) CollectConjuncts(*node.Left(), result);
        if (node.Right()) CollectConjuncts(*node.Right(), result);
        return;
    }
    if (node.Kind == nkPredicate && node.Operator == opBetween) return AddBetweenComparisons(node, result);
    TColumnComparison comparison;
    if (MatchColumnComparison(node, comparison)) result.push_back(comparison);
}

} // namespace

uint8_t MirrorComparison(uint8_t op) {
    switch (op) {
    case opLess:
        return opGreater;
    case opGreater:
        return opLess;
    case opLessEqual:
        return opGreaterEqual;
    case opGreaterEqual:
        return opLessEqual;
    default:
        return op;
    }
}

std::string_view OperatorText(uint8_t op) {
    static constexpr std::string_view Texts[] = {"",
                                                 "",
                                                 "",
                                                 "=",
                                                 "<>",
                                                 "<",
                                                 ">",
                                                 "<=",
                                                 ">=",
                                                 "NOT",
                                                 "AND",
                                                 "OR",
                                                 "+",
                                                 "-",
                                                 "*",
                                                 "-",
                                                 "+",
                                                 "/",
                                                 "||",
                                                 "IS NULL",
                                                 "LIKE",
                                                 "IN",
                                                 "BETWEEN",
                                                 "SUM",
                                                 "RUNSUM",
                                                 "COUNT",
                                                 "MIN",
                                                 "MAX",
                                                 "AVG",
                                                 "LASTAUTOINC",
                                                 "IDENT_CURRENT"};
    static_assert(std::size(Texts) == opIdentCurrent + 1);
    return op < std::size(Texts) ? Texts[op] : std::string_view();
}

void TExpToken::SetLeft(TExpTree operand) {
    if (operand) operand->parent_ = this;
    left_ = std::move(operand);
}

void TExpToken::SetRight(TExpTree operand) {
    if (operand) operand->parent_ = this;
    right_ = std::move(operand);
}

TExpTree TExpToken::TakeLeft() {
    if (left_) left_->parent_ = nullptr;
    return std::move(left_);
}

TExpTree TExpToken::TakeRight() {
    if (right_) right_->parent_ = nullptr;
    return std::move(right_);
}

void TExpToken::AddArg(TExpTree arg) {
    if (arg) arg->parent_ = this;
    args_.push_back(std::move(arg));
}

void TExpToken::SetArg(size_t i, TExpTree arg) {
    assert(i < args_.size());
    if (arg) arg->parent_ = this;
    args_[i] = std::move(arg);
}

TExpTree TExpToken::TakeArg(size_t i) {
    assert(i < args_.size());
    if (args_[i]) args_[i]->parent_ = nullptr;
    return std::move(args_[i]);
}

void TExpToken::SetValueSize(size_t size) {
    if (Value.size() != size) Value.resize(size, 0);
}

std::string_view TExpToken::StringValue() const {
    auto chars = reinterpret_cast<const char*>(Value.data());
    return std::string_view(chars, strnlen(chars, Value.size()));
}

void TExpToken::SetStringValue(std::string_view text) {
    DataType = dtString;
    SubType = 0;
    Scale = 0;
    Size = uint16_t(std::min<size_t>(text.size(), UINT16_MAX));
    Value.assign(text.begin(), text.end());
    Value.push_back(0);
    IsNull = false;
}

void TExpToken::SetNull() {
    Value.clear();
    IsNull = true;
}

TExpTree NewExpToken() {
    return std::make_unique<TExpToken>();
}

void DisposeExpToken(TExpTree& token) {
    token.reset();
}

void FreeExpTree(TExpTree& tree) {
    tree.reset();
}

TExpTree CopyExpTree(const TExpToken* tree) {
    if (!tree) return nullptr;
    TExpTree copy = NewExpToken();
    copy->Assign(*tree);
    copy->SetLeft(CopyExpTree(tree->Left()));
    copy->SetRight(CopyExpTree(tree->Right()));
    for (size_t i = 0; i < tree->ArgCount(); ++i) copy->AddArg(CopyExpTree(tree->GetArg(i)));
    return copy;
}

TExpTree MakeOperatorNode(TExpNodeKind kind, uint8_t op) {
    TExpTree node = NewExpToken();
    node->Kind = kind;
    node->Operator = op;
    node->Name = OperatorText(op);
    return node;
}

TExpTree MakeUnaryNode(uint8_t op, TExpTree operand) {
    TExpTree node = MakeOperatorNode(nkUnary, op);
    node->SetLeft(std::move(operand));
    return node;
}

TExpTree MakeBinaryNode(uint8_t op, TExpTree left, TExpTree right) {
    TExpTree node = MakeOperatorNode(nkBinary, op);
    node->SetLeft(std::move(left));
    node->SetRight(std::move(right));
    return node;
}

TExpTree MakeColumnNode(std::string_view correlationName, std::string_view columnName) {
    TExpTree node = NewExpToken();
    node->Kind = nkColumn;
    node->Name = columnName;
    node->ColumnName = columnName;
    node->CorrelationName = correlationName;
    return node;
}

TExpTree MakeStringConstant(std::string_view text) {
    TExpTree node = NewExpToken();
    node->Kind = nkConstant;
    node->Name = text;
    node->SetStringValue(text);
    return node;
}

bool SameExpTree(const TExpToken* a, const TExpToken* b) {
    if (!a || !b) return a == b;
    if (!SameNode(*a, *b) || a->ArgCount() != b->ArgCount()) return false;
    if (!SameExpTree(a->Left(), b->Left()) || !SameExpTree(a->Right(), b->Right())) return false;
    for (size_t i = 0; i < a->ArgCount(); ++i)
        if (!SameExpTree(a->GetArg(i), b->GetArg(i))) return false;
    return true;
}

void ForEachExpNode(const TExpToken& tree, const std::function<void(const TExpToken&)>& f) {
    f(tree);
    tree.ForEachOperand([&](const TExpToken& operand) { ForEachExpNode(operand, f); });
}

const TExpToken* FindFirstColumnNode(const TExpToken* tree) {
    return FindFirstColumn<const TExpToken>(tree);
}

TExpToken* FindFirstColumnNode(TExpToken* tree) {
    return FindFirstColumn<TExpToken>(tree);
}

bool ExpTreeHasColumns(const TExpToken* tree) {
    return FindFirstColumnNode(tree) != nullptr;
}

bool ExpTreeHasAggregates(const TExpToken* tree) {
    return AnyNode(
        tree, [](const TExpToken& n) { return n.Kind == nkFunction && IsAggregateOperator(n.Operator); });
}

bool ExpTreeIsDisjunction(const TExpToken* node) {
    if (!node) return false;
    if (node->Kind == nkBinary && node->Operator == opOr) return true;
    if (node->Kind == nkUnary && node->Operator == opNot) return !ExpTreeIsDisjunction(node->Left());
    return false;
}

bool ExpNodeUnderNot(const TExpToken* node) {
    for (const TExpToken* p = node ? node->Parent() : nullptr; p; p = p->Parent())
        if (p->Kind == nkUnary) return p->Operator == opNot;
    return false;
}

bool MatchColumnComparison(const TExpToken& node, TColumnComparison& result) {
    const TExpToken* left = node.Left();
    const TExpToken* right = node.Right();
    if (!left || !right) return false;
    if (node.Kind == nkPrefixCompare) {
        if (left->Kind != nkColumn || !IsConstantNode(right)) return false;
        result = {&node, left, right, node.Operator, true, node.PrefixLength};
        return true;
    }
    if (node.Kind != nkBinary || !IsComparisonOperator(node.Operator)) return false;
    if (left->Kind == nkColumn && IsConstantNode(right)) {
        result = {&node, left, right, node.Operator, false, 0};
        return true;
    }
    if (right->Kind == nkColumn && IsConstantNode(left)) {
        result = {&node, right, left, MirrorComparison(node.Operator), false, 0};
        return true;
    }
    return false;
}

std::vector<TColumnComparison> CollectConjunctComparisons(const TExpToken& predicate) {
    std::vector<TColumnComparison> result;
    CollectConjuncts(predicate, result);
    return result;
}

} // namespace vorsam
