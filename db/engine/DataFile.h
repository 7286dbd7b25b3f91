// TDataFile: the data file of a table (formats in DataFileHeader.h and Record.h). Its header side keeps a
// private copy of the 127-byte header and of the field descriptors; its record side keeps the records in
// a record cache (RecordCache.h) and never hands out raw slot bytes.
//
// Header values change only in the copy, setting the header-changed flag; the owning table writes the
// header (WriteHeader) and the descriptors (WriteFieldDescriptors) when it flushes or closes the table.
// Every header write adds one to the change counter, through which other processes notice writes.
//
// Records: GetRecord hands out a pinned record (ReleaseRecord unpins it), reading slots from disk several
// at a time, or, once slots are read one by one often, through a read-only view of the file (FileView.h),
// from which a walk also copies records without the cache (ViewedImage); asking for the next record
// number appends a slot. Changed records reach the disk at FlushRecords, in one write per run of
// consecutive slots; pinned ones stay in the cache until released. Under a whole-table lock, changes past
// the session's budget wait in a spill file (SpillFile.h) until FlushRecords writes them first.
// Deleted records form the free chain that AllocateRecord reuses, most recently deleted first. A cache
// that may hold many megabytes keeps its records in an arena of huge pages (ItemArena.h).
// Close discards what was not flushed: writing is the owner's decision.
//
// Locks (TableLocks.h): the table lock (tried up to the session's LockTries times) and one try at a
// record's lock byte; the table decides when to take them.
//
// A write of the table's content is bracketed by two header writes: WriteHeaderInProgress stores the
// header with the write-in-progress mark (+126) set before the first record, page or block is written,
// and WriteHeader stores it clear once everything is written. A header read with the mark set
// (WriteInterrupted) tells that a write never ended: the files may disagree. The header-changed byte
// (+111) is written 0 and never read.
//
// Failures raise through RaiseEngineError with the owner's table and database names:
//   VORSAM_OLDVERSION, VORSAM_CANNOTLOADLDDRV, VORSAM_HEADERCORRUPT   validation (DataFileValidation.h)
//   VORSAM_BLOBLIMIT, VORSAM_RECTOOBIG                                CreateHeader
//   VORSAM_FILECORRUPT        record 0 or past the next record number; a record that a read does not
//                             bring; a free-chain head that is no deleted record
//   VORSAM_TABLEFULL          more than 200,000,000 records or 4,000,000,000 bytes
//   VORSAM_KEYORRECDELETED    deleting a deleted record
//   VORSAM_SEARCHCOLREQD      SortRecords: a sort field that does not lie within the record
//   VORSAM_READERR, VORSAM_WRITEERR   from the file layer; a short read is tolerated only while the file
//                             is open exclusively or the table is locked with appended slots unwritten
#pragma once

#include "db/engine/DataFileHeader.h"
#include "db/engine/EngineSettings.h"
#include "db/engine/IndexVerify.h"
#include "db/engine/ItemArena.h"
#include "db/engine/RecordCache.h"
#include "db/engine/RecordSort.h"
#include "db/engine/SpillFile.h"
#include "db/engine/TableFile.h"
#include "db/lib/FieldDescriptor.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

inline constexpr uint32_t MaxRecordNumber = 200000000;
inline constexpr uint64_t MaxTableFileSize = 4000000000;
inline constexpr uint32_t ReadBytesPerCall = 8192; // slots read at once: this div the record size

enum class TReadDirection : uint8_t { Forward, Backward };

// ChangeRecords: changes a record's image in place; true when it did.
using TRecordEdit = std::function<bool(uint32_t number, std::span<uint8_t> image)>;

class TDataFile : public TTableFile, public TActiveRecords, private TChangeHolder {
public:
    explicit TDataFile(TableFileOwner& owner);
    ~TDataFile() override;

    // --- Header side ---

