// INSERT, UPDATE and DELETE.
#include "SqlTestSupport.h"

namespace vorsam {
namespace {

TEST_F(SqlParserTest, DataChangesFillTargetColumnsValuesAndSources) {
    const TParseCase cases[] = {
        {"INSERT INTO t VALUES (1, 'a')", "#0 (INSERT (T t #1) (columns *) (values 1 'a'))"},
        {"INSERT INTO t x VALUES (1)", "#0 (INSERT (T t #1 :as x) (columns *) (values 1))"},
        {"INSERT INTO MEMORY tmp VALUES (1)",
         "#0 (INSERT (T tmp #1 :db Memory :memory) (columns *) (values 1))"},
        {"INSERT INTO db\\t (a, 'b c') VALUES (-1, ?)",
         "#0 (INSERT (T t #1 :db db) (columns a b c) (values (- 1) ?))"},
        {"INSERT INTO t (a, b) SELECT x, y FROM u",
         "#0 (INSERT :source #1 (T t #1) (columns a b))\n#1 (SELECT :sub (F x :col x :alias x) (F y :col y "
         ":alias y) (T u #1))"},
        {"INSERT INTO t (SELECT x FROM u)",
         "#0 (INSERT :source #1 (T t #1) (columns *))\n#1 (SELECT :sub (F x :col x :alias x) (T u #1))"},
        {"INSERT INTO t SELECT x FROM u NOAUTOINC COMMIT INTERVAL 5",
         "#0 (INSERT :noautoinc :interval 5 :source #1 (T t #1) (columns *))\n"
         "#1 (SELECT :sub (F x :col x :alias x) (T u #1))"},
        {"UPDATE t SET a = 1, b = b + 1 WHERE c > 0",
         "#0 (UPDATE (T t #1) (where (> c 0)) (columns a b) (values 1 (+ b 1)))"},
        {"UPDATE t SET a = u.x FROM t, u WHERE t.id = u.id",
         "#0 (UPDATE :multi (T t #1) (T u #2) (where (= t.id u.id)) (columns a) (values u.x))"},
        {"UPDATE t AS x SET a = 1 FROM t AS X", "#0 (UPDATE (T t #1 :as x) (columns a) (values 1))"},
        {"UPDATE MEMORY t SET a = 1 FROM MEMORY \"t.dat\" t",
         "#0 (UPDATE (T t #1 :db Memory :memory) (columns a) (values 1))"},
        {"UPDATE t x SET a = y.b FROM t JOIN u y ON x.k = y.k, v NOJOINOPTIMIZE",
         "#0 (UPDATE :multi :nojoinoptimize (T t #1 :as x) (T u #2 :as y) (T v #3) (where (=/1^ x.k y.k)) "
         "(columns a) (values y.b))"},
        {"DELETE FROM t WHERE a IN (SELECT b FROM u)",
         "#0 (DELETE (T t #1) (where (IN a (SELECT #1))))\n#1 (SELECT :sub (F b :col b :alias b) (T u #1))"},
        {"DELETE FROM t COMMIT INTERVAL 100", "#0 (DELETE :interval 100 (T t #1))"},
        {"DELETE FROM t x, MEMORY u y WHERE x.a = y.a",
         "#0 (DELETE :multi (T t #1 :as x) (T u #2 :as y :db Memory :memory) (where (= x.a y.a)))"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(Parse(c.Text), c.Expected) << c.Text;
    EXPECT_TRUE(Master().RequestLive);
}

TEST_F(SqlParserTest, InsertSourceSelectIsAnotherBlockOfTheStatement) {
    Parse("INSERT INTO t (a) SELECT x FROM u");
    ASSERT_EQ(statement_->Queries.size(), 2u);
    EXPECT_TRUE(Master().InsertFromSelect);
    EXPECT_EQ(Master().InsertSourceQuery, statement_->Queries[1].get());
    EXPECT_TRUE(Master().InsertSourceQuery->RequestLive);
    EXPECT_TRUE(Master().InsertSourceQuery->SubSelect);
}

TEST_F(SqlParserTest, BadDataChangesAreRefused) {
    const TParseCase cases[] = {
        {"INSERT t VALUES (1)", "INTO keyword expected, instead found 't'"},
        {"INSERT INTO (a) VALUES (1)", "Table name expected after INTO clause, instead found '('"},
        {"INSERT INTO MEMORY", "Table name expected after INTO keyword, instead found ''"},
        {"INSERT INTO db\\ (a) VALUES (1)", "Table name expected after INTO keyword, instead found '('"},
        {"INSERT INTO t VALUES 1", "Left parentheses expected after VALUES keyword, instead found '1'"},
        {"INSERT INTO t (a, b VALUES (1, 2)",
         "Right parentheses expected after list of table columns, instead found 'VALUES'"},
        {"INSERT INTO t x;", "VALUES or SELECT  keyword expected, instead found ';'"},
        {"INSERT INTO t (SELECT x FROM u",
         "Right parentheses expected after SELECT statement, instead found ''"},
        {"INSERT INTO t VALUES (1), (2)", "End of INSERT statement expected, instead found ','"},
        {"UPDATE (t) SET a = 1", "Table name expected, instead found '('"},
        {"UPDATE t a = 1", "SET keyword expected, instead found '='"},
        {"UPDATE t SET a + 1 = 2", "Assignment (=) operator expected after column name, instead found '+'"},
        {"UPDATE t SET a = 1 FROM u",
         "The first source table specified in FROM clause must match the table being updated in the UPDATE "
         "statement"},
        {"UPDATE t AS x SET a = 1 FROM t AS y",
         "The first source table specified in FROM clause must match the table being updated in the UPDATE "
         "statement"},
        {"UPDATE t SET a = 1 FROM MEMORY t",
         "The first source table specified in FROM clause must match the table being updated in the UPDATE "
         "statement"},
        {"UPDATE t SET a = 1 FROM t, u t", "Duplicate table correlation name 't' found in source tables"},
        {"UPDATE t SET a = 1 FROM", "Table name expected after FROM keyword, instead found ''"},
        {"DELETE t", "FROM keyword expected, instead found 't'"},
        {"DELETE FROM t NOAUTOINC x", "End of DELETE statement expected, instead found 'x'"},
        {"DELETE FROM t, t", "Duplicate table correlation name 't' found in source tables"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(ParseError(c.Text), c.Expected) << c.Text;
}

} // namespace
} // namespace vorsam
