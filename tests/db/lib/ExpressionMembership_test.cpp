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

TExpValue Null(uint8_t type) {
    TExpValue value;
    value.DataType = type;
    return value;
}
TExpValue Int(uint8_t type, int64_t value, uint8_t scale = 0) {
    TExpValue number = MakeIntegerValue(type, value);
    number.Scale = scale; // of a BCD, whose value is currency
    return number;
}
TExpValue Real(double value, uint8_t type = dtFloat, uint8_t subType = 0) {
    TExpValue real = MakeFloatValue(value, subType);
    real.DataType = type;
    return real;
}
TExpValue Text(std::string text, uint8_t type = dtString) {
    TExpValue value = Null(type);
    value.IsNull = false;
    value.Text = std::move(text);
    return value;
}

const int32_t Day = int32_t(ExpStringAsTypeOf(Text("2003-01-31"), Int(dtDate, 0)).Int);
const double NaN = std::numeric_limits<double>::quiet_NaN();
const int64_t Big = int64_t(1) << 53;

struct TValueList {
    const char* Name;
    std::vector<TExpValue> Values;
};

std::vector<TValueList> Lists() {
    std::vector<TExpValue> dense; // a range of more than 64 values, one in three
    for (int i = 0; i < 200; i += 3) dense.push_back(Int(dtInteger, i));
    return {
        {"a dense range", dense},
        {"integers",
         {Int(dtInteger, 5), Int(dtInteger, -3), Null(dtInteger), Int(dtInteger, 5),
          Int(dtInteger, 2147483647)}},
        {"small integers", {Int(dtSmallInt, 5), Int(dtSmallInt, 0), Int(dtSmallInt, 2)}},
        {"integers bunched at one end",
         {Int(dtLargeInt, 0), Int(dtLargeInt, 1), Int(dtLargeInt, 2), Int(dtLargeInt, 3),
          Int(dtLargeInt, Big * 100)}},
        {"large integers about 2^53",
         {Int(dtLargeInt, Big), Int(dtLargeInt, Big + 1),
          Int(dtLargeInt, std::numeric_limits<int64_t>::min()),
          Int(dtLargeInt, std::numeric_limits<int64_t>::max())}},
        {"BCD",
         {Int(dtBcd, 50000, 2), Int(dtBcd, 25000, 1), Int(dtBcd, 12345, 4), Null(dtBcd),
          Int(dtBcd, -30000, 0)}},
        {"BCD of two scales", {Int(dtBcd, 12345, 4), Int(dtBcd, 12300, 2)}},
        {"floats", {Real(5.0), Real(2.5), Real(-0.0), Real(1e300), Real(HUGE_VAL), Null(dtFloat)}},
        {"floats with a NaN", {Real(1.0), Real(NaN)}},
        {"money", {Real(2.5, dtFloat, stMoney), Real(7.25, dtFloat, stMoney)}},
        {"dates", {Int(dtDate, Day), Int(dtDate, Day + 1), Null(dtDate), Int(dtDate, Day)}},
        {"timestamps",
         {Real(MakeTimeStamp(Day, 0), dtTimeStamp), Real(MakeTimeStamp(Day, 1000), dtTimeStamp),
          Null(dtTimeStamp)}},
        {"timestamps with a NaN", {Real(MakeTimeStamp(Day + 5, 0), dtTimeStamp), Real(NaN, dtTimeStamp)}},
        {"times", {Int(dtTime, 3600000), Int(dtTime, 0)}},
        {"booleans", {Int(dtBoolean, 1), Null(dtBoolean)}},
        {"strings",
         {Text("abc"), Text("ABC"), Text("b"), Text(""), Text("\xE9t\xE9"), Null(dtString), Text("abc")}},
        {"accented strings and a control character", {Text("\xC9T\xC9"), Text("ete"), Text("a\x7F")}},
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

// Every value of every list, and some no list holds.
std::vector<TExpValue> Probes() {
    std::vector<TExpValue> probes = {Int(dtWord, 5), Real(double(Big)), Text("1.234"),
                                     Text("a"),      Real(150),         Null(dtInteger)};
    for (const TValueList& list : Lists())
        probes.insert(probes.end(), list.Values.begin(), list.Values.end());
    return probes;
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
                    << list.Name << ", x = " << ExpValueText(x) << " of type " << int(x.DataType)
                    << ", language " << context->LanguageId << ", flags " << context->Flags;
        }
    }
}

TEST(ExpressionMembership, ValuesAreReadOnceUntilTheSetsAreCleared) {
    std::vector<TExpValue> numbers, dates;
    for (int i = 0; i < 1000; ++i) numbers.push_back(Int(dtInteger, i * 7 % 1000));
    for (int i = 0; i < 1000; ++i) dates.push_back(Text(FormatDate(Day + i)));
    TExpMembershipCache sets;
    TMembershipTrees trees(numbers, &sets);
    for (int i = 0; i < 2000; ++i)
        EXPECT_EQ(trees.Outcomes(Int(dtInteger, i), {}), i < 1000 ? "TRUE / FALSE" : "FALSE / TRUE");
    EXPECT_EQ(trees.Host.SubQueries[0]->Reads, 1u);
    sets.Clear();
    for (auto& values : trees.Host.SubQueries) values->Rows = dates;
    for (int i = 0; i < 2000; ++i) trees.Outcomes(Int(dtDate, Day + i), {});
    EXPECT_EQ(trees.Host.SubQueries[0]->Reads, 3u) << "once after the clearing, once more as dates";
}

} // namespace
} // namespace vorsam::test
