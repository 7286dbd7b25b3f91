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
//              when another user changed the record meanwhile. A pessimistic edit outside this
//              process's table lock is refused the same way when the record it read held a change of
//              another process's transaction that was committed before the write (a transaction
//              locks its records only while it writes them, its table lock the whole time)
//
// Every operation that reads the table runs inside a read level of the table (DataTable.h): taking it
// runs the change check that notices other processes' writes, and while it is held no other process
// can write. BeginRead/EndRead hold one across a run of operations; without them, consecutive
// operations share the table's read slots for a bounded time (a read batch, ReadBatches.h). The cursor also
// asks the data file's cache to read ahead the records it will want next (GetReadAheadCount).
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
// (Accepted). The blobs opened on a record are saved with it (TBlobWrite, DataCursorBlobs.cpp; the table
// frees those of a deleted record). A transaction of the database takes part in every write: the table
// joins it at its first write inside it (DataTable.h).
//
// BLOBs. A record image holds in each BLOB field the blob's first block and sequence (BlobFile.h). A
// blob opened through the cursor (OpenBlob) is read whole into a buffer of the cursor (BlobBuffer.h),
// and the image's field holds, in place of its value, the buffer's handle: the u32 0xFFFFFFFF, which no
// block number can be, then the handle's number; its null-indicator byte says whether the blob has any
// bytes. Copies of the image name the same buffer; an image read afresh names the blob again. Reading,
// writing and cutting go to the buffer. Writing the record (AppendRecord, ModifyRecord) saves what
// changed, each saved blob under a new sequence from the data file; the image then holds the record's
// values and its buffers are freed. Rules of a written record's BLOB fields:
//   - a changed buffer must belong to the record written (the record its image was read from; a new
//     image belongs to record 0), else VORSAM_MEMOCORRUPT: two changed blobs of different records never
//     mix. A modified record's chain is written over in place when it is still the chain the record
//     has (else VORSAM_KEYORRECDELETED); a blob cut to nothing frees its chain and the field is null;
//   - a field that is not changed keeps the record's value; set to null (PutField), it frees the chain;
//   - an appended record gets chains of its own: a value copied from another record (CloneCurrentRecord)
//     is copied into a new chain, never shared.
// A handle the cursor does not hold is VORSAM_MEMOCORRUPT. Cancelling an edit (CancelRecord) takes back
// what was written into the buffers opened for writing since they were opened; FreeBlob, FreeRecordBlobs
// and FreeAllBlobs give buffers up unsaved (the first two put the value back into the image).
// OpenBlob, PutBlob and TruncateBlob return 0 or the code of the engine error that stopped them (its
// context kept as the last error's); GetBlob returns VORSAM_ENDOFBLOB when fewer bytes than wanted were
// left; the other operations raise.
//
// Definitions: AddSecondaryIndex builds the new index from the records in one pass; DeleteIndex frees the
// index's pages (an empty name drops the primary key: the table returns to the record order);
// RestructureTable rebuilds a closed table's files with a new structure (DataCursorRestructure.cpp);
// SortRecords sorts a table open exclusively in place. None runs inside a transaction (VORSAM_NOTSUPPORTED).
// Field layouts: a cursor may show a layout of its own (SetFieldDescs): fields of its table (at their
// places in the record) and computed fields, which are laid out behind the record; GetRecordSize then
// counts them. Records are read and written by the table's layout.
//
// A table of a remote session's database is opened on the server (DataCursorRemote.cpp, RemoteCursor.h):
// the cursor's table is the server's description of it (its headers and field descriptors; no local
// file is ever touched), and opening, closing, moving (SetToBegin, SetToEnd, GetNextRecord,
// GetPriorRecord, GetCurrentRecord, SetToRecordNo, SetToBookmark, Refresh) and writing (AppendRecord,
// ModifyRecord, DeleteRecord, CancelRecord, CloneCurrentRecord) are requests to it; the cursor keeps the
// order the server opened it in. Record counts and positions are those of the last reply. Fields, images,
// layouts, bookmarks and read levels (which cost nothing there) work as on a local table; every other
// operation raises VORSAM_NOTSUPPORTED, saying what is not supported.
#pragma once

#include "db/engine/BlobBuffer.h"
#include "db/engine/CursorFilter.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataTable.h"
#include "db/engine/IndexNavigator.h"
#include "db/engine/IndexPath.h"
#include "db/engine/RecordSort.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

