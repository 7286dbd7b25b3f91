// TDataCursor: one user's cursor on a table of a database (TDataDirectory): it opens the table's shared
// TDataTable through the directory, walks its records in the order of an index or in record order,
// searches by key, keeps a range, hands out bookmarks and record positions, reads and writes fields of
// record images, and appends, modifies and deletes records under record locks.
//
// Record images are the table's records: record size bytes, the 9-byte prefix (status, number, +5
// value, Record.h) and each field's null-indicator byte and value at the field's offset. Fields are
// numbered from 1.
//
// State (each part explicit below):
//   settings   table name, exclusive, read-only, in-memory, query, source and DDL flags, password
//              callback: set while the cursor is closed (an open cursor refuses: VORSAM_INVALIDPARAM)
//   order      the active index: its number (0 the primary index, 1 .. 30 the secondary ones, 255 the
//              record order; the primary index of a table without a primary key is the record order),
//              its descriptor and its key order
//   position   before the first record, on a record, between two records, after the last record:
//                on a record   its number and, in an index order, its key; in an index order also its
//                              place in the index (leaf page, position, rank: IndexNavigator.h), good
//                              while the table's content version is the one it was found at (else the
//                              record is found again by its key; when it is gone, the cursor is
//                              between the records around its old key)
//                between       the key (index order) or record number (record order) the position lies
//                              just before: the next record is the first not below it, the prior one the
//                              last below it, and the current one the next one (after a record is
//                              deleted, the one that followed it)
//   index path the descent of the last seek from the root to a leaf (IndexPath.h)
//   range      index orders only: a start key and an end key, each compared over the bytes of its
//              first n key fields (a partial key); the cursor sees only the records whose keys lie
//              between them, both included
//   record lock at most one record locked for editing: pessimistically, the record's lock byte taken
//              when editing begins (GetCurrentRecord with the lock flag) and released by the modify,
//              delete or cancel that ends it; optimistically, only the image as it was when editing
//              began, the lock taken for the write itself, which is refused (VORSAM_KEYORRECDELETED)
//              when another user changed the record meanwhile
//
// Every operation that reads the table runs inside a read level of the table (DataTable.h): taking it
// runs the change check that notices other processes' writes, and while it is held no other process
// can write. BeginRead/EndRead hold one across a run of operations. The cursor also asks the data
// file's cache to read ahead the records it will want next (GetReadAheadCount).
//
// Results: navigation returns 0, VORSAM_BOF (0x2201, before the first record) or VORSAM_EOF (0x2202,
// after the last); every other failure raises EVORSAMEngineError through RaiseEngineError with the
// table's and the database's names (and the index or field where one is involved):
//   VORSAM_INVALIDPARAM     a setting of an open cursor, an operation of a closed one, a bad field or
//                           index number, a record image of the wrong size, a search or range without
//                           an index
//   VORSAM_INVALIDINDEXNAME an index name the table does not have
//   VORSAM_RECNOTFOUND      modify, delete or a bookmark without a current record
//   VORSAM_KEYORRECDELETED  the record being edited was deleted, or (optimistic locking) changed, by
//                           another user
//   VORSAM_OSEACCES         editing a read-only table; an encrypted table whose password the session
//                           lacks
//   VORSAM_REQDERR, VORSAM_MINVALERR, VORSAM_MAXVALERR   a record breaking a field's constraint
//   and the table's own (VORSAM_KEYVIOL, VORSAM_RECLOCKFAILED, VORSAM_TABLEEXISTS, VORSAM_FILEINUSE, ...).
//
// What later layers add plugs in where marked: filters judge each record the cursor passes over
// (Accepted), the blobs opened on a record are saved with it (SaveRecordBlobs; the table frees those of
// a deleted record), and a transaction of the database takes part in every write (BeforeTableWrite).
#pragma once

#include "db/engine/CursorFilter.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataTable.h"
#include "db/engine/IndexNavigator.h"
#include "db/engine/IndexPath.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

// The index number of the record order.
inline constexpr uint8_t RecordOrderIndex = 255;
// Bookmark: u32 record number, u8 index number of the order, then the record's key in that index.
inline constexpr uint16_t BookmarkPrefixSize = 5;
// CompareBookmarks: the bookmarks belong to different orders.
inline constexpr int BookmarksNotComparable = 2;

