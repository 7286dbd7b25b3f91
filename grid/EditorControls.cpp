// The grid's side of the editor controls of GridEditors.h and of the application's edit link:
// which control serves the current editor kind, how it is placed over the cell, filled from it,
// shown and focused (with the key that opened it typed in), and what it writes back.
//
// Placement, from the rectangle of the cell (of its whole block when merged) less a pixel on the
// right and at the bottom: the spin, the edits with a button, the check box and the combos cover
// it; the button stands out a pixel on every side; the wide edit sits inside it, 2 pixels plus
// the text offset from its left and top.
#include "grid/AdvancedGrid.h"
#include "grid/ComboEditor.h"
#include "grid/DateEditor.h"
#include "grid/EditLink.h"
#include "grid/GridEditors.h"

namespace {

// The offsets of a cell's text from its edges, as the cells are painted.
constexpr int kTextOffsetX = 2, kTextOffsetY = 2;

bool IsSpin(TEditorType type) {
    return type == TEditorType::edSpinEdit || type == TEditorType::edFloatSpinEdit ||
           type == TEditorType::edTimeSpinEdit || type == TEditorType::edDateSpinEdit;
}

bool IsEditBtn(TEditorType type) {
    return type == TEditorType::edEditBtn || type == TEditorType::edNumericEditBtn ||
           type == TEditorType::edFloatEditBtn;
}

bool IsUniCombo(TEditorType type) {
    return type == TEditorType::edUniComboEdit || type == TEditorType::edUniComboList;
}

void ApplyLook(QWidget& control, TColor color, const TFont& font, bool colour) {
    QPalette palette = control.palette();
    if (colour) {
        palette.setColor(QPalette::Base, ToQColor(IsColorSet(color) ? color : clWindow));
        palette.setColor(QPalette::Window, ToQColor(IsColorSet(color) ? color : clBtnFace));
    }
    const QColor text = ToQColor(IsColorSet(font.Color()) ? font.Color() : clWindowText);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::WindowText, text);
    control.setPalette(palette);
    control.setFont(font.ToQFont());
}

// The button stands out a pixel on every side of the cell.
TRect ButtonRect(const TRect& editor) {
    return Bounds(editor.Left - 1, editor.Top - 1, editor.Width() + 2, editor.Height() + 2);
}

// The wide edit sits inside the cell, 2 pixels plus the text offset from its left and top.
TRect UniEditRect(const TRect& editor) {
    const int dx = 2 + kTextOffsetX, dy = 2 + kTextOffsetY;
    return Bounds(editor.Left + dx, editor.Top + dy, std::max(editor.Width() - dx, 1),
                  std::max(editor.Height() - dy, 1));
}

// Types the character into whatever has the focus inside the control.
void SendChar(QWidget& control, QChar ch) {
    QWidget* target =
        IsWithin(QApplication::focusWidget(), &control) ? QApplication::focusWidget() : &control;
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(target, &press);
}

} // namespace

void TVevIvizudEvar::CreateEditorControls() {
    editors_.Spin = new TGridSpin(this);
    editors_.EditBtn = new TGridEditBtn(this);
    editors_.UnitEditBtn = new TGridUnitEditBtn(this);
    editors_.CheckBox = new TGridCheckBox(this);
    editors_.Button = new TGridButton(this);
    editors_.UniEdit = new TGridUniEdit(this);
    editors_.UniCombo = new TGridUniCombo(this);
    editors_.TransEdit = new TGridTransEdit(this);
}

QWidget* TVevIvizudEvar::ActiveEditorControl() const {
    if (!editorActive_ || textEditorInUse_) return nullptr;
    if (editorType_ == TEditorType::edComboEdit || editorType_ == TEditorType::edComboList) return combo_;
    if (editorType_ == TEditorType::edDateEdit || editorType_ == TEditorType::edDateEditUpDown ||
        editorType_ == TEditorType::edTimeEdit)
        return datePicker_;
    if (IsSpin(editorType_)) return editors_.Spin;
    if (IsEditBtn(editorType_)) return editors_.EditBtn;
    if (IsUniCombo(editorType_)) return editors_.UniCombo;
    switch (editorType_) {
    case TEditorType::edUnitEditBtn:
        return editors_.UnitEditBtn;
    case TEditorType::edCheckBox:
        return editors_.CheckBox;
    case TEditorType::edButton:
        return editors_.Button;
    case TEditorType::edUniEdit:
        return editors_.UniEdit;
    case TEditorType::edRichEdit:
        return RichEditorWidget();
    case TEditorType::edCustom:
        return EditLink && EditLink->EditStyle == TEditStyle::esInplace ? EditLink->GetEditControl()
                                                                        : nullptr;
    default:
        return nullptr;
    }
}

