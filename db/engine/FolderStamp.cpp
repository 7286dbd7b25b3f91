#include "db/engine/FolderStamp.h"

#include <ctime>
#include <linux/magic.h>
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

} // namespace

std::optional<TFolderStamp> FolderStampOf(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return std::nullopt;
    return TFolderStamp{uint64_t(info.st_dev), uint64_t(info.st_ino), Nanoseconds(info.st_ctim)};
}

bool StampedByThisClock(const std::string& folder) {
    struct statfs info {};
    if (::statfs(folder.c_str(), &info) != 0) return false;
    switch (uint64_t(info.f_type)) {
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
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return stamp.Changed + StepOf(stamp.Changed) <= Nanoseconds(now);
}

} // namespace vorsam
