// The properties a cell of the grid may have besides its text: colours and font, alignment,
// merging, borders, editor kind, read-only flag, node level, a graphic and a control. A cell gets
// its properties object on demand; the cell's object slot owns it (see CellStore.h).
//
// Colours that are not set hold clNone ($1FFFFFFF); a font size of 0, an empty font name and an
// empty style mean "the grid's".
#pragma once

#include "grid/CellGraphic.h"
#include "grid/EditorTypes.h"
#include "platform/ui/CellStore.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/GridTypes.h"

#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <memory>

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TVAlignment { vtaTop, vtaCenter, vtaBottom };

class TBaseGrid;

class TCellProperties : public TCellObject {
public:
    TCellProperties(TBaseGrid* owner, int col, int row);

    TBaseGrid* Owner() const { return owner_; }
    // The cell (real column, row) that holds the properties now. Rows and columns move (sorts,
    // inserts, moves) without telling the properties, so the owner grid looks for them, first in
    // the cell they were last seen in. (-1, -1) while no cell of the grid holds them (a hidden row,
    // or taken out of the grid).
    int OwnerCol() const;
    int OwnerRow() const;
    // A slot for the application; not owned.
    void* CellObject = nullptr;
    // The cell's graphic: owned, or shared (a virtual check box).
    TCellGraphicSlot CellGraphic;
    TBrushStyle BrushStyle = TBrushStyle::bsSolid;
    TColor BrushColor() const { return brushColor_; }
    void SetBrushColor(TColor color);
    TColor BrushColorTo() const { return brushColorTo_; }
    void SetBrushColorTo(TColor color);
    int FontSize = 0;
    TColor FontColor = clNone;
    TFontStyles FontStyle;
    // Base cell: extra columns/rows of its block; member: offset from the base; -1: not merged.
    int CellSpanY = -1, CellSpanX = -1;
    int BorderWidth = 0;
    TColor BorderColor = 0;
    TAlignment Alignment = TAlignment::taLeftJustify;
    TVAlignment VAlignment() const { return vAlignment_; }
    void SetVAlignment(TVAlignment alignment);
    // The paint in which a merged block was last drawn.
    int PaintStamp = 0;
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on);
    bool IsBaseCell = true;
    // The depth of the row's node; painting and indenting read it as Level().
    int NodeLevel = 0;
    static constexpr int kMaxNodeLevel = 255;
    // NodeLevel limited to 0..kMaxNodeLevel: a level from a stream or a clipboard costs at most
    // that many tree lines and indents.
    int Level() const { return std::clamp(NodeLevel, 0, kMaxNodeLevel); }
    TEditorType Editor = TEditorType::edNormal;
    QString FontName;
    bool ReadOnly = false;
    // A control shown in the cell; not owned.
    QPointer<QWidget> Control;
    // What a cell of the floating footer's row shows (low 7 bits): 0 nothing, 1 the sum, 2 the
    // average, 3 the count, 4 the minimum, 5 the maximum of its column's data rows.
    unsigned char CalcType = 0;

    // The base cell of the cell's block: the cell itself unless it is a member.
    TGridCoord BaseCellOf(int col, int row) const;
    // Copies everything but BrushColorTo, CellObject and CellGraphic; the properties stay where
    // they are (the other cell's place is not theirs).
    void Assign(const TCellProperties& other);

private:
    friend class TBaseGrid;
    void Repaint();

    TBaseGrid* owner_;
    // Where the owner grid last saw the properties: a hint, checked before it is used.
    mutable TGridCoord seenAt_;
    TColor brushColor_ = clNone, brushColorTo_ = clNone;
    TVAlignment vAlignment_ = TVAlignment::vtaTop;
    bool wordWrap_ = false;
};