    // Opens the file and reads the header and descriptors (nothing when already open). A field count
    // above 1024 raises VORSAM_HEADERCORRUPT; a failure leaves the file closed.
    void Open() override;
    // Drops the descriptors and the record cache (records still pinned become void), then closes.
    void Close() override;
    // Builds a new header and descriptor set from field definitions that already carry their physical
    // sizes and offsets, then creates and opens the file (empty until the owner writes the header and
    // descriptors). Nothing is created when the definitions are refused.
    void CreateHeader(uint16_t languageId, uint16_t sortId, std::span<const TFieldDescriptor> fields,
                      uint32_t blobBlockSize, std::string_view description, std::string_view password,
                      bool encrypted, uint16_t userMinorVersion, uint16_t userMajorVersion);
    // Checks header, descriptors and file size (DataFileValidation.h); a breach raises its code and
    // changes nothing, in memory or on disk.
    void ValidateHeader();
    void CheckFormat() const;
    void ReadHeader();
    // Reads the header on disk; when its change counter differs from the copy's, it replaces the copy
    // and the result is true.
    bool CheckHeaderChanged();
    // When forced or the header-changed flag is set: counter + 1, version and time stamped, header
    // written (its header-changed byte clear), table marked modified, flag cleared; true. Otherwise false.
    bool WriteHeader(bool force = false);
    // Counter + 1, the header the file holds written again with its header-changed byte set: a write of
    // the content begins. The copy's values and flag stay as they were.
    void WriteHeaderInProgress();
    // The header last read from the file had its write-in-progress mark set: a write never ended.
    bool WriteInterrupted() const { return writeInterrupted_; }
    // Counter + 1, the header the file holds written again without the mark: the interrupted write is
    // settled.
    void ClearWriteInterrupted();
    // The header as the file holds it, as far as this process knows.
    const TDataFileHeader& FileHeader() const { return fileHeader_; }
    // The header on disk now, read without changing the copies.
    TDataFileHeader OnDiskHeader() {
        TDataFileHeader header;
        ReadAt(0, header.Bytes.data(), TDataFileHeader::Size);
        return header;
    }
    // Where the record slots the header counts end.
    uint64_t ContentEnd() const { return header_.SlotOffset(header_.NextRecordNumber()); }
    void MarkHeaderWritten();
    // Empties the table: drops the record cache, truncates the file after the descriptors (TruncateContent:
    // flushing when ForceBufferFlush is set, later while the table is locked whole) and resets free-chain
    // head, next record number and auto-increment value. The change counter keeps counting up, so other
    // processes notice.
    void ResetHeader();
    void ReadFieldDescriptors();
    bool WriteFieldDescriptors();
    // The header and descriptors a server sent for a table opened through it (DataTableRemote.cpp); the
    // file stays closed.
    void FillFromServer(const TDataFileHeader& header, std::vector<TFieldDescriptor> fields);

    const TDataFileHeader& Header() const { return header_; }
    void CopyHeader(uint8_t* destination) const;
    bool HeaderChanged() const { return header_.HeaderChanged(); }
    bool DescriptorsChanged() const { return descriptorsChanged_; }
    // A changed header, descriptors or record is not yet in the file.
    bool HasUnwrittenChanges() const {
        return HeaderChanged() || descriptorsChanged_ || cache_.AnyDirty() || Spilled();
    }

    // Descriptor lookups; false (destination untouched) when no field matches. Copies by number or name
    // carry the field's position at +357.
    bool GetFieldDesc(uint16_t position, TFieldDescriptor& destination) const;
    bool GetFieldDescByNumber(uint16_t number, TFieldDescriptor& destination) const;
    bool GetFieldDescByName(std::string_view name, TFieldDescriptor& destination) const;
    uint16_t FindFieldByName(std::string_view name) const; // 0 when none; names compare ignoring case
    const std::vector<TFieldDescriptor>& FieldDescriptors() const { return fields_; }
    // The descriptors as they stand, shared by the cursors that take them (a copy is made once after each
    // change of the descriptors, instead of one by each cursor opened).
    std::shared_ptr<const std::vector<TFieldDescriptor>> SharedFieldDescriptors() const;
    // Replaces number, name, subtype, description, required flag and the three value texts of field n.
    void AlterFieldDesc(uint16_t position, const TFieldDescriptor& descriptor);

    void SetTableInfo(std::string_view password, std::string_view description, uint16_t userMinorVersion,
                      uint16_t userMajorVersion, uint32_t lastAutoIncValue);
    std::string GetDescription() const;
    std::string GetPassword() const; // empty for a table that is not encrypted
    bool GetEncrypted() const { return header_.Encrypted(); }
    uint16_t GetFieldCount() const { return header_.FieldCount(); }
    uint16_t GetBlobFieldCount() const { return header_.BlobFieldCount(); }
    uint16_t GetRecordSize() const { return header_.RecordSize(); }
    uint16_t GetLanguageId() const { return header_.LanguageId(); }
    uint16_t GetSortId() const { return header_.SortId(); }
    uint16_t GetUserMajorVersion() const { return header_.UserMajorVersion(); }
    uint16_t GetUserMinorVersion() const { return header_.UserMinorVersion(); }
    uint32_t GetLastAutoIncValue() const { return header_.LastAutoIncValue(); }
    uint32_t GetBlobBlockSize() const;
    // Record slots, deleted ones included.
    uint32_t GetRecordCount() const;
    uint32_t NextAutoIncValue();
    void SetLastAutoIncValue(uint32_t value);
    uint32_t NextBlobSequence();

