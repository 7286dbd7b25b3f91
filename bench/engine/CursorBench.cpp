// The engine through its cursor beside SQLite in the same run, on the same machine, files and data:
// rows of a 32-bit key, a 30-character string and a float, 10^4, 10^5 and 10^6 of them.
//   append    in key order and in random key order, the whole load in one batch; ours also in key
//             order with the session's default caches, which the batch outgrows
//   lookup    random keys, half of them present (one batch of 1,000 per iteration), the row read
//   scan      every row in key order, the float summed: of a table appended in key order, and of one
//             appended in random order (ours also in record order, the order of its data file)
//   range     10 % of the keys from a random start, in key order, the float summed: the same two tables
//   update    the float of random rows (one batch of 1,000 per iteration); ours also with the table open
//             exclusively
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
#include "CursorBenchTables.h"

#include "db/engine/DataCursor.h"
#include "db/lib/LibraryGlobals.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

using namespace vorsam;
using namespace vorsam::bench;

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

void OursLookup(benchmark::State& state) {
    Lookups(state, true);
}
void SqliteLookup(benchmark::State& state) {
    Lookups(state, false);
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

void OursUpdate(benchmark::State& state) {
    Updates(state, true);
}
void SqliteUpdate(benchmark::State& state) {
    Updates(state, false);
}
// The same with our table open exclusively, whose record locks no other process can meet.
void OursUpdateExclusive(benchmark::State& state) {
    ReadTables(state.range(0)).Ours->Reopen(true);
    Updates(state, true);
    ReadTables(state.range(0)).Ours->Reopen(false);
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
BENCHMARK(OursUpdateExclusive)->Apply(Sizes);
BENCHMARK(OursAddIndex)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteAddIndex)->Apply(Sizes)->Unit(benchmark::kMillisecond);

} // namespace
