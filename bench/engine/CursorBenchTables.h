// The tables and measured loops of the cursor benchmarks beside SQLite (CursorBench.cpp), shared with the
// SQL program's table of every measured case beside its peer (bench/sql/SpeedTableBench.cpp): rows of a
// 32-bit key (0, 2, 4, ...: odd keys miss), a 30-character string and a float; our cursor on a disk table
// with a unique primary index, SQLite's rowid table; whole-table caches on both sides (BenchSupport.h).
// A batch is one transaction in SQLite and, in our engine, one read level (BeginRead) for reads and one
// whole-table lock for writes. Results are checked so that neither side skips work.
#pragma once

#include "BenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace vorsam::bench {
inline constexpr int64_t BatchSize = 1000;

struct TBenchRow {
    int32_t Key;
    char Text[31];
    double Value;
};

// Keys 0, 2, 4, ... (odd keys miss), texts and values from a fixed seed; `ascending` or shuffled.
inline std::vector<TBenchRow> MakeRows(int64_t count, bool ascending) {
    std::vector<TBenchRow> rows(static_cast<size_t>(count));
    std::mt19937 random(11);
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].Key = int32_t(2 * i);
        for (size_t c = 0; c < 30; ++c) rows[i].Text[c] = char('a' + random() % 26);
        rows[i].Text[30] = '\0';
        rows[i].Value = double(random() % 100000) / 100.0;
    }
    if (!ascending) std::shuffle(rows.begin(), rows.end(), std::mt19937(3));
    return rows;
}

inline double SumOf(const std::vector<TBenchRow>& rows, int32_t from, int32_t to) {
    double sum = 0;
    for (const TBenchRow& row : rows)
        if (row.Key >= from && row.Key <= to) sum += row.Value;
    return sum;
}

// ---- our engine ----

class TOurTable {
public:
    explicit TOurTable(const std::string& name, const TBufferSizes& caches = WholeTableCaches()) {
        session_.SetBufferSizes(caches);
        directory_ = &session_.OpenDataDirectory("", ScratchFolder());
        cursor_ = std::make_unique<TDataCursor>(*directory_);
        cursor_->SetTableName(name);
        if (directory_->TableExists(name, false)) cursor_->DeleteTable();
        cursor_->CreateTable(bench::BenchTableArgs());
        cursor_->OpenCursor();
        image_.resize(cursor_->GetRecordSize());
        TFieldDescriptor f;
        cursor_->GetFieldDesc(3, f);
        valueAt_ = f.Offset() + 1;
    }
    ~TOurTable() {
        cursor_->CloseCursor();
        cursor_->DeleteTable();
    }

    void Append(const std::vector<TBenchRow>& rows) {
        cursor_->Table().LockTable();
        for (const TBenchRow& row : rows) {
            cursor_->InitEmptyRecord(image_);
            cursor_->PutField(1, image_, reinterpret_cast<const uint8_t*>(&row.Key));
            cursor_->PutField(2, image_, reinterpret_cast<const uint8_t*>(row.Text));
            cursor_->PutField(3, image_, reinterpret_cast<const uint8_t*>(&row.Value));
            cursor_->AppendRecord(image_);
        }
        cursor_->Table().UnlockTable();
    }
    bool Lookup(int32_t key, double& value) {
        if (!Find(key)) return false;
        cursor_->GetCurrentRecord(image_);
        value = LoadNative<double>(&image_[valueAt_]);
        return true;
    }
    // The float summed over the keys from .. to (everything when `from` > `to`), in key order or, with
    // `recordOrder`, in record order.
    double Sum(int32_t from, int32_t to, bool recordOrder, int64_t& rows) {
        if (recordOrder) cursor_->SetIndexNumber(RecordOrderIndex);
        if (from <= to) {
            uint8_t low[5], high[5];
            KeyOf(from, low);
            KeyOf(to, high);
            cursor_->SetRange(low, 1, high, 1);
        }
        double sum = 0;
        cursor_->SetToBegin();
        while (cursor_->GetNextRecord(image_) == 0) {
            sum += LoadNative<double>(&image_[valueAt_]);
            ++rows;
        }
        cursor_->ResetRange();
        if (recordOrder) cursor_->SetIndexNumber(PrimaryIndexSlot);
        return sum;
    }
    void Update(int32_t key, double value) {
        Check(Find(key), "update finds its row");
        cursor_->GetCurrentRecord(image_, true);
        cursor_->PutField(3, image_, reinterpret_cast<const uint8_t*>(&value));
        cursor_->ModifyRecord(image_);
    }
    // Deletes the row of the key, which must be present.
    void Delete(int32_t key) {
        Check(Find(key), "delete finds its row");
        cursor_->DeleteRecord();
    }
    void CreateIndex() {
        TIndexDescriptor index;
        index.SetName("ByText");
        index.SetFieldCount(1);
        index.SetFieldNumber(0, 2);
        cursor_->AddSecondaryIndex(index);
    }
    void DropIndex() { cursor_->DeleteIndex("ByText"); }
    TDataCursor& Cursor() { return *cursor_; }
    // Opens the table again, exclusively or shared.
    void Reopen(bool exclusive) {
        cursor_->CloseCursor();
        cursor_->SetExclusive(exclusive);
        cursor_->OpenCursor();
    }

private:
    static void KeyOf(int32_t value, uint8_t* key) {
        key[0] = 1;
        EncodeIntegerKey(value, key + 1);
    }
    bool Find(int32_t value) {
        uint8_t key[5];
        KeyOf(value, key);
        return cursor_->Find(true, key, 1, 0, false);
    }

