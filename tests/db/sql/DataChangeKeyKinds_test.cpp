// Random UPDATE, DELETE and INSERT ... SELECT statements beside SQLite on tables whose secondary indexes
// are of every kind: a unique text key that ignores case, a descending compound key of text and float, a
// date key, a compound key that ignores case; with NULLs, repeated keys and memos in the changed rows. The
// rows are compared in key order every few statements and the tables checked whole (each index's entries
// against the records) at the end of each round.
#include "ChangeTestSupport.h"
#include "SqliteOracle.h"

#include "db/engine/DataTable.h"
#include "db/engine/TableVerify.h"

#include <algorithm>
#include <random>

namespace vorsam::test {
namespace {

struct TKindsRound {
    uint32_t Seed;
    int Rows, Statements;
    TBufferSizes Sizes;
    int Wide = 0;
};

class DataChangeKeyKindsTest : public TChangeTest {
protected:
    void Run(const TKindsRound& round) {
        SCOPED_TRACE("seed " + std::to_string(round.Seed) + ", " + std::to_string(round.Rows) + " rows");
        random_.seed(round.Seed);
        wide_ = round.Wide;
        session_.SetBufferSizes(round.Sizes);
        range_ = 4 * round.Rows;
        for (std::string t : {"R", "R2"}) {
            RunSql("CREATE TABLE " + t +
                   " (ID INTEGER, NAME CHAR(12), CITY CHAR(8), D DATE, F FLOAT, M MEMO" + Wide(" CHAR(250)") +
                   ", PRIMARY KEY (ID)); "
                   "CREATE UNIQUE NOCASE INDEX " +
                   t + "N ON " + t + " (NAME); CREATE DESC INDEX " + t + "C ON " + t + " (CITY, F); " +
                   "CREATE INDEX " + t + "D ON " + t + " (D); CREATE NOCASE INDEX " + t + "CD ON " + t +
                   " (CITY, D)");
            oracle_.Exec("CREATE TABLE " + t +
                         " (ID INTEGER PRIMARY KEY, NAME TEXT COLLATE NOCASE UNIQUE, CITY TEXT, D TEXT, F REAL, "
                         "M TEXT" + Wide(" TEXT") + ")");
        }
        std::string script;
        for (int i = 0; i < round.Rows; ++i) {
            int id = int((i * 7919L) % range_ + 1);
            script += "; INSERT INTO R (ID, NAME, CITY, D, F, M) VALUES (" + std::to_string(id) + ", " + NameOf(id) + ", " + City() + ", " +
                      Date() + ", " + Float() + ", " + Memo() + ")";
        }
        Both(script.substr(2));
        for (int i = 1; i <= round.Statements && !HasFailure(); ++i)
            if (Step(), i % 4 == 0) Compare();
        Compare();
        for (const char* t : {"R", "R2"})
            for (const std::string& problem : VerifyTable(Open(t)->Table()).Problems) ADD_FAILURE() << problem;
        Both("DROP TABLE R; DROP TABLE R2");
    }

protected:
    std::string Number(int low, int high) { return std::to_string(std::uniform_int_distribution(low, high)(random_)); }
    bool Chance(int percent) { return int(random_() % 100) < percent; }
    // Unique ignoring case: the case of the letters is drawn, the rest comes from the row's ID.
    std::string NameOf(int id) {
        std::string name = std::to_string(id);
        for (char c : std::string("nm")) name = char(Chance(50) ? c : c - 32) + name;
        return "'" + name + "'";
    }
    std::string City() {
        const char* cities[] = {"NULL", "'oslo'", "'Oslo'", "'OSLO'", "'bergen'", "'Bergen'", "'aa'"};
        return cities[random_() % 7];
    }
    std::string Date() { return Chance(10) ? "NULL" : "'20" + Number(10, 12) + "-0" + Number(1, 9) + "-1" + Number(0, 9) + "'"; }
    std::string Float() { return Chance(10) ? "NULL" : Number(-20, 20) + ".5"; }
    std::string Memo() {
        if (Chance(30)) return "NULL";
        return "'" + std::string(std::uniform_int_distribution(1, Chance(10) ? 3000 : 40)(random_), char('a' + random_() % 26)) + "'";
    }
    void Both(const std::string& sql) {
        log_ += "\n  " + sql.substr(0, 200);
        RunSql(sql);
        oracle_.Exec(sql == "START TRANSACTION" ? "BEGIN" : sql);
    }
    std::string Condition() {
        std::string conditions[] = {"ID BETWEEN " + Number(1, range_) + " AND " + Number(1, range_),
                                    "CITY = " + City() + " OR F > " + Number(-20, 20),
                                    Chance(30) ? "D IS NULL" : "D < " + Date(),
                                    "F > " + Number(-20, 20) + " AND D IS NOT NULL",
                                    "ID IN (SELECT ID FROM R2 WHERE CITY = " + City() + ")"};
        return "(" + conditions[random_() % 5] + ")";
    }
    // The wide fields that make a record larger than the least caches: ", P1<type>, ..."
    std::string Wide(const std::string& type) const {
        std::string fields;
        for (int i = 1; i <= wide_; ++i) fields += ", P" + std::to_string(i) + type;
        return fields;
    }
    std::string Interval() { return Chance(25) ? " COMMIT INTERVAL " + Number(1, 300) : ""; }

