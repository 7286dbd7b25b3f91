// Nested-loop reading of hand-built joins, against SQLite's joins of the same tables.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionParser.h"
#include "db/sql/JoinNavigation.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/SelectPlan.h"

namespace vorsam::test {

namespace {

class JoinNavigationTest : public TSqlTest {
protected:
    JoinNavigationTest() : statement_(*database_), query_(*statement_.MasterQuery) {
        AddTable({"A",
                  {{"K", dtInteger}, {"X", dtInteger}},
                  {{"1", "10"}, {"2", "20"}, {"3", "30"}, {"4", std::nullopt}}});
        AddTable({"B",
                  {{"K", dtInteger}, {"Y", dtInteger}},
                  {{"1", "10"}, {"2", "10"}, {"3", "30"}, {"4", "40"}}});
        AddTable({"C", {{"K", dtInteger}, {"Z", dtInteger}}, {{"1", "1"}, {"2", "3"}, {"3", "3"}}});
        for (const char* name : {"A", "B", "C"}) {
            auto source = std::make_unique<TSourceTable>(query_);
            source->SetTableName(name);
            query_.SourceTables.push_back(std::move(source));
        }
        OpenSources(query_);
        AllocateSourceBuffers(query_);
    }

    TSourceTable& Source(size_t i) { return *query_.SourceTables[i]; }

    void Join(size_t owner, size_t target, uint8_t kind, const std::string& condition) {
        TExpressionParser parser;
        TExpTree tree = parser.ParseExpressionText(condition, epExtendedPredicates);
        CompileSourceCondition(query_, *tree);
        Source(owner).AddJoin(kind, std::move(tree), Source(target));
    }

    // Every joined row from A: the keys of the sources that show a row, NULL for those at their end.
    TRows Rows(size_t sources) {
        TRows rows;
        for (bool more = FirstMatch(Source(0), tjInner); more; more = NextMatch(Source(0))) {
            std::string row;
            for (size_t i = 0; i < sources; ++i) {
                TExpToken key;
                key.FieldNumber = 1;
                ReadColumnValue(*Source(i).Cursor, Source(i).RecordBuffer, key,
                                FieldDescOf(query_, *Source(i).Cursor, 1, true), true, Source(i).Eof);
                row += (i ? "|" : "") +
                       (key.IsNull ? std::string("NULL") : std::to_string(int32_t(key.Value[0])));
            }
            rows.push_back(row);
        }
        return Sorted(rows);
    }

    TQueryStatement statement_;
    TDataQuery& query_;
};

TEST_F(JoinNavigationTest, InnerJoinGivesTheMatchingPairs) {
    Join(0, 1, tjInner, "A.X = B.Y");
    EXPECT_EQ(Rows(2), Sorted(Oracle("SELECT A.K, B.K FROM A JOIN B ON A.X = B.Y")));
}

TEST_F(JoinNavigationTest, LeftJoinYieldsAnUnmatchedRowOnceWithTheTargetAtItsEnd) {
    Join(0, 1, tjLeftOuter, "A.X = B.Y");
    EXPECT_EQ(Rows(2), Sorted(Oracle("SELECT A.K, B.K FROM A LEFT JOIN B ON A.X = B.Y")));
}

TEST_F(JoinNavigationTest, ATableBelowAnUnmatchedLeftJoinShowsNoRow) {
    Join(0, 1, tjLeftOuter, "A.X = B.Y");
    Join(1, 2, tjInner, "B.K = C.Z");
    EXPECT_EQ(Rows(3),
              Sorted(Oracle("SELECT A.K, B.K, C.K FROM A LEFT JOIN (B JOIN C ON B.K = C.Z) ON A.X = B.Y")));
}

TEST_F(JoinNavigationTest, ChainsAndFansOfJoinsNestTheirLoops) {
    Join(0, 1, tjInner, "A.X = B.Y");
    Join(0, 2, tjInner, "A.K <= C.Z");
    EXPECT_EQ(Rows(3), Sorted(Oracle("SELECT A.K, B.K, C.K FROM A, B, C WHERE A.X = B.Y AND A.K <= C.Z")));
}

TEST_F(JoinNavigationTest, APlainLinkGivesEveryRowOfItsTarget) {
    Source(0).AddJoin(tjLink, nullptr, Source(2));
    EXPECT_EQ(Rows(3).size(), 12u);
}

TEST_F(JoinNavigationTest, TwoConditionsOnOnePairEndInOneJoinOfTheirAnd) {
    Join(0, 1, tjInner, "A.X = B.Y");
    Join(0, 1, tjInner, "A.K > B.K");
    ASSERT_EQ(Source(0).Joins.size(), 1u);
    EXPECT_EQ(Source(0).Joins[0]->Condition->Operator, opAnd);
    EXPECT_EQ(Rows(2), Sorted(Oracle("SELECT A.K, B.K FROM A JOIN B ON A.X = B.Y AND A.K > B.K")));
}

TEST_F(JoinNavigationTest, MirroringSwapsOperandsAndTurnsTheOperator) {
    Join(0, 1, tjInner, "A.X > B.Y");
    TTableJoin& join = *Source(0).Joins[0];
    join.MirrorCondition();
    EXPECT_EQ(join.Condition->Operator, opLess);
    EXPECT_EQ(join.Condition->Left()->CorrelationName, "B");
    EXPECT_EQ(join.Condition->Right()->CorrelationName, "A");
}

TEST_F(JoinNavigationTest, TheJoinFilterIsReplacedForEachOuterRowNotStacked) {
    Join(0, 1, tjInner, "A.X = B.Y");
    Rows(2);
    uint32_t handle = Source(0).Joins[0]->FilterHandle;
    EXPECT_NE(handle, 0u);
    Rows(2);
    EXPECT_EQ(Source(0).Joins[0]->FilterHandle, handle);
}

} // namespace

} // namespace vorsam::test
