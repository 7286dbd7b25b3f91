// The tables of the statement-shape benchmarks (StatementShapesBench.cpp), ours and SQLite's with the same
// rows, built once per size (and, on our side, per cache setting) in the benchmarks' scratch folder:
//   O  (ID INTEGER key, CID INTEGER, PID INTEGER, AMOUNT FLOAT, NOTE CHAR(20)) of N rows; CID and PID have
//      no index; CID = i % (N/100), PID a fixed-seed draw below N/100, AMOUNT 0-999.99
//   C  (ID INTEGER key, CNAME CHAR(30), REGION INTEGER 0-19) of N/100 rows
//   P  (ID INTEGER key, PNAME CHAR(20)) of N/100 rows
//   X  (ID INTEGER key, W INTEGER) of N rows, ID = 0, 2, 4, ...: half of O's IDs find one
//   O2 (like O) empty, the target of copies and deletes; O3 a copy of O that updates change
//   H  (ID INTEGER key, HNAME CHAR(20), REGION INTEGER 0-19) of N/10 rows
//   L  (ID INTEGER key, HID INTEGER with an index of its own, QTY INTEGER, PRICE FLOAT) of N rows; HID a
//      fixed-seed draw below N/10: about ten rows of L per row of H, their records scattered over L
//   T  (ID INTEGER key, NAME CHAR(20) with an index of its own, CITY CHAR(20), SCORE INTEGER, BORN DATE) of
//      N rows appended in a fixed-seed shuffled order of their IDs, so that its records lie in no key's
//      order; NAME a fixed-seed draw of letters, CITY one of ten ("City 0" .. "City 9"), SCORE 0-999;
//      T2 and T3 like T (with the NAME index), the targets of copies, deletes and updates. Made at the
//      first use of a case that works on them (IndexedTables).
// Both sides write without syncing (SQLite without a journal); SQLite's statistics are gathered (ANALYZE).
#pragma once

#include "PairedAppend.h"

#include "bench/engine/BenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/lib/LibraryGlobals.h"
#include "db/sql/QueryStatement.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <utility>

namespace vorsam::bench {

// Each side's default caches (ours 16 KiB of records and of pages per index, SQLite 2 MiB), caches that hold
// every table, or the smallest (ours 4 KiB of records, of pages per index and of changes held, SQLite 16
// KiB).
enum TShapeCaches : int64_t { DefaultCaches = 0, WholeCaches = 1, SmallestCaches = 2 };

class TShapeDatabases {
public:
    TShapeDatabases(int64_t rows, TShapeCaches caches)
        : Sqlite("shapes-" + std::to_string(rows) + "-" + std::to_string(caches)), rows_(rows) {
        InitializeLibraryGlobals();
        if (caches == WholeCaches) session_.SetBufferSizes(WholeTableCaches());
        if (caches == SmallestCaches)
            session_.SetBufferSizes({.BufferSize = 4096, .IndexBufferSize = 8192, .ChangeBudget = 4096});
        std::string folder =
            ScratchFolder() + "/shapes-" + std::to_string(rows) + "-" + std::to_string(caches);
        std::filesystem::create_directories(folder);
        directory_ = &session_.OpenDataDirectory("", folder);
        const char* creates[] = {
            "CREATE TABLE O (ID INTEGER, CID INTEGER, PID INTEGER, AMOUNT FLOAT, NOTE CHAR(20), PRIMARY KEY "
            "(ID))",
            "CREATE TABLE C (ID INTEGER, CNAME CHAR(30), REGION INTEGER, PRIMARY KEY (ID))",
            "CREATE TABLE P (ID INTEGER, PNAME CHAR(20), PRIMARY KEY (ID))",
            "CREATE TABLE X (ID INTEGER, W INTEGER, PRIMARY KEY (ID))",
            "CREATE TABLE O2 (ID INTEGER, CID INTEGER, PID INTEGER, AMOUNT FLOAT, NOTE CHAR(20), PRIMARY KEY "
            "(ID))",
            "CREATE TABLE O3 (ID INTEGER, CID INTEGER, PID INTEGER, AMOUNT FLOAT, NOTE CHAR(20), PRIMARY KEY "
            "(ID))",
            "CREATE TABLE H (ID INTEGER, HNAME CHAR(20), REGION INTEGER, PRIMARY KEY (ID))",
            "CREATE TABLE L (ID INTEGER, HID INTEGER, QTY INTEGER, PRICE FLOAT, PRIMARY KEY (ID))",
            "CREATE INDEX LHID ON L (HID)"};
        for (const char* create : creates) {
            RunOurs(create);
            Sqlite.Exec(create);
        }
        Fill(rows);
        RunOurs("INSERT INTO O3 SELECT * FROM O");
        Sqlite.Exec("INSERT INTO O3 SELECT * FROM O");
        Sqlite.Exec("ANALYZE");
    }
    ~TShapeDatabases() { session_.CloseDataDirectory(*directory_); }
    TShapeDatabases(const TShapeDatabases&) = delete;
    TShapeDatabases& operator=(const TShapeDatabases&) = delete;

