#include "ExpressionTestSupport.h"
#include "TestSupport.h"

#include "db/lib/DataTypes.h"
#include "db/lib/DateTimeValues.h"
#include "db/lib/ExpressionTypes.h"

#include <gtest/gtest.h>
#include <map>

namespace vorsam::test {
namespace {

// Columns of a table t: their types, as a query block's binder would find them.
const std::map<std::string, TExpType> Columns = {
    {"i", {dtInteger, 0, 0, 0}},       {"s", {dtSmallInt, 0, 0, 0}}, {"w", {dtWord, 0, 0, 0}},
    {"l", {dtLargeInt, 0, 0, 0}},      {"f", {dtFloat, 0, 0, 0}},    {"m", {dtFloat, stMoney, 0, 0}},
    {"b2", {dtBcd, 0, 0, 2}},          {"b3", {dtBcd, 0, 0, 3}},     {"c", {dtString, 0, 20, 0}},
    {"c2", {dtString, 0, 240, 0}},     {"d", {dtDate, 0, 0, 0}},     {"tm", {dtTime, 0, 0, 0}},
    {"ts", {dtTimeStamp, 0, 0, 0}},    {"ok", {dtBoolean, 0, 0, 0}}, {"memo", {dtBlob, stMemo, 0, 0}},
    {"pic", {dtBlob, stGraphic, 0, 0}}};

const TColumnBinder Binder = [](TExpToken& column) {
    auto it = Columns.find(column.ColumnName);
    if (it == Columns.end() || (!column.CorrelationName.empty() && column.CorrelationName != "t"))
        return false;
    SetExpType(column, it->second);
    return true;
};

TExpTree Checked(const std::string& text, TFakeHost* host = nullptr) {
    TExpTree tree = ParseText(text, 31, host);
    CheckExpTypes(*tree, Binder, "WHERE or JOIN clause");
    return tree;
}

std::string CheckError(const std::string& text, const TColumnBinder& binder = Binder) {
    TFakeHost host;
    TExpTree tree = ParseText(text, 31, &host);
    for (auto& subQuery : host.SubQueries) subQuery->Columns = 2;
    return ErrorTextOf([&] { CheckExpTypes(*tree, binder, "WHERE or JOIN clause"); });
}

TEST(ExpressionTypes, UnboundColumnsAndWideSubSelectsAreRefusedWithTheContext) {
    EXPECT_EQ(CheckError("x.zz = 1"),
              "Invalid column name 'zz' or table correlation name 'x' specified in WHERE or JOIN clause");
    EXPECT_EQ(CheckError("i = 1", nullptr),
              "Invalid column name 'i' or table correlation name '' specified in WHERE or JOIN clause");
    EXPECT_EQ(CheckError("i IN (SELECT a, b FROM u)"),
              "More than 1 column for sub-select  specified in WHERE or JOIN clause");
    EXPECT_EQ(CheckError("(SELECT a, b FROM u) > 2"),
              "More than 1 column for sub-select  specified in WHERE or JOIN clause");
}

TEST(ExpressionTypes, ASubSelectTakesTheTypeOfItsColumn) {
    TFakeHost host;
    TExpTree tree = ParseText("(SELECT a FROM u) = 'x'", 31, &host);
    host.SubQueries[0]->Type = {dtString, 0, 10, 0};
    CheckExpTypes(*tree, Binder, "WHERE or JOIN clause");
    EXPECT_EQ(tree->Left()->DataType, dtString);
    EXPECT_EQ(tree->DataType, dtBoolean);
}

TEST(ExpressionTypes, StringConstantsComparedWithDatesBecomeDates) {
    TExpTree tree =
        Checked("d = '2003-01-31' AND '12:30' < tm AND ts BETWEEN '2003-01-31' AND '2003-02-01 10:00' AND "
                "d IN ('2003-01-01', NULL)");
    std::vector<const TExpToken*> constants;
    ForEachExpNode(*tree, [&](const TExpToken& n) {
        if (n.Kind == nkConstant && !n.IsNull) constants.push_back(&n);
    });
    ASSERT_EQ(constants.size(), 5u);
    EXPECT_EQ(constants[0]->DataType, dtDate);
    EXPECT_EQ(ReadExpValue(*constants[0]).Int, EncodeDate(2003, 1, 31));
    EXPECT_EQ(constants[1]->DataType, dtTime);
    EXPECT_EQ(ReadExpValue(*constants[1]).Int, (12 * 60 + 30) * 60000);
    EXPECT_EQ(constants[2]->DataType, dtTimeStamp);
    EXPECT_EQ(constants[3]->DataType, dtTimeStamp);
    EXPECT_EQ(constants[4]->DataType, dtDate);
    std::pair<const char*, const char*> refused[] = {{"d = 'abc'", "abc"},
                                                     {"'2003-02-30' = d", "2003-02-30"},
                                                     {"tm IN ('25:00')", "25:00"},
                                                     {"ts BETWEEN 'x' AND '2003-01-01'", "x"}};
    for (auto [text, constant] : refused)
        EXPECT_EQ(CheckError(text), "Date, time, or timestamp expression expected, instead found '" +
                                        std::string(constant) + "' in WHERE or JOIN clause");
}

TEST(ExpressionTypes, OperandsOfTheWrongClassNameTheExpectedClass) {
    std::pair<std::string, std::string> cases[] = {
        {"i = 'x'", "Numeric expression expected, instead found 'x'"},
        {"c < 3", "String expression expected, instead found '3'"},
        {"NOT i", "Boolean expression expected, instead found 'i'"},
        {"ok AND c", "Boolean expression expected, instead found 'c'"},
        {"c + 1 = 2", "Numeric expression expected, instead found 'c'"},
        {"-d = 1", "Numeric expression expected, instead found 'd'"},
        {"c || i = 'x'", "String expression expected, instead found 'i'"},
        {"i LIKE 'x'", "String expression expected, instead found 'i'"},
        {"pic = pic", "Comparable expression expected, instead found 'pic'"},
        {"SUM(c) > 1", "Numeric expression expected, instead found 'c'"},
        {"ok IN (1)", "Boolean expression expected, instead found '1'"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(CheckError(text), message + " in WHERE or JOIN clause") << text;
}

TEST(ExpressionTypes, ResultTypesFollowThePromotionRules) {
    std::pair<std::string, TExpType> cases[] = {
        {"s + w", {dtInteger, 0, 0, 0}},     {"i * l", {dtLargeInt, 0, 0, 0}},
        {"-s", {dtInteger, 0, 0, 0}},        {"+l", {dtLargeInt, 0, 0, 0}},
        {"i + b2", {dtBcd, 0, 0, 2}},        {"b2 - b3", {dtBcd, 0, 0, 3}},
        {"b2 * b3", {dtBcd, 0, 0, 4}},       {"b2 * 3", {dtBcd, 0, 0, 2}},
        {"i / s", {dtFloat, 0, 0, 0}},       {"b2 + f", {dtFloat, 0, 0, 0}},
        {"m * 2", {dtFloat, stMoney, 0, 0}}, {"c || 'abc'", {dtString, 0, 23, 0}},
        {"c2 || c2", {dtString, 0, 250, 0}}, {"memo || c", {dtString, 0, 20, 0}},
        {"COUNT(c)", {dtInteger, 0, 0, 0}},  {"MAX(d)", {dtDate, 0, 0, 0}},
        {"SUM(b2)", {dtBcd, 0, 0, 2}},       {"i BETWEEN 1 AND f", {dtBoolean, 0, 0, 0}},
        {"NULL + i", {dtInteger, 0, 0, 0}},  {"LASTAUTOINC(t)", {dtInteger, 0, 0, 0}},
    };
    for (const auto& [text, type] : cases) {
        TExpTree tree = Checked(text);
        EXPECT_EQ(tree->DataType, type.DataType) << text;
        EXPECT_EQ(tree->SubType, type.SubType) << text;
        EXPECT_EQ(tree->Size, type.Size) << text;
        EXPECT_EQ(tree->Scale, type.Scale) << text;
    }
}

TEST(ExpressionTypes, OperatorAcceptsTypesByClass) {
    struct {
        uint8_t Op, T1, S1, T2, S2;
        bool Accepted;
    } cases[] = {
        {opEqual, dtInteger, 0, dtBcd, 0, true},
        {opEqual, dtString, 0, dtDate, 0, true},
        {opEqual, dtTime, 0, dtString, 0, true},
        {opEqual, dtString, 0, dtInteger, 0, false},
        {opEqual, dtDate, 0, dtTimeStamp, 0, true},
        {opEqual, dtDate, 0, dtTime, 0, false},
        {opEqual, dtBoolean, 0, dtSmallInt, 0, false},
        {opEqual, dtBlob, stMemo, dtString, 0, true},
        {opEqual, dtBlob, stBinary, dtBlob, stBinary, false},
        {opEqual, 0, 0, dtBlob, stGraphic, true},
        {opEqual, dtBytes, 0, dtVarBytes, 0, true},
        {opAdd, dtWord, 0, dtFloat, stMoney, true},
        {opAdd, dtDate, 0, dtInteger, 0, false},
        {opConcat, dtString, 0, dtBlob, stMemo, true},
        {opAnd, dtBoolean, 0, dtInteger, 0, false},
        {opLike, dtString, 0, dtString, 0, true},
    };
    for (auto c : cases)
        EXPECT_EQ(OperatorAcceptsTypes(c.Op, c.T1, c.S1, c.T2, c.S2), c.Accepted)
            << int(c.Op) << " " << int(c.T1) << "/" << int(c.S1) << " " << int(c.T2) << "/" << int(c.S2);
}

} // namespace
} // namespace vorsam::test
