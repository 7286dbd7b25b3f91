// Delimited text files as the grid reads them (TVevIvizudEvar::LoadDelimited, DelimitedLoad.cpp).
//
// Files: only a regular file is opened ("Cannot open file " + name otherwise). A file larger than
// inputlimits::kMaxTextFileBytes is refused from its size before it is read; it is then read in
// pieces of kDelimitedPieceBytes, three times: for its encoding, for the count of its cells (its
// first two records once more before, when they give the delimiter), and for its cells. The first
// readings keep nothing of the text, whatever the length of its records. Its records times its widest
// record's cells, or times the grid's columns where they are more (a row the grid writes is as wide as
// its columns), may come to inputlimits::kMaxCells: the count refuses a file beyond that as soon as a
// record shows it, before any cell is kept. Refusals (a file grown beyond the byte limit while read
// among them) and a file that does not fit in the memory left give "O arquivo é grande demais para
// ser importado: " + name, in the tool's language; nothing of the file is kept then.
//
// Text: a byte-order mark at the start decides the encoding, and is dropped: FF FE 00 00 UTF-32
// little-endian, 00 00 FE FF UTF-32 big-endian, FF FE UTF-16 little-endian, FE FF UTF-16
// big-endian, EF BB BF UTF-8. Without one, the file's start may show it to be UTF-16 (GuessUtf16,
// TextEncoding.h); otherwise it is 8-bit text: with the grid's OemConvert code page 850, without it
// UTF-8 when the whole file is valid UTF-8, else Windows-1252. NUL characters, whatever the encoding,
// are characters of the text until its cells are cut (a NUL between a CR and an LF leaves them two
// line ends, as spreadsheets read them), and none reaches a cell.
//
// Records: a line break outside quotes (CR LF, LF or a lone CR, in the characters the text decodes
// to) ends a record, which is one row; a break at the very end starts no further record, and an
// empty line is an empty row. A quoted field (one that starts with '"', see below) runs on over the
// line breaks inside its quotes, of any kind, which belong to its cell. A quoted field that runs on
// over a line break and never closes would take the rest of the file: it ends at the end of its
// line instead, as a quoted field on one line does. With '"' as the delimiter no field runs on over
// a line break.
//
// Delimiter: the grid's Delimiter, or, when that is a null character, the first of the candidates
// below that the file's first two records agree on (DetectDelimiter); without one, a record is one
// cell. While the delimiter is looked for, a quote opens a quoted field at a record's start and
// after any candidate.
//
// Fields of a record: a field that starts with '"' runs to its closing quote (a quote not doubled,
// see ClosingCharPos), doubled quotes inside become one, and what follows the closing quote up to
// the next delimiter is dropped; a quoted field that never closes is an empty cell and its text up
// to the next delimiter is dropped. Any other field runs to the next delimiter, its doubled quotes
// becoming one and a quote standing alone dropped. The text after the last delimiter, when there
// is any, is the last cell, without its leading and trailing quote. Each line break in a cell
// (CR LF, LF or CR) becomes CR LF.
#pragma once

#include "grid/TextEncoding.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <array>
#include <limits>
#include <span>
#include <vector>

// In the order they are tried.
inline constexpr std::array<char16_t, 10> kDelimiterCandidates = {u',', u';', u'#', u'\t', u'|',
                                                                  u'@', u'*', u'-', u'+',  u'&'};
inline constexpr qsizetype kDelimitedPieceBytes = qsizetype(1) << 20;

// How often each candidate occurs in a line: all occurrences (CountChar) and the runs that are odd
// or end the line (CountSingleChar), counted as the text comes, part after part.
class TCandidateTally {
public:
    struct TCounts {
        std::array<int, kDelimiterCandidates.size()> All{}, Single{};
    };
    void Add(QStringView part);
    // The counts of the line; the tally starts again for the next one.
    TCounts End();

private:
    TCounts counts_;
    int runCandidate_ = -1; // the candidate of the run of equal characters last seen, or -1
    qint64 run_ = 0;
};

