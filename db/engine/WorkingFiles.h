// Working files: the files of a table made under a temporary name ("_VT" and eight hexadecimal digits,
// TFileList::TempFileName) while a restructure builds the new table beside the old one, or a statement
// keeps its result. A process killed at its work leaves them in the folder; nothing else ever removes
// them.
//
// RemoveStrayWorkingFiles first settles the folder's restructure swaps that a crash cut short
// (RestructureSwap.h: their working files take the tables' places) and deletes its stale commit journals
// (CommitJournal.h). Then, unless a swap is still under way, it removes every working data, index or blob
// file (a plain file, never a link) that no handler of any process has open (the file layer's exclusive
// open tells) and that was last written more than WorkingFileGrace ago: a live process leaves its working
// files unheld only for the moments between making, filling and renaming them, each right after a write.
// What cannot be removed stays for the next time; nothing is raised. The result tells whether the folder
// was left clear (every swap settled, no working file left). The table layer runs it at the first open of
// a table of the folder in the process and at every restructure; a database runs it again at an open
// only when its folder changed since it last left it clear (DataDirectory.h).
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace vorsam {

inline constexpr std::chrono::seconds WorkingFileGrace{10};

// True for the name (without folder) of a working file: "_VT", eight hexadecimal digits, and ".DAT",
// ".IDX" or ".BLB" in any case.
bool IsWorkingFileName(std::string_view name);

bool RemoveStrayWorkingFiles(const std::string& folder);

} // namespace vorsam
