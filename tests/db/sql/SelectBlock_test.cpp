// SELECT blocks built as the parser builds them, prepared and run, against SQLite.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionParser.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/QueryStatement.h"

namespace vorsam::test {

namespace {

struct TBlockSpec {
    std::vector<std::string> From;
    std::vector<std::string> Select;
    std::string Where = {};
    std::vector<std::string> GroupBy = {};
    std::vector<std::string> OrderBy = {}; // "name" or "name DESC"
    bool Distinct = false;
    int32_t Top = -1;
};

class SelectBlockTest : public TSqlTest {
protected:
    SelectBlockTest() {
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
                   {"6", std::nullopt, "Fabi", "10", "2"}}});
        AddTable({"DEPT",
                  {{"ID", dtSmallInt}, {"TITLE", dtString, 10}},
                  {{"10", "Sales"}, {"20", "Ops"}, {"40", "Void"}}});
    }

    static TExpTree Parse(const std::string& text) {
        TExpressionParser parser;
        return parser.ParseExpressionText(text, epAggregates | epAllColumns | epExtendedPredicates);
    }

    TRows RunBlock(const TBlockSpec& spec) {
        TQueryStatement statement(*database_);
        TDataQuery& query = *statement.MasterQuery;
        query.StatementType = sqlSelect;
        for (const std::string& name : spec.From) {
            auto source = std::make_unique<TSourceTable>(query);
            source->SetTableName(name);
            query.SourceTables.push_back(std::move(source));
        }
        query.MultipleTables = spec.From.size() > 1;
        for (const std::string& text : spec.Select) {
            auto column = std::make_unique<TResultField>(query);
            column->SourceText = text;
            if (text == "*") {
                column->SetColumnName("*");
            } else {
                column->Expression = Parse(text);
                TExpToken& tree = *column->Expression;
                const TExpToken* named = &tree;
                if (tree.Kind == nkFunction && IsAggregateOperator(tree.Operator)) {
                    column->AggregateKind = AggregateKindOfOperator(tree.Operator);
                    named = tree.GetArg(0);
                    if (!named) column->SetColumnName("*");
                }
                if (named && named->Kind == nkColumn) {
                    column->TableName = named->CorrelationName;
                    column->SetColumnName(named->ColumnName);
                } else if (named) {
                    column->IsExpression = true;
                }
                if (column->AggregateKind == akAvg) query.HasAvg = true;
            }
            query.ResultFields.push_back(std::move(column));
        }
        if (!spec.Where.empty()) {
            query.WhereTree = Parse(spec.Where);
            query.HasCondition = true;
        }
        for (const std::string& name : spec.GroupBy) {
            auto item = std::make_unique<TGroupByField>(query);
            item->ColumnName = name;
            query.GroupByItems.push_back(std::move(item));
            query.HasGroupBy = true;
        }
        for (const std::string& text : spec.OrderBy) {
            auto item = std::make_unique<TOrderByField>(query);
            size_t blank = text.find(' ');
            item->ColumnName = text.substr(0, blank);
            item->Descending = blank != std::string::npos;
            query.OrderByItems.push_back(std::move(item));
            query.HasOrderBy = true;
        }
        query.Distinct = spec.Distinct;
        query.TopCount = spec.Top;
        statement.PrepareQueries();
        statement.ExecuteQueries();
        return CursorRows(*query.ResultCursor, uint16_t(query.ResultFields.size()));
    }
};

TEST_F(SelectBlockTest, FilteredScanWithExpressions) {
    TBlockSpec spec{{"EMP"}, {"ID", "NAME", "PAY * 2", "BONUS + ID"}, "PAY > 60 OR BONUS = 7"};
    EXPECT_EQ(Sorted(RunBlock(spec)),
              Sorted(Oracle("SELECT ID, NAME, PAY * 2, BONUS + ID FROM EMP WHERE PAY > 60 OR BONUS = 7")));
}

TEST_F(SelectBlockTest, StarListsEveryColumnOfEverySource) {
    TBlockSpec spec{{"EMP", "DEPT"}, {"*"}, "EMP.DEPT = DEPT.ID"};
    EXPECT_EQ(Sorted(RunBlock(spec)), Sorted(Oracle("SELECT * FROM EMP, DEPT WHERE EMP.DEPT = DEPT.ID")));
}

TEST_F(SelectBlockTest, GroupedAggregatesInGroupOrder) {
    TBlockSpec spec{
        {"EMP"}, {"DEPT", "COUNT(*)", "COUNT(BONUS)", "SUM(BONUS)", "MIN(NAME)", "MAX(PAY)", "AVG(BONUS)"}};
    spec.GroupBy = {"DEPT"};
    EXPECT_EQ(
        RunBlock(spec),
        Oracle("SELECT DEPT, COUNT(*), COUNT(BONUS), SUM(BONUS), MIN(NAME), MAX(PAY), AVG(BONUS) FROM EMP "
               "GROUP BY DEPT ORDER BY DEPT"));
}

TEST_F(SelectBlockTest, AggregatesOfTheWholeTable) {
    TBlockSpec spec{{"EMP"}, {"COUNT(*)", "SUM(PAY)", "AVG(PAY)", "MIN(BONUS)"}, "ID > 1"};
    EXPECT_EQ(RunBlock(spec),
              Oracle("SELECT COUNT(*), SUM(PAY), AVG(PAY), MIN(BONUS) FROM EMP WHERE ID > 1"));
}

TEST_F(SelectBlockTest, OrderDistinctAndTop) {
    TBlockSpec spec{{"EMP"}, {"BONUS"}, "", {}, {"BONUS DESC"}, true, 3};
    EXPECT_EQ(RunBlock(spec), Oracle("SELECT DISTINCT BONUS FROM EMP ORDER BY BONUS DESC LIMIT 3"));
}

TEST_F(SelectBlockTest, JoinWithWhereOnBothTables) {
    TBlockSpec spec{{"EMP", "DEPT"},
                    {"EMP.NAME", "DEPT.TITLE"},
                    "EMP.DEPT = DEPT.ID AND EMP.PAY < 150 AND DEPT.TITLE <> 'Ops'"};
    EXPECT_EQ(
        Sorted(RunBlock(spec)),
        Sorted(Oracle("SELECT EMP.NAME, DEPT.TITLE FROM EMP, DEPT WHERE EMP.DEPT = DEPT.ID AND EMP.PAY < 150 "
                      "AND DEPT.TITLE <> 'Ops'")));
}

} // namespace

} // namespace vorsam::test
