// INSERT, UPDATE and DELETE run as statements: the same scripts run on SQLite, and both tables compared
// row by row (ordered by key); then the dialect's own cases (row counts, commit interval, NOAUTOINC,
// refusals, a failure in the middle of a run).
#include "ChangeTestSupport.h"
#include "SqliteOracle.h"

#include "db/engine/TableVerify.h"
#include "db/lib/ByteUtils.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/RowSpool.h"

#include <algorithm>
#include <functional>
#include <map>
#include <numeric>
#include <random>

namespace vorsam::test {
namespace {

class DataChangeTest : public TChangeTest {
protected:
    DataChangeTest() {
        Both("CREATE TABLE T (ID INTEGER, A INTEGER, B INTEGER, NAME CHAR(20), DAY DATE, PRIMARY KEY (ID))");
        Both("CREATE TABLE U (ID INTEGER, GRP INTEGER, V INTEGER, PRIMARY KEY (ID))");
        for (int id = 1; id <= 12; ++id) {
            std::string a = id % 4 == 0 ? "NULL" : std::to_string(id * 10 % 7);
            Both("INSERT INTO T VALUES (" + std::to_string(id) + ", " + a + ", " + std::to_string(100 - id) +
                 ", 'n" + std::to_string(id) + "', '2003-01-" + std::to_string(10 + id) + "')");
            Both("INSERT INTO U VALUES (" + std::to_string(id) + ", " + std::to_string(id % 3) + ", " +
                 std::to_string(id * id) + ")");
        }
    }
    int32_t Both(const std::string& ours, const std::string& theirs) {
        int32_t rows = RunSql(ours);
        oracle_.Exec(theirs);
        return rows;
    }
    int32_t Both(const std::string& sql) { return Both(sql, sql); }
    void ExpectSameRows(const std::string& table) {
        EXPECT_EQ(Rows(table), oracle_.Rows("SELECT * FROM " + table + " ORDER BY ID"));
    }

