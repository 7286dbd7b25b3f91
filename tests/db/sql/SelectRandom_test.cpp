// Random SELECT statements (fixed seed) over two tables with NULLs, duplicates and negative values, run on
// both engines and compared as rows (in order where an ORDER BY fixes it): WHERE trees of comparisons, IS
// NULL, BETWEEN, IN and LIKE joined by AND, OR and NOT; no join, an inner, left or right join; DISTINCT;
// GROUP BY with aggregates and HAVING; UNION [ALL]; ORDER BY.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"

#include <random>

namespace vorsam::test {

namespace {

constexpr int QueryCount = 300;

class SelectRandomTest : public TSqlTest {
protected:
    SelectRandomTest() {
        std::mt19937 random(11);
        TSqlTable emp{"EMP",
                      {{"ID", dtInteger}, {"DEPT", dtInteger}, {"NAME", dtString, 8}, {"PAY", dtFloat}},
                      {},
                      {"ID"},
                      {{"DEPT"}}};
        const char* names[] = {"ana", "bia", "Caio", "duda", "Enzo", "bia"};
        for (int id = 1; id <= 40; ++id) {
            auto maybe = [&](std::string value) {
                return random() % 8 == 0 ? TSqlValue() : TSqlValue(value);
            };
            emp.Rows.push_back({std::to_string(id), maybe(std::to_string(int(random() % 6) * 10 - 10)),
                                maybe(names[random() % 6]),
                                maybe(std::to_string(int(random() % 40) - 5) + ".5")});
        }
        AddTable(emp);
        AddTable({"DEPT",
                  {{"ID", dtInteger}, {"TITLE", dtString, 8}, {"FLOOR", dtInteger}},
                  {{"0", "Sales", "1"},
                   {"10", "Ops", "2"},
                   {"20", "Ops", std::nullopt},
                   {"30", std::nullopt, "3"},
                   {"60", "Void", "1"}},
                  {"ID"}});
    }

    std::string Pick(std::initializer_list<const char*> choices) {
        return *(choices.begin() + random_() % choices.size());
    }

    std::string Predicate(bool joined, int depth) {
        if (depth > 0 && random_() % 3 == 0) {
            std::string op = Pick({"AND", "OR"});
            std::string text =
                "(" + Predicate(joined, depth - 1) + " " + op + " " + Predicate(joined, depth - 1) + ")";
            return random_() % 4 == 0 ? "NOT " + text : text;
        }
        std::string dept = joined && random_() % 2 ? "D.FLOOR" : "E.DEPT";
        switch (random_() % 7) {
        case 0:
            return dept + " " + Pick({"=", "<>", "<", ">", "<=", ">="}) + " " +
                   std::to_string(int(random_() % 5) * 10 - 10);
        case 1:
            return "E.PAY " + Pick({"<", ">", "<=", ">="}) + " " + std::to_string(int(random_() % 30) - 5);
        case 2:
            return Pick({"E.NAME", "E.PAY", "E.DEPT"}) + (random_() % 2 ? " IS NULL" : " IS NOT NULL");
        case 3:
            return "E.NAME " + Pick({"=", "<>", "<", ">="}) + " '" + Pick({"bia", "Caio", "duda"}) + "'";
        case 4:
            return "E.ID BETWEEN " + std::to_string(random_() % 20) + " AND " +
                   std::to_string(10 + random_() % 30);
        case 5:
            return "E.DEPT IN (0, " + std::to_string(int(random_() % 5) * 10) + ", 50)";
        default:
            return "E.NAME LIKE '" + Pick({"b%", "%a", "_ia", "%u%"}) + "'";
        }
    }

    // One random statement (the same text for both engines) and whether its rows come in a fixed order.
    std::string Statement(bool& ordered) {
        ordered = false;
        int join = int(random_() % 4);
        std::string from = join == 0   ? "EMP E"
                           : join == 1 ? "EMP E JOIN DEPT D ON E.DEPT = D.ID"
                           : join == 2 ? "EMP E LEFT JOIN DEPT D ON E.DEPT = D.ID"
                                       : "DEPT D RIGHT JOIN EMP E ON D.ID = E.DEPT";
        std::string where = random_() % 5 ? " WHERE " + Predicate(join != 0, 2) : "";
        if (random_() % 4 == 0) {
            std::string group = join != 0 && random_() % 2 ? "D.TITLE" : "E.DEPT";
            std::string having = random_() % 3 == 0 ? " HAVING COUNT(*) > 2" : "";
            return "SELECT " + group +
                   ", COUNT(*), COUNT(E.NAME), SUM(E.PAY), MIN(E.NAME), MAX(E.PAY) FROM " + from + where +
                   " GROUP BY " + group + having;
        }
        if (random_() % 6 == 0)
            return "SELECT E.NAME FROM EMP E WHERE " + Predicate(false, 1) +
                   Pick({" UNION ", " UNION ALL "}) + "SELECT D.TITLE FROM DEPT D WHERE D.FLOOR > 1";
        if (random_() % 4 == 0) {
            ordered = true;
            return "SELECT E.NAME, E.ID FROM " + from + where + " ORDER BY " +
                   Pick({"E.NAME DESC, E.ID", "1, E.ID DESC", "2 DESC"});
        }
        std::string columns =
            join != 0 ? "E.ID, E.NAME, D.TITLE, E.PAY + D.FLOOR" : "E.ID, E.NAME, E.PAY * 2";
        if (random_() % 4 == 0) return "SELECT DISTINCT E.DEPT, E.NAME FROM " + from + where;
        return "SELECT " + columns + " FROM " + from + where;
    }

    std::mt19937 random_{2027};
};

TEST_F(SelectRandomTest, RandomStatementsGiveTheOraclesRows) {
    int failures = 0, nonEmpty = 0;
    for (int i = 0; i < QueryCount && failures < 5; ++i) {
        bool ordered = false;
        std::string sql = Statement(ordered);
        TRows ours, oracle = Oracle(sql);
        try {
            ours = Run(sql);
        } catch (const EVORSAMEngineError& e) {
            ADD_FAILURE() << sql << "\n  raised " << e.what();
            ++failures;
            continue;
        }
        nonEmpty += !oracle.empty();
        if (!ordered) {
            ours = Sorted(ours);
            oracle = Sorted(oracle);
        }
        if (ours != oracle) {
            ++failures;
            ADD_FAILURE() << sql << "\n  ours " << ours.size() << " rows, oracle " << oracle.size();
        }
    }
    EXPECT_GT(nonEmpty, QueryCount / 2); // the statements find rows, mostly
}

} // namespace

} // namespace vorsam::test
