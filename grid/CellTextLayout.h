// What the cell painter and the cell measurer share: the text offset inside a cell, the text
// drawing flags of the alignments, and a clip that narrows the canvas's clip for a while.
#pragma once

#include "grid/CellProperties.h"
#include "platform/ui/Canvas.h"

// The distance of a cell's text from the cell's left and right (X) and top (Y) edges.
constexpr int kTextOffsetX = 2, kTextOffsetY = 2;

inline unsigned HAlignFlag(TAlignment align) {
    return align == TAlignment::taRightJustify ? DT_RIGHT
           : align == TAlignment::taCenter     ? DT_CENTER
                                               : DT_LEFT;
}

inline unsigned VAlignFlag(TVAlignment align) {
    return align == TVAlignment::vtaCenter   ? DT_VCENTER
           : align == TVAlignment::vtaBottom ? DT_BOTTOM
                                             : DT_TOP;
}

// Clips the canvas to the rectangle within the clip it had, and gives that clip back at the end.
class TClipScope {
public:
    TClipScope(TCanvas& canvas, const TRect& rect) : canvas_(canvas), old_(canvas.ClipRect()) {
        canvas.SetClipRect(old_ ? IntersectRect(*old_, rect) : rect);
    }
    ~TClipScope() {
        if (old_)
            canvas_.SetClipRect(*old_);
        else
            canvas_.ClearClip();
    }
    TClipScope(const TClipScope&) = delete;
    TClipScope& operator=(const TClipScope&) = delete;

private:
    TCanvas& canvas_;
    std::optional<TRect> old_;
};
