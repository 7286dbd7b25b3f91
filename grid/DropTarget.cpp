// Drops into TVevIvizudEvar: the drop target it registers while DragDropSettings.OleDropTarget is
// on, Qt's drag events handed to it, and what the grid does with dropped text, rich text, a column
// and files.
//
// Text from another program is weighed at the drop, where it is read once: a drag over the grid
// shows it as a copy, taken where some cell of a one-cell text would be written. Text this program
// holds is weighed when the drag enters.
//
// Dropped text fills as many rows as it has lines (a last line without a line break counts):
// with OleInsertRows that many rows are inserted at the drop row first, and a drag of this grid's
// own cells follows its rows through the insertion, so that a move removes or clears the rows the
// cells came from and never the dropped ones. A drop of text that leaves cells of it unwritten is
// answered as a copy, never a move: the sender keeps what the grid did not take; one that writes
// none of them (and inserts no rows) is refused.
#include "grid/AdvancedGrid.h"
#include "grid/ClipboardTextFormat.h"
#include "grid/GridDragDrop.h"
#include "grid/PopupWindows.h"
#include "platform/os/LngText.h"
#include "platform/ui/UiBoundary.h"
#include "platform/ui/UiServices.h"

#include <QDropEvent>
#include <QFileInfo>

namespace {

// The cell's rectangle on the screen (empty when the cell does not show).
TRect ScreenRect(const TVevIvizudEvar& grid, int col, int row) {
    const TRect r = grid.CellRect(col, row);
    if (r.IsEmpty()) return r;
    const QPoint p = grid.viewport()->mapToGlobal(QPoint(r.Left, r.Top));
    return Bounds(p.x(), p.y(), r.Width(), r.Height());
}

// Hides the markers when it goes, whatever ended the drop.
struct THideMarkers {
    TVevIvizudEvar& Grid;
    ~THideMarkers() {
        for (int direction = 0; direction < 4; ++direction) Grid.DropMarker(direction)->hide();
    }
};

} // namespace

// ---- Registration and Qt's drag events ------------------------------------------------------------

void TVevIvizudEvar::InitDragDrop() {
    TDragDropSettings& s = DragDropSettings;
    s.OleDropTarget.Bind([this](const bool& on) { SetOleDropTarget(on); });
    // A grid that takes text takes dragged columns too; OnOleDropCol says what becomes of them.
    s.OleAcceptText.Bind([this](const bool& on) {
        DragDropSettings.OleAcceptText.Store(on);
        if (dropTarget_) dropTarget_->AcceptText = dropTarget_->AcceptColumns = on;
    });
    s.OleAcceptFiles.Bind([this](const bool& on) {
        DragDropSettings.OleAcceptFiles.Store(on);
        if (dropTarget_) dropTarget_->AcceptFiles = on;
    });
    s.OleDropRTF.Bind([this](const bool& on) {
        DragDropSettings.OleDropRTF.Store(on);
        if (dropTarget_) dropTarget_->RichTextFlag = on;
    });
}

void TVevIvizudEvar::SetOleDropTarget(bool on) {
    DragDropSettings.OleDropTarget.Store(on);
    if (on && !dropTarget_) {
        auto target = std::make_unique<TGridDropTarget>(*this);
        target->AcceptText = target->AcceptColumns = DragDropSettings.OleAcceptText;
        target->AcceptFiles = DragDropSettings.OleAcceptFiles;
        target->RichTextFlag = DragDropSettings.OleDropRTF;
        dropTarget_ = std::move(target);
    } else if (!on && dropTarget_) {
        HideDropMarkers();
        dropTarget_.reset();
    }
    // Drags reach a scroll area through its viewport.
    viewport()->setAcceptDrops(on);
}

TPoint TVevIvizudEvar::DropPoint(const QPointF& viewportPos) const {
    return FromQPoint(viewport()->mapToGlobal(viewportPos.toPoint()));
}

void TVevIvizudEvar::dragEnterEvent(QDragEnterEvent* e) {
    e->ignore();
    if (dropTarget_) GuardUi([&] { dropTarget_->DragEnter(*e, DropPoint(e->position())); });
}

void TVevIvizudEvar::dragMoveEvent(QDragMoveEvent* e) {
    e->ignore();
    if (dropTarget_) GuardUi([&] { dropTarget_->DragOver(*e, DropPoint(e->position())); });
}

