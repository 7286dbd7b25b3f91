// The key-order walk under caches of every size from the session's default to one that holds the table,
// beside SQLite in the same run: a larger cache must never make a walk slower.
//   CacheSize_Walk_Ours/<rows>/<shape>/<KiB>    through a cursor of ours
//   CacheSize_Select_Ours/<rows>/<shape>/<KiB>  through our SELECT ... ORDER BY, its result read whole
//   CacheSize_Walk_Sqlite/<rows>/<shape>/<KiB>  through SQLite's SELECT ... ORDER BY
// Rows 10^4, 10^5, 10^6 of T (ID INTEGER key, NAME CHAR(20) with an index of its own, CITY CHAR(20), SCORE
// INTEGER, BORN DATE); NAME a fixed-seed draw of letters, so that its order is not the records'. Shapes:
//   0  records in key order, walked in key order
//   1  records appended in shuffled key order, walked in key order
//   2  records in key order, walked in NAME's order (through the secondary index: the records in
//      scattered order)
// Every row's SCORE is summed, the cursor's walk inside one read level (BeginRead), SQLite's inside one
// transaction (ORDER BY ID, or ORDER BY NAME through its index on NAME). Caches: ours BufferSize and
// IndexBufferSize of that many KiB, the session's default record count limit (8,192) unless the bytes hold
// more records (then the records the bytes hold); SQLite cache_size of that many KiB. KiB 0 is a cache that
// holds the table on both sides. Ours with 16 KiB is the session's default; SQLite's own default is 2 MiB.
// Tables are made once per size and shape; each cache opens them in a session of its own, walks once
// untimed, then the timed walks follow. Sums are checked so that neither side skips work.
#include "bench/engine/BenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/LibraryGlobals.h"
#include "db/sql/QueryStatement.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <string>
#include <tuple>
#include <vector>

