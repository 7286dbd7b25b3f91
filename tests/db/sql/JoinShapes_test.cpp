// Join trees beyond a chain, against SQLite: a table that several tables join to (a star), written with
// JOIN ... ON, LEFT JOIN, a parenthesised first join or the comma form with its conditions in WHERE; and
// outer joins whose ON clause also tests the preserved table, which decides the match and never the
// preserved row's presence.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"

#include <random>

namespace vorsam::test {

namespace {

class JoinShapesTest : public TSqlTest, public ::testing::WithParamInterface<const char*> {
protected:
    JoinShapesTest() {
        std::mt19937 random(5);
        TSqlTable emp{"EMP",
                      {{"ID", dtInteger}, {"DEPT", dtInteger}, {"GRADE", dtInteger}, {"NAME", dtString, 8}},
                      {},
                      {"ID"}};
        const char* names[] = {"ana", "bia", "caio", "duda"};
        for (int id = 1; id <= 70; ++id) {
            TSqlValue dept = random() % 9 == 0 ? TSqlValue() : TSqlValue(std::to_string(random() % 6 * 10));
            emp.Rows.push_back({std::to_string(id), dept, std::to_string(random() % 6), names[random() % 4]});
        }
        AddTable(emp);
        AddTable({"DEPT",
                  {{"ID", dtInteger}, {"TITLE", dtString, 8}},
                  {{"0", "Sales"}, {"10", "Ops"}, {"20", "Ops"}, {"30", "Lab"}, {"70", "Void"}},
                  {"ID"}});
        TSqlTable proj{"PROJ", {{"ID", dtInteger}, {"EMP", dtInteger}, {"HOURS", dtInteger}}, {}, {"ID"}};
        for (int id = 1; id <= 40; ++id)
            proj.Rows.push_back(
                {std::to_string(id), std::to_string(random() % 90), std::to_string(random() % 50)});
        AddTable(proj);
    }
};

TEST_P(JoinShapesTest, GivesTheOraclesRows) {
    EXPECT_EQ(Sorted(Run(GetParam())), Sorted(Oracle(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(
    Stars, JoinShapesTest,
    ::testing::Values(
        "SELECT E.ID, D.TITLE, P.HOURS FROM EMP E JOIN DEPT D ON D.ID = E.DEPT JOIN PROJ P ON P.EMP = E.ID",
        "SELECT E.ID, D.TITLE, P.HOURS FROM EMP E LEFT JOIN DEPT D ON D.ID = E.DEPT "
        "LEFT JOIN PROJ P ON P.EMP = E.ID",
        "SELECT E.ID, D.TITLE, P.HOURS FROM EMP E JOIN DEPT D ON D.ID = E.DEPT "
        "LEFT JOIN PROJ P ON E.ID = P.EMP",
        "SELECT E.ID, D.TITLE, P.HOURS FROM (EMP E JOIN DEPT D ON D.ID = E.DEPT) JOIN PROJ P ON P.EMP = E.ID",
        "SELECT E.ID, P.HOURS, D.TITLE FROM EMP E, PROJ P, DEPT D WHERE P.EMP = E.ID AND D.ID = E.DEPT",
        "SELECT E.ID, P.HOURS, D.TITLE FROM EMP E, PROJ P, DEPT D "
        "WHERE P.EMP = E.ID AND D.ID = E.DEPT AND P.HOURS > 20",
        // The chain for comparison: the middle table joins both others.
        "SELECT E.ID, D.TITLE, P.HOURS FROM DEPT D JOIN EMP E ON D.ID = E.DEPT JOIN PROJ P ON P.EMP = E.ID"));

INSTANTIATE_TEST_SUITE_P(
    PreservedTableInOn, JoinShapesTest,
    ::testing::Values(
        "SELECT E.ID, D.TITLE FROM EMP E LEFT JOIN DEPT D ON E.DEPT = D.ID AND E.GRADE > 3",
        "SELECT E.ID, D.TITLE FROM EMP E LEFT JOIN DEPT D ON E.GRADE > 3 AND D.ID = E.DEPT",
        "SELECT D.ID, E.ID FROM EMP E RIGHT JOIN DEPT D ON E.DEPT = D.ID AND D.TITLE = 'Ops'",
        "SELECT E.ID, D.TITLE FROM EMP E LEFT JOIN DEPT D ON E.DEPT = D.ID AND (E.GRADE > 3 OR E.NAME = "
        "'bia')",
        "SELECT E.ID, D.TITLE FROM EMP E LEFT JOIN DEPT D "
        "ON E.DEPT = D.ID AND E.GRADE > 1 AND D.TITLE <> 'Ops'",
        "SELECT E.ID, D.TITLE FROM EMP E LEFT JOIN DEPT D ON E.DEPT = D.ID AND E.GRADE > 3 WHERE E.ID < 40",
        "SELECT E.ID, D.TITLE, P.HOURS FROM EMP E LEFT JOIN DEPT D ON E.DEPT = D.ID AND E.GRADE > 2 "
        "LEFT JOIN PROJ P ON P.EMP = E.ID AND E.GRADE < 4",
        "SELECT E.GRADE, COUNT(*), COUNT(D.ID) FROM EMP E LEFT JOIN DEPT D "
        "ON E.DEPT = D.ID AND E.GRADE > 3 GROUP BY E.GRADE",
        // No comparison between the two tables: the preserved side's term still decides the match.
        "SELECT E.ID, D.TITLE FROM EMP E LEFT JOIN DEPT D ON E.GRADE > 4 AND D.TITLE = 'Lab'",
        "SELECT E.ID, D.TITLE FROM EMP E LEFT JOIN DEPT D ON E.DEPT = D.ID AND 1 = 0"));

// WHERE tests the joined rows, NULLs of a table without a match included; an ON term of the table that
// may show no row only narrows what it matches.
INSTANTIATE_TEST_SUITE_P(
    OuterJoinWhere, JoinShapesTest,
    ::testing::Values(
        "SELECT E.ID, D.ID FROM EMP E LEFT JOIN DEPT D ON D.ID = E.DEPT AND D.TITLE = 'Ops' WHERE D.ID IS "
        "NULL",
        "SELECT E.ID, D.ID FROM EMP E LEFT JOIN DEPT D ON D.ID = E.DEPT AND D.ID > 5 WHERE D.ID IS NULL",
        "SELECT E.ID, D.ID FROM DEPT D RIGHT JOIN EMP E ON D.ID = E.DEPT AND D.TITLE = 'Ops' "
        "WHERE D.ID IS NULL",
        // A table joined below the one that may show no row: a NULL fails the WHERE test.
        "SELECT D.ID, P.ID FROM DEPT D LEFT JOIN EMP E ON E.DEPT = D.ID JOIN PROJ P ON P.EMP = E.ID "
        "WHERE P.ID >= 0"));

} // namespace

} // namespace vorsam::test
