// TVORSAMDataSet: the dataset framework's TDataSet over one engine cursor (TDataCursor); and
// TVORSAMDBDataSet, the same bound to a database and session by name. Tables and queries derive from
// the second one; all they add to opening is how the cursor is made (CreateHandle).
//
// Records. Each buffered record lives in a record buffer (DataRecordBuffer.h) whose image is the
// cursor's record: the dataset reads and writes field values only through the cursor (GetField,
// PutField), converting between the engine's native forms and the framework's field buffer formats
// (dates, times and timestamps differ; the others are the same bytes). Each buffer keeps the record's
// position (the cursor's record number, -1 for a new record), its bookmark flag and its bookmark.
//
// Opening: OpenCursor asks CreateHandle for a cursor ("Error creating table handle." when there is
// none), then the framework opens: InternalOpen reads the field definitions and the active index from
// the cursor, makes and binds the fields, computes the buffer layout and puts the cursor before the
// first record. Closing frees what opening made; DestroyHandle closes and frees the cursor.
//
// Navigation results: the cursor's before-first and after-last codes become the framework's BOF and EOF
// results, so moving past either end never raises; every other failure arrives as EVORSAMEngineError.
//
// Editing: Edit re-reads the record with its lock (pessimistic locking) and keeps the record as it was
// in the old-values buffer (state dsOldValue); Post modifies or appends through the cursor, which places
// the record by its indexes; Cancel of an edit releases the record lock; Delete deletes through the
// cursor. Edit, the Post of an edit and Delete first make sure the cursor is on the active record: when
// another user deleted it, they raise VORSAM_KEYORRECDELETED instead of touching a neighbour.
//
// Block reading (BlockReadSize > 0, only while one record buffer is in use): Next reads on through
// blocks of records (TDataCursor::ReadRecordBlock) and the fields show the current record of the block;
// any other move ends the block and goes on one record at a time; setting BlockReadSize to 0 shows the
// record where reading stopped.
//
// Walks: each move is an operation of the cursor, whose read slots stay for the moves that follow as a
// read batch (ReadBatches.h), so that a walk takes the table's read slots and runs the change check once
// per batch instead of once per record, with or without a user interface. A move reads ahead the
// records that follow the one it wants (128). Reading a field that is no BLOB reads the dataset's own
// record buffer: it does not enter the engine, and takes no session lock.
//
// Filters: the Filter text becomes an expression filter of the cursor, OnFilterRecord a callback filter
// (priority 1) that judges a copy of each record in state dsFilter; both are made on open and are active
// only while Filtered (VORSAMDataSetFilters.cpp). The cursor applies them, so moves skip what they refuse.
//
// Keys (VORSAMDataSetKeys.cpp): six key buffers (DataRecordBuffer.h) hold the keys of searches and
// ranges; state dsSetKey edits one of them through the fields of the active index. Post ends such an edit
// keeping the key, Cancel restores the key the buffer held before. A range is the pair of range-start
// and range-end keys, each over its number of key fields (a partial key: the leading fields only); the
// cursor is given a range only when it differs from the one in force.
//
// Locate and Lookup (VORSAMDataSetLocate.cpp) search on the cursor when the key fields are the leading
// fields of the active index (and, for strings, the index's case rule is the one asked for), else on a
// lookup cursor of a descendant that has one, else through a filter made for the search; a null key
// value matches a null field in every one of them. Neither moves the dataset when nothing is found.
//
// Work on the engine runs under the session's lock (TVORSAMSession::LockSession) of the dataset's
// database, when it has one.
//
// A descendant's destructor calls Close() before its own members go.
#pragma once

#include "db/components/DataRecordBuffer.h"
#include "db/components/VORSAMComponent.h"
#include "db/engine/DataCursor.h"
#include "db/engine/ReadBatches.h"
#include "platform/data/DataSet.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

class TVORSAMDatabase;
class TVORSAMSession;

class TVORSAMDataSet : public platform::data::TDataSet {
public:
    using TProgressEvent = std::function<void(TVORSAMDataSet& sender, int percentDone)>;

    TVORSAMDataSet();
    ~TVORSAMDataSet() override;

    // The open cursor; none while closed.
    TDataCursor* Handle() const { return cursor_.get(); }

    bool AutoDisplayLabels() const { return autoDisplayLabels_; }
    void SetAutoDisplayLabels(bool value);
    // A new record starts from the current one.
    bool CopyOnAppend() const { return copyOnAppend_; }
    void SetCopyOnAppend(bool value) { copyOnAppend_ = value; }
    TProgressEvent OnImportProgress, OnExportProgress;

