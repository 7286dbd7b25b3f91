// Transformations of table and folder names.
//
// Names may arrive with '/' or '\' as separators (tables and SQL texts written for other systems); both
// are accepted and '/' is the separator the engine writes. Folder names keep their case: file names are
// case-sensitive here, so nothing that may hold a folder is ever upper-cased.
#pragma once

#include <string>
#include <string_view>

namespace vorsam {

constexpr bool IsPathSeparator(char c) {
    return c == '/' || c == '\\';
}

// The path with every '\' turned into '/'.
std::string ForwardToBackslashes(std::string_view path);

// True when the name holds a separator ('/' or '\'); an empty name also counts as a path.
bool HasDirectoryPart(std::string_view name);

// The file name without its folder and without `extension` when it ends so (compared ignoring case):
// ("data/Clientes.dat", ".DAT") gives "Clientes".
std::string ExtractBaseName(std::string_view name, std::string_view extension);

// The name without trailing separators, case kept; a name made only of separators gives "/".
std::string RemoveTrailingBackslashes(std::string_view name);

// The name without leading and trailing separators; upper-cased when what is left holds no folder
// (a database name on a server), case kept otherwise.
std::string RemoveOuterBackslashes(std::string_view name);

// The name without its extension (the last '.' after the last separator, and what follows it).
std::string RemoveFileExtension(std::string_view name);

} // namespace vorsam
