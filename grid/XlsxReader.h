// The workbook source of ".xlsx" files: a zip archive (read with libzip, from the file's bytes in
// memory) of XML parts, each read as a stream with QXmlStreamReader as it is unpacked.
//
// Parts read: "_rels/.rels" names the workbook part (usually "xl/workbook.xml"); the workbook lists
// the sheets in tab order (`sheets/sheet`: name and relationship id), the active tab
// (`bookViews/workbookView@activeTab`, 0-based) and the date system (`workbookPr@date1904`); the
// workbook's relationships ("xl/_rels/workbook.xml.rels") give each sheet's part, the shared-string
// table and the styles; the shared strings are `sst/si` items whose text is their `t` elements,
// rich-text runs (`r/t`) joined, phonetic runs (`rPh`) left out; the styles' cell formats
// (`cellXfs/xf@numFmtId`, in order) with the workbook's own number formats (`numFmts/numFmt`:
// `numFmtId`, `formatCode`) tell which numbers show as dates, times or both (the built-in formats
// 14-22, 27-36, 45-47 and 50-58, and formats whose first section has day, month or year, or hour
// or second, letters outside quotes and brackets). A sheet's cells are `sheetData/row/c` with the
// reference `r` (when absent: the next column of the row, the next row), the format index `s`
// and the type `t`: "s" shared string (index in `v`), "str" formula text, "inlineStr" text in
// `is`, "b" boolean 0/1, "e" error, "d" ISO date, anything else a number in `v` (a date, time or
// both by its format). Texts decode the "_xHHHH_" escapes of control characters.
//
// Limits (InputLimits.h), checked as the parts are read: the file's size, each part's unpacked
// size, the cells with a value, shared strings and texts the workbook's sheets read so far may hold
// (TWorkbookBudget); rows and columns beyond a sheet's 1,048,576 rows and 16,384 columns, and a
// workbook without a sheet, make the file damaged.
//
// A sheet's used range is the smallest rectangle that holds every cell with a value (a cell that
// only carries a style is not used); a sheet without values gives "$A$1".
#pragma once

#include "grid/WorkbookFileReader.h"

#include <QStringList>

struct zip;

class TXlsxReader : public TWorkbookFileReader {
public:
    ~TXlsxReader() override;
    int ActiveSheet() override;
    int SheetCount() override;
    QString SheetName(int sheet) override;
    QString UsedRangeAddress(int sheet) override;
    TWorkbookValues RangeValue(int sheet, const QString& address) override;

protected:
    void OpenFile(const QString& fileName) override;
    bool IsOpen() const override { return archive_ != nullptr; }
    void CloseFile() override;
    void Forget() override;

private:
    struct TSheet : TWorkbookSheet {
        QString Part;
        bool Loaded = false;
    };

    class TPart;

    TSheet& Sheet(int sheet);
    void LoadSheet(TSheet& sheet);
    void ReadStyles(const QString& part);
    // The value of a cell of type `type` with the text of its `v` and the format index `style`.
    TWorkbookValue CellValue(const QString& type, const QString& v, const QString& style) const;

    QByteArray bytes_; // the file, which the archive reads
    struct zip* archive_ = nullptr;
    std::vector<TSheet> sheets_;
    QStringList sharedStrings_;
    std::vector<TWorkbookValue::TKind> formatKinds_; // per cell format: Number, Date, Time, DateTime
    TWorkbookBudget budget_;
    double dayOffset_ = 0; // added to the serial numbers of a workbook counted from 1904
    int activeSheet_ = 1;
};
