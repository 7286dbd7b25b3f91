// What the robustness tests ask of a table that a crash or a killed process left behind.
#pragma once

#include "PeopleTable.h"

#include <optional>

namespace vorsam::test {

// The codes with which the engine refuses a damaged table.
bool IsCorruptionError(uint16_t code);

// Opens the (closed) table: none when the open raises a clean corruption error; else the table must
// scan clean (TableScan.h, with a cursor too), and its contents are the result; the table is closed again.
// Another error, or a problem the scan finds, fails the running test.
std::optional<TContents> OpenAfterCrash(TDataTable& table);

} // namespace vorsam::test
