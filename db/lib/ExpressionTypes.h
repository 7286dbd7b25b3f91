// The type checker of expression trees and the operand rules of the operators.
//
// CheckExpTypes types a tree bottom-up: constants carry their type from the parser, column tokens get theirs
// from the binder, a sub-select token from its block (a block with more than one result column is refused);
// comparisons, LIKE, IN and BETWEEN, IS NULL, NOT, AND and OR are boolean (type 4); arithmetic follows the
// promotion rules of ExpressionValues.h; || gives a string as long as both operands (at most 250);
// aggregates take their argument's type (COUNT an integer); LASTAUTOINC and IDENT_CURRENT an integer.
// A string constant compared with a date, time or timestamp operand is converted to that type in place.
//
// Messages (raised with the given code, the context ending them):
//   "Invalid column name '<name>' or table correlation name '<correlation>' specified in <context>"
//   "More than 1 column for sub-select  specified in <context>"
//   "Date, time, or timestamp expression expected, instead found '<text>' in <context>"
//   "<Boolean|Numeric|String|...> expression expected, instead found '<operand>' in <context>"
#pragma once

#include "db/lib/EngineErrorCodes.h"
#include "db/lib/ExpressionHost.h"

#include <cstdint>
#include <string_view>

namespace vorsam {

class TExpToken;

// `context` names the clause ("WHERE or JOIN clause", "source columns", ...). No binder: every column
// reference is refused.
void CheckExpTypes(TExpToken& tree, const TColumnBinder& binder, std::string_view context,
                   uint16_t errorCode = VORSAM_SQLPARSE);

// True when the operator accepts operands of the two types: comparisons (and IN, BETWEEN) types of one
// class, or a string with a date, time or timestamp; AND, OR, NOT booleans; arithmetic numbers; || and
// LIKE strings. A type 0 (not known yet) goes with everything.
bool OperatorAcceptsTypes(uint8_t op, uint8_t type1, uint8_t subType1, uint8_t type2, uint8_t subType2);

} // namespace vorsam
