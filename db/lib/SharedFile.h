// One file as this process sees it: a file on disk (one OS descriptor per file per process) or an
// in-memory file of the "Memory" database, shared by every TFileHandler that opened it, with its access
// critical section and its table of locked ranges. Created and released only by the open-file list.
//
// Byte-range locks on disk are Linux open-file-description locks (F_OFD_SETLK): they belong to the
// descriptor, so closing any other descriptor of the same file leaves them alone, and they vanish when
// the process dies. The byte at 2^32 (above every lock range of the table files) carries the open mode:
// a shared open holds a read lock on it and an exclusive open a write lock, so an exclusive open is
// refused while another process has the file open, and the other way round. While every handler of a
// file is idle (FileList.h) the process holds no open-mode lock on it.
#pragma once

#include "db/lib/CriticalSection.h"
#include "db/lib/RegionLocks.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vorsam {

inline constexpr uint64_t OpenModeLockOffset = uint64_t(1) << 32;

class TAbstractFile {
public:
    explicit TAbstractFile(std::string key) : key_(std::move(key)) {}
    virtual ~TAbstractFile() = default;
    TAbstractFile(const TAbstractFile&) = delete;
    TAbstractFile& operator=(const TAbstractFile&) = delete;

    // Absolute path of a disk file, name of an in-memory file.
    const std::string& Key() const { return key_; }
    void Rekey(std::string key) { key_ = std::move(key); }
    virtual bool InMemory() const = 0;

    // Each returns 0 or an errno value. ReadAt reads up to `count` bytes (fewer only at the end).
    virtual int ReadAt(uint64_t offset, void* buffer, size_t count, size_t& done) = 0;
    virtual int WriteAt(uint64_t offset, const void* buffer, size_t count) = 0;
    virtual int Truncate(uint64_t size) = 0;
    virtual int GetSize(uint64_t& size) = 0;
    virtual int Flush() = 0;
    // Room for `length` bytes from `offset` (the file's end) that the size does not show; Unreserve
    // gives back what was reserved beyond `size` (the file's end now), exactly that range. A file system
    // that cannot do so answers 0.
    virtual int Reserve(uint64_t, uint64_t) { return 0; }
    virtual int Unreserve(uint64_t) { return 0; }
    // The operating system's share of a lock or unlock: 0, EAGAIN when another process holds an
    // overlapping range, or another errno. In-memory files have none.
    virtual int LockRange(bool lock, uint64_t offset, uint64_t length) = 0;
    // Whether another process holds a lock overlapping the range: 0 when none does, EAGAIN when one
    // does, or another errno. In-memory files have none.
    virtual int TestRange(uint64_t offset, uint64_t length) = 0;
    // Takes (a shared open) or gives up the open-mode lock: 0, EAGAIN while another process has the file
    // open exclusively, or another errno. In-memory files have none.
    virtual int HoldOpenMode(bool hold) = 0;
    // Whether `path` still names the file that is open (not deleted, renamed away or replaced since).
    virtual bool NamedBy(const std::string& path) const = 0;
    // Whether its key still names it (one stat on disk; see FileList.h, Names looked at); a temporary file,
    // which has no name, always.
    bool StillNamed() const { return Temporary || NamedBy(key_); }
    // A read-only view of the file's first `length` bytes (FileView.h): 0, or an errno value (ENOTSUP
    // for an in-memory file).
    virtual int Map(size_t length, const uint8_t*& data) = 0;

    TCriticalSection Access; // the shared file's critical section (BeginAccess / EndAccess)
    TRegionLockTable Locks;  // guarded by Access

    // Kept by the open-file list under its own lock.
    bool InGrace = false; // every handler idle, the open-mode lock kept until GraceEnds (FileList.h)
    std::chrono::steady_clock::time_point GraceEnds{};
    int OpenCount = 0;
    int IdleCount = 0;     // of the OpenCount handlers, those idle
    bool Detached = false; // no longer found by its key: only its idle handlers still have it
    bool Exclusive = false;
    bool Temporary = false;
    bool ReadOnlyAttribute = false;
    // Open exclusively holding the open-mode lock that refuses every other process's open (a file opened
    // read-only is exclusive within this process only): no other process can meet its byte-range locks.
    bool ExcludesOtherProcesses() const { return Exclusive && !ReadOnlyAttribute && !InMemory(); }

private:
    std::string key_;
};

class TPhysicalFile : public TAbstractFile {
public:
    TPhysicalFile(std::string key, int descriptor, bool readOnly);
    ~TPhysicalFile() override;
    bool InMemory() const override { return false; }
    int ReadAt(uint64_t offset, void* buffer, size_t count, size_t& done) override;
    int WriteAt(uint64_t offset, const void* buffer, size_t count) override;
    int Truncate(uint64_t size) override;
    int GetSize(uint64_t& size) override;
    int Flush() override;
    int Reserve(uint64_t offset, uint64_t length) override;
    int Unreserve(uint64_t size) override;
    int LockRange(bool lock, uint64_t offset, uint64_t length) override;
    int TestRange(uint64_t offset, uint64_t length) override;
    int HoldOpenMode(bool hold) override;
    bool NamedBy(const std::string& path) const override;
    int Map(size_t length, const uint8_t*& data) override;

private:
    int descriptor_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    uint64_t reservedEnd_ = 0; // of the room reserved and not given back; 0: none
};

// An in-memory file cut to less than a quarter of its room gives the room back, when it held more than
// KeptRoom: an emptied table's files keep no memory of what they held.
class TMemoryFile : public TAbstractFile {
public:
    static constexpr size_t KeptRoom = size_t(64) << 10;
    using TAbstractFile::TAbstractFile;
    bool InMemory() const override { return true; }
    int ReadAt(uint64_t offset, void* buffer, size_t count, size_t& done) override;
    int WriteAt(uint64_t offset, const void* buffer, size_t count) override;
    int Truncate(uint64_t size) override;
    int GetSize(uint64_t& size) override;
    int Flush() override { return 0; }
    int LockRange(bool, uint64_t, uint64_t) override { return 0; }
    int TestRange(uint64_t, uint64_t) override { return 0; }
    int HoldOpenMode(bool) override { return 0; }
    bool NamedBy(const std::string&) const override { return true; }
    int Map(size_t, const uint8_t*&) override { return ENOTSUP; }

private:
    std::vector<uint8_t> data_;
};

// An OFD lock or unlock on a descriptor: 0, EAGAIN on conflict, or another errno. `exclusive` asks for
// a write lock (a descriptor opened read-only can only take read locks).
int SetDescriptorLock(int descriptor, bool lock, bool exclusive, uint64_t offset, uint64_t length);

} // namespace vorsam
