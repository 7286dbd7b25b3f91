// Aggregates without GROUP BY folded while the rows are read give what the general way gives (each row
// written into a result record and folded from there): random lists of COUNT(*), COUNT, SUM, MIN, MAX, AVG
// and RUNSUM over numeric columns of every width, with NULLs, under random WHERE clauses (some matching
// nothing), on one table and across an outer join whose unmatched rows read as NULL. The general way is
// the same statement with one more column that cannot be folded (the MIN of a string); where SQLite
// agrees on the meaning (not AVG or RUNSUM), it is asked too.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"

#include <random>

namespace vorsam::test {
namespace {

constexpr int StatementCount = 250;

class SelectAggregateFoldTest : public TSqlTest {
protected:
    SelectAggregateFoldTest() {
        TSqlTable numbers{"N",
                          {{"ID", dtInteger},
                           {"I", dtInteger},
                           {"S", dtSmallInt},
                           {"W", dtWord},
                           {"L", dtLargeInt},
                           {"F", dtFloat},
                           {"TXT", dtString, 6}},
                          {},
                          {"ID"}};
        std::mt19937 random(41);
        auto maybe = [&](std::string value) { return random() % 6 == 0 ? TSqlValue() : TSqlValue(value); };
        for (int id = 1; id <= 120; ++id) {
            numbers.Rows.push_back({std::to_string(id),
                                    maybe(std::to_string(int(random() % 2000000) - 1000000)),
                                    maybe(std::to_string(int(random() % 60000) - 30000)),
                                    maybe(std::to_string(random() % 65000)),
                                    maybe(std::to_string(int64_t(random()) * 4096 - (int64_t(1) << 42))),
                                    maybe(std::to_string(int(random() % 4000) - 2000) + ".25"),
                                    maybe(std::string(1, char('a' + random() % 26)))});
        }
        AddTable(numbers);
        TSqlTable side{"SIDE", {{"ID", dtInteger}, {"V", dtInteger}}, {}, {"ID"}};
        for (int id = 1; id <= 120; id += 3)
            side.Rows.push_back({std::to_string(id), std::to_string(id % 17)});
        AddTable(side);
    }

    std::string Aggregate(bool& sqliteAgrees) {
        static const char* const columns[] = {"N.F", "N.I", "N.S", "N.W", "N.L", "X.V"};
        std::string column = columns[random_() % (joined_ ? 6 : 5)];
        switch (random_() % 8) {
        case 0:
            return "COUNT(*)";
        case 1:
            return "COUNT(" + column + ")";
        case 2:
        case 3:
            return "SUM(" + column + ")";
        case 4:
            return "MIN(" + column + ")";
        case 5:
            return "MAX(" + column + ")";
        case 6:
            sqliteAgrees = false;
            return "AVG(" + column + ")";
        default:
            sqliteAgrees = false;
            return "RUNSUM(" + column + ")";
        }
    }

    std::string Where() {
        switch (random_() % 6) {
        case 0:
            return "";
        case 5:
            return " WHERE N.F IS NULL"; // COUNT(N.F) of rows that all have none
        case 1:
            return " WHERE N.ID > 1000"; // nothing
        case 2:
            return " WHERE N.I > " + std::to_string(int(random_() % 1000000));
        case 3:
            return " WHERE N.F IS NULL OR N.S < 0";
        default:
            return " WHERE N.ID BETWEEN " + std::to_string(random_() % 60) + " AND " +
                   std::to_string(40 + random_() % 80);
        }
    }

    std::mt19937 random_{43};
    bool joined_ = false;
};

TEST_F(SelectAggregateFoldTest, FoldedAggregatesGiveWhatTheGeneralWayGives) {
    int failures = 0, nonNull = 0;
    for (int i = 0; i < StatementCount && failures < 5; ++i) {
        joined_ = random_() % 3 == 0;
        bool sqliteAgrees = true;
        std::string list;
        int count = 1 + int(random_() % 4);
        for (int c = 0; c < count; ++c) list += (c ? ", " : "") + Aggregate(sqliteAgrees);
        if (random_() % 5 == 0) list += ", 7 * 6";
        std::string from = joined_ ? " FROM N LEFT JOIN SIDE X ON N.ID = X.ID" : " FROM N";
        std::string where = Where();
        std::string sql = "SELECT " + list + from + where;
        TRows folded = Run(sql);
        TRows general = Run("SELECT " + list + ", MIN(N.TXT)" + from + where);
        ASSERT_EQ(folded.size(), 1u) << sql;
        ASSERT_EQ(general.size(), 1u) << sql;
        std::string expected = general[0].substr(0, general[0].rfind('|'));
        if (folded[0] != expected) {
            ++failures;
            ADD_FAILURE() << sql << "\n  folded  " << folded[0] << "\n  general " << expected;
        }
        if (sqliteAgrees && list.find("7 * 6") == std::string::npos) {
            TRows oracle = Oracle(sql);
            if (oracle != folded) {
                ++failures;
                ADD_FAILURE() << sql << "\n  folded " << folded[0] << "\n  sqlite " << oracle[0];
            }
        }
        nonNull += folded[0].find("NULL") == std::string::npos;
    }
    EXPECT_GT(nonNull, StatementCount / 3);
}

// A total beyond its type is refused as the general way refuses it.
TEST_F(SelectAggregateFoldTest, ASumBeyondItsTypeIsRefused) {
    AddTable({"BIG",
              {{"ID", dtInteger}, {"L", dtLargeInt}},
              {{"1", "9223372036854775000"}, {"2", "1000"}},
              {"ID"}});
    EXPECT_EQ(ErrorOf("SELECT SUM(L) FROM BIG"), "code " + std::to_string(VORSAM_OUTOFRANGE));
    EXPECT_EQ(ErrorOf("SELECT SUM(L), MIN(L) FROM BIG WHERE ID = 1"), "");
}

} // namespace
} // namespace vorsam::test
