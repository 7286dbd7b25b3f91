// What a commit costs with its journal (CommitJournal.h): a transaction that updates 1, 100 or 10,000
// rows of a 10,000-row table (CursorBenchTables.h: a key, a 30-character text, a float), then commits
// with and without the flush flag (the commit waits for the disk at each step); beside SQLite updating
// the same rows in one transaction under its rollback journal (journal_mode=DELETE), synchronous OFF and
// FULL. Both sides hold the whole table in their caches. Built against the engine before the journal,
// the same program measures the commit without it.
#include "CursorBenchTables.h"

namespace vorsam::bench {
namespace {

constexpr int64_t TableRows = 10000;

void Rows(benchmark::internal::Benchmark* b) {
    b->ArgsProduct({{1, 100, 10000}, {0, 1}})->ArgNames({"rows", "flush"})->Unit(benchmark::kMicrosecond);
}

void OursCommit(benchmark::State& state) {
    const int64_t updates = state.range(0);
    const bool flush = state.range(1) != 0;
    TOurTable table("COMMIT");
    table.Append(MakeRows(TableRows, true));
    TDataDirectory& database = table.Cursor().Directory();
    double value = 0;
    for (auto _ : state) {
        value += 1;
        database.StartTransaction();
        for (int64_t i = 0; i < updates; ++i) table.Update(int32_t(2 * i), value);
        database.Commit(true, flush);
    }
    double stored = 0;
    Check(table.Lookup(int32_t(2 * (updates - 1)), stored) && stored == value, "the last commit holds");
    state.SetItemsProcessed(state.iterations() * updates);
}

void SqliteCommit(benchmark::State& state) {
    const int64_t updates = state.range(0);
    const bool flush = state.range(1) != 0;
    TSqliteFile db("commit");
    db.Exec("PRAGMA journal_mode=DELETE");
    db.Exec(flush ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=OFF");
    db.Exec("CREATE TABLE t(k INTEGER PRIMARY KEY, s TEXT, f REAL)");
    sqlite3_stmt* insert = db.Prepare("INSERT INTO t VALUES(?, ?, ?)");
    db.Exec("BEGIN");
    for (const TBenchRow& row : MakeRows(TableRows, true)) {
        sqlite3_bind_int(insert, 1, row.Key);
        sqlite3_bind_text(insert, 2, row.Text, 30, SQLITE_STATIC);
        sqlite3_bind_double(insert, 3, row.Value);
        db.Step(insert);
    }
    db.Exec("COMMIT");
    sqlite3_stmt* update = db.Prepare("UPDATE t SET f = ? WHERE k = ?");
    double value = 0;
    for (auto _ : state) {
        value += 1;
        db.Exec("BEGIN");
        for (int64_t i = 0; i < updates; ++i) {
            sqlite3_bind_double(update, 1, value);
            sqlite3_bind_int(update, 2, int32_t(2 * i));
            db.Step(update);
        }
        db.Exec("COMMIT");
    }
    Check(sqlite3_changes(db.Handle()) == 1, "the last update changed its row");
    state.SetItemsProcessed(state.iterations() * updates);
}

BENCHMARK(OursCommit)->Apply(Rows);
BENCHMARK(SqliteCommit)->Apply(Rows);

} // namespace
} // namespace vorsam::bench
