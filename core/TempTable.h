#pragma once
// The scratch table of the data-aware screens lives in the program folder as "TEMPORAR.DAT",
// "TEMPORAR.IDX" and, when the engine writes one, "TEMPORAR.BLB".

#include <array>

inline constexpr char TempTableName[] = "TEMPORAR.DAT";
inline constexpr std::array<const char*, 3> TempTableFiles = {"TEMPORAR.DAT", "TEMPORAR.IDX", "TEMPORAR.BLB"};

// Notes the scratch table's files present (core/LeftoversNote.h), so that a kill does not leave them for
// good; run once the table is built.
void NoteTempTable();
// Deleting them: screens/ScratchTables.h, which keeps them from other copies of the tool.
