// What the grid's fuzzers feed the grid, and their seeds. Five kinds of input, one fuzzer each: a
// cell stream (loaded at a cell and as a whole grid), an ".xlsx" and an ".xls" file (imported), a
// mini-HTML cell text (painted and measured), a delimited text file (loaded, then appended above a
// floating footer as code page 850). A run then checks the grid: Verify, and what it took
// within the grid's limits (node levels, widths, heights), and paints it. An EVozAvozError is the
// clean answer to a bad input; a failed check, a crash, a hang or a sanitizer report is a fault.
#pragma once

#include <QByteArray>
#include <span>
#include <string>
#include <vector>

enum class TGridFuzzKind { CellStream, Xlsx, Xls, Html, Delimited };

// "cellstream", "xlsx", "xls", "html" or "delimited".
TGridFuzzKind GridFuzzKindNamed(const std::string& name);
// One run; false when the grid fails its check afterwards. Needs a QApplication.
bool RunGridInput(TGridFuzzKind kind, std::span<const unsigned char> input);

struct TGridFuzzSeed {
    std::string Name;
    QByteArray Input;
};
// Made by code (no binary file is kept), the inputs that once hung or exhausted the grid among them.
std::vector<TGridFuzzSeed> MakeGridFuzzSeeds(TGridFuzzKind kind);
