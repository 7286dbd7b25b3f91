#include "platform/ui/InplaceEdit.h"

#include "platform/ui/CustomGrid.h"

#include <QClipboard>
#include <QScrollBar>
#include <QTextBlock>

template <typename TBase>
TInplaceBody<TBase>::TInplaceBody(TInplaceEdit& owner) : TBase(&owner), owner_(owner) {
    this->setContextMenuPolicy(Qt::NoContextMenu);
}

template <typename TBase> void TInplaceBody<TBase>::KeyDown(int& key, TShiftState shift) {
    owner_.KeyDown(key, shift);
}
template <typename TBase> void TInplaceBody<TBase>::KeyPress(QChar& key) {
    owner_.KeyPress(key);
}
template <typename TBase> void TInplaceBody<TBase>::KeyUp(int& key, TShiftState shift) {
    owner_.KeyUp(key, shift);
}
template <typename TBase> void TInplaceBody<TBase>::DoEnter() {
    owner_.DoEnter();
}
template <typename TBase> void TInplaceBody<TBase>::DoExit() {
    owner_.DoExit();
}
template <typename TBase> bool TInplaceBody<TBase>::WantsTab() const {
    const TCustomGrid* grid = owner_.Grid();
    return grid && grid->Options().Contains(goTabs);
}
template <typename TBase> void TInplaceBody<TBase>::CopyToClipboard() {
    owner_.CopyToClipboard();
}
template <typename TBase> void TInplaceBody<TBase>::CutToClipboard() {
    owner_.CutToClipboard();
}
template <typename TBase> void TInplaceBody<TBase>::PasteFromClipboard() {
    owner_.PasteFromClipboard();
}
template <typename TBase> void TInplaceBody<TBase>::mouseDoubleClickEvent(QMouseEvent* e) {
    TBase::mouseDoubleClickEvent(e);
    GuardUi([this] { owner_.DblClick(); });
}

template class TInplaceBody<TCustomMaskEdit>;
template class TInplaceBody<TControlAdapter<QPlainTextEdit>>;

TInplaceLine::TInplaceLine(TInplaceEdit& owner) : TInplaceBody<TCustomMaskEdit>(owner) {
    setFrame(false);
}

void TInplaceLine::Change() {
    owner_.Change();
}

