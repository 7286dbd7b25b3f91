// The row loop of a SELECT: progress and abort, row limits, WITH LOCKS, outer-join and BLOB columns.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"
#include "db/sql/QueryStatement.h"

namespace vorsam::test {

namespace {

class SelectRunTest : public TSqlTest {
protected:
    SelectRunTest() {
        TSqlTable numbers{"N", {{"V", dtInteger}}, {}};
        for (int i = 1; i <= 100; ++i) numbers.Rows.push_back({std::to_string(i)});
        AddTable(numbers);
    }

    // Runs the statement with the progress handler; the rows of the result.
    TRows RunWithProgress(const std::string& sql, const TProgressHandler& handler) {
        TQueryStatement statement(*database_);
        statement.Prepare(sql);
        statement.SetProgressHandler(handler);
        return CursorRows(*statement.Execute({}, false), 1);
    }
};

TEST_F(SelectRunTest, ProgressGrowsByTheSessionsStepAndAnAbortKeepsTheRowsWritten) {
    session_.SetProgressSteps(10);
    std::vector<uint16_t> reported;
    TRows rows = RunWithProgress("SELECT V FROM N ORDER BY V DESC",
                                 [&](TQueryStatement&, uint16_t percent, bool& abort) {
                                     reported.push_back(percent);
                                     abort = percent >= 50;
                                 });
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.front(), 10);
    EXPECT_EQ(reported.back(), 100);
    EXPECT_GT(rows.size(), 40u);
    EXPECT_LT(rows.size(), 60u);
    EXPECT_EQ(rows.front(), std::to_string(rows.size())); // the rows written are still sorted
}

TEST_F(SelectRunTest, TopWithoutOrderStopsTheScanAndWithOrderKeepsTheFirstOfAllSorted) {
    EXPECT_EQ(Run("SELECT V FROM N TOP 5"), (TRows{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(Run("SELECT V FROM N ORDER BY V DESC TOP 3"), (TRows{"100", "99", "98"}));
    EXPECT_EQ(Run("SELECT V FROM N", 3).size(), 3u);
}

TEST_F(SelectRunTest, WithLocksReleasesTheReadAfterAFailingRow) {
    EXPECT_EQ(ErrorOf("SELECT 1 / (V - 50) FROM N WITH LOCKS"), "code " + std::to_string(VORSAM_DIVBYZERO));
    Run("INSERT INTO N VALUES (101)");
    EXPECT_EQ(Run("SELECT COUNT(*) FROM N"), (TRows{"101"}));
}

TEST_F(SelectRunTest, TheSourcesReadLevelsAreGivenUpForTheProgressCallbackAndAtTheEnd) {
    TDataCursor watch(*database_);
    watch.SetTableName("N");
    watch.OpenCursor();
    TDataTable& table = watch.Table();
    session_.SetProgressSteps(10);
    std::vector<uint32_t> depths;
    TRows rows = RunWithProgress("SELECT V FROM N WHERE V > 0", [&](TQueryStatement&, uint16_t, bool&) {
        depths.push_back(table.ReadDepth(TReadLevel::First));
    });
    EXPECT_EQ(rows.size(), 100u);
    ASSERT_FALSE(depths.empty());
    EXPECT_EQ(depths, std::vector<uint32_t>(depths.size(), 0));
    EXPECT_EQ(table.ReadDepth(TReadLevel::First), 0u);
    EXPECT_FALSE(table.HoldsReadSlots());
}

// The rows written before the failing one have outgrown the result table's cache, so part of the run's
// write reached the file: the result table must stay usable for the next run.
TEST_F(SelectRunTest, ARunThatFailsAfterItsResultOutgrewTheCacheRunsAgain) {
    TSqlTable big{"BIG", {{"V", dtInteger}}, {}};
    for (int i = 1; i <= 3000; ++i) big.Rows.push_back({std::to_string(i)});
    AddTable(big);
    TQueryStatement failing(*database_);
    failing.Prepare("SELECT V, 1 / (V - 2500) FROM BIG");
    for (int run = 0; run < 2; ++run) EXPECT_ENGINE_ERROR(failing.Execute({}, false), VORSAM_DIVBYZERO);
    EXPECT_EQ(Run("SELECT V FROM BIG WHERE V <> 2500"), Oracle("SELECT V FROM BIG WHERE V <> 2500"));
}

TEST_F(SelectRunTest, AStatementRunAgainGivesItsRowsOnceAndItsResultTableGoesWithIt) {
    TSqlTable keyed{"NK", {{"V", dtInteger}}, {}, {"V"}};
    for (int i = 1; i <= 100; ++i) keyed.Rows.push_back({std::to_string(i)});
    AddTable(keyed);
    TDataDirectory& memory = session_.OpenDataDirectory("Memory", "");
    std::vector<std::string> resultTables;
    for (const char* sql :
         {"SELECT V FROM NK WHERE V > 95", "SELECT V FROM N WHERE V * 2 > 190 AND V <> 97"}) {
        TQueryStatement statement(*database_);
        statement.Prepare(sql);
        for (int run = 0; run < 2; ++run) {
            TDataCursor* result = statement.Execute({}, false);
            ASSERT_NE(result, nullptr);
            EXPECT_EQ(Sorted(CursorRows(*result, 1)), Sorted(Oracle(sql))) << sql << ", run " << run;
            resultTables.push_back(result->TableName());
            EXPECT_TRUE(memory.TableExists(resultTables.back(), true));
        }
    }
    for (const std::string& table : resultTables) EXPECT_FALSE(memory.TableExists(table, true)) << table;
    session_.CloseDataDirectory(memory);
}

TEST_F(SelectRunTest, AnUnmatchedOuterRowShowsNullForTheAutoIncrementColumn) {
    Run("CREATE TABLE A (K AUTOINC, V INTEGER)");
    Run("INSERT INTO A (V) VALUES (1)");
    Run("INSERT INTO A (V) VALUES (200)");
    EXPECT_EQ(Sorted(Run("SELECT N.V, A.K FROM N LEFT JOIN A ON N.V = A.V WHERE N.V < 3")),
              (TRows{"1|1", "2|NULL"}));
}

TEST_F(SelectRunTest, MemoColumnsAreCopiedWholeAndReadInExpressions) {
    Run("CREATE TABLE M (ID INTEGER, NOTE MEMO)");
    Run("INSERT INTO M VALUES (1, 'first note')");
    Run("INSERT INTO M VALUES (2, NULL)");
    EXPECT_EQ(Run("SELECT ID, NOTE FROM M ORDER BY ID"), (TRows{"1|<10 bytes>", "2|NULL"}));
    EXPECT_EQ(Run("SELECT ID FROM M WHERE NOTE LIKE 'first%'"), (TRows{"1"}));
}

} // namespace

} // namespace vorsam::test

namespace vorsam::test {

namespace {

TEST_F(SelectRunTest, ASelectWhosePreparationFailedRefusesToRun) {
    TQueryStatement statement(*database_);
    EXPECT_THROW(statement.Prepare("SELECT ZZ FROM N"), EVORSAMEngineError);
    try {
        statement.Execute({}, false);
        ADD_FAILURE() << "ran";
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(e.ErrorMessage, "The SELECT statement has not been prepared");
    }
}

} // namespace

} // namespace vorsam::test

namespace vorsam::test {

namespace {

TEST_F(SelectRunTest, AStatementOnTheInMemoryDatabaseReadsItsTables) {
    TDataDirectory& memory = session_.OpenDataDirectory("Memory", "");
    auto run = [&](const std::string& sql) {
        TQueryStatement statement(memory);
        statement.Prepare(sql);
        TDataCursor* result = statement.Execute({}, false);
        return result ? CursorRows(*result, 1) : TRows{};
    };
    run("CREATE TABLE SELECTRUN_MEMORY (A INTEGER)");
    run("INSERT INTO SELECTRUN_MEMORY VALUES (4)");
    EXPECT_EQ(run("SELECT A * 10 FROM SELECTRUN_MEMORY"), (TRows{"40"}));
    run("DROP TABLE SELECTRUN_MEMORY");
    session_.CloseDataDirectory(memory);
}

} // namespace

} // namespace vorsam::test
