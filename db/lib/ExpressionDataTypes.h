// SQL data type declarations: the type keywords TExpressionParser::ParseDataType reads into a token, and
// the check of their arguments.
//
//   keyword                                   type  subtype  arguments (Size, Scale)
//   SMALLINT                                  5              -
//   WORD                                      12             -
//   INTEGER, INT                              6              -
//   LARGEINT                                  18             -
//   AUTOINC                                   6     29       -
//   DECIMAL, NUMERIC                          8              optional (precision [, scale])
//   FLOAT                                     7              optional (precision [, scale])
//   MONEY                                     7     21       -
//   CHARACTER, CHAR, VARCHAR                  1              required (length)
//   BYTES, VARBYTES, BINARY, VARBINARY        9              required (length)
//   DATE 2, TIME 10, TIMESTAMP 11                            -
//   BOOLEAN, BOOL, BIT                        4              -
//   BLOB                                      3     23       optional (size [, BLOB type]); BLOB type t gives
//                                                            subtype 21 + t: 1 memo, 2 binary, 3 formatted
//                                                            memo, 5 graphic, 7 typed binary
//   LONGVARBINARY                             3     23       -
//   LONGVARCHAR, MEMO                         3     22       -
//   GRAPHIC                                   3     26       -
// Arguments are integers (with an optional sign); the first goes to Size, the second to Scale.
#pragma once

#include <cstdint>
#include <string_view>

namespace vorsam {

class TExpToken;

inline constexpr uint8_t MaxBcdScale = 4;

// Checks the arguments of a type ParseDataType read: the length of strings and bytes (1 .. 250), the
// precision (up to 64, not below the scale) and scale (0 .. 4) of BCD, the BLOB type (1, 2, 3, 5 or 7).
// Raises `errorCode` with the table name as context and a text ending in " in " + subject.
void CheckTypeArguments(uint16_t errorCode, std::string_view tableName, const TExpToken& token,
                        std::string_view subject);

} // namespace vorsam
