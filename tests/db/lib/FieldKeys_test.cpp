// Sortable field keys: for 10^5 random values of every type (negatives, zeros, extremes) the memcmp order
// of the encoded keys is the order of the values, ascending and descending, against an oracle that reads
// the native values directly; the caller's value is never changed.
#include "TestSupport.h"

#include "db/lib/Bcd.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FieldDescriptor.h"
#include "db/lib/FieldKeys.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numeric>
#include <random>

namespace vorsam::test {
namespace {

constexpr size_t ValueCount = 100000;
using TBytes = std::vector<uint8_t>;

template <typename T> TBytes Native(T v) {
    TBytes b(sizeof v);
    std::memcpy(b.data(), &v, sizeof v);
    return b;
}
template <typename T> T Load(const TBytes& b) {
    T v;
    std::memcpy(&v, b.data(), sizeof v);
    return v;
}
template <typename T> int Sign(T a, T b) {
    return (a > b) - (a < b);
}

// One type under test: its field, a value generator with its special values, and the oracle.
struct TKeyType {
    std::string name;
    uint8_t type;
    uint8_t declaredSize;
    std::vector<TBytes> specials;
    std::function<TBytes(std::mt19937&)> random;
    std::function<int(const TBytes&, const TBytes&)> compare;
    bool caseInsensitive = false;
};

void PrintTo(const TKeyType& t, std::ostream* os) {
    *os << t.name;
}

template <typename T> TKeyType IntegerType(const std::string& name, uint8_t type) {
    using L = std::numeric_limits<T>;
    std::vector<TBytes> specials = {Native<T>(L::min()), Native<T>(L::max()), Native<T>(0), Native<T>(1)};
    if (L::is_signed) specials.push_back(Native<T>(T(-1)));
    return {name,
            type,
            0,
            specials,
            [](std::mt19937& r) {
                uint64_t bits = uint64_t(r()) << 32 | r();
                return Native<T>(T(bits >> (r() % 64)));
            },
            [](const TBytes& a, const TBytes& b) { return Sign(Load<T>(a), Load<T>(b)); }};
}

TKeyType DoubleType(const std::string& name, uint8_t type) {
    std::vector<TBytes> specials;
    for (double d : {0.0, -0.0, 1.0, -1.0, DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN,
                     HUGE_VAL, -HUGE_VAL})
        specials.push_back(Native(d));
    return {name,
            type,
            0,
            specials,
            [](std::mt19937& r) {
                double d;
                do {
                    uint64_t bits = uint64_t(r()) << 32 | r();
                    std::memcpy(&d, &bits, sizeof d);
                } while (std::isnan(d));
                return Native(d);
            },
            [](const TBytes& a, const TBytes& b) { return Sign(Load<double>(a), Load<double>(b)); }};
}

// BCD values from decimal texts; the oracle reads the text back as an integer count of 1/10,000.
__int128 TenThousandths(const TBytes& bcd) {
    std::optional<TDecimal> d = DecodeBcd(bcd.data());
    __int128 v = 0;
    for (char c : d->Digits) v = v * 10 + (c - '0');
    for (int s = d->Scale; s < 4; ++s) v *= 10;
    return d->Negative ? -v : v;
}

TBytes BcdOf(const std::string& text) {
    TBytes b(BcdValueSize);
    EXPECT_TRUE(EncodeBcd(*ParseDecimal(text), b.data())) << text;
    return b;
}

TKeyType BcdType() {
    return {"Bcd",
            dtBcd,
            0,
            {BcdOf("922337203685477.5807"), BcdOf("-922337203685477.5808"), BcdOf("0"), BcdOf("-0.0000"),
             BcdOf("1.5"), BcdOf("1.5000"), BcdOf("-1.50")},
            [](std::mt19937& r) {
                int scale = int(r() % 5),
                    digits = 1 + int(r() % unsigned(14 + scale)); // within the currency range
                std::string text = r() % 2 ? "-" : "";
                for (int i = 0; i < digits; ++i) text += char('0' + r() % 10);
                if (scale > 0 && digits > scale) text.insert(text.size() - size_t(scale), 1, '.');
                return BcdOf(text);
            },
            [](const TBytes& a, const TBytes& b) { return Sign(TenThousandths(a), TenThousandths(b)); }};
}

// Strings of at most 20 characters; case-insensitive ones from letters of both cases and digits.
TKeyType StringType(bool caseInsensitive) {
    std::string alphabet = caseInsensitive ? "aAbBcCyYzZ09" : "";
    if (!caseInsensitive)
        for (int c = 1; c < 256; c += 17) alphabet += char(c);
    auto text = [](const TBytes& v) { return std::string(reinterpret_cast<const char*>(v.data())); };
    auto upper = [](std::string s) {
        for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    TKeyType t{caseInsensitive ? "StringNoCase" : "String",
               dtString,
               20,
               {TBytes(21, 0),
                [] {
                    TBytes b(21, 0);
                    std::memset(b.data(), 0xFF, 20);
                    return b;
                }()},
               [alphabet](std::mt19937& r) {
                   TBytes b(21, 0);
                   size_t n = r() % 21;
                   for (size_t i = 0; i < n; ++i) b[i] = uint8_t(alphabet[r() % alphabet.size()]);
                   return b;
               },
               [=](const TBytes& a, const TBytes& b) {
                   std::string x = text(a), y = text(b);
                   if (caseInsensitive) x = upper(x), y = upper(y);
                   int r = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size())); // unsigned bytes
                   return r != 0 ? Sign(r, 0) : Sign(x.size(), y.size());
               },
               caseInsensitive};
    return t;
}

std::vector<TKeyType> AllKeyTypes() {
    return {IntegerType<int16_t>("SmallInt", dtSmallInt),
            IntegerType<int32_t>("Integer", dtInteger),
            IntegerType<int32_t>("Date", dtDate),
            IntegerType<int32_t>("Time", dtTime),
            IntegerType<uint16_t>("Word", dtWord),
            IntegerType<int64_t>("LargeInt", dtLargeInt),
            IntegerType<uint16_t>("Boolean", dtBoolean),
            DoubleType("Float", dtFloat),
            DoubleType("TimeStamp", dtTimeStamp),
            BcdType(),
            StringType(false),
            StringType(true)};
}

TFieldDescriptor FieldOf(const TKeyType& t) {
    TFieldDescriptor field;
    field.SetName("F");
    field.SetDataType(t.type);
    field.SetDeclaredSize(t.declaredSize);
    GetFieldPhysicalSize(field);
    return field;
}

class FieldKeyOrderTest : public ::testing::TestWithParam<TKeyType> {};

TEST_P(FieldKeyOrderTest, KeyOrderIsValueOrderBothWaysAndValuesStayUnchanged) {
    const TKeyType& t = GetParam();
    TFieldDescriptor field = FieldOf(t);
    size_t segment = GetFieldKeySize(field) + 1u;
    std::mt19937 random(12345);
    std::vector<TBytes> values = t.specials;
    while (values.size() < ValueCount) values.push_back(t.random(random));

    std::vector<TBytes> up(values.size(), TBytes(segment, 1)), down = up;
    for (size_t i = 0; i < values.size(); ++i) {
        TBytes before = values[i];
        EncodeFieldKey(field, values[i].data(), up[i].data(), t.caseInsensitive, false, 0, 0);
        EncodeFieldKey(field, values[i].data(), down[i].data(), t.caseInsensitive, true, 0, 0);
        ASSERT_EQ(values[i], before) << "the caller's value was changed";
    }
    std::vector<size_t> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return t.compare(values[a], values[b]) < 0; });
    for (size_t k = 0; k + 1 < order.size(); ++k) {
        size_t a = order[k], b = order[k + 1];
        int expected = t.compare(values[a], values[b]);
        ASSERT_EQ(CompareMemory(up[a].data(), up[b].data(), segment), expected) << t.name << " at " << k;
        ASSERT_EQ(CompareMemory(down[a].data(), down[b].data(), segment), -expected) << t.name << " at " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Types, FieldKeyOrderTest, ::testing::ValuesIn(AllKeyTypes()),
                         [](const auto& info) { return info.param.name; });

