// What the grid's workbook import reads a spreadsheet workbook through.
//
// WorkbookSource is the spreadsheet application as the import uses it, member for member, in the
// order the import calls them: open the workbook, take its active sheet or look a sheet up by name
// among the sheets, read that sheet's used range as an absolute address ("$B$2:$D$4", one cell
// "$C$5"), fetch the values of a range in one call as a 1-based array of rows by columns, close the
// workbook without saving it, and quit. Two readers implement it on files (XlsxReader.h for ".xlsx",
// XlsReader.h for ".xls"); OpenWorkbookSource picks the one that takes a file.
//
// Addresses: column letters then row digits, each optionally after a '$' (A = column 1, Z = 26,
// AA = 27, XFD = 16384); a range is two cells joined by ':'; a whole-row range ("$1:$5") has digits
// only. Values: empty, text, number, boolean, a date, a time of day or both (their serial number:
// days since 30 December 1899, the time of day as the fraction), or an error value of the sheet.
#pragma once

#include "grid/InputLimits.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

struct TWorkbookValue {
    enum class TKind : unsigned char { Empty, Text, Number, Boolean, Error, Date, Time, DateTime };
    TKind Kind = TKind::Empty;
    // Number: the value; Boolean: 1 or 0; Date, Time, DateTime: the serial number.
    double Number = 0;
    QString Text;

    static TWorkbookValue FromText(QString text);
    static TWorkbookValue FromNumber(double number);
    static TWorkbookValue FromBoolean(bool value);
    // kind: Date, Time or DateTime.
    static TWorkbookValue FromDate(TKind kind, double serial);
    static TWorkbookValue ErrorValue();
    bool operator==(const TWorkbookValue&) const = default;
};

// A rectangle of a sheet, 1-based and inclusive.
struct TWorkbookRange {
    int FirstCol = 1, FirstRow = 1, LastCol = 1, LastRow = 1;
    int ColCount() const { return LastCol - FirstCol + 1; }
    int RowCount() const { return LastRow - FirstRow + 1; }
    qint64 CellCount() const { return qint64(ColCount()) * RowCount(); }
    bool operator==(const TWorkbookRange&) const = default;
};

// The values of a range: rows by columns, both counted from 1.
class TWorkbookValues {
public:
    // Ranges are refused above this many cells (a sparse sheet can name an enormous range).
    static constexpr qint64 kMaxCells = inputlimits::kMaxCells;

    TWorkbookValues() = default;
    // Raises EVozAvozError "Worksheet range too large" above kMaxCells.
    TWorkbookValues(int rows, int cols);
    int RowCount() const { return rows_; }
    int ColCount() const { return cols_; }
    const TWorkbookValue& At(int row, int col) const { return values_[Index(row, col)]; }
    TWorkbookValue& At(int row, int col) { return values_[Index(row, col)]; }

private:
    size_t Index(int row, int col) const;

    int rows_ = 0, cols_ = 0;
    std::vector<TWorkbookValue> values_;
};

class WorkbookSource {
public:
    virtual ~WorkbookSource() = default;
    // Opens the workbook; its errors (a damaged file) are raised as EVozAvozError.
    virtual void Open(const QString& fileName) = 0;
    // The sheet the workbook shows when opened (1-based).
    virtual int ActiveSheet() = 0;
    virtual int SheetCount() = 0;
    // The name of sheet 1..SheetCount.
    virtual QString SheetName(int sheet) = 0;
    // The sheet's used range in absolute form: "$B$2:$D$4", one cell "$C$5", an empty sheet "$A$1".
    virtual QString UsedRangeAddress(int sheet) = 0;
    // The values of the range an address names (absolute or not), in one array.
    virtual TWorkbookValues RangeValue(int sheet, const QString& address) = 0;
    // Closes the workbook without saving changes.
    virtual void Close() = 0;
    // Ends the source: everything it still holds is released; it takes no further calls.
    virtual void Quit() = 0;
};

// The reader that takes the file: ".xlsx" (a zip archive) or ".xls" (a compound document), told
// apart by their first bytes, whatever the file's extension; nullptr when neither takes it. Raises
// EVozAvozError "Cannot open file " + name when the file is no regular file or cannot be read, and
// the too-large message (WorkbookFileReader.h) for a file above inputlimits::kMaxWorkbookBytes.
std::unique_ptr<WorkbookSource> OpenWorkbookSource(const QString& fileName);

// 1 → "A", 26 → "Z", 27 → "AA", 53 → "BA", 16384 → "XFD".
QString ColumnLetters(int col);
// The inverse; 0 for a text that is not 1 to 3 letters A-Z (either case).
int ColumnNumber(QStringView letters);
// A cell's reference ("B12", "$B$12"): the column and row; false when it is not one.
bool ParseCellReference(QStringView reference, int& col, int& row);
// An address as sources give it: one cell, two cells joined by ':' (either order), or whole rows
// ("$1:$5", columns 1 to 256). Nothing when it names no range (a row that does not convert).
std::optional<TWorkbookRange> ParseRangeAddress(const QString& address);
// "$B$2:$D$4" (absolute) or "B2:D4"; a range of one cell is that cell alone ("$C$5").
QString RangeAddress(const TWorkbookRange& range, bool absolute);
// A date, a date and time or a time as ISO text ("2024-03-15", "2024-03-15T10:30:00",
// "2024-03-15 10:30:00", "10:30:00") as its serial number; false when the text is none of them.
bool DateSerialFromText(const QString& text, double& serial);
// The same as a value of that kind; a text value when the text is none of them.
TWorkbookValue DateFromText(const QString& text);
