// IN and NOT IN with a sub-select that does not read the outer row (answered from sets of its values read
// once per run) against the same statements whose sub-select names the outer row in a condition that always
// holds (read again and compared value by value for each row): columns of every kind on both sides, NULLs
// on both sides, duplicates, a sub-select without rows or of NULLs alone, in SELECT, UPDATE and DELETE;
// then a prepared statement run again after its tables or its parameter changed.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"
#include "db/sql/QueryStatement.h"

#include <cstring>
#include <string>
#include <vector>

namespace vorsam::test {
namespace {

class SubSelectMembershipTest : public TSqlTest {
protected:
    SubSelectMembershipTest() {
        const char* columns =
            "ID INTEGER, G INTEGER, I INTEGER, F FLOAT, N NUMERIC(10, 2), S CHAR(12), "
            "D DATE, TS TIMESTAMP, NT CHAR(12), DT CHAR(12), MARK INTEGER, PRIMARY KEY (ID)";
        for (const char* table : {"T", "U", "T0"})
            Run(std::string("CREATE TABLE ") + table + " (" + columns + ")");
        // ID, G, I, F, N, S, D, TS, NT (a number's text), DT (a date's text)
        const char* rows[] = {
            "1, 0, 1, 1.0, 1.00, 'abc', '2003-01-01', '2003-01-01 00:00:00', '1', '2003-01-01'",
            "2, 0, 2, 2.5, 2.50, 'ABC', '2003-01-02', '2003-01-02 12:00:00', '2.5', '2003-01-02'",
            "3, 1, 2, 2.0, 2.00, 'b', '2003-01-02', '2003-01-02 00:00:00', '2.00', '2003-01-03'",
            "4, 1, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL",
            "5, 2, 5, 5.0, 5.25, 'abc', '2003-01-05', '2003-01-05 00:00:00', 'x', 'someday'",
            "6, 2, -3, -3.0, -3.00, '', '2003-01-06', '2003-01-06 00:00:01', '-3', '2003-01-06'",
            "7, 3, 7, 7.5, 7.00, 'Abc ', '2003-01-07', '2003-01-07 00:00:00', '7.0', '2003-01-07'",
        };
        for (const char* row : rows) {
            Run(std::string("INSERT INTO T0 VALUES (") + row + ", 0)");
            Run(std::string("INSERT INTO U VALUES (") + row + ", 0)");
        }
        // The outer table: U's rows, and some of its values again (duplicates, NULLs, values U lacks).
        Run("INSERT INTO T0 SELECT ID + 10, G, I + 1, F * 2, N, S, D, TS, NT, DT, 0 FROM U WHERE G < 2");
        Run("INSERT INTO T0 (ID, G) VALUES (30, 9)");
        Run("INSERT INTO U SELECT ID + 20, G, I, F, N, S, D, TS, NT, DT, 0 FROM U WHERE G = 0");
        Restore();
    }
    void Restore() {
        Run("DELETE FROM T");
        Run("INSERT INTO T SELECT * FROM T0");
    }
    // The statement's rows (sorted), or its error.
    std::string Outcome(const std::string& sql) {
        try {
            std::string text;
            for (const std::string& row : Sorted(Run(sql))) text += row + "\n";
            return text;
        } catch (const EVORSAMEngineError& e) {
            return "error: " + e.ErrorMessage;
        }
    }
    // After the change, T's rows (or the change's error); T is as it was before, after.
    std::string ChangeOutcome(const std::string& sql) {
        std::string error = Outcome(sql);
        std::string rows = Outcome("SELECT * FROM T");
        Restore();
        return error.rfind("error", 0) == 0 ? error : rows;
    }
};

struct TPair {
    const char* Outer;
    const char* Inner;
};

// x IN (SELECT y FROM U [WHERE w]) and the same sub-select reading the outer row's ID.
std::string SubSelect(const TPair& pair, const std::string& where, bool correlated) {
    std::string condition = where;
    if (correlated) condition = (where.empty() ? "" : where + " AND ") + "T.ID = T.ID";
    return std::string("(SELECT ") + pair.Inner + " FROM U" +
           (condition.empty() ? "" : " WHERE " + condition) + ")";
}

TEST_F(SubSelectMembershipTest, InAndNotInGiveWhatComparingEachValueGives) {
    const TPair pairs[] = {{"I", "I"},  {"I", "F"},  {"I", "N"},  {"F", "I"},  {"N", "I"},  {"N", "F"},
                           {"S", "S"},  {"D", "D"},  {"D", "TS"}, {"TS", "D"}, {"I", "NT"}, {"NT", "N"},
                           {"D", "DT"}, {"DT", "D"}, {"G", "I"},  {"S", "I"}};
    const char* wheres[] = {"", "G < 2", "G < 0", "I IS NULL", "G > 0"};
    int answered = 0;
    for (const TPair& pair : pairs)
        for (const char* where : wheres)
            for (const char* op : {" IN ", " NOT IN "}) {
                auto statements = [&](bool correlated) {
                    std::string predicate =
                        std::string("T.") + pair.Outer + op + SubSelect(pair, where, correlated);
                    return std::vector<std::string>{
                        "SELECT ID FROM T WHERE " + predicate,
                        "SELECT ID FROM T WHERE G <> 9 AND " + predicate,
                        "UPDATE T SET MARK = 1 WHERE " + predicate,
                        "DELETE FROM T WHERE " + predicate,
                    };
                };
                std::vector<std::string> sets = statements(false), compared = statements(true);
                for (size_t i = 0; i < sets.size(); ++i) {
                    bool select = i < 2;
                    std::string expected = select ? Outcome(compared[i]) : ChangeOutcome(compared[i]);
                    EXPECT_EQ(select ? Outcome(sets[i]) : ChangeOutcome(sets[i]), expected) << sets[i];
                    answered += expected.rfind("error", 0) != 0;
                }
            }
    EXPECT_GT(answered, 400) << "most pairs compare without an error";
}

TEST_F(SubSelectMembershipTest, TheSubSelectReadsItsTargetAsItWasBeforeTheChange) {
    std::string sets = ChangeOutcome("DELETE FROM T WHERE I IN (SELECT I + 1 FROM T WHERE G < 2)");
    std::string compared =
        ChangeOutcome("DELETE FROM T WHERE I IN (SELECT I + 1 FROM T X WHERE G < 2 AND T.ID = T.ID)");
    EXPECT_EQ(sets, compared);
    EXPECT_EQ(ChangeOutcome("UPDATE T SET I = I + 1 WHERE I NOT IN (SELECT I FROM T WHERE G = 0)"),
              ChangeOutcome("UPDATE T SET I = I + 1 WHERE I NOT IN (SELECT I FROM T X WHERE G = 0 AND "
                            "T.ID = T.ID)"));
}

TEST_F(SubSelectMembershipTest, ARunAgainReadsTheSubSelectAgain) {
    TQueryStatement statement(*database_);
    statement.Prepare("SELECT COUNT(*) FROM T WHERE I IN (SELECT I FROM U WHERE G = ?)");
    auto count = [&](int32_t group) {
        TStatementParam param;
        param.DataType = dtInteger;
        param.IsNull = false;
        param.Value.resize(sizeof group);
        std::memcpy(param.Value.data(), &group, sizeof group);
        return CursorRows(*statement.Execute({param}, false));
    };
    EXPECT_EQ(count(0), TRows{"4"}) << "1 once, 2 three times";
    EXPECT_EQ(count(3), TRows{"1"}) << "7 alone: the parameter changed";
    Run("INSERT INTO U (ID, G, I) VALUES (100, 3, 5)");
    EXPECT_EQ(count(3), TRows{"2"}) << "7 and 5: the table changed";
    Run("DELETE FROM U WHERE G = 3");
    EXPECT_EQ(count(3), TRows{"0"});
}

} // namespace
} // namespace vorsam::test
