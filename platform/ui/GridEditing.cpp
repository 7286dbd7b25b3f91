// The in-place editor protocol of TCustomGrid: when the editor shows, which cell it edits, and
// how its text gets back into the cell.
#include "platform/ui/CustomGrid.h"

#include "platform/ui/InplaceEdit.h"

bool TCustomGrid::CanEditShow() {
    const TGridOptions editing = options_ * TGridOptions{goRowSelect, goEditing};
    return editing == TGridOptions{goEditing} && editorMode_ &&
           (options_.Contains(goAlwaysShowEditor) || IsActiveControl());
}

void TCustomGrid::SetEditorMode(bool on) {
    if (on)
        ShowEditor();
    else
        HideEditor();
}

void TCustomGrid::ShowEditor() {
    editorMode_ = true;
    UpdateEdit();
}

void TCustomGrid::HideEditor() {
    editorMode_ = false;
    HideEdit();
}

void TCustomGrid::ShowEditorChar(QChar ch) {
    ShowEditor();
    if (inplaceEdit_ && inplaceEdit_->isVisible())
        inplaceEdit_->TypeChar(ch);
    else
        KeyPress(ch);
}

void TCustomGrid::HideEdit() {
    if (!inplaceEdit_) return;
    struct TClear {
        TCustomGrid& Grid;
        ~TClear() {
            Grid.inplaceCol_ = Grid.inplaceRow_ = -1;
            Grid.inplaceEdit_->Hide();
        }
    } clear{*this};
    UpdateText();
}

void TCustomGrid::UpdateText() {
    if (inplaceEdit_ && inplaceCol_ >= 0 && inplaceRow_ >= 0)
        SetEditText(inplaceCol_, inplaceRow_, inplaceEdit_->Text());
}

void TCustomGrid::EditorChanged() {
    UpdateText();
}

void TCustomGrid::UpdateEdit() {
    if (!CanEditShow()) return;
    auto load = [this] {
        inplaceCol_ = Col();
        inplaceRow_ = Row();
        inplaceEdit_->UpdateContents();
        inplaceEdit_->SelectAll();
    };
    if (!inplaceEdit_) {
        inplaceEdit_ = CreateEditor();
        load();
    } else if (Col() != inplaceCol_ || Row() != inplaceRow_) {
        HideEdit();
        load();
    }
    if (CanEditShow()) inplaceEdit_->Move(CellRect(Col(), Row()));
}

TInplaceEdit* TCustomGrid::CreateEditor() {
    return new TInplaceEdit(this);
}

QString TCustomGrid::GetEditText(int, int) {
    return {};
}
void TCustomGrid::SetEditText(int, int, const QString&) {}
QString TCustomGrid::GetEditMask(int, int) {
    return {};
}
int TCustomGrid::GetEditLimit() {
    return 0;
}
bool TCustomGrid::CanEditAcceptKey(QChar) {
    return true;
}
bool TCustomGrid::CanEditModify() {
    return true;
}

TInplaceEdit* TCustomGrid::InplaceEditor() const {
    return inplaceEdit_;
}
