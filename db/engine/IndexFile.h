// TIndexFile: a table's index file (".IDX"): the header with the index descriptors (IndexFileHeader.h),
// the pages of every index's tree (IndexPage.h), page allocation through one free-page list per index,
// a page cache per index, and the table's count of active records.
//
// Pages: page n lies at n x 4096. A page number 0, or one above the next page number, is corrupt
// (VORSAM_INDEXCORRUPT); asking for the next page number itself appends a page at the end, up to page
// 2,000,000,000 and 4,000,000,000 bytes (then VORSAM_TABLEFULL). Freed pages go to the front of their
// index's free list (linked through the pages' next-page field, written with no entries) and are
// reused from there, last freed first; a free-list page that still holds entries is corrupt.
//
// Cache: each index slot has its own cached pages, found by number (NumberIndex.h), so one index's
// traffic never evicts another's; a slot holds IndexBufferSize / 8192 pages (at least what is pinned: a
// full slot without a clean unpinned page flushes, or grows by 4 while the table is locked whole). The
// cached pages that are pinned or modified are listed apart (a page enters the list when handed out and
// leaves it when released clean or written), so that flushes and the checks for unwritten changes look at
// those only. Every other cached page is clean and unpinned, and stands in one of the slot's two recency
// chains, leaves and pages above the leaves apart, joining at the newest end when it leaves the list. A
// full slot makes room with its oldest clean leaf, else with its oldest clean page above the leaves (every
// seek passes those, so they stay longest): found at once, however many pages a whole-table lock keeps
// modified. Pages handed out are pinned until released (TPageRef releases on scope exit). Under a
// whole-table lock, modified pages past the session's budget wait in a spill file (SpillFile.h) until
// FlushPages writes them first.
// Modified pages reach the file through FlushPages, each run of consecutive page numbers in one write;
// the header only through WriteHeader, which the table layer calls at the end of a write.
//
// Text indexes keep their pages in a temporary file in the private folder, numbered from 1; they exist
// only while the table is open and never appear in the written header.
//
// The owning table (TableFileOwner) gives the file its names (error context), the session's settings,
// whether the table is encrypted and whether it is locked, and hears of every write.
#pragma once

#include "db/engine/EngineSettings.h"
#include "db/engine/IndexFileHeader.h"
#include "db/engine/IndexPage.h"
#include "db/engine/NumberIndex.h"
#include "db/engine/SpillFile.h"
#include "db/engine/TableFile.h"

#include <array>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vorsam {

class TFieldDescriptor;

// Page and I/O counts since open.
struct TIndexFileStats {
    uint64_t PageUses = 0;  // GetPage calls answered
    uint64_t ReadCalls = 0; // of them, not found in the cache
    uint64_t DiskReads = 0; // page reads from the file
    uint64_t WriteRuns = 0; // writes of runs of consecutive pages
};

class TIndexFile : public TTableFile, public TIndexErrorSource, private TChangeHolder {
public:
    explicit TIndexFile(TableFileOwner& owner);
    ~TIndexFile() override;

    bool Encrypted() const { return owner_.Encrypted(); }

    // Opens and reads the header: more than 30 secondary indexes raise VORSAM_HEADERCORRUPT.
    void Open() override;
    // Removes the text indexes, drops every cached page (unwritten changes are lost: the table flushes
    // first) and closes.
    void Close() override;
    // Creates the file with the header of a new file and opens it; the header is marked changed.
    void CreateFile() override;

