// UPDATE and INSERT ... SELECT of many rows that move unique keys onto keys other rows of the same
// statement hold or free, and that meet a refused key part-way: the rows are changed one by one in record
// order, so the outcome is the one a sorted vector gives when it changes them in that order; what a refused
// statement keeps is whole commit intervals (exactly multiples of COMMIT INTERVAL n when it is given).
#include "ChangeTestSupport.h"

#include "db/engine/DataTable.h"
#include "db/engine/TableVerify.h"

#include <algorithm>
#include <map>
#include <set>

namespace vorsam::test {
namespace {

struct TSizes {
    const char* Name;
    TBufferSizes Sizes;
};
const TSizes Caches[] = {{"least", {.BufferSize = 4096, .IndexBufferSize = 8192, .ChangeBudget = 4096}},
                         {"small", {.BufferSize = 16384, .ChangeBudget = 16384}},
                         {"default", {}},
                         {"large", {.BufferSize = 64 << 20}}};

// ID (record order = insertion order), K unique, G non-unique with NULLs, a text key unique ignoring case.
class KeyChangeSetsTest : public TChangeTest {
protected:
    // Rows ID 1..n with K = key(ID) and NAME 'nID'.
    template <typename F> void Fill(const std::string& table, int n, F key) {
        RunSql("CREATE TABLE " + table +
               " (ID INTEGER, K INTEGER, G INTEGER, NAME CHAR(12), B MEMO, PRIMARY KEY (ID)); "
               "CREATE UNIQUE INDEX " +
               table + "K ON " + table + " (K); CREATE DESC INDEX " + table + "G ON " + table +
               " (G, NAME); CREATE UNIQUE NOCASE INDEX " + table + "N ON " + table + " (NAME)");
        std::string script;
        for (int id = 1; id <= n; ++id) {
            script += "; INSERT INTO " + table + " (ID, K, G, NAME) VALUES (" + std::to_string(id) + ", " +
                      std::to_string(key(id)) + ", " + (id % 7 ? std::to_string(id % 13) : "NULL") +
                      ", 'n" + std::to_string(id) + "')";
            if (id % 2000 == 0 || id == n) RunSql(script.substr(2)), script.clear();
        }
        keys_.clear();
        for (int id = 1; id <= n; ++id) keys_[id] = key(id);
    }
    // The K of each row in ID order, as the table holds it, and the table checked whole.
    std::map<int, int> Keys(const std::string& table) {
        std::map<int, int> keys;
        for (const TRowText& row : Rows(table)) {
            size_t bar = row.find('|');
            keys[std::stoi(row.substr(0, bar))] = std::stoi(row.substr(bar + 1, row.find('|', bar + 1) - bar - 1));
        }
        for (const std::string& problem : VerifyTable(Open(table)->Table()).Problems) ADD_FAILURE() << problem;
        return keys;
    }
    // Changes rows whose ID is at most `last` in ID order to K + shift, one by one, as long as no other row
    // holds the new key; returns how many were changed before the refused one (-1: none refused).
    int Expected(int last, int shift, std::map<int, int>& keys) {
        std::set<int> held;
        for (auto [id, k] : keys) held.insert(k);
        for (auto& [id, k] : keys) {
            if (id > last) break;
            if (held.count(k + shift)) return id - 1;
            held.erase(k), held.insert(k += shift);
        }
        return -1;
    }
    std::map<int, int> keys_;
};

struct TShiftCase {
    const char* Name;
    int Rows, Shift, Interval; // Interval 0: the statement's own
    int (*Key)(int id);
    int Clash; // > 0: the row whose new key a row after the set holds
};

// UPDATE T SET K = K + shift WHERE ID <= rows: keys freed by earlier rows are taken by later ones; a key
// held by an earlier row not yet moved, or by a row outside the set, refuses the statement there.
const TShiftCase ShiftCases[] = {
    {"down_onto_freed_keys", 30000, -1, 0, [](int id) { return id + 1; }, 0},
    {"up_onto_freed_keys_in_reverse", 30000, 1, 0, [](int id) { return 40000 - id; }, 0},
    {"up_onto_held_key_at_first_row", 30000, 1, 0, [](int id) { return id; }, 0},
    {"up_onto_held_key_mid_set", 30000, 1, 500, [](int id) { return id < 20000 ? 2 * id : id + 20000; }, 0},
    {"far_clash_mid_set_interval_700", 30000, 100000, 700, [](int id) { return id; }, 21000},
    {"far_clash_mid_set_interval_1", 3000, 100000, 1, [](int id) { return id; }, 1234},
    {"far_clash_past_65536_rows", 70000, 1000000, 1000, [](int id) { return id; }, 66001},
    {"far_clash_mid_set_own_interval", 30000, 100000, 0, [](int id) { return id; }, 17000},
};

TEST_F(KeyChangeSetsTest, UniqueKeyShiftsChangeRowsOneByOneInRecordOrder) {
    for (const TSizes& cache : Caches)
        for (const TShiftCase& c : ShiftCases) {
            if (c.Rows > 30000 && cache.Sizes.ChangeBudget < 16384) continue;
            SCOPED_TRACE(std::string(c.Name) + ", " + cache.Name + " caches");
            session_.SetBufferSizes(cache.Sizes);
            int rows = c.Clash ? c.Rows + 1 : c.Rows;
            Fill("T", rows, [&](int id) { return id == rows && c.Clash ? c.Key(c.Clash) + c.Shift : c.Key(id); });
            std::map<int, int> expected = keys_;
            int refusedAfter = Expected(c.Rows, c.Shift, expected);
            std::string sql = "UPDATE T SET K = K + " + std::to_string(c.Shift) + ", B = 'b' WHERE ID <= " +
                              std::to_string(c.Rows) +
                              (c.Interval ? " COMMIT INTERVAL " + std::to_string(c.Interval) : "");
            uint16_t code = 0;
            try {
                RunSql(sql);
            } catch (const EVORSAMEngineError& e) {
                code = e.ErrorCode;
                if (code != VORSAM_KEYVIOL) ADD_FAILURE() << e.what();
            }
            std::map<int, int> keys = Keys("T");
            if (refusedAfter < 0) {
                EXPECT_EQ(code, 0);
                EXPECT_EQ(keys, expected);
            } else {
                EXPECT_EQ(code, VORSAM_KEYVIOL);
                // The rows kept are the first ones changed, whole intervals of them.
                int kept = 0;
                while (kept < refusedAfter && keys[kept + 1] != keys_[kept + 1]) ++kept;
                for (int id = 1; id <= rows; ++id)
                    ASSERT_EQ(keys[id], id <= kept ? keys_[id] + c.Shift : keys_[id]) << "row " << id << ", kept " << kept;
                if (c.Interval) EXPECT_EQ(kept, refusedAfter / c.Interval * c.Interval);
            }
            RunSql("DROP TABLE T");
        }
}

// INSERT INTO T2 SELECT ... FROM T: a row whose key T2 held before, or an earlier row of the same
// statement put in, refuses the statement there.
struct TCopyCase {
    const char* Name;
    int Rows, Interval;
    int HeldBefore;  // > 0: T2 holds the K of this row of T before
    int RepeatedAt; // > 0: this row of T takes the key of the first row in the copy
    int NameHeld = 0; // > 0: T2 holds this row's name in capitals before (a unique key ignoring case)
};
const TCopyCase CopyCases[] = {
    {"held_before_interval_300", 20000, 300, 15001, 0},
    {"repeated_in_copy_interval_300", 20000, 300, 0, 15001},
    {"repeated_in_copy_interval_1", 2000, 1, 0, 1500},
    {"repeated_in_copy_own_interval", 20000, 0, 0, 17000},
    {"held_before_own_interval", 20000, 0, 12000, 0},
    {"name_held_in_other_case_interval_300", 20000, 300, 0, 0, 15001},
    {"name_held_in_other_case_own_interval", 20000, 0, 0, 0, 12000},
};

TEST_F(KeyChangeSetsTest, CopiesRefuseTheFirstRepeatedKeyKeepingWholeIntervals) {
    for (const TSizes& cache : Caches)
        for (const TCopyCase& c : CopyCases) {
            SCOPED_TRACE(std::string(c.Name) + ", " + cache.Name + " caches");
            session_.SetBufferSizes(cache.Sizes);
            Fill("T", c.Rows, [&](int id) { return id; });
            if (c.RepeatedAt)
                RunSql("DROP INDEX T.TK; UPDATE T SET K = 1 WHERE ID = " + std::to_string(c.RepeatedAt));
            Fill("T2", 0, [](int id) { return id; });
            if (c.HeldBefore) RunSql("INSERT INTO T2 (ID, K) VALUES (0, " + std::to_string(c.HeldBefore) + ")");
            if (c.NameHeld) RunSql("INSERT INTO T2 (ID, K, NAME) VALUES (0, 0, 'N" + std::to_string(c.NameHeld) + "')");
            std::string sql = "INSERT INTO T2 SELECT ID, K, G, NAME, B FROM T" +
                              (c.Interval ? " COMMIT INTERVAL " + std::to_string(c.Interval) : "");
            EXPECT_EQ(ErrorCodeOf([&] { RunSql(sql); }), VORSAM_KEYVIOL);
            std::map<int, int> keys = Keys("T2");
            keys.erase(0);
            int refusedAfter = std::max({c.HeldBefore, c.RepeatedAt, c.NameHeld}) - 1;
            int kept = int(keys.size());
            EXPECT_LE(kept, refusedAfter);
            if (c.Interval) EXPECT_EQ(kept, refusedAfter / c.Interval * c.Interval);
            for (int id = 1; id <= kept; ++id) ASSERT_EQ(keys[id], id == c.RepeatedAt ? 1 : id) << "row " << id;
            RunSql("DROP TABLE T; DROP TABLE T2");
        }
}

// UPDATE T SET K = J, NAME = NJ: J and NJ, each unique but at one row that repeats an earlier row's, move
// both unique keys at once; the first row in record order that repeats a key of either index refuses the
// statement, whichever index's order finds its repeat first.
struct TTwoKeysCase {
    const char* Name;
    int Rows, Interval;
    int RepeatsK, RepeatsName; // the rows whose new key repeats row 1's (0: none)
};
const TTwoKeysCase TwoKeysCases[] = {
    {"text_repeat_first_in_record_order_last_in_its_order", 20000, 300, 12000, 9000},
    {"integer_repeat_first", 20000, 300, 9000, 12000},
    {"both_in_one_interval", 20000, 1000, 9500, 9100},
    {"text_repeat_alone_interval_1", 3000, 1, 0, 2500},
    {"text_repeat_alone_own_interval", 20000, 0, 0, 15000},
    {"names_in_other_case_keys_kept", 20000, 300, -1, -1},
    {"names_in_other_case_keys_kept_own_interval", 70000, 0, -1, -1},
};

TEST_F(KeyChangeSetsTest, TheFirstRowToRepeatAKeyOfAnyIndexRefusesTheUpdate) {
    for (const TSizes& cache : Caches)
        for (const TTwoKeysCase& c : TwoKeysCases) {
            SCOPED_TRACE(std::string(c.Name) + ", " + cache.Name + " caches");
            session_.SetBufferSizes(cache.Sizes);
            RunSql("CREATE TABLE T (ID INTEGER, K INTEGER, NAME CHAR(12), J INTEGER, NJ CHAR(12), PRIMARY KEY "
                   "(ID)); CREATE UNIQUE INDEX TK ON T (K); CREATE UNIQUE NOCASE INDEX TN ON T (NAME)");
            std::string script;
            for (int id = 1; id <= c.Rows; ++id) {
                std::string n = std::to_string(id);
                script += "; INSERT INTO T VALUES (" + n + ", " + n + ", 'n" + n + "', " +
                          std::to_string(c.RepeatsK < 0 ? id : id == c.RepeatsK ? 100001 : 100000 + id) + ", '" +
                          (c.RepeatsName < 0 ? "N" + n : id == c.RepeatsName ? "M1" : "m" + n) + "')";
                if (id % 2000 == 0 || id == c.Rows) RunSql(script.substr(2)), script.clear();
            }
            std::string sql = "UPDATE T SET K = J, NAME = NJ" +
                              (c.Interval ? " COMMIT INTERVAL " + std::to_string(c.Interval) : "");
            if (c.RepeatsK < 0) { // each row's keys the same ignoring case: nothing repeats
                EXPECT_EQ(ErrorCodeOf([&] { RunSql(sql); }), 0);
                EXPECT_EQ(RunSql("SELECT COUNT(*) FROM T WHERE NAME = NJ"), 1);
                EXPECT_EQ(Rows("T", "TN").size(), size_t(c.Rows));
                Keys("T");
                RunSql("DROP TABLE T");
                continue;
            }
            EXPECT_EQ(ErrorCodeOf([&] { RunSql(sql); }), VORSAM_KEYVIOL);
            std::map<int, int> keys = Keys("T");
            int refusedAfter = std::min(c.RepeatsK ? c.RepeatsK : c.Rows, c.RepeatsName ? c.RepeatsName : c.Rows) - 1;
            int kept = 0;
            while (kept < c.Rows && keys[kept + 1] > 100000) ++kept;
            EXPECT_LE(kept, refusedAfter);
            for (int id = kept + 1; id <= c.Rows; ++id) ASSERT_EQ(keys[id], id) << "row " << id << ", kept " << kept;
            if (c.Interval) EXPECT_EQ(kept, refusedAfter / c.Interval * c.Interval);
            RunSql("DROP TABLE T");
        }
}

// INSERT INTO T SELECT ... FROM T with every key moved: the copy reads T as it was before the statement,
// never its own new rows, in sets past 65,536 rows and with the least caches.
TEST_F(KeyChangeSetsTest, ACopyOfATableIntoItselfCopiesEachRowOnce) {
    for (const TSizes& cache : Caches)
        for (const char* where : {"", " WHERE G IS NOT NULL", " WHERE ID > 0"}) {
            int rows = cache.Sizes.ChangeBudget < 16384 ? 5000 : 70000;
            SCOPED_TRACE(std::string(cache.Name) + " caches," + where);
            session_.SetBufferSizes(cache.Sizes);
            Fill("T", rows, [](int id) { return id; });
            int copied = std::string(where).find('G') != std::string::npos ? rows - rows / 7 : rows;
            RunSql("INSERT INTO T SELECT ID + 1000000, K + 1000000, G, 'c' || NAME, B FROM T" + std::string(where) +
                   " COMMIT INTERVAL 5000");
            std::map<int, int> keys = Keys("T");
            EXPECT_EQ(int(keys.size()), rows + copied);
            for (auto [id, k] : keys) ASSERT_EQ(k, id) << "row " << id;
            RunSql("DROP TABLE T");
        }
}

// UPDATE P SET ID (or K) = it + shift, the records in an order of their own: the rows change one by one
// in the primary key's order whatever order the records lie in and whatever the commit intervals, so
// that a row moves onto a key that a row before it in that order freed, and is refused by one not yet
// moved. Then the rows moved are the first ones in that order.
struct TKeyOrderShiftCase {
    const char* Name;
    int Rows;
    int Order; // the IDs appended 0: descending, 1: ascending, 2: descending runs of 1,000 ascending ones
    const char* Sql;
    int Shift;
};
const TKeyOrderShiftCase KeyOrderShiftCases[] = {
    {"descending_records_down_onto_freed_ids", 70000, 0, "UPDATE P SET ID = ID - 1", -1},
    {"descending_records_down_interval_777", 20000, 0, "UPDATE P SET ID = ID - 1 COMMIT INTERVAL 777", -1},
    {"runs_of_records_down_onto_freed_ids", 20000, 2, "UPDATE P SET ID = ID - 1", -1},
    {"descending_records_up_refused_at_once", 20000, 0, "UPDATE P SET ID = ID + 1", 1},
    {"ascending_records_up_refused_at_once", 20000, 1, "UPDATE P SET ID = ID + 1", 1},
    {"descending_records_unique_key_down", 20000, 0, "UPDATE P SET K = K - 1, NAME = 'm' || NAME", -1},
    {"runs_of_records_unique_key_up_refused", 20000, 2, "UPDATE P SET K = K + 1", 1},
};

TEST_F(KeyChangeSetsTest, KeyShiftsChangeRowsOneByOneInKeyOrderWhateverTheRecordOrder) {
    for (const TSizes& cache : Caches)
        for (const TKeyOrderShiftCase& c : KeyOrderShiftCases) {
            if (c.Rows > 30000 && cache.Sizes.ChangeBudget < 16384) continue;
            SCOPED_TRACE(std::string(c.Name) + ", " + cache.Name + " caches");
            session_.SetBufferSizes(cache.Sizes);
            RunSql("CREATE TABLE P (ID INTEGER, K INTEGER, NAME CHAR(12), PRIMARY KEY (ID)); CREATE UNIQUE INDEX "
                   "PK ON P (K); CREATE INDEX PN ON P (NAME)");
            std::string script;
            for (int i = 0; i < c.Rows; ++i) {
                int id = 1 + (c.Order == 0 ? c.Rows - i : c.Order == 1 ? i + 1 : c.Rows - (i / 1000 + 1) * 1000 + i % 1000 + 1);
                std::string n = std::to_string(id);
                script += "; INSERT INTO P VALUES (" + n + ", " + n + ", 'n" + n + "')";
                if ((i + 1) % 2000 == 0 || i + 1 == c.Rows) RunSql(script.substr(2)), script.clear();
            }
            // IDs 2 .. rows + 1, K = ID: in key order, a shift down frees each key for the next row and a
            // shift up meets the next row's key at once.
            const bool refused = c.Shift > 0;
            EXPECT_EQ(ErrorCodeOf([&] { RunSql(c.Sql); }), refused ? VORSAM_KEYVIOL : 0);
            std::vector<TRowText> rows = Rows("P");
            ASSERT_EQ(rows.size(), size_t(c.Rows));
            int moved = 0;
            for (const TRowText& row : rows) {
                int id = std::stoi(row), k = std::stoi(row.substr(row.find('|') + 1));
                ASSERT_TRUE(id == k || id - k == c.Shift || k - id == c.Shift) << row;
                moved += id != k;
            }
            EXPECT_EQ(moved, refused ? 0 : c.Rows);
            for (const std::string& problem : VerifyTable(Open("P")->Table()).Problems) ADD_FAILURE() << problem;
            RunSql("DROP TABLE P");
        }
}

} // namespace
} // namespace vorsam::test
