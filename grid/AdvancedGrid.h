// TVevIvizudEvar: the advanced string grid the programming screens place on their windows.
//
// It stands on TBaseGrid (merged cells, cell properties, display-text hook) and adds:
// - construction with the defaults and settings objects of the grid family (GridSettings.h);
// - cell access in two numberings: display columns (what shows) and real columns (hidden ones
//   included); typed reads and writes (Ints, Floats, Dates); hidden rows kept in a store; a
//   filter; column widths kept in an INI file or the settings store; the current-row events;
// - its own painting of each cell: colours, looks of the fixed cells, the selection models, the
//   text by its kind (plain, mini-HTML, rich text, wide), borders, focus rectangle; measuring
//   cells, sizing columns and rows to their content and column calculations;
// - in-cell editing: the editor kind asked per cell (OnGetEditorType), the text editor or an
//   editor control over the cell, the value written back, validation (OnCellValidate) and undo;
// - keyboard handling with Tab walks, skipping fixed cells and advancing after Enter;
// - sorting, and the clipboard: text, rich text and the grid's own format, a cell stream that
//   also saves and loads blocks of cells (CellStream.h);
// - cell graphics and row nodes, hidden columns, import, the mouse, drag and drop, hints and the
//   floating footer, each in files of its own named for it.
#pragma once

#include "grid/BaseGrid.h"
#include "grid/ColumnVisibility.h"
#include "grid/EditorEvents.h"
#include "grid/GridEvents.h"
#include "grid/GridLists.h"
#include "grid/GridSettings.h"
#include "grid/NumberDateUtils.h"
#include "grid/TextsBefore.h"
#include "grid/vzgcheck.h"
#include "grid/vzgdd.h"

#include <QCursor>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <memory>
#include <optional>
#include <set>

class QIODevice;
class QLineEdit;
class TWorkbookValues;
class WorkbookSource;
class QTextDocument;
class TArrowWindow;
class TControlCombo;
class TControlEdit;
class TGridButton;
class TGridCheckBox;
class TGridCombo;
class THintWindow;
class TPopupButton;
struct THTMLDrawResult;
class TGridDatePicker;
class TGridEditBtn;
class TGridSpin;
class TGridTransEdit;
class TGridUniCombo;
class TGridUniEdit;
class TGridUnitEditBtn;
class THTMLPictureCache;
class TPictureContainer;
class TVozErivuzaRive;

// A row kept out of the grid while it is hidden: its real number, height and cells.
struct TGridItem {
    int Idx = 0;
    int Height = 0;
    TGridLine Items;
};

class TVevIvizudEvar : public TBaseGrid {
public:
    explicit TVevIvizudEvar(QWidget* parent = nullptr);
    ~TVevIvizudEvar() override;

    // ---- Construction and settings --------------------------------------------------------------
    // What the grid does once its owner has set it up: headers written, column widths loaded
    // (ColumnSize.Save), the fixed-row count and row height remembered.
    void Loaded();
    // goAlwaysShowEditor is taken as Navigation.AlwaysEdit (the grid keeps its editor open itself).
    void SetOptions(TGridOptions options) override;

    TNavigation Navigation;
    TMouseActions MouseActions;
    TColumnSize ColumnSize;
    TCellNode CellNode;
    TSizeWhileTyping SizeWhileTyping;
    TSortSettings SortSettings{this};
    TDragDropSettings DragDropSettings;
    TControlLook ControlLook;
    TBands Bands;
    TBackGround BackGround;
    TFloatingFooter FloatingFooter;
    TGrouping Grouping;
    TFilter Filter{this};
    THTMLSettings HTMLSettings;
    TPrintSettings PrintSettings;
    TSortIndexList SortIndexList;
    // Columns (real) merged by equal contents; a change merges them again (ApplyColumnMerges).
    TIntList MergedColumns{0, 0};

    TFont& FixedFont() { return fixedFont_; }
    TFont& ActiveCellFont() { return activeCellFont_; }
    bool ActiveCellShow = false;
    TColor ActiveCellColor = clGray;
    bool AutoNumAlign = false, EnhTextSize = false, EditWithTags = false, EnhRowColMove = true,
         SizeWithForm = false, EnableBlink = false, EnableHTML = true, EnableWheel = true,
         ExcelStyleDecimalSeparator = false, IntelliZoom = true, URLFull = false, URLEdit = false,
         OemConvert = false, FixedAsButtons = false, Lookup = false, LookupCaseSensitive = false,
         LookupHistory = false, Hovering = false, SelectionRTFKeep = false;
    bool Multilinecells() const { return multiLineCells_; }
    void SetMultilinecells(bool on);
    TVAlignment VAlignment() const { return vAlignment_; }
    void SetVAlignment(TVAlignment alignment);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on);
    TGridLook Look() const { return look_; }
    void SetLook(TGridLook look);
    bool Flat() const { return flat_; }
    void SetFlat(bool on);
    TColor HintColor = clInfoBk;
    TColor SelectionColor() const { return selectionColor_; }
    void SetSelectionColor(TColor color);
    TColor SelectionTextColor() const { return selectionTextColor_; }
    void SetSelectionTextColor(TColor color);
    bool SelectionRectangle() const { return selectionRectangle_; }
    void SetSelectionRectangle(bool on);
    bool SelectionResizer = false;
    bool ShowSelection() const { return showSelection_; }
    void SetShowSelection(bool on);
    bool HideFocusRect = false;
    TColor URLColor = 0xFF0000;
    bool URLShow = false;
    int MaxEditLength() const { return maxEditLength_; }
    void SetMaxEditLength(int length);
    QString FloatFormat = QStringLiteral("%.2f");
    QStringList LookupItems;
    const QStringList& ColumnHeaders() const { return columnHeaders_; }
    void SetColumnHeaders(const QStringList& headers);
    const QStringList& RowHeaders() const { return rowHeaders_; }
    void SetRowHeaders(const QStringList& headers);
    TBitmap RowIndicator;
    int FixedFooters() const { return fixedFooters_; }
    void SetFixedFooters(int count);
    // The rows below the data rows: the fixed footer rows, and the floating footer's row while it
    // shows the last row (FloatingFooter sets FixedFooters to 1 for it; the row counts once). Every
    // operation that asks where the data rows end (sorts, paste, append, imports, the footer's
    // calculations, keys and wheel) asks DataRowEnd: the row after the last data row.
    int FooterRowCount() const { return std::max(fixedFooters_, LastRowIsFooter ? 1 : 0); }
    int DataRowEnd() const { return std::max(RowCount() - FooterRowCount(), 0); }
    int FixedRightCols() const { return fixedRightCols_; }
    void SetFixedRightCols(int count);
    bool FixedRowAlways = false, FixedColAlways = false;
    int FixedRowHeight() const { return fixedRowHeight_; }
    void SetFixedRowHeight(int height);
    int FixedColWidth() const { return ColWidths(0); }
    void SetDefaultRowHeight(int height);
    bool IntegralHeight() const { return integralHeight_; }
    void SetIntegralHeight(bool on);
    // Places the grid; with IntegralHeight the height is cut to whole rows.
    void SetBounds(int left, int top, int width, int height);
    TImageList* GridImages = nullptr;
    // Dropped when the checker is deleted.
    QPointer<TVevIvizudEvarCheck> CellChecker;
    // The texts of check boxes kept in the cell's text, and the password character.
    QString CheckTrue = QStringLiteral("Y"), CheckFalse = QStringLiteral("N");
    QChar PasswordChar = u'*';
    // The themed look is used (visual styles active when the grid was made).
    bool IsThemed() const { return xpFlag_; }

    // ---- Counts and current cell ---------------------------------------------------------------
    int GetRowCount() const { return RowCount(); }
    void SetRowCount(int count);
    void SetColCount(int count);
    int FixedRows() const;
    void SetFixedRows(int count);
    int FixedCols() const;
    void SetFixedCols(int count);
    int GetCurrentRow() const { return Row(); }
    void SetCurrentRow(int row);
    // The current column as a real column.
    int RealCol() const { return DisplToRealCol(Col()); }

    // ---- Display and real numbering ------------------------------------------------------------
    int DisplToRealCol(int col) const { return columns_.DisplToReal(col); }
    int RealToDisplCol(int col) const { return columns_.RealToDispl(col); }
    bool IsHiddenColumn(int col) const { return columns_.IsHidden(col); }
    int HiddenColCount() const { return columns_.HiddenCount(); }
    int AllColCount() const override { return ColCount() + HiddenColCount(); }
    int StoreCol(int col) const override { return col < 0 ? col : DisplToRealCol(col); }
    int ShownCol(int storeCol) const override { return storeCol < 0 ? storeCol : RealToDisplCol(storeCol); }
    int DisplToRealRow(int row) const;
    int RealToDisplRow(int row) const;
    bool IsHiddenRow(int row) const;
    int NumHiddenRows() const { return int(hiddenRows_.size()); }

    // ---- Typed cell access ----------------------------------------------------------------------
    int Ints(int col, int row);
    void SetInts(int col, int row, int value);
    double Floats(int col, int row);
    void SetFloats(int col, int row, double value);
    void SetDates(int col, int row, TDateTime value);
    // The wide text of a cell (a "|\" marker text decoded) and its write.
    QString GetWideCell(int col, int row);
    void SetWideCell(int col, int row, const QString& text);
    bool KeepZeroDates = true;

    bool RowSelect(int row) const;
    void SetRowSelect(int row, bool on);
    bool ColSelect(int col) const;
    void SetColSelect(int col, bool on);
    void ClearRowSelect();
    void ClearColSelect();
    void SelectRowsInRange(bool all);
    void SelectColsInRange(bool all);
    // Never for a fixed cell; with DisjunctRowSelect the row's mark, else with DisjunctColSelect
    // the column's mark, else whether the cell lies in the (shown) selection.
    bool IsCellSelected(int col, int row) const;
    // Cells added with Ctrl-click while MouseActions.DisjunctCellSelect is on.
    void AddDisjunctCell(int col, int row) { disjunctCells_.insert({col, row}); }
    void ClearDisjunctCells() { disjunctCells_.clear(); }
    bool IsDisjunctCell(int col, int row) const { return disjunctCells_.count({col, row}) > 0; }

    void ClearComboItems();
    int AddComboItem(const QString& item);
    // The item chosen in a drop-down list whose cell text is none of its items (-1: the first).
    int DefaultListIndex = -1;
    void ScrollToCell(int col, int row);
    void HideSelection();
    void UnHideSelection();
    int FirstDataCol() const;
    int FirstDataRow() const;
    int LastDataCol() const;
    int LastDataRow() const;
    TGridCoord CellFromScreen(TPoint screen) const;
    bool IsSizingPos(int x, int y) const;

    // ---- Hidden rows and the filter --------------------------------------------------------------
    void HideRows(int fromRow, int toRow);
    void HideRow(int row) { HideRows(row, row); }
    // Hides the display rows of an ascending list in one pass.
    void HideRowList(const std::vector<int>& rows);
    void UnHideRows(int fromRow, int toRow);
    void UnHideRowsAll();
    bool FilterActive() const { return filterActive_; }
    void SetFilterActive(bool on);
    bool MatchesFilter(int row);

    // ---- Import of delimited text and workbooks (DelimitedLoad.cpp, WorkbookImport.cpp) -----------
    // The delimiter of delimited files; a null character: found from each file's first two lines,
    // for that load only.
    QChar Delimiter;
    TGridProgressEvent OnFileProgress;
    // LoadDelimited(fileName, false).
    void LoadFromCSV(const QString& fileName);
    // Fills the grid from (0, 0), or with append after the last data row (above the footer rows);
    // see DelimitedImport.h for how the file is read.
    void LoadDelimited(const QString& fileName, bool append = false);
    // ImportWorkbook(fileName, "").
    void LoadFromXLS(const QString& fileName);
    // Fills the grid with the used range of the named sheet (the active one for ""), sized to it;
    // see WorkbookImport.h.
    void ImportWorkbook(const QString& fileName, const QString& sheetName);
    virtual void FileProgress(short progress);

