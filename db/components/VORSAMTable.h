// TVORSAMTable: the dataset over one engine table of its database. It names the table, chooses the
// active index by name or by fields, searches by key, keeps ranges, follows a master dataset, and makes,
// empties and deletes the table's files from field and index definitions.
//
// Names. TableName holding a folder ("dir/TEMPORAR.DAT"; '\' is taken as '/') sets DatabaseName to the
// folder and keeps only the file name, except on the in-memory database ("Memory"), whose table names
// are plain names.
//
// Index. IndexName chooses an index by name (empty: the primary index, or the record order when the
// table has no primary key); IndexFieldNames by its fields (';'-separated; an index whose fields are
// those, else one whose fields begin with them; "No index for fields '%s'" when none). Each reads back
// its own choice and an empty text for the other kind. Walks, FindKey and ranges follow the active index;
// in record order (no primary key and no index chosen) key searches raise "No fields defined for the
// current index.", so a table whose only index is a secondary one chooses it before searching.
//
// Definitions. IndexDefs holds the table's indexes. Every open and every change of a property marks it
// stale, and its Update then reads it from the engine (also on a closed table), so definitions set for
// CreateTable stay as given until something updates them. CreateTable makes new, empty files from FieldDefs
// (or, when empty, from the persistent data fields) and IndexDefs: an index marked ixPrimary becomes the
// primary key (moved to the first place); without one the table keeps its records in record order and every
// definition is a secondary index. The table must not exist yet (the engine raises when it does).
//
// Keys. SetKey and EditKey edit the search key through the fields of the active index (state dsSetKey;
// Post keeps it, Cancel restores the previous one); GotoKey moves to the record whose leading key fields
// equal the key's (KeyFieldCount of them; 0 means all that were set), GotoNearest to the first record
// whose key is not less. FindKey and FindNearest set the key from values first: fewer values than the
// index has fields search on the leading fields only. SetRangeStart, SetRangeEnd (and their Edit forms)
// edit the range's bounds the same way; ApplyRange gives the cursor the range (once: the same range
// again changes nothing) and moves to its first record; CancelRange removes it.
//
// Master link. With MasterSource and MasterFields, the table shows the records whose leading fields of
// the active index equal the master's fields, following every move of the master; a new record takes
// the master's values into those fields.
//
// Locate and Lookup on fields that are not the active index's search a clone of the cursor on an index
// of those fields (made once for the same fields and case rule), else through a filter.
#pragma once

#include "db/components/VORSAMDataSet.h"
#include "platform/data/DataLink.h"
#include "platform/data/IndexDefs.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::data {
class TDataSource;
}

namespace vorsam {

class TVORSAMTable;
// The events of RepairTable: each step with how far it is (0 .. 100); a line of the repair's log.
using TSteppedProgressEvent =
    std::function<void(TVORSAMTable& sender, const std::string& step, int percentDone)>;
using TLogEvent = std::function<void(TVORSAMTable& sender, const std::string& logMessage)>;

class TVORSAMTable : public TVORSAMDBDataSet {
public:
    explicit TVORSAMTable(TVORSAMOwner* owner = nullptr);
    ~TVORSAMTable() override;

    // --- names and options (refused on an open table) ---
    const std::string& TableName() const { return tableName_; }
    void SetTableName(const std::string& name);
    void SetDatabaseName(const std::string& name) override;
    bool InMemory() const { return inMemory_; }
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool value);
    // Set by opening when the engine opened the table read-only.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

    // --- definitions and index ---
    platform::data::TIndexDefs& IndexDefs() { return indexDefs_; }
    std::string IndexName() const { return fieldsIndex_ ? std::string() : indexName_; }
    void SetIndexName(const std::string& name);
    std::string IndexFieldNames() const { return fieldsIndex_ ? indexName_ : std::string(); }
    void SetIndexFieldNames(const std::string& fieldNames);