    // --- Record side ---

    // The pinned record `number`, from the cache or read from disk; the next record number appends a new
    // slot. `client` (the cursor, or none) is asked, before a disk read while StrictChangeDetection is
    // off, whether another process changed the table: then the result is nullptr. With `readAhead` the
    // read takes as many slots as fit in 8192 bytes, or with `clientCount` as many as the client says,
    // in the direction given and never outside the table's slots.
    TRecord* GetRecord(CacheClient* client, uint32_t number,
                       TReadDirection direction = TReadDirection::Forward, bool clientCount = false,
                       bool readAhead = false);
    // The image of record `number` copied straight from the file's view (ViewedSlots), when there is one
    // and the cache holds no change (every cached record is then as the file holds it): no look-up in the
    // cache, and nothing joins it. False when the record is to be had through GetRecord.
    bool ViewedImage(uint32_t number, std::span<uint8_t> image) const;
    // The image of record `number` when it is cached, found as GetRecord finds it but not pinned: valid
    // until the cache next changes (the caller copies or judges it at once). Null when it is not cached.
    const uint8_t* CachedImage(uint32_t number) {
        TRecord* record = cache_.Find(number);
        if (!record) return nullptr;
        ++cache_.Statistics.CacheUses;
        return record->Image().data();
    }
    // ViewedImage serves the records: there is a view and the cache holds no change.
    bool ReadsThroughView() const { return view_ && cache_.NoneListedDirty() && !Spilled(); }
    // The record is in the cache or the spill file.
    bool Caches(uint32_t number) const { return cache_.Peek(number) != nullptr || SpillHolds(number); }
    // The images of slots first .. first + count - 1 (existing ones), record size bytes each one after
    // another into `images`, as GetRecord would give them: copied from the view or read from the file at
    // once, past the cache, when the cache holds no change (the file then holds every record as the cache
    // would give it), else through VisitRecordImages.
    void CopyImages(uint32_t first, uint32_t count, uint8_t* images);
    // Where ViewedImage would copy the record from, when the slot holds the image's fields as they are
    // (the table is not enciphered); only the prefix may differ (an active record's +1 is its number
    // in the image). Null when the record is to be had otherwise.
    const uint8_t* ViewedFields(uint32_t number) const {
        if (GetEncrypted() || !ReadsThroughView() || number == 0 || number >= header_.NextRecordNumber())
            return nullptr;
        return view_.Bytes(header_.SlotOffset(number), header_.RecordSize());
    }
    // As GetRecord reading ahead in the direction, for a walk that wants only some of the records it
    // passes: while the table is locked whole only the record asked for joins the cache, the others stay
    // in the read's buffer until asked for.
    TRecord* GetRecordNear(CacheClient* client, uint32_t number, TReadDirection direction);
    void ReleaseRecord(TRecord& record) { cache_.ReleaseItem(record); }
    // Hints of a walk that knows which records it reads next, so that over records scattered in memory
    // it waits for several at once rather than for each in turn; nothing is read through them and nothing
    // changes. LocateRecords gives, for each number, where a GetRecord or a ViewedImage of it will likely
    // find its bytes (null when nowhere yet), looking many up together so that the look-ups overlap;
    // PrefetchRecordAt brings the bytes at such a place towards the processor a few records ahead.
    void LocateRecords(std::span<const uint32_t> numbers, std::vector<const void*>& places) const;
    void PrefetchRecordAt(const void* place) const;
    // Calls `visit` with the image of each record of the numbers (ascending, existing slots) in turn, as
    // GetRecord would give it: a cached record's from the cache, the others read from the file several at
    // a time (numbers a few kilobytes apart in one read, the slots between read along) and not kept in
    // the cache, which a scattered read would only churn. The image is valid during the call only.
    void VisitRecordImages(std::span<const uint32_t> numbers,
                           const std::function<void(uint32_t number, std::span<const uint8_t> image)>& visit);
    // Pins the records of the numbers (ascending, distinct; numbers past the slots are passed over) in
    // the cache, appending each to `pinned` (the caller releases them): those not cached are read
    // several at a time as VisitRecordImages reads them. A change that visits records in another order
    // then finds each in the cache however small it is.
    void PinRecords(std::span<const uint32_t> numbers, std::vector<TRecord*>& pinned);
    // The pinned record for a new row: the free-chain head (which must be a deleted record) or a new
    // slot; the head moves on. nullptr as GetRecord. The caller clears and fills the image.
    TRecord* AllocateRecord(CacheClient* client);
    // As AllocateRecord for a new record's image (record size bytes, its +1 value set here), which goes
    // straight into the spill file while the table is locked whole and its changes spill already, or the
    // caller appends `many` records (more than the cache keeps for long), past the cache: a change that
    // appends many records then touches no cached record. The record's number; 0,
    // changing nothing, when the record is to be had through AllocateRecord (the slot is cached, or the
    // link of the deleted record it reuses is not known without a read).
    uint32_t AllocateSpilled(std::span<uint8_t> image, bool many);
    // Changes records of the numbers (ascending, existing slots) in turn: `edit` changes the image of each
    // in place, true when it did, under a whole-table lock (false, changing nothing, otherwise): the records
    // not cached are read in runs, and while the table's changes spill already, or the caller changes `many`
    // records (more than the cache keeps for long), their changed images go straight into the spill file,
    // past the cache.
    bool ChangeRecords(std::span<const uint32_t> numbers, bool many, const TRecordEdit& edit);
    // Marks the record deleted and makes it the free-chain head.
    void FreeRecord(TRecord& record);
    // What FreeRecord freeing a record now would link it to: the free-chain head, 0 when the chain is empty
    // or the table keeps record order.
    uint32_t FreeLink() const;
    // Marks the record deleted, linked to `link`; the free-chain head is the caller's (SetFreeChainHead):
    // records freed together take the links and head that freeing them one after another would give.
    void FreeRecordLinked(TRecord& record, uint32_t link);
    // New slots at the end for the images (record size bytes each, one after another, their prefixes
    // set), written in one write past the record cache; the first one's number. The owner is not locked
    // whole (whose changes wait in the caches) and has no free chain to reuse.
    uint32_t AppendSlots(std::span<const uint8_t> images);
    // The slot AllocateRecord takes: the free-chain head; the next record number when the chain is
    // empty or the table is in record order.
    uint32_t GetFreeRecordNumber() const;
    void SetFreeChainHead(uint32_t number);
    // Writes every changed, unpinned record (outside a read in progress); true when anything was written.
    bool FlushRecords();
    // Forgets every cached record; records still pinned stay valid, apart, until released.
    void DropRecordCache() {
        cache_.Drop();
        ForgetView();
        ForgetFreeLinks();
        if (spill_) spill_->Clear();
        cache_.SetCapacity(CacheLimit()); // emptied: what grew for changes is given back
        Charge();
    }
    // A set of `count` records is to be changed or appended past the record cache (ChangeRecords,
    // AllocateSpilled): when the cache holds at least as many, nothing dirty and nothing pinned (its
    // records as the file holds them), it lets them all go at once.
    void GoingPast(size_t count);
    // The bytes of cached records (objects and images) above which sets of many records go past the
    // cache (TDataTable::ManyRecords): finding each record in a cache that large, changing it in place and
    // writing it back at the commit waits on memory far from the processor.
    static constexpr uint64_t HeldBytes = uint64_t(32) << 20;
    // Lets the view of the file go (ViewedSlots): before anything may cut the file.
    void ForgetView();
    // About `count` records are to be appended, while the table is locked whole: when they are many
    // beside the slots, the first reuse of a deleted record reads every slot once, in order, to learn
    // the free chain's links, and the deleted records then taken are not read one by one. 0 when done;
    // what was learnt goes at each call.
    void SetExpectedAppends(uint32_t count) {
        expectedAppends_ = count;
        ForgetFreeLinks();
    }
    // Evicts clean, unpinned records, oldest first, down to the cache limit; flushes once when none is
    // clean, unless the table is locked whole (its changes are then uncommitted: the cache grows).
    void TrimRecordCache();
    uint32_t RecordsPerRead() const { return recordsPerRead_; }
    // min(BufferSize div record size, RecordCacheLimit) records, or the owner's reader cache bytes div
    // record size when that is more; for an in-memory file BufferSize counts at most DefaultBufferSize and
    // the reader cache not at all.
    size_t CacheLimit() const;
    const TRecordCache& RecordCache() const { return cache_; }
    // Some cached record was appended and is not yet in the file.
    bool HasUnwrittenSlots() const;
    const TRecordCacheStatistics& CacheStatistics() const { return cache_.Statistics; }
    // Memory for a record object of `bytes` (TRecord::Make): from the file's arena (ItemArena.h) while its
    // cache may hold many megabytes of records, else from the heap. FreeRecordMemory gives it back to
    // where it came from.
    void* RecordMemory(size_t bytes);
    void FreeRecordMemory(void* memory);
    // Calls `visit` with every slot 1 .. next record number - 1 in order, each pinned while visited.
    void ForEachRecord(const std::function<void(const TRecord&)>& visit);
    // The active records with their plain images, in record order (the index checks read them so).
    void ForEachActiveRecord(const TVisitor& visit) override;

