// The night-service and external-actuation screens: the time grids, their sorting, the
// activation bits and the one time encoding per model.

#include "GridScreenTest.h"
#include "screens/Atuaauto.h"
#include "screens/Notautom.h"
#include "screens/ScheduleParts.h"

#include <QGroupBox>
#include <QRadioButton>

#include <gmock/gmock.h>

using testing::Each;
using testing::ElementsAre;

namespace {

constexpr int TimeCol = 1;

std::vector<int> HeaderBytes(std::size_t offset, std::size_t count) {
    std::vector<int> bytes;
    for (std::size_t i = 0; i < count; ++i) bytes.push_back(ProgrammingHeader[offset + i]);
    return bytes;
}

class NotAutoTest : public GridScreenTest {
protected:
    void Open(int model) {
        LoadModel(model);
        ShowAgain(screen);
    }
    TVevIvizudEvar& Entry() { return *screen.VevIvizudEvar1; }
    TVevIvizudEvar& Exit() { return *screen.VevIvizudEvar2; }
    TFormNotAuto screen;
};

TEST_F(NotAutoTest, TimesAreSortedEachListOnItsOwnWithTheEmptyOnesLast) {
    Open(11);
    ProgrammingHeader[830] = 0x03; // bits 0-1 are kept
    ShowAgain(screen);
    ASSERT_EQ(Entry().GetRowCount(), 7);
    SetCell(Entry(), TimeCol, 1, "22:00");
    SetCell(Exit(), TimeCol, 1, "  :  ");
    SetCell(Entry(), TimeCol, 3, "  :  ");
    SetCell(Exit(), TimeCol, 3, "12:30");
    SetCell(Entry(), TimeCol, 4, "18:15");
    SetCell(Exit(), TimeCol, 4, "06:00");
    SetCell(Exit(), TimeCol, 6, ""); // an empty cell is no time
    screen.Activation().EveryDay->setChecked(true);
    screen.OkButtonClick();
    ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    // [exit h, exit m, entry h, entry m]; 12:30 is 0x0C 0x1E on this model
    EXPECT_THAT(HeaderBytes(686, 8), ElementsAre(6, 0, 18, 15, 0x0C, 0x1E, 22, 0));
    EXPECT_THAT(HeaderBytes(694, 40), Each(0x60)); // entries 3..12
    EXPECT_EQ(ProgrammingHeader[830], 0x23);
    EXPECT_EQ(EditedSections[16] + ModifiedSections[16] + ProgrammingModified, 3);

    ShowAgain(screen);
    EXPECT_EQ(Cell(Exit(), TimeCol, 1), "06:00");
    EXPECT_EQ(Cell(Entry(), TimeCol, 3), ":");
    EXPECT_TRUE(screen.Activation().EveryDay->isChecked());
}

TEST_F(NotAutoTest, AModeWithoutAFirstExitTimeIsStoredAsNotActive) {
    Open(11);
    SetCell(Entry(), TimeCol, 2, "22:00");
    screen.Activation().Workdays->setChecked(true);
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[830] & 0x30, 0);
}

TEST_F(NotAutoTest, ABadTimeIsReportedOnItsGrid) {
    Open(11);
    const auto before = TProgrammingState::Now();
    SetCell(Entry(), TimeCol, 2, "24:00");
    screen.OkButtonClick();
    ExpectErrorAt(Entry(), "Horário de entrada está incorreto.", TimeCol, 2);
    services.messages.shown.clear();
    SetCell(Entry(), TimeCol, 2, "23:00");
    SetCell(Exit(), TimeCol, 5, "07:60");
    screen.OkButtonClick();
    ExpectErrorAt(Exit(), "Horário de saída está incorreto.", TimeCol, 5);
    EXPECT_EQ(TProgrammingState::Now(), before);
}

TEST_F(NotAutoTest, TheEarlierModelsHaveTwelveBcdTimes) {
    Open(4);
    ASSERT_EQ(Entry().GetRowCount(), 13);
    SetCell(Entry(), TimeCol, 12, "12:30");
    screen.OkButtonClick();
    EXPECT_THAT(HeaderBytes(686, 4), ElementsAre(0x60, 0x60, 0x12, 0x30));
    ShowAgain(screen);
    EXPECT_EQ(Cell(Entry(), TimeCol, 1), "12:30");
}

TEST_F(NotAutoTest, TheActivationShowsNoChoiceForItsLoneBit) {
    LoadModel(11);
    ProgrammingHeader[830] = 0x10;
    ShowAgain(screen);
    for (QRadioButton* radio : screen.findChildren<QRadioButton*>()) EXPECT_FALSE(radio->isChecked());
}

class AtuaAutoTest : public GridScreenTest {
protected:
    void Open(int model) {
        LoadModel(model);
        for (std::size_t i = 734; i < 830; ++i) ProgrammingHeader[i] = 0x60;
        ProgrammingHeader[758] = ProgrammingHeader[806] = 0x33; // beyond 12 times
        ShowAgain(screen);
    }
    TVevIvizudEvar& Grid1() { return *screen.VevIvizudEvar1; }
    TVevIvizudEvar& Grid2() { return *screen.VevIvizudEvar2; }
    TFormAtuaAuto screen;
};

