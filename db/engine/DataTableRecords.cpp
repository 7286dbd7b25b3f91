// TDataTable, its records: append, modify and delete keeping every index in step, key lookups, emptying,
// sorting, and building the indexes anew from the records.
#include "db/engine/DataTable.h"

#include "db/engine/IndexTree.h"
#include "db/engine/IndexVerify.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

// ---- keys ----

std::vector<uint8_t> TDataTable::KeySlots() const {
    std::vector<uint8_t> slots;
    if (!indexFile_.GetRecordOrder() && !indexFile_.GetIndexDesc(PrimaryIndexSlot).IsEmpty())
        slots.push_back(PrimaryIndexSlot);
    for (uint8_t slot = 1; slot <= indexFile_.GetIndexCount(); ++slot)
        if (!indexFile_.IsTextIndex(slot)) slots.push_back(slot);
    return slots;
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

void TDataTable::RaiseIndexError(uint16_t code, uint8_t slot) const {
    indexFile_.RaiseIndexError(code,
                               slot == PrimaryIndexSlot ? "Primary" : indexFile_.GetIndexDesc(slot).Name());
}

// A key that an index already holds for another record refuses the image. Keys of a non-unique index
// end with the +5 value and clash only when that does too. Keys the old image (when given) already has
// stay as they are.
void TDataTable::CheckUniqueKeys(std::span<const uint8_t> image, uint32_t number,
                                 std::span<const uint8_t> old) {
    for (uint8_t slot : KeySlots()) {
        std::vector<uint8_t> key = KeyOf(slot, image);
        if (!old.empty() && key == KeyOf(slot, old)) continue;
        TIndexTree tree(indexFile_, slot, OrderOf(slot));
        uint32_t found = 0;
        if (tree.Find(key.data(), found) && found != number) RaiseIndexError(VORSAM_KEYVIOL, slot);
    }
}

uint32_t TDataTable::FindKey(uint8_t slot, std::span<const uint8_t> image) {
    // A slot that keeps no keys (the primary index of a table in record order, a free or text slot)
    // has no key to build.
    std::vector<uint8_t> slots = KeySlots();
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

std::vector<uint8_t> TDataTable::PreparedImage(std::span<const uint8_t> image, uint32_t number) const {
    CheckImageSize(image);
    std::vector<uint8_t> record(image.begin(), image.end());
    record[0] = RecordActive;
    StoreLE32(&record[NextFreeOffset], number);
    return record;
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
    std::vector<uint8_t> record = PreparedImage(image, 0);
    uint32_t last = dataFile_.GetLastAutoIncValue();
    uint32_t autoInc = keepAutoInc ? LoadLE32(&record[AutoIncValueOffset]) : NextCounterValue(last);
    StoreLE32(&record[AutoIncValueOffset], autoInc);
    CheckUniqueKeys(record, 0, {});
    if (hook) hook(record, {});
    TPinnedRecord slot(dataFile_.AllocateRecord(nullptr));
    uint32_t number = slot->RecordNumber();
    if (!keepAutoInc)
        dataFile_.NextAutoIncValue();
    else if (autoInc > last && autoInc <= MaxCounterValue)
        dataFile_.SetLastAutoIncValue(autoInc); // later records' values stay fresh
    StoreLE32(&record[NextFreeOffset], number);
    std::copy(record.begin(), record.end(), slot->Image().begin());
    slot->SetModified();
    slot.Reset();
    for (uint8_t slotNumber : KeySlots()) {
        TIndexTree tree(indexFile_, slotNumber, OrderOf(slotNumber));
        if (!tree.Insert(KeyOf(slotNumber, record).data(), number))
            RaiseIndexError(VORSAM_INDEXCORRUPT, slotNumber);
    }
    indexFile_.IncActiveRecords();
    write.End();
    return number;
}

void TDataTable::ModifyRecord(uint32_t number, std::span<const uint8_t> image, bool keepAutoInc,
                              const TRecordHook& hook) {
    TTableWrite write(*this);
    NoteContentChanged();
    TPinnedRecord slot(&ActiveRecord(number));
    std::vector<uint8_t> old(slot->Image().begin(), slot->Image().end());
    std::vector<uint8_t> record = PreparedImage(image, number);
    if (!keepAutoInc) std::copy_n(&old[AutoIncValueOffset], 4, &record[AutoIncValueOffset]);
    CheckUniqueKeys(record, number, old);
    if (hook) hook(record, old);
    for (uint8_t slotNumber : KeySlots()) {
        std::vector<uint8_t> oldKey = KeyOf(slotNumber, old), newKey = KeyOf(slotNumber, record);
        if (oldKey == newKey) continue;
        TIndexTree tree(indexFile_, slotNumber, OrderOf(slotNumber));
        if (!tree.Delete(oldKey.data(), number) || !tree.Insert(newKey.data(), number))
            RaiseIndexError(VORSAM_INDEXCORRUPT, slotNumber);
    }
    std::copy(record.begin(), record.end(), slot->Image().begin());
    slot->SetModified();
    slot.Reset();
    write.End();
}

void TDataTable::DeleteRecord(uint32_t number) {
    TTableWrite write(*this);
    NoteContentChanged();
    TPinnedRecord slot(&ActiveRecord(number));
    std::vector<uint8_t> image(slot->Image().begin(), slot->Image().end());
    // The blobs first: freeing a chain checks all of it before it changes anything.
    if (HasBlobFile()) {
        for (const TFieldDescriptor& field : dataFile_.FieldDescriptors()) {
            if (field.DataType() != dtBlob || field.Computed() || image[field.Offset()] == 0) continue;
            const uint8_t* value = &image[field.Offset() + 1];
            uint32_t first = LoadLE32(value);
            blobFile_.FreeBlobChain(first, LoadLE32(value + 4), false);
        }
    }
    for (uint8_t slotNumber : KeySlots()) {
        TIndexTree tree(indexFile_, slotNumber, OrderOf(slotNumber));
        if (!tree.Delete(KeyOf(slotNumber, image).data(), number))
            RaiseIndexError(VORSAM_INDEXCORRUPT, slotNumber);
    }
    dataFile_.FreeRecord(*slot);
    slot.Reset();
    indexFile_.DecActiveRecords();
    write.End();
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
