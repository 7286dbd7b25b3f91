// The lowest layer of the advanced grid: a string grid whose cells may carry a properties object
// (CellProperties.h), may be merged into rectangular blocks drawn and edited as one cell, and
// whose texts are read and written through the block's base cell with a display-text hook.
//
// Merged blocks: every cell of a block has properties; the base (top-left) cell holds the block's
// extra columns and rows in CellSpanX/CellSpanY, every member its offset from the base. Reading or
// writing any member reaches the base cell. A block is drawn once per paint, by the first of its
// visible cells, over its whole rectangle (CellRectEx), clipped so that it never paints over the
// fixed cells. Right and Down step over a block; Left and Up from a member land next to it.
//
// The grid draws its own grid lines inside the cells (the inherited line width is kept 0), with
// GridLineWidth and GridLineColor; fixed cells get 1-pixel grey lines. Cells are painted by
// DrawCell in a fixed order: background (plain or a 64-band gradient to BrushColorTo), lines,
// then DrawCellText on the rectangle inside the lines.
#pragma once

#include "grid/CellProperties.h"
#include "grid/UndoRedo.h"
#include "platform/ui/StringGrid.h"

#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

using TGetDisplTextEvent = std::function<void(QObject* Sender, int ACol, int ARow, QString& Value)>;

class TBaseGrid : public TStringGrid {
public:
    explicit TBaseGrid(QWidget* parent = nullptr);
    ~TBaseGrid() override;

    // The grid's own drawing flag and grid lines (the inherited ones are kept off and 0).
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool on);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int width);
    TColor GridLineColor() const { return gridLineColor_; }
    void SetGridLineColor(TColor color);
    TVozAvozUndoRedo* UndoRedo() const { return undoRedo_; }
    void SetUndoRedo(TVozAvozUndoRedo* recorder);

    TGetDisplTextEvent OnGetDisplText;
    // True while the last row belongs to a floating footer.
    bool LastRowIsFooter = false;
    // OnGetDisplText applies to rows below this one.
    int DisplTextRowLimit = 0;
    int PaintCount() const { return paintCount_; }

    // The cell's properties, created when the cell has none.
    TCellProperties* GetCellProperties(int col, int row);
    // The cell's properties, or nullptr; never creates them.
    TCellProperties* CellProperties(int col, int row) const;
    bool HasCellProperties(int col, int row) const { return CellProperties(col, row) != nullptr; }
    // Replaces (and frees) the cell's object.
    void SetCellProperties(int col, int row, std::unique_ptr<TCellProperties> properties);
    TCellObject* GetRawObject(int col, int row) const { return Objects(col, row); }
    void SetRawObject(int col, int row, std::unique_ptr<TCellObject> object);
    const QString& GetRawCell(int col, int row) const { return Cells(col, row); }
    void SetRawCell(int col, int row, const QString& text) { SetStoreText(col, row, text); }

    // The text every layer above reads: the base cell's, through GetDisplText below the limit.
    QString GetGridCells(int col, int row);
    void SetGridCells(int col, int row, const QString& value);

    TGridCoord BaseCell(int col, int row) const;
    bool IsBaseCellAt(int col, int row) const;
    bool IsBaseCellAt(int col, int row, int& baseCol, int& baseRow) const;
    bool IsMergedCell(int col, int row) const;
    bool IsHorzMerged(int col, int row) const;
    bool IsVertMerged(int col, int row) const;
    // The base cell's spans; (0, 0) for a cell that is not merged.
    TGridCoord CellSpan(int col, int row) const;
    // The rectangle drawn for the cell: the whole block for a merged cell.
    TRect CellRectEx(int col, int row) const;
    TPoint CellSize(int col, int row) const;
    // A cell's rectangle from the widths and heights alone (also for cells scrolled out of view).
    TRect UnclippedCellRect(int col, int row) const;
    // Merges the block (cut to the grid), splitting the blocks it overlaps first.
    virtual void MergeCells(int col, int row, int numCols, int numRows);
    virtual void SplitCells(int col, int row);
    bool RowsShareMerge(int row1, int row2) const;

    void ClearPropsRange(int col1, int row1, int col2, int row2);
    void ClearAllProps();
    // Columns whose cells are kept: the shown ones and, in the advanced grid, the hidden ones.
    virtual int AllColCount() const;
    // The cell-store column of a shown column and back; the same here, apart in the advanced grid
    // while columns are hidden. Painting and cell rectangles take shown columns.
    virtual int StoreCol(int col) const { return col; }
    virtual int ShownCol(int storeCol) const { return storeCol; }
    // Empty the texts of a column (row, cell); the objects they held are handed to the caller.
    std::vector<std::unique_ptr<TCellObject>> ClearColCells(int col);
    std::vector<std::unique_ptr<TCellObject>> ClearRowCells(int row);
    std::unique_ptr<TCellObject> ClearCell(int col, int row);

    void SetCellGraphicObject(int col, int row, std::unique_ptr<TCellGraphic> graphic);
    TCellGraphic* GetCellGraphicObject(int col, int row) const;

    // Repaints a shown cell (the whole block of a merged one); RepaintStoreCell takes the cell by
    // its store column and repaints it where it shows, nothing while its column is hidden.
    void RepaintCell(int col, int row);
    void RepaintStoreCell(int storeCol, int row);
    // The cell (real column, row) that holds the properties: the one they were last seen in when
    // it still does, else found by looking through the rows that show (visibleOnly) or all rows;
    // (-1, -1) when not found there.
    TGridCoord LocateProperties(const TCellProperties& properties, bool visibleOnly) const;
    // Repaints the block of the cell that holds the properties, when it shows.
    void RepaintProperties(const TCellProperties& properties);
    bool Verify() const override;

