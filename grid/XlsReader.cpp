#include "grid/XlsReader.h"

#include "grid/CompoundFile.h"
#include "grid/GridError.h"
#include "grid/RegularFile.h"

#include <QFile>
#include <QtEndian>
#include <freexl.h>

namespace {

constexpr quint16 kBof = 0x0809, kEof = 0x000A, kBoundSheet = 0x0085, kWindow1 = 0x003D, kDimensions = 0x0200,
                  kBoolErr = 0x0205;
constexpr quint16 kBiff8 = 0x0600;
// More sheets than any workbook made by hand has; each is scanned once.
constexpr size_t kMaxSheets = 4096;

struct TBiffRecord {
    quint16 Type = 0;
    QByteArrayView Data;
};

// The records of a workbook stream from an offset on; each lies wholly inside the stream.
class TBiffRecords {
public:
    TBiffRecords(const QByteArray& stream, qint64 at) : stream_(stream), at_(at) {}
    bool Next(TBiffRecord& record) {
        if (at_ < 0 || at_ + 4 > stream_.size()) return false;
        const quint16 length = qFromLittleEndian<quint16>(stream_.constData() + at_ + 2);
        if (at_ + 4 + length > stream_.size()) return false;
        record.Type = qFromLittleEndian<quint16>(stream_.constData() + at_);
        record.Data = QByteArrayView(stream_.constData() + at_ + 4, length);
        at_ += 4 + length;
        return true;
    }

private:
    const QByteArray& stream_;
    qint64 at_;
};

quint16 U16(QByteArrayView data, qsizetype at) {
    return qFromLittleEndian<quint16>(data.data() + at);
}
quint32 U32(QByteArrayView data, qsizetype at) {
    return qFromLittleEndian<quint32>(data.data() + at);
}

// A sheet's name in its BOUNDSHEET record (from offset 6): a length, then (BIFF8) a flag telling
// whether the characters take two bytes.
QString SheetRecordName(QByteArrayView data, bool biff8) {
    if (data.size() < 7) return {};
    const int count = quint8(data[6]);
    if (!biff8) return QString::fromLatin1(data.sliced(7, std::min<qsizetype>(count, data.size() - 7)));
    if (data.size() < 8) return {};
    const bool wide = (quint8(data[7]) & 1) != 0;
    const QByteArrayView chars = data.sliced(8);
    if (!wide) return QString::fromLatin1(chars.first(std::min<qsizetype>(count, chars.size())));
    QString name;
    for (qsizetype i = 0; i < count && 2 * i + 1 < chars.size(); ++i) name += QChar(U16(chars, 2 * i));
    return name;
}

struct TWorkbookRecords {
    std::vector<TXlsReader::TSheetRecord> Sheets;
    int ActiveTab = 0;
    qint64 Cells = 0;
};

// The records of the sheet whose substream starts at the offset.
void ScanSheet(const QByteArray& stream, qint64 at, bool biff8, TXlsReader::TSheetRecord& sheet) {
    TBiffRecords records(stream, at);
    TBiffRecord record;
    while (records.Next(record) && record.Type != kEof) {
        if (record.Type == kDimensions) {
            qint64 rows = 0, cols = 0;
            if (biff8 && record.Data.size() >= 12)
                rows = U32(record.Data, 4), cols = U16(record.Data, 10);
            else if (!biff8 && record.Data.size() >= 8)
                rows = U16(record.Data, 2), cols = U16(record.Data, 6);
            sheet.Cells = std::max(sheet.Cells, rows * cols);
        } else if (record.Type == kBoolErr && record.Data.size() >= 8 && record.Data[7] == 0) {
            sheet.Booleans.insert({U16(record.Data, 0), U16(record.Data, 2)});
        }
    }
}

// Nothing when the stream does not start as a workbook does.
std::optional<TWorkbookRecords> ScanWorkbook(const QByteArray& stream) {
    TBiffRecords records(stream, 0);
    TBiffRecord record;
    if (!records.Next(record) || record.Type != kBof || record.Data.size() < 2) return std::nullopt;
    const bool biff8 = U16(record.Data, 0) == kBiff8;
    TWorkbookRecords workbook;
    std::vector<qint64> offsets;
    while (records.Next(record) && record.Type != kEof) {
        if (record.Type == kWindow1 && record.Data.size() >= 12) {
            workbook.ActiveTab = U16(record.Data, 10);
        } else if (record.Type == kBoundSheet && record.Data.size() >= 6) {
            if (workbook.Sheets.size() == kMaxSheets) return std::nullopt;
            offsets.push_back(U32(record.Data, 0));
            workbook.Sheets.push_back({SheetRecordName(record.Data, biff8), 0, {}});
        }
    }
    for (size_t i = 0; i < offsets.size(); ++i) {
        ScanSheet(stream, offsets[i], biff8, workbook.Sheets[i]);
        workbook.Cells += workbook.Sheets[i].Cells;
    }
    return workbook;
}

} // namespace

