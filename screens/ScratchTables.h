#pragma once
// The scratch table of the data-aware screens: "TEMPORAR.DAT" (index "TEMPORAR.IDX") in the
// program folder, rebuilt by the main window just before such a screen is shown and deleted after
// it closes. Its fields and texts per table code: ScratchRows.h.
//
// Table codes and their builders (which reaches codes 1 and 2 only: AllTempTableItems builds all
// items, another value the one extension position or trunk with that 1-based number):
//   1 BuildCategoryTempTable       categories screens        key RAMAL, per extension position
//   2 BuildTrunkTempTable          trunk screen              key VIA, per trunk
//   4 BuildFacilityTempTable       facility cancellation     key RAMAL, per extension position
//   5 BuildGroupTempTable          extension groups          key GRUPO, groups 1..4
//   6 BuildBossSecretaryTempTable  boss-secretary groups     key GRUPO, groups 1..4
//   7 BuildPrefixTempTable         prefix blocking           key PREFIXOS, per leaf of the trie
//   8 BuildIndividualTempTable     individual programming    key RAMAL, per extension position
// Codes 0, 3 and any other code leave the table as it is.
//
// Building one table: close TabTemp, point it at the program folder and "TEMPORAR.DAT", set its
// field definitions and the unique index "TEMPORAR" on the key, delete whatever files of the table
// a crash may have left (TEMPORAR.DAT, .IDX, .BLB), create the table, append the records in key
// order and close it again. Engine failures are raised as the engine's exceptions.
//
// Every copy of the tool on a program folder builds its table under that one name: a copy holds its
// table's data file open from the build until it deletes the table, and deletes only files that no
// other process has open (the engine's open-mode locks, which go with a killed copy). So a build
// beside another copy's open table is refused with the engine's VORSAM_FILEINUSE, and what a killed
// copy left is deleted by the next build.

#include "screens/ScratchRows.h"

#include <array>
#include <cstdint>

namespace vorsam {
class TVORSAMTable;
}

// The main window's table component on which the builders work and to which the data-aware
// screens bind their controls. Made on first use, for the whole run.
vorsam::TVORSAMTable& TabTemp();

void BuildTempTable(int code, int which);

void BuildCategoryTempTable(int which);
void BuildTrunkTempTable(int which);
void BuildFacilityTempTable();
void BuildGroupTempTable();
// Also fills BossSecretaryCodes.
void BuildBossSecretaryTempTable();
void BuildPrefixTempTable();
void BuildIndividualTempTable();

// Boss 1, boss 2, secretary 1, secretary 2 position codes of groups 1..4 (entries 4 (g - 1) ..
// 4 (g - 1) + 3), as the last boss-secretary build found them; read by the boss-secretary screen.
extern std::array<std::uint8_t, 16> BossSecretaryCodes;

// Writes a table into TabTemp as above (the builders' common part).
void WriteTempTable(const TScratchTable& table);

// Deletes the scratch table's files when present (after each data-aware screen, and before a table
// is built) and forgets them in the note (core/LeftoversNote.h); first gives up this copy's hold. Raises
// VORSAM_FILEINUSE, deleting nothing, while another process has one of them open; EOsError when a
// file that is not regular cannot be deleted.
void DeleteTempTable();
// The same after a screen: false, without a word, when the files are another copy's by then (it has
// them open).
bool DeleteOwnTempTable();
