#include "grid/WorkbookFileReader.h"

#include "grid/GridError.h"

void TWorkbookFileReader::Open(const QString& fileName) {
    if (quit_ || IsOpen()) throw EVozAvozError("Workbook source already used");
    fileName_ = fileName;
    OpenFile(fileName);
}

void TWorkbookFileReader::Close() {
    RequireOpen();
    CloseFile();
}

void TWorkbookFileReader::Quit() {
    if (IsOpen()) CloseFile();
    Forget();
    quit_ = true;
}

void TWorkbookFileReader::RequireOpen() const {
    if (!IsOpen()) throw EVozAvozError("Workbook not open");
}

void TWorkbookFileReader::Damaged(const QString& detail) const {
    throw EVozAvozError(("Invalid workbook file " + fileName_ + ": " + detail).toStdString());
}

void IncludeCell(std::optional<TWorkbookRange>& used, int col, int row) {
    if (!used) {
        used = TWorkbookRange{col, row, col, row};
        return;
    }
    *used = {std::min(used->FirstCol, col), std::min(used->FirstRow, row), std::max(used->LastCol, col),
             std::max(used->LastRow, row)};
}

TWorkbookRange RangeOfAddress(const QString& address) {
    const std::optional<TWorkbookRange> range = ParseRangeAddress(address);
    if (!range) throw EVozAvozError(("Invalid worksheet range " + address).toStdString());
    return *range;
}
