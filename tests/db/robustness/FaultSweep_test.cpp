// Each workload run again and again with its Nth file call of one kind failing, as the system would fail
// it (reads, writes and truncations, opens, listings, status calls, locks, unlocks, flushes, reservations of
// room, renames, deletes), for N from 1 to the number of such calls of a run without failures: a two-table
// commit, the opening of a commit left pending by a crash, a kept table's statements, a repair, and a change
// of many rows. Each failure is raised or does no harm; no table is split, none loses a committed row or
// is refused afterwards, nothing waits for a lock until its tries run out, and the next operations of the
// same session give what they must.
// In the short form each kind's N are a sample spread over them; CENTRPRG_FAULT_SWEEP=all tries every N.
#include "../engine/TransactionTestSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/TableLocks.h"
#include "db/sql/QueryStatement.h"

#include <cstdlib>
#include <map>
#include <optional>

namespace vorsam::test {
namespace {

namespace fs = std::filesystem;

struct TKind {
    const char* Name;
    TFileOperation Operation;
    int Error;
};

const TKind Kinds[] = {
    {"read", TFileOperation::Read, EIO},       {"write", TFileOperation::Write, EIO},
    {"open", TFileOperation::Open, EIO},       {"listing", TFileOperation::List, EIO},
    {"status", TFileOperation::Status, EIO},   {"lock", TFileOperation::Lock, ENOLCK},
    {"unlock", TFileOperation::Unlock, EIO},   {"flush", TFileOperation::Flush, EIO},
    {"room", TFileOperation::Reserve, ENOSPC}, {"rename", TFileOperation::Rename, EIO},
    {"delete", TFileOperation::Delete, EIO},
};

// The long form: every call of workloads a few times larger.
bool LongForm() {
    const char* sweep = std::getenv("CENTRPRG_FAULT_SWEEP");
    return sweep && std::string(sweep) == "all";
}

// The N to try of `count` calls: all of them for the long form, else up to 16 spread over them, the
// first and the last among them.
std::vector<uint64_t> Picks(uint64_t count) {
    const uint64_t most = LongForm() ? count : 16;
    std::vector<uint64_t> picks;
    for (uint64_t i = 0; i < std::min(count, most); ++i) {
        uint64_t n = count <= most ? i + 1 : 1 + i * (count - 1) / (most - 1);
        if (picks.empty() || picks.back() != n) picks.push_back(n);
    }
    return picks;
}

class FaultSweepTest : public TCommitCrashTest {
protected:
    FaultSweepTest() {
        settings_.LockTries = 50;
        SetLockWaitObserver([this](std::chrono::milliseconds) { ++waits_; });
    }
    ~FaultSweepTest() override {
        RecordProperty("runs", std::to_string(runs_));
        SetLockWaitObserver(nullptr);
        GetFileList().Faults().Reset();
    }

    // Runs `setup`, then `run` with each chosen call failing in turn; `check` is told the error raised
    // (none when the run went through) once the failure is taken away.
    void Sweep(const std::function<void()>& setup, const std::function<void()>& run,
               const std::function<void(const std::optional<EVORSAMEngineError>&)>& check) {
        std::map<TFileOperation, uint64_t> counts;
        setup();
        GetFileList().Faults().SetObserver([&](const TFileEvent& e) { ++counts[e.Operation]; });
        run();
        GetFileList().Faults().Reset();
        check(std::nullopt);
        for (const TKind& kind : Kinds)
            for (uint64_t n : Picks(counts[kind.Operation])) {
                if (HasFatalFailure()) return;
                SCOPED_TRACE(std::string(kind.Name) + " " + std::to_string(n) + " of " +
                             std::to_string(counts[kind.Operation]));
                setup();
                waits_ = 0;
                GetFileList().Faults().FailAt(kind.Operation, n, kind.Error);
                std::optional<EVORSAMEngineError> raised;
                try {
                    run();
                } catch (const EVORSAMEngineError& e) {
                    raised = e;
                }
                GetFileList().Faults().Reset();
                EXPECT_LT(waits_, settings_.LockTries) << "waited for a lock of its own process";
                if (raised) {
                    EXPECT_NE(raised->ErrorCode, VORSAM_LOCKTIMEOUT) << raised->what();
                }
                ++runs_;
                try {
                    check(raised);
                } catch (const EVORSAMEngineError& e) {
                    ADD_FAILURE() << "after " << (raised ? raised->what() : "no error") << ": " << e.what();
                }
            }
    }

