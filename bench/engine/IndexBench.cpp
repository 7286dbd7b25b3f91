// Index trees through the page layer (TIndexTree on an index file in memory) beside SQLite's B-tree in
// the same run: inserting 10^5 and 10^6 keys in random and ascending order, and looking keys up. Keys
// are what a 32-bit integer primary key makes (null-indicator byte + 4 bytes, compared bytewise); SQLite
// holds the same 5-byte keys in an in-memory WITHOUT ROWID table with a BLOB primary key, written
// through one prepared statement inside one transaction and read through one prepared statement.
// Caches: "Default" is the session's default (16 KiB of index pages, 2 pages per index), "64MiB" gives
// the index file 64 MiB of pages; SQLite runs with a 64 MiB page cache.
#include "BenchOwner.h"

#include "db/engine/IndexFile.h"
#include "db/engine/IndexTree.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FieldDescriptor.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <numeric>
#include <random>
#include <sqlite3.h>
#include <stdexcept>
#include <vector>

namespace {

using namespace vorsam;

using TKey = std::array<uint8_t, 5>;

TKey KeyOf(int32_t value) {
    TKey key{1};
    EncodeIntegerKey(value, &key[1]);
    return key;
}

std::vector<int32_t> Values(int64_t count, bool ascending) {
    std::vector<int32_t> values(static_cast<size_t>(count));
    std::iota(values.begin(), values.end(), 1);
    if (!ascending) std::shuffle(values.begin(), values.end(), std::mt19937(7));
    return values;
}

// An index file in memory with a unique index over one integer field.
class TBenchIndex {
public:
    explicit TBenchIndex(uint32_t indexBufferSize) {
        InitializeLibraryGlobals();
        owner_.Config.IndexBufferSize = indexBufferSize;
        fields_[0].SetFieldNumber(1);
        fields_[0].SetName("Code");
        fields_[0].SetDataType(dtInteger);
        GetFieldPhysicalSize(fields_[0]);
        file_ = std::make_unique<TIndexFile>(owner_);
        file_->SetFileName("bench.IDX");
        file_->SetInMemory(true);
        file_->CreateFile();
        TIndexDefinition definition;
        definition.Fields = {1};
        file_->DefinePrimaryIndex(definition, fields_);
        tree_ = std::make_unique<TIndexTree>(*file_, PrimaryIndexSlot, order_);
    }
    ~TBenchIndex() { file_->DeleteFile(); }

    TIndexTree& Tree() { return *tree_; }

private:
    bench::TBenchOwner owner_;
    std::array<TFieldDescriptor, 1> fields_;
    TKeyComparator order_;
    std::unique_ptr<TIndexFile> file_;
    std::unique_ptr<TIndexTree> tree_;
};

class TBenchSqlite {
public:
    TBenchSqlite() {
        if (sqlite3_open(":memory:", &db_) != SQLITE_OK) throw std::runtime_error("sqlite3_open");
        Exec("PRAGMA cache_size=-65536");
        Exec("CREATE TABLE t(k BLOB PRIMARY KEY, v INTEGER) WITHOUT ROWID");
        sqlite3_prepare_v2(db_, "INSERT INTO t VALUES (?, ?)", -1, &insert_, nullptr);
        sqlite3_prepare_v2(db_, "SELECT v FROM t WHERE k = ?", -1, &select_, nullptr);
    }
    ~TBenchSqlite() {
        sqlite3_finalize(insert_);
        sqlite3_finalize(select_);
        sqlite3_close(db_);
    }
    void Exec(const char* sql) { sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
    void Insert(const TKey& key, int64_t value) {
        sqlite3_bind_blob(insert_, 1, key.data(), int(key.size()), SQLITE_STATIC);
        sqlite3_bind_int64(insert_, 2, value);
        if (sqlite3_step(insert_) != SQLITE_DONE) throw std::runtime_error("insert");
        sqlite3_reset(insert_);
    }
    int64_t Find(const TKey& key) {
        sqlite3_bind_blob(select_, 1, key.data(), int(key.size()), SQLITE_STATIC);
        int64_t value = sqlite3_step(select_) == SQLITE_ROW ? sqlite3_column_int64(select_, 0) : -1;
        sqlite3_reset(select_);
        return value;
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* select_ = nullptr;
};

constexpr uint32_t DefaultCache = 16384;
constexpr uint32_t LargeCache = 64u << 20;

void IndexInsert(benchmark::State& state, uint32_t cache, bool ascending) {
    std::vector<int32_t> values = Values(state.range(0), ascending);
    for (auto _ : state) {
        TBenchIndex index(cache);
        for (int32_t v : values) index.Tree().Insert(KeyOf(v).data(), uint32_t(v));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}

void SqliteInsert(benchmark::State& state, bool ascending) {
    std::vector<int32_t> values = Values(state.range(0), ascending);
    for (auto _ : state) {
        TBenchSqlite db;
        db.Exec("BEGIN");
        for (int32_t v : values) db.Insert(KeyOf(v), v);
        db.Exec("COMMIT");
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}

// Random lookups of keys the tree holds (every third probe a key it lacks).
void IndexLookup(benchmark::State& state, uint32_t cache) {
    TBenchIndex index(cache);
    std::vector<int32_t> values = Values(state.range(0), false);
    for (int32_t v : values) index.Tree().Insert(KeyOf(v * 3).data(), uint32_t(v));
    size_t at = 0;
    uint32_t found = 0;
    for (auto _ : state) {
        uint32_t value = 0;
        found += index.Tree().Find(KeyOf(values[at] * 3 + (at % 3 == 2)).data(), value);
        at = at + 1 == values.size() ? 0 : at + 1;
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void SqliteLookup(benchmark::State& state) {
    TBenchSqlite db;
    std::vector<int32_t> values = Values(state.range(0), false);
    db.Exec("BEGIN");
    for (int32_t v : values) db.Insert(KeyOf(v * 3), v);
    db.Exec("COMMIT");
    size_t at = 0;
    int64_t found = 0;
    for (auto _ : state) {
        found += db.Find(KeyOf(values[at] * 3 + (at % 3 == 2))) >= 0;
        at = at + 1 == values.size() ? 0 : at + 1;
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(int64_t(state.iterations()));
}

BENCHMARK_CAPTURE(IndexInsert, RandomDefault, DefaultCache, false)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(IndexInsert, Random64MiB, LargeCache, false)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(IndexInsert, Ascending64MiB, LargeCache, true)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SqliteInsert, Random, false)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SqliteInsert, Ascending, true)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(IndexLookup, Default, DefaultCache)->Arg(100000)->Arg(1000000);
BENCHMARK_CAPTURE(IndexLookup, 64MiB, LargeCache)->Arg(100000)->Arg(1000000);
BENCHMARK(SqliteLookup)->Arg(100000)->Arg(1000000);

} // namespace
