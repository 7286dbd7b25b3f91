// IN and NOT IN with a sub-select that does not read the outer row, ours beside SQLite on the same rows in
// the same run, at 10^4, 10^5 and 10^6 rows: SELECT COUNT(*), UPDATE and DELETE, the compared columns with
// an index on both sides (T's ID key, T's NAME index), on neither side (T's BORN dates), and on one side
// only (X's ID key against O's CID, O's CID against X's ID key); beside the changes, the same rows changed
// by a plain WHERE (10, 20), what the change alone costs. Named InSub<NN>_<case>_<side>/<rows>; the
// 10^6 rows run under the names InSubLarge... Each side keeps its default caches (ours 16 KiB of records and
// of pages per index, SQLite 2 MiB). The rows a statement counts, changes or deletes are checked against
// SQLite's. The counter MiB is the most resident memory one more run of the statement, untimed, added.
//
// Tables (StatementShapesData.h): T of N rows in shuffled record order (ID key, NAME with an index, CITY,
// SCORE 0-999, BORN a date among 18,262), T2 and T3 copies of T that the changes work on (filled again
// before each run, untimed); O of N rows (CID = i % (N/100), no index, AMOUNT 0-999.99) and X of N rows
// (ID key, the even numbers, W 0-999).
#include "StatementShapesData.h"

#include "bench/engine/DataSetBenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/sql/QueryStatement.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <map>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace vorsam::bench {
namespace {

struct TInCase {
    const char* Name;
    const char* Sql;  // the same text on both sides
    const char* Copy; // the copy of T a change works on, filled again before each run; null for a SELECT
};

const TInCase Cases[] = {
    {"01_SelectInKeys", "SELECT COUNT(*) FROM T WHERE ID IN (SELECT ID FROM T WHERE SCORE < 900)", nullptr},
    {"02_SelectNotInKeys", "SELECT COUNT(*) FROM T WHERE ID NOT IN (SELECT ID FROM T WHERE SCORE < 900)",
     nullptr},
    {"03_SelectInNames", "SELECT COUNT(*) FROM T WHERE NAME IN (SELECT NAME FROM T WHERE SCORE < 900)",
     nullptr},
    {"04_SelectInDates", "SELECT COUNT(*) FROM T WHERE BORN IN (SELECT BORN FROM T WHERE SCORE < 100)",
     nullptr},
    {"05_SelectNotInDates", "SELECT COUNT(*) FROM T WHERE BORN NOT IN (SELECT BORN FROM T WHERE SCORE < 100)",
     nullptr},
    {"06_SelectInOuterKey", "SELECT COUNT(*) FROM X WHERE ID IN (SELECT CID FROM O WHERE AMOUNT < 900)",
     nullptr},
    {"07_SelectInInnerKey", "SELECT COUNT(*) FROM O WHERE CID IN (SELECT ID FROM X WHERE W < 900)", nullptr},
    // The changes of 11 and 21 with the WHERE of their sub-select in place of IN: what the change alone
    // costs.
    {"10_UpdateSameRows", "UPDATE T3 SET SCORE = SCORE + 1 WHERE SCORE < 900", "T3"},
    {"11_UpdateInKeys", "UPDATE T3 SET SCORE = SCORE + 1 WHERE ID IN (SELECT ID FROM T WHERE SCORE < 900)",
     "T3"},
    {"12_UpdateNotInKeys",
     "UPDATE T3 SET SCORE = SCORE + 1 WHERE ID NOT IN (SELECT ID FROM T WHERE SCORE < 900)", "T3"},
    {"13_UpdateInDates",
     "UPDATE T3 SET SCORE = SCORE + 1 WHERE BORN IN (SELECT BORN FROM T WHERE SCORE < 100)", "T3"},
    {"20_DeleteSameRows", "DELETE FROM T2 WHERE SCORE < 900", "T2"},
    {"21_DeleteInKeys", "DELETE FROM T2 WHERE ID IN (SELECT ID FROM T WHERE SCORE < 900)", "T2"},
    {"22_DeleteNotInKeys", "DELETE FROM T2 WHERE ID NOT IN (SELECT ID FROM T WHERE SCORE < 900)", "T2"},
    {"23_DeleteNotInDates", "DELETE FROM T2 WHERE BORN NOT IN (SELECT BORN FROM T WHERE SCORE < 100)", "T2"},
};

TShapeDatabases& DatabasesOf(int64_t n) {
    TShapeDatabases& db = ShapeDatabases(n, DefaultCaches);
    db.IndexedTables();
    return db;
}

// The copy the change works on, filled again, untimed.
void PrepareCopy(TShapeDatabases& db, const TInCase& shape, bool ours) {
    if (!shape.Copy) return;
    std::string empty = std::string("DELETE FROM ") + shape.Copy;
    std::string fill = std::string("INSERT INTO ") + shape.Copy + " SELECT * FROM T";
    if (ours) {
        db.RunOurs(empty);
        db.RunOurs(fill);
    } else {
        db.Sqlite.Exec(empty.c_str());
        db.Sqlite.Exec(fill.c_str());
    }
}

// What a run gives: the COUNT(*) of a SELECT, the rows a change reports.
int64_t ExecuteOurs(TQueryStatement& statement) {
    TDataCursor* result = statement.Execute({}, false);
    if (!result) return statement.RowsAffected;
    std::vector<uint8_t> record(result->GetRecordSize());
    result->SetToBegin();
    Check(result->GetNextRecord(record) == 0, "COUNT(*) gives a row");
    bool isNull = false;
    uint8_t count[8] = {};
    result->GetField(1, record, isNull, count);
    int32_t value = 0;
    std::memcpy(&value, count, sizeof value);
    return value;
}

int64_t ExecuteSqlite(TShapeDatabases& db, sqlite3_stmt* statement) {
    if (sqlite3_column_count(statement) == 0) {
        db.Sqlite.Step(statement);
        return sqlite3_changes(db.Sqlite.Handle());
    }
    Check(sqlite3_step(statement) == SQLITE_ROW, "COUNT(*) gives a row");
    int64_t count = sqlite3_column_int64(statement, 0);
    sqlite3_reset(statement);
    return count;
}

// SQLite's answer, once per case and size: what ours must give.
int64_t Expected(TShapeDatabases& db, const TInCase& shape, int64_t n) {
    static std::map<std::pair<const TInCase*, int64_t>, int64_t> answers;
    auto [at, made] = answers.try_emplace({&shape, n}, 0);
    if (made) {
        PrepareCopy(db, shape, false);
        at->second = ExecuteSqlite(db, db.Sqlite.Prepare(shape.Sql));
    }
    return at->second;
}

// The growth of this process's resident memory from just before a run to its peak during it, in MiB.
class TRunMemory {
public:
    void Before() {
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        before_ = Status("VmRSS:");
    }
    double MiB() const { return double(Status("VmHWM:") - before_) / 1024; }

private:
    static int64_t Status(const char* field) {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::strlen(field)));
        return 0;
    }
    int64_t before_ = 0;
};

