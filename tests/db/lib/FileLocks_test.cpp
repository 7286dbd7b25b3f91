// Byte-range locks and exclusive opens between handlers: another process (through the test worker),
// another handler of this process, and in-memory files, all held to the same rules.
#include "FileTestSupport.h"

#include "WorkerProcess.h"

#include "db/lib/FileFaults.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <fcntl.h>
#include <unistd.h>

namespace vorsam::test {
namespace {

constexpr uint64_t TableLock = 0xFFFFFFFF;
constexpr uint64_t WriteLock = 0xFFFEFFFF, WriteLockLength = 65536;

// The other party of a lock test: the same questions answered by another process or another handler.
class TLockPeer {
public:
    virtual ~TLockPeer() = default;
    virtual void Open(const std::string& name, bool exclusive) = 0; // raises like TFileHandler::Open
    virtual void Close() = 0;
    virtual bool Lock(uint64_t offset, uint64_t length) = 0;
    virtual bool Unlock(uint64_t offset, uint64_t length) = 0;
};

class TProcessPeer : public TLockPeer {
public:
    void Open(const std::string& name, bool exclusive) override {
        std::string answer = worker_.Send("open " + name + (exclusive ? " exclusive" : ""));
        if (answer.rfind("error ", 0) == 0) RaiseEngineError(uint16_t(std::stoi(answer.substr(6))));
        handle_ = answer.substr(3);
    }
    void Close() override { worker_.SendOk("close " + handle_); }
    bool Lock(uint64_t offset, uint64_t length) override { return Ask("lock", offset, length); }
    bool Unlock(uint64_t offset, uint64_t length) override { return Ask("unlock", offset, length); }
    worker::TWorkerProcess& Worker() { return worker_; }

private:
    bool Ask(const std::string& verb, uint64_t offset, uint64_t length) {
        std::string answer =
            worker_.Send(verb + " " + handle_ + " " + std::to_string(offset) + " " + std::to_string(length));
        if (answer != "ok" && answer != "fail") throw std::runtime_error(answer);
        return answer == "ok";
    }
    worker::TWorkerProcess worker_;
    std::string handle_;
};

class THandlerPeer : public TLockPeer {
public:
    explicit THandlerPeer(bool inMemory) : inMemory_(inMemory) {}
    void Open(const std::string& name, bool exclusive) override {
        handler_.SetFileName(name);
        handler_.SetInMemory(inMemory_);
        handler_.SetExclusive(exclusive);
        handler_.Open();
    }
    void Close() override { handler_.Close(); }
    bool Lock(uint64_t offset, uint64_t length) override { return handler_.LockRegion(true, length, offset); }
    bool Unlock(uint64_t offset, uint64_t length) override {
        return handler_.LockRegion(false, length, offset);
    }

private:
    bool inMemory_;
    TFileHandler handler_;
};

enum class TPeerKind { OtherProcess, OtherHandler, OtherHandlerInMemory };

class FileLocksTest : public ::testing::TestWithParam<TPeerKind> {
protected:
    void SetUp() override {
        bool inMemory = GetParam() == TPeerKind::OtherHandlerInMemory;
        if (GetParam() == TPeerKind::OtherProcess)
            peer_ = std::make_unique<TProcessPeer>();
        else
            peer_ = std::make_unique<THandlerPeer>(inMemory);
        own_.SetFileName(name_);
        own_.SetInMemory(inMemory);
        own_.CreateFile();
        peer_->Open(name_, false);
    }
    bool Lock(uint64_t offset, uint64_t length) { return own_.LockRegion(true, length, offset); }
    bool Unlock(uint64_t offset, uint64_t length) { return own_.LockRegion(false, length, offset); }

