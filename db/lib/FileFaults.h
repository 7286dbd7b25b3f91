// Fault injection and observation of the file layer, for tests of every engine layer above it.
//
// Every read, write (a zero-byte write, which truncates, counts as a write), lock, unlock, flush, rename,
// delete and reservation of room that a TFileHandler performs, and every open, status call (a look at a
// name, or at an open file's size) and folder listing of the file layer and the engine (FileCalls.h), is
// counted per kind and shown to an optional observer before it runs. A test can then
//   - make the nth operation of a kind fail, or every one that a predicate picks (FailWhere), as the
//     system would fail it with the error given (EIO unless told, ENOSPC for a full disk): a read raises
//     VORSAM_READERR, a write, flush, rename, delete or reservation VORSAM_WRITEERR (nothing of it reaches
//     the file); a lock is refused (false) for EAGAIN, another process holding the range, and raises the
//     error otherwise; an unlock leaves the range locked as far as the system goes and returns false
//     (FileHandler.h: a range that could not be unlocked); an open, status call or listing answers the
//     error to its caller as the system call would;
//   - stop at the nth write, rename or delete as a crash would: a write puts only its first `keepBytes`
//     bytes into the file, a rename or delete does not happen; every later write, truncation, flush,
//     rename and delete of the process is dropped, and ESimulatedCrash is thrown so that the code after
//     the crash point never runs. Reads keep working, so the test can close what is open, call Reset
//     and reopen the files to see what a crash would have left.
// Counting n starts from the call that arms the fault (1 = the next operation of that kind).
// The injector belongs to the open-file list (GetFileList().Faults()); it is thread-safe.
#pragma once

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace vorsam {

enum class TFileOperation : uint8_t {
    Read,
    Write,
    Lock,
    Flush,
    Rename,
    Delete,
    Reserve,
    Unlock,
    Open,
    Status,
    List
};
inline constexpr size_t FileOperationKinds = 11;

struct TFileEvent {
    TFileOperation Operation;
    std::string_view FileName; // for a listing, the folder
    bool InMemory;
    uint64_t Offset;      // file position; for a lock, the range's offset
    uint64_t Length;      // bytes asked for; 0 for a truncation or a flush
    bool Writing = false; // an open for writing
};

// Thrown by the file layer when it stops at the write chosen by StopAtWrite. Not an engine error.
class ESimulatedCrash : public std::runtime_error {
public:
    ESimulatedCrash() : std::runtime_error("simulated crash in the file layer") {}
};

enum class TFaultAction : uint8_t { Proceed, Fail, Crash, Drop };

class TFileFaults {
public:
    using TObserver = std::function<void(const TFileEvent&)>;

    void FailAt(TFileOperation operation, uint64_t n, int error = EIO);
    // Fails every operation of the kind that `picked` picks, with the error, until Reset.
    using TPicker = std::function<bool(const TFileEvent&)>;
    void FailWhere(TFileOperation operation, TPicker picked, int error = EIO);
    void StopAtWrite(uint64_t n, size_t keepBytes = 0) { StopAt(TFileOperation::Write, n, keepBytes); }
    // The same at the nth write, rename or delete (`operation`).
    void StopAt(TFileOperation operation, uint64_t n, size_t keepBytes = 0);
    void SetObserver(TObserver observer);
    // Clears every armed fault, the stopped state, the counts and the observer.
    void Reset();

    uint64_t Count(TFileOperation operation) const;
    // The system error of the failure planned for the kind: of the operation Before last answered Fail
    // for, on this thread.
    int FailError(TFileOperation operation) const;
    // A fault is armed, the process stopped, or an observer set: every operation is to pass Before (file
    // views, FileView.h, are then not made).
    bool Watching() const { return watching_.load(std::memory_order_relaxed); }
    bool Stopped() const;
    size_t CrashKeepBytes() const;

    // Called by the file handler before each operation: counts it, shows it to the observer and says
    // what to do with it.
    TFaultAction Before(const TFileEvent& event);

private:
    mutable std::mutex mutex_;
    // Counted outside the mutex while nothing watches, so that an operation costs no lock then.
    std::array<std::atomic<uint64_t>, FileOperationKinds> counts_{};
    std::array<uint64_t, FileOperationKinds> failAt_{}; // 0 = not armed
    std::array<int, FileOperationKinds> failError_{};
    std::array<uint64_t, FileOperationKinds> stopAt_{}; // 0 = not armed
    struct TPickedFailure {
        TFileOperation Operation;
        TPicker Picked;
        int Error;
    };
    std::vector<TPickedFailure> picked_;
    size_t keepBytes_ = 0;
    bool stopped_ = false;
    TObserver observer_;
    std::atomic<bool> watching_{false};
    void UpdateWatching(); // under mutex_
};

} // namespace vorsam