void TVevIvizudEvar::dragLeaveEvent(QDragLeaveEvent* e) {
    e->accept();
    if (dropTarget_) GuardUi([&] { dropTarget_->DragLeave(); });
}

void TVevIvizudEvar::dropEvent(QDropEvent* e) {
    e->ignore();
    if (dropTarget_) GuardUi([&] { dropTarget_->Drop(*e, DropPoint(e->position())); });
}

bool TVevIvizudEvar::MayDropText() const {
    return TBaseGrid::Options().Contains(goEditing) || editingSwitched_ || Navigation.AllowClipboardAlways ||
           MouseActions.RangeSelectAndEdit;
}

// ---- The target's hooks ---------------------------------------------------------------------------

void TGridDropTarget::DragMouseEnter(const TEnumFormats& found, bool& allow) {
    const int formats = found.Formats();
    dragged_ = {};
    dragged_.Column = (formats & dfGridColumn) && AcceptColumns;
    const bool textSide = !(formats & dfGridColumn) && AcceptText;
    dragged_.RichText = textSide && (formats & dfRichText) && RichTextFlag;
    if (textSide && !dragged_.RichText && (formats & dfText)) {
        dragged_.Text = true;
        if (!found.FromAnotherProgram()) {
            const TClipboardTextSize size = MeasureClipboardText(found.Text());
            dragged_.Lines = size.Lines;
            dragged_.Widest = size.Widest;
            dragged_.Text = dragged_.Measured = size.Lines > 0;
        }
    }
    if ((formats & dfFiles) && AcceptFiles && found.Files().size() == 1) {
        const QString name = QFileInfo(found.Files().front()).fileName().toUpper();
        dragged_.File = name.contains(QStringLiteral(".CSV")) || name.contains(QStringLiteral(".XLS"));
    }
    const bool textSomewhere = dragged_.Text && grid_.MayDropText() &&
                               (!dragged_.Measured || grid_.PasteFits(0, dragged_.Lines, dragged_.Widest));
    if (!textSomewhere && !dragged_.RichText && !dragged_.File && !dragged_.Column) allow = false;
}

// Whether a drop at the cell writes any of the text dragged over, and whether it writes all of it.
// The cells it reaches in the grid's rows are each asked (MayPasteInto), as the paste asks them,
// kCellsAsked of them at most: beyond, the text counts as taken in part. Rows and columns added for
// the text take it right of the fixed columns. Lines narrower than the widest count as wide as it.
// A text not weighed yet counts as one cell, never taken whole.
bool TGridDropTarget::TextTakenAt(TGridCoord cell, bool& whole) const {
    constexpr qint64 kCellsAsked = 4096;
    TVevIvizudEvar& g = grid_;
    whole = false;
    const qint64 lines = dragged_.Measured ? dragged_.Lines : 1,
                 widest = dragged_.Measured ? dragged_.Widest : 1;
    if (!g.MayDropText()) return false;
    int col = cell.X, row = cell.Y;
    if (g.TBaseGrid::Options().Contains(goRowSelect))
        col = g.DragDropSettings.OleEntireRows ? 0 : g.FixedCols();
    if (row == 0 && g.RowCount() == 1 && g.FixedRowAlways) row = 1;
    if (!g.PasteFits(col, lines, widest)) return false;
    const bool insert = g.DragDropSettings.OleInsertRows;
    const qint64 lastRow = row + lines - 1, lastCol = col + widest - 1;
    // Rows inserted above a row of the grid take the text as that row does; below the last one, or
    // added at the end, as added rows do.
    const bool asTarget = insert && row < g.RowCount();
    // A paste adds rows above the footer rows for the lines beyond the data rows.
    const int dataEnd = g.DataRowEnd();
    const bool rowsAdded =
        insert ? !asTarget : g.Navigation.AllowClipboardRowGrow && row < dataEnd && lastRow >= dataEnd;
    const bool colsAdded = g.Navigation.AllowClipboardColGrow && lastCol >= g.ColCount();
    bool some = false;
    bool all = (insert || rowsAdded || lastRow < g.RowCount()) && (colsAdded || lastCol < g.ColCount());
    const int lastGridCol = int(std::min<qint64>(lastCol, g.ColCount() - 1));
    const int lastGridRow = insert      ? (asTarget ? row : row - 1)
                            : rowsAdded ? dataEnd - 1
                                        : int(std::min<qint64>(lastRow, g.RowCount() - 1));
    qint64 asked = 0;
    for (int r = row; r <= lastGridRow && asked <= kCellsAsked; ++r)
        for (int c = col; c <= lastGridCol && ++asked <= kCellsAsked; ++c) {
            const bool written = g.MayPasteInto(c, r);
            some = some || written;
            all = all && written;
        }
    if (asked > kCellsAsked) some = true, all = false;
    const bool dataCols = lastCol >= g.FixedCols() || g.Navigation.AllowClipboardAlways;
    if ((rowsAdded || colsAdded) && dataCols) some = true;
    if (rowsAdded && col < g.FixedCols() && !g.Navigation.AllowClipboardAlways) all = false;
    whole = some && all && dragged_.Measured;
    return some;
}