class TRemoteCursor;
struct TRemoteCursorImage;
struct TRemoteCursorState;

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
    // The auto-increment counter (LAST AUTOINC): the first record gets the next value; -1: not given (0
    // for a new table, the old table's for a restructure).
    int64_t LastAutoIncValue = -1;

    // The table definition these arguments describe.
    TTableDefinition Definition() const;
};

// What RestructureTable makes: the new table's settings and definitions, each field carrying the number
// of the field of the old table whose values it takes (0, or a number the old table lacks: a new field,
// which gets its default value); index descriptors name fields by those numbers.
struct TRestructureArgs : TCreateTableArgs {
    bool NoBackup = false; // without: the old files stay beside the new ones, as a backup
};

enum class TBlobOpenMode : uint8_t { Read, ReadWrite };

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
    bool InRun = false;            // held through the cursor's record run, not by a lock of its own
    std::vector<uint8_t> Original; // the record when editing began, which the write compares: always
                                   // when optimistic; when pessimistic, outside this process's table lock
};

class TDataCursor : public CacheClient {
public:
    explicit TDataCursor(TDataDirectory& directory);
    ~TDataCursor() override;
    TDataCursor(const TDataCursor&) = delete;
    TDataCursor& operator=(const TDataCursor&) = delete;

    // A closed cursor's memory waits, a few blocks per thread, for the next cursor made
    // (DataCursorMemory.cpp): each statement makes and deletes its cursors, and a block of this size
    // costs the allocator far more than the small ones around it.
    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size) noexcept;

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
    // Opens the cursor (closed, on a remote database) on a table the server opened itself, a statement's
    // result: its image as the server sent it (RemoteCursorReply.h); the cursor's name is its table's.
    // The server closes it, never the client.
    void OpenServerResult(TRemoteCursorImage image);
    // Takes the state the server reports for such a cursor after running its statement again; it lies
    // on no record.
    void TakeServerState(const TRemoteCursorState& state);
    // A new open cursor on the same table, in the same order and range, on the same record.
    std::unique_ptr<TDataCursor> CloneCursor();
    // Creates the table's files (the cursor closed).
    void CreateTable(const TCreateTableArgs& args);
    // Deletes the table's files (the cursor closed; VORSAM_FILEINUSE while anyone has the table open).
    void DeleteTable();
    // CreateTable and OpenCursor in one, on the one shared table the directory makes for both; a table of
    // memory files opened exclusively stays open from its making (TDataTable::CreateOpen).
    void CreateAndOpenTable(const TCreateTableArgs& args);
    // CloseCursor and DeleteTable in one (the cursor the table's only user), likewise.
    void CloseAndDeleteTable();
    // For a statement's result in the in-memory database (SpareTables.h): OpenSpareTable opens the cursor
    // (closed, exclusive, not read-only) on the directory's spare made from the arguments' definition, the
    // cursor taking the spare's table name, and returns false, the cursor still closed, when there is
    // none; CloseAndSpareTable closes the cursor and keeps its table as a spare when it may be one, and
    // otherwise deletes it as CloseAndDeleteTable does.
    bool OpenSpareTable(const TCreateTableArgs& args);
    void CloseAndSpareTable();
    // Mends the table's files (the cursor closed; TDataTable::Repair).
    void RepairTable(const TRepairEvents& events = {});

    TDataDirectory& Directory() const { return directory_; }
    TDataTable& Table() const;
    std::string GetDatabaseName() const { return directory_.GetDatabaseName(); }
    bool IsRemote() const { return directory_.Settings().Remote; }

    // --- Fields and indexes (DataCursorOpen.cpp) ---

    // Bytes of a record buffer: the record, and the computed fields of a layout of the cursor's own.
    uint16_t GetRecordSize() const { return layoutSize_ != 0 ? layoutSize_ : recordSize_; }
    uint16_t GetFieldCount() const { return uint16_t(CursorFields().size()); }
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
    // The descriptor of the cursor's layout itself, as stored (no position or origin set); none when
    // there is no such field.
    const TFieldDescriptor* LayoutFieldDesc(uint16_t number) const {
        const std::vector<TFieldDescriptor>& fields = CursorFields();
        return number == 0 || number > fields.size() ? nullptr : &fields[number - 1];
    }
    // The copies of fields 1 .. GetFieldCount() in one go, as GetFieldDesc gives them, or as
    // GetTableFieldDesc does (zeros for a field the table lacks), each with its position set.
    std::vector<TFieldDescriptor> FieldDescriptors(bool tableLayout) const;
    // Field `number` (1 .. GetFieldCount()) of FieldDescriptors(tableLayout), alone.
    void FieldDescriptorAt(uint16_t number, bool tableLayout, TFieldDescriptor& destination) const;
    // Where a field's values come from ("TABLE.COLUMN"), for a cursor over a query's result: handed out
    // in the copies of GetFieldDesc (TFieldDescriptor::Origin) until the cursor closes.
    void SetFieldOrigin(uint16_t number, std::string origin);
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
    // AppendRecord of each image in turn (record size bytes each, one after another); the last becomes
    // current, and an image refused stops the set there, the images before it appended (they take their
    // prefixes; the others a record number of 0). Into a table
    // whose records can be appended straight (TDataTable::AppendsStraight), the images go in one write,
    // past the record cache; into a local table without blobs, in one write of the table
    // (TDataTable::AppendRecords), each index's keys in its order, or held back in `pending` (the keys held
    // back before go in first when the images are appended otherwise). Images kept one by one: with filters
    // active, or auto-increment values kept.
    void AppendRecords(std::span<uint8_t> images, TPendingKeys* pending = nullptr);
    // The keys held back in `pending` go into the table's indexes (TDataTable::ApplyPendingKeys).
    void ApplyPendingKeys(TPendingKeys& pending);
    // Replaces the current record with the image and ends its edit; it stays current.
    void ModifyRecord(std::span<uint8_t> image);
    // Deletes the current record and ends its edit; the cursor lies between its neighbours.
    void DeleteRecord();
    // Deletes the records among `numbers` that are still active, in one write (TDataTable::DeleteRecords:
    // each index's entries go leaf by leaf); returns how many it deleted. Each record is locked for it
    // unless it lies in the cursor's record run or is the one its edit holds (whose edit then ends); a
    // current record deleted leaves the cursor between its neighbours.
    uint32_t DeleteRecords(std::span<const uint32_t> numbers);
    // Changes the records among `numbers` that are still active, in the order given, in one write
    // (TDataTable::ModifyRecords), locked as DeleteRecords locks them: `change` gets a copy of each one's
    // image to change as ModifyRecord's image would be, which is then checked and written as ModifyRecord
    // does it. `changed` counts the records written; a failure leaves those written before it. With
    // `keysInSets`, for a `change` that reads no table, the keys go in together (TDataTable::ModifyRecords).
    // For a local table without blobs (VORSAM_NOTSUPPORTED otherwise).
    void ModifyRecords(std::span<const uint32_t> numbers,
                       const std::function<void(uint32_t number, std::span<uint8_t> image)>& change,
                       uint32_t& changed, bool keysInSets = false);
    // Tries the change of each active record among `numbers` (ascending, each once) as ModifyRecords would
    // make it, nothing written: `change` changes a copy of the record's image (given the record's place in
    // `numbers`), and the record's checks (required fields, minimum and maximum values) look at what it
    // made; `refused` is called with the place of each record whose change is refused, the error current
    // (std::current_exception). A number that is no record is refused as ModifyRecords refuses it. Unique
    // keys are not looked at. For a local table.
    void TryChanges(std::span<const uint32_t> numbers,
                    const std::function<void(size_t place, std::span<uint8_t> image)>& change,
                    const std::function<void(size_t place)>& refused);
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
    // Holds the lock bytes of records first .. first + count - 1 (consecutive numbers) as one lock, for a
    // run of writes to those records: while it is held, editing or writing one of them takes no lock of
    // its own (one lock and one unlock for the run instead of a pair per record). One try: false, nothing
    // held, when another user or cursor holds any of them; each write then locks its record itself. A
    // run held before is released first; the table's second read level is held with the run.
    bool HoldRecordRun(uint32_t first, uint32_t count);
    // Releases the run. An edit of one of its records still going on ends: its record is no longer locked.
    void ReleaseRecordRun();
    bool InRecordRun(uint32_t number) const { return number >= runFirst_ && number - runFirst_ < runCount_; }

    // A read level of the table held across a run of operations (counted). `asOperation`: the last level
    // ends as a cursor operation's does, its slots staying as a read batch (ReadBatches.h) for the
    // operations that follow.
    void BeginRead();
    void EndRead(bool asOperation = false);
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
    // Walks the keys of the active index in order, reading no record: from the first entry, or from the first
    // whose key's first `length` bytes lie above `after`'s, `visit` gets each entry's key (GetKeyLength
    // bytes) until it answers false; true when the index ran out first. The cursor's position stays;
    // the range and filters do not apply (VORSAM_INVALIDPARAM in record order). One read level throughout.
    bool VisitKeys(const uint8_t* after, size_t length, const std::function<bool(const uint8_t* key)>& visit);
    // The records whose keys in index `index` (0 the primary index, 1 .. the secondary ones) equal the key
    // the image makes over the key's first `fieldCount` fields, counted from the index's subtree counts
    // (an index that keeps none: its entries stepped over), reading no record. The cursor's order, range,
    // filters and position play no part. VORSAM_INVALIDPARAM for an index that keeps no keys or more
    // fields than the index has. One read level.
    uint32_t CountKeys(uint8_t index, std::span<const uint8_t> image, uint16_t fieldCount);
    // Reads the table's state again and finds the current record again.
    void Refresh();
    // Makes the other cursor's current record (same table) current here.
    void SetToCursor(TDataCursor& other);

    // --- BLOBs (DataCursorBlobs.cpp; see above) ---

    // Opens the blob of BLOB field `number` in the image (reading its whole value) or, when the image
    // holds its handle, opens it once more; `size` receives its size. ReadWrite needs a table that can
    // be written. 0 or an engine error code (VORSAM_KEYORRECDELETED: the record's blob was replaced).
    uint16_t OpenBlob(uint16_t number, std::span<uint8_t> image,
                      TBlobOpenMode mode = TBlobOpenMode::ReadWrite, uint32_t* size = nullptr);
    // The image holds, in field `number`, the handle of a blob this cursor has open.
    bool IsBlobOpen(uint16_t number, std::span<const uint8_t> image) const;
    // Copies up to `wanted` bytes from `position` on; `count` receives how many. 0, or VORSAM_ENDOFBLOB
    // when fewer were left (none at or past the end).
    uint16_t GetBlob(uint16_t number, std::span<const uint8_t> image, uint32_t position, uint32_t wanted,
                     uint8_t* destination, uint32_t& count);
    // Writes `count` bytes at `position` (a gap before it is zero-filled), into a blob opened for writing.
    uint16_t PutBlob(uint16_t number, std::span<uint8_t> image, uint32_t position, uint32_t count,
                     const uint8_t* source);
    // The blob's size becomes `length` (zero bytes added when it grows).
    uint16_t TruncateBlob(uint16_t number, std::span<uint8_t> image, uint32_t length);
    uint32_t GetBlobSize(uint16_t number, std::span<const uint8_t> image);
    // One open fewer of the field's blob; the last gives the buffer up and puts the value back into the
    // image. Nothing when the image holds no handle there.
    void FreeBlob(uint16_t number, std::span<uint8_t> image);
    // Gives up the buffers whose handles the image holds, putting the values back.
    void FreeRecordBlobs(std::span<uint8_t> image);
    // Gives up every buffer (images that still hold their handles no longer name a blob).
    void FreeAllBlobs();
    size_t OpenBlobCount() const { return blobs_.size(); }
    // The steps of saving, which AppendRecord and ModifyRecord take themselves (with the rules above):
    // every changed buffer of the cursor's table fields gets a new sequence from the data file, also put
    // into the image's field it was opened on (as PutBlobSequence); SaveBlobs writes the value under it
    // (a new record's into a chain of its own).
    void AssignBlobSequences(std::span<uint8_t> image);
    // Writes every changed buffer (or frees its chain when it is empty); VORSAM_MEMOCORRUPT when they
    // belong to different records. True when any was changed.
    bool SaveBlobs();
    // Stores the sequence as the second u32 of the BLOB value of field `number` (of the table's layout
    // or the cursor's).
    void PutBlobSequence(uint16_t number, std::span<uint8_t> image, bool tableDescriptors,
                         uint32_t sequence) const;

    // The table's blob file, block by block (the table has no blob file: VORSAM_INVALIDPARAM; the two
    // frees do nothing). Blocks handed out stay pinned until released.
    // False, with no block, only when a disk read found another process's change first.
    bool GetBlobBlock(uint32_t number, bool readAhead, uint32_t readAheadCount, TBlock*& block);
    void ReleaseBlobBlock(TBlock& block);
    // Free the chain (BlobFile.h; the second from a block fetched and pinned, released in every case)
    // and the cursor's buffers open on it; `firstBlock` becomes 0.
    void FreeBlobChain(uint32_t& firstBlock, uint32_t sequence, uint32_t recordNumber, bool force);
    void FreeBlobChainFrom(TBlock& block, uint32_t readAheadCount, uint32_t sequence, uint32_t recordNumber,
                           bool force);
    int32_t GetBlobBlockCount() const;
    uint16_t GetBlockDataSize() const;
    // Blocks that many bytes fill (0 for 0 or fewer).
    uint32_t BlocksForBytes(int32_t bytes) const;

    // --- Definitions and table settings (DataCursorDefinitions.cpp) ---

    // Adds a secondary index from its descriptor (name, flags, key fields) and builds it.
    void AddSecondaryIndex(const TIndexDescriptor& descriptor);
    // Deletes the secondary index of that name (ignoring case; VORSAM_INVALIDINDEXNAME when none); an
    // empty name drops the primary key. The cursor keeps its order when that was a later index; it
    // takes the primary index when its own index goes.
    void DeleteIndex(std::string_view name);
    // Sorts the table (open exclusively) in place and builds its indexes again; returns the record
    // count. The cursor goes before the first record; its blob buffers are given up.
    uint32_t SortRecords(const TSortRequest& request);
    // Rebuilds the table's files with the new structure (the cursor closed; no other user may have the
    // table open), carrying every record over by field number: a value goes to the field that carries
    // its old field's number, converted to its type (VORSAM_OUTOFRANGE, nothing changed, when it does not
    // fit); a dropped field's values are gone; a new field takes its default. Records keep their order,
    // their +5 values and their blobs; deleted ones are left behind (DataCursorRestructure.cpp).
    void RestructureTable(const TRestructureArgs& args);

    bool IsEncrypted() const;
    std::string GetPassword() const;
    uint16_t GetLanguageId() const;
    uint16_t GetSortId() const;
    uint32_t GetBlobBlockSize() const;
    std::string GetDescription() const;
    uint16_t GetUserMajorVersion() const;
    uint16_t GetUserMinorVersion() const;
    // The version of the engine that last wrote the table, in 1/10000 (3.24 is 32400).
    int32_t GetTableVersion() const;

    // --- Field layouts (DataCursorLayout.cpp) ---

    // Gives the cursor a layout of its own: its fields numbered by position, each either a field of the
    // table (the table's descriptor, or a copy naming the same place, type and size) or a computed field,
    // laid out behind the record (VORSAM_INVALIDPARAM for anything else). No fields: the table's layout.
    void SetFieldDescs(std::vector<TFieldDescriptor> fields);
    // Lays the computed fields of the cursor's layout out behind the record; returns GetRecordSize.
    uint16_t LayoutComputedFields();

    // --- Errors ---

    // Raises the code with the table's and database's names and the text; nothing for code 0.
    void RaiseErrorWithText(uint16_t code, const std::string& text) const;
    // Raises the code with the table's and database's names and the field's name.
    void RaiseFieldError(uint16_t code, const std::string& fieldName) const;
    // Raises again the error whose code a call returned (OpenBlob, PutBlob, TruncateBlob), with the
    // context kept when it was raised, the field's name given when that has none.
    [[noreturn]] void RaiseReturnedError(uint16_t code, const std::string& fieldName) const;

    // --- CacheClient: what the data file's cache asks while the cursor reads ---

    // False: every operation of the cursor holds a read level, whose change check ran when it began,
    // and no other process can write while it is held.
    bool CheckForChanges() override { return false; }
    uint32_t ReadAheadCount() override;
    const EngineSettings& Settings() const override { return directory_.Settings(); }

