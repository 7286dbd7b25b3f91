// Changes of many rows inside a transaction and with COMMIT INTERVAL, and the memory a copy of a whole table
// takes, ours beside SQLite on the same rows in the same run, at 10^4, 10^5 and 10^6 rows, each side with its
// default caches (ours 16 KiB of records and of pages per index with a 4 MiB budget of changes, SQLite 2
// MiB). Named Interval<NN>_<case>_<side>/<rows>/<journal>: the journal argument is SQLite's (0 MEMORY, 1
// DELETE, 2 WAL: the last two survive a crash, as ours does; synchronous OFF on both sides), ours runs with
// 0.
//   01_UpdateAlone          UPDATE of SCORE of every row of DP, the statement's own transaction
//   02_UpdateInTransaction  the same inside START TRANSACTION ... COMMIT (SQLite's BEGIN ... COMMIT)
//   03_UpdateInterval       the same with COMMIT INTERVAL 1000; SQLite the same rows 1,000 to a
//                           transaction, in key order (an UPDATE of a range of 1,000 keys per transaction)
//   04_DeleteHalfInterval   DELETE of half the rows of D3 (SCORE < 500) with COMMIT INTERVAL 1000; SQLite
//                           the same rows 1,000 to a transaction, in key order
//   05_DeleteHalfIntervalTextKey  the same on DP
//   06_UpdateCityAlone      UPDATE of the indexed CITY of every row of D3
//   07_UpdateCityInTransaction  the same inside START TRANSACTION ... COMMIT
//   08_CopyThreeIndexes     INSERT ... SELECT of every row of D3 into an empty copy
//   09_CopyTextKey          INSERT ... SELECT of every row of DP into an empty copy
// Tables, the same rows on both sides: DP (ID CHAR(12) key, NAME CHAR(20), CITY CHAR(20), SCORE INTEGER) of
// N rows appended in a fixed-seed shuffled order of their keys ("k" and ten digits), so that its records lie
// in no key's order; D3 (ID INTEGER key, NAME CHAR(20), CITY CHAR(20), SCORE INTEGER, BORN DATE) with an
// index on each of NAME, CITY and BORN, its records likewise shuffled; SCORE a draw of 0-999, CITY one of
// ten. The changes work on copies, filled (or emptied) before each run, untimed. The counters: MiB, the
// most resident memory one more run of the statement, untimed, added; ours also spillMiB, the most disk
// the working files it held open took meanwhile.
#include "PairedAppend.h"
#include "StatementMemory.h"

#include "bench/engine/BenchSupport.h"

#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/lib/LibraryGlobals.h"
#include "db/sql/QueryStatement.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace vorsam::bench {
namespace {

constexpr int64_t IntervalRows = 1000;

std::string TextKey(int64_t id) {
    char key[24];
    std::snprintf(key, sizeof key, "k%010lld", static_cast<long long>(id));
    return key;
}

class TIntervalData {
public:
    explicit TIntervalData(int64_t rows) : Sqlite("interval-" + std::to_string(rows)), rows_(rows) {
        InitializeLibraryGlobals();
        folder_ = ScratchFolder() + "/interval-" + std::to_string(rows);
        std::filesystem::create_directories(folder_ + "/private");
        session_.SetPrivateDirectory(folder_ + "/private");
        directory_ = &session_.OpenDataDirectory("", folder_);
        Sqlite.Exec("PRAGMA cache_size=-2000");
        for (const char* table : {"DP", "DP2", "DPD", "DPE"}) {
            std::string create =
                std::string("CREATE TABLE ") + table +
                " (ID CHAR(12), NAME CHAR(20), CITY CHAR(20), SCORE INTEGER, PRIMARY KEY (ID))";
            RunOurs(create);
            Sqlite.Exec(create.c_str());
        }
        for (const char* table : {"D3", "D3C", "D3E"}) {
            std::string name = table;
            for (const std::string& sql : {"CREATE TABLE " + name +
                                               " (ID INTEGER, NAME CHAR(20), CITY CHAR(20), SCORE INTEGER, "
                                               "BORN DATE, PRIMARY KEY (ID))",
                                           "CREATE INDEX " + name + "NAME ON " + name + " (NAME)",
                                           "CREATE INDEX " + name + "CITY ON " + name + " (CITY)",
                                           "CREATE INDEX " + name + "BORN ON " + name + " (BORN)"}) {
                RunOurs(sql);
                Sqlite.Exec(sql.c_str());
            }
        }
        Fill();
        for (const char* sql : {"INSERT INTO DP2 SELECT * FROM DP"}) {
            RunOurs(sql);
            Sqlite.Exec(sql);
        }
        Sqlite.Exec("ANALYZE");
    }
    ~TIntervalData() { session_.CloseDataDirectory(*directory_); }
    TIntervalData(const TIntervalData&) = delete;
    TIntervalData& operator=(const TIntervalData&) = delete;

