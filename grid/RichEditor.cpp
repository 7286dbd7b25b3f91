#include "grid/RichEditor.h"

#include "grid/AdvancedGrid.h"
#include "grid/RichText.h"
#include "platform/ui/Keys.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <cmath>

TDazOrarOvid::TDazOrarOvid(TVevIvizudEvar& grid) : TRichEditControl(&grid), grid_(grid) {
    setFrameShape(QFrame::NoFrame);
    setAcceptRichText(false);
    document()->setDocumentMargin(1);
    hide();
    QObject::connect(
        document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
        [this](const QSizeF& size) { GuardUi([&] { RequestResize(int(std::ceil(size.height()))); }); });
}

void TDazOrarOvid::LoadCellText(const QString& text) {
    resizeLock_ = true;
    loaded_ = text;
    if (text.startsWith(QStringLiteral("{\\")))
        RTFToDocument(text, *document());
    else
        setPlainText(text);
    document()->setModified(false);
    resizeLock_ = false;
}

QString TDazOrarOvid::CellText() const {
    return document()->isModified() ? DocumentToRTF(*document()) : loaded_;
}

void TDazOrarOvid::RequestResize(int height) {
    TVevIvizudEvar& grid = grid_;
    if (resizeLock_ || !isVisible() || !grid.SizeWhileTyping.Height) return;
    const int row = grid.Row();
    const TRect cell = grid.CellRect(grid.Col(), row);
    if (height <= grid.RowHeights(row) || cell.Top + height >= grid.ClientHeight()) return;
    resizeLock_ = true;
    resize(width(), height + 4);
    grid.SetRowHeights(row, height + 5);
    resize(width(), height + 4);
    resizeLock_ = false;
    grid.DoEndRowSize(row);
}

void TDazOrarOvid::KeyDown(int& key, TShiftState shift) {
    TRichEditControl::KeyDown(key, shift);
    if (key != VK_TAB && key != VK_ESCAPE) return;
    const int handed = key;
    key = 0;
    if (handed == VK_ESCAPE) grid_.DiscardEditorValue();
    grid_.ControlKeyToGrid(handed, shift);
}

// Up and Down move the caret first; in a grid of one-line cells they then go on to the next row.
void TDazOrarOvid::ControlKey(QKeyEvent* e) {
    TRichEditControl::ControlKey(e);
    const bool vertical = e->key() == Qt::Key_Up || e->key() == Qt::Key_Down;
    if (!vertical || grid_.WordWrap() || grid_.Multilinecells()) return;
    TVevIvizudEvar& grid = grid_;
    grid.HideInplaceEdit();
    int key = e->key() == Qt::Key_Up ? VK_UP : VK_DOWN;
    grid.KeyDown(key, ShiftStateOf(*e));
}

void TDazOrarOvid::DoExit() {
    TRichEditControl::DoExit();
    if (isVisible()) grid_.HideInplaceEdit();
}

// ---- The grid's side ---------------------------------------------------------------------------------

TDazOrarOvid* TVevIvizudEvar::RichEditor() const {
    return richEditor_;
}

void TVevIvizudEvar::PlaceRichEditor(const TRect& rect, TColor color) {
    TDazOrarOvid& editor = *richEditor_;
    editor.resizeLock_ = true;
    editor.setGeometry(ToQRect(rect));
    // The text stands 1 pixel inside the editor on each side.
    editor.setViewportMargins(1, 1, 1, 1);
    editor.LoadCellText(GetGridCells(editCol_, editRow_));
    editor.selectAll();
    editor.setEnabled(true);
    editor.show();
    editor.raise();
    editor.SetColor(color);
    editor.setFocus(Qt::OtherFocusReason);
    editor.resizeLock_ = false;
    if (!pendingKey_.isNull()) editor.TypeChar(pendingKey_);
}

void TVevIvizudEvar::MoveRichEditor(const TRect& rect) {
    richEditor_->setGeometry(ToQRect(rect));
}

QString TVevIvizudEvar::RichEditorText() const {
    return richEditor_->CellText();
}

QWidget* TVevIvizudEvar::RichEditorWidget() const {
    return richEditor_;
}

void TVevIvizudEvar::HideRichEditor(bool write) {
    TDazOrarOvid& editor = *richEditor_;
    if (write) SetCellValue(editCol_, editRow_, editor.CellText());
    // The grid takes the focus first, so that it never leaves the grid.
    if (IsWithin(QApplication::focusWidget(), &editor)) setFocus(Qt::OtherFocusReason);
    editor.hide();
    editor.setEnabled(false);
}
