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
            // Fetched before the grid changes, so that a failing fetch leaves the grid as it was.
            const TWorkbookValues values = source.RangeValue(sheet, RangeAddress(*range, false));
            const int fixedCols = grid.TBaseGrid::FixedCols(), fixedRows = grid.TBaseGrid::FixedRows();
            grid.SetColCount(range->ColCount());
            grid.SetRowCount(range->RowCount());
            if (grid.ColCount() > fixedCols && grid.TBaseGrid::FixedCols() != fixedCols)
                grid.SetFixedCols(fixedCols);
            if (grid.RowCount() > fixedRows && grid.TBaseGrid::FixedRows() != fixedRows)
                grid.SetFixedRows(fixedRows);
            const int rows = std::min(values.RowCount(), grid.RowCount());
            const int cols = std::min(values.ColCount(), grid.ColCount());
            // Every cell of the range is written, so that nothing of an earlier content stays.
            for (int r = 1; r <= rows; ++r)
                for (int c = 1; c <= cols; ++c)
                    grid.SetGridCells(c - 1, r - 1, WorkbookValueText(values.At(r, c)));
        }
        session.End();
    }
    grid.CellsChanged(TRect{0, 0, grid.ColCount() - 1, grid.RowCount() - 1});
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