    TDataSession session_;
    TDataDirectory* directory_ = nullptr;
    std::unique_ptr<TDataCursor> cursor_;
    std::vector<uint8_t> image_;
    size_t valueAt_ = 0;
};

// ---- SQLite ----

class TSqliteTable {
public:
    explicit TSqliteTable(const std::string& name) : db_(name) {
        db_.Exec("CREATE TABLE t(k INTEGER PRIMARY KEY, s TEXT, f REAL)");
        insert_ = db_.Prepare("INSERT INTO t VALUES(?, ?, ?)");
        lookup_ = db_.Prepare("SELECT s, f FROM t WHERE k = ?");
        range_ = db_.Prepare("SELECT s, f FROM t WHERE k BETWEEN ? AND ?");
        scan_ = db_.Prepare("SELECT s, f FROM t");
        update_ = db_.Prepare("UPDATE t SET f = ? WHERE k = ?");
        delete_ = db_.Prepare("DELETE FROM t WHERE k = ?");
    }
    // The page cache's size in KiB instead of 64 MiB.
    void SetCacheKiB(int kib) { db_.Exec(("PRAGMA cache_size=-" + std::to_string(kib)).c_str()); }

    // A statement of the caller's on the table, finalized with it.
    sqlite3_stmt* Prepare(const char* sql) { return db_.Prepare(sql); }
    void CreateIndex() { db_.Exec("CREATE INDEX bytext ON t(s)"); }
    void DropIndex() { db_.Exec("DROP INDEX bytext"); }
    void Begin() { db_.Exec("BEGIN"); }
    void Commit() { db_.Exec("COMMIT"); }
    void Append(const std::vector<TBenchRow>& rows) {
        Begin();
        for (const TBenchRow& row : rows) {
            sqlite3_bind_int(insert_, 1, row.Key);
            sqlite3_bind_text(insert_, 2, row.Text, 30, SQLITE_STATIC);
            sqlite3_bind_double(insert_, 3, row.Value);
            db_.Step(insert_);
        }
        Commit();
    }
    bool Lookup(int32_t key, double& value) {
        sqlite3_bind_int(lookup_, 1, key);
        bool found = sqlite3_step(lookup_) == SQLITE_ROW;
        if (found) {
            benchmark::DoNotOptimize(sqlite3_column_text(lookup_, 0));
            value = sqlite3_column_double(lookup_, 1);
        }
        sqlite3_reset(lookup_);
        return found;
    }
    double Sum(int32_t from, int32_t to, int64_t& rows) {
        sqlite3_stmt* statement = from <= to ? range_ : scan_;
        if (from <= to) {
            sqlite3_bind_int(range_, 1, from);
            sqlite3_bind_int(range_, 2, to);
        }
        double sum = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_text(statement, 0));
            sum += sqlite3_column_double(statement, 1);
            ++rows;
        }
        sqlite3_reset(statement);
        return sum;
    }
    void Update(int32_t key, double value) {
        sqlite3_bind_double(update_, 1, value);
        sqlite3_bind_int(update_, 2, key);
        db_.Step(update_);
        Check(sqlite3_changes(db_.Handle()) == 1, "update finds its row");
    }
    // Deletes the rows the condition admits.
    void DeleteWhere(const std::string& condition) { db_.Exec(("DELETE FROM t WHERE " + condition).c_str()); }
    void Delete(int32_t key) {
        sqlite3_bind_int(delete_, 1, key);
        db_.Step(delete_);
        Check(sqlite3_changes(db_.Handle()) == 1, "delete finds its row");
    }

private:
    TSqliteFile db_;
    sqlite3_stmt *insert_ = nullptr, *lookup_ = nullptr, *range_ = nullptr, *scan_ = nullptr,
                 *update_ = nullptr, *delete_ = nullptr;
};

