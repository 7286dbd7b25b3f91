// SELECT statements of the SQL engine beside SQLite running the same statements on the same data in the
// same run: a full scan, a filtered scan (no index serves the filter), a filter an index serves, and a
// join of two tables on an indexed key with a filter on the outer table. Tables: CUST (ID primary key,
// REGION, NAME CHAR(30)) of 10^4 rows and ORDERS (ID primary key, CUST indexed, AMOUNT FLOAT) of 10^5
// rows, built once per program; each iteration runs the prepared statement and reads every result row.
#include "SqlBenchData.h"

#include "db/engine/DataCursor.h"
#include "db/sql/QueryStatement.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <sqlite3.h>
#include <vector>

namespace {

using namespace vorsam;
using vorsam::bench::SqlData;

struct TQueryCase {
    const char* Ours;
    const char* Sqlite;
};

const TQueryCase Cases[] = {
    {"SELECT ID, CUST, AMOUNT FROM ORDERS", "SELECT ID, CUST, AMOUNT FROM ORDERS"},
    {"SELECT ID, AMOUNT FROM ORDERS WHERE AMOUNT > 900", "SELECT ID, AMOUNT FROM ORDERS WHERE AMOUNT > 900"},
    {"SELECT ID, AMOUNT FROM ORDERS WHERE CUST < 500", "SELECT ID, AMOUNT FROM ORDERS WHERE CUST < 500"},
    {"SELECT O.ID, C.NAME FROM CUST C, ORDERS O WHERE C.ID = O.CUST AND C.REGION = 3",
     "SELECT O.ID, C.NAME FROM CUST C, ORDERS O WHERE C.ID = O.CUST AND C.REGION = 3"},
    {"SELECT ID, CUST, AMOUNT FROM ORDERS WITH LOCKS", "SELECT ID, CUST, AMOUNT FROM ORDERS"},
    {"SELECT COUNT(*), SUM(AMOUNT) FROM ORDERS", "SELECT COUNT(*), SUM(AMOUNT) FROM ORDERS"},
};

void Select_Ours(benchmark::State& state) {
    TQueryStatement statement(SqlData().Database());
    statement.Prepare(Cases[state.range(0)].Ours);
    int64_t rows = 0;
    for (auto _ : state) {
        TDataCursor* result = statement.Execute({}, false);
        std::vector<uint8_t> record(result->GetRecordSize());
        result->SetToBegin();
        rows = 0;
        while (result->GetNextRecord(record) == 0) ++rows;
    }
    state.counters["rows"] = double(rows);
}

void Select_Sqlite(benchmark::State& state) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(SqlData().Sqlite(), Cases[state.range(0)].Sqlite, -1, &statement, nullptr);
    int64_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int i = 0; i < sqlite3_column_count(statement); ++i)
                benchmark::DoNotOptimize(sqlite3_column_text(statement, i));
            ++rows;
        }
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    state.counters["rows"] = double(rows);
}

// Argument: 0 full scan, 1 filtered scan, 2 indexed filter, 3 join, 4 full scan WITH LOCKS (read levels
// held), 5 an aggregate over the whole table (no result rows written but one).
BENCHMARK(Select_Ours)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(Select_Sqlite)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

} // namespace

// The program's main is DataChangeBench.cpp's.
