// The engine through its cursor beside SQLite in the same run, on the same machine, files and data:
// rows of a 32-bit key, a 30-character string and a float, 10^4, 10^5 and 10^6 of them.
//   append    in key order and in random key order, the whole load in one batch; ours also in key
//             order with the session's default caches, which the batch outgrows
//   lookup    random keys, half of them present (one batch of 1,000 per iteration), the row read
//   scan      every row in key order, the float summed: of a table appended in key order, and of one
//             appended in random order (ours also in record order, the order of its data file)
//   range     10 % of the keys from a random start, in key order, the float summed: the same two tables
//   update    the float of random rows (one batch of 1,000 per iteration)
//   index     a secondary index on the string added to the table appended in random order (ours built
//             from the records in one pass, SQLite's CREATE INDEX), then dropped untimed
// A batch is one transaction in SQLite and, in our engine, one read level (BeginRead) for reads and one
// whole-table lock for writes. Both write without syncing: SQLite with journal_mode=OFF and
// synchronous=OFF, our engine without ForceBufferFlush. SQLite reads and writes through prepared
// statements that are reused (bind, step, reset), in a rowid table keyed by the integer.
// Caches: SQLite's page cache is 64 MiB (cache_size=-65536, no memory mapping); our session has 64 MiB
// for records (at most 2^20 of them) and 32 MiB for the pages of each index, so either side holds a
// whole table of 10^6 rows in memory. Tables for reading are built once per size and order of appending
// on both sides (lookups and updates use the one appended in random order); results (counts, sums) are
// checked against the data so that neither side skips work.
#include "BenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/LibraryGlobals.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace vorsam;
using namespace vorsam::bench;

constexpr int64_t BatchSize = 1000;

struct TBenchRow {
    int32_t Key;
    char Text[31];
    double Value;
};

// Keys 0, 2, 4, ... (odd keys miss), texts and values from a fixed seed; `ascending` or shuffled.
std::vector<TBenchRow> MakeRows(int64_t count, bool ascending) {
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

double SumOf(const std::vector<TBenchRow>& rows, int32_t from, int32_t to) {
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
    void CreateIndex() {
        TIndexDescriptor index;
        index.SetName("ByText");
        index.SetFieldCount(1);
        index.SetFieldNumber(0, 2);
        cursor_->AddSecondaryIndex(index);
    }
    void DropIndex() { cursor_->DeleteIndex("ByText"); }
    TDataCursor& Cursor() { return *cursor_; }

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
    }

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

private:
    TSqliteFile db_;
    sqlite3_stmt *insert_ = nullptr, *lookup_ = nullptr, *range_ = nullptr, *scan_ = nullptr,
                 *update_ = nullptr;
};

// ---- the tables read by the benchmarks, built once per engine, size and order of appending ----

struct TReadTables {
    std::vector<TBenchRow> Rows;
    std::unique_ptr<TOurTable> Ours;
    std::unique_ptr<TSqliteTable> Sqlite;
};

TReadTables& ReadTables(int64_t count, bool ascending = false) {
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

// ---- appends ----

template <typename TTable, typename... TArgs>
void Append(benchmark::State& state, bool ascending, const TArgs&... args) {
    InitializeLibraryGlobals();
    std::vector<TBenchRow> rows = MakeRows(state.range(0), ascending);
    for (auto _ : state) {
        state.PauseTiming();
        auto table = std::make_unique<TTable>("append", args...);
        state.ResumeTiming();
        table->Append(rows);
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void OursAppendInKeyOrder(benchmark::State& state) {
    Append<TOurTable>(state, true);
}
void SqliteAppendInKeyOrder(benchmark::State& state) {
    Append<TSqliteTable>(state, true);
}
void OursAppendInRandomOrder(benchmark::State& state) {
    Append<TOurTable>(state, false);
}
void SqliteAppendInRandomOrder(benchmark::State& state) {
    Append<TSqliteTable>(state, false);
}
// The session's default caches (16 KiB of records, two pages per index), far smaller than the load:
// every record and page appended stays in the caches until the whole-table lock ends.
void OursAppendDefaultCaches(benchmark::State& state) {
    Append<TOurTable>(state, true, TBufferSizes{});
}

// ---- reads ----

// Batches of lookups of random keys, half of them present.
void Lookups(benchmark::State& state, bool ours) {
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

void OursLookup(benchmark::State& state) {
    Lookups(state, true);
}
void SqliteLookup(benchmark::State& state) {
    Lookups(state, false);
}

// Sums of the float over every row, or over 10 % of the keys from a random start, of the table appended
// in key order (`ascending`) or in random order.
void Sums(benchmark::State& state, bool ours, bool range, bool ascending, bool recordOrder = false) {
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

void OursScan(benchmark::State& state) {
    Sums(state, true, false, true);
}
void SqliteScan(benchmark::State& state) {
    Sums(state, false, false, true);
}
void OursRangeScan(benchmark::State& state) {
    Sums(state, true, true, true);
}
void SqliteRangeScan(benchmark::State& state) {
    Sums(state, false, true, true);
}
void OursScanShuffled(benchmark::State& state) {
    Sums(state, true, false, false);
}
void OursScanShuffledInRecordOrder(benchmark::State& state) {
    Sums(state, true, false, false, true);
}
void SqliteScanShuffled(benchmark::State& state) {
    Sums(state, false, false, false);
}
void OursRangeScanShuffled(benchmark::State& state) {
    Sums(state, true, true, false);
}
void SqliteRangeScanShuffled(benchmark::State& state) {
    Sums(state, false, true, false);
}

// ---- updates ----

void Updates(benchmark::State& state, bool ours) {
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

void OursUpdate(benchmark::State& state) {
    Updates(state, true);
}
void SqliteUpdate(benchmark::State& state) {
    Updates(state, false);
}

// ---- adding an index ----

template <typename TTable>
void AddIndex(benchmark::State& state, std::unique_ptr<TTable> TReadTables::*table) {
    TTable& target = *(ReadTables(state.range(0)).*table);
    for (auto _ : state) {
        target.CreateIndex();
        state.PauseTiming();
        target.DropIndex();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void OursAddIndex(benchmark::State& state) {
    AddIndex(state, &TReadTables::Ours);
}
void SqliteAddIndex(benchmark::State& state) {
    AddIndex(state, &TReadTables::Sqlite);
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(OursAppendInKeyOrder)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteAppendInKeyOrder)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(OursAppendInRandomOrder)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(OursAppendDefaultCaches)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteAppendInRandomOrder)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(OursLookup)->Apply(Sizes);
BENCHMARK(SqliteLookup)->Apply(Sizes);
BENCHMARK(OursScan)->Apply(Sizes);
BENCHMARK(SqliteScan)->Apply(Sizes);
BENCHMARK(OursRangeScan)->Apply(Sizes);
BENCHMARK(SqliteRangeScan)->Apply(Sizes);
BENCHMARK(OursScanShuffled)->Apply(Sizes);
BENCHMARK(OursScanShuffledInRecordOrder)->Apply(Sizes);
BENCHMARK(SqliteScanShuffled)->Apply(Sizes);
BENCHMARK(OursRangeScanShuffled)->Apply(Sizes);
BENCHMARK(SqliteRangeScanShuffled)->Apply(Sizes);
BENCHMARK(OursUpdate)->Apply(Sizes);
BENCHMARK(SqliteUpdate)->Apply(Sizes);
BENCHMARK(OursAddIndex)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteAddIndex)->Apply(Sizes)->Unit(benchmark::kMillisecond);

} // namespace