    // An SQL session of the test's folder whose tables are kept between statements.
    TDataSession& Sql() {
        if (!sql_) {
            sql_ = std::make_unique<TDataSession>();
            const_cast<EngineSettings&>(sql_->Settings()).LockTries = settings_.LockTries;
            sqlDatabase_ = &sql_->OpenDataDirectory("", dir_.Path());
        }
        return *sql_;
    }
    int32_t RunSql(const std::string& sql) {
        Sql();
        TQueryStatement statement(*sqlDatabase_);
        statement.Prepare(sql);
        statement.Execute({}, false);
        return statement.RowsAffected;
    }
    // ID|V|NOTE of every row, as a fresh session reads it.
    std::vector<std::string> FreshRows(const std::string& table) const {
        TDataSession fresh;
        const_cast<EngineSettings&>(fresh.Settings()).LockTries = settings_.LockTries;
        TQueryStatement statement(fresh.OpenDataDirectory("", dir_.Path()));
        statement.Prepare("SELECT ID, V, NOTE FROM " + table + " ORDER BY ID");
        TDataCursor* cursor = statement.Execute({}, false);
        std::vector<std::string> rows;
        std::vector<uint8_t> image(cursor->GetRecordSize());
        for (cursor->SetToBegin(); cursor->GetNextRecord(image) == 0;) {
            int32_t values[2] = {};
            bool null = false;
            for (uint16_t field : {1, 2})
                cursor->GetField(field, image, null, reinterpret_cast<uint8_t*>(&values[field - 1]));
            uint32_t size = 0;
            cursor->OpenBlob(3, image, TBlobOpenMode::Read, &size);
            std::string note(size, '\0');
            uint32_t count = 0;
            cursor->GetBlob(3, image, 0, size, reinterpret_cast<uint8_t*>(note.data()), count);
            cursor->FreeBlob(3, image);
            rows.push_back(std::to_string(values[0]) + "|" + std::to_string(values[1]) + "|" + note);
        }
        return rows;
    }
    void DropSql() {
        sqlDatabase_ = nullptr;
        sql_.reset();
    }

