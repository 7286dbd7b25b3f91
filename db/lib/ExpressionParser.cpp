#include "db/lib/ExpressionParser.h"

#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionValues.h"
#include "db/lib/StackSpace.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <strings.h>

namespace vorsam {

namespace {

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool IsReservedWord(std::string_view word) {
    static constexpr std::string_view Reserved[] = {"AND",   "OR",     "NOT",    "LIKE", "BETWEEN",
                                                    "IN",    "IS",     "SELECT", "FROM", "WHERE",
                                                    "GROUP", "HAVING", "ORDER",  "UNION"};
    for (std::string_view r : Reserved)
        if (SameWord(word, r)) return true;
    return false;
}

uint8_t FunctionCode(std::string_view name) {
    for (uint8_t op = opSum; op <= opIdentCurrent; ++op)
        if (SameWord(name, OperatorText(op))) return op;
    return opNone;
}

uint8_t ComparisonOperator(int kind) {
    switch (kind) {
    case '=':
        return opEqual;
    case tkNotEqual:
        return opNotEqual;
    case '<':
        return opLess;
    case '>':
        return opGreater;
    case tkLessEqual:
        return opLessEqual;
    case tkGreaterEqual:
        return opGreaterEqual;
    default:
        return opNone;
    }
}

std::string OperandMissing(std::string_view op) {
    return "Expression expected after " + std::string(op) + " operator";
}

} // namespace

// Counts what the expression being read nests (TExpressionParser::TDepthGuard): levels (parentheses, the
// arguments of a function or sub-select, signs and NOT), and the operators of chains, which stack up as
// nodes of the tree without nesting the text; both given back when the guarded function returns. Either
// bound reached, or the thread's stack nearly used up, refuses the expression.
class TExpressionParser::TDepthGuard {
public:
    explicit TDepthGuard(TExpressionParser& parser) : parser_(parser) {}
    TDepthGuard(const TDepthGuard&) = delete;
    TDepthGuard& operator=(const TDepthGuard&) = delete;
    ~TDepthGuard() {
        parser_.levels_ -= levels_;
        parser_.chainNodes_ -= chainNodes_;
    }
    void Level() {
        ++levels_;
        Check(++parser_.levels_ > MaxExpressionDepth);
    }
    void ChainNode() {
        ++chainNodes_;
        Check(++parser_.chainNodes_ > MaxExpressionChainNodes);
    }

private:
    void Check(bool beyond) {
        if (beyond || StackSpaceLeft() < ExpressionStackReserve)
            parser_.RaiseExpected("Less deeply nested expression expected");
    }

