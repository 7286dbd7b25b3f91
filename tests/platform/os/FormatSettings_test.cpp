#include "platform/os/FormatSettings.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

namespace {

struct TNumberCase {
    double Value;
    int Decimals;
    bool Thousands;
    const char* Brazilian;
    const char* Neutral;
};

class FixedNumbers : public testing::TestWithParam<TNumberCase> {};

TEST_P(FixedNumbers, FollowTheProfilesSeparatorsAndReadBack) {
    const TNumberCase c = GetParam();
    const TFormatSettings br = TFormatSettings::BrazilianPortuguese(), neutral = TFormatSettings::Neutral();
    EXPECT_EQ(FormatFixed(c.Value, c.Decimals, c.Thousands, br), c.Brazilian);
    EXPECT_EQ(FormatFixed(c.Value, c.Decimals, c.Thousands, neutral), c.Neutral);
    double back = 0;
    ASSERT_TRUE(ParseNumber(c.Brazilian, back, br));
    EXPECT_NEAR(back, c.Value, 0.5 * std::pow(10.0, -c.Decimals));
}

INSTANTIATE_TEST_SUITE_P(Profiles, FixedNumbers,
                         testing::Values(TNumberCase{3.14159, 2, false, "3,14", "3.14"},
                                         TNumberCase{1234.5, 2, true, "1.234,50", "1,234.50"},
                                         TNumberCase{-1234567, 0, true, "-1.234.567", "-1,234,567"},
                                         TNumberCase{-0.001, 2, false, "0,00", "0.00"},
                                         TNumberCase{999.999, 2, true, "1.000,00", "1,000.00"}));

TEST(FormatSettingsNumbers, MalformedNumbersAreRefused) {
    const TFormatSettings br = TFormatSettings::BrazilianPortuguese();
    double value = 7;
    for (const char* bad : {"", "-", "1,2,3", "1.23,4", "12a", ".123", "1..000", "1,", "1.2345"})
        EXPECT_FALSE(ParseNumber(bad, value, br)) << bad;
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(ParseNumber(" -1.234,5 ", value, br));
    EXPECT_EQ(value, -1234.5);
}

TEST(FormatSettingsDates, ShortDatesFollowTheProfileOrder) {
    TDateParts d;
    ASSERT_TRUE(ParseShortDate("05/03/2024", d, TFormatSettings::BrazilianPortuguese()));
    EXPECT_EQ((std::tuple(d.Day, d.Month, d.Year)), std::tuple(5, 3, 2024));
    ASSERT_TRUE(ParseShortDate("05/03/2024", d, TFormatSettings::Neutral()));
    EXPECT_EQ((std::tuple(d.Day, d.Month)), std::tuple(3, 5));
    for (const char* bad : {"", "1/2", "31/02/2024", "29/02/2023", "1/2/3/4", "a/b/c", "01/01/10000"})
        EXPECT_FALSE(ParseShortDate(bad, d)) << bad;
    ASSERT_TRUE(ParseShortDate("29/02/00", d));
    EXPECT_EQ(d.Year, 2000);
    ASSERT_TRUE(ParseShortDate("1/2/49", d));
    EXPECT_EQ(d.Year, 2049);
    ASSERT_TRUE(ParseShortDate("1/2/50", d));
    EXPECT_EQ(d.Year, 1950);
    EXPECT_EQ(ShortDateText({2024, 3, 5}), "05/03/2024");
    EXPECT_EQ(LongTimeText({7, 5, 9, 0}), "07:05:09");
    EXPECT_EQ(FormatDateTimeParts("d 'de' m, yy hh'h'", {2024, 3, 5}, {9, 0, 0, 0}), "5 de 3, 24 09h");
}

TEST(FormatSettingsDates, PatternsUseTheClassLanguageAndTheProfilesSeparators) {
    TFormatSettings dashes = TFormatSettings::BrazilianPortuguese();
    dashes.DateSeparator = '-';
    dashes.TimeSeparator = '.';
    const TDateParts date{2024, 3, 5};
    const TTimeParts time{7, 8, 9, 45};
    // 'm' is the month and 'n' the minute; letters count in either case; quotes keep text as it is.
    EXPECT_EQ(FormatDateTimeParts("DD/MM/YYYY HH:NN:SS.ZZZ", date, time, dashes), "05-03-2024 07.08.09.045");
    EXPECT_EQ(FormatDateTimeParts("d/m/yyy h:n \"m/n\" 'h:s'", date, time, dashes), "5-3-2024 7.8 m/n h:s");
    EXPECT_EQ(FormatDateTimeParts("z 'open", date, time, dashes), "45 open");
    EXPECT_EQ(ShortDateText(date, TFormatSettings::Neutral()), "03/05/2024");
    TDateParts read;
    ASSERT_TRUE(ParseShortDate("5-3-2024", read, dashes));
    EXPECT_EQ((std::tuple(read.Day, read.Month)), std::tuple(5, 3));
    EXPECT_FALSE(ParseShortDate("5/3/2024", read, dashes));
}

TEST(FormatSettingsTimes, TimesAreCheckedForRange) {
    TTimeParts t;
    EXPECT_TRUE(ParseTime("07:30", t));
    EXPECT_EQ((std::tuple(t.Hour, t.Minute, t.Second)), std::tuple(7, 30, 0));
    for (const char* bad : {"24:00", "10", "10:60", "1:2:3:4", "-1:00", "07: 3"})
        EXPECT_FALSE(ParseTime(bad, t)) << bad;
}

TEST(FormatSettingsProfile, APinnedProfileLastsForItsScope) {
    EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
    {
        TFormatSettingsScope neutral(TFormatSettings::Neutral());
        EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
        EXPECT_EQ(FormatFixed(2.5, 1, false), "2.5");
    }
    EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
}

} // namespace
