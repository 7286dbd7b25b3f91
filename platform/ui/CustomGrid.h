// The class library's grid control on a QAbstractScrollArea: rows and columns with fixed ones at
// the top and left, sizes, scrolling by whole cells, a current cell and a selection with its
// anchor, a cell-by-cell paint callback, keyboard and mouse handling, sizing and moving of rows
// and columns, and an in-place editor.
//
// Derived grids change behaviour by overriding the virtual members, as they would in the class
// library: DrawCell, SelectCell, KeyDown, KeyPress, MouseDown, CanEditShow, GetEditText, ...
// Coordinates are pixels of the viewport (the client area). The scroll bars move by whole rows
// and columns: their values are TopRow and LeftCol.
//
// Behaviour kept from the class library, where a Qt widget would do otherwise:
// - Arrow keys, PgUp/PgDn, Home/End and Ctrl with them move the current cell as the class
//   library's grid does; Shift extends the selection with goRangeSelect.
// - Changing the current cell asks SelectCell (OnSelectCell may veto), then hides the editor
//   (writing its text back) unless goAlwaysShowEditor.
// - With goEditing, typing a character or F2 opens the editor; typing starts it with that
//   character. Enter opens or closes it. Escape in the editor puts back the text the cell had when
//   the editor opened and closes it. Without an open editor Escape goes on to the window, whose
//   Cancel it is (WantsEscape).
// - With goTabs (and without goRowSelect) Tab and Shift+Tab walk the cells; otherwise the focus
//   moves on to the next control.
// - Dragging a fixed-row border with goColSizing sizes that column (ColWidthsChanged once when
//   released); with goColMoving, dragging a fixed-row cell moves its column (texts, objects and
//   width travel). Rows likewise.
//
// Sound behaviour where the class library had none: CellRect of a cell that does not show is
// empty; TopRow and LeftCol are kept within the scrollable range; exceptions never leave a Qt
// event handler (see UiBoundary.h).
#pragma once

#include "platform/ui/Canvas.h"
#include "platform/ui/GridAxis.h"
#include "platform/ui/GridTypes.h"

#include <QAbstractScrollArea>
#include <QPointer>
#include <QTimer>

class TInplaceEdit;

class TCustomGrid : public QAbstractScrollArea {
public:
    explicit TCustomGrid(QWidget* parent = nullptr);
    ~TCustomGrid() override;

