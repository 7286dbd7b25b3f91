// TDataTable, its records: append, modify and delete keeping every index in step, key lookups, emptying,
// sorting, and building the indexes anew from the records. Sets of records: DataTableRecordSets.cpp.
#include "db/engine/DataTable.h"

#include "db/engine/IndexTree.h"
#include "db/engine/IndexVerify.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <optional>

namespace vorsam {

// ---- keys ----

TDataTable::TKeySlotList TDataTable::KeySlotList() const {
    TKeySlotList list;
    if (!indexFile_.GetRecordOrder() && !indexFile_.GetIndexDesc(PrimaryIndexSlot).IsEmpty())
        list.Slots[list.Count++] = PrimaryIndexSlot;
    for (uint8_t slot = 1; slot <= indexFile_.GetIndexCount(); ++slot)
        if (!indexFile_.IsTextIndex(slot)) list.Slots[list.Count++] = slot;
    return list;
}

std::vector<uint8_t> TDataTable::KeySlots() const {
    TKeySlotList list = KeySlotList();
    return {list.begin(), list.end()};
}

TTableKeyInfo TDataTable::KeyInfo() const {
    return {dataFile_.FieldDescriptors(), dataFile_.GetLanguageId(), dataFile_.GetSortId()};
}

const TKeyComparator& TDataTable::OrderOf(uint8_t slot) {
    const TIndexDescriptor& descriptor = indexFile_.GetIndexDesc(slot);
    std::optional<TCachedOrder>& cached = orders_[slot];
    if (!cached || cached->Descriptor.Bytes != descriptor.Bytes)
        cached.emplace(TCachedOrder{descriptor, TKeyComparator(descriptor, slot, KeyInfo())});
    return cached->Order;
}

std::vector<uint8_t> TDataTable::KeyOf(uint8_t slot, std::span<const uint8_t> image) const {
    const TIndexDescriptor& descriptor = indexFile_.GetIndexDesc(slot);
    std::vector<uint8_t> key(descriptor.KeyLength());
    BuildIndexKey(descriptor, slot, KeyInfo(), image.data(), key.data());
    return key;
}

void TDataTable::BuildKeyOf(uint8_t slot, std::span<const uint8_t> image, uint8_t* destination) const {
    BuildIndexKey(indexFile_.GetIndexDesc(slot), slot, KeyInfo(), image.data(), destination);
}

// The keys are laid out one slot after another, the new image's then the old one's.
class TDataTable::TWriteKeys {
public:
    TWriteKeys(const TDataTable& table, const uint8_t* image, const uint8_t* old)
        : slots_(table.KeySlotList()), bytes_(TotalLength(table, slots_) * (old ? 2 : 1)),
          old_(old != nullptr) {
        TTableKeyInfo info = table.KeyInfo();
        size_t at = 0;
        for (uint8_t i = 0; i < slots_.Count; ++i) {
            const TIndexDescriptor& descriptor = table.indexFile_.GetIndexDesc(slots_.Slots[i]);
            offsets_[i] = at;
            lengths_[i] = descriptor.KeyLength();
            at += lengths_[i];
        }
        for (int side = 0; side < (old_ ? 2 : 1); ++side)
            for (uint8_t i = 0; i < slots_.Count; ++i)
                BuildIndexKey(table.indexFile_.GetIndexDesc(slots_.Slots[i]), slots_.Slots[i], info,
                              side == 0 ? image : old, Key(i, side == 1));
    }
    uint8_t Count() const { return slots_.Count; }
    uint8_t Slot(uint8_t i) const { return slots_.Slots[i]; }
    const uint8_t* New(uint8_t i) const { return const_cast<TWriteKeys*>(this)->Key(i, false); }
    const uint8_t* Old(uint8_t i) const { return const_cast<TWriteKeys*>(this)->Key(i, true); }
    // The image keeps the key the old image had in the index (false without an old image).
    bool Kept(uint8_t i) const { return old_ && std::memcmp(New(i), Old(i), lengths_[i]) == 0; }

private:
    static size_t TotalLength(const TDataTable& table, const TKeySlotList& slots) {
        size_t total = 0;
        for (uint8_t slot : slots) total += table.indexFile_.GetIndexDesc(slot).KeyLength();
        return total;
    }
    uint8_t* Key(uint8_t i, bool old) { return bytes_.data() + (old ? bytes_.size() / 2 : 0) + offsets_[i]; }

