// The copy selectors: the extension tiles of the categories copy and the route tiles.

#include "ScreenFixture.h"
#include "screens/Copramal.h"
#include "screens/Coprotas.h"
#include "screens/CopySelector.h"

#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>

using testing::Each;
using testing::ElementsAreArray;

namespace {

using TTargets = std::array<std::uint8_t, MaxPositions>;

TTargets Picked(std::initializer_list<int> positions) {
    TTargets targets{};
    for (int p : positions) targets[p] = 1;
    return targets;
}

bool LooksSelected(const TSelectionTile& tile) {
    return tile.Lowered() && tile.Colour() == clTeal;
}
bool LooksUnselected(const TSelectionTile& tile) {
    return !tile.Lowered() && tile.Colour() == clBtnFace;
}

class CopRamalTest : public ScreenFixture {
protected:
    // Model 11 (15 extensions) numbered, by position: 30, 21, 25, 31..39, 68, 400, 201. Sorted,
    // the tiles read 21, 25, 30, 31..39, 68, 201, 400, then five tiles beyond the model.
    void SetUp() override {
        ScreenFixture::SetUp();
        LoadModel(11);
        const std::uint16_t numbers[] = {30, 21, 25, 31, 32, 33, 34, 35, 36, 37, 38, 39, 68, 400, 201};
        for (int p = 0; p < 15; ++p) ProgrammingImage.SetU16(832 + 2 * p, numbers[p]);
        CopyMode = 1;
        ShowActive(dialog);
    }
    TSelectionTile& Tile(int j) { return *dialog.Panel[j - 1]; } // j = 1 .. 20
    void Click(int j) { QTest::mouseClick(&Tile(j), Qt::LeftButton); }
    TFormCopRamal dialog;
};

TEST_F(CopRamalTest, TilesAreSortedByNumber) {
    std::vector<QString> captions;
    for (int j = 1; j <= MaxPositions; ++j) captions.push_back(Tile(j).Caption());
    const char* expected[] = {"21", "25", "30", "31",  "32",  "33",    "34",    "35",    "36",    "37",
                              "38", "39", "68", "201", "400", "*****", "*****", "*****", "*****", "*****"};
    EXPECT_THAT(captions, ElementsAreArray(expected));
}

TEST_F(CopRamalTest, PickingATileMarksThePositionItShows) {
    Click(1);
    EXPECT_TRUE(LooksSelected(Tile(1)));
    Click(14); // 201, position 14
    Click(3);  // 30, position 0
    Click(3);  // and back
    EXPECT_TRUE(LooksUnselected(Tile(3)));
    dialog.OkButtonClick();
    EXPECT_EQ(dialog.result(), SelectorResultOk);
    EXPECT_EQ(CopyTargets, Picked({1, 14}));
}

TEST_F(CopRamalTest, OnlyNumbersOf2And3CanBePicked) {
    for (int j : {13, 15}) { // 68 and 400: lowered, disabled
        EXPECT_FALSE(Tile(j).isEnabled());
        EXPECT_TRUE(Tile(j).Lowered());
    }
    EXPECT_FALSE(Tile(16).isEnabled()); // beyond the model: raised, disabled
    EXPECT_TRUE(LooksUnselected(Tile(16)));
    for (int j : {13, 15, 16}) {
        Click(j);
        dialog.PanelMouseDown(j + 1);
    }
    EXPECT_EQ(Tile(13).Colour(), clBtnFace);
    dialog.OkButtonClick();
    EXPECT_EQ(CopyTargets, TTargets{});
}

TEST_F(CopRamalTest, AllPicksEveryEntryButLowersOnlyClickableTiles) {
    dialog.SelButtonClick();
    for (int j = 1; j <= 12; ++j) EXPECT_TRUE(LooksSelected(Tile(j))) << j;
    EXPECT_EQ(Tile(13).Colour(), clBtnFace);
    EXPECT_TRUE(LooksUnselected(Tile(20)));
    Click(2); // 25, position 2, unpicked again
    dialog.OkButtonClick();
    TTargets expected;
    expected.fill(1);
    expected[2] = 0;
    EXPECT_EQ(CopyTargets, expected);
}

TEST_F(CopRamalTest, CancelLeavesTheTargetsAndShowingAgainStartsAfreshFromThePlan) {
    CopyTargets = Picked({5, 19});
    dialog.SelButton->click();
    dialog.CancButton->click();
    EXPECT_EQ(dialog.result(), SelectorResultCancel);
    EXPECT_EQ(CopyTargets, Picked({5, 19}));

    ProgrammingImage.SetU16(832, 20); // position 0 now comes first
    ShowAgain(dialog);
    EXPECT_EQ(Tile(1).Caption(), "20");
    EXPECT_TRUE(LooksUnselected(Tile(1)));
    dialog.OkButtonClick();
    EXPECT_THAT(CopyTargets, Each(0));
}

class CopiaRotaTest : public ScreenFixture {
protected:
    void SetUp() override {
        ScreenFixture::SetUp();
        ShowActive(dialog);
    }
    TFormCopiaRota dialog;
};

TEST_F(CopiaRotaTest, TilesPickRoutesZeroToSevenAndCancelLeavesThem) {
    EXPECT_EQ(dialog.Panel[7]->Caption(), "7");
    QTest::mouseClick(dialog.Panel[2], Qt::LeftButton);
    QTest::mouseClick(dialog.Panel[7], Qt::LeftButton);
    QTest::mouseClick(dialog.Panel[7], Qt::LeftButton);
    EXPECT_TRUE(LooksSelected(*dialog.Panel[2]));
    EXPECT_TRUE(LooksUnselected(*dialog.Panel[7]));
    dialog.OkButton->click();
    EXPECT_EQ(dialog.result(), SelectorResultOk);
    EXPECT_EQ(RouteCopyTargets, (std::array<std::uint8_t, RouteCount>{0, 0, 1, 0, 0, 0, 0, 0}));

    ShowAgain(dialog); // starts afresh; a cancel leaves the routes
    EXPECT_TRUE(LooksUnselected(*dialog.Panel[2]));
    dialog.PanelMouseDown(3);
    dialog.CancButton->click();
    EXPECT_EQ(dialog.result(), SelectorResultCancel);
    EXPECT_EQ(RouteCopyTargets, (std::array<std::uint8_t, RouteCount>{0, 0, 1, 0, 0, 0, 0, 0}));
}

} // namespace
