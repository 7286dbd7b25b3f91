// The dataset over a cursor beside the bare cursor and SQLite, in the same run, on tables of the
// screens' kind: a 32-bit key, a 30-character string and a float, 10^3 and 10^4 rows appended in key
// order. Each side keeps its default caches (the session's 16 KiB of records and index pages per table,
// SQLite's 2 MiB page cache) and writes without syncing (SQLite journal_mode=OFF, synchronous=OFF).
//   scan   every row in key order, string and float read, the float summed: through the dataset
//          (First, Next, the fields' AsString and AsFloat), through the bare cursor (record images), and
//          SQLite's prepared SELECT
//   edit   100 rows found by bookmark, their float changed and posted one at a time through the dataset
//          (Edit, Post: each a locked write of its own), and SQLite's UPDATE by key, one statement each
// Results (sums, changed rows) are checked so that no side skips work.
#include "DataSetBenchSupport.h"

#include "db/components/VORSAMDataSet.h"
#include "db/components/VORSAMDatabase.h"
#include "db/components/VORSAMSession.h"
#include "db/components/VORSAMSessionList.h"
#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"
#include "db/lib/LibraryGlobals.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace vorsam;
using namespace vorsam::bench;

constexpr int EditCount = 100;

void CursorScan(benchmark::State& state) {
    const int32_t rows = int32_t(state.range(0));
    TDataCursor cursor(DataSetDirectory());
    cursor.SetTableName(DataSetTables(rows).Name);
    cursor.OpenCursor();
    std::vector<uint8_t> image(cursor.GetRecordSize());
    char text[31];
    for (auto _ : state) {
        double sum = 0;
        cursor.SetToBegin();
        while (cursor.GetNextRecord(image) == 0) {
            bool isNull = false;
            double value = 0;
            cursor.GetField(2, image, isNull, reinterpret_cast<uint8_t*>(text));
            benchmark::DoNotOptimize(text);
            cursor.GetField(3, image, isNull, reinterpret_cast<uint8_t*>(&value));
            sum += value;
        }
        Check(sum == ExpectedSum(rows), "cursor sum");
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void DataSetScan(benchmark::State& state) {
    bench::DataSetScanLoop(state);
}

void SqliteScan(benchmark::State& state) {
    bench::SqliteScanLoop(state);
}

// ---- edits ----

void DataSetEdit(benchmark::State& state) {
    const int32_t rows = int32_t(state.range(0));
    TDataSetTable table(DataSetTables(rows).Name);
    table.Open();
    std::vector<platform::data::TBookmark> marks;
    std::mt19937 random(5);
    for (int i = 0; i < EditCount; ++i) {
        table.SetRecNo(int(random() % uint32_t(rows)) + 1);
        marks.push_back(table.Bookmark());
    }
    platform::data::TField& value = table.FieldByName("F");
    double next = 0;
    for (auto _ : state) {
        for (const auto& mark : marks) {
            table.GotoBookmark(mark);
            table.Edit();
            value.SetAsFloat(next += 1);
            table.Post();
        }
        Check(value.AsFloat() == next, "dataset edit");
    }
    state.SetItemsProcessed(state.iterations() * EditCount);
}

void SqliteEdit(benchmark::State& state) {
    const int32_t rows = int32_t(state.range(0));
    TDataSetSqlite& sqlite = *DataSetTables(rows).Sqlite;
    std::vector<int32_t> keys;
    std::mt19937 random(5);
    for (int i = 0; i < EditCount; ++i) keys.push_back(int32_t(random() % uint32_t(rows)));
    double next = 0;
    for (auto _ : state)
        for (int32_t key : keys) sqlite.Update(key, next += 1);
    state.SetItemsProcessed(state.iterations() * EditCount);
}

BENCHMARK(DataSetScan)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(CursorScan)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(SqliteScan)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(DataSetEdit)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(SqliteEdit)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace
