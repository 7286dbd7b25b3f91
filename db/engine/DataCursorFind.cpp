// TDataCursor: keys of the active index and the search by key.
#include "db/engine/DataCursor.h"

#include <algorithm>

namespace vorsam {

void TDataCursor::RequireIndex() const {
    Table();
    if (InRecordOrder()) Raise(VORSAM_INVALIDPARAM, "the record order has no key");
}

void TDataCursor::BuildKey(std::span<const uint8_t> image, uint8_t* destination) const {
    RequireIndex();
    CheckImage(image);
    BuildIndexKey(index_, indexNumber_, table_->KeyInfo(), image.data(), destination);
}

int TDataCursor::CompareKeys(const uint8_t* a, const uint8_t* b, uint16_t length) const {
    RequireIndex();
    return order_->Compare(a, b, std::min(length, keyLength_));
}

// The key bytes that `fieldCount` whole key fields and then `partialLength` characters (bytes) of the
// next field take: the search compares that many. No count and no partial length: every key field (a
// non-unique index's record suffix is never part of it).
uint16_t TDataCursor::KeyBytes(uint16_t fieldCount, uint16_t partialLength) const {
    auto fields = uint16_t(segmentEnds_.size());
    if (fieldCount == 0 && partialLength == 0) fieldCount = fields;
    fieldCount = std::min(fieldCount, fields);
    uint16_t bytes = fieldCount == 0 ? 0 : segmentEnds_[fieldCount - 1];
    if (partialLength > 0 && fieldCount < fields) {
        uint16_t segment = uint16_t(segmentEnds_[fieldCount] - bytes);
        bytes = uint16_t(bytes + 1 + std::min<uint16_t>(partialLength, uint16_t(segment - 1)));
    }
    return bytes;
}

// The first entry not below the key is the answer when it equals the key, and the nearest one when it
// does not. A partial string under a language other than 0 is the exception: the first characters of
// a text need not sort as the whole texts do (under Portuguese "\xE1b" sorts before "ac", yet "\xE1"
// after "a"), so the entries are read in order, from the range's start, for the first that equals the
// key and the first that is not below it.
bool TDataCursor::Find(bool byKey, const uint8_t* keyOrImage, uint16_t fieldCount, uint16_t partialLength,
                       bool nearest) {
    RequireLocalTable("key searches");
    TOperation operation(*this);
    RequireIndex();
    std::vector<uint8_t>& key = searchKey_;
    std::vector<uint8_t>& entry = entryKey_;
    key.resize(keyLength_);
    entry.resize(keyLength_);
    if (byKey)
        std::copy_n(keyOrImage, keyLength_, key.begin());
    else
        BuildIndexKey(index_, indexNumber_, table_->KeyInfo(), keyOrImage, key.data());
    uint16_t length = KeyBytes(fieldCount, partialLength);
    bool scan = partialLength > 0 && table_->DataFile().GetLanguageId() != 0;
    TIndexNavigator navigator = Navigator();
    TIndexPlace place, nearestPlace;
    uint32_t nearestRecord = 0;
    auto [start, startLength] = NearBound(1); // the cursor's range and the filters' range of the index
    bool found =
        navigator.Seek(TKeyBound::NotBelow, scan ? start : key.data(), scan ? startLength : length, place);
    if (found && !scan && start) {
        navigator.Read(place, entry.data());
        if (order_->Compare(entry.data(), start, startLength) < 0)
            found = navigator.Seek(TKeyBound::NotBelow, start, startLength, place);
    }
    bool exact = false, entryIsNearest = false; // the entry read last is the one chosen
    for (; found; found = navigator.Step(place, 1)) {
        uint32_t record = navigator.Read(place, entry.data());
        entryIsNearest = false;
        if (!WithinRange(entry.data())) break;
        if (!Accepted(record)) continue;
        int r = order_->Compare(entry.data(), key.data(), length);
        if (r < 0 || (r > 0 && nearestRecord != 0)) continue;
        nearestPlace = place; // the equal entry, or the first above the key
        nearestRecord = record;
        entryIsNearest = true;
        exact = r == 0;
        if (exact || !scan) break;
    }
    if (!exact && !nearest) return false;
    if (nearestRecord == 0) {
        SetOutside(1);
        return false;
    }
    position_.Record = nearestRecord;
    if (entryIsNearest) {
        position_.Key.swap(entry);
    } else {
        position_.Key.resize(keyLength_);
        navigator.Read(nearestPlace, position_.Key.data());
    }
    SetOnEntry(nearestPlace);
    return exact;
}

} // namespace vorsam
