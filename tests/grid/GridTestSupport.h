// The advanced grid in a shown window of fixed size (see the platform's grid fixture), with
// helpers to render it through a recording canvas.
#pragma once

#include "QtPrinters.h"
#include "grid/AdvancedGrid.h"
#include "platform/ui/GridFixture.h"
#include "platform/ui/RecordingDevice.h"

using TAdvancedGridWindow = TGridWindow<TVevIvizudEvar>;

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

inline void PrintTo(const TPoint& p, std::ostream* os) {
    *os << "(" << p.X << ", " << p.Y << ")";
}
inline void PrintTo(const TRect& r, std::ostream* os) {
    *os << "{" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "}";
}