void TVevIvizudEvar::PlaceEditorControl(const TRect& editor, TColor color, const TFont& font) {
    const QString text = GetEditText(RealToDisplCol(editCol_), editRow_);
    const QChar pending = pendingKey_;
    pendingKey_ = QChar();
    auto show = [&](QWidget& control, bool colour) {
        ApplyLook(control, color, font, colour);
        control.setEnabled(true);
        control.show();
        control.raise();
        control.setFocus(Qt::OtherFocusReason);
    };
    auto type = [&](TCustomMaskEdit& edit) {
        if (pending.isNull()) return;
        edit.SelectAll();
        edit.TypeChar(pending);
    };
    // The spin and the edits with a button cover the cell, their buttons themed as the grid is.
    auto showButtoned = [&](auto& edit) {
        edit.SetIsWinXP(xpFlag_);
        edit.SetBoundsRect(editor);
        show(edit, true);
        type(edit);
    };
    if (IsSpin(editorType_)) {
        editors_.Spin->LoadFromCell(editorType_, text);
        showButtoned(*editors_.Spin);
        return;
    }
    if (IsEditBtn(editorType_)) {
        TGridEditBtn& edit = *editors_.EditBtn;
        edit.SetText(text);
        edit.SetMaxLength(maxEditLength_);
        showButtoned(edit);
        return;
    }
    if (IsUniCombo(editorType_)) {
        TGridUniCombo& combo = *editors_.UniCombo;
        combo.SetDroppedDown(false);
        combo.SetStyle(editorType_ == TEditorType::edUniComboList ? TComboBoxStyle::csDropDownList
                                                                  : TComboBoxStyle::csDropDown);
        combo.SetBoundsRect(editor);
        const QString wide = GetWideCell(editCol_, editRow_);
        if (editorType_ == TEditorType::edUniComboList) {
            const int index = combo.Items().IndexOf(wide);
            if (index >= 0) combo.SetItemIndex(index);
        } else {
            combo.SetText(wide);
        }
        combo.SetFlat(look_ == TGridLook::glSoft || look_ == TGridLook::glVell || look_ == TGridLook::glXP ||
                      look_ == TGridLook::glListView);
        combo.Etched = combo.Flat();
        if (Navigation.AutoComboDropSize) combo.FitDropWidth(Canvas());
        show(combo, true);
        // The key that opened a wide combo is typed into it too, as into every other editor.
        if (!pending.isNull()) {
            if (combo.lineEdit()) combo.lineEdit()->selectAll();
            combo.TypeChar(pending);
        }
        if (MouseActions.DirectComboDrop) combo.SetDroppedDown(true);
        return;
    }
    switch (editorType_) {
    case TEditorType::edUnitEditBtn: {
        TGridUnitEditBtn& edit = *editors_.UnitEditBtn;
        edit.LoadFromCell(text);
        edit.SetMaxLength(maxEditLength_);
        showButtoned(edit);
        return;
    }
    case TEditorType::edCheckBox: {
        TGridCheckBox& box = *editors_.CheckBox;
        box.SetBoundsRect(editor);
        box.SetCaption(text);
        box.SetState(TCheckBoxState::cbUnchecked);
        show(box, false);
        return;
    }
    case TEditorType::edButton: {
        TGridButton& button = *editors_.Button;
        button.SetBoundsRect(ButtonRect(editor));
        button.SetCaption(text);
        show(button, false);
        return;
    }
    case TEditorType::edUniEdit: {
        TGridUniEdit& edit = *editors_.UniEdit;
        edit.SetBoundsRect(UniEditRect(editor));
        edit.SetText(GetWideCell(editCol_, editRow_));
        show(edit, true);
        type(edit);
        return;
    }
    case TEditorType::edCustom: {
        if (!EditLink) return;
        TEditLink& link = *EditLink;
        link.SetCell(this, editCol_, editRow_);
        TRect rect = editor;
        if (link.EditStyle == TEditStyle::esPopup) {
            if (link.AutoPopupWidth) link.PopupWidth = editor.Width() + 1;
            QWidget* popup = link.Popup();
            const QPoint corner = viewport()->mapToGlobal(QPoint(editor.Left, editor.Top));
            popup->setGeometry(corner.x(), corner.y(), link.PopupWidth, link.PopupHeight);
            popup->show();
            link.CreateEditor(popup);
            rect = Bounds(0, 0, link.PopupWidth, link.PopupHeight);
        } else {
            link.CreateEditor(viewport());
        }
        link.SetRect(rect);
        QWidget* control = link.GetEditControl();
        if (!control) return;
        ApplyLook(*control, color, font, true);
        control->setEnabled(true);
        control->show();
        control->raise();
        link.SetProperties();
        GetEditorProp(editCol_, editRow_, &link);
        link.SetEditorValue(text);
        link.Watch();
        link.SetFocus();
        if (!pending.isNull()) SendChar(*control, pending);
        return;
    }
    default:
        return;
    }
}

