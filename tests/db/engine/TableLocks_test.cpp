// The locks and change counters of shared tables: where each lock lies, how record locks are retried,
// and, with real processes (the test worker), readers side by side, writers waiting for them, the
// whole-table lock, writes seen by other processes and writers that die.
#include "TableTestSupport.h"

#include "WorkerProcess.h"

#include "db/engine/TableLocks.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <chrono>
#include <compare>
#include <set>

namespace vorsam::test {
namespace {

using worker::TWorkerProcess;

// The locks a table takes, as the file layer sees them: file extension, offset and length.
struct TLockEvent {
    std::string File;
    uint64_t Offset;
    uint64_t Length;
    auto operator<=>(const TLockEvent&) const = default;
};

class TLockWatch {
public:
    TLockWatch() {
        GetFileList().Faults().SetObserver([this](const TFileEvent& e) {
            if (e.Operation == TFileOperation::Lock)
                Events.push_back({std::string(e.FileName.substr(e.FileName.size() - 3)), e.Offset, e.Length});
        });
        SetLockWaitObserver([this](std::chrono::milliseconds wait) { Waits.push_back(wait); });
    }
    ~TLockWatch() {
        GetFileList().Faults().SetObserver(nullptr);
        SetLockWaitObserver(nullptr);
    }
    size_t Count(const TLockEvent& lock) const {
        size_t n = 0;
        for (const TLockEvent& e : Events) n += e == lock;
        return n;
    }
    std::vector<TLockEvent> Events;
    std::vector<std::chrono::milliseconds> Waits;
};

class TableLocksTest : public TTableTest {
protected:
    // A worker with the people table open (options as the worker's "topen" takes them).
    std::unique_ptr<TWorkerProcess> Worker(const std::string& options = "tries=2000") {
        auto worker = std::make_unique<TWorkerProcess>();
        worker->SendOk("topen " + dir_.Path() + " PEOPLE " + options);
        return worker;
    }
    static std::string ErrorAnswer(uint16_t code) { return "error " + std::to_string(code); }
    static bool Refused(TWorkerProcess& worker, const std::string& command, uint16_t code) {
        return worker.Send(command).rfind(ErrorAnswer(code), 0) == 0;
    }
};

// ---- in one process ----

TEST_P(TableLocksTest, EachLockLiesWhereTheFormatSays) {
    auto table = CreatePeople(true);
    TLockWatch watch;
    table->LockRecord(1);
    table->LockRecord(MaxRecordNumber);
    EXPECT_EQ(watch.Count({"DAT", 4294967293u, 1}), 1u);
    EXPECT_EQ(watch.Count({"DAT", 4094967294u, 1}), 1u);
    table->UnlockRecord(1);
    table->UnlockRecord(MaxRecordNumber);
    table->EndRead(TReadLevel::Second);
    table->EndRead(TReadLevel::Second);

    watch.Events.clear();
    table->BeginRead();
    ASSERT_EQ(watch.Events.size(), 2u); // a read slot in the index and in the blob file
    for (const TLockEvent& e : watch.Events) {
        EXPECT_TRUE(e.File == "IDX" || e.File == "BLB") << e.File;
        EXPECT_EQ(e.Length, 1u);
        EXPECT_GE(e.Offset, 4294967295u - MaxReadSlot);
        EXPECT_LE(e.Offset, 4294967294u);
    }
    table->EndRead();

    watch.Events.clear();
    table->BeginWrite();
    std::set<TLockEvent> taken(watch.Events.begin(), watch.Events.end());
    EXPECT_EQ(taken, (std::set<TLockEvent>{
                         {"DAT", 0xFFFFFFFF, 1}, {"IDX", 0xFFFEFFFF, 65536}, {"BLB", 0xFFFEFFFF, 65536}}));
    table->EndWrite();

    EXPECT_ENGINE_ERROR(table->LockRecord(0), VORSAM_RECLOCKFAILED);
    EXPECT_ENGINE_ERROR(table->LockRecord(MaxRecordNumber + 1), VORSAM_RECLOCKFAILED);
    EXPECT_ENGINE_ERROR(table->UnlockRecord(7), VORSAM_UNLOCKFAILED);
}

TEST_P(TableLocksTest, ReadSlotsAreGivenUpForAWriteAndTakenBack) {
    auto table = CreatePeople();
    auto other = OpenPeople();
    settings_.LockTries = 3;
    table->BeginRead();
    EXPECT_TRUE(table->HoldsReadSlots());
    PutPerson(*table, {1, 10, "Ana"}); // the write lock covers the slots this process held
    EXPECT_TRUE(table->HoldsReadSlots());
    EXPECT_ENGINE_ERROR(other->BeginWrite(), VORSAM_LOCKTIMEOUT) << "a reader excludes writers";
    table->LockTable(); // no read slot is needed while no other process can write
    PutPerson(*table, {2, 20, "Bia"});
    table->UnlockTable();
    EXPECT_TRUE(table->HoldsReadSlots()) << "the read level goes on";
    EXPECT_ENGINE_ERROR(other->BeginWrite(), VORSAM_LOCKTIMEOUT);
    table->EndRead();
    EXPECT_FALSE(table->HoldsReadSlots());
    other->BeginWrite();
    other->EndWrite();
    EXPECT_EQ(Contents(*other).size(), 2u);
}

// One lock or unlock call that fails (no lock records left) in a read, a write or a record lock: what the
// step took is given back, what can be let go is, the failure is raised (not for a slot a write lock takes
// over), a read level keeps its slots, and this process's next write waits for no lock of its own; what
// the system may still hold goes at that write's locks, so that another process's write does not wait.
TEST_P(TableLocksTest, ALockCallThatFailsLeavesNothingHeldAndTheNextWriteWaitsForNothing) {
    int32_t key = 0;
    auto read = [](TDataTable& table) { TTableRead level(table, TReadLevel::First); };
    auto write = [&](TDataTable& table) {
        ++key;
        PutPerson(table, {key, key, "w", "memo"});
    };
    auto inRead = [&](TDataTable& table) {
        TTableRead level(table);
        try {
            write(table);
        } catch (...) {
            EXPECT_TRUE(table.HoldsReadSlots()) << "the read level goes on with its slots";
            throw;
        }
    };
    struct TCase {
        TFileOperation Operation;
        const char* File;
        uint64_t Offset, Length; // offset 0: any
        uint16_t Raised;
        std::function<void(TDataTable&)> Step;
        size_t Added; // rows the step leaves written
    } cases[] = {
        {TFileOperation::Unlock, "BLB", 0, 1, VORSAM_UNLOCKFAILED,
         [&](TDataTable& t) { t.BeginRead(), t.EndRead(); }, 0},
        {TFileOperation::Lock, "BLB", 0, 1, VORSAM_OSERROR, read, 0},
        {TFileOperation::Lock, "BLB", 0, WriteLockLength, VORSAM_OSERROR, write, 0},
        {TFileOperation::Unlock, "DAT", TableLockOffset, 1, VORSAM_UNLOCKFAILED, write, 1},
        {TFileOperation::Lock, "DAT", RecordLockOffset(1), 1, VORSAM_OSERROR,
         [](TDataTable& t) { t.LockRecord(1); }, 0},
        {TFileOperation::Unlock, "IDX", 0, 1, VORSAM_NONE, inRead, 1},
        {TFileOperation::Unlock, "BLB", 0, WriteLockLength, VORSAM_UNLOCKFAILED, inRead, 1},
    };
    auto table = CreatePeople(true);
    PutPerson(*table, {1000, 1, "first"});
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.File) + " " + std::to_string(c.Length) + " " + std::to_string(c.Raised));
        const size_t before = Contents(*table).size();
        GetFileList().Faults().FailWhere( // the first such call
            c.Operation,
            [&, seen = 0](const TFileEvent& e) mutable {
                return e.FileName.ends_with(c.File) && e.Length == c.Length &&
                       (c.Offset == 0 || e.Offset == c.Offset) && ++seen == 1;
            },
            ENOLCK);
        if (c.Raised == VORSAM_NONE)
            EXPECT_NO_THROW(c.Step(*table));
        else
            EXPECT_ENGINE_ERROR(c.Step(*table), c.Raised);
        GetFileList().Faults().Reset();
        EXPECT_EQ(Contents(*table).size(), before + c.Added) << "a write done stays done";
        EXPECT_FALSE(table->HoldsReadSlots());
        EXPECT_EQ(table->ReadDepth(TReadLevel::Second), 0u);
        TLockWatch watch;
        write(*table);
        EXPECT_TRUE(watch.Waits.empty()) << "the next write waited for a lock of its own process";
        if (!InMemory()) {
            EXPECT_TRUE(Worker("tries=1")->Send("tput 2000 1").starts_with("ok"));
        }
    }
}