protected:
    // Hooks the advanced grid answers.
    virtual bool IsFixedCellForDraw(int col, int row);
    virtual int GetNodeIndent(int row);
    virtual bool HasNodes();
    virtual void DrawCellText(TCanvas& canvas, int col, int row, TGridDrawState state, TRect rect);
    virtual void FooterRowChanged();
    virtual void GetDisplText(int col, int row, QString& value);
    // The cell's brush, font, gradient end colour and alignment; the base grid changes nothing.
    virtual void GetCellColors(int col, int row, TVAlignment& vAlign, TAlignment& hAlign, TFont& font,
                               TColor& colorTo, TBrush& brush, bool convertCol, bool selecting, bool printing,
                               TGridDrawState& state);

    void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
    void Paint(const TRect& dirty) override;
    bool SelectCell(int col, int row) override;
    void TopLeftChanged() override;
    bool DoMouseWheelDown(TShiftState shift, TPoint pos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint pos) override;

public:
    void KeyDown(int& key, TShiftState shift) override;

protected:
    // Moves the current cell to its block's base cell.
    void SnapToBaseCell();
    // Writes a block's spans into its cells (nothing checked), and makes every cell of the block of
    // (col, row) a plain cell again.
    void SetMergedBlock(int col, int row, int numCols, int numRows);
    void ClearMergedBlock(int col, int row);
    void RepaintMergedCellsAtEdges();

private:
    void DrawCellLines(const TRect& rect, int col, int row, bool fixed);
    void StepBeforeKey(int key);
    // Writes a text into the store and repaints the cell where it shows.
    void SetStoreText(int storeCol, int row, const QString& text);

    bool defaultDrawing_ = false;
    int gridLineWidth_ = 1;
    TColor gridLineColor_ = clSilver;
    TVozAvozUndoRedo* undoRedo_ = nullptr;
    int paintCount_ = 0;
    // The objects of the cells that show, for finding properties whose cell has moved.
    struct TShownObjects {
        std::array<int, 6> View{-1, -1, -1, -1, -1, -1};
        std::unordered_map<const TCellObject*, TGridCoord> Cells;
    };
    mutable TShownObjects shownObjects_;
    const std::unordered_map<const TCellObject*, TGridCoord>& ShownObjects(bool remake) const;
};
