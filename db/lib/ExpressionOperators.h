// The operators of expression values (ExpressionValues.h), as the evaluator applies them to the values of
// its operands; shared with the compiled form of expressions (ExpressionProgram.h), so that both give the
// same results, NULLs and errors. The rules are the evaluator's (ExpressionEvaluator.h).
#pragma once

#include "db/lib/ExpressionValues.h"

#include <cstdint>
#include <optional>

namespace vorsam {

using TExpTruth = std::optional<bool>; // nullopt is NULL

// A NULL of the type.
TExpValue NullExpValue(const TExpType& type);
TExpType ExpTypeOfValue(const TExpValue& value);
// The truth of a boolean value (NULL for NULL); a value of another type raises VORSAM_EXPTYPEMISMATCH.
TExpTruth ExpTruth(const TExpValue& value);
// A comparison operator applied to the result of CompareExpValues (-1, 0 or 1).
inline bool ExpComparisonHolds(uint8_t op, int comparison) {
    switch (op) {
    case opEqual:
        return comparison == 0;
    case opNotEqual:
        return comparison != 0;
    case opLess:
        return comparison < 0;
    case opGreater:
        return comparison > 0;
    case opLessEqual:
        return comparison <= 0;
    default:
        return comparison >= 0;
    }
}
// A comparison of two values (NULL when either is NULL).
TExpTruth CompareExp(uint8_t op, const TExpValue& a, const TExpValue& b, const TCollationRules& rules);
// + - * / (opAdd, opSubtract, opMultiply, opDivide).
TExpValue ExpArithmetic(uint8_t op, const TExpValue& a, const TExpValue& b);
// Unary minus and plus (opNegate, opUnaryPlus).
TExpValue ExpSign(uint8_t op, const TExpValue& a);
// ||.
TExpValue ExpConcatenate(const TExpValue& a, const TExpValue& b);
// AND (isAnd) or OR of two truths already known.
TExpTruth ExpLogical(bool isAnd, TExpTruth left, TExpTruth right);
// Whether the left operand alone decides AND (FALSE) or OR (TRUE).
inline bool ExpLogicalDecided(bool isAnd, TExpTruth left) {
    return left && *left != isAnd;
}
// A prefix compare (= or <> on the first `length` characters of the value), LIKE.
TExpTruth ExpPrefixCompare(uint8_t op, const TExpValue& value, const TExpValue& prefix, uint16_t length,
                           const TCollationRules& rules);
TExpTruth ExpLike(const TExpValue& value, const TExpValue& pattern, const TCollationRules& rules);
// BETWEEN from its two comparisons: value >= low, value <= high.
TExpTruth ExpBetween(TExpTruth notBelowLow, TExpTruth notAboveHigh);

} // namespace vorsam
