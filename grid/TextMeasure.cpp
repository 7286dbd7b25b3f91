// How much room the content of a cell of TVevIvizudEvar takes (for sizing columns and rows to
// their content, and for hints), the lines of a row, and where turned text starts in a cell.
#include "grid/AdvancedGrid.h"

#include "grid/CellTextLayout.h"
#include "grid/HTMLDraw.h"
#include "grid/PictureContainer.h"
#include "grid/RichText.h"
#include "grid/TextUtils.h"
#include "grid/VisibleText.h"

#include <QTextDocument>
#include <cmath>

namespace {

// The canvas's font and brush are given back when measuring is done.
class TCanvasLookScope {
public:
    explicit TCanvasLookScope(TCanvas& canvas)
        : canvas_(canvas), font_(canvas.Font()), brush_(canvas.Brush()) {}
    ~TCanvasLookScope() {
        canvas_.Font() = font_;
        canvas_.Brush() = brush_;
    }
    TCanvasLookScope(const TCanvasLookScope&) = delete;
    TCanvasLookScope& operator=(const TCanvasLookScope&) = delete;

private:
    TCanvas& canvas_;
    TFont font_;
    TBrush brush_;
};

constexpr int kMaxMeasured = TGridAxis::kMaxSize;

double Radians(int degrees) {
    return degrees * M_PI / 180.0;
}

// The width of a line, measured only as far as a column can reach: longer and longer starts of it,
// each long enough by the width of the one before to pass kMaxMeasured with a quarter to spare
// (and at least twice as long), until one is wider than that or the line is whole, so that a line
// of millions of characters costs what a few thousand do.
int BoundedTextWidth(const TCanvas& canvas, QStringView line) {
    for (qsizetype length = 2048;;) {
        const bool whole = length >= line.size();
        const int width = canvas.TextWidth((whole ? line : line.first(length)).toString());
        if (whole || width > kMaxMeasured) return width;
        length = std::max(2 * length, qsizetype(double(length) * 1.25 * kMaxMeasured / std::max(width, 1)));
    }
}

} // namespace

// The size is that of the text as the painter draws it, with the text offsets on both sides.
// InColumn measures the text wrapped in the cell's width (only the height then depends on the
// text); otherwise every line is as long as it is. A text is measured only as far as a column's
// width or a row's height can reach (TGridAxis::kMaxSize): a size beyond that is one beyond all
// of them, whatever the length of the text.
TPoint TVevIvizudEvar::GetCellTextSize(int col, int row, bool inColumn) {
    const QString text = GetGridCells(col, row);
    return TextSizeOf(col, row, text, CellTextKind(text, EnableHTML), inColumn);
}

