// Statements on a table the session has used before, ours beside SQLite on the same rows in the same run,
// at 10^4, 10^5 and 10^6 rows, with the default caches on both sides (the second argument 0: ours the
// session's, SQLite 2 MiB) or caches that hold the whole table (1: WholeTableCaches, SQLite 64 MiB): each
// iteration parses and runs one statement from its text, as a program that sends statements one by one
// does.
//   Open01_EmptySelect      SELECT of a key no row has: what a statement costs beyond its rows
//   Open02_InsertStatement  one INSERT of one new row; the rows added are deleted after the run, untimed
// Table T (ID INTEGER key, A INTEGER, NAME CHAR(20)) of N rows on both sides; both write without syncing
// (SQLite without a journal).
#include "bench/engine/BenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/lib/LibraryGlobals.h"
#include "db/sql/QueryStatement.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
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
        TDataCursor cursor(*directory_);
        cursor.SetTableName("T");
        cursor.OpenCursor();
        std::vector<uint8_t> image(cursor.GetRecordSize());
        sqlite3_stmt* insert = Sqlite.Prepare("INSERT INTO T VALUES (?, ?, ?)");
        Sqlite.Exec("BEGIN");
        cursor.Table().LockTable();
        for (int64_t i = 0; i < rows; ++i) {
            int32_t id = int32_t(i), a = int32_t(i % 1000);
            std::string name = "name " + std::to_string(i);
            cursor.InitEmptyRecord(image);
            cursor.PutField(1, image, reinterpret_cast<const uint8_t*>(&id));
            cursor.PutField(2, image, reinterpret_cast<const uint8_t*>(&a));
            cursor.PutField(3, image, reinterpret_cast<const uint8_t*>(name.c_str()));
            cursor.AppendRecord(image);
            sqlite3_bind_int(insert, 1, id);
            sqlite3_bind_int(insert, 2, a);
            sqlite3_bind_text(insert, 3, name.c_str(), -1, SQLITE_TRANSIENT);
            Sqlite.Step(insert);
        }
        cursor.Table().UnlockTable();
        cursor.CloseCursor();
        Sqlite.Exec("COMMIT");
    }
    ~TOpenTableData() { session_.CloseDataDirectory(*directory_); }
    TOpenTableData(const TOpenTableData&) = delete;
    TOpenTableData& operator=(const TOpenTableData&) = delete;

    int32_t Run(const std::string& sql) {
        TQueryStatement statement(*directory_);
        statement.Prepare(sql);
        TDataCursor* result = statement.Execute({}, false);
        return result ? int32_t(result->GetRecordCount()) : statement.RowsAffected;
    }

    const int64_t Rows;
    TSqliteFile Sqlite;

private:
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

#define OPEN_ROW(name)                                                                                       \
    BENCHMARK(name##_Ours)->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})->Unit(benchmark::kMicrosecond);  \
    BENCHMARK(name##_Sqlite)->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})->Unit(benchmark::kMicrosecond);

OPEN_ROW(Open01_EmptySelect)
OPEN_ROW(Open02_InsertStatement)

#undef OPEN_ROW

} // namespace
} // namespace vorsam::bench
