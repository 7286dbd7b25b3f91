#include "platform/ui/MaskEdit.h"

#include <QClipboard>
#include <QMouseEvent>
#include <climits>

TCustomMaskEdit::TCustomMaskEdit(QWidget* parent) : TControlAdapter<QLineEdit>(parent) {
    QObject::connect(this, &QLineEdit::textChanged, this, [this] { GuardUi([this] { Change(); }); });
}

void TCustomMaskEdit::Change() {
    if (OnChange) OnChange(this);
}

void TCustomMaskEdit::SetEditMask(const QString& mask) {
    if (mask == mask_.Source()) return;
    const QString text = Text();
    mask_ = TEditMask(mask);
    // Qt's own paste, drop and context menu would bypass the mask.
    setContextMenuPolicy(mask_.IsEmpty() ? Qt::DefaultContextMenu : Qt::NoContextMenu);
    setAcceptDrops(mask_.IsEmpty());
    if (mask_.IsEmpty()) {
        field_.reset();
        SetUnmasked(text);
        return;
    }
    field_.emplace(mask_);
    undo_.reset();
    QLineEdit::setMaxLength(mask_.Length());
    field_->SetText(text);
    field_->SetCursor(0);
    ShowField();
}

QString TCustomMaskEdit::Text() const {
    return field_ ? field_->Text() : QLineEdit::text();
}

// Qt's edit cuts its text to its own limit, which is 32767 characters unless set.
void TCustomMaskEdit::SetQtLimit(qsizetype textLength) {
    const qsizetype limit = maxLength_ > 0 ? std::max<qsizetype>(maxLength_, textLength) : INT_MAX;
    QLineEdit::setMaxLength(int(std::min<qsizetype>(limit, INT_MAX)));
}

void TCustomMaskEdit::SetUnmasked(const QString& text) {
    SetQtLimit(text.size());
    QLineEdit::setText(text);
}

void TCustomMaskEdit::SetText(const QString& text) {
    if (!field_) {
        SetUnmasked(text);
        return;
    }
    undo_.reset();
    field_->SetText(text);
    field_->SetCursor(0);
    ShowField();
}

void TCustomMaskEdit::SetEditText(const QString& editText) {
    if (!field_) {
        SetUnmasked(editText);
        return;
    }
    undo_.reset();
    field_->SetEditText(editText);
    ShowField();
}

void TCustomMaskEdit::SetMaxLength(int length) {
    maxLength_ = std::max(length, 0);
    if (!field_) SetQtLimit(QLineEdit::text().size());
}

bool TCustomMaskEdit::IsComplete() const {
    return !field_ || mask_.IsComplete(field_->EditText());
}