    void Change(const std::string& sql) {
        log_ += "\n  " + sql;
        int32_t rows = 0;
        try {
            rows = RunSql(sql);
        } catch (const EVORSAMEngineError& e) {
            bool theirs = oracle_.TryExec(sql.substr(0, sql.find(" COMMIT INTERVAL")));
            FAIL() << e.what() << " (SQLite " << (theirs ? "took it" : "refused it") << ")" << log_;
        }
        oracle_.Exec(sql.substr(0, sql.find(" COMMIT INTERVAL")));
        EXPECT_EQ(rows, oracle_.Changes()) << sql;
    }

    void Step() {
        std::string where = Condition(), table = Chance(70) ? "R" : "R2";
        switch (random_() % 5) {
        case 0: // text, float, date and memo keys changed, repeated and made NULL
            return Change("UPDATE " + table + " SET CITY = " + City() + ", F = F + " + Number(-3, 3) +
                          (wide_ ? ", P" + Number(1, wide_) + " = NAME || '" + std::string(200 + random_() % 30, 'p') + "'" : "") +
                          ", D = " + Date() + ", M = " + Memo() + " WHERE " + where + Interval());
        case 1: // the unique key ignoring case: each row's name in another case (the same key) or moved
            return Change("UPDATE " + table + " SET NAME = " +
                          (Chance(50) ? std::string("'N' || NAME") : "'m' || NAME") + " WHERE " + where +
                          " AND NAME NOT LIKE '___________%'" + Interval());
        case 2:
            return Change("DELETE FROM " + table + " WHERE " + where + Interval());
        case 3: // a copy into R2, emptied first at times
            if (Chance(50)) Change("DELETE FROM R2");
            return Change("INSERT INTO R2 SELECT * FROM R WHERE " + where +
                          " AND ID NOT IN (SELECT ID FROM R2) AND NAME NOT IN (SELECT NAME FROM R2)" + Interval());
        default: { // rows of R copied into R itself with new IDs and names
            if (range_ > 500000000) return;
            int shift = range_ + int(random_() % range_);
            range_ += shift;
            return Change("INSERT INTO R SELECT ID + " + std::to_string(shift) + ", 'x' || NAME, CITY, D, F, M" + Wide("") + " FROM R WHERE " +
                          where + " AND NAME NOT LIKE '___________%' AND 'x' || NAME NOT IN (SELECT NAME FROM R)" + Interval());
        }
        }
    }

    void Compare(std::vector<std::string> tables = {"R", "R2"}) {
        for (const std::string& t : tables) {
            std::vector<TRowText> ours = Rows(t),
                                  theirs = oracle_.Rows(t == "M" ? "SELECT * FROM M ORDER BY ID"
                                                                 : "SELECT ID, NAME, CITY, D, F, CASE WHEN M IS NULL THEN 'NULL' "
                                                                   "ELSE 'blob:' || LENGTH(M) || ':' || M END" +
                                                                       Wide("") + " FROM " + t + " ORDER BY ID");
            auto [a, b] = std::mismatch(ours.begin(), ours.end(), theirs.begin(), theirs.end());
            EXPECT_TRUE(a == ours.end() && b == theirs.end())
                << t << " differs at " << (a - ours.begin()) << ": " << (a == ours.end() ? "end" : a->substr(0, 80))
                << " / " << (b == theirs.end() ? "end" : b->substr(0, 80)) << log_;
        }
        log_.clear();
    }

