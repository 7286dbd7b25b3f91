// The process-wide list of open files: one shared file (one OS descriptor, one critical section, one
// table of locked ranges) per file per process, whatever number of handlers opened it, plus the
// in-memory files of the "Memory" database, which live here until deleted or until the library globals
// are finalized. Disk files are keyed by their absolute path, in-memory files by their name as given.
//
// Rules that emulate the sharing modes the engine expects:
//   - an exclusive open is refused while any other handler of this process or any other process has the
//     file open, and every open is refused while an exclusive handler has it (VORSAM_FILEINUSE);
//   - creating, deleting or renaming a file is refused while anyone has it open (Linux would silently
//     remove or replace a file in use); a rename never replaces an existing file (VORSAM_FILEEXISTS);
//   - a name reaches its file only through the links FileNaming.h trusts, only regular files are opened,
//     and a created file is always made new there (a file nobody has open under its name is removed);
//   - a file the process may not write is opened read-only and flagged so (read-only attribute); an
//     exclusive open of such a file is exclusive within this process only;
//   - a temporary file is created without a name on disk (O_TMPFILE, or created and unlinked at once), so
//     nothing is left after a crash, and it disappears when its last handler closes; other handlers of
//     this process can still open it by its name while it lives.
// Every failure raises through RaiseEngineError with the caller's context and the errno as OS code.
//
// Idle handlers: a handler may go idle while it stays open (a table kept open between its uses, which
// does nothing with the file meanwhile). While every handler of a disk file is idle the process gives up
// the file's open-mode lock, so other processes may open it exclusively, delete, rename or replace it as
// if it were closed; and in this process an open, create, delete or rename that meets such a file
// detaches it (its key then names no open file; the idle handlers keep their descriptor) and goes on as
// if the file were closed. A handler that resumes gets its lock back and is told whether its file is
// still the one its name gives; when not (detached, replaced, gone, or open exclusively elsewhere) it
// stays idle and is only to be closed.
//
// Names looked at: the open-mode lock keeps the engine's processes from deleting, renaming or replacing a
// file that is open, but a plain rename by any other process can put another file under its name at any
// time. So every resume, and every open that would share a descriptor in use, looks at the name (one
// stat: its device and inode against the descriptor's), unless its caller knows that nothing in the folder
// was made, renamed or deleted since (the engine's stamp of the folder); a descriptor in use whose
// name leads elsewhere is detached as an idle one is, its handlers keeping the file they had.
//
// Open-mode grace: with a grace keeper (the engine's keeper of read batches), a file whose last handler
// goes idle keeps its open-mode lock for OpenModeGrace more, and a handler that resumes meanwhile takes it
// up again as it stands: no lock to take, since no other process of the engine can have deleted, renamed
// or replaced it (each needs the file unused); its name is looked at all the same. The keeper gives the
// lock up once the grace is over (EndOpenModeGraces), and at once whenever it gives up every read batch;
// an open, delete or rename in this process that meets the file ends its grace. An exclusive open that
// meets another process's open tries again for OpenModeWait before it is refused, so that a grace never
// refuses it.
#pragma once