    // --- Repair (DataTableRepair.cpp) ---

    // Makes the next record number one more than the whole slots the file holds, cutting the part of a
    // slot that follows them; the bytes cut. The free-chain head becomes 0.
    uint64_t RestoreRecordSlots();
    // The record number that slot `number` holds at +1 as the file has it (deciphered): an active record
    // holds its own, a slot that was never written holds 0.
    uint32_t StoredRecordNumber(uint32_t number);
    void SetLastBlobSequence(uint32_t value);

    // --- Locks ---

    bool LockTable() { return LockTable(owner_.Settings().LockTries); }
    bool LockTable(uint32_t tries) { return LockWithRetries(*this, TableLockOffset, 1, tries); }
    bool TryLockTable() { return LockTable(1); }
    bool UnlockTable() { return LockRegion(false, 1, TableLockOffset); }
    // Another process holds the table lock (a writer, a whole-table lock, a transaction).
    bool TableLockedElsewhere() { return RegionLockedElsewhere(1, TableLockOffset); }
    bool LockRecord(uint32_t number) { return LockRegion(true, 1, RecordLockOffset(number)); }
    bool UnlockRecord(uint32_t number) { return LockRegion(false, 1, RecordLockOffset(number)); }
    // The lock bytes of records first .. first + count - 1 as one range (one try; all or none).
    bool LockRecordRun(uint32_t first, uint32_t count) {
        return LockRegion(true, count, RecordLockOffset(first + count - 1));
    }
    bool UnlockRecordRun(uint32_t first, uint32_t count) {
        return LockRegion(false, count, RecordLockOffset(first + count - 1));
    }

