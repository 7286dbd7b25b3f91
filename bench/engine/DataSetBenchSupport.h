// What the dataset benchmark adds to BenchSupport.h: the table it measures, a 32-bit key K (field 1, a
// unique primary index), a 30-character string S (field 2) and a float F (field 3), made once per size on
// both sides with their default caches, the calls of SQLite, the peer, that raise its failures, and the
// measured scans (shared with the SQL program's table of every case beside its peer).
#pragma once

#include "BenchSupport.h"

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
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <system_error>
#include <tuple>

namespace vorsam::bench {

// The dataset benchmark keeps its files in the shared scratch folder.
inline const std::string& Folder() {
    return ScratchFolder();
}

inline void SqliteExec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

inline sqlite3_stmt* SqlitePrepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    return statement;
}

// Steps the prepared statement to its end, reading every column of every row as its type stands, and
// resets it; the rows read.
inline int64_t ReadSqliteRows(sqlite3_stmt* statement) {
    int64_t rows = 0;
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            switch (sqlite3_column_type(statement, i)) {
            case SQLITE_INTEGER:
                benchmark::DoNotOptimize(sqlite3_column_int64(statement, i));
                break;
            case SQLITE_FLOAT:
                benchmark::DoNotOptimize(sqlite3_column_double(statement, i));
                break;
            default:
                benchmark::DoNotOptimize(sqlite3_column_text(statement, i));
                break;
            }
        }
        ++rows;
    }
    Check(step == SQLITE_DONE, "the statement ran to its end");
    sqlite3_reset(statement);
    return rows;
}

inline double ValueOf(int32_t key) {
    return double(key % 1000) / 4.0;
}

// ---- our side: a table made at cursor level, opened as a dataset ----

class TDataSetTable : public TVORSAMDBDataSet {
public:
    explicit TDataSetTable(std::string name) : name_(std::move(name)) { SetDatabaseName(Folder()); }
    ~TDataSetTable() override { Close(); }

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

inline TDataDirectory& DataSetDirectory() {
    return *DefaultSession().OpenDatabase(Folder(), nullptr).Handle();
}

inline void CreateOurs(const std::string& name, int32_t rows) {
    TDataCursor cursor(DataSetDirectory());
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

inline double ExpectedSum(int32_t rows) {
    double sum = 0;
    for (int32_t key = 0; key < rows; ++key) sum += ValueOf(key);
    return sum;
}

// ---- SQLite ----

class TDataSetSqlite {
public:
    TDataSetSqlite(const std::string& name, int32_t rows) : file_(Folder() + "/" + name + ".sqlite") {
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
    ~TDataSetSqlite() {
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
struct TDataSetTables {
    std::string Name;
    std::unique_ptr<TDataSetSqlite> Sqlite;
};

inline TDataSetTables& DataSetTables(int32_t rows) {
    static std::map<int32_t, TDataSetTables> tables;
    TDataSetTables& entry = tables[rows];
    if (entry.Name.empty()) {
        InitializeLibraryGlobals();
        char name[16];
        std::snprintf(name, sizeof name, "T%d", int(rows));
        entry.Name = name;
        CreateOurs(entry.Name, rows);
        entry.Sqlite = std::make_unique<TDataSetSqlite>(entry.Name, rows);
    }
    return entry;
}

// ---- scans ----

inline void DataSetScanLoop(benchmark::State& state) {
    const int32_t rows = int32_t(state.range(0));
    TDataSetTable table(DataSetTables(rows).Name);
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

inline void SqliteScanLoop(benchmark::State& state) {
    const int32_t rows = int32_t(state.range(0));
    TDataSetSqlite& sqlite = *DataSetTables(rows).Sqlite;
    for (auto _ : state) Check(sqlite.Sum() == ExpectedSum(rows), "sqlite sum");
    state.SetItemsProcessed(state.iterations() * rows);
}

} // namespace vorsam::bench
