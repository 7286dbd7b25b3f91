// What the dataset benchmark adds to BenchSupport.h: the table it measures, a 32-bit key K (field 1, a
// unique primary index), a 30-character string S (field 2) and a float F (field 3), and the calls of
// SQLite, the peer, that raise its failures.
#pragma once

#include "BenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"

#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <system_error>
#include <tuple>

namespace vorsam::bench {

// The dataset benchmark keeps its files in the shared scratch folder.
inline const std::string& Folder() {
    return ScratchFolder();
}

inline void SqliteExec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

inline sqlite3_stmt* SqlitePrepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    return statement;
}

} // namespace vorsam::bench
