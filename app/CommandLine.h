#pragma once
// The tool's command line:
//
//   centrprg [--data-dir DIR]     the program folder (core/ProgramFolder.h)
//   centrprg --help               the usage, on standard output (also -h)
//
// Any other argument makes the line bad: the usage goes to standard error. Qt's own arguments
// (-platform, -display, ...) are taken out by the QApplication; a line is judged bad only after.

#include <optional>
#include <string>
#include <vector>

struct TCommandLine {
    std::optional<std::string> dataDir; // "--data-dir DIR" or "--data-dir=DIR"
    bool help = false;
    bool bad = false;
};

// arguments: as the program got them, its own name first.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// "Uso: centrprg [--data-dir PASTA]", translated.
std::string UsageText();
