// The part of a cell's text that can show in the cell's rectangle, taken before the text is laid out
// and measured, so that painting a cell costs what the cell can show rather than what its text
// holds (a cell may hold millions of characters).
//
// The rectangle is the part of the cell that can show at once (the painter gives the cell's, no
// taller than the grid); a text no longer than the characters it can hold is kept whole. "Can hold" counts
// half a pixel for a character (glyphs are wider, blanks and tabs too) on each line that can show,
// and one line more; a text of such length overflows the rectangle, so what is left out could not
// show. Beyond that length:
// - one line (DT_SINGLELINE): the characters the rectangle's width holds from where the line shows:
//   its start (left alignment, and any alignment with an end ellipsis, which keeps the start), its
//   end (right alignment) or its middle (centred);
// - lines without word breaks: the lines that show (the first ones, the last ones, or those around
//   the middle line, as the layout places them by the vertical alignment), each cut as one line is;
// - lines broken between words: the characters of the lines that show and two more, from the start
//   (top), or ending at the end (bottom) or around the middle (centred) of the text; the last two
//   start at a line break within that part when there is one, so that the lines break there as in
//   the whole text; within a single line longer than the part, the breaks may fall elsewhere.
// Texts of long runs of blanks (a line break between words swallows them) or of characters that
// take no width may show less of themselves than the whole text would, and so may a text aligned
// to the bottom or the centre of a cell taller than the grid.
#pragma once

#include "platform/ui/Geometry.h"

#include <QString>

// The characters a line of that many pixels can hold.
constexpr qsizetype LineCapacity(int width) {
    return 2 * qsizetype(width > 0 ? width : 0) + 16;
}

QString VisibleText(const QString& text, const TRect& rect, unsigned flags, int lineHeight);
// The start of a mini-HTML text (HTMLDraw.h), which lays its lines out from the top left: as many
// shown characters as the rectangle can hold (counted as above; an entity counts one, tags none),
// with the tags among them. Tags the renderer passes over (HTMLTagActs) are left out, a run of them
// between two characters kept as one tag that does nothing, so that the text there still splits
// into the same runs; they end the part only past kHTMLPassedOverCharacters. The tags it acts on
// are read at every layout: past kHTMLTagCharacters of them, or the characters shown if more, the
// part ends before the next one.
inline constexpr qsizetype kHTMLTagCharacters = qsizetype(1) << 16;
inline constexpr qsizetype kHTMLPassedOverCharacters = qsizetype(1) << 20;
QString VisibleHTMLText(const QString& text, const TRect& rect, int lineHeight);