private:
    friend void ImportWorkbookFrom(TVevIvizudEvar& grid, WorkbookSource& source, const QString& fileName,
                                   const QString& sheetName);
    // The grid sized to rows and columns and filled with the values; a failure on the way puts the
    // grid back as it was.
    void FillFromWorkbook(const TWorkbookValues& values, int rows, int cols);

public:
    // ---- Column widths ------------------------------------------------------------------------
    void SaveColumnSizes();
    void LoadColumnSizes();
    void StretchColumn(int col);

    // ---- Painting ---------------------------------------------------------------------------------
    void CalcCellAlignment(int col, int row, TAlignment& hAlign, TVAlignment& vAlign);
    // The text a cell shows (floats formatted by OnGetFloatFormat).
    virtual QString GetDisplayText(int col, int row);
    QString GetCellTextRaw(int col, int row) { return GetGridCells(col, row); }
    QString GetCellTextPlain(int col, int row);
    int FindRowByText(const QString& text);
    // Width and height the cell's content takes (InColumn: wrapped within the column's width).
    TPoint GetCellTextSize(int col, int row, bool inColumn);
    void DrawSizingLine(int x);
    // The flat border around the grid, for the looks that have one.
    void PaintFlatBorder(TCanvas& canvas);
    bool HasFlatBorder() const;
    // With each grid's own flag: cleared for good once a grid with Multilinecells paints.
    unsigned NoWrapFlag() const { return noWrapFlag_; }

    // ==== Painting: text kinds, measuring, autosize, column calculations ===========================
    // (CellContent.cpp, TextMeasure.cpp, AutoSize.cpp, ColumnCalculations.cpp; rich text in RichText.h)
    // GetCellTextSize of the text given in the cell's place, of the kind given (the kind of the
    // cell's whole text, when the text is a part of it).
    TPoint TextSizeOf(int col, int row, QString text, int kind, bool inColumn);
    // Named pictures of mini-HTML texts (not owned; may be null). Pictures met by URL are kept in
    // the grid's own cache.
    TPictureContainer* PictureContainer = nullptr;
    THTMLPictureCache& HTMLPictureCache() const { return *pictureCache_; }
    // The wide text of a cell: a "|\" marker text decoded, any other text as it is.
    QString GetCellTextWide(int col, int row) { return GetWideCell(col, row); }

    // The float values of a column over rows fromRow..toRow (an empty cell counts 0; a text that
    // is no number raises EVozAvozError "Cell does not contain a float value"). The average of an
    // empty range (toRow < fromRow) is 0; minimum and maximum start from the first row's value.
    double ColumnSum(int col, int fromRow, int toRow);
    double ColumnAvg(int col, int fromRow, int toRow);
    double ColumnMin(int col, int fromRow, int toRow);
    double ColumnMax(int col, int fromRow, int toRow);

    // Sizing to the content. A column takes its widest cell (GetCellTextSize plus the room of the
    // cell's graphic) + the text margin + (GridLineWidth + 1) x 2, a row its tallest cell + the
    // margin + GridLineWidth x 2; OnUpdateColumnSize may change a column's width; the limits below
    // (0: none) apply as LimitValue does. With onlyGrow nothing shrinks.
    // Setting AutoSize sizes every column at once (padding 10).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    int MinColWidth = 0, MaxColWidth = 0, MinRowHeight = 0, MaxRowHeight = 0;
    // The onlyGrow of AutoSizeCol and AutoSizeRow.
    bool AutoSizeOnlyGrow = false;
    // Every column from 0 (doFixedCols) or from FixedCols; then each width grows by padding.
    void AutoSizeColumns(bool doFixedCols, int padding);
    void AutoSizeCol(int col);
    void AutoSizeColumn(int col, bool onlyGrow);
    void AutoSizeRow(int row);
    void AutoSizeRowEx(int row, bool onlyGrow);
    // Lines x (line height + line height / 8) + extra, limited.
    void SetRowHeightForLines(int row, int lines, int extra);
    // The most lines a cell of the row has (CR counted with Multilinecells), at least 1.
    int MaxLinesInRow(int row);
    // The rectangle shrinks by 2 on each side and its top-left corner moves to where text turned
    // by angle degrees (counter-clockwise) starts, so that the turned text's bounding box stands at
    // the side of the rectangle the alignments name, or in its middle.
    void RotatedTextOrigin(TRect& rect, int angle, TAlignment hAlign, TVAlignment vAlign,
                           const QString& text);
    // Repaints the cells from the range's top-left cell to its bottom-right cell.
    void RepaintCellRange(const TGridRect& range);
    // The selected cells' texts, TAB between cells and CR LF between rows (none after the last):
    // the rows of the selection or, with DisjunctRowSelect, the marked rows; the selection's columns
    // or, with DragDropSettings.OleEntireRows, all. Rich and wide texts give their plain text.
    void GetSelectionText(QString& text);

protected:
    struct TCellPaint;
    // Kept up to date by the pointer handling: the blink phase of <BLINK> texts (false: hidden) and
    // a button held down over a mini-HTML cell.
    bool blinkVisible_ = true, htmlMouseDown_ = false;

private:
    int DrawHTMLCell(TCellPaint& p, const QString& text, TRect tr, TColor linkColor);
    void DrawTextKindBackground(TCellPaint& p, const TRect& tr);
    void DrawWideText(TCellPaint& p, const TRect& tr);
    bool SortGlyphHere(const TCellPaint& p);
    void DrawFixedRightLines(TCellPaint& p);
    bool MouseButtonDown() const;
    TPoint MeasureRichText(int col, int row, bool inColumn);
    QString EditorShownText(const QString& cellText);
    std::unique_ptr<THTMLPictureCache> pictureCache_;
    std::unique_ptr<QTextDocument> richText_;
    bool autoSize_ = false;
    // GetCellTextPlain reads through OnGetDisplText and keeps mini-HTML tags.
    bool plainThroughDisplText_ = true, plainKeepsTags_ = true;

