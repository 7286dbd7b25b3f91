// The pointer's moves over TVevIvizudEvar, in front of the class library's own move handling:
// the glListView highlight of the header under the pointer, whole rows or columns selected by
// dragging along the headers, the borders of fixed columns, the hover mode that picks the cursor,
// the veto and the look of row and column moves, drags out of the grid, links and anchors under
// the pointer, and the selection-changed notification.
#include "grid/AdvancedGrid.h"

#include "grid/HTMLDraw.h"
#include "grid/TextUtils.h"
#include "platform/ui/Glyphs.h"

namespace {

// Cursors the moves choose; kNone leaves the class library's choice.
enum TOwnCursor { kNone, kSplit, kHand, kRowSelect, kColSelect, kSelectAll };

} // namespace

void TVevIvizudEvar::MouseMove(TShiftState shift, int x, int y) {
    // Cursors set from here on are the grid's own (see viewportEvent).
    struct TOwnCursor {
        bool& Flag;
        bool Was;
        ~TOwnCursor() { Flag = Was; }
    } own{ownCursorChange_, ownCursorChange_};
    ownCursorChange_ = true;
    pointer_ = {x, y};
    pointerInside_ = true;
    if (panning_) return;
    if (resizerDrag_) {
        ResizerMove(x, y);
        return;
    }
    if (leftHeld_ && MouseActions.RangeSelectAndEdit && TBaseGrid::Options().Contains(goEditing)) {
        TGridOptions options = TBaseGrid::Options();
        options.Exclude(goEditing);
        TBaseGrid::SetOptions(options);
    }
    const TGridRect before = Selection();
    const TGridCoord cell = MouseCoord(x, y);
    UpdateHotCell(cell);
    DragSelectHeaders(cell);
    TestFixedBorder(x, y, cell);
    if (fixedSizing_) {
        fixedSizingX_ = x;
        InvalidateGrid();
        ShowSizingHint(x, y);
        return;
    }
    const bool overResizer = IsOverResizer(x, y);
    if (oleDragArmed_ && cell.X >= 0 && cell.Y >= 0 &&
        (std::abs(x - downPoint_.X) > 3 || std::abs(y - downPoint_.Y) > 3) &&
        DragDropSettings.OleDropSource && GridState() != TGridState::gsColSizing && !overResizer) {
        oleDragArmed_ = false;
        StartOleDrag(cell);
        if (GridState() != TGridState::gsSelecting) return;
    }
    const TGridState state = GridState();
    const bool moving = state == TGridState::gsColMoving || state == TGridState::gsRowMoving;
    if (moving && !VetoMove() && EnhRowColMove && !(TPoint{x, y} == downPoint_)) EnhancedMove(x, y, cell);
    int cursor = kNone;
    switch (UpdateHoverMode(x, y, cell)) {
    case 1:
        cursor = kColSelect;
        break;
    case 2:
        cursor = kRowSelect;
        break;
    case 3:
    case 5:
        cursor = kSelectAll;
        break;
    default:
        break;
    }
    if (onFixedBorder_) cursor = kSplit;
    if (TrackAnchors(x, y, cell) && cursor == kNone) cursor = kHand;
    if (hintCell_.X >= 0 && !(cell == hintCell_)) {
        HideHint();
        hintCell_ = {-1, -1};
    }
    if (state == TGridState::gsSelecting && SelectionRectangle() && !(Selection() == frameSelection_)) {
        InvalidateGridRect(Selection());
        frameSelection_ = Selection();
    }
    TBaseGrid::MouseMove(shift, x, y);
    if (Navigation.KeepHorizScroll && leftHeld_ && LeftCol() != pressLeftCol_) {
        BeginUpdateQuiet();
        SetLeftCol(pressLeftCol_);
        ResetUpdate();
        InvalidateGrid();
    }
    ShowSizingHint(x, y);
    ApplyOwnCursor(cursor);
    if (!(Selection() == before)) {
        const TGridRect s = Selection();
        SelectionChanged(s.Left, s.Top, s.Right, s.Bottom);
    }
}

// ---- Highlight, header drags, fixed borders, hover mode ------------------------------------------------

void TVevIvizudEvar::UpdateHotCell(TGridCoord cell) {
    if (look_ != TGridLook::glListView || cell == hotCell_) return;
    const int fixedRows = TBaseGrid::FixedRows(), fixedCols = TBaseGrid::FixedCols();
    auto fixedCell = [&](TGridCoord c) {
        return c.X >= 0 && c.Y >= 0 && (c.X < fixedCols || c.Y < fixedRows);
    };
    if (fixedCell(hotCell_)) RepaintCell(hotCell_.X, hotCell_.Y);
    hotCell_ = cell;
    if (fixedCell(cell)) RepaintCell(cell.X, cell.Y);
}

void TVevIvizudEvar::PointerLeft() {
    pointerInside_ = false;
    if (look_ != TGridLook::glListView) return;
    const TGridCoord hot = hotCell_;
    hotCell_ = {-1, -1};
    if (hot.X >= 0 && hot.Y >= 0) RepaintCell(hot.X, hot.Y);
}

