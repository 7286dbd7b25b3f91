// TDataCursor: moving through the records in index order and in record order, the current record and
// its place, record positions and bookmarks.
#include "db/engine/DataCursor.h"

#include "db/engine/RemoteCursor.h"
#include "db/lib/ByteUtils.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

// ---- the position ----

uint16_t TDataCursor::PositionCode() const {
    switch (position_.Kind) {
    case TCursorPositionKind::BeforeFirst:
        return VORSAM_BOF;
    case TCursorPositionKind::AfterLast:
        return VORSAM_EOF;
    default:
        return 0;
    }
}

void TDataCursor::SetOnEntry(const TIndexPlace& place) {
    position_.Kind = TCursorPositionKind::OnRecord;
    position_.Place = place;
    position_.PlaceVersion = table_->ContentVersion();
}

void TDataCursor::SetOnRecord(uint32_t number, std::span<const uint8_t> image) {
    position_.Kind = TCursorPositionKind::OnRecord;
    position_.Record = number;
    position_.PlaceVersion = 0;
    position_.Key.resize(keyLength_);
    if (!InRecordOrder()) BuildKey(image, position_.Key.data());
}

void TDataCursor::SetBetween() {
    position_.Kind = TCursorPositionKind::Between;
    position_.PlaceVersion = 0;
}

void TDataCursor::SetOutside(int direction) {
    position_ = {};
    if (direction > 0) position_.Kind = TCursorPositionKind::AfterLast;
}

void TDataCursor::SetToBegin() {
    if (remote_) return void(RemoteMove(rmBeforeFirst, 0, {}));
    Table();
    SetOutside(-1);
}

void TDataCursor::SetToEnd() {
    if (remote_) return void(RemoteMove(rmAfterLast, 0, {}));
    Table();
    SetOutside(1);
}

// Makes sure the current record is where the cursor thinks it is: true when it is still there, else
// the cursor lies between the records around it.
bool TDataCursor::FindPlace() {
    uint64_t version = table_->ContentVersion();
    if (position_.PlaceVersion == version) return true;
    if (InRecordOrder()) {
        uint32_t number = position_.Record;
        if (number < table_->DataFile().Header().NextRecordNumber()) {
            TPinnedRecord record(table_->DataFile().GetRecord(this, number));
            if (record->Status() == RecordActive) {
                position_.PlaceVersion = version;
                return true;
            }
        }
    } else {
        TIndexNavigator navigator = Navigator();
        TIndexPlace place;
        std::vector<uint8_t>& key = entryKey_;
        key.resize(keyLength_);
        if (navigator.Seek(TKeyBound::NotBelow, position_.Key.data(), keyLength_, place) &&
            navigator.Read(place, key.data()) == position_.Record && key == position_.Key) {
            SetOnEntry(place);
            return true;
        }
    }
    SetBetween();
    return false;
}

// The current record found (between two records: the next one); 0, or the code of a position outside.
uint16_t TDataCursor::PlaceCurrent() {
    if (position_.Kind == TCursorPositionKind::OnRecord && FindPlace()) return 0;
    if (position_.Kind == TCursorPositionKind::Between) return Move(1) ? 0 : VORSAM_EOF;
    return PositionCode();
}

// ---- moving ----

bool TDataCursor::Move(int direction) {
    readDirection_ = direction > 0 ? 1 : -1;
    if (ReadsGatheredRecords()) return MoveThroughGathered(direction);
    return InRecordOrder() ? MoveInRecordOrder(direction) : MoveInIndex(direction);
}

bool TDataCursor::WithinRange(const uint8_t* key) const {
    if (!range_.Active) return true;
    if (!range_.Start.empty() && order_->Compare(key, range_.Start.data(), range_.StartLength) < 0)
        return false;
    if (!range_.End.empty() && order_->Compare(key, range_.End.data(), range_.EndLength) > 0) return false;
    return WithinFilterRange(key);
}

