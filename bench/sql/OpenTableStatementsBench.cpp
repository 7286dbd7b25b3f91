// Statements on a table the session has used before, ours beside SQLite on the same rows in the same run,
// at 10^4, 10^5 and 10^6 rows, with the default caches on both sides (the second argument 0: ours the
// session's, SQLite 2 MiB) or caches that hold the whole table (1: WholeTableCaches, SQLite 64 MiB): each
// iteration parses and runs one statement from its text, as a program that sends statements one by one
// does.
//   Open01_EmptySelect      SELECT of a key no row has: what a statement costs beyond its rows
//   Open02_InsertStatement  one INSERT of one new row; the rows added are deleted after the run, untimed
//   Open03_IndexedEquality  SELECT of the one row of S whose NAME is given, through S's index on NAME
//   Open04_IndexedJoinCount COUNT(*) of the rows of D that join, through D's index on SID, the row of S
//                           whose NAME is given (about ten)
// Table T (ID INTEGER key, A INTEGER, NAME CHAR(20)) of N rows; S (ID INTEGER key, NAME CHAR(20) with an
// index of its own, CITY CHAR(20), SCORE INTEGER) of N rows appended in shuffled key order, NAME "name
// <ID>"; D (ID INTEGER key, SID INTEGER with an index of its own, QTY INTEGER) of N rows, SID a fixed-seed
// draw below N/10. The same rows on both sides; both write without syncing (SQLite without a journal).
#include "PairedAppend.h"

#include "bench/engine/BenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/LibraryGlobals.h"
#include "db/sql/QueryStatement.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <sqlite3.h>
#include <string>

namespace vorsam::bench {
namespace {

class TOpenTableData {
public:
    TOpenTableData(int64_t rows, bool wholeTables)
        : Rows(rows), Sqlite("open-" + std::to_string(rows) + "-" + std::to_string(wholeTables)) {
        InitializeLibraryGlobals();
        std::string folder =
            ScratchFolder() + "/open-" + std::to_string(rows) + "-" + std::to_string(wholeTables);
        std::filesystem::create_directories(folder);
        if (wholeTables) session_.SetBufferSizes(WholeTableCaches());
        Sqlite.Exec(wholeTables ? "PRAGMA cache_size=-65536" : "PRAGMA cache_size=-2000");
        directory_ = &session_.OpenDataDirectory("", folder);
        const char* create = "CREATE TABLE T (ID INTEGER, A INTEGER, NAME CHAR(20), PRIMARY KEY (ID))";
        Run(create);
        Sqlite.Exec(create);
        Append("T", "INSERT INTO T VALUES (?, ?, ?)", [&](int64_t i, auto put, sqlite3_stmt* s) {
            int32_t id = int32_t(i), a = int32_t(i % 1000);
            std::string name = "name " + std::to_string(i);
            put(1, &id);
            put(2, &a);
            put(3, name.c_str());
            sqlite3_bind_int(s, 1, id);
            sqlite3_bind_int(s, 2, a);
            sqlite3_bind_text(s, 3, name.c_str(), -1, SQLITE_TRANSIENT);
        });
        FillIndexedTables();
    }
    ~TOpenTableData() { session_.CloseDataDirectory(*directory_); }
    TOpenTableData(const TOpenTableData&) = delete;
    TOpenTableData& operator=(const TOpenTableData&) = delete;

    // Not inlined, so that a profile can take the statements alone (`--toggle-collect=*TOpenTableData::Run*`
    // of callgrind).
    [[gnu::noinline]] int32_t Run(const std::string& sql) {
        TQueryStatement statement(*directory_);
        statement.Prepare(sql);
        TDataCursor* result = statement.Execute({}, false);
        return result ? int32_t(result->GetRecordCount()) : statement.RowsAffected;
    }
    // The single value of a statement that gives one row of one integer column.
    int64_t Value(const std::string& sql) {
        TQueryStatement statement(*directory_);
        statement.Prepare(sql);
        TDataCursor* result = statement.Execute({}, false);
        Check(result && result->GetRecordCount() == 1, "one row");
        std::vector<uint8_t> image(result->GetRecordSize());
        result->SetToBegin();
        Check(result->GetNextRecord(image) == 0, "its row read");
        bool isNull = false;
        uint8_t value[8] = {};
        result->GetField(1, image, isNull, value);
        TFieldDescriptor field;
        result->GetFieldDesc(1, field);
        return field.DataType() == dtInteger ? LoadNative<int32_t>(value) : LoadNative<int64_t>(value);
    }

