#include "grid/GridEditors.h"

#include "grid/AdvancedGrid.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiServices.h"

#include <QMouseEvent>

bool EditorKindTakesChar(TEditorType kind, QChar ch, const QString& text, int selStart, int selLength) {
    const ushort code = ch.unicode();
    if (code < 32) return true;
    const QString selected = text.mid(selStart, selLength);
    const bool minusAllowed = selStart == 0 && (!text.contains(u'-') || selected.contains(u'-'));
    const QChar decimal = QChar::fromLatin1(FormatSettings().DecimalSeparator);
    switch (kind) {
    case TEditorType::edNumeric:
        return ch.isDigit() || (ch == u'-' && minusAllowed);
    case TEditorType::edPositiveNumeric:
        return ch.isDigit();
    case TEditorType::edFloat:
        if (ch.isDigit()) return true;
        if (ch == u'-') return minusAllowed;
        if (ch == decimal) return !text.contains(decimal) || selected.contains(decimal);
        return ch == u',' || ch == u'.';
    default:
        return true;
    }
}

// ---- Spin ---------------------------------------------------------------------------------------

TGridSpin::TGridSpin(TVevIvizudEvar* grid)
    : TGridTextEditor(grid, {.KeepsAccepted = true, .SwallowsTab = true}) {
    setFrame(false);
    MinValue = 0;
    MaxValue = 100;
    Increment = 1;
}

void TGridSpin::LoadFromCell(TEditorType type, const QString& text) {
    ExcelStyleDecimalSeparator = grid_->ExcelStyleDecimalSeparator;
    switch (type) {
    case TEditorType::edFloatSpinEdit:
        SetSpinType(TVzgSpinType::sptFloat);
        SetText(text);
        SetFloatValue(FloatValue());
        break;
    case TEditorType::edTimeSpinEdit:
        SetSpinType(TVzgSpinType::sptTime);
        SetText(text);
        break;
    case TEditorType::edDateSpinEdit: {
        SetSpinType(TVzgSpinType::sptDate);
        // An empty or unreadable text starts from today.
        TDateParts parts;
        SetText(ParseShortDate(text.trimmed().toStdString(), parts) ? text.trimmed() : QString());
        SetDateValue(DateValue());
        break;
    }
    default:
        SetSpinType(TVzgSpinType::sptNormal);
        SetText(text);
        SetValue(Value());
        break;
    }
}

void TGridSpin::SpinClicked(bool up) {
    const int col = grid_->RealCol(), row = grid_->Row();
    switch (SpinType()) {
    case TVzgSpinType::sptNormal:
        grid_->SpinClick(col, row, Value(), up);
        break;
    case TVzgSpinType::sptFloat:
        grid_->FloatSpinClick(col, row, FloatValue(), up);
        break;
    case TVzgSpinType::sptDate:
        grid_->DateSpinClick(col, row, DateValue(), up);
        break;
    case TVzgSpinType::sptTime:
        grid_->TimeSpinClick(col, row, TimeValue(), up);
        break;
    }
}

void TGridSpin::StepUp() {
    TVzgSpinEdit::StepUp();
    SpinClicked(true);
}

void TGridSpin::StepDown() {
    TVzgSpinEdit::StepDown();
    SpinClicked(false);
}

// PageUp, PageDown, Home and End step a number and then go on as any other key.
void TGridSpin::KeyDown(int& key, TShiftState shift) {
    const bool number = SpinType() == TVzgSpinType::sptNormal || SpinType() == TVzgSpinType::sptFloat;
    const bool floating = SpinType() == TVzgSpinType::sptFloat;
    if (number && (key == VK_PRIOR || key == VK_NEXT || key == VK_HOME || key == VK_END)) {
        const bool up = key == VK_PRIOR || key == VK_HOME;
        if (floating) {
            const double v = FloatValue();
            if (key == VK_PRIOR && v + IncrementFloat <= MaxFloatValue) SetFloatValue(v + IncrementFloat);
            if (key == VK_NEXT && v - IncrementFloat >= MinFloatValue) SetFloatValue(v - IncrementFloat);
            if (key == VK_HOME) SetFloatValue(MaxFloatValue);
            if (key == VK_END) SetFloatValue(MinFloatValue);
        } else {
            const int v = Value();
            if (key == VK_PRIOR && qint64(v) + Increment <= MaxValue) SetValue(v + Increment);
            if (key == VK_NEXT && qint64(v) - Increment >= MinValue) SetValue(v - Increment);
            if (key == VK_HOME) SetValue(MaxValue);
            if (key == VK_END) SetValue(MinValue);
        }
        SpinClicked(up);
    }
    TGridTextEditor::KeyDown(key, shift);
}

// ---- Edit with button ------------------------------------------------------------------------------

TGridEditBtn::TGridEditBtn(TVevIvizudEvar* grid) : TGridTextEditor(grid, {.PagesEnd = true}) {
    SetBorder(false);
    SetButtonCaption(QStringLiteral("..."));
    OnClickBtn = [this](QObject*) { EllipsClicked(); };
}

void TGridEditBtn::EllipsClicked() {
    const QString value = grid_->EllipsClick(Text());
    SetText(value);
    SelectAll();
    if (isVisible()) setFocus(Qt::OtherFocusReason);
}

