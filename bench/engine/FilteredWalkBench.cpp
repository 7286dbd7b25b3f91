// A filtered walk of the table component beside its unfiltered walk and SQLite, in the same run: 10^4
// and 10^5 rows of a unique 32-bit key K, a one-letter code C ('A', 'B', 'C' in turn: a filter on it keeps
// one row in three) and a float F, appended in key order. Each side keeps its default caches (ours: the
// session's 16 KiB of records and index pages per table; SQLite's 2 MiB page cache) and writes without
// syncing (SQLite journal_mode=OFF, synchronous=OFF).
//   walk       First to Eof through the table component in key order, F read and summed
//   filtered   the same with Filter "C = 'A'" (Filtered), which no index serves: every record is judged
//   callback   the same with an OnFilterRecord handler that keeps C = 'A'
//   sqlite     SELECT f FROM t, and SELECT f FROM t WHERE c = 'A' (no index on c), stepped to the end
// Sums and row counts are checked so that no side skips work. A walk is linear in the rows it reads:
// 10 times the rows take about 10 times as long, filtered or not.
#include "DataSetBenchSupport.h"

#include "db/components/VORSAMDatabase.h"
#include "db/components/VORSAMSession.h"
#include "db/components/VORSAMSessionList.h"
#include "db/components/VORSAMTable.h"
#include "db/lib/LibraryGlobals.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace vorsam;
using bench::Check;
using bench::Folder;

char CodeOf(int32_t key) {
    return char('A' + key % 3);
}

double ValueOf(int32_t key) {
    return double(key % 1000) / 4.0;
}

// The count and sum of F over the rows kept (all, or those of code 'A').
std::pair<int32_t, double> Expected(int32_t rows, bool onlyA) {
    int32_t count = 0;
    double sum = 0;
    for (int32_t key = 0; key < rows; ++key)
        if (!onlyA || CodeOf(key) == 'A') {
            ++count;
            sum += ValueOf(key);
        }
    return {count, sum};
}

void CreateOurs(const std::string& name, int32_t rows) {
    TDataCursor cursor(*DefaultSession().OpenDatabase(Folder(), nullptr).Handle());
    cursor.SetTableName(name);
    cursor.CreateTable(bench::BenchTableArgs("C", 1));
    cursor.OpenCursor();
    std::vector<uint8_t> image(cursor.GetRecordSize());
    cursor.Table().LockTable();
    for (int32_t key = 0; key < rows; ++key) {
        const char code[2] = {CodeOf(key), 0};
        const double value = ValueOf(key);
        cursor.InitEmptyRecord(image);
        cursor.PutField(1, image, reinterpret_cast<const uint8_t*>(&key));
        cursor.PutField(2, image, reinterpret_cast<const uint8_t*>(code));
        cursor.PutField(3, image, reinterpret_cast<const uint8_t*>(&value));
        cursor.AppendRecord(image);
    }
    cursor.Table().UnlockTable();
}

class TSqlite {
public:
    TSqlite(const std::string& name, int32_t rows) {
        if (sqlite3_open((Folder() + "/" + name + ".sqlite").c_str(), &db_) != SQLITE_OK)
            throw std::runtime_error("sqlite3_open");
        bench::SqliteExec(db_, "PRAGMA journal_mode=OFF");
        bench::SqliteExec(db_, "PRAGMA synchronous=OFF");
        bench::SqliteExec(db_, "CREATE TABLE t(k INTEGER PRIMARY KEY, c TEXT, f REAL)");
        sqlite3_stmt* insert = bench::SqlitePrepare(db_, "INSERT INTO t VALUES(?, ?, ?)");
        bench::SqliteExec(db_, "BEGIN");
        for (int32_t key = 0; key < rows; ++key) {
            const char code[2] = {CodeOf(key), 0};
            sqlite3_bind_int(insert, 1, key);
            sqlite3_bind_text(insert, 2, code, 1, SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 3, ValueOf(key));
            Check(sqlite3_step(insert) == SQLITE_DONE, "insert");
            sqlite3_reset(insert);
        }
        bench::SqliteExec(db_, "COMMIT");
        sqlite3_finalize(insert);
        all_ = bench::SqlitePrepare(db_, "SELECT f FROM t");
        onlyA_ = bench::SqlitePrepare(db_, "SELECT f FROM t WHERE c = 'A'");
    }
    ~TSqlite() {
        sqlite3_finalize(all_);
        sqlite3_finalize(onlyA_);
        sqlite3_close(db_);
    }
    std::pair<int32_t, double> Walk(bool onlyA) {
        sqlite3_stmt* statement = onlyA ? onlyA_ : all_;
        int32_t count = 0;
        double sum = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            ++count;
            sum += sqlite3_column_double(statement, 0);
        }
        sqlite3_reset(statement);
        return {count, sum};
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* all_ = nullptr;
    sqlite3_stmt* onlyA_ = nullptr;
};

struct TTables {
    std::string Name;
    std::unique_ptr<TSqlite> Sqlite;
};

TTables& Tables(int32_t rows) {
    static std::map<int32_t, TTables> tables;
    TTables& entry = tables[rows];
    if (entry.Name.empty()) {
        InitializeLibraryGlobals();
        char name[16];
        std::snprintf(name, sizeof name, "W%d", int(rows));
        entry.Name = name;
        CreateOurs(entry.Name, rows);
        entry.Sqlite = std::make_unique<TSqlite>(entry.Name, rows);
    }
    return entry;
}

enum class TFilterKind { None, Expression, Callback };

void TableWalk(benchmark::State& state, TFilterKind kind) {
    const int32_t rows = int32_t(state.range(0));
    TVORSAMTable table;
    table.SetDatabaseName(Folder());
    table.SetTableName(Tables(rows).Name);
    if (kind == TFilterKind::Expression) table.SetFilterText("C = 'A'");
    if (kind == TFilterKind::Callback)
        table.SetOnFilterRecord([](platform::data::TDataSet& dataSet, bool& accept) {
            accept = dataSet.FieldByName("C").AsString() == "A";
        });
    table.SetFiltered(kind != TFilterKind::None);
    table.Open();
    platform::data::TField& value = table.FieldByName("F");
    const auto expected = Expected(rows, kind != TFilterKind::None);
    for (auto _ : state) {
        int32_t count = 0;
        double sum = 0;
        for (table.First(); !table.Eof(); table.Next()) {
            ++count;
            sum += value.AsFloat();
        }
        Check(count == expected.first && sum == expected.second, "table walk");
    }
    table.Close();
    state.SetItemsProcessed(state.iterations() * rows);
}

void SqliteWalk(benchmark::State& state, bool onlyA) {
    const int32_t rows = int32_t(state.range(0));
    TSqlite& sqlite = *Tables(rows).Sqlite;
    const auto expected = Expected(rows, onlyA);
    for (auto _ : state) Check(sqlite.Walk(onlyA) == expected, "sqlite walk");
    state.SetItemsProcessed(state.iterations() * rows);
}

BENCHMARK_CAPTURE(TableWalk, walk, TFilterKind::None)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TableWalk, filtered, TFilterKind::Expression)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TableWalk, callback, TFilterKind::Callback)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SqliteWalk, all, false)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SqliteWalk, where, true)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