// What CreateTable makes: the arguments both callers give (in their own orders), by name.
struct TCreateTableArgs {
    uint16_t LanguageId = 0;
    uint16_t SortId = 0;
    uint16_t UserMajorVersion = 0;
    uint16_t UserMinorVersion = 0;
    bool Encrypted = false;
    std::string Password;
    std::string Description;
    uint32_t BlobBlockSize = 512;
    // Field descriptors (name, type, subtype, size, decimals, required flag, character case, value
    // texts, computed flag); numbers, physical sizes and offsets are computed.
    std::vector<TFieldDescriptor> Fields;
    // Index descriptors by slot: 0 the primary index (empty: the record order), 1 .. SecondaryCount the
    // secondary ones; later slots (the system indexes) are made by the table itself.
    std::vector<TIndexDescriptor> Indexes;
    uint8_t SecondaryCount = 0;
    // Text-index settings; no text index is built yet, so they are only carried.
    std::string StopWords;
    std::string SpaceCharacters;
    std::string IncludeCharacters;

    // The table definition these arguments describe.
    TTableDefinition Definition() const;
};

enum class TCursorPositionKind : uint8_t { BeforeFirst, OnRecord, Between, AfterLast };

struct TCursorPosition {
    TCursorPositionKind Kind = TCursorPositionKind::BeforeFirst;
    uint32_t Record = 0;       // on a record: its number; between (record order): the number it lies before
    std::vector<uint8_t> Key;  // index order: the record's key, or the key the position lies before
    TIndexPlace Place;         // index order, on a record: the record's entry
    uint64_t PlaceVersion = 0; // the content version the place was found at; 0 when not known
};

struct TCursorRange {
    bool Active = false;
    std::vector<uint8_t> Start; // empty: from the first record
    std::vector<uint8_t> End;   // empty: to the last record
    uint16_t StartLength = 0;   // bytes of the key compared
    uint16_t EndLength = 0;
};

struct TRecordLock {
    uint32_t Record = 0;           // the record being edited; 0 when none
    bool Held = false;             // its lock byte is held (pessimistic locking)
    std::vector<uint8_t> Original; // optimistic locking: the record when editing began
};

class TDataCursor : public CacheClient {
public:
    explicit TDataCursor(TDataDirectory& directory);
    ~TDataCursor() override;
    TDataCursor(const TDataCursor&) = delete;
    TDataCursor& operator=(const TDataCursor&) = delete;

    // --- Settings, open, close, create, delete (DataCursorOpen.cpp) ---

    void SetTableName(std::string_view name);
    void SetExclusive(bool value);
    void SetReadOnly(bool value);
    void SetInMemory(bool value);
    void SetQueryCursor(bool value);
    void SetSourceCursor(bool value);
    void SetDDLMode(bool value);
    // Asked when the table is encrypted and the session lacks its password: true when it supplied one
    // (added it to the session), after which the password is looked for again.
    void SetPasswordCallback(std::function<bool()> callback);
    const std::string& TableName() const { return tableName_; }
    bool Exclusive() const { return exclusive_; }
    bool InMemory() const { return inMemory_; }
    bool IsQueryCursor() const { return queryCursor_; }
    bool IsSourceCursor() const { return sourceCursor_; }
    bool DDLMode() const { return ddlMode_; }

    // Opens the table (VORSAM_OSENOENT when it does not exist) in the primary index's order, before
    // the first record.
    void OpenCursor();
    // Gives up a record lock and the read levels the cursor began, and closes its use of the table.
    void CloseCursor();
    bool IsOpen() const { return table_ != nullptr; }
    // A new open cursor on the same table, in the same order and range, on the same record.
    std::unique_ptr<TDataCursor> CloneCursor();
    // Creates the table's files (the cursor closed).
    void CreateTable(const TCreateTableArgs& args);
    // Deletes the table's files (the cursor closed; VORSAM_FILEINUSE while anyone has the table open).
    void DeleteTable();

    TDataDirectory& Directory() const { return directory_; }
    TDataTable& Table() const;
    std::string GetDatabaseName() const { return directory_.GetDatabaseName(); }
    bool IsRemote() const { return directory_.Settings().Remote; }

    // --- Fields and indexes (DataCursorOpen.cpp) ---

