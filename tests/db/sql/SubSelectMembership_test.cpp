// IN and NOT IN with a sub-select that does not read the outer row (answered from sets of its values read
// once per run) against the same statements whose sub-select names the outer row in a condition that always
// holds (read again and compared value by value for each row): columns of every kind on both sides, NULLs
// on both sides, duplicates, sub-selects without rows, of NULLs alone and of the changed table itself, in
// SELECT, UPDATE and DELETE; then a prepared statement run again after its table or parameter changed.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"
#include "db/sql/QueryStatement.h"

#include <cstring>

namespace vorsam::test {
namespace {

class SubSelectMembershipTest : public TSqlTest {
protected:
    SubSelectMembershipTest() {
        for (const char* table : {"T", "U", "T0"})
            Run(std::string("CREATE TABLE ") + table +
                " (ID INTEGER, G INTEGER, I INTEGER, F FLOAT, N NUMERIC(10, 2), S CHAR(12), D DATE, "
                "TS TIMESTAMP, DT CHAR(12), MARK INTEGER, PRIMARY KEY (ID))");
        for (const char* row :
             {"1, 0, 1, 1.0, 1.00, 'abc', '2003-01-01', '2003-01-01 00:00:00', '2003-01-01'",
              "2, 0, 2, 2.5, 2.50, 'ABC', '2003-01-02', '2003-01-02 12:00:00', '2003-01-02'",
              "3, 1, 2, 2.0, 2.00, 'b', '2003-01-02', '2003-01-02 00:00:00', '2003-01-03'",
              "4, 1, NULL, NULL, NULL, NULL, NULL, NULL, NULL",
              "5, 2, 5, 5.0, 5.25, 'abc', '2003-01-05', '2003-01-05 00:00:00', 'someday'",
              "6, 2, -3, -3.0, -3.00, '', '2003-01-06', '2003-01-06 00:00:01', '2003-01-06'",
              "7, 3, 7, 7.5, 7.00, 'Abc ', '2003-01-07', '2003-01-07 00:00:00', '2003-01-07'"})
            for (const char* table : {"T0", "U"})
                Run(std::string("INSERT INTO ") + table + " VALUES (" + row + ", 0)");
        // T: U's rows and some of its values again (duplicates, NULLs, values U lacks); U: duplicates.
        Run("INSERT INTO T0 SELECT ID + 10, G, I + 1, F * 2, N, S, D, TS, DT, 0 FROM U WHERE G < 2");
        Run("INSERT INTO T0 (ID, G) VALUES (30, 9)");
        Run("INSERT INTO U SELECT ID + 20, G, I, F, N, S, D, TS, DT, 0 FROM U WHERE G = 0");
    }
    // The statement's rows, or for a change T's rows after it (T made again from T0 first); or the error.
    std::string Outcome(const std::string& sql, bool change) {
        Run("DELETE FROM T");
        Run("INSERT INTO T SELECT * FROM T0");
        std::string text;
        try {
            for (const std::string& row : Sorted(Run(sql))) text += row + "\n";
            if (change) text = Outcome("SELECT * FROM T", false);
        } catch (const EVORSAMEngineError& e) {
            text = "error: " + e.ErrorMessage;
        }
        return text;
    }
};

TEST_F(SubSelectMembershipTest, InAndNotInGiveWhatComparingEachValueGives) {
    // outer column, inner column and the table the sub-select reads (as X)
    const char* pairs[][3] = {{"I", "I", "U"},     {"I", "F", "U"},  {"I", "N", "U"},  {"F", "I", "U"},
                              {"N", "I", "U"},     {"N", "F", "U"},  {"S", "S", "U"},  {"D", "D", "U"},
                              {"D", "TS", "U"},    {"TS", "D", "U"}, {"D", "DT", "U"}, {"DT", "D", "U"},
                              {"I", "I + 1", "U"}, {"S", "I", "U"},  {"I", "I", "T"},  {"I", "I + 1", "T"}};
    int answered = 0;
    for (const auto& [outer, inner, table] : pairs)
        for (const char* where : {"", "G < 2", "G < 0", "I IS NULL", "G > 0"})
            for (const char* op : {" IN ", " NOT IN "})
                for (const char* statement : {"SELECT ID FROM T WHERE ", "SELECT ID FROM T WHERE G <> 9 AND ",
                                              "UPDATE T SET MARK = 1 WHERE ", "DELETE FROM T WHERE "}) {
                    std::string sql = statement + std::string("T.") + outer + op + "(SELECT " + inner +
                                      " FROM " + table + " X WHERE " + where + (*where ? " AND " : "");
                    bool change = statement[0] != 'S';
                    std::string expected = Outcome(sql + "T.ID = T.ID)", change);
                    EXPECT_EQ(Outcome(sql + "1 = 1)", change), expected) << sql;
                    answered += expected.rfind("error", 0) != 0;
                }
    EXPECT_GT(answered, 450) << "most pairs compare without an error";
}

TEST_F(SubSelectMembershipTest, ARunAgainReadsTheSubSelectAgain) {
    TQueryStatement statement(*database_);
    statement.Prepare("SELECT COUNT(*) FROM T0 WHERE I IN (SELECT I FROM U WHERE G = ?)");
    auto count = [&](int32_t group) {
        TStatementParam param{dtInteger, 0, 0, 0, false, std::vector<uint8_t>(sizeof group)};
        std::memcpy(param.Value.data(), &group, sizeof group);
        return CursorRows(*statement.Execute({param}, false));
    };
    EXPECT_EQ(count(0), TRows{"4"}) << "1 once, 2 three times";
    EXPECT_EQ(count(3), TRows{"1"}) << "7 alone: the parameter changed";
    Run("INSERT INTO U (ID, G, I) VALUES (100, 3, 5)");
    EXPECT_EQ(count(3), TRows{"2"}) << "7 and 5: the table changed";
}

} // namespace
} // namespace vorsam::test
