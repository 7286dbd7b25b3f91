// The tables the SQL benchmarks read, ours and SQLite's with the same rows, built once per program in a
// folder of the program's own scratch folder (BenchSupport.h): CUST (ID primary key, REGION 0-19, NAME
// CHAR(30)) of 10^4 rows, ORDERS (ID primary key, CUST 0-9,999 with the secondary index BYCUST, AMOUNT FLOAT
// 0-999.99) of 10^5 rows and ITEMS (ID primary key, NAME CHAR(20)) of 10^3 rows. Both sides keep their
// default caches (our session's, SQLite's 2 MiB) and write without a journal or syncing; SQLite's statistics
// are gathered (ANALYZE).
#pragma once

#include "bench/engine/BenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
#include "db/engine/TableDefinition.h"
#include "db/lib/DataTypes.h"
#include "db/lib/LibraryGlobals.h"

#include <cstdint>
#include <filesystem>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace vorsam::bench {

inline constexpr int CustRows = 10000;
inline constexpr int OrderRows = 100000;
inline constexpr int ItemRows = 1000;

class TSqlBenchData {
public:
    TSqlBenchData() {
        InitializeLibraryGlobals();
        folder_ = ScratchFolder() + "/select";
        std::filesystem::create_directories(folder_);
        session_.SetPrivateDirectory(folder_);
        database_ = &session_.OpenDataDirectory("", folder_);
        sqlite3_open((folder_ + "/oracle.db").c_str(), &sqlite_);
        sqlite3_exec(sqlite_, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr);
        Build();
    }
    ~TSqlBenchData() {
        sqlite3_close(sqlite_);
        session_.CloseDataDirectory(*database_);
        std::filesystem::remove_all(folder_);
    }
    TSqlBenchData(const TSqlBenchData&) = delete;
    TSqlBenchData& operator=(const TSqlBenchData&) = delete;

    TDataDirectory& Database() { return *database_; }
    TDataSession& Session() { return session_; }
    sqlite3* Sqlite() { return sqlite_; }
    const std::string& Folder() const { return folder_; }

private:
    static TFieldDescriptor Field(const char* name, uint8_t type, uint8_t size = 0) {
        TFieldDescriptor field;
        field.SetName(name);
        field.SetDataType(type);
        field.SetDeclaredSize(size);
        return field;
    }

    static TIndexDescriptor Index(const char* name, uint16_t field, bool unique) {
        TIndexDescriptor index;
        index.SetName(name);
        index.SetUnique(unique);
        index.SetFieldCount(1);
        index.SetFieldNumber(0, field);
        return index;
    }

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
        TCreateTableArgs items;
        items.Fields = {Field("ID", dtInteger), Field("NAME", dtString, 20)};
        LayOutFields(items.Fields);
        items.Indexes = {Index("", 1, true)};
        sqlite3_exec(sqlite_,
                     "CREATE TABLE CUST (ID INTEGER PRIMARY KEY, REGION INTEGER, NAME TEXT);"
                     "CREATE TABLE ORDERS (ID INTEGER PRIMARY KEY, CUST INTEGER, AMOUNT REAL);"
                     "CREATE TABLE ITEMS (ID INTEGER PRIMARY KEY, NAME TEXT);"
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
        Fill("ITEMS", items, ItemRows, "INSERT INTO ITEMS VALUES (?, ?)",
             [&](int id, auto put, sqlite3_stmt* s) {
                 std::string name = "Item " + std::to_string(id);
                 put(1, &id);
                 put(2, name.c_str());
                 sqlite3_bind_int(s, 1, id);
                 sqlite3_bind_text(s, 2, name.c_str(), -1, SQLITE_TRANSIENT);
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

inline TSqlBenchData& SqlData() {
    static TSqlBenchData data;
    return data;
}

} // namespace vorsam::bench