    uint16_t GetRecordSize() const { return recordSize_; }
    uint16_t GetFieldCount() const { return uint16_t(fields_.size()); }
    // True for a cursor opened read-only or on a table whose files are read-only.
    bool IsReadOnly() const;
    // The field's number by its name (ignoring case); 0 when none.
    uint16_t GetFieldNumber(std::string_view name) const;
    // Copies of the field's descriptor: of the cursor's layout and of the table's (the same until a
    // derived layout with computed fields is given); false when there is no such field.
    bool GetFieldDesc(uint16_t number, TFieldDescriptor& destination) const;
    bool GetCursorFieldDesc(uint16_t number, TFieldDescriptor& destination) const;
    bool GetTableFieldDesc(uint16_t number, TFieldDescriptor& destination) const;
    bool GetFieldDescByName(std::string_view name, TFieldDescriptor& destination) const;
    uint8_t GetIndexCount() const;
    // The descriptor of index n (0 primary, 1 .. count secondary); zeros for 255 and unknown numbers.
    TIndexDescriptor GetIndexDesc(uint8_t number) const;
    bool IndexExists(std::string_view name) const;
    // The table has no primary key: its primary index is the record order.
    bool IsDefaultPrimaryIndex() const;
    // Switches the active index (empty name: the primary one); the range goes, the current record stays.
    void SetIndexName(std::string_view name);
    void SetIndexNumber(uint8_t number);
    uint8_t IndexNumber() const { return indexNumber_; }
    // Reading in record order, or through an active filter.
    bool IsUnsequenced() const { return InRecordOrder() || HasActiveFilters(); }
    const TIndexPath& IndexPath() const { return path_; }
    const TCursorPosition& Position() const { return position_; }

    // --- Navigation (DataCursorNavigation.cpp); each returns 0, VORSAM_BOF or VORSAM_EOF ---

    void SetToBegin();
    void SetToEnd();
    // The next (prior) record becomes current and is copied into the buffer when one is given.
    uint16_t GetNextRecord(std::span<uint8_t> buffer = {});
    uint16_t GetPriorRecord(std::span<uint8_t> buffer = {});
    // The current record's position: in an index order its place in the order (1 the first record of
    // the range), in record order its record number (deleted records leave gaps); 0 when the cursor is
    // not on a record. SetToRecordNo is its inverse; GetRecordNumber gives the same.
    uint32_t GetRecordPosition();
    uint32_t GetRecordNumber() { return GetRecordPosition(); }
    // True when that record exists (within the range); else before the first or after the last record,
    // or, in record order on a deleted record, just before the record number.
    bool SetToRecordNo(uint32_t number);

    uint16_t GetBookmarkSize() const;
    // The current record's bookmark (GetBookmarkSize bytes); VORSAM_RECNOTFOUND when not on a record.
    void GetBookmark(std::span<uint8_t> destination) const;
    // Makes the bookmark's record current; false, the position unchanged, when it is gone or lies
    // outside the range.
    bool SetToBookmark(std::span<const uint8_t> bookmark);
    // -1, 0 or 1 as bookmark a comes before, with or after b in the active order; 2 when they do not
    // belong to it.
    int CompareBookmarks(std::span<const uint8_t> a, std::span<const uint8_t> b) const;

    // --- Keys and search (DataCursorFind.cpp) ---

    // Key length of the active index (0 in record order).
    uint16_t GetKeyLength() const { return keyLength_; }
    // The active index's key of a record image (GetKeyLength bytes).
    void BuildKey(std::span<const uint8_t> image, uint8_t* destination) const;
    // Compares two keys of the active index over `length` bytes: negative, 0 or positive.
    int CompareKeys(const uint8_t* a, const uint8_t* b, uint16_t length) const;
    // Searches the active index with a key (`byKey`) or the key of a record image, comparing its first
    // `fieldCount` key fields whole (0 with no `partialLength`: all of them) and then `partialLength`
    // characters of the next one. True when a record's key equals it: the first such record becomes
    // current. Otherwise, with `nearest`, the first record whose key is not below it (after the last
    // record when none), else the position stays. Records outside the range are not found.
    bool Find(bool byKey, const uint8_t* keyOrImage, uint16_t fieldCount, uint16_t partialLength,
              bool nearest);

    // --- Record images and fields (DataCursorFields.cpp) ---

