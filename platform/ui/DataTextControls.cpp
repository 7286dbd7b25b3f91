#include "platform/ui/DataTextControls.h"

#include "platform/data/Field.h"

#include <QApplication>
#include <QClipboard>

using namespace platform::data;

namespace {

bool IsStringType(TFieldType type) {
    return type == ftString || type == ftFixedChar || type == ftWideString;
}

} // namespace

// ---- TDBEdit ----

TDBEdit::TDBEdit(QWidget* parent) : TDataControl(parent) {
    setReadOnly(true);
}

void TDBEdit::SetMaxLength(int length) {
    maxLength_ = std::max(length, 0);
    ApplyMaxLength();
}

void TDBEdit::ApplyMaxLength() {
    const TField* field = Field();
    const int fieldSize = field != nullptr && IsStringType(field->DataType()) ? field->Size() : 0;
    const int length = maxLength_ > 0 ? maxLength_ : fieldSize;
    // Qt sets the text again on every change of the limit, which loses the selection.
    if (length != TCustomMaskEdit::MaxLength()) TCustomMaskEdit::SetMaxLength(length);
}

void TDBEdit::SetCharCase(TEditCharCase charCase) {
    charCase_ = charCase;
    const bool pending = Link().IsModified();
    SetText(Cased(Text()));
    if (!pending) Link().Reset();
}

QString TDBEdit::Cased(const QString& text) const {
    switch (charCase_) {
    case TEditCharCase::ecUpperCase:
        return text.toUpper();
    case TEditCharCase::ecLowerCase:
        return text.toLower();
    default:
        return text;
    }
}

void TDBEdit::DataChange() {
    ApplyMaxLength();
    const TField* field = Field();
    QString text;
    if (field != nullptr)
        text = Cased(focused_ && Link().CanModify() ? FieldText(field) : FieldDisplayText(field));
    if (text != Text()) SetText(text); // the same text keeps the caret and the selection
}

void TDBEdit::UpdateData() {
    SetFieldText(*Field(), Text());
}

void TDBEdit::EditingChange() {
    setReadOnly(!Link().Editing());
}

void TDBEdit::Change() {
    Link().Modified();
    TCustomMaskEdit::Change();
}

void TDBEdit::KeyDown(int& key, TShiftState shift) {
    TCustomMaskEdit::KeyDown(key, shift);
    if (key == VK_DELETE || (key == VK_INSERT && shift.Contains(ssShift))) Link().Edit();
}

void TDBEdit::KeyPress(QChar& key) {
    TCustomMaskEdit::KeyPress(key);
    const ushort code = key.unicode();
    if (code == 8 || code == 22 || code == 24 || code >= 32) {
        Link().Edit();
        if (charCase_ == TEditCharCase::ecUpperCase) key = key.toUpper();
        if (charCase_ == TEditCharCase::ecLowerCase) key = key.toLower();
    } else if (code == 27) {
        Link().Reset();
        SelectAll();
        key = QChar(0);
    }
}

void TDBEdit::DoPaste() {
    if (charCase_ == TEditCharCase::ecNormal || IsMasked()) {
        TCustomMaskEdit::DoPaste();
        return;
    }
    if (!isReadOnly()) insert(Cased(QApplication::clipboard()->text()));
}

void TDBEdit::DoEnter() {
    // Coming back after a refused text, the edit keeps what was typed.
    if (!focused_) {
        focused_ = true;
        Link().Reset();
    }
    TCustomMaskEdit::DoEnter();
}

void TDBEdit::DoExit() {
    WriteOnExit([this] { SelectAll(); });
    focused_ = false;
    Link().Reset();
    TCustomMaskEdit::DoExit();
}

// ---- TDBText ----

TDBText::TDBText(QWidget* parent) : TDataControl(parent) {
    setTextFormat(Qt::PlainText);
}

void TDBText::DataChange() {
    setText(FieldDisplayText(Field()));
}