    // --- master link ---
    platform::data::TDataSource* MasterSource() const { return masterLink_.DataSource(); }
    // "Circular data links are not allowed." for a source that leads back to this table.
    void SetMasterSource(platform::data::TDataSource* source);
    const std::string& MasterFields() const { return masterLink_.FieldNames(); }
    void SetMasterFields(const std::string& fieldNames);

    // --- the table's files (the table must be closed, except for Exists and EmptyTable) ---
    void CreateTable();
    void DeleteTable();
    // Deletes every record; an open table stays open, on no record.
    void EmptyTable();
    bool Exists();
    // Mends the files of the closed table, which nobody else may have open, after an interrupted write
    // left them inconsistent (the open then fails with VORSAM_WRITEINTERRUPTED) or other damage
    // (TDataTable::Repair): OnRepairProgress tells each step with how far it is, OnRepairLog each thing
    // found wrong and what was done about it (a record or a BLOB dropped among them).
    void RepairTable();
    TSteppedProgressEvent OnRepairProgress;
    TLogEvent OnRepairLog;

    // --- key search and ranges ---
    bool FindKey(const std::vector<platform::data::Variant>& values);
    void FindNearest(const std::vector<platform::data::Variant>& values);
    void SetKey();
    void EditKey();
    bool GotoKey();
    void GotoNearest();
    void SetRangeStart();
    void SetRangeEnd();
    void EditRangeStart();
    void EditRangeEnd();
    void SetRange(const std::vector<platform::data::Variant>& startValues,
                  const std::vector<platform::data::Variant>& endValues);
    void ApplyRange();
    void CancelRange();

    void GetDetailLinkFields(std::vector<platform::data::TField*>& masterFields,
                             std::vector<platform::data::TField*>& detailFields) override;
    void DataEvent(platform::data::TDataEvent event, platform::data::TDataEventInfo info = {}) override;
    void UpdateIndexDefs() override;
    platform::data::TDataSource* GetDataSource() override { return MasterSource(); }

protected:
    std::unique_ptr<TDataCursor> CreateHandle() override;
    void DestroyHandle() override;
    void OpenCursorComplete() override;
    TDataCursor* GetLookupCursor(const std::string& keyFields, bool caseInsensitive) override;
    void DestroyLookupCursor() override;
    bool GetCanModify() override;
    void DoOnNewRecord() override;
    void InternalRefresh() override;

private:
    // A cursor on the table of the database (bound by the caller's database flag), not opened.
    std::unique_ptr<TDataCursor> NewCursor(bool exclusive, bool readOnly);
    // Keeps the database bound by a database flag for a scope.
    class TDatabaseScope {
    public:
        TDatabaseScope(TVORSAMTable& table, TDBFlag flag);
        ~TDatabaseScope();
        TDatabaseScope(const TDatabaseScope&) = delete;
        TDatabaseScope& operator=(const TDatabaseScope&) = delete;

    private:
        TVORSAMTable& table_;
        TDBFlag flag_;
    };

    void ReadIndexDefs(const TDataCursor& cursor);
    // The index name of an index choice (a name, or fields resolved through IndexDefs).
    std::string GetIndexParams(const std::string& value, bool byFields);
    void SetIndex(const std::string& value, bool byFields);
    // The index definition for Locate's fields: one of those fields (or beginning with them) whose case
    // rule is the asked one when a key field is text; none for descending and expression indexes.
    const platform::data::TIndexDef* GetIndexForFields(const std::string& fields, bool caseInsensitive);
    void CheckMasterRange();
    void MasterChanged();
    void MasterDisabled();
    bool RangeInForce();
    bool GotoKeyBuffer(bool nearest);

    platform::data::TIndexDefs indexDefs_;
    platform::data::TMasterDataLink masterLink_;
    std::string tableName_;
    std::string indexName_; // the index name or, when fieldsIndex_, the field list
    bool fieldsIndex_ = false;
    bool exclusive_ = false;
    bool readOnly_ = false;
    bool inMemory_ = false;
    std::unique_ptr<TDataCursor> lookupCursor_;
    std::string lookupKeyFields_;
    bool lookupCaseInsensitive_ = false;
};

} // namespace vorsam