void TGridDropTarget::DragMouseMove(TPoint screen, bool& allow, int formats) {
    TVevIvizudEvar& g = grid_;
    const TGridCoord cell = g.CellFromScreen(screen);
    const bool column = (formats & dfGridColumn) != 0;
    if (cell.X < 0 || cell.Y < 0) {
        allow = false;
        g.HideDropMarkers();
        return;
    }
    if (column) {
        allow = allow && cell.Y < g.FixedRows() && cell.X >= g.FixedCols();
    } else {
        if (cell.Y == 0 && g.TopRow() > g.TBaseGrid::FixedRows())
            g.SetTopRow(g.TopRow() - 1);
        else if (cell.Y == g.TopRow() + g.VisibleRowCount())
            g.SetTopRow(g.TopRow() + 1);
        if (cell.Y < g.FixedRows() && !(g.RowCount() == 1 && g.FixedRowAlways)) allow = false;
        bool whole = true;
        const bool text = allow && dragged_.Text && TextTakenAt(cell, whole);
        if (!text && !dragged_.RichText && !dragged_.File) allow = false;
        if (text && !whole) InPart();
    }
    g.OleDragOver(cell.Y, g.DisplToRealCol(cell.X), allow);
    if (!allow) {
        g.HideDropMarkers();
        return;
    }
    TArrowWindow* const* markers = g.dropMarkers_;
    if (column) {
        const TRect r = ScreenRect(g, cell.X, cell.Y);
        markers[1]->move(r.Left, r.Top - 8);
        markers[0]->move(r.Left, r.Bottom);
        markers[0]->setVisible(!r.IsEmpty());
        markers[1]->setVisible(!r.IsEmpty());
        markers[2]->hide();
    } else {
        const TRect r = ScreenRect(g, g.DragDropSettings.OleEntireRows ? g.FixedCols() : cell.X, cell.Y);
        markers[2]->move(r.Left - 10, r.Top);
        markers[2]->setVisible(!r.IsEmpty());
        markers[0]->hide();
        markers[1]->hide();
    }
    markers[3]->hide();
}

void TGridDropTarget::DragMouseLeave() {
    grid_.HideDropMarkers();
}

// The text goes to the cell under the point; in row-select mode to column 0 (OleEntireRows) or
// FixedCols. Refused by OnOleDrop or by a grid that takes no pasted text, nothing changes.
void TGridDropTarget::DropText(TPoint screen, const QString& text) {
    TVevIvizudEvar& g = grid_;
    THideMarkers hide{g};
    const TGridCoord cell = g.CellFromScreen(screen);
    if (cell.X < 0 || cell.Y < 0) return;
    int col = cell.X, row = cell.Y;
    if (g.TBaseGrid::Options().Contains(goRowSelect))
        col = g.DragDropSettings.OleEntireRows ? 0 : g.FixedCols();
    bool allow = true;
    g.OleDrop(row, g.DisplToRealCol(col), text, allow);
    if (!allow || !g.MayDropText()) return;
    const TClipboardTextSize size = MeasureClipboardText(text);
    if (row == 0 && g.RowCount() == 1 && g.FixedRowAlways) row = 1;
    // Counted as a paste is before the rows are inserted; a paste that fails takes them back.
    const QString refusal = TrText(LngText("O texto arrastado é grande demais para ser colado"));
    g.CheckPasteSize(col, size.Lines, size.Widest, refusal);
    const int lines = int(size.Lines);
    const bool insert = g.DragDropSettings.OleInsertRows && lines > 0;
    const int top = g.TopRow();
    bool inserted = false;
    int pasted = 0;
    try {
        if (insert) {
            row = std::min(row, g.RowCount());
            g.InsertRows(row, lines);
            inserted = true;
            g.DragRowsInserted(row, lines);
            if (top > g.TBaseGrid::FixedRows()) g.SetTopRow(top + 1);
        }
        pasted = g.PasteTextFrom(col, row, text, refusal);
    } catch (...) {
        if (inserted) {
            g.EraseDisplayRows(row, lines);
            g.DragRowsInserted(row, -lines);
            g.SetTopRow(std::min(top, g.RowCount() - 1));
        }
        throw;
    }
    if (pasted == g.pasteLeftOut_ && !insert) return; // no cell written: nothing was taken
    const int left = std::min(std::max(col, g.FixedCols()), g.ColCount() - 1);
    const TGridRect area{left, std::min(row, g.RowCount() - 1),
                         std::clamp(col + std::max(int(size.Widest), 1) - 1, left, g.ColCount() - 1),
                         std::clamp(row + std::max(lines, 1) - 1, 0, g.RowCount() - 1)};
    g.SetSelection(area);
    if (g.cellDrag_.Running) g.cellDrag_.Dropped = area;
    Taken(g.pasteLeftOut_ == 0);
    g.HideDropMarkers();
    g.OleDropped(area);
}