    TTempDir dir_;
    std::string name_ = dir_.File("T.DAT");
    TFileHandler own_;
    std::unique_ptr<TLockPeer> peer_;
};

TEST_P(FileLocksTest, RangeLockedByOneIsRefusedToTheOtherUntilUnlocked) {
    ASSERT_TRUE(Lock(TableLock, 1));
    EXPECT_FALSE(peer_->Lock(TableLock, 1));
    EXPECT_FALSE(peer_->Lock(WriteLock, WriteLockLength + 1)) << "a longer range overlapping the held byte";
    EXPECT_TRUE(peer_->Lock(TableLock - 1, 1)) << "the byte next to it is free";
    ASSERT_TRUE(Unlock(TableLock, 1));
    EXPECT_TRUE(peer_->Lock(TableLock, 1));
    EXPECT_FALSE(Lock(TableLock, 1));
}

TEST_P(FileLocksTest, WriteLockCoversEveryReadSlotAndReadSlotsDoNotExcludeEachOther) {
    ASSERT_TRUE(Lock(0xFFFFFFFF - 17, 1));
    EXPECT_TRUE(peer_->Lock(0xFFFFFFFF - 18, 1));
    EXPECT_FALSE(peer_->Lock(WriteLock, WriteLockLength));
    ASSERT_TRUE(Unlock(0xFFFFFFFF - 17, 1));
    ASSERT_TRUE(peer_->Unlock(0xFFFFFFFF - 18, 1));
    EXPECT_TRUE(peer_->Lock(WriteLock, WriteLockLength));
    EXPECT_FALSE(Lock(0xFFFFFFFF - 1, 1));
}

TEST_P(FileLocksTest, OnlyAnotherProcesssLockCountsAsHeldElsewhere) {
    ASSERT_TRUE(Lock(TableLock, 1));
    EXPECT_FALSE(own_.RegionLockedElsewhere(1, TableLock)) << "this process's own";
    ASSERT_TRUE(peer_->Lock(WriteLock, WriteLockLength));
    EXPECT_EQ(own_.RegionLockedElsewhere(1, WriteLock + 5), GetParam() == TPeerKind::OtherProcess);
    EXPECT_FALSE(own_.RegionLockedElsewhere(1, WriteLock - 1));
}

TEST_P(FileLocksTest, OneHandlerCannotLockAnOverlappingRangeTwice) {
    ASSERT_TRUE(Lock(1000, 10));
    EXPECT_FALSE(Lock(1000, 10));
    EXPECT_FALSE(Lock(1009, 5));
    EXPECT_FALSE(Lock(995, 6));
    EXPECT_TRUE(Lock(1010, 5));
    EXPECT_TRUE(Lock(990, 10));
}

TEST_P(FileLocksTest, UnlockMustNameExactlyARangeThisHandlerHolds) {
    ASSERT_TRUE(Lock(1000, 10));
    ASSERT_TRUE(peer_->Lock(2000, 10));
    EXPECT_FALSE(Unlock(1000, 5)) << "part of a held range";
    EXPECT_FALSE(Unlock(1000, 11)) << "more than a held range";
    EXPECT_FALSE(Unlock(2000, 10)) << "the other party's range";
    EXPECT_FALSE(Unlock(3000, 1)) << "nothing held there";
    EXPECT_FALSE(peer_->Lock(1000, 1)) << "failed unlocks released nothing";
    EXPECT_TRUE(Unlock(1000, 10));
    EXPECT_FALSE(Unlock(1000, 10)) << "already released";
    EXPECT_TRUE(peer_->Lock(1000, 1));
}

TEST_P(FileLocksTest, AdjacentRangesOfOneHandlerAreReleasedOneByOne) {
    ASSERT_TRUE(Lock(100, 10));
    ASSERT_TRUE(Lock(110, 10));
    ASSERT_TRUE(Unlock(100, 10));
    EXPECT_TRUE(peer_->Lock(100, 10));
    EXPECT_FALSE(peer_->Lock(110, 1)) << "the neighbour range is still held";
}

TEST_P(FileLocksTest, ClosingAHandlerReleasesItsLocks) {
    ASSERT_TRUE(peer_->Lock(500, 1));
    EXPECT_FALSE(Lock(500, 1));
    peer_->Close();
    EXPECT_TRUE(Lock(500, 1));
}

TEST_P(FileLocksTest, EmptyRangesAndTheOpenModeByteCannotBeLocked) {
    EXPECT_FALSE(Lock(10, 0));
    EXPECT_FALSE(Lock(uint64_t(1) << 32, 1));
    EXPECT_FALSE(Lock(0xFFFFFFFF, 2));
    EXPECT_FALSE(Lock(UINT64_MAX - 1, 5));
}

TEST_P(FileLocksTest, ExclusiveOpenIsRefusedBothWays) {
    peer_->Close();
    TFileHandler exclusive;
    exclusive.SetFileName(name_);
    exclusive.SetInMemory(own_.InMemory());
    exclusive.SetExclusive(true);
    EXPECT_ENGINE_ERROR(exclusive.Open(), VORSAM_FILEINUSE) << "this process has the file open";
    own_.Close();
    exclusive.Open();
    EXPECT_ENGINE_ERROR(peer_->Open(name_, false), VORSAM_FILEINUSE);
    EXPECT_ENGINE_ERROR(peer_->Open(name_, true), VORSAM_FILEINUSE);
    exclusive.Close();
    peer_->Open(name_, true);
    EXPECT_ENGINE_ERROR(own_.Open(), VORSAM_FILEINUSE);
}

// An unlock the system refuses: the range is no longer held here (it refuses no lock of this process),
// while the system may still hold it for other processes until a later lock or unlock of the file tries
// the unlock again; a lock over it takes its bytes over and releases them with its own unlock.
TEST_P(FileLocksTest, ARangeWhoseUnlockFailedRefusesNothingHereAndGoesAtTheNextLock) {
    TFileFaults& faults = GetFileList().Faults();
    const bool process = GetParam() == TPeerKind::OtherProcess;
    constexpr uint64_t slot = 0xFFFFFFFF - 5;
    for (bool takenOver : {false, true}) {
        SCOPED_TRACE(takenOver ? "taken over" : "tried again");
        ASSERT_TRUE(Lock(slot, 1));
        faults.FailWhere(
            TFileOperation::Unlock, [](const TFileEvent&) { return true; }, EIO);
        EXPECT_FALSE(Unlock(slot, 1));
        EXPECT_FALSE(Unlock(slot, 1)) << "not held any more";
        EXPECT_TRUE(Lock(10, 1)) << "a lock while the unlock still fails";
        EXPECT_EQ(peer_->Lock(slot, 1), !process) << "the system may still hold it for other processes";
        faults.Reset();
        if (!process) {
            ASSERT_TRUE(peer_->Unlock(slot, 1));
        }
        if (takenOver) {
            ASSERT_TRUE(Lock(WriteLock, WriteLockLength)) << "over the range, in this process";
            EXPECT_FALSE(peer_->Lock(slot, 1));
            ASSERT_TRUE(Unlock(WriteLock, WriteLockLength));
        }
        ASSERT_TRUE(Unlock(10, 1));
        EXPECT_TRUE(peer_->Lock(slot, 1));
        ASSERT_TRUE(peer_->Unlock(slot, 1));
    }
}

INSTANTIATE_TEST_SUITE_P(Peers, FileLocksTest,
                         ::testing::Values(TPeerKind::OtherProcess, TPeerKind::OtherHandler,
                                           TPeerKind::OtherHandlerInMemory),
                         [](const auto& info) {
                             switch (info.param) {
                             case TPeerKind::OtherProcess:
                                 return "OtherProcess";
                             case TPeerKind::OtherHandler:
                                 return "OtherHandler";
                             default:
                                 return "OtherHandlerInMemory";
                             }
                         });

// What only real processes show.
class ProcessLocksTest : public ::testing::Test {
protected:
    void SetUp() override {
        TFileHandler h;
        h.SetFileName(name_);
        h.CreateFile();
    }
    std::string OpenIn(worker::TWorkerProcess& w) { return w.SendOk("open " + name_); }