    void ReadHeader();
    const TIndexFileHeader& Header() const { return header_; }
    // The header a server sent for a table opened through it (DataTableRemote.cpp); the file stays closed.
    void FillFromServer(const TIndexFileHeader& header);
    // Writes the header when forced or changed: counter + 1; true when written.
    bool WriteHeader(bool force = false);
    // Reads the header's counter; when it differs from the copy's, takes the file's header and answers
    // true.
    bool CheckHeaderChanged();
    // Counter + 1, header changed, table modified.
    void MarkHeaderWritten();
    bool HeaderChanged() const { return header_.Changed; }
    // A changed header or page (text indexes aside) is not yet in the file.
    bool HasUnwrittenChanges() const;
    // Empties every index: file truncated to the header (TruncateContent), next page 1, no records, every
    // root, free head and kept page 0, cached pages dropped.
    void ResetIndexes();
    // Checks the header against the table's fields: VORSAM_OLDVERSION for another format, else
    // VORSAM_HEADERCORRUPT for any descriptor that breaks the rules (IndexDefinition.h), duplicate
    // names, broken system descriptors, or a root or free head beyond the pages.
    void ValidateIndexHeader(std::span<const TFieldDescriptor> fields);
    void CheckFormat();

    // The page `number` of the index in `slot`, pinned. False, with no page, only when the page had to be
    // read while StrictChangeDetection is off and the client's change check reported that another
    // process changed the table (the caller starts again). `empty`: the entries are not read.
    bool GetPage(uint8_t slot, uint32_t number, TPage*& page, bool empty = false,
                 CacheClient* client = nullptr);
    void ReleasePage(TPage* page);
    // As GetPage, for a leaf that a walk passes on its way along the leaf level. A leaf it must read
    // while its slot is full joins the oldest end of the slot's clean leaves when released, where the
    // next page the walk reads takes its object from; leaves found cached are used as by GetPage. A walk
    // over more leaves than the slot holds so keeps the leaves it read first for the next walk, instead of
    // evicting each one before the next walk comes back to it.
    void GetPassingLeaf(uint8_t slot, uint32_t number, TPage*& page);
    // A page for the index in `slot` from its free list or the end of the file, cleared and pinned.
    TPage* AllocatePage(uint8_t slot);
    // Puts the page at the front of its index's free list.
    void FreePage(TPage* page);
    // The root (or kept) page of the index, pinned; none when the index has none. False as GetPage.
    bool GetRootPage(uint8_t slot, TPage*& page, CacheClient* client = nullptr);
    bool GetKeptPage(uint8_t slot, TPage*& page, CacheClient* client = nullptr);

    // Writes the modified unpinned pages of the text indexes (`text`) or of all other slots.
    void FlushPages(bool text);
    // Forgets every cached page of the text indexes (`text`) or of all other slots.
    void DropPages(bool text);
    // Evicts clean unpinned pages until each slot holds at most its share.
    void TrimPageCache();
    size_t CachedPageCount(uint8_t slot) const { return caches_[slot].Pages.Count(); }
    const TIndexFileStats& Stats() const { return stats_; }

    // Header values; setters mark the header changed.
    uint32_t GetActiveRecords() const { return header_.ActiveRecords; }
    void SetActiveRecords(uint32_t count);
    void IncActiveRecords() { SetActiveRecords(header_.ActiveRecords + 1); }
    void DecActiveRecords() { SetActiveRecords(header_.ActiveRecords > 0 ? header_.ActiveRecords - 1 : 0); }
    uint32_t GetRoot(uint8_t slot) const { return header_.Slots[slot].Root(); }
    void SetRoot(uint8_t slot, uint32_t page);
    uint32_t GetFreeHead(uint8_t slot) const { return header_.Slots[slot].FreeHead(); }
    void SetFreeHead(uint8_t slot, uint32_t page);
    uint32_t GetKeptPageNumber(uint8_t slot) const { return header_.Slots[slot].KeptPage(); }
    void SetKeptPageNumber(uint8_t slot, uint32_t page);
    // The next page number of the file holding the slot's pages (the text-index file for a text index).
    uint32_t GetNextPageNumber(uint8_t slot) const;
    void SetNextPageNumber(uint8_t slot, uint32_t number);
    uint32_t GetPageCount() const { return header_.NextPage - 1; }
    // Where the pages the header counts end.
    uint64_t ContentEnd() const { return uint64_t(header_.NextPage) * IndexPageSize; }
    bool GetRecordOrder() const { return header_.RecordOrder; }
    // Setting the record order clears the primary descriptor (its free list is kept).
    void SetRecordOrder(bool value);
    uint8_t GetIndexCount() const { return header_.SecondaryCount; }
    void SetIndexCount(uint8_t count);
    uint32_t GetChangeCounter() const { return header_.ChangeCounter; }
    const TIndexDescriptor& GetIndexDesc(uint8_t slot) const { return header_.Slots[slot]; }
    std::array<uint16_t, MaxIndexFields> GetIndexFields(uint8_t slot) const;
    bool IsTextIndex(uint8_t slot) const { return header_.IsTextSlot(slot); }
    TPageFormat FormatOf(uint8_t slot) const { return PageFormatOf(header_.Slots[slot], slot, Encrypted()); }

