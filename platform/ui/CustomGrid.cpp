// Counts, sizes, current cell, selection, scrolling and structure of TCustomGrid.
#include "platform/ui/CustomGrid.h"

#include "platform/ui/InplaceEdit.h"
#include "platform/ui/UiBoundary.h"

#include <QApplication>
#include <QScrollBar>
#include <cassert>

namespace {

void MoveAdjust(int& position, int from, int to) {
    if (position == from) {
        position = to;
        return;
    }
    const int low = std::min(from, to), high = std::max(from, to);
    if (position >= low && position <= high) position += from > to ? 1 : -1;
}

// Start and end of the part of the entries first..last that shows; false when none shows.
bool VisibleSpan(const TGridAxis& axis, const TGridAxisInfo& info, int first, int last, int& start,
                 int& end) {
    bool any = false;
    for (int i = std::max(first, 0); i <= last && i < info.CellCount; ++i) {
        if (i >= info.FixedCount && i < info.FirstCell) i = info.FirstCell;
        if (i > last) break;
        int s = 0, e = 0;
        if (!CellPosition(axis, info, i, s, e)) {
            if (i >= info.FixedCount) break; // the rest lies beyond the extent
            continue;
        }
        if (!any) start = s;
        end = e + info.LineWidth;
        any = true;
    }
    return any;
}

} // namespace

TCustomGrid::TCustomGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, true);
    canvas_.SetStyleWidget(this);
    font_.OnChange = [this] { InvalidateGrid(); };
    scrollTimer_.setInterval(60);
    connect(&scrollTimer_, &QTimer::timeout, this, [this] { GuardUi([this] { ScrollTimerTick(); }); });
    focusConnection_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        GuardUi([&] { FocusChanged(old, now); });
    });
    SetBorderStyle(TGridBorderStyle::bsSingle);
    horizontalScrollBar()->setTracking(false);
    verticalScrollBar()->setTracking(false);
    UpdateScrollRange();
}

TCustomGrid::~TCustomGrid() {
    // Destroying the focused editor or grid moves the focus; this grid must not hear of it.
    disconnect(focusConnection_);
}

void TCustomGrid::SetColCount(int count) {
    count = std::max(count, 1);
    if (count == ColCount()) return;
    if (count <= fixedCols_) fixedCols_ = count - 1;
    ChangeSize(count, RowCount());
    if (options_.Contains(goRowSelect)) anchor_.X = ColCount() - 1;
}

void TCustomGrid::SetRowCount(int count) {
    count = std::max(count, 1);
    if (count == RowCount()) return;
    if (count <= fixedRows_) fixedRows_ = count - 1;
    ChangeSize(ColCount(), count);
}

void TCustomGrid::ChangeSize(int colCount, int rowCount) {
    const int oldCols = ColCount(), oldRows = RowCount();
    cols_.SetCount(colCount);
    rows_.SetCount(rowCount);
    const TGridCoord clamped{std::min(current_.X, colCount - 1), std::min(current_.Y, rowCount - 1)};
    if (!(clamped == current_)) {
        MoveCurrent(clamped.X, clamped.Y, true, true);
        if (current_.X >= colCount || current_.Y >= rowCount)
            current_ = clamped; // a veto cannot keep a lost cell
    }
    anchor_ = {std::min(anchor_.X, colCount - 1), std::min(anchor_.Y, rowCount - 1)};
    if (inplaceCol_ >= colCount || inplaceRow_ >= rowCount) HideEdit();
    topLeft_ = {std::clamp(topLeft_.X, fixedCols_, colCount - 1),
                std::clamp(topLeft_.Y, fixedRows_, rowCount - 1)};
    InvalidateGrid();
    UpdateScrollRange();
    SizeChanged(oldCols, oldRows);
    assert(Verify());
}

void TCustomGrid::SetFixedCols(int count) {
    SetFixedCount(fixedCols_, count, ColCount(), "Fixed column count must be less than column count");
}

void TCustomGrid::SetFixedRows(int count) {
    SetFixedCount(fixedRows_, count, RowCount(), "Fixed row count must be less than row count");
}