    TDataDirectory& Ours() { return *directory_; }
    // Makes T, T2 and T3 (above) on both sides, once.
    void IndexedTables() {
        if (indexed_) return;
        indexed_ = true;
        for (const char* table : {"T", "T2", "T3"}) {
            std::string create =
                std::string("CREATE TABLE ") + table +
                " (ID INTEGER, NAME CHAR(20), CITY CHAR(20), SCORE INTEGER, BORN DATE, PRIMARY "
                "KEY (ID))";
            std::string index = std::string("CREATE INDEX ") + table + "NAME ON " + table + " (NAME)";
            for (const std::string& sql : {create, index}) {
                RunOurs(sql);
                Sqlite.Exec(sql.c_str());
            }
        }
        FillIndexed();
        Sqlite.Exec("ANALYZE");
    }
    int32_t RunOurs(const std::string& sql) {
        TQueryStatement statement(*directory_);
        statement.Prepare(sql);
        statement.Execute({}, false);
        return statement.RowsAffected;
    }
    void SetSqliteCaches(TShapeCaches caches) {
        Sqlite.Exec(caches == WholeCaches      ? "PRAGMA cache_size=-65536"
                    : caches == SmallestCaches ? "PRAGMA cache_size=-16"
                                               : "PRAGMA cache_size=-2000");
    }

