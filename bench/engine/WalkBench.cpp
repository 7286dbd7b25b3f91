// Walks through the library without the user interface, beside SQLite in the same run, at 10^4, 10^5
// and 10^6 rows. Nothing here holds a read level across the walk or switches read batches on: the
// program calls the engine as one without an event loop does.
//   Walk_CursorScan          the bare cursor's full scan in key order (GetNextRecord, the float summed)
//                            with no BeginRead around it: the tables and whole-table caches of the
//                            cursor benchmarks (CursorBenchTables.h, appended in key order)
//   Walk_CursorScanInRead    the same scan inside one BeginRead, the cost the scan above is held to
//   Walk_CursorScan_Sqlite   SQLite's prepared SELECT over the same rows
//   Walk_TableOpenWalk       the table component opened, walked First to Eof (a string and a float read
//                            per row through the fields), closed; default caches (16 KiB of records and
//                            pages); SQLite's peer opens its file, steps SELECT s, f and closes it, with
//                            its default cache
// Sums are checked so that neither side skips work.
#include "CursorBenchTables.h"
#include "DataSetBenchSupport.h"

#include "db/components/VORSAMTable.h"

#include <benchmark/benchmark.h>
#include <map>
#include <sqlite3.h>
#include <string>

namespace vorsam::bench {
namespace {

void Sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
}

void CursorScan(benchmark::State& state, bool inRead) {
    TReadTables& tables = ReadTables(state.range(0), true);
    const double expected = SumOf(tables.Rows, INT32_MIN, INT32_MAX);
    int64_t rows = 0;
    for (auto _ : state) {
        int64_t read = 0;
        if (inRead) tables.Ours->Cursor().BeginRead();
        double sum = tables.Ours->Sum(1, 0, false, read);
        if (inRead) tables.Ours->Cursor().EndRead();
        Check(read == state.range(0) && std::fabs(sum - expected) < 1e-6 * expected, "cursor scan");
        rows += read;
    }
    state.SetItemsProcessed(rows);
}

void Walk_CursorScan_Ours(benchmark::State& state) {
    CursorScan(state, false);
}
void Walk_CursorScanInRead_Ours(benchmark::State& state) {
    CursorScan(state, true);
}
void Walk_CursorScan_Sqlite(benchmark::State& state) {
    Sums(state, false, false, true);
}

// The tables of the component's walk, made once per size on both sides (names of their own: the
// dataset benchmark's tables come with read batches switched on).
struct TWalkTables {
    std::string Name;
    std::unique_ptr<TDataSetSqlite> Sqlite;
};

TWalkTables& WalkTables(int32_t rows) {
    static std::map<int32_t, TWalkTables> tables;
    TWalkTables& entry = tables[rows];
    if (entry.Name.empty()) {
        InitializeLibraryGlobals();
        entry.Name = "WALK" + std::to_string(rows);
        CreateOurs(entry.Name, rows);
        entry.Sqlite = std::make_unique<TDataSetSqlite>(entry.Name, rows);
    }
    return entry;
}

void Walk_TableOpenWalk_Ours(benchmark::State& state) {
    const int32_t rows = int32_t(state.range(0));
    const std::string& name = WalkTables(rows).Name;
    const double expected = ExpectedSum(rows);
    for (auto _ : state) {
        TVORSAMTable table;
        table.SetDatabaseName(Folder());
        table.SetTableName(name);
        table.Open();
        platform::data::TField& text = table.FieldByName("S");
        platform::data::TField& value = table.FieldByName("F");
        double sum = 0;
        for (table.First(); !table.Eof(); table.Next()) {
            benchmark::DoNotOptimize(text.AsString());
            sum += value.AsFloat();
        }
        table.Close();
        Check(sum == expected, "table walk sum");
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void Walk_TableOpenWalk_Sqlite(benchmark::State& state) {
    const int32_t rows = int32_t(state.range(0));
    const std::string file = Folder() + "/" + WalkTables(rows).Name + ".sqlite";
    const double expected = ExpectedSum(rows);
    for (auto _ : state) {
        sqlite3* db = nullptr;
        Check(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK, "open");
        sqlite3_stmt* scan = SqlitePrepare(db, "SELECT s, f FROM t");
        double sum = 0;
        while (sqlite3_step(scan) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_text(scan, 0));
            sum += sqlite3_column_double(scan, 1);
        }
        sqlite3_finalize(scan);
        sqlite3_close(db);
        Check(sum == expected, "sqlite walk sum");
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

BENCHMARK(Walk_CursorScan_Ours)->Apply(Sizes);
BENCHMARK(Walk_CursorScanInRead_Ours)->Apply(Sizes);
BENCHMARK(Walk_CursorScan_Sqlite)->Apply(Sizes);
BENCHMARK(Walk_TableOpenWalk_Ours)->Apply(Sizes);
BENCHMARK(Walk_TableOpenWalk_Sqlite)->Apply(Sizes);

} // namespace
} // namespace vorsam::bench
