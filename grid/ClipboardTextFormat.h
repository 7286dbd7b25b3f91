// The text of cells on the clipboard, and of a drag of them: the cells of a row joined by TAB, rows
// joined by CR LF, no line break after the last row.
//
// Writing: a cell is written as it is, unless it would read back otherwise (below, or in a
// spreadsheet, which passes over spaces before a quote that opens a cell): when it holds a TAB, a CR
// or an LF, or its first character other than a space is a double quote, and when it is empty and
// the only cell of the last row (the text would end with a line break, or be empty, and hold no such
// row), it is written between double quotes with each double quote in it doubled. Its line breaks
// stay as they are (CR LF, CR or LF), so that it reads back as it was.
//
// Reading (text this grid, a spreadsheet or a plain editor wrote): a line ends at a line end outside
// a quoted cell (CR LF, LF or a lone CR, as programs write lines) or at the end of the text; the
// empty remainder after a final line end is no line, and an empty text has none. A cell ends at a
// TAB or at its line's end. A cell that starts with a double quote is a quoted cell when a run of
// double quotes of odd length, followed by a TAB, a line end or the end of the text, closes it (the
// last quote of the run closes it, the others are doubled quotes); it runs to that quote over every
// TAB and line break in between, which belong to it as they are, and its doubled quotes become one.
// A quote that nothing closes is a character of its cell, as is any quote inside a cell.
#pragma once

#include <QString>
#include <QStringView>
#include <functional>

// Whether the text writes the cell between quotes; lastAlone: it is the only cell of the last row.
bool ClipboardCellQuoted(QStringView cell, bool lastAlone);
// Appends the cell to the text as the text writes it.
void AppendClipboardCell(QString& text, QStringView cell, bool lastAlone);

// Reads the text: cell(written, quoted) for each cell of a line in turn, written being the cell as
// the text holds it (a quoted cell without its outer quotes), and lineEnd(ended) after each line,
// ended telling that a line end ended it (not the end of the text).
void ReadClipboardText(QStringView text, const std::function<void(QStringView, bool)>& cell,
                       const std::function<void(bool)>& lineEnd);
// The text of a cell ReadClipboardText gave: a quoted cell's doubled quotes become one.
QString ClipboardCellValue(QStringView written, bool quoted);

// The lines of the text and the most cells on one of them.
struct TClipboardTextSize {
    qint64 Lines = 0, Widest = 0;
    // The lines a line end ended.
    qint64 LineEnds = 0;
};
TClipboardTextSize MeasureClipboardText(QStringView text);
