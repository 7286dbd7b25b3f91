// The default programming files the build generates, and the settings that change a default
// programming.

#include "ProgrammingFixture.h"
#include "core/DefaultValues.h"
#include "core/ProgrammingFile.h"
#include "platform/os/FileIo.h"

namespace {

struct TDefaultFile {
    const char* name;
    std::uint8_t model;
};

class DefaultFiles : public ProgrammingFixture, public testing::WithParamInterface<TDefaultFile> {
protected:
    void SetUp() override {
        ProgrammingFixture::SetUp();
        LoadProgrammingFile(BuildFile(GetParam().name));
    }
};

TEST_P(DefaultFiles, CarryTheModelAndTheSignatureAndNumberThePositionsFrom20) {
    EXPECT_EQ(ModelCode, GetParam().model);
    EXPECT_EQ(ProgrammingImage[1], 9);
    EXPECT_EQ(std::string(ProgrammingBytes.begin() + 2, ProgrammingBytes.begin() + 11), "ORVALISTA");
    EXPECT_EQ(ModelInfo(GetParam().model).DefaultFile, std::string(GetParam().name));
    const int extensions = ModelInfo(GetParam().model).Extensions;
    for (int position = 0; position < extensions; ++position)
        EXPECT_EQ(ExtensionNumber(position), 20 + position);
    if (GetParam().model == 9) {
        EXPECT_EQ(ExtensionNumber(extensions), 0x00FF);
    }
    EXPECT_EQ(ProgrammingImage[Offset::NumberLength], 2);
    EXPECT_EQ(ProgrammingImage.ShortString(Offset::Names), "");
}

TEST_P(DefaultFiles, AreWhatTheTableOfDefaultsGives) {
    const TImageBytes table = BuildDefaultImage(GetParam().model);
    EXPECT_TRUE(std::ranges::equal(table, ProgrammingBytes));
}

INSTANTIATE_TEST_SUITE_P(Table, DefaultFiles,
                         testing::Values(TDefaultFile{"DEFTESSL.NPX", 9}, TDefaultFile{"DEFARCO.NPX", 11},
                                         TDefaultFile{"DEFNODO.NPX", 12}));

class EveryModelDefault : public testing::TestWithParam<std::uint8_t> {};

TEST_P(EveryModelDefault, IsAProgrammingFileWhoseTrunksNameItsOwnExtensions) {
    const std::uint8_t model = GetParam();
    const TImageBytes image = BuildDefaultImage(model);
    EXPECT_TRUE(
        IsProgrammingFileImage(std::string_view(reinterpret_cast<const char*>(image.data()), image.size())));
    const TModelInfo& info = ModelInfo(model);
    for (std::size_t trunk = 0; trunk < info.Trunks; ++trunk) {
        const std::size_t record = Offset::TrunkRecords + 8 * trunk;
        EXPECT_LT(image[record + 1], info.Extensions); // attendants name positions of the model
        EXPECT_LT(image[record + 3], info.Extensions);
        EXPECT_EQ(image[Offset::TrunkBytes + trunk] & 0x07, 0);
    }
    for (std::size_t group = 0; group < 4; ++group)
        EXPECT_EQ(image[Offset::Groups + 8 * group], EmptyGroupType);
    EXPECT_EQ(image[Offset::WakeUpCount], 0);
    EXPECT_EQ(image[Offset::NightService], NoTime);
    EXPECT_EQ(image[Offset::Actuation2 + 47], NoTime);
    EXPECT_EQ(image[Offset::CentralizerId], 0); // no centralizer: no identification, no call time
    EXPECT_EQ(image[Offset::CentralizerHour], NoCallTime);
    EXPECT_EQ(image[Offset::CentralizerMinute], NoCallTime);
    EXPECT_EQ(image[Offset::FaxAttendant], NoExtension);
    EXPECT_EQ(image[Offset::TerminalPositions + 9], NoExtension);
}

INSTANTIATE_TEST_SUITE_P(Models, EveryModelDefault, testing::ValuesIn(KnownModelCodes));

TEST(DefaultSettings, TheConfigurableValuesReachTheImage) {
    const TImageBytes standard = BuildDefaultImage(11);
    const TImageBytes changed = BuildDefaultImage(11, TDefaultSettings{3, 2, false});
    EXPECT_EQ(standard[Offset::FlashTime], 2);
    EXPECT_EQ(changed[Offset::FlashTime], 3);
    EXPECT_EQ(standard[Offset::DoorPhoneCommandTime + 1], 50);
    EXPECT_EQ(changed[Offset::DoorPhoneCommandTime + 1], 100);
    EXPECT_EQ(standard[Offset::TrunkRecords] & 0x08, 0x08);
    EXPECT_EQ(changed[Offset::TrunkRecords] & 0x08, 0);
    EXPECT_THROW(BuildDefaultImage(ModelNone), std::invalid_argument);
}

TEST(DefaultSettings, ModelRulesOfTheScreensApply) {
    EXPECT_EQ(BuildDefaultImage(9)[Offset::OptionBits2] & 0x02, 0x02); // music on hold always on model 9
    EXPECT_EQ(BuildDefaultImage(10)[Offset::OptionBits2] & 0x02, 0);
    EXPECT_EQ(BuildDefaultImage(4)[Offset::TrunkRecords + 7], 0); // no night overflow below model 5
    EXPECT_EQ(BuildDefaultImage(5)[Offset::TrunkRecords + 7], 0x80);
    EXPECT_EQ(BuildDefaultImage(8)[Offset::ExtensionPasswordDigits], 0); // section 22 only on 9..13
    EXPECT_EQ(BuildDefaultImage(13)[Offset::ExtensionPasswordDigits], Defaults::ExtensionPasswordDigits);
}

} // namespace
