#include "grid/XlsReader.h"

#include "grid/GridError.h"

#include <QFile>
#include <freexl.h>

TXlsReader::~TXlsReader() {
    if (handle_) freexl_close(handle_);
}

void TXlsReader::OpenFile(const QString& fileName) {
    const void* handle = nullptr;
    const int opened = freexl_open(QFile::encodeName(fileName).constData(), &handle);
    if (opened != FREEXL_OK) {
        if (handle) freexl_close(handle); // the library asks for a close even after a failed open
        if (opened == FREEXL_FILE_NOT_FOUND)
            throw EVozAvozError(("Cannot open file " + fileName).toStdString());
        Damaged("the workbook cannot be read");
    }
    handle_ = handle;
    unsigned count = 0;
    const int info = freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count);
    if (info != FREEXL_OK) Damaged("the sheets cannot be counted");
    sheetCount_ = int(count);
}

int TXlsReader::ActiveSheet() {
    RequireOpen();
    if (sheetCount_ == 0) Damaged("the workbook has no sheet");
    return 1;
}

int TXlsReader::SheetCount() {
    RequireOpen();
    return sheetCount_;
}

QString TXlsReader::SheetName(int sheet) {
    unsigned rows = 0, cols = 0;
    Select(sheet, rows, cols);
    const char* name = nullptr;
    const int got = freexl_get_worksheet_name(handle_, static_cast<unsigned short>(sheet - 1), &name);
    if (got != FREEXL_OK) Damaged("a sheet name cannot be read");
    return QString::fromUtf8(name);
}

void TXlsReader::Select(int sheet, unsigned& rows, unsigned& cols) {
    RequireOpen();
    if (sheet < 1 || sheet > sheetCount_) throw EVozAvozError("Worksheet index out of range");
    const int selected = freexl_select_active_worksheet(handle_, static_cast<unsigned short>(sheet - 1));
    if (selected != FREEXL_OK) Damaged("a sheet cannot be selected");
    unsigned short columns = 0;
    const int dims = freexl_worksheet_dimensions(handle_, &rows, &columns);
    if (dims != FREEXL_OK) Damaged("a sheet's size cannot be read");
    cols = columns;
}

TWorkbookValue TXlsReader::CellValue(unsigned row, unsigned col) {
    FreeXL_CellValue cell;
    const int got = freexl_get_cell_value(handle_, row, static_cast<unsigned short>(col), &cell);
    if (got != FREEXL_OK) Damaged("a cell cannot be read");
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return TWorkbookValue::FromNumber(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return TWorkbookValue::FromNumber(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return TWorkbookValue::FromText(QString::fromUtf8(cell.value.text_value));
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: {
        const QString text = QString::fromUtf8(cell.value.text_value);
        double serial = 0;
        return DateSerialFromText(text, serial) ? TWorkbookValue::FromNumber(serial)
                                                : TWorkbookValue::FromText(text);
    }
    case FREEXL_CELL_NULL:
        return {};
    default:
        return TWorkbookValue::ErrorValue();
    }
}

QString TXlsReader::UsedRangeAddress(int sheet) {
    unsigned rows = 0, cols = 0;
    Select(sheet, rows, cols);
    std::optional<TWorkbookRange> used;
    for (unsigned r = 0; r < rows; ++r)
        for (unsigned c = 0; c < cols; ++c) {
            if (CellValue(r, c).Kind != TWorkbookValue::TKind::Empty)
                IncludeCell(used, int(c) + 1, int(r) + 1);
        }
    return RangeAddress(used.value_or(TWorkbookRange{}), true);
}

TWorkbookValues TXlsReader::RangeValue(int sheet, const QString& address) {
    const TWorkbookRange range = RangeOfAddress(address);
    unsigned rows = 0, cols = 0;
    Select(sheet, rows, cols);
    TWorkbookValues values(range.RowCount(), range.ColCount());
    // Cells beyond the sheet's extent are empty.
    const int lastRow = std::min(range.LastRow, int(rows)), lastCol = std::min(range.LastCol, int(cols));
    for (int r = range.FirstRow; r <= lastRow; ++r)
        for (int c = range.FirstCol; c <= lastCol; ++c)
            values.At(r - range.FirstRow + 1, c - range.FirstCol + 1) =
                CellValue(unsigned(r - 1), unsigned(c - 1));
    return values;
}

void TXlsReader::CloseFile() {
    freexl_close(handle_);
    handle_ = nullptr;
}