void TCustomGrid::SetFixedCount(int& field, int count, int total, const char* refusal) {
    if (count < 0 || count >= total) throw EGridError(refusal);
    if (count == field) return;
    field = count;
    topLeft_ = {fixedCols_, fixedRows_};
    current_ = anchor_ = topLeft_;
    if (options_.Contains(goRowSelect)) anchor_.X = ColCount() - 1;
    InvalidateGrid();
    UpdateScrollRange();
}

void TCustomGrid::SetDefaultColWidth(int width) {
    cols_.SetDefaultSize(width);
    ColWidthsChanged();
    InvalidateGrid();
}

void TCustomGrid::SetDefaultRowHeight(int height) {
    rows_.SetDefaultSize(height);
    RowHeightsChanged();
    InvalidateGrid();
}

void TCustomGrid::SetColWidths(int col, int width) {
    SetLineSize(true, col, width);
}

void TCustomGrid::SetRowHeights(int row, int height) {
    SetLineSize(false, row, height);
}

void TCustomGrid::SetLineSize(bool columns, int index, int size) {
    TGridAxis& axis = columns ? cols_ : rows_;
    if (index < 0 || index >= axis.Count()) throw EGridError("Grid index out of range");
    if (std::clamp(size, 0, TGridAxis::kMaxSize) == axis.Size(index)) return;
    axis.SetSize(index, size);
    InvalidateGrid();
    if (columns)
        ColWidthsChanged();
    else
        RowHeightsChanged();
}

std::vector<int> TCustomGrid::LineSizes(bool columns) const {
    const TGridAxis& axis = columns ? cols_ : rows_;
    std::vector<int> sizes(size_t(axis.Count()));
    for (int i = 0; i < axis.Count(); ++i) sizes[size_t(i)] = axis.Size(i);
    return sizes;
}

void TCustomGrid::SetLineSizes(bool columns, const std::vector<int>& sizes) {
    TGridAxis& axis = columns ? cols_ : rows_;
    if (int(sizes.size()) != axis.Count()) throw EGridError("Grid size list does not match the count");
    for (int i = 0; i < axis.Count(); ++i) axis.SetSize(i, sizes[size_t(i)]);
    InvalidateGrid();
    UpdateScrollRange();
}

void TCustomGrid::InsertLineSizes(bool columns, int at, int count, int size) {
    TGridAxis& axis = columns ? cols_ : rows_;
    if (at < 0 || at > axis.Count()) throw EGridError("Grid index out of range");
    count = std::min(count, axis.Count() - at);
    if (count <= 0) return;
    axis.Erase(axis.Count() - count, count);
    axis.Insert(at, count);
    if (size >= 0)
        for (int i = at; i < at + count; ++i) axis.SetSize(i, size);
    InvalidateGrid();
    UpdateScrollRange();
}

void TCustomGrid::EraseLineSizes(bool columns, int at, int count) {
    TGridAxis& axis = columns ? cols_ : rows_;
    if (at < 0 || at > axis.Count()) throw EGridError("Grid index out of range");
    count = std::min(count, axis.Count() - at);
    if (count <= 0) return;
    axis.Erase(at, count);
    axis.Insert(axis.Count(), count);
    InvalidateGrid();
    UpdateScrollRange();
}

void TCustomGrid::SetGridLineWidth(int width) {
    width = std::max(width, 0);
    if (width == lineWidth_) return;
    lineWidth_ = width;
    InvalidateGrid();
    UpdateScrollRange();
}

void TCustomGrid::SetOptions(TGridOptions options) {
    if (options == options_) return;
    if (options.Contains(goRowSelect)) options.Exclude(goAlwaysShowEditor);
    options_ = options;
    if (!editorMode_) {
        if (options.Contains(goAlwaysShowEditor))
            ShowEditor();
        else
            HideEditor();
    }
    if (options.Contains(goRowSelect)) MoveCurrent(Col(), Row(), true, false);
    horizontalScrollBar()->setTracking(options.Contains(goThumbTracking));
    verticalScrollBar()->setTracking(options.Contains(goThumbTracking));
    InvalidateGrid();
}

void TCustomGrid::SetCol(int col) {
    if (col != Col()) FocusCell(col, Row(), true);
}

void TCustomGrid::SetRow(int row) {
    if (row != Row()) FocusCell(Col(), row, true);
}

TGridRect TCustomGrid::Selection() const {
    return GridRect(current_, anchor_);
}