// With Ctrl held every key is the edit's own.
void TGridEditBtn::KeyDown(int& key, TShiftState shift) {
    if (shift.Contains(ssCtrl))
        TVzgEditBtn::KeyDown(key, shift);
    else
        TGridTextEditor::KeyDown(key, shift);
}

void TGridEditBtn::KeyPress(QChar& key) {
    const TEditorType type = grid_->EditorType();
    const TEditorType kind = type == TEditorType::edNumericEditBtn ? TEditorType::edNumeric
                             : type == TEditorType::edFloatEditBtn ? TEditorType::edFloat
                                                                   : TEditorType::edNormal;
    if (!EditorKindTakesChar(kind, key, Text(), SelStart(), SelLength())) {
        key = QChar();
        MessageBeep();
        return;
    }
    TGridTextEditor::KeyPress(key);
}

// ---- Unit edit ----------------------------------------------------------------------------------------

TGridUnitEditBtn::TGridUnitEditBtn(TVevIvizudEvar* grid) : TGridTextEditor(grid, {.PagesEnd = true}) {
    SetBorder(false);
    SetButtonCaption(QStringLiteral("..."));
}

void TGridUnitEditBtn::LoadFromCell(const QString& text) {
    QString number, unit;
    for (QChar c : text) {
        if (c.isDigit() || c == u',' || c == u'-' || c == u'.')
            number += c;
        else
            unit += c;
    }
    SetText(number);
    SetUnitID(unit);
}

// ---- Check box ------------------------------------------------------------------------------------

TGridCheckBox::TGridCheckBox(TVevIvizudEvar* grid) : TGridEditorControl(grid) {}

void TGridCheckBox::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) Toggle();
    TCheckBoxControl::mousePressEvent(e);
}

void TGridCheckBox::KeyDown(int& key, TShiftState shift) {
    switch (key) {
    case VK_SPACE:
        Toggle();
        break;
    case VK_RETURN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        int handed = key;
        key = 0;
        grid_->HideInplaceEdit();
        grid_->setFocus(Qt::OtherFocusReason);
        if (handed == VK_RETURN)
            grid_->CommitAndAdvance(grid_->Col(), grid_->Row(), true, true, false);
        else if (handed == VK_UP || handed == VK_DOWN)
            grid_->KeyDown(handed, shift);
        return;
    }
    default:
        break;
    }
    TCheckBoxControl::KeyDown(key, shift);
}

// ---- Button ------------------------------------------------------------------------------------------

TGridButton::TGridButton(TVevIvizudEvar* grid) : TGridEditorControl(grid) {}

void TGridButton::EllipsClicked() {
    SetCaption(grid_->EllipsClick(Caption()));
}

void TGridButton::mouseReleaseEvent(QMouseEvent* e) {
    const bool click = e->button() == Qt::LeftButton && isDown() && hitButton(e->position().toPoint());
    TButtonControl::mouseReleaseEvent(e);
    if (click) GuardUi([this] { EllipsClicked(); });
}

void TGridButton::Leave() {
    // The edit ends here, without writing and without the grid's end-of-edit handling.
    // The grid takes the focus first, so that it never leaves the grid on the way.
    grid_->editorActive_ = grid_->textEditorInUse_ = false;
    grid_->setFocus(Qt::OtherFocusReason);
    hide();
    setEnabled(false);
}

void TGridButton::KeyDown(int& key, TShiftState shift) {
    switch (key) {
    case VK_SPACE:
        key = 0;
        EllipsClicked();
        setFocus(Qt::OtherFocusReason);
        return;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        key = 0; // the key-up moves
        return;
    case VK_ESCAPE: {
        key = 0;
        Leave();
        grid_->RestoreEditText();
        int escape = VK_ESCAPE;
        grid_->KeyDown(escape, shift);
        return;
    }
    default:
        TButtonControl::KeyDown(key, shift);
    }
}

void TGridButton::KeyUp(int& key, TShiftState shift) {
    if (key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN) {
        int down = key, up = key;
        key = 0;
        grid_->KeyDown(down, shift);
        Leave();
        grid_->KeyUp(up, shift);
        return;
    }
    TButtonControl::KeyUp(key, shift);
}

// ---- Wide edit -------------------------------------------------------------------------------------

TGridUniEdit::TGridUniEdit(TVevIvizudEvar* grid)
    : TGridTextEditor(grid, {.Wide = true, .SwallowsTab = true}) {
    setFrame(false);
}

// ---- Wide combo ------------------------------------------------------------------------------------

QString TGridUniCombo::CellText() const {
    return grid_->GetWideCell(grid_->RealCol(), grid_->Row());
}

// ---- Cell-bound edit ---------------------------------------------------------------------------------

TGridTransEdit::TGridTransEdit(TVevIvizudEvar* grid)
    : TCustomMaskEdit(grid ? grid->viewport() : nullptr), grid_(grid) {
    hide();
}

void TGridTransEdit::KeyPress(QChar& key) {
    if (key.unicode() == 13) {
        key = QChar();
        return;
    }
    TCustomMaskEdit::KeyPress(key);
}

void TGridTransEdit::DoExit() {
    TCustomMaskEdit::DoExit();
    if (!grid_) return;
    grid_->SetGridCells(Col, Row, Text());
    hide();
}
