// Random INSERT (VALUES, ... SELECT), UPDATE and DELETE statements on both engines, SQLite the oracle, on
// tables with a primary key, a unique and a non-unique index, in and out of transactions, with COMMIT
// INTERVAL, a small change budget, caches of every size and refused duplicate keys; the tables compared whole
// and in each index's order every few statements, the table check at the end. Key moves whose outcome depends
// on the order of the changes run alone in a transaction rolled back; a transaction in which COMMIT INTERVAL
// committed ends with COMMIT. CENTRPRG_CHANGES_SECONDS runs rounds that long on up to 10^5 rows, from
// CENTRPRG_CHANGES_SEED on, e.g. CENTRPRG_CHANGES_SECONDS=600 dbsql_tests --gtest_filter='DataChangeRandom*'
#include "ChangeTestSupport.h"
#include "SqliteOracle.h"

#include "db/engine/DataTable.h"
#include "db/engine/TableVerify.h"

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>

namespace vorsam::test {
namespace {

struct TRound {
    uint32_t Seed;
    int Rows, Statements;
    TBufferSizes Sizes;
};
const TBufferSizes LeastCaches = {.BufferSize = 4096, .IndexBufferSize = 8192, .ChangeBudget = 16384};
// Sets of a few hundred rows go past a record cache that holds the tables, letting its records go.
const TBufferSizes WholeCachesSmallBudget = {
    .BufferSize = 64 << 20, .RecordCacheLimit = 1 << 20, .ChangeBudget = 16384};

class DataChangeRandomTest : public TChangeTest {
protected:
    void Run(const TRound& round) {
        SCOPED_TRACE("seed " + std::to_string(round.Seed) + ", " + std::to_string(round.Rows) + " rows");
        random_.seed(round.Seed);
        session_.SetBufferSizes(round.Sizes);
        range_ = 4 * round.Rows;
        std::string script; // ID and K in random orders of their own
        for (int i = 0; i < round.Rows; ++i)
            script += "; INSERT INTO T VALUES (" + std::to_string((i * 7919L) % range_ + 1) + ", " +
                      std::to_string((i * 104729L) % range_ + 1) + ", " + Value() + ", " + Value() + ", " +
                      Name() + ")";
        for (std::string t : {"T", "T2"})
            Both("CREATE TABLE " + t +
                 " (ID INTEGER, K INTEGER, G INTEGER, A INTEGER, S CHAR(8), PRIMARY KEY (ID)); "
                 "CREATE UNIQUE INDEX " +
                 t + "K ON " + t + " (K); CREATE INDEX " + t + "G ON " + t + " (G, S)");
        Both(script.substr(2));
        for (int i = 1; i <= round.Statements && !HasFailure(); ++i)
            if (Step(), i % 4 == 0) Compare();
        if (inTransaction_) Both("COMMIT");
        inTransaction_ = committing_ = false;
        Compare();
        for (const char* t : {"T", "T2"})
            for (const std::string& problem : VerifyTable(Open(t)->Table()).Problems)
                ADD_FAILURE() << problem;
        Both("DROP TABLE T; DROP TABLE T2");
    }

private:
    std::string Number(int low, int high) {
        return std::to_string(std::uniform_int_distribution(low, high)(random_));
    }
    bool Chance(int percent) { return int(random_() % 100) < percent; }
    std::string Name() {
        return Chance(10) ? "NULL" : "'" + std::string(1, char('a' + random_() % 5)) + "na'";
    }
    std::string Value() { return Chance(10) ? "NULL" : Number(0, 20); }
    bool Held(const std::string& query) { return oracle_.Rows(query).front() != "0"; }
    void Both(const std::string& sql) {
        log_ += "\n  " + sql.substr(0, 200);
        RunSql(sql);
        oracle_.Exec(sql == "START TRANSACTION" ? "BEGIN" : sql);
    }
    std::string Condition() {
        std::string conditions[] = {"ID BETWEEN " + Number(1, range_) + " AND " + Number(1, range_),
                                    "K > " + Number(1, range_) + " AND A < " + Number(0, 20),
                                    Chance(20) ? "G IS NULL" : "G = " + Number(0, 20),
                                    "S LIKE '" + Name().substr(1, 1) + "%' OR ID < " + Number(1, range_),
                                    "ID IN (SELECT ID FROM T2 WHERE G = " + Number(0, 20) + ")"};
        return conditions[random_() % 5];
    }
    std::string Interval() {
        if (!Chance(25)) return "";
        committing_ = committing_ || inTransaction_;
        return " COMMIT INTERVAL " + Number(1, 500);
    }

    // Both engines refuse it (`refused`) or neither does, and report the same row count.
    void Change(const std::string& sql, bool refused) {
        log_ += "\n  " + sql;
        std::string theirs = sql.substr(0, sql.find(" COMMIT INTERVAL"));
        try {
            int32_t rows = RunSql(sql);
            EXPECT_TRUE(oracle_.TryExec(theirs) && !refused) << sql;
            EXPECT_EQ(rows, oracle_.Changes()) << sql;
        } catch (const EVORSAMEngineError& e) {
            EXPECT_TRUE(refused && e.ErrorCode == VORSAM_KEYVIOL && !oracle_.TryExec(theirs))
                << sql << e.what();
        }
    }
    // Keys moved, some (`clash`) onto keys held: alone in a transaction rolled back.
    void ChangeKeys(const std::string& sql, bool clash) {
        if (!clash) return Change(sql + Interval(), false);
        if (inTransaction_) return;
        Both("START TRANSACTION");
        uint16_t code = ErrorCodeOf([&] { RunSql(sql); });
        EXPECT_TRUE(code == 0 || code == VORSAM_KEYVIOL) << sql << code;
        oracle_.TryExec(sql);
        Both("ROLLBACK");
    }

