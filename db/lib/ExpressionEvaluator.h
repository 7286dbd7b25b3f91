// The evaluator of expression trees against the current row, and the preparation of filter predicates.
//
// Semantics:
//   - NULL: comparisons, arithmetic, || and LIKE with a NULL operand are NULL; NOT NULL is NULL;
//     AND is FALSE when either side is FALSE, else NULL when either is NULL; OR likewise with TRUE;
//     IS NULL is never NULL. x IN (...) is TRUE when an item equals x, else NULL when x or an item is
//     NULL, else FALSE; x BETWEEN a AND b is x >= a AND x <= b. AND and OR skip their right operand when
//     the left one decides.
//   - Arithmetic follows ExpressionValues.h; integer and BCD overflow raise VORSAM_OUTOFRANGE, a zero
//     divisor VORSAM_DIVBYZERO.
//   - Strings compare under the context's language and sort (LocaleCompareStrings), ignoring case with
//     efCaseInsensitive; LIKE and prefix compares match characters exactly (or both upper-cased).
//   - A string meeting a date, number or boolean is read as a constant of that type.
//   - A column token is filled by the context's column-value callback; none, or a callback that answers
//     false, raises VORSAM_NOCOLUMNVALUE. A sub-select gives the first column of its only row (NULL for
//     no row; more than one row raises the SQL error "Sub-select returned more than one row"). Among the
//     items of IN it gives each of its values; one that keeps a membership cache (TExpSubQuery) is
//     answered from sets of its values read once (ExpressionMembership.h), with the same result.
//   - An aggregate call gives its argument's value for the current row (COUNT: 1 for a non-NULL argument
//     or no argument, else NULL); the grouping that folds these values is the SQL engine's.
#pragma once

#include "db/lib/ExpressionHost.h"
#include "db/lib/ExpressionTree.h"
#include "db/lib/ExpressionValues.h"

namespace vorsam {

// The tree's value for the current row as a new constant token (type, subtype, size, scale, value, null
// flag); the caller owns it.
TExpTree EvaluateExpTree(TExpToken& tree, const TEvaluationContext& context);
// The same as a scalar value.
TExpValue EvaluateExpValue(TExpToken& tree, const TEvaluationContext& context);
// True when the condition is TRUE for the current row (FALSE and NULL give false); a value that is not a
// boolean raises VORSAM_EXPTYPEMISMATCH.
bool EvaluatePredicate(TExpToken& tree, const TEvaluationContext& context);
// Evaluates the tree and converts a non-null result that is not a string to the type of `typeNode`
// (VORSAM_EXPTYPEMISMATCH when it cannot be converted).
TExpTree EvaluateConstantAsType(TExpToken& tree, const TEvaluationContext& context,
                                const TExpToken& typeNode);

// A prepared copy of a predicate for an engine filter: every sub-tree without columns, sub-selects or
// function calls is folded into a constant (one whose evaluation fails is left as it is, so that the
// failure comes only if the row reaches it); "column = 'text*'" and "column <> 'text*'" become prefix
// compares of "text" unless efNoPartialCompare is set; "column LIKE 'text%'" (no other wildcard) becomes
// the prefix compare "column = 'text'". The copy keeps every mark (join kind, ON clause).
TExpTree PrepareExpTree(const TExpToken& tree, const TEvaluationContext& context);
// The same on a tree the caller gives up (no copy made).
TExpTree PrepareExpTree(TExpTree tree, const TEvaluationContext& context);

} // namespace vorsam
