// Caches of every size, single-row writes in big tables and peak memory, beside SQLite in the same run,
// at 10^4, 10^5 and 10^6 rows of the cursor benchmarks' shape (CursorBenchTables.h):
//   Cache_Rescan            every row in key order, the float summed, inside one read level (BeginRead;
//                           SQLite: one transaction), of a table appended in random key order, so that
//                           the records come in random order; caches of 16 KiB, 4 MiB, 32 MiB and
//                           64 MiB, which holds the table (ours: BufferSize and IndexBufferSize, no record
//                           count limit below it; SQLite: cache_size). Arguments: rows, KiB of cache
//   Cache_FilteredWalk      every row in key order through a condition that no index serves, F BETWEEN
//                           100 AND 199.99 (about a tenth of the rows), the float of those summed, inside
//                           one read level (ours: a cursor filter; SQLite: SELECT f FROM t WHERE f
//                           BETWEEN ...), of a table appended in key order. Arguments: rows, caches (0
//                           each side's defaults, 1 whole-table caches)
//   Cache_Update            1,000 random rows' float changed, each row its own write (no whole-table lock;
//                           SQLite: autocommit), whole-table caches
//   Cache_Delete            1,000 random rows deleted one by one, as above; put back untimed afterwards
//   Cache_DeleteHalf        every other row in key order deleted in one whole-table lock (SQLite: one
//                           transaction, DELETE ... WHERE k % 4 = 0), the rows put back untimed; ours
//                           as a set (DataCursor DeleteRecords: each index's entries leaf by leaf) or
//                           _OneByOne; the record numbers gathered by a key-order walk, timed. Arguments:
//                           rows, caches (0 each side's defaults, 1 whole-table caches)
//   Cache_PeakMemory        the peak resident memory (counter PeakMiB, VmHWM) of a fresh process that
//                           appends 10^6 rows in one batch, scans them in key order and changes 1,000
//                           random rows one by one, with whole-table caches; the program runs itself
//                           for it
//   Cache_LoadMemory        the same peak for five tables of 10^6 rows each appended in random key order
//                           in one transaction (ours: of one database; SQLite: BEGIN ... COMMIT), each
//                           side's default caches; _Rows is the process that only makes the rows, which
//                           both sides hold
// Tables are made once per size (and cache) and kept across iterations; sums are checked so that
// neither side skips work.
#include "CursorBenchTables.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <tuple>
#include <vector>

extern char** environ;