    // Counts. A count below 1 becomes 1; the fixed count is kept below the count.
    int ColCount() const { return cols_.Count(); }
    void SetColCount(int count);
    int RowCount() const { return rows_.Count(); }
    void SetRowCount(int count);
    int FixedCols() const { return fixedCols_; }
    // Raises EGridError when not below the count.
    void SetFixedCols(int count);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int count);

    // Sizes. Setting a default size gives every column (row) that size.
    int DefaultColWidth() const { return cols_.DefaultSize(); }
    void SetDefaultColWidth(int width);
    int DefaultRowHeight() const { return rows_.DefaultSize(); }
    void SetDefaultRowHeight(int height);
    int ColWidths(int col) const { return cols_.Size(col); }
    void SetColWidths(int col, int width);
    int RowHeights(int row) const { return rows_.Size(row); }
    void SetRowHeights(int row, int height);
    int GridLineWidth() const { return lineWidth_; }
    void SetGridLineWidth(int width);

    TGridOptions Options() const { return options_; }
    virtual void SetOptions(TGridOptions options);

    // The current cell; setting it runs SelectCell and may be vetoed.
    int Col() const { return current_.X; }
    void SetCol(int col);
    int Row() const { return current_.Y; }
    void SetRow(int row);
    TGridRect Selection() const;
    void SetSelection(const TGridRect& selection);
    TGridCoord Anchor() const { return anchor_; }

    int TopRow() const { return topLeft_.Y; }
    void SetTopRow(int row);
    int LeftCol() const { return topLeft_.X; }
    void SetLeftCol(int col);
    // Rows (columns) after the fixed ones that show whole; at least 1.
    int VisibleRowCount() const;
    int VisibleColCount() const;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor color);
    TFont& Font() { return font_; }
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool on);
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool on);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle bars);
    TGridBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TGridBorderStyle style);

    // Geometry. CellRect is empty for a cell that does not show and cut at the client edge.
    TRect CellRect(int col, int row) const;
    // The cell under a client point; (-1, -1) outside the cells.
    TGridCoord MouseCoord(int x, int y) const;
    void MouseToCell(int x, int y, int& col, int& row) const;
    int ClientWidth() const;
    int ClientHeight() const;

    // Painting.
    TCanvas& Canvas() { return canvas_; }
    void InvalidateCell(int col, int row);
    void InvalidateRow(int row);
    void InvalidateCol(int col);
    void InvalidateGridRect(const TGridRect& cells);
    void InvalidateGrid();
    // Repaints a part of the client area (pixels).
    void InvalidateRect(const TRect& area);
    // Paints the whole client area through a device (tests record or render it this way).
    void RenderTo(TCanvasDevice& device);
    // While the count is above 0 nothing is repainted; the last EndUpdate repaints all.
    virtual void BeginUpdate();
    virtual void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    // The in-place editor.
    bool EditorMode() const { return editorMode_; }
    // Whether Escape has something to cancel in the grid (an open editor); otherwise it goes on.
    virtual bool WantsEscape() const;
    void SetEditorMode(bool on);
    void ShowEditor();
    void HideEditor();
    void ShowEditorChar(QChar ch);
    TInplaceEdit* InplaceEditor() const;
    // The editor's text changed: it is written to the cell being edited (SetEditText).
    void EditorChanged();

    // Structure: the cell contents follow through ColumnMoved / RowMoved.
    void MoveColumn(int from, int to);
    void MoveRow(int from, int to);
    virtual void DeleteColumn(int col);
    virtual void DeleteRow(int row);

    TGridState GridState() const { return gridState_; }
    // One tick of the 60 ms timer that scrolls while selecting or moving past the edge.
    void ScrollTimerTick();
    // Whether the grid or one of its children (the editor) has the keyboard focus.
    bool IsActiveControl() const;
    // Gives the focus to the next (previous) control of the window, as Tab past the grid would.
    void FocusNextControl(bool forward);
    // Internal consistency of counts, current cell, anchor, top-left and editor; for tests.
    virtual bool Verify() const;

    // Control events.
    TNotifyEvent OnClick, OnDblClick, OnEnter, OnExit;
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TMouseWheelUpDownEvent OnMouseWheelDown, OnMouseWheelUp;

    // Keyboard entry points, also used by the in-place editor to hand keys to the grid.
    virtual void KeyDown(int& key, TShiftState shift);
    virtual void KeyPress(QChar& key);
    virtual void KeyUp(int& key, TShiftState shift);
    // The character message: with goEditing a typed character opens the editor with it,
    // otherwise it goes to KeyPress.
    virtual void CharMessage(QChar ch);

    // Edit texts of a cell, asked by the in-place editor.
    virtual QString GetEditText(int col, int row);
    virtual void SetEditText(int col, int row, const QString& value);
    virtual QString GetEditMask(int col, int row);
    // Maximum text length of the editor; 0 for none.
    virtual int GetEditLimit();
    virtual bool CanEditAcceptKey(QChar key);
    virtual bool CanEditModify();