// Three passes over the candidates, each only when the one before found nothing: (1) the same
// number of unquoted occurrences (CountSingleChar) in both lines, the largest number winning;
// (2) the same with plain counts (CountChar); (3) the largest plain count in either line. An
// earlier candidate wins a tie. A null character when no candidate occurs; line2 is empty for a
// one-line file.
QChar DetectDelimiter(const QString& line1, const QString& line2);
QChar DetectDelimiter(const TCandidateTally::TCounts& line1, const TCandidateTally::TCounts& line2);
// Appends the cells of one record, from column 0 (none for an empty record). A record of more than
// maxCells cells is cut short: false, once maxCells + 1 of them have been appended.
bool SplitDelimitedLine(QStringView line, QChar delimiter, std::vector<QString>& cells,
                        qsizetype maxCells = std::numeric_limits<qsizetype>::max());

// The number of cells SplitDelimitedLine cuts from a line, counted as the line's text comes, part
// after part, without keeping it (the cells known so far are a lower bound of the line's).
class TLineCellCount {
public:
    explicit TLineCellCount(QChar delimiter) : delimiter_(delimiter) {}
    void Add(QStringView part);
    qint64 AtLeast() const { return cells_; }
    // The line's cells; the count starts again for the next line.
    qint64 End();

private:
    enum TState : unsigned char { kFieldStart, kPlain, kQuoted, kAfterQuote };
    QChar delimiter_;
    TState state_ = kFieldStart;
    bool any_ = false;
    qint64 cells_ = 0; // cells ended so far
    // In a quoted field: the quotes of the run last seen, and for the case that the field never
    // closes (it then ends at the first delimiter after its opening quote, and every delimiter
    // after that ends one more), the delimiters since the opening quote and whether text follows
    // the last of them.
    qint64 run_ = 0, openDelimiters_ = 0;
    bool tail_ = false;
    QString text_; // the line, only with '"' as the delimiter (its quoted fields end otherwise)
};

// The cells of a delimited file, row after row, no more than maxCells of them as rows times the
// widest row, or times the columns given (the grid's) where they are more.
class TDelimitedCells {
public:
    explicit TDelimitedCells(qint64 maxCells, int columns = 0) : maxCells_(maxCells), columns_(columns) {}
    int RowCount() const { return int(rowStarts_.size()) - 1; }
    // The most cells of a row.
    int Width() const { return width_; }
    std::span<QString> Row(int row) {
        return std::span(cells_).subspan(size_t(rowStarts_[size_t(row)]),
                                         size_t(rowStarts_[size_t(row) + 1] - rowStarts_[size_t(row)]));
    }
    // Cuts the line into a row of its own; false, with nothing kept of the line, when the rows
    // would come to more than maxCells cells.
    bool AddLine(QStringView line, QChar delimiter);
    void Reserve(qint64 rows, qint64 cells) {
        rowStarts_.reserve(size_t(rows) + 1);
        cells_.reserve(size_t(cells));
    }
    // Gives back the memory of every cell (without asking for any).
    void Release() {
        std::vector<QString>().swap(cells_);
        rowStarts_.assign(1, 0);
        width_ = 0;
    }

private:
    qint64 maxCells_;
    int columns_;
    std::vector<QString> cells_;
    std::vector<qsizetype> rowStarts_{0};
    int width_ = 0;
};

// The file's cells, read as the header describes, for rows of the columns given at least; the
// delimiter when it is not null, otherwise the one its first two lines give. Raises EVozAvozError.
TDelimitedCells ReadDelimitedFile(const QString& fileName, QChar delimiter, bool oemConvert, int columns);
// The refusal of a file too large to be imported.
[[noreturn]] void RaiseDelimitedFileTooLarge(const QString& fileName);