    TSqliteFile Sqlite;

private:
    void FillIndexed() {
        std::mt19937 random(23);
        std::vector<int32_t> ids(static_cast<size_t>(rows_));
        std::iota(ids.begin(), ids.end(), 0);
        std::shuffle(ids.begin(), ids.end(), random);
        Sqlite.Exec("BEGIN");
        Append("T", rows_, "INSERT INTO T VALUES (?, ?, ?, ?, ?)", [&](int64_t i, auto put, sqlite3_stmt* s) {
            int32_t id = ids[size_t(i)], score = int32_t(random() % 1000);
            int32_t born = 711858 + int32_t(random() % 18262); // 1950-01-01 and fifty years on
            std::string name(6 + random() % 12, ' ');
            for (size_t c = 0; c < name.size(); ++c)
                if (c != 5) name[c] = char((c == 0 || c == 6 ? 'A' : 'a') + random() % 26);
            std::string city = "City " + std::to_string(random() % 10);
            put(1, &id);
            put(2, name.c_str());
            put(3, city.c_str());
            put(4, &score);
            put(5, &born);
            sqlite3_bind_int(s, 1, id);
            sqlite3_bind_text(s, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(s, 3, city.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(s, 4, score);
            sqlite3_bind_int(s, 5, born);
        });
        Sqlite.Exec("COMMIT");
    }

    // Appends the rows alike to ours and SQLite's (PairedAppend.h).
    template <typename Put> void Append(const char* table, int64_t count, const char* insert, Put put) {
        AppendPaired(*directory_, Sqlite, table, count, insert, put);
    }

    void Fill(int64_t rows) {
        std::mt19937 random(17);
        int32_t small = int32_t(rows / 100);
        Sqlite.Exec("BEGIN");
        // A table of ID, a name "<prefix> <ID>" and REGION, a draw below 20.
        auto appendRegions = [&](const char* table, int64_t count, const char* insert, const char* prefix) {
            Append(table, count, insert, [&](int64_t i, auto put, sqlite3_stmt* s) {
                int32_t id = int32_t(i), region = int32_t(random() % 20);
                std::string name = prefix + std::to_string(i);
                put(1, &id);
                put(2, name.c_str());
                put(3, &region);
                sqlite3_bind_int(s, 1, id);
                sqlite3_bind_text(s, 2, name.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_int(s, 3, region);
            });
        };
        appendRegions("C", small, "INSERT INTO C VALUES (?, ?, ?)", "Customer ");
        Append("P", small, "INSERT INTO P VALUES (?, ?)", [&](int64_t i, auto put, sqlite3_stmt* s) {
            int32_t id = int32_t(i);
            std::string name = "Product " + std::to_string(i);
            put(1, &id);
            put(2, name.c_str());
            sqlite3_bind_int(s, 1, id);
            sqlite3_bind_text(s, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        });
        Append("O", rows, "INSERT INTO O VALUES (?, ?, ?, ?, ?)", [&](int64_t i, auto put, sqlite3_stmt* s) {
            int32_t id = int32_t(i), customer = int32_t(i % small), product = int32_t(random() % small);
            double amount = double(random() % 100000) / 100.0;
            std::string note = "note " + std::to_string(random() % 1000);
            put(1, &id);
            put(2, &customer);
            put(3, &product);
            put(4, &amount);
            put(5, note.c_str());
            sqlite3_bind_int(s, 1, id);
            sqlite3_bind_int(s, 2, customer);
            sqlite3_bind_int(s, 3, product);
            sqlite3_bind_double(s, 4, amount);
            sqlite3_bind_text(s, 5, note.c_str(), -1, SQLITE_TRANSIENT);
        });
        Append("X", rows, "INSERT INTO X VALUES (?, ?)", [&](int64_t i, auto put, sqlite3_stmt* s) {
            int32_t id = int32_t(2 * i), w = int32_t(random() % 1000);
            put(1, &id);
            put(2, &w);
            sqlite3_bind_int(s, 1, id);
            sqlite3_bind_int(s, 2, w);
        });
        int32_t headers = int32_t(rows / 10);
        appendRegions("H", headers, "INSERT INTO H VALUES (?, ?, ?)", "Header ");
        Append("L", rows, "INSERT INTO L VALUES (?, ?, ?, ?)", [&](int64_t i, auto put, sqlite3_stmt* s) {
            int32_t id = int32_t(i), header = int32_t(random() % headers), quantity = int32_t(random() % 50);
            double price = double(random() % 10000) / 100.0;
            put(1, &id);
            put(2, &header);
            put(3, &quantity);
            put(4, &price);
            sqlite3_bind_int(s, 1, id);
            sqlite3_bind_int(s, 2, header);
            sqlite3_bind_int(s, 3, quantity);
            sqlite3_bind_double(s, 4, price);
        });
        Sqlite.Exec("COMMIT");
    }

    int64_t rows_;
    bool indexed_ = false;
    TDataSession session_;
    TDataDirectory* directory_ = nullptr;
};

// The databases of that size and cache setting, built at the first use.
inline TShapeDatabases& ShapeDatabases(int64_t rows, TShapeCaches caches) {
    ScratchFolder(); // made before the databases, removed after them
    static std::map<std::pair<int64_t, TShapeCaches>, std::unique_ptr<TShapeDatabases>> databases;
    auto& slot = databases[{rows, caches}];
    if (!slot) slot = std::make_unique<TShapeDatabases>(rows, caches);
    return *slot;
}

} // namespace vorsam::bench
