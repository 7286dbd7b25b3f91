// The SELECT statement: aliases, sources and joins, grouping and ordering, UNION and sub-selects.
#include "SqlTestSupport.h"

namespace vorsam {
namespace {

TEST_F(SqlParserTest, SelectClausesAreStored) {
    const TParseCase cases[] = {
        {"SELECT a b FROM t", "#0 (SELECT (F a :col a :alias b :named) (T t #1))"},
        {"SELECT a AS x.y FROM t", "#0 (SELECT (F a :col a :alias y :named) (T t #1))"},
        {"SELECT a \"my name\", b AS 'n2' FROM t",
         "#0 (SELECT (F a :col a :alias my name :named) (F b :col b :alias n2 :named) (T t #1))"},
        {"SELECT a FROM FROM t", "#0 (SELECT (F a :col a :alias a) (T FROM #1 :as t))"},
        {"SELECT *, a FROM t", "#0 (SELECT (F * :col *) (F a :col a :alias a) (T t #1))"},
        {"SELECT COUNT(*) FROM t", "#0 (SELECT (F (COUNT) :col * :agg 6) (T t #1))"},
        {"SELECT ALL a FROM t", "#0 (SELECT (F a :col a :alias a) (T t #1))"},
        {"SELECT DISTINCT a FROM t x, u AS y",
         "#0 (SELECT :distinct :multi (F a :col a :alias a) (T t #1 :as x) (T u #2 :as y))"},
        {"SELECT a FROM t GROUP BY 1, t.b HAVING COUNT(*) > 1",
         "#0 (SELECT (F a :col a :alias a) (T t #1) (group 1 t.b) (having (> (COUNT) 1)))"},
        {"SELECT a FROM t ORDER BY a DESC, b NOCASE",
         "#0 (SELECT (F a :col a :alias a) (T t #1) (order a:desc b) :nocase)"},
        {"SELECT a FROM t ORDER BY 2 ASCENDING, t.c DESCENDING, d ASC",
         "#0 (SELECT (F a :col a :alias a) (T t #1) (order 2 t.c:desc d))"},
        {"SELECT a FROM t WHERE a = 1 GROUP BY a ORDER BY a TOP 3",
         "#0 (SELECT :top 3 (F a :col a :alias a) (T t #1) (where (= a 1)) (group a) (order a))"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(Parse(c.Text), c.Expected) << c.Text;
}

TEST_F(SqlParserTest, SourceTablesTakeDatabaseTableAndCorrelationNames) {
    const TParseCase cases[] = {
        {"SELECT a FROM db\\t", "#0 (SELECT (F a :col a :alias a) (T t #1 :db db))"},
        {"SELECT a FROM 'db/t'", "#0 (SELECT (F a :col a :alias a) (T t #1 :db db))"},
        {"SELECT a FROM '/Data/Mixed/t.DAT' x",
         "#0 (SELECT (F a :col a :alias a) (T t #1 :as x :db /Data/Mixed))"},
        {"SELECT a FROM \"t.dat\"", "#0 (SELECT (F a :col a :alias a) (T t #1))"},
        {"SELECT a FROM MEMORY t", "#0 (SELECT (F a :col a :alias a) (T t #1 :db Memory :memory))"},
        {"SELECT a FROM [t] WITH LOCKS", "#0 (SELECT :locks (F a :col a :alias a) (T t #1))"},
        {"SELECT a FROM t JOIN u WHERE u.a = t.a", "ON keyword expected in JOIN clause, instead found 'u'"},
    };
    for (const TParseCase& c : cases) {
        if (c.Expected.rfind("#0", 0) == 0)
            EXPECT_EQ(Parse(c.Text), c.Expected) << c.Text;
        else
            EXPECT_EQ(ParseError(c.Text), c.Expected) << c.Text;
    }
}

TEST_F(SqlParserTest, JoinsListTheirTablesAndMarkTheirConditions) {
    const TParseCase cases[] = {
        {"SELECT a FROM t1 RIGHT JOIN t2 ON t1.a = t2.b",
         "#0 (SELECT :multi (F a :col a :alias a) (T t2 #2) (T t1 #1) (where (=/3^ t1.a t2.b)))"},
        {"SELECT a FROM t1 LEFT OUTER JOIN t2 x ON t1.a = x.a AND x.b = 1",
         "#0 (SELECT :multi (F a :col a :alias a) (T t1 #1) (T t2 #2 :as x) (where (AND^ (=/2^ t1.a x.a) "
         "(=^ x.b 1))))"},
        {"SELECT a FROM t1 INNER JOIN MEMORY t2 AS y ON t1.a = y.a, t3",
         "#0 (SELECT :multi (F a :col a :alias a) (T t1 #1) (T t2 #2 :as y :db Memory :memory) (T t3 #3) "
         "(where (=/1^ t1.a y.a)))"},
        {"SELECT a FROM (t1 JOIN t2 ON t1.a=t2.a) JOIN t3 ON t1.a=t3.a",
         "#0 (SELECT :multi (F a :col a :alias a) (T t1 #1) (T t2 #2) (T t3 #3) (where (AND (=/1^ t1.a t2.a) "
         "(=/1^ t1.a t3.a))))"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(Parse(c.Text), c.Expected) << c.Text;
}

TEST_F(SqlParserTest, BadSelectClausesAreRefused) {
    const TParseCase cases[] = {
        {"SELECT a b c FROM t", "FROM keyword expected, instead found 'c'"},
        {"SELECT a AS , b FROM t", "Symbol or string expected after AS keyword, instead found ','"},
        {"SELECT a AS FROM t", "FROM keyword expected, instead found 't'"}, // FROM is the alias
        {"SELECT a x., b FROM t",
         "Symbol or string expected after table correlation name, instead found ','"},
        {"SELECT a FROM", "Table name expected after FROM keyword, instead found ''"},
        {"SELECT a FROM t1 t, t2 t", "Duplicate table correlation name 't' found in source tables"},
        {"SELECT a FROM t, T", "Duplicate table correlation name 'T' found in source tables"},
        {"SELECT a FROM t1 JOIN t2 t1 ON a = b",
         "Duplicate table correlation name 't1' found in source tables"},
        {"SELECT a FROM t1 JOIN t2 ON t1.a=t2.a FULL JOIN t3 ON t1.a=t3.a",
         "Full outer joins are currently not supported in VORSAM SQL SELECT statements"},
        {"SELECT a FROM t1 FULL JOIN t3 ON t1.a=t3.a",
         "Full outer joins are currently not supported in VORSAM SQL SELECT statements"},
        {"SELECT a FROM ((t1 JOIN t2 ON t1.a=t2.a) JOIN t3 ON t1.a=t3.a)", "Mismatched join parentheses"},
        {"SELECT a FROM t INNER x", "JOIN keyword expected after INNER keyword, instead found 'x'"},
        {"SELECT a FROM t LEFT OUTER x",
         "JOIN keyword expected after LEFT or OUTER keyword, instead found 'x'"},
        {"SELECT a FROM t JOIN , u", "Table name expected after JOIN keyword, instead found ','"},
        {"SELECT a FROM t JOIN u u2 WHERE a = 1",
         "ON keyword expected in JOIN clause, instead found 'WHERE'"},
        {"SELECT a FROM t GROUP a", "BY keyword expected after GROUP keyword, instead found 'a'"},
        {"SELECT a FROM t GROUP BY a, ",
         "Column name or column number expected in GROUP BY clause, instead found ''"},
        {"SELECT a FROM t ORDER a", "BY keyword expected after ORDER keyword, instead found 'a'"},
        {"SELECT a FROM t ORDER BY -1",
         "Column name or column number expected in ORDER BY clause, instead found '-'"},
        {"SELECT a FROM t ORDER BY a UNION SELECT b FROM u",
         "You cannot use an ORDER BY clause within a UNIONed query"},
        {"(SELECT a FROM t", "Right parentheses expected after SELECT statement, instead found ''"},
        {"SELECT a FROM t UNION UPDATE u SET a = 1", "SELECT keyword expected, instead found 'UPDATE'"},
        {"SELECT a FROM t UNION ALL (DELETE FROM u)", "SELECT keyword expected, instead found 'DELETE'"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(ParseError(c.Text), c.Expected) << c.Text;
}

TEST_F(SqlParserTest, UnionPartsAreFurtherBlocksWithTheirOwnOptions) {
    const TParseCase cases[] = {
        {"(SELECT a FROM t) UNION (SELECT b FROM u) ORDER BY 1",
         "#0 (SELECT :paren :union #1 (F a :col a :alias a) (T t #1) (order 1))\n"
         "#1 (SELECT :paren :unionpart (F b :col b :alias b) (T u #1))"},
        {"SELECT a FROM t UNION ALL SELECT b FROM u TOP 2 UNION SELECT c FROM v ORDER BY 1 DESC TOP 3",
         "#0 (SELECT :top 3 :unionall #1 (F a :col a :alias a) (T t #1) (order 1:desc))\n"
         "#1 (SELECT :unionpart :top 2 :union #2 (F b :col b :alias b) (T u #1))\n"
         "#2 (SELECT :unionpart (F c :col c :alias c) (T v #1))"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(Parse(c.Text), c.Expected) << c.Text;
    EXPECT_TRUE(Master().RequestLive);
    EXPECT_EQ(statement_->Queries[1]->ParentQuery, &Master());
    EXPECT_EQ(statement_->Queries[2]->ParentQuery, statement_->Queries[1].get());
    EXPECT_TRUE(statement_->Queries[2]->RequestLive);
}

TEST_F(SqlParserTest, SubSelectsStopBeforeTheirClosingParenthesis) {
    const TParseCase cases[] = {
        {"SELECT a FROM t WHERE b = (SELECT c FROM u WHERE u.d = t.d) AND e = 1",
         "#0 (SELECT (F a :col a :alias a) (T t #1) (where (AND (= b (SELECT #1)) (= e 1))))\n"
         "#1 (SELECT :sub (F c :col c :alias c) (T u #1) (where (= u.d t.d)))"},
        {"SELECT a FROM t WHERE b IN (SELECT c FROM u UNION SELECT d FROM v ORDER BY 1)",
         "#0 (SELECT (F a :col a :alias a) (T t #1) (where (IN b (SELECT #1))))\n"
         "#1 (SELECT :sub :union #2 (F c :col c :alias c) (T u #1) (order 1))\n"
         "#2 (SELECT :unionpart (F d :col d :alias d) (T v #1))"},
        {"SELECT a FROM t WHERE b = (SELECT MAX(c) FROM u x WHERE x.k = (SELECT k FROM w))",
         "#0 (SELECT (F a :col a :alias a) (T t #1) (where (= b (SELECT #1))))\n"
         "#1 (SELECT :sub (F (MAX c) :col c :agg 4) (T u #1 :as x) (where (= x.k (SELECT #2))))\n"
         "#2 (SELECT :sub (F k :col k :alias k) (T w #1))"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(Parse(c.Text), c.Expected) << c.Text;
    EXPECT_TRUE(statement_->Queries[1]->RequestLive);
}

} // namespace
} // namespace vorsam
