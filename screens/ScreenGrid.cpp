#include "screens/ScreenGrid.h"

#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "grid/AdvancedGrid.h"
#include "platform/os/Cp1252.h"
#include "screens/ScreenCheck.h"

#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <memory>

void SetUpScreenGrid(TVevIvizudEvar& grid, int rows, std::initializer_list<TGridColumn> columns) {
    const auto shared = std::make_shared<std::vector<TGridColumn>>(columns);
    grid.SetColCount(static_cast<int>(columns.size()));
    grid.SetRowCount(rows);
    grid.SetFixedCols(1);
    grid.SetFixedRows(1);
    grid.SetOptions(grid.Options() + goEditing);
    for (std::size_t col = 0; col < shared->size(); ++col)
        if ((*shared)[col].width > 0) grid.SetColWidths(static_cast<int>(col), (*shared)[col].width);
    const auto column = [shared](int col) -> const TGridColumn* {
        return col >= 0 && col < static_cast<int>(shared->size()) ? &(*shared)[col] : nullptr;
    };
    grid.OnGetEditMask = [column](QObject*, int col, int, QString& mask) {
        const TGridColumn* c = column(col);
        mask = c ? QString::fromUtf8(c->mask) : QString();
    };
    grid.OnGetAlignment = [column](QObject*, int, int col, TAlignment& align, TVAlignment&) {
        const TGridColumn* c = column(col);
        align = c && c->centred ? TAlignment::taCenter : TAlignment::taLeftJustify;
    };
    grid.OnGetEditorType = [column](QObject*, int col, int, TEditorType& editor) {
        const TGridColumn* c = column(col);
        if (c && c->dropDown) editor = TEditorType::edComboList;
    };
}

void FitScreenGrid(TCustomGrid& grid, int visibleRows) {
    const int line = grid.GridLineWidth(); // 0 on the advanced grid, which draws its lines in the cells
    int width = 0;
    for (int col = 0; col < grid.ColCount(); ++col) width += grid.ColWidths(col) + line;
    const int rows = std::min(visibleRows, grid.RowCount() - 1);
    int height = grid.RowHeights(0) + line;
    for (int row = 1; row <= rows; ++row) height += grid.RowHeights(row) + line;
    grid.ensurePolished(); // the style sets the frame
    // The advanced grid's flat border is two pixels wide; the viewport keeps clear of it.
    const auto* advanced = dynamic_cast<const TVevIvizudEvar*>(&grid);
    const int side =
        advanced && advanced->HasFlatBorder() ? std::max(grid.frameWidth(), 2) : grid.frameWidth();
    const bool scrolls = rows < grid.RowCount() - 1;
    const int bar = scrolls ? grid.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &grid) : 0;
    // Only the rows may scroll: a bar shown while the grid was still small must not stay.
    grid.SetScrollBars(scrolls ? TScrollStyle::ssVertical : TScrollStyle::ssNone);
    grid.setFixedSize(width + 2 * side + bar, height + 2 * side);
}

std::string CellText(TVevIvizudEvar& grid, int col, int row) {
    return grid.GetGridCells(col, row).toStdString();
}

std::string CompactCell(TVevIvizudEvar& grid, int col, int row) {
    return RemoveSpaces(CellText(grid, col, row));
}

void SetCellText(TVevIvizudEvar& grid, int col, int row, const std::string& utf8) {
    grid.SetGridCells(col, row, QString::fromStdString(utf8));
}

QString TwoDigitText(int value) {
    return QString::fromStdString(IntToStrZeroPad(value, 2));
}

void CommitCellEdit(TVevIvizudEvar& grid) {
    grid.HideInplaceEdit();
}

void MoveToCell(TVevIvizudEvar& grid, int col, int row) {
    grid.SetCol(col);
    const int other = row == 1 ? 2 : 1;
    if (other < grid.GetRowCount() && other != row) grid.SetCurrentRow(other);
    grid.SetCurrentRow(row);
}

void FailAtCell(TVevIvizudEvar& grid, int col, int row, const std::string& message) {
    MoveToCell(grid, col, row);
    FailCheck(&grid, message);
}

std::string StoredName(std::size_t offset) {
    return Cp1252ToUtf8(ProgrammingImage.ShortString(offset));
}

void StoreName(const TImageView& image, std::size_t offset, const std::string& utf8) {
    image.SetShortString(offset, Utf8ToCp1252(WithoutTrailingBlanks(utf8)));
}

std::string WithoutTrailingBlanks(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

bool AllDigits(const std::string& text) {
    return std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

bool DigitsValue(const std::string& text, long max, long& value) {
    if (text.empty() || text.size() > 9 || !AllDigits(text)) return false;
    value = std::stol(text);
    return value <= max;
}
