// The evaluator against a brute-force reference on random expressions over random rows with NULLs, and
// the cases the reference does not reach: errors, collation, sub-selects, conversion, preparation.
#include "ExpressionTestSupport.h"
#include "TestSupport.h"

#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionEvaluator.h"
#include "db/lib/ExpressionTypes.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <random>
#include <variant>

namespace vorsam::test {
namespace {

// ---- the reference: its own expression model, printed as text for the engine and evaluated directly

struct TRow {
    std::optional<int64_t> I1, I2;
    std::optional<std::string> S1;
};

struct TNumber {
    bool Null = true;
    bool IsDouble = false;
    int64_t I = 0;
    double D = 0;
    double AsDouble() const { return IsDouble ? D : double(I); }
};
using TTruth = std::optional<bool>;
struct TReferenceError {
    uint16_t Code;
};

struct TNode {
    enum TKind {
        Column,
        Constant,
        Neg,
        Add,
        Sub,
        Mul,
        Div,
        Cmp,
        StrCmp,
        Like,
        In,
        Between,
        IsNull,
        Not,
        And,
        Or,
        Bool
    };
    TKind Kind = Column;
    std::string Text;     // column name, constant text, string operand, pattern, TRUE / FALSE / NULL
    std::string Op;       // comparison operator
    bool Negated = false; // IS NOT NULL
    std::vector<TNode> Kids;
    std::vector<std::optional<int64_t>> Items; // IN items, BETWEEN bounds
};

TNode Node(TNode::TKind kind, std::string text = {}, std::string op = {}, std::vector<TNode> kids = {}) {
    TNode node;
    node.Kind = kind;
    node.Text = std::move(text);
    node.Op = std::move(op);
    node.Kids = std::move(kids);
    return node;
}

class TGenerator {
public:
    explicit TGenerator(uint32_t seed) : random_(seed) {}

    TNode Number(int depth) {
        if (depth <= 0 || Chance(35)) {
            if (Chance(50)) return Node(TNode::Column, Chance(50) ? "I1" : "I2");
            return Node(TNode::Constant, std::to_string(Pick(-9, 9)));
        }
        static const TNode::TKind ops[] = {TNode::Neg, TNode::Add, TNode::Sub, TNode::Mul, TNode::Div};
        TNode node = Node(ops[Pick(0, 4)]);
        node.Kids.push_back(Number(depth - 1));
        if (node.Kind != TNode::Neg) node.Kids.push_back(Number(depth - 1));
        return node;
    }

    TNode Condition(int depth) {
        if (depth <= 0 || Chance(30)) return Predicate();
        static const TNode::TKind ops[] = {TNode::Not, TNode::And, TNode::Or};
        TNode node = Node(ops[Pick(0, 2)]);
        node.Kids.push_back(Condition(depth - 1));
        if (node.Kind != TNode::Not) node.Kids.push_back(Condition(depth - 1));
        return node;
    }

