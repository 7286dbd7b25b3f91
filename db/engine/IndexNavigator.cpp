#include "db/engine/IndexNavigator.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace vorsam {

TIndexNavigator::TIndexNavigator(TIndexFile& file, uint8_t slot, const TKeyComparator& order,
                                 TIndexPath& path)
    : file_(file), slot_(slot), order_(order), path_(path), keyLength_(file.GetIndexDesc(slot).KeyLength()),
      counted_(!file.FormatOf(slot).NoCounts) {}

void TIndexNavigator::RaiseCorrupt() const {
    file_.RaiseIndexError(VORSAM_INDEXCORRUPT, file_.GetIndexDesc(slot_).Name());
}

TPageRef TIndexNavigator::Fetch(uint32_t number) {
    TPage* page = nullptr;
    file_.GetPage(slot_, number, page);
    TPageRef ref(file_, page);
    if (ref->KeyCount() == 0 || ref->IsFree()) RaiseCorrupt();
    return ref;
}

TPageRef TIndexNavigator::FetchLeaf(uint32_t number) {
    TPageRef page = Fetch(number);
    if (!page->IsLeaf()) RaiseCorrupt();
    return page;
}

uint32_t TIndexNavigator::CountBefore(const TPage& page, const uint8_t* key, size_t length,
                                      bool orEqual) const {
    uint32_t low = 0, high = page.KeyCount();
    while (low < high) {
        uint32_t middle = (low + high) / 2;
        int r = order_.Compare(page.KeyAt(middle + 1), key, length);
        if (r < 0 || (orEqual && r == 0))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

uint32_t TIndexNavigator::EntriesBeforeLeaf(uint32_t number) {
    uint32_t entries = 0, steps = 0;
    for (uint32_t prior = FetchLeaf(number)->PrevPage(); prior != 0; ++steps) {
        if (steps > file_.GetPageCount()) RaiseCorrupt(); // a cycle of leaf links
        TPageRef page = FetchLeaf(prior);
        entries += page->KeyCount();
        prior = page->PrevPage();
    }
    return entries;
}

bool TIndexNavigator::Seek(TKeyBound bound, const uint8_t* key, size_t length, TIndexPlace& place) {
    path_.Reset();
    uint32_t number = file_.GetRoot(slot_);
    if (number == 0) return false;
    bool forward = bound == TKeyBound::NotBelow || bound == TKeyBound::Above;
    bool orEqual = bound == TKeyBound::Above || bound == TKeyBound::NotAbove;
    uint32_t rank = 0;
    for (;;) {
        path_.Descend(number, &file_);
        TPageRef page = Fetch(number);
        if (!page->TypeFitsLevel(path_.Level())) RaiseCorrupt();
        uint32_t n = CountBefore(*page, key, length, orEqual);
        if (page->IsLeaf()) {
            if (!counted_) rank = EntriesBeforeLeaf(number);
            uint32_t count = page->KeyCount();
            path_.SetPathPosition(std::clamp<uint32_t>(forward ? n + 1 : n, 1, count));
            if (forward && n == count) {
                place = {number, count, rank + count - 1};
                return Step(place, 1);
            }
            if (!forward && n == 0) {
                place = {number, 1, rank};
                return Step(place, -1);
            }
            place = {number, forward ? n + 1 : n, rank + (forward ? n : n - 1)};
            return true;
        }
        uint32_t child = std::max<uint32_t>(n, 1);
        path_.SetPathPosition(child);
        rank += page->CountBefore(child);
        number = page->GetValue(child);
    }
}

bool TIndexNavigator::SeekRank(uint32_t rank, TIndexPlace& place) {
    if (!counted_) {
        // Leaf by leaf from the first.
        if (!Seek(TKeyBound::NotBelow, nullptr, 0, place)) return false;
        for (;;) {
            uint32_t count = FetchLeaf(place.Page)->KeyCount();
            if (rank - place.Rank < count) {
                place = {place.Page, rank - place.Rank + 1, rank};
                return true;
            }
            place = {place.Page, count, place.Rank + count - 1};
            if (!Step(place, 1)) return false;
        }
    }
    path_.Reset();
    uint32_t number = file_.GetRoot(slot_), before = 0;
    if (number == 0) return false;
    for (;;) {
        path_.Descend(number, &file_);
        TPageRef page = Fetch(number);
        if (!page->TypeFitsLevel(path_.Level())) RaiseCorrupt();
        uint32_t left = rank - before;
        if (page->IsLeaf()) {
            if (left >= page->KeyCount()) return false;
            path_.SetPathPosition(left + 1);
            place = {number, left + 1, rank};
            return true;
        }
        uint32_t child = 1;
        for (; child <= page->KeyCount() && left >= page->GetCount(child); ++child) {
            left -= page->GetCount(child);
            before += page->GetCount(child);
        }
        if (child > page->KeyCount()) return false;
        path_.SetPathPosition(child);
        number = page->GetValue(child);
    }
}

bool TIndexNavigator::Step(TIndexPlace& place, int direction) {
    TPageRef page = FetchLeaf(place.Page);
    assert(place.Position >= 1 && place.Position <= page->KeyCount());
    if (direction > 0 && place.Position < page->KeyCount()) {
        ++place.Position;
        ++place.Rank;
        return true;
    }
    if (direction <= 0 && place.Position > 1) {
        --place.Position;
        --place.Rank;
        return true;
    }
    uint32_t neighbour = direction > 0 ? page->NextPage() : page->PrevPage();
    if (neighbour == 0) return false;
    TPageRef next = FetchLeaf(neighbour);
    if ((direction > 0 ? next->PrevPage() : next->NextPage()) != place.Page) RaiseCorrupt();
    place = direction > 0 ? TIndexPlace{neighbour, 1, place.Rank + 1}
                          : TIndexPlace{neighbour, next->KeyCount(), place.Rank - 1};
    return true;
}

uint32_t TIndexNavigator::Read(const TIndexPlace& place, uint8_t* key) {
    TPageRef page = FetchLeaf(place.Page);
    assert(place.Position >= 1 && place.Position <= page->KeyCount());
    if (key) std::memcpy(key, page->KeyAt(place.Position), keyLength_);
    return page->GetValue(place.Position);
}

uint32_t TIndexNavigator::ConsecutiveRun(const TIndexPlace& place, uint32_t limit, int direction) {
    return FetchLeaf(place.Page)->ConsecutiveRun(place.Position, limit, direction);
}

uint32_t TIndexNavigator::Count() {
    uint32_t root = file_.GetRoot(slot_);
    if (root == 0) return 0;
    if (counted_) return Fetch(root)->TotalCount();
    TIndexPlace last;
    return Seek(TKeyBound::NotAbove, nullptr, 0, last) ? last.Rank + 1 : 0;
}

} // namespace vorsam