    // Index definitions (rules in IndexDefinition.h); each marks the header changed.
    // Fills the slot from the definition; its root, kept page 0, its free list kept.
    void SetIndexDesc(uint8_t slot, const TIndexDefinition& definition,
                      std::span<const TFieldDescriptor> fields);
    // Takes the definition's name and field numbers.
    void RenameIndex(uint8_t slot, const TIndexDefinition& definition);
    // Defines the primary key: VORSAM_PRIMARYKEYREDEFINE when one exists, VORSAM_INDEXLIMIT for more than
    // 16 fields or too long a key, VORSAM_SEARCHCOLREQD for a BLOB or unknown field (context index
    // "Primary"). Without fields the table keeps the record order.
    void DefinePrimaryIndex(const TIndexDefinition& definition, std::span<const TFieldDescriptor> fields);
    // Adds a secondary index in the next slot and returns the slot: VORSAM_INDEXLIMIT with 30 indexes, more
    // than 16 fields or too long a key; VORSAM_INDEXNAMEREQUIRED, VORSAM_INVALIDINDEXNAME, VORSAM_INDEXEXISTS
    // for the name; VORSAM_SEARCHCOLREQD for a field that cannot be in the key.
    uint8_t AddIndex(const TIndexDefinition& definition, std::span<const TFieldDescriptor> fields);
    // Slot 0: the table goes back to record order. Another slot with `remove`: the later indexes move
    // down one slot and the removed descriptor goes to the slot freed at the end (a later index there
    // inherits its free list). Cached pages are written and dropped.
    void DeleteIndex(uint8_t slot, bool remove);
    // True when the primary or a secondary index has the name (ignoring case).
    bool IndexExists(std::string_view name) const;

    TErrorContext IndexErrorContext() const override { return ErrorContext(); }
    [[noreturn]] void RaiseIndexError(uint16_t code, std::string_view index = {},
                                      std::string_view field = {}) const;

private:
    // A recency chain of clean, unpinned pages, from the oldest to the newest.
    struct TCleanChain {
        TPage* Newest = nullptr;
        TPage* Oldest = nullptr;
        void LinkNewest(TPage* page);
        void LinkOldest(TPage* page);
        void Unlink(TPage* page);
    };
    struct TSlotCache {
        TSlotCache() = default;
        TSlotCache(const TSlotCache&) = delete;
        TSlotCache& operator=(const TSlotCache&) = delete;
        ~TSlotCache() {
            Pages.ForEach([](TPage* page) { delete page; });
        }
        TCleanChain& ChainOf(const TPage* page) { return page->IsLeaf() ? Leaves : Upper; }
        TNumberIndex<TPage> Pages; // owns them
        TCleanChain Leaves;
        TCleanChain Upper;
        TPage* Last = nullptr; // the page handed out last, while cached
        size_t Capacity = 0;
    };

