// TDataCursor: ranges, record counts, reading ahead and in blocks, refreshing, and taking another
// cursor's record.
#include "db/engine/DataCursor.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

void TDataCursor::SetRange(const uint8_t* startKey, uint16_t startFieldCount, const uint8_t* endKey,
                           uint16_t endFieldCount) {
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
    TOperation operation(*this);
    if (HasActiveFilters()) return FilteredRecordCount();
    if (InRecordOrder()) return table_->IndexFile().GetActiveRecords();
    TIndexNavigator navigator = Navigator();
    uint32_t end = navigator.Count();
    if (!range_.Active) return end;
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
