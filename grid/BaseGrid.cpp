// Cell properties, texts through the base cell, and cell rectangles of TBaseGrid.
#include "grid/BaseGrid.h"

TBaseGrid::TBaseGrid(QWidget* parent) : TStringGrid(parent) {
    TStringGrid::SetDefaultDrawing(false);
    TStringGrid::SetGridLineWidth(0);
    SetOptions(Options() + goDrawFocusSelected);
    DisplTextRowLimit = RowCount();
}

TBaseGrid::~TBaseGrid() {
    // The cell store frees every cell's properties with the grid.
    if (undoRedo_) undoRedo_->SetGrid(nullptr);
}

void TBaseGrid::SetDefaultDrawing(bool on) {
    defaultDrawing_ = on;
    InvalidateGrid();
}

void TBaseGrid::SetGridLineWidth(int width) {
    gridLineWidth_ = std::max(width, 0);
    InvalidateGrid();
}

void TBaseGrid::SetGridLineColor(TColor color) {
    gridLineColor_ = color;
    InvalidateGrid();
}

void TBaseGrid::SetUndoRedo(TVozAvozUndoRedo* recorder) {
    if (undoRedo_ && undoRedo_ != recorder) undoRedo_->SetGrid(nullptr);
    undoRedo_ = recorder;
    if (recorder) recorder->SetGrid(this);
}

TCellProperties* TBaseGrid::CellProperties(int col, int row) const {
    return dynamic_cast<TCellProperties*>(Objects(col, row));
}

TCellProperties* TBaseGrid::GetCellProperties(int col, int row) {
    if (TCellProperties* existing = CellProperties(col, row)) return existing;
    auto created = std::make_unique<TCellProperties>(this, col, row);
    TCellProperties* result = created.get();
    SetObjects(col, row, std::move(created));
    return result;
}

void TBaseGrid::SetCellProperties(int col, int row, std::unique_ptr<TCellProperties> properties) {
    SetObjects(col, row, std::move(properties));
}

void TBaseGrid::SetRawObject(int col, int row, std::unique_ptr<TCellObject> object) {
    SetObjects(col, row, std::move(object));
}

QString TBaseGrid::GetGridCells(int col, int row) {
    const TGridCoord read = BaseCell(col, row);
    QString value = Cells(read.X, read.Y);
    if (read.Y < DisplTextRowLimit) GetDisplText(read.X, read.Y, value);
    return value;
}

void TBaseGrid::SetGridCells(int col, int row, const QString& value) {
    const TGridCoord base = BaseCell(col, row);
    SetStoreText(base.X, base.Y, value);
    if (LastRowIsFooter && row == RowCount() - 1) FooterRowChanged();
}

void TBaseGrid::SetStoreText(int storeCol, int row, const QString& text) {
    if (row < 0 || row >= RowCount()) throw EGridError("Grid row out of range");
    CellStore().SetText(storeCol, row, text);
    RepaintStoreCell(storeCol, row);
}

void TBaseGrid::GetDisplText(int col, int row, QString& value) {
    if (OnGetDisplText) OnGetDisplText(this, col, row, value);
}

TGridCoord TBaseGrid::BaseCell(int col, int row) const {
    const TCellProperties* p = CellProperties(col, row);
    return p ? p->BaseCellOf(col, row) : TGridCoord{col, row};
}

bool TBaseGrid::IsBaseCellAt(int col, int row) const {
    const TCellProperties* p = CellProperties(col, row);
    return !p || p->IsBaseCell;
}

bool TBaseGrid::IsBaseCellAt(int col, int row, int& baseCol, int& baseRow) const {
    const TGridCoord base = BaseCell(col, row);
    baseCol = base.X;
    baseRow = base.Y;
    return IsBaseCellAt(col, row);
}

bool TBaseGrid::IsMergedCell(int col, int row) const {
    const TCellProperties* p = CellProperties(col, row);
    return p && (p->CellSpanX > 0 || p->CellSpanY >= 1);
}

bool TBaseGrid::IsHorzMerged(int col, int row) const {
    if (!HasCellProperties(col, row)) return false;
    const TGridCoord base = BaseCell(col, row);
    const TCellProperties* b = CellProperties(base.X, base.Y);
    return b && b->CellSpanX > 0;
}

bool TBaseGrid::IsVertMerged(int col, int row) const {
    if (!HasCellProperties(col, row)) return false;
    const TGridCoord base = BaseCell(col, row);
    const TCellProperties* b = CellProperties(base.X, base.Y);
    return b && b->CellSpanY > 0;
}