    bool IsSequenced() override;
    void SetRecNo(int value) override;
    bool BookmarkValid(const platform::data::TBookmark& bookmark) override;
    int CompareBookmarks(const platform::data::TBookmark& a, const platform::data::TBookmark& b) override;
    void SetBlockReadSize(int value) override;
    // Records in the present block and records read in blocks so far (0 while not block reading).
    uint32_t BlockRecordCount() const { return block_.Count; }
    uint64_t BlockRecordsRead() const { return block_.RecordsRead; }

    bool GetFieldData(const platform::data::TField& field, void* buffer) override;
    bool GetFieldData(int fieldNo, void* buffer) override;
    void SetFieldData(platform::data::TField& field, const void* buffer) override;
    // In state dsOldValue: "Field %s cannot be modified.".
    void SetStateFieldValue(platform::data::TDataSetState state, platform::data::TField& field,
                            const platform::data::Variant& value) override;
    bool GetIsIndexField(const platform::data::TField& field) override;
    bool GetCurrentRecord(char* buffer) override;
    // Blobs of the record of the present state (VORSAMDataSetBlobs.cpp, VORSAMBlobStream.h).
    int GetBlobFieldData(int fieldNo, platform::data::TBytes& buffer) override;
    std::unique_ptr<platform::data::TStream> CreateBlobStream(platform::data::TField& field,
                                                              platform::data::TBlobStreamMode mode) override;
    void CloseBlob(platform::data::TField& field) override;

    // Filters (see above). The setters of an open dataset first check browse mode; a filter text the
    // cursor refuses raises before anything changes.
    void SetFiltered(bool value) override;
    void SetFilterText(std::string text) override;
    void SetFilterOptions(platform::data::TFilterOptions options) override;
    void SetOnFilterRecord(TFilterRecordEvent handler) override;

    // The fields of the active index in key order: "Field index out of range." outside 0 .. count - 1,
    // "Cannot access index field %s." for one the dataset has no field of.
    int IndexFieldCount() const { return index_.FieldCount; }
    platform::data::TField* GetIndexField(int index);
    // The key fields set in the key buffer being edited (0: all of them); dsSetKey only.
    int KeyFieldCount() const;
    void SetKeyFieldCount(int value);

    void Post() override;
    void Cancel() override;
    bool Locate(std::string_view keyFields, const platform::data::Variant& keyValues,
                platform::data::TLocateOptions options) override;
    platform::data::Variant Lookup(std::string_view keyFields, const platform::data::Variant& keyValues,
                                   std::string_view resultFields) override;

protected:
    // The active index as the dataset keeps it: its first key fields in key order.
    static constexpr size_t MaxIndexFieldMap = 16;
    struct TActiveIndex {
        bool CaseInsensitive = false;
        uint16_t KeySize = 0;
        int32_t FieldCount = 0;
        std::array<uint16_t, MaxIndexFieldMap> FieldMap{};
    };

    // The cursor of a new open: none here. Called on every open.
    virtual std::unique_ptr<TDataCursor> CreateHandle() { return nullptr; }
    // Closes and frees the cursor.
    virtual void DestroyHandle();
    // The cursor leaves the dataset neither closed nor freed: for a cursor that another object owns.
    void ReleaseHandle() { (void)cursor_.release(); }
    // Called at the end of opening.
    virtual void OpenCursorComplete() {}
    virtual void ApplyDisplayLabels();
    virtual void ApplyFieldOrigins();
    // The session whose lock the dataset's work on the engine holds; none here.
    virtual TVORSAMSession* EngineSession() const { return nullptr; }

    // Makes the named index (empty: the primary one) active, keeping the current record; the buffer
    // layout follows its bookmark size. The caller resynchronises.
    void SwitchToIndex(const std::string& indexName);
    const TActiveIndex& ActiveIndex() const { return index_; }
    const TRecordBufferLayout& Layout() const { return layout_; }
    TDataRecordBuffer RecordBuffer(char* buffer) const { return {buffer, layout_}; }
    std::array<TKeyBuffer, KeyBufferCount>& KeyBuffers() { return keyBuffers_; }
    // The key buffer that state dsSetKey edits; none when not set.
    void SetCurrentKeyBuffer(TKeyBuffer* buffer) { currentKey_ = buffer; }
    // The record that state dsFilter judges.
    void SetFilterRecord(uint8_t* image) { filterImage_ = image; }
    void InitKeyBuffer(TKeyBuffer& buffer) const;