    TExpressionParser& parser_;
    unsigned levels_ = 0;
    unsigned chainNodes_ = 0;
};

TExpTree TExpressionParser::ParseExpressionText(std::string_view text, uint32_t permissions) {
    SetText(text);
    levels_ = 0;
    chainNodes_ = 0;
    NextToken();
    TExpTree tree = RequireOperand(ParseOr(permissions), "Expression expected");
    if (!TokenTypeIs(tkEnd)) RaiseExpected("End of expression expected");
    return tree;
}

TExpTree TExpressionParser::ParseChain(uint32_t permissions, TParseLevel operand,
                                       TChainOperator chainOperator) {
    TDepthGuard guard(*this);
    TExpTree left = (this->*operand)(permissions);
    for (uint8_t op; left && (op = chainOperator(*this)) != opNone;) {
        guard.ChainNode();
        NextToken();
        TExpTree right = RequireOperand((this->*operand)(permissions), OperandMissing(OperatorText(op)));
        left = MakeBinaryNode(op, std::move(left), std::move(right));
    }
    return left;
}

TExpTree TExpressionParser::ParseOr(uint32_t permissions) {
    return ParseChain(permissions, &TExpressionParser::ParseAnd, [](const TExpressionScanner& s) -> uint8_t {
        return s.IsSymbol("OR") ? opOr : opNone;
    });
}

TExpTree TExpressionParser::ParseAnd(uint32_t permissions) {
    return ParseChain(permissions, &TExpressionParser::ParseNot, [](const TExpressionScanner& s) -> uint8_t {
        return s.IsSymbol("AND") ? opAnd : opNone;
    });
}

TExpTree TExpressionParser::ParseNot(uint32_t permissions) {
    if (!IsSymbol("NOT")) return ParseComparison(permissions);
    TDepthGuard guard(*this);
    guard.Level();
    NextToken();
    return MakeUnaryNode(opNot, RequireOperand(ParseNot(permissions), OperandMissing("NOT")));
}

TExpTree TExpressionParser::ParseComparison(uint32_t permissions) {
    TExpTree left = ParseAdditive(permissions);
    if (!left) return nullptr;
    uint8_t op = ComparisonOperator(TokenKind());
    if (op == opNone) return ParseExtendedPredicate(std::move(left), permissions);
    NextToken();
    TExpTree right = RequireOperand(ParseAdditive(permissions), OperandMissing(OperatorText(op)));
    return MakeBinaryNode(op, std::move(left), std::move(right));
}

TExpTree TExpressionParser::ParseExtendedPredicate(TExpTree left, uint32_t permissions) {
    bool negated = false;
    if (IsSymbol("NOT")) {
        TState beforeNot = SaveState();
        NextToken();
        negated = IsSymbol("LIKE") || IsSymbol("BETWEEN") || IsSymbol("IN");
        if (!negated) {
            RestoreState(beforeNot);
            return left;
        }
    }
    if (!IsSymbol("LIKE") && !IsSymbol("BETWEEN") && !IsSymbol("IN") && !IsSymbol("IS")) return left;
    Refuse(permissions, epExtendedPredicates);
    TExpTree node;
    if (IsSymbol("IN")) {
        NextToken();
        node = ParseInList(std::move(left), permissions);
    } else if (IsSymbol("LIKE")) {
        NextToken();
        node = MakeOperatorNode(nkPredicate, opLike);
        node->AddArg(std::move(left));
        node->AddArg(RequireOperand(ParseAdditive(permissions), OperandMissing("LIKE")));
    } else if (IsSymbol("BETWEEN")) {
        NextToken();
        node = MakeOperatorNode(nkPredicate, opBetween);
        node->AddArg(std::move(left));
        node->AddArg(RequireOperand(ParseAdditive(permissions), OperandMissing("BETWEEN")));
        if (!IsSymbol("AND")) RaiseExpected("AND keyword expected in BETWEEN predicate");
        NextToken();
        node->AddArg(RequireOperand(ParseAdditive(permissions), OperandMissing("AND")));
    } else {
        NextToken();
        bool isNot = IsSymbol("NOT");
        if (isNot) NextToken();
        if (!IsSymbol("NULL"))
            RaiseExpected(isNot ? "NULL keyword expected after NOT keyword"
                                : "NULL keyword expected after IS keyword");
        NextToken();
        node = MakeUnaryNode(opIsNull, std::move(left));
        negated = isNot;
    }
    return negated ? MakeUnaryNode(opNot, std::move(node)) : std::move(node);
}

TExpTree TExpressionParser::ParseInList(TExpTree value, uint32_t permissions) {
    TExpTree node = MakeOperatorNode(nkPredicate, opIn);
    node->AddArg(std::move(value));
    Require('(', "Left parentheses expected after IN keyword");
    if (IsSymbol("SELECT")) {
        node->AddArg(ParseSubSelect(permissions));
        return node;
    }
    do {
        if (node->ArgCount() > 1) NextToken();
        node->AddArg(RequireOperand(ParseAdditive(permissions), "Value expected in list of values"));
    } while (TokenTypeIs(','));
    Require(')', "Right parentheses expected after list of values");
    return node;
}

TExpTree TExpressionParser::ParseAdditive(uint32_t permissions) {
    return ParseChain(permissions, &TExpressionParser::ParseMultiplicative,
                      [](const TExpressionScanner& s) -> uint8_t {
                          return s.TokenTypeIs('+')        ? opAdd
                                 : s.TokenTypeIs('-')      ? opSubtract
                                 : s.TokenTypeIs(tkConcat) ? opConcat
                                                           : opNone;
                      });
}

TExpTree TExpressionParser::ParseMultiplicative(uint32_t permissions) {
    return ParseChain(permissions, &TExpressionParser::ParseUnary,
                      [](const TExpressionScanner& s) -> uint8_t {
                          return s.TokenTypeIs('*') ? opMultiply : s.TokenTypeIs('/') ? opDivide : opNone;
                      });
}

TExpTree TExpressionParser::ParseUnary(uint32_t permissions) {
    if (!TokenTypeIs('+') && !TokenTypeIs('-')) return ParsePrimary(permissions);
    TDepthGuard guard(*this);
    guard.Level();
    uint8_t op = TokenTypeIs('-') ? opNegate : opUnaryPlus;
    NextToken();
    return MakeUnaryNode(op, RequireOperand(ParseUnary(permissions), OperandMissing(OperatorText(op))));
}

TExpTree TExpressionParser::ParsePrimary(uint32_t permissions) {
    switch (TokenKind()) {
    case tkString:
    case tkInteger:
    case tkNumber:
        return ParseConstant();
    case '?':
        return ParseParameter(permissions);
    case '(':
        return ParseParenthesised(permissions);
    case '*':
    case tkWord:
    case tkBracketedName:
    case tkQuotedName:
        return ParseNamePrimary(permissions);
    default:
        return nullptr;
    }
}

TExpTree TExpressionParser::ParseConstant() {
    TExpTree node = NewExpToken();
    node->Kind = nkConstant;
    node->Name = TokenText();
    const std::string& text = TokenText();
    if (TokenTypeIs(tkString)) {
        node->SetStringValue(text);
    } else {
        int64_t integer = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), integer);
        if (TokenTypeIs(tkInteger) && error == std::errc()) {
            bool small = integer >= INT32_MIN && integer <= INT32_MAX;
            WriteExpValue(*node, MakeIntegerValue(small ? dtInteger : dtLargeInt, integer));
        } else {
            double real = 0;
            auto [realEnd, realError] = std::from_chars(text.data(), text.data() + text.size(), real);
            if (realError != std::errc() || !std::isfinite(real))
                RaiseExpected("Number within the float range expected");
            WriteExpValue(*node, MakeFloatValue(real));
        }
    }
    NextToken();
    return node;
}

