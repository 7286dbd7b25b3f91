// The index file's page side: the per-index page caches, page reads and appends, allocation and the
// free lists, and writing modified pages in runs. The header side is in IndexFile.cpp.
#include "db/engine/IndexFile.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace vorsam {

namespace {

constexpr uint32_t MaxPageNumber = 2'000'000'000;
constexpr uint64_t MaxFileBytes = 4'000'000'000;
constexpr size_t BufferBytesPerPage = 8192;
// The most pages one write takes: a longer run goes in pieces, so that its buffer stays small.
constexpr size_t WritePages = 256;
// What a cached page takes in memory, as the session's budget of changes counts it.
constexpr size_t PageBytesHeld = 2 * IndexPageSize;

} // namespace

size_t TIndexFile::SlotLimit() const {
    return std::max(owner_.Settings().IndexBufferSize, owner_.ReaderCacheBytes()) / BufferBytesPerPage;
}

TFileHandler& TIndexFile::FileOf(uint8_t slot) {
    return header_.IsTextSlot(slot) && textFile_ ? *textFile_ : *this;
}

bool TIndexFile::SlotOfKind(uint8_t slot, bool text) const {
    return header_.IsTextSlot(slot) == text;
}

// ---- the cache of one slot ----

void TIndexFile::TCleanChain::LinkNewest(TPage* page) {
    page->Older = Newest;
    page->Newer = nullptr;
    (Newest ? Newest->Newer : Oldest) = page;
    Newest = page;
}

void TIndexFile::TCleanChain::LinkOldest(TPage* page) {
    page->Newer = Oldest;
    page->Older = nullptr;
    (Oldest ? Oldest->Older : Newest) = page;
    Oldest = page;
}

void TIndexFile::TCleanChain::Unlink(TPage* page) {
    (page->Newer ? page->Newer->Older : Newest) = page->Older;
    (page->Older ? page->Older->Newer : Oldest) = page->Newer;
    page->Older = page->Newer = nullptr;
}

TPage* TIndexFile::FindCached(uint8_t slot, uint32_t number) {
    TSlotCache& cache = caches_[slot];
    if (cache.Last && cache.Last->Number() == number) return cache.Last;
    return cache.Pages.Find(number);
}

// The page joins the clean chains only when it leaves the held list (Unhold).
TPage* TIndexFile::AddToCache(uint8_t slot, std::unique_ptr<TPage> page) {
    TPage* added = page.get();
    caches_[slot].Pages.Add(added);
    (void)page.release(); // the cache owns it
    AddHeld(added);
    return added;
}

std::unique_ptr<TPage> TIndexFile::Detach(uint8_t slot, TPage* page) {
    TSlotCache& cache = caches_[slot];
    if (page->HeldAt != TPage::NotHeld)
        RemoveHeld(page);
    else
        cache.ChainOf(page).Unlink(page);
    if (cache.Last == page) cache.Last = nullptr;
    cache.Pages.Remove(page);
    return std::unique_ptr<TPage>(page);
}

// Leaf pages go first: every seek passes the pages above them again, so those stay while a clean,
// unpinned leaf page can make room.
TPage* TIndexFile::OldestClean(const TSlotCache& cache) const {
    return cache.Leaves.Oldest ? cache.Leaves.Oldest : cache.Upper.Oldest;
}

std::unique_ptr<TPage> TIndexFile::NewPage(uint8_t slot) {
    TSlotCache& cache = caches_[slot];
    std::unique_ptr<TPage> page;
    if (cache.Pages.Count() < cache.Capacity) {
        page = pool_.Pop();
    } else {
        TPage* victim = OldestClean(cache);
        if (!victim && !owner_.LockedWhole()) {
            FlushPages(header_.IsTextSlot(slot));
            victim = OldestClean(cache);
        } else if (!victim && !header_.IsTextSlot(slot) && MaySpill()) {
            SpillPages(false);
            victim = OldestClean(cache);
        }
        if (victim) {
            page = Detach(slot, victim);
        } else {
            cache.Capacity += 4;
            Charge();
            page = pool_.Pop();
        }
    }
    page->SetFormat(FormatOf(slot), this);
    page->Passing = false;
    return page;
}

// ---- spill ----

// Under a whole-table lock a full slot without a clean page to give up grows; once the session's budget
// is spent (the other tables' caches given back first), the modified pages go to the spill file instead,
// and the slots keep the pages they hold, clean now: an index's pages are read again and again.
bool TIndexFile::MaySpill() {
    const EngineSettings& settings = owner_.Settings();
    if (!owner_.LockedWhole() || InMemory() || !TChangeCharge::Exceeds(settings, 4 * PageBytesHeld))
        return false;
    TChangeCharge::GiveBackOthers(settings, *this);
    return TChangeCharge::Exceeds(settings, 4 * PageBytesHeld);
}

