// The workbook source of ".xls" files: a compound document (CompoundFile.h) whose "Workbook" (or
// "Book") stream holds a BIFF8 (or BIFF5) workbook, read here whole when the file opens, every
// record checked against the bytes there are.
//
// The stream is a sequence of records (type u16, length u16, data; little-endian). The workbook
// globals come first: BOF 0x0809 (version u16: 0x0600 BIFF8, 0x0500 BIFF5), DATEMODE 0x0022 (1:
// days counted from 1904), CODEPAGE 0x0042 (the code page u16 of BIFF5 strings), FORMAT 0x041E (id u16,
// code), XF 0x00E0 (each cell format in order; its number format id u16 at offset 2), SST 0x00FC (string
// count u32 twice, then the strings, running on into CONTINUE 0x003C records), WINDOW1 0x003D (the tab shown
// u16 at offset 10), BOUNDSHEET 0x0085 (the sheets in tab order: offset of the sheet's BOF u32, state u8,
// type u8, name), EOF 0x000A. Each sheet's records run from its BOF to its EOF; a cell record starts with row
// u16, column u16, cell format u16: NUMBER 0x0203 (a double), RK 0x027E (an RK number), MULRK 0x00BD (format
// and RK number pairs, then the last column u16), LABEL 0x0204 and RSTRING 0x00D6 (a string), LABELSST 0x00FD
// (an index u32 into the SST), BOOLERR 0x0205 (value u8, error flag u8), FORMULA 0x0006 (its cached result: a
// double, or in bytes 6-7 0xFFFF with byte 0 telling a string, which the STRING record 0x0207 after it holds,
// a boolean in byte 2, an error or an empty string). A BIFF8 string is a character count (u16, u8 in sheet
// names), a flags byte (bit 0: two bytes per character; bit 3: rich-text runs, their count u16 follows; bit
// 2: phonetic data, its size u32 follows), the characters, then the runs (4 bytes each) and phonetic data;
// inside the SST a string's characters may run on into the next CONTINUE, which starts with a new
// flags byte. BIFF5 strings are one byte per character in the code page CODEPAGE names
// (BiffCodePages.h), Latin-1 when there is no CODEPAGE; a page not known there refuses the workbook.
//
// Numbers show as dates, times or both by their cell format's number format (FormattedNumber). Records of
// other types are skipped. A workbook without a sheet is damaged; one whose cells, shared strings or
// texts are more than the import takes (TWorkbookBudget) is refused as too large. A sheet's used range is the
// smallest rectangle that holds every cell with a value; a sheet without values gives "$A$1".
#pragma once

#include "grid/WorkbookFileReader.h"

class TXlsReader : public TWorkbookFileReader {
public:
    int ActiveSheet() override;
    int SheetCount() override;
    QString SheetName(int sheet) override;
    QString UsedRangeAddress(int sheet) override;
    TWorkbookValues RangeValue(int sheet, const QString& address) override;

protected:
    void OpenFile(const QString& fileName) override;
    bool IsOpen() const override { return open_; }
    void CloseFile() override { open_ = false; }
    void Forget() override { sheets_.clear(); }

private:
    TWorkbookSheet& Sheet(int sheet);

    std::vector<TWorkbookSheet> sheets_;
    int activeSheet_ = 1;
    bool open_ = false;
};
