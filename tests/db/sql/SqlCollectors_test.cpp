// Clause collectors (what each clause reads and refuses) and the correlation walkers over conditions.
#include "SqlTestSupport.h"

#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionParser.h"

namespace vorsam {
namespace {

TEST_F(SqlParserTest, SelectListItemsAreColumnsAggregatesOrExpressions) {
    const TParseCase cases[] = {
        {"SELECT t.a FROM t", "#0 (SELECT (F t.a :col t.a :alias a) (T t #1))"},
        {"SELECT SUM(a) FROM t", "#0 (SELECT (F (SUM a) :col a :agg 1) (T t #1))"},
        {"SELECT RUNSUM(t.a), MIN(a), MAX(a), COUNT(a), COUNT(*) FROM t",
         "#0 (SELECT (F (RUNSUM t.a) :col t.a :agg 2) (F (MIN a) :col a :agg 3) (F (MAX a) :col a :agg 4) "
         "(F (COUNT a) :col a :agg 6) (F (COUNT) :col * :agg 6) (T t #1))"},
        {"SELECT AVG(a + 1) x FROM t", "#0 (SELECT :hasavg :exprcols (F (AVG (+ a 1)) :alias x :named :text "
                                       "\"AVG(a + 1)\" :agg 5) (T t #1))"},
        {"SELECT a * 2 FROM t", "#0 (SELECT :exprcols (F (* a 2) :text \"a * 2\") (T t #1))"},
        {"SELECT a *\r\n 2, 'x' || b FROM t",
         "#0 (SELECT :exprcols (F (* a 2) :text \"a * 2\") (F (|| 'x' b) :text \"'x' || b\") (T t #1))"},
        {"SELECT t.* FROM t", "#0 (SELECT :selectall (F t.* :col t.*) (T t #1))"},
        {"SELECT a LIKE 'x%' FROM t",
         "#0 (SELECT :exprcols (F (LIKE a 'x%') :text \"a LIKE 'x%'\") (T t #1))"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(Parse(c.Text), c.Expected) << c.Text;
}

TEST_F(SqlParserTest, CollectorsRefuseWhatTheirClauseDoesNotAllow) {
    const TParseCase cases[] = {
        {"SELECT SUM(SUM(a)) FROM t", "Aggregate functions cannot be nested"},
        {"SELECT a + SUM(b) FROM t", "Aggregate functions cannot be used within expressions"},
        {"SELECT ? FROM t", "Parameters are not allowed in source column expression"},
        {"SELECT (SELECT b FROM u) FROM t", "Sub-select queries are not allowed in source column expression"},
        {"SELECT , a FROM t", "Source column expression is empty"},
        {"SELECT a FROM t WHERE", "WHERE or JOIN clause is empty"},
        {"SELECT a FROM t WHERE SUM(a) > 1", "Aggregate functions are not allowed in WHERE or JOIN clause"},
        {"SELECT a FROM t JOIN u ON t.a = (SELECT b FROM v)",
         "Sub-select queries are not allowed in WHERE or JOIN clause"},
        {"SELECT a FROM t GROUP BY a HAVING a LIKE 'x%'",
         "Extended predicate operators (LIKE, BETWEEN, IN, IS NULL) are not allowed in HAVING clause"},
        {"SELECT a FROM t GROUP BY a HAVING a > ?", "Parameters are not allowed in HAVING clause"},
        {"SELECT a FROM t GROUP BY a HAVING", "HAVING clause is empty"},
        {"INSERT INTO t (?) VALUES (1)", "Parameters are not allowed in table column"},
        {"INSERT INTO t () VALUES (1)", "Table column name is empty"},
        {"INSERT INTO t VALUES ()", "Value expression is empty"},
        {"INSERT INTO t VALUES ((SELECT a FROM u))",
         "Sub-select queries are not allowed in value expression"},
        {"UPDATE t SET = 1", "Table column name is empty"},
        {"UPDATE t SET a = ", "Value expression is empty"},
        {"CREATE TABLE t (, a INTEGER)", "Table column name is empty"},
        {"CREATE INDEX i ON t ()", "Index column name is empty"},
        {"CREATE TABLE t (a INTEGER, PRIMARY KEY (a) LAST AUTOINC)", "Next auto-increment number is empty"},
        {"CREATE TABLE t (a INTEGER, PRIMARY KEY (a) LAST AUTOINC 'x')",
         "Integer constant expected after AUTOINC keyword, instead found 'x'"},
        {"CREATE TABLE t (a INTEGER, PRIMARY KEY (a) LAST AUTOINC 1.5)",
         "Integer constant expected after AUTOINC keyword, instead found '1.5'"},
        {"CREATE TABLE t (a INTEGER, PRIMARY KEY (a) LAST AUTOINC -b)",
         "Integer constant expected after AUTOINC keyword, instead found '-'"},
        {"CREATE TABLE t (a INTEGER, TEXT INDEX (a) STOP WORDS)", "Stop words are empty"},
        {"CREATE TABLE t (a INTEGER, TEXT INDEX (a) SPACE CHARS)", "Character set is empty"},
        {"DROP INDEX t.", "Column name expected after table correlation name, instead found '' in index name "
                          "expression"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(ParseError(c.Text), c.Expected) << c.Text;
}

TEST_F(SqlParserTest, StringConstantsNameColumnsWhereAColumnIsExpected) {
    Parse("UPDATE t SET 'my col' = 1, [b] = 'c'");
    const TExpToken& target = *Master().UpdateFields[0]->Expression;
    EXPECT_EQ(target.Kind, nkColumn);
    EXPECT_TRUE(target.NamedByString);
    EXPECT_EQ(target.SavedDataType, dtString);
    EXPECT_EQ(Master().UpdateFields[0]->ColumnName, "my col");
    EXPECT_EQ(Master().UpdateFields[0]->SourceText, "'my col'");
    EXPECT_EQ(Master().UpdateFields[1]->ColumnName, "b");
    EXPECT_EQ(Master().UpdateValues[1]->Expression->Kind, nkConstant); // values stay constants
    Parse("INSERT INTO t ('', x.b) VALUES (1, 2)");
    EXPECT_EQ(Master().UpdateFields[0]->Expression->Kind, nkConstant); // an empty name stays a constant
    EXPECT_EQ(Master().UpdateFields[1]->TableName, "x");
}

TEST_F(SqlParserTest, ParametersOfValuesAreListedInOrder) {
    Parse("INSERT INTO t VALUES (?, 1, ?)");
    ASSERT_EQ(statement_->Params.size(), 2u);
    EXPECT_EQ(statement_->Params[0], Master().UpdateValues[0]->Expression.get());
    EXPECT_EQ(statement_->Params[1], Master().UpdateValues[2]->Expression.get());
}

TEST_F(SqlParserTest, ConstantTextsOfTableOptionsAreEvaluated) {
    EXPECT_EQ(Parse("CREATE TABLE t (a CHAR(9), PRIMARY KEY (a) TEXT INDEX (a, 'b') STOP WORDS 'A ' || 'THE' "
                    "SPACE CHARS '-' || '.' INCLUDE CHARS '_' LAST AUTOINC -5)"),
              "#0 (CREATE TABLE :table t :lastautoinc -5 (C a 1 :size 9) (index [a]) (textindex [a b]) "
              "(stopwords A THE) (spacechars \"-.\") (includechars \"_\"))");
    EXPECT_EQ(Parse("CREATE TABLE t (a INTEGER, PRIMARY KEY (a) LAST AUTOINC +100)"),
              "#0 (CREATE TABLE :table t :lastautoinc 100 (C a 6) (index [a]))");
    EXPECT_TRUE(Master().TextIndex == nullptr);
}

TEST_F(SqlParserTest, ConditionsOfJoinsAndWhereAreAndedInTheOrderRead) {
    EXPECT_EQ(Parse("SELECT a FROM t1 JOIN t2 ON t1.a = t2.a LEFT JOIN t3 ON NOT (t2.b = t3.b OR t3.c > 1) "
                    "WHERE t1.x = 1"),
              "#0 (SELECT :multi (F a :col a :alias a) (T t1 #1) (T t2 #2) (T t3 #3) (where (AND (AND "
              "(=/1^ t1.a t2.a) (NOT^ (OR^ (=/2^ t2.b t3.b) (>^ t3.c 1)))) (= t1.x 1))))");
    EXPECT_EQ(Master().WhereTree->DataType, dtBoolean);
}

// The first comparison of the master's WHERE tree (descending through ANDs on the right).
TExpToken& Comparison(TDataQuery& query) {
    TExpToken* node = query.WhereTree.get();
    while (node->Operator == opAnd) node = node->Right();
    return *node;
}

TEST_F(SqlParserTest, JoinComparisonsReferToTwoCorrelationNamesWithColumnsOnBothSides) {
    struct {
        const char* Where;
        bool Join;
    } cases[] = {
        {"a.x = b.y", true},      {"a.x = 1", false},       {"a.x = a.y", false},
        {"a.x + b.y = 1", false}, {"NOT a.x <> b.y", true}, {"a.x = 1 OR a.y < b.y", true},
        {"a.x LIKE b.y", false},  {"a.x = b.y + 1", true},  {"1 = 2", false},
    };
    for (auto& c : cases) {
        Parse(std::string("SELECT * FROM a, b WHERE ") + c.Where);
        EXPECT_EQ(Master().HasJoinComparison(*Master().WhereTree), c.Join) << c.Where;
        EXPECT_FALSE(Master().HasOuterJoinComparison(*Master().WhereTree)) << c.Where;
    }
}

TEST_F(SqlParserTest, OuterJoinComparisonsCarryALeftOrRightMark) {
    const std::pair<const char*, bool> cases[] = {{"a JOIN b ON a.x = b.y", false},
                                                  {"a LEFT JOIN b ON a.x = b.y", true},
                                                  {"a RIGHT JOIN b ON a.x = b.y", true}};
    for (auto [from, outer] : cases) {
        Parse(std::string("SELECT * FROM ") + from);
        EXPECT_TRUE(Master().HasJoinComparison(*Master().WhereTree)) << from;
        EXPECT_EQ(Master().HasOuterJoinComparison(*Master().WhereTree), outer) << from;
    }
}

TEST_F(SqlParserTest, ExpressionCorrelationNamesTheOneTableReferredTo) {
    struct {
        const char* Where;
        bool Many;
        const char* Name;
    } cases[] = {
        {"a.x = 1", false, "a"},
        {"a.x = a.y", false, "a"},
        {"1 = a.y", false, "a"},
        {"x = 1", false, ""},
        {"a.x = b.y", true, ""},
        {"a.x IN (1, b.y)", true, ""},
        {"a.x BETWEEN 1 AND a.z", false, "a"},
        {"-a.x = 2", false, "a"},
    };
    for (auto& c : cases) {
        Parse(std::string("SELECT * FROM a, b WHERE ") + c.Where);
        std::string name = "?";
        EXPECT_EQ(Master().ExpressionCorrelation(name, Comparison(Master())), c.Many) << c.Where;
        if (!c.Many) {
            EXPECT_EQ(name, c.Name) << c.Where;
        }
    }
}

TEST(SqlWalkers, MergeCorrelationNamesReportsTwoDifferentNames) {
    struct {
        const char* First;
        const char* Second;
        bool Many;
        const char* Name;
    } cases[] = {{"a", "a", false, "a"}, {"a", "b", true, ""}, {"a", "", false, "a"},
                 {"", "b", false, "b"},  {"", "", false, ""},  {"a", "A", true, ""}};
    for (auto& c : cases) {
        std::string name = "?";
        EXPECT_EQ(MergeCorrelationNames(c.First, c.Second, name), c.Many) << c.First << "/" << c.Second;
        EXPECT_EQ(name, c.Name) << c.First << "/" << c.Second;
    }
}

} // namespace
} // namespace vorsam
