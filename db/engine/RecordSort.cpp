// TDataFile::SortRecords (RecordSort.h): the in-memory path over the record cache, the external path
// through sorted runs, and what both leave behind.
#include "db/engine/RecordSort.h"
#include "db/engine/DataFile.h"
#include "db/engine/RecordSortKeys.h"
#include "db/engine/RecordSortOutput.h"
#include "db/engine/RecordSortRuns.h"
#include "db/lib/Scramble.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <numeric>

namespace vorsam {

namespace {

constexpr size_t RunBytes = 1048576; // records of a run, and the merge's read buffers
constexpr size_t ScratchStep = 4096;

// The positions 0 .. count - 1 ordered by the keys at keys + position x key length; ties keep their order.
std::vector<uint32_t> SortedOrder(const TSortKeys& keys, const uint8_t* keyBytes, uint32_t count) {
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    size_t length = keys.KeyLength();
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return keys.Compare(keyBytes + a * length, keyBytes + b * length, true) < 0;
    });
    return order;
}

} // namespace

class TRecordSorter {
public:
    TRecordSorter(TDataFile& file, const TSortRequest& request)
        : file_(file), request_(request), recordSize_(file.GetRecordSize()),
          keys_(CheckedFields(), request.CaseInsensitive, file.GetLanguageId(), file.GetSortId()) {}

    uint32_t Run() {
        try {
            uint32_t count =
                file_.cache_.Count() == file_.GetRecordCount() ? SortInMemory() : SortExternally();
            Conclude(count);
            return count;
        } catch (...) {
            // Once the output reached the file, what the cache holds no longer matches it; before, the
            // cache keeps the table as it was.
            if (written_) file_.cache_.Discard();
            throw;
        }
    }

private:
    std::vector<TFieldDescriptor> CheckedFields() const {
        for (const TFieldDescriptor& field : request_.Fields)
            if (!CheckSortField(field, recordSize_)) {
                TErrorContext context = file_.ErrorContext();
                context.Field = field.Name();
                RaiseEngineError(VORSAM_SEARCHCOLREQD, context);
            }
        return request_.Fields;
    }

    uint32_t SortInMemory();
    uint32_t SortExternally();
    uint32_t SortRun(uint32_t first, uint32_t count, std::vector<uint8_t>& slots, std::vector<uint8_t>& keys,
                     std::vector<uint8_t>& entries);
    void WriteOutput(const uint8_t* images, uint32_t first, uint32_t count);
    void Conclude(uint32_t count);
    TSortOutput Output(uint32_t bufferRecords) {
        return TSortOutput(request_, keys_, recordSize_, bufferRecords,
                           [this](const uint8_t* images, uint32_t first, uint32_t count) {
                               WriteOutput(images, first, count);
                           });
    }

    TDataFile& file_;
    const TSortRequest& request_;
    uint16_t recordSize_;
    TSortKeys keys_;
    bool written_ = false;
};

uint32_t TRecordSorter::SortInMemory() {
    std::vector<const TRecord*> records;
    for (const auto& record : file_.cache_.Items())
        if (record->Status() == RecordActive) records.push_back(record);
    auto count = uint32_t(records.size());
    std::vector<uint8_t> keys(size_t(count) * keys_.KeyLength());
    for (uint32_t i = 0; i < count; ++i) keys_.Build(records[i]->Image(), &keys[i * keys_.KeyLength()]);
    TSortOutput output = Output(count);
    for (uint32_t i : SortedOrder(keys_, keys.data(), count))
        if (!output.Take(records[i]->Image().data(), &keys[i * keys_.KeyLength()])) break;
    return output.Finish();
}