private:
    // A cursor operation: the cursor open, a read level of the table held, the position brought up to
    // date with the table's content. Its read slots stay as a read batch for the operations that follow
    // (ReadBatches.h), unless it is a move that reached either end.
    class TOperation {
    public:
        explicit TOperation(TDataCursor& cursor);
        TOperation(const TOperation&) = delete;
        TOperation& operator=(const TOperation&) = delete;
        // A move that reached either end: the walk goes no further, the slots go with the level.
        uint16_t Moved(uint16_t code) {
            if (code != 0) read_.KeepNoBatch();
            return code;
        }

    private:
        TTableRead read_;
    };

    // A table of a database server (DataCursorRemote.cpp)
    void OpenRemote();
    void TakeRemote(std::unique_ptr<TRemoteCursor> remote);
    void CloseRemote() noexcept;
    // Raises VORSAM_NOTSUPPORTED on a table of a database server ("`what` on a table of a database server").
    void RequireLocalTable(const char* what) const;
    uint32_t RemoteCurrent() const;
    void TakeRemotePosition(const TRemoteCursorState& state, std::span<const uint8_t> image);
    uint16_t RemoteMove(uint8_t move, uint32_t argument, std::span<uint8_t> buffer);
    void RemoteWrite(uint8_t write, std::span<uint8_t> image);

    // Open (DataCursorOpen.cpp)
    void RequireClosed() const;
    TDataTable& AcquireTable();
    // The directory's table of the cursor's name, made with the arguments' definition (released again
    // when that fails).
    TDataTable& AcquireCreatedTable(const TCreateTableArgs& args);
    // OpenCursor on the table acquired for it; the use goes when the open fails.
    void OpenOn(TDataTable& table);
    // OpenOn with the table open for the cursor already; the use and the open go when that fails.
    void Attach(TDataTable& table);
    // CloseCursor but for the table's close and the directory's use, which stay the caller's.
    TDataTable& LetGoOfTable();
    // Closes the table for the use LetGoOfTable left and releases that use.
    void CloseUse(TDataTable& table);
    // CloseUse, then the table's files deleted.
    void DeleteLetGo(TDataTable& table);
    // Returns the folder's trusted stamp (TDataDirectory::RemoveStrayWorkingFilesIn), if any.
    std::optional<TFolderStamp> RemoveStrayWorkingFilesBeside(TDataTable& table) const;
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
    void ReadLeafRecords();
    void HintRecordsAhead(uint32_t position, int direction) const;
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

    // Slot window (DataCursorSlotWindow.cpp)
    bool ReadsThroughWindow() const;
    const uint8_t* WindowImage(uint32_t number);
    const uint8_t* WindowHolds(uint32_t number) const;
    // Reads the images of slots number .. number + count - 1 into the window.
    void ReadWindow(uint32_t number, uint32_t count);

    // Find (DataCursorFind.cpp)
    uint16_t KeyBytes(uint16_t fieldCount, uint16_t partialLength) const;
    void RequireIndex() const;

    // Fields (DataCursorFields.cpp)
    uint16_t GetValue(const TFieldDescriptor& field, std::span<const uint8_t> image, bool& isNull,
                      uint8_t* destination) const;
    void PutValue(const TFieldDescriptor& field, std::span<uint8_t> image, const uint8_t* value) const;
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
    void KeepOriginal(uint32_t number);
    void WriteLocked(const std::function<void(uint32_t number)>& write);
    // Runs `write` under the locks of the records among `numbers` that the cursor does not hold already,
    // in one operation and one write level of the table (DeleteRecords, ModifyRecords); `keepOnFailure`: a
    // failure ends the level as a write that succeeded, so that what `write` did before it stays.
    void WriteRecordSet(std::span<const uint32_t> numbers, bool keepOnFailure,
                        const std::function<void()>& write);
    bool KeepsAutoInc(std::span<const uint8_t> image) const;
    void CopyPrefixBack(uint32_t number, std::span<uint8_t> image);
    // Hooks of later layers.
    bool Accepted(uint32_t record) { return Admits(record); } // filters judge the record here

    // BLOBs (DataCursorBlobs.cpp)
    // An open blob: its buffer, and the field's null-indicator byte and value as the image held them
    // before the handle took their place.
    struct TOpenBlob {
        uint32_t Handle = 0;
        uint16_t Offset = 0;   // the field's place in the image
        bool Computed = false; // a computed field of the cursor's layout: never saved
        bool Writable = false;
        std::array<uint8_t, 9> Value{};
        std::unique_ptr<TBlobBuffer> Buffer;
    };
    // The blobs of one record write: the table calls Hook once the record passed its key checks; a
    // write that fails gives the buffers back the state they had.
    class TBlobWrite {
    public:
        // `image` is written to record `record` (0: appended).
        TBlobWrite(TDataCursor& cursor, std::span<uint8_t> image, uint32_t record);
        ~TBlobWrite();
        TBlobWrite(const TBlobWrite&) = delete;
        TBlobWrite& operator=(const TBlobWrite&) = delete;
        TRecordHook Hook();
        // The record was written as `number`: the image takes its BLOB values, its buffers go.
        void Written(uint32_t number);

    private:
        void Prepare(std::span<uint8_t> record, std::span<const uint8_t> old);
        void CheckChangedBuffers() const;
        TOpenBlob* BlobOf(const TFieldDescriptor& field, const uint8_t* value, const uint8_t* old) const;
        void SaveChanged(TBlobBuffer& buffer, uint8_t* value);
        void KeepValue(const uint8_t* given, uint8_t* value, const uint8_t* old);
        void CopyChain(uint8_t* value);
        void Store(TBlobBuffer& buffer, uint8_t* value);

        TDataCursor& cursor_;
        std::span<uint8_t> image_;
        uint32_t record_;
        uint32_t owner_; // the record the image was read from
        std::vector<uint32_t> handles_;
        std::vector<std::pair<TBlobBuffer*, TBlobBuffer::TChainState>> saved_;
        bool written_ = false;
    };
    const TFieldDescriptor& BlobField(uint16_t number, bool tableDescriptors) const;
    const uint8_t* FieldValue(const TFieldDescriptor& field, std::span<const uint8_t> image) const;
    uint8_t* FieldBytes(const TFieldDescriptor& field, std::span<uint8_t> image) const;
    TOpenBlob* HeldBlob(const uint8_t* value) const;
    TOpenBlob* FindOpenBlob(const uint8_t* value) const;
    TOpenBlob& OpenBlobOf(uint16_t number, std::span<const uint8_t> image) const;
    TOpenBlob& WritableBlob(uint16_t number, std::span<uint8_t> image);
    TOpenBlob& AddOpenBlob(const TFieldDescriptor& field, std::span<uint8_t> image);
    void ReleaseBlob(TOpenBlob& blob, uint8_t* value);
    void ForgetBlobs(const std::function<bool(const TOpenBlob&)>& which);
    void RestoreBlobCopies();
    TBlobFile& RequireBlobFile() const;
    template <typename Action> uint16_t CodeOf(Action&& action);

    // Definitions (DataCursorDefinitions.cpp, DataCursorRestructure.cpp, DataCursorLayout.cpp)
    uint8_t IndexSlotByName(std::string_view name) const;
    const std::vector<TFieldDescriptor>& TableFields() const { return table_->DataFile().FieldDescriptors(); }
    std::string BuildRestructured(const TRestructureArgs& args);
    // The new table under the temporary name, filled; the counter from `lastAutoInc` (-1: this table's).
    void BuildRestructuredAs(const std::string& temporary, const TCreateTableArgs& made,
                             const std::vector<uint16_t>& sources, int64_t lastAutoInc);
    void CarryRecords(TDataCursor& target, const std::vector<uint16_t>& sources);
    void CarryRecord(TDataCursor& target, const std::vector<uint16_t>& sources, std::span<uint8_t> from,
                     std::span<uint8_t> to);

    TDataDirectory& directory_;
    TDataTable* table_ = nullptr;
    std::unique_ptr<TRemoteCursor> remote_; // a table of a database server: table_ is its description

    // Settings
    std::string tableName_;
    bool exclusive_ = false;
    bool readOnly_ = false;
    bool inMemory_ = false;
    bool queryCursor_ = false;
    bool sourceCursor_ = false;
    bool ddlMode_ = false;
    std::function<bool()> passwordCallback_;

    // Layout: the table's descriptors shared with its data file, or a layout of the cursor's own; none
    // while closed.
    std::shared_ptr<const std::vector<TFieldDescriptor>> fields_;
    const std::vector<TFieldDescriptor>& CursorFields() const {
        static const std::vector<TFieldDescriptor> none;
        return fields_ ? *fields_ : none;
    }
    std::vector<std::string> origins_; // by field number - 1; empty when none was given
    uint16_t recordSize_ = 0;          // the table's record
    uint16_t layoutSize_ = 0; // a layout of the cursor's own with computed fields: record and those; else 0

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
    uint32_t runFirst_ = 0; // the record run held (HoldRecordRun); none while runCount_ is 0
    uint32_t runCount_ = 0;
    uint64_t seenVersion_ = 0;

    // A leaf page of an index where the last count (CountKeys), gathering of filtered records or walk of a
    // range ended, while the table's content is the one it was found in: the next one, often near, looks
    // there first.
    struct TLeafHint {
        uint8_t Index = 0;
        uint32_t Page = 0;
        uint64_t Version = 0;
        uint32_t For(uint8_t index, uint64_t version) const {
            return Index == index && Version == version ? Page : 0;
        }
    };
    TLeafHint countLeaf_;
    TLeafHint gatherLeaf_;
    // Where the last forward walk of a range left it: a range set anew, often the next keys up (a join's
    // inner rows for one outer row after another), starts there without a descent.
    TLeafHint rangeLeaf_;

    // A walk in an index order, past its first few steps since a seek, copies each leaf it enters and
    // steps through the copy (good while the table's content is the one copied), instead of fetching the
    // page for every entry, and reads the leaf's records as they lie in the file (ReadLeafRecords).
    static constexpr uint32_t StepsBeforeLeafCopy = 8;
    TLeafCopy leafCopy_;
    std::vector<const void*> leafPlaces_; // by position - 1: where each scattered record likely lies
    uint32_t walkSteps_ = 0;              // steps since the walk's last seek

    // Scratch keys of searches (kept to spare an allocation per search)
    std::vector<uint8_t> searchKey_;
    std::vector<uint8_t> entryKey_;

    // Reading
    uint32_t readAhead_ = UINT32_MAX;
    int readDirection_ = 1;
    uint32_t readsBegun_ = 0;
    bool suppressAutoInc_ = false;

    // A forward walk in record order over a table open exclusively, without active filters, takes the
    // records' images a window of slots at a time into the cursor (TDataFile::VisitRecordImages: cached
    // records from the cache, the others from the file), past the record cache, which a walk once through
    // (a statement's result read by its caller) would only churn. No other process writes such a table,
    // and any write of this process moves the content version on, which drops the window. A walk in an
    // index order takes the records of a leaf into the window when they lie close together in the file
    // and are not cached (ReadLeafRecords); another process's write found by a later operation's
    // change check moves the content version on too.
    struct TSlotWindow {
        std::vector<uint8_t> Images; // the images of records First .. End - 1, one after another
        uint32_t First = 0, End = 0;
        uint64_t Version = 0;
    };
    TSlotWindow window_;

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
    // A condition bound to the cursor's fields and prepared as AddFilter prepares it, with its flags.
    struct TPreparedFilter {
        TExpTree Condition;
        uint32_t Flags = 0;
        std::optional<TCursorFilter::TPlannedRange> Planned; // the key range OptimizeExpression found
    };
    // OptimizeExpression handing back the condition it prepared (empty when it is none over the cursor's
    // fields), for an AddFilter of the same condition that follows while the cursor stays as it is.
    bool OptimizeExpression(const TExpToken& condition, uint32_t flags, TPreparedFilter& prepared);
    uint32_t AddFilter(TPreparedFilter prepared);
    bool HasActiveFilters() const { return filters_.AnyActive(); }