    std::unique_ptr<TDataSession> sql_;
    TDataDirectory* sqlDatabase_ = nullptr;
    uint32_t waits_ = 0;
    uint64_t runs_ = 0;
};

TEST_P(FaultSweepTest, ATwoTableCommitIsDoneOrRefusedWhole) {
    if (LongForm()) edits_ = 150, keys_ = 300;
    std::vector<std::unique_ptr<TDataTable>> tables;
    Sweep([&] { tables = Prepare(); }, [&] { database_.Commit(true, true); },
          [&](const std::optional<EVORSAMEngineError>& raised) {
              if (database_.InTransaction()) database_.Rollback(); // a commit refused before its write
              tables.clear();
              const TReopened first = Reopen(0), second = Reopen(1);
              EXPECT_EQ(first, second) << "split";
              const bool done = !raised || raised->ErrorCode == VORSAM_UNLOCKFAILED;
              if (done) {
                  EXPECT_EQ(first, TReopened::After) << "a commit said done";
              }
              // The next commit of the database.
              auto people = Table("PEOPLE"), others = Table("OTHERS");
              database_.StartTransaction();
              PutPerson(*people, {900, 9, "next"});
              PutPerson(*others, {900, 9, "next"});
              database_.Commit(true, false);
              people.reset();
              others.reset();
              for (const char* name : {"PEOPLE", "OTHERS"}) {
                  auto fresh = NewTable(name);
                  fresh->Open();
                  EXPECT_EQ(Contents(*fresh).count(900), 1u) << name;
              }
          });
    EXPECT_GT(runs_, 40u);
}

// A commit whose journal is whole, its tables not written yet: the first open of one, with a call failing,
// completes both or neither; the next open completes what is left.
TEST_P(FaultSweepTest, TheOpeningOfAPendingCommitCompletesItWholeOrNotYet) {
    if (LongForm()) edits_ = 150, keys_ = 300;
    Sweep([&] { CrashAt(0, 0); },
          [&] {
              auto table = NewTable("PEOPLE");
              table->Open();
              Contents(*table);
          },
          [&](const std::optional<EVORSAMEngineError>&) {
              for (size_t table : {0, 1}) EXPECT_EQ(Reopen(table), TReopened::After);
          });
}

// A table kept between the statements of a session, with a memo: each statement is done whole or not at
// all; the session goes on with the statement that failed (unless it was done) and the rest, and ends
// where the oracle does.
TEST_P(FaultSweepTest, AKeptTablesStatementsAreEachDoneWholeOrNotAtAll) {
    const std::vector<std::string> statements = {"UPDATE K SET V = V + 1 WHERE ID <= 5",
                                                 "INSERT INTO K (ID, V, NOTE) VALUES (100, 7, 'added')",
                                                 "SELECT * FROM K WHERE V > 1", "DELETE FROM K WHERE ID = 3",
                                                 "UPDATE K SET NOTE = 'changed' WHERE ID = 8"};
    // The rows after each statement.
    std::vector<std::vector<std::string>> states;
    auto reset = [&] {
        DropSql();
        for (const char* extension : {".DAT", ".IDX", ".BLB"})
            fs::remove(dir_.File(std::string("K") + extension));
        RunSql("CREATE TABLE K (ID INTEGER, V INTEGER, NOTE MEMO, PRIMARY KEY (ID))");
        for (int id = 1; id <= 10; ++id)
            RunSql("INSERT INTO K (ID, V, NOTE) VALUES (" + std::to_string(id) + ", 0, '" +
                   std::string(id * 60, 'n') + "')");
        RunSql("SELECT * FROM K"); // kept from here on
    };
    reset();
    states.push_back(FreshRows("K"));
    for (const std::string& statement : statements) {
        RunSql(statement);
        states.push_back(FreshRows("K"));
    }
    size_t next = 0; // the statement the run reached
    Sweep([&] { reset(); },
          [&] {
              for (next = 0; next < statements.size(); ++next) RunSql(statements[next]);
          },
          [&](const std::optional<EVORSAMEngineError>& raised) {
              if (!raised) {
                  EXPECT_EQ(FreshRows("K"), states.back());
                  return;
              }
              const std::vector<std::string> rows = FreshRows("K");
              const bool done = rows == states[next + 1];
              EXPECT_TRUE(done || rows == states[next])
                  << "statement " << next << " half done: " << raised->what();
              if (std::string(raised->what()).find(" is done") != std::string::npos) {
                  EXPECT_TRUE(done) << "said done";
              }
              for (size_t i = next + (done ? 1 : 0); i < statements.size(); ++i) RunSql(statements[i]);
              EXPECT_EQ(FreshRows("K"), states.back());
          });
    EXPECT_GT(runs_, 40u);
}

// A repair of an intact table with memos: it raises or mends nothing, and drops no row and no memo; one cut
// short after it began writing leaves the table refused until it is repaired again.
TEST_P(FaultSweepTest, ARepairThatFailsDropsNothing) {
    TContents people;
    Sweep(
        [&] {
            auto table = NewTable("PEOPLE");
            if (table->Exists()) table->Delete();
            table = Table("PEOPLE", true);
            people = {};
            random_.seed(11);
            for (int n = 0; n < (LongForm() ? 150 : 30); ++n) RandomEdit(*table, people, 100);
        },
        [&] { NewTable("PEOPLE")->Repair(); },
        [&](const std::optional<EVORSAMEngineError>&) {
            TDataTable table(settings_, Location("PEOPLE"));
            TAfterCrash reopened = OpenAfterCrash(table);
            ASSERT_TRUE(reopened.Contents);
            EXPECT_EQ(*reopened.Contents, people);
        });
}

// An UPDATE of many rows in commit intervals (of COMMIT INTERVAL, and those a small budget of changes
// measures, whose changes wait in spill files): the rows of the intervals committed before the failure are
// changed, and the statement's count says how many; the rest are not; the next statement changes them.
TEST_P(FaultSweepTest, AChangeOfManyRowsKeepsItsCommittedIntervalsAndNothingElse) {
    const int rows = LongForm() ? 3000 : 600;
    std::unique_ptr<TQueryStatement> statement;
    auto counts = [&] {
        std::map<std::string, int> values;
        std::vector<std::string> all = FreshRows("M");
        EXPECT_EQ(all.size(), size_t(rows)) << "rows lost";
        for (const std::string& row : all) ++values[row.substr(row.find('|'), 3)];
        return values;
    };
    for (const std::string clause : {" COMMIT INTERVAL 150", ""}) {
        SCOPED_TRACE(clause.empty() ? "measured intervals" : clause);
        Sweep(
            [&] {
                DropSql();
                if (clause.empty())
                    Sql().SetBufferSizes({.BufferSize = MinBufferBytes, .ChangeBudget = MinBufferBytes});
                for (const char* extension : {".DAT", ".IDX", ".BLB"})
                    fs::remove(dir_.File(std::string("M") + extension));
                RunSql("CREATE TABLE M (ID INTEGER, V INTEGER, NOTE MEMO, PRIMARY KEY (ID))");
                RunSql("CREATE TABLE S (ID INTEGER)");
                for (int id = 1; id <= rows; ++id)
                    RunSql("INSERT INTO S (ID) VALUES (" + std::to_string(id) + ")");
                RunSql("INSERT INTO M (ID, V) SELECT ID, 0 FROM S");
                RunSql("DROP TABLE S");
                statement = std::make_unique<TQueryStatement>(*sqlDatabase_);
                statement->Prepare("UPDATE M SET V = 1" + clause);
            },
            [&] { statement->Execute({}, false); },
            [&](const std::optional<EVORSAMEngineError>& raised) {
                std::map<std::string, int> values = counts();
                EXPECT_EQ(values["|1|"], raised ? statement->MasterQuery->RowsAffected : rows);
                if (!clause.empty() && raised && raised->ErrorCode != VORSAM_UNLOCKFAILED) {
                    EXPECT_EQ(values["|1|"] % 150, 0);
                }
                statement.reset();
                RunSql("UPDATE M SET V = 1 WHERE V = 0");
                EXPECT_EQ(counts()["|1|"], rows);
            });
    }
}

INSTANTIATE_TEST_SUITE_P(Storage, FaultSweepTest, ::testing::Values(TStorage::Disk), StorageName);

} // namespace
} // namespace vorsam::test