// The end of a whole-table lock of a read-only table inside a read level, its unlock failing: the read
// level gets its slots all the same.
TEST_P(TableLocksTest, AWholeLockWhoseUnlockFailsLeavesTheReadLevelItsSlots) {
    CreatePeople(true)->Close();
    auto table = OpenPeople({.ReadOnly = true});
    table->LockTable();
    table->BeginRead();
    EXPECT_FALSE(table->HoldsReadSlots()) << "none needed while locked whole";
    GetFileList().Faults().FailWhere(
        TFileOperation::Unlock, [](const TFileEvent& e) { return e.Offset == TableLockOffset; }, EIO);
    EXPECT_ENGINE_ERROR(table->UnlockTable(), VORSAM_UNLOCKFAILED);
    GetFileList().Faults().Reset();
    EXPECT_TRUE(table->HoldsReadSlots());
    table->EndRead();
}

// ---- between processes ----

TEST_P(TableLocksTest, TwoReadersAtOnceAndAWriterWaitsForBoth) {
    CreatePeople()->Close();
    auto first = Worker(), second = Worker(), writer = Worker(), late = Worker("tries=1");
    EXPECT_EQ(first->SendOk("tbegin read"), "same");
    EXPECT_EQ(second->SendOk("tbegin read"), "same");
    writer->Post("tbegin write");
    EXPECT_FALSE(writer->HasAnswer(200));
    first->SendOk("tend read");
    EXPECT_FALSE(writer->HasAnswer(200)) << "the writer must wait for the second reader too";
    second->SendOk("tend read");
    EXPECT_EQ(writer->Receive().rfind("ok", 0), 0u);
    EXPECT_TRUE(Refused(*late, "tbegin read", VORSAM_LOCKTIMEOUT)) << "a reader waits for the writer";
    writer->SendOk("tput 1 10");
    writer->SendOk("tend write");
    EXPECT_EQ(late->SendOk("tget 1"), "10");
}