void TCustomGrid::SetSelection(const TGridRect& selection) {
    const TGridRect old = Selection();
    anchor_ = {selection.Left, selection.Top};
    current_ = {selection.Right, selection.Bottom};
    SelectionMoved(old);
}

void TCustomGrid::SelectionMoved(const TGridRect& oldSelection) {
    InvalidateGridRect(oldSelection);
    InvalidateGridRect(Selection());
}

void TCustomGrid::FocusCell(int col, int row, bool moveAnchor) {
    MoveCurrent(col, row, moveAnchor, true);
    UpdateEdit();
    Click();
}

void TCustomGrid::MoveCurrent(int col, int row, bool moveAnchor, bool show) {
    if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
        throw EGridError("Grid index out of range");
    if (!SelectCell(col, row)) return;
    const TGridRect oldSelection = Selection();
    const TGridCoord oldCurrent = current_;
    current_ = {col, row};
    if (!options_.Contains(goAlwaysShowEditor)) HideEditor();
    if (moveAnchor || !options_.Contains(goRangeSelect)) {
        anchor_ = current_;
        if (options_.Contains(goRowSelect)) anchor_.X = ColCount() - 1;
    }
    if (options_.Contains(goRowSelect)) current_.X = fixedCols_;
    if (show) ClampInView(current_);
    SelectionMoved(oldSelection);
    InvalidateCell(oldCurrent.X, oldCurrent.Y);
    InvalidateCell(current_.X, current_.Y);
}

void TCustomGrid::MoveAnchor(TGridCoord anchor) {
    if (options_.Contains(goRangeSelect) && !options_.Contains(goEditing)) {
        const TGridRect old = Selection();
        anchor_ = anchor;
        if (options_.Contains(goRowSelect)) anchor_.X = ColCount() - 1;
        ClampInView(anchor);
        SelectionMoved(old);
    } else {
        MoveCurrent(anchor.X, anchor.Y, true, true);
    }
}

TCustomGrid::TDrawInfo TCustomGrid::CalcDrawInfo() const {
    return {CalcAxisInfo(cols_, fixedCols_, topLeft_.X, lineWidth_, ClientWidth()),
            CalcAxisInfo(rows_, fixedRows_, topLeft_.Y, lineWidth_, ClientHeight())};
}

int TCustomGrid::ClientWidth() const {
    return viewport()->width();
}
int TCustomGrid::ClientHeight() const {
    return viewport()->height();
}

TGridCoord TCustomGrid::MaxTopLeft() const {
    const TDrawInfo info = CalcDrawInfo();
    return {MaxFirstCell(cols_, info.Horz, ColCount() - 1), MaxFirstCell(rows_, info.Vert, RowCount() - 1)};
}

void TCustomGrid::ClampInView(TGridCoord cell) {
    if (!isVisible()) return; // the client area has no size yet
    const TDrawInfo info = CalcDrawInfo();
    TGridCoord newTopLeft = topLeft_;
    if (cell.X >= fixedCols_) {
        if (cell.X < topLeft_.X)
            newTopLeft.X = cell.X;
        else if (cell.X > info.Horz.LastFullVisibleCell)
            newTopLeft.X = MaxFirstCell(cols_, info.Horz, cell.X);
    }
    if (cell.Y >= fixedRows_) {
        if (cell.Y < topLeft_.Y)
            newTopLeft.Y = cell.Y;
        else if (cell.Y > info.Vert.LastFullVisibleCell)
            newTopLeft.Y = MaxFirstCell(rows_, info.Vert, cell.Y);
    }
    MoveTopLeft(newTopLeft.X, newTopLeft.Y);
}

int TCustomGrid::VisibleRowCount() const {
    return CalcDrawInfo().Vert.LastFullVisibleCell - topLeft_.Y + 1;
}

int TCustomGrid::VisibleColCount() const {
    return CalcDrawInfo().Horz.LastFullVisibleCell - topLeft_.X + 1;
}

void TCustomGrid::SetTopRow(int row) {
    MoveTopLeft(topLeft_.X, std::clamp(row, fixedRows_, std::max(fixedRows_, MaxTopLeft().Y)));
}

void TCustomGrid::SetLeftCol(int col) {
    MoveTopLeft(std::clamp(col, fixedCols_, std::max(fixedCols_, MaxTopLeft().X)), topLeft_.Y);
}

