// Report sections 13 and 14: holidays, night service and external actuation.

#include "ReportFixture.h"

using testing::Each;
using testing::ElementsAre;
using testing::Eq;

namespace {

constexpr int HolidayHeading = HeaderEnd + 8 * L + L / 2;
constexpr int NightHeading = HeaderEnd + 12 * L + L / 2;
constexpr int ActuationHeading = HeaderEnd + 8 * L + L / 2;
constexpr int LeftTime = C * 27, RightTime = TestPageWidth / 2 + C * 21; // the HORA columns

class ReportSchedulesTest : public ReportFixture {
protected:
    static void SetTime(std::size_t offset, std::uint8_t hour, std::uint8_t minute) {
        Byte(offset) = hour;
        Byte(offset + 1) = minute;
    }
};

TEST_F(ReportSchedulesTest, HolidaysWithoutADayOrMonthAreBlank) {
    UseDefaultProgramming(11);
    const std::uint8_t days[] = {25, 12, 0, 5, 7, 0, 1, 1};
    std::ranges::copy(days, &Byte(Offset::Holidays));
    Print({13});
    const auto dates = ColumnTexts(C * 49, HolidayHeading);
    ASSERT_EQ(dates.size(), 16u);
    EXPECT_THAT(std::vector(dates.begin(), dates.begin() + 5),
                ElementsAre("25/12", "__/__", "__/__", "01/01", "__/__"));
    EXPECT_EQ(ColumnTexts(C * 36, HolidayHeading).back(), "16");
    EXPECT_EQ(TableRules().size(), 18u);
}

TEST_F(ReportSchedulesTest, NightServiceEntriesLeftExitsRight) {
    UseDefaultProgramming(11);
    SetTime(Offset::NightService, 18, 30);        // exit
    SetTime(Offset::NightService + 2, 7, 45);     // entry
    SetTime(Offset::NightService + 4, NoTime, 0); // an exit hour of 0x60 is no time
    SetTime(Offset::NightService + 6, 8, 0);
    Print({14});
    EXPECT_THAT(ColumnTexts(LeftTime, NightHeading),
                ElementsAre("07:45", "08:00", "__:__", "__:__", "__:__", "__:__"));
    EXPECT_THAT(ColumnTexts(RightTime, NightHeading),
                ElementsAre("18:30", "__:__", "__:__", "__:__", "__:__", "__:__"));
    EXPECT_EQ(TableRules().size(), 2u * 8);
}

struct TActivationCase {
    std::uint8_t bits;
    std::vector<std::string> night, actuation1, actuation2;
};

class ReportActivation : public ReportFixture, public testing::WithParamInterface<TActivationCase> {};

TEST_P(ReportActivation, ModesFromTheActivationByte) {
    UseDefaultProgramming(11);
    Byte(Offset::ActivationBits) = GetParam().bits;
    Print({14});
    const int nightLast = NightHeading - L / 2 + 7 * 3 * L;
    EXPECT_EQ(ColumnTexts(C * 62, nightLast, 1), GetParam().night);
    const int actuationLast = ActuationHeading - L / 2 + 13 * 3 * L;
    EXPECT_EQ(ColumnTexts(C * 40, actuationLast, 2), GetParam().actuation1);
    EXPECT_EQ(ColumnTexts(TestPageWidth / 2 + C * 34, actuationLast, 2), GetParam().actuation2);
}

INSTANTIATE_TEST_SUITE_P(
    Bits, ReportActivation,
    testing::Values(
        TActivationCase{0x00, {"Não", "Não", "Não"}, {"Não", "Não", "Não"}, {"Não", "Não", "Não"}},
        TActivationCase{0x3C, {"Sim", "Sim", "Não"}, {"Sim", "Sim", "Não"}, {"Não", "Não", "Não"}},
        TActivationCase{0xA8, {"Sim", "Não", "Sim"}, {"Sim", "Não", "Sim"}, {"Sim", "Não", "Sim"}},
        TActivationCase{0x44, {"Não", "Não", "Não"}, {"Sim", "Não", "Não"}, {"Sim", "Não", "Não"}}));

// Models 3, 4 and 5 keep 12 night-service entries and 24 times per actuation, in packed BCD.
struct TScheduleCase {
    std::uint8_t model;
    int nightRows, actuationRows;
    std::uint8_t hour, minute; // 12:30 as the model stores it
};

class ReportScheduleModels : public ReportSchedulesTest, public testing::WithParamInterface<TScheduleCase> {};

TEST_P(ReportScheduleModels, EveryEntryOfTheModelAsItsScreenShowsIt) {
    const TScheduleCase& c = GetParam();
    UseDefaultProgramming(c.model);
    const int lastNight = c.nightRows - 1, lastActuation = c.actuationRows - 1;
    SetTime(Offset::NightService + 4 * lastNight + 2, c.hour, c.minute);
    SetTime(Offset::Actuation2 + 2 * lastActuation, c.hour, c.minute);
    Print({14});

    auto night = ColumnTexts(LeftTime, NightHeading, 1);
    night.resize(std::min<std::size_t>(night.size(), c.nightRows)); // the activation lines follow
    ASSERT_EQ(night.size(), static_cast<std::size_t>(c.nightRows));
    EXPECT_EQ(night.back(), "12:30");
    EXPECT_THAT(std::vector(night.begin(), night.end() - 1), Each(Eq("__:__")));
    EXPECT_EQ(TableRules(1).size(), 2u * (c.nightRows + 2));

    const auto actuation = ColumnTexts(RightTime, ActuationHeading, 2);
    ASSERT_EQ(actuation.size(), static_cast<std::size_t>(c.actuationRows));
    EXPECT_EQ(actuation.back(), "12:30");
    EXPECT_EQ(TableRules(2).size(), 2u * (c.actuationRows + 2));
}

INSTANTIATE_TEST_SUITE_P(Models, ReportScheduleModels,
                         testing::Values(TScheduleCase{3, 12, 24, 0x12, 0x30},
                                         TScheduleCase{4, 12, 24, 0x12, 0x30},
                                         TScheduleCase{5, 12, 24, 0x12, 0x30},
                                         TScheduleCase{8, 6, 12, 12, 30}, TScheduleCase{9, 6, 12, 12, 30},
                                         TScheduleCase{12, 6, 12, 12, 30}));

} // namespace