// Where a move in the index begins: the entry next to the current record, or the first (last) entry
// on that side of the key between records, of the range's start or end (NearBound: the cursor's range
// and the filters' range of the index). An entry before that bound (a position taken before the range
// was) moves on to the bound.
bool TDataCursor::MoveInIndex(int direction) {
    bool forward = direction > 0;
    TIndexNavigator navigator = Navigator();
    TIndexPlace place;
    position_.Key.resize(keyLength_);
    uint8_t* key = position_.Key.data();
    uint32_t record = 0;
    auto seek = [&](TKeyBound bound, const uint8_t* from, size_t length) {
        walkSteps_ = 0;
        if (!navigator.Seek(bound, from, length, place)) return false;
        record = navigator.Read(place, key);
        return true;
    };
    uint64_t version = table_->ContentVersion();
    auto step = [&] {
        if (leafCopy_.Holds(indexNumber_, place.Page, version)) {
            uint32_t next = forward ? place.Position + 1 : place.Position - 1;
            if (next >= 1 && next <= leafCopy_.Count()) {
                place.Position = next;
                if (place.Rank != NoRank) place.Rank = forward ? place.Rank + 1 : place.Rank - 1;
                std::memcpy(key, leafCopy_.KeyAt(next), keyLength_);
                record = leafCopy_.ValueAt(next);
                HintRecordsAhead(next, direction);
                return true;
            }
        }
        if (!navigator.Step(place, direction, key, &record)) return false;
        if (++walkSteps_ >= StepsBeforeLeafCopy && !leafCopy_.Holds(indexNumber_, place.Page, version)) {
            navigator.CopyLeaf(place.Page, leafCopy_);
            leafCopy_.Version = version;
            ReadLeafRecords();
        }
        return true;
    };
    auto seekBound = [&] {
        auto [bound, length] = NearBound(direction);
        uint32_t leaf = forward && bound && range_.Active ? rangeLeaf_.For(indexNumber_, version) : 0;
        if (leaf == 0) return seek(forward ? TKeyBound::NotBelow : TKeyBound::NotAbove, bound, length);
        walkSteps_ = 0;
        if (!navigator.SeekNotBelowFrom(leaf, bound, length, place)) return false;
        record = navigator.Read(place, key);
        return true;
    };
    bool found = false;
    switch (position_.Kind) {
    case TCursorPositionKind::OnRecord:
        if (FindPlace()) {
            place = position_.Place;
            found = step();
            break;
        }
        [[fallthrough]];
    case TCursorPositionKind::Between:
        found = seek(forward ? TKeyBound::NotBelow : TKeyBound::Below, key, keyLength_);
        break;
    case TCursorPositionKind::BeforeFirst:
    case TCursorPositionKind::AfterLast:
        found = (position_.Kind == TCursorPositionKind::BeforeFirst) == forward && seekBound();
        break;
    }
    for (bool jumped = false; found; found = step()) {
        int side = RangeSide(key);
        if (side == direction) {
            if (forward && range_.Active) rangeLeaf_ = {indexNumber_, place.Page, version};
            break;
        }
        if (side != 0) {
            if (jumped || !seekBound()) break;
            jumped = true;
            if (RangeSide(key) != 0) break;
        }
        if (Accepted(record)) {
            position_.Record = record;
            SetOnEntry(place);
            return true;
        }
    }
    SetOutside(direction);
    return false;
}

// Tells the data file which record the walk reads some entries on in its direction, as far as the
// leaf's copy reaches.
void TDataCursor::HintRecordsAhead(uint32_t position, int direction) const {
    constexpr int64_t Distance = 6;
    int64_t at = int64_t(position) + (direction > 0 ? Distance : -Distance);
    if (at >= 1 && at <= int64_t(leafPlaces_.size()))
        table_->DataFile().PrefetchRecordAt(leafPlaces_[at - 1]);
}

bool TDataCursor::MoveInRecordOrder(int direction) {
    bool forward = direction > 0;
    uint32_t next = table_->DataFile().Header().NextRecordNumber();
    int64_t number = 0;
    switch (position_.Kind) {
    case TCursorPositionKind::BeforeFirst:
        number = forward ? 1 : 0;
        break;
    case TCursorPositionKind::AfterLast:
        number = forward ? next : next - 1;
        break;
    case TCursorPositionKind::OnRecord:
        number = int64_t(position_.Record) + direction;
        break;
    case TCursorPositionKind::Between:
        number = forward ? position_.Record : int64_t(position_.Record) - 1;
        break;
    }
    readDirection_ = forward ? 1 : -1;
    if (forward && ReadsThroughWindow()) {
        for (; number >= 1 && number < next; ++number) {
            if (WindowImage(uint32_t(number))[0] != RecordActive) continue;
            position_ = {TCursorPositionKind::OnRecord, uint32_t(number), {}, {}, table_->ContentVersion()};
            return true;
        }
        SetOutside(direction);
        return false;
    }
    for (; number >= 1 && number < next; number += forward ? 1 : -1) {
        TPinnedRecord record(table_->DataFile().GetRecord(
            this, uint32_t(number), forward ? TReadDirection::Forward : TReadDirection::Backward, true,
            true));
        if (record->Status() == RecordActive && Accepted(uint32_t(number))) {
            position_ = {TCursorPositionKind::OnRecord, uint32_t(number), {}, {}, table_->ContentVersion()};
            return true;
        }
    }
    SetOutside(direction);
    return false;
}

