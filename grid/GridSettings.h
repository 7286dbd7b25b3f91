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
#include <algorithm>
#include <functional>
#include <vector>

// A published value whose assignment does what a property setter of the class library does (a
// repaint, a linked setting): it reads as the value (conversion, Get(), ->), and assigning it runs
// the setter its owner bound to it; Store changes the value without the setter.
template <typename T> class TSettingProperty {
public:
    explicit TSettingProperty(T value = T()) : value_(std::move(value)) {}
    TSettingProperty(const TSettingProperty&) = delete;
    TSettingProperty& operator=(const TSettingProperty& other) { return *this = other.Get(); }
    TSettingProperty& operator=(const T& value) {
        if (setter_)
            setter_(value);
        else
            value_ = value;
        return *this;
    }
    operator const T&() const { return value_; }
    const T& Get() const { return value_; }
    const T* operator->() const { return &value_; }
    void Bind(std::function<void(const T&)> setter) { setter_ = std::move(setter); }
    void Store(const T& value) { value_ = value; }

private:
    T value_;
    std::function<void(const T&)> setter_;
};

// A bitmap setting: assigning a picture copies it and tells the owner.
class TSettingBitmap : public TBitmap {
public:
    TSettingBitmap() = default;
    TSettingBitmap(const TSettingBitmap&) = delete;
    TSettingBitmap& operator=(const TSettingBitmap& other) {
        return *this = static_cast<const TBitmap&>(other);
    }
    TSettingBitmap& operator=(const TBitmap& picture) {
        TBitmap::operator=(picture);
        if (OnChange) OnChange();
        return *this;
    }
    std::function<void()> OnChange;
};

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
    // Assigning the property stores the value and tells the owner (OnChange), changed or not.
    template <typename T> void Repaints(TSettingProperty<T>& property) {
        property.Bind([this, &property](const T& value) {
            property.Store(value);
            Changed();
        });
    }
    void Repaints(TSettingBitmap& bitmap) {
        bitmap.OnChange = [this] { Changed(); };
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
    static constexpr int kMaxNodeIndent = 255;
    int NodeIndent() const { return nodeIndent_; }
    // Limited to 0..kMaxNodeIndent pixels per level.
    void SetNodeIndent(int indent) { Store(nodeIndent_, std::clamp(indent, 0, kMaxNodeIndent)); }
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

// ---- Drag and drop ----------------------------------------------------------------------------
// OleDropTarget registers the grid as a drop target (or takes it back); OleAcceptText,
// OleAcceptFiles and OleDropRTF (rich text preferred to plain text, in drops and in what a drag
// offers) reach the registered target at once. The grid binds their setters.
struct TDragDropSettings {
    TSettingProperty<bool> OleDropTarget{false}, OleAcceptText{true}, OleAcceptFiles{true}, OleDropRTF{false};
    bool OleDropSource = false, OleEntireRows = false, OleInsertRows = false, OleRemoveRows = false,
         OleCopyAlways = false, OleColumnDragDrop = false;
};

enum class TControlStyle { csClassic, csFlat, csWinXP, csCorvane, csVell, csGlyph, csTheme };

// The look of check boxes, radio groups, buttons and progress bars in cells; assigning any of it
// repaints the grid.
class TControlLook : public TGridSettingsBase {
public:
    TControlLook() {
        Repaints(Color), Repaints(CheckedGlyph), Repaints(UnCheckedGlyph), Repaints(RadioOnGlyph);
        Repaints(RadioOffGlyph), Repaints(CheckSize), Repaints(RadioSize), Repaints(ControlStyle);
        Repaints(DropDownAlwaysVisible), Repaints(FlatButton), Repaints(NoDisabledCheckRadioLook);
        Repaints(ProgressMarginX), Repaints(ProgressMarginY), Repaints(ProgressXP);
    }
    TSettingProperty<TColor> Color{clBlack};
    TSettingBitmap CheckedGlyph, UnCheckedGlyph, RadioOnGlyph, RadioOffGlyph;
    TSettingProperty<int> CheckSize{15}, RadioSize{10};
    TSettingProperty<TControlStyle> ControlStyle{TControlStyle::csWinXP};
    TSettingProperty<bool> DropDownAlwaysVisible{false}, FlatButton{false}, NoDisabledCheckRadioLook{false};
    TSettingProperty<int> ProgressMarginX{2}, ProgressMarginY{2};
    TSettingProperty<bool> ProgressXP{false};
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

// The picture behind the cells; assigning any of it repaints the grid.
class TBackGround : public TGridSettingsBase {
public:
    TBackGround() { Repaints(Top), Repaints(Left), Repaints(Display), Repaints(Bitmap), Repaints(Cells); }
    TSettingProperty<int> Top{0}, Left{0};
    TSettingProperty<TBackGroundDisplay> Display{TBackGroundDisplay::bdTile};
    TSettingBitmap Bitmap;
    TSettingProperty<TBackGroundCells> Cells{TBackGroundCells::bcNormal};
};

enum class TFooterStyle { fsFixedLastRow, fsColumnPreview, fsCustomPreview };

// The footer shown in a panel along the grid's bottom edge (FooterPanel.h): the grid's last row
// (fsFixedLastRow), one cell of the current row stretched over the width (fsColumnPreview) or a
// template with the current row's cells in it (fsCustomPreview). The grid binds the setters:
// - Visible shows or hides the panel (Height - 1 high), sets FixedFooters to 1 with fsFixedLastRow
//   and to 0 otherwise, and makes the last row the footer row with fsFixedLastRow;
// - FooterStyle makes the last row the footer row or not (FixedFooters stays as it is);
// - Color, Column and CustomTemplate repaint the panel.
// CustomTemplate: "<#n>" stands for column n of the current row (n not a number, or no column of
// the grid: nothing); a "<#" without a ">" after it ends the placeholders, the rest showing as it
// stands.
class TFloatingFooter {
public:
    TFloatingFooter() = default;
    TFloatingFooter(const TFloatingFooter&) = delete;
    TSettingProperty<bool> Visible{false};
    TSettingProperty<TColor> Color{clBtnFace};
    TSettingProperty<TFooterStyle> FooterStyle{TFooterStyle::fsFixedLastRow};
    TSettingProperty<int> Column{0};
    TSettingProperty<QString> CustomTemplate;
    // The footer's height in pixels: the grid's default row height.
    int Height = 21;
};

// Held and kept with the grid's settings; no grid operation reads it. Its six colours start not
// set.
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

class TVevIvizudEvar;

// The filter's conditions, in the order they are combined (TVevIvizudEvar::MatchesFilter).
class TFilter : public std::vector<TFilterData> {
public:
    explicit TFilter(TVevIvizudEvar* owner = nullptr) : owner_(owner) {}
    // Assigning conditions keeps the owner.
    using std::vector<TFilterData>::operator=;
    TVevIvizudEvar* Owner() const { return owner_; }
    // A new condition at the end, with the defaults.
    TFilterData& Add() { return emplace_back(); }
    int Count() const { return int(size()); }
    TFilterData& Items(int index) { return at(size_t(index)); }

private:
    TVevIvizudEvar* owner_;
};

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
