// The compiled form of expressions against the evaluator: random expressions of every operator over random
// records of every value type the compiled form reads (NULLs and edge values included) give the same
// values, NULLs and errors; what it does not take is refused.
#include "ExpressionTestSupport.h"

#include "db/lib/Bcd.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionEvaluator.h"
#include "db/lib/ExpressionProgram.h"
#include "db/lib/ExpressionTypes.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <random>

namespace vorsam::test {
namespace {

// ---- a record layout of one field of each type, and random records of it

struct TField {
    const char* Name;
    uint8_t DataType;
    uint8_t SubType;
    uint16_t Size; // declared size of a string
    uint16_t Offset = 0;
};

constexpr uint16_t PrefixBytes = 9; // status, link, +5 value

std::vector<TField> Layout() {
    std::vector<TField> fields = {
        {"N1", dtSmallInt, 0, 0},       {"N2", dtInteger, 0, 0}, {"N3", dtWord, 0, 0},
        {"N4", dtLargeInt, 0, 0},       {"F1", dtFloat, 0, 0},   {"F2", dtFloat, stMoney, 0},
        {"B1", dtBoolean, 0, 0},        {"D1", dtDate, 0, 0},    {"T1", dtTime, 0, 0},
        {"TS", dtTimeStamp, 0, 0},      {"S1", dtString, 0, 6},  {"C1", dtBcd, 0, 0},
        {"A1", dtInteger, stAutoInc, 0}};
    uint16_t at = PrefixBytes;
    for (TField& field : fields) {
        if (field.SubType == stAutoInc) continue;
        field.Offset = at;
        at = uint16_t(at + 1 + PhysicalSizeOf(field.DataType, field.Size));
    }
    return fields;
}

const std::vector<TField>& Fields() {
    static const std::vector<TField> fields = Layout();
    return fields;
}

size_t RecordSize() {
    const TField& last = Fields()[Fields().size() - 2];
    return last.Offset + 1u + PhysicalSizeOf(last.DataType, last.Size);
}

const TField* FieldNamed(std::string_view name) {
    for (const TField& field : Fields())
        if (name == field.Name) return &field;
    return nullptr;
}

class TRecords {
public:
    explicit TRecords(uint32_t seed) : random_(seed) {}

    std::vector<uint8_t> Record() {
        std::vector<uint8_t> image(RecordSize(), 0);
        StoreNative<int32_t>(&image[5], Pick({0, 1, 7, -3, INT32_MAX, INT32_MIN}));
        for (const TField& field : Fields()) {
            if (field.SubType == stAutoInc || Chance(5)) continue; // NULL
            image[field.Offset] = 1;
            uint8_t* value = &image[field.Offset + 1];
            switch (field.DataType) {
            case dtSmallInt:
                StoreNative<int16_t>(value, int16_t(Pick({0, 1, -1, 7, 32767, -32768, 100})));
                break;
            case dtWord:
                StoreNative<uint16_t>(value, uint16_t(Pick({0, 1, 7, 65535, 100})));
                break;
            case dtInteger:
            case dtDate:
                StoreNative<int32_t>(value, int32_t(Pick({0, 1, -1, 7, 730000, INT32_MAX, INT32_MIN, 100})));
                break;
            case dtTime:
                StoreNative<int32_t>(value, int32_t(Pick({0, 1, 3600000, 86399999})));
                break;
            case dtLargeInt:
                StoreNative<int64_t>(value,
                                     Pick<int64_t>({0, 1, -1, 7, INT64_MAX, INT64_MIN, int64_t(1) << 40}));
                break;
            case dtFloat:
            case dtTimeStamp: {
                double values[] = {0.0,         -0.0,   1.5,   -7.25,
                                   1e308,       6.3e10, 100.0, std::numeric_limits<double>::infinity(),
                                   std::nan("")};
                StoreNative<double>(value, values[Below(Chance(10) ? 9 : 7)]);
                break;
            }
            case dtBoolean:
                StoreNative<int16_t>(value, int16_t(Pick({0, 1, 2})));
                break;
            case dtString: {
                const char* texts[] = {"", "abc", "ABC", "ab", "b%c", "zz", "12"};
                std::strcpy(reinterpret_cast<char*>(value), texts[Below(7)]);
                break;
            }
            case dtBcd:
                if (!CurrencyToBcdValue(Pick<int64_t>({0, 15000, -25, 9999999999, INT64_MAX}),
                                        uint8_t(Below(5)), value))
                    image[field.Offset] = 0;
                break;
            default:
                break;
            }
        }
        return image;
    }

