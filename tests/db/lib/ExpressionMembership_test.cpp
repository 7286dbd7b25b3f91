// x IN and x NOT IN a sub-select answered from sets of its values (ExpressionMembership.h) against the
// evaluation that compares x with each value in turn (the same sub-select keeping no sets): lists of every
// type with NULLs, duplicates, no value, values that do not read as x's type and values of two types,
// x of every type and NULL, under bytewise and locale collation, with and without case.
#include "ExpressionTestSupport.h"
#include "TestSupport.h"

#include "db/lib/DataTypes.h"
#include "db/lib/DateTimeValues.h"
#include "db/lib/ExpressionEvaluator.h"
#include "db/lib/ExpressionMembership.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace vorsam::test {
namespace {

TExpValue Int(uint8_t type, int64_t value) {
    return MakeIntegerValue(type, value);
}
TExpValue Bcd(int64_t currency, uint8_t scale) {
    TExpValue value = MakeIntegerValue(dtBcd, currency);
    value.Scale = scale;
    return value;
}
TExpValue Real(double value, uint8_t subType = 0) {
    return MakeFloatValue(value, subType);
}
TExpValue Stamp(double value) {
    TExpValue stamp = MakeFloatValue(value);
    stamp.DataType = dtTimeStamp;
    return stamp;
}
TExpValue Text(std::string text, uint8_t type = dtString) {
    TExpValue value;
    value.DataType = type;
    value.IsNull = false;
    value.Text = std::move(text);
    return value;
}
TExpValue Null(uint8_t type) {
    TExpValue value;
    value.DataType = type;
    return value;
}

const int32_t Day = int32_t(ExpStringAsTypeOf(Text("2003-01-31"), Int(dtDate, 0)).Int);
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Infinity = std::numeric_limits<double>::infinity();
const int64_t Big = int64_t(1) << 53;

struct TValueList {
    const char* Name;
    std::vector<TExpValue> Values;
};

std::vector<TValueList> Lists() {
    return {
        {"integers",
         {Int(dtInteger, 5), Int(dtInteger, -3), Null(dtInteger), Int(dtInteger, 5),
          Int(dtInteger, 2147483647)}},
        {"small integers", {Int(dtSmallInt, 5), Int(dtSmallInt, 0), Int(dtSmallInt, 2)}},
        {"large integers about 2^53",
         {Int(dtLargeInt, Big), Int(dtLargeInt, Big + 1),
          Int(dtLargeInt, std::numeric_limits<int64_t>::min()),
          Int(dtLargeInt, std::numeric_limits<int64_t>::max())}},
        {"BCD", {Bcd(50000, 2), Bcd(25000, 1), Bcd(12345, 4), Null(dtBcd), Bcd(-30000, 0)}},
        {"BCD of two scales", {Bcd(12345, 4), Bcd(12300, 2)}},
        {"floats", {Real(5.0), Real(2.5), Real(-0.0), Real(1e300), Real(Infinity), Null(dtFloat)}},
        {"floats with a NaN", {Real(1.0), Real(NaN)}},
        {"money", {Real(2.5, stMoney), Real(7.25, stMoney)}},
        {"dates", {Int(dtDate, Day), Int(dtDate, Day + 1), Null(dtDate), Int(dtDate, Day)}},
        {"timestamps", {Stamp(MakeTimeStamp(Day, 0)), Stamp(MakeTimeStamp(Day, 1000)), Null(dtTimeStamp)}},
        {"timestamps with a NaN", {Stamp(MakeTimeStamp(Day + 5, 0)), Stamp(NaN)}},
        {"times", {Int(dtTime, 3600000), Int(dtTime, 0)}},
        {"booleans", {Int(dtBoolean, 1), Null(dtBoolean)}},
        {"strings",
         {Text("abc"), Text("ABC"), Text("b"), Text(""),
          Text("\xC1"
               "bc"),
          Null(dtString), Text("abc")}},
        {"memos", {Text("abc", dtBlob), Text("Xyz", dtBlob)}},
        {"numeric strings", {Text("5"), Text("2.50"), Text("-3")}},
        {"numeric strings and a word", {Text("2.5"), Text("x"), Text("5")}},
        {"date strings and a word", {Text("2003-01-31"), Text("bad"), Text("2003-02-01")}},
        {"bytes", {Text(std::string("\0\1", 2), dtBytes), Text("\1", dtBytes)}},
        {"no value", {}},
        {"NULLs alone", {Null(dtInteger), Null(dtInteger)}},
        {"values of two types", {Int(dtInteger, 5), Real(2.5), Text("5")}},
    };
}

std::vector<TExpValue> Probes() {
    return {Int(dtInteger, 5),
            Int(dtInteger, -3),
            Int(dtSmallInt, 0),
            Int(dtWord, 5),
            Int(dtLargeInt, Big + 1),
            Int(dtLargeInt, std::numeric_limits<int64_t>::max()),
            Real(5.0),
            Real(2.5),
            Real(double(Big)),
            Real(NaN),
            Real(-0.0),
            Real(Infinity),
            Real(7.25, stMoney),
            Bcd(50000, 2),
            Bcd(25000, 1),
            Bcd(12345, 4),
            Int(dtDate, Day),
            Stamp(MakeTimeStamp(Day, 0)),
            Stamp(MakeTimeStamp(Day, 1000)),
            Stamp(NaN),
            Int(dtTime, 3600000),
            Int(dtBoolean, 1),
            Text("abc"),
            Text("ABC"),
            Text("5"),
            Text("2.5"),
            Text("1.234"),
            Text("2003-01-31"),
            Text("x"),
            Text(""),
            Text("\1", dtBytes),
            Null(dtInteger),
            Null(dtString)};
}

// "TRUE", "FALSE", "NULL" or the error raised.
std::string Outcome(TExpToken& tree, const TEvaluationContext& context) {
    try {
        TExpValue value = EvaluateExpValue(tree, context);
        return value.IsNull ? "NULL" : value.Int ? "TRUE" : "FALSE";
    } catch (const EVORSAMEngineError& e) {
        return "error " + std::to_string(e.ErrorCode) + ": " + e.ErrorMessage;
    }
}

// `? IN (SELECT ...)` and `? NOT IN (SELECT ...)` over one list, with or without sets.
struct TMembershipTrees {
    explicit TMembershipTrees(const std::vector<TExpValue>& values, TExpMembershipCache* sets) {
        for (TExpTree* tree : {&In, &NotIn}) {
            *tree =
                ParseText(tree == &In ? "? IN (SELECT a FROM t)" : "? NOT IN (SELECT a FROM t)", 31, &Host);
            Host.SubQueries.back()->Rows = values;
            Host.SubQueries.back()->Sets = sets;
        }
    }
    std::string Outcomes(const TExpValue& x, const TEvaluationContext& context) {
        for (TExpToken* parameter : Host.Params) WriteExpValue(*parameter, x);
        std::string in = Outcome(*In, context);
        return in + " / " + Outcome(*NotIn, context);
    }
    TFakeHost Host;
    TExpTree In, NotIn;
};

TEST(ExpressionMembership, SetsAnswerInAndNotInAsComparingEachValueDoes) {
    TEvaluationContext bytewise, noCase, portuguese, portugueseNoCase;
    noCase.Flags = portugueseNoCase.Flags = efCaseInsensitive;
    portuguese.LanguageId = portugueseNoCase.LanguageId = 0x0416;
    for (const TEvaluationContext* context : {&bytewise, &noCase, &portuguese, &portugueseNoCase}) {
        for (const TValueList& list : Lists()) {
            TExpMembershipCache sets; // one run's: every x below meets the same sets
            TMembershipTrees answered(list.Values, &sets), compared(list.Values, nullptr);
            for (const TExpValue& x : Probes())
                EXPECT_EQ(answered.Outcomes(x, *context), compared.Outcomes(x, *context))
                    << list.Name << ", x = " << ExpValueText(x) << " (type " << int(x.DataType)
                    << "), language " << context->LanguageId << ", flags " << context->Flags;
        }
    }
}

TEST(ExpressionMembership, ValuesAreReadOnceUntilTheSetsAreCleared) {
    std::vector<TExpValue> numbers, texts;
    for (int i = 0; i < 1000; ++i) {
        numbers.push_back(Int(dtInteger, i * 7 % 1000));
        texts.push_back(Text(FormatDate(Day + i)));
    }
    TExpMembershipCache sets;
    TMembershipTrees trees(numbers, &sets);
    TFakeSubQuery& values = *trees.Host.SubQueries[0];
    for (int i = 0; i < 2000; ++i) trees.Outcomes(Int(dtInteger, i), {});
    EXPECT_EQ(values.Reads, 1u);
    EXPECT_EQ(trees.Outcomes(Text("999"), {}), "TRUE / FALSE") << "a string read as the values' type";
    EXPECT_EQ(trees.Outcomes(Real(998.5), {}), "FALSE / TRUE");
    EXPECT_EQ(values.Reads, 1u);
    sets.Clear();
    for (auto& subQuery : trees.Host.SubQueries) subQuery->Rows = texts;
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(trees.Outcomes(Int(dtDate, Day + 990 + i), {}), i < 10 ? "TRUE / FALSE" : "FALSE / TRUE");
    EXPECT_EQ(values.Reads, 3u) << "once after the clearing, once more as dates";
}

} // namespace
} // namespace vorsam::test
