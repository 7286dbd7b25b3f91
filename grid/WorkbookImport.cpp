#include "grid/WorkbookImport.h"

#include "grid/AdvancedGrid.h"
#include "grid/GridError.h"
#include "grid/WorkbookFileReader.h"
#include "platform/data/DateTime.h"
#include "platform/data/NumberText.h"

#include <QApplication>

namespace {

// The hourglass for as long as the import runs.
class THourglass {
public:
    THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { QApplication::restoreOverrideCursor(); }
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;
};

// Closes the workbook and ends the source when the import leaves early; the regular way out calls
// both itself so that their own errors reach the caller.
class TSourceSession {
public:
    explicit TSourceSession(WorkbookSource& source) : source_(source) {}
    ~TSourceSession() {
        if (ended_) return;
        try {
            if (open_) source_.Close();
            source_.Quit();
        } catch (...) {
            // The error that ended the import is the one to report.
        }
    }
    TSourceSession(const TSourceSession&) = delete;
    TSourceSession& operator=(const TSourceSession&) = delete;

    void Open(const QString& fileName) {
        source_.Open(fileName);
        open_ = true;
    }
    void End() {
        open_ = false;
        source_.Close();
        ended_ = true;
        source_.Quit();
    }

private:
    WorkbookSource& source_;
    bool open_ = false, ended_ = false;
};

class TUpdateLock {
public:
    explicit TUpdateLock(TVevIvizudEvar& grid) : grid_(grid) { grid_.BeginUpdate(); }
    ~TUpdateLock() { grid_.EndUpdate(); }
    TUpdateLock(const TUpdateLock&) = delete;
    TUpdateLock& operator=(const TUpdateLock&) = delete;

private:
    TVevIvizudEvar& grid_;
};

} // namespace

QString WorkbookValueText(const TWorkbookValue& value) {
    namespace data = platform::data;
    switch (value.Kind) {
    case TWorkbookValue::TKind::Text:
        return value.Text;
    case TWorkbookValue::TKind::Number:
        return QString::fromStdString(data::FloatToStr(value.Number));
    case TWorkbookValue::TKind::Boolean:
        return value.Number != 0 ? QStringLiteral("True") : QStringLiteral("False");
    case TWorkbookValue::TKind::Date:
        return QString::fromStdString(data::DateToStr(value.Number));
    case TWorkbookValue::TKind::Time:
        return QString::fromStdString(data::TimeToStr(value.Number));
    case TWorkbookValue::TKind::DateTime:
        return QString::fromStdString(data::DateTimeToStr(value.Number));
    case TWorkbookValue::TKind::Empty:
    case TWorkbookValue::TKind::Error:
        break;
    }
    return {};
}

void ImportWorkbookFrom(TVevIvizudEvar& grid, WorkbookSource& source, const QString& fileName,
                        const QString& sheetName) {
    THourglass hourglass;
    TSourceSession session(source);
    session.Open(fileName);
    int sheet = 0;
    if (sheetName.isEmpty()) {
        sheet = source.ActiveSheet();
    } else {
        const int count = source.SheetCount();
        for (int i = 1; i <= count && sheet == 0; ++i)
            if (source.SheetName(i) == sheetName) sheet = i;
        if (sheet == 0) throw EVozAvozError(("Excel worksheet " + sheetName + " not found").toStdString());
    }
    const std::optional<TWorkbookRange> range = ParseRangeAddress(source.UsedRangeAddress(sheet));
    {
        TUpdateLock lock(grid);
        if (range) {
            if (range->CellCount() > TWorkbookValues::kMaxCells) RaiseWorkbookTooLarge(fileName);
            try {
                // Fetched before the grid changes, so that a failing fetch leaves the grid as it was.
                const TWorkbookValues values = source.RangeValue(sheet, RangeAddress(*range, false));
                grid.FillFromWorkbook(values, range->RowCount(), range->ColCount());
            } catch (const std::bad_alloc&) {
                RaiseWorkbookTooLarge(fileName); // the grid is as it was
            }
        }
        session.End();
    }
    grid.CellsChanged(TRect{0, 0, grid.ColCount() - 1, grid.RowCount() - 1});
}

// The grid grows to the range first and is cut to it last, so that until then nothing is lost
// that a failure could not put back: the counts and the texts written over. The range fills the
// data rows; footer rows stay below it (rows it adds go in above them, rows it leaves go from
// above them).
void TVevIvizudEvar::FillFromWorkbook(const TWorkbookValues& values, int rows, int cols) {
    const int oldCols = ColCount(), dataEnd = DataRowEnd();
    const int fixedCols = TBaseGrid::FixedCols(), fixedRows = TBaseGrid::FixedRows();
    const int written = std::min(values.ColCount(), cols), writtenRows = std::min(values.RowCount(), rows);
    const TTextsBefore before(CellStore(), 0, std::min(dataEnd, writtenRows), 0, written);
    const int added = std::max(rows - dataEnd, 0);
    try {
        if (cols > oldCols) SetColCount(cols);
        if (added > 0) InsertRows(dataEnd, added);
        // Every cell of the range is written, so that nothing of an earlier content stays.
        for (int r = 1; r <= writtenRows; ++r)
            for (int c = 1; c <= written; ++c) SetGridCells(c - 1, r - 1, WorkbookValueText(values.At(r, c)));
    } catch (...) {
        before.PutBack(CellStore());
        if (added > 0 && DataRowEnd() >= dataEnd + added) EraseDisplayRows(dataEnd, added);
        if (ColCount() != oldCols) SetColCount(oldCols);
        throw;
    }
    SetColCount(cols);
    if (rows < dataEnd) EraseDisplayRows(std::max(rows, 1), dataEnd - std::max(rows, 1));
    ForgetRowOrder(); // the range's rows stand in the order before sorting
    if (ColCount() > fixedCols && TBaseGrid::FixedCols() != fixedCols) SetFixedCols(fixedCols);
    if (RowCount() > fixedRows && TBaseGrid::FixedRows() != fixedRows) SetFixedRows(fixedRows);
}

void TVevIvizudEvar::LoadFromXLS(const QString& fileName) {
    ImportWorkbook(fileName, QString());
}

void TVevIvizudEvar::ImportWorkbook(const QString& fileName, const QString& sheetName) {
    THourglass hourglass;
    const std::unique_ptr<WorkbookSource> source = OpenWorkbookSource(fileName);
    if (!source) RaiseNotAWorkbook(fileName);
    ImportWorkbookFrom(*this, *source, fileName, sheetName);
}
