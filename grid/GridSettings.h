// The settings objects the advanced grid owns and publishes: navigation, mouse actions, column
// sizes, nodes, sizing while typing, sorting, drag and drop, control look, bands, background,
// floating footer, grouping, filter, HTML and print settings. Most are plain holders read by the
// grid when it paints or handles input; those whose change must show at once (nodes, bands,
// background, sort glyphs, footer) repaint through OnChange, which the grid sets.
#pragma once

#include "platform/ui/Bitmap.h"
#include "platform/ui/Graphics.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TGridSettingsBase {
public:
    std::function<void()> OnChange;

protected:
    void Changed() const {
        if (OnChange) OnChange();
    }
    template <typename T> void Store(T& field, const T& value, bool onlyWhenChanged = true) {
        if (onlyWhenChanged && field == value) return;
        field = value;
        Changed();
    }
};

enum class TNodeType { cnFlat, cn3D, cnGlyph, cnLeaf, cnXP };

class TCellNode : public TGridSettingsBase {
public:
    TColor Color = clSilver;
    bool ExpandOne = false;
    TColor NodeColor = clBlack;
    TBitmap ExpandGlyph, ContractGlyph;
    TNodeType NodeType() const { return nodeType_; }
    void SetNodeType(TNodeType type) { Store(nodeType_, type); }
    int NodeIndent() const { return nodeIndent_; }
    void SetNodeIndent(int indent) { Store(nodeIndent_, indent); }
    bool ShowTree() const { return showTree_; }
    void SetShowTree(bool on) { Store(showTree_, on); }
    TColor TreeColor() const { return treeColor_; }
    void SetTreeColor(TColor color) { Store(treeColor_, color); }

private:
    TNodeType nodeType_ = TNodeType::cnXP;
    int nodeIndent_ = 12;
    bool showTree_ = true;
    TColor treeColor_ = clSilver;
};

struct TSizeWhileTyping {
    bool Height = false, Width = false;
};

enum class TGridFixedCellEdit { fceNone, fceDblClick, fceLeftClick, fceRightClick };

class TMouseActions {
public:
    bool AllColumnSize = false, AllRowSize = false, AllSelect = false, CaretPositioning = false,
         CheckAllCheck = false, ColSelect = false, DirectComboDrop = false, DirectDateDrop = false,
         DirectEdit = false, MoveRowOnNodeClick = false, NoAutoRangeScroll = false,
         NodeAllExpandContract = false, PreciseCheckBoxCheck = false, RangeSelectAndEdit = false,
         RowSelect = false, RowSelectPersistent = false, SelectOnRigthClick = false, SizeFixedCol = false;
    TGridFixedCellEdit FixedRowsEdit = TGridFixedCellEdit::fceNone,
                       FixedColsEdit = TGridFixedCellEdit::fceNone;
    bool DisjunctRowSelect() const { return disjunctRow_; }
    bool DisjunctColSelect() const { return disjunctCol_; }
    bool DisjunctCellSelect() const { return disjunctCell_; }
    // The three disjunct selections exclude each other: setting one clears the other two.
    void SetDisjunctRowSelect(bool on) { SetDisjunct(disjunctRow_, on); }
    void SetDisjunctColSelect(bool on) { SetDisjunct(disjunctCol_, on); }
    void SetDisjunctCellSelect(bool on) { SetDisjunct(disjunctCell_, on); }

private:
    void SetDisjunct(bool& flag, bool on) {
        if (on) disjunctRow_ = disjunctCol_ = disjunctCell_ = false;
        flag = on;
    }
    bool disjunctRow_ = false, disjunctCol_ = false, disjunctCell_ = false;
};

enum class TColumnSizeLocation { clRegistry, clIniFile };

struct TColumnSize {
    bool Save = false;
    // clIniFile: the INI file's name; clRegistry: the settings store's key.
    QString Key, Section;
    bool Stretch = false;
    int StretchColumn = -1;
    bool SynchWithGrid = false;
    TColumnSizeLocation Location = TColumnSizeLocation::clRegistry;
};

enum class TAdvanceDirection { adLeftRight, adTopBottom };
enum class TInsertPosition { pInsertBefore, pInsertAfter };
enum class THomeEndAction { heFirstLastColumn, heFirstLastRow };

