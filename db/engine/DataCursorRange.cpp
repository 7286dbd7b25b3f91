// TDataCursor: ranges, record counts, reading ahead and in blocks, refreshing, and taking another
// cursor's record.
#include "db/engine/DataCursor.h"

#include "db/engine/RemoteCursor.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/FieldKeys.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

void TDataCursor::SetRange(const uint8_t* startKey, uint16_t startFieldCount, const uint8_t* endKey,
                           uint16_t endFieldCount) {
    RequireLocalTable("ranges");
    RequireIndex();
    range_ = {};
    range_.Active = true;
    if (startKey) {
        range_.Start.assign(startKey, startKey + keyLength_);
        range_.StartLength = KeyBytes(startFieldCount, 0);
    }
    if (endKey) {
        range_.End.assign(endKey, endKey + keyLength_);
        range_.EndLength = KeyBytes(endFieldCount, 0);
    }
    rangeStartVersion_ = 0;
    SetOutside(-1);
}

void TDataCursor::ResetRange() {
    Table();
    range_ = {};
}

uint32_t TDataCursor::GetRecordCount() {
    if (remote_) return remote_->ToldState().RecordCount;
    TOperation operation(*this);
    if (!HasActiveFilters() && InRecordOrder()) return table_->IndexFile().GetActiveRecords();
    const bool memo = !range_.Active && filters_.ReadFieldsOnly();
    TCountMemo now{true, filters_.Generation(), table_->ContentVersion(), indexNumber_, 0};
    if (memo && countMemo_.Valid && countMemo_.Generation == now.Generation &&
        countMemo_.Version == now.Version && countMemo_.IndexNumber == now.IndexNumber)
        return countMemo_.Count;
    if (HasActiveFilters() || !range_.Active) {
        now.Count = HasActiveFilters() ? FilteredRecordCount() : Navigator().Count();
        if (memo) countMemo_ = now;
        return now.Count;
    }
    TIndexNavigator navigator = Navigator();
    uint32_t end = navigator.Count();
    TIndexPlace place;
    if (!range_.End.empty() &&
        navigator.Seek(TKeyBound::Above, range_.End.data(), range_.EndLength, place, true))
        end = place.Rank;
    uint32_t start = RangeStartRank();
    return end > start ? end - start : 0;
}

// ---- keys ----

bool TDataCursor::VisitKeys(const uint8_t* after, size_t length,
                            const std::function<bool(const uint8_t* key)>& visit) {
    TOperation operation(*this);
    RequireIndex();
    TIndexPath path;
    TIndexNavigator navigator(table_->IndexFile(), indexNumber_, *order_, path);
    TIndexPlace place;
    bool found = after ? navigator.Seek(TKeyBound::Above, after, length, place)
                       : navigator.Seek(TKeyBound::NotBelow, nullptr, 0, place);
    if (!found) return true;
    std::vector<uint8_t> key(keyLength_);
    navigator.Read(place, key.data());
    do {
        if (!visit(key.data())) return false;
    } while (navigator.Step(place, 1, key.data()));
    return true;
}

