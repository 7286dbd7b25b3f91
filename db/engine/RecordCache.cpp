#include "db/engine/RecordCache.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

TRecord* TRecordCache::Find(uint32_t number) {
    TRecord* record = newest_;
    for (size_t i = 0; record && i < NewestProbeCount; ++i, record = record->older_)
        if (record->RecordNumber() == number) break;
    if (!record || record->RecordNumber() != number) {
        record = At(LowerBound(number));
        if (!record || record->RecordNumber() != number) return nullptr;
    }
    MakeNewest(*record);
    return record;
}

size_t TRecordCache::LowerBound(uint32_t number) const {
    auto it = std::lower_bound(list_.begin(), list_.end(), number, [](const auto& record, uint32_t n) {
        return CompareRecordNumber(*record, int32_t(n)) < 0;
    });
    return size_t(it - list_.begin());
}

TRecord& TRecordCache::Insert(size_t position, std::unique_ptr<TRecord> record) {
    assert(position <= list_.size());
    assert(position == 0 || list_[position - 1]->RecordNumber() < record->RecordNumber());
    assert(position == list_.size() || list_[position]->RecordNumber() > record->RecordNumber());
    TRecord& inserted = **list_.insert(list_.begin() + ptrdiff_t(position), std::move(record));
    LinkNewest(inserted);
    return inserted;
}

std::unique_ptr<TRecord> TRecordCache::Remove(TRecord& record, size_t& position) {
    position = LowerBound(record.RecordNumber());
    assert(At(position) == &record);
    std::unique_ptr<TRecord> removed = std::move(list_[position]);
    list_.erase(list_.begin() + ptrdiff_t(position));
    Unlink(record);
    return removed;
}

void TRecordCache::Evict(TRecord& record) {
    assert(!record.Pinned());
    size_t position;
    std::unique_ptr<TRecord> removed = Remove(record, position);
    pool_.Push(removed);
}

void TRecordCache::MakeNewest(TRecord& record) {
    if (newest_ == &record) return;
    Unlink(record);
    LinkNewest(record);
}

TRecord* TRecordCache::OldestEvictable() const {
    for (TRecord* record = oldest_; record; record = record->newer_)
        if (!record->Dirty() && !record->Pinned()) return record;
    return nullptr;
}

void TRecordCache::Clear() {
    for (auto& record : list_) {
        assert(!record->Pinned());
        record->older_ = record->newer_ = nullptr;
        pool_.Push(record);
    }
    list_.clear();
    newest_ = oldest_ = nullptr;
}

void TRecordCache::Discard() {
    for (auto& record : list_) record->ResetPins();
    Clear();
}

void TRecordCache::Unlink(TRecord& record) {
    (record.older_ ? record.older_->newer_ : oldest_) = record.newer_;
    (record.newer_ ? record.newer_->older_ : newest_) = record.older_;
    record.older_ = record.newer_ = nullptr;
}

void TRecordCache::LinkNewest(TRecord& record) {
    record.older_ = newest_;
    record.newer_ = nullptr;
    (newest_ ? newest_->newer_ : oldest_) = &record;
    newest_ = &record;
}

} // namespace vorsam
