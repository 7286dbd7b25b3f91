// The grid's small settings objects: bands, control look, background, grouping and filter, and
// the repaints their changes ask for.
#include "GridTestSupport.h"

namespace {

TEST(Bands, ThePeriodFollowsBothLengths) {
    TBands bands;
    EXPECT_EQ(bands.Period(), 2);
    bands.SetPrimaryLength(2);
    EXPECT_EQ(bands.Period(), 3);
    bands.SetSecondaryLength(4);
    EXPECT_EQ(bands.Period(), 6);
    EXPECT_EQ(bands.PrimaryColor(), clInfoBk);
    EXPECT_EQ(bands.SecondaryColor(), clWindow);
}

TEST(Bands, ColourAndLengthChangesRepaintOnlyWhileActive) {
    TBands bands;
    int changes = 0;
    bands.OnChange = [&] { ++changes; };
    bands.SetPrimaryColor(clRed);
    bands.SetSecondaryLength(3);
    EXPECT_EQ(changes, 0);
    bands.SetActive(true);
    EXPECT_EQ(changes, 1);
    bands.SetSecondaryColor(clAqua);
    bands.SetPrimaryLength(2);
    EXPECT_EQ(changes, 3);
    bands.SetActive(false); // switching always repaints
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(bands.PrimaryColor(), clRed); // kept all the same
}

TEST(ControlLook, StartsWithItsDefaults) {
    TControlLook look;
    EXPECT_EQ(look.CheckSize, 15);
    EXPECT_EQ(look.RadioSize, 10);
    EXPECT_EQ(look.ControlStyle, TControlStyle::csWinXP);
    EXPECT_EQ(look.Color, clBlack);
    EXPECT_EQ(look.ProgressMarginX, 2);
    EXPECT_EQ(look.ProgressMarginY, 2);
    EXPECT_FALSE(look.ProgressXP);
    EXPECT_FALSE(look.FlatButton);
    EXPECT_FALSE(look.DropDownAlwaysVisible);
    EXPECT_FALSE(look.NoDisabledCheckRadioLook);
    EXPECT_TRUE(look.CheckedGlyph.Empty());
}

TEST(ControlLook, EveryAssignmentRepaintsAndGlyphsAreCopied) {
    TControlLook look;
    int changes = 0;
    look.OnChange = [&] { ++changes; };
    look.CheckSize = 13;
    look.RadioSize = 12;
    look.ControlStyle = TControlStyle::csFlat;
    look.Color = clRed;
    look.FlatButton = true;
    look.NoDisabledCheckRadioLook = true;
    look.DropDownAlwaysVisible = true;
    look.ProgressXP = true;
    look.ProgressMarginX = 4;
    look.ProgressMarginY = 5;
    EXPECT_EQ(changes, 10);
    TBitmap glyph;
    glyph.SetSize(8, 8, clRed);
    look.CheckedGlyph = glyph;
    look.RadioOffGlyph = glyph;
    EXPECT_EQ(changes, 12);
    glyph.SetSize(4, 4, clBlue); // the look keeps its own copy
    EXPECT_EQ(look.CheckedGlyph.Width(), 8);
    EXPECT_EQ(look.CheckSize, 13);
    EXPECT_EQ(look.ControlStyle, TControlStyle::csFlat);
}

TEST(BackGround, EveryAssignmentRepaints) {
    TBackGround background;
    EXPECT_EQ(background.Display, TBackGroundDisplay::bdTile);
    EXPECT_EQ(background.Cells, TBackGroundCells::bcNormal);
    int changes = 0;
    background.OnChange = [&] { ++changes; };
    background.Top = 3;
    background.Left = 4;
    background.Display = TBackGroundDisplay::bdFixed;
    background.Cells = TBackGroundCells::bcAll;
    TBitmap picture;
    picture.SetSize(5, 5, clGreen);
    background.Bitmap = picture;
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(background.Bitmap.Width(), 5);
}

TEST(Grouping, StartsWithItsColoursNotSet) {
    TGrouping grouping;
    for (TColor c : {grouping.HeaderColor, grouping.SummaryColor, grouping.HeaderColorTo,
                     grouping.HeaderTextColor, grouping.SummaryTextColor, grouping.SummaryColorTo})
        EXPECT_EQ(c, clNone);
    EXPECT_FALSE(grouping.MergeHeader || grouping.MergeSummary || grouping.Summary);
}

// The settings of a grid repaint that grid.
class GridSettings : public testing::Test {
protected:
    GridSettings() : w_(3, 3) {}
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    int PaintsAfter(const std::function<void()>& change) {
        QApplication::processEvents();
        const int before = Grid().PaintCount();
        change();
        QApplication::processEvents();
        return Grid().PaintCount() - before;
    }
    TAdvancedGridWindow w_;
};

TEST_F(GridSettings, LookAndBackgroundChangesRepaintTheGrid) {
    EXPECT_GT(PaintsAfter([&] { Grid().ControlLook.CheckSize = 11; }), 0);
    EXPECT_GT(PaintsAfter([&] { Grid().BackGround.Left = 7; }), 0);
    EXPECT_EQ(PaintsAfter([] {}), 0);
}

TEST_F(GridSettings, TheFilterBelongsToItsGridAndNewConditionsTakeTheDefaults) {
    EXPECT_EQ(Grid().Filter.Owner(), &Grid());
    TFilterData& condition = Grid().Filter.Add();
    EXPECT_TRUE(condition.CaseSensitive);
    EXPECT_EQ(condition.Operation, TFilterOperation::foNONE);
    condition.Column = 2;
    EXPECT_EQ(Grid().Filter.Count(), 1);
    EXPECT_EQ(Grid().Filter.Items(0).Column, 2);
    Grid().Filter = {{1, "x", false, {}, {}, TFilterOperation::foOR}};
    EXPECT_EQ(Grid().Filter.Owner(), &Grid());
    EXPECT_FALSE(Grid().Filter.Items(0).CaseSensitive);
}

} // namespace