// Copies record `number` into the buffer (when given), reading ahead in the direction (0: not at all).
bool TDataCursor::ReadRecord(uint32_t number, std::span<uint8_t> buffer, int direction) {
    if (buffer.empty()) return true;
    CheckImage(buffer);
    readDirection_ = direction;
    const uint8_t* image = filterView_.KeepsImages ? GatheredImage(number) : WindowHolds(number);
    if (image) {
        std::memcpy(buffer.data(), image, recordSize_);
        return true;
    }
    TDataFile& file = table_->DataFile();
    if (file.ViewedImage(number, buffer)) return true;
    if ((image = file.CachedImage(number))) {
        std::memcpy(buffer.data(), image, recordSize_);
        return true;
    }
    TPinnedRecord record(table_->DataFile().GetRecord(
        this, number, direction < 0 ? TReadDirection::Backward : TReadDirection::Forward, true,
        direction != 0));
    std::memcpy(buffer.data(), record->Image().data(), recordSize_);
    return true;
}

uint16_t TDataCursor::Fetch(uint16_t code, std::span<uint8_t> buffer, int direction) {
    if (code == 0) ReadRecord(position_.Record, buffer, direction);
    return code;
}

uint16_t TDataCursor::GetNextRecord(std::span<uint8_t> buffer) {
    if (remote_) return RemoteMove(rmNext, 0, buffer);
    TOperation operation(*this);
    return operation.Moved(Fetch(Move(1) ? 0 : VORSAM_EOF, buffer, 1));
}

uint16_t TDataCursor::GetPriorRecord(std::span<uint8_t> buffer) {
    if (remote_) return RemoteMove(rmPrior, 0, buffer);
    TOperation operation(*this);
    return operation.Moved(Fetch(Move(-1) ? 0 : VORSAM_BOF, buffer, -1));
}

// ---- record positions ----

uint32_t TDataCursor::RangeStartRank() {
    if (!range_.Active || range_.Start.empty()) return 0;
    uint64_t version = table_->ContentVersion();
    if (rangeStartVersion_ != version) {
        TIndexNavigator navigator = Navigator();
        TIndexPlace place;
        rangeStartRank_ =
            navigator.Seek(TKeyBound::NotBelow, range_.Start.data(), range_.StartLength, place, true)
                ? place.Rank
                : navigator.Count();
        rangeStartVersion_ = version;
    }
    return rangeStartRank_;
}

uint32_t TDataCursor::GetRecordPosition() {
    if (remote_) return RemoteCurrent() != 0 ? remote_->ToldState().RecordPosition : 0;
    TOperation operation(*this);
    if (position_.Kind != TCursorPositionKind::OnRecord || !FindPlace()) return 0;
    if (InRecordOrder()) return position_.Record;
    if (HasActiveFilters()) return FilteredRecordPosition();
    if (position_.Place.Rank == NoRank) {
        // Counted only when asked for: the place is found again, counting.
        TIndexPlace place;
        Navigator().Seek(TKeyBound::NotBelow, position_.Key.data(), keyLength_, place, true);
        position_.Place.Rank = place.Rank;
    }
    return position_.Place.Rank - RangeStartRank() + 1;
}

