#pragma once
// Data links: how a control or a detail dataset follows a data source. A link is told when the
// source becomes active or inactive, when the dataset scrolls, changes records or fields, enters or
// leaves edit mode, and when pending changes must be written (UpdateData). A link showing several
// records at once sets BufferCount and reads record i by setting ActiveRecord.
//
// TMasterDataLink is the link of a detail dataset to its master: it keeps the master fields named
// by FieldNames and calls OnMasterChange when the master's record (or one of those fields) changes
// and OnMasterDisable when the master closes.

#include "platform/data/DataTypes.h"

#include <functional>
#include <string>
#include <vector>

namespace platform::data {

class TDataSet;
class TDataSource;
class TField;

class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return fDataSource; }
    // "DataSource cannot be changed" while DataSourceFixed.
    void SetDataSource(TDataSource* source);
    bool DataSourceFixed() const { return fDataSourceFixed; }
    void SetDataSourceFixed(bool value) { fDataSourceFixed = value; }
    TDataSet* DataSet() const;
    bool Active() const { return fActive; }
    bool Editing() const { return fEditing; }
    bool ReadOnly() const { return fReadOnly; }
    void SetReadOnly(bool value);
    // Controls are told after detail links.
    bool VisualControl() const { return fVisualControl; }
    void SetVisualControl(bool value) { fVisualControl = value; }

    int BufferCount() const { return fBufferCount; }
    void SetBufferCount(int value);
    // The active record's index among the records this link shows (0 .. RecordCount-1).
    int ActiveRecord() const;
    void SetActiveRecord(int value);
    int RecordCount() const;

    // Puts the dataset into edit mode (unless the link is read-only); answers Editing.
    bool Edit();
    // Writes the link's pending change (UpdateData) without being told of the change it causes.
    void UpdateRecord();

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField* field) {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) {}
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    friend class TDataSet;

    void DataEvent(TDataEvent event, TDataEventInfo info);
    void UpdateState();
    void SetActive(bool value);
    void SetEditing(bool value);
    void UpdateRange();

    TDataSource* fDataSource = nullptr;
    bool fActive = false;
    bool fEditing = false;
    bool fReadOnly = false;
    bool fUpdating = false;
    bool fDataSourceFixed = false;
    bool fVisualControl = false;
    int fBufferCount = 1;
    int fFirstRecord = 0; // the dataset's buffer shown as this link's record 0
};

// A link through which a dataset depends on another: DetailDataSet names the dependent dataset.
class TDetailDataLink : public TDataLink {
public:
    virtual TDataSet* DetailDataSet() const { return nullptr; }
};

class TMasterDataLink : public TDetailDataLink {
public:
    explicit TMasterDataLink(TDataSet& detail) : fDetail(detail) {}

    TDataSet* DetailDataSet() const override { return &fDetail; }
    const std::string& FieldNames() const { return fFieldNames; }
    void SetFieldNames(std::string names);
    // The master's fields named by FieldNames, while the link is active.
    const std::vector<TField*>& Fields() const { return fFields; }

    std::function<void()> OnMasterChange;
    std::function<void()> OnMasterDisable;

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void LayoutChanged() override { ActiveChanged(); }
    void RecordChanged(TField* field) override;

private:
    TDataSet& fDetail;
    std::string fFieldNames;
    std::vector<TField*> fFields;
};

} // namespace platform::data