    // --- Sorting (RecordSort.h) ---

    // Rewrites the active records in sorted order, renumbered from 1, reduced as the request asks;
    // returns how many records the table then holds. The table must be open exclusively, have no record
    // pinned, and have its indexes rebuilt afterwards.
    uint32_t SortRecords(const TSortRequest& request);

private:
    friend class TRecordSorter;
    void CloseFile();
    void PrepareCache();
    std::string Unscrambled(std::string text) const;
    std::string Scrambled(std::string_view text, size_t maxLength) const;
    bool SameName(const TFieldDescriptor& field, std::string_view name) const;
    void StoreHeader(TDataFileHeader image, bool inProgress);

    TRecord& AppendRecord();
    // How a fetch reads a record that is not cached: reading ahead (as many slots as fit in a read, or
    // with ClientCount as many as the client says), and whether every slot read joins the cache (else,
    // while the table is locked whole, only the record asked for does).
    struct TFetch {
        bool ReadAhead = false;
        bool ClientCount = false;
        bool MergeAll = true;
    };
    // The pinned existing record `number`, through the one lookup chain of every fetch: the cache; then,
    // unless the client reports another process's change (nullptr), the spill file, the last read's
    // buffer, and a read from the file.
    TRecord* FetchRecord(CacheClient* client, uint32_t number, TReadDirection direction, TFetch fetch);
    TRecord& NewRecord(uint32_t number);
    // Spill (SpillFile.h): while the table is locked whole and the cache is full of changes with the
    // session's budget spent, the changed records go to the spill file and the cache back to its size.
    bool Spilled() const { return spill_ && !spill_->Empty(); }
    bool SpillHolds(uint32_t number) const { return spill_ && spill_->Holds(number); }
    void MakeRoom();
    // The changed records to the spill file; with `trim`, the cache back to its size.
    void SpillRecords(bool trim);
    const void* HolderTable() const override { return &owner_; }
    void GiveBack() override;
    TRecord* FromSpill(uint32_t number);
    bool WriteSpilled();
    void Charge();
    uint32_t ReadCount(CacheClient* client, uint32_t number, TReadDirection direction,
                       bool clientCount) const;
    // `mergeAll`: every slot read joins the cache; otherwise, while the table is locked whole, none does.
    void ReadRecords(uint32_t number, uint32_t count, TReadDirection direction, bool mergeAll = true);
    // The bytes of slots first .. first + count - 1 through the file's view, made when reads of single
    // slots come often; nullptr when they are to be read from the file.
    const uint8_t* ViewedSlots(uint32_t first, uint32_t count);
    void ContentCut() override { ForgetView(); }
    void MergeSlot(uint32_t number, const uint8_t* slot);
    // Goes through the numbers (ascending, existing slots) in turn: `held(number)` for a cached record,
    // `slot(number, bytes)` with the slot's bytes for the others, read from the file several at a time
    // (numbers a few kilobytes apart in one read, the slots between read along; a short read's missing
    // ones go to `held`, which reads them as GetRecord does). `fromFile`: the cached records too are read
    // from the file, which must hold them as the cache does (nothing dirty, nothing spilled).
    template <typename Held, typename Slot>
    void ReadSlotRuns(std::span<const uint32_t> numbers, Held&& held, Slot&& slot, bool fromFile = false);
    // A slot that the last read under a whole-table lock brought, merged from the read's buffer: the
    // file's bytes, as no other process writes while the lock is held and this one's writes forget it.
    TRecord* FromLastRead(uint32_t number);
    void ForgetLastRead() { lastReadFirst_ = lastReadEnd_ = 0; }
    // A deleted record whose link the free chain's reading learnt (SetExpectedAppends), as a new cached
    // record holding its status and link (the rest zero: the caller writes the whole image); nullptr when
    // not known.
    TRecord* KnownFreeRecord(uint32_t number);
    void ForgetFreeLinks() {
        freeLinks_.clear();
        freeLinks_.shrink_to_fit();
    }
    void WriteRun(std::span<TRecord* const> run);

