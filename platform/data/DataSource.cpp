#include "platform/data/DataSource.h"

#include "platform/data/DBConsts.h"
#include "platform/data/DataLink.h"
#include "platform/data/DataSet.h"
#include "platform/data/Errors.h"

#include <algorithm>

namespace platform::data {

TDataSource::~TDataSource() {
    OnStateChange = nullptr;
    OnDataChange = nullptr;
    OnUpdateData = nullptr;
    SetDataSet(nullptr);
    while (!fDataLinks.empty()) RemoveDataLink(*fDataLinks.back());
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == fDataSet) return;
    if (IsLinkedTo(dataSet)) DatabaseError(SCircularDataLink);
    if (fDataSet != nullptr) fDataSet->RemoveDataSource(*this);
    if (dataSet != nullptr) dataSet->AddDataSource(*this);
}

void TDataSource::SetEnabled(bool value) {
    fEnabled = value;
    UpdateState();
}

void TDataSource::Edit() {
    if (fAutoEdit && fState == dsBrowse) fDataSet->Edit();
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const {
    while (dataSet != nullptr) {
        TDataSource* source = dataSet->GetDataSource();
        if (source == nullptr) break;
        if (source == this) return true;
        dataSet = source->DataSet();
    }
    return false;
}

void TDataSource::DataEvent(TDataEvent event, TDataEventInfo info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (fState == dsInactive) return;
    NotifyDataLinks(event, info);
    switch (event) {
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange)
            OnDataChange(*this, event == deFieldChange || event == deRecordChange ? info.Field : nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData) OnUpdateData(*this);
        break;
    default:
        break;
    }
}

void TDataSource::NotifyDataLinks(TDataEvent event, TDataEventInfo info) {
    // Detail datasets follow before the controls; a link that leaves meanwhile is not told.
    const std::vector<TDataLink*> links = fDataLinks;
    for (const bool visual : {false, true})
        for (TDataLink* link : links)
            if (link->VisualControl() == visual &&
                std::find(fDataLinks.begin(), fDataLinks.end(), link) != fDataLinks.end())
                link->DataEvent(event, info);
}

void TDataSource::UpdateState() {
    SetState(fEnabled && fDataSet != nullptr ? fDataSet->State() : dsInactive);
}

void TDataSource::SetState(TDataSetState value) {
    if (fState == value) return;
    const TDataSetState prior = fState;
    fState = value;
    NotifyDataLinks(deUpdateState, {});
    if (OnStateChange) OnStateChange(*this);
    if (prior == dsInactive && OnDataChange) OnDataChange(*this, nullptr);
}

void TDataSource::AddDataLink(TDataLink& link) {
    fDataLinks.push_back(&link);
    link.fDataSource = this;
    if (fDataSet != nullptr) fDataSet->UpdateBufferCount();
    link.UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink& link) {
    link.fDataSource = nullptr;
    fDataLinks.erase(std::remove(fDataLinks.begin(), fDataLinks.end(), &link), fDataLinks.end());
    link.UpdateState();
    if (fDataSet != nullptr) fDataSet->UpdateBufferCount();
}

} // namespace platform::data
