// Values of every engine type: constants parse and format back, invalid constants are refused per type,
// and conversions between types keep or refuse values as their ranges require.
#include "TestSupport.h"

#include "db/lib/Bcd.h"
#include "db/lib/DataTypes.h"
#include "db/lib/DateTimeValues.h"
#include "db/lib/Values.h"

#include <random>
#include <vector>

namespace vorsam::test {
namespace {

struct TTextCase {
    TValueKind kind;
    std::string text;
    std::string formatted; // what the value formats back to
};

std::ostream& operator<<(std::ostream& os, const TTextCase& c) {
    return os << int(c.kind.DataType) << " '" << c.text << "'";
}

class ValueTextTest : public ::testing::TestWithParam<TTextCase> {};

TEST_P(ValueTextTest, ConstantParsesAndFormatsBack) {
    const TTextCase& c = GetParam();
    std::vector<uint8_t> value(ValueBufferSize(c.kind) + 1, 0xEE);
    ASSERT_TRUE(IsValidConstant(c.text, c.kind.DataType));
    ASSERT_TRUE(TextToValue(c.text, c.kind, value.data()));
    EXPECT_EQ(value.back(), 0xEE) << "written past the value";
    EXPECT_EQ(ValueToText(value.data(), c.kind), c.formatted);
    std::vector<uint8_t> again(value.size(), 0xEE);
    ASSERT_TRUE(TextToValue(c.formatted, c.kind, again.data()));
    EXPECT_EQ(again, value) << "the formatted text gives the same value";
}

INSTANTIATE_TEST_SUITE_P(
    Types, ValueTextTest,
    ::testing::Values(
        TTextCase{{dtString, 10}, "Ol\xE1 mundo", "Ol\xE1 mundo"}, TTextCase{{dtString, 10}, "", ""},
        TTextCase{{dtSmallInt}, "-32768", "-32768"}, TTextCase{{dtSmallInt}, " +7 ", "7"},
        TTextCase{{dtInteger}, "2147483647", "2147483647"}, TTextCase{{dtWord}, "65535", "65535"},
        TTextCase{{dtLargeInt}, "-9223372036854775808", "-9223372036854775808"},
        TTextCase{{dtBoolean}, "true", "TRUE"}, TTextCase{{dtBoolean}, "FALSE", "FALSE"},
        TTextCase{{dtFloat}, "0.1", "0.1"}, TTextCase{{dtFloat}, "-1.5e300", "-1.5e+300"},
        TTextCase{{dtFloat}, "-0", "-0"}, TTextCase{{dtBcd, 0, 2}, "-123.456", "-123.46"},
        TTextCase{{dtBcd, 0, 4}, "0.5", "0.5000"}, TTextCase{{dtBcd, 5, 2}, "999.99", "999.99"},
        TTextCase{{dtDate}, "2004-02-29", "2004-02-29"}, TTextCase{{dtDate}, "2000-02-29", "2000-02-29"},
        TTextCase{{dtDate}, "0001-1-1", "0001-01-01"}, TTextCase{{dtDate}, "9999-12-31", "9999-12-31"},
        TTextCase{{dtTime}, "23:59:59.999", "23:59:59.999"}, TTextCase{{dtTime}, "7:05", "07:05:00"},
        TTextCase{{dtTime}, "00:00:00.5", "00:00:00.500"},
        TTextCase{{dtTimeStamp}, "2003-12-31T23:59:59.001", "2003-12-31 23:59:59.001"},
        TTextCase{{dtTimeStamp}, "1899-12-30", "1899-12-30 00:00:00"},
        TTextCase{{dtBytes, 4}, "ab", std::string("ab\0\0", 4)}));

struct TInvalidCase {
    uint8_t type;
    std::string text;
};

class InvalidConstantTest : public ::testing::TestWithParam<TInvalidCase> {};

TEST_P(InvalidConstantTest, IsRefused) {
    EXPECT_FALSE(IsValidConstant(GetParam().text, GetParam().type))
        << int(GetParam().type) << " '" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Types, InvalidConstantTest,
    ::testing::Values(TInvalidCase{dtSmallInt, "32768"}, TInvalidCase{dtSmallInt, "1.0"},
                      TInvalidCase{dtInteger, "12a"}, TInvalidCase{dtInteger, "2147483648"},
                      TInvalidCase{dtWord, "-1"}, TInvalidCase{dtLargeInt, "--1"},
                      TInvalidCase{dtLargeInt, "9223372036854775808"}, TInvalidCase{dtBoolean, "1"},
                      TInvalidCase{dtBoolean, "yes"}, TInvalidCase{dtFloat, "1,5"},
                      TInvalidCase{dtFloat, "inf"}, TInvalidCase{dtFloat, "nan"},
                      TInvalidCase{dtFloat, "1e400"}, TInvalidCase{dtBcd, "1.2.3"},
                      TInvalidCase{dtBcd, "1e5"}, TInvalidCase{dtBcd, std::string(65, '9')},
                      TInvalidCase{dtDate, "2003-02-29"}, TInvalidCase{dtDate, "1900-02-29"},
                      TInvalidCase{dtDate, "2100-02-29"}, TInvalidCase{dtDate, "2004-13-01"},
                      TInvalidCase{dtDate, "0000-01-01"}, TInvalidCase{dtDate, "29/02/2004"},
                      TInvalidCase{dtTime, "24:00"}, TInvalidCase{dtTime, "12:60"},
                      TInvalidCase{dtTime, "12:00:00.1234"}, TInvalidCase{dtTimeStamp, "2004-02-29 25:00"},
                      TInvalidCase{dtTimeStamp, "2004-02-29x"}, TInvalidCase{dtValue4, "1"}));

TEST(ValuesTest, EmptyTextIsAValidConstantOfEveryType) {
    for (uint8_t type :
         {dtString, dtDate, dtBoolean, dtInteger, dtFloat, dtBcd, dtTime, dtTimeStamp, dtValue4})
        EXPECT_TRUE(IsValidConstant("", type)) << int(type);
}

TEST(DateTimeValuesTest, DayNumbersCountFromTheFirstOfJanuaryOfYearOne) {
    EXPECT_EQ(EncodeDate(1, 1, 1), 1);
    EXPECT_EQ(EncodeDate(9999, 12, 31), MaxDayNumber);
    EXPECT_EQ(EncodeDate(1899, 12, 30), 693594) << "the zero day of the header's write time";
    EXPECT_EQ(EncodeDate(1970, 1, 1), 719163);
    std::mt19937 random(3);
    for (int i = 0; i < 20000; ++i) {
        auto day = int32_t(1 + random() % MaxDayNumber);
        int y, m, d;
        DecodeDate(day, y, m, d);
        ASSERT_TRUE(IsValidDate(y, m, d)) << day;
        ASSERT_EQ(EncodeDate(y, m, d), day);
    }
}

struct TConvertCase {
    TValueKind from;
    std::string value; // as constant text of `from`
    TValueKind to;
    std::string expected; // as constant text of `to`; empty: the conversion is refused
};

std::ostream& operator<<(std::ostream& os, const TConvertCase& c) {
    return os << int(c.from.DataType) << " '" << c.value << "' -> " << int(c.to.DataType);
}

class ConvertValueTest : public ::testing::TestWithParam<TConvertCase> {};

TEST_P(ConvertValueTest, ConvertsOrRefusesLeavingTheBufferUnchanged) {
    const TConvertCase& c = GetParam();
    std::vector<uint8_t> buffer(64, 0);
    ASSERT_TRUE(TextToValue(c.value, c.from, buffer.data()));
    std::vector<uint8_t> before = buffer;
    bool converted = ConvertValue(c.from, c.to, buffer.data(), buffer.size());
    EXPECT_EQ(converted, !c.expected.empty());
    if (converted)
        EXPECT_EQ(ValueToText(buffer.data(), c.to), c.expected);
    else
        EXPECT_EQ(buffer, before);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, ConvertValueTest,
    ::testing::Values(
        // numeric widening and narrowing with range checks
        TConvertCase{{dtSmallInt}, "-7", {dtLargeInt}, "-7"},
        TConvertCase{{dtInteger}, "70000", {dtSmallInt}, ""}, TConvertCase{{dtInteger}, "-1", {dtWord}, ""},
        TConvertCase{{dtWord}, "65535", {dtInteger}, "65535"},
        TConvertCase{{dtLargeInt}, "2147483647", {dtInteger}, "2147483647"},
        TConvertCase{{dtLargeInt}, "2147483648", {dtInteger}, ""},
        TConvertCase{{dtFloat}, "2.7", {dtInteger}, "2"}, TConvertCase{{dtFloat}, "-2.7", {dtSmallInt}, "-2"},
        TConvertCase{{dtFloat}, "1e19", {dtLargeInt}, ""}, TConvertCase{{dtInteger}, "3", {dtFloat}, "3"},
        TConvertCase{{dtBcd, 0, 2}, "-12.99", {dtInteger}, "-12"},
        TConvertCase{{dtFloat}, "1.005", {dtBcd, 0, 1}, "1.0"},
        TConvertCase{{dtFloat}, "2.25", {dtBcd, 0, 1}, "2.3"},
        TConvertCase{{dtInteger}, "123456", {dtBcd, 5, 0}, ""},
        TConvertCase{{dtBcd, 0, 4}, "0.1250", {dtFloat}, "0.125"},
        TConvertCase{{dtBcd, 0, 3}, "-1.255", {dtBcd, 0, 2}, "-1.26"},
        // boolean and integer
        TConvertCase{{dtInteger}, "5", {dtBoolean}, "TRUE"},
        TConvertCase{{dtInteger}, "0", {dtBoolean}, "FALSE"},
        TConvertCase{{dtBoolean}, "TRUE", {dtSmallInt}, "1"},
        TConvertCase{{dtBoolean}, "TRUE", {dtFloat}, ""},
        // to and from strings
        TConvertCase{{dtInteger}, "-42", {dtString, 3}, "-42"},
        TConvertCase{{dtInteger}, "-420", {dtString, 3}, ""},
        TConvertCase{{dtString, 10}, " 42 ", {dtInteger}, "42"},
        TConvertCase{{dtString, 10}, "4x2", {dtInteger}, ""},
        TConvertCase{{dtString, 20}, "2004-02-29", {dtDate}, "2004-02-29"},
        TConvertCase{{dtString, 20}, "2003-02-29", {dtDate}, ""},
        TConvertCase{{dtString, 30}, "2004-02-29 10:30", {dtTimeStamp}, "2004-02-29 10:30:00"},
        TConvertCase{{dtString, 10}, "10:30:15", {dtTime}, "10:30:15"},
        TConvertCase{{dtTimeStamp}, "2004-02-29 10:30:00", {dtString, 19}, "2004-02-29 10:30:00"},
        TConvertCase{{dtString, 5}, "true", {dtBoolean}, "TRUE"},
        TConvertCase{{dtBcd, 0, 2}, "-1.50", {dtString, 8}, "-1.50"},
        TConvertCase{{dtString, 4}, "abcd", {dtBytes, 4}, "abcd"},
        TConvertCase{{dtString, 5}, "abcde", {dtBytes, 4}, ""},
        // dates, times and timestamps
        TConvertCase{{dtDate}, "2004-02-29", {dtTimeStamp}, "2004-02-29 00:00:00"},
        TConvertCase{{dtTimeStamp}, "2004-02-29 23:59:59.999", {dtDate}, "2004-02-29"},
        TConvertCase{{dtTimeStamp}, "2004-02-29 23:59:59.999", {dtTime}, "23:59:59.999"},
        TConvertCase{{dtTime}, "10:00", {dtDate}, ""},
        TConvertCase{{dtDate}, "2004-02-29", {dtInteger}, ""}));

TEST(ConvertValueTest, RefusesABufferTooSmallForEitherForm) {
    uint8_t buffer[8] = {};
    EXPECT_FALSE(ConvertValue({dtInteger}, {dtString, 20}, buffer, sizeof buffer));
    EXPECT_FALSE(ConvertValue({dtBcd}, {dtInteger}, buffer, sizeof buffer));
}

TEST(ValuesTest, MalformedValuesFormatAsEmptyText) {
    uint8_t bcd[BcdValueSize] = {3, 0, 0xAB};
    EXPECT_EQ(ValueToText(bcd, {dtBcd}), "");
    int32_t badTime = 86400000, badDate = 0;
    EXPECT_EQ(ValueToText(reinterpret_cast<uint8_t*>(&badTime), {dtTime}), "");
    EXPECT_EQ(ValueToText(reinterpret_cast<uint8_t*>(&badDate), {dtDate}), "");
}

TEST(BcdTest, CurrencyRoundTripsAtScaleFourAndRoundsBelowIt) {
    std::mt19937_64 random(9);
    uint8_t bcd[BcdValueSize];
    for (int i = 0; i < 20000; ++i) {
        auto currency = int64_t(random());
        ASSERT_TRUE(CurrencyToBcdValue(currency, 4, bcd));
        int64_t back = 0;
        ASSERT_TRUE(BcdToCurrencyValue(bcd, back));
        ASSERT_EQ(back, currency);
    }
    ASSERT_TRUE(CurrencyToBcdValue(12345, 2, bcd)); // 1.2345
    EXPECT_EQ(FormatDecimal(*DecodeBcd(bcd)), "1.23");
    ASSERT_TRUE(CurrencyToBcdValue(-12350, 2, bcd));
    EXPECT_EQ(FormatDecimal(*DecodeBcd(bcd)), "-1.24");
    ASSERT_TRUE(CurrencyToBcdValue(INT64_MIN, 0, bcd));
    EXPECT_EQ(FormatDecimal(*DecodeBcd(bcd)), "-922337203685478");
}

TEST(BcdTest, ImageLayoutIsPrecisionSignScaleAndNibbles) {
    uint8_t bcd[BcdValueSize];
    ASSERT_TRUE(EncodeBcd(*ParseDecimal("-12.345"), bcd));
    EXPECT_EQ(bcd[0], 5);
    EXPECT_EQ(bcd[1], 0x80 | 3);
    EXPECT_EQ(bcd[2], 0x12);
    EXPECT_EQ(bcd[3], 0x34);
    EXPECT_EQ(bcd[4], 0x50);
    int64_t currency;
    ASSERT_TRUE(BcdToCurrencyValue(bcd, currency));
    EXPECT_EQ(currency, -123450);
    bcd[1] = 6; // scale above the precision
    EXPECT_FALSE(DecodeBcd(bcd).has_value());
}

} // namespace
} // namespace vorsam::test
