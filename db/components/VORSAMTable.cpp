// TVORSAMTable: names and options, the cursor of an open table, the choice of the active index, and the
// master link.
#include "db/components/VORSAMTable.h"

#include "db/components/VORSAMDatabase.h"
#include "db/components/VORSAMSession.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataSource.h"
#include "platform/data/Errors.h"
#include "platform/data/TextUtil.h"

#include <algorithm>

namespace vorsam {

using namespace platform::data;

TVORSAMTable::TVORSAMTable(TVORSAMOwner* owner)
    : TVORSAMDBDataSet(owner), indexDefs_(this), masterLink_(*this) {
    masterLink_.OnMasterChange = [this] { MasterChanged(); };
    masterLink_.OnMasterDisable = [this] { MasterDisabled(); };
}

TVORSAMTable::~TVORSAMTable() {
    Close();
    masterLink_.OnMasterChange = nullptr;
    masterLink_.OnMasterDisable = nullptr;
}

// ---- names and options ----

void TVORSAMTable::SetTableName(const std::string& name) {
    std::string value = name;
    std::replace(value.begin(), value.end(), '\\', '/');
    if (value == tableName_) return;
    CheckInactive();
    const size_t slash = value.find_last_of('/');
    if (slash != std::string::npos && !inMemory_) {
        SetDatabaseName(slash == 0 ? std::string("/") : value.substr(0, slash));
        value.erase(0, slash + 1);
    }
    tableName_ = std::move(value);
    DataEvent(dePropertyChange);
}

void TVORSAMTable::SetDatabaseName(const std::string& name) {
    TVORSAMDBDataSet::SetDatabaseName(name);
    inMemory_ = SameText(DatabaseName(), "Memory");
}

void TVORSAMTable::SetExclusive(bool value) {
    CheckInactive();
    exclusive_ = value;
}

void TVORSAMTable::SetReadOnly(bool value) {
    CheckInactive();
    readOnly_ = value;
}

bool TVORSAMTable::GetCanModify() {
    return TVORSAMDBDataSet::GetCanModify() && !readOnly_;
}

void TVORSAMTable::DataEvent(TDataEvent event, TDataEventInfo info) {
    if (event == dePropertyChange) indexDefs_.SetUpdated(false);
    TVORSAMDBDataSet::DataEvent(event, info);
}

// ---- the cursor ----

std::unique_ptr<TDataCursor> TVORSAMTable::NewCursor(bool exclusive, bool readOnly) {
    if (tableName_.empty()) DatabaseError(STableNameMissing);
    auto cursor = std::make_unique<TDataCursor>(*Database()->Handle());
    cursor->SetTableName(tableName_);
    cursor->SetExclusive(exclusive);
    cursor->SetReadOnly(readOnly);
    cursor->SetInMemory(inMemory_);
    TVORSAMSession* session = Database()->Session();
    cursor->SetPasswordCallback([session] { return session != nullptr && session->RequestPassword(); });
    return cursor;
}

std::unique_ptr<TDataCursor> TVORSAMTable::CreateHandle() {
    if (tableName_.empty()) DatabaseError(STableNameMissing);
    indexDefs_.SetUpdated(false);
    std::unique_ptr<TDataCursor> cursor = NewCursor(exclusive_, readOnly_);
    cursor->OpenCursor();
    readOnly_ = cursor->IsReadOnly();
    if (fieldsIndex_) ReadIndexDefs(*cursor);
    const std::string name = GetIndexParams(indexName_, fieldsIndex_);
    if (!name.empty()) cursor->SetIndexName(name);
    return cursor;
}

void TVORSAMTable::DestroyHandle() {
    DestroyLookupCursor();
    TVORSAMDBDataSet::DestroyHandle();
}

void TVORSAMTable::OpenCursorComplete() {
    GetIndexParams(indexName_, fieldsIndex_);
    CheckMasterRange();
}

void TVORSAMTable::InternalRefresh() {
    TVORSAMDBDataSet::InternalRefresh();
    if (!lookupCursor_) return;
    const TEngineLock lock(*this);
    lookupCursor_->Refresh();
}

// ---- the active index ----

std::string TVORSAMTable::GetIndexParams(const std::string& value, bool byFields) {
    if (value.empty()) return {};
    indexDefs_.Update();
    return byFields ? indexDefs_.FindIndexForFields(value).Name : value;
}

void TVORSAMTable::SetIndexName(const std::string& name) {
    SetIndex(name, false);
}

void TVORSAMTable::SetIndexFieldNames(const std::string& fieldNames) {
    SetIndex(fieldNames, !fieldNames.empty());
}

void TVORSAMTable::SetIndex(const std::string& value, bool byFields) {
    if (Active()) CheckBrowseMode();
    if (value == indexName_ && byFields == fieldsIndex_) return;
    if (Active()) {
        SwitchToIndex(GetIndexParams(value, byFields));
        indexName_ = value;
        fieldsIndex_ = byFields;
        CheckMasterRange();
        Resync({});
        return;
    }
    indexName_ = value;
    fieldsIndex_ = byFields;
}

// ---- master link ----

void TVORSAMTable::SetMasterSource(TDataSource* source) {
    if (source != nullptr && IsLinkedTo(source)) DatabaseError(SCircularDataLink);
    masterLink_.SetDataSource(source);
}

void TVORSAMTable::SetMasterFields(const std::string& fieldNames) {
    masterLink_.SetFieldNames(fieldNames);
}

void TVORSAMTable::CheckMasterRange() {
    if (!masterLink_.Active() || masterLink_.Fields().empty()) return;
    SetLinkRanges(masterLink_.Fields());
    SetCursorRange();
}

void TVORSAMTable::MasterChanged() {
    CheckBrowseMode();
    SetLinkRanges(masterLink_.Fields());
    ApplyRange();
}

void TVORSAMTable::MasterDisabled() {
    CancelRange();
}

void TVORSAMTable::DoOnNewRecord() {
    if (masterLink_.Active() && !masterLink_.Fields().empty()) {
        const std::vector<TField*>& master = masterLink_.Fields();
        for (size_t i = 0; i < master.size(); ++i) GetIndexField(int(i))->SetValue(master[i]->Value());
    }
    TVORSAMDBDataSet::DoOnNewRecord();
}

void TVORSAMTable::GetDetailLinkFields(std::vector<TField*>& masterFields,
                                       std::vector<TField*>& detailFields) {
    masterFields.clear();
    detailFields.clear();
    TDataSet* master = MasterSource() != nullptr ? MasterSource()->DataSet() : nullptr;
    if (master == nullptr || MasterFields().empty()) return;
    masterFields = master->GetFieldList(MasterFields());
    indexDefs_.Update();
    const TIndexDef* def = nullptr;
    if (!IndexName().empty())
        def = &indexDefs_.Find(IndexName());
    else if (!IndexFieldNames().empty())
        def = &indexDefs_.FindIndexForFields(IndexFieldNames());
    else
        for (int i = 0; i < indexDefs_.Count() && def == nullptr; ++i)
            if (indexDefs_[i].Options.Contains(ixPrimary)) def = &indexDefs_[i];
    if (def != nullptr) detailFields = GetFieldList(def->Fields);
}

} // namespace vorsam