bool TDataCursor::SetToRecordNo(uint32_t number) {
    if (remote_) return RemoteMove(rmPosition, number, {}) == 0;
    TOperation operation(*this);
    if (number == 0) {
        SetOutside(-1);
        return false;
    }
    if (InRecordOrder()) {
        TDataFile& file = table_->DataFile();
        if (number >= file.Header().NextRecordNumber()) {
            SetOutside(1);
            return false;
        }
        // Placed a little way on from where it stands, the cursor walks by record numbers (a change of
        // many records found beforehand): a slot not cached is read with those that follow it in that
        // direction, as a walk reads them, instead of one read per record.
        // The record found so is placed on as FindPlace places on it.
        uint32_t at = position_.Record;
        bool walking = (position_.Kind == TCursorPositionKind::OnRecord ||
                        position_.Kind == TCursorPositionKind::Between) &&
                       number != at && (number > at ? number - at : at - number) <= file.RecordsPerRead();
        position_ = {TCursorPositionKind::OnRecord, number, {}, {}, 0};
        if (walking) {
            uint64_t version = table_->ContentVersion();
            TPinnedRecord record(file.GetRecordNear(
                this, number, number > at ? TReadDirection::Forward : TReadDirection::Backward));
            if (record && record->Status() == RecordActive) position_.PlaceVersion = version;
        }
        if (FindPlace() && Accepted(number)) return true;
        SetBetween();
        return false;
    }
    if (HasActiveFilters()) return SetToFilteredRecordNo(number);
    TIndexNavigator navigator = Navigator();
    TIndexPlace place;
    position_.Key.resize(keyLength_);
    if (navigator.SeekRank(RangeStartRank() + number - 1, place)) {
        position_.Record = navigator.Read(place, position_.Key.data());
        if (WithinRange(position_.Key.data())) {
            SetOnEntry(place);
            return true;
        }
    }
    SetOutside(1);
    return false;
}

// Makes the active record `number` current when it lies within the range; false, the position
// unchanged, otherwise.
bool TDataCursor::PositionOnRecord(uint32_t number) {
    TDataFile& file = table_->DataFile();
    if (number == 0 || number >= file.Header().NextRecordNumber()) return false;
    std::vector<uint8_t> image(recordSize_);
    {
        TPinnedRecord record(file.GetRecord(this, number));
        if (record->Status() != RecordActive) return false;
        std::memcpy(image.data(), record->Image().data(), recordSize_);
    }
    if (!Accepted(number)) return false;
    if (InRecordOrder()) {
        SetOnRecord(number, image);
        return FindPlace();
    }
    TCursorPosition saved = position_;
    SetOnRecord(number, image);
    if (WithinRange(position_.Key.data()) && FindPlace()) return true;
    position_ = std::move(saved);
    return false;
}

// ---- bookmarks ----

uint16_t TDataCursor::GetBookmarkSize() const {
    return uint16_t(BookmarkPrefixSize + keyLength_);
}

void TDataCursor::GetBookmark(std::span<uint8_t> destination) const {
    if (position_.Kind != TCursorPositionKind::OnRecord) Raise(VORSAM_RECNOTFOUND, "no current record");
    if (destination.size() < GetBookmarkSize()) Raise(VORSAM_INVALIDPARAM, "bookmark buffer too small");
    StoreLE32(destination.data(), position_.Record);
    destination[4] = InRecordOrder() ? RecordOrderIndex : indexNumber_;
    std::copy(position_.Key.begin(), position_.Key.end(), destination.begin() + BookmarkPrefixSize);
}

bool TDataCursor::SetToBookmark(std::span<const uint8_t> bookmark) {
    if (remote_)
        return bookmark.size() >= BookmarkPrefixSize &&
               RemoteMove(rmRecord, LoadLE32(bookmark.data()), {}) == 0;
    TOperation operation(*this);
    if (bookmark.size() < BookmarkPrefixSize) return false;
    return PositionOnRecord(LoadLE32(bookmark.data()));
}

int TDataCursor::CompareBookmarks(std::span<const uint8_t> a, std::span<const uint8_t> b) const {
    uint8_t order = InRecordOrder() ? RecordOrderIndex : indexNumber_;
    if (a.size() < GetBookmarkSize() || b.size() < GetBookmarkSize() || a[4] != order || b[4] != order)
        return BookmarksNotComparable;
    if (InRecordOrder()) {
        uint32_t x = LoadLE32(a.data()), y = LoadLE32(b.data());
        return x < y ? -1 : x > y ? 1 : 0;
    }
    int r = order_->Compare(a.data() + BookmarkPrefixSize, b.data() + BookmarkPrefixSize, keyLength_);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

} // namespace vorsam