void RunOurs(benchmark::State& state, const TInCase& shape) {
    int64_t n = state.range(0);
    TShapeDatabases& db = DatabasesOf(n);
    int64_t expected = Expected(db, shape, n);
    TQueryStatement statement(db.Ours());
    statement.Prepare(shape.Sql);
    int64_t rows = 0;
    PrepareCopy(db, shape, true);
    Check(ExecuteOurs(statement) == expected, shape.Sql);
    for (auto _ : state) {
        state.PauseTiming();
        PrepareCopy(db, shape, true);
        state.ResumeTiming();
        rows = ExecuteOurs(statement);
        Check(rows == expected, shape.Sql);
    }
    state.counters["rows"] = double(rows);
    TRunMemory memory;
    PrepareCopy(db, shape, true);
    memory.Before();
    ExecuteOurs(statement);
    state.counters["MiB"] = memory.MiB();
}

void RunSqlite(benchmark::State& state, const TInCase& shape) {
    int64_t n = state.range(0);
    TShapeDatabases& db = DatabasesOf(n);
    int64_t expected = Expected(db, shape, n);
    db.SetSqliteCaches(DefaultCaches);
    sqlite3_stmt* statement = db.Sqlite.Prepare(shape.Sql);
    int64_t rows = 0;
    PrepareCopy(db, shape, false);
    ExecuteSqlite(db, statement);
    for (auto _ : state) {
        state.PauseTiming();
        PrepareCopy(db, shape, false);
        state.ResumeTiming();
        rows = ExecuteSqlite(db, statement);
        Check(rows == expected, shape.Sql);
    }
    state.counters["rows"] = double(rows);
    TRunMemory memory;
    PrepareCopy(db, shape, false);
    memory.Before();
    ExecuteSqlite(db, statement);
    state.counters["MiB"] = memory.MiB();
}

const bool Registered = [] {
    for (const TInCase& shape : Cases) {
        for (bool large : {false, true}) {
            std::string prefix = std::string(large ? "InSubLarge" : "InSub") + shape.Name;
            for (bool ours : {true, false}) {
                auto* benchmark = benchmark::RegisterBenchmark(
                    (prefix + (ours ? "_Ours" : "_Sqlite")).c_str(), [&shape, ours](benchmark::State& state) {
                        ours ? RunOurs(state, shape) : RunSqlite(state, shape);
                    });
                for (int64_t n : large ? std::vector<int64_t>{1000000} : std::vector<int64_t>{10000, 100000})
                    benchmark->Arg(n);
                benchmark->Unit(benchmark::kMillisecond);
            }
        }
    }
    return true;
}();

} // namespace
} // namespace vorsam::bench
