// COUNT(*) over joins whose last table is counted in an index instead of read, against SQLite: random
// statements over tables of integer columns of each width with NULLs, duplicates (more than a few rows per
// key too) and values beyond the narrower types (joined with a wide column), in the shapes that are counted
// so (an inner join on an indexed column, from either side, in a chain of three tables, with the driving
// table filtered) and in those that are not (a filter on the counted table, an outer join, a column that
// would need converting, no index, another column beside the count).
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"

#include <random>

namespace vorsam::test {

namespace {

class JoinLeafCountTest : public TSqlTest {
protected:
    JoinLeafCountTest() {
        std::mt19937 random(5);
        auto maybe = [&](int64_t value) {
            return random() % 9 == 0 ? TSqlValue() : TSqlValue(std::to_string(value));
        };
        // A: the small driving table; B: the larger one, its columns indexed; C: chained to B.
        TSqlTable a{
            "A",
            {{"ID", dtInteger}, {"X", dtInteger}, {"S", dtSmallInt}, {"L", dtLargeInt}, {"W", dtWord}},
            {},
            {"ID"}};
        for (int id = 1; id <= 60; ++id)
            a.Rows.push_back(
                {std::to_string(id), maybe(int64_t(random() % 40)), maybe(int64_t(random() % 30)),
                 maybe(random() % 7 == 0 ? 70000 + int64_t(random() % 3) : int64_t(random() % 40)),
                 maybe(int64_t(random() % 25))});
        AddTable(a);
        TSqlTable b{"B",
                    {{"ID", dtInteger},
                     {"Y", dtInteger},
                     {"S", dtSmallInt},
                     {"L", dtLargeInt},
                     {"W", dtWord},
                     {"N", dtInteger}},
                    {},
                    {"ID"},
                    {{"Y"}, {"S"}, {"L"}, {"W"}, {"Y", "S"}}};
        for (int id = 1; id <= 600; ++id) {
            int64_t y = id % 5 == 0 ? 7 : int64_t(random() % 45) - 8; // key 7 has over a hundred rows
            b.Rows.push_back({std::to_string(id), maybe(y), maybe(int64_t(random() % 30)),
                              maybe(random() % 11 == 0 ? 70001 : int64_t(random() % 40)),
                              maybe(int64_t(random() % 25)), maybe(int64_t(random() % 50))});
        }
        AddTable(b);
        TSqlTable c{"C", {{"ID", dtInteger}, {"BID", dtInteger}}, {}, {"ID"}, {{"BID"}}};
        for (int id = 1; id <= 900; ++id)
            c.Rows.push_back({std::to_string(id), maybe(int64_t(random() % 620))});
        AddTable(c);
    }

    std::string Pick(std::initializer_list<const char*> choices) {
        return *(choices.begin() + random_() % choices.size());
    }

    // One random COUNT statement over a join.
    std::string Statement() {
        std::string aColumn = Pick({"A.X", "A.S", "A.L", "A.W", "A.ID"});
        // A.L holds values beyond the narrower types, which the joins' filters cannot convert to them (an
        // error of the statement, as before): it is joined with B.L only.
        std::string bColumn = aColumn == "A.L" ? "B.L" : Pick({"B.Y", "B.S", "B.L", "B.W", "B.ID", "B.N"});
        std::string filter =
            random_() % 3 == 0 ? Pick({" AND A.ID > 20", " AND A.X < 10", " AND A.S IS NOT NULL"}) : "";
        switch (random_() % 7) {
        case 0:
            return "SELECT COUNT(*) FROM A, B WHERE " + aColumn + " = " + bColumn + filter;
        case 1:
            return "SELECT COUNT(*) FROM B, A WHERE " + bColumn + " = " + aColumn + filter;
        case 2:
            return "SELECT COUNT(*), COUNT(*) FROM A JOIN B ON " + aColumn + " = " + bColumn + filter;
        case 3:
            return "SELECT COUNT(*) FROM A, B, C WHERE " + aColumn + " = " + bColumn + " AND B.ID = C.BID" +
                   filter;
        case 4: // a filter on the larger table too, served by one of its indexes or not
            return "SELECT COUNT(*) FROM A, B WHERE " + aColumn + " = " + bColumn +
                   Pick({" AND B.N > 20", " AND B.S > 20", " AND B.Y BETWEEN 0 AND 10", " AND B.W = 3"}) +
                   filter;
        case 5:
            return "SELECT COUNT(*) FROM A LEFT JOIN B ON " + aColumn + " = " + bColumn;
        default:
            return "SELECT COUNT(*), MAX(A.ID) FROM A, B WHERE " + aColumn + " = " + bColumn + filter;
        }
    }

    std::mt19937 random_{2031};
};

TEST_F(JoinLeafCountTest, CountsOfJoinsAreTheOraclesInEveryShape) {
    int counted = 0;
    for (int i = 0; i < 400; ++i) {
        std::string sql = Statement();
        TRows ours, oracle = Oracle(sql);
        try {
            ours = Run(sql);
        } catch (const EVORSAMEngineError& e) {
            ADD_FAILURE() << sql << "\n  raised " << e.what();
            continue;
        }
        ASSERT_EQ(ours, oracle) << sql;
        counted += oracle.front() != "0" && oracle.front().rfind("0|", 0) != 0;
    }
    EXPECT_GT(counted, 250); // most joins find rows
}

// Joins by the key with more than a few rows of a value, counted from the index's subtree counts, and a
// driving value that the counted column's type cannot hold.
TEST_F(JoinLeafCountTest, ManyRowsOfAKeyAndValuesBeyondTheColumnsType) {
    for (const char* sql :
         {"SELECT COUNT(*) FROM A, B WHERE A.X = B.Y AND A.X = 7",
          "SELECT COUNT(*) FROM A, B WHERE A.S = B.Y", "SELECT COUNT(*) FROM A, B WHERE A.W = B.L",
          "SELECT COUNT(*) FROM A, B WHERE A.L = B.L", "SELECT COUNT(*) FROM A, B WHERE A.X = B.S",
          "SELECT COUNT(*) FROM A, C WHERE A.ID = C.BID"})
        EXPECT_EQ(Run(sql), Oracle(sql)) << sql;
}

} // namespace

} // namespace vorsam::test