TEST_P(TableLocksTest, AWholeTableLockBlocksWritersButNotReaders) {
    CreatePeople()->Close();
    auto holder = Worker(), other = Worker("tries=2");
    holder->SendOk("tbegin whole");
    holder->SendOk("tput 1 10"); // kept in the holder's caches
    EXPECT_TRUE(Refused(*other, "tbegin write", VORSAM_LOCKTIMEOUT));
    EXPECT_TRUE(Refused(*other, "tput 2 20", VORSAM_LOCKTIMEOUT));
    EXPECT_EQ(other->Send("tget 1"), "fail missing") << "readers read, and see nothing unwritten";
    holder->SendOk("tend whole");
    EXPECT_EQ(other->SendOk("tget 1"), "10");
    other->SendOk("tput 2 20");
    EXPECT_EQ(holder->SendOk("tget 2"), "20");
}

TEST_P(TableLocksTest, RecordLockRetriesFollowTheSessionSettings) {
    CreatePeople()->Close();
    auto holder = Worker("tries=2000 retries=0");
    holder->SendOk("tlockrecord 5");
    for (uint8_t retries : {0, 3}) {
        SCOPED_TRACE(int(retries));
        settings_.LockRetryCount = retries;
        settings_.LockWaitTime = 40;
        auto table = OpenPeople();
        TLockWatch watch;
        auto start = std::chrono::steady_clock::now();
        EXPECT_ENGINE_ERROR(table->LockRecord(5), VORSAM_RECLOCKFAILED);
        auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(watch.Count({"DAT", RecordLockOffset(5), 1}), retries + 1u);
        EXPECT_EQ(watch.Waits,
                  std::vector<std::chrono::milliseconds>(retries, std::chrono::milliseconds(40)));
        EXPECT_GE(elapsed, std::chrono::milliseconds(40) * retries) << "the waits really waited";
        EXPECT_EQ(table->ReadDepth(TReadLevel::Second), 0u);
    }
    holder->SendOk("tunlockrecord 5");
    auto table = OpenPeople();
    table->LockRecord(5);
    EXPECT_EQ(table->ReadDepth(TReadLevel::Second), 1u) << "held until the caller's operation ends";
    EXPECT_TRUE(Refused(*holder, "tlockrecord 5", VORSAM_RECLOCKFAILED));
}