void TGridDropTarget::DropRTF(TPoint screen, const QString& richText) {
    TVevIvizudEvar& g = grid_;
    THideMarkers hide{g};
    const TGridCoord cell = g.CellFromScreen(screen);
    if (cell.X < 0 || cell.Y < 0) return;
    const int realCol = g.DisplToRealCol(cell.X);
    bool allow = true;
    g.OleDrop(cell.Y, realCol, richText, allow);
    if (!allow) return;
    g.SetGridCells(realCol, cell.Y, richText);
    if (g.cellDrag_.Running) g.cellDrag_.Dropped = TGridRect{cell.X, cell.Y, cell.X, cell.Y};
    Taken();
}

void TGridDropTarget::DropCol(TPoint screen, int column) {
    TVevIvizudEvar& g = grid_;
    g.HideDropMarkers();
    g.DragImage()->hide();
    const TGridCoord cell = g.CellFromScreen(screen);
    Taken();
    g.OleDropCol(cell.Y, cell.X < 0 ? cell.X : g.DisplToRealCol(cell.X), column);
}

// One file only. Its name (upper-cased, without its folder) holding ".CSV" loads it as delimited
// text, holding ".XLS" through the workbook loader; OnOleDropFile and then OnOleDrop (row and
// column -1) may refuse each load.
void TGridDropTarget::DropFiles(TPoint screen, const QStringList& files) {
    TVevIvizudEvar& g = grid_;
    THideMarkers hide{g};
    if (files.size() != 1) return;
    const QString& file = files.front();
    const TGridCoord cell = g.CellFromScreen(screen);
    bool allow = true;
    g.OleDropFile(cell.Y, cell.X < 0 ? cell.X : g.DisplToRealCol(cell.X), file, allow);
    if (!allow) return;
    const QString name = QFileInfo(file).fileName().toUpper();
    if (name.contains(QStringLiteral(".CSV"))) {
        bool load = true;
        g.OleDrop(-1, -1, file, load);
        if (load) {
            g.LoadFromCSV(file);
            Taken();
        }
    }
    if (name.contains(QStringLiteral(".XLS"))) {
        bool load = true;
        g.OleDrop(-1, -1, file, load);
        if (load) {
            g.LoadFromXLS(file);
            Taken();
        }
    }
}

// ---- Dispatchers ----------------------------------------------------------------------------------

void TVevIvizudEvar::OleDragOver(int row, int col, bool& allow) {
    if (OnOleDragOver) OnOleDragOver(this, row, col, allow);
}

void TVevIvizudEvar::OleDrop(int row, int col, const QString& data, bool& allow) {
    if (OnOleDrop) OnOleDrop(this, row, col, data, allow);
}

void TVevIvizudEvar::OleDropped(const TGridRect& area) {
    if (OnOleDropped) OnOleDropped(this, area);
}

void TVevIvizudEvar::OleDropCol(int row, int col, int dropCol) {
    if (OnOleDropCol) OnOleDropCol(this, row, col, dropCol);
}

void TVevIvizudEvar::OleDropFile(int row, int col, const QString& fileName, bool& allow) {
    if (OnOleDropFile) OnOleDropFile(this, row, col, fileName, allow);
}