TXlsReader::~TXlsReader() {
    if (handle_) freexl_close(handle_);
}

void TXlsReader::OpenFile(const QString& fileName) {
    const std::optional<QByteArray> bytes = ReadRegularFile(fileName, inputlimits::kMaxWorkbookBytes);
    if (!bytes) throw EVozAvozError(("Cannot open file " + fileName).toStdString());
    std::optional<QByteArray> stream = ReadCompoundStream(*bytes, QStringLiteral("Workbook"));
    if (!stream) stream = ReadCompoundStream(*bytes, QStringLiteral("Book"));
    const std::optional<TWorkbookRecords> workbook = stream ? ScanWorkbook(*stream) : std::nullopt;
    if (!workbook) Damaged();
    if (workbook->Cells > inputlimits::kMaxCells) TooLarge();
    records_ = workbook->Sheets;
    activeTab_ = workbook->ActiveTab;

    const void* handle = nullptr;
    const int opened = freexl_open(QFile::encodeName(fileName).constData(), &handle);
    if (opened != FREEXL_OK) {
        if (handle) freexl_close(handle); // the library asks for a close even after a failed open
        if (opened == FREEXL_FILE_NOT_FOUND)
            throw EVozAvozError(("Cannot open file " + fileName).toStdString());
        Damaged();
    }
    handle_ = handle;
    unsigned count = 0;
    if (freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) Damaged();
    sheetCount_ = int(count);
}

const TXlsReader::TSheetRecord* TXlsReader::RecordOf(int sheet) {
    const char* name = nullptr;
    if (freexl_get_worksheet_name(handle_, static_cast<unsigned short>(sheet - 1), &name) != FREEXL_OK)
        Damaged();
    const QString wanted = QString::fromUtf8(name);
    for (const TSheetRecord& record : records_)
        if (record.Name == wanted) return &record;
    return sheetCount_ == int(records_.size()) ? &records_[size_t(sheet - 1)] : nullptr;
}

int TXlsReader::ActiveSheet() {
    RequireOpen();
    if (sheetCount_ == 0) Damaged();
    if (activeTab_ < 0 || activeTab_ >= int(records_.size())) return 1;
    for (int sheet = 1; sheet <= sheetCount_; ++sheet)
        if (RecordOf(sheet) == &records_[size_t(activeTab_)]) return sheet;
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
    if (got != FREEXL_OK) Damaged();
    return QString::fromUtf8(name);
}

void TXlsReader::Select(int sheet, unsigned& rows, unsigned& cols) {
    RequireOpen();
    if (sheet < 1 || sheet > sheetCount_) throw EVozAvozError("Worksheet index out of range");
    const int selected = freexl_select_active_worksheet(handle_, static_cast<unsigned short>(sheet - 1));
    if (selected != FREEXL_OK) Damaged();
    unsigned short columns = 0;
    const int dims = freexl_worksheet_dimensions(handle_, &rows, &columns);
    if (dims != FREEXL_OK) Damaged();
    cols = columns;
    if (qint64(rows) * cols > inputlimits::kMaxCells) TooLarge();
    selected_ = RecordOf(sheet);
}

TWorkbookValue TXlsReader::CellValue(unsigned row, unsigned col) {
    FreeXL_CellValue cell;
    const int got = freexl_get_cell_value(handle_, row, static_cast<unsigned short>(col), &cell);
    if (got != FREEXL_OK) Damaged();
    switch (cell.type) {
    case FREEXL_CELL_INT:
        if (selected_ && selected_->Booleans.count({row, col}) > 0)
            return TWorkbookValue::FromBoolean(cell.value.int_value != 0);
        return TWorkbookValue::FromNumber(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return TWorkbookValue::FromNumber(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return TWorkbookValue::FromText(QString::fromUtf8(cell.value.text_value));
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return DateFromText(QString::fromUtf8(cell.value.text_value));
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
    if (range.CellCount() > inputlimits::kMaxCells) TooLarge();
    TWorkbookValues values(range.RowCount(), range.ColCount());
    // Cells beyond the sheet's extent are empty.
    const int lastRow = int(std::min<qint64>(range.LastRow, rows)),
              lastCol = std::min(range.LastCol, int(cols));
    for (int r = range.FirstRow; r <= lastRow; ++r)
        for (int c = range.FirstCol; c <= lastCol; ++c)
            values.At(r - range.FirstRow + 1, c - range.FirstCol + 1) =
                CellValue(unsigned(r - 1), unsigned(c - 1));
    return values;
}

void TXlsReader::CloseFile() {
    freexl_close(handle_);
    handle_ = nullptr;
    selected_ = nullptr;
}

void TXlsReader::Forget() {
    sheetCount_ = 0;
    records_.clear();
}
