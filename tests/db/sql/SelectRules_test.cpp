// The dialect's own rules of SELECT preparation and running (names, types, messages, aggregates), where
// SQLite is no oracle.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/SelectPlan.h"

namespace vorsam::test {

namespace {

struct TTextCase {
    std::string Text;
    std::string Expected; // the error text, or the rows joined by ';'
};

void PrintTo(const TTextCase& c, std::ostream* os) {
    *os << c.Text;
}

class SelectRulesTest : public TSqlTest {
protected:
    SelectRulesTest() {
        AddTable(
            {"T",
             {{"G", dtInteger}, {"S", dtSmallInt}, {"I", dtInteger}, {"NAME", dtString, 10}, {"D", dtDate}},
             {{"1", "1", "2147483647", "b", "2003-01-31"},
              {"1", "2", "2147483647", "a", "2003-02-28"},
              {"2", std::nullopt, std::nullopt, "c", std::nullopt},
              {"2", "3", "1", std::nullopt, "2002-12-31"}}});
        AddTable({"EMPTY", {{"X", dtInteger}}, {}});
    }

    std::string Joined(const std::string& sql) {
        std::string text;
        for (const std::string& row : Run(sql)) text += (text.empty() ? "" : ";") + row;
        return text;
    }

    // The names and types of the result table's fields.
    std::string Fields(const std::string& sql) {
        TQueryStatement statement(*database_);
        statement.Prepare(sql);
        TDataCursor& result = *statement.MasterQuery->ResultCursor;
        std::string text;
        for (uint16_t n = 1; n <= result.GetFieldCount(); ++n) {
            TFieldDescriptor field;
            result.GetFieldDesc(n, field);
            text += (n > 1 ? ", " : "") + field.Name() + ":" + std::to_string(field.DataType());
        }
        return text;
    }
};

class SelectErrorTest : public SelectRulesTest, public ::testing::WithParamInterface<TTextCase> {};

TEST_P(SelectErrorTest, RefusesWithTheDialectsText) {
    EXPECT_EQ(ErrorOf(GetParam().Text), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, SelectErrorTest,
    ::testing::Values(
        TTextCase{"SELECT G FROM T WHERE G + 1", "WHERE or JOIN clause must be a boolean expression"},
        TTextCase{"SELECT G, SUM(I) FROM T GROUP BY G HAVING SUM(I)",
                  "HAVING clause must be a boolean expression"},
        TTextCase{"SELECT G FROM T WHERE ZZ = 1",
                  "Invalid column name 'ZZ' or table correlation name '' specified in WHERE or JOIN clause"},
        TTextCase{"SELECT G AS K FROM T WHERE K = 1",
                  "Invalid column name 'K' or table correlation name '' specified in WHERE or JOIN clause"},
        TTextCase{"SELECT T.* AS Y FROM T",
                  "Invalid use of column correlation name 'Y' for '*' specified in source columns"},
        TTextCase{"SELECT COUNT(*), NAME FROM T",
                  "Invalid use of aggregate function(s), the necessary GROUP BY clause is missing"},
        TTextCase{"SELECT G FROM T HAVING G > 1",
                  "A GROUP BY clause must exist in order to use the HAVING clause"},
        TTextCase{"SELECT G, NAME FROM T ORDER BY 3",
                  "Invalid column number '3' specified in ORDER BY clause"},
        TTextCase{"SELECT G, NAME FROM T GROUP BY 3",
                  "Invalid column number '3' specified in GROUP BY clause"},
        TTextCase{"SELECT G FROM T ORDER BY NAME",
                  "Invalid column name 'NAME' or table correlation name '' specified in ORDER BY clause"},
        TTextCase{"SELECT G, SUM(I) FROM T GROUP BY G HAVING SUM(S) > 1",
                  "Expression in HAVING clause not found in source columns"},
        TTextCase{"SELECT G, NAME FROM T UNION SELECT G FROM T",
                  "The number of columns  in the UNION query must match the  number of columns in the master "
                  "query"},
        TTextCase{
            "SELECT G FROM T UNION ALL SELECT NAME FROM T",
            "Type mismatch between column expression 'NAME' in the UNION ALL query and column expression 'G' "
            "in the master query"},
        TTextCase{
            "SELECT A.G FROM T A, T B WHERE A.G + B.G = A.I",
            "The join condition cannot contain multiple table correlation names in either the left or right "
            "operand in WHERE or JOIN clause"},
        TTextCase{"SELECT G FROM T WHERE Q.G = 1",
                  "Invalid column name 'G' or table correlation name 'Q' specified in WHERE or JOIN clause"},
        TTextCase{"SELECT SUM(S) FROM T GROUP BY G",
                  "Invalid column name 'G' or table correlation name '' specified in GROUP BY clause"}));

class SelectResultTest : public SelectRulesTest, public ::testing::WithParamInterface<TTextCase> {};

TEST_P(SelectResultTest, GivesTheDialectsRows) {
    EXPECT_EQ(Joined(GetParam().Text), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Aggregates, SelectResultTest,
    ::testing::Values(
        // AVG skips NULLs; over only NULLs it is 0 (the dialect's rule).
        TTextCase{"SELECT G, AVG(S) FROM T GROUP BY G", "1|1.5;2|3"},
        TTextCase{"SELECT AVG(S) FROM T WHERE G = 2 AND S IS NULL", "0"},
        // COUNT(x) skips NULLs, COUNT(*) does not.
        TTextCase{"SELECT COUNT(S), COUNT(*) FROM T", "3|4"},
        // SUM of int32 is 64-bit; a group whose first value is NULL takes the next one.
        TTextCase{"SELECT G, SUM(I) FROM T GROUP BY G", "1|4294967294;2|1"},
        TTextCase{"SELECT G, RUNSUM(S) FROM T GROUP BY G", "1|3;2|6"},
        // MIN and MAX of strings and dates.
        TTextCase{"SELECT MIN(NAME), MAX(NAME), MIN(D), MAX(D) FROM T", "a|c|2002-12-31|2003-02-28"},
        // HAVING binds the aggregate of its own kind.
        TTextCase{"SELECT G, SUM(S), MAX(S) FROM T GROUP BY G HAVING MAX(S) > 2", "2|3|3"},
        // No row: one row, COUNT 0, the others NULL (AVG 0).
        TTextCase{"SELECT COUNT(*), COUNT(X), SUM(X), MIN(X), AVG(X) FROM EMPTY", "0|0|NULL|NULL|0"},
        TTextCase{"SELECT COUNT(*), 1 + 2 FROM EMPTY", "0|3"},
        // Constant columns without aggregates give one row per source row.
        TTextCase{"SELECT 7 FROM T WHERE G = 1", "7;7"},
        TTextCase{"SELECT DISTINCT G, SUM(S) FROM T GROUP BY G", "1|3;2|3"},
        TTextCase{"SELECT G FROM T TOP 2", "1;1"}));

// The text nested `levels` deep in parentheses, each level adding `each` (which ends in an operator).
std::string Nested(unsigned levels, const std::string& each, const std::string& inner) {
    std::string text;
    for (unsigned i = 0; i < levels; ++i) text += "(" + each;
    return text + inner + std::string(levels, ')');
}

// A thousand levels of parentheses are read, checked, planned and evaluated.
INSTANTIATE_TEST_SUITE_P(
    Nesting, SelectResultTest,
    ::testing::Values(TTextCase{"SELECT G FROM T WHERE " + Nested(1000, "", "G = 2"), "2;2"},
                      TTextCase{"SELECT G FROM T WHERE G = 1 AND " + Nested(1000, "S + ", "0") + " >= 1000",
                                "1;1"},
                      TTextCase{"SELECT " + Nested(1000, "1 + ", "G") + " FROM T WHERE G = 1", "1001;1001"}));

TEST_F(SelectRulesTest, ResultColumnsAreNamedAndTypedByTheirDefaults) {
    EXPECT_EQ(
        Fields("SELECT SUM(S), SUM(S), 1 + 1, 2 * 2, COUNT(*), AVG(I), SUM(I) FROM T"),
        "Sum Of S:6, Sum Of S_1:6, Expression:6, Expression_1:6, Count Of *:6, Average Of I:7, Sum Of I:18, "
        "Sys__Avg__Count8:6");
    EXPECT_EQ(Fields("SELECT G AS ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789, G, G FROM T"),
              "GHIJKLMNOPQRSTUVWXYZ0123456789:6, G:6, G_1:6");
}

TEST_F(SelectRulesTest, BlobColumnsCannotBeSortedGroupedOrMadeDistinct) {
    Run("CREATE TABLE M (ID INTEGER, NOTE MEMO)");
    EXPECT_EQ(ErrorOf("SELECT DISTINCT ID, NOTE FROM M"),
              "Invalid BLOB column 'NOTE' specified in DISTINCT clause");
    EXPECT_EQ(ErrorOf("SELECT NOTE, COUNT(*) FROM M GROUP BY NOTE"),
              "Invalid BLOB column 'NOTE' specified in GROUP BY clause");
    EXPECT_EQ(ErrorOf("SELECT ID, NOTE FROM M ORDER BY 2"),
              "Invalid column number '2' specified in ORDER BY clause");
}

TEST_F(SelectRulesTest, AThousandAndTwentyFourColumnsAreTheLimit) {
    std::string list = "G";
    for (int i = 1; i < 1024; ++i) list += ", G";
    EXPECT_EQ(ErrorOf("SELECT " + list + " FROM T"), "");
    EXPECT_EQ(ErrorOf("SELECT " + list + ", G FROM T"),
              "Maximum number of columns (1024) in result set exceeded");
}

TEST_F(SelectRulesTest, TheRowLimitStopsTheScanBeforeTheSort) {
    EXPECT_EQ(Run("SELECT NAME FROM T ORDER BY NAME DESC", 2), (TRows{"b", "a"}));
}

TEST_F(SelectRulesTest, ReExecutingStartsFromAnEmptyResult) {
    TQueryStatement statement(*database_);
    statement.Prepare("SELECT G FROM T WHERE G = 1");
    statement.Execute({}, false);
    TDataCursor* result = statement.Execute({}, false);
    EXPECT_EQ(CursorRows(*result).size(), 2u);
    EXPECT_EQ(statement.RowsAffected, 2);
    EXPECT_GE(statement.ExecutionTime, 0.0);
}

// A result nobody keeps lives in the engine's memory files: nothing is written to the private folder, and
// the table goes with the statement.
TEST_F(SelectRulesTest, TheTemporaryResultTableLivesInMemoryAndGoesWithTheStatement) {
    size_t before = dir_.EntryCount();
    std::string name;
    TDataDirectory* memory = nullptr;
    {
        TQueryStatement statement(*database_);
        statement.Prepare("SELECT G FROM T");
        TDataCursor* result = statement.Execute({}, false);
        ASSERT_NE(result, nullptr);
        EXPECT_TRUE(result->InMemory());
        name = result->TableName();
        memory = &result->Directory();
        EXPECT_TRUE(memory->TableExists(name, true));
        EXPECT_EQ(dir_.EntryCount(), before);
    }
    EXPECT_EQ(dir_.EntryCount(), before);
    TDataDirectory& again = session_.OpenDataDirectory("Memory", "");
    EXPECT_FALSE(again.TableExists(name, true));
    session_.CloseDataDirectory(again);
}

} // namespace

} // namespace vorsam::test

namespace vorsam::test {

namespace {

struct TJoinOrderCase {
    std::string Sql;
    const char* Driving; // the table that drives the joined rows
};

void PrintTo(const TJoinOrderCase& c, std::ostream* os) {
    *os << c.Sql;
}

class JoinOrderTest : public TSqlTest, public ::testing::WithParamInterface<TJoinOrderCase> {
protected:
    JoinOrderTest() {
        TSqlTable big{"BIG", {{"ID", dtInteger}, {"X", dtInteger}}, {}};
        for (int i = 0; i < 200; ++i) big.Rows.push_back({std::to_string(i), std::to_string(i % 7)});
        AddTable(big);
        TSqlTable small{"SMALL",
                        {{"Y", dtInteger}, {"NAME", dtString, 5}},
                        {{"1", "one"}, {"3", "three"}, {"9", "nine"}}};
        AddTable(small);
        small.Name = "KEYED";
        small.Key = {"Y"};
        AddTable(small);
    }

