// The scroll bars of TVevIvizudEvar and what follows a change of the grid's size: the bars' width
// and colour, the hint with the row or column a dragged thumb has reached, scrolling while a thumb
// is dragged, the stretched column, column widths that follow the grid's width, and a grid that
// grows with its window.
//
// The bars are Qt's own: ScrollWidth and ScrollColor reach them through a style sheet (only the
// parts set differ from the style's look), every ScrollType looks like ssNormal, and their values
// are the top row and the left column themselves.
#include "grid/AdvancedGrid.h"
#include "grid/ScopedFlag.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScrollBar>

namespace {

bool WantsVertical(TScrollStyle bars) {
    return bars == TScrollStyle::ssVertical || bars == TScrollStyle::ssBoth;
}

bool WantsHorizontal(TScrollStyle bars) {
    return bars == TScrollStyle::ssHorizontal || bars == TScrollStyle::ssBoth;
}

} // namespace

void TVevIvizudEvar::SetScrollType(TScrollType type) {
    scrollType_ = type;
    ApplyScrollAppearance();
}

void TVevIvizudEvar::SetScrollColor(TColor color) {
    scrollColor_ = color;
    ApplyScrollAppearance();
}

void TVevIvizudEvar::SetScrollWidth(int width) {
    scrollWidth_ = width;
    ApplyScrollAppearance();
}

void TVevIvizudEvar::SetScrollBars(TScrollStyle bars) {
    TBaseGrid::SetScrollBars(bars);
    ApplyScrollAppearance();
}

// Each bar the grid wants gets a style sheet with what was set of its width and colour; a bar it
// does not want is left alone.
void TVevIvizudEvar::ApplyScrollAppearance() {
    auto sheet = [this](bool vertical) {
        QStringList rules;
        if (scrollWidth_ > 0 && scrollWidth_ != defaultScrollWidth_)
            rules << QStringLiteral("%1: %2px;").arg(vertical ? "width" : "height").arg(scrollWidth_);
        if (IsColorSet(scrollColor_))
            rules << QStringLiteral("background: %1;").arg(ToQColor(ColorToRGB(scrollColor_)).name());
        return rules.isEmpty() ? QString()
                               : QStringLiteral("QScrollBar { %1 }").arg(rules.join(QLatin1Char(' ')));
    };
    bool changed = false;
    auto apply = [&](QScrollBar* bar, const QString& rules) {
        if (bar->styleSheet() == rules) return;
        bar->setStyleSheet(rules);
        changed = true;
    };
    if (WantsVertical(ScrollBars())) apply(verticalScrollBar(), sheet(true));
    if (WantsHorizontal(ScrollBars())) apply(horizontalScrollBar(), sheet(false));
    // The scroll area lays its bars out again for their size once their new style has settled.
    if (changed) QCoreApplication::postEvent(this, new QEvent(QEvent::StyleChange));
}

// A thumb being dragged has reached a row (column): with ScrollHints for that bar the hint shows
// it beside the pointer; with ScrollSynch the grid scrolls there at once.
void TVevIvizudEvar::ThumbTracking(bool vertical, int value) {
    const bool hinted =
        ScrollHints == TScrollHintType::shBoth ||
        ScrollHints == (vertical ? TScrollHintType::shVertical : TScrollHintType::shHorizontal);
    if (hinted) {
        QString hint =
            (vertical ? QStringLiteral("Row : ") : QStringLiteral("Col : ")) + QString::number(value);
        ScrollHint(value, hint);
        const QPoint at = QCursor::pos() + QPoint(10, 10);
        ShowHintAt(hint, FromQPoint(at));
        scrollHintShowing_ = true;
    }
    if (ScrollSynch) vertical ? SetTopRow(value) : SetLeftCol(value);
    const TGridCoord base = BaseCell(RealCol(), Row());
    if (IsCheckBoxGraphic(GetCellType(base.X, base.Y))) HideEditor();
    if (!vertical) RepaintFooter();
}

void TVevIvizudEvar::ThumbReleased() {
    if (!scrollHintShowing_) return;
    scrollHintShowing_ = false;
    HideHint();
}

// ---- Resizing -------------------------------------------------------------------------------------------

// With ColumnSize.Stretch the stretch column fills what the other columns leave; otherwise, with
// ColumnSize.SynchWithGrid, every column keeps its share of the grid's width.
void TVevIvizudEvar::GridResized() {
    if (resizeBusy_) return;
    const TScopedFlag busy(resizeBusy_);
    const int gridWidth = width();
    const int stretch = ColumnSize.StretchColumn == -1 ? ColCount() - 1 : ColumnSize.StretchColumn;
    if (ColumnSize.Stretch && stretch >= 0 && stretch < ColCount()) {
        int others = 0;
        for (int c = 0; c < ColCount(); ++c)
            if (c != stretch) others += ColWidths(c);
        if (others < ClientWidth()) StretchColumn(ColumnSize.StretchColumn);
    } else if (ColumnSize.SynchWithGrid && lastGridWidth_ > 0 && gridWidth != lastGridWidth_) {
        EndPendingChange();
        const double factor = double(gridWidth) / lastGridWidth_;
        BeginUpdate();
        for (int c = 0; c < ColCount(); ++c) SetColWidths(c, int(std::lround(ColWidths(c) * factor)));
        EndUpdate();
    }
    lastGridWidth_ = gridWidth;
    ApplyScrollAppearance();
}

void TVevIvizudEvar::showEvent(QShowEvent* e) {
    TBaseGrid::showEvent(e);
    QWidget* form = window();
    if (form == this || form == form_) return;
    if (form_) form_->removeEventFilter(this);
    form_ = form;
    formSize_ = form->size();
    form->installEventFilter(this);
}

// With SizeWithForm the grid grows and shrinks by what its window grows and shrinks.
void TVevIvizudEvar::FormResized(QSize size) {
    const QSize change = size - formSize_;
    formSize_ = size;
    if (!SizeWithForm || change.isNull()) return;
    const int newWidth = width() + change.width(), newHeight = height() + change.height();
    if (newWidth > 0 && newHeight > 0) resize(newWidth, newHeight);
    if (ColumnSize.Stretch) {
        const int stretch = ColumnSize.StretchColumn == -1 ? ColCount() - 1 : ColumnSize.StretchColumn;
        if (stretch >= 0 && stretch < ColCount()) StretchColumn(ColumnSize.StretchColumn);
    }
}

void TVevIvizudEvar::SizeChanged(int oldColCount, int oldRowCount) {
    TBaseGrid::SizeChanged(oldColCount, oldRowCount);
    const int stretch = ColumnSize.StretchColumn == -1 ? ColCount() - 1 : ColumnSize.StretchColumn;
    if (ColumnSize.Stretch && stretch >= 0 && stretch < ColCount() && parentWidget())
        StretchColumn(ColumnSize.StretchColumn);
    if (FooterRowCount() > 0 || fixedRightCols_ > 0) InvalidateGrid();
}
