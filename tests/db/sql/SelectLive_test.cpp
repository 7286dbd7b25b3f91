// Live results: the table's own cursor answers a SELECT that needs no result table.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"
#include "db/sql/QueryStatement.h"

namespace vorsam::test {

namespace {

class SelectLiveTest : public TSqlTest {
protected:
    SelectLiveTest() {
        AddTable({"EMP",
                  {{"ID", dtInteger}, {"DEPT", dtInteger}, {"NAME", dtString, 12}},
                  {{"3", "20", "Caio"}, {"1", "10", "Ana"}, {"2", "10", "Bia"}, {"4", "30", "Duda"}},
                  {"ID"},
                  {{"DEPT"}}});
    }

    // Prepares and runs the statement with a live result requested.
    TDataCursor* RunLive(const std::string& sql) {
        statement_ = std::make_unique<TQueryStatement>(*database_);
        statement_->RequestLive = true;
        statement_->Prepare(sql);
        return statement_->Execute({}, false);
    }

    bool Live(const std::string& sql) {
        RunLive(sql);
        return statement_->LiveResult;
    }

    std::unique_ptr<TQueryStatement> statement_;
};

TEST_F(SelectLiveTest, APlainSelectIsServedByTheTablesCursorWithoutATemporaryTable) {
    size_t entries = dir_.EntryCount();
    TDataCursor* result = RunLive("SELECT * FROM EMP WHERE DEPT = 10");
    EXPECT_TRUE(statement_->LiveResult);
    EXPECT_EQ(result, statement_->MasterQuery->SourceTables.front()->Cursor.get());
    EXPECT_EQ(dir_.EntryCount(), entries);
    EXPECT_EQ(Sorted(CursorRows(*result)), Sorted(Oracle("SELECT * FROM EMP WHERE DEPT = 10")));
    EXPECT_EQ(statement_->RowsAffected, 2);
}

TEST_F(SelectLiveTest, AnOrderAnIndexGivesStaysLive) {
    TDataCursor* result = RunLive("SELECT * FROM EMP ORDER BY DEPT");
    EXPECT_TRUE(statement_->LiveResult);
    TRows rows = CursorRows(*result);
    TRows depts;
    for (const std::string& row : rows) depts.push_back(row.substr(row.find('|') + 1, 2));
    EXPECT_EQ(depts, (TRows{"10", "10", "20", "30"}));
    EXPECT_TRUE(Live("SELECT ID, DEPT, NAME FROM EMP ORDER BY ID"));
}

TEST_F(SelectLiveTest, AStringOrderIsGivenOnlyByAnIndexThatIgnoresCaseAsTheOrderDoes) {
    Run("CREATE NOCASE INDEX BYNAME ON EMP (NAME)");
    EXPECT_TRUE(Live("SELECT * FROM EMP ORDER BY NAME NOCASE"));
    EXPECT_FALSE(Live("SELECT * FROM EMP ORDER BY NAME"));
}

TEST_F(SelectLiveTest, WhatNeedsAResultTableIsNotLive) {
    EXPECT_FALSE(Live("SELECT * FROM EMP ORDER BY NAME"));
    EXPECT_FALSE(Live("SELECT * FROM EMP ORDER BY DEPT DESC"));
    EXPECT_FALSE(Live("SELECT NAME, ID FROM EMP"));
    EXPECT_FALSE(Live("SELECT DISTINCT DEPT FROM EMP"));
    EXPECT_FALSE(Live("SELECT ID FROM EMP TOP 2"));
    EXPECT_FALSE(Live("SELECT ID * 2 FROM EMP"));
    EXPECT_FALSE(Live("SELECT DEPT, COUNT(*) FROM EMP GROUP BY DEPT"));
    EXPECT_FALSE(Live("SELECT A.ID FROM EMP A, EMP B WHERE A.ID = B.DEPT"));
}

TEST_F(SelectLiveTest, EditingThroughALiveResultChangesTheTable) {
    TDataCursor* result = RunLive("SELECT * FROM EMP WHERE ID = 2");
    std::vector<uint8_t> record(result->GetRecordSize());
    result->SetToBegin();
    ASSERT_EQ(result->GetNextRecord(record), 0);
    ASSERT_EQ(result->GetCurrentRecord(record, true), 0);
    const char name[] = "Beatriz";
    result->PutField(3, record, reinterpret_cast<const uint8_t*>(name));
    result->ModifyRecord(record);
    statement_.reset();
    EXPECT_EQ(Run("SELECT NAME FROM EMP WHERE ID = 2"), (TRows{"Beatriz"}));
}

} // namespace

} // namespace vorsam::test
