// A folder's stamp: what tells that no name in the folder was made, renamed or deleted since it was taken,
// so that one look at the folder (a stat) stands for a look at each of its names.
//
// The stamp is the folder's identity (device and inode: a folder put in its place, as `mv D D.old && cp -a
// D.old D` does, has another) and its change time, which every such change sets to the moment it happens and
// which no call sets back (the modification time is not used: `touch -d`, `cp -a`, `rsync -a` and `tar` give
// an old one back). A file system stamps a change with the system's coarse clock rounded down to its step
// (1 ns on most; a whole second on ext4 with 128-byte inodes; two seconds on FAT), so a change within the
// same step as the one before gives the same time again. A stamp is trusted once its change time is older
// than a step of the clock at a look: no change after that look can stamp the same time. The step is not
// told by the system: a change time whose nanoseconds end in zeros is taken to have as coarse a step as
// they allow, one of whole seconds two seconds. Only file systems whose times this machine's clock makes
// are trusted so: a network's come from another machine's clock, and those of FAT and NTFS media from
// whatever system wrote them last.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vorsam {

struct TFolderStamp {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Changed = 0; // the change time, ns
    bool operator==(const TFolderStamp&) const = default;
};

// The folder's stamp now; none when the folder cannot be looked at.
std::optional<TFolderStamp> FolderStampOf(const std::string& folder);

// Whether the folder's file system stamps its changes with this machine's clock (above); false when that
// cannot be told.
bool StampedByThisClock(const std::string& folder);
// The same for a file system of the type (statfs(2)'s f_type).
bool StampedByThisClock(uint64_t fileSystemType);

// Whether the stamp's change time is older than a step of the clock now (above); `now` in ns.
bool OlderThanItsStep(const TFolderStamp& stamp);
bool OlderThanItsStep(const TFolderStamp& stamp, int64_t now);

// Where the stamps, the file systems' types and the time come from: the system's (stat, statfs and the
// coarse real-time clock) unless a test gives its own. A member left empty is the system's.
struct TFolderStampSources {
    std::function<std::optional<TFolderStamp>(const std::string& folder)> Stamp;
    std::function<std::optional<uint64_t>(const std::string& folder)> FileSystemType;
    std::function<int64_t()> Now; // ns
};
void SetFolderStampSources(TFolderStampSources sources);
// The system's stamp of the folder, whatever the sources (for a test's own source to start from).
std::optional<TFolderStamp> SystemFolderStamp(const std::string& folder);

} // namespace vorsam
