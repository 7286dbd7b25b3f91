// What the engine's benchmarks share: the table they measure, a 32-bit key K (field 1, a unique primary
// index), a 30-character string S (field 2) and a float F (field 3); the folder of their files; and the
// check that no side skipped work; and the calls of SQLite, the peer, that raise its failures.
#pragma once

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

inline void Check(bool condition, const char* what) {
    if (!condition) throw std::runtime_error(std::string("benchmark check failed: ") + what);
}

// The folder of the benchmarks' files, removed at exit. It is made before main (FolderAtStart), so that
// its removal runs after the tables kept in static objects of the benchmarks are gone; its name is never
// freed, so the removal still knows it.
inline const std::string& Folder() {
    static const std::string& folder = *[] {
        auto* pattern =
            new std::string((std::filesystem::temp_directory_path() / "enginebench-XXXXXX").string());
        if (!mkdtemp(pattern->data())) throw std::runtime_error("mkdtemp");
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Folder(), ignored);
        });
        return pattern;
    }();
    return folder;
}
inline const std::string& FolderAtStart = Folder();

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

inline TCreateTableArgs BenchTableArgs() {
    TCreateTableArgs args;
    for (auto [field, type, size] :
         {std::tuple{"K", dtInteger, 0}, std::tuple{"S", dtString, 30}, std::tuple{"F", dtFloat, 0}}) {
        TFieldDescriptor descriptor;
        descriptor.SetName(field);
        descriptor.SetDataType(type);
        descriptor.SetDeclaredSize(uint8_t(size));
        args.Fields.push_back(descriptor);
    }
    TIndexDescriptor primary;
    primary.SetUnique(true);
    primary.SetFieldCount(1);
    primary.SetFieldNumber(0, 1);
    args.Indexes.push_back(primary);
    return args;
}

} // namespace vorsam::bench
