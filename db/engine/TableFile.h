// TTableFile: what the files of a table (data, index and blob file) share over the file layer: their
// owning table, errors raised with the table's and database's names as context, positioned reads and
// writes, each inside the shared file's critical section, and the read slots and write lock that the
// index and blob files carry (TableLocks.h; the data file has the table and record locks instead).
//
// Emptying a file cuts it after its header (TruncateContent). While the table is locked whole the cut
// waits in memory, as every other change of such a table does, until the table writes its changes
// (WritePendingTruncation, before the content) or forgets them (ForgetPendingTruncation).
//
// While the owner has a write sink (a journaled write gathering the table's writes, CommitJournal.h),
// every write, cut and sync of the file goes to the sink in its order instead of the file; the sink
// later puts them into the file (ApplyWrite, ApplySync).
#pragma once

#include "db/engine/TableFileOwner.h"
#include "db/engine/TableLocks.h"
#include "db/lib/FileHandler.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace vorsam {

class TTableFile;

class TTableWriteSink {
public:
    virtual ~TTableWriteSink() = default;
    // `count` bytes at `offset` of the file; 0 bytes cuts the file there.
    virtual void Write(TTableFile& file, uint64_t offset, const uint8_t* bytes, size_t count) = 0;
    virtual void Sync(TTableFile& file) = 0;
};

class TTableFile : public TFileHandler {
public:
    explicit TTableFile(TableFileOwner& owner) : owner_(owner) {}

    TableFileOwner& Owner() const { return owner_; }
    [[noreturn]] void RaiseError(uint16_t code) const { RaiseFileError(code, 0); }

    // Index and blob files: takes a read slot (tried up to the session's LockTries times), which goes to
    // `slot`; releases it; takes and releases the write lock. False when refused.
    bool ReadLock(uint16_t& slot) { return LockReadSlot(*this, slot, owner_.Settings().LockTries); }
    bool ReadUnlock(uint16_t slot) { return LockRegion(false, 1, ReadSlotOffset(slot)); }
    bool WriteLock() { return WriteLock(owner_.Settings().LockTries); }
    bool WriteLock(uint32_t tries) { return LockWithRetries(*this, WriteLockOffset, WriteLockLength, tries); }
    bool WriteUnlock() { return LockRegion(false, WriteLockLength, WriteLockOffset); }

    // Cuts the file at `offset` (flushing when ForceBufferFlush is set), or, while the table is locked
    // whole, remembers the cut for the table's next write.
    void TruncateContent(uint64_t offset) {
        if (owner_.LockedWhole()) {
            pendingCut_ = pendingCut_ ? std::min(*pendingCut_, offset) : offset;
            return;
        }
        Cut(offset);
    }
    bool HasPendingTruncation() const { return pendingCut_.has_value(); }
    void WritePendingTruncation() {
        if (!pendingCut_) return;
        Cut(*pendingCut_);
        pendingCut_.reset();
    }
    void ForgetPendingTruncation() { pendingCut_.reset(); }

    // Cuts what the file holds beyond `end` (nothing when it holds no more); true when it did.
    bool CutTail(uint64_t end) {
        if (GetFileSize() <= end) return false;
        WriteAt(end, nullptr, 0);
        return true;
    }

    void FlushBuffers() override {
        if (TTableWriteSink* sink = owner_.WriteSink())
            sink->Sync(*this);
        else
            TFileHandler::FlushBuffers();
    }
    // A write or sink that a sink gathered, into the file itself.
    void ApplyWrite(uint64_t offset, const uint8_t* buffer, size_t count) {
        if (count == 0) ContentCut();
        TFileAccess access(*this);
        Seek(int64_t(offset));
        WriteBuffer(buffer, count);
    }
    void ApplySync() { TFileHandler::FlushBuffers(); }
    // What the file holds at `offset`, zeros past its end: the bytes between writes applied together.
    void ReadForApply(uint64_t offset, uint8_t* buffer, size_t count) { ReadAt(offset, buffer, count, true); }

protected:
    // The file is about to be cut: what a file keeps of its content beside its caches must go. Only the
    // data file keeps such a thing (its view); the index and blob files have nothing to forget.
    virtual void ContentCut() {}
    void GetErrorContext(TErrorContext& context) const override {
        context.Table = owner_.TableName();
        context.Database = owner_.DatabaseName();
    }
    // `count` bytes at `offset`; fewer only with `allowShort` (the rest zeroed). Returns the bytes read.
    size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t count, bool allowShort = false) {
        TFileAccess access(*this);
        Seek(int64_t(offset));
        return ReadBuffer(buffer, count, allowShort);
    }
    // Writes `count` bytes at `offset`; 0 bytes truncates the file there.
    void WriteAt(uint64_t offset, const uint8_t* buffer, size_t count) {
        if (TTableWriteSink* sink = owner_.WriteSink())
            sink->Write(*this, offset, buffer, count);
        else
            ApplyWrite(offset, buffer, count);
    }

    TableFileOwner& owner_;

private:
    void Cut(uint64_t offset) {
        owner_.BeforeWrite();
        WriteAt(offset, nullptr, 0);
        if (owner_.Settings().ForceBufferFlush) FlushBuffers();
    }

    std::optional<uint64_t> pendingCut_;
};

} // namespace vorsam