public:
    // ==== End of painting: text kinds, measuring, autosize, column calculations =================

    // ---- Editing ------------------------------------------------------------------------------
    TEditorType EditorType() const { return editorType_; }
    bool EditorActive() const { return editorActive_; }
    bool WantsEscape() const override { return editorActive_ || TBaseGrid::WantsEscape(); }
    TGridCombo* Combo() const { return combo_; }
    TGridDatePicker* DatePicker() const { return datePicker_; }
    TVozErivuzaRive* TextEditor() const;
    void ShowInplaceEditor(int col, int row);
    void HideInplaceEdit();
    // The open editor control closes without writing its value (Escape).
    void DiscardEditorValue();
    virtual void SetCellValue(int col, int row, const QString& value);
    QString GetEditText(int col, int row) override;
    void SetEditText(int col, int row, const QString& value) override;
    QString GetEditMask(int col, int row) override;
    int GetEditLimit() override { return maxEditLength_; }
    // The text of the current cell when its editor opened.
    const QString& EditStartText() const { return cycle_.Text; }

    // ---- Editor controls: spin, edit with button, unit, check box, button, wide, custom -------
    // Made once, hidden, with the grid; each serves every cell of its kinds (EditorControls.cpp).
    TGridSpin* Spin() const { return editors_.Spin; }
    TGridEditBtn* EditBtn() const { return editors_.EditBtn; }
    TGridUnitEditBtn* UnitEditBtn() const { return editors_.UnitEditBtn; }
    TGridCheckBox* CheckBoxEditor() const { return editors_.CheckBox; }
    TGridButton* ButtonEditor() const { return editors_.Button; }
    TGridUniEdit* UniEdit() const { return editors_.UniEdit; }
    TGridUniCombo* UniCombo() const { return editors_.UniCombo; }
    TGridTransEdit* TransEdit() const { return editors_.TransEdit; }
    // The application's editor of edCustom cells; without one such cells open nothing.
    QPointer<TEditLink> EditLink;
    // The control editing the current cell now (nullptr when none or the text editor).
    QWidget* ActiveEditorControl() const;
    // An editor control's text goes into the current cell and through the validation (the wide
    // one for wide controls); cellText gets the cell's text as the validation left it.
    bool ValidateEditorValue(const QString& text, QString& cellText, bool wide = false);
    TSpinClickEvent OnSpinClick;
    TFloatSpinClickEvent OnFloatSpinClick;
    TDateTimeSpinClickEvent OnDateSpinClick, OnTimeSpinClick;
    TGetEditorPropEvent OnGetEditorProp;
    virtual void SpinClick(int col, int row, int value, bool up);
    virtual void FloatSpinClick(int col, int row, double value, bool up);
    virtual void DateSpinClick(int col, int row, TDateTime value, bool up);
    virtual void TimeSpinClick(int col, int row, TDateTime value, bool up);
    virtual void GetEditorProp(int col, int row, TEditLink* link);

private:
    friend class TGridButton;
    void CreateEditorControls();
    // Places, fills, shows and focuses the control of the current editor kind over the rectangle.
    void PlaceEditorControl(const TRect& editor, TColor color, const TFont& font);
    // Moves the open control with its cell (the rectangle as PlaceEditorControl got it).
    void MoveEditorControl(const TRect& editor);
    // Writes the control's value into the cell (when write) and hides it; false for kinds it
    // does not serve.
    bool WriteEditorControl(bool write);
    QString EditorControlValue() const;
    struct {
        TGridSpin* Spin = nullptr;
        TGridEditBtn* EditBtn = nullptr;
        TGridUnitEditBtn* UnitEditBtn = nullptr;
        TGridCheckBox* CheckBox = nullptr;
        TGridButton* Button = nullptr;
        TGridUniEdit* UniEdit = nullptr;
        TGridUniCombo* UniCombo = nullptr;
        TGridTransEdit* TransEdit = nullptr;
    } editors_;