uint32_t TRecordSorter::SortExternally() {
    file_.FlushRecords();
    file_.DropRecordCache();
    const EngineSettings& settings = file_.owner_.Settings();
    uint32_t runSize =
        uint32_t(std::max<size_t>(1, std::min<size_t>(RunBytes / recordSize_, settings.RecordCacheLimit)));
    std::string folder = settings.PrivateDirectory.empty() ? std::filesystem::temp_directory_path().string()
                                                           : settings.PrivateDirectory;
    size_t entrySize = keys_.KeyLength() + recordSize_;
    TSortRuns runs(keys_, entrySize, folder, file_.InMemory(), file_.GetEncrypted());
    std::vector<uint8_t> slots, keys, entries;
    uint32_t slotCount = file_.GetRecordCount();
    for (uint32_t first = 1; first <= slotCount; first += runSize) {
        uint32_t active = SortRun(first, std::min(runSize, slotCount - first + 1), slots, keys, entries);
        if (active > 0) runs.AddRun(entries, active);
    }
    TSortOutput output = Output(runSize);
    runs.Merge(RunBytes, [&](const uint8_t* entry) { return output.Take(entry + keys_.KeyLength(), entry); });
    return output.Finish();
}

// Reads `count` slots from `first` on and gathers their active records, sorted, as run entries (key,
// then image); returns how many.
uint32_t TRecordSorter::SortRun(uint32_t first, uint32_t count, std::vector<uint8_t>& slots,
                                std::vector<uint8_t>& keys, std::vector<uint8_t>& entries) {
    size_t keyLength = keys_.KeyLength(), entrySize = keyLength + recordSize_;
    slots.resize(size_t(count) * recordSize_);
    keys.resize(size_t(count) * keyLength);
    entries.resize(size_t(count) * entrySize);
    file_.ReadAt(file_.header_.SlotOffset(first), slots.data(), slots.size());
    uint32_t active = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* slot = &slots[size_t(i) * recordSize_];
        if (file_.GetEncrypted()) UnscrambleBuffer(slot, recordSize_, TableDataSeed1, TableDataSeed2);
        if (slot[0] != RecordActive) continue; // a deleted slot is no record
        if (active != i) std::memcpy(&slots[size_t(active) * recordSize_], slot, recordSize_);
        keys_.Build({&slots[size_t(active) * recordSize_], recordSize_}, &keys[active * keyLength]);
        ++active;
    }
    uint32_t at = 0;
    for (uint32_t i : SortedOrder(keys_, keys.data(), active)) {
        std::memcpy(&entries[at * entrySize], &keys[i * keyLength], keyLength);
        std::memcpy(&entries[at * entrySize + keyLength], &slots[size_t(i) * recordSize_], recordSize_);
        ++at;
    }
    return active;
}

void TRecordSorter::WriteOutput(const uint8_t* images, uint32_t first, uint32_t count) {
    written_ = true;
    size_t bytes = size_t(count) * recordSize_;
    ReallocBuffer(bytes, ScratchStep, file_.writeBuffer_);
    std::memcpy(file_.writeBuffer_.data(), images, bytes);
    if (file_.GetEncrypted())
        for (uint32_t i = 0; i < count; ++i)
            ScrambleBuffer(&file_.writeBuffer_[size_t(i) * recordSize_], recordSize_, TableDataSeed1,
                           TableDataSeed2);
    file_.WriteAt(file_.header_.SlotOffset(first), file_.writeBuffer_.data(), bytes);
    file_.owner_.MarkModified();
}

void TRecordSorter::Conclude(uint32_t count) {
    // The cached records carry their old numbers and images: the cache starts again empty.
    file_.cache_.Discard();
    if (count < file_.GetRecordCount()) file_.WriteAt(file_.header_.SlotOffset(count + 1), nullptr, 0);
    TDataFileHeader& header = file_.header_;
    header.SetNextRecordNumber(count + 1);
    header.SetFreeChainHead(0);
    if (header.LastAutoIncValue() < count) header.SetLastAutoIncValue(count);
    header.SetHeaderChanged(true);
}

uint32_t TDataFile::SortRecords(const TSortRequest& request) {
    return TRecordSorter(*this, request).Run();
}

} // namespace vorsam
