// The statement frame: dispatch on the first keywords, the end of a statement, scripts, transactions
// and the option clauses shared by several statements.
#include "SqlTestSupport.h"

#include "db/engine/LanguageNames.h"
#include "db/lib/ExpressionParser.h"

namespace vorsam {
namespace {

TEST_F(SqlParserTest, FirstKeywordsSelectTheStatement) {
    const TParseCase cases[] = {
        {"select * from t", "#0 (SELECT :selectall (F * :col *) (T t #1))"},
        {"(SELECT a FROM t)", "#0 (SELECT :paren (F a :col a :alias a) (T t #1))"},
        {"CREATE UNIQUE INDEX i ON t (a)", "#0 (CREATE INDEX :table t (index i [a] :unique))"},
        {"create nocase index i on t (a)", "#0 (CREATE INDEX :table t (index i [a] :nocase))"},
        {"CREATE DESCENDING INDEX i ON t (a)", "#0 (CREATE INDEX :table t (index i [a] :desc))"},
        {"START TRANSACTION", "#0 (START TRANSACTION)"},
        {"ROLLBACK", "#0 (ROLLBACK)"},
        {"ROLLBACK WORK;", "#0 (ROLLBACK)"},
        {"COMMIT", "#0 (COMMIT)"},
        {"COMMIT WORK", "#0 (COMMIT)"},
        {"COMMIT WORK FLUSH", "#0 (COMMIT :flush)"},
        {"COMMIT FLUSH", "#0 (COMMIT :flush)"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(Parse(c.Text), c.Expected) << c.Text;
}

TEST_F(SqlParserTest, WrongFirstKeywordsAreRefusedNamingTheToken) {
    const TParseCase cases[] = {
        {"'SELECT' a FROM t",
         "SELECT, INSERT, UPDATE, DELETE, CREATE, ALTER, or DROP keyword expected, instead found 'SELECT'"},
        {"", "SELECT, INSERT, UPDATE, DELETE, CREATE, ALTER, or DROP keyword expected, instead found ''"},
        {"(UPDATE t SET a=1)", "SELECT keyword expected, instead found 'UPDATE'"},
        {"CREATE VIEW v",
         "TABLE, INDEX, UNIQUE, ASC, ASCENDING, DESC, DESCENDING, or NOCASE keyword expected, "
         "instead found 'VIEW'"},
        {"ALTER INDEX i", "TABLE keyword expected, instead found 'INDEX'"},
        {"DROP VIEW v", "TABLE or INDEX keyword expected, instead found 'VIEW'"},
        {"START WORK", "TRANSACTION keyword expected, instead found 'WORK'"},
        {"COMMIT FLUSH WORK", "End of COMMIT statement expected, instead found 'WORK'"},
        {"ROLLBACK FLUSH", "End of ROLLBACK statement expected, instead found 'FLUSH'"},
        {"START TRANSACTION WORK", "End of START TRANSACTION statement expected, instead found 'WORK'"},
        {"SELECT a FROM t SELECT b", "End of SELECT statement expected, instead found 'SELECT'"},
        {"DROP TABLE t u", "End of DROP TABLE statement expected, instead found 'u'"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(ParseError(c.Text), c.Expected) << c.Text;
}

TEST_F(SqlParserTest, ScriptParsesStatementByStatementWithFreshParameters) {
    Parse("SELECT a FROM t WHERE a = ?; DELETE FROM u WHERE b = ? AND c = ?;COMMIT; ROLLBACK");
    EXPECT_EQ(statement_->Params.size(), 1u);
    EXPECT_FALSE(statement_->AtEndOfText());
    EXPECT_TRUE(statement_->Parser->IsSymbol("DELETE"));
    statement_->ParseNextStatement();
    EXPECT_EQ(Master().StatementType, sqlDelete);
    EXPECT_EQ(statement_->Params.size(), 2u);
    EXPECT_EQ(statement_->Queries.size(), 1u);
    statement_->ParseNextStatement();
    EXPECT_EQ(Master().StatementType, sqlCommit);
    EXPECT_TRUE(statement_->Parser->IsSymbol("ROLLBACK")); // COMMIT; leaves the scanner on ROLLBACK
    statement_->ParseNextStatement();
    EXPECT_EQ(Master().StatementType, sqlRollback);
    EXPECT_TRUE(statement_->AtEndOfText());
}

TEST_F(SqlParserTest, SubjectIsSqlStatementAfterEveryClause) {
    Parse("SELECT a * 2 FROM t WHERE b IN (SELECT c FROM u) GROUP BY 1 HAVING COUNT(*) > 1");
    EXPECT_EQ(statement_->Parser->Subject, "SQL statement");
    EXPECT_EQ(statement_->Parser->ErrorCode, VORSAM_SQLPARSE);
}

TEST_F(SqlParserTest, OptionClausesAreStoredInTheirOrder) {
    const TParseCase cases[] = {
        {"SELECT a FROM t TOP 10 WITH LOCKS LANGUAGE 'ANSI Standard' SORT 'Default' ENCRYPTED WITH 'pw' "
         "NOJOINOPTIMIZE",
         "#0 (SELECT :locks :nojoinoptimize :encrypted :top 10 :language 0 :sort 0 :password pw "
         "(F a :col a :alias a) (T t #1))"},
        {"SELECT a FROM t ENCRYPTED WITH ''", "#0 (SELECT :unencrypted (F a :col a :alias a) (T t #1))"},
        {"SELECT a FROM t LANGUAGE 'Portuguese (Brazilian)'",
         "#0 (SELECT :language " + std::to_string(GetLanguageIdByName("Portuguese (Brazilian)")) +
             " (F a :col a :alias a) (T t #1))"},
        {"DELETE FROM t COMMIT FLUSH", "#0 (DELETE :flush (T t #1))"},
        {"DELETE FROM t COMMIT INTERVAL 100 FLUSH NOJOINOPTIMIZE",
         "#0 (DELETE :nojoinoptimize :flush :interval 100 (T t #1))"},
        {"INSERT INTO t VALUES (1) NOAUTOINC COMMIT INTERVAL 2",
         "#0 (INSERT :noautoinc :interval 2 (T t #1) (columns *) (values 1))"},
        {"UPDATE t SET a = 1 NOAUTOINC COMMIT FLUSH NOJOINOPTIMIZE",
         "#0 (UPDATE :nojoinoptimize :noautoinc :flush (T t #1) (columns a) (values 1))"},
        {"SELECT a INTO r FROM t", "#0 (SELECT :table r (F a :col a :alias a) (T t #1))"},
        {"SELECT a INTO db\\r FROM t", "#0 (SELECT :table db\\r (F a :col a :alias a) (T t #1))"},
        {"SELECT a INTO MEMORY FROM t", "#0 (SELECT :memory (F a :col a :alias a) (T t #1))"},
        {"SELECT a INTO MEMORY 'r' FROM t", "#0 (SELECT :memory :table r (F a :col a :alias a) (T t #1))"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(Parse(c.Text), c.Expected) << c.Text;
}

TEST_F(SqlParserTest, BadOptionClausesAreRefused) {
    const TParseCase cases[] = {
        {"SELECT a FROM t TOP x", "Integer value expected after TOP keyword, instead found 'x'"},
        {"SELECT a FROM t TOP 99999999999",
         "Integer value expected after TOP keyword, instead found '99999999999'"},
        {"SELECT a FROM t WITH NOLOCK", "LOCKS keyword expected after WITH keyword, instead found 'NOLOCK'"},
        {"SELECT a FROM t LANGUAGE 'Klingon'",
         "Invalid language constant 'Klingon' specified after LANGUAGE keyword"},
        {"SELECT a FROM t LANGUAGE 'ANSI Standard' SORT 'Chaotic'",
         "Invalid sort constant 'Chaotic' specified after SORT keyword"},
        {"SELECT a FROM t SORT 'Default'", "End of SELECT statement expected, instead found 'Default'"},
        {"SELECT a FROM t ENCRYPTED 'pw'",
         "WITH keyword expected after ENCRYPTED keyword, instead found 'pw'"},
        {"SELECT a FROM t NOJOINOPTIMIZE TOP 1", "End of SELECT statement expected, instead found 'TOP'"},
        {"DELETE FROM t COMMIT INTERVAL FLUSH",
         "Integer value expected after INTERVAL keyword, instead found 'FLUSH'"},
        {"DELETE FROM t COMMIT INTERVAL 0",
         "Integer value greater than 0 expected after INTERVAL keyword, instead found '0'"},
        {"DELETE FROM t COMMIT INTERVAL 3000000000",
         "Integer value expected after INTERVAL keyword, instead found '3000000000'"},
        {"DELETE FROM t COMMIT WORK",
         "INTERVAL and/or FLUSH keywords expected after COMMIT keyword, instead found 'WORK'"},
        {"DELETE FROM t x NOAUTOINC", "End of DELETE statement expected, instead found 'NOAUTOINC'"},
        {"SELECT a INTO FROM t", "FROM keyword expected, instead found 't'"},
        {"SELECT a INTO db\\", "Result table name expected in INTO clause, instead found ''"},
        {"SELECT a FROM t WHERE b IN (SELECT c INTO x FROM u)",
         "The INTO clause can only be used with the master query"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(ParseError(c.Text), c.Expected) << c.Text;
}

} // namespace
} // namespace vorsam
