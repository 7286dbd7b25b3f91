// What the engine's benchmarks beside SQLite share: checks of their results, the scratch folder of their
// files, the caches that hold a whole table on our side, and an SQLite database set up as our peer.
#pragma once

#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
#include "db/lib/DataTypes.h"

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace vorsam::bench {

// Results are checked so that neither side skips work.
inline void Check(bool condition, const char* what) {
    if (!condition) throw std::runtime_error(std::string("benchmark check failed: ") + what);
}

// A folder under the system's temporary folder for the benchmarks' files, removed at exit (after the
// tables the benchmarks keep in statics, which are made after it).
inline const std::string& ScratchFolder() {
    struct TFolder {
        std::string Path;
        ~TFolder() {
            std::error_code error;
            std::filesystem::remove_all(Path, error);
        }
    };
    static const TFolder folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "enginebench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
        return TFolder{pattern};
    }();
    return folder.Path;
}

// 64 MiB of records (at most 2^20 of them) and 32 MiB of pages per index: a whole table of 10^6 rows,
// as SQLite's page cache below holds it.
inline TBufferSizes WholeTableCaches() {
    TBufferSizes sizes;
    sizes.BufferSize = 64u << 20;
    sizes.RecordCacheLimit = 1u << 20;
    sizes.IndexBufferSize = 32u << 20;
    return sizes;
}

// An SQLite database file in the scratch folder, writing as ours does (no journal, no syncing), with a
// 64 MiB page cache and no memory mapping. Statements it prepares are finalized with it; the file is
// removed with it.
class TSqliteFile {
public:
    explicit TSqliteFile(const std::string& name) : file_(ScratchFolder() + "/" + name + ".sqlite") {
        std::filesystem::remove(file_);
        if (sqlite3_open(file_.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("sqlite3_open");
        for (const char* pragma : {"PRAGMA journal_mode=OFF", "PRAGMA synchronous=OFF",
                                   "PRAGMA cache_size=-65536", "PRAGMA mmap_size=0"})
            Exec(pragma);
    }
    ~TSqliteFile() {
        for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
        sqlite3_close(db_);
        std::filesystem::remove(file_);
    }
    TSqliteFile(const TSqliteFile&) = delete;
    TSqliteFile& operator=(const TSqliteFile&) = delete;

    sqlite3* Handle() const { return db_; }
    void Exec(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
    }
    sqlite3_stmt* Prepare(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        statements_.push_back(statement);
        return statement;
    }
    // Steps a statement that returns no rows and resets it.
    void Step(sqlite3_stmt* statement) {
        if (sqlite3_step(statement) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
        sqlite3_reset(statement);
    }

private:
    std::string file_;
    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> statements_;
};

// A table of the fields (name, type, declared size), the first the unique primary key.
inline TCreateTableArgs
KeyedTableArgs(std::initializer_list<std::tuple<const char*, TEngineDataType, int>> fields) {
    TCreateTableArgs args;
    for (auto [field, type, size] : fields) {
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

// The benchmark table: K integer (the unique primary key), a string (S of 30 unless named
// otherwise), F float.
inline TCreateTableArgs BenchTableArgs(const char* stringName = "S", int stringSize = 30) {
    return KeyedTableArgs({{"K", dtInteger, 0}, {stringName, dtString, stringSize}, {"F", dtFloat, 0}});
}

} // namespace vorsam::bench
