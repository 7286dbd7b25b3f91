// Report sections 1 to 7: the tables of extensions, trunks, speed dial and groups.

#include "ReportFixture.h"

#include "core/ValueConversions.h"

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

constexpr int TableTop = HeaderEnd + 4 * L;     // sections with a skip of 4 lines
constexpr int WideTableTop = HeaderEnd + 8 * L; // a skip of 8 lines

class ReportTablesTest : public ReportFixture {};

// ---- One row per extension -------------------------------------------------------------------

TEST_F(ReportTablesTest, EightExtensionsGiveEightRowsAndTenRules) {
    UseDefaultProgramming(13);
    for (const int section : {1, 2, 5}) {
        SCOPED_TRACE("section " + std::to_string(section));
        Print({section});
        EXPECT_EQ(TableRules().size(), 10u);
        const auto lastRow = canvas.TextsEqual("27"); // position 7, the last
        EXPECT_EQ(lastRow.size(), section == 1 ? 2u : 1u);
        EXPECT_TRUE(canvas.TextsEqual("28").empty());
    }
}

struct TCategoryCase {
    std::size_t offset; // of position 0's byte
    std::uint8_t value;
    std::vector<std::string> marked; // the heading codes of the marked columns
};

class ReportCategoryMarks : public ReportFixture, public testing::WithParamInterface<TCategoryCase> {};

// Position 2 of a model 13 programming, every byte cleared and route 0 barred, then one byte set.
TEST_P(ReportCategoryMarks, EachBitMarksItsColumn) {
    UseDefaultProgramming(13);
    for (const std::size_t offset :
         {Offset::DayCategories, Offset::DayRoutes, Offset::DayFacilities, Offset::Attributes})
        Byte(offset + 2) = 0;
    Byte(Offset::DaySubRoutes + 2) = NoSubRoute;
    Byte(GetParam().offset + 2) = GetParam().value;
    Print({1});

    const int headingY = TableTop + L / 2;
    EXPECT_EQ(MarkedHeadings(headingY, headingY + 3 * 154), GetParam().marked);
}

INSTANTIATE_TEST_SUITE_P(
    Bits, ReportCategoryMarks,
    testing::Values(
        TCategoryCase{Offset::DayCategories, 0x01, {"X"}}, TCategoryCase{Offset::DayCategories, 0x08, {"I"}},
        TCategoryCase{Offset::DayCategories, 0x04, {"D"}}, TCategoryCase{Offset::DayCategories, 0x10, {"R"}},
        TCategoryCase{Offset::DayCategories, 0x02, {"L"}}, TCategoryCase{Offset::DayCategories, 0x20, {"E"}},
        // agenda access is kept in bit 6 of the categories
        TCategoryCase{Offset::DayCategories, 0x40, {"A"}},
        // route 0 is permitted by a sub-route byte of 0, not by the routes byte
        TCategoryCase{Offset::DaySubRoutes, 0, {"0"}}, TCategoryCase{Offset::DaySubRoutes, 3, {}},
        TCategoryCase{Offset::DayFacilities, 0x80, {"P1"}},
        TCategoryCase{Offset::DayFacilities, 0x40, {"P2"}}, TCategoryCase{Offset::DayFacilities, 0x10, {"G"}},
        TCategoryCase{Offset::DayFacilities, 0x08, {"K"}}, TCategoryCase{Offset::DayFacilities, 0x04, {"A1"}},
        TCategoryCase{Offset::DayFacilities, 0x02, {"A2"}}, TCategoryCase{Offset::DayRoutes, 0x02, {"81"}},
        TCategoryCase{Offset::DayRoutes, 0x7E, {"81", "82", "83", "84", "85", "86"}},
        TCategoryCase{Offset::Attributes, 0x08, {"T"}}, TCategoryCase{Offset::Attributes, 0x20, {}},
        // the night page is printed from the night bytes
        TCategoryCase{Offset::NightCategories, 0x01, {}}));

TEST_F(ReportTablesTest, NightPageShowsTheNightCategories) {
    UseDefaultProgramming(13);
    Byte(Offset::DayCategories) = 0;
    Byte(Offset::NightCategories) = 0x01;
    Print({1});
    const int firstRow = TableTop + L / 2 + 154;
    EXPECT_THAT(RowTexts(firstRow, 1), ElementsAre("20", "X")) << "route 0 of the day";
    EXPECT_THAT(RowTexts(firstRow, 2), ElementsAre("20", "X", "X"));
}

TEST_F(ReportTablesTest, FacilitiesMarkTheirColumns) {
    UseDefaultProgramming(11);
    Byte(Offset::ExtensionFacilities) = 0x11; // password and hot line
    Print({5});
    const int row = TableTop + L / 2 + 3 * L;
    EXPECT_THAT(RowTexts(row), ElementsAre("20", "X", "X"));
    EXPECT_EQ(TextAt(C * 39, row), "X");
    EXPECT_EQ(TextAt(C * 55, row), "X");
}

// ---- Trunks -----------------------------------------------------------------------------------

class ReportTrunkTest : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        UseDefaultProgramming(11);
    }
    // The marked route codes of trunk 1 on page 1.
    std::vector<std::string> RouteMarks() {
        Print({3});
        const int headingY = TableTop + L, rowY = headingY + 3 * L;
        std::vector<std::string> marked;
        for (const TReportText& mark : canvas.TextsOnPage(1))
            if (mark.Y == rowY && mark.Text == "X")
                for (const TReportText& heading : canvas.TextsOnPage(1))
                    if (heading.Y == headingY && heading.X == mark.X)
                        marked.push_back(heading.Text.toStdString());
        return marked;
    }
    // The cells of trunk 1 on page 2.
    std::vector<std::string> RecordRow() {
        Print({3});
        return RowTexts(TableTop + L / 2 + 3 * L, 2);
    }
    static std::uint8_t& Record(int byte) { return Byte(Offset::TrunkRecords + byte); }
};