struct TNavigation {
    bool AllowInsertRow = false, AllowDeleteRow = false, AlwaysEdit = false, AdvanceOnEnter = false,
         AdvanceInsert = false, AutoGotoWhenSorted = false, AutoGotoIncremental = false,
         AutoComboDropSize = false, AllowClipboardShortCuts = false, AllowCtrlEnter = true,
         AllowSmartClipboard = false, AllowRTFClipboard = false, AllowFmtClipboard = false,
         AllowClipboardAlways = false, AllowClipboardRowGrow = true, AllowClipboardColGrow = true,
         AdvanceAuto = false, EditSelectAll = true, CursorWalkEditor = false, MoveRowOnSort = false,
         ImproveMaskSel = false, CopyHTMLTagsToClipboard = true, KeepHorizScroll = false,
         LineFeedOnEnter = false, SkipFixedCells = true, TabToNextAtEnd = false;
    TAdvanceDirection AdvanceDirection = TAdvanceDirection::adLeftRight;
    TAdvanceDirection TabAdvanceDirection = TAdvanceDirection::adLeftRight;
    TInsertPosition InsertPosition = TInsertPosition::pInsertBefore;
    THomeEndAction HomeEndKey = THomeEndAction::heFirstLastColumn;
};

enum class TSortDirection { sdAscending, sdDescending };
enum class TSortBlankPosition { blFirst, blLast };

class TVevIvizudEvar;

class TSortSettings : public TGridSettingsBase {
public:
    // The grid whose fixed rows bound Row (none: any row is accepted).
    explicit TSortSettings(TVevIvizudEvar* grid = nullptr) : grid_(grid) {}
    int Column = 0;
    bool Show() const { return show_; }
    void SetShow(bool on) { Store(show_, on); }
    bool IndexShow = false;
    TColor IndexColor = clYellow;
    bool Full = true, SingleColumn = false, IgnoreBlanks = false;
    TSortBlankPosition BlankPos = TSortBlankPosition::blFirst;
    bool AutoFormat = true;
    TSortDirection Direction = TSortDirection::sdAscending;
    TBitmap UpGlyph, DownGlyph, IndexUpGlyph, IndexDownGlyph;
    TSortDirection InitSortDirection = TSortDirection::sdAscending;
    bool FixedCols = false, NormalCellsOnly = false;
    // The fixed row whose cells show the sort glyphs. A row beyond the grid's FixedRows raises
    // EVozAvozError "Sort row should be smaller than number of fixed rows" and keeps the old value.
    int Row() const { return row_; }
    void SetRow(int row);
    bool UndoSort = false, AutoColumnMerge = false, AutoSortForGrouping = true;

private:
    TVevIvizudEvar* grid_;
    bool show_ = false;
    int row_ = 0;
};

struct TDragDropSettings {
    bool OleDropTarget = false, OleDropSource = false, OleAcceptText = true, OleAcceptFiles = true,
         OleDropRTF = false, OleEntireRows = false, OleInsertRows = false, OleRemoveRows = false,
         OleCopyAlways = false, OleColumnDragDrop = false;
};

enum class TControlStyle { csClassic, csFlat, csWinXP, csCorvane, csVell, csGlyph, csTheme };

struct TControlLook {
    TColor Color = clBlack;
    TBitmap CheckedGlyph, UnCheckedGlyph, RadioOnGlyph, RadioOffGlyph;
    int CheckSize = 15, RadioSize = 10;
    TControlStyle ControlStyle = TControlStyle::csWinXP;
    bool DropDownAlwaysVisible = false, FlatButton = false, NoDisabledCheckRadioLook = false;
    int ProgressMarginX = 2, ProgressMarginY = 2;
    bool ProgressXP = false;
};

class TBands : public TGridSettingsBase {
public:
    bool Active() const { return active_; }
    void SetActive(bool on) { Store(active_, on, false); }
    TColor PrimaryColor() const { return primaryColor_; }
    void SetPrimaryColor(TColor color) { SetShown(primaryColor_, color); }
    TColor SecondaryColor() const { return secondaryColor_; }
    void SetSecondaryColor(TColor color) { SetShown(secondaryColor_, color); }
    int PrimaryLength() const { return primaryLength_; }
    void SetPrimaryLength(int rows) { SetShown(primaryLength_, rows); }
    int SecondaryLength() const { return secondaryLength_; }
    void SetSecondaryLength(int rows) { SetShown(secondaryLength_, rows); }
    // PrimaryLength + SecondaryLength.
    int Period() const { return primaryLength_ + secondaryLength_; }
    bool Print = false;

private:
    template <typename T> void SetShown(T& field, T value) {
        field = value;
        if (active_) Changed();
    }
    bool active_ = false;
    TColor primaryColor_ = clInfoBk, secondaryColor_ = clWindow;
    int primaryLength_ = 1, secondaryLength_ = 1;
};

