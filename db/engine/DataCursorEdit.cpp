// TDataCursor: appending, modifying and deleting records, the record lock of an edit, emptying the
// table, and read levels held across runs of operations.
#include "db/engine/DataCursor.h"

#include "db/engine/DataSession.h"
#include "db/lib/ByteUtils.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

// ---- the record lock ----

// The current record, which an edit, a modify or a delete works on.
uint32_t TDataCursor::RecordToEdit() {
    if (position_.Kind != TCursorPositionKind::OnRecord) Raise(VORSAM_RECNOTFOUND, "no current record");
    if (!FindPlace()) Raise(VORSAM_KEYORRECDELETED);
    return position_.Record;
}

// Takes the record's lock byte unless the cursor holds it (a lock it holds on another record goes).
// The table's record lock leaves its second read level held: the operation in progress holds a read
// level of its own, so it ends at once.
void TDataCursor::TakeLock(uint32_t number) {
    if (lock_.Held && lock_.Record == number) return;
    if (lock_.Held) EndEdit();
    table_->LockRecord(number);
    if (!Settings().StrictChangeDetection) table_->EndRead(TReadLevel::Second);
    if (lock_.Record != number) lock_.Original.clear();
    lock_.Record = number;
    lock_.Held = true;
}

void TDataCursor::ReleaseLockByte() noexcept {
    if (!lock_.Held) return;
    lock_.Held = false;
    try {
        table_->UnlockRecord(lock_.Record);
    } catch (...) {
        // the lock goes with the table's files at the latest
    }
}

void TDataCursor::EndEdit() noexcept {
    ReleaseLockByte();
    lock_ = {};
}

void TDataCursor::RequireWritable() const {
    if (IsReadOnly()) Raise(VORSAM_OSEACCES, "the table is read-only");
}

void TDataCursor::LockForEdit(uint32_t number) {
    RequireWritable();
    if (directory_.Session().LockProtocol() == lpPessimistic) {
        TakeLock(number);
        return;
    }
    EndEdit();
    TPinnedRecord record(table_->DataFile().GetRecord(this, number));
    lock_.Record = number;
    lock_.Original.assign(record->Image().begin(), record->Image().end());
}

// Locks the record for the write about to change it; under optimistic locking the record must still be
// as it was when its edit began. Returns whether the lock was taken for this write alone.
bool TDataCursor::LockForWrite(uint32_t number) {
    RequireWritable();
    bool heldBefore = lock_.Held && lock_.Record == number;
    TakeLock(number);
    if (lock_.Original.empty()) return !heldBefore;
    TPinnedRecord record(table_->DataFile().GetRecord(this, number));
    if (!std::equal(lock_.Original.begin(), lock_.Original.end(), record->Image().begin())) {
        ReleaseLockByte();
        Raise(VORSAM_KEYORRECDELETED);
    }
    return !heldBefore;
}

void TDataCursor::CancelRecord() {
    if (table_) EndEdit();
}

// ---- writes ----

bool TDataCursor::KeepsAutoInc(std::span<const uint8_t> image) const {
    return suppressAutoInc_ && HasAutoIncField() && LoadLE32(&image[AutoIncValueOffset]) != 0;
}

// The buffer takes the written record's prefix: status, number and +5 value.
void TDataCursor::CopyPrefixBack(uint32_t number, std::span<uint8_t> image) {
    TPinnedRecord record(table_->DataFile().GetRecord(this, number));
    std::memcpy(image.data(), record->Image().data(), RecordPrefixSize);
}

void TDataCursor::AppendRecord(std::span<uint8_t> image) {
    TOperation operation(*this);
    RequireWritable();
    PrepareImage(image);
    BeforeTableWrite();
    uint32_t number = table_->AppendRecord(image.first(recordSize_), KeepsAutoInc(image));
    CopyPrefixBack(number, image);
    SetOnRecord(number, image);
}

void TDataCursor::ModifyRecord(std::span<uint8_t> image) {
    TOperation operation(*this);
    CheckImage(image);
    uint32_t number = RecordToEdit();
    bool forThisWrite = LockForWrite(number);
    try {
        PrepareImage(image);
        BeforeTableWrite();
        table_->ModifyRecord(number, image.first(recordSize_), KeepsAutoInc(image));
    } catch (...) {
        // A failed write leaves the edit as it was: a lock taken for it alone goes.
        if (forThisWrite) ReleaseLockByte();
        throw;
    }
    EndEdit();
    CopyPrefixBack(number, image);
    SetOnRecord(number, image);
}

void TDataCursor::DeleteRecord() {
    TOperation operation(*this);
    uint32_t number = RecordToEdit();
    bool forThisWrite = LockForWrite(number);
    try {
        BeforeTableWrite();
        table_->DeleteRecord(number);
    } catch (...) {
        if (forThisWrite) ReleaseLockByte();
        throw;
    }
    EndEdit();
    SetBetween();
}

bool TDataCursor::CloneCurrentRecord(std::span<uint8_t> image) {
    TOperation operation(*this);
    CheckImage(image);
    if (PlaceCurrent() != 0) return false;
    ReadRecord(position_.Record, image, 0);
    std::fill_n(image.begin(), RecordPrefixSize, uint8_t(0));
    return true;
}

void TDataCursor::EmptyTable() {
    TOperation operation(*this);
    RequireWritable();
    EndEdit();
    BeforeTableWrite();
    table_->EmptyTable();
    SetOutside(-1);
}

// ---- read levels across operations ----

void TDataCursor::BeginRead() {
    Table().BeginRead();
    ++readsBegun_;
}

void TDataCursor::EndRead() {
    if (readsBegun_ == 0) Raise(VORSAM_INVALIDPARAM, "no read level begun");
    --readsBegun_;
    table_->EndRead();
}

void TDataCursor::SaveChangeCounts() {
    seenVersion_ = Table().ContentVersion();
}

} // namespace vorsam
