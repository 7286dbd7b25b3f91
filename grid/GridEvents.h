// The events of the advanced grid. Every event is a callable member fired with the grid as
// Sender first; results come back through references (a veto starts true). The grid fires each
// through a virtual dispatcher, so a derived grid can answer without a handler.
#pragma once

#include "grid/CellProperties.h"
#include "platform/ui/EnumSet.h"
#include "platform/ui/GridTypes.h"

#include <QString>
#include <QStringList>
#include <functional>

class QObject;
class TCanvas;

enum class TCellBorder { cbTop, cbLeft, cbRight, cbBottom };
using TCellBorders = TSet<TCellBorder>;

enum class TGridLook { glStandard, glSoft, glClassic, glVell, glXP, glListView };

enum class TSortStyle : unsigned char {
    ssAutomatic,
    ssText,
    ssNumeric,
    ssDateTime,
    ssTextNoCase,
    ssTextOrdinal,
    ssDateDMY,
    ssDateMDY,
    ssCustom,
    ssNumericGrouped,
    ssLocaleText,
    ssLocaleTextNoCase,
    ssRaw,
    ssHTMLText,
    ssCellImage,
    ssCheckBox,
    ssWideText
};

using TGridColorEvent = std::function<void(QObject* Sender, int ARow, int ACol, TGridDrawState AState,
                                           TBrush& ABrush, TFont& AFont)>;
using TGridBorderEvent =
    std::function<void(QObject* Sender, int ARow, int ACol, TPen& APen, TCellBorders& Borders)>;
using TGridBorderPropEvent = std::function<void(QObject* Sender, int ARow, int ACol, TPen& LeftPen,
                                                TPen& TopPen, TPen& RightPen, TPen& BottomPen)>;
using TGridAlignEvent =
    std::function<void(QObject* Sender, int ARow, int ACol, TAlignment& HAlign, TVAlignment& VAlign)>;
using TGridFormatEvent =
    std::function<void(QObject* Sender, int ACol, TSortStyle& AStyle, QString& aPrefix, QString& aSuffix)>;
using TGetEditorTypeEvent = std::function<void(QObject* Sender, int ACol, int ARow, TEditorType& AEditor)>;
using TIsFixedCellEvent = std::function<void(QObject* Sender, int ARow, int ACol, bool& IsFixed)>;
using TCanEditCellEvent = std::function<void(QObject* Sender, int ARow, int ACol, bool& CanEdit)>;
using TIsPasswordCellEvent = std::function<void(QObject* Sender, int ARow, int ACol, bool& IsPassword)>;
using THasComboBoxEvent = std::function<void(QObject* Sender, int ACol, int ARow, bool& HasComboBox)>;
using TGetCheckEvent = std::function<void(QObject* Sender, int ACol, int ARow, QString& Value)>;
using TCanAddRowEvent = std::function<void(QObject* Sender, bool& CanAdd)>;
using TCanInsertRowEvent = std::function<void(QObject* Sender, int ARow, bool& CanInsert)>;
using TCanDeleteRowEvent = std::function<void(QObject* Sender, int ARow, bool& CanDelete)>;
using TRowEvent = std::function<void(QObject* Sender, int ARow)>;
using TColEvent = std::function<void(QObject* Sender, int ACol)>;
using TUpdateColumnSizeEvent = std::function<void(QObject* Sender, int ACol, int& AWidth)>;
using TGridHintEvent = std::function<void(QObject* Sender, int ARow, int ACol, QString& HintStr)>;
using TRowChangedEvent = std::function<void(QObject* Sender, int OldRow, int NewRow)>;
using TRowChangingEvent = std::function<void(QObject* Sender, int OldRow, int NewRow, bool& Allow)>;
using TColChangingEvent = std::function<void(QObject* Sender, int OldCol, int NewCol, bool& Allow)>;
using TCellChangingEvent =
    std::function<void(QObject* Sender, int OldRow, int OldCol, int NewRow, int NewCol, bool& Allow)>;
using TCustomCellDrawEvent = std::function<void(QObject* Sender, TCanvas& Canvas, int ACol, int ARow,
                                                TGridDrawState AState, TRect ARect, bool Printing)>;
using TFloatFormatEvent =
    std::function<void(QObject* Sender, int ACol, int ARow, bool& IsFloat, QString& FloatFormat)>;
using TCellValidateEvent =
    std::function<void(QObject* Sender, int ACol, int ARow, QString& Value, bool& Valid)>;
using TCellsChangedEvent = std::function<void(QObject* Sender, TRect R)>;
using TComboChangeEvent =
    std::function<void(QObject* Sender, int ACol, int ARow, int AItemIndex, const QString& ASelection)>;
using TComboObjectChangeEvent = std::function<void(QObject* Sender, int ACol, int ARow, int AItemIndex,
                                                   const QString& ASelection, QObject* AObject)>;