// Dragging along the row (column) headers after a click that selected a row (column) selects
// every row (column) from the clicked one to the one under the pointer; above (left of) the data
// the selection stops at the first data row (column).
void TVevIvizudEvar::DragSelectHeaders(TGridCoord cell) {
    if (headerAnchor_ < 0 || !leftHeld_) return;
    const int fixedRows = TBaseGrid::FixedRows(), fixedCols = TBaseGrid::FixedCols();
    TGridRect selection;
    if (MouseActions.RowSelect && hoverMode_ == 2) {
        if (cell.Y < 0 && pointer_.Y >= 0) return; // below the rows: the selection stays
        const int r = std::max(cell.Y, fixedRows);
        selection = {fixedCols, std::min(headerAnchor_, r), ColCount() - 1, std::max(headerAnchor_, r)};
    } else if (MouseActions.ColSelect && hoverMode_ == 1) {
        if (cell.X < 0 && pointer_.X >= 0) return;
        const int c = std::max(cell.X, fixedCols);
        selection = {std::min(headerAnchor_, c), fixedRows, std::max(headerAnchor_, c), RowCount() - 1};
    } else {
        return;
    }
    if (!(selection == Selection())) SetSelection(selection);
}

// The right border of fixed column i lies after the widths of columns 0..i and the grid lines
// between them; the class library sizes no fixed column, so the grid does with SizeFixedCol.
void TVevIvizudEvar::TestFixedBorder(int x, int, TGridCoord cell) {
    onFixedBorder_ = false;
    if (cell.X < 0 || cell.Y < 0) return;
    int border = 0;
    for (int i = 0; i < TBaseGrid::FixedCols(); ++i) {
        border += ColWidths(i) + (i > 0 ? TCustomGrid::GridLineWidth() : 0);
        if (std::abs(x - border) < 3) {
            fixedBorderCol_ = i;
            onFixedBorder_ = MouseActions.SizeFixedCol;
        }
    }
}

bool TVevIvizudEvar::IsOverResizer(int x, int y) const {
    if (!SelectionResizer || !SelectionRectangle()) return false;
    const TGridRect sel = Selection();
    const TRect r = CellRectEx(sel.Right, sel.Bottom);
    if (r.IsEmpty()) return false;
    return x >= r.Right - 4 && x < r.Right && y >= r.Bottom - 4 && y < r.Bottom;
}

int TVevIvizudEvar::UpdateHoverMode(int x, int y, TGridCoord cell) {
    const int fixedRows = TBaseGrid::FixedRows(), fixedCols = TBaseGrid::FixedCols();
    int mode = 0;
    if (IsOverResizer(x, y)) {
        mode = 5;
    } else if (cell.X >= 0 && cell.Y >= 0) {
        if (cell.Y < fixedRows && cell.X < fixedCols) {
            if (MouseActions.AllSelect) mode = 3;
        } else if (cell.Y < fixedRows) {
            if (MouseActions.ColSelect && !IsSizingPos(x, y)) mode = 1;
        } else if (cell.X < fixedCols) {
            if (MouseActions.RowSelect && !IsSizingPos(x, y) && !OnNodeGlyph(cell, x)) mode = 2;
        }
    }
    hoverMode_ = mode;
    return mode;
}

// ---- Links and anchors under the pointer ---------------------------------------------------------------

bool TVevIvizudEvar::TrackAnchors(int x, int y, TGridCoord cell) {
    if (cell.X < 0 || cell.Y < 0 || cell.X >= ColCount() || cell.Y >= RowCount()) return false;
    const int real = DisplToRealCol(cell.X);
    const QString text = GetGridCells(real, cell.Y);
    const bool html = CellTextKind(text, EnableHTML) == ctkHTML;
    bool hand = URLShow && !html && IsURL(text);
    QString anchor;
    if (html) {
        const THTMLDrawResult hit = HitTestHTML(cell.X, cell.Y, x, y);
        if (hit.Hit) {
            hand = true;
            if (hit.ControlType.isEmpty()) anchor = hit.Anchor;
        }
    }
    if (!anchor.isEmpty()) {
        if (anchor != lastAnchor_) {
            lastAnchor_ = anchor;
            AnchorEnter(cell.Y, real, anchor);
        }
    } else if (!lastAnchor_.isEmpty()) {
        const QString last = lastAnchor_;
        lastAnchor_.clear();
        AnchorExit(cell.Y, real, last);
    }
    return hand;
}

void TVevIvizudEvar::ApplyOwnCursor(int cursor) {
    switch (cursor) {
    case kSplit:
        viewport()->setCursor(Qt::SplitHCursor);
        break;
    case kHand:
        viewport()->setCursor(Qt::PointingHandCursor);
        break;
    case kRowSelect:
        viewport()->setCursor(GlyphCursor(8010));
        break;
    case kColSelect:
        viewport()->setCursor(GlyphCursor(8011));
        break;
    case kSelectAll:
        viewport()->setCursor(GlyphCursor(8012));
        break;
    default:
        break; // the class library's choice stands
    }
}
