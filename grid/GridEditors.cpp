#include "grid/GridEditors.h"

#include "grid/AdvancedGrid.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiServices.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {

bool IsLeaveKey(int key) {
    return key == VK_TAB || key == VK_RETURN || key == VK_UP || key == VK_DOWN;
}

void CaretToEnd(TCustomMaskEdit& edit) {
    edit.SetSel(int(edit.EditText().size()), 0);
}

} // namespace

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

TGridSpin::TGridSpin(TVevIvizudEvar* grid) : TVzgSpinEdit(grid->viewport()), grid_(grid) {
    setFrame(false);
    MinValue = 0;
    MaxValue = 100;
    Increment = 1;
    hide();
    setEnabled(false);
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
    if (key == VK_ESCAPE) {
        key = 0;
        SetText(grid_->GetEditText(grid_->Col(), grid_->Row()));
        grid_->DiscardEditorValue();
        grid_->EditorKeyToGrid(VK_ESCAPE, shift);
        return;
    }
    if (IsLeaveKey(key)) {
        const int handed = key;
        key = 0;
        QString cell;
        if (!grid_->ValidateEditorValue(Text(), cell)) {
            SetText(cell);
            CaretToEnd(*this);
            return;
        }
        grid_->ControlKeyToGrid(handed, shift);
        return;
    }
    TVzgSpinEdit::KeyDown(key, shift);
}

void TGridSpin::KeyPress(QChar& key) {
    if (key.unicode() == 13 || key.unicode() == 9) {
        key = QChar();
        return;
    }
    TVzgSpinEdit::KeyPress(key);
}

void TGridSpin::DoExit() {
    grid_->HideInplaceEdit();
    TVzgSpinEdit::DoExit();
}

bool TGridSpin::WantsTab() const {
    return grid_->Options().Contains(goTabs);
}

// ---- Edit with button ------------------------------------------------------------------------------

TGridEditBtn::TGridEditBtn(TVevIvizudEvar* grid) : TVzgEditBtn(grid->viewport()), grid_(grid) {
    SetBorder(false);
    SetButtonCaption(QStringLiteral("..."));
    OnClickBtn = [this](QObject*) { EllipsClicked(); };
    hide();
    setEnabled(false);
}

void TGridEditBtn::EllipsClicked() {
    const QString value = grid_->EllipsClick(Text());
    SetText(value);
    SelectAll();
    if (isVisible()) setFocus(Qt::OtherFocusReason);
}

void TGridEditBtn::KeyDown(int& key, TShiftState shift) {
    if (shift.Contains(ssCtrl)) {
        TVzgEditBtn::KeyDown(key, shift);
        return;
    }
    if (key == VK_ESCAPE || key == VK_PRIOR || key == VK_NEXT) {
        const int handed = key;
        key = 0;
        if (handed == VK_ESCAPE) {
            SetText(grid_->GetEditText(grid_->Col(), grid_->Row()));
            grid_->DiscardEditorValue();
        }
        grid_->EditorKeyToGrid(handed, shift);
        return;
    }
    if (IsLeaveKey(key)) {
        const int handed = key;
        key = 0;
        QString cell;
        const bool valid = grid_->ValidateEditorValue(Text(), cell);
        SetText(cell);
        if (!valid) {
            CaretToEnd(*this);
            return;
        }
        grid_->ControlKeyToGrid(handed, shift);
        return;
    }
    TVzgEditBtn::KeyDown(key, shift);
}

void TGridEditBtn::KeyPress(QChar& key) {
    if (key.unicode() == 13) {
        key = QChar();
        return;
    }
    const TEditorType type = grid_->EditorType();
    const TEditorType kind = type == TEditorType::edNumericEditBtn ? TEditorType::edNumeric
                             : type == TEditorType::edFloatEditBtn ? TEditorType::edFloat
                                                                   : TEditorType::edNormal;
    if (!EditorKindTakesChar(kind, key, Text(), SelStart(), SelLength())) {
        key = QChar();
        MessageBeep();
        return;
    }
    TVzgEditBtn::KeyPress(key);
}

