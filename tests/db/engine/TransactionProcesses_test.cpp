// Transactions between processes: while a worker's transaction runs, another process can read its
// tables but sees only what was committed, and can write them only once the transaction ends; a commit
// waits for another process's readers; a worker killed in a transaction leaves the files as they were;
// two writers beside a reader neither stall nor lose an update.
#include "TransactionTestSupport.h"

#include "WorkerProcess.h"

namespace vorsam::test {
namespace {

using worker::TWorkerProcess;

class TransactionProcessesTest : public TTransactionTest {
protected:
    TransactionProcessesTest() { settings_.LockTries = 3; }

    std::unique_ptr<TWorkerProcess> Worker(const std::string& options = "tries=2000") {
        auto worker = std::make_unique<TWorkerProcess>();
        worker->SendOk("topen " + dir_.Path() + " PEOPLE " + options);
        return worker;
    }
    // Key and value of each record, as this process reads the table.
    static std::map<int32_t, int32_t> Values(TDataTable& table) {
        std::map<int32_t, int32_t> values;
        for (auto& [key, person] : Contents(table)) values[key] = person.Value;
        return values;
    }
    static std::string Put(int32_t key, int32_t value) {
        return "tput " + std::to_string(key) + " " + std::to_string(value);
    }
};

TEST_P(TransactionProcessesTest, AnotherProcessNeitherSeesNorWritesARunningTransaction) {
    auto table = Table("PEOPLE", true);
    PutPerson(*table, {1, 10, "a"});
    auto worker = Worker();
    using TValues = std::map<int32_t, int32_t>;

    worker->SendOk("tstart");
    worker->SendOk("tput 1 11");
    worker->SendOk("tput 2 20");
    worker->SendOk("tdelete 1");
    EXPECT_EQ(worker->SendOk("tcount"), "1") << "the transaction sees its own changes";
    EXPECT_EQ(Values(*table), (TValues{{1, 10}}));
    EXPECT_ENGINE_ERROR(PutPerson(*table, {3, 30, "c"}), VORSAM_LOCKTIMEOUT);
    EXPECT_ENGINE_ERROR(table->LockTable(), VORSAM_LOCKTIMEOUT);

    worker->SendOk("tcommit keep");
    EXPECT_EQ(Values(*table), (TValues{{2, 20}}));
    EXPECT_ENGINE_ERROR(PutPerson(*table, {3, 30, "c"}), VORSAM_LOCKTIMEOUT) << "the transaction goes on";
    worker->SendOk("tput 4 40");
    worker->SendOk("trollback");
    EXPECT_EQ(worker->Send("tget 4"), "fail missing");
    EXPECT_EQ(Values(*table), (TValues{{2, 20}}));
    PutPerson(*table, {3, 30, "c"});
    EXPECT_EQ(worker->SendOk("tget 3"), "30");
    EXPECT_EQ(worker->SendOk("tverify"), "");
}

TEST_P(TransactionProcessesTest, ACommitWaitsForAnotherProcesssReader) {
    Table("PEOPLE", true).reset();
    auto writer = Worker("tries=5"), reader = Worker();
    writer->SendOk("tstart");
    writer->SendOk("tput 1 10");
    reader->SendOk("tbegin read");
    EXPECT_EQ(writer->Send("tcommit").rfind("error " + std::to_string(VORSAM_LOCKTIMEOUT), 0), 0u);
    EXPECT_EQ(reader->Send("tget 1"), "fail missing");
    reader->SendOk("tend read");
    writer->SendOk("tcommit flush");
    EXPECT_EQ(reader->SendOk("tget 1"), "10");
}

TEST_P(TransactionProcessesTest, AWorkerKilledInATransactionLeavesTheStateBeforeIt) {
    Table("PEOPLE", true).reset();
    std::map<int32_t, int32_t> oracle;
    auto worker = Worker();
    for (int32_t key = 1; key <= 40; ++key) worker->SendOk(Put(key, oracle[key] = key));
    worker->SendOk("tstart");
    for (int32_t key = 30; key <= 700; ++key) worker->SendOk(Put(key, -1)); // outgrows its caches
    for (int32_t key = 1; key <= 20; ++key) worker->SendOk("tdelete " + std::to_string(key));
    EXPECT_EQ(worker->SendOk("tcount"), "680");
    auto table = OpenPeople();
    EXPECT_EQ(Values(*table), oracle) << "another process sees nothing uncommitted";
    worker->Kill();
    table = OpenPeople();
    EXPECT_EQ(Values(*table), oracle);
    EXPECT_EQ(Problems(*table), "");
}

INSTANTIATE_TEST_SUITE_P(Storage, TransactionProcessesTest, ::testing::Values(TStorage::Disk), StorageName);

// Two writers add 1 to a counter 100 times each beside a reader of long walks (CounterCommands.cpp): a wait
// for a lock that its waiter keeps held shows as the lock's timeout; no update may be lost.
class SeveralWritersTest : public ::testing::TestWithParam<const char*> {};

TEST_P(SeveralWritersTest, TwoWritersAndAReaderNeitherStallNorLoseAnUpdate) {
    TTempDir dir;
    const std::string folder = dir.Path() + " " + GetParam() + " ";
    TWorkerProcess first, second, reader;
    first.SendOk("ccreate " + dir.Path() + " 2000");
    for (auto [worker, command] : {std::pair{&reader, "cread " + folder + "200"},
                                   {&first, "cwrite " + folder + "100"},
                                   {&second, "cwrite " + folder + "100"}})
        worker->Post(command);
    EXPECT_EQ(first.Receive(), "ok");
    EXPECT_EQ(second.Receive(), "ok");
    EXPECT_EQ(reader.Receive(), "ok 200 0") << "the last sum, and the times it went down";
}

INSTANTIATE_TEST_SUITE_P(Through, SeveralWritersTest, ::testing::Values("engine", "sql"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
} // namespace vorsam::test