    const int64_t Rows;
    TSqliteFile Sqlite;

private:
    // S and D with their indexes, the same rows on both sides.
    void FillIndexedTables() {
        const char* creates[] = {
            "CREATE TABLE S (ID INTEGER, NAME CHAR(20), CITY CHAR(20), SCORE INTEGER, PRIMARY KEY (ID))",
            "CREATE INDEX SNAME ON S (NAME)",
            "CREATE TABLE D (ID INTEGER, SID INTEGER, QTY INTEGER, PRIMARY KEY (ID))",
            "CREATE INDEX DSID ON D (SID)"};
        for (const char* create : creates) {
            Run(create);
            Sqlite.Exec(create);
        }
        std::vector<int32_t> order(static_cast<size_t>(Rows));
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), std::mt19937(37));
        std::mt19937 random(41);
        Append("S", "INSERT INTO S VALUES (?, ?, ?, ?)", [&](int64_t i, auto put, sqlite3_stmt* s) {
            int32_t id = order[size_t(i)], score = int32_t(random() % 1000);
            std::string name = "name " + std::to_string(id), city = "city " + std::to_string(id % 97);
            put(1, &id);
            put(2, name.c_str());
            put(3, city.c_str());
            put(4, &score);
            sqlite3_bind_int(s, 1, id);
            sqlite3_bind_text(s, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(s, 3, city.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(s, 4, score);
        });
        Append("D", "INSERT INTO D VALUES (?, ?, ?)", [&](int64_t i, auto put, sqlite3_stmt* s) {
            int32_t id = int32_t(i), sid = int32_t(random() % uint32_t(Rows / 10)),
                    quantity = int32_t(i % 50);
            put(1, &id);
            put(2, &sid);
            put(3, &quantity);
            sqlite3_bind_int(s, 1, id);
            sqlite3_bind_int(s, 2, sid);
            sqlite3_bind_int(s, 3, quantity);
        });
        Sqlite.Exec("ANALYZE");
    }

    // Appends N rows alike to ours and SQLite's (PairedAppend.h), in one transaction on SQLite's side.
    template <typename Put> void Append(const char* table, const char* insert, Put put) {
        Sqlite.Exec("BEGIN");
        AppendPaired(*directory_, Sqlite, table, Rows, insert, put);
        Sqlite.Exec("COMMIT");
    }

    TDataSession session_;
    TDataDirectory* directory_ = nullptr;
};

TOpenTableData& OpenTableData(const benchmark::State& state) {
    ScratchFolder(); // made before the tables, removed after them
    static std::map<std::pair<int64_t, bool>, std::unique_ptr<TOpenTableData>> tables;
    auto& slot = tables[{state.range(0), state.range(1) != 0}];
    if (!slot) slot = std::make_unique<TOpenTableData>(state.range(0), state.range(1) != 0);
    return *slot;
}

constexpr const char* EmptySelect = "SELECT ID, A, NAME FROM T WHERE ID = -1";

std::string InsertOf(int64_t id) {
    return "INSERT INTO T VALUES (" + std::to_string(id) + ", 7, 'added " + std::to_string(id) + "')";
}

int SqliteRows(sqlite3* sqlite, const std::string& sql) {
    int rows = 0;
    auto count = [](void* counter, int, char**, char**) {
        ++*static_cast<int*>(counter);
        return 0;
    };
    if (sqlite3_exec(sqlite, sql.c_str(), count, &rows, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(sqlite));
    return rows;
}

void Open01_EmptySelect_Ours(benchmark::State& state) {
    TOpenTableData& data = OpenTableData(state);
    data.Run(EmptySelect);
    for (auto _ : state) Check(data.Run(EmptySelect) == 0, "the SELECT returns nothing");
}
void Open01_EmptySelect_Sqlite(benchmark::State& state) {
    TOpenTableData& data = OpenTableData(state);
    for (auto _ : state)
        Check(SqliteRows(data.Sqlite.Handle(), EmptySelect) == 0, "the SELECT returns nothing");
}

void Open02_InsertStatement_Ours(benchmark::State& state) {
    TOpenTableData& data = OpenTableData(state);
    int64_t id = data.Rows;
    for (auto _ : state) Check(data.Run(InsertOf(id++)) == 1, "one row inserted");
    Check(data.Run("DELETE FROM T WHERE ID >= " + std::to_string(data.Rows)) == int32_t(id - data.Rows),
          "the rows added deleted");
}
void Open02_InsertStatement_Sqlite(benchmark::State& state) {
    TOpenTableData& data = OpenTableData(state);
    int64_t id = data.Rows;
    for (auto _ : state) {
        data.Sqlite.Exec(InsertOf(id++).c_str());
        Check(sqlite3_changes(data.Sqlite.Handle()) == 1, "one row inserted");
    }
    data.Sqlite.Exec(("DELETE FROM T WHERE ID >= " + std::to_string(data.Rows)).c_str());
}

// NAME of a row of S whose ID is below N/10 in every size, so that rows of D join it.
constexpr const char* IndexedEquality = "SELECT ID, NAME, CITY, SCORE FROM S WHERE NAME = 'name 471'";
constexpr const char* IndexedJoinCount =
    "SELECT COUNT(*) FROM S INNER JOIN D ON D.SID = S.ID WHERE S.NAME = 'name 471'";

// The single value of a statement that gives one row of one column, SQLite's.
int64_t SqliteValue(sqlite3* sqlite, const char* sql) {
    int64_t value = -1;
    auto keep = [](void* into, int, char** values, char**) {
        *static_cast<int64_t*>(into) = std::stoll(values[0]);
        return 0;
    };
    if (sqlite3_exec(sqlite, sql, keep, &value, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(sqlite));
    return value;
}

void Open03_IndexedEquality_Ours(benchmark::State& state) {
    TOpenTableData& data = OpenTableData(state);
    data.Run(IndexedEquality);
    for (auto _ : state) Check(data.Run(IndexedEquality) == 1, "the SELECT finds its row");
}
void Open03_IndexedEquality_Sqlite(benchmark::State& state) {
    TOpenTableData& data = OpenTableData(state);
    for (auto _ : state)
        Check(SqliteRows(data.Sqlite.Handle(), IndexedEquality) == 1, "the SELECT finds its row");
}

void Open04_IndexedJoinCount_Ours(benchmark::State& state) {
    TOpenTableData& data = OpenTableData(state);
    const int64_t expected = SqliteValue(data.Sqlite.Handle(), IndexedJoinCount);
    Check(expected > 0 && data.Value(IndexedJoinCount) == expected, "the join counts SQLite's rows");
    for (auto _ : state) Check(data.Run(IndexedJoinCount) == 1, "the COUNT gives its row");
}
void Open04_IndexedJoinCount_Sqlite(benchmark::State& state) {
    TOpenTableData& data = OpenTableData(state);
    for (auto _ : state)
        Check(SqliteRows(data.Sqlite.Handle(), IndexedJoinCount) == 1, "the COUNT gives its row");
}

#define OPEN_ROW(name)                                                                                       \
    BENCHMARK(name##_Ours)->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})->Unit(benchmark::kMicrosecond);  \
    BENCHMARK(name##_Sqlite)->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})->Unit(benchmark::kMicrosecond);

OPEN_ROW(Open01_EmptySelect)
OPEN_ROW(Open02_InsertStatement)
OPEN_ROW(Open03_IndexedEquality)
OPEN_ROW(Open04_IndexedJoinCount)

#undef OPEN_ROW

} // namespace
} // namespace vorsam::bench
