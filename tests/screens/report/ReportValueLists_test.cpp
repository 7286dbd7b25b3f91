// Report sections 8 to 11 and 16: labelled values.

#include "ReportFixture.h"

#include "core/ValueConversions.h"

using testing::ElementsAre;

namespace {

constexpr int ListTop = HeaderEnd + 12 * L; // the first line of a value list

class ReportValueListsTest : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        UseDefaultProgramming(11);
    }
    // The value printed on the line `line` l below the first.
    std::string Value(int section, int line) {
        Print({section});
        const auto row = RowTexts(ListTop + line * L);
        EXPECT_EQ(row.size(), 2u) << "a label and its value";
        return row.size() == 2 ? row[1] : std::string();
    }
};

TEST_F(ReportValueListsTest, TimersInTheirOrder) {
    const std::uint8_t timers[] = {2, 3, 9, 4, 5, 1, 6}; // 290..296
    std::ranges::copy(timers, &Byte(Offset::Timers));
    Print({8});
    EXPECT_EQ(ColumnTexts(C * 70, 0), (std::vector<std::string>{"2", "4", "5", "6", "3", "9", "1"}));
    EXPECT_THAT(RowTexts(ListTop), ElementsAre("Tempo de geração de flash (x 100 ms)", "2"));
}

struct TCodeCase {
    std::size_t offset;
    std::uint8_t code;
    int section, line;
    const char* expected;
};

class ReportPositionValues : public ReportValueListsTest, public testing::WithParamInterface<TCodeCase> {};

TEST_P(ReportPositionValues, CodesOfEmergencyDoorPhonesAndFax) {
    Byte(GetParam().offset) = GetParam().code;
    EXPECT_EQ(Value(GetParam().section, GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Codes, ReportPositionValues,
                         testing::Values(TCodeCase{Offset::Emergency1Target, 3, 9, 0, "23"},
                                         TCodeCase{Offset::Emergency1Target, 0x76, 9, 0, "----"},
                                         TCodeCase{Offset::Emergency2Target, 0x77, 9, 12, "----"},
                                         TCodeCase{Offset::EmergencyExtension, 14, 9, 24, "34"},
                                         TCodeCase{Offset::EmergencyExtensionTarget, 0xBF, 9, 28, "----"},
                                         TCodeCase{Offset::DoorPhoneAttendant, 0x72, 10, 0, "62"},
                                         TCodeCase{Offset::DoorPhoneAttendant, 0x79, 10, 0, "----"},
                                         TCodeCase{Offset::DoorPhoneAttendant + 1, 0x79, 10, 20, "69"},
                                         TCodeCase{Offset::DoorPhoneAttendant + 1, 0x70, 10, 20, "60"},
                                         TCodeCase{Offset::DoorPhoneCommandTime, 100, 10, 4, "2"},
                                         TCodeCase{Offset::FaxAttendant, 1, 10, 40, "21"}));

TEST_F(ReportValueListsTest, ExternalNumbers) {
    ProgrammingImage.SetPacked(Offset::Emergency2Number, PackPhoneNumber("190"));
    ProgrammingImage.SetPacked(Offset::DoorPhone2Number, PackPhoneNumber("0483 2221234"));
    EXPECT_EQ(Value(9, 16), "190");
    EXPECT_EQ(Value(10, 32), "04832221234");
}

TEST_F(ReportValueListsTest, OptionBits) {
    Byte(Offset::OptionBits1) = 0x04; // alarm blocking, serial printer
    Byte(Offset::OptionBits2) = 0x09; // internal calls without queue, TI capture
    Print({11});
    EXPECT_EQ(ColumnTexts(C * 74, 0),
              (std::vector<std::string>{"Não", "Não", "Não", "Não", "Sim", "Não", "Não", "Não", "Não", "Sim",
                                        "Sim", "Não", "Serial"}));
    Byte(Offset::OptionBits1) = 0x80;
    EXPECT_EQ(Value(11, 48), "Paralela");
}

TEST_F(ReportValueListsTest, Centralizer) {
    Byte(Offset::CentralizerHour) = NoCallTime;
    Byte(Offset::CentralizerMinute) = NoCallTime;
    EXPECT_EQ(Value(16, 4), "--");
    EXPECT_EQ(Value(16, 8), "__:__");
    Byte(Offset::CentralizerId) = 0x47;
    Byte(Offset::CentralizerHour) = 23;
    Byte(Offset::CentralizerMinute) = NoCallTime;
    EXPECT_EQ(Value(16, 4), "47");
    EXPECT_EQ(Value(16, 8), "__:__");
    Byte(Offset::CentralizerMinute) = 5;
    EXPECT_EQ(Value(16, 8), "23:05");
}

// The call time of models 3, 4 and 5 is stored in packed BCD, on the others in plain numbers.
TEST_F(ReportValueListsTest, CentralizerTimeOfEveryModel) {
    for (const std::uint8_t model : KnownModelCodes) {
        UseDefaultProgramming(model);
        const bool bcd = model == 3 || model == 4 || model == 5;
        Byte(Offset::CentralizerHour) = bcd ? 0x12 : 12;
        Byte(Offset::CentralizerMinute) = bcd ? 0x30 : 30;
        EXPECT_EQ(Value(16, 8), "12:30") << "model " << int(model);
    }
}

} // namespace
