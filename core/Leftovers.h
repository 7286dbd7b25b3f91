#pragma once
// What a killed tool can leave behind, and the sweep that removes it at the next start.
//  - "<name>.tmp-XXXXXX" (six letters or digits): the temporary file of a safe write
//    (platform/os/FileIo.h) that the kill cut short. The tool writes that way its own files in the
//    program folder (the users, the settings, the seeded defaults and help pages) and the
//    programming files it saves, wherever they go. So that the next start knows the one folder
//    outside the program folder a save may have left such a file in, a save first notes its file
//    in the program folder, in "CENTRPRG.SAV" (the file's absolute path, UTF-8, nothing else), and
//    removes the note once it is done.
//  - "TEMPORAR.DAT", "TEMPORAR.IDX" and "TEMPORAR.BLB": the scratch table of a data-aware screen.
// SweepLeftovers removes exactly those names, regular files only, from the program folder, its
// help pages' folder and the folder of the noted save (no other folder is looked at), then the
// note. The caller runs it only while no other copy of the tool runs: it holds the
// single-instance lock.

#include <functional>
#include <string>

inline constexpr char SaveNoteName[] = "CENTRPRG.SAV";

// Runs save (which writes the file at path safely) with the note of that file in the program
// folder. A note that cannot be written or removed does not stop the save.
void WithSaveNote(const std::string& path, const std::function<void()>& save);

// Best effort: what cannot be removed stays.
void SweepLeftovers();

// True when name is "<base>.tmp-" followed by six letters or digits.
bool IsTemporaryOf(const std::string& name, const std::string& base);
