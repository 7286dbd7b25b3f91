#pragma once
// The program folder: where the tool finds and keeps "CENTRPRG.INI", "CentrPrg.lng",
// "CENTRPRG.DAD", the help pages, the default programming files and the scratch table.
//
// Resolution: the folder given with --data-dir, else $XDG_DATA_HOME/centrprg
// (~/.local/share/centrprg when the variable is unset). The user's files never live in the build
// folder, so that deleting a build deletes none of them.
// The defaults come from the executable's folder when it holds "CENTRPRG.INI" (the build lays
// them out there), else from <executable folder>/../share/centrprg/defaults (the installed layout:
// a folder of its own, so that installing and uninstalling never touch a program folder, not even
// ~/.local/share/centrprg under the prefix ~/.local). A chosen folder other than the defaults'
// folder is created when missing and gets a copy of every default file and help page
// (help/*.html) it lacks; files already there are never overwritten.

#include <optional>
#include <string>
#include <vector>

inline constexpr char ConfigFileName[] = "CENTRPRG.INI";
inline constexpr char LanguageFileName[] = "CentrPrg.lng";
inline constexpr char UsersFileName[] = "CENTRPRG.DAD";
inline constexpr char HelpFolderName[] = "help";

struct TProgramFolderInputs {
    std::optional<std::string> dataDirArgument; // --data-dir
    std::string executableFolder;
    std::optional<std::string> xdgDataHome; // $XDG_DATA_HOME
    std::optional<std::string> home;        // $HOME
};

// The inputs of this process: its executable's folder and environment; dataDir as given.
TProgramFolderInputs CurrentProgramFolderInputs(std::optional<std::string> dataDir);

// The folder to use, and the folder of the defaults, as they are named (nothing is made).
std::string ChooseProgramFolder(const TProgramFolderInputs& inputs);
std::string ProgramDefaultsFolder(const TProgramFolderInputs& inputs);
// Creates the folder when missing and seeds it from the defaults (see above). Raises EOsError
// when it cannot be made.
void PrepareProgramFolder(const std::string& folder, const std::string& defaults);
// Both: the folder chosen, made and seeded.
std::string ResolveProgramFolder(const TProgramFolderInputs& inputs);

// The files copied into a new program folder.
std::vector<std::string> DefaultFolderFiles();

void SetProgramFolder(std::string folder);
const std::string& ProgramFolder();
// <program folder>/<name>
std::string ProgramFilePath(const std::string& name);
