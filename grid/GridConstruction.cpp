// Construction, defaults, appearance setters, headers and the event dispatchers of
// TVevIvizudEvar.
#include "grid/AdvancedGrid.h"

#include "grid/ComboEditor.h"
#include "grid/DateEditor.h"
#include "grid/PictureContainer.h"
#include "grid/TextEditor.h"
#include "grid/VisualStyles.h"
#include "platform/ui/PainterDevice.h"
#include "platform/ui/UiBoundary.h"

#include <QApplication>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>
#include <QTextDocument>

TVevIvizudEvar::TVevIvizudEvar(QWidget* parent) : TBaseGrid(parent) {
    InitGraphicsSettings();
    const auto repaint = [this] { InvalidateGrid(); };
    fixedFont_.SetName(QStringLiteral("Tahoma"));
    fixedFont_.SetStyle({TFontStyle::fsBold});
    fixedFont_.OnChange = repaint;
    activeCellFont_.SetStyle({TFontStyle::fsBold});
    activeCellFont_.OnChange = repaint;
    CellNode.OnChange = repaint;
    Bands.OnChange = repaint;
    SortSettings.OnChange = repaint;
    MergedColumns.OnChange = [this](TIntList&, int, int) { ApplyColumnMerges(); };
    TBaseGrid::SetDefaultRowHeight(21);
    pictureCache_ = std::make_unique<THTMLPictureCache>();
    richText_ = std::make_unique<QTextDocument>();
    xpFlag_ = VisualStyles::IsThemeActive();
    combo_ = new TGridCombo(this);
    datePicker_ = new TGridDatePicker(this);
    CreateEditorControls();
    UpdateFlatBorder();
    InitPointer();
    InitDragDrop();
}

TVevIvizudEvar::~TVevIvizudEvar() {
    if (ColumnSize.Save) GuardUi([this] { SaveColumnSizes(); });
    SetDragCursor(false);
    EndPan();
}

void TVevIvizudEvar::Loaded() {
    loading_ = true;
    WriteHeaders();
    if (look_ == TGridLook::glVell) themeColor1_ = clSilver, themeColor2_ = clWhite;
    if (ColumnSize.Save) LoadColumnSizes();
    savedFixedRows_ = TBaseGrid::FixedRows();
    fixedRowHeight_ = DefaultRowHeight();
    if (TBaseGrid::Options().Contains(goAlwaysShowEditor)) SetOptions(TBaseGrid::Options());
    loading_ = false;
}

void TVevIvizudEvar::SetOptions(TGridOptions options) {
    if (options.Contains(goAlwaysShowEditor)) {
        options.Exclude(goAlwaysShowEditor);
        Navigation.AlwaysEdit = true;
    }
    TBaseGrid::SetOptions(options);
}

TInplaceEdit* TVevIvizudEvar::CreateEditor() {
    return new TVozErivuzaRive(this);
}

TVozErivuzaRive* TVevIvizudEvar::TextEditor() const {
    return static_cast<TVozErivuzaRive*>(InplaceEditor());
}

void TVevIvizudEvar::SetMultilinecells(bool on) {
    multiLineCells_ = on;
    InvalidateGrid();
}

void TVevIvizudEvar::SetVAlignment(TVAlignment alignment) {
    vAlignment_ = alignment;
    if (UpdateCount() == 0) InvalidateGrid();
}

void TVevIvizudEvar::SetWordWrap(bool on) {
    wordWrap_ = on;
    if (TextEditor()) TextEditor()->SetWordWrap(on);
    if (UpdateCount() == 0) InvalidateGrid();
}

void TVevIvizudEvar::SetLook(TGridLook look) {
    if (look == look_) return;
    look_ = look;
    UpdateFlatBorder();
    InvalidateGrid();
    if (!loading_) RepaintFooter();
}

void TVevIvizudEvar::SetFlat(bool on) {
    flat_ = on;
    UpdateFlatBorder();
    if (!loading_) InvalidateGrid();
}

void TVevIvizudEvar::SetSelectionColor(TColor color) {
    selectionColor_ = color;
    InvalidateGrid();
}

void TVevIvizudEvar::SetSelectionTextColor(TColor color) {
    selectionTextColor_ = color;
    InvalidateGrid();
}

void TVevIvizudEvar::SetSelectionRectangle(bool on) {
    selectionRectangle_ = on;
    InvalidateGrid();
}

void TVevIvizudEvar::SetShowSelection(bool on) {
    if (on == showSelection_) return;
    showSelection_ = on;
    InvalidateGrid();
}

void TVevIvizudEvar::SetMaxEditLength(int length) {
    maxEditLength_ = std::max(length, 0);
    if (TextEditor()) TextEditor()->SetLengthLimit(short(std::min(maxEditLength_, 32767)));
}