    TKeySlotList slots_;
    TScratchBytes<512> bytes_;
    bool old_;
    std::array<size_t, IndexSlotCount> offsets_{};
    std::array<uint16_t, IndexSlotCount> lengths_{};
};

void TDataTable::RaiseIndexError(uint16_t code, uint8_t slot) const {
    indexFile_.RaiseIndexError(code,
                               slot == PrimaryIndexSlot ? "Primary" : indexFile_.GetIndexDesc(slot).Name());
}

// A key that an index already holds for another record refuses the image. Keys of a non-unique index
// end with the +5 value and clash only when that does too. Keys the old image (when given) already has
// stay as they are.
void TDataTable::CheckUniqueKeys(const TWriteKeys& keys, uint32_t number) {
    for (uint8_t i = 0; i < keys.Count(); ++i) {
        if (keys.Kept(i)) continue;
        TIndexTree tree(indexFile_, keys.Slot(i), OrderOf(keys.Slot(i)));
        uint32_t found = 0;
        if (tree.Find(keys.New(i), found) && found != number) RaiseIndexError(VORSAM_KEYVIOL, keys.Slot(i));
    }
}

uint32_t TDataTable::FindKey(uint8_t slot, std::span<const uint8_t> image) {
    // A slot that keeps no keys (the primary index of a table in record order, a free or text slot)
    // has no key to build.
    TKeySlotList slots = KeySlotList();
    if (std::find(slots.begin(), slots.end(), slot) == slots.end())
        Raise(VORSAM_INVALIDPARAM, "index slot " + std::to_string(slot) + " keeps no keys");
    CheckImageSize(image);
    TTableRead read(*this);
    std::vector<uint8_t> key = KeyOf(slot, image);
    TIndexTree tree(indexFile_, slot, OrderOf(slot));
    uint32_t found = 0;
    return tree.Find(key.data(), found) ? found : 0;
}

// ---- records ----

void TDataTable::CheckImageSize(std::span<const uint8_t> image) const {
    if (image.size() != dataFile_.GetRecordSize())
        Raise(VORSAM_OUTOFRANGE, "a record image of " + std::to_string(image.size()) + " bytes");
}

TRecord& TDataTable::ActiveRecord(uint32_t number) {
    if (number == 0 || number >= dataFile_.Header().NextRecordNumber()) Raise(VORSAM_RECNOTFOUND);
    TPinnedRecord record(dataFile_.GetRecord(nullptr, number));
    if (record->Status() != RecordActive) Raise(VORSAM_KEYORRECDELETED);
    TRecord& active = *record.Get();
    active.Pin(); // the caller's pin; the scope's goes
    return active;
}

uint32_t TDataTable::AppendRecord(std::span<const uint8_t> image, bool keepAutoInc, const TRecordHook& hook) {
    TTableWrite write(*this);
    NoteContentChanged();
    CheckImageSize(image);
    TScratchBytes<1024> bytes(image.size());
    std::span<uint8_t> record(bytes.data(), bytes.size());
    std::copy(image.begin(), image.end(), record.begin());
    record[0] = RecordActive;
    StoreLE32(&record[NextFreeOffset], 0);
    uint32_t last = dataFile_.GetLastAutoIncValue();
    uint32_t autoInc = keepAutoInc ? LoadLE32(&record[AutoIncValueOffset]) : NextCounterValue(last);
    StoreLE32(&record[AutoIncValueOffset], autoInc);
    TWriteKeys keys(*this, record.data(), nullptr);
    // The insertion of each key is its check (no descent of its own): the keys go in first, under the
    // number the record will take, and come out again when an index refuses one, the hook fails or the
    // record cannot be had. The hook changes BLOB values only, which no key holds.
    const uint32_t predicted = dataFile_.GetFreeRecordNumber();
    const uint64_t runsBefore = indexFile_.Stats().WriteRuns;
    uint8_t inserted = 0;
    auto takeKeysOut = [&] {
        for (; inserted > 0; --inserted) {
            uint8_t slot = keys.Slot(inserted - 1);
            TIndexTree(indexFile_, slot, OrderOf(slot)).Delete(keys.New(inserted - 1), predicted);
        }
    };
    for (; inserted < keys.Count(); ++inserted) {
        uint8_t slot = keys.Slot(inserted);
        if (TIndexTree(indexFile_, slot, OrderOf(slot)).Insert(keys.New(inserted), predicted)) continue;
        // A refusal: the keys come out again. When a full page cache had to write pages of the insertions
        // to the file on the way (a split, on a large tree), the write ends as one that succeeded, so that
        // the take-out follows them there; aborted, it would forget the take-out and leave an entry naming
        // a record that does not exist. Otherwise the aborted write forgets it all: nothing is written.
        takeKeysOut();
        if (indexFile_.Stats().WriteRuns != runsBefore) write.End();
        RaiseIndexError(VORSAM_KEYVIOL, slot);
    }
    TPinnedRecord slot;
    try {
        if (hook) hook(record, {});
        slot.Reset(dataFile_.AllocateRecord(nullptr));
    } catch (...) {
        takeKeysOut();
        throw;
    }
    uint32_t number = slot->RecordNumber();
    assert(number == predicted);
    if (!keepAutoInc)
        dataFile_.NextAutoIncValue();
    else if (autoInc > last && autoInc <= MaxCounterValue)
        dataFile_.SetLastAutoIncValue(autoInc); // later records' values stay fresh
    StoreLE32(&record[NextFreeOffset], number);
    std::copy(record.begin(), record.end(), slot->Image().begin());
    slot->SetModified();
    slot.Reset();
    indexFile_.IncActiveRecords();
    write.End();
    return number;
}

// True when the image keys as the record does in every index the table keeps: the bytes of each field an
// index keys are the same (and the +5 value, which the caller may keep, too).
bool TDataTable::KeysKept(std::span<const uint8_t> record, std::span<const uint8_t> image,
                          bool keepAutoInc) const {
    auto same = [&](size_t offset, size_t length) {
        return std::memcmp(&record[offset], &image[offset], length) == 0;
    };
    if (keepAutoInc && !same(AutoIncValueOffset, 4)) return false;
    const std::vector<TFieldDescriptor>& fields = dataFile_.FieldDescriptors();
    for (uint8_t slot : KeySlotList()) {
        const TIndexDescriptor& descriptor = indexFile_.GetIndexDesc(slot);
        for (size_t i = 0; i < descriptor.FieldCount() && i < MaxIndexFields; ++i) {
            uint16_t number = descriptor.FieldNumber(i);
            if (number == 0 || number > fields.size()) return false;
            const TFieldDescriptor& field = fields[number - 1];
            if (field.IsAutoIncrement() || field.Computed()) continue; // the +5 value, or none
            if (!same(field.Offset(), size_t(field.PhysicalSize()) + 1)) return false;
        }
    }
    return true;
}

void TDataTable::ModifyRecord(uint32_t number, std::span<const uint8_t> image, bool keepAutoInc,
                              const TRecordHook& hook) {
    TTableWrite write(*this);
    NoteContentChanged();
    TPinnedRecord slot(&ActiveRecord(number));
    CheckImageSize(image);
    ModifyPinned(*slot, image, keepAutoInc, hook);
    slot.Reset();
    write.End();
}

void TDataTable::ModifyPinned(TRecord& slot, std::span<const uint8_t> image, bool keepAutoInc,
                              const TRecordHook& hook) {
    const uint32_t number = slot.RecordNumber();
    if (!hook && KeysKept(slot.Image(), image, keepAutoInc)) {
        // No key changes: the cached record takes the image where it lies, no key is built.
        std::span<uint8_t> record = slot.Image();
        uint32_t autoInc = keepAutoInc ? LoadLE32(&image[AutoIncValueOffset]) : slot.AutoIncValue();
        std::copy(image.begin(), image.end(), record.begin());
        record[0] = RecordActive;
        StoreLE32(&record[NextFreeOffset], number);
        StoreLE32(&record[AutoIncValueOffset], autoInc);
        slot.SetModified();
        return;
    }
    size_t size = image.size();
    TScratchBytes<1024> bytes(2 * size);
    std::span<uint8_t> old(bytes.data(), size), record(bytes.data() + size, size);
    std::copy_n(slot.Image().begin(), size, old.begin());
    std::copy(image.begin(), image.end(), record.begin());
    record[0] = RecordActive;
    StoreLE32(&record[NextFreeOffset], number);
    if (!keepAutoInc) std::copy_n(&old[AutoIncValueOffset], 4, &record[AutoIncValueOffset]);
    std::optional<TWriteKeys> keys(std::in_place, *this, record.data(), old.data());
    CheckUniqueKeys(*keys, number);
    if (hook) {
        hook(record, old);
        keys.emplace(*this, record.data(), old.data());
    }
    for (uint8_t i = 0; i < keys->Count(); ++i) {
        if (keys->Kept(i)) continue;
        TIndexTree tree(indexFile_, keys->Slot(i), OrderOf(keys->Slot(i)));
        if (!tree.Delete(keys->Old(i), number) || !tree.Insert(keys->New(i), number))
            RaiseIndexError(VORSAM_INDEXCORRUPT, keys->Slot(i));
    }
    std::copy(record.begin(), record.end(), slot.Image().begin());
    slot.SetModified();
}

void TDataTable::DeleteRecord(uint32_t number) {
    TTableWrite write(*this);
    NoteContentChanged();
    TPinnedRecord slot(&ActiveRecord(number));
    TScratchBytes<1024> bytes(slot->Image().size());
    std::span<uint8_t> image(bytes.data(), bytes.size());
    std::copy(slot->Image().begin(), slot->Image().end(), image.begin());
    FreeRecordBlobs(image);
    TWriteKeys keys(*this, image.data(), nullptr);
    for (uint8_t i = 0; i < keys.Count(); ++i) {
        TIndexTree tree(indexFile_, keys.Slot(i), OrderOf(keys.Slot(i)));
        if (!tree.Delete(keys.New(i), number)) RaiseIndexError(VORSAM_INDEXCORRUPT, keys.Slot(i));
    }
    dataFile_.FreeRecord(*slot);
    slot.Reset();
    indexFile_.DecActiveRecords();
    write.End();
}

bool TDataTable::AppendsStraight() const {
    return mode_.Exclusive && !LockedWhole() && !HasBlobFile() && KeySlotList().Count == 0 &&
           dataFile_.GetFreeRecordNumber() == dataFile_.Header().NextRecordNumber();
}

uint32_t TDataTable::AppendStraight(std::span<uint8_t> images) {
    TTableWrite write(*this);
    NoteContentChanged();
    assert(AppendsStraight());
    size_t size = dataFile_.GetRecordSize();
    if (size == 0 || images.size() % size != 0)
        Raise(VORSAM_OUTOFRANGE, "record images of " + std::to_string(images.size()) + " bytes");
    uint32_t first = dataFile_.Header().NextRecordNumber();
    for (size_t at = 0, i = 0; at < images.size(); at += size, ++i) {
        uint8_t* image = &images[at];
        image[0] = RecordActive;
        StoreLE32(&image[NextFreeOffset], first + uint32_t(i));
        StoreLE32(&image[AutoIncValueOffset], dataFile_.NextAutoIncValue());
    }
    dataFile_.AppendSlots(images);
    indexFile_.SetActiveRecords(indexFile_.GetActiveRecords() + uint32_t(images.size() / size));
    write.End();
    return first;
}

// The blobs first: freeing a chain checks all of it before it changes anything.
void TDataTable::FreeRecordBlobs(std::span<const uint8_t> image) {
    if (!HasBlobFile()) return;
    for (const TFieldDescriptor& field : dataFile_.FieldDescriptors()) {
        if (field.DataType() != dtBlob || field.Computed() || image[field.Offset()] == 0) continue;
        const uint8_t* value = &image[field.Offset() + 1];
        uint32_t first = LoadLE32(value);
        blobFile_.FreeBlobChain(first, LoadLE32(value + 4), false);
    }
}

// ---- whole tables ----

void TDataTable::EmptyTable() {
    TTableWrite write(*this);
    NoteContentChanged();
    dataFile_.ResetHeader();
    indexFile_.ResetIndexes();
    if (HasBlobFile()) blobFile_.ResetBlobFile();
    write.End();
}

uint32_t TDataTable::SortRecords(const TSortRequest& request) {
    RequireOpen();
    if (!mode_.Exclusive) Raise(VORSAM_FILEINUSE, "sorting needs the table open exclusively");
    TTableWrite write(*this);
    NoteContentChanged();
    BeforeWrite(); // the sort rewrites the record area directly
    uint32_t count = dataFile_.SortRecords(request);
    RebuildIndexes();
    write.End();
    return count;
}

void TDataTable::RebuildIndexes() {
    TTableWrite write(*this);
    NoteContentChanged();
    indexFile_.ResetIndexes();
    std::vector<uint8_t> slots = KeySlots();
    BuildIndexes(slots);
    write.End();
}

} // namespace vorsam
