// The programming in memory: unknown model codes, the header and image views, the section flags.

#include "ProgrammingFixture.h"

#include <stdexcept>

namespace {

TEST(ModelTablesTest, OtherCodesAreNoModel) {
    for (const int code : {0, 1, 2, 6, 7, 14, 255}) {
        EXPECT_FALSE(IsKnownModel(static_cast<std::uint8_t>(code))) << code;
        EXPECT_EQ(ModelInfo(static_cast<std::uint8_t>(code)).Extensions, 0) << code;
    }
    EXPECT_STREQ(ModelInfo(11).Name, "Talvenor ARCO");
    EXPECT_STREQ(ModelInfo(12).DefaultFile, "DEFNODO.NPX");
}

class ProgrammingTest : public ProgrammingFixture {};

TEST_F(ProgrammingTest, TheHeaderIsTheImagesFirst832Bytes) {
    ProgrammingHeader[Offset::Timers] = 7;
    EXPECT_EQ(ProgrammingImage[290], 7);
    ProgrammingImage[831] = 9;
    EXPECT_EQ(ProgrammingHeader[831], 9);
    EXPECT_THROW(ProgrammingHeader[832], std::out_of_range);
    EXPECT_THROW(ProgrammingImage[ImageSize], std::out_of_range);
    EXPECT_THROW(ProgrammingHeader.Span(830, 3), std::out_of_range);
    EXPECT_THROW(ProgrammingImage.U16(ImageSize - 1), std::out_of_range);
}

TEST_F(ProgrammingTest, NumbersAreLittleEndianAndNamesAreCappedAt20Bytes) {
    ProgrammingImage.SetU16(Offset::ExtensionNumbers + 2 * 14, 2014);
    EXPECT_EQ(ProgrammingImage[860], 0xDE);
    EXPECT_EQ(ProgrammingImage[861], 0x07);
    EXPECT_EQ(ExtensionNumber(14), 2014);
    ProgrammingImage.SetShortString(Offset::Names + 21, "Uma recep\xE7\xE3o muito comprida"); // Windows-1252
    EXPECT_EQ(ProgrammingImage[Offset::Names + 21], 20);
    EXPECT_EQ(ProgrammingImage.ShortString(Offset::Names + 21), "Uma recep\xE7\xE3o muito c");
    ProgrammingImage.SetShortString(Offset::Names + 21, "Ana");
    EXPECT_EQ(ProgrammingImage[Offset::Names + 21 + 4], 0); // the old characters are cleared
    ProgrammingImage[Offset::Names + 42] = 200;             // a corrupt length byte
    EXPECT_EQ(ProgrammingImage.ShortString(Offset::Names + 42).size(), 20u);
}

TEST_F(ProgrammingTest, AScreensOkMarksItsSection) {
    EXPECT_FALSE(AnySectionModified());
    MarkSectionEdited(Section::TerminalKeys, false);
    EXPECT_EQ(EditedSections[25], 1);
    EXPECT_EQ(ProgrammingModified, 0);
    EXPECT_TRUE(AnySectionModified()); // the terminal keys alone still count as a change
    MarkSectionEdited(Section::Timers);
    EXPECT_EQ(ModifiedSections[10], 1);
    EXPECT_EQ(ProgrammingModified, 1);
}

TEST_F(ProgrammingTest, RouteZeroCountsTheModelsTrunksOnly) {
    UseDefaultProgramming(11);
    EXPECT_TRUE(RouteZeroExists());
    for (int trunk = 0; trunk < 6; ++trunk) ProgrammingHeader[Offset::TrunkBytes + trunk] = 0x69;
    EXPECT_FALSE(RouteZeroExists());
    ProgrammingHeader[Offset::TrunkBytes + 4] = 0x68; // trunk 5: model 11 has 4
    EXPECT_FALSE(RouteZeroExists());
    ProgrammingHeader[Offset::TrunkBytes + 3] = 0xF8; // only the low three bits count
    EXPECT_TRUE(RouteZeroExists());
}

} // namespace