TEST_F(ReportTrunkTest, RouteAndDirections) {
    Byte(Offset::TrunkBytes) = 0x20; // outgoing, decadic, route 0
    EXPECT_THAT(RouteMarks(), ElementsAre("0", "S", "D"));
    Byte(Offset::TrunkBytes) = 0xCB; // route 3, MF, incoming, blocked
    EXPECT_THAT(RouteMarks(), ElementsAre("83", "E", "B", "M"));
    Byte(Offset::TrunkBytes) = 0x07; // route 7 has no column; no direction: "L"
    EXPECT_THAT(RouteMarks(), ElementsAre("L", "D"));
}

TEST_F(ReportTrunkTest, GroupAttendantShowsOnlyWhileTheGroupIsInUse) {
    Record(1) = GroupCode(3);
    Byte(Offset::Groups + 2 * Offset::GroupRecordSize) = 0; // hierarchical
    EXPECT_EQ(RecordRow().at(1), "63");
    Byte(Offset::Groups + 2 * Offset::GroupRecordSize) = EmptyGroupType;
    EXPECT_EQ(RecordRow().at(1), "21") << "the main attendant's cell is blank";
}

TEST_F(ReportTrunkTest, AttendantCodesThatNameNoExtensionAreBlank) {
    Record(1) = AccessCode60;
    Record(2) = 15; // model 11 has positions 0..14
    Record(3) = NoExtension;
    EXPECT_THAT(RecordRow(), ElementsAre("01", "60", "35", "7", "7", "X", "X", "8", "0", "X"));
}

TEST_F(ReportTrunkTest, RecordCells) {
    // attendants 20, 21, 21; 35 s; 7, 7; IU, LC; 8 digits; rings bit clear; night overflow
    EXPECT_THAT(RecordRow(), ElementsAre("01", "20", "21", "21", "35", "7", "7", "X", "X", "8", "0", "X"));
    Record(0) = 0x03;
    Record(7) = 0x02;
    EXPECT_THAT(RecordRow(), ElementsAre("01", "20", "21", "21", "35", "7", "7", "7", "1"));
    Record(0) = 0x00;
    Record(7) = 0x01; // the caller-id signalling bit is not the ring count
    EXPECT_THAT(RecordRow(), ElementsAre("01", "20", "21", "21", "35", "7", "7", "9", "0"));
}

// ---- Speed dial and groups ------------------------------------------------------------------------

TEST_F(ReportTablesTest, SpeedDialRouteOnlyForANumberWithDigits) {
    UseDefaultProgramming(11);
    PackedNumber number = PackPhoneNumber("0483222");
    number[0] = 0x80;    // category
    number[1] |= 2 << 5; // route 2
    ProgrammingImage.SetPacked(Offset::GeneralSpeedDial, number);
    Byte(Offset::GeneralSpeedDial + 16 + 1) = 0xE0; // route bits without digits
    ProgrammingImage.SetShortString(Offset::GeneralSpeedDialNames, "Banco");
    Print({4});
    const int first = TableTop + L / 2 + 154;
    EXPECT_THAT(RowTexts(first), ElementsAre("760", "Sim", "2", "0483222", "Banco"));
    EXPECT_THAT(RowTexts(first + 154), ElementsAre("761", "Não"));
    EXPECT_EQ(TableRules().size(), 32u);
}

class ReportGroupTest : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        UseDefaultProgramming(11);
    }
    static constexpr int Band1 = WideTableTop + 3 * L; // top of group 1's band
};

TEST_F(ReportGroupTest, EmptyMembersLeaveOnlyTheEighthCell) {
    Print({6});
    EXPECT_THAT(RowTexts(Band1 + L / 2), IsEmpty());
    EXPECT_THAT(RowTexts(Band1 + L / 2 + 3 * L), ElementsAre(" ****"));
    EXPECT_THAT(RowTexts(Band1 + L), ElementsAre("1", "3"));
}

TEST_F(ReportGroupTest, MembersTypeAndRings) {
    const std::uint8_t record[] = {16, 0, 1, AccessCode60, 0xFF, NoExtension, 2, 40};
    std::ranges::copy(record, &Byte(Offset::Groups));
    Byte(Offset::GroupRings) = 5;
    Print({6});
    EXPECT_THAT(RowTexts(Band1 + L), ElementsAre("1", "5", "X"));
    EXPECT_EQ(TextAt(C * 33 + C / 2, Band1 + L), "X") << "under M";
    EXPECT_THAT(RowTexts(Band1 + L / 2), ElementsAre("20", "21", "60", " ****"));
    EXPECT_THAT(RowTexts(Band1 + L / 2 + 3 * L), ElementsAre("22", " ****")) << "40 names no position";
}

TEST_F(ReportTablesTest, BossSecretaryGroups) {
    UseDefaultProgramming(11);
    Byte(Offset::Bosses + 2) = 3;      // group 2, boss 1
    Byte(Offset::Secretaries + 3) = 4; // group 2, secretary 2
    Byte(Offset::Bosses + 3) = 30;     // no such position
    Print({7});
    const int headingY = WideTableTop + L;
    EXPECT_THAT(RowTexts(headingY), ElementsAre("GRUPO", "CHEFE 1", "SECR. 1", "CHEFE 2", "SECR. 2"));
    EXPECT_THAT(RowTexts(headingY + 2 * 4 * L), ElementsAre("2", "23", "24"));
    EXPECT_EQ(TextAt(C * 70, headingY + 2 * 4 * L), "24");
    EXPECT_EQ(TableRules().size(), 6u);
}

} // namespace