    // Key buffers (VORSAMDataSetKeys.cpp).
    // Enters dsSetKey on the buffer, keeping what it held for Cancel; `clear` empties it first.
    void SetKeyBuffer(TKeyIndex index, bool clear);
    // Fills the buffer with the values of the leading key fields; "No fields defined for the current
    // index." without key fields.
    void SetKeyFields(TKeyIndex index, const std::vector<platform::data::Variant>& values);
    // Ends dsSetKey: keeps the key (commit) or restores the one the buffer held.
    void PostKeyBuffer(bool commit);
    // The range start (and end) of a detail dataset: its leading key fields take the master's values.
    void SetLinkRanges(const std::vector<platform::data::TField*>& masterFields);
    // Gives the cursor the range of the range buffers unless it is the one in force; true when it did.
    bool SetCursorRange();
    // Removes the range in force; true when there was one.
    bool ResetCursorRange();
    // The key of the active index built from the buffer's record image.
    std::vector<uint8_t> BuildKey(const TKeyBuffer& buffer) const;

    // Filters and searches.
    bool FindRecord(bool restart, bool goForward) override;
    // The search behind Locate and Lookup; with `sync` a found record becomes the cursor's.
    bool LocateRecord(std::string_view keyFields, const platform::data::Variant& keyValues,
                      platform::data::TLocateOptions options, bool sync);
    // A cursor searching by the fields on an index of their own; none here.
    virtual TDataCursor* GetLookupCursor(const std::string& keyFields, bool caseInsensitive) {
        return nullptr;
    }
    virtual void DestroyLookupCursor() {}

    // Holds the lock of the session (EngineSession) for a scope; nothing without a session.
    class TEngineLock {
    public:
        explicit TEngineLock(const TVORSAMDataSet& dataSet);
        ~TEngineLock();
        TEngineLock(const TEngineLock&) = delete;
        TEngineLock& operator=(const TEngineLock&) = delete;

    private:
        TVORSAMSession* session_;
    };

    // The framework's operations.
    std::unique_ptr<char[]> AllocRecordBuffer() override;
    platform::data::TGetResult GetRecord(char* buffer, platform::data::TGetMode mode, bool doCheck) override;
    void InitRecord(char* buffer) override;
    void InternalInitRecord(char* buffer) override;
    void ClearCalcFields(char* buffer) override;
    platform::data::TBookmark GetBookmarkData(char* buffer) override;
    void SetBookmarkData(char* buffer, const platform::data::TBookmark& data) override;
    platform::data::TBookmarkFlag GetBookmarkFlag(char* buffer) override;
    void SetBookmarkFlag(char* buffer, platform::data::TBookmarkFlag flag) override;
    int GetNextRecords() override;
    int GetPriorRecords() override;

    void OpenCursor(bool infoQuery) override;
    void CloseCursor() override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() override { return cursor_ != nullptr; }
    void InternalInitFieldDefs() override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalGotoBookmark(const platform::data::TBookmark& bookmark) override;
    void InternalSetToRecord(char* buffer) override;
    void InternalRefresh() override;
    int GetRecordCount() override;
    int GetRecNo() override;
    void BlockReadNext() override;

    void InternalEdit() override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;
    bool GetCanModify() override { return canModify_; }
    void DoOnNewRecord() override;

private:
    friend class TVORSAMBlobStream;

    // A temporary state for a scope (data links are not told), with the record dsFilter judges.
    class TTempState {
    public:
        TTempState(TVORSAMDataSet& dataSet, platform::data::TDataSetState state,
                   uint8_t* filterRecord = nullptr);
        ~TTempState();
        TTempState(const TTempState&) = delete;
        TTempState& operator=(const TTempState&) = delete;

    private:
        TVORSAMDataSet& dataSet_;
        platform::data::TDataSetState saved_;
        uint8_t* savedFilterRecord_;
    };

    // The record a field of the present state reads or writes: its image and, for the states that
    // have them, its calculated fields.
    struct TStateRecord {
        uint8_t* Image = nullptr;
        char* CalcFields = nullptr;
    };
    struct TBlockRead {
        std::vector<uint8_t> Memory;
        uint32_t Capacity = 0;          // records a block holds
        uint32_t Index = 0;             // the current record in the block
        uint32_t Count = 0;             // records in the block
        uint64_t RecordsRead = 0;       // records read in blocks since block reading began
        bool EndReached = false;        // the last read reached the end of the records
        std::unique_ptr<char[]> Record; // record buffer of the current record of the block
        bool Active() const { return Capacity != 0; }
    };