void TGridEditBtn::DoExit() {
    grid_->HideInplaceEdit();
    TVzgEditBtn::DoExit();
}

bool TGridEditBtn::WantsTab() const {
    return grid_->Options().Contains(goTabs);
}

// ---- Unit edit ----------------------------------------------------------------------------------------

TGridUnitEditBtn::TGridUnitEditBtn(TVevIvizudEvar* grid) : TVzgUnitEditBtn(grid->viewport()), grid_(grid) {
    SetBorder(false);
    SetButtonCaption(QStringLiteral("..."));
    hide();
    setEnabled(false);
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

void TGridUnitEditBtn::KeyDown(int& key, TShiftState shift) {
    if (key == VK_ESCAPE || key == VK_PRIOR || key == VK_NEXT) {
        const int handed = key;
        key = 0;
        if (handed == VK_ESCAPE) {
            LoadFromCell(grid_->GetEditText(grid_->Col(), grid_->Row()));
            grid_->DiscardEditorValue();
        }
        grid_->EditorKeyToGrid(handed, shift);
        return;
    }
    if (IsLeaveKey(key)) {
        const int handed = key;
        key = 0;
        // The cell keeps the number with its unit: that is what the validation sees.
        QString cell;
        const bool valid = grid_->ValidateEditorValue(CellText(), cell);
        LoadFromCell(cell);
        if (!valid) {
            CaretToEnd(*this);
            return;
        }
        grid_->ControlKeyToGrid(handed, shift);
        return;
    }
    TVzgUnitEditBtn::KeyDown(key, shift);
}

void TGridUnitEditBtn::KeyPress(QChar& key) {
    if (key.unicode() == 13) {
        key = QChar();
        return;
    }
    TVzgUnitEditBtn::KeyPress(key);
}

void TGridUnitEditBtn::DoExit() {
    grid_->HideInplaceEdit();
    TVzgUnitEditBtn::DoExit();
}

bool TGridUnitEditBtn::WantsTab() const {
    return grid_->Options().Contains(goTabs);
}

// ---- Check box ------------------------------------------------------------------------------------

TGridCheckBox::TGridCheckBox(TVevIvizudEvar* grid) : TCheckBoxControl(grid->viewport()), grid_(grid) {
    hide();
    setEnabled(false);
}

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

void TGridCheckBox::DoExit() {
    grid_->HideInplaceEdit();
    TCheckBoxControl::DoExit();
}

bool TGridCheckBox::WantsTab() const {
    return grid_->Options().Contains(goTabs);
}

// ---- Button ------------------------------------------------------------------------------------------

TGridButton::TGridButton(TVevIvizudEvar* grid) : TButtonControl(grid->viewport()), grid_(grid) {
    hide();
    setEnabled(false);
}

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

void TGridButton::DoExit() {
    grid_->HideInplaceEdit();
    TButtonControl::DoExit();
}

bool TGridButton::WantsTab() const {
    return grid_->Options().Contains(goTabs);
}

// ---- Wide edit -------------------------------------------------------------------------------------

TGridUniEdit::TGridUniEdit(TVevIvizudEvar* grid) : TVzgUniEdit(grid->viewport()), grid_(grid) {
    setFrame(false);
    hide();
    setEnabled(false);
}

void TGridUniEdit::KeyDown(int& key, TShiftState shift) {
    if (key == VK_ESCAPE) {
        key = 0;
        SetText(grid_->GetWideCell(grid_->RealCol(), grid_->Row()));
        grid_->DiscardEditorValue();
        grid_->EditorKeyToGrid(VK_ESCAPE, shift);
        return;
    }
    if (IsLeaveKey(key)) {
        const int handed = key;
        key = 0;
        QString cell;
        const bool valid = grid_->ValidateEditorValue(Text(), cell, true);
        SetText(cell);
        if (!valid) {
            CaretToEnd(*this);
            return;
        }
        grid_->ControlKeyToGrid(handed, shift);
        return;
    }
    TVzgUniEdit::KeyDown(key, shift);
}

void TGridUniEdit::KeyPress(QChar& key) {
    if (key.unicode() == 13 || key.unicode() == 9) {
        key = QChar();
        return;
    }
    TVzgUniEdit::KeyPress(key);
}

void TGridUniEdit::DoExit() {
    grid_->HideInplaceEdit();
    TVzgUniEdit::DoExit();
}

bool TGridUniEdit::WantsTab() const {
    return grid_->Options().Contains(goTabs);
}

// ---- Wide combo ------------------------------------------------------------------------------------

TGridUniCombo::TGridUniCombo(TVevIvizudEvar* grid) : TVzgUniComboBox(grid->viewport()), grid_(grid) {
    SetButtonWidth(16);
    hide();
    setEnabled(false);
    OnChange = [this](QObject*, int index, const QString& text) {
        if (isVisible()) grid_->ComboChange(grid_->RealCol(), grid_->Row(), index, text);
    };
    OnCloseUp = [this](QObject*) { grid_->ComboCloseUp(grid_->Row(), grid_->RealCol()); };
}

bool TGridUniCombo::WantsTab() const {
    return grid_->Options().Contains(goTabs);
}

void TGridUniCombo::RestoreFromCell() {
    const QString text = grid_->GetWideCell(grid_->RealCol(), grid_->Row());
    const int index = Items().IndexOf(text);
    if (index >= 0) SetItemIndex(index);
    if (Style() == TComboBoxStyle::csDropDown) SetText(text);
}

// The wide combo hands Tab, Enter, Up and Down back without validating.
void TGridUniCombo::KeyDown(int& key, TShiftState shift) {
    autoComplete_ = key != VK_BACK && key != VK_DELETE;
    const bool list = Style() == TComboBoxStyle::csDropDownList || DroppedDown();
    const bool altDown = key == VK_DOWN && shift.Contains(ssAlt);
    const bool wanted =
        !altDown &&
        (key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE ||
         (list ? key == VK_LEFT || key == VK_RIGHT
               : key == VK_PRIOR || key == VK_NEXT || key == VK_END || key == VK_UP || key == VK_DOWN));
    if (!wanted) {
        TVzgUniComboBox::KeyDown(key, shift);
        return;
    }
    const int handed = key;
    key = 0;
    if (IsLeaveKey(handed)) {
        grid_->ControlKeyToGrid(handed, shift);
        return;
    }
    if (handed == VK_ESCAPE) {
        RestoreFromCell();
        grid_->DiscardEditorValue();
    } else if (list) {
        grid_->HideInplaceEdit();
    }
    grid_->EditorKeyToGrid(handed, shift);
}

void TGridUniCombo::KeyPress(QChar& key) {
    if (key.unicode() == 13 && OnReturnKey) OnReturnKey(this);
    if (key.unicode() == 13 || key.unicode() == 9) {
        key = QChar();
        return;
    }
    TVzgUniComboBox::KeyPress(key);
}

void TGridUniCombo::KeyUp(int& key, TShiftState shift) {
    if (key != VK_RETURN) TVzgUniComboBox::KeyUp(key, shift);
    AutoCompleteLookup();
}

// Completion compares wide texts: characters outside any 8-bit code page match only themselves.
void TGridUniCombo::AutoCompleteLookup() {
    if (!autoComplete_ || !grid_->Lookup || Style() != TComboBoxStyle::csDropDown || !lineEdit()) return;
    QLineEdit* edit = lineEdit();
    const int caret = edit->cursorPosition();
    if (caret == 0 || edit->hasSelectedText()) return;
    const Qt::CaseSensitivity cs = grid_->LookupCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const QString prefix = edit->text().left(caret);
    for (int i = 0; i < Items().Count(); ++i) {
        const QString item = Items().Get(i);
        if (!item.startsWith(prefix, cs) || item.size() <= prefix.size()) continue;
        SetItemIndex(i);
        edit->setText(prefix + item.mid(prefix.size(), 255));
        edit->setSelection(caret, int(edit->text().size()) - caret);
        return;
    }
}

void TGridUniCombo::DoExit() {
    if (grid_->LookupHistory && !Text().isEmpty() && Items().IndexOf(Text()) < 0) Items().Add(Text());
    grid_->HideInplaceEdit();
    TVzgUniComboBox::DoExit();
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