    // Zeroes the image and sets each field's default value (with its character case).
    void InitRecordBuffer(std::span<uint8_t> image) const;
    // Zeroes the image: every field null (key buffers start so).
    void InitEmptyRecord(std::span<uint8_t> image) const;
    // The field's value (its physical size) into `destination` when given, and whether it is null;
    // returns 0. An auto-increment field is the image's +5 value and never null.
    uint16_t GetField(uint16_t number, std::span<const uint8_t> image, bool& isNull,
                      uint8_t* destination) const;
    uint16_t GetTableField(uint16_t number, std::span<const uint8_t> image, bool& isNull,
                           uint8_t* destination) const;
    // Writes the value (the field's physical size; a string up to its zero) or, for none, null. A
    // string loses its trailing blanks and what exceeds the field's size, and takes the field's
    // character case; a boolean is stored as 0 or 1.
    void PutField(uint16_t number, std::span<uint8_t> image, const uint8_t* value) const;

    // --- Editing (DataCursorEdit.cpp) ---

    // Copies the current record (between records: the next one becomes current) and returns 0, or the
    // code of a position outside. With `lock`, editing begins (see record lock above): the record is
    // locked (waiting for another user's lock as the session says) and read afresh.
    uint16_t GetCurrentRecord(std::span<uint8_t> buffer, bool lock = false);

    // Adds the record (character case applied, constraints checked, a new +5 value unless auto-
    // increment values are kept); the buffer receives the record's number and +5 value and the record
    // becomes current.
    void AppendRecord(std::span<uint8_t> image);
    // Replaces the current record with the image and ends its edit; it stays current.
    void ModifyRecord(std::span<uint8_t> image);
    // Deletes the current record and ends its edit; the cursor lies between its neighbours.
    void DeleteRecord();
    // Ends an edit without writing: the record lock goes.
    void CancelRecord();
    // Copies the current record into the image as a new record (prefix cleared); false when the
    // cursor is not on a record.
    bool CloneCurrentRecord(std::span<uint8_t> image);
    void EmptyTable();
    // On: appended and modified records keep the auto-increment values of their images (a table
    // with an auto-increment field; a value of 0 still gets a new one).
    void SuppressAutoInc(bool on) { suppressAutoInc_ = on; }
    const TRecordLock& RecordLock() const { return lock_; }

    // A read level of the table held across a run of operations (counted).
    void BeginRead();
    void EndRead();
    // Takes the table's present content as what the cursor's position was found in: its own writes
    // are not taken for another user's.
    void SaveChangeCounts();

    // --- Ranges, counts, blocks (DataCursorRange.cpp) ---

    // Restricts the cursor to the records whose keys lie between the start key's and the end key's
    // first field counts of key fields (no key: unbounded on that side); the cursor goes before the
    // first record.
    void SetRange(const uint8_t* startKey, uint16_t startFieldCount, const uint8_t* endKey,
                  uint16_t endFieldCount);
    void ResetRange();
    const TCursorRange& Range() const { return range_; }
    // The records the cursor sees, counted from the index's subtree counts.
    uint32_t GetRecordCount();
    // Records to read from the current one on, itself included (direction 1 forward, other backward),
    // at most `limit`: the run of consecutive record numbers in the current leaf (index order) or the
    // following records (record order).
    int32_t GetReadAheadCount(int32_t limit, int direction);
    // The most records a move reads ahead; the dataset sets it to its buffer count.
    void SetReadAhead(uint32_t count) { readAhead_ = count == 0 ? 1 : count; }
    uint32_t ReadAhead() const { return readAhead_; }
    // Reads the following records into the block (record size bytes each) while they fit; `count`
    // receives how many. VORSAM_EOF when the end was reached, else 0.
    uint16_t ReadRecordBlock(uint32_t& count, std::span<uint8_t> block);
    // Reads the table's state again and finds the current record again.
    void Refresh();
    // Makes the other cursor's current record (same table) current here.
    void SetToCursor(TDataCursor& other);

    // --- Errors ---

    // Raises the code with the table's and database's names and the text; nothing for code 0.
    void RaiseErrorWithText(uint16_t code, const std::string& text) const;
    // Raises the code with the table's and database's names and the field's name.
    void RaiseFieldError(uint16_t code, const std::string& fieldName) const;

    // --- CacheClient: what the data file's cache asks while the cursor reads ---

