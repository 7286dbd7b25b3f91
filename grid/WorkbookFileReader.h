// What the workbook sources that read files (XlsReader.h, XlsxReader.h) share.
//
// A reader opens one file, once: a second Open, also one after Quit, raises EVozAvozError
// "Workbook source already used". Every call but Quit needs the file open ("Workbook not open").
// Close releases the file; Quit releases it, if still open, with everything read from it, and
// ends the reader. A file that cannot be read as a workbook raises EVozAvozError with the
// message of RaiseDamagedWorkbook, one larger than the limits (InputLimits.h) that of
// RaiseWorkbookTooLarge.
#pragma once

#include "grid/WorkbookSource.h"

class TWorkbookFileReader : public WorkbookSource {
public:
    void Open(const QString& fileName) final;
    void Close() final;
    void Quit() final;

protected:
    // Opens the file; FileName() is already set.
    virtual void OpenFile(const QString& fileName) = 0;
    virtual bool IsOpen() const = 0;
    // Releases the open file.
    virtual void CloseFile() = 0;
    // Drops what was read from the file.
    virtual void Forget() {}

    // Raises "Workbook not open" unless the file is open.
    void RequireOpen() const;
    [[noreturn]] void Damaged() const;
    [[noreturn]] void TooLarge() const;
    const QString& FileName() const { return fileName_; }

private:
    QString fileName_;
    bool quit_ = false;
};

// What is wrong with a workbook file, said in the tool's language (EVozAvozError): not a workbook
// at all (neither kind of file), damaged or cut short, its text in a code page the readers do not
// know, larger than the import takes.
[[noreturn]] void RaiseNotAWorkbook(const QString& fileName);
[[noreturn]] void RaiseDamagedWorkbook(const QString& fileName);
[[noreturn]] void RaiseWorkbookCodePageUnknown(const QString& fileName);
[[noreturn]] void RaiseWorkbookTooLarge(const QString& fileName);

// What a reader keeps of one workbook, counted before it is kept: the cells with a value, the
// strings of its shared-string table, and the text of both (a cell showing a shared string shares
// its text). Each call answers false once the workbook holds more than the import takes
// (InputLimits.h): more cells or shared strings than inputlimits::kMaxCells, more text than
// inputlimits::kMaxWorkbookTextBytes.
class TWorkbookBudget {
public:
    [[nodiscard]] bool TakeCell() { return ++cells_ <= inputlimits::kMaxCells; }
    [[nodiscard]] bool TakeString(const QString& text) {
        return ++strings_ <= inputlimits::kMaxCells && TakeText(text);
    }
    [[nodiscard]] bool TakeText(const QString& text) {
        textBytes_ += qint64(sizeof(QChar)) * text.size();
        return textBytes_ <= inputlimits::kMaxWorkbookTextBytes;
    }

private:
    qint64 cells_ = 0, strings_ = 0, textBytes_ = 0;
};

// The used range grown to hold the cell.
void IncludeCell(std::optional<TWorkbookRange>& used, int col, int row);

// A sheet as the readers keep it: its cells that hold a value (1-based) and their used range.
struct TWorkbookSheet {
    struct TCell {
        int Col = 0, Row = 0;
        TWorkbookValue Value;
    };
    QString Name;
    std::vector<TCell> Cells;
    std::optional<TWorkbookRange> Used;

    void Add(int col, int row, TWorkbookValue value);
    // The used range's absolute address ("$A$1" for a sheet without values).
    QString UsedAddress() const;
    // The values of the range.
    TWorkbookValues Values(const TWorkbookRange& range) const;
};

// What a number format shows by its id (the built-in ones: 14-17, 27-36 and 50-58 dates, 18-21 and
// 45-47 times, 22 both) or its code: day, month or year letters, hours, minutes or seconds, in its
// first section outside quotes and brackets (elapsed "[h]", "[mm]", "[ss]" count as times; an "m"
// is minutes right after hours or right before seconds, as in "h:mm" or "mm:ss", else a month).
// Number when none.
TWorkbookValue::TKind NumberFormatKind(int id, const QString& code);
// The number as its format shows it: a date, time or both (the serial number shifted by dayOffset,
// for workbooks counted from 1904) when it is one and lies in the years 1900 to 9999, else a number;
// an infinite or undefined number is an error value.
TWorkbookValue FormattedNumber(double number, TWorkbookValue::TKind kind, double dayOffset);
// The range an address names; raises EVozAvozError "Invalid worksheet range " + address when it
// names none.
TWorkbookRange RangeOfAddress(const QString& address);