public:
    // ---- End of the editor controls --------------------------------------------------------------

    // ---- Keyboard ------------------------------------------------------------------------------
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void KeyUp(int& key, TShiftState shift) override;
    void CharMessage(QChar ch) override;
    void TabToNextCell(bool backwards);
    // A key an editor control hands back: Tab and arrows move, Enter advances.
    void EditorKeyToGrid(int key, TShiftState shift);
    // The same, but Tab with goTabs walks on from the grid at once.
    void ControlKeyToGrid(int key, TShiftState shift);
    void CommitAndAdvance(int col, int row, bool forward, bool keepEditing, bool force);
    // The character that last started an editor.
    QChar LastTypedChar() const { return lastChar_; }

    // ---- Edit cycle ------------------------------------------------------------------------------
    void BeginEdit(int col, int row);
    bool ValidateCell(QString& value);
    bool ValidateCellWide(QString& value);
    void CellsChanged(const TRect& cells);
    void ColumnChanged(int col);
    virtual void Recalculate(int col);
    void EndPendingChange();
    void ShowEditorIfAllowed();
    virtual QString EllipsClick(const QString& value);
    TColor CellColor(int col, int row) const;
    // The brush and font a cell is painted with (display column), as its editors take them.
    void CellLook(int col, int row, TBrush& brush, TFont& font);
    bool IsReadOnly(int col, int row) const;
    QWidget* CellControl(int col, int row) const;
    void BeginUpdate() override;
    void EndUpdate() override;
    // Increments the update count without stopping the painting yet.
    void BeginUpdateQuiet();
    void ResetUpdate();
    // Listeners told of every changed rectangle.
    std::vector<std::function<void(const TRect&)>> ChangeListeners;
    static int GetVersionNr();
    static QString GetVersionString();

    // ---- Events ---------------------------------------------------------------------------------
    TGridColorEvent OnGetCellColor, OnGetCellPrintColor;
    TGridBorderEvent OnGetCellBorder, OnGetCellPrintBorder;
    TGridBorderPropEvent OnGetCellBorderProp;
    TGridAlignEvent OnGetAlignment;
    TGridFormatEvent OnGetFormat;
    TGetEditorTypeEvent OnGetEditorType;
    TIsFixedCellEvent OnIsFixedCell;
    TCanEditCellEvent OnCanEditCell;
    TIsPasswordCellEvent OnIsPasswordCell;
    THasComboBoxEvent OnHasComboBox;
    TGetCheckEvent OnGetCheckTrue, OnGetCheckFalse;
    TCanAddRowEvent OnCanAddRow;
    TCanInsertRowEvent OnCanInsertRow;
    TCanDeleteRowEvent OnCanDeleteRow;
    TRowEvent OnAutoAddRow, OnAutoInsertRow, OnAutoDeleteRow, OnEndRowSize;
    TColEvent OnAutoInsertCol, OnEndColumnSize;
    TUpdateColumnSizeEvent OnUpdateColumnSize;
    TGridHintEvent OnGridHint;
    TRowChangedEvent OnRowUpdate;
    TRowChangingEvent OnRowChanging;
    TColChangingEvent OnColChanging;
    TCellChangingEvent OnCellChanging;
    TCustomCellDrawEvent OnCustomCellDraw;
    TFloatFormatEvent OnGetFloatFormat;
    TCellValidateEvent OnCellValidate, OnCellValidateWide;
    TCellsChangedEvent OnCellsChanged;
    TNotifyEvent OnEditingDone, OnResize;
    TComboChangeEvent OnComboChange;
    TComboObjectChangeEvent OnComboObjectChange;
    TComboCloseUpEvent OnComboCloseUp;
    TClipboardEvent OnClipboardCopy, OnClipboardCut, OnClipboardPaste;
    TClipboardPasteCellEvent OnClipboardBeforePasteCell;
    TDblClickCellEvent OnDblClickCell;
    TFilterProgressEvent OnFilterProgress;
    TCheckBoxClickEvent OnCheckBoxClick;
    TRadioClickEvent OnRadioClick;
    TButtonClickEvent OnButtonClick;
    TSelectionChangedEvent OnSelectionChanged;
    TEllipsClickEvent OnEllipsClick;

    // ---- Dispatchers ------------------------------------------------------------------------------
    virtual void GetCellHint(int col, int row, QString& hint);
    virtual void GetCellColor(int col, int row, TGridDrawState state, TBrush& brush, TFont& font);
    virtual void GetCellPrintColor(int col, int row, TGridDrawState state, TBrush& brush, TFont& font);
    virtual void GetCellBorder(int col, int row, TPen& pen, TCellBorders& borders);
    virtual void GetCellPrintBorder(int col, int row, TPen& pen, TCellBorders& borders);
    virtual void GetCellAlignment(int col, int row, TAlignment& hAlign, TVAlignment& vAlign);
    virtual void GetColFormat(int col, TSortStyle& style, QString& prefix, QString& suffix);
    virtual void GetCellEditor(int col, int row, TEditorType& editor);
    virtual bool IsFixedCell(int col, int row);
    virtual bool CanEditCell(int col, int row, bool canEdit);
    // The check keys and editors use: not a block member, editable, not fixed.
    bool IsEditableCell(int col, int row);
    virtual bool IsPasswordCell(int col, int row);
    virtual bool HasComboBox(int col, int row);
    virtual QString GetCheckTrue(int col, int row);
    virtual QString GetCheckFalse(int col, int row);
    virtual bool CanAddRow();
    virtual bool CanInsertRow(int row);
    virtual bool CanDeleteRow(int row);
    virtual void UpdateColumnSize(int col, int& width);
    virtual void SelectionChanged(int left, int top, int right, int bottom);
    virtual void RowUpdate(int oldRow, int newRow);
    virtual void RowChanging(int oldRow, int newRow, bool& allow);
    virtual void ColChanging(int oldCol, int newCol, bool& allow);
    virtual void CellChanging(int oldRow, int oldCol, int newRow, int newCol, bool& allow);
    virtual void DoAutoAddRow(int row);
    virtual void DoAutoInsertRow(int row);
    virtual void DoAutoDeleteRow(int row);
    virtual void DoAutoInsertCol(int col);
    virtual void DoEndColumnSize(int col);
    virtual void DoEndRowSize(int row);
    virtual void GetFloatFormat(int col, int row, bool& isFloat, QString& format);
    virtual void DrawCellEvent(int col, int row, const TRect& rect, TGridDrawState state);
    virtual void CustomCellDraw(TCanvas& canvas, int col, int row, TGridDrawState state, const TRect& rect,
                                bool printing);
    virtual void GetCellBorderProp(int col, int row, TPen& left, TPen& top, TPen& right, TPen& bottom);
    virtual void CellValidate(int col, int row, QString& value, bool& valid);
    virtual void CellValidateWide(int col, int row, QString& value, bool& valid);
    virtual void DoCellsChanged(const TRect& cells);
    virtual void DoEditingDone();
    virtual void ComboChange(int col, int row, int index, const QString& text);
    virtual void ComboObjectChange(int col, int row, int index, const QString& text, QObject* object);
    virtual void ComboCloseUp(int row, int col);
    virtual void DoClipboardCopy(bool& allow);
    virtual void DoClipboardCut(bool& allow);
    virtual void DoClipboardPaste(bool& allow);
    virtual void ClipboardBeforePasteCell(int col, int row, QString& value, bool& allow);
    virtual void DblClickCell(int row, int col);
    virtual void FilterProgress(int progress);
    virtual void CheckBoxClick(int col, int row, bool state);
    virtual void RadioClick(int col, int row, int index);
    virtual void ButtonClick(int col, int row);
    virtual void DoResize();

    // ---- Seams for the parts the family adds later -----------------------------------------------
    // The cell's graphic (nullptr without one).
    TCellGraphic* GetCellGraphic(int col, int row) const;
    TCellType GetCellType(int col, int row) const;
    bool HasClickableGraphic(int col, int row) const;
    // Size and placement of the cell's graphic; see the painting of cell content.
    virtual TCellGraphic* GetCellGraphicSize(int col, int row, TCellVAlign& vAlign, TCellHAlign& hAlign,
                                             bool& showText, int& height, int& width);
    virtual int NodeCount() const { return nodeCount_; }
    // Mini-HTML: a text without its tags (see HTMLStrip), and a text drawn into the rectangle in
    // the link colour given; the width it took.
    virtual QString StripHTML(const QString& text);
    virtual int DrawHTMLText(TCanvas& canvas, const QString& text, const TRect& rect, TColor linkColor);
    virtual void DrawRichTextCell(TCanvas& canvas, int col, int row, TRect rect);
    virtual void InsertRows(int row, int count);
    virtual void RemoveRows(int row, int count);
    // The class library's removal of one row, through the removal above (blocks, hidden rows, the
    // order before sorting and the other per-row state follow).
    void DeleteRow(int row) override;
    virtual void ClearRows(int row, int count);
    virtual void AutoInsertRow(int row);
    virtual void AutoDeleteRow(int row);
    virtual void AddRow();
    virtual bool ToggleCheckBox(int col, int row, bool requireEditable);
    virtual bool RadioNext(int col, int row, bool requireEditable);
    // Splits the merges of every column, then merges equal cells in each column of MergedColumns
    // (the first with all its runs, the others inside the merges to their left).
    virtual void ApplyColumnMerges();
    virtual bool ColumnHasFilterButton(int col) { return false; }
    virtual void RepaintFooter();

    // ==== Rows and columns: hidden columns, structure, cell graphics, nodes ======================
    // Columns are hidden and shown by real column; a hidden column keeps its cells and width. A
    // real column outside the grid is an error ("Invalid column accessed"); the last visible
    // column is never hidden.
    void HideColumn(int realCol);
    void UnHideColumn(int realCol);

    // Structure. Rows and columns are display numbers; cells keep their texts, properties,
    // graphics and heights as they move, and hidden rows keep their place among the real rows.
    // A count below 1 changes nothing. Removing and clearing report the changed cells (cut to the
    // grid) through the cells-changed notification; inserting reports nothing.
    virtual void RemoveRowsShifted(int row, int count);
    virtual void RemoveRowsFull(int row, int count);
    virtual void InsertCols(int col, int count);
    virtual void RemoveCols(int col, int count);
    virtual void ClearRect(int col1, int row1, int col2, int row2);
    void RemoveSelectedRows();
    void ClearCols(int col, int count);
    void ClearAll();
    // Column merging by equal texts (the column is a real column).
    void SplitColumnMerges(int col);
    void MergeEqualCells(int col, bool allRuns);
    bool StartsWithRichText(int col, int row);
    void MergeCells(int col, int row, int numCols, int numRows) override;
    void SplitCells(int col, int row) override;

    // Cell graphics (real columns). "Base" operations first take the cell's block base cell.
    TCellGraphic* CreateCellGraphic(int col, int row);
    // A virtual check box: the cell shows a graphic the application keeps; it is never destroyed
    // by the grid.
    void ShareCellGraphic(int col, int row, TCellGraphic* graphic);
    bool RemoveCellGraphic(int col, int row);
    bool RemoveCellGraphicOfType(int col, int row, TCellType type);
    TIntList* GetCellImages(int col, int row) const;
    // The bitmap of a ctBitmap cell, the icon of a ctIcon cell, the index of a ctImageList cell.
    struct TCellGraphicData {
        TBitmap* Bitmap = nullptr;
        int Index = -1;
    };
    TCellGraphicData GetCellGraphicData(int col, int row) const;
    bool GetCommentText(int col, int row, QString& text) const;
    void GetErrRange(int col, int row, int& from, int& length) const;
    bool GetRotation(int col, int row, int& angle) const;
    void SetGraphicBoolean(int col, int row, bool value);
    bool IsButtonCell(int col, int row) const;
    void GetButtonRect(int col, int row, TRect& rect) const;
    // A picture of the size fitted into the area by the stretch mode (see CellGraphics.cpp).
    static TPoint FitPicture(int width, int height, int areaWidth, int areaHeight, int margin, int mode);
    // The cell's picture (ctPicture, ctFilePicture) fitted into the area; (0, 0) for other cells.
    TPoint GetPictureSize(int col, int row, int areaWidth, int areaHeight) const;
    TPoint GetCellGraphicExtent(int col, int row);
    TPoint GetCellGraphicPrintExtent(int col, int row, const TRect& rect, double scale);
    bool HasCheckBox(int col, int row) const;
    bool GetCheckBoxState(int col, int row, bool& state);
    bool SetCheckBoxState(int col, int row, bool state);
    bool IsCheckBoxHit(int col, int row, int x, int y);
    bool GetRadioIndex(int col, int row, int& index) const;
    bool SetRadioIndex(int col, int row, int index);
    QStringList* GetRadioItems(int col, int row) const;
    bool IsRadio(int col, int row) const;

    // Row nodes (display rows; ExpandNode and ContractNode take real rows). A node row is made
    // with AddNode: a ctNode graphic in column 0 whose span counts the node row and its child rows
    // (0: up to the next node row), the node row and its children at the level.
    void AddNode(int row, int span, int level = 1);
    bool IsNode(int row) const;
    bool IsSummaryRow(int row) const;
    bool GetNodeState(int row) const;
    int GetNodeLevel(int row) const;
    int GetNodeSpan(int row) const;
    // 0 for a node row; 1 where a branch of the tree ends at the row, 2 where it goes on.
    int GetTreeLineKind(int row) const;
    bool IsNodeButtonHit(int row, int x) const;
    void ExpandNode(int realRow);
    void ContractNode(int realRow);
    void ExpandAll();
    void ContractAll();
    void RemoveAllNodes();

    bool Verify() const override;

protected:
    TInplaceEdit* CreateEditor() override;
    bool CanEditShow() override;
    bool SelectCell(int col, int row) override;
    bool IsFixedCellForDraw(int col, int row) override;
    int GetNodeIndent(int row) override;
    bool HasNodes() override { return NodeCount() > 0; }
    void GetCellColors(int col, int row, TVAlignment& vAlign, TAlignment& hAlign, TFont& font,
                       TColor& colorTo, TBrush& brush, bool convertCol, bool selecting, bool printing,
                       TGridDrawState& state) override;
    void DrawCellText(TCanvas& canvas, int col, int row, TGridDrawState state, TRect rect) override;
    void Paint(const TRect& dirty) override;
    void ColWidthsChanged() override;
    void TopLeftChanged() override;
    void RowHeightsChanged() override;
    void Click() override;
    void DoEnter() override;
    void DoExit() override;
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

    // The working values of one cell's painting.
    struct TCellPaint {
        TCanvas* Canvas = nullptr;
        int Col = 0, Row = 0, RealCol = 0, SelRow = 0;
        TRect R;
        TGridDrawState State;
        TAlignment HAlign = TAlignment::taLeftJustify;
        TVAlignment VAlign = TVAlignment::vtaTop;
        TCellGraphic* Graphic = nullptr;
        int GW = 0, GH = 0;
        TCellHAlign GHAlign = TCellHAlign::haLeft;
        TCellVAlign GVAlign = TCellVAlign::vaTop;
        bool ShowText = true;
        TColor SavedBrush = clNone, SavedFont = clNone;
        int TextWidth = 0, LineH = 0;
    };
    virtual void DrawCellContent(TCellPaint& p);

    // ==== Cell graphics painting, floating footer, small settings ==================================
    // (CellGraphicsPaint.cpp: the graphic of a cell as DrawCellText paints it; FloatingFooter.cpp:
    // the footer panel's painting, the footer settings and its calculations.)