TExpTree TExpressionParser::ParseParameter(uint32_t permissions) {
    Refuse(permissions, epParameters);
    TExpTree node = NewExpToken();
    node->Kind = nkConstant;
    node->IsParameter = true;
    node->Name = TokenText();
    if (Host) Host->AddParam(*node);
    NextToken();
    return node;
}

TExpTree TExpressionParser::ParseNamePrimary(uint32_t permissions) {
    if (TokenTypeIs(tkWord)) {
        if (IsReservedWord(TokenText())) return nullptr;
        if (IsSymbol("NULL") || IsSymbol("TRUE") || IsSymbol("FALSE")) {
            TExpTree node = NewExpToken();
            node->Kind = nkConstant;
            node->Name = IsSymbol("NULL") ? "NULL" : IsSymbol("TRUE") ? "TRUE" : "FALSE";
            if (!IsSymbol("NULL")) WriteExpValue(*node, MakeBooleanValue(IsSymbol("TRUE")));
            NextToken();
            return node;
        }
        if (NextIsOpenParenthesis()) {
            uint8_t function = FunctionCode(TokenText());
            if (function == opNone) RaiseExpected("Function name expected");
            return ParseFunctionCall(function, permissions);
        }
    }
    return ParseColumnReference(permissions);
}

TExpTree TExpressionParser::ParseColumnReference(uint32_t permissions) {
    std::string first = TokenText();
    bool star = TokenTypeIs('*');
    if (star) Refuse(permissions, epAllColumns);
    NextToken();
    if (star || !TokenTypeIs('.')) return MakeColumnNode("", first);
    NextToken();
    if (TokenTypeIs('*'))
        Refuse(permissions, epAllColumns);
    else if (!TokenTypeIs(tkWord) && !TokenTypeIs(tkBracketedName) && !TokenTypeIs(tkQuotedName))
        RaiseExpected("Column name expected after table correlation name");
    TExpTree node = MakeColumnNode(first, TokenText());
    NextToken();
    return node;
}