void TCustomGrid::MoveTopLeft(int left, int top) {
    if (left == topLeft_.X && top == topLeft_.Y) return;
    const TGridCoord old = topLeft_;
    topLeft_ = {left, top};
    TopLeftMoved(old);
}

void TCustomGrid::TopLeftMoved(TGridCoord) {
    UpdateScrollPos();
    InvalidateGrid();
    TopLeftChanged();
}

void TCustomGrid::UpdateScrollRange() {
    if (updateCount_ > 0 || !isVisible()) return; // done again when shown or when the update ends
    TDrawInfo info = CalcDrawInfo();
    const TGridCoord max{std::max(MaxFirstCell(cols_, info.Horz, ColCount() - 1), fixedCols_),
                         std::max(MaxFirstCell(rows_, info.Vert, RowCount() - 1), fixedRows_)};
    if (topLeft_.X > max.X || topLeft_.Y > max.Y) {
        MoveTopLeft(std::min(topLeft_.X, max.X), std::min(topLeft_.Y, max.Y));
        info = CalcDrawInfo();
    }
    syncingScrollBars_ = true;
    horizontalScrollBar()->setRange(fixedCols_, max.X);
    horizontalScrollBar()->setPageStep(std::max(info.Horz.LastFullVisibleCell - topLeft_.X + 1, 1));
    verticalScrollBar()->setRange(fixedRows_, max.Y);
    verticalScrollBar()->setPageStep(std::max(info.Vert.LastFullVisibleCell - topLeft_.Y + 1, 1));
    syncingScrollBars_ = false;
    UpdateScrollPos();
}

void TCustomGrid::UpdateScrollPos() {
    syncingScrollBars_ = true;
    horizontalScrollBar()->setValue(topLeft_.X);
    verticalScrollBar()->setValue(topLeft_.Y);
    syncingScrollBars_ = false;
}

void TCustomGrid::scrollContentsBy(int, int) {
    if (syncingScrollBars_) return;
    GuardUi([this] { MoveTopLeft(horizontalScrollBar()->value(), verticalScrollBar()->value()); });
}

void TCustomGrid::SetColor(TColor color) {
    color_ = color;
    InvalidateGrid();
}

void TCustomGrid::SetFixedColor(TColor color) {
    fixedColor_ = color;
    InvalidateGrid();
}

void TCustomGrid::SetDefaultDrawing(bool on) {
    defaultDrawing_ = on;
    InvalidateGrid();
}

void TCustomGrid::SetCtl3D(bool on) {
    ctl3D_ = on;
    InvalidateGrid();
}

void TCustomGrid::SetScrollBars(TScrollStyle bars) {
    scrollBars_ = bars;
    const bool vertical = bars == TScrollStyle::ssVertical || bars == TScrollStyle::ssBoth;
    const bool horizontal = bars == TScrollStyle::ssHorizontal || bars == TScrollStyle::ssBoth;
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TCustomGrid::SetBorderStyle(TGridBorderStyle style) {
    borderStyle_ = style;
    setFrameStyle(style == TGridBorderStyle::bsSingle ? QFrame::StyledPanel | QFrame::Sunken
                                                      : QFrame::NoFrame);
}

TRect TCustomGrid::CellRect(int col, int row) const {
    const TDrawInfo info = CalcDrawInfo();
    int left = 0, right = 0, top = 0, bottom = 0;
    if (!CellPosition(cols_, info.Horz, col, left, right) ||
        !CellPosition(rows_, info.Vert, row, top, bottom))
        return {};
    return {left, top, right, bottom};
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
    const TDrawInfo info = CalcDrawInfo();
    TGridCoord cell{CellAtPosition(cols_, info.Horz, x), CellAtPosition(rows_, info.Vert, y)};
    if (cell.X < 0 || cell.Y < 0 || x >= ClientWidth() || y >= ClientHeight()) return {-1, -1};
    return cell;
}

void TCustomGrid::MouseToCell(int x, int y, int& col, int& row) const {
    const TGridCoord cell = MouseCoord(x, y);
    col = cell.X;
    row = cell.Y;
}

void TCustomGrid::InvalidateGridRect(const TGridRect& cells) {
    if (updateCount_ > 0 || !isVisible()) return;
    const TDrawInfo info = CalcDrawInfo();
    int left = 0, right = 0, top = 0, bottom = 0;
    if (!VisibleSpan(cols_, info.Horz, cells.Left, cells.Right, left, right)) return;
    if (!VisibleSpan(rows_, info.Vert, cells.Top, cells.Bottom, top, bottom)) return;
    viewport()->update(QRect(left, top, right - left, bottom - top));
}

void TCustomGrid::InvalidateCell(int col, int row) {
    InvalidateGridRect({col, row, col, row});
}
void TCustomGrid::InvalidateRow(int row) {
    InvalidateGridRect({0, row, ColCount() - 1, row});
}
void TCustomGrid::InvalidateCol(int col) {
    InvalidateGridRect({col, 0, col, RowCount() - 1});
}

void TCustomGrid::InvalidateRect(const TRect& area) {
    if (updateCount_ == 0 && isVisible() && !area.IsEmpty()) viewport()->update(ToQRect(area));
}

void TCustomGrid::InvalidateGrid() {
    if (updateCount_ == 0) viewport()->update();
}

void TCustomGrid::BeginUpdate() {
    ++updateCount_;
}

void TCustomGrid::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ > 0) return;
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::MoveColumn(int from, int to) {
    MoveLine(true, from, to);
}

