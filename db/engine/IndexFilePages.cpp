// The index file's page side: the per-index page caches, page reads and appends, allocation and the
// free lists, and writing modified pages in runs. The header side is in IndexFile.cpp.
#include "db/engine/IndexFile.h"

#include <algorithm>
#include <array>

namespace vorsam {

namespace {

constexpr uint32_t MaxPageNumber = 2'000'000'000;
constexpr uint64_t MaxFileBytes = 4'000'000'000;
constexpr size_t BufferBytesPerPage = 8192;
// The newest pages of a slot looked at before its sorted list is searched.
constexpr int RecentProbes = 2;

} // namespace

size_t TIndexFile::SlotLimit() const {
    return owner_.Settings().IndexBufferSize / BufferBytesPerPage;
}

TFileHandler& TIndexFile::FileOf(uint8_t slot) {
    return header_.IsTextSlot(slot) && textFile_ ? *textFile_ : *this;
}

bool TIndexFile::SlotOfKind(uint8_t slot, bool text) const {
    return header_.IsTextSlot(slot) == text;
}

// ---- the cache of one slot ----

void TIndexFile::LinkNewest(TSlotCache& cache, TPage* page) {
    page->Older = cache.Newest;
    page->Newer = nullptr;
    if (cache.Newest) cache.Newest->Newer = page;
    cache.Newest = page;
    if (!cache.Oldest) cache.Oldest = page;
}

void TIndexFile::Unlink(TSlotCache& cache, TPage* page) {
    (page->Newer ? page->Newer->Older : cache.Newest) = page->Older;
    (page->Older ? page->Older->Newer : cache.Oldest) = page->Newer;
    page->Older = page->Newer = nullptr;
}

TPage* TIndexFile::FindCached(uint8_t slot, uint32_t number) {
    TSlotCache& cache = caches_[slot];
    TPage* page = cache.Newest;
    for (int i = 0; page && i < RecentProbes; ++i, page = page->Older)
        if (page->Number() == number) return page;
    auto at = std::lower_bound(cache.Numbers.begin(), cache.Numbers.end(), number);
    if (at == cache.Numbers.end() || *at != number) return nullptr;
    TPage* found = cache.Pages[size_t(at - cache.Numbers.begin())].get();
    Unlink(cache, found);
    LinkNewest(cache, found);
    return found;
}

TPage* TIndexFile::AddToCache(uint8_t slot, std::unique_ptr<TPage> page) {
    TSlotCache& cache = caches_[slot];
    auto at = std::lower_bound(cache.Numbers.begin(), cache.Numbers.end(), page->Number());
    auto position = at - cache.Numbers.begin();
    cache.Numbers.insert(at, page->Number());
    TPage* added = cache.Pages.insert(cache.Pages.begin() + position, std::move(page))->get();
    LinkNewest(cache, added);
    return added;
}

std::unique_ptr<TPage> TIndexFile::Detach(uint8_t slot, TPage* page) {
    TSlotCache& cache = caches_[slot];
    Unlink(cache, page);
    auto at = std::lower_bound(cache.Numbers.begin(), cache.Numbers.end(), page->Number());
    auto it = cache.Pages.begin() + (at - cache.Numbers.begin());
    while (it->get() != page) ++it, ++at;
    std::unique_ptr<TPage> detached = std::move(*it);
    cache.Pages.erase(it);
    cache.Numbers.erase(at);
    return detached;
}

// Leaf pages go first: every seek passes the pages above them again, so those stay while a clean,
// unpinned leaf page can make room.
TPage* TIndexFile::OldestClean(const TSlotCache& cache) const {
    TPage* oldest = nullptr;
    for (TPage* page = cache.Oldest; page; page = page->Newer) {
        if (page->Modified() || page->PinCount() != 0) continue;
        if (page->IsLeaf()) return page;
        if (!oldest) oldest = page;
    }
    return oldest;
}

std::unique_ptr<TPage> TIndexFile::NewPage(uint8_t slot) {
    TSlotCache& cache = caches_[slot];
    std::unique_ptr<TPage> page;
    if (cache.Pages.size() < cache.Capacity) {
        page = pool_.Pop();
    } else {
        TPage* victim = OldestClean(cache);
        if (!victim && !owner_.LockedWhole()) {
            FlushPages(header_.IsTextSlot(slot));
            victim = OldestClean(cache);
        }
        if (victim) {
            page = Detach(slot, victim);
        } else {
            cache.Capacity += 4;
            page = pool_.Pop();
        }
    }
    page->SetFormat(FormatOf(slot), this);
    return page;
}

// ---- pages ----

TPage* TIndexFile::ReadPage(uint8_t slot, uint32_t number, bool empty) {
    ++stats_.ReadCalls;
    std::array<uint8_t, IndexPageSize> image{};
    // A page may lie past the end of the file only when this process appended it and has not written
    // it yet (the header's next page number is then unwritten too), or in the text-index file.
    bool allowShort = header_.IsTextSlot(slot) || ((Exclusive() || owner_.Locked()) && header_.Changed);
    TFileHandler& file = FileOf(slot);
    {
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
    } else if (!(found = FindCached(slot, number))) {
        if (client && !owner_.Settings().StrictChangeDetection && client->CheckForChanges()) return false;
        found = ReadPage(slot, number, empty);
    }
    if (found->Number() != number) RaiseIndexError(VORSAM_INDEXCORRUPT);
    found->Pin();
    page = found;
    return true;
}

void TIndexFile::ReleasePage(TPage* page) {
    page->Unpin();
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
    std::vector<TPage*> dirty;
    for (uint8_t slot = 0; slot < IndexSlotCount; ++slot) {
        if (!SlotOfKind(slot, text)) continue;
        for (const auto& page : caches_[slot].Pages)
            if (page->Modified() && page->PinCount() == 0) dirty.push_back(page.get());
    }
    std::sort(dirty.begin(), dirty.end(), [](TPage* a, TPage* b) { return a->Number() < b->Number(); });
    for (size_t first = 0, end; first < dirty.size(); first = end) {
        end = first + 1;
        while (end < dirty.size() && dirty[end]->Number() == dirty[end - 1]->Number() + 1) ++end;
        WriteRun(text, std::span<TPage* const>(dirty.data() + first, end - first));
    }
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
    if (header_.Changed) return true;
    for (uint8_t slot = 0; slot < IndexSlotCount; ++slot) {
        if (header_.IsTextSlot(slot)) continue;
        for (const auto& page : caches_[slot].Pages)
            if (page->Modified()) return true;
    }
    return false;
}

void TIndexFile::DropSlot(uint8_t slot) {
    TSlotCache& cache = caches_[slot];
    for (auto& page : cache.Pages) {
        if (page->PinCount() > 0) {
            page->Older = page->Newer = nullptr;
            orphans_.push_back(std::move(page));
        } else {
            pool_.Push(std::move(page));
        }
    }
    cache.Pages.clear();
    cache.Numbers.clear();
    cache.Newest = cache.Oldest = nullptr;
    cache.Capacity = SlotLimit();
}

void TIndexFile::DropPages(bool text) {
    for (uint8_t slot = 0; slot < IndexSlotCount; ++slot)
        if (SlotOfKind(slot, text)) DropSlot(slot);
}

void TIndexFile::TrimPageCache() {
    size_t limit = SlotLimit();
    for (uint8_t slot = 0; slot < IndexSlotCount; ++slot) {
        TSlotCache& cache = caches_[slot];
        while (cache.Pages.size() > limit) {
            TPage* victim = OldestClean(cache);
            if (!victim) break;
            pool_.Push(Detach(slot, victim));
        }
        cache.Capacity = std::max(cache.Pages.size(), limit);
    }
}

} // namespace vorsam