    // False: every operation of the cursor holds a read level, whose change check ran when it began,
    // and no other process can write while it is held.
    bool CheckForChanges() override { return false; }
    uint32_t ReadAheadCount() override;
    const EngineSettings& Settings() const override { return directory_.Settings(); }

private:
    // A cursor operation: the cursor open, a read level of the table held, the position brought up to
    // date with the table's content.
    class TOperation {
    public:
        explicit TOperation(TDataCursor& cursor);
        TOperation(const TOperation&) = delete;
        TOperation& operator=(const TOperation&) = delete;

    private:
        TTableRead read_;
    };

    // Open (DataCursorOpen.cpp)
    void RequireClosed() const;
    TDataTable& AcquireTable();
    void CheckPassword();
    void LoadLayout();
    void UseIndex(uint8_t number);
    void Synchronise();
    const TFieldDescriptor& FieldOf(uint16_t number) const;
    [[noreturn]] void Raise(uint16_t code, const std::string& extraText = {}, const std::string& field = {},
                            const std::string& index = {}) const;
    void CheckImage(std::span<const uint8_t> image) const;
    bool InRecordOrder() const { return keyLength_ == 0; }
    TIndexNavigator Navigator();

    // Navigation (DataCursorNavigation.cpp)
    uint16_t PositionCode() const;
    uint16_t PlaceCurrent();
    bool FindPlace();
    bool Move(int direction);
    bool MoveInIndex(int direction);
    bool MoveInRecordOrder(int direction);
    bool SeekInRange(TKeyBound bound, const uint8_t* key, size_t length, TIndexPlace& place);
    bool WithinRange(const uint8_t* key) const;
    void SetOnEntry(const TIndexPlace& place);
    void SetOnRecord(uint32_t number, std::span<const uint8_t> image);
    void SetBetween();
    void SetOutside(int direction);
    bool PositionOnRecord(uint32_t number);
    bool ReadRecord(uint32_t number, std::span<uint8_t> buffer, int direction);
    uint16_t Fetch(uint16_t code, std::span<uint8_t> buffer, int direction);
    uint32_t RangeStartRank();
    uint32_t ReadAheadRun(uint32_t limit, int direction);

    // Find (DataCursorFind.cpp)
    uint16_t KeyBytes(uint16_t fieldCount, uint16_t partialLength) const;
    void RequireIndex() const;

    // Fields (DataCursorFields.cpp)
    void PrepareImage(std::span<uint8_t> image) const;
    void ApplyCharCase(const TFieldDescriptor& field, uint8_t* value) const;
    void CheckConstraints(std::span<const uint8_t> image) const;
    int CompareValues(const TFieldDescriptor& field, const uint8_t* a, const uint8_t* b) const;
    bool HasAutoIncField() const;

    // Editing (DataCursorEdit.cpp)
    uint32_t RecordToEdit();
    uint32_t CurrentForEdit();
    void RequireWritable() const;
    bool TakeLock(uint32_t number);
    void EndLockLevel(bool taken) noexcept;
    void ReleaseLockByte() noexcept;
    void EndEdit() noexcept;
    void ConfirmLocked(uint32_t number);
    void WriteLocked(const std::function<void(uint32_t number)>& write);
    bool KeepsAutoInc(std::span<const uint8_t> image) const;
    void CopyPrefixBack(uint32_t number, std::span<uint8_t> image);
    // Hooks of later layers.
    bool Accepted(uint32_t record) { return Admits(record); } // filters judge the record here
    void BeforeTableWrite() {}                                // a transaction joins the write here
    void SaveRecordBlobs(std::span<uint8_t> /*image*/) {}     // blobs opened on the record are saved here

    TDataDirectory& directory_;
    TDataTable* table_ = nullptr;

    // Settings
    std::string tableName_;
    bool exclusive_ = false;
    bool readOnly_ = false;
    bool inMemory_ = false;
    bool queryCursor_ = false;
    bool sourceCursor_ = false;
    bool ddlMode_ = false;
    std::function<bool()> passwordCallback_;

    // Layout
    std::vector<TFieldDescriptor> fields_;
    uint16_t recordSize_ = 0;

    // Order
    uint8_t indexNumber_ = 0;
    TIndexDescriptor index_;
    std::optional<TKeyComparator> order_;
    uint16_t keyLength_ = 0;            // 0: record order
    std::vector<uint16_t> segmentEnds_; // key bytes up to the end of each key field

