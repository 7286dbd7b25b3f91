#pragma once
// How the programming screens use the advanced grid (TVevIvizudEvar) for their lists: the
// numbering plan, the general speed dial, the private codes, the wake-up list and the schedules.
//
// A screen's grid has one fixed heading row and one fixed column, editable cells, a mask per
// column (the class library's mask syntax: "9" an optional digit, "c" an optional character)
// and an alignment per column. Masked cells keep the blanks the mask leaves ("21  ", "07: 3"), so
// the screens read them back through RemoveSpaces where the Parts of the screens say so.
// Cell texts are UTF-8 on the screens' side; the grid holds QStrings.
//
// OK reads the cells only after CommitCellEdit: an editor still open (OK by a shortcut, or a
// test calling the handler) has not yet written a drop-down choice back. A failed check moves the
// current cell to the offending cell (through another row first, so that the row change is
// notified as the screens expect) and throws EScreenCheck for the grid.

#include "core/ImageView.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

class QString;
class TCustomGrid;
class TVevIvizudEvar;

struct TGridColumn {
    int width = 0;         // 0: the grid's default width
    const char* mask = ""; // edit mask of the column's cells
    bool centred = false;  // else left-aligned
    bool dropDown = false; // edited through the grid's drop-down list
};

// Counts (heading row included), one fixed row and column, editing on; the columns' widths,
// masks, alignment and editors as given (one entry per column).
void SetUpScreenGrid(TVevIvizudEvar& grid, int rows, std::initializer_list<TGridColumn> columns);

// Sizes a grid (the advanced grid or a plain string grid) so that every column shows whole and
// at most visibleRows rows below the heading (the rest scroll).
void FitScreenGrid(TCustomGrid& grid, int visibleRows);

std::string CellText(TVevIvizudEvar& grid, int col, int row);    // UTF-8, as stored
std::string CompactCell(TVevIvizudEvar& grid, int col, int row); // without blanks
void SetCellText(TVevIvizudEvar& grid, int col, int row, const std::string& utf8);

// The decimal text of value, left-padded with "0" to two digits ("00", "07", "39").
QString TwoDigitText(int value);

// Writes an open cell editor's text back into its cell and closes it.
void CommitCellEdit(TVevIvizudEvar& grid);

// Makes (col, row) the current cell: first another row (row 2 when row is 1, else row 1) so that
// the row change is notified, then row.
void MoveToCell(TVevIvizudEvar& grid, int col, int row);

// MoveToCell, then EScreenCheck(&grid, message): the box "Erro", the focus on the grid.
[[noreturn]] void FailAtCell(TVevIvizudEvar& grid, int col, int row, const std::string& message);

// Names in the image are Windows-1252 short strings (ImageView.h); the grids show them as UTF-8.
// A name cell's text loses the blanks its mask pads it with at the end before it is stored.
std::string StoredName(std::size_t offset); // of ProgrammingImage
void StoreName(const TImageView& image, std::size_t offset, const std::string& utf8);
std::string WithoutTrailingBlanks(std::string text);

// True when every character is a digit (also for the empty text).
bool AllDigits(const std::string& text);
// The value of a cell text of digits only, within 0..max; false for anything else (blanks,
// letters, a sign, too many digits).
bool DigitsValue(const std::string& text, long max, long& value);