TEST(FieldKeysTest, NullsSortFirstAscendingAndLastDescendingUnderLanguageZero) {
    TFieldDescriptor field = FieldOf(IntegerType<int32_t>("Integer", dtInteger));
    TBytes value = Native<int32_t>(INT32_MIN);
    uint8_t nullUp[5] = {0}, valueUp[5] = {1}, nullDown[5] = {0}, valueDown[5] = {1};
    EncodeFieldKey(field, value.data(), nullUp, false, false, 0, 0);
    EncodeFieldKey(field, value.data(), valueUp, false, false, 0, 0);
    EncodeFieldKey(field, value.data(), nullDown, false, true, 0, 0);
    EncodeFieldKey(field, value.data(), valueDown, false, true, 0, 0);
    EXPECT_LT(CompareMemory(nullUp, valueUp, 5), 0);
    EXPECT_GT(CompareMemory(nullDown, valueDown, 5), 0);
}

TEST(FieldKeysTest, OtherLanguagesLeaveDescendingKeysToTheComparison) {
    TFieldDescriptor field = FieldOf(StringType(false));
    TBytes value(21, 0);
    std::memcpy(value.data(), "abc", 3);
    TBytes up(22, 1), down(22, 1);
    EncodeFieldKey(field, value.data(), up.data(), false, false, 0x0416, 0);
    EncodeFieldKey(field, value.data(), down.data(), false, true, 0x0416, 0);
    EXPECT_EQ(up, down);
}

