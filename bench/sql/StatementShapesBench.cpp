// SQL statements in the shapes users meet, ours beside SQLite on the same rows in the same run, at 10^4,
// 10^5 and 10^6 rows: a join whose big table's join column has no index (the small table has fewer
// records, and drove such joins once), a three-table star, an outer join on a key; copies, deletes and
// updates of whole tables; grouping, DISTINCT, TOP and scans without an index; a join through an index on
// the inner table's join column, about ten inner rows to each outer row, for every outer row and for one
// in twenty (written with JOIN ... ON, and in the WHERE clause reading only the inner table's key, which
// SQLite's index on the join column holds). Named
// Shape<NN>_<case>_<side>/<rows>/<caches>; the 10^6 rows run under the names ShapeLarge...
// (`--benchmark_filter=^Shape[0-9]` for the shorter run).
//
// Tables (StatementShapesData.h): O of N rows (ID key, CID and PID without an index, AMOUNT, NOTE), C and P
// of N/100 rows (ID key), X of N rows whose keys are the even numbers, so that half of O's rows find a
// partner; H of N/10 rows (ID key, REGION 0-19) and L of N rows (ID key, HID with an index, about ten rows
// per row of H); the changes work on copies of O. Rows 17-27 change many rows (a tenth, half, every row)
// of T, a table with an index on its NAME field whose records lie in shuffled order, through its copies
// T2 and T3: INSERT ... SELECT, DELETE, and UPDATE of the indexed NAME and of the unindexed SCORE; row 28
// changes the NAME of 4,000 rows with the smallest caches. Caches (TShapeCaches): argument 0 keeps each
// side's defaults (ours 16 KiB of records and of pages per index, SQLite 2 MiB), 1 gives both caches large
// enough for every table, 2 the smallest. Each SELECT's rows are read whole, each value in its own
// type; the rows counted are checked. The counter MiB is the most resident memory one more run of the
// statement, untimed, added (TStatementMemory).
#include "StatementMemory.h"
#include "StatementShapesData.h"

