// The speed table: every case we follow beside SQLite, each row ours and its SQLite peer in the same run of
// this program (`--benchmark_filter=^Row`), named RowNN_<case>_<side>:
//   01-03  the engine's cursor: 1,000 lookups, a full scan in key order, 1,000 updates of a float, at 10^4,
//          10^5 and 10^6 rows (CursorBenchTables.h: whole-table caches on both sides)
//   04     the dataset's full scan (First/Next, a string and a float read per row) at 10^4 rows, default
//          caches (DataSetBenchSupport.h)
//   05-12  SELECT statements on CUST (10^4 rows), ORDERS (10^5) and ITEMS (10^3), default caches
//          (SqlBenchData.h): prepared once, each iteration runs them and reads every result row
//   13     a script of 100 SELECTs that return nothing (each served by the primary index), parsed, prepared
//          and run per iteration; the time per statement is the "statement" counter (its inverse rate)
//   14     10^5 INSERT statements into an empty table, each parsed and run on its own (SQLite: each its own
//          transaction); the table is emptied untimed (DataChangeBenchData.h: whole-table caches)
//   15     UPDATE of every row of a 10^4-row table in one statement
#include "DataChangeBenchData.h"
#include "SqlBenchData.h"
#include "bench/engine/CursorBenchTables.h"
#include "bench/engine/DataSetBenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/sql/QueryStatement.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace vorsam::bench {
namespace {

// ---- 01-04: the engine's cursor and the dataset ----

void CursorSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
}

void Row01_CursorLookups_Ours(benchmark::State& state) {
    Lookups(state, true);
}
void Row01_CursorLookups_Sqlite(benchmark::State& state) {
    Lookups(state, false);
}
void Row02_CursorScan_Ours(benchmark::State& state) {
    Sums(state, true, false, true);
}
void Row02_CursorScan_Sqlite(benchmark::State& state) {
    Sums(state, false, false, true);
}
void Row03_CursorUpdates_Ours(benchmark::State& state) {
    Updates(state, true);
}
void Row03_CursorUpdates_Sqlite(benchmark::State& state) {
    Updates(state, false);
}
void Row04_DataSetScan_Ours(benchmark::State& state) {
    DataSetScanLoop(state);
}
void Row04_DataSetScan_Sqlite(benchmark::State& state) {
    SqliteScanLoop(state);
}

BENCHMARK(Row01_CursorLookups_Ours)->Apply(CursorSizes);
BENCHMARK(Row01_CursorLookups_Sqlite)->Apply(CursorSizes);
BENCHMARK(Row02_CursorScan_Ours)->Apply(CursorSizes);
BENCHMARK(Row02_CursorScan_Sqlite)->Apply(CursorSizes);
BENCHMARK(Row03_CursorUpdates_Ours)->Apply(CursorSizes);
BENCHMARK(Row03_CursorUpdates_Sqlite)->Apply(CursorSizes);
BENCHMARK(Row04_DataSetScan_Ours)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(Row04_DataSetScan_Sqlite)->Arg(10000)->Unit(benchmark::kMicrosecond);

// ---- 05-12: SELECT statements ----

struct TSelectCase {
    const char* Ours;
    const char* Sqlite;
    int64_t Rows; // the result's rows, checked
};

