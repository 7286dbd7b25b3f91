// TDataCursor, its slot window: a forward walk in record order over a table open exclusively, and a walk in
// an index order over records stored close together (ReadLeafRecords), read the records a window of slots
// at a time past the record cache (DataCursor.h).
#include "db/engine/DataCursor.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <numeric>

namespace vorsam {

namespace {

// The bytes of slots one window takes.
constexpr size_t WindowBytes = 65536;

} // namespace

bool TDataCursor::ReadsThroughWindow() const {
    return InRecordOrder() && layoutSize_ == 0 && table_->Exclusive() && !HasActiveFilters();
}

const uint8_t* TDataCursor::WindowHolds(uint32_t number) const {
    const TSlotWindow& window = window_;
    if (number < window.First || number >= window.End || window.Version != table_->ContentVersion())
        return nullptr;
    return &window.Images[size_t(number - window.First) * recordSize_];
}

// The image of existing slot `number`; a window from it on is read when it holds none.
const uint8_t* TDataCursor::WindowImage(uint32_t number) {
    if (const uint8_t* image = WindowHolds(number)) return image;
    TDataFile& file = table_->DataFile();
    uint32_t next = file.Header().NextRecordNumber();
    assert(number >= 1 && number < next);
    auto count = uint32_t(std::min<size_t>(next - number, std::max<size_t>(1, WindowBytes / recordSize_)));
    ReadWindow(number, count);
    return &window_.Images[0];
}

// How the walk reads the records of the leaf it copied. Records that lie close together in the data file
// (a table stored in about the index's order) come one after another from memory that the processor
// streams: when they are not cached, they are read into the window at once (one read per leaf, rather
// than a read ahead into the cache or a walk over the pages of the file's view one by one). Records
// scattered over the file are located at once, and each is brought in a few steps before the walk reads
// it (HintRecordsAhead).
void TDataCursor::ReadLeafRecords() {
    const std::vector<uint32_t>& records = leafCopy_.Values;
    TDataFile& file = table_->DataFile();
    leafPlaces_.clear();
    if (records.empty()) return;
    auto [low, high] = std::minmax_element(records.begin(), records.end());
    size_t span = size_t(*high) - *low + 1;
    if (*low == 0 || *high >= file.Header().NextRecordNumber()) return;
    if (span > 2 * records.size()) return file.LocateRecords(records, leafPlaces_);
    if (span * recordSize_ <= WindowBytes && !file.Caches(*low) && !file.Caches(*high))
        ReadWindow(*low, uint32_t(span));
}

void TDataCursor::ReadWindow(uint32_t number, uint32_t count) {
    TSlotWindow& window = window_;
    window.Version = 0; // nothing held while it is read (a failed read leaves it so)
    window.Images.resize(size_t(count) * recordSize_);
    table_->DataFile().CopyImages(number, count, window.Images.data());
    window.First = number;
    window.End = number + count;
    window.Version = table_->ContentVersion();
}

} // namespace vorsam