namespace vorsam::bench {
namespace {

// ---- rescans under caches of every size ----

struct TCachedTables {
    std::vector<TBenchRow> Rows;
    std::unique_ptr<TOurTable> Ours;
    std::unique_ptr<TSqliteTable> Sqlite;
};

TBufferSizes CacheOf(uint32_t kib) {
    TBufferSizes sizes;
    sizes.BufferSize = kib << 10;
    sizes.IndexBufferSize = kib << 10;
    sizes.RecordCacheLimit = MaxCacheLimit;
    return sizes;
}

TCachedTables& CachedTables(int64_t rows, int64_t kib, bool ours) {
    ScratchFolder();
    static std::map<std::tuple<int64_t, int64_t, bool>, TCachedTables> tables;
    TCachedTables& entry = tables[{rows, kib, ours}];
    if (entry.Rows.empty()) {
        InitializeLibraryGlobals();
        entry.Rows = MakeRows(rows, false);
        std::string name = "cache" + std::to_string(rows) + "k" + std::to_string(kib);
        if (ours) {
            entry.Ours = std::make_unique<TOurTable>(name, CacheOf(uint32_t(kib)));
            entry.Ours->Append(entry.Rows);
        } else {
            entry.Sqlite = std::make_unique<TSqliteTable>(name);
            entry.Sqlite->Append(entry.Rows);
            entry.Sqlite->SetCacheKiB(int(kib));
        }
    }
    return entry;
}

void Rescan(benchmark::State& state, bool ours) {
    TCachedTables& tables = CachedTables(state.range(0), state.range(1), ours);
    const double expected = SumOf(tables.Rows, INT32_MIN, INT32_MAX);
    int64_t rows = 0;
    for (auto _ : state) {
        int64_t read = 0;
        double sum = 0;
        if (ours) {
            tables.Ours->Cursor().BeginRead();
            sum = tables.Ours->Sum(1, 0, false, read);
            tables.Ours->Cursor().EndRead();
        } else {
            tables.Sqlite->Begin();
            sum = tables.Sqlite->Sum(1, 0, read);
            tables.Sqlite->Commit();
        }
        Check(read == state.range(0) && std::fabs(sum - expected) < 1e-6 * expected, "rescan");
        rows += read;
    }
    state.SetItemsProcessed(rows);
}

void Cache_Rescan_Ours(benchmark::State& state) {
    Rescan(state, true);
}
void Cache_Rescan_Sqlite(benchmark::State& state) {
    Rescan(state, false);
}

// ---- filtered walks ----

constexpr double FilterLow = 100, FilterHigh = 199.99;

struct TFilteredTables {
    std::vector<TBenchRow> Rows;
    std::unique_ptr<TOurTable> Ours;
    std::unique_ptr<TSqliteTable> Sqlite;
    sqlite3_stmt* Where = nullptr;
};

TFilteredTables& FilteredTables(int64_t rows, bool wholeCaches, bool ours) {
    ScratchFolder();
    static std::map<std::tuple<int64_t, bool, bool>, TFilteredTables> tables;
    TFilteredTables& entry = tables[{rows, wholeCaches, ours}];
    if (entry.Rows.empty()) {
        InitializeLibraryGlobals();
        entry.Rows = MakeRows(rows, true);
        std::string name = "filtered" + std::to_string(rows) + (wholeCaches ? "w" : "d");
        if (ours) {
            entry.Ours = std::make_unique<TOurTable>(name, wholeCaches ? WholeTableCaches() : TBufferSizes{});
            entry.Ours->Append(entry.Rows);
            TDataCursor& cursor = entry.Ours->Cursor();
            cursor.ActivateFilter(cursor.AddFilter("F BETWEEN " + std::to_string(FilterLow) + " AND " +
                                                   std::to_string(FilterHigh)));
        } else {
            entry.Sqlite = std::make_unique<TSqliteTable>(name);
            entry.Sqlite->Append(entry.Rows);
            entry.Sqlite->SetCacheKiB(wholeCaches ? 65536 : 2000);
            entry.Where = entry.Sqlite->Prepare("SELECT f FROM t WHERE f BETWEEN ?1 AND ?2");
            sqlite3_bind_double(entry.Where, 1, FilterLow);
            sqlite3_bind_double(entry.Where, 2, FilterHigh);
        }
    }
    return entry;
}

void FilteredWalk(benchmark::State& state, bool ours) {
    TFilteredTables& tables = FilteredTables(state.range(0), state.range(1) != 0, ours);
    int64_t expectedRows = 0;
    double expected = 0;
    for (const TBenchRow& row : tables.Rows)
        if (row.Value >= FilterLow && row.Value <= FilterHigh) {
            ++expectedRows;
            expected += row.Value;
        }
    std::vector<uint8_t> image;
    int64_t rows = 0;
    for (auto _ : state) {
        int64_t read = 0;
        double sum = 0;
        if (ours) {
            TDataCursor& cursor = tables.Ours->Cursor();
            image.resize(cursor.GetRecordSize());
            bool isNull = false;
            double value = 0;
            cursor.BeginRead();
            for (cursor.SetToBegin(); cursor.GetNextRecord(image) == 0; ++read) {
                cursor.GetField(3, image, isNull, reinterpret_cast<uint8_t*>(&value));
                sum += value;
            }
            cursor.EndRead();
        } else {
            tables.Sqlite->Begin();
            for (; sqlite3_step(tables.Where) == SQLITE_ROW; ++read)
                sum += sqlite3_column_double(tables.Where, 0);
            sqlite3_reset(tables.Where);
            tables.Sqlite->Commit();
        }
        Check(read == expectedRows && std::fabs(sum - expected) < 1e-6 * expected, "filtered walk");
        rows += state.range(0);
    }
    state.SetItemsProcessed(rows);
}

void Cache_FilteredWalk_Ours(benchmark::State& state) {
    FilteredWalk(state, true);
}
void Cache_FilteredWalk_Sqlite(benchmark::State& state) {
    FilteredWalk(state, false);
}

// ---- single-row writes ----

struct TWriteTables {
    std::vector<TBenchRow> Rows;
    std::unique_ptr<TOurTable> Ours;
    std::unique_ptr<TSqliteTable> Sqlite;
};

TWriteTables& WriteTables(int64_t rows) {
    ScratchFolder();
    static std::map<int64_t, TWriteTables> tables;
    TWriteTables& entry = tables[rows];
    if (!entry.Ours) {
        InitializeLibraryGlobals();
        entry.Rows = MakeRows(rows, false);
        std::string name = "write" + std::to_string(rows);
        entry.Ours = std::make_unique<TOurTable>(name);
        entry.Ours->Append(entry.Rows);
        entry.Sqlite = std::make_unique<TSqliteTable>(name);
        entry.Sqlite->Append(entry.Rows);
    }
    return entry;
}

void Updates(benchmark::State& state, bool ours) {
    TWriteTables& tables = WriteTables(state.range(0));
    std::mt19937 random(17);
    for (auto _ : state) {
        for (int64_t i = 0; i < BatchSize; ++i) {
            int32_t key = 2 * int32_t(random() % uint32_t(state.range(0)));
            double value = double(random() % 1000);
            if (ours)
                tables.Ours->Update(key, value);
            else
                tables.Sqlite->Update(key, value);
        }
    }
    state.SetItemsProcessed(state.iterations() * BatchSize);
}

void Cache_Update_Ours(benchmark::State& state) {
    Updates(state, true);
}
void Cache_Update_Sqlite(benchmark::State& state) {
    Updates(state, false);
}

// 1,000 distinct rows deleted, then appended again untimed (reusing the freed slots on our side).
void Deletes(benchmark::State& state, bool ours) {
    TWriteTables& tables = WriteTables(state.range(0));
    std::mt19937 random(19);
    std::vector<size_t> order(tables.Rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::vector<TBenchRow> taken(BatchSize);
    for (auto _ : state) {
        state.PauseTiming();
        for (size_t i = 0; i < taken.size(); ++i) { // the first of a random permutation
            std::swap(order[i], order[i + random() % (order.size() - i)]);
            taken[i] = tables.Rows[order[i]];
        }
        state.ResumeTiming();
        for (const TBenchRow& row : taken) {
            if (ours)
                tables.Ours->Delete(row.Key);
            else
                tables.Sqlite->Delete(row.Key);
        }
        state.PauseTiming();
        if (ours)
            tables.Ours->Append(taken);
        else
            tables.Sqlite->Append(taken);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * BatchSize);
}

void Cache_Delete_Ours(benchmark::State& state) {
    Deletes(state, true);
}
void Cache_Delete_Sqlite(benchmark::State& state) {
    Deletes(state, false);
}

// ---- half the rows deleted at once ----

struct TDeleteTables {
    std::vector<TBenchRow> Rows, Half;
    std::unique_ptr<TOurTable> Ours;
    std::unique_ptr<TSqliteTable> Sqlite;
};

TDeleteTables& DeleteTables(int64_t rows, bool wholeCaches, bool ours) {
    ScratchFolder();
    static std::map<std::tuple<int64_t, bool, bool>, TDeleteTables> tables;
    TDeleteTables& entry = tables[{rows, wholeCaches, ours}];
    if (entry.Rows.empty()) {
        InitializeLibraryGlobals();
        entry.Rows = MakeRows(rows, false);
        for (const TBenchRow& row : entry.Rows)
            if (row.Key % 4 == 0) entry.Half.push_back(row);
        std::string name = "half" + std::to_string(rows) + (wholeCaches ? "w" : "d");
        if (ours) {
            entry.Ours = std::make_unique<TOurTable>(name, wholeCaches ? WholeTableCaches() : TBufferSizes{});
            entry.Ours->Append(entry.Rows);
        } else {
            entry.Sqlite = std::make_unique<TSqliteTable>(name);
            entry.Sqlite->Append(entry.Rows);
            entry.Sqlite->SetCacheKiB(wholeCaches ? 65536 : 2000);
        }
    }
    return entry;
}

// 0: ours as a set, 1: ours one by one, 2: SQLite.
void DeleteHalf(benchmark::State& state, int how) {
    TDeleteTables& tables = DeleteTables(state.range(0), state.range(1) != 0, how != 2);
    std::vector<uint8_t> image;
    std::vector<uint32_t> numbers;
    for (auto _ : state) {
        if (how == 2) {
            tables.Sqlite->Begin();
            tables.Sqlite->DeleteWhere("k % 4 = 0");
            tables.Sqlite->Commit();
        } else {
            TDataCursor& cursor = tables.Ours->Cursor();
            image.resize(cursor.GetRecordSize());
            numbers.clear();
            cursor.Table().LockTable();
            cursor.SetToBegin();
            for (uint32_t i = 0; cursor.GetNextRecord(image) == 0; ++i)
                if (i % 2 == 0) numbers.push_back(LoadLE32(&image[NextFreeOffset]));
            if (how == 0)
                cursor.DeleteRecords(numbers);
            else
                for (uint32_t number : numbers) cursor.Table().DeleteRecord(number);
            cursor.Table().UnlockTable();
        }
        state.PauseTiming();
        Check(how == 2 || numbers.size() == tables.Half.size(), "half the rows deleted");
        if (how == 2)
            tables.Sqlite->Append(tables.Half);
        else
            tables.Ours->Append(tables.Half);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(tables.Half.size()));
}

void Cache_DeleteHalf_Ours(benchmark::State& state) {
    DeleteHalf(state, 0);
}
void Cache_DeleteHalf_OursOneByOne(benchmark::State& state) {
    DeleteHalf(state, 1);
}
void Cache_DeleteHalf_Sqlite(benchmark::State& state) {
    DeleteHalf(state, 2);
}

// ---- peak memory ----

constexpr const char* MeasuredChild = "ENGINE_BENCH_MEASURED_CHILD";

// The measured work, in the child process.
void MemoryWork(int64_t count, bool ours) {
    std::vector<TBenchRow> rows = MakeRows(count, false);
    std::mt19937 random(23);
    int64_t read = 0;
    if (ours) {
        TOurTable table("memory");
        table.Append(rows);
        table.Cursor().BeginRead();
        table.Sum(1, 0, false, read);
        table.Cursor().EndRead();
        for (int64_t i = 0; i < BatchSize; ++i) table.Update(2 * int32_t(random() % uint32_t(count)), 1.0);
    } else {
        TSqliteTable table("memory");
        table.Append(rows);
        table.Begin();
        table.Sum(1, 0, read);
        table.Commit();
        for (int64_t i = 0; i < BatchSize; ++i) table.Update(2 * int32_t(random() % uint32_t(count)), 1.0);
    }
    Check(read == count, "the measured scan reads every row");
}

// Five tables of the rows, loaded in one transaction with default caches.
constexpr int LoadedTables = 5;

void LoadWork(int64_t count, int side) {
    std::vector<TBenchRow> rows = MakeRows(count, false);
    if (side == 0) {
        InitializeLibraryGlobals();
        TDataSession session;
        TDataDirectory& directory = session.OpenDataDirectory("", ScratchFolder());
        std::vector<std::unique_ptr<TDataCursor>> cursors;
        for (int t = 0; t < LoadedTables; ++t) {
            auto cursor = std::make_unique<TDataCursor>(directory);
            cursor->SetTableName("load" + std::to_string(t));
            if (directory.TableExists("load" + std::to_string(t), false)) cursor->DeleteTable();
            cursor->CreateTable(BenchTableArgs());
            cursor->OpenCursor();
            cursors.push_back(std::move(cursor));
        }
        std::vector<uint8_t> image(cursors[0]->GetRecordSize());
        directory.StartTransaction();
        for (auto& cursor : cursors) {
            for (const TBenchRow& row : rows) {
                cursor->InitEmptyRecord(image);
                cursor->PutField(1, image, reinterpret_cast<const uint8_t*>(&row.Key));
                cursor->PutField(2, image, reinterpret_cast<const uint8_t*>(row.Text));
                cursor->PutField(3, image, reinterpret_cast<const uint8_t*>(&row.Value));
                cursor->AppendRecord(image);
            }
        }
        directory.Commit(true, false);
        Check(cursors.back()->GetRecordCount() == uint32_t(count), "every row loaded");
        for (auto& cursor : cursors) {
            cursor->CloseCursor();
            cursor->DeleteTable();
        }
    } else if (side == 1) {
        TSqliteFile db("load");
        db.Exec("PRAGMA cache_size=-2000");
        std::vector<sqlite3_stmt*> inserts;
        for (int t = 0; t < LoadedTables; ++t) {
            std::string table = "t" + std::to_string(t);
            db.Exec(("CREATE TABLE " + table + "(k INTEGER PRIMARY KEY, s TEXT, f REAL)").c_str());
            inserts.push_back(db.Prepare(("INSERT INTO " + table + " VALUES(?, ?, ?)").c_str()));
        }
        db.Exec("BEGIN");
        for (sqlite3_stmt* insert : inserts) {
            for (const TBenchRow& row : rows) {
                sqlite3_bind_int(insert, 1, row.Key);
                sqlite3_bind_text(insert, 2, row.Text, 30, SQLITE_STATIC);
                sqlite3_bind_double(insert, 3, row.Value);
                db.Step(insert);
            }
        }
        db.Exec("COMMIT");
    }
    benchmark::DoNotOptimize(rows.data());
}

// The peak resident memory of this process image in KiB (since its start: not the program that
// started it).
int64_t PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
    return -1;
}

// Runs this program again on this benchmark alone, the work done in the child, and reports the
// child's peak resident memory, which the child writes into the file the variable names.
void PeakMemory(benchmark::State& state, const char* name, const std::function<void(int64_t)>& work) {
    if (const char* report = std::getenv(MeasuredChild)) {
        for (auto _ : state) work(state.range(0));
        std::ofstream(report) << PeakResidentKiB();
        return;
    }
    std::string filter =
        std::string("--benchmark_filter=^") + name + "/" + std::to_string(state.range(0)) + "/";
    std::string report = ScratchFolder() + "/peak-" + name;
    std::string variable = std::string(MeasuredChild) + "=" + report;
    std::vector<char*> environment;
    for (char** e = environ; *e; ++e) environment.push_back(*e);
    environment.push_back(variable.data());
    environment.push_back(nullptr);
    double peakMiB = 0;
    for (auto _ : state) {
        char self[] = "/proc/self/exe";
        std::vector<char*> arguments = {self, filter.data(), nullptr};
        posix_spawn_file_actions_t quiet; // the child's own report is not wanted
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        pid_t child = 0;
        int spawned = posix_spawn(&child, self, &quiet, nullptr, arguments.data(), environment.data());
        posix_spawn_file_actions_destroy(&quiet);
        Check(spawned == 0, "spawn");
        int status = 0;
        Check(waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0,
              "the measured child succeeds");
        int64_t kib = -1;
        std::ifstream(report) >> kib;
        Check(kib > 0, "the measured child reports its peak");
        peakMiB = double(kib) / 1024.0;
    }
    state.counters["PeakMiB"] = peakMiB;
}

void Cache_PeakMemory_Ours(benchmark::State& state) {
    PeakMemory(state, "Cache_PeakMemory_Ours", [](int64_t count) { MemoryWork(count, true); });
}
void Cache_PeakMemory_Sqlite(benchmark::State& state) {
    PeakMemory(state, "Cache_PeakMemory_Sqlite", [](int64_t count) { MemoryWork(count, false); });
}
void Cache_LoadMemory_Ours(benchmark::State& state) {
    PeakMemory(state, "Cache_LoadMemory_Ours", [](int64_t count) { LoadWork(count, 0); });
}
void Cache_LoadMemory_Sqlite(benchmark::State& state) {
    PeakMemory(state, "Cache_LoadMemory_Sqlite", [](int64_t count) { LoadWork(count, 1); });
}
void Cache_LoadMemory_Rows(benchmark::State& state) {
    PeakMemory(state, "Cache_LoadMemory_Rows", [](int64_t count) { LoadWork(count, 2); });
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
}
void SizesAndCaches(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgsProduct({{10000, 100000, 1000000}, {16, 4096, 32768, 65536}})
        ->Unit(benchmark::kMillisecond);
}
void SizesAndDefaultOrWholeCaches(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})->Unit(benchmark::kMillisecond);
}