#include "db/lib/CriticalSection.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/FileFaults.h"
#include "db/lib/SharedFile.h"

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorsam {

class TFileList;

inline constexpr std::chrono::milliseconds OpenModeGrace{20};
inline constexpr std::chrono::milliseconds OpenModeWait{120};

// Who ends the open-mode graces (see above).
class TOpenModeGraceKeeper {
public:
    // A grace that ends at `due` begins: the keeper calls EndOpenModeGraces by then. False when it will
    // not (the lock then goes at once).
    virtual bool GraceBegins(std::chrono::steady_clock::time_point due) = 0;
    // The list goes: once this returns, the keeper never calls it again.
    virtual void Forget(TFileList& list) noexcept = 0;

protected:
    ~TOpenModeGraceKeeper() = default;
};

struct TFileOpenRequest {
    std::string Name;
    bool InMemory = false;
    bool Exclusive = false;
    bool Create = false;    // make the file new, in the place of one nobody has open (FileNaming.h)
    bool Temporary = false; // with Create: deleted when its last handler closes
};

class TFileList {
public:
    TFileList() = default;
    ~TFileList();
    TFileList(const TFileList&) = delete;
    TFileList& operator=(const TFileList&) = delete;

    // Opens the file for one more handler; the result stays valid until the matching Release.
    TAbstractFile& Acquire(const TFileOpenRequest& request, const TErrorContext& context);
    // One handler less; `idle`: the handler was idle.
    void Release(TAbstractFile& file, bool idle = false);
    // A handler of the disk file goes idle, or resumes (false: it stays idle, see above); `continued`
    // tells whether the file kept its open-mode lock since the handler went idle (see Open-mode grace).
    void Idle(TAbstractFile& file);
    bool Resume(TAbstractFile& file, bool* continued = nullptr, bool lookAtName = true);

    // Open-mode grace (see above): the keeper, set once; none by default.
    void SetOpenModeGraceKeeper(TOpenModeGraceKeeper* keeper);
    bool HasOpenModeGraceKeeper() const { return graceKeeper_.load(std::memory_order_acquire) != nullptr; }
    // Gives up the open-mode locks whose grace is over at `now` (all of them with `all`); returns when the
    // next grace ends (time_point::max() when none).
    std::chrono::steady_clock::time_point EndOpenModeGraces(std::chrono::steady_clock::time_point now,
                                                            bool all);

    // Whether a file has the name (on disk, through links as the file layer follows them). Raises when
    // that cannot be told (a folder on the way that may not be searched, a failing disk): the error of the
    // errno (RaiseOSError, VORSAM_OSERROR otherwise) naming the file; a name that leads to nothing
    // (ENOENT, ENOTDIR) is no file.
    bool Exists(const std::string& name, bool inMemory);
    void Delete(const std::string& name, bool inMemory, const TErrorContext& context);
    void Rename(const std::string& name, const std::string& newName, bool inMemory,
                const TErrorContext& context);
    // A name in the folder with the extension that no file has, on disk or in memory.
    std::string TempFileName(const std::string& folder, const std::string& extension, bool inMemory);

    // An in-memory file that one handler has open exclusively leaves the names: found by no name (as a
    // detached file, it goes with that handler's close) until Unhide puts it back under its key, which
    // is false, the file still hidden, while another file has the key.
    void Hide(TAbstractFile& file);
    bool Unhide(TAbstractFile& file);

    // Files that a handler uses (idle handlers do not count).
    size_t OpenFileCount();
    TFileFaults& Faults() { return faults_; }

private:
    using TFiles = std::map<std::string, std::unique_ptr<TAbstractFile>>;
    // A created file's name is not followed through a link in its last part (FileNaming.h).
    std::string KeyOf(const std::string& name, bool inMemory, bool create = false) const;
    TFiles& FilesOf(bool inMemory) { return inMemory ? memory_ : disk_; }
    TAbstractFile& OpenMemoryFile(const std::string& key, const TFileOpenRequest& request,
                                  const TErrorContext& context);
    TAbstractFile& OpenDiskFile(const std::string& key, const TFileOpenRequest& request,
                                const TErrorContext& context);
    // Opens a disk file that nobody else may have open, holding the exclusive open-mode lock; -1 never.
    int OpenUnused(const std::string& key, const TErrorContext& context);
    static bool OnlyIdle(const TAbstractFile& file) { return file.OpenCount == file.IdleCount; }
    // The file out of the list's keys (see Idle handlers; a file in use whose name leads to another file
    // keeps its handlers too).
    void Detach(TFiles::iterator it);
    // The file's last handler went idle: its open-mode lock goes, or stays for a grace (`graced`, ending
    // at `due`).
    void LetOpenModeGo(TAbstractFile& file, bool graced, std::chrono::steady_clock::time_point due);
    // The file leaves the graced ones, giving up its open-mode lock with `release`.
    void EndGrace(TAbstractFile& file, bool release);
    // Asks the keeper for a grace that would end OpenModeGrace from now.
    bool GraceWatched(std::chrono::steady_clock::time_point& due);

    TCriticalSection lock_;
    TFiles disk_;
    TFiles memory_;
    std::vector<std::unique_ptr<TAbstractFile>> detached_;
    std::vector<TAbstractFile*> graced_; // the files in grace
    std::atomic<TOpenModeGraceKeeper*> graceKeeper_{nullptr};
    TFileFaults faults_;
};

// A free temporary file name in the folder (see TFileList::TempFileName); needs the library globals.
std::string TempFileName(const std::string& folder, const std::string& extension, bool inMemory = false);

// Whether the name gives a regular file itself, not through a symbolic link (on disk), or a file (in
// memory). The file layer follows links; the engine acts on its own working files (swap records,
// journals, a restructure's new files) only when they are plain files, so that a link never makes it
// read, move, write or delete a file elsewhere. False also when that cannot be told: for callers to
// whom false is the safe answer (they leave the file alone); the others ask FileKindOf.
bool IsPlainFile(const std::string& name, bool inMemory = false);

// What the name gives, not following a symbolic link: nothing, a regular file, or anything else (a link,
// a folder, a device). In memory: a file or nothing. Raises as TFileList::Exists does when that cannot
// be told.
enum class TFileKind : uint8_t { None, Plain, Other };
TFileKind FileKindOf(const std::string& name, bool inMemory = false);

// Raises the engine error that an errno value stands for (ENOENT: VORSAM_OSENOENT, EACCES/EPERM/EROFS:
// VORSAM_OSEACCES, EEXIST: VORSAM_FILEEXISTS, EAGAIN: VORSAM_FILEINUSE, others: `otherwise`).
[[noreturn]] void RaiseOSError(int error, uint16_t otherwise, TErrorContext context);

} // namespace vorsam
