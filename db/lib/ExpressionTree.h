// TExpToken: one node of an expression tree, the parsed form of filters and SQL expressions, and the
// walkers over such trees.
//
// Node kinds and their operands:
//   1 unary           Left                 NOT (9), negate "-" (15), unary plus "+" (16), IS NULL (19)
//   2 binary          Left, Right          comparisons (3..8), AND (10), OR (11), + - * / || (12..14, 17, 18)
//   3 prefix compare  Left column, Right constant: = (3) or <> (4) on the first PrefixLength characters
//   4 column          ColumnName, CorrelationName (t in t.c), FieldNumber and BoundSource once bound
//   5 constant        the value; IsParameter for a parameter ("?"), valued by its owner before evaluation
//   6 sub-select      SubQuery (owned by the statement, not by the tree)
//  10 function        Args: aggregates SUM 23, RUNSUM 24, COUNT 25 (no argument: COUNT(*)), MIN 26,
//                     MAX 27, AVG 28; LASTAUTOINC 29 and IDENT_CURRENT 30 with the table name as a constant
//  12 predicate       Args: LIKE 20 (value, pattern), IN 21 (value, items... or value, sub-select),
//                     BETWEEN 22 (value, low, high)
// NOT LIKE, NOT IN, NOT BETWEEN and IS NOT NULL are a NOT node over the predicate.
//
// Values (constants, evaluation results, column values filled by a column-value callback) are kept in the
// engine's native form (DataTypes.h) in `Value`: a string is its characters and a terminating zero (the
// buffer may be shorter than Size + 1), a BLOB its contents. `Size` is the declared size of strings and
// bytes (0 for the fixed-size types), `Scale` the decimals of a BCD value.
//
// Ownership: a tree owns its operands through TExpTree (unique_ptr); every node knows its parent, which the
// setters keep. A sub-select token and a bound source point at objects the owner keeps alive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

class TExpToken;
class TExpSubQuery;
using TExpTree = std::unique_ptr<TExpToken>;

enum TExpNodeKind : uint8_t {
    nkNone = 0,
    nkUnary = 1,
    nkBinary = 2,
    nkPrefixCompare = 3,
    nkColumn = 4,
    nkConstant = 5,
    nkSubSelect = 6,
    nkFunction = 10,
    nkPredicate = 12,
};

// Operator and function codes; one table for the whole engine.
enum TExpOperator : uint8_t {
    opNone = 0,
    opEqual = 3,
    opNotEqual = 4,
    opLess = 5,
    opGreater = 6,
    opLessEqual = 7,
    opGreaterEqual = 8,
    opNot = 9,
    opAnd = 10,
    opOr = 11,
    opAdd = 12,
    opSubtract = 13,
    opMultiply = 14,
    opNegate = 15,
    opUnaryPlus = 16,
    opDivide = 17,
    opConcat = 18,
    opIsNull = 19,
    opLike = 20,
    opIn = 21,
    opBetween = 22,
    opSum = 23,
    opRunSum = 24,
    opCount = 25,
    opMin = 26,
    opMax = 27,
    opAvg = 28,
    opLastAutoInc = 29,
    opIdentCurrent = 30,
};

// The join-kind mark of a comparison read from an ON clause.
enum TJoinKind : uint8_t { jkWhere = 0, jkInner = 1, jkLeftOuter = 2, jkRightOuter = 3 };

constexpr bool IsComparisonOperator(uint8_t op) {
    return op >= opEqual && op <= opGreaterEqual;
}
constexpr bool IsAggregateOperator(uint8_t op) {
    return op >= opSum && op <= opAvg;
}
// The operator that gives the same answer with the operands exchanged (< becomes >, = stays).
uint8_t MirrorComparison(uint8_t op);
// The operator's text as node names carry it ("=", "AND", "LIKE", "SUM", ...).
std::string_view OperatorText(uint8_t op);

// Every field of a node but its links; TExpToken::Assign copies these.
struct TExpNodeFields {
    TExpNodeKind Kind = nkNone;
    uint8_t Operator = opNone;
    std::string Name; // operator or function text, a column's name, a constant's text, "?" for a parameter
    std::string ColumnName;
    std::string CorrelationName;
    uint16_t FieldNumber = 0;
    void* BoundSource = nullptr; // the source a binder bound the column to (the binder's own object)

    std::vector<uint8_t> Value;
    bool IsNull = true;
    bool IsParameter = false;
    uint8_t DataType = 0;
    uint8_t SubType = 0;
    uint16_t Size = 0;
    uint8_t Scale = 0;

    // A string constant turned into a column (a column named by a string): the constant's type.
    uint8_t SavedDataType = 0;
    uint8_t SavedSubType = 0;
    uint16_t SavedSize = 0;
    uint8_t SavedScale = 0;
    bool NamedByString = false;