    TDataFileHeader header_;
    TDataFileHeader fileHeader_; // the header as the file holds it, as far as this process knows
    std::vector<TFieldDescriptor> fields_;
    // A copy of fields_ for the cursors; dropped by each change of fields_ (FieldsChanged).
    mutable std::shared_ptr<const std::vector<TFieldDescriptor>> sharedFields_;
    void FieldsChanged() { sharedFields_.reset(); }
    bool descriptorsChanged_ = false;
    bool writeInterrupted_ = false;
    std::vector<uint8_t> readBuffer_;
    // Slots lastReadFirst_ .. lastReadEnd_ - 1 are in readBuffer_ as a read under a whole-table lock left
    // them (none when equal): a record the cache evicted meanwhile is taken from there again.
    uint32_t lastReadFirst_ = 0, lastReadEnd_ = 0;
    const uint8_t* lastRead_ = nullptr; // their bytes, in readBuffer_ or the view
    // A view of the file (FileView.h): it goes with every cut of the file, a change check that found
    // another process's write (DropRecordCache), the close and the table kept idle; it never covers a
    // byte another process may cut while this one reads (a cut is a write, under the write locks).
    TFileView view_;
    uint32_t singleReads_ = 0; // reads of one slot since the last view went
    // By record number, the free-chain link of each slot that was deleted when the slots were read under
    // the present whole-table lock and that no allocation or deletion has touched since; NotFree for the
    // others. Empty when not learnt.
    static constexpr uint32_t NotFree = UINT32_MAX;
    std::vector<uint32_t> freeLinks_;
    uint32_t expectedAppends_ = 0;
    std::vector<uint8_t> visitBuffer_; // VisitRecordImages
    std::vector<uint8_t> writeBuffer_;
    std::unique_ptr<TSpillFile> spill_; // made at the first spill
    TChangeCharge charge_;
    uint64_t chargedGrowth_ = 0; // the records beyond the cache's size that charge_ counts

    TReadWindow readWindow_; // the slot range a read is bringing in
    uint32_t recordsPerRead_ = 1;
    std::unique_ptr<TItemArena> arena_; // records of a big cache; outlives the cache, which frees into it
    TRecordCache cache_;
};

inline void ReleasePinned(TRecord& record) {
    record.Owner().ReleaseRecord(record);
}
// Holds a pinned record for a scope and releases it at the end, also when an error is raised.
using TPinnedRecord = TPinned<TRecord>;

} // namespace vorsam
