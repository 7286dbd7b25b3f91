// Sortable keys of field values: a field's segment in an index or sort key is its null-indicator byte
// followed by GetFieldKeySize bytes whose unsigned bytewise (memcmp) order is the order of the values.
//
// Key bytes by type (from the value's native form, DataTypes.h):
//   string                copied up to its terminating zero, the rest of the segment zero; upper-cased
//                         first under the locale when the key is case-insensitive (language 0: the
//                         locale of 0x0409). The caller's value is never changed.
//   date, integer, time   4 bytes big-endian with the sign bit flipped
//   smallint              2 bytes big-endian with the sign bit flipped
//   boolean, word         2 bytes big-endian
//   float, timestamp      the double's 8 bytes big-endian: all complemented when negative, else with the
//                         sign bit set (-0 is stored as +0, so equal values give equal keys)
//   BCD                   its currency form (int64, 4 decimals) 8 bytes big-endian with the sign bit
//                         flipped; a BCD value beyond the currency range raises VORSAM_OUTOFRANGE
//   largeint              8 bytes big-endian with the sign bit flipped
//   other types           the value's physical bytes as they are
// Descending keys under language 0 are complemented, the null-indicator byte included (a string's last
// segment byte, always zero, is left as it is); under any other language nothing is complemented and
// the key comparisons reverse such fields instead.
#pragma once

#include <cstdint>

namespace vorsam {

class TFieldDescriptor;

// Writes the key of `value` at destination + 1 .. destination + GetFieldKeySize(field); destination[0]
// holds the null-indicator byte, set by the caller, and is only complemented (descending, language 0).
void EncodeFieldKey(const TFieldDescriptor& field, const uint8_t* value, uint8_t* destination,
                    bool caseInsensitive, bool descending, uint16_t languageId, uint16_t sortId);

} // namespace vorsam
