// TDataFile, record side: fetching, appending, reusing and deleting record slots through the record cache,
// reading slots with read-ahead, writing changed ones in runs, trimming the cache.
#include "db/engine/DataFile.h"

#include "db/lib/ByteUtils.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

namespace {

constexpr size_t ScratchStep = 4096;

// Clears the read window when the read ends, also by an error.
class TReadWindow {
public:
    TReadWindow(int64_t& start, int32_t& length, int64_t newStart, int32_t newLength)
        : start_(start), length_(length) {
        start_ = newStart;
        length_ = newLength;
    }
    ~TReadWindow() { start_ = length_ = 0; }
    TReadWindow(const TReadWindow&) = delete;
    TReadWindow& operator=(const TReadWindow&) = delete;

private:
    int64_t& start_;
    int32_t& length_;
};

} // namespace

TRecord* TDataFile::GetRecord(CacheClient* client, uint32_t number, TReadDirection direction,
                              bool clientCount, bool readAhead) {
    uint32_t next = header_.NextRecordNumber();
    if (number == 0 || number > next) Raise(VORSAM_FILECORRUPT);
    if (number == next) return &AppendRecord();
    if (TRecord* record = cache_.Find(number)) {
        ++cache_.Statistics.CacheUses;
        record->Pin();
        return record;
    }
    if (client && !owner_.Settings().StrictChangeDetection && client->CheckForChanges()) return nullptr;
    uint32_t count = readAhead ? ReadCount(client, number, direction, clientCount) : 1;
    ReadRecords(number, count, direction);
    TRecord* record = cache_.At(cache_.LowerBound(number));
    if (!record || record->RecordNumber() != number) Raise(VORSAM_FILECORRUPT);
    record->Pin();
    return record;
}

uint32_t TDataFile::ReadCount(CacheClient* client, uint32_t number, TReadDirection direction,
                              bool clientCount) const {
    // Slots from `number` on in the reading direction, itself included: never below record 1 and never
    // at or past the next record number.
    uint32_t available = direction == TReadDirection::Forward ? header_.NextRecordNumber() - number : number;
    uint32_t wanted = clientCount && client ? client->ReadAheadCount() + 1 : recordsPerRead_;
    return std::max<uint32_t>(1, std::min({wanted, recordsPerRead_, available}));
}

TRecord& TDataFile::AppendRecord() {
    uint32_t number = header_.NextRecordNumber();
    if (number > MaxRecordNumber ||
        header_.RecordAreaOffset() + uint64_t(number) * header_.RecordSize() > MaxTableFileSize)
        Raise(VORSAM_TABLEFULL);
    TRecord& record = NewRecord(number, cache_.Count());
    record.SetUnwritten(true);
    record.Pin();
    ++cache_.Statistics.CacheUses;
    header_.SetNextRecordNumber(number + 1);
    header_.SetHeaderChanged(true);
    return record;
}

TRecord& TDataFile::NewRecord(uint32_t number, size_t position) {
    std::unique_ptr<TRecord> object;
    if (cache_.Full()) {
        TRecord* victim = cache_.OldestEvictable();
        if (!victim && !owner_.LockedWhole()) {
            FlushRecords();
            victim = cache_.OldestEvictable();
        }
        if (victim) {
            size_t at;
            object = cache_.Remove(*victim, at);
            if (at < position) --position;
        } else {
            cache_.GrowCapacity();
        }
    }
    if (!object) object = cache_.Pool().Pop();
    object->SetRecordNumber(number);
    object->Clear();
    return cache_.Insert(position, std::move(object));
}

void TDataFile::ReadRecords(uint32_t number, uint32_t count, TReadDirection direction) {
    assert(count >= 1 && (direction == TReadDirection::Forward ? number + count <= header_.NextRecordNumber()
                                                               : count <= number));
    ++cache_.Statistics.ReadCalls;
    uint16_t recordSize = header_.RecordSize();
    uint32_t first = direction == TReadDirection::Forward ? number : number - count + 1;
    size_t length = size_t(count) * recordSize;
    TReadWindow window(readWindowStart_, readWindowLength_, int64_t(header_.SlotOffset(first)),
                       int32_t(length));
    ReallocBuffer(length, ScratchStep, readBuffer_);
    size_t done = ReadAt(header_.SlotOffset(first), readBuffer_.data(), length, true);
    ++cache_.Statistics.DiskReads;
    if (done < length && !Exclusive() && !(owner_.Locked() && HasUnwrittenSlots())) Raise(VORSAM_READERR);
    // Only whole slots that were read are merged, and the asked-for record last, so that a cache smaller
    // than the read never evicts it before it is handed out.
    uint32_t end = first + uint32_t(done / recordSize); // one past the last slot read
    auto slot = [&](uint32_t n) { return &readBuffer_[size_t(n - first) * recordSize]; };
    if (direction == TReadDirection::Forward) {
        for (uint32_t n = number + 1; n < end; ++n) MergeSlot(n, slot(n));
    } else {
        for (uint32_t n = std::min(number, end); n-- > first;) MergeSlot(n, slot(n));
    }
    if (number < end) MergeSlot(number, slot(number));
}

