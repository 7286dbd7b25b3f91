#include "platform/data/DataLink.h"

#include "platform/data/DBConsts.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/data/Errors.h"

#include <algorithm>

namespace platform::data {

TDataLink::~TDataLink() {
    fActive = false;
    fEditing = false;
    fDataSourceFixed = false;
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == fDataSource) return;
    if (fDataSourceFixed) DatabaseError(SDataSourceChange);
    if (fDataSource != nullptr) fDataSource->RemoveDataLink(*this);
    if (source != nullptr) source->AddDataLink(*this);
}

TDataSet* TDataLink::DataSet() const {
    return fDataSource != nullptr ? fDataSource->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool value) {
    if (fReadOnly == value) return;
    fReadOnly = value;
    UpdateState();
}

void TDataLink::SetBufferCount(int value) {
    value = std::max(value, 1);
    if (fBufferCount == value) return;
    fBufferCount = value;
    if (!fActive) return;
    UpdateRange();
    DataSet()->UpdateBufferCount();
    UpdateRange();
}

int TDataLink::ActiveRecord() const {
    if (fDataSource->State() == dsSetKey) return 0;
    return DataSet()->fActiveRecord - fFirstRecord;
}

void TDataLink::SetActiveRecord(int value) {
    if (fDataSource->State() != dsSetKey) DataSet()->fActiveRecord = value + fFirstRecord;
}

int TDataLink::RecordCount() const {
    if (fDataSource->State() == dsSetKey) return 1;
    return std::clamp(DataSet()->fRecordCount - fFirstRecord, 0, fBufferCount);
}

bool TDataLink::Edit() {
    if (!fReadOnly && fDataSource != nullptr) fDataSource->Edit();
    return fEditing;
}

void TDataLink::UpdateRecord() {
    fUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        fUpdating = false;
        throw;
    }
    fUpdating = false;
}

void TDataLink::DataEvent(TDataEvent event, TDataEventInfo info) {
    if (event == deUpdateState) return UpdateState();
    if (event == deDisabledStateChange) return info.Value != 0 ? UpdateState() : SetActive(false);
    if (!fActive) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!fUpdating) RecordChanged(info.Field);
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        int distance = 0;
        if (fDataSource->State() != dsSetKey) {
            // Keep showing the same records when the dataset's buffers moved, then keep the
            // active record in view; the distance is how far the shown records moved.
            const int first = fFirstRecord + info.Value;
            fFirstRecord = first;
            UpdateRange();
            distance = fFirstRecord - first;
        }
        if (event == deDataSetChange)
            DataSetChanged();
        else if (event == deDataSetScroll)
            DataSetScrolled(distance);
        else
            LayoutChanged();
        break;
    }
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(info.Field);
        break;
    default:
        break;
    }
}

void TDataLink::UpdateState() {
    const TDataSetState state = fDataSource != nullptr ? fDataSource->State() : dsInactive;
    SetActive(state != dsInactive);
    SetEditing(IsEditMode(state) && !fReadOnly);
}

void TDataLink::SetActive(bool value) {
    if (fActive == value) return;
    fActive = value;
    if (value)
        UpdateRange();
    else
        fFirstRecord = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
    if (fEditing == value) return;
    fEditing = value;
    EditingChanged();
}

void TDataLink::UpdateRange() {
    const TDataSet& dataSet = *DataSet();
    const int min = std::max(dataSet.fActiveRecord - fBufferCount + 1, 0);
    const int max = std::min(std::max(dataSet.fBufferCount - fBufferCount, 0), dataSet.fActiveRecord);
    fFirstRecord = std::clamp(fFirstRecord, min, std::max(min, max));
}

void TMasterDataLink::SetFieldNames(std::string names) {
    if (names == fFieldNames) return;
    fFieldNames = std::move(names);
    ActiveChanged();
}

void TMasterDataLink::ActiveChanged() {
    fFields.clear();
    if (Active()) fFields = DataSet()->GetFieldList(fFieldNames);
    if (!fDetail.Active()) return;
    if (Active() && !fFields.empty()) {
        if (OnMasterChange) OnMasterChange();
    } else if (OnMasterDisable) {
        OnMasterDisable();
    }
}

void TMasterDataLink::CheckBrowseMode() {
    if (fDetail.Active()) fDetail.CheckBrowseMode();
}

void TMasterDataLink::RecordChanged(TField* field) {
    if (DataSource()->State() == dsSetKey || !fDetail.Active() || fFields.empty() || !OnMasterChange) return;
    if (field == nullptr || std::find(fFields.begin(), fFields.end(), field) != fFields.end())
        OnMasterChange();
}

} // namespace platform::data
