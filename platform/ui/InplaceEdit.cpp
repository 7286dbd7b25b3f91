#include "platform/ui/InplaceEdit.h"

#include "platform/ui/CustomGrid.h"

#include <QClipboard>
#include <QScrollBar>
#include <QTextBlock>

namespace {

// Where the multi-line body's document breaks its blocks: each CR LF, lone CR or LF of the text it
// was given became one block break.
constexpr char16_t kBlockBreak = QChar::ParagraphSeparator;

// The length of the line break at i (2 for CR LF), 0 when none stands there.
int BreakAt(QStringView text, qsizetype i) {
    const QChar c = text[i];
    if (c == u'\r') return i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
    return c == u'\n' || c == kBlockBreak ? 1 : 0;
}

// The first line break of a text, CR LF when it has none (the grid's own).
QString FirstLineBreak(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i)
        if (const int length = BreakAt(text, i); length > 0)
            return text[i] == kBlockBreak ? QStringLiteral("\r\n") : text.sliced(i, length).toString();
    return QStringLiteral("\r\n");
}

// The document position of a position in the text the document shows (a CR LF is one position
// there; a position between its CR and its LF is the one after the break).
int DocumentPosition(QStringView text, int pos) {
    int at = 0;
    for (qsizetype i = 0; i < pos && i < text.size(); ++at) i += std::max(BreakAt(text, i), 1);
    return at;
}

// The position in the text of a document position.
int TextPosition(QStringView text, int pos) {
    qsizetype i = 0;
    for (int at = 0; at < pos && i < text.size(); ++at) i += std::max(BreakAt(text, i), 1);
    return int(i);
}

} // namespace

QString WithLineBreaks(QStringView text, QStringView lineBreak) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int length = text[i] == kBlockBreak ? 0 : BreakAt(text, i);
        if (length == 0) {
            out += text[i];
            continue;
        }
        out += lineBreak;
        i += length - 1;
    }
    return out;
}

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
    QObject::connect(this, &QPlainTextEdit::textChanged, this, [this] {
        GuardUi([this] {
            FitWrapToWords(document()->toRawText());
            owner_.Change();
        });
    });
}

void TInplaceMemo::FitWrapToWords(QStringView text) {
    constexpr qsizetype kLongWord = 1000;
    qsizetype run = 0;
    bool longWord = false;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > kLongWord) {
            longWord = true;
            break;
        }
    }
    const QTextOption::WrapMode mode =
        longWord ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (wordWrapMode() != mode) setWordWrapMode(mode);
}

void TInplaceMemo::DoPaste() {
    const int limit = owner_.MaxLength();
    QString text = QApplication::clipboard()->text();
    if (limit > 0) {
        const int room = limit - int(owner_.Text().size()) + owner_.SelLength();
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
    return usesMemo_ ? MemoText() : line_->Text();
}

// The text as it was given while the document shows it unchanged (an undo may bring it back).
// Otherwise the change since the text was last read, the part between what stayed before it and
// what stayed after it, is read into that text: the line breaks around it stay as they were, and
// each block break within it is the text's first line break.
QString TInplaceEdit::MemoText() const {
    if (settingMemo_) return memoGiven_;
    const QString raw = memo_->document()->toRawText();
    if (raw == memoGivenRaw_) return memoGiven_;
    if (raw == memoLastRaw_) return memoLast_;
    const qsizetype shorter = std::min(raw.size(), memoLastRaw_.size());
    qsizetype head = 0, tail = 0;
    while (head < shorter && raw[head] == memoLastRaw_[head]) ++head;
    while (tail < shorter - head &&
           raw[raw.size() - 1 - tail] == memoLastRaw_[memoLastRaw_.size() - 1 - tail])
        ++tail;
    QString text = memoLast_.left(TextPosition(memoLast_, int(head)));
    for (const QChar c : QStringView(raw).sliced(head, raw.size() - head - tail))
        if (c == kBlockBreak)
            text += memoBreak_;
        else
            text += c;
    text += QStringView(memoLast_).sliced(TextPosition(memoLast_, int(memoLastRaw_.size() - tail)));
    memoLast_ = text;
    memoLastRaw_ = raw;
    return text;
}

void TInplaceEdit::SetText(const QString& text) {
    if (!usesMemo_) {
        line_->SetText(text);
        return;
    }
    memoGiven_ = text;
    memoBreak_ = FirstLineBreak(text);
    settingMemo_ = true; // the changes the document reports on the way are this text
    memo_->FitWrapToWords(text);
    memo_->setPlainText(text);
    settingMemo_ = false;
    memoGivenRaw_ = memoLastRaw_ = memo_->document()->toRawText();
    memoLast_ = text;
}

QString TInplaceEdit::EditText() const {
    return usesMemo_ ? MemoText() : line_->EditText();
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
    if (!usesMemo_) return line_->SelStart();
    return TextPosition(MemoText(), memo_->textCursor().selectionStart());
}

int TInplaceEdit::SelLength() const {
    if (!usesMemo_) return line_->SelLength();
    const QTextCursor cursor = memo_->textCursor();
    const QString text = MemoText();
    return TextPosition(text, cursor.selectionEnd()) - TextPosition(text, cursor.selectionStart());
}

void TInplaceEdit::SetSel(int start, int length) {
    if (!usesMemo_) {
        line_->SetSel(start, length);
        return;
    }
    const QString text = MemoText();
    const int last = memo_->document()->characterCount() - 1;
    QTextCursor cursor = memo_->textCursor();
    cursor.setPosition(std::clamp(DocumentPosition(text, start), 0, last));
    cursor.setPosition(std::clamp(DocumentPosition(text, start + length), 0, last), QTextCursor::KeepAnchor);
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