    int32_t RunOurs(const std::string& sql) {
        TQueryStatement statement(*directory_);
        statement.Prepare(sql);
        statement.Execute({}, false);
        return statement.RowsAffected;
    }
    TDataDirectory& Ours() { return *directory_; }
    int64_t Rows() const { return rows_; }
    // Key ranges of 1,000 rows each, in key order: of every row of DP, of the rows of DP and of D3 whose
    // SCORE is below 500.
    std::vector<std::pair<std::string, std::string>> TextRanges, TextHalfRanges;
    std::vector<std::pair<int32_t, int32_t>> HalfRanges;
    int64_t TextHalfRows = 0, HalfRows = 0;
    TSqliteFile Sqlite;

private:
    void Fill() {
        std::mt19937 random(31);
        std::vector<int32_t> ids(static_cast<size_t>(rows_));
        std::iota(ids.begin(), ids.end(), 0);
        std::shuffle(ids.begin(), ids.end(), random);
        std::vector<int32_t> dpScores(ids.size()), d3Scores(ids.size());
        Sqlite.Exec("BEGIN");
        auto name = [&] {
            std::string text(6 + random() % 12, ' ');
            for (size_t c = 0; c < text.size(); ++c)
                if (c != 5) text[c] = char((c == 0 || c == 6 ? 'A' : 'a') + random() % 26);
            return text;
        };
        AppendPaired(*directory_, Sqlite, "DP", rows_, "INSERT INTO DP VALUES (?, ?, ?, ?)",
                     [&](int64_t i, auto put, sqlite3_stmt* s) {
                         int32_t id = ids[size_t(i)], score = int32_t(random() % 1000);
                         dpScores[size_t(id)] = score;
                         std::string key = TextKey(id), text = name(),
                                     city = "City " + std::to_string(random() % 10);
                         put(1, key.c_str());
                         put(2, text.c_str());
                         put(3, city.c_str());
                         put(4, &score);
                         sqlite3_bind_text(s, 1, key.c_str(), -1, SQLITE_TRANSIENT);
                         sqlite3_bind_text(s, 2, text.c_str(), -1, SQLITE_TRANSIENT);
                         sqlite3_bind_text(s, 3, city.c_str(), -1, SQLITE_TRANSIENT);
                         sqlite3_bind_int(s, 4, score);
                     });
        std::shuffle(ids.begin(), ids.end(), random);
        AppendPaired(*directory_, Sqlite, "D3", rows_, "INSERT INTO D3 VALUES (?, ?, ?, ?, ?)",
                     [&](int64_t i, auto put, sqlite3_stmt* s) {
                         int32_t id = ids[size_t(i)], score = int32_t(random() % 1000);
                         int32_t born = 711858 + int32_t(random() % 18262);
                         d3Scores[size_t(id)] = score;
                         std::string text = name(), city = "City " + std::to_string(random() % 10);
                         put(1, &id);
                         put(2, text.c_str());
                         put(3, city.c_str());
                         put(4, &score);
                         put(5, &born);
                         sqlite3_bind_int(s, 1, id);
                         sqlite3_bind_text(s, 2, text.c_str(), -1, SQLITE_TRANSIENT);
                         sqlite3_bind_text(s, 3, city.c_str(), -1, SQLITE_TRANSIENT);
                         sqlite3_bind_int(s, 4, score);
                         sqlite3_bind_int(s, 5, born);
                     });
        Sqlite.Exec("COMMIT");
        // The keys in key order (the text keys' order is their numbers'), cut into ranges of 1,000 rows.
        for (int64_t first = 0; first < rows_; first += IntervalRows)
            TextRanges.emplace_back(TextKey(first), TextKey(std::min(first + IntervalRows, rows_) - 1));
        auto halves = [&](const std::vector<int32_t>& scores, auto add) {
            int64_t count = 0, start = -1;
            for (int32_t id = 0; id < int32_t(rows_); ++id) {
                if (scores[size_t(id)] >= 500) continue;
                if (start < 0) start = id;
                if (++count % IntervalRows == 0) add(start, id), start = -1;
            }
            if (start >= 0) add(start, int32_t(rows_ - 1));
            return count;
        };
        TextHalfRows = halves(
            dpScores, [&](int64_t a, int64_t b) { TextHalfRanges.emplace_back(TextKey(a), TextKey(b)); });
        HalfRows =
            halves(d3Scores, [&](int64_t a, int64_t b) { HalfRanges.emplace_back(int32_t(a), int32_t(b)); });
    }

