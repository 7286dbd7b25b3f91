// The wake-up screen.

#include "GridScreenTest.h"
#include "screens/Desperta.h"

#include <QRadioButton>

#include <gmock/gmock.h>

using testing::ElementsAre;

namespace {

constexpr int TimeCol = 1;

class DespertaTest : public GridScreenTest {
protected:
    TVevIvizudEvar& Grid() { return *screen.VevIvizudEvar1; }
    std::vector<int> Entry(int position) const { // 0-based position
        const std::size_t at = 3486 + 4 * static_cast<std::size_t>(position);
        return {ProgrammingImage[at], ProgrammingImage[at + 1], ProgrammingImage[at + 2],
                ProgrammingImage[at + 3]};
    }
    int CheckedItem() const {
        for (std::size_t i = 0; i < screen.RadioItems.size(); ++i)
            if (screen.RadioItems[i]->isChecked()) return static_cast<int>(i);
        return -1;
    }
    // The user picks the row, then a repetition.
    void ChooseMode(int row, int item) {
        Grid().SetCurrentRow(row);
        screen.RadioItems[item]->click();
    }
    TFormDesperta screen;
};

TEST_F(DespertaTest, ListsTheExtensionsOf2And3AscendingWithTheirTimesAndModes) {
    LoadModel(11);
    ProgrammingImage.SetU16(832, 30);     // position 0
    ProgrammingImage.SetU16(832 + 2, 45); // position 1: not listed
    ProgrammingImage[3486 + 4 * 2] = 5;   // position 2 (22): 23:05 on workdays
    ProgrammingImage[3486 + 4 * 2 + 1] = 0x40 | 23;
    ShowActive(screen);
    ASSERT_EQ(Grid().GetRowCount(), 15);
    EXPECT_EQ(Cell(Grid(), 0, 1), "22");
    EXPECT_EQ(Cell(Grid(), 0, 14), "34");
    EXPECT_EQ(Cell(Grid(), 0, 9), "30");
    EXPECT_EQ(Cell(Grid(), TimeCol, 1), "23:05");
    EXPECT_EQ(Cell(Grid(), TimeCol, 2), ":");
    EXPECT_EQ(CheckedItem(), 2);
    Grid().SetCurrentRow(2);
    EXPECT_EQ(CheckedItem(), 0);
}

TEST_F(DespertaTest, OkWritesEveryEntryAndTheCount) {
    LoadModel(11);
    ProgrammingImage.SetU16(832 + 2 * 5, 45); // position 5 is not listed: its entry is cleared
    ProgrammingImage[3486 + 4 * 5] = 0x10;
    ProgrammingImage[3486 + 4 * 17] = 0x11; // beyond the model
    ProgrammingImage[3567] = ProgrammingImage[3568] = 0;
    ShowActive(screen);
    SetCell(Grid(), TimeCol, 2, "07:30"); // 21, position 1
    ChooseMode(2, 1);                     // "Todo dia"
    SetCell(Grid(), TimeCol, 3, "  :  "); // 22: no time whatever the mode
    ChooseMode(3, 3);
    SetCell(Grid(), TimeCol, 4, "00:00");
    screen.OkButtonClick();
    ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_THAT(Entry(1), ElementsAre(0x1E, 0x87, 0x60, 0x60));
    EXPECT_THAT(Entry(2), ElementsAre(0x60, 0x60, 0x60, 0x60));
    EXPECT_THAT(Entry(3), ElementsAre(0x00, 0x00, 0x60, 0x60));
    EXPECT_THAT(Entry(5), ElementsAre(0x60, 0x60, 0x60, 0x60));
    EXPECT_THAT(Entry(17), ElementsAre(0x60, 0x60, 0x60, 0x60));
    EXPECT_EQ(ProgrammingImage[3566], 2);
    EXPECT_EQ(ProgrammingImage[3567], 0x60);
    EXPECT_EQ(ProgrammingImage[3568], 0x60);
    EXPECT_EQ(EditedSections[21] + ModifiedSections[21] + ProgrammingModified, 3);
}

TEST_F(DespertaTest, ABadTimeStopsOkAtItsRow) {
    LoadModel(11);
    ShowActive(screen);
    for (const char* time : {"24:00", "12:60", "07: 3", "7:30"}) {
        SCOPED_TRACE(time);
        services.messages.shown.clear();
        SetCell(Grid(), TimeCol, 1, "06:00");
        SetCell(Grid(), TimeCol, 5, time);
        const auto before = TProgrammingState::Now();
        screen.OkButtonClick();
        ExpectErrorAt(Grid(), "Horário está incorreto.", TimeCol, 5);
        EXPECT_EQ(TProgrammingState::Now(), before);
        EXPECT_EQ(CheckedItem(), 0);
    }
}

TEST_F(DespertaTest, ATimeTypedAndNotLeftIsStored) {
    LoadModel(11);
    ShowActive(screen);
    TypeInto(Grid(), TimeCol, 1, "0645");
    screen.OkButtonClick();
    EXPECT_THAT(Entry(0), ElementsAre(45, 6, 0x60, 0x60));
}

} // namespace
