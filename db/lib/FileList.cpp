#include "db/lib/FileList.h"

#include "db/lib/FileCalls.h"
#include "db/lib/FileNaming.h"
#include "db/lib/LibraryGlobals.h"
#include "db/lib/TableNames.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vorsam {

namespace {

constexpr int OpenFlags = O_RDWR | O_CLOEXEC;

// An exclusive lock that another process's open refuses is tried again for OpenModeWait: that open may
// be one whose grace is running out (see Open-mode grace).
int LockOpenMode(int descriptor, bool exclusive) {
    auto giveUp = std::chrono::steady_clock::now() + OpenModeWait;
    for (;;) {
        int error = SetDescriptorLock(descriptor, true, exclusive, OpenModeLockOffset, 1);
        if (error != EAGAIN || !exclusive || std::chrono::steady_clock::now() >= giveUp) return error;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// A nameless file in the folder of `key`; falls back to creating the name and unlinking it at once.
int CreateTemporaryDescriptor(const std::string& key) {
    std::string folder = std::filesystem::path(key).parent_path().string();
    int fd = OpenByName(folder, O_TMPFILE | OpenFlags, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
    fd = OpenByName(key, O_CREAT | O_EXCL | O_NOFOLLOW | OpenFlags, 0600);
    if (fd >= 0) ::unlink(key.c_str());
    return fd;
}

bool Unlinked(int descriptor) {
    struct stat info {};
    return ::fstat(descriptor, &info) == 0 && info.st_nlink == 0;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    return ::unlink(from.c_str()) == 0 ? 0 : errno;
}

} // namespace

void RaiseOSError(int error, uint16_t otherwise, TErrorContext context) {
    context.OSErrorCode = error;
    uint16_t code = otherwise;
    if (error == ENOENT)
        code = VORSAM_OSENOENT;
    else if (error == EACCES || error == EPERM || error == EROFS)
        code = VORSAM_OSEACCES;
    else if (error == EEXIST)
        code = VORSAM_FILEEXISTS;
    else if (error == EAGAIN)
        code = VORSAM_FILEINUSE;
    RaiseEngineError(code, context);
}

TFileList::~TFileList() {
    if (TOpenModeGraceKeeper* keeper = graceKeeper_.exchange(nullptr)) keeper->Forget(*this);
    for ([[maybe_unused]] auto& entry : disk_)
        assert(entry.second->OpenCount == 0 && "a file handler outlived the engine");
    assert(detached_.empty() && "a file handler outlived the engine");
}

std::string TFileList::KeyOf(const std::string& name, bool inMemory, bool create) const {
    std::string normal = ForwardToBackslashes(name);
    return inMemory ? normal : DiskFileKey(normal, !create);
}

TAbstractFile& TFileList::Acquire(const TFileOpenRequest& request, const TErrorContext& context) {
    std::string key = KeyOf(request.Name, request.InMemory, request.Create);
    TCriticalSectionGuard guard(lock_);
    TFiles& files = FilesOf(request.InMemory);
    auto it = files.find(key);
    // An idle descriptor may be of a file replaced meanwhile, and one in use of a file that a rename
    // outside the engine put aside: a new one is opened.
    if (it != files.end() && !request.InMemory && it->second->OpenCount > 0 &&
        (OnlyIdle(*it->second) || !it->second->StillNamed())) {
        Detach(it);
        it = files.end();
    }
    if (it != files.end() && it->second->OpenCount > 0) {
        TAbstractFile& file = *it->second;
        if (file.Exclusive || request.Exclusive || request.Create)
            RaiseOSError(EAGAIN, VORSAM_FILEINUSE, context);
        ++file.OpenCount;
        return file;
    }
    TAbstractFile& file =
        request.InMemory ? OpenMemoryFile(key, request, context) : OpenDiskFile(key, request, context);
    file.OpenCount = 1;
    file.Exclusive = request.Exclusive;
    return file;
}

TAbstractFile& TFileList::OpenMemoryFile(const std::string& key, const TFileOpenRequest& request,
                                         const TErrorContext& context) {
    auto& slot = memory_[key];
    if (!slot && !request.Create) {
        memory_.erase(key);
        RaiseOSError(ENOENT, VORSAM_OSERROR, context);
    }
    if (!slot) slot = std::make_unique<TMemoryFile>(key);
    if (request.Create) slot->Truncate(0);
    slot->Temporary = request.Create && request.Temporary;
    return *slot;
}

TAbstractFile& TFileList::OpenDiskFile(const std::string& key, const TFileOpenRequest& request,
                                       const TErrorContext& context) {
    bool readOnly = false;
    int fd;
    if (request.Create && request.Temporary) {
        fd = CreateTemporaryDescriptor(key);
        if (fd < 0) RaiseOSError(errno, VORSAM_OSERROR, context);
    } else if (request.Create) {
        fd = MakeNewFile(key); // held exclusively
        if (fd < 0) RaiseOSError(errno, VORSAM_OSERROR, context);
        if (int error = request.Exclusive ? 0 : LockOpenMode(fd, false)) {
            ::close(fd);
            RaiseOSError(error, VORSAM_OSERROR, context);
        }
    } else {
        fd = OpenKeyedFile(key, O_RDWR);
        if (fd < 0 && (errno == EACCES || errno == EROFS)) {
            fd = OpenKeyedFile(key, O_RDONLY);
            readOnly = true;
        }
        if (fd < 0) RaiseOSError(errno, VORSAM_OSERROR, context);
        int error = LockOpenMode(fd, !readOnly && request.Exclusive);
        if (!error && Unlinked(fd)) error = ENOENT; // deleted by another process meanwhile
        if (error) {
            ::close(fd);
            RaiseOSError(error, VORSAM_OSERROR, context);
        }
    }
    auto file = std::make_unique<TPhysicalFile>(key, fd, readOnly);
    file->Temporary = request.Create && request.Temporary;
    auto& slot = disk_[key];
    slot = std::move(file);
    return *slot;
}

void TFileList::Release(TAbstractFile& file, bool idle) {
    std::chrono::steady_clock::time_point due;
    bool graced = !idle && GraceWatched(due);
    TCriticalSectionGuard guard(lock_);
    assert(file.OpenCount > 0 && (!idle || file.IdleCount > 0));
    if (idle) --file.IdleCount;
    if (--file.OpenCount > 0) {
        if (!idle && OnlyIdle(file) && !file.Detached) LetOpenModeGo(file, graced, due);
        return;
    }
    if (file.InGrace) EndGrace(file, false); // the descriptor closes with the file
    file.Exclusive = false;
    if (file.Detached) {
        std::erase_if(detached_, [&](const auto& held) { return held.get() == &file; });
        return;
    }
    if (!file.InMemory() || file.Temporary) FilesOf(file.InMemory()).erase(file.Key());
}

void TFileList::Idle(TAbstractFile& file) {
    std::chrono::steady_clock::time_point due;
    bool graced = GraceWatched(due);
    TCriticalSectionGuard guard(lock_);
    assert(!file.InMemory() && !file.Exclusive && file.IdleCount < file.OpenCount);
    ++file.IdleCount;
    if (OnlyIdle(file) && !file.Detached) LetOpenModeGo(file, graced, due);
}

bool TFileList::Resume(TAbstractFile& file, bool* continued, bool lookAtName) {
    TCriticalSectionGuard guard(lock_);
    assert(file.IdleCount > 0);
    if (continued) *continued = false;
    if (file.Detached) return false;
    const bool graced = OnlyIdle(file) && file.InGrace, lockHeld = graced || !OnlyIdle(file);
    if (!lockHeld && file.HoldOpenMode(true) != 0) return false;
    if (lookAtName && !file.StillNamed()) {
        if (!lockHeld) file.HoldOpenMode(false);
        return false;
    }
    if (graced) {
        EndGrace(file, false);
        if (continued) *continued = true;
    }
    --file.IdleCount;
    return true;
}

void TFileList::Detach(TFiles::iterator it) {
    if (it->second->InGrace) EndGrace(*it->second, true);
    it->second->Detached = true;
    detached_.push_back(std::move(it->second));
    disk_.erase(it);
}

void TFileList::Hide(TAbstractFile& file) {
    TCriticalSectionGuard guard(lock_);
    assert(file.InMemory() && file.Exclusive && file.OpenCount == 1);
    if (file.Detached) return;
    auto it = memory_.find(file.Key());
    assert(it != memory_.end() && it->second.get() == &file);
    file.Detached = true;
    detached_.push_back(std::move(it->second));
    memory_.erase(it);
}

bool TFileList::Unhide(TAbstractFile& file) {
    TCriticalSectionGuard guard(lock_);
    assert(file.InMemory() && file.OpenCount > 0);
    if (!file.Detached) return true;
    if (memory_.count(file.Key())) return false;
    auto held =
        std::find_if(detached_.begin(), detached_.end(), [&](const auto& d) { return d.get() == &file; });
    assert(held != detached_.end());
    file.Detached = false;
    memory_[file.Key()] = std::move(*held);
    detached_.erase(held);
    return true;
}

bool TFileList::Exists(const std::string& name, bool inMemory) {
    std::string key = KeyOf(name, inMemory);
    TCriticalSectionGuard guard(lock_);
    TFiles& files = FilesOf(inMemory);
    if (auto it = files.find(key); it != files.end() && (inMemory || !OnlyIdle(*it->second))) return true;
    if (inMemory) return false;
    if (AccessByName(key, F_OK) == 0) return true;
    if (errno == ENOENT || errno == ENOTDIR) return false;
    TErrorContext context;
    context.Table = name;
    context.ExtraText = "whether the file exists cannot be told";
    RaiseOSError(errno, VORSAM_OSERROR, context);
}

int TFileList::OpenUnused(const std::string& key, const TErrorContext& context) {
    if (auto it = disk_.find(key); it != disk_.end() && OnlyIdle(*it->second)) Detach(it);
    if (disk_.count(key)) RaiseOSError(EAGAIN, VORSAM_FILEINUSE, context);
    int fd = OpenKeyedFile(key, O_RDWR);
    if (fd < 0) RaiseOSError(errno, VORSAM_OSERROR, context);
    if (int error = LockOpenMode(fd, true)) {
        ::close(fd);
        RaiseOSError(error, VORSAM_OSERROR, context);
    }
    return fd;
}

void TFileList::Delete(const std::string& name, bool inMemory, const TErrorContext& context) {
    std::string key = KeyOf(name, inMemory);
    TCriticalSectionGuard guard(lock_);
    if (inMemory) {
        auto it = memory_.find(key);
        if (it == memory_.end()) RaiseOSError(ENOENT, VORSAM_OSERROR, context);
        if (it->second->OpenCount > 0) RaiseOSError(EAGAIN, VORSAM_FILEINUSE, context);
        memory_.erase(it);
        return;
    }
    int fd = OpenUnused(key, context);
    int error = ::unlink(key.c_str()) == 0 ? 0 : errno;
    ::close(fd);
    if (error) RaiseOSError(error, VORSAM_OSERROR, context);
}

void TFileList::Rename(const std::string& name, const std::string& newName, bool inMemory,
                       const TErrorContext& context) {
    std::string key = KeyOf(name, inMemory), newKey = KeyOf(newName, inMemory);
    TCriticalSectionGuard guard(lock_);
    TFiles& files = FilesOf(inMemory);
    if (auto it = files.find(newKey); !inMemory && it != files.end() && OnlyIdle(*it->second)) Detach(it);
    if (files.count(newKey)) RaiseOSError(EEXIST, VORSAM_OSERROR, context);
    if (inMemory) {
        auto it = memory_.find(key);
        if (it == memory_.end()) RaiseOSError(ENOENT, VORSAM_OSERROR, context);
        if (it->second->OpenCount > 0) RaiseOSError(EAGAIN, VORSAM_FILEINUSE, context);
        auto file = std::move(it->second);
        memory_.erase(it);
        file->Rekey(newKey);
        memory_[newKey] = std::move(file);
        return;
    }
    int fd = OpenUnused(key, context);
    int error = RenameNoReplace(key, newKey);
    ::close(fd);
    if (error) RaiseOSError(error, VORSAM_OSERROR, context);
}

std::string TFileList::TempFileName(const std::string& folder, const std::string& extension, bool inMemory) {
    static thread_local std::mt19937 random{std::random_device{}()};
    std::string prefix =
        folder.empty() ? std::string() : RemoveTrailingBackslashes(ForwardToBackslashes(folder));
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    for (;;) {
        char name[16];
        std::snprintf(name, sizeof name, "_VT%08X", unsigned(random()));
        std::string candidate = prefix + name + extension;
        if (!Exists(candidate, inMemory)) return candidate;
    }
}

// ---- open-mode grace ----

void TFileList::SetOpenModeGraceKeeper(TOpenModeGraceKeeper* keeper) {
    graceKeeper_.store(keeper, std::memory_order_release);
}

// Outside the list's lock: the keeper takes its own lock, under which it calls EndOpenModeGraces.
bool TFileList::GraceWatched(std::chrono::steady_clock::time_point& due) {
    TOpenModeGraceKeeper* keeper = graceKeeper_.load(std::memory_order_acquire);
    due = std::chrono::steady_clock::now() + OpenModeGrace;
    return keeper && keeper->GraceBegins(due);
}

void TFileList::LetOpenModeGo(TAbstractFile& file, bool graced, std::chrono::steady_clock::time_point due) {
    if (!graced) {
        file.HoldOpenMode(false);
        return;
    }
    if (!file.InGrace) graced_.push_back(&file);
    file.InGrace = true;
    file.GraceEnds = due;
}

void TFileList::EndGrace(TAbstractFile& file, bool release) {
    assert(file.InGrace);
    file.InGrace = false;
    std::erase(graced_, &file);
    if (release) file.HoldOpenMode(false);
}

std::chrono::steady_clock::time_point TFileList::EndOpenModeGraces(std::chrono::steady_clock::time_point now,
                                                                   bool all) {
    TCriticalSectionGuard guard(lock_);
    auto next = std::chrono::steady_clock::time_point::max();
    for (size_t i = graced_.size(); i-- > 0;) {
        TAbstractFile& file = *graced_[i];
        if (all || file.GraceEnds <= now)
            EndGrace(file, true);
        else
            next = std::min(next, file.GraceEnds);
    }
    return next;
}

size_t TFileList::OpenFileCount() {
    TCriticalSectionGuard guard(lock_);
    size_t n = 0;
    for (auto& [key, file] : disk_) n += !OnlyIdle(*file);
    for (auto& [key, file] : memory_) n += file->OpenCount > 0;
    return n;
}

std::string TempFileName(const std::string& folder, const std::string& extension, bool inMemory) {
    return GetFileList().TempFileName(folder, extension, inMemory);
}

bool IsPlainFile(const std::string& name, bool inMemory) {
    if (inMemory) return GetFileList().Exists(name, true);
    struct stat info {};
    return StatusByName(ForwardToBackslashes(name), info, false) == 0 && S_ISREG(info.st_mode);
}

TFileKind FileKindOf(const std::string& name, bool inMemory) {
    if (inMemory) return GetFileList().Exists(name, true) ? TFileKind::Plain : TFileKind::None;
    struct stat info {};
    if (StatusByName(ForwardToBackslashes(name), info, false) == 0)
        return S_ISREG(info.st_mode) ? TFileKind::Plain : TFileKind::Other;
    if (errno == ENOENT || errno == ENOTDIR) return TFileKind::None;
    TErrorContext context;
    context.Table = name;
    context.ExtraText = "what the name gives cannot be told";
    RaiseOSError(errno, VORSAM_OSERROR, context);
}

} // namespace vorsam