int TCustomMaskEdit::SelStart() const {
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

int TCustomMaskEdit::SelLength() const {
    return int(selectedText().size());
}

void TCustomMaskEdit::SetSel(int start, int length) {
    if (field_) field_->SetCursor(start);
    if (length > 0)
        QLineEdit::setSelection(start, length);
    else
        QLineEdit::setCursorPosition(start);
}

void TCustomMaskEdit::ShowField() {
    if (QLineEdit::text() != field_->EditText()) {
        const bool wasModified = isModified();
        QLineEdit::setText(field_->EditText());
        setModified(wasModified);
    }
    const int cursor = field_->Cursor();
    if (cursor < mask_.Length())
        QLineEdit::setSelection(cursor, 1);
    else
        QLineEdit::setCursorPosition(cursor);
}

void TCustomMaskEdit::BeforeUserChange(bool typing) {
    if (!typing || !typing_ || !undo_) undo_.emplace(field_->EditText(), field_->Cursor());
    typing_ = typing;
}

void TCustomMaskEdit::Undo() {
    if (!undo_) return;
    const std::pair<QString, int> now{field_->EditText(), field_->Cursor()};
    field_->SetEditText(undo_->first);
    field_->SetCursor(undo_->second);
    undo_ = now; // the next Ctrl+Z redoes
    typing_ = false;
    setModified(true);
}

void TCustomMaskEdit::SyncCursor() {
    field_->SetCursor(hasSelectedText() ? selectionStart() : cursorPosition());
}

bool TCustomMaskEdit::TakeSelection(int& start, int& length) const {
    if (!hasSelectedText() || selectedText().size() <= 1) return false;
    start = selectionStart();
    length = int(selectedText().size());
    return true;
}

void TCustomMaskEdit::ControlKey(QKeyEvent* e) {
    if (!field_) {
        TControlAdapter<QLineEdit>::ControlKey(e);
        return;
    }
    SyncCursor();
    if (e->key() == Qt::Key_Left || e->key() == Qt::Key_Right || e->key() == Qt::Key_Home ||
        e->key() == Qt::Key_End)
        typing_ = false; // moving the caret ends a run of typing
    int start = 0, length = 0;
    switch (e->key()) {
    case Qt::Key_Left:
        field_->SetCursor(mask_.PrevEditable(field_->Cursor()));
        break;
    case Qt::Key_Right:
        field_->SetCursor(field_->Cursor() + 1);
        break;
    case Qt::Key_Home:
        field_->SetCursor(0);
        break;
    case Qt::Key_End:
        field_->SetCursor(mask_.Length());
        break;
    case Qt::Key_Delete:
        BeforeUserChange(true);
        if (TakeSelection(start, length))
            field_->ClearRange(start, length);
        else
            field_->Delete();
        setModified(true);
        break;
    default:
        TControlAdapter<QLineEdit>::ControlKey(e);
        return;
    }
    ShowField();
}

// The room the limit leaves for typed or pasted characters (a text the program gave may pass the
// limit, which Qt's edit then keeps to no more).
qsizetype TCustomMaskEdit::Room() const {
    if (maxLength_ <= 0) return INT_MAX;
    return std::max<qsizetype>(maxLength_ - QLineEdit::text().size() + selectedText().size(), 0);
}

void TCustomMaskEdit::ControlChar(QChar ch) {
    const ushort code = ch.unicode();
    if (!field_ && code >= 32 && Room() == 0) return;
    if (!field_ || code == 1 || code == 3 || code == 22 || code == 24) {
        TControlAdapter<QLineEdit>::ControlChar(ch);
        return;
    }
    SyncCursor();
    int start = 0, length = 0;
    if (code == 26) {
        Undo();
    } else if (code == 8) {
        BeforeUserChange(true);
        if (TakeSelection(start, length))
            field_->ClearRange(start, length);
        else
            field_->Backspace();
        setModified(true);
    } else if (code >= 32) {
        BeforeUserChange(true);
        if (TakeSelection(start, length)) field_->ClearRange(start, length);
        if (field_->Type(ch))
            setModified(true);
        else
            MessageBeep();
    }
    ShowField();
}

void TCustomMaskEdit::DoCut() {
    if (!field_) {
        QLineEdit::cut();
        return;
    }
    int start = 0, length = 0;
    if (!hasSelectedText()) return;
    QApplication::clipboard()->setText(selectedText());
    BeforeUserChange(false);
    if (!TakeSelection(start, length)) start = selectionStart(), length = 1;
    field_->ClearRange(start, length);
    setModified(true);
    ShowField();
}

void TCustomMaskEdit::DoPaste() {
    if (!field_) {
        if (!isReadOnly()) QLineEdit::insert(QApplication::clipboard()->text().left(Room()));
        return;
    }
    int start = 0, length = 0;
    BeforeUserChange(false);
    if (TakeSelection(start, length)) field_->ClearRange(start, length);
    if (field_->Paste(QApplication::clipboard()->text()) > 0) setModified(true);
    ShowField();
}

void TCustomMaskEdit::mouseReleaseEvent(QMouseEvent* e) {
    QLineEdit::mouseReleaseEvent(e);
    typing_ = false;
    if (field_ && !hasSelectedText()) {
        field_->SetCursor(cursorPosition());
        ShowField();
    }
}
