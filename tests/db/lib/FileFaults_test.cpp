// Fault injection of the file layer: failing the nth operation of a kind, stopping at the nth write as a
// crash would, and the observer that counts data syncs.
#include "FileTestSupport.h"

#include "db/lib/FileFaults.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <vector>

namespace vorsam::test {
namespace {

class FileFaultsTest : public TFileTest {
protected:
    void SetUp() override { Faults().Reset(); }
    void TearDown() override { Faults().Reset(); }
    static TFileFaults& Faults() { return GetFileList().Faults(); }
};

TEST_P(FileFaultsTest, WriteFailingAtTheNthCallRaisesAndLeavesEarlierBytesIntact) {
    auto h = Created("T.DAT");
    Faults().FailAt(TFileOperation::Write, 3);
    WriteAt(*h, 0, "aaaa");
    WriteAt(*h, 4, "bbbb");
    EXPECT_ENGINE_ERROR(WriteAt(*h, 2, "XXXXXXXX"), VORSAM_WRITEERR);
    EXPECT_EQ(ReadAll(*h), "aaaabbbb") << "nothing of the failed write reached the file";
    WriteAt(*h, 8, "cc");
    EXPECT_EQ(ReadAll(*h), "aaaabbbbcc") << "only the nth write fails";
}

TEST_P(FileFaultsTest, TruncationCountsAsAWrite) {
    auto h = Created("T.DAT");
    WriteAt(*h, 0, "0123456789");
    Faults().FailAt(TFileOperation::Write, 1);
    h->Seek(2);
    EXPECT_ENGINE_ERROR(h->WriteBuffer(nullptr, 0), VORSAM_WRITEERR);
    EXPECT_EQ(h->GetFileSize(), 10u);
}

TEST_P(FileFaultsTest, ReadLockAndFlushFailAtTheirNthCall) {
    auto h = Created("T.DAT");
    WriteAt(*h, 0, "data");
    char buffer[4];
    Faults().FailAt(TFileOperation::Read, 2);
    Faults().FailAt(TFileOperation::Lock, 2, EAGAIN);
    Faults().FailAt(TFileOperation::Flush, 1);
    h->Seek(0);
    EXPECT_EQ(h->ReadBuffer(buffer, 4), 4u);
    EXPECT_ENGINE_ERROR(h->ReadBuffer(buffer, 4), VORSAM_READERR);
    EXPECT_TRUE(h->LockRegion(true, 1, 10));
    EXPECT_FALSE(h->LockRegion(true, 1, 20)) << "held elsewhere";
    EXPECT_TRUE(h->LockRegion(true, 1, 20));
    EXPECT_ENGINE_ERROR(h->FlushBuffers(), VORSAM_WRITEERR);
    EXPECT_NO_THROW(h->FlushBuffers());
}

// A lock that fails otherwise than for another holder raises with its error at once, holding nothing.
TEST_P(FileFaultsTest, ALockThatFailsForAnotherReasonRaisesTheSystemsError) {
    auto h = Created("T.DAT");
    for (int error : {ENOLCK, EIO, EINTR}) {
        Faults().FailAt(TFileOperation::Lock, 1, error);
        try {
            h->LockRegion(true, 1, 30);
            ADD_FAILURE() << "no error for " << error;
        } catch (const EVORSAMEngineError& e) {
            EXPECT_EQ(e.ErrorCode, VORSAM_OSERROR);
            EXPECT_EQ(e.OSErrorCode, error);
        }
        EXPECT_TRUE(h->LockRegion(true, 1, 30)) << "nothing held";
        EXPECT_TRUE(h->LockRegion(false, 1, 30));
    }
}

TEST_P(FileFaultsTest, StopAtTheNthWriteKeepsEarlierWritesTearsThatOneAndDropsEveryLaterChange) {
    auto h = Created("T.DAT");
    auto other = Created("U.DAT");
    Faults().StopAtWrite(3, 2);
    WriteAt(*h, 0, "1111");
    WriteAt(*other, 0, "2222");
    EXPECT_THROW(WriteAt(*h, 4, "3333"), ESimulatedCrash);
    EXPECT_TRUE(Faults().Stopped());
    WriteAt(*h, 0, "XXXXXXXX"); // dropped
    WriteAt(*other, 0, "YYYY"); // dropped, any file
    h->Seek(1);
    h->WriteBuffer(nullptr, 0); // truncation dropped
    h->FlushBuffers();          // dropped
    EXPECT_EQ(ReadAll(*h), "111133") << "the torn write kept its first 2 bytes";
    EXPECT_EQ(ReadAll(*other), "2222");
    Faults().Reset();
    WriteAt(*h, 0, "Z");
    EXPECT_EQ(ReadAll(*h), "Z11133");
}

TEST_P(FileFaultsTest, ObserverSeesEveryOperationAndCountsDataSyncsPerFile) {
    auto h = Created("T.DAT");
    std::vector<TFileEvent> events;
    std::vector<std::string> names;
    Faults().SetObserver([&](const TFileEvent& e) {
        events.push_back(e);
        names.emplace_back(e.FileName);
    });
    WriteAt(*h, 8, "abc");
    h->FlushBuffers();
    h->LockRegion(true, 1, 99);
    char c;
    h->Seek(8);
    h->ReadBuffer(&c, 1);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].Operation, TFileOperation::Write);
    EXPECT_EQ(events[0].Offset, 8u);
    EXPECT_EQ(events[0].Length, 3u);
    EXPECT_EQ(events[1].Operation, TFileOperation::Flush);
    EXPECT_EQ(events[2].Operation, TFileOperation::Lock);
    EXPECT_EQ(events[2].Offset, 99u);
    EXPECT_EQ(events[3].Operation, TFileOperation::Read);
    EXPECT_EQ(names[1], dir_.File("T.DAT"));
    EXPECT_EQ(events[1].InMemory, InMemory());
    EXPECT_EQ(Faults().Count(TFileOperation::Flush), 1u);
    EXPECT_EQ(Faults().Count(TFileOperation::Write), 1u);
    Faults().SetObserver(nullptr); // the handler's close unlocks what it holds, after `events` goes
}

INSTANTIATE_TEST_SUITE_P(Storage, FileFaultsTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
