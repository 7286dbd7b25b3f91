// Crashes in the middle of changes of many rows: INSERT ... SELECT, UPDATE and DELETE of 2 x 10^5 rows of
// a table with an index on a text field, its records in shuffled order, each run stopped at a write
// chosen at random (as a kill would stop it, keeping none or a part of that write), with the intervals that
// a small change budget measures and with COMMIT INTERVAL. Reopened, every table opens at once, passes the
// table check and holds its rows as after a whole number of commit intervals: the rows changed are the
// first ones the statement found (an UPDATE with measured intervals in record order, else in the primary
// key's), each as the statement changes it, and with COMMIT INTERVAL a multiple of it.
// CENTRPRG_STATEMENT_CRASHES sets the stops per statement and setting (2).
#include "db/lib/TestSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/engine/TableVerify.h"
#include "db/lib/FileFaults.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"
#include "db/sql/QueryStatement.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numeric>
#include <random>

namespace vorsam::test {
namespace {

namespace fs = std::filesystem;

constexpr int32_t RowCount = 200000;

struct TRow {
    int32_t Id = 0;
    std::string Name;
    int32_t V = 0;
    bool operator==(const TRow&) const = default;
};

struct TCase {
    const char* Sql;
    // The rows the statement changes, in the order found, and how it changes them.
    bool (*Chosen)(const TRow& row);
    void (*Change)(TRow& row);
    bool Inserts; // into T2, from T
    // With intervals that their bytes end, the rows are changed in the order of T's records.
    bool RecordOrder;
};

const TCase Cases[] = {
    {"INSERT INTO T2 SELECT * FROM T", [](const TRow&) { return true; }, [](TRow&) {}, true, false},
    {"UPDATE T SET V = V + 1, NAME = 'x' || NAME", [](const TRow&) { return true; },
     [](TRow& row) {
         row.V += 1;
         row.Name = "x" + row.Name;
     },
     false, true},
    {"DELETE FROM T WHERE V < 500", [](const TRow& row) { return row.V < 500; }, nullptr, false, false},
};

class StatementCrashTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitializeLibraryGlobals();
        original_ = new std::vector<TRow>;
        std::mt19937 random(2026);
        std::vector<int32_t> ids(RowCount);
        std::iota(ids.begin(), ids.end(), 1);
        std::shuffle(ids.begin(), ids.end(), random);
        for (int32_t id : ids) {
            std::string name(4 + random() % 8, 'a');
            for (char& c : name) c = char('a' + random() % 26);
            original_->push_back({id, name, int32_t(random() % 1000)});
        }
    }
    static void TearDownTestSuite() { delete original_; }

    // The tables made afresh, copies of the ones made once: T with the rows appended in their shuffled
    // order, T2 empty.
    void Make() {
        fs::remove_all(folder_);
        if (!fs::exists(made_)) MakeTables(made_);
        fs::copy(made_, folder_);
    }
    static void MakeTables(const std::string& folder) {
        fs::create_directories(folder);
        TDataSession session;
        TDataDirectory& directory = session.OpenDataDirectory("", folder);
        for (const char* sql : {"CREATE TABLE T (ID INTEGER, NAME CHAR(12), V INTEGER, PRIMARY KEY (ID))",
                                "CREATE INDEX TNAME ON T (NAME)",
                                "CREATE TABLE T2 (ID INTEGER, NAME CHAR(12), V INTEGER, PRIMARY KEY (ID))",
                                "CREATE INDEX T2NAME ON T2 (NAME)"})
            Run(directory, sql);
        TDataCursor cursor(directory);
        cursor.SetTableName("T");
        cursor.OpenCursor();
        std::vector<uint8_t> image(cursor.GetRecordSize());
        cursor.Table().LockTable();
        for (const TRow& row : *original_) {
            cursor.InitEmptyRecord(image);
            cursor.PutField(1, image, reinterpret_cast<const uint8_t*>(&row.Id));
            cursor.PutField(2, image, reinterpret_cast<const uint8_t*>(row.Name.c_str()));
            cursor.PutField(3, image, reinterpret_cast<const uint8_t*>(&row.V));
            cursor.AppendRecord(image);
        }
        cursor.Table().UnlockTable();
        cursor.CloseCursor();
        session.CloseDataDirectory(directory);
    }

    static int32_t Run(TDataDirectory& directory, const std::string& sql) {
        TQueryStatement statement(directory);
        statement.Prepare(sql);
        statement.Execute({}, false);
        return statement.RowsAffected;
    }

    // Runs the statement on fresh tables with the file layer stopped at write `stop` (0: never); the
    // writes it made.
    uint64_t RunStopped(const std::string& sql, uint32_t budget, uint64_t stop, size_t keepBytes) {
        Make();
        TDataSession session;
        TBufferSizes sizes;
        sizes.ChangeBudget = budget;
        session.SetBufferSizes(sizes);
        TDataDirectory& directory = session.OpenDataDirectory("", folder_);
        TFileFaults& faults = GetFileList().Faults();
        struct TReset {
            TFileFaults& Faults;
            ~TReset() { Faults.Reset(); }
        } reset{faults};
        faults.Reset();
        if (stop > 0) faults.StopAtWrite(stop, keepBytes);
        try {
            Run(directory, sql);
            EXPECT_EQ(stop, 0u) << "the statement ran past its stop";
        } catch (const ESimulatedCrash&) {
        } catch (const EVORSAMEngineError&) {
            // what the code after the stop met (it reads what was never written): part of the crash
            if (stop == 0 || faults.Count(TFileOperation::Write) < stop) throw;
        }
        uint64_t writes = faults.Count(TFileOperation::Write);
        session.CloseDataDirectory(directory);
        return writes;
    }