void TVevIvizudEvar::MoveEditorControl(const TRect& editor) {
    if (IsSpin(editorType_)) {
        editors_.Spin->SetBoundsRect(editor);
    } else if (IsEditBtn(editorType_)) {
        editors_.EditBtn->SetBoundsRect(editor);
    } else if (IsUniCombo(editorType_)) {
        editors_.UniCombo->SetBoundsRect(editor);
    } else if (editorType_ == TEditorType::edUnitEditBtn) {
        editors_.UnitEditBtn->SetBoundsRect(editor);
    } else if (editorType_ == TEditorType::edCheckBox) {
        editors_.CheckBox->SetBoundsRect(editor);
    } else if (editorType_ == TEditorType::edButton) {
        editors_.Button->SetBoundsRect(ButtonRect(editor));
    } else if (editorType_ == TEditorType::edUniEdit) {
        editors_.UniEdit->SetBoundsRect(UniEditRect(editor));
    } else if (editorType_ == TEditorType::edCustom && EditLink) {
        EditLink->SetRect(editor);
    } else if (editorType_ == TEditorType::edRichEdit) {
        MoveRichEditor(editor);
    }
}

QString TVevIvizudEvar::EditorControlValue() const {
    if (IsSpin(editorType_)) return editors_.Spin->Text();
    if (IsEditBtn(editorType_)) return editors_.EditBtn->Text();
    if (IsUniCombo(editorType_)) return editors_.UniCombo->Text();
    switch (editorType_) {
    case TEditorType::edUnitEditBtn:
        return editors_.UnitEditBtn->CellText();
    case TEditorType::edUniEdit:
        return editors_.UniEdit->Text();
    case TEditorType::edCustom:
        if (EditLink) return EditLink->GetEditorValue();
        break;
    default:
        break;
    }
    // The check box and the button change no text.
    return cycle_.Text;
}

bool TVevIvizudEvar::WriteEditorControl(bool write) {
    // HideControl gives the grid the focus before the control hides: it never leaves the grid.
    if (IsSpin(editorType_)) {
        TGridSpin& spin = *editors_.Spin;
        if (write) {
            if (editorType_ == TEditorType::edFloatSpinEdit)
                SetFloats(editCol_, editRow_, spin.FloatValue());
            else if (editorType_ == TEditorType::edDateSpinEdit)
                SetDates(editCol_, editRow_, spin.DateValue());
            else
                SetCellValue(editCol_, editRow_, spin.Text());
        }
        spin.HideControl();
        return true;
    }
    if (IsEditBtn(editorType_)) {
        if (write) SetCellValue(editCol_, editRow_, editors_.EditBtn->Text());
        editors_.EditBtn->HideControl();
        return true;
    }
    if (IsUniCombo(editorType_)) {
        TGridUniCombo& combo = *editors_.UniCombo;
        combo.SetDroppedDown(false); // the list closes before the text is read
        if (write) SetWideCell(editCol_, editRow_, combo.Text());
        combo.HideControl();
        return true;
    }
    switch (editorType_) {
    case TEditorType::edUnitEditBtn:
        if (write) SetCellValue(editCol_, editRow_, editors_.UnitEditBtn->CellText());
        editors_.UnitEditBtn->HideControl();
        return true;
    case TEditorType::edCheckBox:
        editors_.CheckBox->HideControl();
        return true;
    case TEditorType::edButton:
        editors_.Button->HideControl();
        return true;
    case TEditorType::edUniEdit:
        if (write) SetWideCell(editCol_, editRow_, editors_.UniEdit->Text());
        editors_.UniEdit->HideControl();
        return true;
    case TEditorType::edCustom: {
        if (!EditLink) return true;
        QWidget* control = EditLink->GetEditControl();
        const bool focused =
            (control && IsWithin(QApplication::focusWidget(), control)) ||
            (EditLink->HasPopup() && IsWithin(QApplication::focusWidget(), EditLink->Popup()));
        if (write) SetCellValue(editCol_, editRow_, EditLink->GetEditorValue());
        if (focused) setFocus(Qt::OtherFocusReason);
        if (!EditLink->KeepShown) EditLink->HideEditor();
        return true;
    }
    default:
        return false;
    }
}

bool TVevIvizudEvar::ValidateEditorValue(const QString& text, QString& cellText, bool wide) {
    const int col = RealCol(), row = Row();
    QString value = text;
    bool valid = false;
    if (wide) {
        SetWideCell(col, row, value);
        valid = ValidateCellWide(value);
        cellText = GetWideCell(col, row);
    } else {
        SetCellValue(col, row, value);
        valid = ValidateCell(value);
        cellText = GetEditText(Col(), row);
    }
    return valid;
}

void TVevIvizudEvar::SpinClick(int col, int row, int value, bool up) {
    if (OnSpinClick) OnSpinClick(this, col, row, value, up);
}

void TVevIvizudEvar::FloatSpinClick(int col, int row, double value, bool up) {
    if (OnFloatSpinClick) OnFloatSpinClick(this, col, row, value, up);
}

void TVevIvizudEvar::DateSpinClick(int col, int row, TDateTime value, bool up) {
    if (OnDateSpinClick) OnDateSpinClick(this, col, row, value, up);
}

void TVevIvizudEvar::TimeSpinClick(int col, int row, TDateTime value, bool up) {
    if (OnTimeSpinClick) OnTimeSpinClick(this, col, row, value, up);
}

void TVevIvizudEvar::GetEditorProp(int col, int row, TEditLink* link) {
    if (OnGetEditorProp) OnGetEditorProp(this, col, row, link);
}
