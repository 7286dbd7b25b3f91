// A statement's result as canonical text rows, for tools and tests that compare results with another
// engine's: one text per record, values joined by '|': NULL as "NULL", integers in decimal, floats and BCD
// values with 10 significant digits, booleans 0/1, dates, times and timestamps in ISO form, strings and
// bytes as they are, BLOBs as their size ("<n bytes>").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorsam {

class TDataCursor;

// A float as the canonical rows write it.
std::string CanonicalFloatText(double value);
// The cursor's records from its start: the first `columns` fields (0 = every field).
std::vector<std::string> CanonicalRows(TDataCursor& cursor, uint16_t columns = 0);

} // namespace vorsam