void TIndexFile::GiveBack() {
    if (owner_.LockedWhole()) SpillPages(false);
    TrimPageCache();
}

void TIndexFile::SpillPages(bool trim) {
    if (!spill_) spill_ = std::make_unique<TSpillFile>(owner_.Settings(), IndexPageSize);
    ForModifiedRuns(false, [&](std::span<TPage* const> run) {
        scratch_.resize(run.size() * IndexPageSize);
        for (size_t i = 0; i < run.size(); ++i) run[i]->StoreTo(&scratch_[i * IndexPageSize]);
        spill_->Put(run.front()->Number(), uint32_t(run.size()), scratch_.data());
        for (TPage* page : run) page->SetModified(false);
    });
    if (trim) TrimPageCache();
    Charge();
}

// The spilled pages reach the file (the end of the lock is writing), before the pages still modified
// in the caches, which are newer.
bool TIndexFile::WriteSpilled() {
    if (!Spilled()) return false;
    spill_->ForEachRun([this](uint32_t first, uint32_t count, const uint8_t* bytes) {
        owner_.BeforeWrite();
        WriteAt(uint64_t(first) * IndexPageSize, bytes, size_t(count) * IndexPageSize);
        owner_.MarkModified();
        ++stats_.WriteRuns;
    });
    spill_->Clear();
    return true;
}

void TIndexFile::Charge() {
    size_t limit = SlotLimit();
    uint64_t grown = 0;
    for (uint8_t slot = 0; slot < IndexSlotCount; ++slot)
        if (caches_[slot].Capacity > limit && !header_.IsTextSlot(slot))
            grown += caches_[slot].Capacity - limit;
    if (grown == chargedGrowth_) return;
    chargedGrowth_ = grown;
    charge_.Set(owner_.Settings(), grown * PageBytesHeld, *this);
}

// ---- pages ----

TPage* TIndexFile::ReadPage(uint8_t slot, uint32_t number, bool empty) {
    ++stats_.ReadCalls;
    std::array<uint8_t, IndexPageSize> image{};
    // A page may lie past the end of the file only when this process appended it and has not written
    // it yet (the header's next page number is then unwritten too), or in the text-index file.
    bool allowShort = header_.IsTextSlot(slot) || ((Exclusive() || owner_.Locked()) && header_.Changed);
    TFileHandler& file = FileOf(slot);
    if (SpillHolds(slot, number)) {
        spill_->Get(number, image.data());
    } else {
        TFileAccess access(file);
        file.Seek(int64_t(number) * int64_t(IndexPageSize));
        file.ReadBuffer(image.data(), image.size(), allowShort);
    }
    ++stats_.DiskReads;
    std::unique_ptr<TPage> page = NewPage(slot);
    page->SetNumber(number);
    page->LoadFrom(image.data(), empty);
    return AddToCache(slot, std::move(page));
}

TPage* TIndexFile::AppendPage(uint8_t slot, uint32_t number) {
    if (number > MaxPageNumber || uint64_t(number) * IndexPageSize + IndexPageSize > MaxFileBytes)
        RaiseIndexError(VORSAM_TABLEFULL);
    std::unique_ptr<TPage> page = NewPage(slot);
    page->SetNumber(number);
    page->SetModified(true); // every page below the next page number reaches the file
    TPage* added = AddToCache(slot, std::move(page));
    SetNextPageNumber(slot, number + 1);
    return added;
}

bool TIndexFile::GetPage(uint8_t slot, uint32_t number, TPage*& page, bool empty, CacheClient* client) {
    page = nullptr;
    uint32_t next = GetNextPageNumber(slot);
    if (number == 0 || number > next) RaiseIndexError(VORSAM_INDEXCORRUPT);
    ++stats_.PageUses;
    TPage* found = nullptr;
    if (number == next) {
        found = AppendPage(slot, number);
    } else if ((found = FindCached(slot, number))) {
        if (!passing_) found->Passing = false; // another use: released as the newest
    } else {
        if (client && !owner_.Settings().StrictChangeDetection && client->CheckForChanges()) return false;
        bool full = caches_[slot].Pages.Count() >= caches_[slot].Capacity;
        found = ReadPage(slot, number, empty);
        found->Passing = passing_ && full && found->IsLeaf();
    }
    if (found->Number() != number) RaiseIndexError(VORSAM_INDEXCORRUPT);
    found->Pin();
    Hold(found);
    caches_[slot].Last = found;
    page = found;
    return true;
}

