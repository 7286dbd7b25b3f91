// PrepareExpTree (declared in ExpressionEvaluator.h): constant folding and prefix compares of filter
// predicates.

#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionEvaluator.h"

#include <algorithm>
#include <optional>
#include <string>

namespace vorsam {

namespace {

constexpr char PartialCompareWildcard = '*';

class TPreparer {
public:
    explicit TPreparer(const TEvaluationContext& context) : context_(context) {}

    // Folds the node's constant sub-trees; true when the whole node is now a constant.
    bool Fold(TExpTree& node);

private:
    bool FoldOperands(TExpToken& node);
    void FoldNode(TExpTree& node);
    void MakePrefixCompare(TExpTree& node) const;

    const TEvaluationContext& context_;
};

bool TPreparer::Fold(TExpTree& node) {
    switch (node->Kind) {
    case nkConstant:
        return true;
    case nkColumn:
    case nkSubSelect:
        return false;
    case nkFunction:
        FoldOperands(*node);
        return false;
    default:
        break;
    }
    if (FoldOperands(*node)) FoldNode(node);
    if (node->Kind == nkConstant) return true;
    MakePrefixCompare(node);
    return false;
}

bool TPreparer::FoldOperands(TExpToken& node) {
    bool constant = true;
    if (node.Left()) {
        TExpTree left = node.TakeLeft();
        constant = Fold(left) && constant;
        node.SetLeft(std::move(left));
    }
    if (node.Right()) {
        TExpTree right = node.TakeRight();
        constant = Fold(right) && constant;
        node.SetRight(std::move(right));
    }
    for (size_t i = 0; i < node.ArgCount(); ++i) {
        TExpTree arg = node.TakeArg(i);
        constant = arg && Fold(arg) && constant;
        node.SetArg(i, std::move(arg));
    }
    return constant;
}

void TPreparer::FoldNode(TExpTree& node) {
    TExpTree constant;
    try {
        constant = EvaluateExpTree(*node, context_);
    } catch (const EVORSAMEngineError&) {
        return; // raised only if a row ever reaches it
    }
    constant->Name = ExpValueText(ReadExpValue(*constant));
    constant->JoinKind = node->JoinKind;
    constant->FromOnClause = node->FromOnClause;
    node = std::move(constant);
}

bool IsStringColumn(const TExpToken* node) {
    if (!node || node->Kind != nkColumn) return false;
    TTypeClass c = TypeClassOf(node->DataType, node->SubType);
    return c == tcString || c == tcUnknown;
}

bool IsStringConstant(const TExpToken* node) {
    return node && node->Kind == nkConstant && !node->IsNull && node->DataType == dtString;
}

// "text*" gives "text"; nothing for a text without the wildcard at its end.
std::optional<std::string> PartialComparePrefix(std::string_view text) {
    if (text.empty() || text.back() != PartialCompareWildcard) return std::nullopt;
    return std::string(text.substr(0, text.size() - 1));
}

// "text%" gives "text" when text holds no other wildcard.
std::optional<std::string> LikePrefix(std::string_view pattern) {
    if (pattern.empty() || pattern.back() != '%') return std::nullopt;
    std::string_view prefix = pattern.substr(0, pattern.size() - 1);
    if (prefix.find_first_of("%_") != std::string_view::npos) return std::nullopt;
    return std::string(prefix);
}

void TPreparer::MakePrefixCompare(TExpTree& node) const {
    TExpToken* column = nullptr;
    TExpToken* text = nullptr;
    std::optional<std::string> prefix;
    uint8_t op = opEqual;
    if (node->Kind == nkBinary && (node->Operator == opEqual || node->Operator == opNotEqual) &&
        !(context_.Flags & efNoPartialCompare)) {
        bool columnLeft = IsStringColumn(node->Left());
        column = columnLeft ? node->Left() : node->Right();
        text = columnLeft ? node->Right() : node->Left();
        if (IsStringColumn(column) && IsStringConstant(text))
            prefix = PartialComparePrefix(text->StringValue());
        op = node->Operator;
    } else if (node->Kind == nkPredicate && node->Operator == opLike) {
        column = node->GetArg(0);
        text = node->GetArg(1);
        if (IsStringColumn(column) && IsStringConstant(text)) prefix = LikePrefix(text->StringValue());
    }
    if (!prefix) return;
    TExpTree compare = MakeOperatorNode(nkPrefixCompare, op);
    compare->DataType = dtBoolean;
    compare->JoinKind = node->JoinKind;
    compare->FromOnClause = node->FromOnClause;
    compare->PrefixLength = uint16_t(std::min<size_t>(prefix->size(), UINT16_MAX));
    compare->SetLeft(CopyExpTree(column));
    compare->SetRight(MakeStringConstant(*prefix));
    node = std::move(compare);
}

} // namespace

TExpTree PrepareExpTree(const TExpToken& tree, const TEvaluationContext& context) {
    return PrepareExpTree(CopyExpTree(&tree), context);
}

TExpTree PrepareExpTree(TExpTree tree, const TEvaluationContext& context) {
    TPreparer(context).Fold(tree);
    return tree;
}

} // namespace vorsam
