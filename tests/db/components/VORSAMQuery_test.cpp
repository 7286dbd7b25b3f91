// The query component's own part over the SQL engine's statements: the text and its parameters, the
// parameters in the engine's forms, when it prepares and unprepares, and how it shows the statement's
// result cursor, which the statement keeps. What the statements do is the SQL engine's tests' concern.
#include "VORSAMDataSetTestSupport.h"

#include "db/components/VORSAMQuery.h"
#include "db/components/VORSAMQueryParams.h"
#include "db/lib/Values.h"
#include "platform/data/DBConsts.h"

#include <functional>
#include <set>

namespace vorsam::test {
namespace {

using namespace platform::data;

class QueryTest : public DataSetTest {
protected:
    void SetUp() override {
        DataSetTest::SetUp();
        CreateRows("T", {{1, 10, "um"}, {2, 20, "dois"}, {3, 30, "tres"}, {4, 40, "quatro"}});
        query_.SetDatabaseName(dir_.Path());
    }
    void TearDown() override {
        query_.Disconnect();
        DataSetTest::TearDown();
    }
    std::vector<int> Ids() {
        std::vector<int> ids;
        for (query_.First(); !query_.Eof(); query_.Next())
            ids.push_back(query_.FieldByName("ID").AsInteger());
        return ids;
    }

    TVORSAMQuery query_;
};

TEST_F(QueryTest, NamedParametersBecomePositionalAndKeepTheirValuesWhenTheTextChanges) {
    query_.SetSQL({"select * from t", "where a = :A and b = :B"});
    ASSERT_EQ(query_.Params().Count(), 2);
    query_.ParamByName("A").SetAsInteger(7);
    query_.SetSQL({"select * from t where b = :B and a = :a"});
    EXPECT_EQ(query_.Text(), "select * from t where b = ? and a = ?");
    EXPECT_TRUE(query_.Params()[0].IsNull());
    EXPECT_EQ(query_.Params()[1].AsInteger(), 7);
    query_.SetParamCheck(false);
    query_.SetSQL({"select ':x' from t where c = :C"});
    EXPECT_EQ(query_.Text(), "select ':x' from t where c = :C");
    EXPECT_EQ(query_.Params().Count(), 2);
}

TEST_F(QueryTest, PreparingRefusesTextsWithoutAStatementAndChangingTheTextUnprepares) {
    EXPECT_DATABASE_ERROR(query_.Prepare(), SNoSQLStatement);
    query_.SetSQL({"x"});
    EXPECT_DATABASE_ERROR(query_.Prepare(), SNoSQLStatement);
    query_.SetSQL({"bad"});
    EXPECT_ENGINE_ERROR(query_.Prepare(), VORSAM_SQLPARSE);
    EXPECT_FALSE(query_.Prepared());
    query_.SetSQL({"SELECT ID FROM T ORDER BY ID"});
    query_.SetMaxRowCount(1);
    query_.Prepare();
    query_.SetMaxRowCount(3); // reaches the prepared statement
    query_.Open();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3}));
    query_.Close();
    query_.SetSQL({"SELECT ID FROM T WHERE ID > 1"});
    EXPECT_FALSE(query_.Prepared());
}

TEST_F(QueryTest, AParameterWithoutATypeIsRefused) {
    query_.SetSQL({"DELETE FROM T WHERE ID = :A"});
    EXPECT_DATABASE_ERROR(query_.ExecSQL(), "No value for parameter 'A'");
}

TEST_F(QueryTest, ParameterValuesTakeTheEnginesForms) {
    TParams params;
    params.CreateParam(ftInteger, "I", ptInput).SetAsInteger(-5);
    params.CreateParam(ftString, "S", ptInput).SetAsString("abc  ");
    params.CreateParam(ftDateTime, "T", ptInput)
        .SetAsDateTime(EncodeDate(2001, 2, 3) + EncodeTime(4, 5, 6, 0));
    params.CreateParam(ftBoolean, "F", ptInput).SetAsBoolean(true);
    std::vector<std::string> texts;
    for (int i = 0; i < params.Count(); ++i) {
        TStatementParam value = QueryParamValue(params[i]);
        texts.push_back(ValueToText(value.Value.data(), {value.DataType, value.Size, value.Scale}));
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"-5", "abc  ", "2001-02-03 04:05:06", "TRUE"}));
}

