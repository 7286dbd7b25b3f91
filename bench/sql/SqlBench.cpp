// SELECT statements of the SQL engine beside SQLite running the same statements on the same data in the
// same run: a full scan, a filtered scan (no index serves the filter), a filter an index serves, and a
// join of two tables on an indexed key with a filter on the outer table. Tables: CUST (ID primary key,
// REGION, NAME CHAR(30)) of 10^4 rows and ORDERS (ID primary key, CUST indexed, AMOUNT FLOAT) of 10^5
// rows, built once per program; each iteration runs the prepared statement and reads every result row.
#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
#include "db/engine/TableDefinition.h"
#include "db/lib/DataTypes.h"
#include "db/lib/LibraryGlobals.h"
#include "db/sql/QueryStatement.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <filesystem>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

using namespace vorsam;

constexpr int CustRows = 10000;
constexpr int OrderRows = 100000;

struct TQueryCase {
    const char* Ours;
    const char* Sqlite;
};

const TQueryCase Cases[] = {
    {"SELECT ID, CUST, AMOUNT FROM ORDERS", "SELECT ID, CUST, AMOUNT FROM ORDERS"},
    {"SELECT ID, AMOUNT FROM ORDERS WHERE AMOUNT > 900", "SELECT ID, AMOUNT FROM ORDERS WHERE AMOUNT > 900"},
    {"SELECT ID, AMOUNT FROM ORDERS WHERE CUST < 500", "SELECT ID, AMOUNT FROM ORDERS WHERE CUST < 500"},
    {"SELECT O.ID, C.NAME FROM CUST C, ORDERS O WHERE C.ID = O.CUST AND C.REGION = 3",
     "SELECT O.ID, C.NAME FROM CUST C, ORDERS O WHERE C.ID = O.CUST AND C.REGION = 3"},
    {"SELECT ID, CUST, AMOUNT FROM ORDERS WITH LOCKS", "SELECT ID, CUST, AMOUNT FROM ORDERS"},
    {"SELECT COUNT(*), SUM(AMOUNT) FROM ORDERS", "SELECT COUNT(*), SUM(AMOUNT) FROM ORDERS"},
};

TFieldDescriptor Field(const char* name, uint8_t type, uint8_t size = 0) {
    TFieldDescriptor field;
    field.SetName(name);
    field.SetDataType(type);
    field.SetDeclaredSize(size);
    return field;
}

TIndexDescriptor Index(const char* name, uint16_t field, bool unique) {
    TIndexDescriptor index;
    index.SetName(name);
    index.SetUnique(unique);
    index.SetFieldCount(1);
    index.SetFieldNumber(0, field);
    return index;
}

class TBenchData {
public:
    TBenchData() {
        InitializeLibraryGlobals();
        folder_ = (std::filesystem::temp_directory_path() / "dbsql-bench").string();
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        session_.SetPrivateDirectory(folder_);
        database_ = &session_.OpenDataDirectory("", folder_);
        sqlite3_open((folder_ + "/oracle.db").c_str(), &sqlite_);
        sqlite3_exec(sqlite_, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr);
        Build();
    }
    ~TBenchData() {
        sqlite3_close(sqlite_);
        session_.CloseDataDirectory(*database_);
        std::filesystem::remove_all(folder_);
    }