    TDataCursor& Cursor() const;
    void ComputeLayout();
    // Filters (VORSAMDataSetFilters.cpp).
    void CreateFilters();
    uint32_t AddExpressionFilter(const std::string& text, platform::data::TFilterOptions options);
    uint32_t AddCallbackFilter();
    bool FilterAccepts(std::span<const uint8_t> image);
    void ActivateFilters(bool active);
    void ReplaceFilter(uint32_t& handle, uint32_t replacement);
    // Locate (VORSAMDataSetLocate.cpp).
    bool MapsToIndex(const std::vector<platform::data::TField*>& fields, bool caseInsensitive) const;
    void AssignKeyValues(const std::vector<platform::data::TField*>& fields,
                         const platform::data::Variant& keyValues, bool partial, uint8_t* image);
    bool LocateOnCursor(TDataCursor& search, const std::vector<platform::data::TField*>& fields, bool partial,
                        bool sync, uint8_t* image);
    bool LocateByFilter(const std::vector<platform::data::TField*>& fields, bool partial,
                        bool caseInsensitive, uint8_t* image);
    void ReadIndexInfo();
    void CheckCursorOn(char* buffer);
    TStateRecord RecordForState() const;
    void ReadFieldValue(uint16_t fieldNo, const uint8_t* image, bool& isNull, void* buffer) const;
    void WriteFieldValue(uint16_t fieldNo, uint8_t* image, const void* buffer) const;
    // A value the dataset cannot convert: "Cannot access field '%s' as type %s".
    [[noreturn]] void RefuseValue(uint16_t fieldNo) const;

    // Block reading (VORSAMDataSetBlockRead.cpp).
    void BeginBlockRead(int size);
    bool ReadNextBlock();
    void ShowBlockRecord();
    void EndBlockRead();
    void DropBlock();

    std::unique_ptr<TDataCursor> cursor_;
    TActiveIndex index_;
    TRecordBufferLayout layout_;
    bool canModify_ = false;
    std::vector<uint8_t> fieldTypes_; // the engine type of each field, by field number - 1
    std::vector<uint8_t> oldValues_;  // the record as it was when editing began
    std::vector<uint8_t> editImage_;  // the record read with its lock by Edit
    std::array<TKeyBuffer, KeyBufferCount> keyBuffers_;
    TKeyBuffer* currentKey_ = nullptr;
    uint8_t* filterImage_ = nullptr;
    char* lookupRecord_ = nullptr;  // the record Lookup reads its result fields from (state dsCalcFields)
    uint32_t expressionFilter_ = 0; // the cursor's filter handles; 0: none
    uint32_t callbackFilter_ = 0;
    TBlockRead block_;
    bool autoDisplayLabels_ = false;
    bool copyOnAppend_ = false;
    uint32_t readAhead_ = 1;
};

// Database flags of TVORSAMDBDataSet::SetDBFlag.
enum TDBFlag : uint8_t { dbfOpened = 0, dbfPrepared = 1, dbfTable = 3, dbfFieldList = 4, dbfIndexList = 5 };

class TVORSAMDBDataSet : public TVORSAMDataSet, public TSessionBoundComponent {
public:
    explicit TVORSAMDBDataSet(TVORSAMOwner* owner = nullptr);
    ~TVORSAMDBDataSet() override;

    // The database while a database flag is set (the dataset is open, or a table is made or deleted).
    TVORSAMDatabase* Database() const { return database_; }
    const std::string& DatabaseName() const { return databaseName_; }
    // '\' stored as '/'; refused on an active dataset, and while a database is bound ("Cannot perform
    // this operation on an open database.").
    virtual void SetDatabaseName(const std::string& name);
    const std::string& SessionName() const override { return sessionName_; }
    // Refused on an active dataset.
    void SetSessionName(const std::string& name) override;
    uint16_t DBFlags() const { return dbFlags_; }
    // Closes the dataset (a query also unprepares).
    virtual void Disconnect() { Close(); }
    // The dataset's own engine work is running (a query's statement being prepared or run): the routines
    // of the application that work calls (progress, password, trace) may not open, run, change or free
    // the dataset, nor close its database or session. Each of those first raises, changing nothing,
    // VORSAM_NOTSUPPORTED (RefuseWhileRunning); the run then ends as if nothing was asked.
    bool Running() const { return running_ > 0; }
    void RefuseWhileRunning() const;

protected:
    // Marks the dataset running for a scope.
    class TRun {
    public:
        explicit TRun(TVORSAMDBDataSet& dataSet) : dataSet_(dataSet) { ++dataSet_.running_; }
        ~TRun() { --dataSet_.running_; }
        TRun(const TRun&) = delete;
        TRun& operator=(const TRun&) = delete;

    private:
        TVORSAMDBDataSet& dataSet_;
    };

    // The first flag set opens the database through the session (which may make it) and joins its
    // datasets; the last one cleared leaves them and releases the database.
    void SetDBFlag(TDBFlag flag, bool value);
    TVORSAMSession* EngineSession() const override;
    void OpenCursor(bool infoQuery) override;
    void CloseCursor() override;

private:
    void BindDatabase();
    void ReleaseDatabase();

    uint16_t dbFlags_ = 0;
    int running_ = 0;
    TVORSAMDatabase* database_ = nullptr;
    std::string databaseName_;
    std::string sessionName_;
};

} // namespace vorsam