const TSelectCase SelectCases[] = {
    {"SELECT ID, CUST, AMOUNT FROM ORDERS", "SELECT ID, CUST, AMOUNT FROM ORDERS", 100000},
    {"SELECT ID, AMOUNT FROM ORDERS WHERE AMOUNT > 900", "SELECT ID, AMOUNT FROM ORDERS WHERE AMOUNT > 900",
     10005},
    {"SELECT ID, AMOUNT FROM ORDERS WHERE CUST < 500", "SELECT ID, AMOUNT FROM ORDERS WHERE CUST < 500",
     5159},
    {"SELECT O.ID, C.NAME FROM CUST C, ORDERS O WHERE C.ID = O.CUST AND C.REGION = 3",
     "SELECT O.ID, C.NAME FROM CUST C, ORDERS O WHERE C.ID = O.CUST AND C.REGION = 3", 4985},
    {"SELECT COUNT(*), SUM(AMOUNT) FROM ORDERS", "SELECT COUNT(*), SUM(AMOUNT) FROM ORDERS", 1},
    {"SELECT DISTINCT CUST FROM ORDERS", "SELECT DISTINCT CUST FROM ORDERS", -1},
    {"SELECT ID, AMOUNT FROM ORDERS ORDER BY AMOUNT DESC TOP 100",
     "SELECT ID, AMOUNT FROM ORDERS ORDER BY AMOUNT DESC LIMIT 100", 100},
    {"SELECT COUNT(*) FROM ORDERS O, ITEMS I WHERE O.CUST = I.ID",
     "SELECT COUNT(*) FROM ORDERS O, ITEMS I WHERE O.CUST = I.ID", 1},
};

// Each result row's values are read in their own types: ours through GetField into a buffer, SQLite's
// through the getter of each value's type.
void SelectOurs(benchmark::State& state, const TSelectCase& select) {
    TQueryStatement statement(SqlData().Database());
    statement.Prepare(select.Ours);
    int64_t rows = 0;
    std::vector<uint8_t> value(256);
    for (auto _ : state) {
        TDataCursor* result = statement.Execute({}, false);
        std::vector<uint8_t> record(result->GetRecordSize());
        result->SetToBegin();
        rows = 0;
        while (result->GetNextRecord(record) == 0) {
            for (uint16_t field = 1; field <= result->GetFieldCount(); ++field) {
                bool isNull = false;
                result->GetField(field, record, isNull, value.data());
            }
            ++rows;
        }
        benchmark::DoNotOptimize(value.data());
        if (select.Rows >= 0) Check(rows == select.Rows, select.Ours);
    }
    state.counters["rows"] = double(rows);
}

void SelectSqlite(benchmark::State& state, const TSelectCase& select) {
    sqlite3_stmt* statement = SqlitePrepare(SqlData().Sqlite(), select.Sqlite);
    int64_t rows = 0;
    for (auto _ : state) {
        rows = ReadSqliteRows(statement);
        if (select.Rows >= 0) Check(rows == select.Rows, select.Sqlite);
    }
    sqlite3_finalize(statement);
    state.counters["rows"] = double(rows);
}

