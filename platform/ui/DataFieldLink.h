// TFieldDataLink: the link of a data-aware control to one field of the dataset its data source
// shows. The control names the field (FieldName); the link finds it whenever the dataset opens or
// its layout changes and tells the control:
// - OnActiveChange when the dataset opens or closes (the field is then found again or dropped);
// - OnDataChange when the record changes, or the field itself: the control shows the value again;
// - OnEditingChange when the record enters or leaves edit mode (Editing: the dataset is editing
//   and the field can be written);
// - OnUpdateData when the control's pending change must be written into the field: when the
//   dataset posts or scrolls (UpdateRecord), or when the control writes at once. Only a control
//   that reported a change (Modified) is asked.
// Before it changes its value a control calls Edit, which puts the dataset into edit mode (when the
// data source allows it) and answers whether the field may be written; a control that may not
// write keeps showing the field's value. Reset shows the field's value again and forgets the
// pending change (Escape).
//
// Texts cross here between the fields' Windows-1252 bytes and the controls' QStrings.
#pragma once

#include "platform/data/DataLink.h"

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace platform::data {
class TField;
}

class TFieldDataLink : public platform::data::TDataLink {
public:
    TFieldDataLink() { SetVisualControl(true); }

    platform::data::TField* Field() const { return fField; }
    const std::string& FieldName() const { return fFieldName; }
    void SetFieldName(std::string name);
    // The control that takes the focus when the dataset asks for the field's control.
    QWidget* Control() const { return fControl; }
    void SetControl(QWidget* control) { fControl = control; }

    // The field exists and may be written: the link is not read-only, the field is a data field
    // that is not read-only and the dataset can be modified.
    bool CanModify() const;
    bool Editing() const { return fEditing; }
    bool Edit();
    void Modified() { fModified = true; }
    bool IsModified() const { return fModified; }
    void Reset() { RecordChanged(nullptr); }

    std::function<void()> OnActiveChange, OnDataChange, OnEditingChange, OnUpdateData;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(platform::data::TField* field) override;
    void LayoutChanged() override { UpdateField(); }
    void RecordChanged(platform::data::TField* field) override;
    void UpdateData() override;

private:
    void UpdateField();
    void SetField(platform::data::TField* field);
    void SetEditing(bool value);

    platform::data::TField* fField = nullptr;
    std::string fFieldName;
    QWidget* fControl = nullptr;
    bool fEditing = false;
    bool fModified = false;
};

// The field's text (Text) and shown text (DisplayText) as QStrings; empty without a field.
QString FieldText(const platform::data::TField* field);
QString FieldDisplayText(const platform::data::TField* field);
// Writes a QString into the field as Windows-1252 text (Text).
void SetFieldText(platform::data::TField& field, const QString& text);