public:
    // Where a graphic of gw x gh stands in the cell rectangle r by its alignments. textWidth is the
    // room of the text drawn in the cell: its measured width + 4 (0: not measured). haBeforeText
    // and haAfterText place the graphic by the text's alignment hAlign.
    static TRect GraphicPlacement(const TRect& r, TCellHAlign cellHAlign, TCellVAlign cellVAlign,
                                  TAlignment hAlign, int gw, int gh, int textWidth);
    // The same for a check box, which follows the text's alignment instead of CellHAlign: at the
    // left, the right or the middle of r, a ctCheckBox beside its measured text.
    static TRect CheckBoxPlacement(const TRect& r, TCellType type, TCellVAlign cellVAlign, TAlignment hAlign,
                                   int gw, int gh, int textWidth);
    // One check box into the box in the style (see CellGraphicsPaint.cpp); with
    // ControlLook.NoDisabledCheckRadioLook a disabled box is drawn enabled.
    void DrawCheck(TCanvas& canvas, const TRect& box, bool checked, bool enabled, TControlStyle style);
    // The colour of the comment marker of ctComment cells (clNone: no marker).
    TColor CommentColor = clRed;

    // The panel that shows the floating footer along the grid's bottom edge.
    class TFooterPanel* FooterPanel() const;
    // The in-place editor of rich-text cells (edRichEdit).
    class TDazOrarOvid* RichEditor() const;
    // A footer template with "<#n>" replaced by column n of the current row (FloatingFooter.h).
    QString ExpandFooterTemplate(const QString& pattern);
    // Calculation kinds of a footer cell (the low 7 bits of its properties' CalcType): Recalculate
    // writes the column's result into the last row while the footer shows the last row.
    enum : unsigned char { fcNone = 0, fcSum = 1, fcAvg = 2, fcCount = 3, fcMin = 4, fcMax = 5 };

protected:
    // The graphic's step of DrawCellText: the cell's graphic drawn into p.R.
    virtual void DrawCellGraphic(TCellPaint& p);
    // A group of count radio items in r; index -1 checks the item equal to the cell text.
    void DrawRadioGroup(TCellPaint& p, const TRect& r, int count, int index, const QStringList* items,
                        bool disabled, bool horizontal, TControlStyle style);
    void FooterRowChanged() override { RepaintFooter(); }

private:
    friend class TFooterPanel;
    friend class TDazOrarOvid;
    void InitGraphicsSettings();
    void PlaceRichEditor(const TRect& rect, TColor color);
    void MoveRichEditor(const TRect& rect);
    QString RichEditorText() const;
    QWidget* RichEditorWidget() const;
    // Writes the rich editor's text into the edited cell (when write) and hides the editor.
    void HideRichEditor(bool write);
    TDazOrarOvid* richEditor_ = nullptr;
    void DrawNodeGlyph(TCellPaint& p, const TCellGraphic& node);
    void DrawCellButton(TCellPaint& p, const TRect& placed, TCellGraphic& button);
    void DrawCellProgress(TCellPaint& p, const TCellGraphic& progress);
    void DrawRotatedText(TCellPaint& p, const TCellGraphic& rotated);
    void SetFooterVisible(bool visible);
    void SetFooterStyle(TFooterStyle style);
    // The footer is one row high: it follows the default row height.
    void SetFooterHeight(int height);
    // A cell about to become current: false for the footer row; a cell reaching under the footer
    // panel scrolls the rows up by one first.
    bool FooterAllowsCell(int col, int row);
    // Paints the footer on the panel's canvas; client is the panel's client rectangle.
    void PaintFooter(TCanvas& canvas, const TRect& client, bool designing);
    TFooterPanel* footerPanel_ = nullptr;
    // ==== End of cell graphics painting, floating footer, small settings ==========================

protected:
    // ==== Rows and columns: moves =====================================================================
    void RowMoved(int from, int to) override;
    void ColumnMoved(int from, int to) override;

private:
    friend class TVozErivuzaRive;
    friend class TGridCombo;
    friend class TGridDatePicker;

    void WriteHeaders();
    void SetSelectionFlag(std::vector<bool>& flags, int index, int count, bool on, const char* error,
                          bool rows);
    bool RunCellChanging(int col, int row);
    void SwitchEditing(int realCol, int row);
    void NotifyRowUpdate(int row);
    void ApplyActiveCellLook(int col, int row, TBrush& brush, TFont& font);
    void DrawFixedLook(TCellPaint& p, bool fixed);
    void DrawFixedFrames(TCellPaint& p);
    void DrawTreeLines(TCellPaint& p);
    void DrawCellBorders(TCanvas& canvas, int col, int row, TRect r);
    void DrawFocusRectangle(TCellPaint& p);
    void DrawSelectionRectangle(TCellPaint& p, const TRect& tr);
    void DrawSortGlyph(TCanvas& canvas, int col, int y, int x);
    void DrawBackgroundTiled(TCanvas& canvas, const TRect& tr, int col, int row);
    void DrawBackgroundFixed(TCanvas& canvas, const TRect& tr);
    void DrawPlainText(TCellPaint& p, QString text, TRect tr, int gOff, TColor linkColor);
    TRect ShowingPart(const TRect& tr) const;
    void ApplySelectionColors(TCellPaint& p, TColor& linkColor);
    bool EditorToCell();
    QString EditorControlText() const;
    void FinishEditing();
    void PlaceCombo(const TRect& rect, TColor color);
    void PlaceDatePicker(const TRect& rect, TColor color);
    void PostPendingKey(QWidget* control);
    bool StepSkippingFixed(int key);
    bool KeyOnClickableCell(int key);
    bool HomeEndKey(int key, TShiftState shift);
    bool InsertRowKey();
    bool DeleteRowKey();
    void MaintainDisjunct(int key, TShiftState shift);
    void AdvanceTarget(int& col, int& row, bool forward);
    int VisibleRightFixedCols() const;
    int FirstSelectableCol() const;
    bool RowSelectFlag(int row) const;
    bool ColSelectFlag(int col) const;
    // The mark of a shown row: kept under its real row with RowSelectPersistent (so that it stays
    // with the row while rows hide and show), else under the shown row.
    int RowMarkIndex(int row) const;
    bool RowMarked(int row) const { return RowSelectFlag(RowMarkIndex(row)); }
    void SetRowMark(int row, bool on);
    void RestoreEditText();
    void IncrementalSearch(QChar key);
    void ScaleOthers(bool columns);
    void UpdateFlatBorder();
    void ChangeHiddenRows(const std::vector<int>& hide, const std::function<bool(const TGridItem&)>& show);
    // The two ways of ChangeHiddenRows (back: which stored rows return); the rows shown again.
    static constexpr size_t kFewHiddenRows = 16;
    std::vector<int> MoveFewHiddenRows(const std::vector<int>& hide, const std::vector<bool>& back,
                                       bool keepFlags);
    std::vector<int> RebuildHiddenRows(const std::vector<int>& hide, const std::vector<bool>& back,
                                       bool keepFlags);
    // The real rows first..last-1 take the order of std::rotate (the rows from middle on come first):
    // the hidden rows' places, the marks kept by real row and the entries of the order before
    // sorting follow. The shown rows of the range keep their display order.
    void RotateRealRows(int first, int middle, int last);
    // One past the real rows a move of the display row takes along: the row, and when it is a
    // contracted node, the rows it hides.
    int MovedRowsEnd(int row) const;

    TFont fixedFont_, activeCellFont_;
    bool multiLineCells_ = false, wordWrap_ = true, flat_ = false, selectionRectangle_ = false,
         showSelection_ = true, integralHeight_ = false, filterActive_ = false;
    TVAlignment vAlignment_ = TVAlignment::vtaTop;
    TGridLook look_ = TGridLook::glXP;
    TColor selectionColor_ = 0xEACAB6, selectionTextColor_ = clBlack;
    TColor themeColor1_ = clWhite, themeColor2_ = clBtnFace;
    int maxEditLength_ = 0, fixedFooters_ = 0, fixedRightCols_ = 0, fixedRowHeight_ = 21;
    QStringList columnHeaders_, rowHeaders_;
    bool xpFlag_ = false, comCtlFlag_ = true;
    unsigned noWrapFlag_ = DT_SINGLELINE;
    unsigned lastVAlignFlag_ = DT_TOP;

    TColumnVisibility columns_;
    std::vector<TGridItem> hiddenRows_;
    std::vector<bool> rowSelect_, colSelect_;
    std::set<std::pair<int, int>> disjunctCells_;
    // Controls shown in cells; nothing adds one yet, so their placement has nothing to do.
    TControlList controls_;
    int lastNotifiedRow_ = -1;
    int savedFixedRows_ = 1, filterFixedRows_ = 0;
    bool editingSwitched_ = false, loading_ = false, cellChangingSuppressed_ = false;
    std::optional<TGridRect> savedSelection_;
    bool selectionHidden_ = false;
    QString searchText_;
    bool plainClick_ = false, mouseDown_ = false;
    int zoom_ = 0;

    // Editing.
    TEditorType editorType_ = TEditorType::edNormal;
    bool editorActive_ = false, textEditorInUse_ = false;
    int editCol_ = -1, editRow_ = -1; // the cell an editor control edits (real column)
    bool discardValue_ = false;
    QChar pendingKey_, lastChar_;
    TGridCombo* combo_ = nullptr;
    TGridDatePicker* datePicker_ = nullptr;
    struct TEditCycle {
        int Col = -1, Row = -1;
        QString Text, Wide;
        bool Editing = false, Validating = false, Force = false;
    } cycle_;
    bool editorKey_ = false;
    TGridRect keySelection_;
    int resizingCol_ = -1, resizingRow_ = -1, resizeStartWidth_ = 0, resizeStartHeight_ = 0;
    bool columnSizing_ = false, rowSizing_ = false, stretchBusy_ = false;

    // ==== Rows and columns: state and helpers ======================================================
    // A merged block in real rows and real columns.
    struct TMergedArea {
        int Col = 0, Row = 0, Cols = 1, Rows = 1;
        int Right() const { return Col + Cols - 1; }
        int Bottom() const { return Row + Rows - 1; }
    };
    // While a structural change is half done the grid's own checks wait (the platform checks its
    // counts in between); editors are closed and painting is held for the duration.
    class TStructureChange {
    public:
        explicit TStructureChange(TVevIvizudEvar& grid);
        ~TStructureChange();

    private:
        TVevIvizudEvar& grid_;
    };
    int RealRowCount() const { return RowCount() + NumHiddenRows(); }
    // The real row rows inserted at a display row go to.
    int RealInsertRow(int row) const;
    void CloseEditors();
    // The row count as the structure operations change it: the order before sorting follows the
    // rows they insert or remove (SetRowCount is the application's).
    void ChangeRowCount(int count);
    // One past the last of the columns up to lastCol that the row's line holds (a block's cells all
    // carry properties, so none lies beyond).
    int HeldColumnsEnd(int row, int lastCol) const;
    // Takes out the blocks with a cell in the display rows (and columns), and every remembered one.
    std::vector<TMergedArea> TakeMergedAreas(const std::vector<int>& rows, int firstCol, int lastCol);
    std::vector<TMergedArea> TakeMergedAreas(int firstRow, int lastRow, int firstCol, int lastCol);
    void PutMergedAreas(std::vector<TMergedArea> areas);
    void ResetLineMerges(TGridLine& line);
    void InsertDisplayRows(int row, int count);
    void EraseDisplayRows(int row, int count);
    void ClearRealRect(int col1, int row1, int col2, int row2);
    void InsertRealColumns(int realCol, int count, int displayCol);
    void EraseRealColumns(const std::vector<int>& realCols, const std::vector<int>& displayCols);
    void DissolveCrossingBlocks(int lo, int hi, int moved, bool columns);
    void GiveUpCutAreas(int lo, int hi);
    void GiveUpCutAreasInRealRows(int realLo, int realHi);
    // Every node, visible or hidden, with its real row.
    void ForEachNode(const std::function<void(int realRow, TCellGraphic& node)>& visit) const;
    int CountNodes() const;
    void KeepNodeSpansInside(int first = 0, int last = INT_MAX);
    int NodeEnd(int row) const;
    void RepaintGraphic(int col, int row);
    std::vector<TMergedArea> cutAreas_; // blocks with hidden rows, kept to come back whole
    int nodeCount_ = 0;
    int structureBusy_ = 0;
    bool completingResize_ = false;

    // ==== Pointer: clicks, selection, sizing and moving, anchors, scroll bars, wheel, pan, hints ====
    // MouseClicks.cpp: presses, releases, double and right clicks; cell controls, node glyphs,
    // anchors and form controls; disjunct and fixed-cell selection; the fixed-cell editor; the sort
    // click. MouseMove.cpp: the pointer's moves (highlight, hover mode and cursors, anchors entered
    // and left). MouseSizing.cpp: sizing with its veto and hint, fixed-column sizing, moving with the
    // drag image, drop markers and auto-scroll, the selection resizer, drags out of the grid.
    // ScrollBars.cpp: scroll bars, thumb hints, resizing with the grid and its window.
    // WheelPanHints.cpp: wheel and zoom, panning, cell hints, hover and blink.
