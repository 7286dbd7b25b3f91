// The scratch-table cycle of one screen through the table component, beside SQLite doing the same work
// on a file of its own, in the same run. The table is the categories table (the widest: a 32-bit key
// RAMAL with a unique index and 50 one-character texts) in a folder of its own; one cycle is
//   create  definitions set and new, empty files made; opened
//   fill    20 records appended, every field set
//   reopen  closed and opened again
//   search  20 FindKey, one text read each
//   edit    one record edited and posted
//   delete  closed and its files deleted
// SQLite: CREATE TABLE with a unique index, 20 INSERTs, close and reopen, 20 SELECTs by key, one
// UPDATE, close and remove the file; no journal, no syncing, as ours writes.
#include "BenchSupport.h"

#include "db/components/VORSAMTable.h"
#include "db/lib/LibraryGlobals.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <sqlite3.h>
#include <string>

namespace {

using namespace vorsam;
using namespace platform::data;
using bench::Check;

constexpr int Records = 20;
constexpr int TextFields = 50;

std::string TextName(int i) {
    std::string name = "F";
    name += std::to_string(i);
    return name;
}

int Ramal(int i) {
    return 2000 + 7 * i;
}

void ScratchTableCycle(benchmark::State& state) {
    InitializeLibraryGlobals();
    const std::string folder = bench::ScratchFolder() + "/scratch";
    std::filesystem::create_directories(folder);
    TVORSAMTable table;
    for (auto _ : state) {
        table.SetTableName(folder + "/TEMPORAR.DAT");
        table.FieldDefs().Clear();
        table.FieldDefs().Add("RAMAL", ftInteger);
        for (int f = 0; f < TextFields; ++f) table.FieldDefs().Add(TextName(f), ftString, 1);
        table.IndexDefs().Clear();
        table.IndexDefs().Add("TEMPORAR", "RAMAL", TIndexOptions{ixUnique});
        table.SetIndexName("TEMPORAR");
        table.CreateTable();
        table.Open();
        for (int i = 0; i < Records; ++i) {
            table.Append();
            table.Fields()[0].SetAsInteger(Ramal(i));
            for (int f = 1; f <= TextFields; ++f) table.Fields()[f].SetAsString((i + f) % 2 ? "1" : "0");
            table.Post();
        }
        table.Close();
        table.Open();
        int ones = 0;
        for (int i = 0; i < Records; ++i) {
            Check(table.FindKey({Ramal(i)}), "FindKey");
            ones += table.Fields()[1].AsString() == "1";
        }
        Check(ones == Records / 2, "texts read back");
        table.Edit();
        table.Fields()[1].SetAsString("0");
        table.Post();
        table.Close();
        table.DeleteTable();
    }
}
BENCHMARK(ScratchTableCycle)->Unit(benchmark::kMicrosecond);

void PeerSqliteScratchTableCycle(benchmark::State& state) {
    const std::string file = bench::ScratchFolder() + "/scratch.sqlite";
    std::string create = "CREATE TABLE T (RAMAL INTEGER";
    std::string insert = "INSERT INTO T VALUES (?";
    for (int f = 0; f < TextFields; ++f) {
        create += ", " + TextName(f) + " TEXT";
        insert += ", ?";
    }
    create += "); CREATE UNIQUE INDEX TEMPORAR ON T (RAMAL)";
    insert += ")";
    const auto open = [&] {
        sqlite3* db = nullptr;
        Check(sqlite3_open(file.c_str(), &db) == SQLITE_OK, "sqlite3_open");
        sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
        return db;
    };
    for (auto _ : state) {
        sqlite3* db = open();
        Check(sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK, "create");
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, insert.c_str(), -1, &statement, nullptr);
        for (int i = 0; i < Records; ++i) {
            sqlite3_bind_int(statement, 1, Ramal(i));
            for (int f = 1; f <= TextFields; ++f)
                sqlite3_bind_text(statement, f + 1, (i + f) % 2 ? "1" : "0", 1, SQLITE_STATIC);
            Check(sqlite3_step(statement) == SQLITE_DONE, "insert");
            sqlite3_reset(statement);
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        db = open();
        sqlite3_prepare_v2(db, "SELECT F0 FROM T WHERE RAMAL = ?", -1, &statement, nullptr);
        int ones = 0;
        for (int i = 0; i < Records; ++i) {
            sqlite3_bind_int(statement, 1, Ramal(i));
            Check(sqlite3_step(statement) == SQLITE_ROW, "select");
            ones += sqlite3_column_text(statement, 0)[0] == '1';
            sqlite3_reset(statement);
        }
        sqlite3_finalize(statement);
        Check(ones == Records / 2, "texts read back");
        Check(sqlite3_exec(db, "UPDATE T SET F0 = '0' WHERE RAMAL = 2000", nullptr, nullptr, nullptr) ==
                  SQLITE_OK,
              "update");
        sqlite3_close(db);
        std::filesystem::remove(file);
    }
}
BENCHMARK(PeerSqliteScratchTableCycle)->Unit(benchmark::kMicrosecond);

} // namespace