    // The table's rows, by the primary key or in record order; each table passes the check.
    std::vector<TRow> Rows(TDataDirectory& directory, const char* table, bool recordOrder) {
        TDataCursor cursor(directory);
        cursor.SetTableName(table);
        cursor.OpenCursor();
        EXPECT_TRUE(VerifyTable(cursor.Table()).Ok()) << table;
        if (recordOrder) cursor.SetIndexNumber(RecordOrderIndex);
        std::vector<uint8_t> image(cursor.GetRecordSize());
        std::vector<TRow> rows;
        cursor.SetToBegin();
        while (cursor.GetNextRecord(image) == 0) {
            TRow row;
            char name[16] = {};
            bool isNull = false;
            cursor.GetField(1, image, isNull, reinterpret_cast<uint8_t*>(&row.Id));
            cursor.GetField(2, image, isNull, reinterpret_cast<uint8_t*>(name));
            cursor.GetField(3, image, isNull, reinterpret_cast<uint8_t*>(&row.V));
            row.Name = name;
            rows.push_back(row);
        }
        cursor.CloseCursor();
        return rows;
    }

    // The rows the statement changed in the tables as the stop left them, from the first ones found on (in
    // the primary key's order, or with `recordOrder` in T's record order): every one changed as the statement
    // changes it, the others as they were.
    size_t ChangedRows(const TCase& shape, const std::vector<TRow>& found, bool recordOrder) {
        TDataSession session;
        TDataDirectory& directory = session.OpenDataDirectory("", folder_);
        std::vector<TRow> t = Rows(directory, "T", false), t2 = Rows(directory, "T2", true);
        session.CloseDataDirectory(directory);
        std::vector<TRow> byId = *original_;
        std::sort(byId.begin(), byId.end(), [](const TRow& a, const TRow& b) { return a.Id < b.Id; });
        if (shape.Inserts) {
            EXPECT_EQ(t, byId) << "the source is unchanged";
            EXPECT_TRUE(t2.size() <= found.size() && std::equal(t2.begin(), t2.end(), found.begin()))
                << "the target holds the first rows of the source";
            return t2.size();
        }
        EXPECT_TRUE(t2.empty());
        std::map<int32_t, TRow> now;
        for (const TRow& row : t) now[row.Id] = row;
        size_t changed = 0, kept = 0;
        bool past = false; // a row found was left as it was
        for (const TRow& before : recordOrder ? *original_ : byId) {
            auto at = now.find(before.Id);
            bool present = at != now.end();
            kept += present;
            if (!shape.Chosen(before)) {
                EXPECT_TRUE(present && at->second == before)
                    << "row " << before.Id << " is not the statement's";
                continue;
            }
            TRow after = before;
            if (shape.Change) shape.Change(after);
            bool done = shape.Change ? present && at->second == after : !present;
            EXPECT_TRUE(done || (present && at->second == before)) << "row " << before.Id << " half changed";
            EXPECT_FALSE(done && past) << "row " << before.Id << " changed after one that was not";
            past = past || !done;
            changed += done;
        }
        EXPECT_EQ(kept, t.size()) << "rows the table did not hold";
        return changed;
    }

    static std::vector<TRow>* original_;
    TTempDir dir_;
    std::string made_ = dir_.Path() + "/made"; // the tables made once
    std::string folder_ = dir_.Path() + "/tables";
};

std::vector<TRow>* StatementCrashTest::original_ = nullptr;

TEST_F(StatementCrashTest, AStopAnywhereInAChangeOfManyRowsLeavesWholeCommitIntervals) {
    const char* count = std::getenv("CENTRPRG_STATEMENT_CRASHES");
    const int stops = count ? std::max(1, std::atoi(count)) : 2;
    std::mt19937_64 random(std::random_device{}());
    struct TSetting {
        const char* Clause;
        uint32_t Budget;
        size_t Interval; // 0: measured
    };
    for (const TCase& shape : Cases) {
        for (TSetting setting :
             {TSetting{"", 65536, 0}, TSetting{" COMMIT INTERVAL 30000", 4 << 20, 30000}}) {
            std::string sql = shape.Sql + std::string(setting.Clause);
            SCOPED_TRACE(sql);
            uint64_t writes = RunStopped(sql, setting.Budget, 0, 0);
            // The rows found, in the order found: the source's as the whole statement copied them.
            std::vector<TRow> found;
            if (shape.Inserts) {
                TDataSession session;
                TDataDirectory& directory = session.OpenDataDirectory("", folder_);
                found = Rows(directory, "T2", true);
                session.CloseDataDirectory(directory);
            }
            const bool recordOrder = shape.RecordOrder && setting.Interval == 0;
            size_t all = ChangedRows(shape, found, recordOrder);
            for (int i = 0; i < stops && !HasFailure(); ++i) {
                uint64_t stop = 1 + random() % writes;
                size_t keepBytes = std::array<size_t, 3>{0, 100, 4196}[random() % 3];
                SCOPED_TRACE("stopped at write " + std::to_string(stop) + " of " + std::to_string(writes) +
                             " keeping " + std::to_string(keepBytes) + " bytes");
                RunStopped(sql, setting.Budget, stop, keepBytes);
                size_t changed = ChangedRows(shape, found, recordOrder);
                if (setting.Interval > 0) {
                    EXPECT_TRUE(changed % setting.Interval == 0 || changed == all) << changed << " rows";
                }
            }
        }
    }
}

} // namespace
} // namespace vorsam::test
