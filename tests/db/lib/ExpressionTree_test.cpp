// Tree copies and comparisons, the walkers the SQL engine's planner uses, filter preparation and the
// comparisons an index range can serve.
#include "ExpressionTestSupport.h"
#include "TestSupport.h"

#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionEvaluator.h"
#include "db/lib/ExpressionTypes.h"

#include <gtest/gtest.h>

namespace vorsam::test {
namespace {

bool ParentsConsistent(const TExpToken& node) {
    bool ok = true;
    node.ForEachOperand([&](const TExpToken& operand) {
        ok = ok && operand.Parent() == &node && ParentsConsistent(operand);
    });
    return ok;
}

TEST(ExpressionTree, CopiesAreEqualIndependentAndKeepTheirMarks) {
    TFakeHost host;
    TExpTree tree = ParseText("t.a + 1 > ? AND b IN (SELECT c FROM u) OR NOT d LIKE 'x%'", 31, &host);
    tree->Left()->FromOnClause = true;
    tree->Left()->Left()->JoinKind = jkLeftOuter;
    TExpTree copy = CopyExpTree(tree.get());
    EXPECT_TRUE(SameExpTree(copy.get(), tree.get()));
    EXPECT_EQ(copy->Parent(), nullptr);
    EXPECT_TRUE(ParentsConsistent(*copy));
    EXPECT_TRUE(copy->Left()->FromOnClause);
    EXPECT_EQ(copy->Left()->Left()->JoinKind, jkLeftOuter);
    EXPECT_TRUE(copy->Left()->Left()->Right()->IsParameter);
    copy->Left()->Left()->Left()->Right()->SetStringValue("changed");
    EXPECT_FALSE(SameExpTree(copy.get(), tree.get()));
    FreeExpTree(copy);
    EXPECT_EQ(copy, nullptr);
}

TEST(ExpressionTree, SameTreeComparesNamesIgnoringCaseAndValuesExactly) {
    std::tuple<const char*, const char*, bool> cases[] = {
        {"T.A + 1", "t.a + 1", true}, {"a + 1", "a + 2", false},   {"a + 1", "1 + a", false},
        {"a = '1'", "a = 1", false},  {"SUM(a)", "MAX(a)", false}, {"a IN (1, 2)", "a IN (1, 2, 3)", false},
        {"a = ?", "a = ?", true},     {"NULL", "NULL", true},      {"a", "b.a", false}};
    for (auto [x, y, same] : cases)
        EXPECT_EQ(SameExpTree(ParseText(x).get(), ParseText(y).get()), same) << x << " / " << y;
}

TEST(ExpressionTree, SurgeryKeepsParentLinks) {
    TExpTree tree = ParseText("a AND (b OR c)");
    TExpTree right = tree->TakeRight();
    EXPECT_EQ(right->Parent(), nullptr);
    TExpTree node = MakeBinaryNode(opOr, tree->TakeLeft(), std::move(right));
    EXPECT_EQ(DescribeTree(node.get()), "(OR a (OR b c))");
    EXPECT_TRUE(ParentsConsistent(*node));
}

TEST(ExpressionTree, WalkersFindColumnsAggregatesDisjunctionsAndNotAncestors) {
    EXPECT_EQ(FindFirstColumnNode(ParseText("1 + t.x * y").get())->ColumnName, "x");
    EXPECT_EQ(FindFirstColumnNode(ParseText("1 + 2").get()), nullptr);
    EXPECT_TRUE(ExpTreeHasColumns(ParseText("3 BETWEEN 1 AND z").get()));
    EXPECT_TRUE(ExpTreeHasAggregates(ParseText("1 + COUNT(*)").get()));
    EXPECT_FALSE(ExpTreeHasAggregates(ParseText("1 + a").get()));
    std::pair<const char*, bool> disjunctions[] = {{"a OR b", true},        {"NOT (a AND b)", true},
                                                   {"NOT (a OR b)", false}, {"NOT NOT (a OR b)", true},
                                                   {"a AND b", false},      {"NOT a = 1", true}};
    for (auto [text, expected] : disjunctions)
        EXPECT_EQ(ExpTreeIsDisjunction(ParseText(text).get()), expected) << text;
    TExpTree tree = ParseText("NOT (a = 1 AND -b > 2)");
    const TExpToken* conjunction = tree->Left();
    EXPECT_FALSE(ExpNodeUnderNot(tree.get()));
    EXPECT_TRUE(ExpNodeUnderNot(conjunction->Left()));
    EXPECT_FALSE(ExpNodeUnderNot(conjunction->Right()->Left()->Left()))
        << "b's nearest unary ancestor is the sign";
}

// ---- preparation of filter predicates

const TColumnBinder StringColumns = [](TExpToken& column) {
    SetExpType(column,
               column.ColumnName == "i" ? TExpType{dtInteger, 0, 0, 0} : TExpType{dtString, 0, 20, 0});
    return true;
};

TExpTree Prepared(const std::string& text, uint32_t flags = 0) {
    TExpTree tree = ParseText(text);
    CheckExpTypes(*tree, StringColumns, "filter");
    TEvaluationContext context;
    context.Flags = flags;
    return PrepareExpTree(*tree, context);
}

TEST(ExpressionPrepare, FoldsConstantsAndTurnsTrailingWildcardsIntoPrefixCompares) {
    std::tuple<const char*, uint32_t, const char*> cases[] = {
        {"c = 'ab*' AND i = 1 + 2 * 3", 0, "(AND (=prefix2 c 'ab') (= i 7))"},
        {"c = 'ab*'", efNoPartialCompare, "(= c 'ab*')"},
        {"'ab*' <> c", 0, "(<>prefix2 c 'ab')"},
        {"c = '*'", 0, "(=prefix0 c '')"},
        {"c = 'a' || 'b*'", 0, "(=prefix2 c 'ab')"},
        {"c LIKE 'ab' || '%'", efNoPartialCompare, "(=prefix2 c 'ab')"},
        {"c LIKE 'a_b%'", 0, "(LIKE c 'a_b%')"},
        {"i = 1 OR NOT (2 > 3)", 0, "(OR (= i 1) TRUE)"},
        {"i = 1 OR 1 / 0 = 1", 0, "(OR (= i 1) (= (/ 1 0) 1))"},
    };
    for (auto [text, flags, expected] : cases)
        EXPECT_EQ(DescribeTree(Prepared(text, flags).get()), expected) << text;
}

TEST(ExpressionPrepare, PreparedPredicatesGiveTheAnswersOfTheOriginal) {
    std::string value;
    TEvaluationContext context;
    context.ColumnValue = [&](TExpToken& column) {
        WriteExpValue(column, column.ColumnName == "i" ? MakeIntegerValue(dtInteger, 2) : TExpValue{});
        if (column.ColumnName == "c" && value != "NULL") column.SetStringValue(value);
        return true;
    };
    TExpTree prefix = Prepared("c = 'ab*'");
    for (auto [text, expected] :
         {std::pair{"abc", "TRUE"}, {"ab", "TRUE"}, {"a", "FALSE"}, {"xab", "FALSE"}, {"NULL", "NULL"}}) {
        value = text;
        TExpValue v = EvaluateExpValue(*prefix, context);
        EXPECT_EQ(v.IsNull ? "NULL" : v.Int ? "TRUE" : "FALSE", std::string(expected)) << text;
    }
    value = "ABx";
    context.Flags = efCaseInsensitive;
    EXPECT_TRUE(EvaluatePredicate(*prefix, context));
    TExpTree unsafe = Prepared("i = 2 OR 1 / 0 = 1");
    EXPECT_TRUE(EvaluatePredicate(*unsafe, context)) << "the failing branch is not reached";
    TExpTree reached = Prepared("i = 3 OR 1 / 0 = 1");
    EXPECT_ENGINE_ERROR(EvaluatePredicate(*reached, context), VORSAM_DIVBYZERO);
}

TEST(ExpressionPrepare, FoldedConditionsKeepTheirOnClauseMark) {
    TExpTree tree = ParseText("1 = 1");
    tree->FromOnClause = true;
    tree->JoinKind = jkInner;
    TExpTree prepared = PrepareExpTree(*tree, {});
    EXPECT_EQ(DescribeTree(prepared.get()), "TRUE");
    EXPECT_TRUE(prepared->FromOnClause);
    EXPECT_EQ(prepared->JoinKind, jkInner);
}

TEST(ExpressionPrepare, ConjunctComparisonsAreWhatAnIndexRangeCanServe) {
    TExpTree tree =
        Prepared("c = 'a' AND 5 > i AND i BETWEEN 1 AND 3 AND (c = 'x' OR i = 2) AND NOT i = 1 AND "
                 "c = d AND d LIKE 'x%' AND i + 1 = 2");
    std::vector<std::string> found;
    for (const TColumnComparison& c : CollectConjunctComparisons(*tree))
        found.push_back(c.Column->ColumnName + std::string(OperatorText(c.Operator)) +
                        DescribeTree(c.Constant) +
                        (c.IsPrefix ? " prefix " + std::to_string(c.PrefixLength) : ""));
    EXPECT_EQ(found, (std::vector<std::string>{"c='a'", "i<5", "i>=1", "i<=3", "d='x' prefix 1"}));
}

} // namespace
} // namespace vorsam::test
