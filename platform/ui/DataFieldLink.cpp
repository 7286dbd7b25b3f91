#include "platform/ui/DataFieldLink.h"

#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/os/Cp1252.h"

#include <QWidget>

using namespace platform::data;

void TFieldDataLink::SetFieldName(std::string name) {
    if (name == fFieldName) return;
    fFieldName = std::move(name);
    UpdateField();
}

bool TFieldDataLink::CanModify() const {
    if (ReadOnly() || fField == nullptr || fField->FieldNo() <= 0) return false;
    TDataSet& dataSet = *fField->DataSet();
    if (dataSet.State() == dsSetKey) return fField->IsIndexField();
    return !fField->ReadOnly() && dataSet.CanModify();
}

bool TFieldDataLink::Edit() {
    if (CanModify()) TDataLink::Edit();
    return fEditing;
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::EditingChanged() {
    SetEditing(TDataLink::Editing() && CanModify());
}

void TFieldDataLink::FocusControl(TField* field) {
    if (field == nullptr || field != fField || fControl == nullptr) return;
    if (fControl->isVisible() && fControl->isEnabled()) fControl->setFocus();
}

void TFieldDataLink::RecordChanged(TField* field) {
    if (field != nullptr && field != fField) return;
    if (OnDataChange) OnDataChange();
    fModified = false;
}

void TFieldDataLink::UpdateData() {
    if (!fModified) return;
    if (fField != nullptr && OnUpdateData) OnUpdateData();
    fModified = false;
}

void TFieldDataLink::UpdateField() {
    fField = nullptr;
    SetField(Active() && !fFieldName.empty() ? &DataSet()->FieldByName(fFieldName) : nullptr);
}

void TFieldDataLink::SetField(TField* field) {
    fField = field;
    EditingChanged();
    RecordChanged(nullptr);
}

void TFieldDataLink::SetEditing(bool value) {
    if (fEditing == value) return;
    fEditing = value;
    fModified = false;
    if (OnEditingChange) OnEditingChange();
}

QString FieldText(const TField* field) {
    return field != nullptr ? QString::fromStdString(Cp1252ToUtf8(field->Text())) : QString();
}

QString FieldDisplayText(const TField* field) {
    return field != nullptr ? QString::fromStdString(Cp1252ToUtf8(field->DisplayText())) : QString();
}

void SetFieldText(TField& field, const QString& text) {
    field.SetText(Utf8ToCp1252(text.toStdString()));
}
