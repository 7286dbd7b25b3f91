// The one graphic a cell may carry besides its text (a check box, radio group, picture, node
// glyph, button, progress bar, ...), held by the cell's properties. This file holds its data; the
// operations that create, toggle, measure and draw graphics build on it.
#pragma once

#include <QString>

enum class TCellType {
    ctBitmap,
    ctIcon,
    ctNone,
    ctImageList,
    ctCheckBox,
    ctDataCheckBox,
    ctRotated,
    ctDataImage,
    ctNode,
    ctRadio,
    ctEmpty,
    ctImages,
    ctPicture,
    ctFilePicture,
    ctValue,
    ctProgress,
    ctComment,
    ctButton,
    ctBitButton,
    ctVirtCheckBox,
    ctProgressPie,
    ctSummary
};

enum class TCellVAlign { vaTop, vaBottom, vaCenter, vaUnderText, vaAboveText, vaFull };
enum class TCellHAlign { haLeft, haRight, haCenter, haBeforeText, haAfterText, haFull };

class TCellGraphic {
public:
    virtual ~TCellGraphic() = default;

    TCellType CellType = TCellType::ctNone;
    TCellVAlign CellVAlign = TCellVAlign::vaTop;
    TCellHAlign CellHAlign = TCellHAlign::haLeft;
    // Image index, radio item index, node span, picture margin or button size (low 16 bits width,
    // high 16 bits height), by type.
    int CellIndex = 0;
    bool CellTransparent = false;
    bool CellCreated = false;
    // Check state of a check box; contracted state of a node.
    bool CellBoolean = false;
    int CellAngle = 0;
    double CellValue = 0;
    // A marked range of the text (1-based start, length).
    short CellErrFrom = 0, CellErrLen = 0;
    QString CellText;
};

// Check boxes, radio groups and buttons answer clicks and keys themselves: no editor opens on them.
inline bool IsClickableGraphic(TCellType type) {
    return type == TCellType::ctCheckBox || type == TCellType::ctDataCheckBox ||
           type == TCellType::ctVirtCheckBox || type == TCellType::ctRadio || type == TCellType::ctButton;
}
inline bool IsCheckBoxGraphic(TCellType type) {
    return type == TCellType::ctCheckBox || type == TCellType::ctDataCheckBox ||
           type == TCellType::ctVirtCheckBox;
}