void TVevIvizudEvar::SetFixedFooters(int count) {
    fixedFooters_ = std::max(count, 0);
    InvalidateGrid();
}

void TVevIvizudEvar::SetFixedRightCols(int count) {
    fixedRightCols_ = std::max(count, 0);
    InvalidateGrid();
}

void TVevIvizudEvar::SetFixedRowHeight(int height) {
    fixedRowHeight_ = height;
}

void TVevIvizudEvar::SetDefaultRowHeight(int height) {
    TBaseGrid::SetDefaultRowHeight(height);
    fixedRowHeight_ = height;
    SetFooterHeight(height);
}

void TVevIvizudEvar::SetIntegralHeight(bool on) {
    integralHeight_ = on;
    SetBounds(x(), y(), width(), height());
}

void TVevIvizudEvar::SetBounds(int left, int top, int width, int height) {
    if (integralHeight_ && UpdateCount() == 0 && DefaultRowHeight() >= 1) {
        const int scrollBar = VisibleColCount() + FixedCols() < ColCount()
                                  ? style()->pixelMetric(QStyle::PM_ScrollBarExtent)
                                  : 0;
        const int border = BorderStyle() == TGridBorderStyle::bsSingle ? 2 : 0;
        const int h = height - scrollBar - border;
        height = h - h % DefaultRowHeight() + scrollBar + 2 * border;
    }
    setGeometry(left, top, width, height);
}

void TVevIvizudEvar::SetColumnHeaders(const QStringList& headers) {
    if (TBaseGrid::FixedRows() > 0)
        for (int c = 0; c < ColCount(); ++c) SetCells(c, 0, QString());
    columnHeaders_ = headers;
    WriteHeaders();
}

void TVevIvizudEvar::SetRowHeaders(const QStringList& headers) {
    rowHeaders_ = headers;
    WriteHeaders();
}

void TVevIvizudEvar::WriteHeaders() {
    const QString escapedNewline = QStringLiteral("\\n");
    for (int i = 0; i < columnHeaders_.size() && i < ColCount() && TBaseGrid::FixedRows() > 0; ++i)
        SetCells(i, 0, QString(columnHeaders_[i]).replace(escapedNewline, QStringLiteral("\r")));
    for (int i = 0; i < rowHeaders_.size() && i < RowCount() && TBaseGrid::FixedCols() > 0; ++i)
        SetCells(0, i, QString(rowHeaders_[i]).replace(escapedNewline, QStringLiteral("\r")));
}

bool TVevIvizudEvar::event(QEvent* e) {
    const bool result = TBaseGrid::event(e);
    if (e->type() == QEvent::Paint && UpdateCount() < 1) {
        QPainter painter(this);
        TPainterDevice device(painter);
        TCanvas canvas(&device);
        GuardUi([&] { PaintFlatBorder(canvas); });
    }
    return result;
}

void TVevIvizudEvar::resizeEvent(QResizeEvent* e) {
    TBaseGrid::resizeEvent(e);
    GuardUi([this] {
        GridResized();
        DoResize();
    });
}

bool TVevIvizudEvar::HasFlatBorder() const {
    const bool flatLook = look_ == TGridLook::glSoft || look_ == TGridLook::glVell ||
                          look_ == TGridLook::glXP || look_ == TGridLook::glListView;
    return flatLook && BorderStyle() == TGridBorderStyle::bsSingle && !flat_;
}

// The flat border is two pixels wide: the viewport keeps clear of it.
void TVevIvizudEvar::UpdateFlatBorder() {
    const int margin = HasFlatBorder() ? std::max(0, 2 - frameWidth()) : 0;
    setViewportMargins(margin, margin, margin, margin);
    update();
}

void TVevIvizudEvar::PaintFlatBorder(TCanvas& canvas) {
    if (!HasFlatBorder()) return;
    const int w = width(), h = height();
    canvas.Pen().SetColor(xpFlag_ ? 0xB99D7F : clGray);
    canvas.Pen().SetWidth(1);
    canvas.Polyline({{1, h}, {1, 1}, {w - 2, 1}, {w - 2, h - 2}, {1, h - 2}});
    if (parentWidget()) {
        canvas.Pen().SetColor(FromQColor(parentWidget()->palette().color(QPalette::Window)));
        canvas.Polyline({{0, h}, {0, 0}, {w - 1, 0}, {w - 1, h - 1}, {0, h - 1}});
    }
}

int TVevIvizudEvar::GetVersionNr() {
    return (2 << 24) | (7 << 16) | (0 << 8) | 3;
}

QString TVevIvizudEvar::GetVersionString() {
    return QStringLiteral("2.7.0.3 January, 2004");
}
