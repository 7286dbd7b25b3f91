// What every data-aware control shares: a field data link (DataFieldLink.h) set by DataSource and
// DataField, ReadOnly, and an enabled state that follows the dataset. A control whose dataset is
// closed (or that has no data source) shows no value and is disabled; when the dataset opens it
// takes the enabled state the program gave it again. The program sets that state with setEnabled
// (or SetEnabled) on the control itself: these hide the widget's own and remember the wish, so
// that a screen may disable a control for a model rule at any time.
//
// A control implements DataChange (show the field's value), UpdateData (write the pending value)
// and, where it matters, EditingChange. A control that writes as soon as its value changes (a
// check box, a list choice, a radio group) calls BeginChange() first and WriteNow() after.
// Escape drops a change the control has not written yet (the link is modified) and shows the
// field's value again; without such a change it goes on to the window (ControlAdapter.h).
#pragma once

#include "platform/ui/DataFieldLink.h"

#include <QWidget>

namespace platform::data {
class TDataSource;
}

template <typename TBase> class TDataControl : public TBase {
public:
    explicit TDataControl(QWidget* parent = nullptr) : TBase(parent) {
        link_.SetControl(this);
        link_.OnActiveChange = [this] { ApplyEnabled(); };
        link_.OnDataChange = [this] { DataChange(); };
        link_.OnEditingChange = [this] { EditingChange(); };
        link_.OnUpdateData = [this] { UpdateData(); };
        ApplyEnabled();
    }

    platform::data::TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(platform::data::TDataSource* source) { link_.SetDataSource(source); }
    QString DataField() const { return QString::fromStdString(link_.FieldName()); }
    void SetDataField(const QString& name) { link_.SetFieldName(name.toStdString()); }
    platform::data::TField* Field() const { return link_.Field(); }
    // A read-only control shows the field but never writes it.
    bool ReadOnly() const { return link_.ReadOnly(); }
    void SetReadOnly(bool value) { link_.SetReadOnly(value); }
    TFieldDataLink& Link() { return link_; }
    const TFieldDataLink& Link() const { return link_; }

    // The enabled state the program asked for; the control is enabled when the dataset is open too.
    bool Enabled() const { return wanted_; }
    void SetEnabled(bool on) {
        wanted_ = on;
        ApplyEnabled();
    }
    void setEnabled(bool on) { SetEnabled(on); }
    void setDisabled(bool off) { SetEnabled(!off); }

protected:
    virtual void DataChange() = 0;
    virtual void UpdateData() {}
    virtual void EditingChange() {}
    // Puts the dataset into edit mode before the control takes the value the user chose; false,
    // with the field's value shown again, when the field may not be written.
    bool BeginChange() {
        if (link_.Edit()) return true;
        link_.Reset();
        return false;
    }
    // Writes the value the control has just taken into the field.
    void WriteNow() {
        link_.Modified();
        link_.UpdateRecord();
    }
    // Writes a pending change as the focus leaves the control; when the field refuses it the
    // control keeps the focus with its text selected, and the error goes on to the caller.
    template <typename TSelectAll> void WriteOnExit(TSelectAll selectAll) {
        try {
            link_.UpdateRecord();
        } catch (...) {
            selectAll();
            this->setFocus();
            throw;
        }
    }

private:
    void ApplyEnabled() { TBase::setEnabled(wanted_ && link_.Active()); }

    TFieldDataLink link_;
    bool wanted_ = true;
};