    TSqliteOracle oracle_;
};

struct TScriptCase {
    const char* Name;
    std::string Ours;
    std::string Theirs; // empty: the same text
    int32_t Rows;       // row count the statement reports
};

class DataChangeScripts : public DataChangeTest, public ::testing::WithParamInterface<TScriptCase> {};

TEST_P(DataChangeScripts, LeaveTheTablesAsTheOracleDoes) {
    const TScriptCase& c = GetParam();
    EXPECT_EQ(Both(c.Ours, c.Theirs.empty() ? c.Ours : c.Theirs), c.Rows);
    ExpectSameRows("T");
    ExpectSameRows("U");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataChangeScripts,
    ::testing::Values(
        TScriptCase{"InsertWithColumnsLeftOut", "INSERT INTO T (ID, NAME) VALUES (50, 'x')", "", 1},
        TScriptCase{"InsertExpressions", "INSERT INTO T (ID, A, B) VALUES (60, 2 * 3 + 1, -(4))", "", 1},
        TScriptCase{"UpdateAll", "UPDATE T SET B = B + 1", "", 12},
        TScriptCase{"UpdateWhere", "UPDATE T SET NAME = 'changed', A = NULL WHERE A > 2 AND ID < 9", "", 3},
        TScriptCase{"UpdateWhereNull", "UPDATE T SET A = 0 WHERE A IS NULL", "", 3},
        TScriptCase{"UpdateKeyMovesEveryRowOnce", "UPDATE T SET ID = ID + 100", "", 12},
        TScriptCase{"UpdateKeyDownwards", "UPDATE T SET ID = ID * 10 WHERE ID > 3", "", 9},
        TScriptCase{"UpdateSwapsWithTheUnchangedRow", "UPDATE T SET A = B, B = A", "", 12},
        TScriptCase{"UpdateDateFromText", "UPDATE T SET DAY = '1999-12-31' WHERE ID = 2", "", 1},
        TScriptCase{"UpdateLike", "UPDATE T SET B = 0 WHERE NAME LIKE 'n1%'", "", 4},
        TScriptCase{"DeleteWhere", "DELETE FROM T WHERE A < 3 OR A IS NULL", "", 7},
        TScriptCase{"DeleteAll", "DELETE FROM U", "", 12},
        TScriptCase{"DeleteIn", "DELETE FROM U WHERE GRP IN (0, 2)", "", 8},
        TScriptCase{"DeleteInSetsOfTheCommitInterval", "DELETE FROM U WHERE GRP <> 1 COMMIT INTERVAL 3",
                    "DELETE FROM U WHERE GRP <> 1", 8},
        TScriptCase{"DeleteThroughAJoin", "DELETE FROM T, U WHERE T.ID = U.ID AND U.GRP = 0",
                    "DELETE FROM T WHERE ID IN (SELECT ID FROM U WHERE GRP = 0)", 4},
        TScriptCase{"UpdateWithSubSelect", "UPDATE T SET B = 7 WHERE ID IN (SELECT ID FROM U WHERE V > 50)",
                    "", 5},
        TScriptCase{"InsertSelect", "INSERT INTO U (ID, GRP, V) SELECT ID + 100, A, B FROM T WHERE B > 92",
                    "", 7},
        TScriptCase{
            "InsertSelectGrouped",
            "DELETE FROM U WHERE ID < 3; INSERT INTO U (ID, V) SELECT GRP, SUM(V) FROM U GROUP BY GRP", "",
            5},
        TScriptCase{
            "InsertSelectEveryColumn",
            "CREATE TABLE U2 (ID INTEGER, GRP INTEGER, V INTEGER, PRIMARY KEY (ID)); "
            "INSERT INTO U2 SELECT * FROM U; DELETE FROM U; INSERT INTO U SELECT * FROM U2 WHERE GRP = 1",
            "", 28},
        TScriptCase{"InsertSelectNothing", "INSERT INTO U SELECT * FROM U WHERE ID > 99", "", 0},
        TScriptCase{"RolledBackTransaction", "START TRANSACTION; UPDATE T SET A = 1; DELETE FROM U; ROLLBACK",
                    "BEGIN; UPDATE T SET A = 1; DELETE FROM U; ROLLBACK", 0},
        TScriptCase{"CommittedTransaction", "START TRANSACTION; UPDATE T SET A = 1 WHERE ID < 3; COMMIT",
                    "BEGIN; UPDATE T SET A = 1 WHERE ID < 3; COMMIT", 2},
        TScriptCase{"Script", "DELETE FROM T WHERE ID > 10; UPDATE T SET B = 1 WHERE ID > 8", "", 4}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DataChangeTest, InsertingATablesOwnRowsReadsEachOnce) {
    Both("CREATE TABLE N (X INTEGER, Y CHAR(3))");
    Both("INSERT INTO N VALUES (1, 'a'); INSERT INTO N VALUES (2, NULL)");
    EXPECT_EQ(Both("INSERT INTO N SELECT * FROM N"), 2);
    EXPECT_EQ(Both("INSERT INTO N SELECT * FROM N WHERE X = 1"), 2);
    std::vector<TRowText> rows = Rows("N"); // record order
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, oracle_.Rows("SELECT * FROM N ORDER BY X, Y"));
}

// A table's own rows, past what its spool keeps in memory (RowSpool.h), are copied first and each read once,
// read through the slots or through a filter.
TEST_F(DataChangeTest, InsertingATablesOwnManyRowsReadsEachOnce) {
    Both("CREATE TABLE N (X INTEGER, Y CHAR(120))");
    oracle_.Exec("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 3000) "
                 "INSERT INTO N SELECT x, 'row ' || x FROM c");
    RunSql("INSERT INTO N SELECT X, Y FROM N"); // empty: nothing
    auto cursor = Open("N");
    std::vector<uint8_t> image(cursor->GetRecordSize());
    cursor->Table().LockTable();
    for (int32_t x = 1; x <= 3000; ++x) {
        std::string y = "row " + std::to_string(x);
        cursor->InitRecordBuffer(image);
        cursor->PutField(1, image, reinterpret_cast<const uint8_t*>(&x));
        cursor->PutField(2, image, reinterpret_cast<const uint8_t*>(y.c_str()));
        cursor->AppendRecord(image);
    }
    cursor->Table().UnlockTable();
    cursor.reset();
    EXPECT_EQ(Both("INSERT INTO N SELECT * FROM N"), 6000 / 2);
    EXPECT_EQ(Both("INSERT INTO N SELECT * FROM N WHERE X > 500"), 5000);
    std::vector<TRowText> rows = Rows("N"), expected = oracle_.Rows("SELECT * FROM N"); // record order
    std::sort(rows.begin(), rows.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows, expected);
}

// A spool gives its records back in the order they came, however many, holding a piece of them at most.
TEST_F(DataChangeTest, ASpoolGivesItsRecordsBackInOrderHoldingAPieceAtMost) {
    for (size_t count : {size_t(0), size_t(1), size_t(1000), size_t(20000)}) {
        TRowSpool spool(session_.Settings(), 100);
        std::vector<uint8_t> record(100);
        for (size_t i = 0; i < count; ++i) {
            std::fill(record.begin(), record.end(), uint8_t(i % 251));
            StoreLE32(record.data(), uint32_t(i));
            spool.Add(record);
            ASSERT_LE(spool.MemoryBytes(), TRowSpool::PieceBytes + record.size());
        }
        EXPECT_EQ(spool.Count(), count);
        size_t read = 0;
        for (; spool.Next(record); ++read) {
            ASSERT_EQ(LoadLE32(record.data()), read);
            ASSERT_EQ(record.back(), uint8_t(read % 251));
            ASSERT_LE(spool.MemoryBytes(), TRowSpool::PieceBytes + record.size());
        }
        EXPECT_EQ(read, count);
    }
}

TEST_F(DataChangeTest, UpdateFromAnotherTable) {
    Both("UPDATE T SET B = U.V FROM T, U WHERE T.ID = U.ID AND U.GRP = 1",
         "UPDATE T SET B = U.V FROM U WHERE T.ID = U.ID AND U.GRP = 1");
    ExpectSameRows("T");
}

TEST_F(DataChangeTest, CommitIntervalKeepsTheRowsOfEarlierIntervalsWhenARowFails) {
    // ID 107 is there already: the update of row 7 (ID 7 + 100) fails on the key.
    RunSql("INSERT INTO T (ID) VALUES (107)");
    EXPECT_ENGINE_ERROR(
        RunSql("UPDATE T SET B = -1, ID = ID + 100 WHERE ID BETWEEN 1 AND 12 COMMIT INTERVAL 2"),
        VORSAM_KEYVIOL);
    EXPECT_FALSE(database_->InTransaction());
    int changed = 0;
    for (const TRowText& row : Rows("T")) changed += row.find("|-1|") != std::string::npos;
    EXPECT_EQ(changed, 6);         // rows 1..6 were committed in three intervals
    auto cursor = Open("T", true); // no record lock is left behind
}

// The rows are locked a run of records at a time; a record that another cursor is editing stops the run
// at that record (the run's lock is refused, each record is locked on its own), as it stops a row-by-row
// change, and the statement's own transaction takes back the rows changed before it.
TEST_F(DataChangeTest, UpdateAndDeleteStopAtARecordAnotherCursorIsEditingAndChangeNothing) {
    session_.SetLockRetryCount(0);
    std::vector<TRowText> before = Rows("T");
    auto editor = Open("T");
    std::vector<uint8_t> image(editor->GetRecordSize());
    ASSERT_TRUE(editor->SetToRecordNo(7));
    ASSERT_EQ(editor->GetCurrentRecord(image, true), 0);
    EXPECT_ENGINE_ERROR(RunSql("UPDATE T SET B = B + 1"), VORSAM_RECLOCKFAILED);
    EXPECT_ENGINE_ERROR(RunSql("DELETE FROM T WHERE ID > 2"), VORSAM_RECLOCKFAILED);
    EXPECT_ENGINE_ERROR(RunSql("UPDATE T SET B = 0 WHERE ID BETWEEN 5 AND 9"), VORSAM_RECLOCKFAILED);
    EXPECT_FALSE(database_->InTransaction());
    EXPECT_EQ(Rows("T"), before);
    // Rows beside the edited record change; the edit goes on, its record locked.
    EXPECT_EQ(Both("UPDATE T SET B = B + 1 WHERE ID <> 7"), 11);
    EXPECT_EQ(editor->RecordLock().Record, 7u);
    EXPECT_TRUE(editor->RecordLock().Held);
    editor->CancelRecord();
    EXPECT_EQ(Both("UPDATE T SET B = B + 1"), 12);
    ExpectSameRows("T");
}

TEST_F(DataChangeTest, AFailureInsideTheCallersTransactionRollsNothingBack) {
    RunSql("START TRANSACTION");
    RunSql("UPDATE T SET B = 0 WHERE ID = 1");
    EXPECT_ENGINE_ERROR(RunSql("UPDATE T SET ID = 2 WHERE ID = 3"), VORSAM_KEYVIOL);
    EXPECT_TRUE(database_->InTransaction());
    RunSql("COMMIT");
    EXPECT_EQ(Rows("T")[0].substr(0, 6), "1|3|0|");
}

TEST_F(DataChangeTest, RowCountsOfScriptsAndTransactions) {
    EXPECT_EQ(RunSql("UPDATE T SET A = 1 WHERE ID < 4; START TRANSACTION; DELETE FROM T; ROLLBACK"), 3);
    EXPECT_EQ(RunSql("DELETE FROM T WHERE ID = 99"), 0);
    std::string name = database_->GetDatabaseName();
    EXPECT_EQ(SqlErrorOf("COMMIT"), "Transaction not in progress for database '" + name + "'");
    EXPECT_EQ(SqlErrorOf("ROLLBACK WORK"), "Transaction not in progress for database '" + name + "'");
    EXPECT_EQ(SqlErrorOf("START TRANSACTION; START TRANSACTION"),
              "Transaction already in progress for database '" + name + "'");
    RunSql("COMMIT WORK FLUSH");
    EXPECT_FALSE(database_->InTransaction());
}

TEST_F(DataChangeTest, AutoIncrementValuesAreTheEnginesUnlessNoAutoInc) {
    RunSql("CREATE TABLE N (K AUTOINC, X INTEGER)");
    RunSql("INSERT INTO N (X) VALUES (1)");
    RunSql("INSERT INTO N (K, X) VALUES (50, 2)");
    RunSql("INSERT INTO N (K, X) VALUES (70, 3) NOAUTOINC");
    EXPECT_EQ(Rows("N"), (std::vector<TRowText>{"1|1", "2|2", "70|3"}));
}

TEST_F(DataChangeTest, ValuesMayReadAnotherTablesLastAutoIncrementValue) {
    RunSql("CREATE TABLE P (K AUTOINC, X INTEGER); CREATE TABLE Q (PK INTEGER, Y INTEGER)");
    RunSql("INSERT INTO P (X) VALUES (1); INSERT INTO P (X) VALUES (2)");
    RunSql("INSERT INTO Q VALUES (LASTAUTOINC('P'), 5)");
    RunSql("INSERT INTO P (X) VALUES (3); UPDATE Q SET Y = IDENT_CURRENT('P') * 10");
    EXPECT_EQ(Rows("Q"), (std::vector<TRowText>{"2|30"}));
}

TEST_F(DataChangeTest, LongTextsAndMemos) {
    RunSql("CREATE TABLE M (ID INTEGER, S CHAR(250), NOTES MEMO)");
    std::string text(300, 'q');
    RunSql("INSERT INTO M VALUES (1, '" + text + "', '" + text + "')");
    RunSql("INSERT INTO M (ID, NOTES) VALUES (2, NULL)");
    RunSql("UPDATE M SET NOTES = 'short' WHERE ID = 1");
    EXPECT_EQ(Rows("M"),
              (std::vector<TRowText>{"1|" + std::string(250, 'q') + "|blob:5:short", "2|NULL|NULL"}));
}

TEST_F(DataChangeTest, RefusalsNameWhatIsWrong) {
    struct TCase {
        std::string Sql;
        std::string Message;
    };
    const std::vector<TCase> cases = {
        {"INSERT INTO T (ID, A) VALUES (1)", "The number of values must match the number of table columns"},
        {"INSERT INTO T (ID, ZZ) VALUES (1, 2)",
         "Invalid column name 'ZZ' or table correlation name '' specified in table columns"},
        {"UPDATE T SET * = 1", "* (all columns) symbol is not allowed in table column"},
        {"UPDATE T SET U.V = 1 FROM T, U WHERE T.ID = U.ID",
         "Invalid column name 'V' or table correlation name 'U' specified in table columns"},
        {"UPDATE T SET GRP = 1 FROM T, U WHERE T.ID = U.ID",
         "Invalid column name 'GRP' or table correlation name 'U' specified in table columns"},
        {"INSERT INTO T (ID, DAY) VALUES (70, 'abc')",
         "Date, time, or timestamp expression expected, instead found 'abc' in update values"},
        {"UPDATE T SET A = NAME", "Type mismatch between column 'A' and column 'NAME' in update values"},
        {"UPDATE T SET A = TRUE", "Type mismatch between column 'A' and constant 'TRUE' in update values"},
        {"UPDATE T SET A = 'x' || NAME",
         "Type mismatch between column 'A' and expression ''x' || NAME' in update values"},
        {"UPDATE T SET A = 'seven'",
         "Type mismatch between column 'A' and constant ''seven'' in update values"},
        {"INSERT INTO S VALUES (2, 70000)",
         "Type mismatch between column N and constant value 70000 in INSERT statement"},
        {"UPDATE S SET N = ID * 100000",
         "Type mismatch between column N and constant value ID * 100000 in UPDATE statement"},
    };
    RunSql("CREATE TABLE S (ID INTEGER, N SMALLINT); INSERT INTO S VALUES (1, 7)");
    std::vector<TRowText> before = Rows("T");
    for (const TCase& c : cases) EXPECT_EQ(SqlErrorOf(c.Sql), c.Message) << c.Sql;
    EXPECT_EQ(Rows("T"), before);
    EXPECT_EQ(Rows("S"), (std::vector<TRowText>{"1|7"}));
}

TEST_F(DataChangeTest, AbortFromTheProgressHandlerKeepsTheRowsFound) {
    TQueryStatement statement(*database_);
    statement.Prepare("UPDATE T SET B = 0");
    statement.SetProgressHandler(
        [](TQueryStatement&, uint16_t percent, bool& abort) { abort = percent >= 50; });
    statement.Execute({}, true);
    EXPECT_EQ(statement.RowsAffected, 6);
    EXPECT_FALSE(database_->InTransaction());
}

// Rows are deleted in the order of the primary key whatever order their records lie in, so the freed
// records are taken again by new rows most recently deleted first: the highest key's first. With a cache
// of a few records, the INSERT ... SELECT learns the free chain by reading every slot once, across its
// commits.
TEST_F(DataChangeTest, DeletedRecordsAreReusedInTheOrderOfTheirKeys) {
    session_.SetBufferSizes({.BufferSize = 4096}); // 18 records of S
    std::vector<int> ids(300);
    std::iota(ids.begin(), ids.end(), 1);
    std::shuffle(ids.begin(), ids.end(), std::mt19937(11));
    std::string script = "CREATE TABLE S (ID INTEGER, V INTEGER, PAD CHAR(200), PRIMARY KEY (ID)); CREATE "
                         "TABLE N (ID INTEGER)";
    for (int id : ids)
        script += "; INSERT INTO S (ID, V) VALUES (" + std::to_string(id) + ", " +
                  std::to_string(id * 37 % 100) + ")";
    RunSql(script);
    std::vector<std::pair<int, uint32_t>> freed; // key, record number (the insert order)
    for (size_t i = 0; i < ids.size(); ++i)
        if (ids[i] * 37 % 100 < 40) freed.emplace_back(ids[i], uint32_t(i + 1));
    EXPECT_EQ(RunSql("DELETE FROM S WHERE V < 40"), int32_t(freed.size()));
    std::sort(freed.begin(), freed.end(), std::greater<>());
    script = "DELETE FROM N";
    for (size_t k = 0; k < freed.size(); ++k)
        script += "; INSERT INTO N VALUES (" + std::to_string(1000 + k) + ")";
    RunSql(script);
    EXPECT_EQ(RunSql("INSERT INTO S (ID, V) SELECT ID, 0 FROM N"), int32_t(freed.size()));
    auto cursor = Open("S");
    cursor->SetIndexNumber(RecordOrderIndex);
    std::vector<uint8_t> image(cursor->GetRecordSize());
    std::map<uint32_t, int> keyOfRecord;
    cursor->SetToBegin();
    while (cursor->GetNextRecord(image) == 0) {
        int32_t id = 0;
        bool isNull = false;
        cursor->GetField(1, image, isNull, reinterpret_cast<uint8_t*>(&id));
        keyOfRecord[cursor->Position().Record] = id;
    }
    for (size_t k = 0; k < freed.size(); ++k) EXPECT_EQ(keyOfRecord[freed[k].second], int(1000 + k)) << k;
}

// 10^5 rows (ID = K, K under a unique index): changes of them all inside the caller's transaction (past the
// runs of 4,096 rows locked and held at once, no commit ahead), then refusals whose insertions split pages
// on the way, which a small page cache writes at once: the refused row leaves no entry behind.
TEST_F(DataChangeTest, ChangesOfManyRowsInATransactionAndRefusedOnALargeTree) {
    Both("CREATE TABLE BIG (ID INTEGER, K INTEGER, A INTEGER, PRIMARY KEY (ID)); CREATE UNIQUE INDEX BK ON "
         "BIG (K)");
    oracle_.Exec("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 100000) "
                 "INSERT INTO BIG SELECT x, x, 0 FROM c");
    auto big = Open("BIG");
    std::vector<uint8_t> image(big->GetRecordSize());
    big->Table().LockTable();
    for (int32_t id = 1; id <= 100000; ++id) { // one by one, as a program appends them
        big->InitRecordBuffer(image);
        for (uint16_t field : {1, 2}) big->PutField(field, image, reinterpret_cast<const uint8_t*>(&id));
        big->AppendRecord(image);
    }
    big->Table().UnlockTable();
    // Refused on K after the key went into the primary index and split pages on the way, which a small
    // page cache writes at once: the refused row leaves no entry behind.
    EXPECT_ENGINE_ERROR(RunSql("INSERT INTO BIG VALUES (100001, 5, 0)"), VORSAM_KEYVIOL);
    EXPECT_ENGINE_ERROR(RunSql("UPDATE BIG SET K = 5 WHERE ID = 99999"), VORSAM_KEYVIOL);
    EXPECT_TRUE(VerifyTable(big->Table()).Ok());
    for (const char* sql : {"UPDATE BIG SET A = 1", "UPDATE BIG SET ID = ID + 200000 WHERE K <= 50000",
                            "DELETE FROM BIG WHERE ID > 240000"}) {
        RunSql("START TRANSACTION");
        EXPECT_EQ(RunSql(sql), (oracle_.Exec(sql), oracle_.Changes())) << sql;
        RunSql("COMMIT");
    }
    EXPECT_TRUE(VerifyTable(big->Table()).Ok());
    EXPECT_EQ(Rows("BIG"), oracle_.Rows("SELECT * FROM BIG ORDER BY ID"));
}

// Unique and non-unique keys moved by UPDATEs of thousands of rows (past the records pinned at once) inside
// the caller's transaction, whose rows stay changed up to a refusal: the rows changed and the row refused are
// those of changes one by one in the order found, each row's new key checked against the rows before it.
TEST_F(DataChangeTest, KeysMovedByManyRowsAreRefusedWhereOneByOneRefusesThem) {
    constexpr int Count = 6000;
    std::mt19937 random(60);
    std::vector<int> ks(Count);
    std::iota(ks.begin(), ks.end(), 1);
    std::shuffle(ks.begin(), ks.end(), random);
    std::string script = "CREATE TABLE M (ID INTEGER, K INTEGER, G INTEGER, PRIMARY KEY (ID)); CREATE UNIQUE "
                         "INDEX MK ON M (K); CREATE INDEX MG ON M (G)";
    for (int i = 0; i < Count; ++i) // records in another order than ID's and K's
        script += "; INSERT INTO M VALUES (" + std::to_string(ks[(i * 7) % Count] * 3) + ", " +
                  std::to_string(ks[i] * 2) + ", " + std::to_string(i % 50) + ")";
    RunSql(script);
    std::map<int, std::pair<int, int>> model; // ID: K, G
    for (int i = 0; i < Count; ++i) model[ks[(i * 7) % Count] * 3] = {ks[i] * 2, i % 50};
    RunSql("START TRANSACTION");
    for (auto [shift, below] : {std::pair{2, 9000}, {-2, 18000}, {1, 18000}, {40000, 4500}, {-4, 9000}}) {
        std::string sql = "UPDATE M SET K = K + " + std::to_string(shift) + ", G = G + 1 WHERE ID < " +
                          std::to_string(below);
        std::map<int, int> holder; // K: ID
        for (auto& [id, row] : model) holder[row.first] = id;
        bool refused = false;
        for (auto& [id, row] : model) {
            if (id >= below) break;
            int k = row.first + shift;
            if (holder.count(k)) {
                refused = true;
                break;
            }
            holder.erase(row.first);
            holder[k] = id;
            row = {k, row.second + 1};
        }
        EXPECT_EQ(ErrorCodeOf([&] { RunSql(sql); }), refused ? VORSAM_KEYVIOL : 0) << sql;
        std::vector<TRowText> expected;
        for (auto& [id, row] : model)
            expected.push_back(std::to_string(id) + "|" + std::to_string(row.first) + "|" +
                               std::to_string(row.second));
        EXPECT_EQ(Rows("M"), expected) << sql;
    }
    RunSql("COMMIT");
    EXPECT_TRUE(VerifyTable(Open("M")->Table()).Ok());
}

// Unique keys (the primary one too) moved by UPDATEs in the run's own intervals, which its change budget
// ends, with the records in descending key order: the rows change in key order as one by one, so that a
// shift down takes the key the row before freed and a shift up meets the next row's key at once.
TEST_F(DataChangeTest, UniqueKeysMovedInMeasuredIntervalsChangeInKeyOrderWhateverTheRecordOrder) {
    session_.SetBufferSizes({.ChangeBudget = 16384});
    std::string script =
        "CREATE TABLE P (ID INTEGER, K INTEGER, PRIMARY KEY (ID)); CREATE UNIQUE INDEX PK ON P (K)";
    for (int id = 6000; id >= 1; --id)
        script += "; INSERT INTO P VALUES (" + std::to_string(id) + ", " + std::to_string(id) + ")";
    RunSql(script);
    for (auto [sql, refused] : {std::pair{"UPDATE P SET ID = ID - 1", false},
                                {"UPDATE P SET K = K - 1", false},
                                {"UPDATE P SET ID = ID + 1", true},
                                {"UPDATE P SET K = K + 1", true},
                                {"UPDATE P SET ID = ID + 1 COMMIT INTERVAL 100", true}})
        EXPECT_EQ(ErrorCodeOf([&] { RunSql(sql); }), refused ? VORSAM_KEYVIOL : 0) << sql;
    std::vector<TRowText> expected;
    for (int id = 0; id < 6000; ++id) expected.push_back(std::to_string(id) + "|" + std::to_string(id));
    EXPECT_EQ(Rows("P"), expected);
    EXPECT_TRUE(VerifyTable(Open("P")->Table()).Ok());
}

// An UPDATE of many rows whose records lie in another order than their keys, refused part-way by a value that
// does not fit its column: the rows change in the order of their records, but what each commit interval
// holds, which refusal is raised and what the caller's transaction keeps are those of changes one by one in
// key order.
struct TRefusedUpdateCase {
    const char* Name;
    const char* Before; // statements before the UPDATE
    const char* Interval;
    const char* After; // statements after the refused UPDATE
    // Which rows (in key order) keep their change: those before the refused one, or only those of the
    // intervals committed before it.
    bool IntervalsOnly;
};

class RefusedUpdates : public DataChangeTest, public ::testing::WithParamInterface<TRefusedUpdateCase> {};

TEST_P(RefusedUpdates, KeepWhatChangesOneByOneInKeyOrderKeep) {
    const TRefusedUpdateCase& c = GetParam();
    constexpr int32_t Count = 30000, Interval = 1000, FirstRefused = 20345;
    RunSql("CREATE TABLE W (ID INTEGER, A INTEGER, B INTEGER, N1 SMALLINT, N2 SMALLINT, PAD CHAR(150), "
           "PRIMARY KEY (ID))");
    // A * 1000 or B * 1000 past a SMALLINT refuses the row: the first refused in key order (on N2) lies in
    // record order after others (on N1), which the records' first slots hold: one in the same interval.
    auto a = [](int32_t id) { return id == 20700 || id == 24000 || id == 29000 ? 40 : id % 30; };
    auto b = [](int32_t id) { return id == FirstRefused ? 50 : id % 20; };
    std::vector<int32_t> ids(Count);
    std::iota(ids.begin(), ids.end(), 0);
    std::shuffle(ids.begin(), ids.end(), std::mt19937(68));
    std::swap(ids[0], *std::find(ids.begin(), ids.end(), 24000));
    std::swap(ids[1], *std::find(ids.begin(), ids.end(), 20700));
    auto cursor = Open("W");
    std::vector<uint8_t> image(cursor->GetRecordSize());
    cursor->Table().LockTable();
    for (int32_t id : ids) {
        int32_t values[] = {id, a(id), b(id)};
        cursor->InitRecordBuffer(image);
        for (uint16_t field : {1, 2, 3})
            cursor->PutField(field, image, reinterpret_cast<const uint8_t*>(&values[field - 1]));
        cursor->AppendRecord(image);
    }
    cursor->Table().UnlockTable();
    cursor.reset();
    if (*c.Before) RunSql(c.Before);
    EXPECT_EQ(SqlErrorOf(std::string("UPDATE W SET N1 = A * 1000, N2 = B * 1000") + c.Interval),
              "Type mismatch between column N2 and constant value B * 1000 in UPDATE statement");
    if (*c.After) RunSql(c.After);
    std::vector<TRowText> expected;
    const int32_t changed = c.IntervalsOnly ? FirstRefused / Interval * Interval : FirstRefused;
    for (int32_t id = 0; id < Count; ++id)
        expected.push_back(std::to_string(id) + "|" + std::to_string(a(id)) + "|" + std::to_string(b(id)) +
                           "|" +
                           (id < changed ? std::to_string(a(id) * 1000) + "|" + std::to_string(b(id) * 1000)
                                         : std::string("NULL|NULL")) +
                           "|NULL");
    EXPECT_EQ(Rows("W"), expected);
    EXPECT_FALSE(database_->InTransaction());
}

INSTANTIATE_TEST_SUITE_P(
    InTransactionsAndIntervals, RefusedUpdates,
    ::testing::Values(TRefusedUpdateCase{"CallersTransaction", "START TRANSACTION", "", "COMMIT", false},
                      TRefusedUpdateCase{"CallersTransactionWithInterval", "START TRANSACTION",
                                         " COMMIT INTERVAL 1000", "COMMIT", false},
                      TRefusedUpdateCase{"CallersTransactionRolledBackAfterIntervals", "START TRANSACTION",
                                         " COMMIT INTERVAL 1000", "ROLLBACK", true},
                      TRefusedUpdateCase{"OwnTransactionWithInterval", "", " COMMIT INTERVAL 1000", "",
                                         true}),
    [](const auto& info) { return std::string(info.param.Name); });

// An INSERT ... SELECT of more rows than one set appends refuses a row whose unique key a row of an earlier
// set took, though that key is not in the index yet, inside the caller's transaction: the rows before it
// stay, with their keys.
TEST_F(DataChangeTest, AnInsertOfManyRowsRefusesAKeyAnEarlierSetTook) {
    Both("CREATE TABLE SRC (ID INTEGER, K INTEGER, PRIMARY KEY (ID)); "
         "CREATE TABLE DST (ID INTEGER, K INTEGER, PRIMARY KEY (ID)); CREATE UNIQUE INDEX DK ON DST (K)");
    auto source = Open("SRC");
    std::vector<uint8_t> image(source->GetRecordSize());
    source->Table().LockTable();
    for (int32_t id = 1; id <= 70000; ++id) {
        int32_t k = id == 69000 ? 5 : id;
        source->InitRecordBuffer(image);
        source->PutField(1, image, reinterpret_cast<const uint8_t*>(&id));
        source->PutField(2, image, reinterpret_cast<const uint8_t*>(&k));
        source->AppendRecord(image);
    }
    source->Table().UnlockTable();
    RunSql("START TRANSACTION");
    EXPECT_ENGINE_ERROR(RunSql("INSERT INTO DST SELECT * FROM SRC"), VORSAM_KEYVIOL);
    RunSql("COMMIT");
    auto target = Open("DST");
    EXPECT_EQ(target->GetRecordCount(), 68999u);
    EXPECT_TRUE(VerifyTable(target->Table()).Ok());
}

} // namespace
} // namespace vorsam::test

