// The workbook source of ".xls" files (compound documents holding a BIFF workbook), read with
// libfreexl.
//
// The library gives the sheets' names, each sheet's extent and its cells as integers, floats,
// texts (UTF-8, whatever the file's code page) and dates, date-times or times as ISO text, which
// become their serial numbers; boolean cells arrive as the integers 1 and 0. It does not tell
// which sheet the workbook shows, so the active sheet is the first one. A sheet's used range is the
// smallest rectangle that holds every cell with a value; a sheet without values gives "$A$1".
#pragma once

#include "grid/WorkbookFileReader.h"

class TXlsReader : public TWorkbookFileReader {
public:
    ~TXlsReader() override;
    int ActiveSheet() override;
    int SheetCount() override;
    QString SheetName(int sheet) override;
    QString UsedRangeAddress(int sheet) override;
    TWorkbookValues RangeValue(int sheet, const QString& address) override;

protected:
    void OpenFile(const QString& fileName) override;
    bool IsOpen() const override { return handle_ != nullptr; }
    void CloseFile() override;
    void Forget() override { sheetCount_ = 0; }

private:
    // Makes the sheet the library's current one; returns its row and column counts.
    void Select(int sheet, unsigned& rows, unsigned& cols);
    TWorkbookValue CellValue(unsigned row, unsigned col);

    const void* handle_ = nullptr;
    int sheetCount_ = 0;
};
