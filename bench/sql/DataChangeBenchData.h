// The tables of the SQL data-change benchmarks, ours and SQLite's with the same rows: T of RowCount rows
// (integer key ID, two integers A and B, NAME CHAR(20)) and its empty copy C, in a folder of the shared
// scratch folder; whole-table caches on both sides (BenchSupport.h).
#pragma once

#include "bench/engine/BenchSupport.h"

#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/lib/LibraryGlobals.h"
#include "db/sql/QueryStatement.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace vorsam::bench {

inline constexpr int RowCount = 10000;

inline std::string InsertText(const char* table, int id) {
    return std::string("INSERT INTO ") + table + " VALUES (" + std::to_string(id) + ", " +
           std::to_string(id % 97) + ", " + std::to_string(id * 7 % 1000) + ", 'name " + std::to_string(id) +
           "')";
}

inline constexpr const char* CreateT =
    "CREATE TABLE T (ID INTEGER, A INTEGER, B INTEGER, NAME CHAR(20), PRIMARY KEY (ID))";
inline constexpr const char* CreateC =
    "CREATE TABLE C (ID INTEGER, A INTEGER, B INTEGER, NAME CHAR(20), PRIMARY KEY (ID))";

// Both databases with the table T of RowCount rows and an empty copy C.
struct TDatabases {
    TDataSession Session;
    TDataDirectory* Database = nullptr;
    TSqliteFile Sqlite{"datachange"};

    TDatabases() {
        InitializeLibraryGlobals();
        Session.SetBufferSizes(WholeTableCaches());
        std::string folder = ScratchFolder() + "/sql";
        std::filesystem::create_directories(folder);
        Database = &Session.OpenDataDirectory("", folder);
        for (const char* create : {CreateT, CreateC}) {
            Run(create);
            Sqlite.Exec(create);
        }
        Sqlite.Exec("BEGIN");
        for (int id = 1; id <= RowCount; ++id) {
            std::string insert = InsertText("T", id);
            Run(insert);
            Sqlite.Exec(insert.c_str());
        }
        Sqlite.Exec("COMMIT");
    }
    int32_t Run(const std::string& sql) {
        TQueryStatement statement(*Database);
        statement.Prepare(sql);
        statement.Execute({}, false);
        return statement.RowsAffected;
    }
};

inline TDatabases& Databases() {
    static TDatabases databases;
    return databases;
}

} // namespace vorsam::bench
