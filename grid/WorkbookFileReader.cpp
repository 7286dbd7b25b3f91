#include "grid/WorkbookFileReader.h"

#include "grid/GridError.h"
#include "platform/os/LngText.h"
#include "platform/ui/UiServices.h"

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

void TWorkbookFileReader::Damaged() const {
    RaiseDamagedWorkbook(fileName_);
}

void TWorkbookFileReader::TooLarge() const {
    RaiseWorkbookTooLarge(fileName_);
}

void RaiseNotAWorkbook(const QString& fileName) {
    throw EVozAvozError(
        (TrText(LngText("O arquivo não é uma planilha (.xls ou .xlsx): ")) + fileName).toStdString());
}

void RaiseDamagedWorkbook(const QString& fileName) {
    throw EVozAvozError(
        (TrText(LngText("A planilha está danificada ou incompleta e não pode ser lida: ")) + fileName)
            .toStdString());
}

void RaiseWorkbookTooLarge(const QString& fileName) {
    throw EVozAvozError(
        (TrText(LngText("A planilha é grande demais para ser importada: ")) + fileName).toStdString());
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
