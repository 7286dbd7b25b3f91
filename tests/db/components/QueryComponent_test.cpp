// The query component over the SQL engine: a SELECT with named parameters opened as a dataset, data
// changes run with ExecSQL and their row counts, and the result following the table's changes on each
// open. The oracle is SQLite running the same statements.
#include "../sql/SqliteOracle.h"

#include "db/components/VORSAMDatabase.h"
#include "db/components/VORSAMQuery.h"
#include "db/components/VORSAMSession.h"
#include "db/components/VORSAMSessionList.h"
#include "db/lib/TestSupport.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataSource.h"
#include "platform/data/DateTime.h"
#include "platform/data/Errors.h"

namespace vorsam::test {
namespace {

using namespace platform::data;

// The message of the database error a callable raises; empty when it raises none.
template <typename F> std::string DatabaseErrorOf(F&& f) {
    try {
        f();
    } catch (const EDatabaseError& e) {
        return e.what();
    }
    return {};
}
#define EXPECT_DATABASE_ERROR_TEXT(statement, message)                                                       \
    EXPECT_EQ(DatabaseErrorOf([&] { statement; }), (message))

class QueryComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        FinalizeSessions();
        DefaultSession().OpenDatabase(dir_.Path(), nullptr);
        Exec({"CREATE TABLE T (ID INTEGER, NAME CHAR(10), DAY DATE, PRIMARY KEY (ID))"});
        for (int id = 1; id <= 6; ++id)
            Exec({"INSERT INTO T VALUES (" + std::to_string(id) + ", 'n" + std::to_string(id) +
                  "', '2003-01-0" + std::to_string(id) + "')"});
    }
    void TearDown() override {
        query_.Disconnect();
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
    EXPECT_FALSE(query_.CanModify()); // the rows of a result table are a copy
    // A prepared SELECT holds its tables read-only, which a writer of this process joins.
    query_.Close();
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

TEST_F(QueryComponentTest, LongTextNullAndDateParametersReachTheRow) {
    Exec({"CREATE TABLE M (ID INTEGER, NOTES MEMO, S CHAR(5), DAY DATE)"});
    TVORSAMQuery insert;
    insert.SetDatabaseName(dir_.Path());
    insert.SetSQL({"INSERT INTO M VALUES (:ID, :NOTES, :S, :DAY)"});
    std::string text(400, 'm');
    insert.ParamByName("ID").SetAsInteger(1);
    insert.ParamByName("NOTES").SetAsString(text); // more than 250 characters: passed as a memo
    insert.ParamByName("S").SetAsString("");       // empty text: NULL
    insert.ParamByName("DAY").SetAsDate(EncodeDate(1999, 12, 31));
    insert.ExecSQL();
    EXPECT_EQ(insert.RowsAffected(), 1);
    query_.SetDatabaseName(dir_.Path());
    query_.SetSQL({"SELECT ID, NOTES, S, DAY FROM M"});
    query_.Open();
    EXPECT_EQ(query_.FieldByName("NOTES").AsString(), text);
    EXPECT_TRUE(query_.FieldByName("S").IsNull());
    EXPECT_EQ(query_.FieldByName("DAY").AsDateTime(), EncodeDate(1999, 12, 31));
}

TEST_F(QueryComponentTest, ALiveResultEditsTheTable) {
    query_.SetDatabaseName(dir_.Path());
    query_.SetRequestLive(true);
    query_.SetSQL({"SELECT * FROM T WHERE ID > 4"});
    query_.Open();
    ASSERT_TRUE(query_.CanModify());
    EXPECT_EQ(query_.FieldByName("ID").AsInteger(), 5);
    query_.Edit();
    query_.FieldByName("NAME").SetAsString("edited");
    query_.Post();
    query_.Disconnect();
    oracle_.Exec("UPDATE T SET NAME = 'edited' WHERE ID = 5");
    query_.SetRequestLive(false);
    query_.SetSQL({"SELECT ID, NAME FROM T ORDER BY ID"});
    query_.Open();
    EXPECT_EQ(Walk(), oracle_.Rows("SELECT ID, NAME FROM T ORDER BY ID"));
}

// A result column read straight from a table names it and the column as its origin, whether the result
// is the table's own cursor or a copy; computed columns and aggregates have none.
TEST_F(QueryComponentTest, ResultFieldsNameTheTableColumnTheyComeFrom) {
    struct TCase {
        bool live;
        std::vector<std::string> sql;
        std::vector<std::pair<std::string, std::string>> origins; // field, origin
    };
    const TCase cases[] = {
        {true, {"SELECT * FROM T"}, {{"ID", "T.ID"}, {"NAME", "T.NAME"}, {"DAY", "T.DAY"}}},
        {false,
         {"SELECT NAME AS N, ID + 1 AS NEXT, ID FROM T ORDER BY NAME"},
         {{"N", "T.NAME"}, {"NEXT", ""}, {"ID", "T.ID"}}},
        {false, {"SELECT COUNT(*) AS C, MAX(ID) AS M FROM T"}, {{"C", ""}, {"M", ""}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.sql.front());
        query_.Close();
        query_.SetDatabaseName(dir_.Path());
        query_.SetRequestLive(c.live);
        query_.SetSQL(c.sql);
        query_.Open();
        EXPECT_EQ(query_.CanModify(), c.live);
        for (const auto& [field, origin] : c.origins)
            EXPECT_EQ(query_.FieldByName(field).Origin(), origin) << field;
    }
}

TEST_F(QueryComponentTest, StatementErrorsReachTheCallerAndLeaveTheQueryUnprepared) {
    query_.SetDatabaseName(dir_.Path());
    query_.SetSQL({"SELEC ID FROM T"});
    EXPECT_ENGINE_ERROR(query_.Open(), VORSAM_SQLPARSE);
    EXPECT_FALSE(query_.Prepared());
    EXPECT_FALSE(query_.Active());
}

TEST_F(QueryComponentTest, ADetailQueryTakesItsParametersFromTheMastersRecord) {
    TVORSAMQuery master;
    master.SetDatabaseName(dir_.Path());
    master.SetSQL({"SELECT ID, NAME FROM T WHERE ID < 4 ORDER BY ID"});
    TDataSource source(&master);
    query_.SetDatabaseName(dir_.Path());
    query_.SetSQL({"SELECT ID, NAME FROM T WHERE ID > :ID ORDER BY ID"});
    query_.SetDataSource(&source);
    master.Open();
    query_.Open();
    EXPECT_EQ(Walk(), oracle_.Rows("SELECT ID, NAME FROM T WHERE ID > 1 ORDER BY ID"));
    master.Next();
    EXPECT_EQ(Walk(), oracle_.Rows("SELECT ID, NAME FROM T WHERE ID > 2 ORDER BY ID"));
    std::vector<TField*> masterFields, detailFields;
    query_.GetDetailLinkFields(masterFields, detailFields);
    ASSERT_EQ(masterFields.size(), 1u);
    EXPECT_EQ(masterFields[0], &master.FieldByName("ID"));
    EXPECT_EQ(detailFields.size(), 1u);
    query_.ParamByName("ID").SetAsInteger(4); // a value of its own wins over the master's
    master.Next();
    EXPECT_EQ(Walk(), oracle_.Rows("SELECT ID, NAME FROM T WHERE ID > 4 ORDER BY ID"));
    TDataSource own(&query_);
    EXPECT_DATABASE_ERROR_TEXT(query_.SetDataSource(&own), SCircularDataLink);
    query_.Close();
    master.Close();
}

TEST_F(QueryComponentTest, TwoColumnsOfOneNameKeepTheFirstNameAndNumberTheOthers) {
    query_.SetDatabaseName(dir_.Path());
    query_.SetSQL({"SELECT ID AS X, NAME AS X, ID + 10 AS X FROM T WHERE ID = 2"});
    query_.Open();
    ASSERT_EQ(query_.FieldCount(), 3);
    EXPECT_EQ(query_.Fields()[0].FieldName(), "X");
    EXPECT_EQ(query_.Fields()[1].FieldName(), "X_1");
    EXPECT_EQ(query_.Fields()[2].FieldName(), "X_2");
    EXPECT_EQ(query_.FieldByName("X").AsInteger(), 2);
    EXPECT_EQ(query_.FieldByName("X_1").AsString(), "n2");
    EXPECT_EQ(query_.FieldByName("X_2").AsInteger(), 12);
}

TEST_F(QueryComponentTest, ClosingTheDatabaseDisconnectsAnOpenQueryFirst) {
    TVORSAMDatabase database;
    database.SetDatabaseName("PEOPLE");
    database.SetDirectory(dir_.Path());
    database.Open();
    TVORSAMQuery query;
    query.SetDatabaseName("PEOPLE");
    query.SetSQL({"SELECT ID FROM T"});
    query.Open();
    database.Close();
    EXPECT_FALSE(database.Connected());
    EXPECT_FALSE(query.Active());
    EXPECT_FALSE(query.Prepared());
    query.Open(); // the database opens again for it
    EXPECT_EQ(query.RecordCount(), 6);
}

TEST_F(QueryComponentTest, EndingTheSessionsWithAClosedPreparedQueryFreesItsStatement) {
    query_.SetDatabaseName(dir_.Path());
    query_.SetSQL({"SELECT ID FROM T"});
    query_.Open();
    query_.Close();
    FinalizeSessions();
    EXPECT_FALSE(query_.Prepared());
}

} // namespace
} // namespace vorsam::test