#define SELECT_ROW(name, index)                                                                              \
    void name##_Ours(benchmark::State& state) {                                                              \
        SelectOurs(state, SelectCases[index]);                                                               \
    }                                                                                                        \
    void name##_Sqlite(benchmark::State& state) {                                                            \
        SelectSqlite(state, SelectCases[index]);                                                             \
    }                                                                                                        \
    BENCHMARK(name##_Ours)->Unit(benchmark::kMillisecond);                                                   \
    BENCHMARK(name##_Sqlite)->Unit(benchmark::kMillisecond);

SELECT_ROW(Row05_SelectScan, 0)
SELECT_ROW(Row06_SelectWhereNoIndex, 1)
SELECT_ROW(Row07_SelectWhereIndexed, 2)
SELECT_ROW(Row08_SelectJoin, 3)
SELECT_ROW(Row09_SelectCountSum, 4)
SELECT_ROW(Row10_SelectDistinctIndexed, 5)
SELECT_ROW(Row11_SelectOrderByDescTop, 6)
SELECT_ROW(Row12_SelectCountJoin, 7)

#undef SELECT_ROW

// ---- 13: SELECTs that return nothing, inside a script ----

constexpr int ScriptStatements = 100;

std::string EmptySelectScript() {
    std::string script;
    for (int i = 0; i < ScriptStatements; ++i)
        script += "SELECT ID, NAME FROM CUST WHERE ID = " + std::to_string(-1 - i) + ";\n";
    return script;
}

void SetPerStatement(benchmark::State& state) {
    state.counters["statement"] = benchmark::Counter(
        ScriptStatements, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Row13_EmptySelectsInScript_Ours(benchmark::State& state) {
    const std::string script = EmptySelectScript();
    TDataDirectory& database = SqlData().Database();
    for (auto _ : state) {
        TQueryStatement statement(database);
        statement.Prepare(script);
        TDataCursor* result = statement.Execute({}, false);
        Check(result && result->GetRecordCount() == 0, "the last SELECT returns nothing");
    }
    SetPerStatement(state);
}
void Row13_EmptySelectsInScript_Sqlite(benchmark::State& state) {
    const std::string script = EmptySelectScript();
    sqlite3* sqlite = SqlData().Sqlite();
    for (auto _ : state) {
        int rows = 0;
        auto count = [](void* counter, int, char**, char**) {
            ++*static_cast<int*>(counter);
            return 0;
        };
        if (sqlite3_exec(sqlite, script.c_str(), count, &rows, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(sqlite));
        Check(rows == 0, "the SELECTs return nothing");
    }
    SetPerStatement(state);
}

BENCHMARK(Row13_EmptySelectsInScript_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(Row13_EmptySelectsInScript_Sqlite)->Unit(benchmark::kMillisecond);

// ---- 14: INSERT statements, one row each ----

constexpr int InsertRows = 100000;
constexpr const char* CreateLoad =
    "CREATE TABLE L (ID INTEGER, A INTEGER, B INTEGER, NAME CHAR(20), PRIMARY KEY (ID))";

void Row14_InsertStatements_Ours(benchmark::State& state) {
    TDatabases& db = Databases();
    db.Run(CreateLoad);
    std::vector<std::string> inserts;
    for (int id = 1; id <= InsertRows; ++id) inserts.push_back(InsertText("L", id));
    for (auto _ : state) {
        for (const std::string& insert : inserts) Check(db.Run(insert) == 1, "insert");
        state.PauseTiming();
        db.Run("DELETE FROM L");
        state.ResumeTiming();
    }
    db.Run("DROP TABLE L");
    state.SetItemsProcessed(state.iterations() * InsertRows);
}
void Row14_InsertStatements_Sqlite(benchmark::State& state) {
    TDatabases& db = Databases();
    db.Sqlite.Exec(CreateLoad);
    std::vector<std::string> inserts;
    for (int id = 1; id <= InsertRows; ++id) inserts.push_back(InsertText("L", id));
    for (auto _ : state) {
        for (const std::string& insert : inserts) db.Sqlite.Exec(insert.c_str());
        state.PauseTiming();
        db.Sqlite.Exec("DELETE FROM L");
        state.ResumeTiming();
    }
    db.Sqlite.Exec("DROP TABLE L");
    state.SetItemsProcessed(state.iterations() * InsertRows);
}

BENCHMARK(Row14_InsertStatements_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(Row14_InsertStatements_Sqlite)->Unit(benchmark::kMillisecond);

// ---- 15: UPDATE of every row ----

void Row15_UpdateEveryRow_Ours(benchmark::State& state) {
    TDatabases& db = Databases();
    TQueryStatement statement(*db.Database);
    statement.Prepare("UPDATE T SET B = B + 1");
    for (auto _ : state) {
        statement.Execute({}, false);
        Check(statement.RowsAffected == RowCount, "every row updated");
    }
}
void Row15_UpdateEveryRow_Sqlite(benchmark::State& state) {
    TDatabases& db = Databases();
    sqlite3_stmt* statement = db.Sqlite.Prepare("UPDATE T SET B = B + 1");
    for (auto _ : state) {
        db.Sqlite.Step(statement);
        Check(sqlite3_changes(db.Sqlite.Handle()) == RowCount, "every row updated");
    }
}

BENCHMARK(Row15_UpdateEveryRow_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(Row15_UpdateEveryRow_Sqlite)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vorsam::bench
