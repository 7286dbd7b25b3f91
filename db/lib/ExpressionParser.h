// TExpressionParser: reads expressions from the scanner's tokens into TExpToken trees.
//
// Grammar (keywords ignore case; only unquoted words are keywords):
//   or         := and {OR and}
//   and        := not {AND not}
//   not        := NOT not | comparison
//   comparison := additive [ (= | <> | < | > | <= | >=) additive
//                          | [NOT] LIKE additive | [NOT] BETWEEN additive AND additive
//                          | [NOT] IN "(" (additive {"," additive} | select) ")" | IS [NOT] NULL ]
//   additive   := multiplicative {(+ | - | ||) multiplicative}
//   multiplicative := unary {(* | /) unary}
//   unary      := (+ | -) unary | primary              (a sign node over its operand, never folded)
//   primary    := 'string' | integer | number | NULL | TRUE | FALSE | "?" (parameter)
//               | name ["." name] | "*" | name "." "*"  (name: word, [name] or "name")
//               | aggregate "(" (or | "*") ")"           (SUM, RUNSUM, COUNT, MIN, MAX, AVG; "*" for COUNT)
//               | (LASTAUTOINC | IDENT_CURRENT) "(" table name ")"
//               | "(" or ")" | "(" select ")"
// A primary stops before any operator. The words AND, OR, NOT, LIKE, BETWEEN, IN, IS, SELECT, FROM,
// WHERE, GROUP, HAVING, ORDER and UNION never start a primary: the parse functions then answer nil ("no
// expression starts here") and leave the token for the caller.
//
// Integers become integer constants (64-bit when they need it, float beyond); numbers float constants;
// strings string constants. Every node's Name holds its text (the constant as written, the column's name,
// the operator's or function's text).
//
// Permissions (a set of bits given to every entry): what is not permitted is refused with the text given,
// followed by the subject: 1 aggregates, 2 the "*" symbol (not needed for COUNT(*)), 4 LIKE, BETWEEN, IN and
// IS NULL, 8 parameters, 16 sub-selects. Other syntax errors read "<what> expected, instead found '<token>'
// in <subject>".
#pragma once

#include "db/lib/ExpressionHost.h"
#include "db/lib/ExpressionScanner.h"
#include "db/lib/ExpressionTree.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorsam {

enum TExpPermission : uint32_t {
    epAggregates = 1,
    epAllColumns = 2,
    epExtendedPredicates = 4,
    epParameters = 8,
    epSubSelects = 16,
};

class TExpressionParser : public TExpressionScanner {
public:
    // The host takes parameters and parses sub-selects; without one both are refused.
    explicit TExpressionParser(TExpressionHost* host = nullptr) : Host(host) {}

    TExpressionHost* Host;

    // Each reads from the current token and answers nil when no expression starts there.
    TExpTree ParseOr(uint32_t permissions);
    TExpTree ParseAdditive(uint32_t permissions);
    TExpTree ParseUnary(uint32_t permissions);
    TExpTree ParsePrimary(uint32_t permissions);

    // A whole text as one expression (a filter): raises when it is empty or when anything follows it.
    TExpTree ParseExpressionText(std::string_view text, uint32_t permissions);

    // Reads a data type into the token's type, subtype, size and scale (ExpressionDataTypes.h); the
    // arguments in parentheses are read as unary expressions under `argumentPermissions`. Without a type
    // keyword: false and the type stays 0 when typeOptional, else "SQL data type keyword expected, ...".
    bool ParseDataType(TExpToken& token, uint32_t argumentPermissions, bool typeOptional);

private:
    using TParseLevel = TExpTree (TExpressionParser::*)(uint32_t permissions);
    using TChainOperator = uint8_t (*)(const TExpressionScanner& scanner); // opNone ends the chain
    // operand {operator operand}, left-associative.
    TExpTree ParseChain(uint32_t permissions, TParseLevel operand, TChainOperator chainOperator);
    TExpTree ParseAnd(uint32_t permissions);
    TExpTree ParseNot(uint32_t permissions);
    TExpTree ParseComparison(uint32_t permissions);
    TExpTree ParseExtendedPredicate(TExpTree left, uint32_t permissions);
    TExpTree ParseInList(TExpTree value, uint32_t permissions);
    TExpTree ParseMultiplicative(uint32_t permissions);
    TExpTree ParseConstant();
    TExpTree ParseParameter(uint32_t permissions);
    TExpTree ParseNamePrimary(uint32_t permissions);
    TExpTree ParseFunctionCall(uint8_t function, uint32_t permissions);
    TExpTree ParseParenthesised(uint32_t permissions);
    TExpTree ParseSubSelect(uint32_t permissions);
    TExpTree ParseColumnReference(uint32_t permissions);
    TExpTree RequireOperand(TExpTree operand, std::string_view what);
    TExpTree RequireAdditive(uint32_t permissions);
    void Require(int kind, std::string_view what);
    void Refuse(uint32_t permissions, uint32_t needed);
    bool NextIsOpenParenthesis();
    int32_t ReadTypeArgument(uint32_t permissions, std::string_view typeName);

    // Nesting of the expression being read, bounded so that no text can exhaust the stack of the parser
    // or of the walkers over its tree (TDepthGuard).
    class TDepthGuard;
    unsigned levels_ = 0;
    unsigned chainNodes_ = 0;
};

// How deep an expression may nest: levels of parentheses (a function's or a sub-select's argument list
// counts as one, and so does each sign and NOT).
inline constexpr unsigned MaxExpressionDepth = 1000;
// How many operators of chains (a + b - c, x AND y, ...) may lie above one another: each makes a level of
// the tree that the walkers over it descend.
inline constexpr unsigned MaxExpressionChainNodes = 3 * MaxExpressionDepth;
// Stack left to the walkers over the tree and to the caller when the parser stops.
inline constexpr size_t ExpressionStackReserve = 1u << 20;

} // namespace vorsam