    TSqliteOracle oracle_;
    std::mt19937 random_;
    int range_ = 0;
    int wide_ = 0; // wide fields
    std::string log_;
};

TEST_F(DataChangeKeyKindsTest, ChangesOfEveryKeyKindLeaveTheTablesAsTheOracleDoes) {
    const TBufferSizes least = {.BufferSize = 4096, .IndexBufferSize = 8192, .ChangeBudget = 4096};
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        Run({seed, 3000, 60, least});
        Run({seed + 10, 3000, 60, {.ChangeBudget = 16384}});
        Run({seed + 20, 3000, 60, {.BufferSize = 64 << 20}});
        Run({seed + 30, 500, 40, least, 18}); // records larger than the caches
    }
}

// A table with an index on every field, unique ones among them, changed whole by each kind of statement.
TEST_F(DataChangeKeyKindsTest, ChangesOfATableWithManyIndexesKeepEveryIndexWithTheRecords) {
    const TBufferSizes sizes[] = {{.BufferSize = 4096, .IndexBufferSize = 8192, .ChangeBudget = 4096},
                                  {.BufferSize = 64 << 20}};
    for (const TBufferSizes& size : sizes) {
        session_.SetBufferSizes(size);
        std::string fields = "ID INTEGER", theirs = "ID INTEGER PRIMARY KEY", script;
        for (char f = 'A'; f <= 'L'; ++f) {
            fields += std::string(", ") + f + (f % 3 ? " INTEGER" : " CHAR(10)");
            theirs += std::string(", ") + f + (f % 3 ? " INTEGER" : " TEXT") + (f == 'A' ? " UNIQUE" : "");
        }
        RunSql("CREATE TABLE M (" + fields + ", PRIMARY KEY (ID))");
        oracle_.Exec("CREATE TABLE M (" + theirs + ")");
        for (char f = 'A'; f <= 'L'; ++f)
            RunSql(std::string("CREATE ") + (f == 'A' ? "UNIQUE " : f % 2 ? "DESC " : "") + "INDEX M" + f + " ON M (" +
                   f + (f > 'B' ? std::string(", ") + char(f - 1) : "") + ")");
        for (int id = 1; id <= 8000; ++id) {
            std::string values = std::to_string(id);
            for (char f = 'A'; f <= 'L'; ++f)
                values += ", " + (f == 'A' ? std::to_string(id) : id % (f - 'A' + 3) == 0 ? "NULL"
                                                            : f % 3 ? std::to_string(id % (f * 7))
                                                                    : "'v" + std::to_string(id % f) + "'");
            script += "; INSERT INTO M VALUES (" + values + ")";
        }
        Both(script.substr(2));
        for (const char* sql : {"UPDATE M SET A = A + 100000, B = B || 'x', C = D, D = C, E = NULL, F = G WHERE ID < 7000",
                                "UPDATE M SET G = I, I = G, H = H || 'y', J = A, K = NULL, L = C COMMIT INTERVAL 333",
                                "DELETE FROM M WHERE C > 40 OR D IS NULL",
                                "INSERT INTO M SELECT ID + 10000, A + 1000000, B, C, D, E, F, G, H, I, J, K, L FROM M",
                                "UPDATE M SET A = A + 2000000, C = C + 1, E = 'z' || E WHERE ID > 3000",
                                "DELETE FROM M WHERE ID > 5000 COMMIT INTERVAL 100"}) {
            Change(sql);
            Compare({"M"});
        }
        for (const std::string& problem : VerifyTable(Open("M")->Table()).Problems) ADD_FAILURE() << problem;
        Both("DROP TABLE M");
    }
}

} // namespace
} // namespace vorsam::test
