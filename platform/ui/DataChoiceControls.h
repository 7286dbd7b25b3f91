// Data-aware controls that choose a value for a field: a check box, a combo box (or drop-down list)
// and a radio group. Each shows the field of the current record and, when the user changes it,
// puts the dataset into edit mode (see DataControl.h) and writes the new value into the field at
// once; a control that may not write (read-only control or field, dataset that cannot be modified,
// data source without AutoEdit while browsing) keeps showing the field's value. Escape shows the
// field's value again when a change is not written yet (DataControl.h). Typing into a combo box's edit field
// is written when the control is left, or when the dataset posts or scrolls.
#pragma once

#include "platform/ui/ControlAdapters.h"
#include "platform/ui/DataControl.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>

// A check box for a field. A field whose text matches ValueChecked shows checked, ValueUnchecked
// unchecked, anything else (and null) grayed; each value may list several texts separated by ';'
// (compared ignoring case), the first of which is written. A boolean field is read and written as
// a boolean instead. The screens' boxes use "1" and "0".
class TDBCheckBox : public TDataControl<TCheckBoxControl> {
public:
    explicit TDBCheckBox(QWidget* parent = nullptr);

    QString ValueChecked() const { return valueChecked_; }
    void SetValueChecked(const QString& value);
    QString ValueUnchecked() const { return valueUnchecked_; }
    void SetValueUnchecked(const QString& value);
    // Whether a click may also set the grayed state (no value).
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool on) { allowGrayed_ = on; }

    void KeyPress(QChar& key) override;
    bool WantsEscape() const override { return Link().IsModified(); }

protected:
    void DataChange() override;
    void UpdateData() override;
    // A click: unchecked -> checked (or grayed when allowed) -> unchecked; grayed -> checked.
    void nextCheckState() override;
    void ControlChar(QChar ch) override;

private:
    TCheckBoxState FieldState() const;

    QString valueChecked_ = QStringLiteral("True");
    QString valueUnchecked_ = QStringLiteral("False");
    bool allowGrayed_ = false;
};

// A combo box for a field, with an edit field (csDropDown, the default) or choosing from its items
// only (csDropDownList). It shows the field's text: a list selects the item with that text
// (ignoring case) and shows a text that is not among the items as it stands, with no item selected.
class TDBComboBox : public TDataControl<TComboBoxControl> {
public:
    explicit TDBComboBox(QWidget* parent = nullptr);

    void SetStyle(TComboBoxStyle style);
    // The text the control would write: the edit field's, or the selected item's.
    QString ComboText() const;
    // The text the control shows (for a list, also a field's text that is not among the items).
    QString ShownText() const { return isEditable() || currentIndex() >= 0 ? currentText() : shown_; }

    void showPopup() override;
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    bool WantsEscape() const override { return Link().IsModified(); }
    void DoExit() override;

protected:
    void DataChange() override;
    void UpdateData() override;
    void EditingChange() override;
    void paintEvent(QPaintEvent* e) override;

private:
    void ShowText(const QString& text);
    void Choose(int index);
    void ConnectEditField();

    QString shown_;                 // the field's text while no item shows it
    QPointer<QLineEdit> editField_; // the edit field whose typing is watched
};

// A group of radio buttons for a field, one per item. Item i stands for Values[i] (its own text when
// it has no value or an empty one); the button whose value equals the field's text is checked, none
// when no value matches.
class TDBRadioGroup : public TDataControl<QGroupBox> {
public:
    explicit TDBRadioGroup(QWidget* parent = nullptr);

    QString Caption() const { return title(); }
    void SetCaption(const QString& caption) { setTitle(caption); }
    QStringList Items() const { return items_; }
    void SetItems(const QStringList& items);
    QStringList Values() const { return values_; }
    void SetValues(const QStringList& values);
    // Buttons are laid out in this many columns, filled one column after the other.
    int Columns() const { return columns_; }
    void SetColumns(int columns);
    // The value shown; setting it checks the button of that value (it does not write the field).
    QString Value() const { return value_; }
    void SetValue(const QString& value);
    int ItemIndex() const { return group_.checkedId(); }
    QRadioButton* Button(int index) const;

    // The user chose an item (after it was written).
    TNotifyEvent OnClick;

protected:
    void DataChange() override;
    void UpdateData() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString ButtonValue(int index) const;
    void CheckButton(int index);
    void Choose(int index);
    void BuildButtons();

    QStringList items_, values_;
    int columns_ = 1;
    QString value_;
    QButtonGroup group_;
};