void TDataFile::MergeSlot(uint32_t number, const uint8_t* slot) {
    size_t position = cache_.LowerBound(number);
    TRecord* cached = cache_.At(position);
    if (cached && cached->RecordNumber() == number) {
        if (!cached->Dirty() && !cached->Pinned()) cached->LoadFrom(slot);
        return;
    }
    NewRecord(number, position).LoadFrom(slot);
}

bool TDataFile::HasUnwrittenSlots() const {
    const auto& records = cache_.Records();
    return std::any_of(records.begin(), records.end(), [](const auto& r) { return r->Unwritten(); });
}

TRecord* TDataFile::AllocateRecord(CacheClient* client) {
    uint32_t number = GetFreeRecordNumber();
    bool reused = number != header_.NextRecordNumber();
    TRecord* record = GetRecord(client, number);
    if (!record) return nullptr;
    uint32_t link = record->GetNextFree();
    if (reused &&
        (record->Status() != RecordDeleted || link >= header_.NextRecordNumber() || link == number)) {
        ReleaseRecord(*record);
        Raise(VORSAM_FILECORRUPT);
    }
    SetFreeChainHead(link);
    return record;
}

void TDataFile::FreeRecord(TRecord& record) {
    if (record.Status() == RecordDeleted) Raise(VORSAM_KEYORRECDELETED);
    uint32_t head = GetFreeRecordNumber();
    record.SetStatus(RecordDeleted);
    record.SetNextFree(head == header_.NextRecordNumber() ? 0 : head);
    SetFreeChainHead(record.RecordNumber());
}

uint32_t TDataFile::GetFreeRecordNumber() const {
    uint32_t head = header_.FreeChainHead();
    return head == 0 || owner_.RecordOrder() ? header_.NextRecordNumber() : head;
}

void TDataFile::SetFreeChainHead(uint32_t number) {
    if (number == header_.FreeChainHead()) return;
    header_.SetFreeChainHead(number);
    header_.SetHeaderChanged(true);
}

bool TDataFile::InReadWindow(uint32_t number) const {
    if (readWindowLength_ == 0) return false;
    auto offset = int64_t(header_.SlotOffset(number));
    return offset >= readWindowStart_ && offset < readWindowStart_ + readWindowLength_;
}

bool TDataFile::FlushRecords() {
    flushList_.clear();
    for (const auto& record : cache_.Records())
        if (record->Dirty() && !record->Pinned() && !InReadWindow(record->RecordNumber()))
            flushList_.push_back(record.get());
    for (size_t start = 0, end; start < flushList_.size(); start = end) {
        for (end = start + 1; end < flushList_.size() &&
                              flushList_[end]->RecordNumber() == flushList_[end - 1]->RecordNumber() + 1;)
            ++end;
        WriteRun(std::span(flushList_).subspan(start, end - start));
    }
    return !flushList_.empty();
}

void TDataFile::WriteRun(std::span<TRecord* const> run) {
    uint16_t recordSize = header_.RecordSize();
    ReallocBuffer(run.size() * recordSize, ScratchStep, writeBuffer_);
    std::vector<std::pair<bool, bool>> flags;
    for (TRecord* record : run) flags.emplace_back(record->Modified(), record->Unwritten());
    try {
        for (size_t i = 0; i < run.size(); ++i) run[i]->StoreTo(&writeBuffer_[i * recordSize]);
        WriteAt(header_.SlotOffset(run.front()->RecordNumber()), writeBuffer_.data(),
                run.size() * recordSize);
    } catch (...) {
        // Nothing of the run counts as written: the records stay dirty.
        for (size_t i = 0; i < run.size(); ++i) {
            if (flags[i].first) run[i]->SetModified();
            run[i]->SetUnwritten(flags[i].second);
        }
        throw;
    }
    owner_.MarkModified();
    ++cache_.Statistics.WriteRuns;
}

void TDataFile::TrimRecordCache() {
    size_t limit = CacheLimit();
    bool flushed = false;
    while (cache_.Count() > limit) {
        TRecord* victim = cache_.OldestEvictable();
        if (!victim && !flushed && !owner_.LockedWhole()) {
            flushed = true;
            FlushRecords();
            continue;
        }
        if (!victim) break;
        cache_.Evict(*victim);
    }
    cache_.SetCapacity(std::max(cache_.Count(), limit));
}

} // namespace vorsam