public:
    // Scroll bars: Qt's bars take ScrollWidth (width of the vertical bar, height of the horizontal
    // one) and ScrollColor through a style sheet; every ScrollType looks like ssNormal. The bars'
    // values are rows and columns (TopRow, LeftCol) themselves.
    TScrollType ScrollType() const { return scrollType_; }
    void SetScrollType(TScrollType type);
    TColor ScrollColor() const { return scrollColor_; }
    void SetScrollColor(TColor color);
    int ScrollWidth() const { return scrollWidth_; }
    void SetScrollWidth(int width);
    // Keeps the setting; a bar it does not want is neither shown nor styled.
    void SetScrollBars(TScrollStyle bars);
    // Qt sizes a thumb to the visible part whatever this says; kept with the settings.
    bool ScrollProportional = false;
    // The grid scrolls while a thumb is dragged (else when it is let go).
    bool ScrollSynch = false;
    TScrollHintType ScrollHints = TScrollHintType::shNone;
    TScrollHintEvent OnScrollHint;

    // Hints, wheel, panning, hover and blink.
    bool HintShowCells = false, HintShowLargeText = false, HintShowSizing = false, HTMLHint = false,
         AnchorHint = false;
    TIntelliPan IntelliPan = TIntelliPan::ipVertical;
    TAnchorHintEvent OnAnchorHint;
    // Adds the step (pixels) to every column width and row height that stays above 0; the zoom
    // level is the sum of the steps, -10 .. 10 (a step beyond is ignored).
    void Zoom(int step);
    int ZoomLevel() const { return zoom_; }
    bool Panning() const { return panning_; }
    void EndPan();
    // One tick of the 10 ms panning timer and of the 500 ms hover and blink timer.
    void PanTimerTick();
    void HoverTimerTick();
    const QTimer& HoverTimer() const { return hoverTimer_; }
    const QTimer& PanTimer() const { return panTimer_; }
    // The phase of blinking text: false while it is hidden.
    bool BlinkVisible() const { return blinkVisible_; }

    // Pointer state, read by the painting and by tests. Hover mode: 0 none, 1 over a header that
    // selects its column, 2 over a row header that selects its row, 3 over the top-left block that
    // selects all, 5 over the selection resizer.
    int HoverMode() const { return hoverMode_; }
    // The cell last found under the pointer ((-1, -1) when none): the hot header of glListView.
    TGridCoord HotCell() const { return hotCell_; }
    bool LeftButtonHeld() const { return leftHeld_; }
    // The pressed button cell ((-1, -1) when none).
    TGridCoord PressedCellButton() const { return pressedButton_; }
    // The pressed header of FixedAsButtons ((-1, -1) when none).
    TGridCoord PressedFixedCell() const { return pressedFixed_; }
    bool FixedColSizing() const { return fixedSizing_; }
    int FixedSizingX() const { return fixedSizingX_; }
    bool ResizerDragging() const { return resizerDrag_; }
    bool OleDragArmed() const { return oleDragArmed_; }
    const QString& LastAnchor() const { return lastAnchor_; }
    // Whether the point lies on the selection resizer (SelectionResizer with SelectionRectangle).
    bool IsOverResizer(int x, int y) const;
    // The rows or columns selected by a drag over the row or column headers start here (-1: none).
    int HeaderSelectAnchor() const { return headerAnchor_; }

    // The mini-HTML hint window of sizing, thumb and cell hints (created when first shown).
    THintWindow* HintWindow() const { return hintWindow_; }
    bool HintShowing() const;
    TPopupButton* DragImage() const { return dragImage_; }
    // Drop markers: 0 up, 1 down, 2 right, 3 left.
    TArrowWindow* DropMarker(int direction) const { return dropMarkers_[direction & 3]; }
    // The editor of fixed cells, placed over the cell 1 pixel inside; Enter or leaving it writes
    // its text into the cell, Escape closes it without writing.
    void ShowFixedCellEditor(int col, int row);
    QLineEdit* FixedCellEditor() const { return fixedEditor_; }
    TGridCoord FixedEditorCell() const { return fixedEditorCell_; }
    // The editors of a mini-HTML form control being edited (nullptr until first used).
    TControlEdit* ControlEditor() const { return controlEdit_; }
    TControlCombo* ControlCombo() const { return controlCombo_; }
    // Drags out of the grid go through the runner (a Qt drag unless replaced).
    TDragRunner& DragRunner() const { return *dragRunner_; }
    void SetDragRunner(std::unique_ptr<TDragRunner> runner);
    // How long the last sort by a header click took, in milliseconds.
    int SortTime() const { return sortTime_; }

    TClickCellEvent OnClickCell, OnRightClickCell;
    TCheckBoxClickEvent OnCheckBoxMouseUp;
    TRadioClickEvent OnRadioMouseUp;
    TNodeAllowEvent OnBeforeExpandNode, OnBeforeContractNode;
    TNodeEvent OnExpandNode, OnContractNode;
    TAnchorClickEvent OnAnchorClick;
    TAnchorEvent OnAnchorEnter, OnAnchorExit;
    TColumnAllowEvent OnColumnMove, OnColumnSize;
    TRowAllowEvent OnRowMove, OnRowSize;
    TControlEvent OnControlClick, OnControlEditDone;
    TControlComboListEvent OnControlComboList;
    TSelectionResizeEvent OnSelectionResize;
    TCanSortEvent OnCanSort;
    TClickSortEvent OnClickSort;
    TOleDragEvent OnOleDrag;

    virtual void ClickCell(int row, int col);
    virtual void RightClickCell(int row, int col);
    virtual void CheckBoxMouseUp(int col, int row, bool state);
    virtual void RadioMouseUp(int col, int row, int index);
    virtual void BeforeExpandNode(int row, bool& allow);
    virtual void BeforeContractNode(int row, bool& allow);
    virtual void DoExpandNode(int row);
    virtual void DoContractNode(int row);
    virtual void AnchorClick(int row, int col, const QString& anchor, bool& autoHandle);
    virtual void AnchorEnter(int row, int col, const QString& anchor);
    virtual void AnchorExit(int row, int col, const QString& anchor);
    virtual void GetAnchorHint(int row, int col, QString& anchor);
    virtual void DoColumnMove(int col, bool& allow);
    virtual void DoRowMove(int row, bool& allow);
    virtual void DoColumnSize(int col, bool& allow);
    virtual void DoRowSize(int row, bool& allow);
    virtual void ControlClick(int row, int col, const QString& id, const QString& type, const QString& value);
    virtual void ControlEditDone(int row, int col, const QString& id, const QString& type,
                                 const QString& value);
    virtual void ControlComboList(int row, int col, const QString& id, const QString& value,
                                  QStringList& items, bool& edit);
    virtual void SelectionResize(int left, int top, int right, int bottom);
    virtual void CanSort(int col, bool& doSort);
    virtual void ClickSort(int col);
    virtual void ScrollHint(int rowCol, QString& hint);
    virtual void OleDrag(int row, int col, const QString& data, bool& allow);
    // A release close to a header's right edge is first offered here; true claims it (no sort).
    virtual bool HeaderEdgeClick(int col);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos,
                         int& sizingOfs) override;
    bool DoMouseWheel(TShiftState shift, int delta, TPoint pos) override;
    bool BeginRowDrag(int& origin, int& destination, TPoint mouse) override;
    bool EndRowDrag(int& origin, int& destination, TPoint mouse) override;
    void SizeChanged(int oldColCount, int oldRowCount) override;