TExpTree TExpressionParser::ParseFunctionCall(uint8_t function, uint32_t permissions) {
    TDepthGuard guard(*this);
    guard.Level();
    bool aggregate = IsAggregateOperator(function);
    if (aggregate) Refuse(permissions, epAggregates);
    TExpTree node = MakeOperatorNode(nkFunction, function);
    NextToken(); // the name
    NextToken(); // "("
    if (!aggregate) {
        if (!IsWordOrQuoted()) RaiseExpected("Table name expected after " + node->Name + " function");
        node->AddArg(MakeStringConstant(TokenText()));
        NextToken();
    } else if (function == opCount && TokenTypeIs('*')) {
        NextToken();
    } else {
        node->AddArg(
            RequireOperand(ParseOr(permissions), "Expression expected after " + node->Name + " function"));
    }
    Require(')', "Right parentheses expected after " + node->Name + " function argument");
    if (!aggregate && Host) Host->AddFunctionSource(*node);
    return node;
}

TExpTree TExpressionParser::ParseParenthesised(uint32_t permissions) {
    NextToken();
    if (IsSymbol("SELECT")) return ParseSubSelect(permissions);
    TDepthGuard guard(*this);
    guard.Level();
    TExpTree inner = RequireOperand(ParseOr(permissions), "Expression expected after left parentheses");
    Require(')', "Right parentheses expected");
    return inner;
}

TExpTree TExpressionParser::ParseSubSelect(uint32_t permissions) {
    if (!Host) permissions &= ~uint32_t(epSubSelects);
    Refuse(permissions, epSubSelects);
    TDepthGuard guard(*this);
    guard.Level();
    TExpTree node = MakeOperatorNode(nkSubSelect, opNone);
    node->Name = "SELECT";
    // The block's own clauses set their subjects; the rest of this expression keeps the one it had.
    std::string subject = Subject;
    node->SubQuery = Host->ParseSubSelect(*this);
    assert(node->SubQuery);
    Subject = std::move(subject);
    Require(')', "Right parentheses expected after SELECT statement");
    return node;
}

TExpTree TExpressionParser::RequireOperand(TExpTree operand, std::string_view what) {
    if (!operand) RaiseExpected(what);
    return operand;
}

void TExpressionParser::Require(int kind, std::string_view what) {
    if (!TokenTypeIs(kind)) RaiseExpected(what);
    NextToken();
}

void TExpressionParser::Refuse(uint32_t permissions, uint32_t needed) {
    if (permissions & needed) return;
    std::string_view text;
    switch (needed) {
    case epAggregates:
        text = "Aggregate functions are not allowed in ";
        break;
    case epAllColumns:
        text = "* (all columns) symbol is not allowed in ";
        break;
    case epExtendedPredicates:
        text = "Extended predicate operators (LIKE, BETWEEN, IN, IS NULL) are not allowed in ";
        break;
    case epParameters:
        text = "Parameters are not allowed in ";
        break;
    default:
        text = "Sub-select queries are not allowed in ";
        break;
    }
    RaiseParseError(std::string(text) + Subject);
}

bool TExpressionParser::NextIsOpenParenthesis() {
    TState state = SaveState();
    NextToken();
    bool open = TokenTypeIs('(');
    RestoreState(state);
    return open;
}

} // namespace vorsam