namespace vorsam::test {
namespace {

// Random statements (fixed seed) on both engines: after each, the same rows and the same row count. Keys
// are moved past the largest one, so that no change collides.
TEST_F(DataChangeTest, RandomChangesMatchTheOracleStepByStep) {
    std::mt19937 random(20261207);
    auto pick = [&](int low, int high) {
        return std::to_string(std::uniform_int_distribution<int>(low, high)(random));
    };
    auto past = [&] { return std::to_string(std::stoll(oracle_.Rows("SELECT MAX(ID) FROM T")[0]) + 1); };
    for (int step = 0; step < 120; ++step) {
        if (Rows("T").size() < 4 || std::stoll(past()) > 100000000) {
            Both("DELETE FROM T WHERE ID > 1000");
            for (int id = 1; id <= 6; ++id)
                Both("INSERT INTO T (ID, A, B) VALUES (" + std::to_string(2000 + step * 10 + id) + ", " +
                     pick(0, 6) + ", 90)");
        }
        std::string sql;
        switch (random() % 7) {
        case 0:
            sql = "UPDATE T SET A = A + " + pick(-3, 3) + " WHERE B < " + pick(85, 100);
            break;
        case 1:
            sql = "UPDATE T SET B = NULL WHERE A = " + pick(0, 6);
            break;
        case 2:
            sql = "DELETE FROM T WHERE A BETWEEN " + pick(0, 3) + " AND " + pick(3, 6);
            break;
        case 3:
            sql =
                "INSERT INTO T (ID, A, B) VALUES (" + past() + ", " + pick(0, 6) + ", " + pick(80, 100) + ")";
            break;
        case 4:
            sql = "UPDATE T SET ID = ID + " + past() + ", B = B - 1 WHERE A > " + pick(2, 6);
            break;
        case 5:
            sql = "INSERT INTO T (ID, A, B) SELECT ID + " + past() + ", B - 90, A + 90 FROM T WHERE ID < " +
                  pick(5, 40);
            break;
        default:
            sql = "UPDATE T SET A = B - 90, B = A + 90 WHERE ID > " + pick(0, 12);
            break;
        }
        int32_t rows = RunSql(sql);
        oracle_.Exec(sql);
        ASSERT_EQ(rows, oracle_.Changes()) << sql;
        ASSERT_EQ(Rows("T"), oracle_.Rows("SELECT * FROM T ORDER BY ID")) << sql;
    }
}

} // namespace
} // namespace vorsam::test
