// TFileHandler: one user's access to a file of the engine, on disk or in memory (the "Memory" database).
// The data, index and blob files of a table derive from it.
//
// Handlers of the same file in one process share one shared file of the process-wide open-file list
// (FileList.h): one OS descriptor, one critical section, one table of locked ranges. Each handler keeps
// its own position; reads and writes are positioned (pread/pwrite) and run inside the shared file's
// critical section, which callers also hold across several operations with BeginAccess/EndAccess.
//
// Settings (file name, in memory, exclusive, read-only, temporary) are made while the handler is closed.
// Failures raise through RaiseEngineError with the handler's error context (by default the folder as
// database and the file name as table; the table files give their table and database names instead):
//   open of a missing file VORSAM_OSENOENT, sharing conflicts VORSAM_FILEINUSE, a short read
//   VORSAM_READERR (unless allowed), a failed write, truncation or flush VORSAM_WRITEERR.
//
// Byte-range locks (LockRegion) never wait or retry: a range overlapping one held by any handler of this
// process, or by another process, is refused (false); a lock the system fails otherwise raises
// VORSAM_OSERROR with its errno. An unlock must name exactly a range this handler holds; one that the
// system refuses (an I/O error) returns false, and the range is no longer held here but may still be
// in the system: it refuses nothing in this process, and its unlock is tried again at every later lock
// or unlock of the file until it succeeds (RegionLocks.h). Locks belong to the handler and are released
// when it closes. The byte at 2^32 is reserved (SharedFile.h). A file this process holds exclusively (no
// other process can open it) takes its locks in the process's table alone, without the system's.
//
// Every read, write, lock, unlock, flush, rename, delete and look at the file's size passes the
// file-fault injector (FileFaults.h).
#pragma once

#include "db/lib/EngineErrors.h"
#include "db/lib/FileFaults.h"
#include "db/lib/FileView.h"

#include <cstdint>
#include <string>

namespace vorsam {

class TAbstractFile;

enum TSeekOrigin : uint8_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TFileHandler {
public:
    TFileHandler() = default;
    virtual ~TFileHandler();
    TFileHandler(const TFileHandler&) = delete;
    TFileHandler& operator=(const TFileHandler&) = delete;

    // Settings; only while closed, but read-only: this handler's own refusal of writes, the file being
    // opened for writing whenever it may be (FileList.h).
    void SetFileName(const std::string& name);
    void SetInMemory(bool value);
    void SetExclusive(bool value);
    void SetReadOnly(bool value);
    void SetTemporary(bool value); // CreateFile makes a temporary file, deleted when its last handle closes

    const std::string& FileName() const { return fileName_; }
    bool InMemory() const { return inMemory_; }
    bool Exclusive() const { return exclusive_; }
    bool OpenedReadOnly() const { return readOnly_; }
    // A handler opened read-only writes while this is set (its owner completing, under its write locks,
    // a write another user left unended); a file that cannot be written still refuses.
    void AllowWrites(bool value) { writesAllowed_ = value; }
    bool ReadOnlyAttribute() const;
    bool Temporary() const { return temporary_; }
    bool IsOpen() const { return file_ != nullptr; }
    // An open disk file's handler goes idle: it stays open but neither reads, writes nor locks until it
    // resumes; Resume is false when the file is not the one its name gives any more (FileList.h: idle
    // handlers), and the handler is then only to be closed.
    void Idle();
    // `continued`: the file kept its open-mode lock since the handler went idle (FileList.h); without
    // `lookAtName` the caller knows that the name still gives the file.
    bool Resume(bool* continued = nullptr, bool lookAtName = true);
    bool IsIdle() const { return idle_; }
    // An open handler's file is still the one its name gives (FileList.h, Names looked at).
    bool StillNamed() const;
    // An in-memory file this handler has open exclusively is found by no name until Unhide (false while
    // another file has its name); see TFileList::Hide.
    void Hide();
    bool Unhide();

