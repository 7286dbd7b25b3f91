// Delimited text files as the grid reads them (TVevIvizudEvar::LoadDelimited).
//
// Files: only a regular file is opened ("Cannot open file " + name otherwise); one larger than
// inputlimits::kMaxTextFileBytes, or of more lines than inputlimits::kMaxCells, is refused with a
// message in the tool's language before the grid changes.
//
// Text: with the grid's OemConvert the bytes are code page 850; otherwise UTF-8 when the whole
// file is valid UTF-8 (a leading byte-order mark is dropped), else Windows-1252.
//
// Lines: a file that holds a CR LF pair, or no LF at all, has its lines ended by CR (an LF right
// after it belongs to the break), and an LF alone stays inside the line, where it breaks the cell
// (it becomes CR LF). Any other file has its lines ended by LF (a CR before it dropped). A break at
// the very end starts no further line. Each physical line is one row: a quoted cell does not run
// on over a line break.
//
// Delimiter: the grid's Delimiter, or, when that is a null character, the first of the candidates
// below that the file's first two lines agree on (DetectDelimiter); without one, a line is one cell.
//
// Fields of a line: a field that starts with '"' runs to its closing quote (a quote not doubled,
// see ClosingCharPos), doubled quotes inside become one, and what follows the closing quote up to
// the next delimiter is dropped; a quoted field that never closes is an empty cell and its text up
// to the next delimiter is dropped. Any other field runs to the next delimiter, its doubled quotes
// becoming one and a quote standing alone dropped. The text after the last delimiter, when there
// is any, is the last cell, without its leading and trailing quote. LF in a cell becomes CR LF.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <array>
#include <vector>

// In the order they are tried.
inline constexpr std::array<char16_t, 10> kDelimiterCandidates = {u',', u';', u'#', u'\t', u'|',
                                                                  u'@', u'*', u'-', u'+',  u'&'};

QString DecodeDelimitedText(const QByteArray& bytes, bool oemConvert);
std::vector<QStringView> SplitTextLines(QStringView text);
// Three passes over the candidates, each only when the one before found nothing: (1) the same
// number of unquoted occurrences (CountSingleChar) in both lines, the largest number winning;
// (2) the same with plain counts (CountChar); (3) the largest plain count in either line. An
// earlier candidate wins a tie. A null character when no candidate occurs; line2 is empty for a
// one-line file.
QChar DetectDelimiter(const QString& line1, const QString& line2);
// The cells of one line, from column 0 (none for an empty line).
void SplitDelimitedLine(QStringView line, QChar delimiter, std::vector<QString>& cells);
