// What the expression layer asks of its owners (the engine's cursor filters and the SQL engine), so that
// this library never depends on them:
//   - a binder, called by the type checker for every column token, that resolves the column to a field
//     and gives the token its data type, subtype, size, scale, field number and bound source;
//   - a column-value callback, called by the evaluator for every column token, that fills the token's
//     value buffer and null flag from the current row;
//   - a function-value callback for LASTAUTOINC(t) and IDENT_CURRENT(t), which name a table of the owner;
//   - the host of a parser (a statement), which takes the parameters met and parses "(" SELECT ... ")";
//   - the sub-query of a sub-select token, which binds its result column, hands out its values and keeps
//     the sets the evaluator builds from them.
#pragma once

#include <cstdint>
#include <functional>

namespace vorsam {

class TExpMembershipCache;
class TExpToken;
class TExpressionParser;

// True when the column was bound (the token then carries its type). No binder: columns are refused.
using TColumnBinder = std::function<bool(TExpToken& column)>;
// Fills column.Value and column.IsNull for the current row; false when it has no value for the column.
using TColumnValueCallback = std::function<bool(TExpToken& column)>;
// Fills call.Value and call.IsNull (an integer) for a LASTAUTOINC or IDENT_CURRENT call; false when the
// table is not available.
using TFunctionValueCallback = std::function<bool(TExpToken& call)>;

// Evaluation flags.
enum TExpFlags : uint32_t {
    efCaseInsensitive = 1,  // string comparisons, prefix compares and LIKE ignore case (locale upper case)
    efNoPartialCompare = 2, // PrepareExpTree leaves "column = 'text*'" a plain comparison
};

struct TEvaluationContext {
    uint32_t Flags = 0; // TExpFlags
    uint16_t LanguageId = 0;
    uint16_t SortId = 0;
    TColumnValueCallback ColumnValue;
    TFunctionValueCallback FunctionValue;
};

// One query block used as a sub-select inside an expression (implemented by the SQL engine's query block).
class TExpSubQuery {
public:
    virtual ~TExpSubQuery() = default;
    // Number of result columns; the type checker refuses a sub-select with more than one.
    virtual unsigned ResultColumnCount() const = 0;
    // Binds the sub-select token to the first result column: type, subtype, size, scale (and field number,
    // correlation name, bound source as the block sees fit). True when bound.
    virtual bool BindColumn(TExpToken& subSelect) = 0;
    // Runs the block for the current outer row (a correlated block filters itself on the outer values) and
    // calls `visit` with the first column of each result row, in order, until it returns false. The token
    // handed to `visit` is valid during the call only.
    virtual void ReadValues(const TEvaluationContext& outer,
                            const std::function<bool(const TExpToken&)>& visit) = 0;
    // Where the evaluator keeps the sets it builds from the values ReadValues hands out
    // (ExpressionMembership.h), for as long as they are those values: the block clears it whenever it runs
    // again. Null when the values may differ from one read to the next (a correlated block): they are then
    // compared one by one at each read.
    virtual TExpMembershipCache* MembershipCache() { return nullptr; }
};

// The owner of a parser: the statement whose text it scans.
class TExpressionHost {
public:
    virtual ~TExpressionHost() = default;
    // A parameter token was made (a constant marked as parameter, named by its text); the tree owns it, the
    // host keeps a reference in order of appearance and sets its value before evaluation.
    virtual void AddParam(TExpToken& parameter) = 0;
    // The parser stands on SELECT after "(": create a block for the statement, add it, ask for a live
    // result, and parse it as a sub-select (not a union part, no parent block), leaving the parser on the
    // token after the block (the ")" is checked by the expression parser). Returns the block.
    virtual TExpSubQuery* ParseSubSelect(TExpressionParser& parser) = 0;
    // A LASTAUTOINC(t) or IDENT_CURRENT(t) call was made; its argument 0 is the table name as a string
    // constant. The host notes the table as a function source.
    virtual void AddFunctionSource(TExpToken& call) = 0;
};

} // namespace vorsam