TPoint TVevIvizudEvar::TextSizeOf(int col, int row, QString text, int kind, bool inColumn) {
    TCanvas& canvas = Canvas();
    const TCanvasLookScope keep(canvas);
    const int displCol = RealToDisplCol(col);
    TGridDrawState state;
    TColor colorTo = clNone;
    TVAlignment vAlign;
    TAlignment hAlign;
    GetCellColors(displCol, row, vAlign, hAlign, canvas.Font(), colorTo, canvas.Brush(), true, true, false,
                  state);
    if (zoom_ != 0) canvas.Font().SetSize(canvas.Font().Size() + zoom_);
    if (kind == ctkFormula) text = GetCellTextRaw(col, row);

    if (kind == ctkHTML) {
        const int width = inColumn ? ColWidths(displCol) - 4 : 65535;
        const THTMLDrawResult measured =
            HTMLDrawEx(canvas, text, {0, 0, width, 65535}, GridImages, 0, 0, -1, 0, 1, false, true, false,
                       true, true, false, !EnhTextSize, false, 0.0, URLColor, clNone, clNone, clGray,
                       pictureCache_.get(), PictureContainer, this);
        return {measured.Width + 2 + 2 * kTextOffsetX, measured.Height + 2 + 2 * kTextOffsetY};
    }

    TPoint size;
    const int lineHeight = std::max(canvas.TextHeight(QStringLiteral("gh")), 1);
    if (kind == ctkRichText) {
        size = MeasureRichText(col, row, inColumn);
    } else {
        // Wide text is measured as the plain text it is.
        if (kind == ctkWide) text = GetCellTextWide(col, row);
        if (inColumn) {
            TRect r = CellRectEx(displCol, row);
            if (r.IsEmpty()) r = Bounds(0, 0, ColWidths(displCol), RowHeights(row));
            r = r.Inflated(-(2 + kTextOffsetX), -(2 + kTextOffsetY));
            if (EditorMode() && displCol == Col() && row == Row() && text.endsWith(u'\n')) text += u'w';
            const unsigned flags = DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL;
            const TRect tallest{r.Left, r.Top, r.Right, r.Top + kMaxMeasured};
            const int height =
                canvas.DrawText(VisibleText(text, tallest, flags, lineHeight), r, flags | DT_CALCRECT);
            size = {r.Width() + 2 * kTextOffsetX, height + 2 * kTextOffsetY};
        } else {
            // Each line up to CR (an LF after it goes with the break); only the first one without
            // Multilinecells.
            qsizetype lines = 0;
            int widest = 0;
            for (QStringView rest(text);;) {
                const qsizetype cr = rest.indexOf(u'\r');
                if (++lines <= kMaxMeasured / lineHeight + 1) {
                    QStringView line = cr < 0 ? rest : rest.first(cr);
                    if (URLShow && !URLFull) line = WithoutURLProtocol(line);
                    widest = std::max(widest, BoundedTextWidth(canvas, line));
                }
                if (!multiLineCells_ || cr < 0) break;
                rest = rest.sliced(cr + 1);
                if (rest.startsWith(u'\n')) rest = rest.sliced(1);
                if (rest.isEmpty()) break;
            }
            size = {widest + 2 * kTextOffsetX,
                    int(std::min<qint64>(lines * lineHeight, kMaxMeasured + lineHeight)) + 2 * kTextOffsetY};
        }
    }

    // Turned text takes the bounding box of its turned extent.
    const TCellGraphic* graphic = GetCellGraphic(col, row);
    if (graphic && graphic->CellType == TCellType::ctRotated) {
        const double a = Radians(graphic->CellAngle);
        const int w = size.X, h = size.Y;
        const auto part = [](double v) { return int(std::lround(std::abs(v))); };
        size = {part(h * std::sin(a)) + part(w * std::cos(a)) + 12,
                part(h * std::cos(a)) + part(w * std::sin(a)) + 12};
    }
    return size;
}

// A rich text is drawn inside the text offsets and a margin of the same size again.
TPoint TVevIvizudEvar::MeasureRichText(int col, int row, bool inColumn) {
    PrepareRichText(*richText_, GetGridCells(col, row), Canvas().Font());
    const int padX = 4 * kTextOffsetX, padY = kTextOffsetY + 2 * kTextOffsetX;
    int width = -1;
    if (inColumn) {
        const int displCol = RealToDisplCol(col);
        TRect r = CellRectEx(displCol, row);
        if (r.IsEmpty()) r = Bounds(0, 0, ColWidths(displCol), RowHeights(row));
        width = std::max(1, r.Width() - GridLineWidth() - padX);
    }
    const QSize size = RichTextSize(*richText_, width);
    return {(inColumn ? width : size.width()) + padX, size.height() + padY};
}

int TVevIvizudEvar::MaxLinesInRow(int row) {
    int most = 1;
    for (int c = 0; c < ColCount(); ++c)
        most = std::max(most, LineCount(GetGridCells(DisplToRealCol(c), row), multiLineCells_));
    return most;
}

void TVevIvizudEvar::RotatedTextOrigin(TRect& rect, int angle, TAlignment hAlign, TVAlignment vAlign,
                                       const QString& text) {
    const int w = Canvas().TextWidth(text + u'w'), h = Canvas().TextHeight(text + u'w');
    rect = rect.Inflated(-2, -2);
    const double a = Radians(angle);
    // The turned box's corners from the origin: the baseline runs along (cos a, -sin a), the
    // text's height along (sin a, cos a).
    const int wx = int(std::lround(std::cos(a) * w)), wy = -int(std::lround(std::sin(a) * w));
    const int hx = int(std::lround(std::sin(a) * h)), hy = int(std::lround(std::cos(a) * h));
    const int minX = std::min({0, wx, hx, wx + hx}), maxX = std::max({0, wx, hx, wx + hx});
    const int minY = std::min({0, wy, hy, wy + hy}), maxY = std::max({0, wy, hy, wy + hy});
    int x = rect.Left - minX;
    if (hAlign == TAlignment::taRightJustify)
        x = rect.Right - maxX;
    else if (hAlign == TAlignment::taCenter)
        x = rect.Left + (rect.Width() - (maxX - minX)) / 2 - minX;
    int y = rect.Top - minY;
    if (vAlign == TVAlignment::vtaBottom)
        y = rect.Bottom - maxY;
    else if (vAlign == TVAlignment::vtaCenter)
        y = rect.Top + (rect.Height() - (maxY - minY)) / 2 - minY;
    rect.Left = x;
    rect.Top = y;
}
