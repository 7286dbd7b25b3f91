// Extension numbers <-> position codes, and the program-wide extension list, on the default
// plan of model 11 (15 extensions numbered 20..34).

#include "ProgrammingFixture.h"
#include "core/ExtensionCodes.h"

#include <vector>

namespace {

class ExtensionCodesTest : public ProgrammingFixture {
protected:
    void SetUp() override {
        ProgrammingFixture::SetUp();
        UseDefaultProgramming(11);
    }
};

struct TCodeCase {
    const char* text;
    bool ok;
    PositionCode code;
};

class CodeFromText : public ExtensionCodesTest, public testing::WithParamInterface<TCodeCase> {};

TEST_P(CodeFromText, GivesTheCodeOrRefuses) {
    bool ok = !GetParam().ok;
    const PositionCode code = ExtensionCodeFromText(GetParam().text, ok);
    EXPECT_EQ(ok, GetParam().ok);
    if (GetParam().ok) {
        EXPECT_EQ(code, GetParam().code);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CodeFromText,
    testing::Values(TCodeCase{"61", true, 0x71}, TCodeCase{"60", true, 0x70}, TCodeCase{"64", true, 0x74},
                    TCodeCase{" 6 2 ", true, 0x72}, TCodeCase{"", true, NoExtension},
                    TCodeCase{"    ", true, NoExtension}, TCodeCase{"20", true, 0}, TCodeCase{"2 1", true, 1},
                    TCodeCase{"34", true, 14}, TCodeCase{"6143", true, 255}, TCodeCase{"35", false, 0},
                    TCodeCase{"19", false, 0}, TCodeCase{"99", false, 0}, TCodeCase{"6", false, 0},
                    TCodeCase{"6a", false, 0}, TCodeCase{"6-1", false, 0}, TCodeCase{"6999", false, 0},
                    TCodeCase{"6144", false, 0}, TCodeCase{"69999999999999999999", false, 0},
                    TCodeCase{"2a", false, 0}, TCodeCase{"99999999999", false, 0},
                    TCodeCase{"-20", false, 0}));

TEST_F(ExtensionCodesTest, CodeFromTextSearchesOnlyTheModelsPositions) {
    ProgrammingImage.SetU16(Offset::ExtensionNumbers + 2 * 15, 77); // position 15: beyond model 11
    bool ok = true;
    ExtensionCodeFromText("77", ok);
    EXPECT_FALSE(ok);
    ModelCode = ModelNone;
    ExtensionCodeFromText("20", ok);
    EXPECT_FALSE(ok);
}

struct TTextCase {
    int codePlusOne;
    const char* text;
};

class TextFromCode : public ExtensionCodesTest, public testing::WithParamInterface<TTextCase> {};

TEST_P(TextFromCode, ShowsTheNumberOrBlanks) {
    EXPECT_EQ(ExtensionTextFromCode(GetParam().codePlusOne), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, TextFromCode,
                         testing::Values(TTextCase{0x71, "60"}, TTextCase{0x72, "61"}, TTextCase{0x75, "64"},
                                         TTextCase{187, "    "}, TTextCase{188, "    "}, TTextCase{1, "20"},
                                         TTextCase{15, "34"}, TTextCase{16, "    "}, TTextCase{21, "    "},
                                         TTextCase{0, "    "}, TTextCase{256, "    "},
                                         TTextCase{0xC0, "    "}, TTextCase{0x100 + 0x71, "    "}));

TEST_F(ExtensionCodesTest, ListWithAccessCodesIsSortedAndSkipsOtherNumbers) {
    ProgrammingImage.SetU16(Offset::ExtensionNumbers + 2 * 7, 68);
    ProgrammingImage[Offset::Groups + Offset::GroupRecordSize] = 0; // group 2 in use
    BuildExtensionList(true);
    const std::vector<std::uint16_t> list(ExtensionList.begin(), ExtensionList.begin() + ExtensionListCount);
    EXPECT_EQ(list, (std::vector<std::uint16_t>{3999, 20, 21, 22, 23, 24, 25, 26, 28, 29, 30, 31, 32, 33, 34,
                                                60, 62}));
    EXPECT_EQ(ExtensionListCount, 17);
}

TEST_F(ExtensionCodesTest, ListWithoutAccessCodesKeepsNumbersBeginningWithTwoOrThree) {
    ProgrammingImage.SetU16(Offset::ExtensionNumbers + 0, 300);
    ProgrammingImage.SetU16(Offset::ExtensionNumbers + 2, 83);
    ProgrammingImage.SetU16(Offset::ExtensionNumbers + 4, 2000);
    BuildExtensionList(false);
    const std::vector<std::uint16_t> list(ExtensionList.begin(), ExtensionList.begin() + ExtensionListCount);
    EXPECT_EQ(list,
              (std::vector<std::uint16_t>{3999, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 300, 2000}));
}

TEST_F(ExtensionCodesTest, ListHoldsEveryAccessCodeOnTheLargestModel) {
    UseDefaultProgramming(12);
    for (int group = 0; group < 4; ++group)
        ProgrammingImage[Offset::Groups + Offset::GroupRecordSize * group] = 1;
    BuildExtensionList(true);
    EXPECT_EQ(ExtensionListCount, 1 + 20 + 5);
    EXPECT_EQ(ExtensionList[ExtensionListCount - 1], 64);
}

} // namespace