using TComboCloseUpEvent = std::function<void(QObject* Sender, int ARow, int ACol)>;
using TClipboardEvent = std::function<void(QObject* Sender, bool& Allow)>;
using TClipboardPasteCellEvent =
    std::function<void(QObject* Sender, int ACol, int ARow, QString& Value, bool& Allow)>;
using TDblClickCellEvent = std::function<void(QObject* Sender, int ARow, int ACol)>;
using TFilterProgressEvent = std::function<void(QObject* Sender, int Progress)>;
// Percent of a file read so far, rounded.
using TGridProgressEvent = std::function<void(QObject* Sender, short Progress)>;
using TCheckBoxClickEvent = std::function<void(QObject* Sender, int ACol, int ARow, bool State)>;
using TRadioClickEvent = std::function<void(QObject* Sender, int ACol, int ARow, int AIdx)>;
using TButtonClickEvent = std::function<void(QObject* Sender, int ACol, int ARow)>;
using TSelectionChangedEvent =
    std::function<void(QObject* Sender, int ALeft, int ATop, int ARight, int ABottom)>;
using TEllipsClickEvent = std::function<void(QObject* Sender, int ACol, int ARow, QString& S)>;

// ---- Pointer: clicks, anchors, sizing and moving, sorting clicks, scroll bars, hints ------------
enum class TScrollType { ssNormal, ssFlat, ssEncarta };
enum class TScrollHintType { shNone, shVertical, shHorizontal, shBoth };
enum class TIntelliPan { ipVertical, ipHorizontal, ipBoth, ipNone };

using TClickCellEvent = std::function<void(QObject* Sender, int ARow, int ACol)>;
using TNodeAllowEvent = std::function<void(QObject* Sender, int ARow, bool& Allow)>;
using TNodeEvent = std::function<void(QObject* Sender, int ARow)>;
using TAnchorClickEvent =
    std::function<void(QObject* Sender, int ARow, int ACol, const QString& Anchor, bool& AutoHandle)>;
using TAnchorEvent = std::function<void(QObject* Sender, int ARow, int ACol, const QString& Anchor)>;
using TAnchorHintEvent = std::function<void(QObject* Sender, int ARow, int ACol, QString& Anchor)>;
using TColumnAllowEvent = std::function<void(QObject* Sender, int ACol, bool& Allow)>;
using TRowAllowEvent = std::function<void(QObject* Sender, int ARow, bool& Allow)>;
using TControlEvent = std::function<void(QObject* Sender, int ARow, int ACol, const QString& CtrlID,
                                         const QString& CtrlType, const QString& CtrlVal)>;
using TControlComboListEvent = std::function<void(QObject* Sender, int ARow, int ACol, const QString& CtrlID,
                                                  const QString& CtrlVal, QStringList& Values, bool& Edit)>;
// The selection after a drag of its resizer.
using TSelectionResizeEvent =
    std::function<void(QObject* Sender, int ALeft, int ATop, int ARight, int ABottom)>;
using TCanSortEvent = std::function<void(QObject* Sender, int ACol, bool& DoSort)>;
using TClickSortEvent = std::function<void(QObject* Sender, int ACol)>;
// The row (vertical bar) or column (horizontal bar) a thumb drag reached, and its hint.
using TScrollHintEvent = std::function<void(QObject* Sender, int ARowCol, QString& Hint)>;
using TOleDragEvent =
    std::function<void(QObject* Sender, int ARow, int ACol, const QString& Data, bool& Allow)>;

// ---- Sorting: comparisons the application decides --------------------------------------------
using TCustomCompareEvent =
    std::function<void(QObject* Sender, const QString& str1, const QString& str2, int& Res)>;
using TRawCompareEvent = std::function<void(QObject* Sender, int ACol, int Row1, int Row2, int& Res)>;

// ---- Drag and drop: a drag out of the grid and drops into it -----------------------------------
// Columns are real columns; a drop of a file loaded into the grid asks OnOleDrop with row and
// column -1 and the file's name as Data.
enum class TDragEffect; // DragRunner.h
using TOleDragStartEvent = std::function<void(QObject* Sender, int ARow, int ACol)>;
using TOleDragStopEvent = std::function<void(QObject* Sender, TDragEffect Effect)>;
using TOleDragOverEvent = std::function<void(QObject* Sender, int ARow, int ACol, bool& Allow)>;
using TOleDropEvent = TOleDragEvent;
// The cells (display columns) that received the dropped text.
using TOleDroppedEvent = std::function<void(QObject* Sender, const TGridRect& Area)>;
using TOleDropColEvent = std::function<void(QObject* Sender, int ARow, int ACol, int DropCol)>;
using TOleDropFileEvent =
    std::function<void(QObject* Sender, int ARow, int ACol, const QString& FileName, bool& Allow)>;
