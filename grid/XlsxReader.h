// The workbook source of ".xlsx" files: a zip archive (read with libzip) of XML parts (read with
// QXmlStreamReader).
//
// Parts read: "_rels/.rels" names the workbook part (usually "xl/workbook.xml"); the workbook lists
// the sheets in tab order (`sheets/sheet`: name and relationship id) and the active tab
// (`bookViews/workbookView@activeTab`, 0-based); the workbook's relationships ("xl/_rels/
// workbook.xml.rels") give each sheet's part and the shared-string table; the shared strings are
// `sst/si` items whose text is their `t` elements, rich-text runs (`r/t`) joined, phonetic runs
// (`rPh`) left out. A sheet's cells are `sheetData/row/c` with the reference `r` (when absent: the
// next column of the row, the next row) and the type `t`: "s" shared string (index in `v`), "str"
// formula text, "inlineStr" text in `is`, "b" boolean 0/1, "e" error, "d" ISO date (taken as its
// serial number), anything else a number in `v`. Texts decode the "_xHHHH_" escapes of control
// characters. Styles are not read: a date cell gives its serial number.
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
    struct TCell {
        int Col = 0, Row = 0;
        TWorkbookValue Value;
    };
    struct TSheet {
        QString Name, Part;
        bool Loaded = false;
        std::vector<TCell> Cells;
        std::optional<TWorkbookRange> Used;
    };

    TSheet& Sheet(int sheet);
    void LoadSheet(TSheet& sheet);
    QByteArray ReadPart(const QString& name, bool required);

    struct zip* archive_ = nullptr;
    std::vector<TSheet> sheets_;
    QStringList sharedStrings_;
    int activeSheet_ = 1;
};
