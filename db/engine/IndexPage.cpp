#include "db/engine/IndexPage.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/RecordsBitmap.h"
#include "db/lib/Scramble.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

namespace vorsam {

namespace {

constexpr size_t EntryBufferStep = 4096;

bool UsesLeading(TKeyCompression mode) {
    return mode == TKeyCompression::Leading || mode == TKeyCompression::Both;
}
bool UsesTrailing(TKeyCompression mode) {
    return mode == TKeyCompression::TrailingZeros || mode == TKeyCompression::Both;
}
size_t CountBytesOf(TKeyCompression mode) {
    return mode == TKeyCompression::Both ? 2 : 1;
}

} // namespace

TPageFormat PageFormatOf(const TIndexDescriptor& d, uint8_t slot, bool encrypted) {
    TPageFormat format;
    format.KeyLength = d.KeyLength();
    format.Slot = slot;
    format.Unique = d.Unique();
    format.NoCounts = d.NoCounts() || slot == SysTextSlot;
    format.Compression = d.Compression();
    format.Encrypted = encrypted;
    return format;
}

// ---- state ----

void TPage::SetFormat(const TPageFormat& format, const TIndexErrorSource* errors) {
    format_ = format;
    errors_ = errors;
    Clear();
}

void TPage::Clear() {
    type_ = ptInternalRoot;
    count_ = rawCount_ = 0;
    prev_ = next_ = 0;
    used_ = 0;
    free_ = false;
    modified_ = false;
}

void TPage::Assign(const TPage& page) {
    format_ = page.format_;
    errors_ = page.errors_;
    number_ = page.number_;
    type_ = page.type_;
    count_ = page.count_;
    rawCount_ = page.rawCount_;
    prev_ = page.prev_;
    next_ = page.next_;
    used_ = page.used_;
    free_ = page.free_;
    modified_ = page.modified_;
    entries_ = page.entries_;
}

void TPage::SetPageType(uint8_t type) {
    if (type_ != type) modified_ = true;
    type_ = type;
}

void TPage::SetPrevPage(uint32_t page) {
    if (prev_ != page) modified_ = true;
    prev_ = page;
}

void TPage::SetNextPage(uint32_t page) {
    if (next_ != page) modified_ = true;
    next_ = page;
}

void TPage::SetFree(bool value) {
    free_ = value;
    modified_ = true;
}

void TPage::Reserve(size_t entries) {
    size_t bytes = std::max(entries * Stride(), PageEntryBytes);
    if (entries_.size() < bytes)
        entries_.resize((bytes + EntryBufferStep - 1) / EntryBufferStep * EntryBufferStep);
}

void TPage::SetKeyCount(uint16_t n) {
    Reserve(n);
    if (n > count_) std::memset(EntryAt(count_ + 1), 0, (n - count_) * Stride());
    count_ = n;
    ComputeCompression();
    modified_ = true;
}

void TPage::RaiseCorrupt() const {
    RaiseIndexError(VORSAM_INDEXCORRUPT, errors_);
}

void TPage::RequireEntries() const {
    if (count_ == 0) RaiseCorrupt();
}

uint16_t TPage::MaxEntries() const {
    size_t perEntry = size_t(format_.KeyLength) + (HasCounts() ? 8 : 4);
    return uint16_t(PageEntryBytes / perEntry);
}

bool TPage::IsOverfull() const {
    return IsCompressedLeaf() ? used_ > PageEntryBytes : count_ > MaxEntries();
}

// ---- entry values ----

uint32_t TPage::GetValue(uint32_t position) const {
    return LoadLE32(EntryAt(position) + format_.KeyLength);
}

void TPage::SetValue(uint32_t position, uint32_t value) {
    StoreLE32(EntryAt(position) + format_.KeyLength, value);
    modified_ = true;
}

uint32_t TPage::GetCount(uint32_t position) const {
    if (IsLeaf()) return 1;
    return HasCounts() ? LoadLE32(EntryAt(position) + format_.KeyLength + 4) : 0;
}

void TPage::SetCount(uint32_t position, uint32_t count) {
    if (!HasCounts()) return;
    StoreLE32(EntryAt(position) + format_.KeyLength + 4, count);
    modified_ = true;
}

uint32_t TPage::TotalCount() const {
    return CountBefore(uint32_t(count_) + 1);
}

uint32_t TPage::CountBefore(uint32_t position) const {
    if (IsLeaf()) return position > 0 ? position - 1 : 0;
    uint32_t total = 0;
    for (uint32_t i = 1; i < position && i <= count_; ++i) total += GetCount(i);
    return total;
}

// ---- compression ----

uint16_t TPage::KeptTail(uint8_t leading) const {
    bool tail = !format_.Unique && UsesTrailing(format_.Compression) &&
                format_.KeyLength > leading + RecordSuffixLength;
    return tail ? RecordSuffixLength : 0;
}

void TPage::Compress(uint32_t position) {
    const uint8_t* key = EntryAt(position);
    size_t k = format_.KeyLength;
    size_t leading = 0, trailing = 0;
    if (UsesLeading(format_.Compression) && position > 1)
        leading = CommonPrefixLength(EntryAt(position - 1), key, k);
    if (UsesTrailing(format_.Compression)) {
        // Only zeros between the shared prefix and the kept part count: the middle is never negative.
        size_t end = format_.Unique ? k : (k >= RecordSuffixLength ? k - RecordSuffixLength : 0);
        if (end > leading) trailing = CountTrailingZeroBytes(key + leading, end - leading);
    }
    uint8_t* counts = EntryAt(position) + k + 8;
    counts[0] = uint8_t(leading);
    counts[1] = uint8_t(trailing);
}

uint16_t TPage::PackedSize(uint32_t position) const {
    return uint16_t(CountBytesOf(format_.Compression) + format_.KeyLength - LeadingCount(position) -
                    TrailingCount(position) + 4);
}

// Adds (sign 1) or takes off (sign -1) the packed sizes of the entries from .. to (clipped to the page).
void TPage::AddPacked(uint32_t from, uint32_t to, int sign) {
    for (uint32_t i = std::max<uint32_t>(from, 1); i <= to && i <= count_; ++i)
        used_ = uint16_t(used_ + sign * PackedSize(i));
}

void TPage::ComputeCompression() {
    used_ = 0;
    if (!IsCompressedLeaf()) return;
    for (uint32_t i = 1; i <= count_; ++i) Compress(i);
    AddPacked(1, count_, 1);
}

// ---- entry changes ----

void TPage::InsertAt(uint32_t position, const uint8_t* key, uint32_t value, uint32_t count) {
    assert(position >= 1 && position <= uint32_t(count_) + 1);
    bool compressed = IsCompressedLeaf();
    if (compressed) AddPacked(position, position, -1); // the entry that moves up gets a new neighbour
    Reserve(size_t(count_) + 1);
    uint8_t* at = EntryAt(position);
    std::memmove(at + Stride(), at, (count_ - (position - 1)) * Stride());
    ++count_;
    std::memcpy(at, key, format_.KeyLength);
    std::memset(at + format_.KeyLength, 0, 10);
    StoreLE32(at + format_.KeyLength, value);
    if (HasCounts()) StoreLE32(at + format_.KeyLength + 4, count);
    if (compressed) {
        for (uint32_t i = position; i <= position + 1 && i <= count_; ++i) Compress(i);
        AddPacked(position, position + 1, 1);
    }
    modified_ = true;
}

void TPage::RemoveAt(uint32_t position) {
    assert(position >= 1 && position <= count_);
    bool compressed = IsCompressedLeaf();
    if (compressed) AddPacked(position, position + 1, -1);
    uint8_t* at = EntryAt(position);
    std::memmove(at, at + Stride(), (count_ - position) * Stride());
    --count_;
    if (compressed && position <= count_) {
        Compress(position);
        AddPacked(position, position, 1);
    }
    modified_ = true;
}

void TPage::SetKey(uint32_t position, const uint8_t* key) {
    bool compressed = IsCompressedLeaf();
    if (compressed) AddPacked(position, position + 1, -1);
    std::memcpy(EntryAt(position), key, format_.KeyLength);
    if (compressed) {
        for (uint32_t i = position; i <= position + 1 && i <= count_; ++i) Compress(i);
        AddPacked(position, position + 1, 1);
    }
    modified_ = true;
}

void TPage::MoveLastTo(TPage& right, uint32_t n) {
    assert(n <= count_ && right.Stride() == Stride());
    right.Reserve(size_t(right.count_) + n);
    std::memmove(right.EntryAt(n + 1), right.EntryAt(1), right.count_ * Stride());
    std::memcpy(right.EntryAt(1), EntryAt(count_ - n + 1), n * Stride());
    right.count_ = uint16_t(right.count_ + n);
    count_ = uint16_t(count_ - n);
    ComputeCompression();
    right.ComputeCompression();
    modified_ = right.modified_ = true;
}

void TPage::MoveFirstTo(TPage& left, uint32_t n) {
    assert(n <= count_ && left.Stride() == Stride());
    left.Reserve(size_t(left.count_) + n);
    std::memcpy(left.EntryAt(left.count_ + 1), EntryAt(1), n * Stride());
    std::memmove(EntryAt(1), EntryAt(n + 1), (count_ - n) * Stride());
    left.count_ = uint16_t(left.count_ + n);
    count_ = uint16_t(count_ - n);
    ComputeCompression();
    left.ComputeCompression();
    modified_ = left.modified_ = true;
}

// ---- image ----

void TPage::LoadFrom(const uint8_t* image, bool empty) {
    std::array<uint8_t, IndexPageSize> plain;
    std::memcpy(plain.data(), image, IndexPageSize);
    if (format_.Encrypted) UnscrambleBuffer(plain.data(), plain.size(), TableDataSeed1, TableDataSeed2);
    if (plain[0] > ptRawData) RaiseCorrupt();
    type_ = plain[0];
    count_ = LoadLE16(&plain[1]);
    prev_ = LoadLE32(&plain[3]);
    next_ = LoadLE32(&plain[7]);
    used_ = LoadLE16(&plain[11]);
    free_ = false;
    modified_ = false;
    const uint8_t* data = &plain[PageHeaderSize];
    rawCount_ = 0;
    if (type_ == ptRawData) {
        rawCount_ = count_;
        count_ = 0;
        Reserve(0);
        std::memcpy(entries_.data(), data, PageEntryBytes);
    } else if (empty) {
        count_ = 0;
        used_ = 0;
    } else if (IsCompressedLeaf()) {
        UnpackCompressed(data);
    } else {
        UnpackEntries(data);
    }
}

void TPage::UnpackEntries(const uint8_t* data) {
    size_t packed = size_t(format_.KeyLength) + (HasCounts() ? 8 : 4);
    if (count_ * packed > PageEntryBytes) RaiseCorrupt();
    used_ = 0;
    Reserve(count_);
    for (uint32_t i = 1; i <= count_; ++i, data += packed) {
        uint8_t* at = EntryAt(i);
        std::memset(at + format_.KeyLength, 0, 10);
        std::memcpy(at, data, packed);
    }
}

void TPage::UnpackCompressed(const uint8_t* data) {
    if (used_ > PageEntryBytes) RaiseCorrupt();
    const size_t k = format_.KeyLength;
    const uint8_t* end = data + used_;
    Reserve(count_);
    for (uint32_t i = 1; i <= count_; ++i) {
        if (size_t(end - data) < CountBytesOf(format_.Compression)) RaiseCorrupt();
        uint8_t leading = UsesLeading(format_.Compression) ? *data++ : 0;
        uint8_t trailing = UsesTrailing(format_.Compression) ? *data++ : 0;
        size_t tail = KeptTail(leading);
        if (leading > MaxKeyRunCount || trailing > MaxKeyRunCount || (i == 1 && leading != 0) ||
            leading + trailing + tail > k)
            RaiseCorrupt();
        size_t middle = k - leading - trailing - tail;
        if (size_t(end - data) < middle + tail + 4) RaiseCorrupt();
        uint8_t* at = EntryAt(i);
        if (leading) std::memcpy(at, EntryAt(i - 1), leading);
        std::memcpy(at + leading, data, middle);
        std::memset(at + leading + middle, 0, trailing);
        std::memcpy(at + k - tail, data + middle, tail);
        data += middle + tail;
        std::memset(at + k, 0, 10);
        std::memcpy(at + k, data, 4);
        data += 4;
        at[k + 8] = leading;
        at[k + 9] = trailing;
    }
    if (data != end) RaiseCorrupt();
}

void TPage::PackCompressed(uint8_t* data) const {
    const size_t k = format_.KeyLength;
    for (uint32_t i = 1; i <= count_; ++i) {
        const uint8_t* at = EntryAt(i);
        uint8_t leading = LeadingCount(i), trailing = TrailingCount(i);
        if (UsesLeading(format_.Compression)) *data++ = leading;
        if (UsesTrailing(format_.Compression)) *data++ = trailing;
        size_t tail = KeptTail(leading);
        size_t middle = k - leading - trailing - tail;
        std::memcpy(data, at + leading, middle);
        std::memcpy(data + middle, at + k - tail, tail);
        data += middle + tail;
        std::memcpy(data, at + k, 4);
        data += 4;
    }
}

void TPage::StoreTo(uint8_t* image) const {
    std::memset(image, 0, IndexPageSize);
    image[0] = type_;
    StoreLE16(&image[1], free_ ? 0 : type_ == ptRawData ? rawCount_ : count_);
    StoreLE32(&image[3], prev_);
    StoreLE32(&image[7], next_);
    uint8_t* data = image + PageHeaderSize;
    if (free_) {
    } else if (type_ == ptRawData) {
        std::memcpy(data, entries_.data(), PageEntryBytes);
    } else if (IsCompressedLeaf()) {
        if (used_ > PageEntryBytes) RaiseCorrupt();
        StoreLE16(&image[11], used_);
        PackCompressed(data);
    } else {
        size_t packed = size_t(format_.KeyLength) + (HasCounts() ? 8 : 4);
        if (count_ * packed > PageEntryBytes) RaiseCorrupt();
        for (uint32_t i = 1; i <= count_; ++i, data += packed) std::memcpy(data, EntryAt(i), packed);
    }
    if (format_.Encrypted) ScrambleBuffer(image, IndexPageSize, TableDataSeed1, TableDataSeed2);
}

// ---- searches ----

int TPage::CompareAt(uint32_t position, const TSearchKey& key) const {
    return key.Order.Compare(EntryAt(position), key.Key, key.Length);
}

uint32_t TPage::LowerBound(const TSearchKey& key) const {
    uint32_t low = 0, high = count_;
    while (low < high) {
        uint32_t middle = (low + high) / 2;
        if (CompareAt(middle + 1, key) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

uint32_t TPage::UpperBound(const TSearchKey& key) const {
    uint32_t low = 0, high = count_;
    while (low < high) {
        uint32_t middle = (low + high) / 2;
        if (CompareAt(middle + 1, key) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

TFindResult TPage::FindKey(const TSearchKey& key) const {
    RequireEntries();
    uint32_t notAbove = UpperBound(key);
    if (notAbove == 0) return {1, false};
    return {notAbove, IsLeaf() && CompareAt(notAbove, key) == 0};
}

uint32_t TPage::FindKeyOrZero(const TSearchKey& key) const {
    RequireEntries();
    return UpperBound(key);
}

TFindResult TPage::FindKeyCounting(const TSearchKey& key, bool leafAbove, uint32_t& records) const {
    RequireEntries();
    uint32_t notAbove = UpperBound(key);
    bool equal = notAbove > 0 && CompareAt(notAbove, key) == 0;
    uint32_t position = equal || !(IsLeaf() && leafAbove) ? std::max<uint32_t>(notAbove, 1) : notAbove + 1;
    records += CountBefore(position);
    return {position, equal};
}

TFindResult TPage::FindFirstCounting(const TSearchKey& key, uint32_t& records) const {
    RequireEntries();
    uint32_t below = LowerBound(key);
    bool equal = below < count_ && CompareAt(below + 1, key) == 0;
    uint32_t position = equal || IsLeaf() ? below + 1 : std::max<uint32_t>(below, 1);
    records += CountBefore(position);
    return {position, equal};
}

TFindResult TPage::FindLastCounting(const TSearchKey& key, uint32_t& records) const {
    RequireEntries();
    uint32_t notAbove = UpperBound(key);
    bool equal = notAbove > 0 && CompareAt(notAbove, key) == 0;
    uint32_t position = std::max<uint32_t>(notAbove, 1);
    records += CountBefore(position);
    return {position, equal};
}

TFindResult TPage::FindInRange(const TSearchKey& key, const TSearchKey& upper, bool stop,
                               uint32_t& records) const {
    RequireEntries();
    uint32_t position = 1;
    for (; position <= count_; ++position) {
        if (CompareAt(position, upper) > 0) break;
        int r = CompareAt(position, key);
        if (r > 0) break;
        if (r == 0 && IsLeaf()) {
            records += CountBefore(position);
            return {position, true};
        }
    }
    if (position > 1 && !(IsLeaf() && stop)) --position;
    records += CountBefore(position);
    return {position, false};
}

uint32_t TPage::FirstPosition() const {
    RequireEntries();
    return 1;
}

uint32_t TPage::LastPosition(uint32_t& records) const {
    RequireEntries();
    records += CountBefore(count_);
    return count_;
}

// ---- runs and bitmap scans ----

uint32_t TPage::ConsecutiveRun(uint32_t position, uint32_t limit, int direction) const {
    RequireEntries();
    if (position < 1 || position > count_ || limit == 0) return 0;
    int step = direction > 0 ? 1 : -1;
    uint32_t run = 1;
    for (uint32_t at = position; run < limit; ++run) {
        uint32_t next = at + step;
        if (next < 1 || next > count_ || GetValue(next) != GetValue(at) + step) break;
        at = next;
    }
    return run;
}

bool TPage::ScanBitmapForward(uint32_t& position, const TRecordsBitmap& bitmap, uint32_t& passed,
                              const TSearchKey* bound) const {
    RequireEntries();
    for (; position <= count_; ++position, ++passed) {
        if (bound && CompareAt(position, *bound) > 0) return false;
        if (bitmap.GetBit(GetValue(position))) return true;
    }
    return false;
}

bool TPage::ScanBitmapBackward(uint32_t& position, const TRecordsBitmap& bitmap, uint32_t& passed,
                               const TSearchKey* bound) const {
    RequireEntries();
    position = std::min<uint32_t>(position, count_);
    for (; position >= 1; --position, ++passed) {
        if (bound && CompareAt(position, *bound) < 0) return false;
        if (bitmap.GetBit(GetValue(position))) return true;
    }
    return false;
}

bool TPage::CollectUpToKey(uint32_t position, const TSearchKey& key, TRecordsBitmap& bitmap) const {
    RequireEntries();
    for (; position <= count_; ++position) {
        if (CompareAt(position, key) > 0) return false;
        bitmap.SetBit(GetValue(position));
    }
    return true;
}

// ---- pool ----

std::unique_ptr<TPage> TPageStack::Pop() {
    if (idle_.empty()) return std::make_unique<TPage>();
    std::unique_ptr<TPage> page = std::move(idle_.back());
    idle_.pop_back();
    return page;
}

void TPageStack::Push(std::unique_ptr<TPage> page) {
    if (idle_.size() >= Capacity) return;
    page->ResetPins();
    page->Older = page->Newer = nullptr;
    idle_.push_back(std::move(page));
}

} // namespace vorsam
