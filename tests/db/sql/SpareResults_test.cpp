// Result tables kept empty between statements for the next result of the same definition: whatever
// came between two equal SELECTs (a failed or stopped one, a table dropped and made again under its
// name, a column added, rows changed, another session's statements, a result still read), the second
// gives SQLite's rows.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"
#include "db/sql/QueryStatement.h"

namespace vorsam::test {
namespace {

class SpareResultsTest : public TSqlTest {
protected:
    SpareResultsTest() {
        TSqlTable numbers{"N", {{"V", dtInteger}, {"W", dtString, 10}}, {}};
        for (int i = 1; i <= 3000; ++i) numbers.Rows.push_back({std::to_string(i), "w" + std::to_string(i % 17)});
        AddTable(numbers);
    }
    // A statement run on both engines; "!" before it: ours refuses it (the oracle is not asked).
    void Step(const std::string& step) {
        SCOPED_TRACE(step);
        if (step[0] == '!') {
            EXPECT_NE(ErrorOf(step.substr(1)), "");
            return;
        }
        TRows ours = Run(step), theirs = Oracle(step);
        if (step.find("ORDER BY") == std::string::npos) ours = Sorted(ours), theirs = Sorted(theirs);
        EXPECT_EQ(ours, theirs);
    }
};

const char* const Scripts[][6] = {
    {"SELECT V, W FROM N WHERE V < 100", "!SELECT V, W FROM N WHERE 1 / (V - 50) > 0",
     "SELECT V, W FROM N WHERE V < 100", "SELECT V, W FROM N WHERE V > 2990"},
    {"SELECT V, W FROM N WHERE V > 10", "DROP TABLE N", "CREATE TABLE N (V INTEGER, W CHAR(10))",
     "INSERT INTO N VALUES (7, 'seven')", "SELECT V, W FROM N WHERE V > 1"},
    {"SELECT * FROM N WHERE V < 5", "ALTER TABLE N ADD X INTEGER", "UPDATE N SET X = V * 2",
     "SELECT * FROM N WHERE V < 5", "SELECT V, W FROM N WHERE V < 5"},
    {"SELECT W, COUNT(*) FROM N GROUP BY W", "DELETE FROM N WHERE V > 1000",
     "SELECT W, COUNT(*) FROM N GROUP BY W", "SELECT W, SUM(V) FROM N GROUP BY W"},
    {"SELECT DISTINCT W FROM N", "UPDATE N SET W = 'z' WHERE V < 2000", "SELECT DISTINCT W FROM N",
     "SELECT V, W FROM N ORDER BY W, V DESC", "SELECT V, W FROM N WHERE V = 1"},
    {"SELECT V + 1 AS A FROM N WHERE V < 3000", "!SELECT V + 1 AS A FROM N WHERE 1 / (V - 2999) > 0",
     "SELECT V + 1 AS A FROM N WHERE V < 10", "SELECT V + 1 AS A FROM N WHERE V > 2995"},
};

TEST_F(SpareResultsTest, EqualSelectsGiveTheOraclesRowsWhateverCameBetween) {
    for (const auto& script : Scripts) {
        for (const char* step : script)
            if (step) Step(step);
        Run("DROP TABLE IF EXISTS N"), Oracle("DROP TABLE IF EXISTS N");
        TSqlTable numbers{"N", {{"V", dtInteger}, {"W", dtString, 10}}, {}};
        for (int i = 1; i <= 3000; ++i) numbers.Rows.push_back({std::to_string(i), "w" + std::to_string(i % 17)});
        AddTable(numbers);
    }
}

// A result still read while equal statements come and go, the statement run again, a stopped statement's
// table let go, and a second session's statements between.
TEST_F(SpareResultsTest, AResultStillReadKeepsItsRowsWhileEqualStatementsComeAndGo) {
    const std::string sql = "SELECT V, W FROM N WHERE V <= ";
    TQueryStatement held(*database_);
    held.Prepare(sql + "20");
    TRows first = CursorRows(*held.Execute({}, false), 2);
    for (int n : {5, 3000, 0, 7}) EXPECT_EQ(Sorted(Run(sql + std::to_string(n))), Sorted(Oracle(sql + std::to_string(n))));
    {
        TQueryStatement stopped(*database_);
        stopped.Prepare(sql + "3000");
        stopped.SetProgressHandler([](TQueryStatement&, uint16_t percent, bool& abort) { abort = percent >= 30; });
        stopped.Execute({}, false);
    }
    TDataSession other;
    TDataDirectory& otherDatabase = other.OpenDataDirectory("", dir_.Path());
    for (int n : {2, 2999}) {
        TQueryStatement statement(otherDatabase);
        statement.Prepare(sql + std::to_string(n));
        EXPECT_EQ(CursorRows(*statement.Execute({}, false), 2).size(), size_t(n));
        EXPECT_EQ(Sorted(Run(sql + std::to_string(n + 1))), Sorted(Oracle(sql + std::to_string(n + 1))));
    }
    EXPECT_EQ(CursorRows(*held.MasterQuery->ResultCursor, 2), first);
    EXPECT_EQ(Sorted(CursorRows(*held.Execute({}, false), 2)), Sorted(Oracle(sql + "20")));
    EXPECT_EQ(first.size(), 20u);
}

} // namespace
} // namespace vorsam::test