uint32_t TDataCursor::CountKeys(uint8_t index, std::span<const uint8_t> image, uint16_t fieldCount) {
    TOperation operation(*this);
    CheckImage(image);
    TIndexFile& file = table_->IndexFile();
    if (index > file.GetIndexCount() || file.GetIndexDesc(index).IsEmpty() || file.IsTextIndex(index) ||
        (index == PrimaryIndexSlot && file.GetRecordOrder()))
        Raise(VORSAM_INVALIDPARAM, "index " + std::to_string(index) + " keeps no keys");
    const TIndexDescriptor& descriptor = file.GetIndexDesc(index);
    if (fieldCount == 0 || fieldCount > descriptor.FieldCount())
        Raise(VORSAM_INVALIDPARAM, std::to_string(fieldCount) + " key fields");
    TTableKeyInfo info = table_->KeyInfo();
    size_t length = 0;
    for (uint16_t i = 0; i < fieldCount; ++i)
        length += GetFieldKeySize(info.Fields[descriptor.FieldNumber(i) - 1]) + 1u;
    TScratchBytes<256> key(descriptor.KeyLength());
    BuildIndexKey(descriptor, index, info, image.data(), key.data());
    const TKeyComparator& order = table_->KeyOrder(index);
    TIndexPath path;
    TIndexNavigator navigator(file, index, order, path);
    // Keys counted one after another often lie in the leaf the last count ended in.
    uint64_t version = table_->ContentVersion();
    TIndexPlace place;
    bool found = navigator.SeekNotBelowFrom(countLeaf_.For(index, version), key.data(), length, place);
    countLeaf_ = {};
    if (!found) return 0;
    countLeaf_ = {index, place.Page, version};
    TScratchBytes<256> entry(descriptor.KeyLength());
    navigator.Read(place, entry.data());
    if (order.Compare(entry.data(), key.data(), length) != 0) return 0;
    // A few equal keys are stepped over; many are counted from the subtree counts (when the index keeps
    // them), which is two descents whatever their number.
    constexpr uint32_t StepLimit = 64;
    uint32_t count = 1;
    for (;;) {
        if (count == StepLimit && !descriptor.NoCounts()) break;
        if (!navigator.Step(place, 1, entry.data()) || order.Compare(entry.data(), key.data(), length) != 0)
            return count;
        countLeaf_.Page = place.Page;
        ++count;
    }
    TIndexPlace first, past;
    navigator.Seek(TKeyBound::NotBelow, key.data(), length, first, true);
    uint32_t end =
        navigator.Seek(TKeyBound::Above, key.data(), length, past, true) ? past.Rank : navigator.Count();
    return end - first.Rank;
}

// ---- reading ahead ----

int32_t TDataCursor::GetReadAheadCount(int32_t limit, int direction) {
    TOperation operation(*this);
    if (position_.Kind != TCursorPositionKind::OnRecord || !FindPlace()) return 0;
    return int32_t(ReadAheadRun(uint32_t(std::max(limit, 1)), direction == 1 ? 1 : -1));
}

// The current record and those after it (direction > 0) or before it that a read may take with it, at
// most `limit`: in an index order the run of consecutive record numbers in the current leaf, in record
// order the following (preceding) records of the table.
uint32_t TDataCursor::ReadAheadRun(uint32_t limit, int direction) {
    if (InRecordOrder()) {
        uint32_t next = table_->DataFile().Header().NextRecordNumber(), at = position_.Record;
        return std::min(limit, direction > 0 ? (at < next ? next - at : 1) : at);
    }
    if (position_.PlaceVersion != table_->ContentVersion()) return 1;
    return std::max<uint32_t>(Navigator().ConsecutiveRun(position_.Place, limit, direction), 1);
}

uint32_t TDataCursor::ReadAheadCount() {
    if (!table_ || position_.Kind != TCursorPositionKind::OnRecord || readDirection_ == 0) return 0;
    return ReadAheadRun(readAhead_, readDirection_) - 1;
}

uint16_t TDataCursor::ReadRecordBlock(uint32_t& count, std::span<uint8_t> block) {
    RequireLocalTable("block reads");
    TOperation operation(*this);
    count = 0;
    size_t size = GetRecordSize();
    size_t capacity = size == 0 ? 0 : block.size() / size;
    for (; count < capacity; ++count) {
        if (!Move(1)) return VORSAM_EOF;
        ReadRecord(position_.Record, block.subspan(size_t(count) * size, size), 1);
    }
    return 0;
}

void TDataCursor::Refresh() {
    if (remote_) return void(RemoteMove(rmStay, 0, {}));
    TOperation operation(*this);
    position_.PlaceVersion = 0;
    rangeStartVersion_ = 0;
}

void TDataCursor::SetToCursor(TDataCursor& other) {
    TOperation operation(*this);
    if (other.table_ != table_) Raise(VORSAM_INVALIDPARAM, "a cursor on another table");
    if (other.position_.Kind != TCursorPositionKind::OnRecord) Raise(VORSAM_RECNOTFOUND, "no current record");
    if (!PositionOnRecord(other.position_.Record)) Raise(VORSAM_RECNOTFOUND);
}

} // namespace vorsam