void TIndexFile::GetPassingLeaf(uint8_t slot, uint32_t number, TPage*& page) {
    passing_ = true;
    try {
        GetPage(slot, number, page);
    } catch (...) {
        passing_ = false;
        throw;
    }
    passing_ = false;
}

// Pinned or modified: out of the clean chains, into the held list.
void TIndexFile::Hold(TPage* page) {
    if (page->HeldAt != TPage::NotHeld) return;
    caches_[page->Format().Slot].ChainOf(page).Unlink(page);
    AddHeld(page);
}

void TIndexFile::AddHeld(TPage* page) {
    page->HeldAt = uint32_t(held_.size());
    held_.push_back(page);
}

// Clean and unpinned again: the newest of its clean chain (a passing leaf the oldest).
void TIndexFile::Unhold(TPage* page) {
    if (page->HeldAt == TPage::NotHeld) return;
    assert(!page->Modified() && page->PinCount() == 0);
    RemoveHeld(page);
    TCleanChain& chain = caches_[page->Format().Slot].ChainOf(page);
    if (page->Passing)
        chain.LinkOldest(page);
    else
        chain.LinkNewest(page);
}

void TIndexFile::RemoveHeld(TPage* page) {
    uint32_t at = page->HeldAt;
    assert(held_[at] == page);
    held_[at] = held_.back();
    held_[at]->HeldAt = at;
    held_.pop_back();
    page->HeldAt = TPage::NotHeld;
}

// Every cached page pinned or modified is in the held list, the list only holds cached pages, and every
// other cached page is in the clean chain of its kind (linear; asserts only).
bool TIndexFile::HeldAreListed() const {
    size_t listed = 0;
    for (const TSlotCache& cache : caches_) {
        bool ok = true;
        size_t clean = 0;
        cache.Pages.ForEach([&](const TPage* page) {
            if (page->HeldAt != TPage::NotHeld) {
                ++listed;
                ok = ok && page->HeldAt < held_.size() && held_[page->HeldAt] == page;
            } else {
                ++clean;
                ok = ok && !page->Modified() && page->PinCount() == 0;
            }
        });
        for (const TCleanChain* chain : {&cache.Leaves, &cache.Upper})
            for (const TPage* page = chain->Oldest; page; page = page->Newer) {
                ok = ok && page->HeldAt == TPage::NotHeld && page->IsLeaf() == (chain == &cache.Leaves) &&
                     cache.Pages.Find(page->Number()) == page;
                if (clean-- == 0) return false;
            }
        if (!ok || clean != 0) return false;
    }
    return listed == held_.size();
}

void TIndexFile::ReleasePage(TPage* page) {
    page->Unpin();
    if (page->PinCount() == 0 && !page->Modified()) Unhold(page);
    if (orphans_.empty() || page->PinCount() > 0) return;
    auto it = std::find_if(orphans_.begin(), orphans_.end(), [&](const auto& p) { return p.get() == page; });
    if (it == orphans_.end()) return;
    pool_.Push(std::move(*it));
    orphans_.erase(it);
}

TPage* TIndexFile::AllocatePage(uint8_t slot) {
    uint32_t head = GetFreeHead(slot);
    TPage* page = nullptr;
    GetPage(slot, head ? head : GetNextPageNumber(slot), page);
    if (head) {
        // Only an empty page may stand in a free list, and its link must stay inside the file: a live
        // page is never handed out twice.
        uint32_t nextFree = page->NextPage();
        if (page->KeyCount() != 0 || nextFree == head || nextFree >= GetNextPageNumber(slot)) {
            ReleasePage(page);
            RaiseIndexError(VORSAM_INDEXCORRUPT);
        }
        SetFreeHead(slot, nextFree);
    }
    page->Clear();
    page->SetModified(true);
    return page;
}

void TIndexFile::FreePage(TPage* page) {
    uint8_t slot = page->Format().Slot;
    page->SetKeyCount(0);
    page->SetNextPage(GetFreeHead(slot));
    page->SetFree(true);
    SetFreeHead(slot, page->Number());
}

bool TIndexFile::GetRootPage(uint8_t slot, TPage*& page, CacheClient* client) {
    page = nullptr;
    uint32_t root = GetRoot(slot);
    return root == 0 || GetPage(slot, root, page, false, client);
}

bool TIndexFile::GetKeptPage(uint8_t slot, TPage*& page, CacheClient* client) {
    page = nullptr;
    uint32_t kept = GetKeptPageNumber(slot);
    return kept == 0 || GetPage(slot, kept, page, false, client);
}

// ---- flushing, dropping, trimming ----