private:
    void InitPointer();
    // A resize by mouse noted at the press (ColumnSizes.cpp) and ended at the release.
    void StartMouseResize();
    void EndMouseResize();
    // Presses and releases; false from a press handler keeps the press from the class library.
    bool LeftButtonDown(TShiftState shift, int x, int y);
    void LeftButtonUp(QMouseEvent* e, TShiftState shift, int x, int y);
    void DoubleClickAt(QMouseEvent* e, int x, int y);
    void RightButtonDown(TShiftState shift, int x, int y);
    void ToggleDisjunctLine(bool rows, int index, bool ctrl);
    void DisjunctCellsOnRelease(TShiftState shift, int x, int y);
    bool HeaderSelectClick(TGridCoord cell);
    bool ArmOleDrag(TGridCoord cell, int x);
    bool NodeGlyphClick(TGridCoord cell, int x);
    int RadioItemAt(TGridCoord cell, int x, int y);
    bool RadioClickAt(TGridCoord cell, int x, int y);
    bool CheckBoxClickAt(TGridCoord cell, int x, int y);
    void GraphicMouseUp(int x, int y);
    bool IsButtonCellAt(TGridCoord cell) const;
    bool PressCellButton(TGridCoord cell, int x, int y);
    void ReleaseCellButton(bool fire);
    // The mini-HTML of a cell hit-tested at a point (check only), as painting lays it out.
    THTMLDrawResult HitTestHTML(int col, int row, int x, int y);
    bool HTMLClick(TGridCoord cell, int x, int y);
    void FollowAnchor(int row, int col, const QString& anchor);
    void EditFormControl(TGridCoord cell, const THTMLDrawResult& hit);
    void FormControlDone(const QString& value);
    void FinishFixedCellEditor(bool write);
    bool FixedCellEditAllowed(int col, int row);
    bool SortClick(TShiftState shift, int x, int y);
    // Moves.
    void UpdateHotCell(TGridCoord cell);
    void DragSelectHeaders(TGridCoord cell);
    void TestFixedBorder(int x, int y, TGridCoord cell);
    int UpdateHoverMode(int x, int y, TGridCoord cell);
    bool TrackAnchors(int x, int y, TGridCoord cell);
    void ApplyOwnCursor(int cursor);
    bool OnNodeGlyph(TGridCoord cell, int x);
    void PaintPointerOverlay();
    // Sizing, moving, resizer, drags.
    void ShowSizingHint(int x, int y);
    void FinishFixedSizing(int x);
    bool VetoMove();
    void EnhancedMove(int x, int y, TGridCoord cell);
    void PlaceDropMarkers(bool columns);
    void AutoScrollMove(bool columns, int x, int y);
    void FinishEnhancedMove(int x, int y);
    void HideDropMarkers();
    void SetDragCursor(bool on);
    void StartResizerDrag();
    void ResizerMove(int x, int y);
    void FinishResizerDrag();
    void StartOleDrag(TGridCoord cell);
    // Scroll bars and resizing.
    void ApplyScrollAppearance();
    void ThumbTracking(bool vertical, int value);
    void ThumbReleased();
    void GridResized();
    void FormResized(QSize size);
    // Wheel, pan, hints, hover, blink.
    void StartPan(int x, int y);
    void ShowHintAt(const QString& text, TPoint screenTopLeft);
    void HideHint();
    bool CellHint(int x, int y, QString& hint, TPoint& where);
    void BlinkTick();
    void PointerLeft();

    TScrollType scrollType_ = TScrollType::ssNormal;
    TColor scrollColor_ = clNone;
    int scrollWidth_ = 0, defaultScrollWidth_ = 0;
    bool scrollHintShowing_ = false;
    int lastGridWidth_ = 0;
    QSize formSize_;
    QPointer<QWidget> form_;
    bool resizeBusy_ = false;

    bool leftHeld_ = false;
    TPoint downPoint_{-1, -1};
    TGridCoord downCell_{-1, -1};
    int hoverMode_ = 0;
    TGridCoord hotCell_{-1, -1};
    int pressLeftCol_ = 0;
    int headerAnchor_ = -1;
    int moveOrigin_ = -1;
    TPoint pressOffset_;
    TGridCoord moveTarget_{-1, -1};
    bool onFixedBorder_ = false, fixedSizing_ = false;
    int fixedBorderCol_ = -1, fixedSizingX_ = 0;
    TGridCoord sizedCell_{-1, -1};
    TPoint sizeOffset_;
    bool resizerDrag_ = false;
    TGridRect dragSelection_;
    bool oleDragArmed_ = false;
    QString lastAnchor_;
    TGridCoord hintCell_{-1, -1};
    TGridRect frameSelection_{-1, -1, -1, -1};
    TGridCoord pressedButton_{-1, -1}, pressedFixed_{-1, -1};
    bool buttonCaptured_ = false, dragCursor_ = false, autoSized_ = false;
    TGridCoord fixedEditorCell_{-1, -1};
    QLineEdit* fixedEditor_ = nullptr;
    TControlEdit* controlEdit_ = nullptr;
    TControlCombo* controlCombo_ = nullptr;
    struct TFormControl {
        TGridCoord Cell{-1, -1};
        QString ID, Type;
    } formControl_;
    THintWindow* hintWindow_ = nullptr;
    TPopupButton* dragImage_ = nullptr;
    TArrowWindow* dropMarkers_[4] = {};
    std::unique_ptr<TDragRunner> dragRunner_;
    int sortTime_ = 0;

    QTimer hoverTimer_, panTimer_;
    bool panning_ = false, pointerInside_ = false, ownCursorChange_ = false;
    TPoint panOrigin_, pointer_;
    QCursor panSavedCursor_;
    // ---- end of pointer ---------------------------------------------------------------------------------

    // ---- Sorting and clipboard text (Sorting.cpp, RowOrder.cpp, ClipboardText.cpp) ---------------
public:
    // Exchanges two rows: texts, cell objects (hidden columns included) and heights, their entries
    // of UnsortedRowOrder and, with DisjunctRowSelect and MoveRowOnSort, their marks. With
    // SortSettings.SingleColumn only the cell of SortSettings.Column changes rows.
    virtual void SwapRows(int row1, int row2);
    // The exchanges of SwapRows all at once: row first + p takes the row that stood at
    // first + origin[p] (origin a permutation of 0 .. its size - 1).
    void PermuteRows(int first, const std::vector<int>& origin);
    // Sort the data rows (fixed rows and footer rows stay) by SortSettings.Column, by the
    // SortIndexList, or the child rows of each expanded node; see Sorting.cpp. Merged blocks the
    // new order would tear are split first (so do QuickSortRows, QuickSortRowsIndexed and
    // RestoreRowOrder).
    virtual void SortByColumn();
    virtual void SortByIndexes();
    virtual void SortNodeRows();
    // Puts every row back where it was before the sorts since the order was last reset.
    virtual void RestoreRowOrder();
    // -1, 0 or 1: row1's cell before, equal to or after row2's in ascending terms (direction 0
    // ascending, 1 descending; it only places blanks with IgnoreBlanks).
    int CompareCells(int col, int row1, int direction, int row2);
    int CompareRowsByColumn(int col, int row1, int row2);
    int CompareRowsByIndexes(int indexPos, int row1, int row2);
    void QuickSortRows(int col, int left, int right);
    void QuickSortRowsIndexed(int left, int right);
    // Per real row, the row number that the row there had before sorting.
    const std::vector<int>& UnsortedRowOrder() const { return unsortedRowOrder_; }
    void ResetRowOrder();
    TCustomCompareEvent OnCustomCompare;
    TRawCompareEvent OnRawCompare;

    // Copy, cut and paste of the selection as text; see ClipboardText.cpp.
    virtual void CopyToClipboard();
    virtual void CutToClipboard();
    virtual void PasteFromClipboard();
    // Pastes the clipboard's text with its top-left cell at (col, row); the number of cells it held.
    int PasteFromClipboardAt(int col, int row);
    int PasteText(int col, int row, const QString& text);
    // X: the most cells on one line; Y: the line breaks before the end of the text.
    void GetTextDimensions(const QString& text, TPoint& size) const;
    // Writes the cell of a display column (hidden columns skipped).
    void SetDisplayCell(int col, int row, const QString& value);
    TClipboardPasteCellEvent OnClipboardBeforePasteWideCell;
    virtual void ClipboardBeforePasteWideCell(int col, int row, QString& value, bool& allow);

    // Before the display rows lo..hi are put in another order (sorting): the merged blocks the new
    // order would tear are split (MergedAreas.cpp); whether one was. Without rowsHoldObjects (no
    // cell of the rows holds an object, so no block lies across them) only remembered areas go.
    bool SplitBlocksRowOrderTears(int lo, int hi, int aloneCol, bool rowsHoldObjects = true);