    void Step() {
        if (!inTransaction_ && Chance(8)) {
            Both("START TRANSACTION");
            inTransaction_ = true;
        } else if (inTransaction_ && Chance(15)) {
            Both(committing_ || Chance(50) ? "COMMIT" : "ROLLBACK");
            inTransaction_ = committing_ = false;
        }
        std::string where = Condition(), shift = Number(-40, 40), id = Number(1, range_),
                    k = Number(1, range_);
        std::string column = Chance(50) ? "ID" : "K", table = Chance(70) ? "T" : "T2";
        switch (random_() % 6) {
        case 0:
            return Change("INSERT INTO T VALUES (" + id + ", " + k + ", 1, 2, " + Name() + ")",
                          Held("SELECT COUNT(*) FROM T WHERE ID = " + id + " OR K = " + k));
        case 1:
            return Change("UPDATE " + table + " SET A = A + " + shift + ", G = " + Value() +
                              ", S = " + Name() + " WHERE " + where + Interval(),
                          false);
        case 2:
            return ChangeKeys("UPDATE T SET " + column + " = " + column + " + " + shift + " WHERE " + where,
                              Held("SELECT COUNT(*) FROM T a WHERE " + where +
                                   " AND EXISTS (SELECT 1 FROM T b "
                                   "WHERE b." +
                                   column + " = a." + column + " + " + shift + ")"));
        case 3: // a few rows: the tables keep their size
            return Change("DELETE FROM " + table + " WHERE ID BETWEEN " + id + " AND " + id + " + " +
                              std::to_string(range_ / 16) + Interval(),
                          false);
        default: { // copies into T with both keys moved, or into T2 (emptied first, at times) as they are
            bool copy = Chance(60);
            if (copy && Chance(50)) Change("DELETE FROM T2", false);
            if (copy && Chance(30)) where = "ID = ID"; // every row (* read the table whole)
            std::string target = copy ? "T2" : "T", ids = copy ? "ID" : "ID + " + id,
                        ks = copy ? "K" : "K + " + k;
            return ChangeKeys(
                "INSERT INTO " + target + " SELECT " +
                    (where == "ID = ID" ? "* FROM T" : ids + ", " + ks + ", G, A, S FROM T WHERE " + where),
                Held("SELECT COUNT(*) FROM T a WHERE " + where + " AND EXISTS (SELECT 1 FROM " + target +
                     " b WHERE b.ID = a." + ids + " OR b.K = a." + ks + ")"));
        }
        }
    }

    // Both tables in key order, in K's order, and G and S in (G, S)'s order (the table check matches each
    // index's entries with the records).
    void Compare() {
        for (std::string t : {"T", "T2"}) {
            EXPECT_EQ(Rows(t), oracle_.Rows("SELECT * FROM " + t + " ORDER BY ID")) << t << log_;
            EXPECT_EQ(Rows(t, t + "K"), oracle_.Rows("SELECT * FROM " + t + " ORDER BY K")) << t << log_;
            std::vector<TRowText> keys;
            for (const TRowText& row : Rows(t, t + "G")) {
                size_t g = row.find('|', row.find('|') + 1) + 1;
                keys.push_back(row.substr(g, row.find('|', g) - g) + row.substr(row.rfind('|')));
            }
            EXPECT_EQ(keys, oracle_.Rows("SELECT G, S FROM " + t + " ORDER BY G, S")) << t << log_;
        }
        log_.clear();
    }

    TSqliteOracle oracle_;
    std::mt19937 random_;
    int range_ = 0; // keys are drawn from 1..range_
    bool inTransaction_ = false, committing_ = false;
    std::string log_; // the statements since the last comparison
};

TEST_F(DataChangeRandomTest, RandomChangesLeaveTheTablesAndTheirIndexesAsTheOracleDoes) {
    const char* seconds = std::getenv("CENTRPRG_CHANGES_SECONDS");
    if (!seconds) {
        Run({1, 2000, 150, LeastCaches});
        // A record cache that holds the tables: searches read its clean records from the file.
        Run({2, 5000, 60, {.BufferSize = 64 << 20}});
        return Run({3, 5000, 60, WholeCachesSmallBudget});
    }
    const char* seed = std::getenv("CENTRPRG_CHANGES_SEED");
    uint32_t next = seed ? uint32_t(std::atoll(seed)) : uint32_t(std::random_device()());
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(seconds));
    do {
        std::mt19937 draw(next);
        TRound round{next++, std::vector<int>{1000, 5000, 20000, 100000}[draw() % 4], 0, {}};
        round.Statements = std::max(30, 300000 / round.Rows);
        // The least caches write and spill all the time: a few thousand rows are enough for them.
        if (draw() % 2)
            round.Sizes = round.Rows <= 5000 ? LeastCaches : TBufferSizes{.BufferSize = 64 << 20};
        else if (draw() % 2)
            round.Sizes = WholeCachesSmallBudget;
        std::cout << "round of seed " << round.Seed << ", " << round.Rows << " rows" << std::endl;
        Run(round);
    } while (!HasFailure() && std::chrono::steady_clock::now() < end);
}

} // namespace
} // namespace vorsam::test