TEST_F(AtuaAutoTest, EachActuationIsSortedAndStoredWithItsActivation) {
    Open(11);
    ProgrammingHeader[830] = 0x31;
    ShowAgain(screen);
    ASSERT_EQ(Grid1().GetRowCount(), 13);
    EXPECT_TRUE(Grid2().isEnabled());
    SetCell(Grid1(), TimeCol, 1, "18:00");
    SetCell(Grid1(), TimeCol, 2, "08:00");
    SetCell(Grid2(), TimeCol, 7, "12:30");
    screen.Activation1().Workdays->setChecked(true);
    screen.Activation2().EveryDay->setChecked(true);
    screen.OkButtonClick();
    ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_THAT(HeaderBytes(734, 6), ElementsAre(8, 0, 18, 0, 0x60, 0x60));
    EXPECT_THAT(HeaderBytes(782, 4), ElementsAre(0x0C, 0x1E, 0x60, 0x60));
    EXPECT_EQ(ProgrammingHeader[758], 0x33); // not the model's
    EXPECT_EQ(ProgrammingHeader[806], 0x33);
    EXPECT_EQ(ProgrammingHeader[830], 0x80 | 0x30 | 0x0C | 0x01);
    EXPECT_EQ(EditedSections[16] + ModifiedSections[16] + ProgrammingModified, 3);
}

TEST_F(AtuaAutoTest, AModeWithoutTimesIsNotActiveAndTheLoneBitShowsAsWorkdays) {
    Open(11);
    ProgrammingHeader[830] = 0x44;
    ShowAgain(screen);
    EXPECT_TRUE(screen.Activation1().Workdays->isChecked());
    EXPECT_TRUE(screen.Activation2().Workdays->isChecked());
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[830], 0x00);
}

TEST_F(AtuaAutoTest, ABadOrEmptyCellIsRefused) {
    Open(11);
    const auto before = TProgrammingState::Now();
    for (const char* text : {"24:00", "07:60", "07: 3", ""}) {
        SCOPED_TRACE(text);
        services.messages.shown.clear();
        SetCell(Grid2(), TimeCol, 3, text);
        screen.OkButtonClick();
        ExpectErrorAt(Grid2(), "Horário está incorreto.", TimeCol, 3);
        EXPECT_EQ(TProgrammingState::Now(), before);
    }
}

struct TEncoding {
    int model;
    int times;
    std::uint8_t hour, minute;
};

class TimeEncoding : public AtuaAutoTest, public testing::WithParamInterface<TEncoding> {};

// One encoding per model, both ways: what OK stores shows again as typed and is stored again
// unchanged.
TEST_P(TimeEncoding, TwelveThirtyRoundTrips) {
    const TEncoding& encoding = GetParam();
    Open(encoding.model);
    ASSERT_EQ(Grid1().GetRowCount(), encoding.times + 1);
    SetCell(Grid1(), TimeCol, encoding.times, "12:30");
    screen.OkButtonClick();
    ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_THAT(HeaderBytes(734, 2), ElementsAre(encoding.hour, encoding.minute));
    const auto stored = TProgrammingState::Now().bytes;
    ShowAgain(screen);
    EXPECT_EQ(Cell(Grid1(), TimeCol, 1), "12:30");
    screen.OkButtonClick();
    EXPECT_EQ(TProgrammingState::Now().bytes, stored);
}

INSTANTIATE_TEST_SUITE_P(Models, TimeEncoding,
                         testing::Values(TEncoding{3, 24, 0x12, 0x30}, TEncoding{5, 24, 0x12, 0x30},
                                         TEncoding{8, 12, 0x0C, 0x1E}, TEncoding{9, 12, 0x0C, 0x1E},
                                         TEncoding{12, 12, 0x0C, 0x1E}));

TEST_F(AtuaAutoTest, TheEarlierModelsWriteTwentyFourTimesEach) {
    Open(5);
    SetCell(Grid2(), TimeCol, 24, "23:59");
    screen.OkButtonClick();
    EXPECT_THAT(HeaderBytes(782, 2), ElementsAre(0x23, 0x59));
    EXPECT_THAT(HeaderBytes(784, 46), Each(0x60)); // 806..829 too
    EXPECT_THAT(HeaderBytes(734, 48), Each(0x60));
}

TEST_F(AtuaAutoTest, ModelsWithoutActuation2DisableItButKeepItsBytes) {
    for (const int model : {8, 9, 13}) {
        SCOPED_TRACE(model);
        LoadModel(model);
        ProgrammingHeader[782] = 9;
        ProgrammingHeader[783] = 15;
        ProgrammingHeader[830] = 0x80;
        ShowAgain(screen);
        EXPECT_FALSE(Grid2().isEnabled());
        EXPECT_FALSE(screen.Activation2().Group->isEnabled());
        EXPECT_FALSE(screen.Panel2->isEnabled());
        screen.OkButtonClick();
        EXPECT_THAT(HeaderBytes(782, 2), ElementsAre(9, 15));
        EXPECT_EQ(ProgrammingHeader[830], 0x80);
    }
}

} // namespace
