// The statement and block objects: defaults, Reset, ownership, rights, progress, items and errors.
#include "SqlTestSupport.h"

#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionParser.h"
#include "db/sql/SqlErrors.h"

#include <vector>

namespace vorsam {
namespace {

TEST(SqlStatementTypes, NamesEveryCodeAndUnknownBeyond) {
    const std::vector<std::pair<int, const char*>> names = {{0, "UNKNOWN"},
                                                            {1, "SELECT"},
                                                            {2, "INSERT"},
                                                            {3, "UPDATE"},
                                                            {4, "DELETE"},
                                                            {5, "CREATE TABLE"},
                                                            {6, "ALTER TABLE"},
                                                            {7, "DROP TABLE"},
                                                            {8, "CREATE INDEX"},
                                                            {9, "DROP INDEX"},
                                                            {10, "START TRANSACTION"},
                                                            {11, "ROLLBACK"},
                                                            {12, "COMMIT"},
                                                            {13, "UNKNOWN"},
                                                            {255, "UNKNOWN"}};
    for (auto [code, name] : names) EXPECT_EQ(StatementTypeName(uint8_t(code)), name) << code;
}

TEST(SqlErrors, TextsAreCutTo255Characters) {
    try {
        SqlError(std::string(300, 'x'));
        FAIL();
    } catch (const EVORSAMEngineError& error) {
        EXPECT_EQ(error.ErrorCode, VORSAM_SQLPARSE);
        EXPECT_EQ(error.ErrorMessage, std::string(255, 'x'));
        EXPECT_NE(std::string(error.what()).find("SQL error - xxx"), std::string::npos);
    }
}

TEST_F(SqlParserTest, LongOffendingTokenIsCutWithTheMessage) {
    std::string error = ParseError("DROP '" + std::string(300, 'v') + "'");
    EXPECT_EQ(error.size(), 255u);
    EXPECT_EQ(error.rfind("TABLE or INDEX keyword expected, instead found 'vvv", 0), 0u);
}

TEST_F(SqlParserTest, NewBlockHasTheClauseDefaults) {
    Parse("COMMIT");
    TDataQuery block(*statement_);
    EXPECT_EQ(block.MaxRowCount, -1);
    EXPECT_EQ(block.TopCount, -1);
    EXPECT_EQ(block.BlobBlockSize, 512);
    EXPECT_EQ(block.UserMajorVersion, 1);
    EXPECT_EQ(block.UserMinorVersion, 0);
    EXPECT_EQ(block.LastAutoInc, -1);
    EXPECT_TRUE(block.UnionAll);
    EXPECT_EQ(block.OrderByIndexNumber, 255);
    EXPECT_FALSE(block.TextIndex);
    EXPECT_TRUE(block.SpaceChars.none() && block.IncludeChars.none());
}

TEST_F(SqlParserTest, ResetRestoresClausesButKeepsItemsTreesAndCallerSettings) {
    Parse("SELECT DISTINCT a FROM t WHERE a > 1 ORDER BY a NOCASE TOP 3 WITH LOCKS ENCRYPTED WITH 'pw'");
    TDataQuery& q = Master();
    q.RequestLive = true;
    q.MaxRowCount = 7;
    q.StopWords = {"a"};
    q.SpaceChars.set('x');
    q.Reset();
    EXPECT_FALSE(q.Distinct || q.WithLocks || q.Encrypted || q.HasOrderBy || q.HasCondition);
    EXPECT_EQ(q.StatementType, sqlUnknown);
    EXPECT_EQ(q.TopCount, -1);
    EXPECT_TRUE(q.Password.empty());
    EXPECT_TRUE(q.StopWords.empty());
    EXPECT_TRUE(q.SpaceChars.none());
    EXPECT_TRUE(q.RequestLive);
    EXPECT_EQ(q.MaxRowCount, 7);
    EXPECT_TRUE(q.OrderByNoCase);
    EXPECT_EQ(q.ResultFields.size(), 1u);
    EXPECT_EQ(q.SourceTables.size(), 1u);
    EXPECT_TRUE(q.WhereTree);
}

TEST_F(SqlParserTest, ExecutedBlockIsNotParsedAgain) {
    Parse("SELECT a FROM t");
    Master().Executed = true;
    statement_->Parser->SetText("DELETE FROM u");
    statement_->Parser->NextToken();
    Master().ParseStatement(false, false, nullptr);
    EXPECT_EQ(Master().StatementType, sqlSelect);
    EXPECT_TRUE(statement_->Parser->IsSymbol("DELETE"));
}

TEST_F(SqlParserTest, MaxRowCountReachesTheMasterNowAndAfterAScriptStep) {
    statement_ = std::make_unique<TQueryStatement>(database_);
    statement_->SetMaxRowCount(3);
    EXPECT_EQ(statement_->MasterQuery->MaxRowCount, 3);
    statement_->ParseText("SELECT a FROM t; SELECT b FROM u");
    statement_->SetMaxRowCount(5);
    EXPECT_EQ(Master().MaxRowCount, 5);
    statement_->ParseNextStatement();
    EXPECT_EQ(Master().MaxRowCount, 5);
    EXPECT_EQ(Master().SourceTables[0]->TableName, "u");
}

TEST_F(SqlParserTest, StatementRegistersWithItsDatabaseAndFreesEveryBlock) {
    Parse("INSERT INTO t SELECT a FROM u WHERE a IN (SELECT b FROM v UNION SELECT c FROM w)");
    EXPECT_EQ(database_.StatementCount(), 1u);
    ASSERT_EQ(statement_->Queries.size(), 4u);
    EXPECT_EQ(statement_->MasterQuery, statement_->Queries[0].get());
    statement_.reset(); // every block once (checked under the address sanitizer)
    EXPECT_EQ(database_.StatementCount(), 0u);
}

TEST_F(SqlParserTest, RightsAreAskedWithTheAccessOfTheStatementType) {
    std::vector<int> asked;
    TSessionHooks hooks;
    hooks.CheckStatementRights = [&](const TDataDirectory&, TStatementAccess access,
                                     const std::string& table) {
        asked.push_back(access);
        return table != "secret";
    };
    session_.SetHooks(hooks);
    const std::vector<std::pair<const char*, int>> cases = {{"SELECT a FROM t", 4},
                                                            {"INSERT INTO t VALUES (1)", 1},
                                                            {"UPDATE t SET a = 1", 2},
                                                            {"DELETE FROM t", 3},
                                                            {"CREATE TABLE t (a INT)", 4},
                                                            {"ALTER TABLE t DROP a", 5},
                                                            {"DROP TABLE t", 6},
                                                            {"CREATE INDEX i ON t (a)", 4},
                                                            {"DROP INDEX t.i", 6},
                                                            {"START TRANSACTION", -1},
                                                            {"COMMIT", -1}};
    for (auto [text, access] : cases) {
        asked.clear();
        Parse(text);
        EXPECT_TRUE(Master().CheckRights("t")) << text;
        EXPECT_EQ(asked, access < 0 ? std::vector<int>{} : std::vector<int>{access}) << text;
    }
    EXPECT_TRUE(Master().CheckRights("secret")); // COMMIT asks nothing
    Parse("SELECT a FROM t");
    EXPECT_FALSE(Master().CheckRights("secret"));
}

TEST_F(SqlParserTest, ProgressReachesTheHandlerWhichMayAbort) {
    Parse("SELECT a FROM t");
    bool abort = false;
    Master().ReportProgress(10, abort); // no handler: nothing happens
    EXPECT_FALSE(abort);
    std::vector<uint16_t> seen;
    statement_->SetProgressHandler([&](TQueryStatement&, uint16_t percent, bool& stop) {
        seen.push_back(percent);
        stop = percent >= 50;
    });
    Master().ReportProgress(20, abort);
    EXPECT_FALSE(abort);
    Master().ReportProgress(50, abort);
    EXPECT_TRUE(abort);
    EXPECT_EQ(seen, (std::vector<uint16_t>{20, 50}));
}

TEST_F(SqlParserTest, FunctionSourcesGoToTheBlockThatNamesThem) {
    Parse("SELECT a FROM t WHERE a = LASTAUTOINC('db/u') AND b IN (SELECT c FROM v WHERE c = "
          "IDENT_CURRENT(w))");
    ASSERT_EQ(Master().FunctionSources.size(), 1u);
    EXPECT_EQ(Master().FunctionSources[0]->TableName, "u");
    EXPECT_EQ(Master().FunctionSources[0]->DatabaseName, "db");
    ASSERT_EQ(statement_->Queries[1]->FunctionSources.size(), 1u);
    EXPECT_EQ(statement_->Queries[1]->FunctionSources[0]->TableName, "w");
}

TEST_F(SqlParserTest, AssignFromTokenTakesNameTypeAndSizes) {
    Parse("CREATE TABLE t (a CHAR(20), b BYTES(8), c DECIMAL(10,2), d INTEGER)");
    auto& fields = Master().CreateFields;
    ASSERT_EQ(fields.size(), 4u);
    for (auto& f : fields) f->AssignFromToken(9);
    EXPECT_EQ(fields[0]->FieldName, "a");
    EXPECT_EQ(fields[0]->FieldNumber, 9);
    EXPECT_EQ(fields[0]->DataType, dtString);
    EXPECT_EQ(fields[0]->Size, 20);
    EXPECT_EQ(fields[1]->Size, 8);
    EXPECT_EQ(fields[2]->DataType, dtBcd);
    EXPECT_EQ(fields[2]->Scale, 2);
    EXPECT_EQ(fields[3]->Size, 0);
}

TEST_F(SqlParserTest, AssignFromTokenOfRedefineNamesTheExistingColumnAndTheNewName) {
    Parse("ALTER TABLE t REDEFINE e f CHAR(10), REDEFINE g");
    auto& fields = Master().CreateFields;
    fields[0]->AssignFromToken(0);
    EXPECT_EQ(fields[0]->FieldName, "e");
    EXPECT_EQ(fields[0]->OldFieldName, "f");
    EXPECT_EQ(fields[0]->Size, 10);
    fields[1]->AssignFromToken(0);
    EXPECT_EQ(fields[1]->FieldName, "g");
    EXPECT_TRUE(fields[1]->OldFieldName.empty());
    EXPECT_EQ(fields[1]->DataType, 0);
}

TEST_F(SqlParserTest, BuildColumnNamesTakesStringTextsAndOtherNames) {
    Parse("COMMIT");
    TCreateIndex index(Master());
    index.AppendColumnToken(MakeColumnNode("", "a"));
    index.AppendColumnToken(MakeStringConstant("my col"));
    TExpTree parameter = MakeStringConstant("x");
    parameter->IsParameter = true;
    parameter->Name = "?";
    index.AppendColumnToken(std::move(parameter));
    index.BuildColumnNames();
    EXPECT_EQ(index.ColumnNames, (std::vector<std::string>{"a", "my col", "?"}));
    index.BuildColumnNames();
    EXPECT_EQ(index.ColumnNames.size(), 3u);
}

TEST_F(SqlParserTest, SetColumnNameGivesTheAliasOnlyWhileEmptyAndNotAStar) {
    Parse("COMMIT");
    TResultField field(Master());
    field.SetColumnName("*");
    EXPECT_TRUE(field.Alias.empty());
    field.SetColumnName("a");
    EXPECT_EQ(field.Alias, "a");
    field.SetColumnName("b");
    EXPECT_EQ(field.ColumnName, "b");
    EXPECT_EQ(field.Alias, "a");
}

} // namespace
} // namespace vorsam