void TCustomGrid::MoveRow(int from, int to) {
    MoveLine(false, from, to);
}

void TCustomGrid::MoveLine(bool columns, int from, int to) {
    TGridAxis& axis = columns ? cols_ : rows_;
    if (from == to) return;
    if (from < 0 || to < 0 || from >= axis.Count() || to >= axis.Count())
        throw EGridError("Grid index out of range");
    axis.Move(from, to);
    MoveAdjust(columns ? current_.X : current_.Y, from, to);
    MoveAdjust(columns ? anchor_.X : anchor_.Y, from, to);
    int& inplace = columns ? inplaceCol_ : inplaceRow_;
    if (inplace >= 0) MoveAdjust(inplace, from, to);
    InvalidateGrid();
    if (columns) {
        ColumnMoved(from, to);
        ColWidthsChanged();
    } else {
        RowMoved(from, to);
        RowHeightsChanged();
    }
    UpdateEdit();
    assert(Verify());
}

void TCustomGrid::DeleteColumn(int col) {
    if (col < 0 || col >= ColCount()) throw EGridError("Grid index out of range");
    MoveColumn(col, ColCount() - 1);
    SetColCount(ColCount() - 1);
}

void TCustomGrid::DeleteRow(int row) {
    if (row < 0 || row >= RowCount()) throw EGridError("Grid index out of range");
    MoveRow(row, RowCount() - 1);
    SetRowCount(RowCount() - 1);
}

void TCustomGrid::ColumnMoved(int, int) {}
void TCustomGrid::RowMoved(int, int) {}

void TCustomGrid::ColWidthsChanged() {
    UpdateScrollRange();
    UpdateEdit();
}

void TCustomGrid::RowHeightsChanged() {
    UpdateScrollRange();
    UpdateEdit();
}

void TCustomGrid::SizeChanged(int, int) {}

void TCustomGrid::TopLeftChanged() {
    if (editorMode_ && inplaceEdit_) inplaceEdit_->UpdateLoc(CellRect(Col(), Row()));
}

bool TCustomGrid::SelectCell(int, int) {
    return true;
}

bool TCustomGrid::Verify() const {
    auto inside = [](TGridCoord c, int cols, int rows) {
        return c.X >= 0 && c.Y >= 0 && c.X < cols && c.Y < rows;
    };
    return ColCount() >= 1 && RowCount() >= 1 && fixedCols_ >= 0 && fixedRows_ >= 0 &&
           fixedCols_ < ColCount() && fixedRows_ < RowCount() && inside(current_, ColCount(), RowCount()) &&
           inside(anchor_, ColCount(), RowCount()) && topLeft_.X >= fixedCols_ && topLeft_.Y >= fixedRows_ &&
           inside(topLeft_, ColCount(), RowCount()) && (inplaceCol_ < 0) == (inplaceRow_ < 0) &&
           inplaceCol_ < ColCount() && inplaceRow_ < RowCount();
}