enum class TBackGroundDisplay { bdTile, bdFixed };
enum class TBackGroundCells { bcNormal, bcFixed, bcAll };

struct TBackGround {
    int Top = 0, Left = 0;
    TBackGroundDisplay Display = TBackGroundDisplay::bdTile;
    TBitmap Bitmap;
    TBackGroundCells Cells = TBackGroundCells::bcNormal;
};

enum class TFooterStyle { fsFixedLastRow, fsColumnPreview, fsCustomPreview };

struct TFloatingFooter {
    bool Visible = false;
    TColor Color = clBtnFace;
    TFooterStyle FooterStyle = TFooterStyle::fsFixedLastRow;
    int Column = 0;
    QString CustomTemplate;
    int Height = 0;
};

struct TGrouping {
    bool MergeHeader = false, MergeSummary = false;
    TColor HeaderColor = clNone, SummaryColor = clNone, HeaderColorTo = clNone, HeaderTextColor = clNone;
    bool Summary = false;
    TColor SummaryTextColor = clNone, SummaryColorTo = clNone;
};

enum class TFilterOperation { foNONE, foAND, foXOR, foOR };

struct TFilterData {
    short Column = 0;
    QString Condition;
    bool CaseSensitive = true;
    QString Prefix, Suffix;
    TFilterOperation Operation = TFilterOperation::foNONE;
};

using TFilter = std::vector<TFilterData>;

// Held and kept with the grid's settings; the program exports no HTML.
struct THTMLSettings {
    int BorderSize = 1, CellSpacing = 0, CellPadding = 0, Width = 100;
    bool SaveColor = true, SaveFonts = true, XHTML = false;
    QString FooterFile, HeaderFile, TableStyle, PrefixTag, SuffixTag;
    std::vector<int> ColWidths;
};

enum class TPrintPosition {
    ppNone,
    ppTopLeft,
    ppTopRight,
    ppTopCenter,
    ppBottomLeft,
    ppBottomRight,
    ppBottomCenter
};
enum class TPrintBorders {
    pbNoborder,
    pbSingle,
    pbDouble,
    pbVertical,
    pbHorizontal,
    pbAround,
    pbAroundVertical,
    pbAroundHorizontal,
    pbCustom
};
enum class TPrinterOrientation { poPortrait, poLandscape };
enum class TFitToPage { fpNever, fpGrow, fpShrink, fpAlways, fpCustom };

// Held and kept with the grid's settings; the grid prints nothing itself. The fonts are read when
// cell colours are asked for printing.
struct TPrintSettings {
    int FooterSize = 0, HeaderSize = 0, LeftSize = 0, RightSize = 0, ColumnSpacing = 0, RowSpacing = 0,
        TitleSpacing = 0, PageNumberOffset = 0, MaxPagesOffset = 0, FixedWidth = 0, FixedHeight = 0;
    TPrintPosition Time = TPrintPosition::ppNone, Date = TPrintPosition::ppNone,
                   PageNr = TPrintPosition::ppNone, Title = TPrintPosition::ppNone;
    QString DateFormat = QStringLiteral("dd/mm/yyyy"), TitleText, PagePrefix, PageSuffix, JobName,
            PageNumSep = QStringLiteral("/");
    QStringList TitleLines;
    TFont Font, FixedFont, HeaderFont, FooterFont;
    TPrintBorders Borders = TPrintBorders::pbSingle;
    TPenStyle BorderStyle = TPenStyle::psSolid;
    TPrinterOrientation Orientation = TPrinterOrientation::poPortrait;
    TFitToPage FitToPage = TFitToPage::fpNever;
    bool Centered = true, RepeatFixedRows = false, RepeatFixedCols = false, UseFixedHeight = false,
         UseFixedWidth = false, NoAutoSize = false, NoAutoSizeRow = false, PrintGraphics = false,
         UseDisplayFont = true;
};
