// What the robustness tests ask of a table that a crash or a killed process left behind.
//
// The table opens and scans clean (TableScan.h, with a cursor too), or the open refuses it as left
// inconsistent by an interrupted write (VORSAM_WRITEINTERRUPTED); it is then repaired (TDataTable::Repair)
// and must open and scan clean after that. A table that is refused otherwise, whose repair fails, or that
// does not scan clean is unusable: that fails the running test.
//
// What the table holds: a write that never ended was either not begun on the files (the table is as
// before it), or ended (as after it), or cut in between, which the table shows by the mark of an
// interrupted write (Interrupted). The files are then written slot by slot: each record the table holds
// is one the write found or one it made, but a write of several records may be half done, and a record
// it moved to another slot may be missing.
#pragma once

#include "PeopleTable.h"

#include <optional>

namespace vorsam::test {

// The codes with which the engine refuses a damaged table.
bool IsCorruptionError(uint16_t code);

struct TAfterCrash {
    std::optional<TContents> Contents; // none: the table is unusable
    bool Interrupted = false;          // it carried the mark of an interrupted write
    bool Repaired = false;             // it was refused and repaired
};

// Opens the (closed) table, repairing it when the open refuses it as above; the table is closed again.
// With `repair` false a refused table is left as it is (Contents none, Repaired false, Interrupted true):
// another process may still hold it open.
TAfterCrash OpenAfterCrash(TDataTable& table, bool repair = true);

// Whether every record the contents hold is as in `before` or as in `after` (a key in neither is
// refused; a key may be missing), its memo too, a repaired table's as well.
bool EachRecordBeforeOrAfter(const TContents& contents, const TContents& before, const TContents& after);

} // namespace vorsam::test
