// The workbook source of ".xls" files (compound documents holding a BIFF workbook), read with
// libfreexl.
//
// The library gives the sheets' names, each sheet's extent and its cells as integers, floats,
// texts (UTF-8, whatever the file's code page) and dates, date-times or times (as ISO text, taken
// as dates, date-times and times). What it does not tell is read from the workbook stream itself
// (CompoundFile.h), before the library sees the file: the sheets in tab order (BOUNDSHEET records
// 0x0085: stream offset u32, state u8, type u8, name), the tab the workbook shows (WINDOW1 0x003D:
// the selected tab u16 at offset 10), each sheet's declared size (DIMENSIONS 0x0200: first and
// last-plus-one row u32 each, first and last-plus-one column u16 each; u16 rows before BIFF8) and
// its boolean cells (BOOLERR 0x0205: row u16, column u16, format u16, value u8, error flag u8 = 0),
// which the library gives as the integers 1 and 0. A file whose sheets declare more cells in all
// than the import takes (InputLimits.h) is refused before the library allocates them. A sheet of
// the library is matched to its record by name (else by position).
//
// A sheet's used range is the smallest rectangle that holds every cell with a value; a sheet
// without values gives "$A$1".
#pragma once

#include "grid/WorkbookFileReader.h"

#include <set>
#include <utility>

class TXlsReader : public TWorkbookFileReader {
public:
    ~TXlsReader() override;
    int ActiveSheet() override;
    int SheetCount() override;
    QString SheetName(int sheet) override;
    QString UsedRangeAddress(int sheet) override;
    TWorkbookValues RangeValue(int sheet, const QString& address) override;

    // A sheet as the workbook stream declares it.
    struct TSheetRecord {
        QString Name;
        qint64 Cells = 0;                                 // rows × columns its size declares
        std::set<std::pair<unsigned, unsigned>> Booleans; // row, column (from 0)
    };

protected:
    void OpenFile(const QString& fileName) override;
    bool IsOpen() const override { return handle_ != nullptr; }
    void CloseFile() override;
    void Forget() override;

private:
    // Makes the sheet the library's current one; returns its row and column counts.
    void Select(int sheet, unsigned& rows, unsigned& cols);
    TWorkbookValue CellValue(unsigned row, unsigned col);
    // The record of the library's sheet (1-based); nullptr when none matches.
    const TSheetRecord* RecordOf(int sheet);

    const void* handle_ = nullptr;
    int sheetCount_ = 0;
    std::vector<TSheetRecord> records_;
    int activeTab_ = 0; // 0-based, among records_
    const TSheetRecord* selected_ = nullptr;
};