protected:
    struct TDrawInfo {
        TGridAxisInfo Horz, Vert;
    };
    TDrawInfo CalcDrawInfo() const;

    virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state);
    virtual bool SelectCell(int col, int row);
    virtual void Paint(const TRect& dirty);
    virtual void ColumnMoved(int from, int to);
    virtual void RowMoved(int from, int to);
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void SizeChanged(int oldColCount, int oldRowCount);
    virtual void TopLeftChanged();

    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    // One wheel notch (delta ±120); the default moves the current row by one.
    virtual bool DoMouseWheel(TShiftState shift, int delta, TPoint pos);
    virtual bool DoMouseWheelDown(TShiftState shift, TPoint pos);
    virtual bool DoMouseWheelUp(TShiftState shift, TPoint pos);
    virtual void Click();
    virtual void DblClick();
    virtual void DoEnter();
    virtual void DoExit();

    virtual bool CanEditShow();
    virtual bool CanGridAcceptKey(int key, TShiftState shift);
    virtual TInplaceEdit* CreateEditor();
    virtual void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs);
    virtual bool BeginColumnDrag(int& origin, int& destination, TPoint mouse);
    virtual bool CheckColumnDrag(int& origin, int& destination, TPoint mouse);
    virtual bool EndColumnDrag(int& origin, int& destination, TPoint mouse);
    virtual bool BeginRowDrag(int& origin, int& destination, TPoint mouse);
    virtual bool CheckRowDrag(int& origin, int& destination, TPoint mouse);
    virtual bool EndRowDrag(int& origin, int& destination, TPoint mouse);

    // The current cell moves (after SelectCell agrees); MoveAnchor false extends the selection.
    void FocusCell(int col, int row, bool moveAnchor);
    void MoveCurrent(int col, int row, bool moveAnchor, bool show);
    void MoveAnchor(TGridCoord anchor);
    void MoveTopLeft(int left, int top);
    void ClampInView(TGridCoord cell);
    void UpdateEdit();
    void UpdateText();
    void HideEdit();
    void SetGridState(TGridState state) { gridState_ = state; }
    // The column or row being sized and the guide's position; the one being moved and its target.
    int SizingIndex() const { return sizingIndex_; }
    int SizingPos() const { return sizingPos_; }
    int MoveIndex() const { return moveIndex_; }
    int MovePos() const { return movePos_; }
    // The 60 ms timer that scrolls while selecting or moving.
    QTimer& ScrollTimer() { return scrollTimer_; }
    // Ends every update at once (without repainting).
    void ResetUpdateCount() { updateCount_ = 0; }
    // Every column width (row height) at once, for structural changes that shift them; the list
    // must have one size per column (row). No size-change notification follows.
    std::vector<int> LineSizes(bool columns) const;
    void SetLineSizes(bool columns, const std::vector<int>& sizes);
    // The same shifts without copying every size: count entries of the default size (or of size,
    // when one is given) put in at `at`, or count entries taken out there; the count of entries
    // stays, the entries at the end making up for them (dropped, or added with the default size).
    void InsertLineSizes(bool columns, int at, int count, int size = -1);
    void EraseLineSizes(bool columns, int at, int count);

    // Qt events.
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool next) override;

private:
    void ChangeSize(int colCount, int rowCount);
    void SetFixedCount(int& field, int count, int total, const char* refusal);
    void SetLineSize(bool columns, int index, int size);
    void MoveLine(bool columns, int from, int to);
    bool WheelStep(bool down, TShiftState shift, TPoint pos);
    void SelectionMoved(const TGridRect& oldSelection);
    void TopLeftMoved(TGridCoord oldTopLeft);
    void UpdateScrollRange();
    void UpdateScrollPos();
    TGridCoord MaxTopLeft() const;
    void FocusChanged(QWidget* old, QWidget* now);
    void KeyNavigate(int key, TShiftState shift);
    void TabStep(TGridCoord& cell, bool backwards) const;
    void MouseDownLeft(TShiftState shift, int x, int y);
    void MoveAndScroll(int mouse, int cell, bool columns);
    void FinishSizing();
    void FinishMoving(TPoint mouse);
    void DrawLines(const TDrawInfo& info);
    void DrawAxisLines(const TGridAxisInfo& major, const TGridAxis& axis, int firstCell, int majorStart,
                       int majorStop, int minorStart, int minorStop, bool vertical, TColor color);
    void DrawCells(const TDrawInfo& info, TGridCoord first, TPoint start, TPoint stop, TColor color,
                   TGridDrawState include, const TRect& dirty);
    void DrawOverlay(const TDrawInfo& info);
    void PaintThrough(TCanvasDevice& device, const TRect& dirty);

    TGridAxis cols_{5, 64};
    TGridAxis rows_{5, 24};
    int fixedCols_ = 1, fixedRows_ = 1;
    int lineWidth_ = 1;
    TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TGridCoord current_{1, 1}, anchor_{1, 1}, topLeft_{1, 1};
    TColor color_ = clWindow, fixedColor_ = clBtnFace;
    TFont font_;
    bool defaultDrawing_ = true, ctl3D_ = true;
    TScrollStyle scrollBars_ = TScrollStyle::ssBoth;
    TGridBorderStyle borderStyle_ = TGridBorderStyle::bsSingle;
    TCanvas canvas_;
    int updateCount_ = 0;

    TGridState gridState_ = TGridState::gsNormal;
    int sizingIndex_ = -1, sizingPos_ = 0, sizingOfs_ = 0;
    int moveIndex_ = -1, movePos_ = -1;
    TPoint lastMouse_;
    QTimer scrollTimer_;
    int wheelRemainder_ = 0;

    QPointer<TInplaceEdit> inplaceEdit_;
    int inplaceCol_ = -1, inplaceRow_ = -1;
    bool editorMode_ = false;
    bool focusWithin_ = false;
    bool syncingScrollBars_ = false;
    QMetaObject::Connection focusConnection_;
};