TEST(FieldKeysTest, CaseInsensitiveKeysUpperCaseAccentedCharactersOfACopy) {
    TFieldDescriptor field = FieldOf(StringType(true));
    TBytes lower(21, 0), upper(21, 0);
    std::memcpy(lower.data(), "a\xE7\xE3o \xFF\x9A", 7); // "ação ÿš"
    std::memcpy(upper.data(), "A\xC7\xC3O \x9F\x8A", 7); // "AÇÃO Ÿ Š"
    TBytes original = lower, keyLower(22, 1), keyUpper(22, 1);
    EncodeFieldKey(field, lower.data(), keyLower.data(), true, false, 0, 0);
    EncodeFieldKey(field, upper.data(), keyUpper.data(), true, false, 0, 0);
    EXPECT_EQ(keyLower, keyUpper);
    EXPECT_EQ(lower, original);
}

TEST(FieldKeysTest, BcdBeyondTheCurrencyRangeIsRefused) {
    TFieldDescriptor field = FieldOf(BcdType());
    uint8_t key[9] = {1};
    for (const char* text : {"922337203685477.5808", "-922337203685477.5809", "10000000000000000000"}) {
        TBytes bcd = BcdOf(text);
        EXPECT_ENGINE_ERROR(EncodeFieldKey(field, bcd.data(), key, false, false, 0, 0), VORSAM_OUTOFRANGE)
            << text;
    }
    TBytes malformed(BcdValueSize, 0); // precision 0
    EXPECT_ENGINE_ERROR(EncodeFieldKey(field, malformed.data(), key, false, false, 0, 0), VORSAM_OUTOFRANGE);
}

TEST(FieldKeysTest, PhysicalAndKeySizesFollowTheType) {
    struct TSizeCase {
        uint8_t type, declared, physical, key;
    };
    for (TSizeCase c : {TSizeCase{dtString, 30, 31, 31},
                        {dtDate, 0, 4, 4},
                        {dtBlob, 0, 8, 8},
                        {dtBoolean, 0, 2, 2},
                        {dtSmallInt, 0, 2, 2},
                        {dtInteger, 0, 4, 4},
                        {dtFloat, 0, 8, 8},
                        {dtBcd, 0, 34, 8},
                        {dtBytes, 16, 16, 16},
                        {dtTime, 0, 4, 4},
                        {dtTimeStamp, 0, 8, 8},
                        {dtWord, 0, 2, 2},
                        {dtValue4, 0, 4, 4},
                        {dtValue10, 0, 10, 10},
                        {dtVarBytes, 9, 9, 9},
                        {dtLargeInt, 0, 8, 8},
                        {17, 5, 5, 5}}) {
        TFieldDescriptor field;
        field.SetDataType(c.type);
        field.SetDeclaredSize(c.declared);
        field.SetDecimals(2);
        GetFieldPhysicalSize(field);
        GetFieldPhysicalDecimals(field);
        EXPECT_EQ(field.PhysicalSize(), c.physical) << int(c.type);
        EXPECT_EQ(GetFieldKeySize(field), c.key) << int(c.type);
        EXPECT_EQ(field.PhysicalDecimals(), 2);
    }
}

TEST(FieldDescriptorTest, TextsAreLengthPrefixedCappedAndZeroPadded) {
    TFieldDescriptor field;
    field.SetName(std::string(40, 'N'));
    EXPECT_EQ(field.Name(), std::string(30, 'N'));
    EXPECT_EQ(field.Bytes[2], 30);
    field.SetName("ID");
    EXPECT_EQ(field.Bytes[2], 2);
    EXPECT_EQ(field.Bytes[5], 0) << "the rest of the old name is cleared";
    field.SetDefaultValue("2004-02-29");
    field.SetPosition(513);
    EXPECT_EQ(field.DefaultValue(), "2004-02-29");
    EXPECT_EQ(field.Bytes[357], 1);
    EXPECT_EQ(field.Bytes[358], 2);
    field.Bytes[94] = 200; // a corrupt length byte
    EXPECT_EQ(field.MinValue().size(), 50u);
}

} // namespace
} // namespace vorsam::test