#include "bench/engine/DataSetBenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/sql/QueryStatement.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <functional>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace vorsam::bench {
namespace {

struct TShapeCase {
    const char* Name;
    const char* Ours;
    const char* Sqlite;
    // The rows a SELECT gives, or a change reports, for N rows in O; negative: not checked.
    std::function<int64_t(int64_t n)> Rows;
    // A change: the copy it works on is filled (or emptied) before each run, untimed.
    enum TPrepare { None, EmptyCopy, FullCopy } Prepare = None;
    // The copy and the table it copies: O2 of O, or among the indexed tables T2 or T3 of T.
    const char* Copy = "O2";
    const char* Original = "O";
    bool Indexed() const { return Original[0] == 'T'; }
    // Run only at 10^4 rows with the smallest caches.
    bool Smallest = false;
};

int64_t Unchecked(int64_t) {
    return -1;
}

const TShapeCase Cases[] = {
    {"01_JoinNoIndex", "SELECT O.ID, C.CNAME, O.AMOUNT FROM O INNER JOIN C ON O.CID = C.ID",
     "SELECT O.ID, C.CNAME, O.AMOUNT FROM O INNER JOIN C ON O.CID = C.ID", [](int64_t n) { return n; }},
    {"02_StarJoinWhere",
     "SELECT O.ID, C.CNAME, P.PNAME FROM O JOIN C ON O.CID = C.ID JOIN P ON O.PID = P.ID WHERE C.REGION = 3",
     "SELECT O.ID, C.CNAME, P.PNAME FROM O JOIN C ON O.CID = C.ID JOIN P ON O.PID = P.ID WHERE C.REGION = 3",
     Unchecked},
    {"03_LeftJoinOnKey", "SELECT O.ID, X.W FROM O LEFT OUTER JOIN X ON X.ID = O.ID",
     "SELECT O.ID, X.W FROM O LEFT OUTER JOIN X ON X.ID = O.ID", [](int64_t n) { return n; }},
    {"04_InsertSelectAll", "INSERT INTO O2 SELECT * FROM O", "INSERT INTO O2 SELECT * FROM O",
     [](int64_t n) { return n; }, TShapeCase::EmptyCopy},
    {"05_InsertSelectWhere", "INSERT INTO O2 SELECT * FROM O WHERE AMOUNT > 500",
     "INSERT INTO O2 SELECT * FROM O WHERE AMOUNT > 500", Unchecked, TShapeCase::EmptyCopy},
    {"06_DeleteHalf", "DELETE FROM O2 WHERE AMOUNT < 500", "DELETE FROM O2 WHERE AMOUNT < 500", Unchecked,
     TShapeCase::FullCopy},
    {"07_UpdateEveryRow", "UPDATE O3 SET AMOUNT = AMOUNT + 1", "UPDATE O3 SET AMOUNT = AMOUNT + 1",
     [](int64_t n) { return n; }},
    {"08_GroupBy", "SELECT CID, COUNT(*), SUM(AMOUNT), AVG(AMOUNT) FROM O GROUP BY CID",
     "SELECT CID, COUNT(*), SUM(AMOUNT), AVG(AMOUNT) FROM O GROUP BY CID", [](int64_t n) { return n / 100; }},
    {"09_DistinctNoIndex", "SELECT DISTINCT CID FROM O", "SELECT DISTINCT CID FROM O",
     [](int64_t n) { return n / 100; }},
    {"10_OrderByTop", "SELECT ID, AMOUNT FROM O ORDER BY AMOUNT DESC TOP 100",
     "SELECT ID, AMOUNT FROM O ORDER BY AMOUNT DESC LIMIT 100", [](int64_t) { return 100; }},
    {"11_TopAlone", "SELECT ID, AMOUNT FROM O TOP 100", "SELECT ID, AMOUNT FROM O LIMIT 100",
     [](int64_t) { return 100; }},
    {"12_FullScan", "SELECT ID, CID, AMOUNT, NOTE FROM O", "SELECT ID, CID, AMOUNT, NOTE FROM O",
     [](int64_t n) { return n; }},
    {"13_WhereNoIndex", "SELECT ID, AMOUNT FROM O WHERE AMOUNT > 900",
     "SELECT ID, AMOUNT FROM O WHERE AMOUNT > 900", Unchecked},
    {"14_JoinIndexedTenEach", "SELECT H.ID, H.HNAME, L.QTY, L.PRICE FROM H JOIN L ON L.HID = H.ID",
     "SELECT H.ID, H.HNAME, L.QTY, L.PRICE FROM H JOIN L ON L.HID = H.ID", [](int64_t n) { return n; }},
    {"15_JoinIndexedWhere",
     "SELECT H.ID, H.HNAME, L.QTY, L.PRICE FROM H JOIN L ON L.HID = H.ID WHERE H.REGION = 3",
     "SELECT H.ID, H.HNAME, L.QTY, L.PRICE FROM H JOIN L ON L.HID = H.ID WHERE H.REGION = 3", Unchecked},
    {"16_JoinIndexedInWhere", "SELECT L.ID, H.HNAME FROM H, L WHERE H.ID = L.HID AND H.REGION = 3",
     "SELECT L.ID, H.HNAME FROM H, L WHERE H.ID = L.HID AND H.REGION = 3", Unchecked},
    // Changes of many rows of tables with an index on a text field, whose records lie in shuffled order.
    {"17_IdxInsertSelectAll", "INSERT INTO T2 SELECT * FROM T", "INSERT INTO T2 SELECT * FROM T",
     [](int64_t n) { return n; }, TShapeCase::EmptyCopy, "T2", "T"},
    {"18_IdxInsertSelectTenth", "INSERT INTO T2 SELECT * FROM T WHERE CITY = 'City 3'",
     "INSERT INTO T2 SELECT * FROM T WHERE CITY = 'City 3'", Unchecked, TShapeCase::EmptyCopy, "T2", "T"},
    {"19_IdxDeleteTenth", "DELETE FROM T2 WHERE CITY = 'City 3'", "DELETE FROM T2 WHERE CITY = 'City 3'",
     Unchecked, TShapeCase::FullCopy, "T2", "T"},
    {"20_IdxDeleteHalf", "DELETE FROM T2 WHERE SCORE < 500", "DELETE FROM T2 WHERE SCORE < 500", Unchecked,
     TShapeCase::FullCopy, "T2", "T"},
    {"21_IdxDeleteAll", "DELETE FROM T2 WHERE SCORE >= 0", "DELETE FROM T2 WHERE SCORE >= 0",
     [](int64_t n) { return n; }, TShapeCase::FullCopy, "T2", "T"},
    {"22_IdxUpdateNameAll", "UPDATE T3 SET NAME = 'x' || NAME", "UPDATE T3 SET NAME = 'x' || NAME",
     [](int64_t n) { return n; }, TShapeCase::FullCopy, "T3", "T"},
    {"23_IdxUpdateNameTenth", "UPDATE T3 SET NAME = 'x' || NAME WHERE CITY = 'City 3'",
     "UPDATE T3 SET NAME = 'x' || NAME WHERE CITY = 'City 3'", Unchecked, TShapeCase::FullCopy, "T3", "T"},
    {"24_IdxUpdateNameHalf", "UPDATE T3 SET NAME = 'x' || NAME WHERE SCORE < 500",
     "UPDATE T3 SET NAME = 'x' || NAME WHERE SCORE < 500", Unchecked, TShapeCase::FullCopy, "T3", "T"},
    {"25_IdxUpdateScoreAll", "UPDATE T3 SET SCORE = SCORE + 1", "UPDATE T3 SET SCORE = SCORE + 1",
     [](int64_t n) { return n; }, TShapeCase::FullCopy, "T3", "T"},
    {"26_IdxUpdateScoreTenth", "UPDATE T3 SET SCORE = SCORE + 1 WHERE CITY = 'City 3'",
     "UPDATE T3 SET SCORE = SCORE + 1 WHERE CITY = 'City 3'", Unchecked, TShapeCase::FullCopy, "T3", "T"},
    {"27_IdxUpdateScoreHalf", "UPDATE T3 SET SCORE = SCORE + 1 WHERE SCORE < 500",
     "UPDATE T3 SET SCORE = SCORE + 1 WHERE SCORE < 500", Unchecked, TShapeCase::FullCopy, "T3", "T"},
    // Keys changed with the smallest caches, whose budget holds few changed records.
    {"28_IdxUpdateNameSmallest", "UPDATE T3 SET NAME = 'x' || NAME WHERE ID < 4000",
     "UPDATE T3 SET NAME = 'x' || NAME WHERE ID < 4000", [](int64_t) { return 4000; }, TShapeCase::FullCopy,
     "T3", "T", true},
};

// The copy the change works on, made ready untimed.
void PrepareCopy(TShapeDatabases& db, const TShapeCase& shape, bool ours) {
    if (shape.Prepare == TShapeCase::None) return;
    std::string empty = std::string("DELETE FROM ") + shape.Copy;
    std::string fill = std::string("INSERT INTO ") + shape.Copy + " SELECT * FROM " + shape.Original;
    if (ours) {
        db.RunOurs(empty);
        if (shape.Prepare == TShapeCase::FullCopy) db.RunOurs(fill);
    } else {
        db.Sqlite.Exec(empty.c_str());
        if (shape.Prepare == TShapeCase::FullCopy) db.Sqlite.Exec(fill.c_str());
    }
}

TShapeDatabases& DatabasesOf(const TShapeCase& shape, int64_t n, TShapeCaches caches) {
    TShapeDatabases& db = ShapeDatabases(n, caches);
    if (shape.Indexed()) db.IndexedTables();
    return db;
}

int64_t ReadOurRows(TDataCursor& result, std::vector<uint8_t>& record, std::vector<uint8_t>& value) {
    record.resize(result.GetRecordSize());
    result.SetToBegin();
    int64_t rows = 0;
    while (result.GetNextRecord(record) == 0) {
        for (uint16_t field = 1; field <= result.GetFieldCount(); ++field) {
            bool isNull = false;
            result.GetField(field, record, isNull, value.data());
        }
        ++rows;
    }
    benchmark::DoNotOptimize(value.data());
    return rows;
}

// One run of the statement and the reading of its rows: what each iteration times.
int64_t ExecuteOurs(TQueryStatement& statement, std::vector<uint8_t>& record, std::vector<uint8_t>& value) {
    TDataCursor* result = statement.Execute({}, false);
    return result ? ReadOurRows(*result, record, value) : statement.RowsAffected;
}

// The run before the timed ones (the statement's first, which opens what it keeps open): exactly one run,
// for a profile of the program to look at (`--toggle-collect=*FirstRun*` of callgrind).
[[gnu::noinline]] int64_t FirstRun(TQueryStatement& statement, std::vector<uint8_t>& record,
                                   std::vector<uint8_t>& value) {
    return ExecuteOurs(statement, record, value);
}

void RunOurs(benchmark::State& state, const TShapeCase& shape) {
    int64_t n = state.range(0);
    TShapeDatabases& db = DatabasesOf(shape, n, TShapeCaches(state.range(1)));
    TQueryStatement statement(db.Ours());
    statement.Prepare(shape.Ours);
    std::vector<uint8_t> record, value(256);
    int64_t rows = 0, expected = shape.Rows(n);
    PrepareCopy(db, shape, true);
    FirstRun(statement, record, value);
    for (auto _ : state) {
        state.PauseTiming();
        PrepareCopy(db, shape, true);
        state.ResumeTiming();
        rows = ExecuteOurs(statement, record, value);
        if (expected >= 0) Check(rows == expected, shape.Ours);
    }
    state.counters["rows"] = double(rows);
    TStatementMemory memory; // a run of its own, untimed
    PrepareCopy(db, shape, true);
    memory.Before();
    ExecuteOurs(statement, record, value);
    memory.After();
    state.counters["MiB"] = memory.MiB();
}

void RunSqlite(benchmark::State& state, const TShapeCase& shape) {
    int64_t n = state.range(0);
    TShapeDatabases& db = DatabasesOf(shape, n, TShapeCaches(state.range(1)));
    db.SetSqliteCaches(TShapeCaches(state.range(1)));
    sqlite3_stmt* statement = db.Sqlite.Prepare(shape.Sqlite);
    int64_t rows = 0, expected = shape.Rows(n);
    PrepareCopy(db, shape, false);
    ReadSqliteRows(statement);
    for (auto _ : state) {
        state.PauseTiming();
        PrepareCopy(db, shape, false);
        state.ResumeTiming();
        rows = ReadSqliteRows(statement);
        if (sqlite3_column_count(statement) == 0) rows = sqlite3_changes(db.Sqlite.Handle());
        if (expected >= 0) Check(rows == expected, shape.Sqlite);
    }
    state.counters["rows"] = double(rows);
    TStatementMemory memory;
    PrepareCopy(db, shape, false);
    memory.Before();
    ReadSqliteRows(statement);
    memory.After();
    state.counters["MiB"] = memory.MiB();
}

// Every case at 10^4 and 10^5 rows (Shape...) and at 10^6 (ShapeLarge...), each with both caches.
const bool Registered = [] {
    for (const TShapeCase& shape : Cases) {
        for (bool large : {false, true}) {
            if (shape.Smallest && large) continue;
            std::string prefix = std::string(large ? "ShapeLarge" : "Shape") + shape.Name;
            for (bool ours : {true, false}) {
                auto* benchmark = benchmark::RegisterBenchmark(
                    (prefix + (ours ? "_Ours" : "_Sqlite")).c_str(), [&shape, ours](benchmark::State& state) {
                        ours ? RunOurs(state, shape) : RunSqlite(state, shape);
                    });
                if (shape.Smallest)
                    benchmark->Args({10000, SmallestCaches});
                else
                    for (int64_t n :
                         large ? std::vector<int64_t>{1000000} : std::vector<int64_t>{10000, 100000})
                        for (int64_t caches : {DefaultCaches, WholeCaches}) benchmark->Args({n, caches});
                benchmark->Unit(benchmark::kMillisecond);
            }
        }
    }
    return true;
}();

} // namespace
} // namespace vorsam::bench
