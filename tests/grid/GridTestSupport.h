// The advanced grid in a shown window of fixed size (see the platform's grid fixture), with
// helpers to render it through a recording canvas.
#pragma once

#include "QtPrinters.h"
#include "grid/AdvancedGrid.h"
#include "platform/ui/GridFixture.h"
#include "platform/ui/RecordingDevice.h"

#include <QPaintEvent>

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
inline void PrintTo(const TGridCoord& c, std::ostream* os) {
    *os << "(" << c.X << ", " << c.Y << ")";
}
inline void PrintTo(const TRect& r, std::ostream* os) {
    *os << "{" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "}";
}

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
