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

#include "db/engine/DataCursor.h"
#include "db/engine/VORSAMDataSet.h"
#include "db/engine/VORSAMDatabase.h"
#include "db/engine/VORSAMSession.h"
#include "db/engine/VORSAMSessionList.h"
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
using bench::Check;
using bench::Folder;
namespace fs = std::filesystem;

constexpr int EditCount = 100;

double ValueOf(int32_t key) {
    return double(key % 1000) / 4.0;
}

// ---- our side: a table made at cursor level, opened as a dataset ----

class TTable : public TVORSAMDBDataSet {
public:
    explicit TTable(std::string name) : name_(std::move(name)) { SetDatabaseName(Folder()); }
    ~TTable() override { Close(); }

protected:
    std::unique_ptr<TDataCursor> CreateHandle() override {
        auto cursor = std::make_unique<TDataCursor>(*Database()->Handle());
        cursor->SetTableName(name_);
        cursor->OpenCursor();
        return cursor;
    }

private:
    std::string name_;
};

TDataDirectory& Directory() {
    return *DefaultSession().OpenDatabase(Folder(), nullptr).Handle();
}

void CreateOurs(const std::string& name, int32_t rows) {
    TDataCursor cursor(Directory());
    cursor.SetTableName(name);
    cursor.CreateTable(bench::BenchTableArgs());
    cursor.OpenCursor();
    std::vector<uint8_t> image(cursor.GetRecordSize());
    const std::string text(30, 'x');
    cursor.Table().LockTable();
    for (int32_t key = 0; key < rows; ++key) {
        const double value = ValueOf(key);
        cursor.InitEmptyRecord(image);
        cursor.PutField(1, image, reinterpret_cast<const uint8_t*>(&key));
        cursor.PutField(2, image, reinterpret_cast<const uint8_t*>(text.c_str()));
        cursor.PutField(3, image, reinterpret_cast<const uint8_t*>(&value));
        cursor.AppendRecord(image);
    }
    cursor.Table().UnlockTable();
}

double ExpectedSum(int32_t rows) {
    double sum = 0;
    for (int32_t key = 0; key < rows; ++key) sum += ValueOf(key);
    return sum;
}

// ---- SQLite ----

class TSqlite {
public:
    TSqlite(const std::string& name, int32_t rows) : file_(Folder() + "/" + name + ".sqlite") {
        if (sqlite3_open(file_.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("sqlite3_open");
        Exec("PRAGMA journal_mode=OFF");
        Exec("PRAGMA synchronous=OFF");
        Exec("CREATE TABLE t(k INTEGER PRIMARY KEY, s TEXT, f REAL)");
        sqlite3_stmt* insert = Prepare("INSERT INTO t VALUES(?, ?, ?)");
        const std::string text(30, 'x');
        Exec("BEGIN");
        for (int32_t key = 0; key < rows; ++key) {
            sqlite3_bind_int(insert, 1, key);
            sqlite3_bind_text(insert, 2, text.c_str(), 30, SQLITE_STATIC);
            sqlite3_bind_double(insert, 3, ValueOf(key));
            Check(sqlite3_step(insert) == SQLITE_DONE, "insert");
            sqlite3_reset(insert);
        }
        Exec("COMMIT");
        sqlite3_finalize(insert);
        scan_ = Prepare("SELECT s, f FROM t");
        update_ = Prepare("UPDATE t SET f = ? WHERE k = ?");
    }
    ~TSqlite() {
        sqlite3_finalize(scan_);
        sqlite3_finalize(update_);
        sqlite3_close(db_);
    }
    double Sum() {
        double sum = 0;
        while (sqlite3_step(scan_) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_text(scan_, 0));
            sum += sqlite3_column_double(scan_, 1);
        }
        sqlite3_reset(scan_);
        return sum;
    }
    void Update(int32_t key, double value) {
        sqlite3_bind_double(update_, 1, value);
        sqlite3_bind_int(update_, 2, key);
        Check(sqlite3_step(update_) == SQLITE_DONE && sqlite3_changes(db_) == 1, "update");
        sqlite3_reset(update_);
    }

private:
    void Exec(const char* sql) { bench::SqliteExec(db_, sql); }
    sqlite3_stmt* Prepare(const char* sql) { return bench::SqlitePrepare(db_, sql); }

    std::string file_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* scan_ = nullptr;
    sqlite3_stmt* update_ = nullptr;
};

// The tables of each size, made once.
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
        std::snprintf(name, sizeof name, "T%d", int(rows));
        entry.Name = name;
        CreateOurs(entry.Name, rows);
        entry.Sqlite = std::make_unique<TSqlite>(entry.Name, rows);
    }
    return entry;
}

// ---- scans ----

void DataSetScan(benchmark::State& state) {
    const int32_t rows = int32_t(state.range(0));
    TTable table(Tables(rows).Name);
    table.Open();
    platform::data::TField& text = table.FieldByName("S");
    platform::data::TField& value = table.FieldByName("F");
    for (auto _ : state) {
        double sum = 0;
        for (table.First(); !table.Eof(); table.Next()) {
            benchmark::DoNotOptimize(text.AsString());
            sum += value.AsFloat();
        }
        Check(sum == ExpectedSum(rows), "dataset sum");
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void CursorScan(benchmark::State& state) {
    const int32_t rows = int32_t(state.range(0));
    TDataCursor cursor(Directory());
    cursor.SetTableName(Tables(rows).Name);
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

void SqliteScan(benchmark::State& state) {
    const int32_t rows = int32_t(state.range(0));
    TSqlite& sqlite = *Tables(rows).Sqlite;
    for (auto _ : state) Check(sqlite.Sum() == ExpectedSum(rows), "sqlite sum");
    state.SetItemsProcessed(state.iterations() * rows);
}

// ---- edits ----

void DataSetEdit(benchmark::State& state) {
    const int32_t rows = int32_t(state.range(0));
    TTable table(Tables(rows).Name);
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
    TSqlite& sqlite = *Tables(rows).Sqlite;
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
