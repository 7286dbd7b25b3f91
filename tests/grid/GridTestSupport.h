// The advanced grid in a shown window of fixed size (see the platform's grid fixture), with
// helpers to read its texts and to render it through a recording canvas.
#pragma once

#include "QtPrinters.h"
#include "grid/AdvancedGrid.h"
#include "platform/ui/GridFixture.h"
#include "platform/ui/RecordingDevice.h"

#include <QPaintEvent>

using TAdvancedGridWindow = TGridWindow<TVevIvizudEvar>;

// The texts of a column, from the row given to the last.
inline QStringList ColumnTexts(TVevIvizudEvar& grid, int col, int fromRow = 0) {
    QStringList texts;
    for (int r = fromRow; r < grid.RowCount(); ++r) texts << grid.GetGridCells(col, r);
    return texts;
}

// The texts of every cell, row by row.
inline std::vector<QStringList> GridRows(TVevIvizudEvar& grid) {
    std::vector<QStringList> rows;
    for (int r = 0; r < grid.RowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < grid.ColCount(); ++c) row << grid.GetGridCells(c, r);
        rows.push_back(row);
    }
    return rows;
}

inline std::vector<TCanvasOp> RenderOps(TVevIvizudEvar& grid) {
    TRecordingDevice device;
    grid.RenderTo(device);
    return device.Ops;
}

// The text operations that drew the text.
inline std::vector<TCanvasOp> TextOps(const std::vector<TCanvasOp>& ops, const QString& text) {
    std::vector<TCanvasOp> found;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::Text && op.Text == text) found.push_back(op);
    return found;
}

// The colours of the fill operations that cover exactly the cell's rectangle.
inline std::vector<TColor> CellFills(TVevIvizudEvar& grid, const std::vector<TCanvasOp>& ops, int col,
                                     int row) {
    std::vector<TColor> fills;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::FillRect && op.Rect == grid.CellRect(col, row))
            fills.push_back(op.Brush.Color());
    return fills;
}

inline void PrintTo(const TPoint& p, std::ostream* os) {
    *os << "(" << p.X << ", " << p.Y << ")";
}
inline void PrintTo(const TGridCoord& c, std::ostream* os) {
    *os << "(" << c.X << ", " << c.Y << ")";
}
inline void PrintTo(const TRect& r, std::ostream* os) {
    *os << "{" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "}";
}

// A grid that remembers the rectangle of its last paint.
class TDirtyGrid : public TVevIvizudEvar {
public:
    using TVevIvizudEvar::TVevIvizudEvar;
    TRect LastDirty;

protected:
    void Paint(const TRect& dirty) override {
        LastDirty = dirty;
        TVevIvizudEvar::Paint(dirty);
    }
};

// Records the area each paint of the viewport covers.
class TPaintRegions : public QObject {
public:
    explicit TPaintRegions(QWidget* viewport) { viewport->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};