    uint8_t JoinKind = jkWhere; // TJoinKind
    bool FromOnClause = false;
    uint16_t PrefixLength = 0; // prefix compare: characters compared
    TExpSubQuery* SubQuery = nullptr;
};

class TExpToken : public TExpNodeFields {
public:
    TExpToken() = default;
    TExpToken(const TExpToken&) = delete;
    TExpToken& operator=(const TExpToken&) = delete;

    // Copies one node's fields (not its parent or operands).
    void Assign(const TExpToken& other) { static_cast<TExpNodeFields&>(*this) = other; }

    TExpToken* Parent() const { return parent_; }
    TExpToken* Left() const { return left_.get(); }
    TExpToken* Right() const { return right_.get(); }
    void SetLeft(TExpTree operand);
    void SetRight(TExpTree operand);
    TExpTree TakeLeft();
    TExpTree TakeRight();

    size_t ArgCount() const { return args_.size(); }
    // Argument i of a function or predicate node; nullptr beyond the last.
    TExpToken* GetArg(size_t i) const { return i < args_.size() ? args_[i].get() : nullptr; }
    void AddArg(TExpTree arg);
    void SetArg(size_t i, TExpTree arg);
    TExpTree TakeArg(size_t i); // leaves an empty place

    // Every operand in order: Left, Right, then the arguments.
    template <typename F> void ForEachOperand(F&& f) const {
        if (left_) f(*left_);
        if (right_) f(*right_);
        for (const TExpTree& a : args_)
            if (a) f(*a);
    }

    // Resizes the value buffer when the size differs (new bytes are zero).
    void SetValueSize(size_t size);
    // A string value: the characters up to the first zero of the buffer.
    std::string_view StringValue() const;
    // Makes the node a non-null string constant value of the text (type 1, size = text length).
    void SetStringValue(std::string_view text);
    void SetNull();

private:
    TExpToken* parent_ = nullptr;
    TExpTree left_;
    TExpTree right_;
    std::vector<TExpTree> args_;
};

// A cleared token. (Tokens are ordinary heap objects; the allocator's own caches make a pool pointless.)
TExpTree NewExpToken();
// Gives one token (with whatever it still owns) back and clears the reference.
void DisposeExpToken(TExpTree& token);
// Frees a whole tree and clears the reference.
void FreeExpTree(TExpTree& tree);
// A deep copy with every mark; nullptr for nullptr. The copy's root has no parent.
TExpTree CopyExpTree(const TExpToken* tree);

// New nodes; an operator node is named by its operator's text.
TExpTree MakeOperatorNode(TExpNodeKind kind, uint8_t op);
TExpTree MakeUnaryNode(uint8_t op, TExpTree operand);
TExpTree MakeBinaryNode(uint8_t op, TExpTree left, TExpTree right);
TExpTree MakeColumnNode(std::string_view correlationName, std::string_view columnName);
TExpTree MakeStringConstant(std::string_view text);

// True when both trees are equal node by node: kinds, operators, names (column and correlation names
// ignoring case), constant types and values, parameter marks.
bool SameExpTree(const TExpToken* a, const TExpToken* b);

// Calls f on every node, parents before their operands, left to right.
void ForEachExpNode(const TExpToken& tree, const std::function<void(const TExpToken&)>& f);
// The first column token in that order; nullptr when none.
const TExpToken* FindFirstColumnNode(const TExpToken* tree);
TExpToken* FindFirstColumnNode(TExpToken* tree);
bool ExpTreeHasColumns(const TExpToken* tree);
bool ExpTreeHasAggregates(const TExpToken* tree);

// True when the node is an OR, or a NOT over a node that is not a disjunction.
bool ExpTreeIsDisjunction(const TExpToken* node);
// True when the node's nearest unary ancestor is a NOT.
bool ExpNodeUnderNot(const TExpToken* node);

// A comparison of a column with a constant that must hold for the whole predicate to hold; what an index
// range can serve. The operator is oriented "column <op> constant" (mirrored when the constant stood left).
struct TColumnComparison {
    const TExpToken* Node = nullptr;     // the comparison, prefix compare or BETWEEN node in the tree
    const TExpToken* Column = nullptr;   // the column token
    const TExpToken* Constant = nullptr; // the constant token
    uint8_t Operator = opNone;           // opEqual .. opGreaterEqual
    bool IsPrefix = false;               // a prefix compare: only the first PrefixLength characters count
    uint16_t PrefixLength = 0;
};

// The comparison when the node is "column op constant", "constant op column" or a prefix compare.
bool MatchColumnComparison(const TExpToken& node, TColumnComparison& result);
// The column-with-constant comparisons among the conjuncts of the predicate (the node itself, or the
// operands of ANDs, recursively; nothing under OR or NOT). BETWEEN with constant bounds on a column gives
// two: >= low and <= high.
std::vector<TColumnComparison> CollectConjunctComparisons(const TExpToken& predicate);

} // namespace vorsam
