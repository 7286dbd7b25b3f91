// TDataCursor, its slot window: a forward walk in record order over a table open exclusively reads its
// records a window of slots at a time past the record cache (DataCursor.h).
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
    TSlotWindow& window = window_;
    window.Version = 0; // nothing held while it is read (a failed read leaves it so)
    window.Numbers.resize(count);
    std::iota(window.Numbers.begin(), window.Numbers.end(), number);
    window.Images.resize(size_t(count) * recordSize_);
    file.VisitRecordImages(window.Numbers, [&](uint32_t n, std::span<const uint8_t> image) {
        std::memcpy(&window.Images[size_t(n - number) * recordSize_], image.data(), recordSize_);
    });
    window.First = number;
    window.End = number + count;
    window.Version = table_->ContentVersion();
    return &window.Images[0];
}

} // namespace vorsam