// ---- the tables read by the benchmarks, built once per engine, size and order of appending ----

struct TReadTables {
    std::vector<TBenchRow> Rows;
    std::unique_ptr<TOurTable> Ours;
    std::unique_ptr<TSqliteTable> Sqlite;
};

inline TReadTables& ReadTables(int64_t count, bool ascending = false) {
    ScratchFolder(); // made first, so that it goes after the tables
    static std::map<std::pair<int64_t, bool>, TReadTables> tables;
    TReadTables& entry = tables[{count, ascending}];
    if (!entry.Ours) {
        InitializeLibraryGlobals();
        std::string name = (ascending ? "ordered" : "shuffled") + std::to_string(count);
        entry.Rows = MakeRows(count, ascending);
        entry.Ours = std::make_unique<TOurTable>(name);
        entry.Ours->Append(entry.Rows);
        entry.Sqlite = std::make_unique<TSqliteTable>(name);
        entry.Sqlite->Append(entry.Rows);
    }
    return entry;
}

// ---- reads ----

// Batches of lookups of random keys, half of them present.
inline void Lookups(benchmark::State& state, bool ours) {
    TReadTables& tables = ReadTables(state.range(0));
    std::mt19937 random(5);
    int32_t span = int32_t(2 * state.range(0));
    int64_t found = 0, asked = 0;
    for (auto _ : state) {
        if (ours)
            tables.Ours->Cursor().BeginRead();
        else
            tables.Sqlite->Begin();
        for (int64_t i = 0; i < BatchSize; ++i) {
            int32_t key = int32_t(random() % uint32_t(span));
            double value = 0;
            bool hit = ours ? tables.Ours->Lookup(key, value) : tables.Sqlite->Lookup(key, value);
            Check(hit == (key % 2 == 0), "a lookup hits exactly the keys present");
            found += hit;
            benchmark::DoNotOptimize(value);
        }
        if (ours)
            tables.Ours->Cursor().EndRead();
        else
            tables.Sqlite->Commit();
        asked += BatchSize;
    }
    state.SetItemsProcessed(asked);
    state.counters["hits"] = double(found) / double(std::max<int64_t>(asked, 1));
}

// Sums of the float over every row, or over 10 % of the keys from a random start, of the table appended
// in key order (`ascending`) or in random order.
inline void Sums(benchmark::State& state, bool ours, bool range, bool ascending, bool recordOrder = false) {
    TReadTables& tables = ReadTables(state.range(0), ascending);
    std::mt19937 random(9);
    int64_t rows = 0;
    for (auto _ : state) {
        int32_t from = 1, to = 0;
        if (range) {
            from = 2 * int32_t(random() % uint32_t(state.range(0) * 9 / 10));
            to = from + int32_t(state.range(0) / 5) - 2;
        }
        int64_t read = 0;
        double sum = 0;
        if (ours) {
            tables.Ours->Cursor().BeginRead();
            sum = tables.Ours->Sum(from, to, recordOrder, read);
            tables.Ours->Cursor().EndRead();
        } else {
            tables.Sqlite->Begin();
            sum = tables.Sqlite->Sum(from, to, read);
            tables.Sqlite->Commit();
        }
        int64_t expectedRows = range ? state.range(0) / 10 : state.range(0);
        Check(read == expectedRows, "a scan reads every row it should");
        if (rows == 0) {
            double expected = range ? SumOf(tables.Rows, from, to) : SumOf(tables.Rows, INT32_MIN, INT32_MAX);
            Check(std::fabs(sum - expected) < 1e-6 * std::max(1.0, expected), "a scan sums what it should");
        }
        rows += read;
    }
    state.SetItemsProcessed(rows);
}

// ---- updates ----

inline void Updates(benchmark::State& state, bool ours) {
    TReadTables& tables = ReadTables(state.range(0));
    std::mt19937 random(13);
    int64_t done = 0;
    for (auto _ : state) {
        if (ours)
            tables.Ours->Cursor().Table().LockTable();
        else
            tables.Sqlite->Begin();
        for (int64_t i = 0; i < BatchSize; ++i) {
            int32_t key = 2 * int32_t(random() % uint32_t(state.range(0)));
            double value = double(random() % 1000);
            if (ours)
                tables.Ours->Update(key, value);
            else
                tables.Sqlite->Update(key, value);
        }
        if (ours)
            tables.Ours->Cursor().Table().UnlockTable();
        else
            tables.Sqlite->Commit();
        done += BatchSize;
    }
    state.SetItemsProcessed(done);
}

} // namespace vorsam::bench