private:
    TExpTree FilterCondition(const TExpToken& condition, uint32_t flags) const;
    bool BindFilterColumn(TExpToken& column) const;
    void ReadFilterColumn(TExpToken& column, std::span<const uint8_t> image) const;
    bool PlaceFilterColumn(const TExpToken& column, TExpColumnPlace& place) const;
    TCursorFilter& FilterOf(uint32_t handle);
    uint32_t AddExpressionFilter(TExpTree condition, uint32_t flags,
                                 std::optional<TCursorFilter::TPlannedRange> planned = std::nullopt);
    // The filter view of the filters, order and content now (worked out again when one of them changed).
    const TFilterView& FilterView() const {
        const TFilterView& view = filterView_;
        bool current = view.Valid && view.Generation == filters_.Generation() &&
                       view.Version == table_->ContentVersion() && view.IndexNumber == indexNumber_;
        return current ? view : RebuildFilterView();
    }
    const TFilterView& RebuildFilterView() const;
    const TFilterView& GatheredFilterView();
    void GatherFilterRecords(TFilterView& view);
    bool ReadsGatheredRecords() const;
    const uint8_t* GatheredImage(uint32_t record) const;
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
    // The last record count through expression filters alone, without a range: it holds while the
    // filters, the order and the table's content stay (a callback filter may judge by anything).
    struct TCountMemo {
        bool Valid = false;
        uint64_t Generation = 0;
        uint64_t Version = 0;
        uint8_t IndexNumber = 0;
        uint32_t Count = 0;
    };
    TCountMemo countMemo_;
    uint32_t lastJudged_ = 0;          // the record a filter judged last
    std::vector<uint8_t> judgedImage_; // the image a filter judges, when copied from the file's view

private:
    // BLOBs
    std::vector<TOpenBlob> blobs_;
    uint32_t lastBlobHandle_ = 0;
};

} // namespace vorsam
