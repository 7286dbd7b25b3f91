// The ways a join reaches its target's rows (its filter, an index, a hash) give the same rows as SQLite's
// join of the same tables, whatever the keys' types, NULLs, duplicates and other terms.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionParser.h"
#include "db/sql/JoinAccess.h"
#include "db/sql/JoinNavigation.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/SelectPlan.h"

namespace vorsam::test {

namespace {

enum class TWay { Filter, Index, Hash };

struct TJoinCase {
    const char* Condition; // over A (owner, on the left of each comparison) and B (target)
    uint8_t Kind;
    std::vector<TWay> Ways; // those the condition offers besides the filter
    // The filter compares B's column with A's value converted to the column's type (2.5 = 2 holds).
    bool FilterConverts = false;
};

class JoinAccessTest : public TSqlTest, public ::testing::WithParamInterface<TJoinCase> {
protected:
    JoinAccessTest() : statement_(*database_), query_(*statement_.MasterQuery) {
        TSqlTable a{"A", {{"K", dtInteger}, {"X", dtInteger}, {"F", dtFloat}, {"S", dtString, 4}}, {}, {"K"}};
        TSqlTable b{"B",
                    {{"K", dtInteger}, {"Y", dtInteger}, {"T", dtString, 4}, {"W", dtLargeInt}},
                    {},
                    {"K"},
                    {{"Y"}, {"T", "Y"}, {"W"}}};
        const char* texts[] = {"ab", "b", "AB", "c"};
        for (int k = 1; k <= 24; ++k) {
            auto maybe = [&](int value) {
                return k % 7 == 3 ? TSqlValue() : TSqlValue(std::to_string(value));
            };
            a.Rows.push_back({std::to_string(k), maybe(k % 5), k % 4 ? std::to_string(k % 5) + ".0" : "2.5",
                              k % 6 == 1 ? TSqlValue() : TSqlValue(texts[k % 4])});
            b.Rows.push_back({std::to_string(k), maybe(k % 6), texts[(k + 1) % 4], maybe(k % 3)});
        }
        AddTable(a);
        AddTable(b);
        for (const char* name : {"A", "B"}) {
            auto source = std::make_unique<TSourceTable>(query_);
            source->SetTableName(name);
            query_.SourceTables.push_back(std::move(source));
        }
        OpenSources(query_);
        AllocateSourceBuffers(query_);
        TExpressionParser parser;
        TExpTree tree = parser.ParseExpressionText(GetParam().Condition, epExtendedPredicates);
        CompileSourceCondition(query_, *tree);
        query_.SourceTables[0]->AddJoin(GetParam().Kind, std::move(tree), *query_.SourceTables[1]);
    }

    // Every joined row from A (A's key and B's, NULL when B shows none), the join reading B that way.
    TRows Rows(TWay way) {
        DropSourceFilters(query_);
        TTableJoin& join = *query_.SourceTables[0]->Joins[0];
        TJoinWays ways = JoinWaysOf(query_, *join.Condition, *join.Owner, *join.Target);
        if (way == TWay::Index) join.Access = TJoinAccess::Indexed(join, ways);
        if (way == TWay::Hash) join.Access = TJoinAccess::Hashed(join, ways);
        join.Target->Access = join.Access.get();
        TRows rows;
        for (bool more = FirstMatch(*join.Owner, tjInner); more; more = NextMatch(*join.Owner)) {
            std::string row;
            for (TSourceTable* source : {join.Owner, join.Target}) {
                TExpToken key;
                key.FieldNumber = 1;
                ReadColumnValue(*source->Cursor, source->RecordBuffer, key,
                                FieldDescOf(query_, *source->Cursor, 1, true), true, source->Eof);
                row += (row.empty() ? "" : "|") +
                       (key.IsNull ? std::string("NULL") : std::to_string(int32_t(key.Value[0])));
            }
            rows.push_back(row);
        }
        EndJoinAccesses(query_);
        return Sorted(rows);
    }

    TQueryStatement statement_;
    TDataQuery& query_;
};

TEST_P(JoinAccessTest, EveryWayGivesTheOraclesRows) {
    std::string sql = std::string("SELECT A.K, B.K FROM A ") +
                      (GetParam().Kind == tjLeftOuter ? "LEFT " : "") + "JOIN B ON " + GetParam().Condition;
    TRows expected = Sorted(Oracle(sql));
    TRows filtered = Rows(TWay::Filter);
    if (!GetParam().FilterConverts) {
        EXPECT_EQ(filtered, expected) << "filter";
    }
    for (TWay way : GetParam().Ways) {
        EXPECT_EQ(Rows(way), expected) << (way == TWay::Index ? "index" : "hash");
        EXPECT_EQ(Rows(TWay::Filter), filtered) << "filter after the way gave the cursor back";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, JoinAccessTest,
    ::testing::Values(TJoinCase{"A.X = B.Y", tjInner, {TWay::Index, TWay::Hash}},
                      TJoinCase{"A.X = B.Y", tjLeftOuter, {TWay::Index, TWay::Hash}},
                      TJoinCase{"A.X = B.Y AND A.K > B.K", tjLeftOuter, {TWay::Index, TWay::Hash}},
                      TJoinCase{"A.X + 1 = B.Y AND A.K <> B.K", tjInner, {TWay::Index, TWay::Hash}},
                      TJoinCase{"A.X = B.W", tjInner, {TWay::Index, TWay::Hash}},
                      TJoinCase{"A.F = B.Y", tjLeftOuter, {TWay::Index, TWay::Hash}, true},
                      TJoinCase{"A.S = B.T", tjLeftOuter, {TWay::Index, TWay::Hash}},
                      TJoinCase{"A.S = B.T AND A.X = B.Y", tjInner, {TWay::Index, TWay::Hash}},
                      TJoinCase{"A.K = B.K AND A.X < B.Y", tjLeftOuter, {TWay::Index, TWay::Hash}},
                      // No key: the rows are kept and each owner row tests them all.
                      TJoinCase{"A.X < B.Y", tjInner, {TWay::Hash}},
                      TJoinCase{"A.K <> B.K AND A.X > B.Y + 2", tjLeftOuter, {TWay::Hash}}));

} // namespace

} // namespace vorsam::test
