// The query component over a fake statement of the SQL engine: what it hands the statement (text,
// options, parameters in the engine's forms), when it prepares and unprepares, and how it shows the
// statement's result cursor, which the statement keeps.
#include "VORSAMDataSetTestSupport.h"

#include "db/components/VORSAMQuery.h"
#include "db/components/VORSAMQueryParams.h"
#include "db/lib/Values.h"
#include "platform/data/DBConsts.h"

namespace vorsam::test {
namespace {

using namespace platform::data;

// What the fake statements were told, for the test to read.
struct TStatementLog {
    int Made = 0;
    int Freed = 0;
    std::string Text;
    bool RequestLive = false;
    int32_t MaxRowCount = 0;
    std::vector<std::vector<TQueryParamValue>> Runs;
    TDataCursor* Result = nullptr; // what Execute returns
    int32_t Rows = 0;
    bool Live = false;
};

class TFakeStatement : public TQueryStatementLink {
public:
    explicit TFakeStatement(TStatementLog& log) : log_(log) { ++log_.Made; }
    ~TFakeStatement() override { ++log_.Freed; }
    void SetRequestLive(bool value) override { log_.RequestLive = value; }
    void SetMaxRowCount(int32_t value) override { log_.MaxRowCount = value; }
    void SetPasswordHandler(std::function<bool()>) override {}
    void SetProgressHandler(std::function<void(uint16_t, bool&)> handler) override {
        progress_ = std::move(handler);
    }
    void Prepare(const std::string& sql) override {
        if (sql == "bad") RaiseEngineError(VORSAM_SQLPARSE, "bad");
        log_.Text = sql;
    }
    TDataCursor* Execute(const std::vector<TQueryParamValue>& params, bool) override {
        log_.Runs.push_back(params);
        bool abort = false;
        if (progress_) progress_(100, abort);
        return log_.Result;
    }
    bool LiveResult() const override { return log_.Live; }
    int32_t RowsAffected() const override { return log_.Rows; }
    double ExecutionTime() const override { return 0.5; }
    uint8_t StatementType() const override { return 1; }

private:
    TStatementLog& log_;
    std::function<void(uint16_t, bool&)> progress_;
};

class QueryTest : public DataSetTest {
protected:
    void SetUp() override {
        DataSetTest::SetUp();
        SetQueryStatementFactory([this](TDataDirectory&) { return std::make_unique<TFakeStatement>(log_); });
        query_.SetDatabaseName(dir_.Path());
    }
    void TearDown() override {
        query_.Disconnect();
        result_.reset();
        SetQueryStatementFactory({});
        DataSetTest::TearDown();
    }
    // A result cursor of the rows' table, which the fake statement returns (and the test keeps).
    void GiveResult(const std::vector<TRow>& rows) {
        CreateRows("RESULT", rows);
        result_ = std::make_unique<TDataCursor>(*database_->Handle());
        result_->SetTableName("RESULT");
        result_->OpenCursor();
        log_.Result = result_.get();
    }

    TStatementLog log_;
    std::unique_ptr<TDataCursor> result_;
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

TEST_F(QueryTest, PreparingHandsTheStatementTextAndOptionsAndUnpreparingFreesIt) {
    EXPECT_DATABASE_ERROR(query_.Prepare(), SNoSQLStatement);
    query_.SetSQL({"x"});
    EXPECT_DATABASE_ERROR(query_.Prepare(), SNoSQLStatement);
    query_.SetSQL({"bad"});
    EXPECT_ENGINE_ERROR(query_.Prepare(), VORSAM_SQLPARSE);
    EXPECT_FALSE(query_.Prepared());
    query_.SetSQL({"delete from t"});
    query_.SetRequestLive(true);
    query_.SetMaxRowCount(10);
    query_.Prepare();
    EXPECT_EQ(log_.Text, "delete from t");
    EXPECT_TRUE(log_.RequestLive);
    EXPECT_EQ(log_.MaxRowCount, 10);
    query_.SetMaxRowCount(3);
    EXPECT_EQ(log_.MaxRowCount, 3);
    query_.SetSQL({"delete from u"});
    EXPECT_FALSE(query_.Prepared());
    EXPECT_EQ(log_.Freed, log_.Made);
}

TEST_F(QueryTest, ExecSqlRunsWithTheParametersAndKeepsTheRowCount) {
    query_.SetSQL({"update t set a = :A where b = :B and c = :C"});
    query_.ParamByName("A").SetAsString("   ");
    query_.ParamByName("B").SetAsDate(EncodeDate(2003, 1, 31));
    query_.ParamByName("C").SetAsString(std::string(300, 'z'));
    log_.Rows = 4;
    query_.ExecSQL();
    EXPECT_EQ(query_.RowsAffected(), 4);
    EXPECT_EQ(query_.ExecutionTime(), 0.5);
    ASSERT_EQ(log_.Runs.size(), 1u);
    const std::vector<TQueryParamValue>& params = log_.Runs[0];
    ASSERT_EQ(params.size(), 3u);
    EXPECT_TRUE(params[0].IsNull);
    EXPECT_EQ(params[0].DataType, dtString);
    EXPECT_EQ(params[1].DataType, dtDate);
    EXPECT_EQ(ValueToText(params[1].Value.data(), {dtDate}), "2003-01-31");
    EXPECT_EQ(params[2].DataType, dtBlob);
    EXPECT_EQ(params[2].SubType, stMemo);
    EXPECT_EQ(params[2].Value.size(), 301u);
    query_.ExecSQL(); // prepared once, run twice
    EXPECT_EQ(log_.Made, 1);
    EXPECT_EQ(log_.Runs.size(), 2u);
}

TEST_F(QueryTest, AParameterWithoutATypeIsRefused) {
    query_.SetSQL({"delete from t where a = :A"});
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
        TQueryParamValue value = QueryParamValue(params[i]);
        texts.push_back(ValueToText(value.Value.data(), {value.DataType, value.Size, value.Scale}));
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"-5", "abc  ", "2001-02-03 04:05:06", "TRUE"}));
}

TEST_F(QueryTest, OpenShowsTheStatementsCursorWhichOutlivesTheQuerysClose) {
    GiveResult({{1, 10, "um"}, {2, 20, "dois"}});
    query_.SetSQL({"select * from RESULT"});
    int progress = 0;
    query_.OnQueryProgress = [&](TVORSAMQuery&, int percent, bool&) { progress = percent; };
    query_.Open();
    EXPECT_EQ(progress, 100);
    std::vector<int> ids;
    for (query_.First(); !query_.Eof(); query_.Next()) ids.push_back(query_.FieldByName("ID").AsInteger());
    EXPECT_EQ(ids, (std::vector<int>{1, 2}));
    EXPECT_DATABASE_ERROR(query_.UnPrepare(), SDataSetOpen);
    EXPECT_FALSE(query_.CanModify()); // a result table: a copy
    query_.Close();
    log_.Live = true;
    EXPECT_TRUE(result_->IsOpen());
    query_.Open(); // runs again
    EXPECT_EQ(log_.Runs.size(), 2u);
    EXPECT_TRUE(query_.CanModify()); // the table's own cursor
    query_.Close();
}

TEST_F(QueryTest, OpeningAStatementWithoutRowsFails) {
    query_.SetSQL({"delete from t"});
    EXPECT_DATABASE_ERROR(query_.Open(), SHandleError);
    EXPECT_FALSE(query_.Active());
}

} // namespace
} // namespace vorsam::test