protected:
    // The structure operations report the real rows they insert or remove (after the change), so
    // that UnsortedRowOrder keeps following the rows.
    // Rows appended to the data rows come after every data row, above the footer rows.
    void RowOrderRowsInserted(int realRow, int count, bool appended = false);
    void RowOrderRowsRemoved(const std::vector<int>& realRows, bool align = true);
    // The real rows first..last-1 take the order of std::rotate (the rows from middle on come first,
    // as in a move, see RotateRealRows): their entries move with them.
    void RowOrderRotated(int first, int middle, int last);

private:
    // Makes UnsortedRowOrder hold the given number of rows (rows added or dropped at the end).
    void AlignRowOrder(int rows);
    // Rows filled afresh: the next sort takes the order before sorting as they stand then.
    void ForgetRowOrder();
    bool VerifyRowOrder() const;
    void SortWith(int kind, const std::function<void()>& sort);
    bool IsMarkedRow(int row) const;
    TGridRect CopyRange(bool& disjunct) const;
    QString SelectionClipboardText(const std::vector<int>& cols, const std::vector<int>& rows);
    bool MayPasteInto(int col, int row);
    // Writes a pasted cell unless its event refuses it; whether it was written.
    bool WritePasted(int col, int row, QString value);
    void SmartFill(const TGridRect& selection, int pasted);

    std::vector<int> unsortedRowOrder_;
    int followRow_ = -1;
    // ---- end of sorting and clipboard text ---------------------------------------------------------

    // ---- Rich text and cell formats on the clipboard, the cell stream -----------------------------
    // (ClipboardFormats.cpp, CellStream.cpp; the stream's format is described in CellStream.h)
public:
    // The MIME type of the grid's own clipboard format (the cell stream), the same for the whole run.
    static QString CellsClipboardFormat();
    // Writes the cells of a block of display columns and rows: texts, properties and graphics.
    void SaveCellsToStream(const TGridRect& rect, QIODevice& stream);
    // Reads such a block with its top-left cell at dest (display column, row); a stream of the
    // whole grid replaces the grid. A truncated or damaged stream raises EVozAvozError and keeps
    // the cells read before the damage.
    void LoadCellsFromStream(TGridCoord dest, QIODevice& stream);

private:
    // The rows and columns a copy takes: the range's, or only the marked ones of a disjunct selection.
    std::vector<int> CopyRows(const TGridRect& range, bool disjunct) const;
    std::vector<int> CopyColumns(const TGridRect& range, bool disjunct) const;
    // With AllowRTFClipboard the first copied cell's rich text, with AllowFmtClipboard the cell stream.
    void CopyFormatsToClipboard(const std::vector<int>& cols, const std::vector<int>& rows);
    // The grid takes pastes: editing on, AllowClipboardAlways or RangeSelectAndEdit.
    bool MayPasteHere() const;
    // OnClipboardBeforePasteCell (OnClipboardBeforePasteWideCell for a "|\" text) for a cell.
    bool AllowPastedCell(int realCol, int row, QString& value);
    int PasteRichText(int col, int row, const QString& rtf);
    void SaveCells(const std::vector<int>& cols, const std::vector<int>& rows, QIODevice& stream);
    // Loads a stream; a paste grows the grid as a text paste does and skips the cells that may not
    // be pasted into. The number of cells of the block.
    int LoadCells(TGridCoord dest, QIODevice& stream, bool paste);
    // A paste of that many lines, the widest that many cells, with its top-left cell at the display
    // column: within the cells a paste may write (PasteFits); else refused before anything changes,
    // with the refusal given (EVozAvozError).
    bool PasteFits(int col, qint64 lines, qint64 widest) const;
    void CheckPasteSize(int col, qint64 lines, qint64 widest, const QString& refusal) const;
    // The refusal of the clipboard's content, too large to be pasted.
    static QString ClipboardTooLarge();
    int PasteTextFrom(int col, int row, const QString& text, const QString& refusal);
    int PasteLines(int col, int row, const QString& text, int lines, int widest);
    // The cells of the last text pasted that were not written: outside the grid, in cells that may
    // not be pasted into, or refused by their event.
    qint64 pasteLeftOut_ = 0;
    // What a paste changes, noted before it changes it, so that a paste that fails on the way (out
    // of memory, or an event handler that raises) puts the grid back as it was (PasteUndo.cpp).
    class TPasteUndo {
    public:
        // A paste of that many display columns and rows from the display cell (col, row) begins.
        TPasteUndo(TVevIvizudEvar& grid, int col, int row, qint64 cols, qint64 rows);
        // The rows the paste inserts go at this display row.
        void SetInsertRow(int row) { insertRow_ = row; }
        // Before the properties of a cell (a real column) change; withGraphic: its graphic is
        // replaced as well.
        void NoteProperties(int realCol, int row, bool withGraphic);
        // Before the cells of the rows are merged over the real columns: the blocks there now.
        void NoteBlocks(int realCol, int row, int cols, int rows);
        void Undo();

    private:
        struct TCellBefore {
            int Col = 0, Row = 0;
            std::unique_ptr<TCellProperties> Properties; // none: the cell had none
            bool GraphicTaken = false;
            std::unique_ptr<TCellGraphic> Graphic;
            TCellGraphic* SharedGraphic = nullptr;
            void* CellObject = nullptr;
        };
        struct TBlock {
            int Col, Row, Cols, Rows;
        };
        TVevIvizudEvar& grid_;
        int rows_, cols_, insertRow_;
        TTextsBefore texts_;
        std::vector<TCellBefore> cells_;
        std::vector<TBlock> blocks_;
        std::optional<std::vector<TMergedArea>> cutAreas_;
    };
    int streamId_ = 0;
    // ---- end of rich text and cell formats on the clipboard, the cell stream ----------------------

    // ---- Drag and drop (DropTarget.cpp, DragSource.cpp; GridDragDrop.h, vzgdd.h) --------------------
public:
    // The drop target registered while DragDropSettings.OleDropTarget is on (else nullptr).
    TVzgDropTarget* DropTarget() const { return dropTarget_.get(); }
    TOleDragStartEvent OnOleDragStart;
    TOleDragStopEvent OnOleDragStop;
    TOleDragOverEvent OnOleDragOver;
    TOleDropEvent OnOleDrop;
    TOleDroppedEvent OnOleDropped;
    TOleDropColEvent OnOleDropCol;
    TOleDropFileEvent OnOleDropFile;
    virtual void OleDragStart(int row, int col);
    virtual void OleDragStop(TDragEffect effect);
    virtual void OleDragOver(int row, int col, bool& allow);
    virtual void OleDrop(int row, int col, const QString& data, bool& allow);
    virtual void OleDropped(const TGridRect& area);
    virtual void OleDropCol(int row, int col, int dropCol);
    virtual void OleDropFile(int row, int col, const QString& fileName, bool& allow);

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    friend class TGridDropTarget;
    friend class TGridDropSource;
    void InitDragDrop();
    void SetOleDropTarget(bool on);
    TPoint DropPoint(const QPointF& viewportPos) const;
    // Whether dropped text may be pasted at all (as PasteText asks).
    bool MayDropText() const;
    TDragEffect RunCellDrag(TVzgDropSource& source);
    // Rows inserted while this grid's own drag of cells runs: the dragged rows at or below move.
    void DragRowsInserted(int row, int count);
    void RemoveDraggedRows();
    void ClearDraggedCells();
    bool DraggedCellsClearable();

    std::unique_ptr<TVzgDropTarget> dropTarget_;
    // A drag of this grid's cells: its rows (display rows, ascending; followed through rows a drop
    // into this grid inserts) and columns, and the cells that such a drop wrote.
    struct TCellDrag {
        bool Running = false;
        std::vector<int> Rows;
        int FirstCol = 0, LastCol = -1;
        std::optional<TGridRect> Dropped;
    } cellDrag_;
    // ---- end of drag and drop -------------------------------------------------------------------------

    // ---- Column merges of MergedColumns (ColumnMerging.cpp) -------------------------------------------
protected:
    // Merges equal cells in each column of MergedColumns that the grid has.
    void MergeListedColumns();
};