TEST_P(TableLocksTest, AWriteByOneProcessIsSeenByTheOther) {
    auto table = CreatePeople();
    for (int32_t key = 1; key <= 20; ++key) PutPerson(*table, {key, key, "n"});
    ASSERT_EQ(Contents(*table).at(7).Value, 7);
    uint32_t next = table->DataFile().Header().NextRecordNumber();
    auto other = Worker();
    other->SendOk("tput 7 700");
    other->SendOk("tput 50 5000");
    other->SendOk("tdelete 3");

    EXPECT_TRUE(table->BeginRead());
    EXPECT_EQ(table->DataFile().RecordCache().Count(), 0u) << "the stale records are gone";
    EXPECT_EQ(table->DataFile().Header().NextRecordNumber(), next + 1) << "the header is the new one";
    EXPECT_EQ(table->IndexFile().GetActiveRecords(), 20u);
    table->EndRead();
    auto contents = Contents(*table);
    EXPECT_EQ(contents.at(7).Value, 700);
    EXPECT_EQ(contents.at(50).Value, 5000);
    EXPECT_EQ(contents.count(3), 0u);
    EXPECT_EQ(Problems(*table), "");

    PutPerson(*table, {8, 800, "n"});
    EXPECT_EQ(other->SendOk("tget 8"), "800");
    EXPECT_EQ(other->SendOk("tverify"), "");
}

TEST_P(TableLocksTest, AKilledWriterLetsTheOthersGoOn) {
    CreatePeople()->Close();
    auto writer = Worker(), other = Worker("tries=2");
    writer->SendOk("tput 1 10");
    writer->SendOk("tbegin write");
    EXPECT_TRUE(Refused(*other, "tput 2 20", VORSAM_LOCKTIMEOUT));
    writer->Kill(); // its locks die with it
    other->SendOk("tput 2 20");
    EXPECT_EQ(other->SendOk("tcount"), "2");
    EXPECT_EQ(other->SendOk("tverify"), "");
}

// A writer killed after its mark: a table whose files still agree opens as it was; one holding a record
// its header does not count is refused until it is repaired, and then holds that record.
TEST_P(TableLocksTest, AWriterKilledInTheMiddleOfAWriteLeavesATableThatOpensOrIsRepaired) {
    for (uint64_t stop : {2, 3}) {
        SCOPED_TRACE("stopped at write " + std::to_string(stop));
        if (auto old = NewTable(); old->Exists()) old->Delete();
        auto table = CreatePeople();
        PutPerson(*table, {1, 10, "Ana"});
        table->Close();
        auto writer = Worker();
        writer->SendOk("tstopatwrite " + std::to_string(stop)); // the mark, then the new record
        EXPECT_EQ(writer->Send("tput 2 20").rfind("error", 0), 0u);
        writer->Kill();
        if (stop == 2) {
            EXPECT_EQ(Contents(*OpenPeople()).size(), 1u);
            continue;
        }
        EXPECT_ENGINE_ERROR(OpenPeople(), VORSAM_WRITEINTERRUPTED);
        NewTable()->Repair();
        auto repaired = OpenPeople();
        EXPECT_EQ(Contents(*repaired).size(), 2u);
        EXPECT_EQ(Problems(*repaired), "");
    }
}

TEST_P(TableLocksTest, AnExclusiveOpenShutsOutOtherProcesses) {
    auto table = CreatePeople(false, {.Exclusive = true});
    TWorkerProcess other;
    EXPECT_TRUE(Refused(other, "topen " + dir_.Path() + " PEOPLE", VORSAM_FILEINUSE));
    table->Close();
    other.SendOk("topen " + dir_.Path() + " PEOPLE exclusive");
    EXPECT_ENGINE_ERROR(OpenPeople(), VORSAM_FILEINUSE);
}

INSTANTIATE_TEST_SUITE_P(Storage, TableLocksTest, ::testing::Values(TStorage::Disk), StorageName);

} // namespace
} // namespace vorsam::test