    size_t SlotLimit() const;
    // Spill (SpillFile.h): while the table is locked whole and a full slot has no clean page to give up
    // with the session's budget spent, the modified pages of every index go to the spill file and each
    // slot back to its share.
    bool Spilled() const { return spill_ && !spill_->Empty(); }
    bool SpillHolds(uint8_t slot, uint32_t number) const {
        return spill_ && !header_.IsTextSlot(slot) && spill_->Holds(number);
    }
    bool MaySpill();
    // The modified pages to the spill file; with `trim`, each slot back to its share.
    void SpillPages(bool trim);
    const void* HolderTable() const override { return &owner_; }
    void GiveBack() override;
    bool WriteSpilled();
    void Charge();
    TFileHandler& FileOf(uint8_t slot);
    bool SlotOfKind(uint8_t slot, bool text) const;
    TPage* FindCached(uint8_t slot, uint32_t number);
    std::unique_ptr<TPage> Detach(uint8_t slot, TPage* page);
    TPage* AddToCache(uint8_t slot, std::unique_ptr<TPage> page);
    TPage* OldestClean(const TSlotCache& cache) const;
    std::unique_ptr<TPage> NewPage(uint8_t slot);
    TPage* ReadPage(uint8_t slot, uint32_t number, bool empty);
    TPage* AppendPage(uint8_t slot, uint32_t number);
    void WriteRun(bool text, std::span<TPage* const> run);
    // The modified, unpinned pages of the kind (text slots or not) held, by number, given to `put` in runs
    // of consecutive numbers (WritePages at most); then they are held no more.
    void ForModifiedRuns(bool text, const std::function<void(std::span<TPage* const>)>& put);
    void Hold(TPage* page);
    void AddHeld(TPage* page);
    void Unhold(TPage* page);
    void RemoveHeld(TPage* page);
    bool HeldAreListed() const;
    void DropSlot(uint8_t slot);
    void ReadHeaderImage(TIndexFileHeader& header);
    void Changed();
    void RemoveTextIndexes();
    void OpenTextFile();
    void RaiseDefinitionError(uint16_t code, std::string_view index, uint16_t field,
                              std::span<const TFieldDescriptor> fields) const;

    TIndexFileHeader header_ = TIndexFileHeader::NewFile();
    TPageStack pool_;
    std::array<TSlotCache, IndexSlotCount> caches_;
    std::vector<std::unique_ptr<TPage>> orphans_; // dropped while pinned; freed when released
    // The cached pages pinned or modified; every other cached page is in a clean chain of its slot.
    std::vector<TPage*> held_;
    bool passing_ = false; // GetPassingLeaf is fetching
    TIndexFileStats stats_;
    std::unique_ptr<TFileHandler> textFile_;
    std::unique_ptr<TSpillFile> spill_; // made at the first spill
    TChangeCharge charge_;
    uint64_t chargedGrowth_ = 0; // the pages beyond the slots' shares that charge_ counts
    uint32_t textNextPage_ = 1;
    std::vector<uint8_t> scratch_;
};

// A pinned page, released at the end of its scope.
class TPageRef {
public:
    TPageRef() = default;
    TPageRef(TIndexFile& file, TPage* page) : file_(&file), page_(page) {}
    TPageRef(TPageRef&& other) noexcept : file_(other.file_), page_(other.page_) { other.page_ = nullptr; }
    TPageRef& operator=(TPageRef&& other) noexcept {
        if (this != &other) {
            Release();
            file_ = other.file_;
            page_ = other.page_;
            other.page_ = nullptr;
        }
        return *this;
    }
    ~TPageRef() { Release(); }

    void Release() {
        if (page_) file_->ReleasePage(page_);
        page_ = nullptr;
    }
    TPage* Get() const { return page_; }
    TPage* operator->() const { return page_; }
    TPage& operator*() const { return *page_; }
    explicit operator bool() const { return page_ != nullptr; }

private:
    TIndexFile* file_ = nullptr;
    TPage* page_ = nullptr;
};

} // namespace vorsam