BENCHMARK(Cache_Rescan_Ours)->Apply(SizesAndCaches);
BENCHMARK(Cache_Rescan_Sqlite)->Apply(SizesAndCaches);
BENCHMARK(Cache_FilteredWalk_Ours)->Apply(SizesAndDefaultOrWholeCaches);
BENCHMARK(Cache_FilteredWalk_Sqlite)->Apply(SizesAndDefaultOrWholeCaches);
BENCHMARK(Cache_Update_Ours)->Apply(Sizes);
BENCHMARK(Cache_Update_Sqlite)->Apply(Sizes);
BENCHMARK(Cache_Delete_Ours)->Apply(Sizes);
BENCHMARK(Cache_Delete_Sqlite)->Apply(Sizes);
BENCHMARK(Cache_DeleteHalf_Ours)->Apply(SizesAndDefaultOrWholeCaches);
BENCHMARK(Cache_DeleteHalf_OursOneByOne)->Apply(SizesAndDefaultOrWholeCaches);
BENCHMARK(Cache_DeleteHalf_Sqlite)->Apply(SizesAndDefaultOrWholeCaches);
BENCHMARK(Cache_PeakMemory_Ours)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Cache_PeakMemory_Sqlite)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Cache_LoadMemory_Ours)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Cache_LoadMemory_Sqlite)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Cache_LoadMemory_Rows)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vorsam::bench