TGridCoord TBaseGrid::CellSpan(int col, int row) const {
    const TCellProperties* p = CellProperties(col, row);
    if (!p || p->CellSpanX == -1 || p->CellSpanY == -1) return {0, 0};
    const TGridCoord base = p->BaseCellOf(col, row);
    const TCellProperties* b = CellProperties(base.X, base.Y);
    return b ? TGridCoord{b->CellSpanX, b->CellSpanY} : TGridCoord{0, 0};
}

TRect TBaseGrid::UnclippedCellRect(int col, int row) const {
    auto start = [](int index, int fixedCount, int firstScrolled, auto size) {
        long long pos = 0;
        for (int i = 0; i < index; ++i) pos += size(i);
        if (index >= fixedCount) {
            for (int i = fixedCount; i < firstScrolled; ++i) pos -= size(i);
        }
        return int(pos);
    };
    const int left = start(col, FixedCols(), LeftCol(), [this](int i) { return ColWidths(i); });
    const int top = start(row, FixedRows(), TopRow(), [this](int i) { return RowHeights(i); });
    return Bounds(left, top, ColWidths(col), RowHeights(row));
}

TRect TBaseGrid::CellRectEx(int col, int row) const {
    const int storeCol = StoreCol(col);
    const TCellProperties* p = CellProperties(storeCol, row);
    if (p && (p->CellSpanX != -1 && p->CellSpanY != -1)) {
        const TGridCoord base = p->BaseCellOf(storeCol, row);
        const TGridCoord span = CellSpan(storeCol, row);
        return UnionRect(UnclippedCellRect(ShownCol(base.X), base.Y),
                         UnclippedCellRect(ShownCol(base.X + span.X), base.Y + span.Y));
    }
    if (p && p->Control) return UnclippedCellRect(col, row);
    const TRect shown = CellRect(col, row);
    if (shown.IsEmpty()) return {};
    return Bounds(shown.Left, shown.Top, ColWidths(col), RowHeights(row));
}

TPoint TBaseGrid::CellSize(int col, int row) const {
    const TRect r = CellRectEx(col, row);
    return {r.Width(), r.Height()};
}

void TBaseGrid::ClearPropsRange(int col1, int row1, int col2, int row2) {
    for (int r = std::max(row1, 0); r <= row2 && r < RowCount(); ++r)
        for (int c = std::max(col1, 0); c <= col2; ++c)
            if (Objects(c, r)) SetObjects(c, r, nullptr);
}

void TBaseGrid::ClearAllProps() {
    ClearPropsRange(0, 0, AllColCount() - 1, RowCount() - 1);
}

int TBaseGrid::AllColCount() const {
    return ColCount();
}

std::vector<std::unique_ptr<TCellObject>> TBaseGrid::ClearColCells(int col) {
    std::vector<std::unique_ptr<TCellObject>> detached;
    for (int r = 0; r < RowCount(); ++r) {
        if (auto object = DetachObject(col, r)) detached.push_back(std::move(object));
        SetGridCells(col, r, QString());
    }
    return detached;
}

std::vector<std::unique_ptr<TCellObject>> TBaseGrid::ClearRowCells(int row) {
    std::vector<std::unique_ptr<TCellObject>> detached;
    for (int c = 0; c < ColCount(); ++c) {
        if (auto object = DetachObject(c, row)) detached.push_back(std::move(object));
        SetGridCells(c, row, QString());
    }
    return detached;
}

std::unique_ptr<TCellObject> TBaseGrid::ClearCell(int col, int row) {
    SetGridCells(col, row, QString());
    return DetachObject(col, row);
}

void TBaseGrid::SetCellGraphicObject(int col, int row, std::unique_ptr<TCellGraphic> graphic) {
    GetCellProperties(col, row)->CellGraphic = std::move(graphic);
}

TCellGraphic* TBaseGrid::GetCellGraphicObject(int col, int row) const {
    const TCellProperties* p = CellProperties(col, row);
    return p ? p->CellGraphic.get() : nullptr;
}

void TBaseGrid::RepaintCell(int col, int row) {
    InvalidateRect(CellRectEx(col, row));
}

TGridCoord TBaseGrid::LocateProperties(const TCellProperties& properties, bool visibleOnly) const {
    const TGridCoord seen = properties.seenAt_;
    auto holds = [&](TGridCoord at) {
        return at.X >= 0 && at.Y >= 0 && at.Y < RowCount() && Objects(at.X, at.Y) == &properties;
    };
    if (holds(seen)) return seen;
    TGridCoord found{-1, -1};
    if (visibleOnly) {
        const auto& shown = ShownObjects(false);
        if (auto it = shown.find(&properties); it != shown.end()) found = it->second;
        if (found.X >= 0 && !holds(found)) { // moved since the list was made
            const auto& fresh = ShownObjects(true);
            auto again = fresh.find(&properties);
            found = again != fresh.end() ? again->second : TGridCoord{-1, -1};
        }
    } else {
        for (int r = 0; r < RowCount() && found.X < 0; ++r)
            for (int c = 0; c < AllColCount(); ++c)
                if (Objects(c, r) == &properties) {
                    found = {c, r};
                    break;
                }
    }
    if (found.X >= 0) properties.seenAt_ = found;
    return found;
}

