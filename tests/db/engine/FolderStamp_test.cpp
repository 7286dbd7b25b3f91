// The rules of a folder's stamp: which file systems stamp with this machine's clock, and when a change
// time is older than the step of the clock that made it.
#include "db/engine/FolderStamp.h"

#include <gtest/gtest.h>
#include <linux/magic.h>

namespace vorsam::test {
namespace {

constexpr int64_t Second = 1000000000;

TEST(FolderStampTest, OnlyFileSystemsThisMachineStampsAreTrusted) {
    for (uint64_t local : {uint64_t(EXT4_SUPER_MAGIC), uint64_t(XFS_SUPER_MAGIC), uint64_t(BTRFS_SUPER_MAGIC),
                           uint64_t(TMPFS_MAGIC), uint64_t(OVERLAYFS_SUPER_MAGIC)})
        EXPECT_TRUE(StampedByThisClock(local)) << std::hex << local;
    for (uint64_t other :
         {uint64_t(NFS_SUPER_MAGIC), uint64_t(SMB_SUPER_MAGIC), uint64_t(0xFF534D42) /* CIFS */,
          uint64_t(0x65735546) /* FUSE */, uint64_t(MSDOS_SUPER_MAGIC), uint64_t(0x5346544E) /* NTFS */,
          uint64_t(0x2011BAB0) /* exFAT */, uint64_t(0)})
        EXPECT_FALSE(StampedByThisClock(other)) << std::hex << other;
    SetFolderStampSources({.FileSystemType = [](const std::string&) { return std::nullopt; }});
    EXPECT_FALSE(StampedByThisClock("/")) << "a type that cannot be told";
    SetFolderStampSources({});
}

// The step a change time's nanoseconds allow: 1 ns, a power of ten of them, or two seconds for whole ones.
TEST(FolderStampTest, AChangeTimeIsOlderThanItsStepOnceTheStepItsDigitsAllowHasPassed) {
    struct TCase {
        int64_t Changed;
        int64_t Step;
    };
    for (TCase c : {TCase{1000 * Second + 123456789, 1}, TCase{1000 * Second + 120000000, 10000000},
                    TCase{1000 * Second + 500000000, 100000000}, TCase{1000 * Second, 2 * Second}}) {
        SCOPED_TRACE(c.Changed);
        const TFolderStamp stamp{1, 2, c.Changed};
        EXPECT_FALSE(OlderThanItsStep(stamp, c.Changed + c.Step - 1));
        EXPECT_TRUE(OlderThanItsStep(stamp, c.Changed + c.Step));
        SetFolderStampSources({.Now = [&] { return c.Changed + c.Step; }});
        EXPECT_TRUE(OlderThanItsStep(stamp)) << "the clock given";
        SetFolderStampSources({});
    }
}

} // namespace
} // namespace vorsam::test