    virtual void Open();
    virtual void Close();
    virtual void CreateFile(); // makes the file new (FileNaming.h) and opens it
    virtual void DeleteFile(); // closes the handler first; refused while anyone has the file open
    virtual void RenameFile(const std::string& newName);     // the same; the new name must be free
    virtual void CopyTo(const std::string& destinationName); // a new file in the same storage
    virtual void AppendTo(TFileHandler& destination);        // the whole file after the destination's end
    virtual size_t ReadBuffer(void* buffer, size_t count, bool allowShort = false);
    virtual void WriteBuffer(const void* buffer, size_t count); // count 0 truncates at the position
    virtual void FlushBuffers();
    // Makes room on disk for the file to grow to `end` bytes, its size unchanged, so that writes up to
    // there never find the disk full; nothing when it is that long, in memory, or on a file system that
    // cannot make room ahead (its writes then take room as they come). VORSAM_WRITEERR (ENOSPC) when the
    // room is not there. Passes the fault injector as a reservation of the bytes beyond the file's end.
    void Reserve(uint64_t end);
    // Gives back the room made beyond the file's end: 0, or the errno of a file system that refused.
    int Unreserve() noexcept;
    // Makes the file's entry in its folder (its creation, a rename into the folder, a delete) reach the
    // disk; nothing in memory. Passes the fault injector as a flush.
    void SyncFolder() const;

    // A read-only view of the whole file as long as it is now (FileView.h), for reads that cost no system
    // call; an empty one for an in-memory or empty file, an idle handler, a file that cannot be mapped,
    // and while the file-fault injector watches the file layer (it sees every read). Reads through a view
    // pass neither the injector nor the shared file's critical section.
    TFileView ViewForReading();

    uint64_t Seek(int64_t offset, TSeekOrigin origin = soBeginning);
    uint64_t Position() const { return position_; }
    uint64_t GetFileSize();

    void BeginAccess();
    void EndAccess();

    // Locks (`lock` true) or unlocks `length` bytes at `offset`; true on success (above).
    bool LockRegion(bool lock, uint64_t length, uint64_t offset);
    // Tries again the unlocks of the file that the system refused (above); false when one still fails,
    // and the system may then still hold its range: a handler that would go idle closes instead.
    bool ReleaseStaleRanges();
    // Whether another process holds a lock overlapping the `length` bytes at `offset` (this process's
    // own locks do not count).
    bool RegionLockedElsewhere(uint64_t length, uint64_t offset);

protected:
    virtual void GetErrorContext(TErrorContext& context) const;
    TErrorContext ErrorContext(int osError = 0) const;
    [[noreturn]] void RaiseFileError(uint16_t code, int osError) const;

private:
    void RequireClosed() const;
    template <typename T> void ChangeSetting(T& setting, const T& value) {
        RequireClosed();
        setting = value;
    }
    void RequireOpen() const;
    bool NamingProceeds(TFileOperation operation) const;
    // False when a planned fault drops the flush or stops the process there; a planned failure raises.
    bool FlushProceeds(uint64_t position) const;
    void Acquire(bool create);
    bool NamedAsGiven() const;
    void RetryStaleUnlocks();

    std::string fileName_;
    // The open file's name as given, absolute, when a link along it made the file's key (its path with
    // every link resolved at the open) another path; empty when the key is the name.
    std::string linkedName_;
    bool inMemory_ = false;
    bool exclusive_ = false;
    bool readOnly_ = false;
    bool writesAllowed_ = false;
    bool temporary_ = false;
    TAbstractFile* file_ = nullptr;
    uint64_t position_ = 0;
    bool idle_ = false;
};

// Holds a handler's BeginAccess for a scope.
class TFileAccess {
public:
    explicit TFileAccess(TFileHandler& handler) : handler_(handler) { handler_.BeginAccess(); }
    ~TFileAccess() { handler_.EndAccess(); }
    TFileAccess(const TFileAccess&) = delete;
    TFileAccess& operator=(const TFileAccess&) = delete;

private:
    TFileHandler& handler_;
};

} // namespace vorsam
