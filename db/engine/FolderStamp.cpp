#include "db/engine/FolderStamp.h"

#include "db/lib/FileCalls.h"

#include <ctime>
#include <linux/magic.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/statfs.h>

namespace vorsam {

namespace {

constexpr int64_t Second = 1000000000;

int64_t Nanoseconds(const timespec& time) {
    return int64_t(time.tv_sec) * Second + time.tv_nsec;
}

// The coarsest step the change time's nanoseconds allow (above).
int64_t StepOf(int64_t changed) {
    const int64_t nanoseconds = changed % Second;
    if (nanoseconds == 0) return 2 * Second;
    int64_t step = 1;
    while (nanoseconds % (step * 10) == 0) step *= 10;
    return step;
}

std::mutex sourcesLock;
TFolderStampSources sources;

TFolderStampSources Sources() {
    std::lock_guard guard(sourcesLock);
    return sources;
}

std::optional<uint64_t> SystemFileSystemType(const std::string& folder) {
    struct statfs info {};
    if (::statfs(folder.c_str(), &info) != 0) return std::nullopt;
    return uint64_t(info.f_type);
}

int64_t SystemNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return Nanoseconds(now);
}

} // namespace

void SetFolderStampSources(TFolderStampSources given) {
    std::lock_guard guard(sourcesLock);
    sources = std::move(given);
}

std::optional<TFolderStamp> SystemFolderStamp(const std::string& folder) {
    struct stat info {};
    if (StatusByName(folder, info, true) != 0) return std::nullopt;
    return TFolderStamp{uint64_t(info.st_dev), uint64_t(info.st_ino), Nanoseconds(info.st_ctim)};
}

std::optional<TFolderStamp> FolderStampOf(const std::string& folder) {
    TFolderStampSources given = Sources();
    return given.Stamp ? given.Stamp(folder) : SystemFolderStamp(folder);
}

bool StampedByThisClock(const std::string& folder) {
    TFolderStampSources given = Sources();
    std::optional<uint64_t> type =
        given.FileSystemType ? given.FileSystemType(folder) : SystemFileSystemType(folder);
    return type && StampedByThisClock(*type);
}

bool StampedByThisClock(uint64_t fileSystemType) {
    switch (fileSystemType) {
    case EXT4_SUPER_MAGIC: // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
    case REISERFS_SUPER_MAGIC:
    case 0x2FC12FC1: // ZFS
    case 0xCA451A4E: // bcachefs
    case 0x3153464A: // JFS
        return true;
    default:
        return false;
    }
}

bool OlderThanItsStep(const TFolderStamp& stamp) {
    TFolderStampSources given = Sources();
    return OlderThanItsStep(stamp, given.Now ? given.Now() : SystemNow());
}

bool OlderThanItsStep(const TFolderStamp& stamp, int64_t now) {
    return stamp.Changed + StepOf(stamp.Changed) <= now;
}

} // namespace vorsam
