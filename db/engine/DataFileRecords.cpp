// TDataFile, record side: fetching, appending, reusing and deleting record slots through the record cache,
// reading slots with read-ahead, writing changed ones in runs (joined across a few unchanged cached ones),
// trimming the cache.
#include "db/engine/DataFile.h"

#include "db/engine/Prefetch.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/Scramble.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <numeric>

namespace vorsam {

namespace {

constexpr size_t ScratchStep = 4096;
// The most bytes of unchanged records written along to join two runs of changed ones.
constexpr size_t BridgedBytes = 4096;
// The most bytes one write takes: a longer run goes in pieces, so that its buffer stays small.
constexpr size_t WriteBytes = 1 << 20;

} // namespace

TRecord* TDataFile::GetRecord(CacheClient* client, uint32_t number, TReadDirection direction,
                              bool clientCount, bool readAhead) {
    uint32_t next = header_.NextRecordNumber();
    if (number == 0 || number > next) RaiseError(VORSAM_FILECORRUPT);
    if (number == next) return &AppendRecord();
    return FetchRecord(client, number, direction, {readAhead, clientCount, true});
}

TRecord* TDataFile::GetRecordNear(CacheClient* client, uint32_t number, TReadDirection direction) {
    if (!owner_.LockedWhole() || number == 0 || number >= header_.NextRecordNumber())
        return GetRecord(client, number, direction, false, true);
    return FetchRecord(client, number, direction, {true, false, false});
}

TRecord* TDataFile::FetchRecord(CacheClient* client, uint32_t number, TReadDirection direction,
                                TFetch fetch) {
    if (TRecord* record = cache_.Find(number)) {
        ++cache_.Statistics.CacheUses;
        record->Pin();
        return record;
    }
    if (client && !owner_.Settings().StrictChangeDetection && client->CheckForChanges()) return nullptr;
    if (SpillHolds(number)) return FromSpill(number);
    if (TRecord* record = FromLastRead(number)) return record;
    uint32_t count = fetch.ReadAhead ? ReadCount(client, number, direction, fetch.ClientCount) : 1;
    ReadRecords(number, count, direction, fetch.MergeAll);
    // Unless every slot read joined the cache, the record is taken from the read's buffer (the table
    // is locked whole: ReadRecords).
    if (!fetch.MergeAll)
        if (TRecord* record = FromLastRead(number)) return record;
    TRecord* record = cache_.Peek(number);
    if (!record || record->RecordNumber() != number) RaiseError(VORSAM_FILECORRUPT);
    // A walk whose next records do not follow this one in the file (an index order over records stored
    // in another order): kept only while the cache has room (TItemCache::MakeOldest).
    if (fetch.ReadAhead && fetch.ClientCount && count == 1) cache_.MakeOldest(*record);
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
        RaiseError(VORSAM_TABLEFULL);
    TRecord& record = NewRecord(number);
    record.SetUnwritten(true);
    record.Pin();
    ++cache_.Statistics.CacheUses;
    header_.SetNextRecordNumber(number + 1);
    header_.SetHeaderChanged(true);
    return record;
}

uint32_t TDataFile::AppendSlots(std::span<const uint8_t> images) {
    assert(!owner_.LockedWhole());
    uint16_t size = header_.RecordSize();
    assert(size > 0 && images.size() % size == 0);
    uint32_t first = header_.NextRecordNumber();
    auto count = uint32_t(images.size() / size);
    if (count == 0) return first;
    uint32_t last = first + count - 1;
    if (last < first || last > MaxRecordNumber ||
        header_.RecordAreaOffset() + uint64_t(last) * size > MaxTableFileSize)
        RaiseError(VORSAM_TABLEFULL);
    const uint8_t* bytes = images.data();
    if (GetEncrypted()) {
        writeBuffer_.assign(images.begin(), images.end());
        for (uint32_t i = 0; i < count; ++i)
            ScrambleBuffer(&writeBuffer_[size_t(i) * size], size, TableDataSeed1, TableDataSeed2);
        bytes = writeBuffer_.data();
    }
    ForgetLastRead();
    owner_.BeforeWrite();
    WriteAt(header_.SlotOffset(first), bytes, images.size());
    owner_.MarkModified();
    ++cache_.Statistics.WriteRuns;
    header_.SetNextRecordNumber(first + count);
    header_.SetHeaderChanged(true);
    return first;
}

TRecord& TDataFile::NewRecord(uint32_t number) {
    MakeRoom();
    TRecord& record = cache_.NewItem(number, !owner_.LockedWhole(), [this] { FlushRecords(); });
    Charge();
    return record;
}

// ---- spill ----

// Under a whole-table lock a full cache without a clean record to give up grows; once the session's
// budget is spent (the other tables' caches given back first), its changed records go to the spill file
// instead and the cache shrinks to its size: a changed record is seldom read again.
void TDataFile::MakeRoom() {
    if (!cache_.Full() || !owner_.LockedWhole() || InMemory() || cache_.OldestEvictable()) return;
    const EngineSettings& settings = owner_.Settings();
    const size_t grown = TRecordCache::CapacityStep * (sizeof(TRecord) + header_.RecordSize());
    if (!TChangeCharge::Exceeds(settings, grown)) return;
    TChangeCharge::GiveBackOthers(settings, *this);
    if (TChangeCharge::Exceeds(settings, grown)) SpillRecords(true);
}

void TDataFile::GiveBack() {
    if (owner_.LockedWhole())
        SpillRecords(true);
    else
        TrimRecordCache();
}

void TDataFile::SpillRecords(bool trim) {
    const uint16_t size = header_.RecordSize();
    if (!spill_ || spill_->ItemSize() != size) spill_ = std::make_unique<TSpillFile>(owner_.Settings(), size);
    ForgetLastRead();
    cache_.FlushRuns(
        [this](const TRecord& record) {
            return readWindow_.Covers(int64_t(header_.SlotOffset(record.Number())));
        },
        [&](std::span<TRecord* const> run) {
            TRecordCache::StoreRun(run, size, writeBuffer_, [&](const uint8_t* bytes, size_t count) {
                spill_->Put(run.front()->RecordNumber(), uint32_t(count / size), bytes);
            });
        });
    if (trim) cache_.Trim(CacheLimit(), false, [] {});
    Charge();
}

TRecord* TDataFile::FromSpill(uint32_t number) {
    ReallocBuffer(header_.RecordSize(), ScratchStep, readBuffer_);
    ForgetLastRead();
    spill_->Get(number, readBuffer_.data());
    ++cache_.Statistics.ReadCalls;
    MergeSlot(number, readBuffer_.data());
    TRecord* record = cache_.Find(number);
    if (!record) RaiseError(VORSAM_FILECORRUPT);
    record->Pin();
    return record;
}

// The spilled records reach the file (the end of the lock is writing), before the changes still cached,
// which are newer.
bool TDataFile::WriteSpilled() {
    if (!Spilled()) return false;
    ForgetLastRead();
    spill_->ForEachRun([this](uint32_t first, uint32_t count, const uint8_t* bytes) {
        owner_.BeforeWrite();
        WriteAt(header_.SlotOffset(first), bytes, size_t(count) * header_.RecordSize());
        owner_.MarkModified();
        ++cache_.Statistics.WriteRuns;
    });
    spill_->Clear();
    return true;
}

void TDataFile::Charge() {
    size_t limit = CacheLimit(), capacity = cache_.Capacity();
    uint64_t grown = capacity > limit ? capacity - limit : 0;
    if (grown == chargedGrowth_) return;
    chargedGrowth_ = grown;
    charge_.Set(owner_.Settings(), grown * (sizeof(TRecord) + header_.RecordSize()), *this);
}

void TDataFile::ReadRecords(uint32_t number, uint32_t count, TReadDirection direction, bool mergeAll) {
    assert(count >= 1 && (direction == TReadDirection::Forward ? number + count <= header_.NextRecordNumber()
                                                               : count <= number));
    ++cache_.Statistics.ReadCalls;
    uint16_t recordSize = header_.RecordSize();
    uint32_t first = direction == TReadDirection::Forward ? number : number - count + 1;
    size_t length = size_t(count) * recordSize;
    TReadWindowScope window(readWindow_, int64_t(header_.SlotOffset(first)), int32_t(length));
    ForgetLastRead();
    const uint8_t* bytes = ViewedSlots(first, count);
    size_t done = length;
    if (!bytes) {
        ReallocBuffer(length, ScratchStep, readBuffer_);
        done = ReadAt(header_.SlotOffset(first), readBuffer_.data(), length, true);
        bytes = readBuffer_.data();
    }
    ++cache_.Statistics.DiskReads;
    if (done < length && !Exclusive() && !(owner_.Locked() && HasUnwrittenSlots()))
        RaiseError(VORSAM_READERR);
    // Only whole slots that were read are merged, and the asked-for record last, so that a cache smaller
    // than the read never evicts it before it is handed out.
    uint32_t end = first + uint32_t(done / recordSize); // one past the last slot read
    if (owner_.LockedWhole()) {
        lastReadFirst_ = first;
        lastReadEnd_ = end;
        lastRead_ = bytes;
        if (!mergeAll) return;
    }
    auto slot = [&](uint32_t n) { return &bytes[size_t(n - first) * recordSize]; };
    // A spilled record's slot in the file is older than the spill's.
    if (direction == TReadDirection::Forward) {
        for (uint32_t n = number + 1; n < end; ++n)
            if (!SpillHolds(n)) MergeSlot(n, slot(n));
    } else {
        for (uint32_t n = std::min(number, end); n-- > first;)
            if (!SpillHolds(n)) MergeSlot(n, slot(n));
    }
    if (number < end) MergeSlot(number, slot(number));
}

// Once the file has been read slot by slot a few dozen times since the last view went, reads go
// through a view of it: a walk over records stored in another order then costs a copy per record
// instead of a read call. A slot past the view (the file grew since) lets the view go.
const uint8_t* TDataFile::ViewedSlots(uint32_t first, uint32_t count) {
    constexpr uint32_t SingleReadsBeforeView = 32;
    uint64_t offset = header_.SlotOffset(first);
    size_t length = size_t(count) * header_.RecordSize();
    if (view_) {
        if (const uint8_t* bytes = view_.Bytes(offset, length)) return bytes;
        if (count == 1) ForgetView();
        return nullptr;
    }
    if (count != 1 || ++singleReads_ < SingleReadsBeforeView) return nullptr;
    singleReads_ = 0;
    view_ = ViewForReading();
    return view_.Bytes(offset, length);
}

bool TDataFile::ViewedImage(uint32_t number, std::span<uint8_t> image) const {
    if (!ReadsThroughView() || number == 0 || number >= header_.NextRecordNumber()) return false;
    const uint8_t* slot = view_.Bytes(header_.SlotOffset(number), header_.RecordSize());
    if (!slot) return false;
    assert(image.size() >= std::max<uint16_t>(header_.RecordSize(), RecordPrefixSize));
    TRecord::DecodeSlot(*this, number, slot, image.data());
    return true;
}

void TDataFile::LocateRecords(std::span<const uint32_t> numbers, std::vector<const void*>& places) const {
    places.resize(numbers.size());
    uint32_t next = header_.NextRecordNumber();
    if (ReadsThroughView()) {
        for (size_t i = 0; i < numbers.size(); ++i)
            places[i] = numbers[i] == 0 || numbers[i] >= next
                            ? nullptr
                            : view_.Bytes(header_.SlotOffset(numbers[i]), header_.RecordSize());
        return;
    }
    for (size_t i = 0; i < numbers.size(); ++i) places[i] = cache_.Candidate(numbers[i]);
}

void TDataFile::PrefetchRecordAt(const void* place) const {
    if (!place) return;
    // A cached record's image follows the object; a slot of the view stands alone.
    size_t bytes = header_.RecordSize() + (ReadsThroughView() ? 0 : sizeof(TRecord));
    const auto* first = static_cast<const uint8_t*>(place);
    PrefetchLine(first);
    if (bytes > 128) PrefetchLine(first + 64);
    PrefetchLine(first + std::min<size_t>(bytes, 192) - 1);
}

void TDataFile::ForgetView() {
    ForgetLastRead();
    view_.Reset();
    singleReads_ = 0;
}

template <typename Held, typename Slot>
void TDataFile::ReadSlotRuns(std::span<const uint32_t> numbers, Held&& held, Slot&& slot, bool fromFile) {
    // The most bytes one read takes, and the most bytes of slots not asked for that it reads along.
    constexpr size_t SpanBytes = 65536, GapBytes = 4096;
    const size_t size = header_.RecordSize();
    assert(!fromFile || (cache_.NoneListedDirty() && !Spilled()));
    auto cached = [&](uint32_t number) {
        return !fromFile && (cache_.Peek(number) != nullptr || SpillHolds(number));
    };
    for (size_t i = 0; i < numbers.size();) {
        uint32_t first = numbers[i];
        assert(i == 0 || first > numbers[i - 1]);
        if (cached(first)) {
            held(first);
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (end < numbers.size() && size_t(numbers[end] - first + 1) * size <= SpanBytes &&
               size_t(numbers[end] - numbers[end - 1] - 1) * size <= GapBytes && !cached(numbers[end]))
            ++end;
        size_t length = size_t(numbers[end - 1] - first + 1) * size;
        ReallocBuffer(length, ScratchStep, visitBuffer_);
        ++cache_.Statistics.ReadCalls;
        size_t done = ReadAt(header_.SlotOffset(first), visitBuffer_.data(), length, true);
        ++cache_.Statistics.DiskReads;
        for (; i < end; ++i) {
            size_t at = size_t(numbers[i] - first) * size;
            if (at + size > done)
                held(numbers[i]); // a short read: the record as GetRecord reads it (or its error)
            else
                slot(numbers[i], &visitBuffer_[at]);
        }
    }
}

void TDataFile::CopyImages(uint32_t first, uint32_t count, uint8_t* images) {
    const size_t size = header_.RecordSize();
    assert(first >= 1 && first + count <= header_.NextRecordNumber() && size >= RecordPrefixSize);
    if (cache_.NoneListedDirty() && !Spilled()) {
        // From the view in one copy, which the processor runs ahead of, where a walk that reads the
        // view record by record waits at each of its pages.
        size_t done = count * size;
        if (const uint8_t* slots = view_ ? view_.Bytes(header_.SlotOffset(first), done) : nullptr) {
            std::memcpy(images, slots, done);
        } else {
            ++cache_.Statistics.ReadCalls;
            done = ReadAt(header_.SlotOffset(first), images, count * size, true);
            ++cache_.Statistics.DiskReads;
        }
        if (done == count * size) {
            for (uint32_t i = 0; i < count; ++i)
                TRecord::DecodeSlot(*this, first + i, &images[i * size], &images[i * size]);
            return;
        }
    }
    std::vector<uint32_t> numbers(count);
    std::iota(numbers.begin(), numbers.end(), first);
    VisitRecordImages(numbers, [&](uint32_t number, std::span<const uint8_t> image) {
        std::memcpy(&images[size_t(number - first) * size], image.data(), size);
    });
}

void TDataFile::VisitRecordImages(std::span<const uint32_t> numbers,
                                  const std::function<void(uint32_t, std::span<const uint8_t>)>& visit) {
    std::vector<uint8_t> image(std::max<uint16_t>(header_.RecordSize(), RecordPrefixSize));
    // Where the file holds every record as the cache does, runs of slots read from it cost less than
    // finding each record in a large cache, whose records lie apart in memory.
    const bool fromFile = cache_.NoneListedDirty() && !Spilled();
    ReadSlotRuns(
        numbers,
        [&](uint32_t number) {
            TPinnedRecord record(GetRecord(nullptr, number));
            visit(number, record->Image());
        },
        [&](uint32_t number, const uint8_t* bytes) {
            TRecord::DecodeSlot(*this, number, bytes, image.data());
            visit(number, image);
        },
        fromFile);
}

TRecord* TDataFile::FromLastRead(uint32_t number) {
    if (number < lastReadFirst_ || number >= lastReadEnd_ || !owner_.LockedWhole() || SpillHolds(number))
        return nullptr;
    size_t at = size_t(number - lastReadFirst_) * header_.RecordSize();
    ++cache_.Statistics.CacheUses;
    MergeSlot(number, lastRead_ + at);
    TRecord* record = cache_.Find(number);
    if (!record) RaiseError(VORSAM_FILECORRUPT);
    record->Pin();
    return record;
}

void TDataFile::PinRecords(std::span<const uint32_t> numbers, std::vector<TRecord*>& pinned) {
    auto past = std::lower_bound(numbers.begin(), numbers.end(), header_.NextRecordNumber());
    ReadSlotRuns(
        numbers.first(size_t(past - numbers.begin())),
        [&](uint32_t number) { pinned.push_back(GetRecord(nullptr, number)); },
        [&](uint32_t number, const uint8_t* bytes) {
            MergeSlot(number, bytes);
            TRecord* record = cache_.Find(number);
            if (!record) RaiseError(VORSAM_FILECORRUPT);
            record->Pin();
            pinned.push_back(record);
        });
}

void TDataFile::MergeSlot(uint32_t number, const uint8_t* slot) {
    MakeRoom();
    cache_.Merge(number, slot, !owner_.LockedWhole(), [this] { FlushRecords(); });
    Charge();
}

bool TDataFile::HasUnwrittenSlots() const {
    return cache_.AnyUnwritten() || Spilled();
}

TRecord* TDataFile::KnownFreeRecord(uint32_t number) {
    if (!owner_.LockedWhole()) {
        ForgetFreeLinks();
        return nullptr;
    }
    if (cache_.Find(number)) return nullptr;
    uint32_t slots = header_.NextRecordNumber() - 1;
    if (freeLinks_.empty()) {
        // Reading every slot costs about what reading one in 64 of them alone does.
        if (uint64_t(expectedAppends_) * 64 < slots) return nullptr;
        freeLinks_.assign(size_t(slots) + 1, NotFree);
        std::vector<uint32_t> numbers(slots);
        std::iota(numbers.begin(), numbers.end(), 1u);
        VisitRecordImages(numbers, [&](uint32_t n, std::span<const uint8_t> image) {
            if (image[0] == RecordDeleted) freeLinks_[n] = LoadLE32(&image[NextFreeOffset]);
        });
        // The reading took the spilled records into the cache, this one's among them perhaps.
        if (cache_.Peek(number)) return nullptr;
    }
    if (number >= freeLinks_.size() || freeLinks_[number] == NotFree) return nullptr;
    TRecord& record = NewRecord(number);
    record.Clear();
    record.SetStatus(RecordDeleted);
    record.SetNextFree(freeLinks_[number]);
    record.Pin();
    ++cache_.Statistics.CacheUses;
    return &record;
}

TRecord* TDataFile::AllocateRecord(CacheClient* client) {
    uint32_t number = GetFreeRecordNumber();
    bool reused = number != header_.NextRecordNumber();
    TRecord* record = reused ? KnownFreeRecord(number) : nullptr;
    if (!record) record = GetRecord(client, number);
    if (!record) return nullptr;
    if (number < freeLinks_.size()) freeLinks_[number] = NotFree;
    uint32_t link = record->GetNextFree();
    if (reused &&
        (record->Status() != RecordDeleted || link >= header_.NextRecordNumber() || link == number)) {
        ReleaseRecord(*record);
        RaiseError(VORSAM_FILECORRUPT);
    }
    SetFreeChainHead(link);
    return record;
}

uint32_t TDataFile::AllocateSpilled(std::span<uint8_t> image, bool many) {
    if (!owner_.LockedWhole() || InMemory() || !(Spilled() || many)) return 0;
    const uint16_t size = header_.RecordSize();
    if (!spill_ || spill_->ItemSize() != size) spill_ = std::make_unique<TSpillFile>(owner_.Settings(), size);
    const uint32_t next = header_.NextRecordNumber();
    uint32_t number = GetFreeRecordNumber(), link = 0;
    if (number == next) {
        if (number > MaxRecordNumber ||
            header_.RecordAreaOffset() + uint64_t(number) * header_.RecordSize() > MaxTableFileSize)
            RaiseError(VORSAM_TABLEFULL);
    } else {
        // The deleted record's link, where it is known without a read.
        uint8_t status = RecordDeleted;
        if (cache_.Peek(number)) return 0;
        if (SpillHolds(number)) {
            ReallocBuffer(header_.RecordSize(), ScratchStep, readBuffer_);
            ForgetLastRead();
            spill_->Get(number, readBuffer_.data());
            TRecord::DecodeSlot(*this, number, readBuffer_.data(), readBuffer_.data());
            status = readBuffer_[0];
            link = LoadLE32(&readBuffer_[NextFreeOffset]);
        } else if (number < freeLinks_.size() && freeLinks_[number] != NotFree) {
            link = freeLinks_[number];
            freeLinks_[number] = NotFree;
        } else {
            return 0;
        }
        if (status != RecordDeleted || link >= next || link == number) RaiseError(VORSAM_FILECORRUPT);
    }
    StoreLE32(&image[NextFreeOffset], number);
    const uint8_t* bytes = image.data();
    if (GetEncrypted()) {
        writeBuffer_.assign(image.begin(), image.end());
        ScrambleBuffer(writeBuffer_.data(), writeBuffer_.size(), TableDataSeed1, TableDataSeed2);
        bytes = writeBuffer_.data();
    }
    try {
        spill_->Put(number, 1, bytes);
    } catch (...) {
        StoreLE32(&image[NextFreeOffset], 0); // not appended
        throw;
    }
    if (number == next) {
        header_.SetNextRecordNumber(next + 1);
        header_.SetHeaderChanged(true);
    } else {
        SetFreeChainHead(link);
    }
    return number;
}

bool TDataFile::ChangeRecords(std::span<const uint32_t> numbers, bool many, const TRecordEdit& edit) {
    if (!owner_.LockedWhole()) return false;
    const uint16_t size = header_.RecordSize();
    const bool past = !InMemory() && (Spilled() || many);
    if (past && (!spill_ || spill_->ItemSize() != size))
        spill_ = std::make_unique<TSpillFile>(owner_.Settings(), size);
    // Below HeldBytes, the cached records changed in place cost less than the file's runs and the spill's.
    if (past && uint64_t(cache_.Count()) * (sizeof(TRecord) + size) > HeldBytes) GoingPast(numbers.size());
    std::vector<uint8_t> image(size);
    auto cached = [&](uint32_t number) {
        TPinnedRecord record(GetRecord(nullptr, number));
        if (edit(number, record->Image())) record->SetModified();
    };
    ReadSlotRuns(numbers, cached, [&](uint32_t number, const uint8_t* bytes) {
        if (!past) {
            MergeSlot(number, bytes);
            return cached(number);
        }
        TRecord::DecodeSlot(*this, number, bytes, image.data());
        if (!edit(number, image)) return;
        if (GetEncrypted()) ScrambleBuffer(image.data(), size, TableDataSeed1, TableDataSeed2);
        spill_->Put(number, 1, image.data());
    });
    return true;
}

void TDataFile::GoingPast(size_t count) {
    // A cache that could hold the set's records holds many clean ones: past it, each of the set's records
    // that it holds would be found and changed in it and written back at the commit, which costs more than
    // the file's runs and the spill's.
    if (cache_.Count() < count || InMemory() || !cache_.NoneListedDirty() || cache_.DroppedCount() != 0 ||
        cache_.AnyPinned())
        return;
    cache_.Pool().Clear();
    // Every object of the arena is a cached record (none idle, none dropped while pinned): the arena's
    // pieces go back at once instead of the records one by one.
    if (arena_ && arena_->UsedCount() == cache_.Count()) {
        cache_.Abandon();
        arena_->FreeAll();
    } else {
        cache_.Clear();
    }
    cache_.SetCapacity(CacheLimit());
    Charge();
}

void TDataFile::FreeRecord(TRecord& record) {
    FreeRecordLinked(record, FreeLink());
    SetFreeChainHead(record.RecordNumber());
}

uint32_t TDataFile::FreeLink() const {
    uint32_t head = GetFreeRecordNumber();
    return head == header_.NextRecordNumber() ? 0 : head;
}

void TDataFile::FreeRecordLinked(TRecord& record, uint32_t link) {
    if (record.Status() == RecordDeleted) RaiseError(VORSAM_KEYORRECDELETED);
    if (record.RecordNumber() < freeLinks_.size()) freeLinks_[record.RecordNumber()] = NotFree;
    record.SetStatus(RecordDeleted);
    record.SetNextFree(link);
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

// Changed records a few kilobytes apart go in one write with the cached records between them. A commit's
// journal takes the changed records alone: it joins neighbouring writes itself when it applies them,
// with the file's own bytes between, so that the journal neither holds nor checksums unchanged records.
bool TDataFile::FlushRecords() {
    bool spilled = WriteSpilled();
    const size_t bridge = owner_.WriteSink() ? 0 : BridgedBytes / std::max<size_t>(header_.RecordSize(), 1);
    return cache_.FlushRuns(
               [this](const TRecord& record) {
                   return readWindow_.Covers(int64_t(header_.SlotOffset(record.Number())));
               },
               [this](std::span<TRecord* const> run) { WriteRun(run); }, bridge) ||
           spilled;
}

void TDataFile::WriteRun(std::span<TRecord* const> run) {
    const size_t piece = std::max<size_t>(1, WriteBytes / std::max<uint16_t>(header_.RecordSize(), 1));
    ForgetLastRead();
    for (size_t at = 0; at < run.size(); at += piece) {
        std::span<TRecord* const> part = run.subspan(at, std::min(piece, run.size() - at));
        owner_.BeforeWrite();
        TRecordCache::StoreRun(part, header_.RecordSize(), writeBuffer_,
                               [&](const uint8_t* bytes, size_t count) {
                                   WriteAt(header_.SlotOffset(part.front()->RecordNumber()), bytes, count);
                               });
        owner_.MarkModified();
        ++cache_.Statistics.WriteRuns;
    }
}

void* TDataFile::RecordMemory(size_t bytes) {
    // Below this, a cache lies on few enough pages without the arena, whose first piece would be much
    // more than the cache.
    constexpr size_t ArenaCacheBytes = 8 << 20;
    if (CacheLimit() * bytes < ArenaCacheBytes) return ::operator new(bytes);
    if (!arena_ || arena_->ObjectSize() < bytes) {
        if (arena_ && !arena_->Empty()) return ::operator new(bytes); // records of the size before
        arena_ = std::make_unique<TItemArena>(bytes);
    }
    return arena_->Allocate();
}

void TDataFile::FreeRecordMemory(void* memory) {
    if (arena_ && arena_->Owns(memory))
        arena_->Free(memory);
    else
        ::operator delete(memory);
}

void TDataFile::ForEachRecord(const std::function<void(const TRecord&)>& visit) {
    uint32_t count = GetRecordCount();
    for (uint32_t n = 1; n <= count; ++n) {
        TRecord* record = GetRecord(nullptr, n, TReadDirection::Forward, false, true);
        try {
            visit(*record);
        } catch (...) {
            ReleaseRecord(*record);
            throw;
        }
        ReleaseRecord(*record);
    }
}

void TDataFile::ForEachActiveRecord(const TVisitor& visit) {
    ForEachRecord([&](const TRecord& record) {
        if (record.Status() == RecordActive) visit(record.RecordNumber(), record.Image());
    });
}

void TDataFile::TrimRecordCache() {
    // Never flushes while the table is locked whole: its changes are uncommitted until the lock ends.
    cache_.Trim(CacheLimit(), !owner_.LockedWhole(), [this] { FlushRecords(); });
    // The spill file stays open for the whole-table lock's next commit; after the lock it goes.
    if (spill_ && spill_->Empty() && !owner_.LockedWhole()) spill_.reset();
    Charge();
}

} // namespace vorsam