TInplaceMemo::TInplaceMemo(TInplaceEdit& owner) : TInplaceBody<TControlAdapter<QPlainTextEdit>>(owner) {
    setFrameStyle(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    document()->setDocumentMargin(1);
    QObject::connect(this, &QPlainTextEdit::textChanged, this,
                     [this] { GuardUi([this] { owner_.Change(); }); });
}

void TInplaceMemo::DoPaste() {
    const int limit = owner_.MaxLength();
    QString text = QApplication::clipboard()->text();
    if (limit > 0) {
        const int room = limit - int(toPlainText().size()) + int(textCursor().selectedText().size());
        text = text.left(std::max(room, 0));
    }
    insertPlainText(text);
}

TInplaceEdit::TInplaceEdit(TCustomGrid* grid)
    : QWidget(grid->viewport()), grid_(grid), line_(new TInplaceLine(*this)), memo_(new TInplaceMemo(*this)) {
    memo_->hide();
    setFocusProxy(line_);
    setAutoFillBackground(false);
    QWidget::hide();
}

QWidget* TInplaceEdit::Body() const {
    if (usesMemo_) return memo_;
    return line_;
}

void TInplaceEdit::ChooseBody() {
    const bool memo = multiLine_ && line_->EditMask().isEmpty();
    if (memo == usesMemo_) return;
    const bool focused = HasFocus();
    QWidget* old = Body();
    usesMemo_ = memo;
    Body()->show(); // the new body takes the focus before the old one hides, so it stays here
    setFocusProxy(Body());
    if (focused) Body()->setFocus(Qt::OtherFocusReason);
    old->hide();
}

void TInplaceEdit::UpdateContents() {
    loading_ = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{loading_};
    if (!grid_) return;
    const int col = grid_->Col(), row = grid_->Row();
    line_->SetText(QString());
    SetEditMask(grid_->GetEditMask(col, row));
    SetEditFont(grid_->Font());
    SetColor(grid_->Color());
    startText_ = grid_->GetEditText(col, row);
    SetText(startText_);
    SetMaxLength(grid_->GetEditLimit());
    line_->SetModified(false);
}

void TInplaceEdit::SetEditMask(const QString& mask) {
    line_->SetEditMask(mask);
    ChooseBody();
}

QString TInplaceEdit::Text() const {
    return usesMemo_ ? memo_->toPlainText() : line_->Text();
}

void TInplaceEdit::SetText(const QString& text) {
    if (usesMemo_)
        memo_->setPlainText(text);
    else
        line_->SetText(text);
}

QString TInplaceEdit::EditText() const {
    return usesMemo_ ? memo_->toPlainText() : line_->EditText();
}

void TInplaceEdit::SetMaxLength(int length) {
    maxLength_ = std::max(length, 0);
    line_->SetMaxLength(maxLength_);
}

void TInplaceEdit::RestoreStartText() {
    SetText(startText_);
}

void TInplaceEdit::SelectAll() {
    if (usesMemo_)
        memo_->selectAll();
    else
        line_->SelectAll();
}

void TInplaceEdit::Deselect() {
    if (usesMemo_) {
        QTextCursor cursor = memo_->textCursor();
        cursor.movePosition(QTextCursor::End);
        memo_->setTextCursor(cursor);
    } else {
        line_->SetSel(int(line_->EditText().size()), 0);
    }
}

int TInplaceEdit::SelStart() const {
    return usesMemo_ ? memo_->textCursor().selectionStart() : line_->SelStart();
}

int TInplaceEdit::SelLength() const {
    if (!usesMemo_) return line_->SelLength();
    const QTextCursor cursor = memo_->textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void TInplaceEdit::SetSel(int start, int length) {
    if (!usesMemo_) {
        line_->SetSel(start, length);
        return;
    }
    QTextCursor cursor = memo_->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    memo_->setTextCursor(cursor);
}

void TInplaceEdit::SetMultiLine(bool on) {
    multiLine_ = on;
    const QString text = Text();
    ChooseBody();
    SetText(text);
}

void TInplaceEdit::SetWordWrap(bool on) {
    wordWrap_ = on;
    memo_->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TInplaceEdit::SetPasswordChar(QChar ch) {
    line_->setEchoMode(ch.isNull() ? QLineEdit::Normal : QLineEdit::Password);
    line_->setStyleSheet(ch.isNull() ? QString()
                                     : QStringLiteral("lineedit-password-character: %1").arg(ch.unicode()));
}

void TInplaceEdit::SetColor(TColor color) {
    line_->SetColor(color);
    memo_->SetColor(color);
}

void TInplaceEdit::SetEditFont(const TFont& font) {
    line_->SetControlFont(font);
    memo_->SetControlFont(font);
}

bool TInplaceEdit::CaretCanGoUp() const {
    if (!usesMemo_) return false;
    QTextCursor cursor = memo_->textCursor();
    return cursor.movePosition(QTextCursor::Up);
}

bool TInplaceEdit::CaretCanGoDown() const {
    if (!usesMemo_) return false;
    QTextCursor cursor = memo_->textCursor();
    return cursor.movePosition(QTextCursor::Down);
}

void TInplaceEdit::Move(const TRect& rect) {
    if (rect.IsEmpty()) {
        Hide();
        return;
    }
    setGeometry(ToQRect(rect));
    show();
    raise();
    BoundsChanged();
    if (grid_ && grid_->hasFocus()) SetFocusToBody();
}

void TInplaceEdit::Hide() {
    if (!isVisible()) return;
    if (HasFocus() && grid_) grid_->setFocus(Qt::OtherFocusReason);
    QWidget::hide();
}

bool TInplaceEdit::HasFocus() const {
    return IsWithin(QApplication::focusWidget(), this);
}

void TInplaceEdit::SetFocusToBody() {
    Body()->setFocus(Qt::OtherFocusReason);
}

void TInplaceEdit::resizeEvent(QResizeEvent*) {
    line_->setGeometry(rect());
    memo_->setGeometry(rect());
}

void TInplaceEdit::BoundsChanged() {
    line_->setTextMargins(1, 0, 1, 0);
}

void TInplaceEdit::TypeChar(QChar ch) {
    if (usesMemo_)
        memo_->TypeChar(ch);
    else
        line_->TypeChar(ch);
}

void TInplaceEdit::SendToGrid(int& key, TShiftState shift) {
    if (grid_) grid_->KeyDown(key, shift);
    key = 0;
}

void TInplaceEdit::KeyDown(int& key, TShiftState shift) {
    if (!grid_) return;
    const bool forward = grid_->Options().Contains(goAlwaysShowEditor);
    const bool ctrl = shift.Contains(ssCtrl);
    const int textLength = int(EditText().size());
    const bool leftSide = SelStart() == 0 && (SelLength() == 0 || SelLength() == textLength);
    const bool rightSide = (SelStart() == 0 || SelLength() == 0) && SelStart() + SelLength() == textLength;
    switch (key) {
    case VK_UP:
        if (!CaretCanGoUp()) SendToGrid(key, shift);
        break;
    case VK_DOWN:
        if (!CaretCanGoDown()) SendToGrid(key, shift);
        break;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
        SendToGrid(key, shift);
        break;
    case VK_INSERT:
        if (shift.Empty()) SendToGrid(key, shift);
        break;
    case VK_LEFT:
    case VK_HOME:
        if (forward && (ctrl || leftSide)) SendToGrid(key, shift);
        break;
    case VK_RIGHT:
    case VK_END:
        if (forward && (ctrl || rightSide)) SendToGrid(key, shift);
        break;
    case VK_TAB:
        if (!shift.Contains(ssAlt)) SendToGrid(key, shift);
        break;
    case VK_DELETE:
        if (ctrl) SendToGrid(key, shift);
        break;
    case VK_F2:
        if (grid_->OnKeyDown) grid_->OnKeyDown(grid_, key, shift);
        if (key == VK_F2) Deselect();
        key = 0;
        return;
    default:
        break;
    }
    if (key != 0 && grid_->OnKeyDown) grid_->OnKeyDown(grid_, key, shift);
}

void TInplaceEdit::KeyPress(QChar& key) {
    if (!grid_) return;
    grid_->KeyPress(key);
    if (key.isNull()) return;
    if (key.unicode() >= 32 && !grid_->CanEditAcceptKey(key)) {
        key = QChar();
        MessageBeep();
        return;
    }
    switch (key.unicode()) {
    case 9:
    case 27:
        key = QChar();
        break;
    case 13:
        if (SelStart() == 0 && SelLength() == int(EditText().size()))
            Deselect();
        else
            SelectAll();
        key = QChar();
        break;
    case 10:
        if (!usesMemo_) key = QChar();
        break;
    default:
        if (usesMemo_ && maxLength_ > 0 && key.unicode() >= 32 && SelLength() == 0 &&
            Text().size() >= maxLength_) {
            key = QChar();
            break;
        }
        if ((key.unicode() == 8 || key.unicode() == 22 || key.unicode() == 24 || key.unicode() >= 32) &&
            !grid_->CanEditModify())
            key = QChar();
        break;
    }
}

void TInplaceEdit::KeyUp(int& key, TShiftState shift) {
    if (grid_) grid_->KeyUp(key, shift);
}

void TInplaceEdit::DoEnter() {}
void TInplaceEdit::DoExit() {}

void TInplaceEdit::Change() {
    if (!loading_ && grid_) grid_->EditorChanged();
}

void TInplaceEdit::DblClick() {
    if (grid_ && grid_->OnDblClick) grid_->OnDblClick(grid_);
}

void TInplaceEdit::CopyToClipboard() {
    if (usesMemo_)
        memo_->DoCopy();
    else
        line_->DoCopy();
}

void TInplaceEdit::CutToClipboard() {
    if (usesMemo_)
        memo_->DoCut();
    else
        line_->DoCut();
}

void TInplaceEdit::PasteFromClipboard() {
    if (usesMemo_)
        memo_->DoPaste();
    else
        line_->DoPaste();
}