void TIndexFile::FlushPages(bool text) {
    if (text && !textFile_) return;
    if (!text && Spilled()) {
        // A page modified again since it was spilled is written from the cache alone.
        for (TPage* page : held_)
            if (!header_.IsTextSlot(page->Format().Slot) && page->Modified() && page->PinCount() == 0)
                spill_->Forget(page->Number());
        WriteSpilled();
    }
    assert(HeldAreListed());
    ForModifiedRuns(text, [&](std::span<TPage* const> run) { WriteRun(text, run); });
}

void TIndexFile::ForModifiedRuns(bool text, const std::function<void(std::span<TPage* const>)>& put) {
    std::vector<TPage*> dirty;
    for (TPage* page : held_)
        if (SlotOfKind(page->Format().Slot, text) && page->Modified() && page->PinCount() == 0)
            dirty.push_back(page);
    std::sort(dirty.begin(), dirty.end(), [](TPage* a, TPage* b) { return a->Number() < b->Number(); });
    for (size_t first = 0, end; first < dirty.size(); first = end) {
        end = first + 1;
        while (end < dirty.size() && end - first < WritePages &&
               dirty[end]->Number() == dirty[end - 1]->Number() + 1)
            ++end;
        put(std::span<TPage* const>(dirty.data() + first, end - first));
    }
    for (TPage* page : dirty) Unhold(page);
}

void TIndexFile::WriteRun(bool text, std::span<TPage* const> run) {
    if (!text) owner_.BeforeWrite();
    scratch_.resize(run.size() * IndexPageSize);
    for (size_t i = 0; i < run.size(); ++i) run[i]->StoreTo(&scratch_[i * IndexPageSize]);
    uint64_t offset = uint64_t(run.front()->Number()) * IndexPageSize;
    if (text) {
        TFileAccess access(*textFile_);
        textFile_->Seek(int64_t(offset));
        textFile_->WriteBuffer(scratch_.data(), scratch_.size());
    } else {
        WriteAt(offset, scratch_.data(), scratch_.size());
    }
    for (TPage* page : run) page->SetModified(false);
    owner_.MarkModified();
    ++stats_.WriteRuns;
}

bool TIndexFile::HasUnwrittenChanges() const {
    if (header_.Changed || Spilled()) return true;
    assert(HeldAreListed());
    return std::any_of(held_.begin(), held_.end(), [this](const TPage* page) {
        return page->Modified() && !header_.IsTextSlot(page->Format().Slot);
    });
}

void TIndexFile::DropSlot(uint8_t slot) {
    TSlotCache& cache = caches_[slot];
    if (cache.Pages.Empty()) { // most slots of most tables: nothing to walk
        assert(!cache.Leaves.Oldest && !cache.Upper.Oldest && !cache.Last);
        cache.Capacity = SlotLimit();
        return;
    }
    cache.Pages.ForEach([&](TPage* page) {
        if (page->HeldAt != TPage::NotHeld) RemoveHeld(page);
        std::unique_ptr<TPage> owned(page);
        if (page->PinCount() > 0) {
            page->Older = page->Newer = nullptr;
            orphans_.push_back(std::move(owned));
        } else {
            pool_.Push(std::move(owned));
        }
    });
    cache.Pages.Clear();
    cache.Leaves = cache.Upper = {};
    cache.Last = nullptr;
    cache.Capacity = SlotLimit();
}

void TIndexFile::DropPages(bool text) {
    const size_t limit = SlotLimit();
    if (!text && spill_) spill_->Clear();
    for (uint8_t slot = 0; slot < IndexSlotCount; ++slot) {
        if (caches_[slot].Pages.Empty() && caches_[slot].Capacity == limit) continue; // nothing to do
        if (!SlotOfKind(slot, text)) continue;
        if (caches_[slot].Pages.Empty())
            caches_[slot].Capacity = limit; // as DropSlot leaves it, without the walk
        else
            DropSlot(slot);
    }
    Charge();
}

void TIndexFile::TrimPageCache() {
    size_t limit = SlotLimit();
    for (uint8_t slot = 0; slot < IndexSlotCount; ++slot) {
        TSlotCache& cache = caches_[slot];
        while (cache.Pages.Count() > limit) {
            TPage* victim = OldestClean(cache);
            if (!victim) break;
            pool_.Push(Detach(slot, victim));
        }
        cache.Capacity = std::max(cache.Pages.Count(), limit);
    }
    // The spill file stays open for the whole-table lock's next commit; after the lock it goes.
    if (spill_ && spill_->Empty() && !owner_.LockedWhole()) spill_.reset();
    Charge();
}

} // namespace vorsam