    // Position, path, range, lock
    TCursorPosition position_;
    TIndexPath path_;
    TCursorRange range_;
    uint32_t rangeStartRank_ = 0;
    uint64_t rangeStartVersion_ = 0;
    TRecordLock lock_;
    uint64_t seenVersion_ = 0;

    // Scratch keys of searches (kept to spare an allocation per search)
    std::vector<uint8_t> searchKey_;
    std::vector<uint8_t> entryKey_;

    // Reading
    uint32_t readAhead_ = UINT32_MAX;
    int readDirection_ = 1;
    uint32_t readsBegun_ = 0;
    bool suppressAutoInc_ = false;

    // ==== Filters (DataCursorFilters.cpp; CursorFilter.h, FilterKeyRange.h) ====
    //
    // Every move, search, count, record position, bookmark and positioning by record number sees only
    // the records that every active filter accepts. Adding, activating, replacing and dropping filters
    // leave the position where it is; the next move goes from there. With filters active, a record
    // position in an index order is the record's place among the records the filters accept (counted
    // by reading them); in record order it stays the record number.
public:
    // An expression filter (inactive) from a text over the cursor's fields: comparisons, arithmetic,
    // AND, OR, NOT, LIKE, IN, BETWEEN, IS NULL. Flags (TExpFlags): efCaseInsensitive,
    // efNoPartialCompare. An empty text, a syntax error, an unknown column or a result that is not
    // boolean raises VORSAM_SQLPARSE with the parser's or the type checker's text ("... in filter
    // expression"); a BLOB column VORSAM_NOTSUPPORTED.
    uint32_t AddFilter(std::string_view expression, uint32_t flags = 0);
    // The same from a tree (copied), whose columns are bound to the cursor's fields by name.
    uint32_t AddFilter(const TExpToken& condition, uint32_t flags = 0);
    // A callback filter (inactive) of the priority, with a condition of its own (copied as it is).
    uint32_t AddFilter(TFilterCallback callback, uint16_t priority, const TExpToken* condition = nullptr);
    // Handle 0: every filter. A handle the cursor does not have raises VORSAM_INVALIDPARAM.
    void ActivateFilter(uint32_t handle);
    void DeactivateFilter(uint32_t handle);
    void DropFilter(uint32_t handle);
    // Replaces the filter's condition: an expression filter's is bound and prepared as when it was
    // added (same flags), a callback filter's copied as it is.
    void SetFilterRecords(uint32_t handle, const TExpToken& condition);
    // True when one of the cursor's indexes serves the condition (FilterKeyRange.h): as a filter it then
    // reads only that index's key range.
    bool OptimizeExpression(const TExpToken& condition, uint32_t flags = 0);
    bool HasActiveFilters() const { return filters_.AnyActive(); }

private:
    TExpTree FilterCondition(const TExpToken& condition, uint32_t flags) const;
    bool BindFilterColumn(TExpToken& column) const;
    void ReadFilterColumn(TExpToken& column, std::span<const uint8_t> image) const;
    TCursorFilter& FilterOf(uint32_t handle);
    uint32_t AddExpressionFilter(TExpTree condition, uint32_t flags);
    const TFilterView& FilterView() const;
    const TFilterView& GatheredFilterView();
    void GatherFilterRecords(TFilterView& view);
    bool ReadsGatheredRecords() const;
    bool MoveThroughGathered(int direction);
    bool MoveThroughGatheredKeys(const TFilterView& view, int direction);
    bool Admits(uint32_t record);
    bool Passes(uint32_t record);
    bool WithinFilterRange(const uint8_t* key) const;
    int RangeSide(const uint8_t* key) const;
    std::pair<const uint8_t*, uint16_t> NearBound(int direction) const;
    uint32_t CountMoves(const TCursorPosition& from, int direction);
    uint32_t FilteredRecordCount();
    uint32_t FilteredRecordPosition();
    bool SetToFilteredRecordNo(uint32_t number);
    // The cursor wrote the record (appended, modified or deleted it), the table at `version` before.
    void NoteFilteredWrite(uint32_t record, uint64_t version);

    TCursorFilters filters_;
    mutable TFilterView filterView_; // worked out again when the filters, the order or the table change
    uint32_t lastJudged_ = 0;        // the record a filter judged last
};

} // namespace vorsam
