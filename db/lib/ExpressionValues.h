// Values inside the expression layer: a token's native value (ExpressionTree.h) taken out into a scalar
// the evaluator computes with, and put back; the type classes and promotion rules shared by the type
// checker and the evaluator; comparisons under the collation; LIKE matching.
//
// Arithmetic types:
//   smallint, word, integer   -> integer (32-bit), overflow is an error
//   any largeint              -> largeint (64-bit), overflow is an error
//   any BCD (no float)        -> BCD; + and - keep the larger scale, * adds the scales (at most 4);
//                                computed as currency (4 implied decimals, DataTypes.h), overflow an error
//   any float                 -> float (money when a float operand is money)
//   "/"                       -> float always; a zero divisor is an error
// Unary minus turns smallint and word into integer and keeps the other numeric types.
#pragma once

#include "db/lib/ExpressionTree.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorsam {

// Groups of types that compare with each other.
enum TTypeClass : uint8_t {
    tcUnknown,  // no type yet (NULL literal, parameter without a value): goes with everything
    tcNumeric,  // smallint, integer, word, largeint, float, BCD
    tcString,   // string, memo BLOB
    tcBoolean,  //
    tcDateTime, // date, timestamp (a date is midnight of its day)
    tcTime,     //
    tcBytes,    // bytes, varbytes
    tcOther,    // other BLOBs and the rest: no comparisons
};
TTypeClass TypeClassOf(uint8_t dataType, uint8_t subType);
bool IsIntegerType(uint8_t dataType);
std::string_view TypeClassName(TTypeClass typeClass); // "Numeric", "String", ... for messages

struct TExpType {
    uint8_t DataType = 0;
    uint8_t SubType = 0;
    uint16_t Size = 0;
    uint8_t Scale = 0;
};
TExpType ExpTypeOf(const TExpToken& token);
void SetExpType(TExpToken& token, const TExpType& type);

// Result type of an arithmetic operator (opAdd, opSubtract, opMultiply, opDivide; opNegate and opUnaryPlus
// take `a` only); DataType 0 when an operand is not numeric (an unknown operand takes the other's rules).
TExpType ArithmeticResultType(uint8_t op, const TExpType& a, const TExpType& b);

struct TExpValue {
    uint8_t DataType = 0;
    uint8_t SubType = 0;
    uint8_t Scale = 0;
    bool IsNull = true;
    int64_t Int = 0;  // boolean, smallint, integer, word, largeint, date (day), time (ms), BCD (currency)
    double Real = 0;  // float, timestamp
    std::string Text; // string, bytes, varbytes, BLOB
};
TExpValue MakeIntegerValue(uint8_t dataType, int64_t value);
TExpValue MakeBooleanValue(std::optional<bool> value); // nullopt gives a boolean NULL
TExpValue MakeFloatValue(double value, uint8_t subType = 0);

// The token's value; a BCD beyond the currency range raises VORSAM_OUTOFRANGE.
TExpValue ReadExpValue(const TExpToken& token);
// Gives the token the value's type and native value (a string's size becomes its length).
void WriteExpValue(TExpToken& token, const TExpValue& value);
// The value as constant text (Values.h); "NULL" for a null.
std::string ExpValueText(const TExpValue& value);

struct TCollationRules {
    uint16_t LanguageId = 0;
    uint16_t SortId = 0;
    bool CaseInsensitive = false;
};
// The text as compared: upper-cased under the locale when case is ignored.
std::string CollationKeyText(std::string_view text, const TCollationRules& rules);

// -1, 0 or 1 comparing two non-null values. A string meets another class by being read as a constant of
// the other's type. Values that cannot be compared raise VORSAM_EXPTYPEMISMATCH.
int CompareExpValues(const TExpValue& a, const TExpValue& b, const TCollationRules& rules);
// How CompareExpValues reads its operands, for those that keep values in the order it gives them:
//   - two numbers of which one is a float compare as doubles (ExpNumberAsReal; an integer or BCD held as
//     its 64-bit integer reads as ExpExactAsReal); otherwise exactly, a BCD as currency;
//   - a date meeting a timestamp reads as the timestamp of its midnight (ExpDateTimeAsReal);
//   - strings compare by their collation keys (CollationKeyText) under the rules (CompareCollationKeys),
//     each up to its first zero byte;
//   - a string meeting a value of another comparable class is read as a constant of that value's type
//     (ExpStringAsTypeOf, which raises VORSAM_EXPTYPEMISMATCH when the text is no such value).
double ExpNumberAsReal(const TExpValue& number);
double ExpExactAsReal(int64_t value, bool currency);
double ExpDateTimeAsReal(const TExpValue& dateTime);
int CompareCollationKeys(std::string_view a, std::string_view b, const TCollationRules& rules);
TExpValue ExpStringAsTypeOf(const TExpValue& text, const TExpValue& other);

// SQL LIKE: '%' matches any run of characters, '_' any one character; everything else itself.
bool LikeMatches(std::string_view text, std::string_view pattern);

// Converts a string constant token in place into a date (2), time (10) or timestamp (11) value; false
// (token unchanged) when the text is no such value.
bool TextToDateTimeValue(TExpToken& token, uint8_t dataType);

} // namespace vorsam
