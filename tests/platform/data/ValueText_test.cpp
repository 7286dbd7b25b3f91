// Values and their texts: dates against the calendar of the standard library, time stamps, number
// and currency texts, packed decimals and variants.

#include "platform/data/Currency.h"
#include "platform/data/DateTime.h"
#include "platform/data/Errors.h"
#include "platform/data/NumberText.h"
#include "platform/data/Variant.h"
#include "platform/os/FormatSettings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

namespace platform::data {
namespace {

using namespace std::chrono;

TEST(Dates, EncodeAndDecodeAgreeWithTheCalendarOverTheWholeRange) {
    std::mt19937 random(7);
    const sys_days origin = year{1899} / December / 30;
    for (int i = 0; i < 20000; ++i) {
        const int y = std::uniform_int_distribution<int>(1, 9999)(random);
        const unsigned m = std::uniform_int_distribution<unsigned>(1, 12)(random);
        const unsigned d = std::uniform_int_distribution<unsigned>(1, 31)(random);
        const year_month_day date{year{y}, month{m}, day{d}};
        TDateTime value = 0;
        ASSERT_EQ(TryEncodeDate(y, static_cast<int>(m), static_cast<int>(d), value), date.ok())
            << y << '-' << m << '-' << d;
        if (!date.ok()) continue;
        ASSERT_EQ(value, static_cast<double>((sys_days{date} - origin).count()));
        int yy = 0, mm = 0, dd = 0;
        DecodeDate(value < 0 ? value - 0.75 : value + 0.75, yy, mm, dd); // 18:00 of that day
        ASSERT_EQ(std::tie(yy, mm, dd), std::make_tuple(y, static_cast<int>(m), static_cast<int>(d)));
        const TDateTime parsed = TryStrToDate(DateToStr(value)).value_or(-1e9);
        ASSERT_EQ(parsed, value) << DateToStr(value);
    }
}

TEST(Dates, BeforeTheOriginTheFractionIsStillTheTimeOfDay) {
    int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, ms = 0;
    DecodeDate(-1.25, y, m, d);
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(std::make_tuple(y, m, d, h), std::make_tuple(1899, 12, 29, 6));
    EXPECT_EQ(TimeStampToDateTime(DateTimeToTimeStamp(-1.25)), -1.25);
    EXPECT_EQ(DateTimeToTimeStamp(-1.25), (TTimeStamp{21600000, DateDelta - 1}));
}

TEST(Dates, TimeStampsRoundToMillisecondsAndCarryIntoTheNextDay) {
    EXPECT_EQ(DateTimeToTimeStamp(1.0 - 0.4 / MSecsPerDay), (TTimeStamp{0, DateDelta + 1}));
    EXPECT_EQ(DateTimeToTimeStamp(1.0 - 0.6 / MSecsPerDay), (TTimeStamp{MSecsPerDay - 1, DateDelta}));
    EXPECT_EQ(DateTimeToTimeStamp(2.0 - 0.2 / MSecsPerDay), (TTimeStamp{0, DateDelta + 2}));
    const TTimeStamp stamp{37230400, 739023};
    EXPECT_EQ(MSecsToTimeStamp(TimeStampToMSecs(stamp)), stamp);
}

TEST(Dates, TextsFollowTheFormatSettings) {
    const TDateTime value = EncodeDate(2024, 7, 4) + EncodeTime(9, 5, 3, 7);
    EXPECT_EQ(DateTimeToStr(value), "04/07/2024 09:05:03");
    EXPECT_EQ(FormatDateTime("d/m/yy h:n:s.zzz", value), "4/7/24 9:5:3.007");
    {
        TFormatSettings iso = TFormatSettings::BrazilianPortuguese();
        iso.ShortDateFormat = "yyyy-mm-dd";
        iso.DateSeparator = '-';
        TFormatSettingsScope scope(iso);
        EXPECT_EQ(DateToStr(value), "2024-07-04");
        EXPECT_EQ(TryStrToDate("2024-07-04"), EncodeDate(2024, 7, 4));
    }
    EXPECT_FALSE(TryStrToDate("29/02/2023").has_value());
    EXPECT_FALSE(TryStrToTime("10:60").has_value());
    EXPECT_EQ(TryStrToDateTime("12:30"), EncodeTime(12, 30, 0, 0));
}

TEST(Numbers, FloatTextsUseTheDecimalSeparatorBothWays) {
    const std::vector<std::pair<double, const char*>> cases = {{0, "0"},
                                                               {1.5, "1,5"},
                                                               {-2.25, "-2,25"},
                                                               {1e20, "1E20"},
                                                               {1.5e-7, "1,5E-7"},
                                                               {0.0001, "0,0001"},
                                                               {123456789012345.0, "123456789012345"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(FloatToStr(value), text);
        EXPECT_EQ(TryStrToFloat(text), value) << text;
    }
    EXPECT_EQ(FloatToStr(1.0 / 3), "0,333333333333333");
    EXPECT_FALSE(TryStrToFloat("1.5").has_value());
    EXPECT_FALSE(TryStrToFloat("nan").has_value());
    EXPECT_FALSE(TryStrToFloat("1,5x").has_value());
    EXPECT_EQ(TryStrToFloat(" +2,5 "), 2.5);
    EXPECT_EQ(FloatToStrCurrency(-1234567.891), "-R$ 1.234.567,89");
    EXPECT_EQ(FloatToStrCurrency(-0.001), "R$ 0,00");
    EXPECT_EQ(FloatToStrFixed(-0.001, 2), "0,00");
    EXPECT_EQ(TryStrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_FALSE(TryStrToInt64("9223372036854775808").has_value());
}

TEST(Currencies, TextsAndRoundingAreExact) {
    EXPECT_EQ(CurrToStr(Currency::FromScaled(125000)), "12,5");
    EXPECT_EQ(CurrToStr(Currency::FromScaled(-1)), "-0,0001");
    EXPECT_EQ(CurrToStr(Currency::FromScaled(INT64_MIN)), "-922337203685477,5808");
    EXPECT_EQ(TryStrToCurr("-12,5"), Currency::FromScaled(-125000));
    EXPECT_FALSE(TryStrToCurr("1,23456").has_value());
    EXPECT_EQ(Currency::FromDouble(2.00005).Scaled(), 20001);
    EXPECT_EQ(Currency::FromScaled(-25000).Round(), -3);
    EXPECT_THROW(Currency::FromDouble(1e16), EConvertError);
}

TEST(Bcd, RoundTripsEveryCurrencyAndLaysOutItsDigits) {
    std::mt19937_64 random(11);
    for (int i = 0; i < 20000; ++i) {
        const auto value = Currency::FromScaled(static_cast<std::int64_t>(random()));
        ASSERT_EQ(BCDToCurr(CurrToBCD(value)), value) << CurrToStr(value);
    }
    const TBcd bcd = CurrToBCD(Currency::FromScaled(-125000), 6, 2); // -12,50 as 0012 50
    EXPECT_EQ(bcd.Precision, 6);
    EXPECT_EQ(bcd.SignSpecialPlaces, 0x80 | 2);
    EXPECT_EQ(bcd.Fraction[0], 0x00);
    EXPECT_EQ(bcd.Fraction[1], 0x12);
    EXPECT_EQ(bcd.Fraction[2], 0x50);
    EXPECT_EQ(CurrToBCD(Currency::FromScaled(12350), 4, 2).Fraction[1], 0x24) << "1,235 rounds to 1,24";
    EXPECT_THROW(CurrToBCD(Currency::FromScaled(1000000), 4, 2), EConvertError) << "100,00 needs 5 digits";
    TBcd wide{};
    wide.Precision = 40;
    wide.SignSpecialPlaces = 20; // 20 integer digits: too large for a Currency
    wide.Fraction[0] = 0x10;
    EXPECT_THROW(BCDToCurr(wide), EConvertError);
    TBcd fine{};
    fine.Precision = 8;
    fine.SignSpecialPlaces = 6; // 0,123456 rounds to 0,1235
    fine.Fraction[1] = 0x12;
    fine.Fraction[2] = 0x34;
    fine.Fraction[3] = 0x56;
    EXPECT_EQ(BCDToCurr(fine), Currency::FromScaled(1235));
}

TEST(Variants, ConvertLikeTheirTextsAndRefuseWhatDoesNotFit) {
    EXPECT_EQ(Variant(12).ToString(), "12");
    EXPECT_EQ(Variant(true).ToString(), "True");
    EXPECT_EQ(Variant(0.5).ToString(), "0,5");
    EXPECT_EQ(Variant::FromDateTime(EncodeDate(2020, 1, 2)).ToString(), "02/01/2020");
    EXPECT_EQ(Variant().ToString(), "");
    EXPECT_EQ(Variant("42").ToInt64(), 42);
    EXPECT_EQ(Variant(2.5).ToInt64(), 3);
    EXPECT_EQ(Variant("2,5").ToDouble(), 2.5);
    EXPECT_TRUE(Variant("true").ToBoolean());
    EXPECT_FALSE(Variant("0").ToBoolean());
    EXPECT_EQ(Variant("1,5").ToCurrency(), Currency::FromScaled(15000));
    EXPECT_EQ(Variant("03/04/2021").ToDateTime(), EncodeDate(2021, 4, 3));
    try {
        Variant().ToInt64();
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Could not convert variant of type (Null) into type (Int64)");
    }
    EXPECT_THROW(Variant("x").ToDouble(), EConvertError);
    EXPECT_THROW(Variant(1e300).ToInt64(), EConvertError);
    const Variant array = VarArrayOf({1, "two"});
    EXPECT_EQ(array.Elements().size(), 2u);
    EXPECT_THROW(array.ToString(), EConvertError);
    EXPECT_NE(Variant(1), Variant(1.0)) << "equality compares types too";
}

} // namespace
} // namespace platform::data