    std::string Text(const std::string& alphabet, int maxLength) {
        std::string text(size_t(Pick(0, maxLength)), ' ');
        for (char& c : text) c = alphabet[size_t(Pick(0, int(alphabet.size()) - 1))];
        return text;
    }
    std::optional<int64_t> MaybeNull(int64_t value, int nullPercent) {
        return Chance(nullPercent) ? std::nullopt : std::optional<int64_t>(value);
    }
    TRow Row() {
        static const int64_t big[] = {INT32_MAX, INT32_MIN, 1 << 30, -(1 << 30), 65536};
        auto integer = [&] { return MaybeNull(Chance(15) ? big[Pick(0, 4)] : Pick(-5, 5), 20); };
        return {integer(), integer(), Chance(20) ? std::nullopt : std::optional(Text("ab_", 3))};
    }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool Chance(int percent) { return Pick(0, 99) < percent; }

private:
    TNode Predicate() {
        static const char* comparisons[] = {"=", "<>", "<", ">", "<=", ">="};
        switch (Pick(0, 7)) {
        case 0:
            return Node(TNode::Cmp, "", comparisons[Pick(0, 5)], {Number(2), Number(2)});
        case 1:
            return Node(TNode::StrCmp, Text("ab", 2), comparisons[Pick(0, 5)]);
        case 2:
            return Node(TNode::Like, Text("ab%_", 4));
        case 3: {
            TNode node = Node(TNode::In, "", "", {Number(1)});
            for (int i = Pick(1, 4); i > 0; --i) node.Items.push_back(MaybeNull(Pick(-5, 5), 15));
            return node;
        }
        case 4: {
            TNode node = Node(TNode::Between, "", "", {Number(1)});
            node.Items = {MaybeNull(Pick(-5, 3), 10), MaybeNull(Pick(-3, 5), 10)};
            return node;
        }
        case 5: {
            TNode node = Node(TNode::IsNull, Chance(50) ? "S1" : "I1");
            node.Negated = Chance(50);
            return node;
        }
        case 6:
            return Node(TNode::Bool, Chance(40) ? "NULL" : Chance(50) ? "TRUE" : "FALSE");
        default:
            return Node(TNode::Cmp, "", comparisons[Pick(0, 5)], {Number(0), Number(0)});
        }
    }
    std::mt19937 random_;
};

std::string Item(const std::optional<int64_t>& v) {
    return v ? std::to_string(*v) : "NULL";
}

std::string Print(const TNode& n) {
    auto kid = [&](size_t i) { return Print(n.Kids[i]); };
    switch (n.Kind) {
    case TNode::Column:
    case TNode::Bool:
        return n.Text;
    case TNode::Constant:
        return n.Text[0] == '-' ? "(-" + n.Text.substr(1) + ")" : n.Text;
    case TNode::Neg:
        return "(-" + kid(0) + ")";
    case TNode::Add:
    case TNode::Sub:
    case TNode::Mul:
    case TNode::Div:
        return "(" + kid(0) + " " + "+-*/"[n.Kind - TNode::Add] + " " + kid(1) + ")";
    case TNode::Cmp:
        return "(" + kid(0) + " " + n.Op + " " + kid(1) + ")";
    case TNode::StrCmp:
        return "(S1 " + n.Op + " '" + n.Text + "')";
    case TNode::Like:
        return "(S1 LIKE '" + n.Text + "')";
    case TNode::In: {
        std::string list;
        for (const auto& item : n.Items) list += (list.empty() ? "" : ", ") + Item(item);
        return "(" + kid(0) + " IN (" + list + "))";
    }
    case TNode::Between:
        return "(" + kid(0) + " BETWEEN " + Item(n.Items[0]) + " AND " + Item(n.Items[1]) + ")";
    case TNode::IsNull:
        return "(" + n.Text + (n.Negated ? " IS NOT NULL)" : " IS NULL)");
    case TNode::Not:
        return "(NOT " + kid(0) + ")";
    default:
        return "(" + kid(0) + (n.Kind == TNode::And ? " AND " : " OR ") + kid(1) + ")";
    }
}

bool ReferenceLike(std::string_view text, std::string_view pattern) {
    if (pattern.empty()) return text.empty();
    if (pattern[0] == '%')
        return ReferenceLike(text, pattern.substr(1)) ||
               (!text.empty() && ReferenceLike(text.substr(1), pattern));
    return !text.empty() && (pattern[0] == '_' || pattern[0] == text[0]) &&
           ReferenceLike(text.substr(1), pattern.substr(1));
}

template <typename T> TTruth Compared(const std::string& op, const T& a, const T& b) {
    if (op == "=") return a == b;
    if (op == "<>") return a != b;
    if (op == "<") return a < b;
    if (op == ">") return a > b;
    if (op == "<=") return a <= b;
    return a >= b;
}

TTruth CompareNumbers(const std::string& op, const TNumber& a, const TNumber& b) {
    if (a.Null || b.Null) return std::nullopt;
    if (a.IsDouble || b.IsDouble) return Compared(op, a.AsDouble(), b.AsDouble());
    return Compared(op, a.I, b.I);
}

TNumber Integer(std::optional<int64_t> v) {
    return v ? TNumber{false, false, *v, 0} : TNumber{};
}

TNumber CheckedInteger(int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) throw TReferenceError{VORSAM_OUTOFRANGE};
    return {false, false, v, 0};
}

TNumber CheckedDouble(double v) {
    if (!std::isfinite(v)) throw TReferenceError{VORSAM_OUTOFRANGE};
    return {false, true, 0, v};
}

TNumber EvaluateNumber(const TNode& n, const TRow& row) {
    if (n.Kind == TNode::Column) return Integer(n.Text == "I1" ? row.I1 : row.I2);
    if (n.Kind == TNode::Constant) return Integer(std::stoll(n.Text));
    TNumber a = EvaluateNumber(n.Kids[0], row);
    if (n.Kind == TNode::Neg) return a.Null ? a : a.IsDouble ? CheckedDouble(-a.D) : CheckedInteger(-a.I);
    TNumber b = EvaluateNumber(n.Kids[1], row);
    if (a.Null || b.Null) return {};
    if (n.Kind == TNode::Div) {
        if (b.AsDouble() == 0) throw TReferenceError{VORSAM_DIVBYZERO};
        return CheckedDouble(a.AsDouble() / b.AsDouble());
    }
    if (a.IsDouble || b.IsDouble) {
        double x = a.AsDouble(), y = b.AsDouble();
        return CheckedDouble(n.Kind == TNode::Add ? x + y : n.Kind == TNode::Sub ? x - y : x * y);
    }
    return CheckedInteger(n.Kind == TNode::Add ? a.I + b.I : n.Kind == TNode::Sub ? a.I - b.I : a.I * b.I);
}

TTruth And(TTruth a, TTruth b) {
    if (a == false || b == false) return false;
    if (!a || !b) return std::nullopt;
    return true;
}

TTruth EvaluateCondition(const TNode& n, const TRow& row) {
    switch (n.Kind) {
    case TNode::Cmp: {
        TNumber left = EvaluateNumber(n.Kids[0], row); // left before right, as the engine does
        return CompareNumbers(n.Op, left, EvaluateNumber(n.Kids[1], row));
    }
    case TNode::StrCmp:
        return row.S1 ? Compared(n.Op, *row.S1, n.Text) : std::nullopt;
    case TNode::Like:
        return row.S1 ? TTruth(ReferenceLike(*row.S1, n.Text)) : std::nullopt;
    case TNode::In: {
        TNumber v = EvaluateNumber(n.Kids[0], row);
        if (v.Null) return std::nullopt;
        TTruth result = false;
        for (const auto& item : n.Items) {
            TTruth equal = CompareNumbers("=", v, Integer(item));
            if (equal == true) return true;
            if (!equal) result = std::nullopt;
        }
        return result;
    }
    case TNode::Between: {
        TNumber v = EvaluateNumber(n.Kids[0], row);
        return And(CompareNumbers(">=", v, Integer(n.Items[0])),
                   CompareNumbers("<=", v, Integer(n.Items[1])));
    }
    case TNode::IsNull:
        return (n.Text == "S1" ? !row.S1.has_value() : !row.I1.has_value()) != n.Negated;
    case TNode::Bool:
        return n.Text == "NULL" ? std::nullopt : TTruth(n.Text == "TRUE");
    case TNode::Not: {
        TTruth a = EvaluateCondition(n.Kids[0], row);
        return a ? TTruth(!*a) : std::nullopt;
    }
    default: {
        bool isAnd = n.Kind == TNode::And;
        TTruth a = EvaluateCondition(n.Kids[0], row);
        if (a && *a != isAnd) return a;
        TTruth b = EvaluateCondition(n.Kids[1], row);
        return isAnd                      ? And(a, b)
               : (a == true || b == true) ? TTruth(true)
               : (!a || !b)               ? std::nullopt
                                          : TTruth(false);
    }
    }
}

// ---- the engine side: a binder and a column-value callback over the current row

const TColumnBinder RowBinder = [](TExpToken& column) {
    if (column.ColumnName == "S1")
        SetExpType(column, {dtString, 0, 10, 0});
    else if (column.ColumnName == "I1" || column.ColumnName == "I2")
        SetExpType(column, {dtInteger, 0, 0, 0});
    else
        return false;
    return true;
};

TEvaluationContext RowContext(const TRow& row) {
    TEvaluationContext context;
    context.ColumnValue = [&row](TExpToken& column) {
        TExpValue v;
        v.DataType = column.DataType;
        if (column.ColumnName == "S1") {
            v.IsNull = !row.S1;
            v.Text = row.S1.value_or("");
        } else {
            const auto& value = column.ColumnName == "I1" ? row.I1 : row.I2;
            v.IsNull = !value;
            v.Int = value.value_or(0);
        }
        WriteExpValue(column, v);
        return true;
    };
    return context;
}

TTruth EngineTruth(TExpToken& tree, const TEvaluationContext& context) {
    TExpValue v = EvaluateExpValue(tree, context);
    if (v.IsNull) return std::nullopt;
    EXPECT_EQ(v.DataType, dtBoolean);
    return v.Int != 0;
}

TNumber EngineNumber(TExpToken& tree, const TEvaluationContext& context) {
    TExpValue v = EvaluateExpValue(tree, context);
    return {v.IsNull, v.DataType == dtFloat, v.Int, v.Real};
}

template <typename F> auto Outcome(F&& f) -> std::variant<decltype(f()), uint16_t> {
    try {
        return f();
    } catch (const EVORSAMEngineError& e) {
        return e.ErrorCode;
    } catch (const TReferenceError& e) {
        return e.Code;
    }
}

std::string Show(const std::variant<TTruth, uint16_t>& outcome) {
    if (outcome.index() == 1) return "error " + std::to_string(std::get<1>(outcome));
    TTruth t = std::get<0>(outcome);
    return t ? (*t ? "TRUE" : "FALSE") : "NULL";
}

TEST(ExpressionEvaluator, ConditionsMatchTheReferenceOnRandomRowsWithNulls) {
    TGenerator generator(20240611);
    std::vector<TRow> rows;
    for (int i = 0; i < 30; ++i) rows.push_back(generator.Row());
    std::map<std::string, int> outcomes;
    for (int e = 0; e < 1500; ++e) {
        TNode condition = generator.Condition(generator.Pick(0, 4));
        std::string text = Print(condition);
        TExpTree tree = ParseText(text, epExtendedPredicates);
        CheckExpTypes(*tree, RowBinder, "WHERE or JOIN clause");
        for (const TRow& row : rows) {
            TEvaluationContext context = RowContext(row);
            auto engine = Outcome([&] { return EngineTruth(*tree, context); });
            auto reference = Outcome([&] { return EvaluateCondition(condition, row); });
            ASSERT_EQ(Show(engine), Show(reference)) << text;
            ++outcomes[Show(engine)];
        }
    }
    // Every outcome is well represented, errors included.
    for (const char* outcome : {"TRUE", "FALSE", "NULL", "error 9744", "error 9733"})
        EXPECT_GT(outcomes[outcome], 100) << outcome;
}

TEST(ExpressionEvaluator, ArithmeticMatchesTheReferenceOnRandomRowsWithNulls) {
    TGenerator generator(77);
    std::vector<TRow> rows;
    for (int i = 0; i < 30; ++i) rows.push_back(generator.Row());
    for (int e = 0; e < 800; ++e) {
        TNode number = generator.Number(generator.Pick(1, 4));
        std::string text = Print(number);
        TExpTree tree = ParseText(text, 0);
        CheckExpTypes(*tree, RowBinder, "source columns");
        for (const TRow& row : rows) {
            TEvaluationContext context = RowContext(row);
            auto engine = Outcome([&] { return EngineNumber(*tree, context); });
            auto reference = Outcome([&] { return EvaluateNumber(number, row); });
            ASSERT_EQ(engine.index(), reference.index()) << text;
            if (engine.index() == 1) {
                ASSERT_EQ(std::get<1>(engine), std::get<1>(reference)) << text;
                continue;
            }
            const TNumber &x = std::get<0>(engine), &y = std::get<0>(reference);
            ASSERT_EQ(x.Null, y.Null) << text;
            if (x.Null) continue;
            ASSERT_EQ(x.IsDouble, y.IsDouble) << text;
            if (x.IsDouble)
                ASSERT_EQ(x.D, y.D) << text;
            else
                ASSERT_EQ(x.I, y.I) << text;
        }
    }
}

// ---- cases outside the reference

TExpValue Value(const std::string& text, const TEvaluationContext& context = {}, TFakeHost* host = nullptr) {
    TExpTree tree = ParseText(text, 31, host);
    return EvaluateExpValue(*tree, context);
}

TEST(ExpressionEvaluator, OverflowAndDivisionByZeroRaiseEngineErrors) {
    EXPECT_ENGINE_ERROR(Value("1 / 0"), VORSAM_DIVBYZERO);
    EXPECT_ENGINE_ERROR(Value("1.5 / (2 - 2)"), VORSAM_DIVBYZERO);
    EXPECT_ENGINE_ERROR(Value("2147483647 + 1"), VORSAM_OUTOFRANGE);
    EXPECT_ENGINE_ERROR(Value("-(-2147483647 - 1)"), VORSAM_OUTOFRANGE);
    EXPECT_ENGINE_ERROR(Value("9223372036854775807 + 1"), VORSAM_OUTOFRANGE);
    EXPECT_ENGINE_ERROR(Value("1e308 * 10"), VORSAM_OUTOFRANGE);
    EXPECT_EQ(Value("2147483647 + 2147483648").Int, 4294967295);
    EXPECT_EQ(Value("7 / 2").Real, 3.5);
    EXPECT_ENGINE_ERROR(Value("'a' + 1"), VORSAM_EXPTYPEMISMATCH);
    EXPECT_ENGINE_ERROR(Value("1 = 'x'"), VORSAM_EXPTYPEMISMATCH);
    EXPECT_TRUE(Value("1 = '1'").Int);
}

TEST(ExpressionEvaluator, ColumnsWithoutAValueRaiseNamingTheColumn) {
    try {
        Value("1 + qty");
        FAIL();
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(e.ErrorCode, VORSAM_NOCOLUMNVALUE);
        EXPECT_EQ(e.ErrorFieldName, "qty");
    }
    EXPECT_ENGINE_ERROR(Value("LASTAUTOINC(t)"), VORSAM_NOCOLUMNVALUE);
    TEvaluationContext context;
    context.FunctionValue = [](TExpToken& call) {
        WriteExpValue(call, MakeIntegerValue(dtInteger, call.GetArg(0)->StringValue() == "t" ? 41 : 0));
        return true;
    };
    EXPECT_EQ(Value("LASTAUTOINC(t) + 1", context).Int, 42);
}

TEST(ExpressionEvaluator, StringsCompareUnderTheLanguageAndCase) {
    TEvaluationContext bytewise, portuguese, noCase;
    portuguese.LanguageId = 0x0416;
    noCase.Flags = efCaseInsensitive;
    EXPECT_FALSE(Value("'a' < 'B'", bytewise).Int);
    EXPECT_TRUE(Value("'a' < 'B'", portuguese).Int);
    EXPECT_TRUE(Value("'\xE9' < 'f'", portuguese).Int);
    EXPECT_FALSE(Value("'abc' = 'ABC'", bytewise).Int);
    EXPECT_TRUE(Value("'abc' = 'ABC'", noCase).Int);
    EXPECT_TRUE(Value("'ABC' LIKE 'a_c'", noCase).Int);
    EXPECT_FALSE(Value("'ABC' LIKE 'a_c'", bytewise).Int);
    EXPECT_EQ(Value("'ab' || 'cd' || ''").Text, "abcd");
    EXPECT_TRUE(Value("'ab' || NULL").IsNull);
}

TEST(ExpressionEvaluator, LikeMatchingNeverBacktracksExponentially) {
    EXPECT_FALSE(LikeMatches(std::string(5000, 'a'), std::string(300, '%') + "b"));
    EXPECT_TRUE(LikeMatches(std::string(5000, 'a') + "b", "%a%%a_%b"));
}

TEST(ExpressionEvaluator, SubSelectsGiveTheirSingleValueOrTheirValueList) {
    TFakeHost host;
    TExpTree scalar = ParseText("(SELECT a FROM t) + 1", 31, &host);
    TExpTree in = ParseText("3 IN (SELECT a FROM t)", 31, &host);
    TFakeSubQuery &first = *host.SubQueries[0], &second = *host.SubQueries[1];
    EXPECT_TRUE(EvaluateExpValue(*scalar, {}).IsNull) << "no row";
    first.Rows = {MakeIntegerValue(dtInteger, 4)};
    EXPECT_EQ(EvaluateExpValue(*scalar, {}).Int, 5);
    first.Rows.push_back(MakeIntegerValue(dtInteger, 6));
    EXPECT_EQ(ErrorTextOf([&] { EvaluateExpValue(*scalar, {}); }), "Sub-select returned more than one row");
    second.Rows = {MakeIntegerValue(dtInteger, 1), TExpValue{}};
    EXPECT_TRUE(EvaluateExpValue(*in, {}).IsNull) << "no match, a NULL seen";
    second.Rows.push_back(MakeIntegerValue(dtInteger, 3));
    EXPECT_TRUE(EvaluateExpValue(*in, {}).Int);
    second.Rows = {MakeIntegerValue(dtInteger, 1)};
    EXPECT_FALSE(EvaluateExpValue(*in, {}).Int);
}

TEST(ExpressionEvaluator, ConstantAsTypeConvertsAllButStringsAndNulls) {
    TExpToken floatColumn, smallColumn, dateColumn;
    SetExpType(floatColumn, {dtFloat, 0, 0, 0});
    SetExpType(smallColumn, {dtSmallInt, 0, 0, 0});
    SetExpType(dateColumn, {dtDate, 0, 0, 0});
    auto asType = [](const std::string& text, const TExpToken& type) {
        TExpTree tree = ParseText(text);
        return EvaluateConstantAsType(*tree, {}, type);
    };
    TExpTree converted = asType("2 + 3", floatColumn);
    EXPECT_EQ(converted->DataType, dtFloat);
    EXPECT_EQ(ReadExpValue(*converted).Real, 5.0);
    EXPECT_EQ(asType("'2003-01-31'", dateColumn)->DataType, dtString);
    EXPECT_TRUE(asType("NULL", smallColumn)->IsNull);
    EXPECT_EQ(ReadExpValue(*asType("-300", smallColumn)).Int, -300);
    EXPECT_ENGINE_ERROR(asType("70000", smallColumn), VORSAM_EXPTYPEMISMATCH);
}

} // namespace
} // namespace vorsam::test