    TDataDirectory& Database() { return *database_; }
    sqlite3* Sqlite() { return sqlite_; }

private:
    void Build() {
        std::mt19937 random(7);
        TCreateTableArgs cust;
        cust.Fields = {Field("ID", dtInteger), Field("REGION", dtInteger), Field("NAME", dtString, 30)};
        LayOutFields(cust.Fields);
        cust.Indexes = {Index("", 1, true)};
        TCreateTableArgs orders;
        orders.Fields = {Field("ID", dtInteger), Field("CUST", dtInteger), Field("AMOUNT", dtFloat)};
        LayOutFields(orders.Fields);
        orders.Indexes = {Index("", 1, true), Index("BYCUST", 2, false)};
        orders.SecondaryCount = 1;
        sqlite3_exec(sqlite_,
                     "CREATE TABLE CUST (ID INTEGER PRIMARY KEY, REGION INTEGER, NAME TEXT);"
                     "CREATE TABLE ORDERS (ID INTEGER PRIMARY KEY, CUST INTEGER, AMOUNT REAL);"
                     "CREATE INDEX BYCUST ON ORDERS (CUST); BEGIN;",
                     nullptr, nullptr, nullptr);
        Fill("CUST", cust, CustRows, "INSERT INTO CUST VALUES (?, ?, ?)",
             [&](int id, auto put, sqlite3_stmt* s) {
                 int32_t region = int32_t(random() % 20);
                 std::string name = "Customer " + std::to_string(id);
                 put(1, &id);
                 put(2, &region);
                 put(3, name.c_str());
                 sqlite3_bind_int(s, 1, id);
                 sqlite3_bind_int(s, 2, region);
                 sqlite3_bind_text(s, 3, name.c_str(), -1, SQLITE_TRANSIENT);
             });
        Fill("ORDERS", orders, OrderRows, "INSERT INTO ORDERS VALUES (?, ?, ?)",
             [&](int id, auto put, sqlite3_stmt* s) {
                 int32_t customer = int32_t(random() % CustRows);
                 double amount = double(random() % 100000) / 100.0;
                 put(1, &id);
                 put(2, &customer);
                 put(3, &amount);
                 sqlite3_bind_int(s, 1, id);
                 sqlite3_bind_int(s, 2, customer);
                 sqlite3_bind_double(s, 3, amount);
             });
        sqlite3_exec(sqlite_, "COMMIT; ANALYZE;", nullptr, nullptr, nullptr);
    }

    template <typename Row>
    void Fill(const char* name, const TCreateTableArgs& args, int rows, const char* insert, Row row) {
        TDataCursor cursor(*database_);
        cursor.SetTableName(name);
        cursor.CreateTable(args);
        cursor.OpenCursor();
        std::vector<uint8_t> record(cursor.GetRecordSize());
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(sqlite_, insert, -1, &statement, nullptr);
        for (int id = 0; id < rows; ++id) {
            cursor.InitEmptyRecord(record);
            auto put = [&](uint16_t field, const void* value) {
                cursor.PutField(field, record, static_cast<const uint8_t*>(value));
            };
            row(id, put, statement);
            cursor.AppendRecord(record);
            sqlite3_step(statement);
            sqlite3_reset(statement);
        }
        sqlite3_finalize(statement);
    }

    std::string folder_;
    TDataSession session_;
    TDataDirectory* database_ = nullptr;
    sqlite3* sqlite_ = nullptr;
};

TBenchData& Data() {
    static TBenchData data;
    return data;
}

void Select_Ours(benchmark::State& state) {
    TQueryStatement statement(Data().Database());
    statement.Prepare(Cases[state.range(0)].Ours);
    int64_t rows = 0;
    for (auto _ : state) {
        TDataCursor* result = statement.Execute({}, false);
        std::vector<uint8_t> record(result->GetRecordSize());
        result->SetToBegin();
        rows = 0;
        while (result->GetNextRecord(record) == 0) ++rows;
    }
    state.counters["rows"] = double(rows);
}

void Select_Sqlite(benchmark::State& state) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(Data().Sqlite(), Cases[state.range(0)].Sqlite, -1, &statement, nullptr);
    int64_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int i = 0; i < sqlite3_column_count(statement); ++i)
                benchmark::DoNotOptimize(sqlite3_column_text(statement, i));
            ++rows;
        }
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    state.counters["rows"] = double(rows);
}

// Argument: 0 full scan, 1 filtered scan, 2 indexed filter, 3 join, 4 full scan WITH LOCKS (read levels
// held), 5 an aggregate over the whole table (no result rows written but one).
BENCHMARK(Select_Ours)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(Select_Sqlite)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

} // namespace

// The program's main is DataChangeBench.cpp's.