    size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }
    bool Chance(size_t inverse) { return Below(inverse) == 0; }
    template <typename T> T Pick(std::initializer_list<T> values) {
        return *(values.begin() + Below(values.size()));
    }
    std::mt19937& Random() { return random_; }

private:
    std::mt19937 random_;
};

// ---- random expression texts over the layout

class TTexts {
public:
    explicit TTexts(TRecords& records) : r_(records) {}

    std::string Number(int depth) {
        if (depth == 0 || r_.Chance(3)) {
            if (r_.Chance(2)) return Pick({"N1", "N2", "N3", "N4", "F1", "F2", "C1", "A1"});
            return Pick(
                {"0", "1", "7", "-3", "2147483647", "9223372036854775807", "1.5", "1e308", "100", "NULL"});
        }
        switch (r_.Below(4)) {
        case 0:
            return "-(" + Number(depth - 1) + ")";
        case 1:
            return "+" + Number(depth - 1);
        default:
            return "(" + Number(depth - 1) + " " + Pick({"+", "-", "*", "/"}) + " " + Number(depth - 1) + ")";
        }
    }

    std::string Condition(int depth) {
        if (depth == 0 || r_.Chance(3)) {
            switch (r_.Below(12)) {
            case 0:
                return Pick({"B1", "TRUE", "FALSE", "B1 = TRUE", "B1 <> FALSE"});
            case 1:
                return "D1 " + Comparison() + Pick({" '2000-01-01'", " D1", " TS"});
            case 2:
                return "T1 " + Comparison() + Pick({" '01:00:00'", " T1"});
            case 3:
                return "TS " + Comparison() + Pick({" TS", " D1", " '1999-12-31 10:00:00'"});
            case 4:
                return "S1 " + Comparison() + Pick({" 'abc'", " S1", " 'ab'"});
            case 5:
                return "S1 " + Pick({"", "NOT "}) + "LIKE " + Pick({"'a%'", "'%c'", "'_b%'", "S1"});
            case 6:
                return Number(depth) + " " + Pick({"", "NOT "}) + "BETWEEN " + Number(0) + " AND " +
                       Number(0);
            case 7:
                return Number(depth) + " " + Pick({"", "NOT "}) + "IN (" + Number(0) + ", " + Number(0) +
                       ", " + Number(0) + ")";
            case 8:
                return Pick({"N1", "F1", "S1", "B1", "C1", "A1", "D1"}) + " IS " + Pick({"", "NOT "}) +
                       "NULL";
            default:
                return Number(depth) + " " + Comparison() + " " + Number(depth);
            }
        }
        switch (r_.Below(3)) {
        case 0:
            return "NOT (" + Condition(depth - 1) + ")";
        default:
            return "(" + Condition(depth - 1) + " " + Pick({"AND", "OR"}) + " " + Condition(depth - 1) + ")";
        }
    }

private:
    std::string Comparison() { return Pick({"=", "<>", "<", ">", "<=", ">="}); }
    std::string Pick(std::initializer_list<const char*> values) {
        return *(values.begin() + r_.Below(values.size()));
    }

