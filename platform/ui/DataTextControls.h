// Data-aware controls that show a field as text: an edit and a label.
//
// TDBEdit edits the field of the current record. It is read-only while the record is not being
// edited; the first key that changes the text (a character, Backspace, Delete, Ctrl+V, Ctrl+X,
// Shift+Insert) puts the dataset into edit mode, and a field that may not be written leaves the
// text as it is. The typed text goes into the field when the focus leaves the edit, or when the
// dataset posts or scrolls; a text the field refuses keeps the focus in the edit, its text
// selected. Escape shows the field's value again and drops what was typed. While it has the focus
// the edit shows the field's Text, otherwise its DisplayText. Of a string field, the edit takes at
// most the field's size in characters unless MaxLength is set; CharCase turns typed and pasted
// letters to upper or lower case.
//
// TDBText shows the field's DisplayText as a label.
#pragma once

#include "platform/ui/DataControl.h"
#include "platform/ui/MaskEdit.h"

#include <QLabel>

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TDBEdit : public TDataControl<TCustomMaskEdit> {
public:
    explicit TDBEdit(QWidget* parent = nullptr);

    // 0: the size of a string field (no limit for other fields).
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase charCase);

    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    bool WantsEscape() const override { return Link().IsModified(); }
    void DoEnter() override;
    void DoExit() override;
    void Change() override;
    void DoPaste() override;

protected:
    void DataChange() override;
    void UpdateData() override;
    void EditingChange() override;

private:
    QString Cased(const QString& text) const;
    void ApplyMaxLength();

    int maxLength_ = 0;
    TEditCharCase charCase_ = TEditCharCase::ecNormal;
    bool focused_ = false;
};

class TDBText : public TDataControl<QLabel> {
public:
    explicit TDBText(QWidget* parent = nullptr);

protected:
    void DataChange() override;
};