    TDataSession session_;
    TDataDirectory* directory_ = nullptr;
    std::string folder_;
    int64_t rows_;
};

TIntervalData& Data(int64_t rows) {
    ScratchFolder(); // made before the tables, removed after them
    static std::map<int64_t, std::unique_ptr<TIntervalData>> data;
    auto& slot = data[rows];
    if (!slot) slot = std::make_unique<TIntervalData>(rows);
    return *slot;
}

struct TIntervalCase {
    const char* Name;
    // Ours: statements run in turn, the last one's row count checked.
    std::vector<const char*> Ours;
    // SQLite: a run of its own (BEGIN/COMMIT included); returns the rows it changed.
    std::function<int64_t(TIntervalData&)> Sqlite;
    std::function<int64_t(const TIntervalData&)> Rows;
    // The table filled from its original, or emptied, before each run, untimed.
    const char* Prepared = nullptr;
    const char* Original = nullptr;
};

int64_t Changes(TIntervalData& data) {
    return sqlite3_changes(data.Sqlite.Handle());
}

int64_t SqliteOnce(TIntervalData& data, const char* sql) {
    data.Sqlite.Exec(sql);
    return Changes(data);
}

int64_t SqliteInOneTransaction(TIntervalData& data, const char* sql) {
    data.Sqlite.Exec("BEGIN");
    data.Sqlite.Exec(sql);
    int64_t rows = Changes(data);
    data.Sqlite.Exec("COMMIT");
    return rows;
}

// The statement over each range of keys, one transaction each.
template <typename Range, typename Bind>
int64_t SqliteByRanges(TIntervalData& data, const char* sql, const std::vector<Range>& ranges, Bind bind) {
    sqlite3_stmt* statement = nullptr;
    Check(sqlite3_prepare_v2(data.Sqlite.Handle(), sql, -1, &statement, nullptr) == SQLITE_OK, sql);
    int64_t rows = 0;
    for (const Range& range : ranges) {
        data.Sqlite.Exec("BEGIN");
        bind(statement, range);
        Check(sqlite3_step(statement) == SQLITE_DONE, sql);
        sqlite3_reset(statement);
        rows += Changes(data);
        data.Sqlite.Exec("COMMIT");
    }
    sqlite3_finalize(statement);
    return rows;
}

void BindTexts(sqlite3_stmt* statement, const std::pair<std::string, std::string>& range) {
    sqlite3_bind_text(statement, 1, range.first.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(statement, 2, range.second.c_str(), -1, SQLITE_STATIC);
}

void BindNumbers(sqlite3_stmt* statement, const std::pair<int32_t, int32_t>& range) {
    sqlite3_bind_int(statement, 1, range.first);
    sqlite3_bind_int(statement, 2, range.second);
}

int64_t All(const TIntervalData& data) {
    return data.Rows();
}

const TIntervalCase Cases[] = {
    {"01_UpdateAlone",
     {"UPDATE DP2 SET SCORE = SCORE + 1"},
     [](TIntervalData& d) { return SqliteOnce(d, "UPDATE DP2 SET SCORE = SCORE + 1"); },
     All},
    {"02_UpdateInTransaction",
     {"START TRANSACTION", "UPDATE DP2 SET SCORE = SCORE + 1", "COMMIT"},
     [](TIntervalData& d) { return SqliteInOneTransaction(d, "UPDATE DP2 SET SCORE = SCORE + 1"); },
     All},
    {"03_UpdateInterval",
     {"UPDATE DP2 SET SCORE = SCORE + 1 COMMIT INTERVAL 1000"},
     [](TIntervalData& d) {
         return SqliteByRanges(d, "UPDATE DP2 SET SCORE = SCORE + 1 WHERE ID BETWEEN ? AND ?", d.TextRanges,
                               BindTexts);
     },
     All},
    {"04_DeleteHalfInterval",
     {"DELETE FROM D3C WHERE SCORE < 500 COMMIT INTERVAL 1000"},
     [](TIntervalData& d) {
         return SqliteByRanges(d, "DELETE FROM D3C WHERE ID BETWEEN ? AND ? AND SCORE < 500", d.HalfRanges,
                               BindNumbers);
     },
     [](const TIntervalData& d) { return d.HalfRows; },
     "D3C",
     "D3"},
    {"05_DeleteHalfIntervalTextKey",
     {"DELETE FROM DPD WHERE SCORE < 500 COMMIT INTERVAL 1000"},
     [](TIntervalData& d) {
         return SqliteByRanges(d, "DELETE FROM DPD WHERE ID BETWEEN ? AND ? AND SCORE < 500",
                               d.TextHalfRanges, BindTexts);
     },
     [](const TIntervalData& d) { return d.TextHalfRows; },
     "DPD",
     "DP"},
    {"06_UpdateCityAlone",
     {"UPDATE D3C SET CITY = 'x' || CITY"},
     [](TIntervalData& d) { return SqliteOnce(d, "UPDATE D3C SET CITY = 'x' || CITY"); },
     All,
     "D3C",
     "D3"},
    {"07_UpdateCityInTransaction",
     {"START TRANSACTION", "UPDATE D3C SET CITY = 'x' || CITY", "COMMIT"},
     [](TIntervalData& d) { return SqliteInOneTransaction(d, "UPDATE D3C SET CITY = 'x' || CITY"); },
     All,
     "D3C",
     "D3"},
    {"08_CopyThreeIndexes",
     {"INSERT INTO D3E SELECT * FROM D3"},
     [](TIntervalData& d) { return SqliteOnce(d, "INSERT INTO D3E SELECT * FROM D3"); },
     All,
     "D3E"},
    {"09_CopyTextKey",
     {"INSERT INTO DPE SELECT * FROM DP"},
     [](TIntervalData& d) { return SqliteOnce(d, "INSERT INTO DPE SELECT * FROM DP"); },
     All,
     "DPE"},
};

// The copy the case works on, made ready untimed.
void Prepare(TIntervalData& data, const TIntervalCase& shape, bool ours) {
    if (!shape.Prepared) return;
    std::string empty = std::string("DELETE FROM ") + shape.Prepared;
    std::string fill = shape.Original
                           ? std::string("INSERT INTO ") + shape.Prepared + " SELECT * FROM " + shape.Original
                           : std::string();
    if (ours) {
        data.RunOurs(empty);
        if (!fill.empty()) data.RunOurs(fill);
    } else {
        data.Sqlite.Exec(empty.c_str());
        if (!fill.empty()) data.Sqlite.Exec(fill.c_str());
    }
}

const char* JournalMode(int64_t mode) {
    return mode == 1   ? "PRAGMA journal_mode=DELETE"
           : mode == 2 ? "PRAGMA journal_mode=WAL"
                       : "PRAGMA journal_mode=MEMORY";
}

int64_t RunOursOnce(std::vector<std::unique_ptr<TQueryStatement>>& statements) {
    for (auto& statement : statements) statement->Execute({}, false);
    return statements.back()->RowsAffected;
}

void RunOurs(benchmark::State& state, const TIntervalCase& shape) {
    TIntervalData& data = Data(state.range(0));
    std::vector<std::unique_ptr<TQueryStatement>> statements;
    for (const char* sql : shape.Ours) {
        statements.push_back(std::make_unique<TQueryStatement>(data.Ours()));
        statements.back()->Prepare(sql);
    }
    int64_t expected = shape.Rows(data), rows = 0;
    // The change counted is the one statement that changes rows.
    auto changed = [&] {
        rows = 0;
        for (auto& statement : statements) rows = std::max<int64_t>(rows, statement->RowsAffected);
        return rows;
    };
    for (auto _ : state) {
        state.PauseTiming();
        Prepare(data, shape, true);
        state.ResumeTiming();
        RunOursOnce(statements);
        Check(changed() == expected, shape.Ours.back());
    }
    state.counters["rows"] = double(rows);
    Prepare(data, shape, true);
    TStatementMemory memory;
    std::filesystem::path spill = data.Ours().Session().GetPrivateDirectory();
    TFolderPeak disk(spill.string());
    memory.Before();
    RunOursOnce(statements);
    memory.After();
    state.counters["MiB"] = memory.MiB();
    state.counters["spillMiB"] = disk.MiB();
}

void RunSqlite(benchmark::State& state, const TIntervalCase& shape) {
    TIntervalData& data = Data(state.range(0));
    data.Sqlite.Exec(JournalMode(state.range(1)));
    int64_t expected = shape.Rows(data), rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Prepare(data, shape, false);
        state.ResumeTiming();
        rows = shape.Sqlite(data);
        Check(rows == expected, shape.Name);
    }
    state.counters["rows"] = double(rows);
    Prepare(data, shape, false);
    TStatementMemory memory;
    memory.Before();
    shape.Sqlite(data);
    memory.After();
    state.counters["MiB"] = memory.MiB();
    data.Sqlite.Exec("PRAGMA journal_mode=MEMORY");
}

const bool Registered = [] {
    for (const TIntervalCase& shape : Cases) {
        for (bool ours : {true, false}) {
            std::string name = std::string("Interval") + shape.Name + (ours ? "_Ours" : "_Sqlite");
            auto* benchmark =
                benchmark::RegisterBenchmark(name.c_str(), [&shape, ours](benchmark::State& state) {
                    ours ? RunOurs(state, shape) : RunSqlite(state, shape);
                });
            for (int64_t n : {10000, 100000, 1000000})
                for (int64_t mode : {0, 1, 2})
                    if (!ours || mode == 0) benchmark->Args({n, mode});
            benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
        }
    }
    return true;
}();

} // namespace
} // namespace vorsam::bench
