// SELECT statements run from their text, against SQLite: every case one text of this dialect, the
// oracle's text when it differs, and whether the order of the rows counts.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"

namespace vorsam::test {

namespace {

struct TSelectCase {
    std::string Text;
    std::string OracleText = {}; // empty: the same text
    bool Ordered = false;
};

void PrintTo(const TSelectCase& c, std::ostream* os) {
    *os << c.Text;
}

class SelectTextTest : public TSqlTest, public ::testing::WithParamInterface<TSelectCase> {
protected:
    SelectTextTest() {
        AddTable({"EMP",
                  {{"ID", dtInteger},
                   {"DEPT", dtSmallInt},
                   {"NAME", dtString, 12},
                   {"PAY", dtFloat},
                   {"BONUS", dtInteger}},
                  {{"1", "10", "Ana", "100.5", "5"},
                   {"2", "10", "Bia", "200", std::nullopt},
                   {"3", "20", "Caio", "50.25", "7"},
                   {"4", "20", "Duda", std::nullopt, "7"},
                   {"5", "30", "Enzo", "75", "1"},
                   {"6", std::nullopt, "Fabi", "10", "2"},
                   {"7", "10", "Gil", "75", "5"}},
                  {"ID"},
                  {{"DEPT"}}});
        AddTable({"DEPT",
                  {{"ID", dtSmallInt}, {"TITLE", dtString, 10}, {"BOSS", dtInteger}},
                  {{"10", "Sales", "2"}, {"20", "Ops", "3"}, {"40", "Void", std::nullopt}},
                  {"ID"}});
    }
};

TEST_P(SelectTextTest, GivesTheOraclesRows) {
    const TSelectCase& c = GetParam();
    TRows ours = Run(c.Text);
    TRows oracle = Oracle(c.OracleText.empty() ? c.Text : c.OracleText);
    if (c.Ordered)
        EXPECT_EQ(ours, oracle);
    else
        EXPECT_EQ(Sorted(ours), Sorted(oracle));
}

INSTANTIATE_TEST_SUITE_P(
    Scans, SelectTextTest,
    ::testing::Values(TSelectCase{"SELECT * FROM EMP"},
                      TSelectCase{"SELECT NAME, PAY FROM EMP WHERE PAY > 60"},
                      TSelectCase{"SELECT ID FROM EMP WHERE DEPT = 10 AND BONUS IS NOT NULL"},
                      TSelectCase{"SELECT ID, PAY * 2 + BONUS FROM EMP WHERE NOT (PAY < 70)"},
                      TSelectCase{"SELECT NAME FROM EMP WHERE NAME LIKE 'B%' OR NAME LIKE '%o'"},
                      TSelectCase{"SELECT ID FROM EMP WHERE ID IN (1, 3, 9) OR PAY BETWEEN 70 AND 80"},
                      TSelectCase{"SELECT NAME || '-' || NAME FROM EMP WHERE DEPT >= 20"},
                      TSelectCase{"SELECT ID FROM EMP WHERE DEPT IS NULL"}));

INSTANTIATE_TEST_SUITE_P(
    Joins, SelectTextTest,
    ::testing::Values(
        TSelectCase{"SELECT E.NAME, D.TITLE FROM EMP E, DEPT D WHERE E.DEPT = D.ID"},
        TSelectCase{"SELECT E.NAME, D.TITLE FROM EMP E JOIN DEPT D ON E.DEPT = D.ID WHERE E.PAY > 60"},
        TSelectCase{"SELECT E.NAME, D.TITLE FROM EMP E LEFT OUTER JOIN DEPT D ON E.DEPT = D.ID"},
        TSelectCase{
            "SELECT E.NAME, D.TITLE FROM EMP E LEFT JOIN DEPT D ON E.DEPT = D.ID WHERE D.TITLE = 'Sales'"},
        TSelectCase{"SELECT D.TITLE, E.NAME FROM EMP E RIGHT JOIN DEPT D ON E.DEPT = D.ID"},
        TSelectCase{"SELECT D.TITLE, B.NAME FROM DEPT D, EMP B WHERE D.BOSS = B.ID AND B.PAY < 150"},
        TSelectCase{"SELECT E.NAME, D.TITLE FROM EMP E, DEPT D WHERE E.DEPT = D.ID OR E.ID = 1"},
        TSelectCase{"SELECT E.NAME, D.TITLE, B.NAME FROM EMP E JOIN DEPT D ON E.DEPT = D.ID JOIN EMP B ON "
                    "D.BOSS = B.ID"},
        TSelectCase{"SELECT E.ID, D.ID FROM EMP E, DEPT D WHERE E.BONUS > D.ID - 15"},
        TSelectCase{"SELECT D.*, E.NAME FROM EMP E, DEPT D WHERE E.DEPT = D.ID AND D.BOSS = E.ID"}));

INSTANTIATE_TEST_SUITE_P(
    OrderingAndGrouping, SelectTextTest,
    ::testing::Values(
        TSelectCase{"SELECT NAME, PAY FROM EMP ORDER BY PAY DESC, NAME", "", true},
        TSelectCase{"SELECT DEPT, NAME FROM EMP ORDER BY 1, 2", "", true},
        TSelectCase{"SELECT DISTINCT BONUS FROM EMP ORDER BY BONUS", "", true},
        TSelectCase{"SELECT DISTINCT DEPT, BONUS FROM EMP"},
        TSelectCase{"SELECT ID FROM EMP ORDER BY ID DESC TOP 3",
                    "SELECT ID FROM EMP ORDER BY ID DESC LIMIT 3", true},
        TSelectCase{
            "SELECT DEPT, COUNT(*), SUM(BONUS), MIN(NAME), MAX(PAY) FROM EMP GROUP BY DEPT",
            "SELECT DEPT, COUNT(*), SUM(BONUS), MIN(NAME), MAX(PAY) FROM EMP GROUP BY DEPT ORDER BY DEPT",
            true},
        TSelectCase{"SELECT DEPT, AVG(PAY), COUNT(*) FROM EMP WHERE DEPT IS NOT NULL GROUP BY DEPT HAVING "
                    "COUNT(*) > 1",
                    "SELECT DEPT, AVG(PAY), COUNT(*) FROM EMP WHERE DEPT IS NOT NULL GROUP BY DEPT HAVING "
                    "COUNT(*) > 1 "
                    "ORDER BY DEPT",
                    true},
        TSelectCase{"SELECT DEPT, SUM(PAY) FROM EMP GROUP BY DEPT HAVING SUM(PAY) > 100 ORDER BY 2 DESC", "",
                    true},
        TSelectCase{"SELECT COUNT(*) FROM EMP"}, TSelectCase{"SELECT COUNT(*) FROM EMP WHERE PAY > 60"},
        TSelectCase{"SELECT COUNT(BONUS), SUM(ID * 2), MIN(PAY), AVG(BONUS) FROM EMP"},
        TSelectCase{
            "SELECT D.TITLE, COUNT(*) FROM EMP E, DEPT D WHERE E.DEPT = D.ID GROUP BY D.TITLE",
            "SELECT D.TITLE, COUNT(*) FROM EMP E, DEPT D WHERE E.DEPT = D.ID GROUP BY D.TITLE ORDER BY 1",
            true},
        TSelectCase{"SELECT NAME FROM EMP WHERE DEPT = 10 UNION SELECT TITLE FROM DEPT"},
        TSelectCase{"SELECT DEPT FROM EMP UNION ALL SELECT ID FROM DEPT"},
        TSelectCase{"SELECT DEPT FROM EMP UNION SELECT ID FROM DEPT ORDER BY 1", "", true}));

INSTANTIATE_TEST_SUITE_P(
    SubSelects, SelectTextTest,
    ::testing::Values(
        TSelectCase{"SELECT NAME FROM EMP WHERE DEPT IN (SELECT ID FROM DEPT WHERE TITLE <> 'Ops')"},
        TSelectCase{"SELECT NAME FROM EMP WHERE PAY > (SELECT MIN(PAY) FROM EMP WHERE DEPT = 10)"},
        TSelectCase{"SELECT NAME FROM EMP WHERE ID = (SELECT MAX(BOSS) FROM DEPT)"},
        TSelectCase{"SELECT NAME FROM EMP WHERE NOT (DEPT IN (SELECT ID FROM DEPT))"},
        TSelectCase{"SELECT E.NAME FROM EMP E WHERE E.PAY > (SELECT MIN(F.PAY) FROM EMP F WHERE F.DEPT = "
                    "E.DEPT)"},
        TSelectCase{"SELECT E.NAME FROM EMP E WHERE E.DEPT IN (SELECT D.ID FROM DEPT D WHERE D.BOSS = E.ID)"},
        TSelectCase{"SELECT E.NAME, D.TITLE FROM EMP E, DEPT D WHERE E.DEPT = D.ID AND E.BONUS = (SELECT "
                    "MAX(F.BONUS) FROM EMP F WHERE F.DEPT = D.ID)"},
        TSelectCase{"SELECT COUNT(*) FROM EMP E WHERE E.ID = (SELECT MIN(F.ID) FROM EMP F WHERE F.DEPT = "
                    "E.DEPT)"}));

} // namespace

} // namespace vorsam::test
