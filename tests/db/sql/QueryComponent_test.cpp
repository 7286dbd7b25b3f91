// The query component over the SQL engine: a SELECT with named parameters opened as a dataset, data
// changes run with ExecSQL and their row counts, and the result following the table's changes on each
// open. The oracle is SQLite running the same statements.
#include "SqliteOracle.h"

#include "db/engine/VORSAMQuery.h"
#include "db/engine/VORSAMSession.h"
#include "db/engine/VORSAMSessionList.h"
#include "db/lib/TestSupport.h"
#include "db/sql/QueryStatementAdapter.h"
#include "platform/data/DateTime.h"

namespace vorsam::test {
namespace {

using namespace platform::data;

class QueryComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        FinalizeSessions();
        InstallSqlStatements();
        DefaultSession().OpenDatabase(dir_.Path(), nullptr);
        Exec({"CREATE TABLE T (ID INTEGER, NAME CHAR(10), DAY DATE, PRIMARY KEY (ID))"});
        for (int id = 1; id <= 6; ++id)
            Exec({"INSERT INTO T VALUES (" + std::to_string(id) + ", 'n" + std::to_string(id) +
                  "', '2003-01-0" + std::to_string(id) + "')"});
    }
    void TearDown() override {
        query_.Disconnect();
        SetQueryStatementFactory({});
        FinalizeSessions();
    }
    // Runs the statement with a query of its own and on the oracle; the query's row count.
    int32_t Exec(const std::vector<std::string>& sql) {
        TVORSAMQuery query;
        query.SetDatabaseName(dir_.Path());
        query.SetSQL(sql);
        query.ExecSQL();
        std::string text;
        for (const std::string& line : sql) text += line + "\n";
        oracle_.Exec(text);
        return query.RowsAffected();
    }
    std::vector<std::string> Walk() {
        std::vector<std::string> rows;
        for (query_.First(); !query_.Eof(); query_.Next())
            rows.push_back(query_.FieldByName("ID").AsString() + "|" + query_.FieldByName("NAME").AsString());
        return rows;
    }

    TTempDir dir_;
    TSqliteOracle oracle_;
    TVORSAMQuery query_;
};

TEST_F(QueryComponentTest, OpensASelectWithParametersAndFollowsTheTableOnEachOpen) {
    query_.SetDatabaseName(dir_.Path());
    query_.SetSQL({"SELECT ID, NAME FROM T", "WHERE ID > :LOW AND DAY <= :LAST ORDER BY ID DESC"});
    query_.ParamByName("LOW").SetAsInteger(2);
    query_.ParamByName("LAST").SetAsDate(EncodeDate(2003, 1, 5));
    query_.Open();
    std::vector<std::string> expected =
        oracle_.Rows("SELECT ID, NAME FROM T WHERE ID > 2 AND DAY <= '2003-01-05' ORDER BY ID DESC");
    EXPECT_EQ(Walk(), expected);
    // A prepared SELECT holds its tables read-only, which keeps writers of this process out: unprepare.
    query_.Close();
    EXPECT_NE(ErrorCodeOf([&] { Exec({"UPDATE T SET NAME = 'y'"}); }), 0);
    query_.UnPrepare();
    EXPECT_EQ(Exec({"UPDATE T SET NAME = 'x' WHERE ID = 4"}), 1);
    query_.ParamByName("LOW").SetAsInteger(3);
    query_.Open();
    EXPECT_EQ(Walk(),
              oracle_.Rows("SELECT ID, NAME FROM T WHERE ID > 3 AND DAY <= '2003-01-05' ORDER BY ID DESC"));
}

TEST_F(QueryComponentTest, ExecSqlRunsChangesWithParametersAndReportsTheirRows) {
    TVORSAMQuery change;
    change.SetDatabaseName(dir_.Path());
    change.SetSQL({"DELETE FROM T WHERE NAME = :N OR ID >= :FROM"});
    change.ParamByName("N").SetAsString("n1");
    change.ParamByName("FROM").SetAsInteger(5);
    change.ExecSQL();
    EXPECT_EQ(change.RowsAffected(), 3);
    change.ParamByName("N").SetAsString("   "); // blank text: NULL, which matches nothing
    change.ParamByName("FROM").SetAsInteger(4);
    change.ExecSQL();
    EXPECT_EQ(change.RowsAffected(), 1);
    oracle_.Exec("DELETE FROM T WHERE NAME = 'n1' OR ID >= 4");
    query_.SetDatabaseName(dir_.Path());
    query_.SetSQL({"SELECT ID, NAME FROM T ORDER BY ID"});
    query_.Open();
    EXPECT_EQ(Walk(), oracle_.Rows("SELECT ID, NAME FROM T ORDER BY ID"));
}

TEST_F(QueryComponentTest, StatementErrorsReachTheCallerAndLeaveTheQueryUnprepared) {
    query_.SetDatabaseName(dir_.Path());
    query_.SetSQL({"SELEC ID FROM T"});
    EXPECT_ENGINE_ERROR(query_.Open(), VORSAM_SQLPARSE);
    EXPECT_FALSE(query_.Prepared());
    EXPECT_FALSE(query_.Active());
}

} // namespace
} // namespace vorsam::test
