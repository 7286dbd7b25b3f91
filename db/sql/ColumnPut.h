// Putting one value of an INSERT or UPDATE into a column of the target's record image.
//
// The value is an evaluated expression (a constant token):
//   - NULL makes the column NULL, whatever its type;
//   - into a BLOB column the value is written whole through the column's blob (emptied first), a string or
//     memo without its terminating zero;
//   - into any other column at most 250 bytes of the value are taken (a string keeps its first 250
//     characters and its terminator), converted to the column's type when the types differ (or a BCD
//     value's scale differs from the column's); a value that cannot be converted raises the SQL error
//     "Type mismatch between column <column> and constant value <value text> in <INSERT|UPDATE> statement".
// The record image then holds the value as the cursor's PutField stores it (character case, a string cut
// to the column's size).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vorsam {

class TDataCursor;
class TExpToken;
class TUpdateField;

// Longest value of a non-BLOB column, in bytes (a string's characters; its terminator comes on top).
inline constexpr size_t MaxColumnValueBytes = 250;

// The column is the target field as the statement bound it; `statementKind` is "INSERT" or "UPDATE" (for
// the message); `valueText` the value as written.
void PutColumnValue(TDataCursor& cursor, std::span<uint8_t> image, const TUpdateField& column,
                    const TExpToken& value, std::string_view valueText, std::string_view statementKind);

} // namespace vorsam
