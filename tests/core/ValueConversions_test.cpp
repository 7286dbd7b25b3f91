// Conversions between programming values and texts.

#include "ProgrammingFixture.h"
#include "core/ModelTables.h"
#include "core/ValueConversions.h"

#include <stdexcept>

namespace {

PackedNumber Bytes(std::initializer_list<int> leading) {
    PackedNumber number{};
    std::size_t i = 0;
    for (const int byte : leading) number[i++] = static_cast<std::uint8_t>(byte);
    return number;
}

TEST(PhoneNumbers, PackDropsNonDigitsAndStoresZeroAsTen) {
    EXPECT_EQ(PackPhoneNumber("0483-222 1234"), Bytes({0x00, 0x0B, 0xA4, 0x83, 0x22, 0x21, 0x23, 0x40}));
    EXPECT_EQ(PackPhoneNumber(""), PackedNumber{});
    EXPECT_EQ(PackPhoneNumber("(0)"), Bytes({0x00, 0x01, 0xA0}));
}

TEST(PhoneNumbers, PackKeepsTheFirstTwentyDigits) {
    const PackedNumber packed = PackPhoneNumber("1234567890123456789012345");
    EXPECT_EQ(packed[1], 20);
    EXPECT_EQ(UnpackPhoneNumber(packed), "12345678901234567890");
    EXPECT_EQ(packed[12], 0);
}

TEST(PhoneNumbers, UnpackInvertsPackForEveryLength) {
    const std::string digits = "90817263540918273645";
    for (std::size_t length = 0; length <= digits.size(); ++length)
        EXPECT_EQ(UnpackPhoneNumber(PackPhoneNumber(digits.substr(0, length))), digits.substr(0, length))
            << length;
}

TEST(PhoneNumbers, UnpackReadsOnlyTheCountedDigitsAndSkipsEmptyNibbles) {
    PackedNumber number = Bytes({0x80, 0x03, 0x12, 0x0A, 0xB4});
    EXPECT_EQ(UnpackPhoneNumber(number), "120"); // flags ignored, nibble 0 and 11 skipped
    number[1] = 0xE2;                            // route bits above the count
    EXPECT_EQ(UnpackPhoneNumber(number), "12");
}

struct TTimeTextCase {
    std::uint8_t model;
    const char* text;
    bool valid;
    TTimePair stored;
};

class TimeTexts : public ProgrammingFixture, public testing::WithParamInterface<TTimeTextCase> {};

TEST_P(TimeTexts, ConvertToTheModelsEncodingOrRefuse) {
    ModelCode = GetParam().model;
    TTimePair time{1, 1};
    EXPECT_EQ(ConverteHorario(GetParam().text, time), GetParam().valid);
    if (GetParam().valid) {
        EXPECT_EQ(time, GetParam().stored);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TimeTexts,
    testing::Values(TTimeTextCase{4, "12:30", true, {0x12, 0x30}},
                    TTimeTextCase{3, "07:05", true, {0x07, 0x05}},
                    TTimeTextCase{5, "23:59", true, {0x23, 0x59}}, TTimeTextCase{8, "12:30", true, {12, 30}},
                    TTimeTextCase{10, "08:30", true, {8, 30}}, TTimeTextCase{10, "__:__", true, {0x60, 0x60}},
                    TTimeTextCase{4, " : ", true, {0x60, 0x60}}, TTimeTextCase{10, "", false, {}},
                    TTimeTextCase{10, "24:00", false, {}}, TTimeTextCase{10, "07:60", false, {}},
                    TTimeTextCase{10, "8:30", false, {}}, TTimeTextCase{10, "0a:30", false, {}}));

TEST(TimeTexts, EveryTimeWrittenReadsBackAsTypedOnEveryModel) {
    for (const std::uint8_t model : KnownModelCodes) {
        ModelCode = model;
        TTimePair time;
        ASSERT_TRUE(ConverteHorario("19:47", time));
        EXPECT_EQ(FormatClockTime(time.hour, time.minute), "19:47") << int(model);
    }
    ModelCode = ModelNone;
    EXPECT_EQ(FormatClockTime(12, 30), "12:30"); // no model: plain numbers
}

TEST(TimeTexts, TheNightServiceFormTakesTheEmptyTextAsNoTime) {
    TTimePair time;
    EXPECT_TRUE(ConverteHorarioNoturno("", time));
    EXPECT_EQ(time, (TTimePair{0x60, 0x60}));
    EXPECT_EQ(ParseClockText("07:05"), (TTimePair{7, 5}));
    EXPECT_EQ(FormatTimeBin(7, 5), "07:05");
}

TEST(Bcd, RoundTripsEveryValue) {
    for (int value = 0; value <= 99; ++value) {
        const std::uint8_t bcd = ByteToBcd(static_cast<std::uint8_t>(value));
        EXPECT_EQ(bcd, ((value / 10) << 4) | (value % 10));
        EXPECT_EQ(BcdToByte(bcd), value);
    }
    EXPECT_THROW(ByteToBcd(100), std::out_of_range);
}

TEST(TextHelpers, PadRemoveAndFormat) {
    EXPECT_EQ(IntToStrZeroPad(7, 2), "07");
    EXPECT_EQ(IntToStrZeroPad(123, 2), "123");
    EXPECT_EQ(IntToStrZeroPad(-5, 3), "-05");
    EXPECT_EQ(IntToStrZeroPad(0, 0), "0");
    EXPECT_EQ(RemoveSpaces(" 2 0 1 "), "201");
    EXPECT_EQ(RemoveSpaces("a\tb"), "a\tb");
    EXPECT_EQ(FormatClockTimeBin(5, 12), "05/12");
}

TEST(DateAndTime, PackWritesThreeBytesAndRefusesImpossibleValues) {
    std::uint8_t bytes[3] = {};
    PackDate(bytes, 29, 2, 2024);
    EXPECT_EQ(bytes[0], 29);
    EXPECT_EQ(bytes[1], 2);
    EXPECT_EQ(bytes[2], 24);
    PackTime(bytes, 23, 59, 58);
    EXPECT_EQ(bytes[2], 58);
    EXPECT_THROW(PackDate(bytes, 29, 2, 2023), std::invalid_argument);
    EXPECT_THROW(PackDate(bytes, 31, 4, 2024), std::invalid_argument);
    EXPECT_THROW(PackDate(bytes, 1, 13, 2024), std::invalid_argument);
    EXPECT_THROW(PackTime(bytes, 24, 0, 0), std::invalid_argument);
    EXPECT_THROW(PackTime(bytes, 0, -1, 0), std::invalid_argument);
    std::uint8_t short_[2] = {};
    EXPECT_THROW(PackTime(short_, 1, 1, 1), std::invalid_argument);
}

} // namespace