    // The table driving the statement's joined rows after it ran, and its rows.
    std::string DrivingTable(const std::string& sql, TRows& rows) {
        TQueryStatement statement(*database_);
        statement.Prepare(sql);
        rows = Sorted(CursorRows(*statement.Execute({}, false), 2));
        return statement.MasterQuery->SourceTables.front()->TableName;
    }
};

// Without an index on either side the table with fewer records drives; a table whose join column an
// index serves is reached through it from the other; NOJOINOPTIMIZE keeps the FROM order, an outer join
// its preserved table.
TEST_P(JoinOrderTest, TheDrivingTableIsChosenAndTheRowsStayTheSame) {
    TRows rows;
    std::string sql = GetParam().Sql;
    EXPECT_EQ(DrivingTable(sql, rows), GetParam().Driving);
    size_t hint = sql.find(" NOJOINOPTIMIZE");
    EXPECT_EQ(rows, Sorted(Oracle(hint == std::string::npos ? sql : sql.substr(0, hint))));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoinOrderTest,
    ::testing::Values(
        TJoinOrderCase{"SELECT B.ID, S.NAME FROM BIG B, SMALL S WHERE B.X = S.Y", "SMALL"},
        TJoinOrderCase{"SELECT B.ID, S.NAME FROM BIG B, SMALL S WHERE B.X = S.Y NOJOINOPTIMIZE", "BIG"},
        TJoinOrderCase{"SELECT B.ID, S.NAME FROM BIG B LEFT JOIN SMALL S ON B.X = S.Y", "BIG"},
        TJoinOrderCase{"SELECT B.ID, K.NAME FROM KEYED K, BIG B WHERE B.X = K.Y", "BIG"},
        TJoinOrderCase{"SELECT B.ID, K.NAME FROM KEYED K JOIN BIG B ON K.Y = B.X WHERE B.ID < 50", "BIG"},
        TJoinOrderCase{"SELECT B.ID, K.NAME FROM BIG B, KEYED K WHERE B.X = K.Y AND K.NAME <> 'x' "
                       "NOJOINOPTIMIZE",
                       "BIG"}));

} // namespace

} // namespace vorsam::test

namespace vorsam::test {

namespace {

TEST_F(SelectRulesTest, LastAutoIncReadsTheNamedTablesCounter) {
    AddTable({"AUTO", {{"V", dtInteger}}, {{"1"}, {"2"}}});
    EXPECT_EQ(Run("SELECT G FROM T WHERE G = LASTAUTOINC('AUTO')"), (TRows{"2", "2"}));
    EXPECT_EQ(Run("SELECT LASTAUTOINC('AUTO') + 1 FROM EMPTY"), TRows{});
}

} // namespace

} // namespace vorsam::test
