// Data changes through SQL statements, ours beside SQLite on the same table (10^4 rows, integer key):
// UPDATE of every row, UPDATE of a key range, INSERT ... SELECT of the whole table followed by DELETE of
// every row, and one INSERT ... VALUES parsed and run per iteration.
#include "DataChangeBenchData.h"

#include "db/sql/QueryStatement.h"

#include <benchmark/benchmark.h>

namespace vorsam::bench {
namespace {

// Our statement prepared once and run per iteration; the rows it reports checked.
void RunOurs(benchmark::State& state, const char* sql, int32_t rows) {
    TDatabases& db = Databases();
    TQueryStatement statement(*db.Database);
    statement.Prepare(sql);
    for (auto _ : state) {
        statement.Execute({}, false);
        Check(statement.RowsAffected == rows, sql);
    }
}

void RunSqlite(benchmark::State& state, const char* sql, int rows) {
    TDatabases& db = Databases();
    sqlite3_stmt* statement = db.Sqlite.Prepare(sql);
    for (auto _ : state) {
        db.Sqlite.Step(statement);
        Check(sqlite3_changes(db.Sqlite.Handle()) == rows, sql);
    }
}

void BM_UpdateAll_Ours(benchmark::State& state) {
    RunOurs(state, "UPDATE T SET B = B + 1", RowCount);
}
void BM_UpdateAll_Sqlite(benchmark::State& state) {
    RunSqlite(state, "UPDATE T SET B = B + 1", RowCount);
}
void BM_UpdateKeyRange_Ours(benchmark::State& state) {
    RunOurs(state, "UPDATE T SET A = A + 1 WHERE ID <= 500", 500);
}
void BM_UpdateKeyRange_Sqlite(benchmark::State& state) {
    RunSqlite(state, "UPDATE T SET A = A + 1 WHERE ID <= 500", 500);
}

void BM_InsertSelectThenDelete_Ours(benchmark::State& state) {
    TDatabases& db = Databases();
    TQueryStatement copy(*db.Database), empty(*db.Database);
    copy.Prepare("INSERT INTO C SELECT * FROM T");
    empty.Prepare("DELETE FROM C");
    for (auto _ : state) {
        copy.Execute({}, false);
        empty.Execute({}, false);
        Check(copy.RowsAffected == RowCount && empty.RowsAffected == RowCount, "copy and delete");
    }
}
void BM_InsertSelectThenDelete_Sqlite(benchmark::State& state) {
    TDatabases& db = Databases();
    sqlite3_stmt* copy = db.Sqlite.Prepare("INSERT INTO C SELECT * FROM T");
    sqlite3_stmt* empty = db.Sqlite.Prepare("DELETE FROM C");
    for (auto _ : state) {
        db.Sqlite.Step(copy);
        db.Sqlite.Step(empty);
    }
}

void BM_InsertValuesParsed_Ours(benchmark::State& state) {
    TDatabases& db = Databases();
    int id = RowCount;
    for (auto _ : state) Check(db.Run(InsertText("C", ++id)) == 1, "insert");
    db.Run("DELETE FROM C");
}
void BM_InsertValuesParsed_Sqlite(benchmark::State& state) {
    TDatabases& db = Databases();
    int id = RowCount;
    for (auto _ : state) db.Sqlite.Exec(InsertText("C", ++id).c_str());
    db.Sqlite.Exec("DELETE FROM C");
}

BENCHMARK(BM_UpdateAll_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateAll_Sqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateKeyRange_Ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UpdateKeyRange_Sqlite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InsertSelectThenDelete_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertSelectThenDelete_Sqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertValuesParsed_Ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InsertValuesParsed_Sqlite)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace vorsam::bench

BENCHMARK_MAIN();
