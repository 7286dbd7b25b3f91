// TDataCursor: appending, modifying and deleting records, the record lock of an edit, emptying the
// table, and read levels held across runs of operations.
#include "db/engine/DataCursor.h"

#include "db/engine/DataSession.h"
#include "db/engine/RemoteCursor.h"
#include "db/lib/ByteUtils.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <exception>
#include <functional>

namespace vorsam {

// ---- the record lock ----
//
// A record lock is waited for outside the cursor's read levels: the table's record lock releases its
// read level between tries, so that the holder of the lock, who must write to end its edit, is not
// kept from writing meanwhile. Once the lock is had (its read level held and the change check run),
// an operation confirms that the record is still the current one.

void TDataCursor::RequireWritable() const {
    if (IsReadOnly()) Raise(VORSAM_OSEACCES, "the table is read-only");
}

// The current record, which an edit, a modify or a delete works on.
uint32_t TDataCursor::RecordToEdit() {
    if (position_.Kind != TCursorPositionKind::OnRecord) Raise(VORSAM_RECNOTFOUND, "no current record");
    if (!FindPlace()) Raise(VORSAM_KEYORRECDELETED);
    return position_.Record;
}

uint32_t TDataCursor::CurrentForEdit() {
    TOperation operation(*this);
    RequireWritable();
    return RecordToEdit();
}

// Takes the record's lock byte unless the cursor holds it (a lock it holds on another record goes);
// true when it took it now: the table's second read level is then held until EndLockLevel.
// Inside the cursor's record run the run's lock stands for the record's own, and its read level for the
// lock's: nothing is taken (false).
bool TDataCursor::TakeLock(uint32_t number) {
    if (lock_.Held && lock_.Record == number) return false;
    if (lock_.Held) EndEdit();
    bool inRun = InRecordRun(number);
    if (!inRun) table_->LockRecord(number);
    if (lock_.Record != number) lock_.Original.clear();
    lock_.Record = number;
    lock_.Held = true;
    lock_.InRun = inRun;
    return !inRun;
}

bool TDataCursor::HoldRecordRun(uint32_t first, uint32_t count) {
    RequireLocalTable("record runs");
    ReleaseRecordRun();
    if (!Table().TryLockRecordRun(first, count)) return false;
    runFirst_ = first;
    runCount_ = count;
    return true;
}

void TDataCursor::ReleaseRecordRun() {
    if (runCount_ == 0) return;
    if (lock_.Held && lock_.InRun) EndEdit();
    uint32_t first = runFirst_, count = runCount_;
    runFirst_ = runCount_ = 0;
    try {
        table_->UnlockRecordRun(first, count);
    } catch (...) {
        EndLockLevel(true);
        throw;
    }
    EndLockLevel(true);
}

void TDataCursor::EndLockLevel(bool taken) noexcept {
    if (!taken || Settings().StrictChangeDetection) return;
    try {
        table_->EndRead(TReadLevel::Second);
    } catch (...) {
        // the slot goes with the table's files at the latest
    }
}

void TDataCursor::ReleaseLockByte() noexcept {
    if (!lock_.Held) return;
    lock_.Held = false;
    if (lock_.InRun) return; // the run's lock goes with the run
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

// Inside the operation after the lock: the record is still current and, when its edit began
// optimistically, as it was then.
void TDataCursor::ConfirmLocked(uint32_t number) {
    if (!FindPlace() || position_.Record != number) Raise(VORSAM_KEYORRECDELETED);
    if (lock_.Original.empty()) return;
    TPinnedRecord record(table_->DataFile().GetRecord(this, number));
    if (!std::equal(lock_.Original.begin(), lock_.Original.end(), record->Image().begin()))
        Raise(VORSAM_KEYORRECDELETED);
}

// The record as the edit found it, which the write compares (ConfirmLocked).
void TDataCursor::KeepOriginal(uint32_t number) {
    TPinnedRecord record(table_->DataFile().GetRecord(this, number));
    lock_.Original.assign(record->Image().begin(), record->Image().end());
}

uint16_t TDataCursor::GetCurrentRecord(std::span<uint8_t> buffer, bool lock) {
    if (remote_ && lock) RequireWritable();
    if (remote_) return RemoteMove(lock ? rmCurrentForEdit : rmCurrent, 0, buffer);
    bool pessimistic = directory_.Session().LockProtocol() == lpPessimistic;
    uint32_t number = 0;
    {
        TOperation operation(*this);
        uint16_t code = PlaceCurrent();
        if (code != 0 || !lock) return Fetch(code, buffer, 0);
        RequireWritable();
        number = position_.Record;
        if (!pessimistic) {
            // Optimistically nothing is locked: the record as it is now is what the write compares.
            EndEdit();
            lock_.Record = number;
            KeepOriginal(number);
            return Fetch(0, buffer, 0);
        }
    }
    bool taken = TakeLock(number);
    try {
        TOperation operation(*this);
        ConfirmLocked(number);
        // Outside this process's table lock, the record may hold what a transaction of another process
        // wrote before this lock and has not committed: the write compares it with what is read here.
        if (!table_->LockedWhole() && !table_->Exclusive()) KeepOriginal(number);
        uint16_t code = Fetch(0, buffer, 0);
        EndLockLevel(taken);
        return code;
    } catch (...) {
        if (taken) EndEdit();
        EndLockLevel(taken);
        throw;
    }
}

void TDataCursor::CancelRecord() {
    if (remote_) return remote_->Editing() ? RemoteWrite(rwCancel, {}) : void();
    if (!table_) return;
    EndEdit();
    RestoreBlobCopies();
}

// Runs a write of the current record under its lock: taken for this write unless the cursor's edit
// holds it. A write that fails leaves the edit as it was (a lock taken for it alone goes); one that
// succeeds ends the edit.
void TDataCursor::WriteLocked(const std::function<void(uint32_t number)>& write) {
    uint32_t number = CurrentForEdit();
    bool taken = TakeLock(number);
    bool levelHeld = taken;
    try {
        TOperation operation(*this);
        // The record is compared under the table lock of its write, after whatever another process's
        // transaction wrote before the record's lock has been committed.
        TTableWrite level(*table_);
        ConfirmLocked(number);
        uint64_t version = table_->ContentVersion();
        write(number);
        NoteFilteredWrite(number, version);
        level.End();
        // The lock's read level ends inside the operation, whose read slots then stay as a read batch
        // for the operations that follow.
        levelHeld = false;
        EndLockLevel(taken);
    } catch (...) {
        if (taken) ReleaseLockByte();
        EndLockLevel(levelHeld);
        throw;
    }
    EndEdit();
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
    if (remote_) return RemoteWrite(rwAppend, image);
    TOperation operation(*this);
    RequireWritable();
    PrepareImage(image);
    uint64_t version = table_->ContentVersion();
    TBlobWrite blobs(*this, image, 0);
    uint32_t number = table_->AppendRecord(image.first(recordSize_), KeepsAutoInc(image), blobs.Hook());
    NoteFilteredWrite(number, version);
    CopyPrefixBack(number, image);
    blobs.Written(number);
    SetOnRecord(number, image);
}

void TDataCursor::AppendRecords(std::span<uint8_t> images, TPendingKeys* pending) {
    const size_t size = GetRecordSize();
    if (images.empty() || size == 0) return;
    if (images.size() % size != 0) Raise(VORSAM_INVALIDPARAM, "record images of the wrong size");
    // The images appended take their numbers; those after one refused keep 0.
    for (size_t at = 0; at < images.size() && size > NextFreeOffset + 4; at += size)
        StoreLE32(&images[at + NextFreeOffset], 0);
    auto each = [&] {
        if (pending && !remote_) table_->ApplyPendingKeys(*pending);
        for (size_t at = 0; at < images.size(); at += size) AppendRecord(images.subspan(at, size));
    };
    // Computed fields of a layout of the cursor's own lie behind the record: such images are no slots.
    if (remote_ || layoutSize_ != 0) return each();
    TOperation operation(*this);
    RequireWritable();
    // Filters that keep the records they gathered learn of each write (NoteFilteredWrite), images that keep
    // their auto-increment values have them checked, and records with blobs have their buffers written:
    // one by one.
    const bool straight = table_->AppendsStraight();
    if (HasActiveFilters() || (suppressAutoInc_ && HasAutoIncField()) || (!straight && table_->HasBlobFile()))
        return each();
    // An image that its check refuses stops the set there; the images before it are appended.
    size_t ready = 0;
    std::exception_ptr refused;
    try {
        for (; ready * size < images.size(); ++ready) PrepareImage(images.subspan(ready * size, size));
    } catch (...) {
        refused = std::current_exception();
    }
    std::span<uint8_t> appended = images.first(ready * size);
    if (!appended.empty() && straight) {
        if (pending) table_->ApplyPendingKeys(*pending);
        uint32_t first = table_->AppendStraight(appended);
        SetOnRecord(uint32_t(first + ready - 1), appended.subspan(appended.size() - size));
    } else if (!appended.empty()) {
        auto last = [&] {
            size_t count = 0;
            while (count < ready && LoadLE32(&appended[count * size + NextFreeOffset]) != 0) ++count;
            if (count > 0)
                SetOnRecord(LoadLE32(&appended[(count - 1) * size + NextFreeOffset]),
                            appended.subspan((count - 1) * size, size));
        };
        try {
            table_->AppendRecords(appended, pending);
        } catch (...) {
            last();
            throw;
        }
        last();
    }
    if (refused) std::rethrow_exception(refused);
}

void TDataCursor::ApplyPendingKeys(TPendingKeys& pending) {
    if (pending.Empty()) return;
    RequireLocalTable("keys held back");
    TOperation operation(*this);
    table_->ApplyPendingKeys(pending);
}

void TDataCursor::ModifyRecord(std::span<uint8_t> image) {
    CheckImage(image);
    if (remote_) return RemoteWrite(rwModify, image);
    WriteLocked([&](uint32_t number) {
        PrepareImage(image);
        TBlobWrite blobs(*this, image, number);
        table_->ModifyRecord(number, image.first(recordSize_), KeepsAutoInc(image), blobs.Hook());
        CopyPrefixBack(number, image);
        blobs.Written(number);
        SetOnRecord(number, image);
    });
}

void TDataCursor::DeleteRecord() {
    if (remote_) return RemoteWrite(rwDelete, {});
    WriteLocked([&](uint32_t number) {
        table_->DeleteRecord(number);
        // The record's chains are freed: its buffers name nothing any more.
        ForgetBlobs([&](const TOpenBlob& blob) { return blob.Buffer->RecordNumber() == number; });
        SetBetween();
    });
}

void TDataCursor::WriteRecordSet(std::span<const uint32_t> numbers, bool keepOnFailure,
                                 const std::function<void()>& write) {
    RequireLocalTable("writing a set of records");
    RequireWritable();
    std::vector<uint32_t> toLock;
    uint32_t lowest = UINT32_MAX, highest = 0;
    for (uint32_t number : numbers) {
        if (InRecordRun(number) || (lock_.Held && lock_.Record == number)) continue;
        toLock.push_back(number);
        lowest = std::min(lowest, number);
        highest = std::max(highest, number);
    }
    // The locks: one try at the range from the lowest record to the highest (those between locked along
    // for that moment), else each record's own, in record order, waited for outside the cursor's read
    // levels as an edit's is; each holds the second read level until it goes.
    uint32_t rangeFirst = 0, rangeCount = 0;
    std::vector<uint32_t> locked;
    auto unlock = [&]() noexcept {
        try {
            if (rangeCount > 0) table_->UnlockRecordRun(rangeFirst, rangeCount);
        } catch (...) {
            // the lock goes with the table's files at the latest
        }
        if (rangeCount > 0) EndLockLevel(true);
        rangeCount = 0;
        for (uint32_t number : locked) {
            try {
                table_->UnlockRecord(number);
            } catch (...) {
            }
            EndLockLevel(true);
        }
        locked.clear();
    };
    try {
        if (lowest < highest && table_->TryLockRecordRun(lowest, highest - lowest + 1)) {
            rangeFirst = lowest;
            rangeCount = highest - lowest + 1;
        } else {
            std::sort(toLock.begin(), toLock.end());
            toLock.erase(std::unique(toLock.begin(), toLock.end()), toLock.end());
            for (uint32_t number : toLock) {
                table_->LockRecord(number);
                locked.push_back(number);
            }
        }
        TOperation operation(*this);
        TTableWrite level(*table_);
        try {
            write();
        } catch (...) {
            if (keepOnFailure) level.End();
            throw;
        }
        level.End();
    } catch (...) {
        unlock();
        throw;
    }
    unlock();
    if (lock_.Held && std::find(numbers.begin(), numbers.end(), lock_.Record) != numbers.end()) EndEdit();
}

uint32_t TDataCursor::DeleteRecords(std::span<const uint32_t> numbers) {
    uint32_t deleted = 0;
    WriteRecordSet(numbers, false, [&] {
        uint64_t before = table_->ContentVersion();
        deleted = table_->DeleteRecords(numbers);
        uint64_t after = table_->ContentVersion();
        for (size_t i = 0; i < numbers.size(); ++i) {
            uint32_t number = numbers[i];
            NoteFilteredWrite(number, i == 0 ? before : after);
            ForgetBlobs([&](const TOpenBlob& blob) { return blob.Buffer->RecordNumber() == number; });
        }
    });
    if (position_.Kind == TCursorPositionKind::OnRecord &&
        std::find(numbers.begin(), numbers.end(), position_.Record) != numbers.end())
        SetBetween();
    return deleted;
}

void TDataCursor::ModifyRecords(std::span<const uint32_t> numbers,
                                const std::function<void(uint32_t number, std::span<uint8_t> image)>& change,
                                uint32_t& changed, bool keysInSets) {
    if (!IsRemote() && table_->HasBlobFile()) Raise(VORSAM_NOTSUPPORTED, "a set of records with blobs");
    WriteRecordSet(numbers, true, [&] {
        uint64_t version = table_->ContentVersion();
        table_->ModifyRecords(
            numbers,
            [&](uint32_t number, std::span<uint8_t> image) {
                change(number, image);
                PrepareImage(image);
                return KeepsAutoInc(image);
            },
            changed, keysInSets);
        for (uint32_t number : numbers) NoteFilteredWrite(number, version);
    });
}

void TDataCursor::TryChanges(std::span<const uint32_t> numbers,
                             const std::function<void(size_t place, std::span<uint8_t> image)>& change,
                             const std::function<void(size_t place)>& refused) {
    RequireLocalTable("trying the changes of a set of records");
    assert(std::is_sorted(numbers.begin(), numbers.end()));
    TOperation operation(*this);
    TDataFile& file = table_->DataFile();
    const uint32_t next = file.Header().NextRecordNumber();
    auto refuse = [&](size_t place) {
        try {
            Raise(VORSAM_RECNOTFOUND);
        } catch (...) {
            refused(place);
        }
    };
    size_t first = 0;
    for (; first < numbers.size() && numbers[first] == 0; ++first) refuse(first);
    const size_t valid = size_t(std::lower_bound(numbers.begin(), numbers.end(), next) - numbers.begin());
    std::vector<uint8_t> copy;
    size_t at = first;
    file.VisitRecordImages(numbers.subspan(first, valid - first),
                           [&](uint32_t number, std::span<const uint8_t> image) {
                               while (numbers[at] != number) ++at;
                               if (image[0] != RecordActive) return;
                               copy.assign(image.begin(), image.end());
                               try {
                                   change(at, copy);
                                   PrepareImage(copy);
                               } catch (...) {
                                   refused(at);
                               }
                           });
    for (size_t place = valid; place < numbers.size(); ++place) refuse(place);
}

bool TDataCursor::CloneCurrentRecord(std::span<uint8_t> image) {
    if (remote_ && RemoteMove(rmCurrent, 0, image) != 0) return false;
    if (remote_) return std::fill_n(image.begin(), RecordPrefixSize, uint8_t(0)), true;
    TOperation operation(*this);
    CheckImage(image);
    if (PlaceCurrent() != 0) return false;
    ReadRecord(position_.Record, image, 0);
    std::fill_n(image.begin(), RecordPrefixSize, uint8_t(0));
    return true;
}

void TDataCursor::EmptyTable() {
    RequireLocalTable("emptying a table");
    TOperation operation(*this);
    RequireWritable();
    EndEdit();
    table_->EmptyTable();
    SetOutside(-1);
}

// ---- read levels across operations ----

void TDataCursor::BeginRead() {
    if (remote_) return void(++readsBegun_); // the server's reads need no level of the client's
    Table().BeginRead();
    ++readsBegun_;
}

void TDataCursor::EndRead(bool asOperation) {
    if (readsBegun_ == 0) Raise(VORSAM_INVALIDPARAM, "no read level begun");
    --readsBegun_;
    if (!remote_) table_->EndRead(TReadLevel::First, asOperation);
}

void TDataCursor::SaveChangeCounts() {
    seenVersion_ = Table().ContentVersion();
}

} // namespace vorsam
