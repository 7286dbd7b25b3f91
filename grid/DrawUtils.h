// Drawing routines of the cell graphics: gradients, progress bars and pies, bitmaps drawn with
// their top-left pixel's colour left out, the wavy error underline and the drop-down button.
#pragma once

#include "platform/ui/Canvas.h"

// Bands across the width (horizontal) or the height; see TCanvas::DrawGradient.
void DrawGradient(TCanvas& canvas, TColor fromColor, TColor toColor, bool horizontal, const TRect& rect,
                  int steps);

struct TProgressColors {
    TColor Color = clNavy, TextColor = clWhite;      // the filled part and its text
    TColor BkColor = clWhite, BkTextColor = clBlack; // the rest and its text
    TColor BorderColor = clBlack;
};
// The rectangle deflated by the margins; the percent's part of its width filled with Color, the
// rest with BkColor, each part showing "<percent>%" centred in its own text colour (clipped to the
// part), and a frame in BorderColor around.
void DrawProgressBar(TCanvas& canvas, TRect rect, int marginX, int marginY, int percent,
                     const TProgressColors& colors);
// A grey circle in the rectangle and a slice of it, clockwise from the top, for the percent.
void DrawProgressPie(TCanvas& canvas, const TRect& rect, TColor color, int percent);
// The bitmap at the rectangle's top-left corner over a background of bkColor, its top-left
// pixel's colour left out.
void DrawBitmapTransparent(TCanvas& canvas, const TBitmap& bitmap, TColor bkColor, const TRect& rect);
// The same for one of the grid's bitmap resources by name.
void DrawResourceBitmap(TCanvas& canvas, TColor bkColor, const TRect& rect, const QString& name);
// The grid's bitmap resources: "VZGCHK01".."VZGCHK08" (check boxes), "VZGRAD01".."VZGRAD08" (radio
// items), "VZGLEAFOPEN", "VZGLEAFCLOSE", "XPNODEO", "XPNODEC" (node glyphs) and "VZGFILT" (filter
// funnel); see tools/gridbitmaps.cpp for their sizes and states. An empty bitmap for another name.
const TBitmap& GridBitmap(const QString& name);
// A red zigzag, 2 pixels wide in steps of 3 pixels, below characters errFrom ..
// errFrom + errLen - 1 (1-based) of the text drawn from the rectangle's left edge; lineOffset is
// the distance from the rectangle's top to the zigzag.
void DrawErrorUnderline(TCanvas& canvas, const QString& text, int errLen, int errFrom, int lineOffset,
                        const TRect& rect);
// The drop-down button of a combo: themed when asked and a visual style is active, otherwise the
// classic scroll-bar combo button (flat when asked).
void DrawComboButton(TCanvas& canvas, const TRect& rect, bool enabled, bool flat, bool themed);