    TTempDir dir_;
    std::string name_ = dir_.File("T.DAT");
};

TEST_F(ProcessLocksTest, LockSurvivesClosingAnUnrelatedDescriptorOfTheSameFile) {
    worker::TWorkerProcess holder, other;
    std::string h = OpenIn(holder), o = OpenIn(other);
    ASSERT_EQ(holder.Send("lock " + h + " 4294967295 1"), "ok");
    ASSERT_EQ(holder.Send("rawopenclose " + name_), "ok");
    EXPECT_EQ(other.Send("lock " + o + " 4294967295 1"), "fail");

    TFileHandler own;
    own.SetFileName(name_);
    own.Open();
    ASSERT_TRUE(own.LockRegion(true, 1, 7));
    ::close(::open(name_.c_str(), O_RDONLY));
    EXPECT_EQ(other.Send("lock " + o + " 7 1"), "fail");
}

TEST_F(ProcessLocksTest, KilledHoldersLocksAndOpensAreFreed) {
    worker::TWorkerProcess holder, other;
    std::string h = holder.SendOk("open " + name_ + " exclusive");
    ASSERT_EQ(holder.Send("lock " + h + " 4294967295 1"), "ok");
    EXPECT_EQ(other.Send("open " + name_).substr(0, 10), "error 9476") << "VORSAM_FILEINUSE";
    holder.Kill();
    std::string o = OpenIn(other);
    EXPECT_EQ(other.Send("lock " + o + " 4294967295 1"), "ok");
}

TEST_F(ProcessLocksTest, WorkerKillingItselfLeavesNoLockBehind) {
    worker::TWorkerProcess holder, other;
    std::string h = OpenIn(holder), o = OpenIn(other);
    ASSERT_EQ(holder.Send("lock " + h + " 100 1"), "ok");
    EXPECT_THROW(holder.Send("crash"), std::runtime_error);
    holder.Kill();
    EXPECT_EQ(other.Send("lock " + o + " 100 1"), "ok");
}

TEST_F(ProcessLocksTest, DeleteAndRenameAreRefusedWhileAnotherProcessHasTheFileOpen) {
    worker::TWorkerProcess other;
    std::string o = OpenIn(other);
    TFileHandler h;
    h.SetFileName(name_);
    EXPECT_ENGINE_ERROR(h.DeleteFile(), VORSAM_FILEINUSE);
    EXPECT_ENGINE_ERROR(h.RenameFile(dir_.File("U.DAT")), VORSAM_FILEINUSE);
    other.SendOk("close " + o);
    h.RenameFile(dir_.File("U.DAT"));
    EXPECT_EQ(other.Send("open " + name_).substr(0, 10), "error 8449") << "VORSAM_OSENOENT";
}

TEST_F(ProcessLocksTest, WritesOfOneProcessAreReadByAnother) {
    worker::TWorkerProcess other;
    std::string o = OpenIn(other);
    TFileHandler h;
    h.SetFileName(name_);
    h.Open();
    h.Seek(3);
    h.WriteBuffer("abc", 3);
    EXPECT_EQ(other.SendOk("read " + o + " 3 3"), "abc");
    other.SendOk("write " + o + " 0 zz");
    char buffer[2];
    h.Seek(0);
    h.ReadBuffer(buffer, 2);
    EXPECT_EQ(std::string(buffer, 2), "zz");
}

// A range the system refuses to let go even when its handler closes stays held by the file's descriptor,
// which another handler keeps open: that handler's next lock tries it again, and another process then gets
// it.
TEST_F(ProcessLocksTest, ARangeThatCannotBeLetGoOutlivesItsHandlerUntilTheSystemLetsItGo) {
    worker::TWorkerProcess other;
    std::string o = OpenIn(other);
    TFileHandler closing, staying;
    for (TFileHandler* h : {&closing, &staying}) {
        h->SetFileName(name_);
        h->Open();
    }
    ASSERT_TRUE(closing.LockRegion(true, 1, 50));
    GetFileList().Faults().FailWhere(
        TFileOperation::Unlock, [](const TFileEvent&) { return true; }, EIO);
    closing.Close();
    GetFileList().Faults().Reset();
    EXPECT_EQ(other.Send("lock " + o + " 50 1"), "fail") << "still held by the descriptor";
    ASSERT_TRUE(staying.LockRegion(true, 1, 60));
    EXPECT_EQ(other.Send("lock " + o + " 50 1"), "ok");
}

// A keeper of open-mode graces that ends them only when the test says so.
class TManualGraceKeeper : public TOpenModeGraceKeeper {
public:
    TManualGraceKeeper() { GetFileList().SetOpenModeGraceKeeper(this); }
    ~TManualGraceKeeper() { GetFileList().SetOpenModeGraceKeeper(nullptr); }
    bool GraceBegins(std::chrono::steady_clock::time_point) override { return true; }
    void Forget(TFileList&) noexcept override {}
};

// While an idle file keeps its open-mode lock for a grace, no other process may open it exclusively and a
// handler resuming goes on without locking again; after it, or a delete here, the file is as if closed.
TEST_F(ProcessLocksTest, AnIdleFileKeepsItsOpenModeLockForItsGraceOnly) {
    TManualGraceKeeper keeper;
    worker::TWorkerProcess other;
    TFileHandler h;
    h.SetFileName(name_);
    h.Open();
    h.Idle();
    EXPECT_EQ(other.Send("open " + name_ + " exclusive").substr(0, 10), "error 9476") << "VORSAM_FILEINUSE";
    bool continued = false;
    ASSERT_TRUE(h.Resume(&continued));
    EXPECT_TRUE(continued);
    h.Idle();
    GetFileList().EndOpenModeGraces(std::chrono::steady_clock::now(), true);
    std::string o = other.SendOk("open " + name_ + " exclusive");
    EXPECT_FALSE(h.Resume(&continued)) << "open exclusively elsewhere";
    other.SendOk("close " + o);
    ASSERT_TRUE(h.Resume(&continued));
    EXPECT_FALSE(continued);
    h.Idle();
    TFileHandler deleter;
    deleter.SetFileName(name_);
    deleter.DeleteFile();
    EXPECT_FALSE(h.Resume(&continued)) << "deleted";
    h.Close();
}

// A file open exclusively takes its range locks in the process's table alone: no other process can open it
// to meet them, and within the process they are refused as any other. A file open shared takes the system's
// too, which another descriptor of the file sees.
TEST(ExclusiveFileLocksTest, StayInTheProcessWhileOtherProcessesCannotOpenTheFile) {
    InitializeLibraryGlobals();
    TTempDir dir;
    for (bool exclusive : {true, false}) {
        SCOPED_TRACE(exclusive ? "exclusive" : "shared");
        std::string name = dir.File(exclusive ? "X.DAT" : "S.DAT");
        TFileHandler h;
        h.SetFileName(name);
        h.CreateFile();
        h.Close();
        h.SetExclusive(exclusive);
        h.Open();
        ASSERT_TRUE(h.LockRegion(true, 1, TableLock - 7));
        EXPECT_FALSE(h.LockRegion(true, 1, TableLock - 7)) << "the process's own rules stand";
        int other = ::open(name.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(other, 0);
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        probe.l_start = off_t(TableLock - 7);
        probe.l_len = 1;
        ASSERT_EQ(::fcntl(other, F_OFD_GETLK, &probe), 0);
        EXPECT_EQ(probe.l_type == F_UNLCK, exclusive);
        ::close(other);
        EXPECT_TRUE(h.LockRegion(false, 1, TableLock - 7));
        EXPECT_FALSE(h.LockRegion(false, 1, TableLock - 7)) << "nothing held there any more";
        h.Close();
    }
}

} // namespace
} // namespace vorsam::test