    TRecords& r_;
};

// ---- both sides: the evaluator with a column callback that reads the record as a cursor does, the program

const TColumnBinder LayoutBinder = [](TExpToken& column) {
    const TField* field = FieldNamed(column.ColumnName);
    if (!field) return false;
    uint16_t size = field->DataType == dtString ? field->Size : 0;
    SetExpType(column, {field->DataType, field->SubType, size, 0});
    column.FieldNumber = uint16_t(field - Fields().data() + 1);
    return true;
};

TEvaluationContext RecordContext(const std::vector<uint8_t>& image, uint32_t flags = 0) {
    TEvaluationContext context;
    context.Flags = flags;
    context.ColumnValue = [&image](TExpToken& column) {
        const TField& field = Fields()[column.FieldNumber - 1];
        if (field.SubType == stAutoInc) {
            column.IsNull = false;
            column.SetValueSize(4);
            std::memcpy(column.Value.data(), &image[5], 4);
            return true;
        }
        if (image[field.Offset] == 0) {
            column.SetNull();
            return true;
        }
        column.IsNull = false;
        column.SetValueSize(PhysicalSizeOf(field.DataType, field.Size));
        std::memcpy(column.Value.data(), &image[field.Offset + 1u], column.Value.size());
        if (field.DataType == dtString) {
            column.Value.resize(
                strnlen(reinterpret_cast<const char*>(column.Value.data()), column.Value.size()) + 1);
            column.Value.back() = 0;
        }
        return true;
    };
    return context;
}

const TExpColumnResolver LayoutResolver = [](const TExpToken& column, TExpColumnPlace& place) {
    const TField& field = Fields()[column.FieldNumber - 1];
    place.Image = 0;
    place.Offset = field.Offset;
    place.Size = PhysicalSizeOf(field.DataType, field.Size);
    place.AutoIncrement = field.SubType == stAutoInc;
    return true;
};

// The outcome as text: the value with its type, or the error's code and text.
template <typename F> std::string Outcome(F&& f) {
    try {
        TExpValue v = f();
        std::string text = std::to_string(v.DataType) + "/" + std::to_string(v.SubType) + "/" +
                           std::to_string(v.Scale) + ":";
        if (v.IsNull) return text + "NULL";
        if (std::isnan(v.Real)) return text + std::to_string(v.Int) + "|nan|" + v.Text;
        return text + std::to_string(v.Int) + "|" + std::to_string(v.Real) + "|" + v.Text;
    } catch (const EVORSAMEngineError& e) {
        return "error " + std::to_string(e.ErrorCode) + " " + e.ErrorMessage;
    }
}

// "error <code>", or the value's type and whether it is NULL: "6", "6 NULL".
std::string Bucket(const std::string& outcome) {
    if (outcome.rfind("error", 0) == 0) return outcome.substr(0, outcome.find(' ', 6));
    std::string type = outcome.substr(0, outcome.find('/'));
    return outcome.ends_with("NULL") ? type + " NULL" : type;
}

// Compares the program with the evaluator on the tree for every record; counts the outcomes.
void CompareOnRecords(TExpToken& tree, const std::string& text,
                      const std::vector<std::vector<uint8_t>>& records, uint32_t flags,
                      std::map<std::string, int>& outcomes) {
    TExpProgram program;
    TEvaluationContext compileContext;
    compileContext.Flags = flags;
    ASSERT_TRUE(program.Compile(tree, LayoutResolver, compileContext)) << text;
    for (const auto& record : records) {
        const uint8_t* images[] = {record.data()};
        TEvaluationContext context = RecordContext(record, flags);
        std::string expected = Outcome([&] { return EvaluateExpValue(tree, context); });
        ASSERT_EQ(Outcome([&] { return program.Evaluate(images); }), expected) << text;
        bool holds = false, holdsRaised = false, predicateRaised = false, predicate = false;
        try {
            holds = program.Holds(images);
        } catch (const EVORSAMEngineError&) {
            holdsRaised = true;
        }
        try {
            predicate = EvaluatePredicate(tree, context);
        } catch (const EVORSAMEngineError&) {
            predicateRaised = true;
        }
        ASSERT_EQ(holdsRaised, predicateRaised) << text;
        ASSERT_EQ(holds, predicate) << text;
        ++outcomes[Bucket(expected)];
    }
    const uint8_t* atEnd[] = {nullptr};
    EXPECT_NO_FATAL_FAILURE(Outcome([&] { return program.Evaluate(atEnd); })) << text;
}

TEST(ExpressionProgram, MatchesTheEvaluatorOnRandomExpressionsOverRandomRecords) {
    TRecords generator(20260611);
    TTexts texts(generator);
    std::vector<std::vector<uint8_t>> records;
    for (int i = 0; i < 40; ++i) records.push_back(generator.Record());
    std::map<std::string, int> outcomes;
    int compiled = 0;
    for (int e = 0; e < 3000; ++e) {
        bool condition = generator.Chance(3) == false;
        std::string text =
            condition ? texts.Condition(int(generator.Below(4))) : texts.Number(int(generator.Below(4)));
        TExpTree tree;
        try {
            tree = ParseText(text, epExtendedPredicates);
            CheckExpTypes(*tree, LayoutBinder, "test");
        } catch (const EVORSAMEngineError&) {
            continue; // an expression the type checker refuses
        }
        uint32_t flags = generator.Chance(4) ? uint32_t(efCaseInsensitive) : 0u;
        CompareOnRecords(*tree, text, records, flags, outcomes);
        // The same as a filter prepares it: constants folded, LIKE 'x%' a prefix compare.
        if (condition) {
            TEvaluationContext context;
            context.Flags = flags;
            TExpTree prepared = PrepareExpTree(*tree, context);
            CompareOnRecords(*prepared, text + " (prepared)", records, flags, outcomes);
        }
        ++compiled;
    }
    EXPECT_GT(compiled, 2000);

    // Booleans, numbers of each type and BCD, their NULLs, and errors of both kinds all came out often.
    for (const char* bucket :
         {"4", "4 NULL", "6", "6 NULL", "7", "7 NULL", "18", "8", "8 NULL", "error 9744", "error 9733"})
        EXPECT_GT(outcomes[bucket], 100) << bucket;
}

// Every column the compiled form judges straight from its bytes (numbers, booleans, strings), compared with
// constants of its class either way round, with BETWEEN and with IN, as written and as a filter prepares it,
// with case and ignoring it.
TEST(ExpressionProgram, JudgesColumnsAgainstConstantsAsTheEvaluatorDoes) {
    TRecords generator(7);
    std::vector<std::vector<uint8_t>> records;
    for (int i = 0; i < 200; ++i) records.push_back(generator.Record());
    const std::vector<std::pair<const char*, std::vector<const char*>>> columns = {
        {"N1", {"-1", "7", "100.5", "32767"}},
        {"N2", {"0", "-3", "730000", "7.25"}},
        {"N3", {"7", "65535", "1e308", "-1"}},
        {"N4", {"9223372036854775807", "-1", "1.5"}},
        {"F1", {"1.5", "-7.25", "100", "0"}},
        {"F2", {"6.3e10", "1", "-0.5"}},
        {"A1", {"7", "-3", "2147483647"}},
        {"B1", {"TRUE", "FALSE"}},
        {"S1", {"'ABC'", "'abc'", "''", "'ab'", "'b%c'", "'zzz'"}}};
    std::map<std::string, int> outcomes;
    int compared = 0;
    for (const auto& [column, constants] : columns) {
        std::string c = column, a = constants.front(), b = constants.back();
        std::vector<std::string> texts = {c + " BETWEEN " + a + " AND " + b,
                                          c + " NOT BETWEEN " + b + " AND " + a,
                                          c + " IN (" + a + ", " + b + ")"};
        for (const char* constant : constants)
            for (const char* op : {"=", "<>", "<", ">", "<=", ">="})
                texts.insert(texts.end(),
                             {c + " " + op + " " + constant, std::string(constant) + " " + op + " " + c,
                              "(" + c + " " + op + " " + constant + ") OR N2 IS NULL"});
        for (const std::string& text : texts) {
            TExpTree tree = ParseText(text, epExtendedPredicates);
            CheckExpTypes(*tree, LayoutBinder, "test");
            for (uint32_t flags : {0u, uint32_t(efCaseInsensitive)}) {
                CompareOnRecords(*tree, text, records, flags, outcomes);
                TEvaluationContext context;
                context.Flags = flags;
                TExpTree prepared = PrepareExpTree(*tree, context);
                CompareOnRecords(*prepared, text + " (prepared)", records, flags, outcomes);
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 200);
    EXPECT_GT(outcomes["4"], 1000);
    EXPECT_GT(outcomes["4 NULL"], 100);
}

TEST(ExpressionProgram, RefusesSubSelectsFunctionsAndColumnsItCannotPlace) {
    TFakeHost host;
    for (const char* text : {"N2 IN (SELECT X FROM T)", "COUNT(N2) > 1", "N2 > (SELECT X FROM T)"}) {
        TExpTree tree = ParseText(text, 31, &host);
        TExpProgram program;
        EXPECT_FALSE(program.Compile(*tree, LayoutResolver, {})) << text;
        EXPECT_TRUE(program.Empty());
    }
    TExpTree tree = ParseText("N2 + 1 > 3", 0);
    CheckExpTypes(*tree, LayoutBinder, "test");
    TExpProgram program;
    EXPECT_FALSE(program.Compile(*tree, [](const TExpToken&, TExpColumnPlace&) { return false; }, {}));
    EXPECT_TRUE(program.Compile(*tree, LayoutResolver, {}));
}

} // namespace
} // namespace vorsam::test