// The objects of the cells that show, each with its cell (a block's base cell also when only its
// members show), made again after each paint and whenever the view has moved or resized. Between
// paints, rows and columns that move invalidate the places they move to, so an object that has
// come into view since the list was made is repainted anyway.
const std::unordered_map<const TCellObject*, TGridCoord>& TBaseGrid::ShownObjects(bool remake) const {
    TShownObjects& s = shownObjects_;
    const std::array<int, 6> view{PaintCount(), TopRow(),   LeftCol(),
                                  RowCount(),   ColCount(), TopRow() + VisibleRowCount()};
    if (!remake && s.View == view) return s.Cells;
    s.View = view;
    s.Cells.clear();
    auto scan = [&](int firstRow, int endRow) {
        for (int r = std::max(firstRow, 0); r < std::min(endRow, RowCount()); ++r)
            for (int c = 0; c < ColCount(); ++c) {
                const int storeCol = StoreCol(c);
                const TCellObject* object = Objects(storeCol, r);
                if (!object) continue;
                s.Cells.emplace(object, TGridCoord{storeCol, r});
                const TGridCoord base = BaseCell(storeCol, r);
                if (base != TGridCoord{storeCol, r})
                    if (const TCellObject* b = Objects(base.X, base.Y)) s.Cells.emplace(b, base);
            }
    };
    scan(0, FixedRows());
    scan(std::max(TopRow(), FixedRows()), TopRow() + VisibleRowCount() + 1);
    return s.Cells;
}

// Nothing is repainted while the grid does not show or holds its painting (the end of the hold
// repaints everything); so only the rows in view need to be looked through.
void TBaseGrid::RepaintProperties(const TCellProperties& properties) {
    if (!isVisible() || UpdateCount() > 0) return;
    const TGridCoord at = LocateProperties(properties, true);
    RepaintStoreCell(at.X, at.Y);
}

void TBaseGrid::RepaintStoreCell(int storeCol, int row) {
    if (!isVisible() || storeCol < 0) return;
    const int shown = ShownCol(storeCol);
    if (shown < ColCount() && StoreCol(shown) == storeCol) RepaintCell(shown, row);
}

bool TBaseGrid::IsFixedCellForDraw(int, int) {
    return false;
}

int TBaseGrid::GetNodeIndent(int) {
    return 0;
}

bool TBaseGrid::HasNodes() {
    return false;
}

void TBaseGrid::FooterRowChanged() {}

void TBaseGrid::GetCellColors(int, int, TVAlignment&, TAlignment&, TFont&, TColor&, TBrush&, bool, bool, bool,
                              TGridDrawState&) {}

// Every merged block lies inside the grid, every cell of it points at its base, and every member
// belongs to a block that covers it; so blocks never overlap.
bool TBaseGrid::Verify() const {
    if (!TStringGrid::Verify()) return false;
    const int cols = AllColCount(), rows = RowCount();
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const TCellProperties* p = CellProperties(c, r);
            if (!p) continue;
            if (p->CellSpanX == -1 || p->CellSpanY == -1) {
                if (!p->IsBaseCell || p->CellSpanX != p->CellSpanY) return false;
                continue;
            }
            if (p->CellSpanX < 0 || p->CellSpanY < 0) return false;
            if (p->IsBaseCell) {
                if (c + p->CellSpanX >= cols || r + p->CellSpanY >= rows) return false;
                for (int y = r; y <= r + p->CellSpanY; ++y)
                    for (int x = c; x <= c + p->CellSpanX; ++x) {
                        if (x == c && y == r) continue;
                        const TCellProperties* m = CellProperties(x, y);
                        if (!m || m->IsBaseCell || m->CellSpanX != x - c || m->CellSpanY != y - r)
                            return false;
                    }
            } else {
                const int bc = c - p->CellSpanX, br = r - p->CellSpanY;
                const TCellProperties* b = CellProperties(bc, br);
                if ((p->CellSpanX == 0 && p->CellSpanY == 0) || !b || !b->IsBaseCell ||
                    b->CellSpanX < p->CellSpanX || b->CellSpanY < p->CellSpanY)
                    return false;
            }
        }
    return true;
}
