#include "ExpressionTestSupport.h"
#include "TestSupport.h"

#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionParser.h"

#include <functional>
#include <gtest/gtest.h>
#include <pthread.h>

namespace vorsam::test {
namespace {

class ParsedShape : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(ParsedShape, FollowsPrecedenceAndAssociativity) {
    TFakeHost host;
    EXPECT_EQ(DescribeTree(ParseText(GetParam().first, 31, &host).get()), GetParam().second)
        << GetParam().first;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParsedShape,
    ::testing::Values(
        std::pair{"a + b * c - d", "(- (+ a (* b c)) d)"}, std::pair{"a / b / c", "(/ (/ a b) c)"},
        std::pair{"-5", "(- 5)"}, std::pair{"- -a * +2", "(* (- (- a)) (+ 2))"},
        std::pair{"'x' || t.[my col] || \"Q\"", "(|| (|| 'x' t.my col) Q)"},
        std::pair{"a = 1 OR b <> 2 AND NOT c >= 3", "(OR (= a 1) (AND (<> b 2) (NOT (>= c 3))))"},
        std::pair{"NOT NOT a < b", "(NOT (NOT (< a b)))"}, std::pair{"(a OR b) AND c", "(AND (OR a b) c)"},
        std::pair{"a LIKE 'x%' AND b NOT LIKE 'y'", "(AND (LIKE a 'x%') (NOT (LIKE b 'y')))"},
        std::pair{"a BETWEEN 1 AND 2 AND b", "(AND (BETWEEN a 1 2) b)"},
        std::pair{"a NOT BETWEEN b + 1 AND 9", "(NOT (BETWEEN a (+ b 1) 9))"},
        std::pair{"a IN (1, 'x', NULL) OR a NOT IN (2)", "(OR (IN a 1 'x' NULL) (NOT (IN a 2)))"},
        std::pair{"a IN (SELECT b FROM t WHERE c IN (1))", "(IN a SELECT)"},
        std::pair{"a IS NULL AND b IS NOT NULL", "(AND (IS NULL a) (NOT (IS NULL b)))"},
        std::pair{"COUNT(*) + count(a) + Sum(a * 2) + MAX(t.b)",
                  "(+ (+ (+ (COUNT) (COUNT a)) (SUM (* a 2))) (MAX t.b))"},
        std::pair{"TRUE = FALSE", "(= TRUE FALSE)"}, std::pair{"* ", "*"}, std::pair{"t.*", "t.*"},
        std::pair{"x = ? AND y = ?", "(AND (= x ?) (= y ?))"},
        std::pair{"(SELECT MAX(b) FROM t) > 2", "(> SELECT 2)"},
        std::pair{"2147483647 + 2147483648 + 99999999999999999999", "(+ (+ 2147483647 2147483648) 1e+20)"}));

TEST(ExpressionParser, ConstantsCarryTheirTypeAndText) {
    std::pair<const char*, uint8_t> cases[] = {{"7", dtInteger},   {"2147483648", dtLargeInt},
                                               {"2.5", dtFloat},   {"99999999999999999999", dtFloat},
                                               {"'ab'", dtString}, {"TRUE", dtBoolean}};
    for (auto [text, type] : cases) {
        TExpTree tree = ParseText(text);
        EXPECT_EQ(tree->Kind, nkConstant);
        EXPECT_EQ(tree->DataType, type) << text;
        EXPECT_EQ(tree->Name, std::string(text) == "'ab'" ? "ab" : text);
    }
    EXPECT_TRUE(ParseText("NULL")->IsNull);
    EXPECT_EQ(ErrorTextOf([] { ParseText("1e400000"); }),
              "Number within the float range expected, instead found '1e400000' in SQL statement");
}

struct TRefusal {
    std::string Text;
    uint32_t Missing;
    std::string Message;
};

class PermissionRefusal : public ::testing::TestWithParam<TRefusal> {};

TEST_P(PermissionRefusal, NamesWhatIsRefusedAndTheSubject) {
    TFakeHost host;
    TExpressionParser parser(&host);
    parser.Subject = "HAVING clause";
    const TRefusal& c = GetParam();
    EXPECT_EQ(ErrorTextOf([&] { parser.ParseExpressionText(c.Text, 31 & ~c.Missing); }),
              c.Message + "HAVING clause");
    EXPECT_NO_THROW(parser.ParseExpressionText(c.Text, 31));
}

const std::string Aggregates = "Aggregate functions are not allowed in ";
const std::string AllColumns = "* (all columns) symbol is not allowed in ";
const std::string Extended = "Extended predicate operators (LIKE, BETWEEN, IN, IS NULL) are not allowed in ";

INSTANTIATE_TEST_SUITE_P(Permissions, PermissionRefusal,
                         ::testing::Values(TRefusal{"SUM(a) > 1", epAggregates, Aggregates},
                                           TRefusal{"COUNT(*)", epAggregates, Aggregates},
                                           TRefusal{"*", epAllColumns, AllColumns},
                                           TRefusal{"t.*", epAllColumns, AllColumns},
                                           TRefusal{"a LIKE 'x'", epExtendedPredicates, Extended},
                                           TRefusal{"a NOT BETWEEN 1 AND 2", epExtendedPredicates, Extended},
                                           TRefusal{"a IN (1)", epExtendedPredicates, Extended},
                                           TRefusal{"a IS NULL", epExtendedPredicates, Extended},
                                           TRefusal{"a = ?", epParameters, "Parameters are not allowed in "},
                                           TRefusal{"a = (SELECT b FROM t)", epSubSelects,
                                                    "Sub-select queries are not allowed in "},
                                           TRefusal{"a IN (SELECT b FROM t)", epSubSelects,
                                                    "Sub-select queries are not allowed in "}));

TEST(ExpressionParser, CountStarNeedsOnlyTheAggregatePermission) {
    EXPECT_EQ(DescribeTree(ParseText("COUNT(*) > 1", epAggregates).get()), "(> (COUNT) 1)");
    EXPECT_EQ(ErrorTextOf([] { ParseText("SUM(*)", epAggregates); }), AllColumns + "SQL statement");
}

TEST(ExpressionParser, ParametersAndFunctionSourcesReachTheHostInOrder) {
    TFakeHost host;
    TExpTree tree = ParseText("a = ? AND LASTAUTOINC([My Table]) > ? + IDENT_CURRENT(t2)", 31, &host);
    ASSERT_EQ(host.Params.size(), 2u);
    EXPECT_EQ(host.Params[0], tree->Left()->Right());
    EXPECT_TRUE(host.Params[0]->IsParameter);
    EXPECT_EQ(host.Params[0]->Name, "?");
    EXPECT_EQ(host.Params[1], tree->Right()->Right()->Left());
    EXPECT_EQ(host.FunctionSources, (std::vector<std::string>{"My Table", "t2"}));
}

TEST(ExpressionParser, SubSelectKeepsItsBlockAndNeedsAHost) {
    TFakeHost host;
    TExpTree tree = ParseText("(SELECT (b) FROM t) = 1", 31, &host);
    ASSERT_EQ(host.SubQueries.size(), 1u);
    EXPECT_EQ(tree->Left()->Kind, nkSubSelect);
    EXPECT_EQ(tree->Left()->SubQuery, host.SubQueries[0].get());
    EXPECT_EQ(ErrorTextOf([&] { ParseText("(SELECT b FROM t", 31, &host); }),
              "Right parentheses expected after SELECT statement, instead found '' in SQL statement");
    EXPECT_EQ(ErrorTextOf([] { ParseText("(SELECT b FROM t)"); }),
              "Sub-select queries are not allowed in SQL statement");
    TExpressionParser parser(&host);
    parser.Subject = "WHERE or JOIN clause";
    EXPECT_EQ(ErrorTextOf([&] { parser.ParseExpressionText("a IN (SELECT b FROM t) AND", 31); }),
              "Expression expected after AND operator, instead found '' in WHERE or JOIN clause");
}

TEST(ExpressionParser, SyntaxErrorsNameWhatWasExpectedAndTheToken) {
    std::pair<std::string, std::string> cases[] = {
        {"", "Expression expected, instead found ''"},
        {"a +", "Expression expected after + operator, instead found ''"},
        {"a AND OR b", "Expression expected after AND operator, instead found 'OR'"},
        {"a = 1 b", "End of expression expected, instead found 'b'"},
        {"(a = 1", "Right parentheses expected, instead found ''"},
        {"FOO(1)", "Function name expected, instead found 'FOO'"},
        {"a BETWEEN 1 OR 2", "AND keyword expected in BETWEEN predicate, instead found 'OR'"},
        {"a IN 1", "Left parentheses expected after IN keyword, instead found '1'"},
        {"a IN (1, )", "Value expected in list of values, instead found ')'"},
        {"a IN (1 2)", "Right parentheses expected after list of values, instead found '2'"},
        {"a IS NOT 1", "NULL keyword expected after NOT keyword, instead found '1'"},
        {"t.'c'", "Column name expected after table correlation name, instead found 'c'"},
        {"SUM(a", "Right parentheses expected after SUM function argument, instead found ''"},
        {"LASTAUTOINC(1)", "Table name expected after LASTAUTOINC function, instead found '1'"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(ErrorTextOf([&] { ParseText(text); }), message + " in SQL statement") << text;
}

TEST(ExpressionParser, EntryLevelsStopAtTheFirstTokenTheyDoNotTake) {
    TExpressionParser parser;
    parser.SetText("a + b = c FROM t");
    parser.NextToken();
    EXPECT_EQ(DescribeTree(parser.ParsePrimary(0).get()), "a");
    EXPECT_TRUE(parser.TokenTypeIs('+'));
    parser.SetText("-a * 2 + b = c FROM t");
    parser.NextToken();
    EXPECT_EQ(DescribeTree(parser.ParseUnary(0).get()), "(- a)");
    EXPECT_TRUE(parser.TokenTypeIs('*'));
    parser.SetText("-a * 2 || b = c FROM t");
    parser.NextToken();
    EXPECT_EQ(DescribeTree(parser.ParseAdditive(0).get()), "(|| (* (- a) 2) b)");
    EXPECT_TRUE(parser.TokenTypeIs('='));
}

TEST(ExpressionParser, ClauseWordsStartNoExpression) {
    TExpressionParser parser;
    for (const char* text : {"FROM t", "WHERE", "order by a", "NOT", "AND b"}) {
        parser.SetText(text);
        parser.NextToken();
        std::string first = parser.TokenText();
        EXPECT_EQ(parser.ParsePrimary(31), nullptr) << text;
        EXPECT_EQ(parser.TokenText(), first);
    }
}

// Runs the work on a thread of its own with a stack of that size; answers the error text it raised.
std::string ErrorOnStack(size_t stackBytes, const std::function<void()>& work) {
    struct TJob {
        const std::function<void()>* Work;
        std::string Error;
    } job{&work, {}};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackBytes);
    pthread_t thread;
    auto run = [](void* data) -> void* {
        auto* job = static_cast<TJob*>(data);
        job->Error = ErrorTextOf(*job->Work);
        return nullptr;
    };
    EXPECT_EQ(pthread_create(&thread, &attributes, run, &job), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    return job.Error;
}

// Depth counts levels of parentheses whatever they hold (a sign or NOT is a level too): a thousand pass,
// one more is refused; a thread's small stack is never used up.
TEST(ExpressionParser, NestingIsBoundedByLevelsOfParenthesesAndTheStackLeft) {
    auto nested = [](unsigned repeats, std::string_view open, std::string_view close) {
        std::string text;
        for (unsigned i = 0; i < repeats; ++i) text += open;
        text += "1";
        for (unsigned i = 0; i < repeats; ++i) text += close;
        return text;
    };
    auto refusal = [](const std::string& error) { return error.substr(0, 38); };
    const std::string refused = "Less deeply nested expression expected";
    constexpr size_t BigStack = 256u << 20;
    struct TShape {
        const char* Open;
        const char* Close;
        unsigned LevelsEach;
    };
    for (auto shape : {TShape{"(", ")", 1}, TShape{"(a + ", ")", 1}, TShape{"(a * b - ", " OR c)", 1},
                       TShape{"SUM(", ")", 1}, TShape{"NOT (", ")", 2}, TShape{"-(", ")", 2}}) {
        unsigned repeats = MaxExpressionDepth / shape.LevelsEach;
        EXPECT_EQ(ErrorOnStack(BigStack, [&] { ParseText(nested(repeats, shape.Open, shape.Close), 31); }),
                  "")
            << shape.Open;
        EXPECT_EQ(refusal(ErrorOnStack(BigStack,
                                       [&] { ParseText(nested(repeats + 1, shape.Open, shape.Close), 31); })),
                  refused)
            << shape.Open;
    }
    std::string chain = "a";
    for (unsigned i = 0; i <= MaxExpressionChainNodes; ++i) chain += " + a";
    EXPECT_EQ(ErrorOnStack(BigStack, [&] { ParseText(chain.substr(4)); }), "");
    EXPECT_EQ(refusal(ErrorOnStack(BigStack, [&] { ParseText(chain); })), refused);
    EXPECT_EQ(refusal(ErrorOnStack(ExpressionStackReserve + (256u << 10),
                                   [&] { ParseText(nested(MaxExpressionDepth, "(", ")")); })),
              refused);
}

} // namespace
} // namespace vorsam::test