TEST_F(QueryTest, OpenShowsTheStatementsResultAndRunsTheStatementAgainOnEachOpen) {
    query_.SetSQL({"SELECT ID FROM T WHERE CODE > :C ORDER BY ID"});
    query_.ParamByName("C").SetAsInteger(10);
    int progress = -1;
    query_.OnQueryProgress = [&](TVORSAMQuery&, int percent, bool&) { progress = percent; };
    query_.Open();
    EXPECT_EQ(progress, 100);
    EXPECT_EQ(Ids(), (std::vector<int>{2, 3, 4}));
    EXPECT_DATABASE_ERROR(query_.UnPrepare(), SDataSetOpen);
    query_.Close();
    EXPECT_TRUE(query_.Prepared());
    query_.ParamByName("C").SetAsInteger(20);
    query_.Open();
    EXPECT_EQ(Ids(), (std::vector<int>{3, 4}));
}

TEST_F(QueryTest, OpeningAStatementWithoutRowsFails) {
    query_.SetSQL({"DELETE FROM T WHERE ID = 0"});
    EXPECT_DATABASE_ERROR(query_.Open(), SHandleError);
    EXPECT_FALSE(query_.Active());
}

// A run that fails reports the rows it left changed (two of a script here), never the last run's count
// (not when it fails before it runs either: at its prepare, at its parameters), and frees its statement.
TEST_F(QueryTest, AFailedRunReportsTheRowsItLeftChangedAndIsPreparedAgain) {
    query_.SetSQL({"INSERT INTO T VALUES (6, 0, 'a'); INSERT INTO T VALUES (7, 0, 'b'); INSERT INTO T VALUES "
                   "(1, 0, 'c')"});
    std::vector<int32_t> rows;
    for (int run = 0; run < 2; ++run) {
        EXPECT_ENGINE_ERROR(query_.ExecSQL(), VORSAM_KEYVIOL);
        rows.push_back(query_.RowsAffected() + query_.Prepared());
    }
    query_.SetSQL({"SELECT ID FROM T WHERE ID / :P > 0"}); // the same statement failing on its next run
    for (int divisor : {1, 0}) {
        query_.ParamByName("P").SetAsInteger(divisor);
        EXPECT_ENGINE_ERROR(query_.Open(), divisor == 0 ? VORSAM_DIVBYZERO : 0);
        rows.push_back(query_.RowsAffected()), query_.Close();
    }
    for (const std::string text :
         {"UPDATE T SET CODE =", "UPDATE NONE SET CODE = 1", "DELETE FROM T WHERE ID = :Q"}) {
        query_.SetSQL({"UPDATE T SET CODE = 0"}), query_.ExecSQL(),
            query_.SetSQL({text}); // 6 rows, then none
        EXPECT_ANY_THROW(query_.ExecSQL());
        rows.push_back(query_.RowsAffected() + int32_t(query_.ExecutionTime() != 0));
    }
    EXPECT_EQ(rows, (std::vector<int32_t>{2, 0, 6, 0, 0, 0, 0}));
}

// The routines of a query's own run (its progress here) may not free, run, open or change it, nor close
// its database or session, nor start or end a transaction there: each is refused first, nothing changed.
TEST_F(QueryTest, TheRoutinesOfARunningQueryMayNotFreeRunChangeOrCloseIt) {
    for (const std::string text : {"UPDATE T SET CODE = CODE + 1", "SELECT ID FROM T ORDER BY ID"}) {
        std::set<uint16_t> refusals;
        query_.SetSQL({text}), query_.OnQueryProgress = [&](TVORSAMQuery& q, int, bool&) {
            for (const auto& use : std::initializer_list<std::function<void()>>{
                     [&] { q.UnPrepare(); }, [&] { q.ExecSQL(); }, [&] { q.Open(); },
                     [&] { q.SetSQL({"X"}); }, [&] { q.SetMaxRowCount(1); }, [&] { q.Database()->Close(); },
                     [&] { q.Database()->StartTransaction(); }, [&] { q.Database()->Commit(); },
                     [&] { DefaultSession().SetActive(false); }})
                refusals.insert(ErrorCodeOf(use));
        };
        text[0] == 'U' ? query_.ExecSQL() : query_.Open();
        EXPECT_EQ(refusals, std::set<uint16_t>{VORSAM_NOTSUPPORTED});
        EXPECT_EQ(text[0] == 'U' ? query_.RowsAffected() : int(Ids().size()), 4);
        EXPECT_EQ(query_.DBFlags(), (1 << dbfPrepared) | (text[0] == 'U' ? 0 : 1 << dbfOpened));
        query_.OnQueryProgress = nullptr, query_.Close();
    }
}

} // namespace
} // namespace vorsam::test