namespace vorsam::bench {
namespace {

struct TPerson {
    int32_t Id;
    char Name[21];
    char City[21];
    int32_t Score;
    int32_t Born;
};

std::vector<TPerson> MakePeople(int64_t count, bool shuffled) {
    static const char* const cities[] = {"Recife",  "Olinda", "Natal",    "Belém",    "Manaus", "Curitiba",
                                         "Niterói", "Santos", "Campinas", "Londrina", "Maceió", "Aracaju"};
    std::vector<TPerson> people(static_cast<size_t>(count));
    std::mt19937 random(29);
    for (size_t i = 0; i < people.size(); ++i) {
        TPerson& person = people[i];
        person.Id = int32_t(i);
        size_t length = 8 + random() % 12;
        for (size_t c = 0; c < length; ++c) person.Name[c] = char('a' + random() % 26);
        person.Name[length] = '\0';
        std::snprintf(person.City, sizeof person.City, "%s", cities[random() % std::size(cities)]);
        person.Score = int32_t(random() % 1000);
        person.Born = int32_t(715000 + random() % 25000);
    }
    if (shuffled) std::shuffle(people.begin(), people.end(), std::mt19937(31));
    return people;
}

int64_t ScoreSum(const std::vector<TPerson>& people) {
    int64_t sum = 0;
    for (const TPerson& person : people) sum += person.Score;
    return sum;
}

TCreateTableArgs PeopleTableArgs() {
    return KeyedTableArgs({{"ID", dtInteger, 0},
                           {"NAME", dtString, 20},
                           {"CITY", dtString, 20},
                           {"SCORE", dtInteger, 0},
                           {"BORN", dtDate, 0}});
}

constexpr const char* NameIndex = "ByName";

// The tables of one size and shape: ours in its own folder, SQLite's file.
struct TPeopleTables {
    std::vector<TPerson> People;
    std::string Folder, Table;
    std::unique_ptr<TSqliteFile> Sqlite;
    uint16_t RecordSize = 0; // of ours
    uint64_t TableBytes = 0; // of ours: records and index pages, rounded up
};

TPeopleTables& PeopleTables(int64_t rows, int shape) {
    ScratchFolder();
    static std::map<std::pair<int64_t, bool>, TPeopleTables> tables;
    bool shuffled = shape == 1;
    TPeopleTables& entry = tables[{rows, shuffled}];
    if (!entry.People.empty()) return entry;
    InitializeLibraryGlobals();
    entry.People = MakePeople(rows, shuffled);
    entry.Table = "people" + std::to_string(rows) + (shuffled ? "s" : "k");
    entry.Folder = ScratchFolder() + "/" + entry.Table;
    std::filesystem::create_directories(entry.Folder);
    {
        TDataSession session;
        session.SetBufferSizes(WholeTableCaches());
        TDataDirectory& directory = session.OpenDataDirectory("", entry.Folder);
        TDataCursor cursor(directory);
        cursor.SetTableName(entry.Table);
        cursor.CreateTable(PeopleTableArgs());
        cursor.OpenCursor();
        std::vector<uint8_t> image(cursor.GetRecordSize());
        cursor.Table().LockTable();
        for (const TPerson& person : entry.People) {
            cursor.InitEmptyRecord(image);
            cursor.PutField(1, image, reinterpret_cast<const uint8_t*>(&person.Id));
            cursor.PutField(2, image, reinterpret_cast<const uint8_t*>(person.Name));
            cursor.PutField(3, image, reinterpret_cast<const uint8_t*>(person.City));
            cursor.PutField(4, image, reinterpret_cast<const uint8_t*>(&person.Score));
            cursor.PutField(5, image, reinterpret_cast<const uint8_t*>(&person.Born));
            cursor.AppendRecord(image);
        }
        cursor.Table().UnlockTable();
        TIndexDescriptor byName;
        byName.SetName(NameIndex);
        byName.SetFieldCount(1);
        byName.SetFieldNumber(0, 2);
        cursor.AddSecondaryIndex(byName);
        entry.RecordSize = cursor.GetRecordSize();
        entry.TableBytes = uint64_t(rows) * entry.RecordSize * 3 / 2 + (1u << 20);
        cursor.CloseCursor();
        session.CloseDataDirectory(directory);
    }
    entry.Sqlite = std::make_unique<TSqliteFile>(entry.Table);
    TSqliteFile& sqlite = *entry.Sqlite;
    sqlite.Exec("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, city TEXT, score INTEGER, born INTEGER)");
    sqlite3_stmt* insert = sqlite.Prepare("INSERT INTO t VALUES(?, ?, ?, ?, ?)");
    sqlite.Exec("BEGIN");
    for (const TPerson& person : entry.People) {
        sqlite3_bind_int(insert, 1, person.Id);
        sqlite3_bind_text(insert, 2, person.Name, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, person.City, -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 4, person.Score);
        sqlite3_bind_int(insert, 5, person.Born);
        sqlite.Step(insert);
    }
    sqlite.Exec("COMMIT");
    sqlite.Exec("CREATE INDEX byname ON t(name)");
    return entry;
}

TBufferSizes CachesOf(uint64_t bytes, uint16_t recordSize) {
    TBufferSizes sizes;
    sizes.BufferSize = uint32_t(std::min<uint64_t>(bytes, MaxBufferBytes));
    sizes.IndexBufferSize = sizes.BufferSize;
    sizes.RecordCacheLimit =
        uint32_t(std::clamp<uint64_t>(bytes / recordSize, sizes.RecordCacheLimit, MaxCacheLimit));
    return sizes;
}

// SCORE summed over the rows of a cursor from its start; the rows counted.
int64_t SumScores(TDataCursor& cursor, uint16_t field, int64_t& rows) {
    std::vector<uint8_t> image(cursor.GetRecordSize());
    TFieldDescriptor score;
    cursor.GetFieldDesc(field, score);
    const size_t scoreAt = score.Offset() + 1;
    int64_t sum = 0;
    for (cursor.SetToBegin(); cursor.GetNextRecord(image) == 0; ++rows)
        sum += LoadNative<int32_t>(&image[scoreAt]);
    return sum;
}

// Our walk of the table of the benchmark's size and shape, through the cursor or the SELECT, in a session
// whose caches are the benchmark's.
void Walk_Ours(benchmark::State& state, bool select) {
    int shape = int(state.range(1));
    TPeopleTables& tables = PeopleTables(state.range(0), shape);
    const int64_t expected = ScoreSum(tables.People);
    TDataSession session;
    uint64_t bytes = state.range(2) == 0 ? tables.TableBytes : uint64_t(state.range(2)) << 10;
    session.SetBufferSizes(CachesOf(bytes, tables.RecordSize));
    TDataDirectory& directory = session.OpenDataDirectory("", tables.Folder);
    {
        TDataCursor cursor(directory);
        cursor.SetTableName(tables.Table);
        cursor.OpenCursor();
        if (shape == 2) cursor.SetIndexName(NameIndex);
        TQueryStatement statement(directory);
        statement.Prepare("SELECT SCORE, ID, NAME, CITY, BORN FROM " + tables.Table +
                          (shape == 2 ? " ORDER BY NAME" : " ORDER BY ID"));
        auto walk = [&] {
            int64_t sum = 0, rows = 0;
            if (select) {
                sum = SumScores(*statement.Execute({}, false), 1, rows);
            } else {
                cursor.BeginRead();
                sum = SumScores(cursor, 4, rows);
                cursor.EndRead();
            }
            Check(rows == state.range(0) && sum == expected, "the walk sums every row's score");
        };
        walk();
        for (auto _ : state) walk();
        state.SetItemsProcessed(state.iterations() * state.range(0));
        cursor.CloseCursor();
    }
    session.CloseDataDirectory(directory);
}

void Walk_Sqlite(benchmark::State& state) {
    int shape = int(state.range(1));
    TPeopleTables& tables = PeopleTables(state.range(0), shape);
    const int64_t expected = ScoreSum(tables.People);
    TSqliteFile& sqlite = *tables.Sqlite;
    int64_t kib = state.range(2) == 0 ? 65536 : state.range(2);
    sqlite.Exec(("PRAGMA cache_size=-" + std::to_string(kib)).c_str());
    sqlite3_stmt* select =
        sqlite.Prepare(shape == 2 ? "SELECT score, name, city, born FROM t INDEXED BY byname ORDER BY name"
                                  : "SELECT score, name, city, born FROM t ORDER BY id");
    auto walk = [&] {
        int64_t sum = 0, rows = 0;
        sqlite.Exec("BEGIN");
        for (; sqlite3_step(select) == SQLITE_ROW; ++rows) {
            sum += sqlite3_column_int(select, 0);
            benchmark::DoNotOptimize(sqlite3_column_text(select, 1));
        }
        sqlite3_reset(select);
        sqlite.Exec("COMMIT");
        Check(rows == state.range(0) && sum == expected, "the walk sums every row's score");
    };
    walk();
    for (auto _ : state) walk();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void CacheSize_Walk_Ours(benchmark::State& state) {
    Walk_Ours(state, false);
}
void CacheSize_Select_Ours(benchmark::State& state) {
    Walk_Ours(state, true);
}
void CacheSize_Walk_Sqlite(benchmark::State& state) {
    Walk_Sqlite(state);
}

void SizesShapesAndCaches(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgsProduct({{10000, 100000, 1000000}, {0, 1, 2}, {16, 64, 256, 1024, 4096, 16384, 0}})
        ->Unit(benchmark::kMillisecond);
}

BENCHMARK(CacheSize_Walk_Ours)->Apply(SizesShapesAndCaches);
BENCHMARK(CacheSize_Select_Ours)->Apply(SizesShapesAndCaches);
BENCHMARK(CacheSize_Walk_Sqlite)->Apply(SizesShapesAndCaches);

} // namespace
} // namespace vorsam::bench
