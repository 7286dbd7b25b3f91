#include "grid/DrawUtils.h"

#include "grid/VisualStyles.h"

#include <QHash>
#include <cmath>

void DrawGradient(TCanvas& canvas, TColor fromColor, TColor toColor, bool horizontal, const TRect& rect,
                  int steps) {
    canvas.DrawGradient(fromColor, toColor, horizontal, rect, steps);
}

void DrawProgressBar(TCanvas& canvas, TRect rect, int marginX, int marginY, int percent,
                     const TProgressColors& colors) {
    rect = rect.Inflated(-marginX, -marginY);
    if (rect.IsEmpty()) return;
    percent = std::clamp(percent, 0, 100);
    const QString text = QString::number(percent) + u'%';
    const int split = rect.Left + rect.Width() * percent / 100;
    const int textWidth = canvas.TextWidth(text);
    const int x = rect.Left + (rect.Width() - textWidth) / 2;
    const int y = rect.Top + (rect.Height() - canvas.TextHeight(text)) / 2;
    const TBrush saved = canvas.Brush();
    const TColor savedFont = canvas.Font().Color();
    auto part = [&](const TRect& r, TColor fill, TColor textColor) {
        if (r.IsEmpty()) return;
        canvas.Brush().SetColor(fill);
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.Font().SetColor(textColor);
        canvas.TextRect(r, x, y, text);
    };
    part({rect.Left, rect.Top, split, rect.Bottom}, colors.Color, colors.TextColor);
    part({split, rect.Top, rect.Right, rect.Bottom}, colors.BkColor, colors.BkTextColor);
    canvas.Brush().SetColor(colors.BorderColor);
    canvas.FrameRect(rect.Inflated(1, 1));
    canvas.Brush() = saved;
    canvas.Font().SetColor(savedFont);
}

void DrawProgressPie(TCanvas& canvas, const TRect& rect, TColor color, int percent) {
    const TPen savedPen = canvas.Pen();
    const TBrush savedBrush = canvas.Brush();
    canvas.Pen().SetColor(clGray);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.Ellipse(rect);
    percent = std::clamp(percent, 0, 100);
    if (percent > 0) {
        canvas.Pen().SetColor(color);
        canvas.Brush().SetColor(color);
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        const double cx = (rect.Left + rect.Right) / 2.0, cy = (rect.Top + rect.Bottom) / 2.0;
        const TPoint top{int(cx), rect.Top};
        if (percent == 100) {
            canvas.Ellipse(rect);
        } else {
            // Pies run counter-clockwise from the first radial: start at the slice's end.
            const double angle = M_PI / 2 - 2 * M_PI * percent / 100.0;
            const TPoint end{int(std::lround(cx + 100 * std::cos(angle))),
                             int(std::lround(cy - 100 * std::sin(angle)))};
            canvas.Pie(rect, end, top);
        }
    }
    canvas.Pen() = savedPen;
    canvas.Brush() = savedBrush;
}

void DrawBitmapTransparent(TCanvas& canvas, const TBitmap& bitmap, TColor bkColor, const TRect& rect) {
    if (bitmap.Empty()) return;
    const TBrush saved = canvas.Brush();
    canvas.Brush().SetColor(bkColor);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.FillRect(Bounds(rect.Left, rect.Top, bitmap.Width(), bitmap.Height()));
    canvas.Brush() = saved;
    canvas.DrawTransparent(rect.Left, rect.Top, bitmap, bitmap.TransparentColor());
}

void DrawResourceBitmap(TCanvas& canvas, TColor bkColor, const TRect& rect, const QString& name) {
    DrawBitmapTransparent(canvas, GridBitmap(name), bkColor, rect);
}

const TBitmap& GridBitmap(const QString& name) {
    static QHash<QString, TBitmap> loaded;
    auto found = loaded.find(name);
    if (found == loaded.end()) {
        QImage image(QStringLiteral(":/grid/%1.png").arg(name));
        if (!image.isNull()) image = image.convertToFormat(QImage::Format_RGB32);
        found = loaded.insert(name, TBitmap(image));
    }
    return *found;
}

void DrawErrorUnderline(TCanvas& canvas, const QString& text, int errLen, int errFrom, int lineOffset,
                        const TRect& rect) {
    if (errLen <= 0 || errFrom < 1 || errFrom > text.size()) return;
    const int from = rect.Left + canvas.TextWidth(text.left(errFrom - 1));
    const int to = rect.Left + canvas.TextWidth(text.left(errFrom - 1 + errLen));
    const int y = rect.Top + lineOffset;
    std::vector<TPoint> points;
    bool up = false;
    for (int x = from; x <= to; x += 3, up = !up) points.push_back({x, up ? y - 2 : y});
    if (points.size() < 2) points.push_back({from + 3, y - 2});
    const TPen saved = canvas.Pen();
    canvas.Pen().SetColor(clRed);
    canvas.Pen().SetWidth(2);
    canvas.Pen().SetStyle(TPenStyle::psSolid);
    canvas.Polyline(points);
    canvas.Pen() = saved;
}

void DrawComboButton(TCanvas& canvas, const TRect& rect, bool enabled, bool flat, bool themed) {
    if (themed && VisualStyles::IsThemeActive()) {
        DrawThemeBackground(canvas, TThemeClass::ComboBox, 1, enabled ? 1 : 4, rect);
        return;
    }
    unsigned state = DFCS_SCROLLCOMBOBOX;
    if (!enabled) state |= DFCS_INACTIVE;
    if (flat) state |= DFCS_FLAT;
    canvas.DrawFrameControl(rect, DFC_SCROLL, state);
}
