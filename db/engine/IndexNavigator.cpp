#include "db/engine/IndexNavigator.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace vorsam {

TIndexNavigator::TIndexNavigator(TIndexFile& file, uint8_t slot, const TKeyComparator& order,
                                 TIndexPath& path)
    : file_(file), slot_(slot), order_(order), path_(path), keyLength_(file.GetIndexDesc(slot).KeyLength()),
      counted_(!file.GetIndexDesc(slot).NoCounts() && slot != SysTextSlot) {}

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

TPageRef TIndexNavigator::FetchPassingLeaf(uint32_t number) {
    TPage* page = nullptr;
    file_.GetPassingLeaf(slot_, number, page);
    TPageRef ref(file_, page);
    if (ref->KeyCount() == 0 || ref->IsFree() || !ref->IsLeaf()) RaiseCorrupt();
    return ref;
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

bool TIndexNavigator::Seek(TKeyBound bound, const uint8_t* key, size_t length, TIndexPlace& place,
                           bool rank) {
    path_.Reset();
    uint32_t number = file_.GetRoot(slot_);
    if (number == 0) return false;
    bool forward = bound == TKeyBound::NotBelow || bound == TKeyBound::Above;
    bool orEqual = bound == TKeyBound::Above || bound == TKeyBound::NotAbove;
    uint32_t before = 0; // entries before the page, when counted
    for (;;) {
        path_.Descend(number, &file_);
        TPageRef page = Fetch(number);
        if (!page->TypeFitsLevel(path_.Level())) RaiseCorrupt();
        uint32_t n = CountBefore(*page, key, length, orEqual);
        if (page->IsLeaf()) {
            if (rank && !counted_) before = EntriesBeforeLeaf(number);
            uint32_t count = page->KeyCount(), position = forward ? n + 1 : n;
            path_.SetPathPosition(std::clamp<uint32_t>(position, 1, count));
            uint32_t at = std::clamp<uint32_t>(position, 1, count);
            place = {number, at, rank ? before + at - 1 : NoRank};
            if (position > count) return Step(place, 1);
            if (position == 0) return Step(place, -1);
            return true;
        }
        uint32_t child = std::max<uint32_t>(n, 1);
        path_.SetPathPosition(child);
        if (rank) before += page->CountBefore(child);
        number = page->GetValue(child);
    }
}

bool TIndexNavigator::SeekNotBelowFrom(uint32_t leaf, const uint8_t* key, size_t length, TIndexPlace& place) {
    if (leaf != 0) {
        TPageRef page = FetchLeaf(leaf);
        uint32_t count = page->KeyCount();
        if (order_.Compare(page->KeyAt(1), key, length) < 0 &&
            order_.Compare(page->KeyAt(count), key, length) >= 0) {
            path_.Reset();
            place = {leaf, CountBefore(*page, key, length, false) + 1, NoRank};
            return true;
        }
    }
    return Seek(TKeyBound::NotBelow, key, length, place);
}

bool TIndexNavigator::SeekRank(uint32_t rank, TIndexPlace& place) {
    if (!counted_) {
        // Leaf by leaf from the first.
        if (!Seek(TKeyBound::NotBelow, nullptr, 0, place, true)) return false;
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

bool TIndexNavigator::Step(TIndexPlace& place, int direction, uint8_t* key, uint32_t* value) {
    TPageRef page = FetchPassingLeaf(place.Page);
    assert(place.Position >= 1 && place.Position <= page->KeyCount());
    uint32_t rank = place.Rank == NoRank ? NoRank : direction > 0 ? place.Rank + 1 : place.Rank - 1;
    if (direction > 0 ? place.Position < page->KeyCount() : place.Position > 1) {
        place.Position = direction > 0 ? place.Position + 1 : place.Position - 1;
    } else {
        uint32_t neighbour = direction > 0 ? page->NextPage() : page->PrevPage();
        if (neighbour == 0) return false;
        TPageRef next = FetchPassingLeaf(neighbour);
        if ((direction > 0 ? next->PrevPage() : next->NextPage()) != place.Page) RaiseCorrupt();
        place.Page = neighbour;
        place.Position = direction > 0 ? 1u : next->KeyCount();
        page = std::move(next);
    }
    place.Rank = rank;
    if (key) std::memcpy(key, page->KeyAt(place.Position), keyLength_);
    if (value) *value = page->GetValue(place.Position);
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

void TIndexNavigator::CopyLeaf(uint32_t number, TLeafCopy& copy) {
    TPageRef page = FetchPassingLeaf(number);
    uint32_t count = page->KeyCount();
    copy.Page = 0; // nothing held should the copy fail
    copy.Slot = slot_;
    copy.KeyLength = keyLength_;
    copy.Keys.resize(size_t(count) * keyLength_);
    copy.Values.resize(count);
    for (uint32_t position = 1; position <= count; ++position) {
        std::memcpy(&copy.Keys[size_t(position - 1) * keyLength_], page->KeyAt(position), keyLength_);
        copy.Values[position - 1] = page->GetValue(position);
    }
    copy.Page = number;
}

uint32_t TIndexNavigator::Count() {
    uint32_t root = file_.GetRoot(slot_);
    if (root == 0) return 0;
    if (counted_) return Fetch(root)->TotalCount();
    TIndexPlace last;
    return Seek(TKeyBound::NotAbove, nullptr, 0, last, true) ? last.Rank + 1 : 0;
}

} // namespace vorsam
